// StyledText through its exported functions: runs and their merging, attribute ranges,
// paragraphs, OutOfBounds and NilObject; then the same operations on a StyledText object with
// its own model and on one linked to a styled field, which must give the same runs.
#include <gtest/gtest.h>

#include "EditFieldFixtures.h"
#include "controls/StyledText.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"

namespace qvtest {
namespace {

std::string Take(stringStorage* record) {
  const string s = string::Adopt(record);
  return std::string(s.CString(), size_t(s.Length()));
}

stringStorage* Text(const char* text) {
  return string::FromBytes(text, int64_t(strlen(text)), kEncodingUTF8).ExtractStringStorage();
}

// Each run as its text with /b, /i, /u, the font after "@", the size after "#" and the
// colour in hexadecimal after "%" where they are set.
std::vector<std::string> Runs(RuntimeObject* st) {
  std::vector<std::string> runs;
  for (int32_t i = 0; i < StyledTextRunCountGetter(st); ++i) {
    RuntimeObject* object = StyledTextRunGetter(st, i);
    if (!object) break;
    const StyleRunInfo run = StyleRunFromObject(object);
    RuntimeUnlockObject(object);
    char color[16];
    snprintf(color, sizeof color, "%%%06X", run.color);
    runs.push_back(std::string(run.text.CString()) + (run.bold ? "/b" : "") +
                   (run.italic ? "/i" : "") + (run.underline ? "/u" : "") +
                   (run.font.IsEmpty() ? "" : "@" + std::string(run.font.CString())) +
                   (run.size ? "#" + std::to_string(run.size) : "") + (run.color ? color : ""));
  }
  return runs;
}

class StyledTextTest : public testing::Test {
 protected:
  void SetUp() override { RegisterStyledTextClasses(); }
  void TearDown() override {
    for (RuntimeObject* object : mObjects) RuntimeUnlockObject(object);
  }
  RuntimeObject* New() {
    RuntimeObject* object = NewObjectFromDefinition(StyledTextClassDefinition());
    mObjects.push_back(object);
    return object;
  }
  void SetText(RuntimeObject* st, const char* text) {
    stringStorage* record = Text(text);
    StyledTextSetter(st, record);
    stringStorage::RemoveReference(record);
  }
  std::vector<RuntimeObject*> mObjects;
};

TEST_F(StyledTextTest, RunsSplitAndMergeAsAttributesChange) {
  RuntimeObject* st = New();
  EXPECT_EQ(StyledTextRunCountGetter(st), 1);
  EXPECT_EQ(Take(StyledTextGetter(st)), "");
  SetText(st, "hello");
  StyledTextSetBold(st, 1, 2, 1);
  EXPECT_EQ(Runs(st), (std::vector<std::string>{"h", "el/b", "lo"}));
  StyledTextSetBold(st, 1, 2, 0);
  EXPECT_EQ(Runs(st), (std::vector<std::string>{"hello"}));
  StyledTextSetBold(st, 2, 3, 1);
  EXPECT_EQ(Runs(st), (std::vector<std::string>{"he", "llo/b"}));
  EXPECT_EQ(Take(StyledTextGetter(st)), "hello");
  RuntimeObject* range = TextRangeGetter(st, 1);
  ASSERT_NE(range, nullptr);
  EXPECT_EQ(reinterpret_cast<RangeObject*>(range)->startPos, 2);
  EXPECT_EQ(reinterpret_cast<RangeObject*>(range)->length, 3);
  EXPECT_EQ(RangeEndPosGetter(range, 0), 5);
  RuntimeUnlockObject(range);
}

TEST_F(StyledTextTest, AttributesOverRangesReadTheirOwnCharacters) {
  RuntimeObject* st = New();
  SetText(st, "hello");
  StyledTextSetSize(st, 0, 2, 12);
  StyledTextSetSize(st, 2, 3, 18);
  stringStorage* serif = Text("Serif");
  StyledTextSetFont(st, 2, 3, serif);
  stringStorage::RemoveReference(serif);
  StyledTextSetBold(st, 4, 1, 1);
  EXPECT_TRUE(StyledTextGetBold(st, 0, 5));  // runs differ
  EXPECT_FALSE(StyledTextGetBold(st, 0, 4));
  EXPECT_EQ(StyledTextGetSize(st, 0, 5), -1);
  EXPECT_EQ(StyledTextGetSize(st, 2, 3), 18);  // the run's own range, not its neighbour's
  EXPECT_EQ(Take(StyledTextGetFont(st, 2, 3)), "Serif");
  EXPECT_EQ(Take(StyledTextGetFont(st, 0, 5)), "");
  EXPECT_EQ(StyledTextGetColor(st, -1, 2), 0u);
  EXPECT_FALSE(StyledTextGetBold(st, 4, -1));
  // Past the text: clipped, no run without characters.
  StyledTextSetItalic(st, 3, 100, 1);
  EXPECT_EQ(Runs(st), (std::vector<std::string>{"he#12", "l@Serif#18", "l/i@Serif#18",
                                                "o/b/i@Serif#18"}));
  StyledTextSetColor(st, 10, 5, 0xFF0000);
  EXPECT_EQ(Runs(st).size(), 4u);
}

TEST_F(StyledTextTest, ParagraphsCountTheirPiecesAndAlignTheirOwnCharacters) {
  RuntimeObject* st = New();
  const std::vector<std::pair<const char*, int32_t>> counts = {
      {"", 0}, {"a", 1}, {"\n", 1}, {"a\n", 2}, {"a\nb", 2}, {"a\r\nb\rc", 3}};
  for (const auto& [text, count] : counts) {
    SetText(st, text);
    EXPECT_EQ(StyledTextParagraphCountGetter(st), count) << text;
  }
  SetText(st, "");
  EXPECT_EQ(StyledTextParagraphGetter(st, 0), nullptr);
  SetText(st, "ab\ncd\nef");
  RuntimeObject* second = StyledTextParagraphGetter(st, 1);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(reinterpret_cast<RangeObject*>(second)->startPos, 3);
  EXPECT_EQ(reinterpret_cast<RangeObject*>(second)->length, 3);
  RuntimeUnlockObject(second);
  StyledTextSetAlignment(st, 1, 3);
  std::vector<int32_t> alignments;
  for (int32_t i = 0; i < 3; ++i) {
    RuntimeObject* p = StyledTextParagraphGetter(st, i);
    ASSERT_NE(p, nullptr);
    alignments.push_back(reinterpret_cast<ParagraphObject*>(p)->alignment);
    RuntimeUnlockObject(p);
  }
  EXPECT_EQ(alignments, (std::vector<int32_t>{0, 3, 0}));
  EXPECT_EQ(Take(StyledTextGetter(st)), "ab\ncd\nef");
}

TEST_F(StyledTextTest, IndexesOutsideTheRunsRaiseAndChangeNothing) {
  RaisedExceptions raised;
  RuntimeObject* st = New();
  SetText(st, "abc");
  EXPECT_EQ(StyledTextRunGetter(st, 1), nullptr);
  EXPECT_EQ(TextRangeGetter(st, -1), nullptr);
  RemoveStyledTextRun(st, 1);
  EXPECT_EQ(raised.Take(), std::vector<std::string>(3, "OutOfBoundsException"));
  InsertStyledTextRun(st, nullptr, 0);
  AppendStyledTextRun(st, nullptr);
  EXPECT_EQ(raised.Take(), std::vector<std::string>(2, "NilObjectException"));
  EXPECT_EQ(Runs(st), (std::vector<std::string>{"abc"}));
  // At the count or beyond, an inserted run is appended.
  StyleRunInfo info;
  info.text = "XY";
  info.bold = true;
  RuntimeObject* run = NewStyleRunObject(info);
  InsertStyledTextRun(st, run, 7);
  RuntimeUnlockObject(run);
  EXPECT_EQ(Runs(st), (std::vector<std::string>{"abc", "XY/b"}));
  EXPECT_TRUE(raised.Take().empty());
  // A nil StyledText is a failed check.
  ReportCapture capture;
  EXPECT_EQ(StyledTextRunCountGetter(nullptr), 0);
  EXPECT_TRUE(capture.HasCondition("std"));
}

class LinkedStyledTextTest : public EditFieldTest {
 protected:
  void TearDown() override {
    for (RuntimeObject* object : objects) RuntimeUnlockObject(object);
  }
  std::vector<RuntimeObject*> objects;
};

// The same operations on the model and on a linked styled field give the same runs.
TEST_F(LinkedStyledTextTest, TheModelAndALinkedFieldGiveTheSameRuns) {
  EditControlGTK* field = Make(true, true, {10, 20, 120, 190});
  ASSERT_NE(field, nullptr);
  RuntimeObject* model = NewObjectFromDefinition(StyledTextClassDefinition());
  RuntimeObject* linked = NewObjectFromDefinition(StyledTextClassDefinition());
  objects = {model, linked};
  LinkStyledTextDelegate(linked, field);
  stringStorage* text = Text("hello world");
  stringStorage* serif = Text("Serif");
  StyleRunInfo info;
  info.text = "XY";
  info.underline = true;
  RuntimeObject* run = NewStyleRunObject(info);
  for (RuntimeObject* st : {model, linked}) {
    StyledTextSetter(st, text);
    StyledTextSetBold(st, 1, 3, 1);
    StyledTextSetItalic(st, 2, 5, 1);
    StyledTextSetFont(st, 0, 4, serif);
    StyledTextSetSize(st, 6, 5, 18);
    StyledTextSetColor(st, 3, 4, 0xFF0000);
    AppendStyledTextRun(st, run);
  }
  const std::vector<std::string> runs = Runs(model);
  EXPECT_EQ(runs.size(), 8u);
  EXPECT_EQ(Runs(linked), runs);
  EXPECT_EQ(Take(StyledTextGetter(linked)), "hello worldXY");
  RemoveStyledTextRun(model, 0);
  RemoveStyledTextRun(linked, 0);
  EXPECT_EQ(Runs(linked), Runs(model));
  RuntimeUnlockObject(run);
  stringStorage::RemoveReference(text);
  stringStorage::RemoveReference(serif);
  LinkStyledTextDelegate(linked, nullptr);
  EXPECT_EQ(StyledTextRunCountGetter(linked), 0);
}

}  // namespace
}  // namespace qvtest
