// Text encodings: the common-encoding rule, conversion of a string to another encoding (a
// relabelling where the bytes stay valid, else glibc's iconv), and the system encoding.
//
// Every conversion in the framework goes through ConvertEncoding. A conversion that cannot be
// made (no converter for either side) returns the source unconverted with its old encoding, so
// a caller that must know compares the result's encoding with the target. An invalid input unit
// (a byte, or a 16- or 32-bit unit of the wide forms) and a character the target cannot hold
// each become one "?".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "strings/RuntimeString.h"

// The code shared by e1 and e2 without changing either's bytes, or with allowFallback the
// Unicode form both can be converted to; kEncodingNone when there is none.
TextEncoding CommonEncoding(TextEncoding e1, TextEncoding e2, bool allowFallback);

// Brings *s1 and *s2 to one encoding, converting either as needed, and returns it; returns
// kEncodingNone (and leaves both strings as they were) when they cannot be brought together.
TextEncoding ConvertToSameEncoding(string* s1, string* s2);

// s in the target encoding (s itself, shared, when nothing is to be done).
string ConvertEncoding(const string& s, TextEncoding target);

// s in the target encoding when every unit of s is a character of its encoding, else s itself:
// for matching and comparing, where a substitute would equal other units and the text.
string ConvertEncodingWhole(const string& s, TextEncoding target);

// Converts the record's bytes from one encoding to another through iconv. Returns a new record
// (count 1), or record itself with a reference added when it cannot convert (or, when whole, a
// unit is no character of from; otherwise such a unit becomes "?").
stringStorage* ConvertTextUnix(stringStorage* record, TextEncoding from, TextEncoding to,
                               bool whole = false);

// The encoding a text function works in when it brings other to a text of the given encoding:
// that encoding, except that ASCII gives way when other holds characters ASCII cannot
// (converting other to ASCII would lose them), to the encoding concatenation would bring the
// pair to: other's own, or Unicode where ASCII's bytes do not keep their meaning in it.
TextEncoding WidenedEncoding(TextEncoding encoding, const string& other);

// text converted to WidenedEncoding (text's encoding, other); text itself when that is its own
// encoding or the conversion cannot be made.
string WidenASCIIText(const string& text, const string& other);

// The encoding in which text of this encoding is matched and compared by characters: its own
// where its bytes can be matched character by character (UTF-8, 16-bit units, and every
// encoding of one byte a character in which ASCII keeps its bytes), else UTF-8 where it
// converts. In its own bytes a 32-bit, EBCDIC or two-byte code page text would meet a
// pattern's byte-order mark, matches across characters (the second byte of a Shift-JIS
// character may be "\"), and bytes folded as if they were ASCII letters.
TextEncoding SearchEncoding(TextEncoding encoding);

// text converted whole to SearchEncoding (text's encoding); text itself when that is its own
// encoding or the conversion cannot be made whole (its bytes are then matched as they stand).
string SearchableText(const string& text);

// bytes from one C library character set to another (a locale's codeset, as nl_langinfo names
// it, and "UTF-8"): false, and *out untouched, when a byte sequence or a character does not
// convert. Text taken from the locale is converted with it before the framework labels it.
// Every locale's codeset holds ASCII as it is, so ASCII text is taken without a converter.
bool ConvertCharset(std::string_view bytes, const char* from, const char* to, std::string* out);

// What a short byte sequence decodes to in an encoding with a converter, read from the
// converter's initial state: one character, the start of a longer sequence, or neither (no
// character, several, or no converter).
enum class DecodedKind : uint8_t { kCharacter, kIncomplete, kInvalid };
struct DecodedSequence {
  DecodedKind kind;
  uint32_t code;  // the character, for kCharacter
};

// For every byte b, what prefix followed by b decodes to: 256 entries into out. One converter
// serves all of them, reset before each.
void DecodeAfterPrefix(TextEncoding encoding, std::string_view prefix, DecodedSequence* out);

// 4 when 32-bit Unicode text starts with a byte-order mark of either order, else 0.
int32_t UTF32MarkLength(const string& text);

// The iconv name of an encoding, or nullptr when it has no converter.
const char* EncodingToIconvName(TextEncoding encoding);

// (base, variant, format): UTF-8 is (0x100, 0, 2), 32-bit Unicode (0x100, 0, 3), any other
// code (the code, 0, 0).
void GetEncodingAttributes(TextEncoding encoding, uint32_t& base, uint32_t& variant,
                           uint32_t& format);

// True when every byte below 0x80 means its ASCII character in this encoding, both on its own
// and in any context, so that 7-bit text may be relabelled into or out of it unconverted.
bool IsASCIITransparentEncoding(TextEncoding encoding);

TextEncoding GetEncodingFromFont(const string& fontName);
TextEncoding GetSystemEncoding();
string ConvertToSystemEncoding(const string& s);

