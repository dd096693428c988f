// The debugger's statement hook while the program runs, with a 100,000-entry breakpoint table
// and no breakpoint set, beside a call of an empty function; and a "DW" round trip to a stopped
// program over the local socket beside the same exchange answered by a plain loop over two
// plain sockets. The IDE's side is plain sockets in both. The round trips are answered by
// another thread while the timed one waits for each reply, so they are timed in real time.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BenchRatio.h"
#include "app/DebuggerControl.h"
#include "core/Memory.h"
#include "core/Startup.h"
#include "image/ApplicationImage.h"
#include "net/DebuggerSocketConnections.h"

namespace {

constexpr int kRoundTrips = 1000;
constexpr int32_t kStatements = 100000;

int gIDE = -1;               // the IDE's end of the debugger link
uint32_t gWatched = 0x1234;  // what "DW" reads

// Reads one line (through its carriage return) from fd, a byte buffer at a time.
class LineReader {
 public:
  explicit LineReader(int fd) : mFd(fd) {}
  std::string Next() {
    for (;;) {
      const size_t end = mBuffer.find('\r');
      if (end != std::string::npos) {
        std::string line = mBuffer.substr(0, end);
        mBuffer.erase(0, end + 1);
        return line;
      }
      char chunk[4096];
      const ssize_t n = read(mFd, chunk, sizeof chunk);
      if (n <= 0) std::abort();
      mBuffer.append(chunk, size_t(n));
    }
  }

 private:
  int mFd;
  std::string mBuffer;
};

void WriteAll(int fd, const std::string& text) {
  if (write(fd, text.data(), text.size()) != ssize_t(text.size())) std::abort();
}

// The IDE's part: kRoundTrips reads of the watched word, each reply awaited.
void ReadWordRepeatedly(int fd, LineReader& reader) {
  char request[32];
  std::snprintf(request, sizeof request, "DW %08X\r", unsigned(uintptr_t(&gWatched)));
  for (int i = 0; i < kRoundTrips; ++i) {
    WriteAll(fd, request);
    if (reader.Next().compare(0, 5, "VAL32") != 0) std::abort();
  }
}

extern "C" [[gnu::noinline]] void EmptyStatement(int32_t statement) {
  benchmark::DoNotOptimize(statement);
}

// Calls statement with the numbers of the table in turn.
template <void (*statement)(int32_t)>
void EachStatement(benchmark::State& state) {
  int32_t number = 0;
  for (auto _ : state) {
    statement(number);
    number = number + 1 == kStatements ? 0 : number + 1;
  }
}

void BM_StatementHook(benchmark::State& state) { EachStatement<RuntimeDebuggerEntry>(state); }
BENCHMARK(BM_StatementHook);

void BM_EmptyFunctionCall(benchmark::State& state) { EachStatement<EmptyStatement>(state); }
BENCHMARK(BM_EmptyFunctionCall);

// The program stops in a thread of its own (the only one touching the framework meanwhile)
// and answers until "RUN".
void BM_DebuggerReadRoundTrips(benchmark::State& state) {
  LineReader reader(gIDE);
  for (auto _ : state) {
    std::thread program(RuntimeDebuggerBreak);
    reader.Next();  // the stop's "BREAK"
    ReadWordRepeatedly(gIDE, reader);
    WriteAll(gIDE, "RUN\r");
    program.join();
  }
  state.SetItemsProcessed(state.iterations() * kRoundTrips);
}
BENCHMARK(BM_DebuggerReadRoundTrips)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same lines answered by a loop that parses the address, reads the word and replies.
void PlainResponder(int fd) {
  LineReader reader(fd);
  for (std::string line; (line = reader.Next()) != "RUN";) {
    uint32_t word = 0;
    std::memcpy(&word, reinterpret_cast<void*>(std::strtoul(line.c_str() + 3, nullptr, 16)), 4);
    char reply[64];
    std::snprintf(reply, sizeof reply, "VAL32 %s %08X\r", line.c_str() + 3, unsigned(word));
    WriteAll(fd, reply);
  }
}

void BM_PlainReadRoundTrips(benchmark::State& state) {
  int pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) std::abort();
  LineReader reader(pair[0]);
  for (auto _ : state) {
    std::thread program(PlainResponder, pair[1]);
    ReadWordRepeatedly(pair[0], reader);
    WriteAll(pair[0], "RUN\r");
    program.join();
  }
  close(pair[0]);
  close(pair[1]);
  state.SetItemsProcessed(state.iterations() * kRoundTrips);
}
BENCHMARK(BM_PlainReadRoundTrips)->Unit(benchmark::kMillisecond)->UseRealTime();

// Links the program to an IDE on a local socket in a fresh folder: the first statement stops,
// and the IDE sets up the table and lets it run. The image's code block is large enough for
// that many statements.
void LinkToIDE() {
  static std::vector<uint8_t> code(5 * kStatements + 4096);
  ImageBlockSet blocks;
  blocks.bytes[qvimage::kBlockCode] = code.data();
  blocks.sizes[qvimage::kBlockCode] = uint32_t(code.size());
  InstallApplicationImage(blocks, {});
  char folder[] = "/tmp/qvbenchXXXXXX";
  if (!mkdtemp(folder)) std::abort();
  static std::string path = std::string(folder) + "/link";
  SetDebuggerLinkEndpoints(path.c_str(), 0);
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 1) != 0)
    std::abort();
  std::thread ide([listener] {
    gIDE = accept(listener, nullptr, nullptr);
    LineReader reader(gIDE);
    reader.Next();  // "BREAK 00000000"
    WriteAll(gIDE, "BRLA 000186A0\rRUN\r");
  });
  RuntimeDebuggerEntry(0);
  ide.join();
  close(listener);
  unlink(path.c_str());
  rmdir(folder);
}

}  // namespace

int main(int argc, char** argv) {
  initializeMemoryCriticalSection();
  RunStartupSteps(kStartupHooksBegin, kStartupHooksEnd);
  LinkToIDE();
  return qvbench::RunWithRatios(
      argc, argv,
      {{"BM_StatementHook", "BM_EmptyFunctionCall", 3},
       {"BM_DebuggerReadRoundTrips/real_time", "BM_PlainReadRoundTrips/real_time", 0}});
}
