// What every fuzz target shares: one-time set-up, the scope of one input, reports kept off
// standard error, a reader that takes fields off the front of the input, and the check that
// stops a run when a property fails (libFuzzer keeps the input that tripped it).
//
// A target is fuzz/<name>_fuzz.cpp defining LLVMFuzzerTestOneInput; its seed corpus lies in
// fuzz/corpus/<name>/ and the inputs of its past findings in fuzz/regressions/<name>/. One whose
// first line starts "// fuzz-display:" runs on a display of its own (scripts/with-display).
#pragma once

#include <locale.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/CLocale.h"
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

// One input's run, from the set-up to the end. At the end the large blocks the run freed go
// back to the system, as the main loop gives them back when idle: libFuzzer counts mallocs
// against frees, and a run that keeps freed blocks looks unbalanced, which makes it run the
// input again (and then a full leak check) on most inputs.
class InputScope {
 public:
  InputScope() { InitializeOnce(); }
  ~InputScope() { ReleaseLargeBlockCache(); }
  InputScope(const InputScope&) = delete;
  InputScope& operator=(const InputScope&) = delete;
};

// A comma-decimal locale, made once (setlocale on every input cost more than many a target's
// work); nullptr where the system has none.
inline locale_t CommaDecimalLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "de_DE.UTF-8", locale_t(nullptr));
  return locale;
}

// A locale made this thread's for a scope. The C library's separators (nl_langinfo) and its
// printf and strtod read the thread's locale, so this is what the user's setlocale would give
// them; nullptr stands for the C locale.
class ThreadLocale {
 public:
  explicit ThreadLocale(locale_t locale) : mPrevious(uselocale(locale ? locale : CLocale())) {}
  ~ThreadLocale() { uselocale(mPrevious); }
  ThreadLocale(const ThreadLocale&) = delete;
  ThreadLocale& operator=(const ThreadLocale&) = delete;

 private:
  locale_t mPrevious;
};

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
