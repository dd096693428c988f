// The lexer of plug-in declarations: plug-ins describe each method, property accessor and event
// with one line in the language's own syntax ("Find(name As String, deep As Boolean = True) As
// Window"), which this lexer cuts into tokens for the declaration parser.
//
// A lexer works over one NUL-terminated text that the caller keeps alive while it scans. Every
// token's text is bounded by the token buffer: a longer identifier, number or string is cut
// at kTokenTextCapacity bytes and the rest of it is skipped, so no text can overflow it.
// Unexpected characters are not errors: each is a token of its own code.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

namespace plugin_tokens {

constexpr int32_t kEnd = -1;            // end of text; NextTokenSkippingComment also for a comment
constexpr int32_t kHash = '#';          // "#" followed by a word that is no directive
constexpr int32_t kFirstKeyword = 257;  // keyword = kFirstKeyword + position in the list
constexpr int32_t kKeywordCount = 88;
constexpr int32_t kAs = 261;
constexpr int32_t kInteger = 262;
constexpr int32_t kString = 270;
constexpr int32_t kSingle = 277;
constexpr int32_t kDouble = 278;
constexpr int32_t kNil = 282;
constexpr int32_t kComment = 283;  // "Rem", "'" and "//"
constexpr int32_t kTrue = 287;
constexpr int32_t kFalse = 288;
constexpr int32_t kByRef = 289;
constexpr int32_t kBoolean = 290;
constexpr int32_t kColor = 302;
constexpr int32_t kPragma = 305;
constexpr int32_t kByVal = 307;  // also "Const"
constexpr int32_t kIf = 310;
constexpr int32_t kElse = 311;
constexpr int32_t kEndIf = 312;
constexpr int32_t kExtends = 334;
constexpr int32_t kAssigns = 335;
constexpr int32_t kElseIf = 341;
constexpr int32_t kObject = 342;
constexpr int32_t kIdentifier = 400;
constexpr int32_t kIntegerLiteral = 401;  // up to 2147483647, or "&H" "&O" "&B" digits
constexpr int32_t kStringLiteral = 402;
constexpr int32_t kColonEquals = 403;
constexpr int32_t kGreaterEqual = 404;
constexpr int32_t kLessEqual = 405;
constexpr int32_t kNotEqual = 406;
constexpr int32_t kEllipsis = 407;
constexpr int32_t kDotDot = 408;
constexpr int32_t kFloatLiteral = 409;  // also an integer too long for kIntegerLiteral
constexpr int32_t kColorLiteral = 410;  // "&C" and up to 6 hexadecimal digits
constexpr int32_t kUnclosedString = 601;
constexpr int32_t kLongColorLiteral = 602;  // "&C" and more than 6 digits

}  // namespace plugin_tokens

class PluginDeclarationLexer {
 public:
  // Bytes of a token's text kept (a string literal's text without its quotes).
  static constexpr int32_t kTokenTextCapacity = 2045;
  static constexpr int32_t kNoPeek = -1000;

  PluginDeclarationLexer() = default;
  explicit PluginDeclarationLexer(const char* text) { SetText(text); }

  // Starts over on text (nil is the empty text).
  void SetText(const char* text);
  // The peeked token if there is one, else the next one scanned.
  int32_t NextToken();
  // As NextToken, but a comment skips the rest of the text and yields kEnd.
  int32_t NextTokenSkippingComment();
  // Gives code back: the next NextToken answers it again (the token text stays as it is).
  void PeekToken(int32_t code) { mPeeked = code; }

  // The text of the last token scanned, cut at kTokenTextCapacity bytes; NUL-terminated.
  const char* TokenText() const { return mToken; }
  int32_t TokenLength() const { return mTokenLength; }
  // Byte positions in the text where the last token scanned starts and ends.
  int32_t TokenStart() const { return mTokenStart; }
  int32_t TokenEnd() const { return mTokenEnd; }
  int32_t Position() const { return mPosition; }

 private:
  int32_t Scan();
  int32_t ScanIdentifier();
  int32_t ScanNumber();
  int32_t ScanDot();
  int32_t ScanBasedLiteral();
  int32_t ScanDirective();
  int32_t ScanString();
  char At(int32_t offset) const;  // the byte offset past the position, NUL past the end
  void Take(int32_t count);       // moves past count bytes, keeping what fits of them
  void TakeWhile(bool (*accept)(unsigned char));

  const char* mText = "";
  int32_t mLength = 0;
  int32_t mPosition = 0;
  int32_t mPeeked = kNoPeek;
  int32_t mTokenStart = 0;
  int32_t mTokenEnd = 0;
  int32_t mTokenLength = 0;
  char mToken[kTokenTextCapacity + 1] = {};
};

// True when word is one of the keywords, letter case ignored.
bool IsPluginKeyword(const string& word);
// True when each of the length bytes of text is a hexadecimal digit.
bool IsHexText(const char* text, int32_t length);
// The 32-bit value of an integer or colour literal's text: "&H", "&O", "&B" in their base,
// "&C" as a colour (the first 6 digits the RGB value, further digits into the top byte),
// otherwise decimal (wrapping to 32 bits).
uint32_t NumberLiteralValue(const char* text);
