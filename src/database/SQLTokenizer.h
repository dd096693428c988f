// The SQL front end's tokenizer: reads a statement's text from the front, one token at a time,
// through a position, so that a parser that read one token too many puts it back exactly.
//
// Tokens: "<", "<=", "<>", ">", ">=", "(", ")", ",", ".", "="; a bracketed name (without its
// brackets, up to the next "]"); a quoted literal (with its quotes, doubled quotes read as one,
// a closing quote added at the end of the text); a number (a digit or "-" followed by a digit,
// then digits and "."); otherwise a word, which ends at a blank or control byte, at a byte of
// 0x80 or more, or at "(", ")", ",", "<", ">", "=", ".". Outside quotes and brackets a byte of
// 0x80 or more separates words and is skipped like a blank.
//
// Keywords are words compared ignoring ASCII case; literals, bracketed names and numbers never
// are keywords.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

enum class SQLTokenKind { kEnd, kWord, kSymbol, kBracketed, kQuoted, kNumber };

struct SQLToken {
  SQLTokenKind kind = SQLTokenKind::kEnd;
  std::string text;

  bool IsEnd() const { return kind == SQLTokenKind::kEnd; }
  // A word equal to keyword (lower case ASCII) ignoring case.
  bool Is(const char* keyword) const;
  // One of the punctuation tokens.
  bool IsSymbol(const char* symbol) const {
    return kind == SQLTokenKind::kSymbol && text == symbol;
  }
  bool IsQuoted() const { return kind == SQLTokenKind::kQuoted; }
  // A literal's text without its quotes; any other token as it stands.
  std::string Value() const;
};

class SQLTokenizer {
 public:
  explicit SQLTokenizer(std::string_view text) : mText(text) {}

  // The next token; an end token once the text is used up.
  SQLToken Next();
  // Puts back the token the last Next read (once).
  void PutBack() { mPosition = mLastPosition; }
  size_t Position() const { return mPosition; }

 private:
  std::string_view mText;
  size_t mPosition = 0;
  size_t mLastPosition = 0;
};

// A name: not empty, a first byte that is an ASCII letter or 0x80 or more, every further byte a
// letter, digit, "#", "_", blank, or 0x80 or more (0x80 continues UTF-8 characters).
bool IsValidSQLName(std::string_view text);
// Not empty, and only the digits 0-9.
bool IsAllDigits(std::string_view text);
// A token that names something: a word or a bracketed name that is a valid name.
bool IsNameToken(const SQLToken& token);
