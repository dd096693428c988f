// Where a routine keeps the return address its caller pushed, read from the call-frame
// information the compiler emits for the framework (.eh_frame).
//
// A routine that realigns its stack builds its frame record below the alignment pad with a
// copy of the return address in it, and returns through the original, which lies 4 to 16
// bytes higher; which of those words it is depends on the caller's stack pointer, and only the
// routine's call-frame information says. Compiled image code has none: its frames hold the
// return address right above the saved frame pointer.
#pragma once

#include <cstdint>

struct StackFrameRecord;

// The slot from which the routine whose frame record is frame returns, given an address inside
// that routine's code at which it is suspended in a call (the return address its callee
// holds). Nil when the code has no call-frame information, or the information locates the
// return address other than through the frame pointer.
const uint8_t** FindReturnAddressSlot(const void* codeInRoutine, const StackFrameRecord* frame);
