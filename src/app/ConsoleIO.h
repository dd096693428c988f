// The standard descriptors as console programs use them: whole writes to standard output and
// error, and line and block reads from standard input through one process-wide buffer, so
// that every StandardInputStream object, Input and ReadLine read one stream in order.
//
// Writes go out completely before they return (partial writes and interruptions retried, a
// termination signal too: its end waits for the next read or main-loop pass), so nothing
// waits in a buffer when the process ends. A write that fails (a closed pipe: SIGPIPE
// is ignored) marks its descriptor's write error. Reads block until data, the end of input or
// an error; a termination signal meanwhile ends the process as it does in the main loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr int kStandardInput = 0;
constexpr int kStandardOutput = 1;
constexpr int kStandardError = 2;

// Writes length bytes to fd (1 or 2); false on failure, which also sets its write error.
bool ConsoleWrite(int fd, const void* bytes, size_t length);
bool ConsoleWriteFailed(int fd);

// The next line without its end ("\n", or "\r\n"); the last line may lack its end. False
// with nothing read at the end of input or on a read error. A line longer than
// kConsoleLineLimit bytes is returned in pieces of that many, and the first sets the read
// error: the memory a line takes is bounded, whatever comes down the pipe.
constexpr size_t kConsoleLineLimit = size_t{16} << 20;
bool ConsoleReadLine(std::string* line);
// Up to count bytes: what is buffered, or else what one read brings; "" at the end of input.
std::string ConsoleRead(int32_t count);
// True when nothing is left to read: with nothing buffered, it waits to find out.
bool ConsoleInputAtEnd();
bool ConsoleReadFailed();

// Tests read a descriptor of their own in place of standard input; this also forgets what is
// buffered and the end and error seen.
void SetConsoleInputDescriptorForTesting(int fd);
