#include "database/JPEGValues.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "app/FolderItemImp.h"
#include "core/ExceptionClasses.h"
#include "core/RaiseException.h"
#include "core/TemporaryFile.h"
#include "files/BinaryStream.h"
#include "files/DataFile.h"
#include "files/FolderItemClass.h"

namespace {

JPEGPictureConverters gConverters{};

// A new empty file in the temporary folder, as a FolderItem (the caller's), or nil.
RuntimeObject* NewTemporaryFile() {
  FolderItemImp* folder = TemporaryFolderItem();
  if (!folder) return nullptr;
  const std::string in = folder->GetPath().CString();
  delete folder;
  TemporaryFile file;
  if (!file.Make(in, std::string()) || !file.Close()) return nullptr;
  const std::string& path = file.Path();
  RuntimeObject* item =
      NewFolderItemObject(string::FromBytes(path.data(), int64_t(path.size()), kEncodingUTF8));
  if (item) file.Keep();
  return item;
}

// The item's file opened through a new BinaryStream (the caller's), or nil.
BinaryStreamObject* OpenStream(RuntimeObject* item, int32_t permission) {
  DataFile* file = DataFile::Create();
  const string path = string::Adopt(fileAbsolutePathGetter(item, 0));
  if (file && !file->Open(path, permission)) {
    delete file;
    return nullptr;
  }
  return reinterpret_cast<BinaryStreamObject*>(file ? NewBinaryStream(file) : nullptr);
}

void CloseStream(BinaryStreamObject* stream) {
  BinaryStreamClose(stream);
  RuntimeUnlockObject(&stream->header);
}

// Written only when the close went through too: the bytes may wait in a buffer until then.
bool WriteBytes(RuntimeObject* item, const string& bytes) {
  BinaryStreamObject* stream = OpenStream(item, kDataFileReadWrite);
  if (!stream) return false;
  BinaryStreamWrite(stream, bytes.Storage());
  BinaryStreamClose(stream);
  const bool written = BinaryStreamLastErrorGetter(stream) == 0;
  RuntimeUnlockObject(&stream->header);
  return written;
}

bool ReadBytes(RuntimeObject* item, string* bytes) {
  BinaryStreamObject* stream = OpenStream(item, kDataFileReadOnly);
  if (!stream) return false;
  const uint64_t length = BinaryStreamGetLength(stream, 0);
  if (length > UINT32_MAX) {
    CloseStream(stream);
    const string message("Cannot convert JPEGs that are larger than &hFFFFFF bytes long");
    RaiseNewExceptionWithMessage(UnsupportedFormatExceptionDefinition(), message.Storage(), 0);
    return false;
  }
  bool read = length <= kMaxStringLength;
  if (read && length > 0) {
    *bytes = string::Adopt(BinaryStreamRead(stream, int32_t(length), nullptr));
    read = uint64_t(bytes->Length()) == length;
  }
  CloseStream(stream);
  return read;
}

}  // namespace

JPEGPictureConverters SetJPEGPictureConverters(const JPEGPictureConverters& converters) {
  const JPEGPictureConverters previous = gConverters;
  gConverters = converters;
  return previous;
}

RuntimeObject* PictureFromJPEGBytes(const string& bytes) {
  if (!gConverters.read) return nullptr;
  RuntimeObject* item = NewTemporaryFile();
  if (!item) return nullptr;
  RuntimeObject* picture = WriteBytes(item, bytes) ? gConverters.read(item) : nullptr;
  FolderItemDelete(item);
  RuntimeUnlockObject(item);
  return picture;
}

bool JPEGBytesOfPicture(RuntimeObject* picture, string* bytes) {
  if (!picture || !gConverters.write) return false;
  RuntimeObject* item = NewTemporaryFile();
  if (!item) return false;
  const bool saved = gConverters.write(picture, item) && ReadBytes(item, bytes);
  FolderItemDelete(item);
  RuntimeUnlockObject(item);
  return saved;
}
