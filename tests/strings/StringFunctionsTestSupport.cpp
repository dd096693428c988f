#include "StringFunctionsTestSupport.h"

#include <locale.h>

#include <array>

#include "strings/CaseMapping.h"

namespace strtest {

std::string EncodeUTF8(const CodePoints& text) {
  std::string out;
  for (uint32_t c : text) {
    int extra = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    static const unsigned char kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[extra] | c >> (6 * extra));
    for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | (c >> (6 * k) & 0x3F));
  }
  return out;
}

std::string EncodeUTF16(const CodePoints& text) {
  std::string out;
  for (uint32_t c : text) out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8 & 0xFF)};
  return out;  // the alphabet keeps 16-bit texts inside the BMP
}

std::string Encode(const CodePoints& text, Form form) {
  return form == Form::kUTF16 ? EncodeUTF16(text) : EncodeUTF8(text);  // ASCII is its own UTF-8
}

TextEncoding EncodingOf(Form form) {
  return std::array{kEncodingASCII, kEncodingUTF8, kEncodingUnicode16}[size_t(form)];
}

string Make(const std::string& bytes, TextEncoding encoding) {
  return string::FromBytes(bytes.data(), static_cast<int64_t>(bytes.size()), encoding);
}

string Make(const CodePoints& text, Form form) {
  return Make(Encode(text, form), EncodingOf(form));
}

std::string Bytes(const string& s) { return std::string(s.CString(), s.Length()); }

std::string Take(stringStorage* record, TextEncoding* encoding) {
  string s = string::Adopt(record);
  if (encoding) *encoding = s.Encoding();
  return Bytes(s);
}

CodePoints RandomText(std::mt19937& rng, int32_t n, Form form) {
  static const std::vector<uint32_t> kWide = {
      'a', 'b', 'k', 'K', 's', 'S', ',', ' ', 0xE9, 0xC9, 0xDF, 0x3A3, 0x3C3, 0x3C2,
      0x416, 0x436, 0x212A, 0x4E2D, 0x1F600, 0x10400, 0x10428};
  std::uniform_int_distribution<int> pick(0, 99);
  CodePoints text;
  for (int32_t i = 0; i < n; ++i) {
    const int r = pick(rng);
    uint32_t c = form == Form::kASCII || r < 40 ? uint32_t("abcABCxyzXYZ, .k-0"[r % 18])
                                                : kWide[size_t(r) % kWide.size()];
    text.push_back(form == Form::kUTF16 && c > 0xFFFF ? 0x4E2D : c);
  }
  return text;
}

CodePoints FlipSomeCase(std::mt19937& rng, const CodePoints& text) {
  CodePoints out = text;
  for (uint32_t& c : out) c = rng() % 2 ? UnicodeToUpper(c) : rng() % 2 ? UnicodeToLower(c) : c;
  return out;
}

int32_t ModelFind(const CodePoints& text, const CodePoints& find, size_t from, bool ignoreCase) {
  auto same = [&](uint32_t a, uint32_t b) {
    return ignoreCase ? UnicodeToUpper(a) == UnicodeToUpper(b) : a == b;
  };
  for (size_t i = from; !find.empty() && i + find.size() <= text.size(); ++i) {
    size_t j = 0;
    while (j < find.size() && same(text[i + j], find[j])) ++j;
    if (j == find.size()) return static_cast<int32_t>(i);
  }
  return -1;
}

std::vector<CodePoints> ModelSplit(const CodePoints& text, const CodePoints& delimiter,
                                   bool ignoreCase) {
  std::vector<CodePoints> pieces;
  size_t from = 0;
  for (int32_t at; (at = ModelFind(text, delimiter, from, ignoreCase)) >= 0;
       from = static_cast<size_t>(at) + delimiter.size()) {
    pieces.emplace_back(text.begin() + static_cast<long>(from), text.begin() + at);
  }
  pieces.emplace_back(text.begin() + static_cast<long>(from), text.end());
  return pieces;
}

ScopedLocale::ScopedLocale(const char* name)
    : mSaved(setlocale(LC_ALL, nullptr)), mActive(setlocale(LC_ALL, name) != nullptr) {}
ScopedLocale::~ScopedLocale() { setlocale(LC_ALL, mSaved.c_str()); }

}  // namespace strtest
