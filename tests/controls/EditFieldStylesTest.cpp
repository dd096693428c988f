// Styles of a styled multi-line field as text tags: runs read from the tags and written back,
// value tags replacing each other, mixed selections, justification priorities, and the style
// data of one field read back by another (random texts included), with records cut short.
#include <gtest/gtest.h>

#include <random>

#include "EditFieldFixtures.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"

namespace qvtest {
namespace {

std::string TextOf(const string& s) { return std::string(s.CString(), size_t(s.Length())); }

string Utf8(const std::string& text) {
  return string::FromBytes(text.data(), int64_t(text.size()), kEncodingUTF8);
}

class EditFieldStylesTest : public EditFieldTest {
 protected:
  EditControlGTK* Styled(int row = 0) {
    return Make(true, true, {int16_t(10 + 90 * row), 20, int16_t(90 + 90 * row), 190});
  }
  static bool HasTag(EditControlGTK* field, int32_t offset, const char* name) {
    GtkTextIter iter;
    gtk_text_buffer_get_iter_at_offset(field->Buffer(), &iter, offset);
    GtkTextTag* tag = gtk_text_tag_table_lookup(gtk_text_buffer_get_tag_table(field->Buffer()), name);
    return tag && gtk_text_iter_has_tag(&iter, tag);
  }
  static std::vector<std::string> Runs(EditControlGTK* field) {
    std::vector<std::string> runs;
    for (int32_t i = 0; i < field->StyleRunCount(); ++i) {
      StyleRunInfo run;
      EXPECT_TRUE(field->GetStyleRun(i, &run));
      runs.push_back(TextOf(run.text) + (run.bold ? "/b" : "") + (run.italic ? "/i" : "") +
                     (run.underline ? "/u" : ""));
    }
    return runs;
  }
};

TEST_F(EditFieldStylesTest, BoldLettersTwoToFourMakeThreeRuns) {
  EditControlGTK* field = Styled();
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->StyleRunCount(), 1);  // an empty field has one run
  field->SetText("hello");
  field->SetSelection(1, 4);
  field->SetSelBold(true);
  EXPECT_TRUE(field->GetSelBold());
  EXPECT_FALSE(field->GetSelItalic());
  EXPECT_EQ(Runs(field), (std::vector<std::string>{"h", "ell/b", "o"}));
  int32_t start = 0;
  int32_t length = 0;
  ASSERT_TRUE(field->GetStyleRunRange(1, &start, &length));
  EXPECT_EQ(start, 1);
  EXPECT_EQ(length, 3);
  field->ToggleSelBold();
  EXPECT_EQ(Runs(field), (std::vector<std::string>{"hello"}));
  field->SetSelItalic(true);
  field->SetSelUnderline(true);
  field->SetSelPlain(true);
  EXPECT_EQ(Runs(field), (std::vector<std::string>{"hello"}));
  // An unstyled field keeps no styles.
  EditControlGTK* plain = Make(true, false, {110, 20, 150, 190});
  plain->SetText("hello");
  plain->SetSelection(1, 4);
  plain->SetSelBold(true);
  EXPECT_FALSE(plain->GetSelBold());
  EXPECT_EQ(plain->StyleRunCount(), 1);
}

TEST_F(EditFieldStylesTest, ValueTagsReplaceEachOtherAndMixedSelectionsAnswerNothing) {
  EditControlGTK* field = Styled();
  ASSERT_NE(field, nullptr);
  field->SetText("abcde");
  field->SetStyleFont(0, 5, "Serif");
  field->SetStyleFont(0, 5, "Monospace");
  EXPECT_EQ(TextOf(field->GetRangeFont(0, 5)), "Monospace");
  EXPECT_FALSE(HasTag(field, 2, "fontNameSerif"));
  EXPECT_TRUE(HasTag(field, 2, "fontNameMonospace"));
  GtkTextTagTable* table = gtk_text_buffer_get_tag_table(field->Buffer());
  EXPECT_NE(gtk_text_tag_table_lookup(table, "fontNameSerif"), nullptr);
  // Serif, Monospace, back to Serif: mixed whatever the order.
  field->SetStyleFont(0, 2, "Serif");
  field->SetStyleFont(4, 1, "Serif");
  field->SetSelection(0, 5);
  EXPECT_TRUE(field->GetSelTextFont().IsEmpty());
  field->SetSelection(2, 4);
  EXPECT_EQ(TextOf(field->GetSelTextFont()), "Monospace");
  field->SetStyleSize(0, 5, 18);
  field->SetStyleSize(1, 1, 24);
  EXPECT_EQ(field->GetRangeSize(2, 3), 18);
  EXPECT_EQ(field->GetRangeSize(0, 5), 0);
  field->SetSelection(0, 1);
  EXPECT_EQ(field->GetSelTextSize(), 18);
  field->SetStyleColor(0, 3, 0xFF0080);
  EXPECT_EQ(field->GetRangeColor(0, 3), 0xFF0080u);
  EXPECT_EQ(field->GetRangeColor(0, 4), 0u);
  EXPECT_TRUE(HasTag(field, 1, "foregroundColorFFFF00008080"));
  const RGBColor16 c = field->GetSelTextColor();
  EXPECT_EQ(c.red, 0xFFFF);
  EXPECT_EQ(c.blue, 0x8080);
  // Ranges from compiled code are clamped; a negative length selects nothing.
  field->SetStyleColor(3, -4, 0x00FF00);
  field->SetStyleColor(-10, 1000, 0x0000FF);
  EXPECT_EQ(field->GetRangeColor(0, 5), 0x0000FFu);
}

// Each new justification takes the others off, so left over right and centre over either show.
TEST_F(EditFieldStylesTest, ParagraphAlignmentReplacesTheOtherJustifications) {
  EditControlGTK* field = Styled();
  ASSERT_NE(field, nullptr);
  field->SetText("one\ntwo");
  field->SetParagraphAlignment(0, 7, kFieldAlignCenter);
  field->SetParagraphAlignment(0, 7, kFieldAlignRight);
  EXPECT_TRUE(HasTag(field, 1, "right justify"));
  EXPECT_FALSE(HasTag(field, 1, "center"));
  field->SetParagraphAlignment(4, 3, kFieldAlignLeft);
  EXPECT_TRUE(HasTag(field, 5, "left justify"));
  EXPECT_FALSE(HasTag(field, 5, "right justify"));
  EXPECT_TRUE(HasTag(field, 1, "right justify"));
  field->SetParagraphAlignment(0, 7, kFieldAlignCenter);
  EXPECT_TRUE(HasTag(field, 5, "center"));
  EXPECT_FALSE(HasTag(field, 5, "left justify"));
}

TEST_F(EditFieldStylesTest, RunsInsertAppendAndRemoveByCharacters) {
  EditControlGTK* field = Styled();
  ASSERT_NE(field, nullptr);
  field->SetText(Utf8("\xC3\xA9xy"));
  field->SetStyleFont(0, 1, "Serif");
  StyleRunInfo run;
  run.bold = true;
  run.text = "AB";
  run.size = 14;
  field->InsertStyleRun(run, 1);
  EXPECT_EQ(TextOf(field->GetText(kEncodingUTF8)), "\xC3\xA9" "ABxy");
  EXPECT_TRUE(field->RangeIsBold(1, 2));
  EXPECT_EQ(field->GetRangeSize(1, 2), 14);
  run.bold = false;
  run.italic = true;
  run.text = "z";
  field->AppendStyleRun(run);
  EXPECT_EQ(Runs(field), (std::vector<std::string>{"\xC3\xA9", "AB/b", "xy", "z/i"}));
  field->RemoveStyleRun(1);
  EXPECT_EQ(Runs(field), (std::vector<std::string>{"\xC3\xA9", "xy", "z/i"}));
  // Outside 0 .. count - 1: OutOfBoundsException and no change.
  RaisedExceptions raised;
  field->RemoveStyleRun(3);
  field->RemoveStyleRun(-1);
  int32_t start = 0;
  int32_t length = 0;
  EXPECT_FALSE(field->GetStyleRunRange(3, &start, &length));
  EXPECT_EQ(raised.Take(), std::vector<std::string>(3, "OutOfBoundsException"));
  EXPECT_EQ(Runs(field).size(), 3u);
}

TEST_F(EditFieldStylesTest, StyleDataOfAnUnstyledSystemTwelveField) {
  EditControlGTK* field = Make(true, false, {10, 20, 90, 190});
  ASSERT_NE(field, nullptr);
  FontSpec font;
  font.name = "System";
  font.size = 12;
  field->SetFieldFont(font);
  field->SetText("abc");
  field->SetSelection(1, 2);
  const string data = field->GetTextStyleData();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.Bytes()), size_t(data.Length())),
            std::string("\0\x0C\0\x0C\0\x0C", 6));
  // The selection is back where it was.
  EXPECT_EQ(field->GetSelStart(), 1);
  EXPECT_EQ(field->GetSelLength(), 1);
}

// Random styled texts: the style data of one field, given to a second with the text, reads
// back unchanged; names of 200 and 300 bytes and sizes of 200 and 300 among them.
TEST_F(EditFieldStylesTest, StyleDataReadsBackUnchangedFromASecondField) {
  EditControlGTK* first = Styled(0);
  EditControlGTK* second = Styled(1);
  ASSERT_TRUE(first && second);
  std::mt19937 random(51);
  const std::vector<std::string> fonts = {"Serif", "Monospace", "System", std::string(200, 'f'),
                                          std::string(300, 'g')};
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    std::string text;
    const int n = 5 + int(random() % 30);
    for (int i = 0; i < n; ++i) text += i % 7 == 3 ? "\xC3\xA9" : std::string(1, char('a' + i % 26));
    first->SetText(Utf8(text));
    const int32_t count = first->TextLength();
    for (int k = 0; k < 8; ++k) {
      const int32_t start = int32_t(random() % uint32_t(count));
      const int32_t length = 1 + int32_t(random() % uint32_t(count - start));
      switch (random() % 6) {
        case 0: first->SetRangeBold(start, length, true); break;
        case 1: first->SetRangeItalic(start, length, true); break;
        case 2: first->SetRangeUnderline(start, length, true); break;
        case 3: first->SetStyleFont(start, length, Utf8(fonts[random() % fonts.size()])); break;
        case 4: first->SetStyleSize(start, length, k % 2 ? 200 : 300); break;
        default: first->SetStyleColor(start, length, random() & 0xFFFFFF); break;
      }
    }
    const string data = first->GetTextStyleData();
    second->SetTextAndStyle(Utf8(text), data);
    EXPECT_EQ(TextOf(second->GetText(kEncodingUTF8)), text);
    EXPECT_EQ(TextOf(second->GetTextStyleData()), TextOf(data));
  }
}

// A record cut short: reported with its offset; the text and the records before it stay.
TEST_F(EditFieldStylesTest, AStyleRecordCutShortIsReportedAndEarlierRecordsApply) {
  for (bool styled : {true, false}) {
    EditControlGTK* field = Make(true, styled, {int16_t(10 + 90 * styled), 20,
                                                int16_t(90 + 90 * styled), 190});
    ASSERT_NE(field, nullptr);
    ReportCapture capture;
    const std::string data("\x01\x0C\x09\x10Mo", 6);
    field->SetTextAndStyle("abc", string::FromBytes(data.data(), 6, kEncodingNone));
    EXPECT_EQ(capture.count(), 1u);
    EXPECT_TRUE(capture.HasCondition("styleData record complete"));
    EXPECT_NE(capture.reports()[0].extra.find("at byte 2"), std::string::npos);
    EXPECT_EQ(TextOf(field->GetText(kEncodingUTF8)), "abc");
    EXPECT_EQ(field->RangeIsBold(0, 1), styled);
    EXPECT_FALSE(field->RangeIsBold(1, 1));
  }
}

}  // namespace
}  // namespace qvtest
