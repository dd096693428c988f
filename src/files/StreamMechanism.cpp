#include "files/StreamMechanism.h"

#include <cerrno>

#include "core/ExceptionClasses.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "files/DataFile.h"

RuntimeObject* NewStreamObject(ObjectDefinition* definition, RandomAccessMechanism* mechanism) {
  RuntimeObject* object = NewObjectFromDefinition(definition);
  if (!object) {
    delete mechanism;
    return nullptr;
  }
  reinterpret_cast<StreamObjectFields*>(object)->mechanism = mechanism;
  return object;
}

void CloseStreamMechanism(StreamObjectFields* stream, int32_t* savedError) {
  RandomAccessMechanism* mechanism = stream->mechanism;
  if (!mechanism) return;
  mechanism->Close();
  *savedError = mechanism->lastError;
  stream->mechanism = nullptr;
  delete mechanism;
}

void ReplaceStreamMechanism(StreamObjectFields* stream, int32_t* savedError,
                            RandomAccessMechanism* mechanism) {
  CloseStreamMechanism(stream, savedError);
  stream->mechanism = mechanism;
}

int32_t StreamLastError(const StreamObjectFields* stream, int32_t savedError) {
  return stream->mechanism ? stream->mechanism->lastError : savedError;
}

RandomAccessMechanism* OpenHandleMechanism(int32_t handle, int32_t type) {
  DataFile* file = DataFile::Create();
  if (!QV_CHECK_TEXT(file, "obj->mechanism", nullptr)) return nullptr;
  if (!file->OpenDescriptor(static_cast<intptr_t>(handle), type)) {
    delete file;
    RaiseNewException(UnsupportedFormatExceptionDefinition());
    return nullptr;
  }
  return file;
}

int32_t StreamHandle(const StreamObjectFields* stream, int32_t type) {
  if (!stream->mechanism) return -1;
  return static_cast<int32_t>(stream->mechanism->GetHandle(type));
}

uint64_t KnownPosition(RandomAccessMechanism& mechanism) {
  const int64_t position = mechanism.GetPosition();
  return position > 0 ? uint64_t(position) : 0;
}

uint64_t KnownLength(RandomAccessMechanism& mechanism) {
  const int64_t length = mechanism.GetLength();
  return length >= 0 ? uint64_t(length) : KnownPosition(mechanism);
}

namespace {

bool Answered(RandomAccessMechanism& mechanism, bool (RandomAccessMechanism::*change)(uint64_t),
              uint64_t value) {
  const int32_t before = mechanism.lastError;
  mechanism.lastError = 0;
  const bool done = (mechanism.*change)(value);
  if (mechanism.lastError == 0) mechanism.lastError = done ? before : EINVAL;
  return done;
}

}  // namespace

bool SetStreamPosition(RandomAccessMechanism& mechanism, uint64_t position) {
  return Answered(mechanism, &RandomAccessMechanism::SetPosition, position);
}

bool SetStreamLength(RandomAccessMechanism& mechanism, uint64_t length) {
  return Answered(mechanism, &RandomAccessMechanism::SetLength, length);
}
