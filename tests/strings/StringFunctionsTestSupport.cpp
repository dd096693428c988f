#include "StringFunctionsTestSupport.h"

#include "strings/CaseMapping.h"

namespace strtest {

std::string EncodeUTF8(const CodePoints& text) {
  std::string out;
  for (uint32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string EncodeUTF16(const CodePoints& text) {
  std::string out;
  for (uint32_t c : text) {  // the alphabet keeps 16-bit texts inside the BMP
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8);
  }
  return out;
}

std::string Encode(const CodePoints& text, Form form) {
  if (form == Form::kUTF16) return EncodeUTF16(text);
  return EncodeUTF8(text);  // ASCII texts are their own UTF-8
}

TextEncoding EncodingOf(Form form) {
  switch (form) {
    case Form::kASCII:
      return kEncodingASCII;
    case Form::kUTF8:
      return kEncodingUTF8;
    default:
      return kEncodingUnicode16;
  }
}

string Make(const std::string& bytes, TextEncoding encoding) {
  return string::FromBytes(bytes.data(), static_cast<int64_t>(bytes.size()), encoding);
}

string Make(const CodePoints& text, Form form) { return Make(Encode(text, form), EncodingOf(form)); }

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
    int r = pick(rng);
    if (form == Form::kASCII || r < 40) {
      text.push_back(static_cast<uint32_t>("abcABCxyzXYZ, .k-0"[r % 18]));
      continue;
    }
    uint32_t c = kWide[static_cast<size_t>(r) % kWide.size()];
    if (form == Form::kUTF16 && c > 0xFFFF) c = 0x4E2D;
    text.push_back(c);
  }
  return text;
}

CodePoints FlipSomeCase(std::mt19937& rng, const CodePoints& text) {
  CodePoints out = text;
  for (uint32_t& c : out) {
    if (rng() % 2) c = UnicodeToUpper(c);
    else if (rng() % 2) c = UnicodeToLower(c);
  }
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

}  // namespace strtest
