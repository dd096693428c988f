#include "app/ConsoleIO.h"

#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include "app/TerminationSignals.h"

namespace {

constexpr size_t kReadChunk = 4096;

struct InputState {
  int fd = kStandardInput;
  std::string buffer;
  size_t position = 0;  // first unread byte of buffer
  bool atEnd = false;
  bool failed = false;
};

InputState& Input() {
  static InputState state;
  return state;
}

bool gWriteFailed[3] = {false, false, false};

size_t Buffered() { return Input().buffer.size() - Input().position; }

// Reads once more into the buffer; false at the end of input or on an error.
bool Fill() {
  InputState& in = Input();
  if (in.atEnd) return false;
  if (in.position > 0) {
    in.buffer.erase(0, in.position);
    in.position = 0;
  }
  const size_t had = in.buffer.size();
  for (;;) {
    if (WaitForDescriptor(in.fd, POLLIN, -1) < 0 && errno != EINTR) break;
    in.buffer.resize(had + kReadChunk);
    const ssize_t got = read(in.fd, in.buffer.data() + had, kReadChunk);
    in.buffer.resize(had + size_t(got > 0 ? got : 0));
    if (got > 0) return true;
    if (got == 0) {
      in.atEnd = true;
      return false;
    }
    if (errno != EINTR && errno != EAGAIN) break;
  }
  in.failed = in.atEnd = true;
  return false;
}

std::string Take(size_t count) {
  InputState& in = Input();
  std::string taken = in.buffer.substr(in.position, count);
  in.position += taken.size();
  return taken;
}

}  // namespace

bool ConsoleWrite(int fd, const void* bytes, size_t length) {
  const char* next = static_cast<const char*>(bytes);
  while (length > 0) {
    const ssize_t wrote = write(fd, next, length);
    if (wrote > 0) {
      next += wrote;
      length -= size_t(wrote);
      continue;
    }
    // A termination signal waits for the write to finish: the end runs at the next wait.
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0 && errno == EAGAIN && WaitForDescriptor(fd, POLLOUT, -1) >= 0) continue;
    if (fd >= 0 && fd < 3) gWriteFailed[fd] = true;
    return false;
  }
  return true;
}

bool ConsoleWriteFailed(int fd) { return fd >= 0 && fd < 3 && gWriteFailed[fd]; }

bool ConsoleReadLine(std::string* line) {
  InputState& in = Input();
  size_t searched = in.position;
  for (;;) {
    const size_t end = in.buffer.find('\n', searched);
    if (end != std::string::npos) {
      const size_t length = end - in.position;
      const size_t returnByte = length > 0 && in.buffer[end - 1] == '\r' ? 1 : 0;
      if (length - returnByte <= kConsoleLineLimit) {
        *line = Take(length - returnByte);
        in.position = end + 1;
        return true;
      }
    }
    // One byte more may be the carriage return of a line of the limit's length.
    if (end != std::string::npos || Buffered() > kConsoleLineLimit + 1) {
      *line = Take(kConsoleLineLimit);  // the rest stays for the next read
      in.failed = true;
      return true;
    }
    searched = in.buffer.size() - in.position;  // offsets move when Fill compacts
    if (!Fill()) break;
    searched += in.position;
  }
  *line = Take(Buffered());
  return !line->empty();
}

std::string ConsoleRead(int32_t count) {
  if (count <= 0) return std::string();
  if (Buffered() == 0) Fill();
  return Take(size_t(count));
}

bool ConsoleInputAtEnd() { return Buffered() == 0 && !Fill(); }

bool ConsoleReadFailed() { return Input().failed; }

void SetConsoleInputDescriptorForTesting(int fd) {
  Input() = InputState();
  Input().fd = fd;
}
