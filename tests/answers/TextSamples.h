// The inputs of the text and numbers areas of the answer table: sample texts written in every
// encoding the framework names (made with iconv, never with the framework), byte sequences
// that are no text of their label, the patterns and boundaries each text takes, and the tables
// of numbers and format pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "strings/RuntimeString.h"

namespace answers {

// Which rows a sample serves beyond those that take one text alone.
enum SampleFamily : uint32_t {
  kForPairs = 1,     // slices, searches, fields: rows with a position or a second text
  kForLocales = 2,   // rows that read the locale, in every locale variant (common forms)
  kForVariants = 4,  // String variants (common forms)
};

// A form a sample is written in: the framework's label and the C library's name for the bytes.
struct TextForm {
  const char* name;
  TextEncoding encoding;
  const char* iconvName;  // "" for the ASCII label (7-bit samples only)
  bool common;  // one of the forms the locale and Variant rows take
};
const std::vector<TextForm>& TextForms();

struct SampleText {
  string value;
  std::string utf8;                  // the sample's characters (empty for byte samples)
  int32_t characters = 0;            // of the sample, or its bytes when it has none
  const TextForm* form = nullptr;    // nil for byte samples and the empty text
  uint32_t families = 0;
  std::vector<string> extraPatterns;  // byte samples name their own
};

// Every sample in every form that can hold it, then the byte samples, then the empty text.
const std::vector<SampleText>& SampleTexts();

// Second texts for searches, replaces and fields: nil, the first, a middle and the last
// character in the text's own form, one absent, an ASCII literal (and the first character as
// one where it is ASCII), an escape or byte-order mark alone where the form has them.
// Made once per text.
const std::vector<string>& PatternsOf(const SampleText& text);

// Positions and lengths that matter for a text: 0, 1, into the first characters, around the
// last character and the last byte (inside a character or an escape), past the end, negative.
std::vector<int32_t> BoundariesOf(const SampleText& text);
// Fewer, for rows that also take a second text: invalid, first, second, past the end.
std::vector<int32_t> ShortBoundariesOf(const SampleText& text);
// Counts for a second position (Mid's length): negative, none, one, three, past the end.
std::vector<int32_t> LengthsOf(const SampleText& text);

// Numbers, most telling first: a row's second number takes the first few only.
const std::vector<double>& Doubles();
const std::vector<int64_t>& Integers();  // 32-bit values first, then wider ones
const std::vector<uint64_t>& Unsigned64();
const std::vector<int64_t>& Currencies();  // in ten-thousandths
// Format pictures, ASCII and in a few other encodings.
const std::vector<string>& Pictures();
// SQL date-times of the Date inputs.
const std::vector<const char*>& DateTexts();

// bytes from one C library character set to another; false when some character has no form.
bool Recode(const std::string& bytes, const char* from, const char* to, std::string* out);

}  // namespace answers
