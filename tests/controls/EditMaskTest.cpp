// The input mask on its own, without a display: which text a mask accepts, the literals it
// shows next, and what one edit of a masked text becomes, in the C locale and in locales whose
// separators differ (German) or take several bytes (French); a match taken in pieces.
#include <gtest/gtest.h>

#include <clocale>
#include <random>
#include <string>
#include <vector>

#include "controls/EditMask.h"

namespace {

struct MatchCase {
  const char* mask;
  const char* text;
  MaskResult result;
  const char* accepted;
  const char* literals;
};

void ExpectMatches(const MatchCase* cases, size_t count, const MaskSeparators& separators) {
  for (size_t i = 0; i < count; ++i) {
    const MatchCase& c = cases[i];
    SCOPED_TRACE(std::string("mask \"") + c.mask + "\" text \"" + c.text + "\"");
    const MaskMatch match = MatchMask(c.text, c.mask, separators);
    EXPECT_EQ(match.result, c.result);
    EXPECT_EQ(match.accepted, c.accepted);
    EXPECT_EQ(match.literals, c.literals);
    if (match.result == MaskResult::kAccepted) {
      // What was accepted is accepted whole again.
      const MaskMatch again = MatchMask(match.accepted, c.mask, separators);
      EXPECT_EQ(again.result, MaskResult::kAccepted);
      EXPECT_EQ(again.accepted, match.accepted);
    }
  }
}

constexpr MaskResult kYes = MaskResult::kAccepted;
constexpr MaskResult kNo = MaskResult::kRefused;
constexpr MaskResult kTilde = MaskResult::kReserved;

TEST(EditMask, PositionsLiteralsAndEscapes) {
  const MatchCase cases[] = {
      {"(###)", "", kYes, "", "("},
      {"(###)", "5", kNo, "", ""},  // the parenthesis was never typed
      {"(###)", "(5", kYes, "(5", ""},
      {"(###)-###", "(555", kYes, "(555", ")-"},
      {"###", "12a", kNo, "12", ""},
      {"###", "123", kYes, "123", ""},
      {"##", "123", kNo, "12", ""},  // text longer than the mask
      {"9#", "1", kYes, "1", ""},    // the optional position takes the digit
      {"9#", "12", kYes, "12", ""},
      {"9#", "a", kNo, "", ""},      // skips the optional position, fails the next
      {"a#", "-1", kNo, "", ""},
      {"a#", "1", kYes, "1", ""},
      {"a#", "x1", kYes, "x1", ""},
      {"?A", "b2", kYes, "b2", ""},
      {"?A", "2", kNo, "", ""},
      {"&#", "\x01", kNo, "", ""},  // a control character skips "&", then fails "#"
      {"C-C", "x-y", kYes, "x-y", ""},
      {"\\#-##", "", kYes, "", "#-"},
      {"\\#-##", "#-1", kYes, "#-1", ""},
      {"\\#-##", "1", kNo, "", ""},
      {"##\\", "12", kYes, "12", ""},  // a backslash at the end ends the literals
      {"##\\", "123", kNo, "12", ""},  // ... and refuses what reaches it
      {"##\\\\", "12", kYes, "12", "\\"},
  };
  ExpectMatches(cases, std::size(cases), MaskSeparators());
}

TEST(EditMask, CaseModesMapButStillTest) {
  const MatchCase cases[] = {
      {">???", "ab", kYes, "AB", ""},
      {"<??", "AB", kYes, "ab", ""},
      {">?<?", "aB", kYes, "Ab", ""},
      {">A", "b", kYes, "B", ""},
      {">A", "-", kNo, "", ""},     // the mode maps; A still wants a letter or digit
      {">(#", "(1", kYes, "(1", ""},
      {">x#", "x1", kYes, "x1", ""},  // a lower-case literal is matched before mapping
      {">#", "12", kNo, "1", ""},   // the mask ends in any mode
      {">&&", "éz", kYes, "ÉZ", ""},
      {"<&", "Ж", kYes, "ж", ""},
      {">?", "é", kNo, "", ""},     // ? takes ASCII letters only
  };
  ExpectMatches(cases, std::size(cases), MaskSeparators());
}

TEST(EditMask, NonASCIIAndInvalidText) {
  const MatchCase cases[] = {
      {"&&", "日本", kYes, "日本", ""},
      {"#", "日", kNo, "", ""},
      {"é#", "é1", kYes, "é1", ""},
      {"é#", "", kYes, "", "é"},
      {"&&", "\xC3", kYes, "\xC3", ""},  // a sequence cut short is one character
      {"#", "\xE6\x97", kNo, "", ""},
      {"&#", "\x80" "1", kYes, "\x80" "1", ""},  // a stray continuation byte
      {"#~", "1a", kTilde, "1", ""},
      {"#~", "1", kYes, "1", ""},  // the tilde is never reached
      {"~", "", kYes, "", ""},
  };
  ExpectMatches(cases, std::size(cases), MaskSeparators());
}

// Switches the whole process locale for a test, and back.
class LocaleSwitch {
 public:
  explicit LocaleSwitch(const char* name) : mSaved(std::setlocale(LC_ALL, nullptr)) {
    mActive = std::setlocale(LC_ALL, name) != nullptr;
  }
  ~LocaleSwitch() { std::setlocale(LC_ALL, mSaved.c_str()); }
  bool active() const { return mActive; }

 private:
  std::string mSaved;
  bool mActive = false;
};

TEST(EditMask, SeparatorsFollowTheLocale) {
  {
    LocaleSwitch c("C");
    const MatchCase cases[] = {
        {"#,###.##", "1,234.56", kYes, "1,234.56", ""},
        {"#,###.##", "1.234", kNo, "1", ""},
        {"##/##:##", "12/34:5", kYes, "12/34:5", ""},
        {"#,", "1", kYes, "1", ","},
    };
    ExpectMatches(cases, std::size(cases), LocaleMaskSeparators());
  }
  {
    LocaleSwitch german("de_DE.UTF-8");
    if (!german.active()) GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    const MatchCase cases[] = {
        {"#,###.##", "1.234,56", kYes, "1.234,56", ""},
        {"#,###.##", "1,234", kNo, "1", ""},
        {"#.", "1", kYes, "1", ","},
    };
    ExpectMatches(cases, std::size(cases), LocaleMaskSeparators());
  }
  {
    LocaleSwitch french("fr_FR.UTF-8");
    if (!french.active()) GTEST_SKIP() << "fr_FR.UTF-8 is not installed";
    const MaskSeparators separators = LocaleMaskSeparators();
    ASSERT_GT(separators.thousands.size(), 1u) << "a multi-byte thousands separator";
    const std::string grouped = "1" + separators.thousands + "234,5";
    const MatchCase cases[] = {
        {"#,###.#", grouped.c_str(), kYes, grouped.c_str(), ""},
        {"#,###.#", "1 234", kNo, "1", ""},
        {"#,", "1", kYes, "1", separators.thousands.c_str()},
    };
    ExpectMatches(cases, std::size(cases), separators);
  }
}

// ---- one edit ----

MaskEdit Typed(int32_t at, const char* text, int32_t deleted = 0, bool selection = false) {
  MaskEdit edit;
  edit.start = at;
  edit.deleted = deleted;
  edit.position = at;
  edit.inserted = text;
  edit.hasSelection = selection;
  return edit;
}

TEST(EditMask, EditsThatFitTakeTheLiteralsAndMoveTheCaret) {
  const MaskSeparators c;
  MaskStep step = ApplyMaskEdit("(55", Typed(3, "5"), "(###)-###", c, false);
  EXPECT_EQ(step.result, kYes);
  EXPECT_EQ(step.text, "(555)-");
  EXPECT_EQ(step.selStart, 6);
  EXPECT_EQ(step.selLength, 0);
  // Backspace: the literals are not shown again at once.
  step = ApplyMaskEdit("(555)-", Typed(5, "", 1), "(###)-###", c, false);
  EXPECT_EQ(step.text, "(555)");
  EXPECT_EQ(step.selStart, 5);
  // A selection replaced by a typed digit.
  step = ApplyMaskEdit("123", Typed(0, "9", 2, true), "###", c, false);
  EXPECT_EQ(step.text, "93");
  EXPECT_EQ(step.selStart, 1);
  // Selecting what was inserted.
  MaskEdit select = Typed(1, "4");
  select.select = true;
  step = ApplyMaskEdit("(", select, "(#)", c, false);
  EXPECT_EQ(step.text, "(4)");
  EXPECT_EQ(step.selStart, 1);
  EXPECT_EQ(step.selLength, 2);
  // Positions count characters.
  step = ApplyMaskEdit("é", Typed(1, "b"), "&&-#", c, false);
  EXPECT_EQ(step.text, "éb-");
  EXPECT_EQ(step.selStart, 3);
}

TEST(EditMask, EditsThatBreakTheMaskLeaveTheTextOrKeepTheAcceptedPart) {
  const MaskSeparators c;
  // A wrong character mid-text: the text stays as it was.
  MaskStep step = ApplyMaskEdit("123-456", Typed(1, "x"), "###-###", c, false);
  EXPECT_EQ(step.result, kNo);
  EXPECT_FALSE(step.changeText);
  EXPECT_EQ(step.invalidText, "1x23-456");
  EXPECT_EQ(step.startPosition, 2);
  // Deleting a digit shifts the dash into a digit's place.
  step = ApplyMaskEdit("123-456", Typed(1, "", 1), "###-###", c, false);
  EXPECT_FALSE(step.changeText);
  EXPECT_EQ(step.invalidText, "13-456");
  EXPECT_EQ(step.startPosition, 3);
  step = ApplyMaskEdit("", Typed(0, "5"), "(###)", c, false);
  EXPECT_EQ(step.invalidText, "5");
  EXPECT_EQ(step.startPosition, 1);
  // The start position counts characters.
  step = ApplyMaskEdit("éé", Typed(2, "1"), "&&?", c, false);
  EXPECT_EQ(step.startPosition, 3);
  // A new mask re-checks the text and keeps what fits.
  step = ApplyMaskEdit("abc", Typed(0, ""), "###", c, true);
  EXPECT_TRUE(step.changeText);
  EXPECT_EQ(step.text, "");
  EXPECT_EQ(step.startPosition, 1);
  step = ApplyMaskEdit("", Typed(0, ""), "(###)", c, true);
  EXPECT_EQ(step.result, kYes);
  EXPECT_EQ(step.text, "(");
  EXPECT_EQ(step.selStart, 1);
  // A tilde reached leaves everything.
  step = ApplyMaskEdit("1", Typed(1, "2"), "#~", c, false);
  EXPECT_EQ(step.result, kTilde);
  EXPECT_FALSE(step.changeText);
}

TEST(EditMask, PositionsFromOutsideAreClampedToTheText) {
  const MaskSeparators c;
  MaskStep step = ApplyMaskEdit("12", Typed(100, "3", 50), "###", c, false);
  EXPECT_EQ(step.text, "123");
  EXPECT_EQ(step.selStart, 3);
  step = ApplyMaskEdit("12", Typed(-5, "", -3), "###", c, false);
  EXPECT_EQ(step.text, "12");
  step = ApplyMaskEdit("12", Typed(1, "", 1000), "###", c, false);
  EXPECT_EQ(step.text, "1");
  EXPECT_EQ(step.selStart, 1);
}

}  // namespace

// A match taken in pieces, each from where the one before stopped, is the match of the whole:
// random masks of every kind of position (directives, escapes, separators, optional places,
// a non-ASCII literal) and random texts, cut at every place.
TEST(EditMask, AMatchContinuedPieceByPieceIsTheMatchOfTheWhole) {
  const MaskSeparators separators{"'", ",", "-", "h"};
  const std::vector<std::string> parts = {"#", "9", "?", "A", "a", "&", "C", ">", "<", "\\#",
                                          "(", ",", ".", "/", ":", "x", "\xC3\xA9"};
  const std::vector<std::string> letters = {"1", "7", "a", "Q", "x", "(", ",", "'", "-",
                                            "h", " ", "\xC3\xA9", "\xC3\x89", "\t"};
  std::mt19937 rng(17);
  for (int round = 0; round < 400; ++round) {
    std::string mask, text;
    for (int k = int(rng() % 12); k > 0; --k) mask += parts[rng() % parts.size()];
    for (int k = int(rng() % 10); k > 0; --k) text += letters[rng() % letters.size()];
    const MaskMatch whole = MatchMask(text, mask, separators);
    for (size_t cut = 0; cut <= text.size(); ++cut) {
      if (cut < text.size() && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) continue;
      SCOPED_TRACE("mask \"" + mask + "\" text \"" + text + "\" cut " + std::to_string(cut));
      MaskMatchState state;
      const MaskMatch head = ContinueMaskMatch(text.substr(0, cut), mask, separators, state);
      if (head.result != kYes) {
        EXPECT_EQ(whole.result, head.result);
        continue;
      }
      const MaskMatch tail = ContinueMaskMatch(text.substr(cut), mask, separators, state);
      ASSERT_EQ(tail.result, whole.result);
      EXPECT_EQ(head.accepted + tail.accepted, whole.accepted);
      if (whole.result == kYes) {
        EXPECT_EQ(tail.literals, whole.literals);
      }
    }
  }
}
