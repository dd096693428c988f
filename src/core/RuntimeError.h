// The runtime error report: the one failure path of every internal check.
//
// A failed check calls ReportRuntimeError (code 4 and the condition text). With a display the
// person chooses OK (the call returns) or Cancel (the process ends with status 0). Without a
// display, or before GTK is initialised, the report goes to standard error and returns as OK.
// After the report returns, the checking code does not go on as if the check had passed: it
// returns a neutral value (nil, 0, false) and writes nothing. QV_CHECK makes that one line:
//
//     if (!QV_CHECK(ptr)) return nullptr;
#pragma once

#include <cstdint>
#include <string>

enum RuntimeErrorCode : int16_t {
  kErrorPluginTOCLoadFailure = 1,
  kErrorInvalidClassDefinition = 2,
  kErrorUnknownClass = 3,
  kErrorFailedAssertion = 4,
  kErrorUnableToWriteToHandle = 5,
  kErrorCarbonLibRequired = 6,
  kErrorCannotConnectToDebugger = 7,
  kErrorUnhandledException = 8,
};

// The kind word the framework's own checks pass, and the one of the debugger link's report.
constexpr uint32_t kReportKindFramework = 131;
constexpr uint32_t kReportKindDebugger = 132;

extern "C" {
void ReportRuntimeError(uint32_t kind, int16_t code, const char* sourcePath, int32_t line,
                        const char* condition, const char* extra);
const char* RuntimeErrorText(int16_t code);
}

// The report's text, exactly as the dialog and standard error show it.
std::string FormatRuntimeErrorReport(int16_t code, const char* sourcePath, int32_t line,
                                     const char* condition, const char* extra);

// Tests install a hook that receives every report instead of the dialog or standard error.
// Pass nullptr to restore the normal path. Returns the previous hook.
struct RuntimeErrorReportInfo {
  uint32_t kind;
  int16_t code;
  const char* sourcePath;
  int32_t line;
  const char* condition;
  const char* extra;
};
using RuntimeErrorReportHook = void (*)(const RuntimeErrorReportInfo& info, void* context);
struct RuntimeErrorReportHookSlot {
  RuntimeErrorReportHook hook;
  void* context;
};
RuntimeErrorReportHookSlot SetRuntimeErrorReportHook(RuntimeErrorReportHook hook, void* context);

// The truth of a check, which its caller must act on: code that reports a failed check and
// then goes on as if it had passed does not build (the build makes the warning an error). A
// check after which the code deliberately goes on says so with (void).
[[nodiscard]] inline bool CheckHeld(bool held) { return held; }

// Reports a failed check with an explicit condition text and an optional extra text.
// Evaluates to the truth of cond so that callers can return early.
#define QV_CHECK_TEXT(cond, text, extra)                                                       \
  CheckHeld(__builtin_expect(!!(cond), 1)                                                      \
                ? true                                                                         \
                : (QV_FAIL_TEXT((text), (extra)), false))

#define QV_CHECK(cond) QV_CHECK_TEXT(cond, #cond, nullptr)
#define QV_CHECK_MSG(cond, extra) QV_CHECK_TEXT(cond, #cond, extra)

// An unconditional failure with its condition text: for a report whose caller has already
// decided to give up ("0" as the condition, as the framework has always spelled it, in QV_FAIL).
#define QV_FAIL_TEXT(text, extra)                                                              \
  ReportRuntimeError(kReportKindFramework, kErrorFailedAssertion, __FILE_NAME__, __LINE__,     \
                     (text), (extra))
#define QV_FAIL(extra) QV_FAIL_TEXT("0", (extra))
