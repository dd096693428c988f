#include "files/FolderItemImpVirtual.h"

#include <cerrno>
#include <cmath>
#include <memory>

#include "core/RuntimeError.h"
#include "files/FileReplacement.h"
#include "files/FileTypes.h"
#include "files/FolderItemShared.h"
#include "files/VFile.h"
#include "files/VirtualVolumeClass.h"
#include "strings/TextEncoding.h"

namespace {

constexpr double kTwoTo64 = 18446744073709551616.0;
// Names a replacement's new file tries before it gives up on a folder full of them.
constexpr int32_t kMostSiblingTries = 4096;

string TextOf(const std::string& utf8) {
  return string::FromBytes(utf8.data(), int64_t(utf8.size()), kEncodingUTF8);
}

// How deep DeleteTree has gone into one volume's tree on this thread.
thread_local uint32_t gTreeDepth = 0;

// An item of the folder that does not exist yet, named after name; nil when there is none.
FolderItemImp* UnusedSiblingOf(const FolderItemImp& folder, const string& name) {
  const string stem = "." + name + ".copy";
  for (int32_t n = 1; n < kMostSiblingTries; ++n) {
    const string number(std::to_string(n).c_str());
    std::unique_ptr<FolderItemImp> sibling(folder.Child(stem + number, 0));
    if (!sibling || !sibling->Exists()) return sibling.release();
  }
  return nullptr;
}

}  // namespace

// The items of a folder of the volume are the volume's too.
FolderItemImpVirtual* FolderItemImpVirtual::UnusedSibling() const {
  std::unique_ptr<FolderItemImp> folder(GetParent());
  return folder ? static_cast<FolderItemImpVirtual*>(UnusedSiblingOf(*folder, mName)) : nullptr;
}

void FolderItemImpVirtual::DeleteNowOrLater(const VEntry& made) {
  if (Delete()) return;
  if (VHFSVolume* layer = Layer()) layer->DeleteLater(mEntry.number, made);
}

FolderItemImpVirtual::FolderItemImpVirtual(RuntimeObject* volume, const VEntry& rootEntry)
    : FolderItemImpVirtual(volume, TextOf(rootEntry.name), rootEntry, true) {
  // A constructor cannot refuse: the item names the entry it was given, reported if not the root.
  (void)QV_CHECK_TEXT(rootEntry.number == VHFSVolume::kRootNumber, "rootEntry.id == 2", nullptr);
}

FolderItemImpVirtual::FolderItemImpVirtual(RuntimeObject* volume, const string& name,
                                           const VEntry& entry, bool isSelf)
    : mVolume(volume), mName(name), mEntry(entry), mIsSelf(isSelf) {
  if (mVolume) RuntimeLockObject(mVolume);
}

FolderItemImpVirtual::~FolderItemImpVirtual() {
  if (mVolume) RuntimeUnlockObject(mVolume);
}

FolderItemImp& FolderItemImpVirtual::Assign(const FolderItemImp& other) {
  const auto* virtualItem = dynamic_cast<const FolderItemImpVirtual*>(&other);
  if (!virtualItem || virtualItem == this) return *this;
  if (virtualItem->mVolume) RuntimeLockObject(virtualItem->mVolume);
  if (mVolume) RuntimeUnlockObject(mVolume);
  mVolume = virtualItem->mVolume;
  mName = virtualItem->mName;
  mEntry = virtualItem->mEntry;
  mIsSelf = virtualItem->mIsSelf;
  return *this;
}

FolderItemImp* FolderItemImpVirtual::Clone() const {
  return new FolderItemImpVirtual(mVolume, mName, mEntry, mIsSelf);
}

VHFSVolume* FolderItemImpVirtual::Layer() const { return VirtualVolumeLayer(mVolume); }

template <typename Ask>
auto FolderItemImpVirtual::Asked(VHFSVolume* layer, Ask ask) const {
  const uint64_t failures = layer->Core().DiskFailures();
  auto answer = ask(*layer);
  if (layer->Core().DiskFailures() != failures) {
    const int32_t error = layer->Core().TakeDiskError();
    SetLastError(error ? error : EIO);
  }
  return answer;
}

VEntry FolderItemImpVirtual::Found() const {
  VHFSVolume* layer = Layer();
  if (!layer) return VEntry{};
  if (mIsSelf) return mEntry;
  return Asked(layer, [this](VHFSVolume& asked) { return asked.FindChild(mEntry.number, mName); });
}

bool FolderItemImpVirtual::Info(const VEntry& found, VItemInfo* info) const {
  return found.type != 0 && Asked(Layer(), [&](VHFSVolume& asked) {
           return asked.GetInfo(found.number, info);
         });
}

uint32_t FolderItemImpVirtual::FolderNumber() const {
  const VEntry found = Found();
  return found.type == VHFSVolume::kFolderType ? found.number : 0;
}

bool FolderItemImpVirtual::FileInfo(VEntry* found, VItemInfo* info) const {
  *found = Found();
  return found->type != VHFSVolume::kFolderType && Info(*found, info);
}

bool FolderItemImpVirtual::ChangeInfo(void (*change)(VItemInfo*, double), double value) {
  VEntry found;
  VItemInfo info;
  if (!FileInfo(&found, &info)) return false;
  change(&info, value);
  return Answer(Layer()->SetInfo(found.number, info));
}

// The layer's answer to a change; a failure the volume file gave a reason for (a full disk)
// leaves it in lastError.
bool FolderItemImpVirtual::Answer(bool done) const {
  VHFSVolume* layer = Layer();
  if (done || !layer) return done;
  if (const int32_t error = layer->Core().TakeDiskError()) SetLastError(error);
  return false;
}

// --- Names and paths ---------------------------------------------------------------------------

bool FolderItemImpVirtual::SetName(const string& name) {
  const VEntry found = Found();
  std::string stored;
  if (found.type == 0 || !VHFSVolume::StoredName(name, &stored) ||
      !Answer(Layer()->Rename(mEntry.number, found.number, name)))
    return false;
  mName = TextOf(stored);
  if (mIsSelf) mEntry.name = stored;
  return true;
}

// The same volume, and the same entry (or, for items that do not exist, the same folder and
// the same name ignoring case).
bool FolderItemImpVirtual::IsSameItem(const FolderItemImpVirtual& other) const {
  if (mVolume != other.mVolume) return false;
  const VEntry mine = Found(), theirs = other.Found();
  if (mine.type != 0 || theirs.type != 0) return mine.number == theirs.number;
  std::string a, b;
  return mIsSelf == other.mIsSelf && mEntry.number == other.mEntry.number &&
         VHFSVolume::StoredName(mName, &a) && VHFSVolume::StoredName(other.mName, &b) &&
         VHFSVolume::Folded(a) == VHFSVolume::Folded(b);
}

string FolderItemImpVirtual::GetPath() const {
  VHFSVolume* layer = Layer();
  if (!layer) return string();
  string path = mName;
  std::unique_ptr<FolderItemImp> up(GetParent());
  for (uint32_t steps = 0; up; ++steps) {
    if (steps > layer->Core().FileBound()) return string();  // a cycle
    path = up->GetName() + "/" + path;
    up.reset(up->GetParent());
  }
  path.SetEncoding(kEncodingUTF8);
  return path;
}

string FolderItemImpVirtual::GetURLPath() const {
  if (!mIsSelf && GetPath().IsEmpty()) return string();
  return FolderItemImp::GetURLPath();
}

FolderItemImp* FolderItemImpVirtual::GetParent() const {
  VHFSVolume* layer = Layer();
  if (mIsSelf || !layer) return nullptr;
  return Asked(layer, [this](VHFSVolume& asked) -> FolderItemImp* {
    const VEntry folder = asked.EntryOf(mEntry.number);
    if (folder.type != VHFSVolume::kFolderType) return nullptr;
    if (folder.number == VHFSVolume::kRootNumber)
      return new FolderItemImpVirtual(mVolume, TextOf(folder.name), folder, true);
    const uint32_t above = asked.ParentOf(folder.number);
    if (above == 0) return nullptr;
    return new FolderItemImpVirtual(mVolume, TextOf(folder.name), asked.EntryOf(above), false);
  });
}

string FolderItemImpVirtual::GetType() const {
  const VEntry found = Found();
  return found.type ? FileTypeNameForFile(TextOf(found.name)) : string();
}

// --- Type, dates, length -----------------------------------------------------------------------

uint32_t FolderItemImpVirtual::GetMacType() const {
  const VEntry found = Found();
  return found.type ? found.type : kUnknownFileCode;
}

bool FolderItemImpVirtual::SetMacType(uint32_t code) {
  const VEntry found = Found();
  return !mIsSelf && found.type != 0 && Answer(Layer()->SetType(mEntry.number, found.number, code));
}

double FolderItemImpVirtual::GetCreationDate() const {
  VItemInfo info;
  return Info(Found(), &info) ? info.created : 0.0;
}

double FolderItemImpVirtual::GetModificationDate() const {
  VItemInfo info;
  return Info(Found(), &info) ? info.modified : 0.0;
}

bool FolderItemImpVirtual::SetCreationDate(double date) {
  return ChangeInfo([](VItemInfo* info, double value) { info->created = value; }, date);
}

bool FolderItemImpVirtual::SetModificationDate(double date) {
  return ChangeInfo([](VItemInfo* info, double value) { info->modified = value; }, date);
}

int32_t FolderItemImpVirtual::GetMacDirID() const {
  if (Found().type == 0) return 0;
  return mIsSelf ? int32_t(VHFSVolume::kRootNumber) : int32_t(mEntry.number);
}

// A length that is no whole number in 0 .. 2^64 reads as 0.
uint64_t FolderItemImpVirtual::GetLength() const {
  VItemInfo info;
  if (!Info(Found(), &info)) return 0;
  const double length = info.length;
  return length >= 0 && length < kTwoTo64 && length == std::floor(length) ? uint64_t(length) : 0;
}

bool FolderItemImpVirtual::SetLength(uint64_t length) {
  return ChangeInfo([](VItemInfo* info, double value) { info->length = value; }, double(length));
}

// --- Listing -----------------------------------------------------------------------------------

int32_t FolderItemImpVirtual::Count() const {
  const uint32_t folder = FolderNumber();
  if (folder == 0) return 0;
  return Asked(Layer(), [folder](VHFSVolume& asked) {
    const std::vector<VEntry>* entries = asked.List(folder);
    return entries ? int32_t(entries->size()) : 0;
  });
}

FolderItemImp* FolderItemImpVirtual::Item(int32_t index, int32_t) const {
  const VEntry folder = Found();
  if (folder.type != VHFSVolume::kFolderType || index < 0) return nullptr;
  const std::vector<VEntry>* entries =
      Asked(Layer(), [&folder](VHFSVolume& asked) { return asked.List(folder.number); });
  if (!entries || size_t(index) >= entries->size()) return nullptr;
  return new FolderItemImpVirtual(mVolume, TextOf((*entries)[size_t(index)].name), folder, false);
}

FolderItemImp* FolderItemImpVirtual::Child(const string& name, int32_t) const {
  const VEntry folder = Found();
  if (folder.type != VHFSVolume::kFolderType) return nullptr;
  return new FolderItemImpVirtual(mVolume, name, folder, false);
}

// --- Making, opening, deleting, moving ---------------------------------------------------------

bool FolderItemImpVirtual::CreateAsFolder() {
  VHFSVolume* layer = Layer();
  return layer && !mIsSelf && Found().type == 0 &&
         Answer(layer->CreateFolder(mEntry.number, mName) != 0);
}

RandomAccessMechanism* FolderItemImpVirtual::OpenAsMechanism(bool, bool) const {
  const VEntry found = Found();
  if (found.type == 0 || found.type == VHFSVolume::kFolderType) return nullptr;
  VFile* file = Layer()->OpenFile(found.number, mVolume);
  if (!file) return nullptr;
  file->EnableByteSwap();
  file->swapDoubles = 1;
  return file;
}

RandomAccessMechanism* FolderItemImpVirtual::CreateMechanism(const string&) {
  VHFSVolume* layer = Layer();
  if (!layer || mIsSelf || Found().type != 0 ||
      !Answer(layer->CreateItem(mEntry.number, mName, kUnknownFileCode) != 0))
    return nullptr;
  return OpenAsMechanism(true, true);
}

// The new contents go into a new file of the folder, named after this one, which is moved over
// it once whole: the volume's files are no host files, so a temporary file of the host's
// cannot stand beside them.
RandomAccessMechanism* FolderItemImpVirtual::ReplaceMechanism(const string& fileType) {
  std::shared_ptr<FolderItemImpVirtual> beside(UnusedSibling());
  RandomAccessMechanism* file = beside ? beside->CreateMechanism(fileType) : nullptr;
  if (!file) {
    if (beside && beside->lastError) SetLastError(beside->lastError);
    return nullptr;
  }
  const VEntry made = beside->Found();
  std::shared_ptr<FolderItemImp> target(Clone());
  return NewReplacingMechanism(
      file,
      [beside, target, made] {
        if (beside->MoveTo(target.get())) return 0;
        const int32_t why = beside->lastError ? beside->lastError : EIO;
        beside->DeleteNowOrLater(made);
        return int(why);
      },
      [beside, made] { beside->DeleteNowOrLater(made); });
}

bool FolderItemImpVirtual::Delete() {
  const VEntry found = Found();
  return !mIsSelf && found.type != 0 && Answer(Layer()->Delete(mEntry.number, found.number));
}

// The shared walk, with a depth no sound tree of this volume can reach.
bool FolderItemImpVirtual::DeleteTree() {
  VHFSVolume* layer = Layer();
  if (!layer || gTreeDepth > layer->Core().FileBound()) return false;
  ++gTreeDepth;
  const bool deleted = FolderItemImp::DeleteTree();
  --gTreeDepth;
  return deleted;
}

bool FolderItemImpVirtual::MoveTo(FolderItemImp* destination) {
  VHFSVolume* layer = Layer();
  if (!layer || !destination) return false;
  if (SameItem(*this, *destination)) return true;
  const auto* target = dynamic_cast<const FolderItemImpVirtual*>(destination);
  if (!target || target->mVolume != mVolume) return FolderItemImp::MoveTo(destination);
  const VEntry found = Found();
  if (mIsSelf || found.type == 0) return false;
  const VEntry there = target->Found();
  if (there.type == VHFSVolume::kFolderType)
    return Answer(layer->Move(found.number, mEntry.number, there.number));
  // A file's place: a file there gives way, then the item moves in under that name.
  return !target->mIsSelf &&
         Answer(layer->MoveReplacing(found.number, mEntry.number, target->mEntry.number,
                                     target->mName));
}
