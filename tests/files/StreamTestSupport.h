// What the stream tests share: streams over real files, results as std::string, a mechanism
// that hands out its bytes a few at a time (as a slow pipe does), and a child's output on a pipe.
#pragma once

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/RuntimeObject.h"
#include "files/DataFile.h"
#include "files/RandomAccessMechanism.h"
#include "strings/RuntimeString.h"

namespace streamtest {

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A data file on path, opened with permission (0: created or emptied), or nil.
inline DataFile* OpenData(const std::string& path, int32_t permission = kDataFileReadOnly) {
  DataFile* file = DataFile::Create();
  const bool opened = permission ? file->Open(string(path.c_str()), permission)
                                 : file->OpenForWriting(string(path.c_str()));
  if (opened) return file;
  delete file;
  return nullptr;
}

// A result string record taken over: its bytes, and its encoding through *encoding.
inline std::string Text(stringStorage* record, TextEncoding* encoding = nullptr) {
  const string text = string::Adopt(record);
  if (encoding) *encoding = text.Encoding();
  return std::string(reinterpret_cast<const char*>(text.Bytes()), size_t(text.Length()));
}

// Holds a language object for the test and releases it at the end.
template <typename T>
struct Held {
  T* object;
  explicit Held(RuntimeObject* made) : object(reinterpret_cast<T*>(made)) {}
  ~Held() { RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(object)); }
  T* operator->() const { return object; }
  operator T*() const { return object; }
};

// Bytes handed out at most `step` at a time; its length is unknown, as a pipe's.
class TrickleMechanism : public RandomAccessMechanism {
 public:
  TrickleMechanism(std::string bytes, int32_t step) : mBytes(std::move(bytes)), mStep(step) {}
  bool Read(void* buffer, int32_t count, int32_t* bytesRead) override {
    const int32_t n = std::min({count, mStep, int32_t(mBytes.size() - mPosition)});
    std::memcpy(buffer, mBytes.data() + mPosition, size_t(n));
    mPosition += n;
    if (bytesRead) *bytesRead = n;
    return n > 0;
  }
  bool Write(const void*, int32_t) override { return false; }
  bool Close() override { return true; }
  bool IsEOF() override { return mPosition >= int32_t(mBytes.size()); }
  bool SetPosition(uint64_t) override { return false; }
  int64_t GetLength() override { return -1; }
  bool SetLength(uint64_t) override { return false; }
  int64_t GetPosition() override { return mPosition; }

 private:
  std::string mBytes;
  int32_t mStep;
  int32_t mPosition = 0;
};

// The read end of a pipe on which program's standard output arrives; *child to wait for.
inline int OutputOf(const std::vector<std::string>& argv, pid_t* child) {
  int ends[2];
  if (pipe(ends) != 0) return -1;
  std::vector<char*> words;
  for (const std::string& word : argv) words.push_back(const_cast<char*>(word.c_str()));
  words.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, ends[0]);
  posix_spawn_file_actions_addclose(&actions, ends[1]);
  const int error = posix_spawnp(child, words[0], &actions, nullptr, words.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ends[1]);
  if (error == 0) return ends[0];
  close(ends[0]);
  return -1;
}

inline int WaitFor(pid_t child) {
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace streamtest
