#include "app/TemporaryFiles.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/TempFileShutDownTask.h"
#include "core/RuntimeError.h"
#include "core/TemporaryFile.h"

// Forgets itself in its set when it runs, so that a file written later gets a new task.
class TemporaryFileSet::Task : public TempFileShutDownTask {
 public:
  explicit Task(Task** owner) : mOwner(owner) {}
  ~Task() override {
    if (*mOwner == this) *mOwner = nullptr;
  }

 private:
  Task** mOwner;
};

bool WriteAllToDescriptor(int fd, const uint8_t* data, uint32_t length) {
  while (length > 0) {
    const ssize_t written = ::write(fd, data, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    length -= uint32_t(written);
  }
  return true;
}

FolderItemImp* TemporaryFileSet::Write(const FolderItemImp& folder, const uint8_t* data,
                                       uint32_t length, const char* extension) {
  const std::string in = folder.GetPath().CString();
  TemporaryFile file;
  if (!QV_CHECK_TEXT(file.Make(in, std::string(), extension), "temporaryFile",
                     ("Could not create a file in " + in).c_str()))
    return nullptr;
  const std::string path = file.Path();
  const bool written = WriteAllToDescriptor(file.Descriptor(), data, length);
  FolderItemImp* item = nullptr;
  if (file.Close() && written)
    item = FolderItemForPath(string::FromBytes(path.data(), int64_t(path.size()), kEncodingUTF8));
  if (!QV_CHECK_TEXT(item, "temporaryFile", ("Could not write the file " + path).c_str()))
    return nullptr;
  file.Keep();
  if (!mTask) mTask = new Task(&mTask);
  mTask->AddItem(item);
  return item;
}

FolderItemImp* TemporaryFileSet::WriteOnce(int32_t key, const FolderItemImp& folder,
                                           const uint8_t* data, uint32_t length,
                                           const char* extension) {
  FolderItemImp* written = nullptr;
  if (mOnce.GetEntry(key, &written) && written->Exists()) return written->Clone();
  FolderItemImp* item = Write(folder, data, length, extension);
  if (!item) return nullptr;
  delete written;
  mOnce.AddEntry(key, item->Clone());
  return item;
}
