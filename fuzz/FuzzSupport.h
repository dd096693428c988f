// What every fuzz target shares: one-time set-up, reports kept off standard error, a reader
// that takes fields off the front of the input, and the check that stops a run when a
// property fails (libFuzzer keeps the input that tripped it).
//
// A target is fuzz/<name>_fuzz.cpp defining LLVMFuzzerTestOneInput; its seed corpus lies in
// fuzz/corpus/<name>/ and the inputs of its past findings in fuzz/regressions/<name>/. One whose
// first line starts "// fuzz-display:" runs on a display of its own (scripts/with-display).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/Memory.h"
#include "core/RuntimeError.h"

namespace qvfuzz {

// Reports are the expected answer to bad input; printing each would drown the fuzzer.
inline void DiscardReport(const RuntimeErrorReportInfo&, void*) {}

inline void InitializeOnce() {
  static bool done = [] {
    initializeMemoryCriticalSection();
    SetRuntimeErrorReportHook(&DiscardReport, nullptr);
    return true;
  }();
  (void)done;
}

// Fields off the front of the input; a field past the end reads as zeros.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size) : mData(data), mSize(size) {}

  uint8_t Byte() {
    if (mPosition >= mSize) return 0;
    return mData[mPosition++];
  }
  uint64_t Word64() {
    uint64_t value = 0;
    size_t n = mSize - mPosition < 8 ? mSize - mPosition : 8;
    std::memcpy(&value, mData + mPosition, n);
    mPosition += n;
    return value;
  }
  // The bytes up to the next NUL (which is consumed), or to the end.
  std::string Text() {
    const void* nul = std::memchr(mData + mPosition, 0, mSize - mPosition);
    size_t end = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - mData) : mSize;
    std::string text(reinterpret_cast<const char*>(mData + mPosition), end - mPosition);
    mPosition = nul ? end + 1 : end;
    return text;
  }
  bool AtEnd() const { return mPosition >= mSize; }
  std::string Rest() {
    std::string text(reinterpret_cast<const char*>(mData + mPosition), mSize - mPosition);
    mPosition = mSize;
    return text;
  }

 private:
  const uint8_t* mData;
  size_t mSize;
  size_t mPosition = 0;
};

[[noreturn]] inline void PropertyFailed(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
  std::abort();
}

}  // namespace qvfuzz

#define QV_FUZZ_EXPECT(cond) \
  ((cond) ? (void)0 : qvfuzz::PropertyFailed(__FILE__, __LINE__, #cond))
