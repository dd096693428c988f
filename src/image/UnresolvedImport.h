// What the sites of a function that linking could not resolve call instead.
//
// Each unresolved name gets a small stub in executable memory that reports the name when
// called and returns 0 in EAX and EDX, so compiled code that calls a missing function hears of
// it through the runtime error report instead of jumping to a wild address.
#pragma once

#include <cstdint>
#include <string>

// The stub's address for name (one stub per call; stubs live as long as the process), or null
// when executable memory cannot be had.
void* MakeUnresolvedImportStub(const std::string& name);

// Gives back every stub's memory: only when no linked code that calls one can run again (a fuzz
// target after each input; the loaded image's stubs live as long as the process).
void ReleaseUnresolvedImportStubs();

// The stub's work: reports that the function named was called without being linked.
extern "C" uint64_t ReportUnresolvedImportCall(const char* name);
