#include "answers/TextSamples.h"

#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "answers/Answers.h"

namespace answers {

namespace {

constexpr TextEncoding kLatin1 = 0x0201;
constexpr TextEncoding kShiftJIS = 0x0A01;
constexpr TextEncoding kEUCJP = 0x0920;
constexpr TextEncoding kGBK = 0x0421;
constexpr TextEncoding kCP949 = 0x0422;
constexpr TextEncoding kBig5 = 0x0423;

struct Sample {
  std::string utf8;
  uint32_t families;
};

constexpr uint32_t kPairs = kForPairs;
constexpr uint32_t kNumeric = kForLocales | kForVariants;

// About forty texts: scripts, case pairs, separators of numbers and dates, marks and escapes.
const std::vector<Sample>& Samples() {
  static const std::vector<Sample> samples = {
      {"Hello, World", kPairs | kForVariants},
      {" \t padded \t ", kPairs},
      {"a,b,,c,", kPairs},
      {"mIxEd cAsE", kPairs | kForLocales},
      {"a\r\nb\nc\rd", kPairs},
      {std::string("nul\0byte", 8), kPairs},
      {"café crème", kPairs | kForLocales | kForVariants},
      {"ÉCOLE ÀÇÑ", kPairs | kForLocales},
      {"Straße", kPairs | kForLocales},
      {"İzmir ıIi", kPairs | kForLocales},
      {"Ελληνικά ΟΔΟΣ", kPairs | kForLocales},
      {"日本語のテキスト", kPairs | kForVariants},
      {"日本語", kPairs},
      {"中文字符", kPairs},
      {"한국어", kPairs},
      {"ｶﾀｶﾅ", kPairs},
      {"ソ表能", kPairs},
      {"a😀b𝄞", kPairs},
      {"\uFEFFabc", kPairs},
      {"\uFEFF", kPairs},
      {"e\u0301", kPairs | kForLocales},
      {"a\u00A0b", kPairs},
      // Numbers: separators of every kind, prefixes, words, other digits.
      {"3.14", kNumeric},
      {"3,14", kNumeric},
      {"1,234.5", kNumeric},
      {"1.234,5", kNumeric},
      {"1\u202F234,5", kNumeric},
      {"3\u066B14", kNumeric},
      {"1,5", kNumeric},
      {" -42 ", kNumeric},
      {"-0.5E-2", kNumeric},
      {"&hFF", kNumeric},
      {"&b101", kNumeric},
      {"12abc", kNumeric},
      {"NaN", kNumeric},
      {"٣٫١٤", kNumeric},
      {"1e400", kNumeric},
      {"2147483648", kNumeric},
      // Dates in the forms the parser tries, and in words of other languages.
      {"2021-03-04 05:06:07", kNumeric},
      {"2021-03-04", kNumeric},
      {"03/04/2021", kNumeric},
      {"04.03.2021", kNumeric},
      {"4 Mar 2021", kNumeric},
      {"Thu, Mar 4, 2021", kNumeric},
      {"4 mars 2021", kNumeric},
  };
  return samples;
}

struct ByteSample {
  std::string bytes;
  std::vector<TextEncoding> labels;
  std::vector<std::string> patterns;  // with the text's label
};

// Byte sequences that are no text of their label: cut off, invalid, out of range, a mark alone.
const std::vector<ByteSample>& ByteSamples() {
  using S = std::string;
  static const std::vector<ByteSample> samples = {
      {"caf\xC3", {kEncodingUTF8, kEncodingNone}, {}},
      {"a\x80" "b", {kEncodingUTF8}, {"\x80"}},
      {"\xC0\xAF", {kEncodingUTF8}, {}},
      {"\xED\xA0\x80z", {kEncodingUTF8}, {"z"}},
      {S("a\0b", 3), {kEncodingUnicode16}, {}},
      {S("\0\xD8" "a\0", 4), {kEncodingUnicode16}, {S("\0\xD8", 2)}},
      {"\x3D\xD8", {kEncodingUnicode16}, {}},
      {S("\0\xD8\0\x80", 4), {kEncodingUTF32}, {S("\0\xD8\0\0", 4)}},
      {S("BA\0\xFF" "AB", 6), {kEncodingUnicode16, kEncodingUTF32}, {"AB"}},
      {S("BA\0\xFF", 4), {kEncodingUnicode16, kEncodingUTF32}, {"AB"}},
      {S("\0\0\x11\0", 4), {kEncodingUTF32}, {}},
      {S("a\0\0", 3), {kEncodingUTF32}, {}},
      {"\x93\xFA\x96", {kShiftJIS}, {}},
      {"\xC6\xFC\xCB", {kEUCJP}, {}},
      {"\x1B$BF|K\\", {kEncodingISO2022JP}, {"\x1B(B"}},
      {"\x1B$B", {kEncodingISO2022JP}, {"\x1B$B"}},
      {"\x81", {kGBK, kBig5, kCP949}, {}},
      {"\x81\x8D\x8F", {kEncodingWindowsLatin1}, {}},
  };
  return samples;
}

bool IsASCII(const std::string& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
}

// Code points of UTF-8 text (the samples are valid).
std::vector<uint32_t> CodePoints(const std::string& utf8) {
  std::vector<uint32_t> points;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t c = n == 1 ? lead : lead & (0x7F >> n);
    for (int k = 1; k < n; ++k) c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    points.push_back(c);
    i += size_t(n);
  }
  return points;
}

std::string UTF8Of(uint32_t c) {
  std::string out;
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | c >> 6);
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | c >> 12);
    out += char(0x80 | (c >> 6 & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | c >> 18);
    out += char(0x80 | (c >> 12 & 0x3F));
    out += char(0x80 | (c >> 6 & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
  return out;
}

// The sample's characters in the form, or false where the form cannot hold them.
bool Written(const std::string& utf8, const TextForm& form, std::string* bytes) {
  if (!*form.iconvName) {
    *bytes = utf8;
    return IsASCII(utf8);
  }
  return Recode(utf8, "UTF-8", form.iconvName, bytes);
}

string Make(const std::string& bytes, TextEncoding encoding) {
  return string::FromBytes(bytes.data(), int64_t(bytes.size()), encoding);
}

void AddUnique(std::vector<string>* list, const string& text) {
  for (const string& held : *list) {
    if (held.Encoding() == text.Encoding() && held.Length() == text.Length() &&
        std::equal(held.Bytes(), held.Bytes() + held.Length(), text.Bytes())) {
      return;
    }
  }
  list->push_back(text);
}

void AddUnique(std::vector<int32_t>* list, int64_t value) {
  if (value < -1 || value > INT32_MAX) return;
  if (std::find(list->begin(), list->end(), int32_t(value)) == list->end()) {
    list->push_back(int32_t(value));
  }
}

// The byte-order mark as the form writes it, or "" for a form without one.
std::string MarkOf(const TextForm& form) {
  const std::string name = form.iconvName;
  if (name.rfind("UTF-16", 0) != 0 && name.rfind("UTF-32", 0) != 0) return "";
  std::string mark;
  return Recode(UTF8Of(0xFEFF), "UTF-8", form.iconvName, &mark) ? mark : "";
}

}  // namespace

bool Recode(const std::string& bytes, const char* from, const char* to, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string converted(bytes.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* cursor = converted.data();
  size_t left = converted.size();
  const bool ok = iconv(cd, &in, &inLeft, &cursor, &left) != size_t(-1) &&
                  iconv(cd, nullptr, nullptr, &cursor, &left) != size_t(-1);
  iconv_close(cd);
  if (!ok) return false;
  converted.resize(converted.size() - left);
  *out = std::move(converted);
  return true;
}

const std::vector<TextForm>& TextForms() {
  static const std::vector<TextForm> forms = {
      {"UTF-8", kEncodingUTF8, "UTF-8", true},
      {"UTF-16LE", kEncodingUnicode16, "UTF-16LE", true},
      {"UTF-16BE", kEncodingUnicode16, "UTF-16BE", false},
      {"UTF-32LE", kEncodingUTF32, "UTF-32LE", false},
      {"UTF-32BE", kEncodingUTF32, "UTF-32BE", true},
      {"Latin1", kLatin1, "ISO-8859-1", true},
      {"WindowsLatin1", kEncodingWindowsLatin1, "CP1252", false},
      {"MacRoman", kEncodingMacRoman, "MACINTOSH", false},
      {"ShiftJIS", kShiftJIS, "SHIFT_JIS", true},
      {"EUC-JP", kEUCJP, "EUC-JP", false},
      {"ISO-2022-JP", kEncodingISO2022JP, "ISO-2022-JP", true},
      {"GBK", kGBK, "GBK", false},
      {"Big5", kBig5, "BIG5", false},
      {"CP949", kCP949, "CP949", false},
      {"none", kEncodingNone, "UTF-8", true},
      {"ASCII", kEncodingASCII, "", true},
  };
  return forms;
}

const std::vector<SampleText>& SampleTexts() {
  static const std::vector<SampleText> texts = [] {
    std::vector<SampleText> list;
    for (const Sample& sample : Samples()) {
      for (const TextForm& form : TextForms()) {
        std::string bytes;
        if (!Written(sample.utf8, form, &bytes)) continue;
        SampleText text;
        text.value = Make(bytes, form.encoding);
        text.utf8 = sample.utf8;
        text.characters = int32_t(CodePoints(sample.utf8).size());
        text.form = &form;
        text.families = sample.families;
        list.push_back(std::move(text));
      }
    }
    for (const ByteSample& sample : ByteSamples()) {
      for (TextEncoding label : sample.labels) {
        SampleText text;
        text.value = Make(sample.bytes, label);
        text.characters = int32_t(sample.bytes.size());
        text.families = kForPairs;
        for (const std::string& pattern : sample.patterns) {
          text.extraPatterns.push_back(Make(pattern, label));
        }
        list.push_back(std::move(text));
      }
    }
    SampleText empty;
    empty.families = kForPairs | kForLocales | kForVariants;
    list.push_back(std::move(empty));
    // A byte sample that is some sample's form already would give its lines twice.
    std::set<std::string> seen;
    std::erase_if(list, [&](const SampleText& text) {
      return !seen.insert(QuoteString(text.value)).second;
    });
    return list;
  }();
  return texts;
}

const std::vector<string>& PatternsOf(const SampleText& text) {
  static std::map<const SampleText*, std::vector<string>> made;
  const auto found = made.find(&text);
  if (found != made.end()) return found->second;
  std::vector<string>& patterns = made[&text];
  patterns.push_back(string());
  const TextForm* form = text.form;
  if (form) {
    const std::vector<uint32_t> points = CodePoints(text.utf8);
    std::vector<uint32_t> picks = {points.front()};
    if (points.size() >= 3) picks.push_back(points[points.size() / 2]);
    if (points.size() >= 2) picks.push_back(points.back());
    for (uint32_t c : picks) {
      std::string bytes;
      if (Written(UTF8Of(c), *form, &bytes)) AddUnique(&patterns, Make(bytes, form->encoding));
    }
    std::string absent;
    if (Written("@@", *form, &absent)) AddUnique(&patterns, Make(absent, form->encoding));
    if (points.front() < 0x80) AddUnique(&patterns, string(UTF8Of(points.front()).c_str()));
    if (form->encoding == kEncodingISO2022JP) {
      AddUnique(&patterns, Make("\x1B(B", kEncodingISO2022JP));
    }
    const std::string mark = MarkOf(*form);
    if (!mark.empty()) AddUnique(&patterns, Make(mark, form->encoding));
  }
  AddUnique(&patterns, string(","));
  for (const string& pattern : text.extraPatterns) AddUnique(&patterns, pattern);
  return patterns;
}

std::vector<int32_t> BoundariesOf(const SampleText& text) {
  const int64_t c = text.characters, b = text.value.Length();
  std::vector<int32_t> list;
  for (int64_t value : {int64_t{-1}, int64_t{0}, int64_t{1}, int64_t{2}, int64_t{3}, c - 1, c,
                        c + 1, b - 2, b - 1, b, b + 1}) {
    AddUnique(&list, value);
  }
  std::sort(list.begin(), list.end());
  return list;
}

std::vector<int32_t> ShortBoundariesOf(const SampleText& text) {
  std::vector<int32_t> list;
  for (int64_t value : {int64_t{0}, int64_t{1}, int64_t{2}, int64_t{text.value.Length()} + 1}) {
    AddUnique(&list, value);
  }
  return list;
}

std::vector<int32_t> LengthsOf(const SampleText& text) {
  std::vector<int32_t> list;
  for (int64_t value : {int64_t{-1}, int64_t{0}, int64_t{1}, int64_t{3},
                        int64_t{text.value.Length()} + 1}) {
    AddUnique(&list, value);
  }
  return list;
}

const std::vector<double>& Doubles() {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  static const std::vector<double> numbers = {
      0, 1, -1, 0.5, 2.5, -2.5, 1234567.891, kNaN, kInfinity, -kInfinity, -0.0, 0.1,
      1.0 / 3, 3.141592653589793, 1e6, 1000001, 1e-5, 9.99999e-6, 1e15, 1e16,
      1.2345678901234568e17, 1e21, 1.7976931348623157e308, 4.9e-324,
      2.2250738585072014e-308, 255, 65535, 2147483647, 2147483648.0, -2147483649.0,
      9007199254740993.0, 0.000123, -1e-300, 100, 12.345, 0.045, 1.005, 99.995,
  };
  return numbers;
}

const std::vector<int64_t>& Integers() {
  static const std::vector<int64_t> numbers = {
      0, 1, -1, 2, 65, 255, 256, 127, 128, 0xE9, 0x3B1, 0x3042, 0xD800, 0xFEFF, 0xFFFF,
      0x10000, 0x1F600, 0x10FFFF, 0x110000, 32767, -32768, 65535, 2147483647, -2147483647 - 1,
      0x0201, 0x0500, 0x0600, 0x0820, 0x0A01, 0x0920, 0x08000100, 0x0C000100,
      // Wider than 32 bits: the 64-bit rows only.
      4294967295LL, 4294967296LL, -4294967296LL, 1000000000000000LL, INT64_MAX, INT64_MIN,
  };
  return numbers;
}

const std::vector<uint64_t>& Unsigned64() {
  static const std::vector<uint64_t> numbers = {
      0, 1, 255, 0xFFFFFFFFull, 0x100000000ull, 0x8000000000000000ull, UINT64_MAX,
      0x8000000000000001ull, 12345678901234567890ull, 0x0123456789ABCDEFull,
  };
  return numbers;
}

const std::vector<int64_t>& Currencies() {
  static const std::vector<int64_t> numbers = {
      0, 10000, -15000, 1, 123456789, INT64_MAX, INT64_MIN, 50000,
  };
  return numbers;
}

const std::vector<string>& Pictures() {
  static const std::vector<string> pictures = [] {
    std::vector<string> list;
    for (const char* picture :
         {"#", "0", "#.##", "0.00", "#,##0.00", "#,###.#", "-#.###", "+#;-#;\\z\\e\\r\\o",
          "#%", "0.0%", "0.000E+00", "##0.0e-", "Scientific", "00000", "$#,##0.00;($#,##0.00)",
          "\\#0", "", "abc", "#,##"}) {
      list.push_back(string(picture));
    }
    // The separators are looked up in the picture's own encoding.
    for (const char* name : {"UTF-8", "UTF-16LE", "Latin1", "WindowsLatin1", "UTF-32LE"}) {
      for (const TextForm& form : TextForms()) {
        if (std::string(form.name) != name) continue;
        std::string bytes;
        if (Written("#,##0.00 \u20AC", form, &bytes) || Written("#,##0.00", form, &bytes)) {
          list.push_back(Make(bytes, form.encoding));
        }
      }
    }
    return list;
  }();
  return pictures;
}

const std::vector<const char*>& DateTexts() {
  static const std::vector<const char*> dates = {
      "2021-03-04 05:06:07", "1904-01-01 00:00:00", "2000-02-29 12:00:00",
      "1999-12-31 23:59:59", "1582-10-10 00:00:00", "0001-01-01 00:00:00",
      "9999-12-31 13:14:15", "1970-01-01 00:00:00",
  };
  return dates;
}

}  // namespace answers
