#include "image/PluginDeclarationLexer.h"

#include <cstring>

#include "core/StringMapFlat.h"

namespace {

using namespace plugin_tokens;

// In code order; position 49 is empty and matches nothing.
constexpr const char* kKeywords[kKeywordCount] = {
    "If",      "Sub",     "Function",  "Until",   "As",        "Integer",    "End",
    "Mod",     "Dim",     "Then",      "Else",    "While",     "Wend",       "String",
    "Raise",   "For",     "Exception", "Array",   "Of",        "Not",        "Single",
    "Double",  "GoTo",    "And",       "Or",      "Nil",       "Rem",        "Next",
    "ElseIf",  "To",      "True",      "False",   "ByRef",     "Boolean",    "New",
    "Select",  "Case",    "Return",    "Self",    "Do",        "Loop",       "Exit",
    "Redim",   "downto",  "step",      "color",   "isa",       "me",         "#pragma",
    "",        "ByVal",   "Optional",  "Const",   "#if",       "#else",      "#endif",
    "Declare", "Private", "Protected", "Class",   "Interface", "Implements", "Inherits",
    "Public",  "Shared",  "Namespace", "Module",  "Static",    "Event",      "Handles",
    "Each",    "In",      "Catch",     "Try",     "Finally",   "Super",      "Lib",
    "Extends", "Assigns", "Call",      "Is",      "AddressOf", "Delegate",   "ParamArray",
    "#ElseIf", "Object",  "Soft",      "Continue"};
constexpr int32_t kConst = 309;
static_assert(kFirstKeyword + 26 == kComment && kFirstKeyword + 85 == kObject &&
              kFirstKeyword + 52 == kConst && kFirstKeyword + 84 == kElseIf);

// Built on first use and kept for the life of the process. Values are the token codes.
const StringMapULong* KeywordMap() {
  static StringMapULong* map = [] {
    StringMapULong* built = NewStringMapULong();
    for (int32_t i = 0; i < kKeywordCount; ++i) {
      if (kKeywords[i][0]) StringMapULongInsert(built, kKeywords[i], kFirstKeyword + i);
    }
    return built;
  }();
  return map;
}

int32_t KeywordCode(const char* word) {
  return static_cast<int32_t>(StringMapULongLookup(KeywordMap(), word));
}

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool IsHexDigit(unsigned char c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f'); }
bool IsOctalDigit(unsigned char c) { return c >= '0' && c <= '7'; }
bool IsBinaryDigit(unsigned char c) { return c == '0' || c == '1'; }
bool IsIdentifierStart(unsigned char c) { return IsLetter(c) || c == '_' || c == '~' || c > 127; }
bool IsIdentifierPart(unsigned char c) { return IsLetter(c) || IsDigit(c) || c == '_' || c > 127; }

int32_t DigitValue(unsigned char c) {
  if (IsDigit(c)) return c - '0';
  return (c | 0x20) - 'a' + 10;
}

// Accumulates the digits of base from text, wrapping at 32 bits, until one is not a digit;
// at most limit digits when limit is not negative.
uint32_t Accumulate(const char* text, uint32_t base, int32_t limit, const char** end) {
  uint32_t value = 0;
  int32_t used = 0;
  for (; *text && (limit < 0 || used < limit); ++text, ++used) {
    const unsigned char c = static_cast<unsigned char>(*text);
    if (!IsHexDigit(c) || uint32_t(DigitValue(c)) >= base) break;
    value = value * base + uint32_t(DigitValue(c));
  }
  if (end) *end = text;
  return value;
}

// Old class names that declarations may still use.
void RenameOldClass(char* token, int32_t* length) {
  static constexpr struct {
    const char* from;
    const char* to;
  } kRenames[] = {{"DatabaseCursor", "RecordSet"}, {"DatabaseCursorField", "DatabaseField"}};
  for (const auto& rename : kRenames) {
    if (string(token).Compare(string(rename.from)) != 0) continue;
    std::strcpy(token, rename.to);
    *length = static_cast<int32_t>(std::strlen(rename.to));
    return;
  }
}

}  // namespace

void PluginDeclarationLexer::SetText(const char* text) {
  mText = text ? text : "";
  mLength = static_cast<int32_t>(std::strlen(mText));
  mPosition = 0;
  mPeeked = kNoPeek;
  mTokenStart = mTokenEnd = mTokenLength = 0;
  mToken[0] = '\0';
}

char PluginDeclarationLexer::At(int32_t offset) const {
  const int64_t at = int64_t(mPosition) + offset;
  return at < mLength ? mText[at] : '\0';
}

void PluginDeclarationLexer::Take(int32_t count) {
  for (int32_t i = 0; i < count && mPosition < mLength; ++i) {
    if (mTokenLength < kTokenTextCapacity) mToken[mTokenLength++] = mText[mPosition];
    ++mPosition;
  }
  mToken[mTokenLength] = '\0';
}

void PluginDeclarationLexer::TakeWhile(bool (*accept)(unsigned char)) {
  while (mPosition < mLength && accept(static_cast<unsigned char>(mText[mPosition]))) Take(1);
}

int32_t PluginDeclarationLexer::NextToken() {
  if (mPeeked != kNoPeek) {
    const int32_t code = mPeeked;
    mPeeked = kNoPeek;
    return code;
  }
  while (mPosition < mLength && (mText[mPosition] == ' ' || mText[mPosition] == '\t')) ++mPosition;
  mTokenStart = mPosition;
  mTokenLength = 0;
  mToken[0] = '\0';
  const int32_t code = Scan();
  mTokenEnd = mPosition;
  return code;
}

int32_t PluginDeclarationLexer::NextTokenSkippingComment() {
  const int32_t code = NextToken();
  if (code != kComment) return code;
  mPosition = mLength;
  return kEnd;
}

int32_t PluginDeclarationLexer::Scan() {
  const unsigned char c = static_cast<unsigned char>(At(0));
  if (mPosition >= mLength) return kEnd;
  if (IsIdentifierStart(c)) return ScanIdentifier();
  if (IsDigit(c)) return ScanNumber();
  const char next = At(1);
  switch (c) {
    case '.':
      return ScanDot();
    case '&':
      return ScanBasedLiteral();
    case '#':
      return ScanDirective();
    case '"':
      return ScanString();
    case '\'':
      Take(1);
      return kComment;
    case '/':
      Take(next == '/' ? 2 : 1);
      return next == '/' ? kComment : '/';
    case '<':
      Take(next == '=' || next == '>' ? 2 : 1);
      return next == '=' ? kLessEqual : next == '>' ? kNotEqual : '<';
    case '>':
      Take(next == '=' ? 2 : 1);
      return next == '=' ? kGreaterEqual : '>';
    case ':':
      Take(next == '=' ? 2 : 1);
      return next == '=' ? kColonEquals : ':';
    default:
      Take(1);
      return c;
  }
}

int32_t PluginDeclarationLexer::ScanIdentifier() {
  Take(1);
  TakeWhile(IsIdentifierPart);
  const int32_t keyword = KeywordCode(mToken);
  if (keyword == kConst) return kByVal;
  if (keyword) return keyword;
  RenameOldClass(mToken, &mTokenLength);
  return kIdentifier;
}

int32_t PluginDeclarationLexer::ScanNumber() {
  const int32_t start = mPosition;
  TakeWhile(IsDigit);
  const int32_t digits = mPosition - start;
  bool floating = false;
  if (At(0) == '.' && At(1) != '.') {
    Take(1);
    TakeWhile(IsDigit);
    floating = true;
  }
  const char e = At(0), sign = At(1);
  if ((e == 'e' || e == 'E') &&
      (IsDigit(sign) || ((sign == '+' || sign == '-') && IsDigit(At(2))))) {
    Take(IsDigit(sign) ? 1 : 2);
    TakeWhile(IsDigit);
    floating = true;
  }
  if (floating) return kFloatLiteral;
  if (digits < 10) return kIntegerLiteral;
  if (digits == 10 && std::strncmp(mText + start, "2147483647", 10) <= 0) return kIntegerLiteral;
  return kFloatLiteral;
}

int32_t PluginDeclarationLexer::ScanDot() {
  if (At(1) == '.') {
    const bool ellipsis = At(2) == '.';
    Take(ellipsis ? 3 : 2);
    return ellipsis ? kEllipsis : kDotDot;
  }
  if (!IsDigit(At(1))) {
    Take(1);
    return '.';
  }
  Take(1);
  TakeWhile(IsDigit);
  const char e = At(0), sign = At(1);
  if ((e == 'e' || e == 'E') &&
      (IsDigit(sign) || ((sign == '+' || sign == '-') && IsDigit(At(2))))) {
    Take(IsDigit(sign) ? 1 : 2);
    TakeWhile(IsDigit);
  }
  return kFloatLiteral;
}

int32_t PluginDeclarationLexer::ScanBasedLiteral() {
  const char base = static_cast<char>(At(1) | 0x20);
  if (base != 'h' && base != 'o' && base != 'b' && base != 'c') {
    Take(1);
    return '&';
  }
  Take(2);
  const int32_t start = mPosition;
  TakeWhile(base == 'o' ? IsOctalDigit : base == 'b' ? IsBinaryDigit : IsHexDigit);
  if (base != 'c') return kIntegerLiteral;
  return mPosition - start <= 6 ? kColorLiteral : kLongColorLiteral;
}

int32_t PluginDeclarationLexer::ScanDirective() {
  Take(1);
  if (!IsLetter(static_cast<unsigned char>(At(0)))) return kHash;
  TakeWhile(IsLetter);
  const int32_t code = KeywordCode(mToken);
  return code ? code : kHash;
}

int32_t PluginDeclarationLexer::ScanString() {
  ++mPosition;  // the opening quote is not part of the text
  while (mPosition < mLength) {
    if (mText[mPosition] != '"') {
      Take(1);
      continue;
    }
    if (At(1) != '"') {
      ++mPosition;
      return kStringLiteral;
    }
    Take(1);  // a doubled quote stands for one
    ++mPosition;
  }
  return kUnclosedString;
}

bool IsPluginKeyword(const string& word) {
  return !word.IsEmpty() && KeywordCode(word.CString()) != 0;
}

bool IsHexText(const char* text, int32_t length) {
  if (!text) return length <= 0;
  for (int32_t i = 0; i < length; ++i) {
    if (!IsHexDigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

uint32_t NumberLiteralValue(const char* text) {
  if (!text) return 0;
  if (text[0] != '&') return Accumulate(text, 10, -1, nullptr);
  switch (text[1] | 0x20) {
    case 'h':
      return Accumulate(text + 2, 16, -1, nullptr);
    case 'o':
      return Accumulate(text + 2, 8, -1, nullptr);
    case 'b':
      return Accumulate(text + 2, 2, -1, nullptr);
    case 'c': {
      const char* rest = nullptr;
      const uint32_t rgb = Accumulate(text + 2, 16, 6, &rest);
      return rgb | (Accumulate(rest, 16, -1, nullptr) << 24);
    }
    default:
      return 0;
  }
}
