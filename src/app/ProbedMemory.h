// Reading and writing the program's own memory at addresses that come from outside (the
// remote debugger): every access is checked, so that an unmapped, freed or read-only address
// fails cleanly and changes nothing instead of crashing the program. Stale addresses (frames
// that have returned, objects that are gone) are the usual case, not an error.
//
// The kernel does the checking: process_vm_readv and process_vm_writev on the own process copy
// through the page tables and fail where a page is missing or, for writes, read-only. Where
// those calls are refused (a kernel without them, a seccomp filter), the mappings listed in
// /proc/self/maps decide instead.
#pragma once

#include <cstdint>

// size bytes at address into out; false, with out unspecified, when any of them cannot be read.
bool ReadOwnMemory(uintptr_t address, void* out, uint32_t size);
// Writes size bytes at address; false, with nothing written, when any of them cannot be.
bool WriteOwnMemory(uintptr_t address, const void* in, uint32_t size);
// Reads the bytes from address on up to size or the first that cannot be read; their count.
uint32_t ReadOwnMemoryPrefix(uintptr_t address, void* out, uint32_t size);
// Whether every byte of the range can be read (one probe per page).
bool IsReadable(uintptr_t address, uint32_t size);

// A language object on the live-object list; nothing at address is read.
bool IsLiveObject(uintptr_t address);
// A string record: header and data area readable, data right after the header, a count, and
// room for the text and its NUL.
bool IsStringRecord(uintptr_t address);

// Tests take the /proc/self/maps path with true (as where the kernel calls are refused).
void UseMappingsForMemoryChecks(bool useMappings);
