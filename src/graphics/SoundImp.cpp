// The back-end base, the choice of back end and the back-end tasks' common end.
#include "graphics/SoundImp.h"

SoundImp::~SoundImp() { delete mFile; }

void SoundImp::SetPan(int32_t pan) {
  mPan = pan;
  if (!mMixer.Open()) return;
  int32_t left = 0;
  int32_t right = 0;
  PannedLevels(mVolume, mPan, &left, &right);
  mMixer.WriteLevels(left, right);
}

void SoundImp::SetData(FolderItemImp* file, uint32_t offset) {
  if (file != mFile) delete mFile;
  mFile = file;
  mOffset = offset;
}

SoundImp* SoundImp::CopySettingsTo(SoundImp* copy) const {
  copy->SetData(mFile ? mFile->Clone() : nullptr, mOffset);
  copy->mPan = mPan;
  copy->mVolume = mVolume;
  return copy;
}

string SoundImp::Path() const { return mFile ? mFile->GetPath() : string(); }

SoundImp* CreateSoundImp() {
  if (LoadGStreamer()) return new SoundImpGStreamer;
  if (LoadXine()) return new SoundImpXine;
  return new SoundImpUnix;
}

void SoundTask::Abandon() {
  if (mPlaying)
    mAbandoned = true;
  else
    delete this;
}

bool SoundTask::Ended() {
  mPlaying = false;
  Release();
  if (!mAbandoned) return false;
  delete this;
  return true;
}
