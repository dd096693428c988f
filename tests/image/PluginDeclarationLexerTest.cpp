// The lexer of plug-in declarations: token codes and texts for each kind of token, the bounds
// of numbers, based and colour literals, comments and strings, and tokens far longer than the
// token buffer.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "image/PluginDeclarationLexer.h"

namespace {

using namespace plugin_tokens;

using Token = std::pair<int32_t, std::string>;

// Every token of text up to the end, as NextTokenSkippingComment (or NextToken) gives them.
std::vector<Token> Tokens(const std::string& text, bool skipComments = true) {
  PluginDeclarationLexer lexer(text.c_str());
  std::vector<Token> tokens;
  for (int32_t i = 0; i < 64; ++i) {
    const int32_t code = skipComments ? lexer.NextTokenSkippingComment() : lexer.NextToken();
    if (code == kEnd) break;
    tokens.emplace_back(code, lexer.TokenText());
  }
  return tokens;
}

std::vector<int32_t> Codes(const std::string& text, bool skipComments = true) {
  std::vector<int32_t> codes;
  for (const Token& token : Tokens(text, skipComments)) codes.push_back(token.first);
  return codes;
}

TEST(PluginDeclarationLexer, NumbersUpToTenDigitsAreIntegersWhileTheyFitInt32) {
  EXPECT_EQ(Codes("123456789 2147483647 0000000001"),
            (std::vector<int32_t>{kIntegerLiteral, kIntegerLiteral, kIntegerLiteral}));
  EXPECT_EQ(Codes("2147483648 9999999999 12345678901"),
            (std::vector<int32_t>{kFloatLiteral, kFloatLiteral, kFloatLiteral}));
  EXPECT_EQ(Codes("1.5 .5 1e9 2.5E-3 1."), std::vector<int32_t>(5, kFloatLiteral));
  // An exponent needs digits: "1e" is a number and a name, "1..2" a number, a range, a number.
  EXPECT_EQ(Tokens("1e"), (std::vector<Token>{{kIntegerLiteral, "1"}, {kIdentifier, "e"}}));
  EXPECT_EQ(Codes("1..2"), (std::vector<int32_t>{kIntegerLiteral, kDotDot, kIntegerLiteral}));
}

TEST(PluginDeclarationLexer, BasedAndColourLiteralsAndTheirValues) {
  EXPECT_EQ(Codes("&HFF &o17 &B101 &C123456 &c12 &C12345678 & &x"),
            (std::vector<int32_t>{kIntegerLiteral, kIntegerLiteral, kIntegerLiteral, kColorLiteral,
                                  kColorLiteral, kLongColorLiteral, '&', '&', kIdentifier}));
  EXPECT_EQ(NumberLiteralValue("&HFF"), 255u);
  EXPECT_EQ(NumberLiteralValue("&hffffffff"), 0xFFFFFFFFu);
  EXPECT_EQ(NumberLiteralValue("&O17"), 15u);
  EXPECT_EQ(NumberLiteralValue("&B101"), 5u);
  EXPECT_EQ(NumberLiteralValue("&CFF8000"), 0xFF8000u);
  EXPECT_EQ(NumberLiteralValue("&C11223344"), 0x44112233u);  // digits past six: the top byte
  EXPECT_EQ(NumberLiteralValue("42"), 42u);
  EXPECT_EQ(NumberLiteralValue("4294967297"), 1u);  // wraps at 32 bits
  EXPECT_TRUE(IsHexText("09afAF", 6));
  EXPECT_FALSE(IsHexText("0g", 2));
}

TEST(PluginDeclarationLexer, CommentsEndTheTextOrStandAsTheirToken) {
  EXPECT_EQ(Tokens("name 'the rest"), (std::vector<Token>{{kIdentifier, "name"}}));
  EXPECT_EQ(Codes("a // b c"), (std::vector<int32_t>{kIdentifier}));
  EXPECT_EQ(Codes("rem a b"), (std::vector<int32_t>{}));
  EXPECT_EQ(Codes("a 'b", false), (std::vector<int32_t>{kIdentifier, kComment, kIdentifier}));
  EXPECT_EQ(Codes("a / b", false), (std::vector<int32_t>{kIdentifier, '/', kIdentifier}));
}

TEST(PluginDeclarationLexer, StringsKeepOneQuoteOfEachDoubledPair) {
  EXPECT_EQ(Tokens("\"say \"\"hi\"\"\" x"),
            (std::vector<Token>{{kStringLiteral, "say \"hi\""}, {kIdentifier, "x"}}));
  EXPECT_EQ(Tokens("\"\""), (std::vector<Token>{{kStringLiteral, ""}}));
  EXPECT_EQ(Tokens("\"open"), (std::vector<Token>{{kUnclosedString, "open"}}));
}

TEST(PluginDeclarationLexer, KeywordsDirectivesOperatorsAndOldClassNames) {
  EXPECT_EQ(Codes("Const CONST ByVal byref As integer OBJECT color Extends Assigns"),
            (std::vector<int32_t>{kByVal, kByVal, kByVal, kByRef, kAs, kInteger, kObject, kColor,
                                  kExtends, kAssigns}));
  EXPECT_EQ(Codes("#pragma #IF #else #EndIf #elseif #foo #"),
            (std::vector<int32_t>{kPragma, kIf, kElse, kEndIf, kElseIf, kHash, kHash}));
  EXPECT_EQ(Codes(":= >= <= <> ... .. . < > : = ( ) ,"),
            (std::vector<int32_t>{kColonEquals, kGreaterEqual, kLessEqual, kNotEqual, kEllipsis,
                                  kDotDot, '.', '<', '>', ':', '=', '(', ')', ','}));
  EXPECT_EQ(Tokens("DatabaseCursor databasecursorfield _x ~y \xC3\xA9t\xC3\xA9"),
            (std::vector<Token>{{kIdentifier, "RecordSet"},
                                {kIdentifier, "DatabaseField"},
                                {kIdentifier, "_x"},
                                {kIdentifier, "~y"},
                                {kIdentifier, "\xC3\xA9t\xC3\xA9"}}));
  EXPECT_TRUE(IsPluginKeyword(string("paramarray")));
  EXPECT_FALSE(IsPluginKeyword(string("Integr")));
  EXPECT_FALSE(IsPluginKeyword(string()));
}

// A token longer than the buffer is cut there; the rest of it is skipped, never written past
// the buffer, and the next token is read after it.
TEST(PluginDeclarationLexer, TokensLongerThanTheBufferAreCut) {
  constexpr int32_t kCapacity = PluginDeclarationLexer::kTokenTextCapacity;
  for (const std::string& longToken :
       {std::string(10000, 'n'), std::string(10000, '7'), "\"" + std::string(5000, 's') + "\""}) {
    const std::string text = longToken + " tail";
    PluginDeclarationLexer lexer(text.c_str());
    const int32_t code = lexer.NextToken();
    EXPECT_NE(code, kEnd);
    EXPECT_EQ(lexer.TokenLength(), kCapacity);
    EXPECT_EQ(std::string(lexer.TokenText()), longToken.substr(longToken[0] == '"', kCapacity));
    EXPECT_EQ(lexer.TokenEnd(), int32_t(longToken.size()));
    EXPECT_EQ(lexer.NextToken(), kIdentifier);
    EXPECT_STREQ(lexer.TokenText(), "tail");
    EXPECT_EQ(lexer.NextToken(), kEnd);
  }
}

TEST(PluginDeclarationLexer, PeekedTokensAndRanges) {
  PluginDeclarationLexer lexer("  Fold( n As Integer)");
  EXPECT_EQ(lexer.NextToken(), kIdentifier);
  EXPECT_EQ(lexer.TokenStart(), 2);
  EXPECT_EQ(lexer.TokenEnd(), 6);
  lexer.PeekToken(kIdentifier);
  EXPECT_EQ(lexer.NextToken(), kIdentifier);
  EXPECT_EQ(lexer.NextToken(), '(');
  EXPECT_EQ(lexer.Position(), 7);
}

}  // namespace
