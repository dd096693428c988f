// Raising language exceptions and unwinding the compiled frames to their handlers.
//
// A raise records the compiled functions on the call chain into the exception's Stack, lets the
// raise hook look at it, then walks the saved frame pointers. For each return address that lies
// in the image's code it scans the code that follows for the handler marker the compiler placed
// there; the first handler found is entered by rewriting the return address of the frame just
// below its function, so every routine in between (framework or compiled) returns normally and
// the raise itself returns. Without a handler the unhandled hook, or the error report, takes over.
//
// Frame walks never leave the current thread's stack (its recorded top) and never move
// downwards. They stop at the innermost call barrier (CompiledCall.h): the frame from which the
// framework called the compiled code now running; an exception no handler below it takes goes
// the unhandled path for that call. They also stop at a frame called from code that keeps no
// frame pointer (GTK, plug-ins, the C library), whose saved link may be anything. The handler
// scan never reads outside the image's code block, so no byte pattern in the framework or a
// system library is ever taken for a handler.
#pragma once

#include <cstdint>
#include <vector>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

struct ImageSymbol;

// Marker words of a handler header (the word at offset 5).
constexpr uint32_t kHandlerEntryMarker = 0x411;
constexpr uint32_t kOpenRegionMarker = 0x412;
constexpr uint32_t kCloseRegionMarker = 0x413;
// Header layout: jump opcode, displacement, marker word, zero, variable offset, handler code.
constexpr uint32_t kHandlerMarkerOffset = 5;
constexpr uint32_t kHandlerVariableOffset = 11;
constexpr uint32_t kHandlerHeaderSize = 13;
// A caller's frame further above its callee's ends the unwinder's search.
constexpr uint32_t kMaxFrameDistance = 0x1000;

// The pair that starts every frame-pointer frame.
struct StackFrameRecord {
  StackFrameRecord* savedFrame;  // the caller's frame
  const uint8_t* returnAddress;  // into the caller's code
};
static_assert(sizeof(StackFrameRecord) == 8, "a frame record is two words");

using ExceptionHook = void (*)(RuntimeObject* exception);
using StackFrameCallback = void (*)(StackFrameRecord* frame, void* context);

extern "C" {
void RuntimeRaiseException(RuntimeObject* exception);
void RuntimeReraiseException(RuntimeObject* exception);
void RuntimeUnhandledException(RuntimeObject* exception);
void SetRaiseExceptionHook(ExceptionHook hook);
void SetUnhandledExceptionHook(ExceptionHook hook);
}

// Calls callback for each frame from first up the chain (see the header comment for the bounds).
void WalkStackFrames(StackFrameRecord* first, StackFrameCallback callback, void* context);
// The image symbol holding the frame's return address and the distance from it; false for an
// address outside the compiled code.
bool LookupStackFrameSymbol(const StackFrameRecord* frame, string* name, uint32_t* offset);
// The header of the handler that covers the code after address, or nil.
const uint8_t* FindExceptionHandler(const uint8_t* address);
// Unwinds to the nearest handler above the caller, or takes the unhandled path.
void ThrowToHandler(RuntimeObject* exception);
// The frame of the routine that called the caller.
StackFrameRecord* GetCallerFrame();

// True when address lies in the framework's own code (the executable's text), not in compiled
// code, a plug-in or a system library.
bool IsFrameworkCode(const void* address);

// Where compiled code lies and what its functions are called: the loader names its image's
// code block and symbols here when it installs the image; a test that links its own
// compiled-style functions names theirs. Until then (and after a nil begin) no code is
// compiled code. symbols may be nil (no names, no function bounds) and must outlive the
// setting.
void SetCompiledCodeRange(const uint8_t* begin, uint32_t size,
                          const std::vector<ImageSymbol>* symbols);
