// The exported functions through which compiled code manages string references and moves text
// in and out of the layouts that external declarations and structures use: counted and
// NUL-terminated texts, four-character codes, fixed-length fields and wide-character buffers.
//
// Every function that returns a string hands the caller one reference. Sizes and offsets come
// from compiled code and are checked before any byte is read or written.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

// Drops a reference, freeing the record with its last: RuntimeUnlockString's rare way, out of
// its leaf (CharacterLoop.cpp).
void ReleaseStringRecord(stringStorage* s);

extern "C" {
stringStorage* RuntimeLockString(stringStorage* s);
void RuntimeUnlockString(stringStorage* s);
void RuntimeLockUnlockStrings(stringStorage* newString, stringStorage* oldString);
stringStorage* RuntimeAddString(stringStorage* a, stringStorage* b);

stringStorage* RuntimeGetStructureString(int32_t offset, const unsigned char* base, int32_t length);
void RuntimeSetStructureString(unsigned char* base, int32_t offset, int32_t length,
                               stringStorage* s);
stringStorage* RuntimeGetStructureContents(const unsigned char* address, int32_t length);

const unsigned char* StringToPString(stringStorage* s);
const char* StringToCString(stringStorage* s);
uint32_t StringToOSType(stringStorage* s);
stringStorage* StringFromPString(const unsigned char* text);
stringStorage* StringFromCString(const char* text);
stringStorage* StringFromOSType(uint32_t code);

// Wide-character buffers: 32-bit characters in, 16-bit units out. StringToWString's buffer is
// lock-counted from 1 and freed when its count falls below 1.
stringStorage* StringFromWString(const uint32_t* text);
uint16_t* StringToWString(stringStorage* s);
void LockWString(uint16_t* buffer);
void UnlockWString(uint16_t* buffer);
void SwapWStringLocks(uint16_t* lockBuffer, uint16_t* unlockBuffer);

// Core Foundation strings do not exist on this platform.
void LockCFString(void* cfString);
void UnlockCFString(void* cfString);
void SwapCFStringLocks(void* lockString, void* unlockString);
void* StringToCFString(stringStorage* s);
stringStorage* StringFromCFString(void* cfString);
}

// Lock count of a StringToWString buffer; 0 when it is not (or no longer) in the table.
int32_t WStringLockCount(const uint16_t* buffer);
