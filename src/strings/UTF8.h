// UTF-8 at the byte level: encoding one code point, decoding one sequence, and stepping over
// whole characters.
//
// Decoding does not validate, as the string functions have always read UTF-8: a lead below 0x80
// is one byte, 110xxxxx starts two bytes, 1110xxxx three, and any other byte with the high bit
// set (stray continuation bytes and 0xF8-0xFF included) is read as the lead of four bytes with
// its low three bits taken. Continuation bytes give their low six bits and are not tested.
//
// Every reading function takes the end of the text and never reads at or past it: a sequence
// that the end cuts short decodes as U+FFFD, and walking stops at the end.
#pragma once

#include <cstdint>

// What a sequence cut short by the end of the text decodes to.
constexpr uint32_t kUnicodeReplacementCharacter = 0xFFFD;

// Room UTF8Encode may write: four bytes and the NUL after them.
constexpr int32_t kUTF8EncodeBufferSize = 5;

// Writes code's UTF-8 bytes and a NUL after them into buffer (kUTF8EncodeBufferSize bytes);
// returns the byte count. A negative code, or one of 0x200000 or more, writes only the NUL and
// returns 0.
int32_t UTF8Encode(int32_t code, char* buffer);

// Bytes the sequence led by lead occupies by the decoding rule: 1, 2, 3 or 4.
int32_t UTF8SequenceLength(unsigned char lead);

// True for a continuation byte (10xxxxxx).
inline bool IsUTF8Continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The code point of the sequence at p; 0 when p is at or past end; U+FFFD when the sequence
// would run past end.
uint32_t UTF8Decode(const char* p, const char* end);

// UTF8Decode, then moves p past the bytes read (to end when the sequence is cut short).
uint32_t UTF8DecodeAndAdvance(const char*& p, const char* end);

// Stray bytes stand for themselves in whole-text work (case mapping, comparison) as
// kUTF8StrayByteBase + the byte: codes above anything a sequence decodes to, one per byte, so
// that they are never cased, compare by their value and are copied through unchanged.
constexpr uint32_t kUTF8StrayByteBase = 0x200000;

// The character at p for whole-text work, moving p past it; 0 when p is at or past end. A lead
// that is not a continuation byte, followed by as many continuation bytes as it announces,
// decodes by the rule above; any other byte (a stray continuation byte, a lead cut short by
// end or by a byte that does not continue it) is one stray byte.
uint32_t NextUTF8Character(const char*& p, const char* end);

// Moves p forward n characters: each step takes one byte and every continuation byte after it.
// Never passes end; stops early there.
void AdvanceUTF8(const char*& p, const char* end, int32_t n);

// Moves p back n characters: each step takes one byte back and, while that byte is a
// continuation byte and p is after start, one more. Never moves before start.
void BackupUTF8(const char*& p, const char* start, int32_t n);
