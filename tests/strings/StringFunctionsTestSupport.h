// Helpers of the string-function tests: texts as lists of code points, encoded by the test
// itself (UTF-8, 16-bit little-endian or single bytes), random texts over an alphabet that
// mixes ASCII, accented, Greek, Cyrillic, CJK and four-byte characters with their case
// partners, conversions between framework strings and std::string, and a scoped locale.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "strings/RuntimeString.h"

namespace strtest {

using CodePoints = std::vector<uint32_t>;

enum class Form { kASCII, kUTF8, kUTF16 };
constexpr Form kAllForms[] = {Form::kASCII, Form::kUTF8, Form::kUTF16};

std::string EncodeUTF8(const CodePoints& text);
std::string EncodeUTF16(const CodePoints& text);
std::string Encode(const CodePoints& text, Form form);
TextEncoding EncodingOf(Form form);

string Make(const std::string& bytes, TextEncoding encoding);
string Make(const CodePoints& text, Form form);
std::string Bytes(const string& s);
// Takes over the reference an exported function handed back.
std::string Take(stringStorage* record, TextEncoding* encoding = nullptr);

// Random text of n characters; ASCII form uses only ASCII letters, digits and punctuation.
CodePoints RandomText(std::mt19937& rng, int32_t n, Form form);
// A copy with the case of some characters flipped through the case table.
CodePoints FlipSomeCase(std::mt19937& rng, const CodePoints& text);

// The first index at or after from where find occurs in text, comparing characters (by their
// upper-case forms when ignoreCase is set); -1 when absent. An empty find is never found.
int32_t ModelFind(const CodePoints& text, const CodePoints& find, size_t from, bool ignoreCase);
// The pieces of text between non-overlapping occurrences of a non-empty delimiter.
std::vector<CodePoints> ModelSplit(const CodePoints& text, const CodePoints& delimiter,
                                   bool ignoreCase);

// Switches the process locale for one scope; active() tells whether it is installed.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name);
  ~ScopedLocale();
  bool active() const { return mActive; }

 private:
  std::string mSaved;
  bool mActive;
};

}  // namespace strtest
