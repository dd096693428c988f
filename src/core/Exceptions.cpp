#include "core/Exceptions.h"

#include <cstring>

#include "arrays/RuntimeArray.h"
#include "core/CodeSymbols.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "core/FrameLayout.h"
#include "core/RuntimeError.h"
#include "core/RuntimeThread.h"

namespace {

ExceptionHook gRaiseHook = nullptr;
ExceptionHook gUnhandledHook = nullptr;

struct CodeRange {
  const uint8_t* begin = nullptr;
  uint32_t size = 0;
  const std::vector<ImageSymbol>* symbols = nullptr;  // nil: none
};
CodeRange gCompiledCode;

const CodeRange& CompiledCode() { return gCompiledCode; }

const std::vector<ImageSymbol>& NoSymbols() {
  static const std::vector<ImageSymbol> none;
  return none;
}

// True when the n bytes from p all lie in the compiled code.
bool InCompiledCode(const uint8_t* p, uint32_t n) {
  const CodeRange& code = CompiledCode();
  if (!code.begin || p < code.begin) return false;
  return uint64_t(p - code.begin) + n <= code.size;
}

// Where the framework's own code lies: the executable from its first byte to the end of its text.
extern "C" const uint8_t __executable_start[], etext[];

bool InFrameworkCode(const uint8_t* p) { return p >= __executable_start && p < etext; }

// Only the framework and compiled code keep frame pointers. A frame whose return address lies
// anywhere else was called by foreign code (GTK, a plug-in, the C library), whose EBP may hold
// anything, so its saved link is no frame: a walk ends there.
bool CallerKeepsFramePointer(const StackFrameRecord* frame) {
  return InFrameworkCode(frame->returnAddress) || InCompiledCode(frame->returnAddress, 1);
}

// The highest address a walk may reach: the thread's stack top, or the frame of the innermost
// call into compiled code, whichever is lower. Above that barrier lie frames that called the
// compiled code (GTK, a plug-in, an outer call), which this raise must leave alone.
uintptr_t WalkLimit() {
  const RuntimeThreadImp* thread = GetCurrentThreadRecord();
  const uintptr_t top = thread->GetStackTop();
  const CallBarrier* barrier = thread->InnermostBarrier();
  return barrier && barrier->frame < top ? barrier->frame : top;
}

// A frame whose two words lie below the stack top.
bool FrameBelowTop(const StackFrameRecord* frame, uintptr_t top) {
  const uintptr_t at = reinterpret_cast<uintptr_t>(frame);
  return frame && uint64_t(at) + sizeof(StackFrameRecord) <= top;
}

uint32_t ReadWord(const uint8_t* p) {
  uint32_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

int16_t ReadVariableOffset(const uint8_t* header) {
  int16_t offset;
  std::memcpy(&offset, header + kHandlerVariableOffset, sizeof offset);
  return offset;
}

// Hands the exception, with a reference of its own, to the handler's variable; a variable that
// would lie above the stack top is not written.
void StoreInHandlerVariable(const uint8_t* handler, StackFrameRecord* handlerFrame, uintptr_t top,
                            RuntimeObject* exception) {
  const int16_t variable = ReadVariableOffset(handler);
  if (!variable) return;
  const uint64_t at = uint64_t(reinterpret_cast<uintptr_t>(handlerFrame)) + int64_t(variable);
  if (!QV_CHECK_TEXT(at + sizeof(RuntimeObject*) <= top, "handler variable lies in the stack",
                     nullptr))
    return;
  *reinterpret_cast<RuntimeObject**>(uintptr_t(at)) = exception;
  RuntimeLockObject(exception);
}

// Sends the frame's routine back to target instead of its return address. codeInRoutine is an
// address inside that routine (the return address its callee holds). A framework routine that
// realigned its stack returns through the original return address, above the alignment pad:
// its call-frame information shows which word that is, and that word alone is rewritten
// besides the frame record's copy. Words that merely hold the same value (an argument, a local
// of the compiled caller) are never touched, and nothing at or above the caller's frame is.
void RedirectReturn(StackFrameRecord* frame, const void* codeInRoutine,
                    StackFrameRecord* callerFrame, const uint8_t* target) {
  const uint8_t** slot = FindReturnAddressSlot(codeInRoutine, frame);
  auto** const copy = &frame->returnAddress;
  auto** const end = reinterpret_cast<const uint8_t**>(callerFrame);
  if (slot > copy && slot < end && *slot == *copy) *slot = target;
  *copy = target;
}

// The address this routine's caller will return to: an address inside the caller's code.
[[gnu::noinline]] const void* CodeAddressOfCaller() { return __builtin_return_address(0); }

// Appends the compiled function named by the frame's return address to the Stack array.
void AppendStackFrameName(StackFrameRecord* frame, void* context) {
  if (!QV_CHECK_TEXT(context, "userData", nullptr)) return;
  string name;
  if (!LookupStackFrameSymbol(frame, &name, nullptr) || name.IsEmpty()) return;
  auto* stack = static_cast<RuntimeArray*>(context);
  const int32_t upper = stack->table->ubound(stack, 1);
  reinterpret_cast<void (*)(RuntimeArray*, int32_t, stringStorage*)>(stack->table->insert)(
      stack, upper + 1, name.Storage());
}

// The exception's Stack emptied, made anew when compiled code left none.
RuntimeArray* EmptiedStack(RuntimeExceptionObject* exception) {
  RuntimeArray*& stack = exception->stack;
  if (!stack) stack = CreateArray(1, kArrayString, -1);
  if (!stack) return nullptr;
  reinterpret_cast<void (*)(RuntimeArray*, int32_t)>(stack->table->redim)(stack, -1);
  return stack;
}

// Kept out of line so that GetCallerFrame names the raising routine's own frame, whose return
// address lies in the code that raised.
[[gnu::noinline]] void RecordStackTrace(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(IsExceptionObject(object), "raised object is an exception", nullptr)) return;
  RuntimeArray* stack = EmptiedStack(AsException(object));
  if (!stack) return;
  WalkStackFrames(GetCallerFrame(), &AppendStackFrameName, stack);
}

}  // namespace

void SetCompiledCodeRange(const uint8_t* begin, uint32_t size,
                          const std::vector<ImageSymbol>* symbols) {
  gCompiledCode = begin ? CodeRange{begin, size, symbols} : CodeRange{};
}

[[gnu::noinline]] StackFrameRecord* GetCallerFrame() {
  auto* own = static_cast<StackFrameRecord*>(__builtin_frame_address(0));
  return own->savedFrame ? own->savedFrame->savedFrame : nullptr;
}

// Each step must move up the stack: a damaged or cyclic chain ends the walk.
void WalkStackFrames(StackFrameRecord* first, StackFrameCallback callback, void* context) {
  const uintptr_t top = WalkLimit();
  StackFrameRecord* frame = first;
  if (!callback || !FrameBelowTop(frame, top) || !frame->savedFrame) return;
  for (;;) {
    callback(frame, context);
    if (!CallerKeepsFramePointer(frame)) return;
    StackFrameRecord* next = frame->savedFrame;
    if (next <= frame || !FrameBelowTop(next, top) || !next->savedFrame) return;
    frame = next;
  }
}

bool LookupStackFrameSymbol(const StackFrameRecord* frame, string* name, uint32_t* offset) {
  if (!frame) return false;
  const uint8_t* address = frame->returnAddress;
  if (!InCompiledCode(address, 1)) return false;
  const CodeRange& code = CompiledCode();
  const uint32_t at = uint32_t(reinterpret_cast<uintptr_t>(address));
  if (!code.symbols) return false;
  return FindImageSymbol(*code.symbols, uint32_t(reinterpret_cast<uintptr_t>(code.begin)),
                         code.size, at, name, offset);
}

// The scan reads bytes, not instructions, exactly as the compiler's markers expect. It stops
// where the next function of the image begins: a jump opcode inside a call's displacement can
// step over the function's end, and the next function's handler is never this one's.
const uint8_t* FindExceptionHandler(const uint8_t* address) {
  if (!QV_CHECK_TEXT(address, "ptr", nullptr)) return nullptr;
  const CodeRange& code = CompiledCode();
  if (!InCompiledCode(address, 1)) return nullptr;
  const std::vector<ImageSymbol>& symbols = code.symbols ? *code.symbols : NoSymbols();
  const uint8_t* end =
      code.begin + SymbolBoundaryAfter(symbols, code.size, uint32_t(address - code.begin));
  auto fits = [end](const uint8_t* p, uint32_t n) { return uint64_t(end - p) >= n; };
  int32_t depth = 0;
  for (const uint8_t* p = address; fits(p, 1);) {
    if ((p[0] == 0xC9 || p[0] == 0x5D) && fits(p, 2) && p[1] == 0xC3) return nullptr;
    const bool nearJump = p[0] == 0xE9;
    if ((!nearJump && p[0] != 0xEB) || !fits(p, kHandlerMarkerOffset + 4)) {
      ++p;
      continue;
    }
    const uint32_t marker = ReadWord(p + kHandlerMarkerOffset);
    if (marker == kHandlerEntryMarker && depth == 0) {
      return fits(p, kHandlerHeaderSize + 1) ? p : nullptr;
    }
    if (marker == kOpenRegionMarker) ++depth;
    if (marker == kCloseRegionMarker && depth > 0) --depth;
    const bool isMarker = marker == kHandlerEntryMarker || marker == kOpenRegionMarker ||
                          marker == kCloseRegionMarker;
    p += isMarker ? 1 : (nearJump ? 5 : 2);
  }
  return nullptr;
}

// Inline into no caller: the walk starts at this routine's own frame, whose return address
// lies in the framework, and only addresses in compiled code are considered.
[[gnu::noinline]] void ThrowToHandler(RuntimeObject* exception) {
  const uintptr_t top = WalkLimit();
  auto* frame = static_cast<StackFrameRecord*>(__builtin_frame_address(0));
  const void* codeInRoutine = CodeAddressOfCaller();  // inside this routine, for its frame
  for (;;) {
    StackFrameRecord* link = frame->savedFrame;
    const uintptr_t from = reinterpret_cast<uintptr_t>(frame);
    const uintptr_t to = reinterpret_cast<uintptr_t>(link);
    if (to <= from || !FrameBelowTop(link, top) || to - from > kMaxFrameDistance) break;
    const uint8_t* handler =
        InCompiledCode(frame->returnAddress, 1) ? FindExceptionHandler(frame->returnAddress)
                                                : nullptr;
    if (handler) {
      StoreInHandlerVariable(handler, link, top, exception);
      RedirectReturn(frame, codeInRoutine, link, handler + kHandlerHeaderSize);
      return;
    }
    if (!CallerKeepsFramePointer(frame)) break;
    codeInRoutine = frame->returnAddress;
    frame = link;
  }
  RuntimeUnhandledException(exception);
}

extern "C" void RuntimeRaiseException(RuntimeObject* exception) {
  if (!exception) return;
  RecordStackTrace(exception);
  if (gRaiseHook) gRaiseHook(exception);
  ThrowToHandler(exception);
}
QV_EXPORT(RuntimeRaiseException)

extern "C" void RuntimeReraiseException(RuntimeObject* exception) {
  if (!exception) return;
  ThrowToHandler(exception);
}
QV_EXPORT(RuntimeReraiseException)

extern "C" void RuntimeUnhandledException(RuntimeObject* exception) {
  if (CallBarrier* barrier = GetCurrentThreadRecord()->InnermostBarrier()) {
    ++barrier->unhandledCount;
  }
  if (gUnhandledHook) {
    gUnhandledHook(exception);
    return;
  }
  QV_FAIL(nullptr);
}
QV_EXPORT(RuntimeUnhandledException)

extern "C" void SetRaiseExceptionHook(ExceptionHook hook) { gRaiseHook = hook; }
extern "C" void SetUnhandledExceptionHook(ExceptionHook hook) { gUnhandledHook = hook; }

bool IsFrameworkCode(const void* address) {
  return InFrameworkCode(static_cast<const uint8_t*>(address));
}
