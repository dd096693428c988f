// Text and selection of both kinds of field through one table of cases, the clipboard, the
// length limit, lines and scrolling, text that is not valid UTF-8, and plain files through a
// folder item (bytes compared with what was written and read).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "EditFieldFixtures.h"
#include "core/RuntimeError.h"
#include "files/FolderItemClass.h"
#include "graphics/Graphics.h"
#include "windows/GtkPlacement.h"
#include "windows/RuntimeViewWindow.h"
#include "support/SmallDisk.h"
#include "windows/WindowObject.h"
#include "files/FolderItemImpUnix.h"
#include "app/FolderItemImp.h"
#include "core/RuntimeObject.h"

namespace qvtest {
namespace {

std::string TextOf(EditControl* field) {
  const string text = field->GetText(kEncodingUTF8);
  return std::string(text.CString(), size_t(text.Length()));
}

string Utf8(const std::string& text) {
  return string::FromBytes(text.data(), int64_t(text.size()), kEncodingUTF8);
}

class EditFieldTextTest : public EditFieldTest {
 protected:
  std::vector<EditControlGTK*> BothKinds() {
    return {Make(false, false), Make(true, false, {60, 20, 160, 180})};
  }
};

TEST_F(EditFieldTextTest, TextAndSelectionCountCharactersInBothKinds) {
  for (EditControlGTK* field : BothKinds()) {
    ASSERT_NE(field, nullptr);
    SCOPED_TRACE(field->IsMultiLine() ? "multi-line" : "single-line");
    // A two-byte letter counts once everywhere.
    field->SetText(Utf8("a\xC3\xA9" "bcdefg"));
    EXPECT_EQ(field->TextLength(), 8);
    field->SetSelection(1, 2);
    EXPECT_EQ(std::string(field->GetSelText(kEncodingUTF8).CString()), "\xC3\xA9");
    EXPECT_EQ(field->GetSelStart(), 1);
    EXPECT_EQ(field->GetSelLength(), 1);
    // Reversed bounds select from the lower, the caret at the first.
    field->SetSelection(5, 2);
    EXPECT_EQ(field->GetSelStart(), 2);
    EXPECT_EQ(field->GetSelEnd(), 5);
    EXPECT_TRUE(field->GetSelectionBounds());
    // The caret alone.
    field->SetSelStart(3);
    EXPECT_EQ(field->GetSelStart(), 3);
    EXPECT_EQ(field->GetSelLength(), 0);
    EXPECT_EQ(field->GetSelEnd(), 3);
    EXPECT_FALSE(field->GetSelectionBounds());
    EXPECT_TRUE(field->GetSelText(kEncodingUTF8).IsEmpty());
    // "bc" replaced by "xyz", the caret after it.
    field->SetText("abcd");
    field->SetSelection(1, 3);
    field->SetSelText("xyz");
    EXPECT_EQ(TextOf(field), "axyzd");
    EXPECT_EQ(field->GetSelStart(), 4);
    EXPECT_EQ(field->GetSelLength(), 0);
    field->SetSelStart(1);
    field->SetSelLength(2);
    EXPECT_EQ(std::string(field->GetSelText(kEncodingUTF8).CString()), "xy");
    field->Clear();
    EXPECT_EQ(TextOf(field), "azd");
    // Other encodings go in and out converted.
    field->SetText(string::FromBytes("caf\xE9", 4, kEncodingWindowsLatin1));
    EXPECT_EQ(field->TextLength(), 4);
  }
}

// Invalid sequences reach GTK as U+FFFD, in SetText and SetSelText alike.
TEST_F(EditFieldTextTest, InvalidUtf8BecomesReplacementCharacters) {
  for (EditControlGTK* field : BothKinds()) {
    ASSERT_NE(field, nullptr);
    field->SetText(Utf8("a\xFF" "b"));
    EXPECT_EQ(TextOf(field), "a\xEF\xBF\xBD" "b");
    field->SetSelStart(1);
    field->SetSelText(Utf8("\xC3"));
    EXPECT_EQ(TextOf(field), "a\xEF\xBF\xBD\xEF\xBF\xBD" "b");
  }
}

TEST_F(EditFieldTextTest, ReadOnlyPasswordAndLimitFollowTheKind) {
  for (EditControlGTK* field : BothKinds()) {
    ASSERT_NE(field, nullptr);
    field->SetReadOnly(true);
    EXPECT_TRUE(field->GetReadOnly());
    EXPECT_TRUE(field->GetTextFieldTraits().readOnly);
    field->SetReadOnly(false);
    EXPECT_FALSE(field->GetReadOnly());
    field->SetPassword(true);
    field->SetLimitText(3);
    field->SetText("abcdef");
    if (field->IsMultiLine()) {
      EXPECT_EQ(TextOf(field), "abcdef");
    } else {
      EXPECT_FALSE(gtk_entry_get_visibility(GTK_ENTRY(field->GetWidget())));
      EXPECT_EQ(TextOf(field), "abc");
    }
  }
}

TEST_F(EditFieldTextTest, ClipboardRoundTripAndLimitOnPasteAndTyping) {
  EditControlGTK* single = Make(false, false);
  EditControlGTK* multi = Make(true, false, {60, 20, 160, 180});
  ASSERT_TRUE(single && multi);
  GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
  multi->SetText("one two three");
  multi->SetSelection(4, 7);
  multi->Copy();
  gchar* copied = gtk_clipboard_wait_for_text(clipboard);
  EXPECT_STREQ(copied, "two");
  g_free(copied);
  multi->Cut();
  EXPECT_EQ(TextOf(multi), "one  three");
  single->SetText("ab");
  single->SetSelStart(1);
  single->Paste();
  ASSERT_TRUE(gui.PumpUntil([&] { return TextOf(single) == "atwob"; }));
  single->SetSelection(0, 2);
  single->Copy();
  copied = gtk_clipboard_wait_for_text(clipboard);
  EXPECT_STREQ(copied, "at");
  g_free(copied);
  // The limit holds for pasting and typing alike.
  single->SetText("");
  single->SetLimitText(3);
  gtk_clipboard_set_text(clipboard, "123456", -1);
  single->Paste();
  ASSERT_TRUE(gui.PumpUntil([&] { return !TextOf(single).empty(); }));
  EXPECT_EQ(TextOf(single), "123");
  single->SetText("");
  Focus(single);
  TypeAndWait("abcde", 5);
  gui.PumpUntil([&] { return delegate.log.size() >= 20; }, 300);
  EXPECT_EQ(TextOf(single), "abc");
}

TEST_F(EditFieldTextTest, LinesOfANonWrappingFieldAreBufferLines) {
  EditControlGTK* field = Make(true, false, {20, 20, 160, 180}, true, true);
  ASSERT_NE(field, nullptr);
  field->SetText("ab\ncd\nef");
  EXPECT_EQ(field->CharPosAtLineNum(0), 1);
  EXPECT_EQ(field->CharPosAtLineNum(1), 4);
  EXPECT_EQ(field->CharPosAtLineNum(7), 9);
  EXPECT_EQ(field->CharPosAtLineNum(INT32_MAX), 9);
  EXPECT_EQ(field->LineNumAtCharPos(4), 1);
  EXPECT_EQ(field->LineNumAtCharPos(7), 2);
  EditControlGTK* single = Make(false, false, {170, 20, 200, 180});
  EXPECT_EQ(single->CharPosAtLineNum(0), 1);
  EXPECT_EQ(single->LineNumAtCharPos(1), 0);
}

// A wrapping field counts display lines of the first line's height; a line far past anything
// a coordinate holds is clamped, not multiplied into an overflow.
TEST_F(EditFieldTextTest, ScrollPositionOfAWrappingField) {
  EditControlGTK* field = Make(true, false, {20, 20, 100, 180});
  ASSERT_NE(field, nullptr);
  std::string text;
  for (int i = 0; i < 60; ++i) text += "line " + std::to_string(i) + "\n";
  field->SetText(text.c_str());
  gui.Settle();
  EXPECT_EQ(field->GetScrollPosition(), 0);
  field->SetScrollPosition(40);
  gui.PumpUntil([&] { return field->GetScrollPosition() > 0; });
  gui.Settle();
  const int32_t top = field->GetScrollPosition();
  EXPECT_GT(top, 30);
  EXPECT_LE(top, 40);
  // A line already visible does not scroll.
  field->SetScrollPosition(top + 1);
  gui.Settle();
  EXPECT_EQ(field->GetScrollPosition(), top);
  EXPECT_EQ(field->LineNumAtCharPos(text.find("line 10")), 10);
  EXPECT_EQ(field->CharPosAtLineNum(10), int32_t(text.find("line 10")) + 1);
  EXPECT_EQ(field->CharPosAtLineNum(INT32_MAX), int32_t(text.size()) + 1);
  EXPECT_FALSE(field->IsEndVisible());
  field->SetScrollPosition(60);
  EXPECT_TRUE(gui.PumpUntil([&] { return field->IsEndVisible(); }));
}

TEST_F(EditFieldTextTest, AlignmentTheSameValueChangesNothing) {
  EditControlGTK* multi = Make(true, false, {60, 20, 160, 180});
  ASSERT_NE(multi, nullptr);
  multi->SetAlignment(kFieldAlignRight);
  EXPECT_EQ(gtk_text_view_get_justification(GTK_TEXT_VIEW(multi->TextView())), GTK_JUSTIFY_RIGHT);
  multi->SetAlignment(kFieldAlignCenter);
  EXPECT_EQ(gtk_text_view_get_justification(GTK_TEXT_VIEW(multi->TextView())), GTK_JUSTIFY_CENTER);
  multi->SetAlignment(7);
  EXPECT_EQ(gtk_text_view_get_justification(GTK_TEXT_VIEW(multi->TextView())), GTK_JUSTIFY_CENTER);
  EditControlGTK* single = Make(false, false);
  single->SetAlignment(kFieldAlignRight);
  EXPECT_FLOAT_EQ(gtk_entry_get_alignment(GTK_ENTRY(single->GetWidget())), 1.0f);
}

class FieldFiles : public EditFieldTextTest {
 protected:
  void SetUp() override {
    EditFieldTextTest::SetUp();
    char pattern[] = "/tmp/qvfieldsXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    if (!folder.empty()) {
      chmod(folder.c_str(), 0700);
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    }
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }
  std::string folder;
};

TEST_F(FieldFiles, PlainFilesOpenAndSaveThroughAFolderItem) {
  for (EditControlGTK* field : BothKinds()) {
    ASSERT_NE(field, nullptr);
    const std::string path = folder + "/latin1.txt";
    std::ofstream(path, std::ios::binary) << "caf\xE9\nok";
    FolderItemImpUnix source(path.c_str());
    ASSERT_TRUE(field->OpenStyledFile(&source));
    // Bytes that are not UTF-8 show as U+FFFD.
    const std::string shown = field->IsMultiLine() ? "caf\xEF\xBF\xBD\nok" : TextOf(field);
    EXPECT_EQ(TextOf(field), shown);
    field->SetText(Utf8("caf\xC3\xA9 au lait"));
    const std::string saved = folder + "/saved.txt";
    FolderItemImpUnix target(saved.c_str());
    ASSERT_TRUE(field->SaveStyledFile(&target));
    EXPECT_EQ(Read(saved), "caf\xC3\xA9 au lait");
    // A missing file leaves the text and answers false.
    FolderItemImpUnix missing((folder + "/missing.txt").c_str());
    EXPECT_FALSE(field->OpenStyledFile(&missing));
    EXPECT_EQ(TextOf(field), "caf\xC3\xA9 au lait");
  }
}

// FolderItem's methods reach the pane of the field object they are given and answer whether
// the file was read or written.
TEST_F(FieldFiles, FolderItemMethodsReachTheFieldPane) {
  EditControlGTK* field = Make(true, false, {60, 20, 160, 180});
  ASSERT_NE(field, nullptr);
  RuntimeObject* control = RuntimeNewObject(kit.buttonClass);
  SubPane* before = AsControl(control)->pane;
  AsControl(control)->pane = field;
  const std::string path = folder + "/through-item.txt";
  RuntimeObject* item = NewFolderItemObject(path.c_str());
  ASSERT_NE(item, nullptr);
  field->SetText("saved through the item");
  EXPECT_EQ(FolderItemSaveStyledEditField(item, control), 1);
  EXPECT_EQ(Read(path), "saved through the item");
  field->SetText("");
  EXPECT_EQ(FolderItemOpenStyledEditField(item, control), 1);
  EXPECT_EQ(TextOf(field), "saved through the item");
  RuntimeObject* missing = NewFolderItemObject((folder + "/missing.txt").c_str());
  EXPECT_EQ(FolderItemOpenStyledEditField(missing, control), 0);
  AsControl(control)->pane = before;
  EXPECT_EQ(FolderItemOpenStyledEditField(item, control), 0);
  RuntimeUnlockObject(missing);
  RuntimeUnlockObject(item);
  RuntimeUnlockObject(control);
}

// A save over an older document on a disk without room for the new one answers false, says why
// in the item's LastErrorCode as a copy does, and leaves the older document whole.
TEST_F(FieldFiles, SavingOverADocumentOnAFullDiskKeepsIt) {
  qvtest::SmallDisk disk(2 << 20);
  QV_SKIP_WITHOUT_SMALL_DISK(disk);
  const std::string older(200 << 10, 'o');
  std::ofstream(disk / "doc.txt", std::ios::binary) << older;
  const std::string newer(400 << 10, 'n');  // more than the room the older one leaves
  ASSERT_TRUE(disk.LeaveRoom(100 << 10));
  EditControlGTK* field = Make(true, false, {60, 20, 160, 180});
  ASSERT_NE(field, nullptr);
  field->SetText(newer.c_str());
  FolderItemImpUnix target((disk / "doc.txt").c_str());
  EXPECT_FALSE(field->SaveStyledFile(&target));
  EXPECT_EQ(target.lastError, ENOSPC);
  EXPECT_TRUE(Read(disk / "doc.txt") == older) << Read(disk / "doc.txt").size() << " bytes";
}

TEST_F(FieldFiles, SavingIntoAReadOnlyFolderAnswersFalse) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
  EditControlGTK* field = Make(true, false, {60, 20, 160, 180});
  ASSERT_NE(field, nullptr);
  field->SetText("text");
  ASSERT_EQ(chmod(folder.c_str(), 0500), 0);
  FolderItemImpUnix target((folder + "/saved.txt").c_str());
  EXPECT_FALSE(field->SaveStyledFile(&target));
  EXPECT_EQ(target.lastError, EACCES);
}

}  // namespace
}  // namespace qvtest

namespace qvtest {
namespace {

// A window's contents drawn off the widgets: the field's own background colour fills its
// text area and its text is drawn in it; a field too narrow for any text area draws its frame
// and nothing else, and nothing outside itself.
TEST_F(EditFieldTextTest, DrawIntoPaintsTheFieldAndNarrowFieldsStayInside) {
  EditControlGTK* wide = Make(true, false, {20, 20, 80, 140}, false, false);
  EditControlGTK* narrow = Make(true, false, {100, 20, 140, 30}, false, false);
  EditControlGTK* thin = Make(false, false, {100, 150, 130, 153});
  ASSERT_TRUE(wide && narrow && thin);
  for (EditControlGTK* field : {wide, narrow, thin}) {
    field->SetBackColor({0xFFFF, 0, 0});
    field->SetText("Wide text");
    gtk_widget_hide(field->GetWidget());
  }
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  ASSERT_NE(native, nullptr);
  gui.Settle();
  const Screenshot before = gui.Capture(gui.Area(xid));
  Graphics* g = Graphics::Create(native);
  ASSERT_NE(g, nullptr);
  for (EditControlGTK* field : {wide, narrow, thin}) field->DrawInto(*g);
  Graphics::Destroy(g);
  gdk_flush();
  const Screenshot after = gui.Capture(gui.Area(xid));
  const int offset = WindowContentTopOffset(native);
  // The wide field's text area: red background, and some text pixels that are not red.
  const Screenshot area = after.Region({30, 30 + offset, 100, 40});
  EXPECT_GT(area.CountPixels(0xFF0000, 8), 2000);
  EXPECT_LT(area.CountPixels(0xFF0000, 8), 4000);
  // Outside the fields nothing changed.
  EXPECT_EQ(after.Region({0, 150 + offset, 200, 40}).DifferingPixels(
                before.Region({0, 150 + offset, 200, 40}), 0),
            0);
  EXPECT_EQ(after.Region({40, 95 + offset, 100, 50}).DifferingPixels(
                before.Region({40, 95 + offset, 100, 50}), 0),
            0);
}

}  // namespace
}  // namespace qvtest
