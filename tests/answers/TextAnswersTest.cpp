// What the text and numbers areas must hold whatever they answer: the inputs whose answers the
// next mends are measured against, and lines for every row the registries give them.
#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <set>
#include <string>

#include "answers/TextRows.h"
#include "answers/TextSamples.h"
#include "app/ExternalClasses.h"
#include "core/ExportSignature.h"

namespace {

const char* const kAreas[] = {"text", "slices", "search", "fields", "numbers", "locales"};

// The keys of the committed lines of every text and numbers area.
std::set<std::string> CommittedKeys() {
  std::set<std::string> keys;
  for (const char* area : kAreas) {
    std::ifstream in(std::string(QV_ANSWERS_DIR) + "/" + area + ".txt");
    std::string line;
    while (std::getline(in, line)) {
      const size_t arrow = line.find(" -> ");
      if (!line.empty() && line[0] != '#' && arrow != std::string::npos) {
        keys.insert(line.substr(0, arrow));
      }
    }
  }
  return keys;
}

TEST(TextAnswers, SamplesAreWrittenByTheCLibrary) {
  std::string bytes;
  ASSERT_TRUE(answers::Recode("日本語", "UTF-8", "ISO-2022-JP", &bytes));
  EXPECT_EQ(bytes, "\x1B$BF|K\\8l\x1B(B");
  size_t ascii = 0, nihongo = 0;
  for (const answers::SampleText& text : answers::SampleTexts()) {
    ascii += text.utf8 == "Hello, World";
    nihongo += text.utf8 == "日本語";
  }
  EXPECT_EQ(ascii, answers::TextForms().size()) << "an ASCII text is written in every form";
  EXPECT_EQ(nihongo, 12u) << "five Unicode forms, none, and the six CJK code pages";
}

// The answers the next mends change: whatever they are now, their lines must be there.
TEST(TextAnswers, TheAnswersToBeMendedHaveLines) {
  const std::string nihongo = "\"\\x1B$BF|K\\\\8l\\x1B(B\"@ISO-2022-JP";
  const std::string surrogate = "\"\\x00\\xD8\\x00\\x80\"@UTF-32";
  const std::string lowSurrogate = "\"\\x00\\xD8\\x00\\x00\"@UTF-32";
  const std::string markedBigEndian =
      "\"\\x00\\x00\\xFE\\xFF\\x00\\x00\\x00a\\x00\\x00\\x00b\\x00\\x00\\x00c\"@UTF-32";
  const std::string markedUTF16 = "\"\\xFF\\xFEa\\x00b\\x00c\\x00\"@UTF-16";
  const std::set<std::string> keys = CommittedKeys();
  for (const std::string& key : std::initializer_list<std::string>{
           "fr_FR.UTF-8 | CDbl/runCDbl(\"3.14\"@Latin1)",
           "fr_FR.UTF-8 | CDbl/runCDbl(\"1.234,5\"@Latin1)",
           "ps_AF.UTF-8 | CDbl/runCDbl(\"1,5\"@Latin1)",
           "C | Mid/StringDBCSMid2(" + nihongo + ", 2)",
           "C | Mid/StringDBCSMid3(" + nihongo + ", 3, 3)",
           "C | Right/StringDBCSRight(" + nihongo + ", 10)",
           "C | InStr/StringDBCSInStr(1, " + surrogate + ", " + lowSurrogate + ")",
           "C | InStrB/StringInStrB(1, " + surrogate + ", " + lowSurrogate + ")",
           "C | InStr/StringDBCSInStr(1, \"BA\\x00\\xFFAB\"@UTF-32, \"AB\"@UTF-32)",
           "C | InStrB/StringInStrB(1, \"BA\\x00\\xFFAB\"@UTF-32, \"AB\"@UTF-32)",
           "C | Len/StringDBCSLen(\"BA\\x00\\xFF\"@UTF-32)",
           "C | Mid/StringDBCSMid2(" + markedBigEndian + ", 2)",
           "C | InStr/StringDBCSInStr(13, " + nihongo + ", \"\\x1B(B\"@ISO-2022-JP)",
           "C | InStr/StringDBCSInStr(9, " + markedUTF16 + ", \"\\xFF\\xFE\"@UTF-16)",
       }) {
    EXPECT_TRUE(keys.count(key)) << "no line " << key;
  }
}

// A row the registries give lines to that has none in the table would leave its export's
// answers free to change: every one is called in some area, and every answer was read.
TEST(TextAnswers, EveryRowWithLinesIsCalled) {
  RuntimeInitExternalClasses();
  const std::set<std::string> keys = CommittedKeys();
  size_t rows = 0;
  for (const answers::CallRow& row : answers::TextAndNumberRows()) {
    EXPECT_NE(row.without, answers::kClassNotFound) << row.name;
    if (!row.without.empty()) {
      EXPECT_TRUE(keys.count("C | no lines: " + row.name + "/" + row.exportName)) << row.name;
      continue;
    }
    ++rows;
    EXPECT_TRUE(keys.count("called | " + row.exportName)) << row.name << " has no line";
  }
  EXPECT_GT(rows, 150u);
}

// The letter a kind's value travels as (ExportSignature.h).
char LetterOf(answers::Kind kind) {
  using answers::Kind;
  switch (kind) {
    case Kind::kNone: return 'v';
    case Kind::kInt64:
    case Kind::kUInt64:
    case Kind::kCurrency: return 'l';
    case Kind::kSingle: return 'f';
    case Kind::kDouble: return 'd';
    default: return 'i';
  }
}

// A row whose kinds disagree with its function would pass words the function does not read
// and read a result it does not give.
TEST(TextAnswers, RowKindsAgreeWithTheExportSignatures) {
  RuntimeInitExternalClasses();
  for (const answers::CallRow& row : answers::TextAndNumberRows()) {
    if (!row.without.empty()) continue;
    std::string head = {LetterOf(row.result), '('};
    if (row.self != answers::Kind::kNone) head += 'i';
    std::string tail;
    for (answers::Kind kind : row.parameters) tail += LetterOf(kind);
    tail += ')';
    const char* recorded = FindExportSignature(row.exportName.c_str());
    ASSERT_NE(recorded, nullptr) << row.exportName;
    // A getter may leave out the property's word it does not read.
    const bool agrees = recorded == head + (row.hasWord ? "i" : "") + tail ||
                        (row.hasWord && !row.setter && recorded == head + tail);
    EXPECT_TRUE(agrees) << row.name << "/" << row.exportName << ": " << recorded;
  }
}

// Whatever locale an area runs under, its numbers read the same.
TEST(TextAnswers, NumbersAreWrittenInNoLocale) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  EXPECT_EQ(answers::Number(0.5), "0.5");
  EXPECT_EQ(answers::Number(100.0), "100");
  EXPECT_EQ(answers::Number(-0.0), "-0");
  EXPECT_EQ(answers::Number(1e21), "1e+21");
  EXPECT_EQ(answers::ApproximateNumber(0.84147098480789650), "0.841470984808");
  EXPECT_EQ(answers::ApproximateNumber(1e300 * 10), "1e+301");
  EXPECT_EQ(answers::DescribeCurrency(-15000), "-1.5000");
  EXPECT_EQ(answers::DescribeCurrency(INT64_MIN), "-922337203685477.5808");
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
