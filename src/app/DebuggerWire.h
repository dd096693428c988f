// The remote debugger's wire format: lines of text, and the hexadecimal encodings of numbers,
// strings, objects and variants that their payloads carry.
//
// A line is tag, one blank, payload and a carriage return (no line feed), sent as UTF-8. A
// number of n bytes is exactly 2n upper-case digits, most significant first (N1 .. N8). A
// string is the N4 of its encoding, a colon and two digits per byte (S); an object is the N4
// of its address, then a blank and its class name unless it is nil (O); a variant is the N4 of
// its type code, then a blank and the O of its object or the S of its text (V).
//
// Decoding pads a short field with zeros and keeps the last digits of a long one, as the IDE
// expects; a field holding anything but 0-9 and A-F is refused as a whole, so that a command
// with a malformed field changes nothing.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

constexpr char kWireLineEnd = '\r';

// N1 .. N8: the low byteCount bytes of value.
string EncodeHex(uint64_t value, int32_t byteCount);
// Decodes field into byteCount bytes (see the header comment); false for a character other
// than 0-9 and A-F, leaving *value untouched.
bool DecodeHex(const char* text, int32_t length, int32_t byteCount, uint64_t* value);
bool DecodeHex(const string& field, int32_t byteCount, uint64_t* value);
// The same for an address, a count or a statement number (N4).
bool DecodeWord(const string& field, uint32_t* value);

// S of length bytes in the given encoding.
string EncodeWireString(const void* bytes, uint32_t length, TextEncoding encoding);
// S of a string; nil is ASCII with no bytes.
string EncodeWireString(const string& text);
// The string an S field names, carrying the decoded encoding. An odd final digit gives the high
// half of the last byte; trailing blanks and tabs of the byte field are ignored. False for a
// malformed digit.
bool DecodeWireString(const string& field, string* text);

// O of an object the caller knows to be live (nil allowed).
string EncodeObjectReference(RuntimeObject* object);
// V of a variant the caller knows to be live (nil allowed).
string EncodeVariant(RuntimeObject* variant);

// A received line split into its tag (before the first blank, or the whole line) and its
// payload (after that blank; empty when there is none).
struct WireLine {
  string tag;
  string payload;
};
WireLine SplitWireLine(const char* bytes, int32_t length);

// The blank-separated field of payload at index (0-based); the last field asked for takes the
// rest of the payload. Empty past the end.
string WireField(const string& payload, int32_t index, bool rest = false);

// The bytes of a line to send: tag, blank, payload and the carriage return, in UTF-8.
string FrameWireLine(const string& tag, const string& payload);
