#include "database/SQLTokenizer.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// Blanks, control bytes and (as signed characters) every byte of 0x80 or more.
bool IsSeparator(char c) { return static_cast<signed char>(c) <= 32; }
bool EndsWord(char c) {
  switch (c) {
    case '(': case ')': case ',': case '<': case '>': case '=': case '.': return true;
    default: return IsSeparator(c);
  }
}

}  // namespace

bool SQLToken::Is(const char* keyword) const {
  if (kind != SQLTokenKind::kWord) return false;
  size_t i = 0;
  for (; keyword[i]; ++i) {
    if (i >= text.size()) return false;
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != keyword[i]) return false;
  }
  return i == text.size();
}

std::string SQLToken::Value() const {
  if (kind == SQLTokenKind::kQuoted) return text.substr(1, text.size() - 2);
  return text;
}

SQLToken SQLTokenizer::Next() {
  mLastPosition = mPosition;
  const size_t n = mText.size();
  size_t p = mPosition;
  while (p < n && IsSeparator(mText[p])) ++p;
  SQLToken token;
  if (p >= n) {
    mPosition = n;
    return token;
  }
  const char c = mText[p];
  const char next = p + 1 < n ? mText[p + 1] : 0;
  token.kind = SQLTokenKind::kSymbol;
  if (c == '<' && (next == '=' || next == '>')) {
    token.text.assign(mText.substr(p, 2));
    p += 2;
  } else if (c == '>' && next == '=') {
    token.text = ">=";
    p += 2;
  } else if (c == '<' || c == '>' || c == '(' || c == ')' || c == ',' || c == '.' || c == '=') {
    token.text.assign(1, c);
    ++p;
  } else if (c == '[') {
    size_t close = mText.find(']', p + 1);
    if (close == std::string_view::npos) close = n;
    token.kind = SQLTokenKind::kBracketed;
    token.text.assign(mText.substr(p + 1, close - p - 1));
    p = close < n ? close + 1 : n;
  } else if (c == '\'' || c == '"') {
    token.kind = SQLTokenKind::kQuoted;
    token.text.assign(1, c);
    ++p;
    while (p < n) {
      if (mText[p] == c) {
        if (p + 1 < n && mText[p + 1] == c) {
          token.text += c;
          p += 2;
          continue;
        }
        ++p;
        break;
      }
      size_t run = p;
      while (run < n && mText[run] != c) ++run;
      token.text.append(mText.substr(p, run - p));
      p = run;
    }
    token.text += c;
  } else if (IsDigit(c) || (c == '-' && IsDigit(next))) {
    token.kind = SQLTokenKind::kNumber;
    size_t end = p + 1;
    while (end < n && (IsDigit(mText[end]) || mText[end] == '.')) ++end;
    token.text.assign(mText.substr(p, end - p));
    p = end;
  } else if (c == '-') {
    token.text = "-";
    ++p;
  } else {
    token.kind = SQLTokenKind::kWord;
    size_t end = p + 1;
    while (end < n && !EndsWord(mText[end])) ++end;
    token.text.assign(mText.substr(p, end - p));
    p = end;
  }
  mPosition = p;
  return token;
}

bool IsValidSQLName(std::string_view text) {
  if (text.empty()) return false;
  const auto first = static_cast<unsigned char>(text[0]);
  if (!IsLetter(first) && first < 0x80) return false;
  for (size_t i = 1; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!IsLetter(c) && !IsDigit(static_cast<char>(c)) && c != '#' && c != '_' && c != ' ' &&
        c < 0x80)
      return false;
  }
  return true;
}

bool IsAllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!IsDigit(c)) return false;
  return true;
}

bool IsNameToken(const SQLToken& token) {
  return (token.kind == SQLTokenKind::kWord || token.kind == SQLTokenKind::kBracketed) &&
         IsValidSQLName(token.text);
}
