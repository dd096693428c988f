// What edit fields look like on screen: their own colours, their alignment, paragraph
// alignments that replace one another, and the scroll bars a multi-line field draws into a
// Graphics.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "EditFieldFixtures.h"
#include "graphics/Graphics.h"
#include "windows/GtkPlacement.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowObject.h"

namespace qvtest {
namespace {

// The columns and rows of one line of text: where its pixels differ from the background.
struct Ink {
  int top = -1, bottom = -1, left = -1, right = -1;
  int Middle() const { return (left + right) / 2; }
};

// The lines of ink in shot, top to bottom, each a run of rows holding some ink.
std::vector<Ink> InkLines(const Screenshot& shot, uint32_t background) {
  std::vector<Ink> lines;
  bool inLine = false;
  for (int y = 0; y < shot.height(); ++y) {
    int left = -1, right = -1;
    for (int x = 0; x < shot.width(); ++x) {
      if (ColoursNear(shot.Pixel(x, y), background, 60)) continue;
      if (left < 0) left = x;
      right = x;
    }
    if (left < 0) {
      inLine = false;
      continue;
    }
    if (!inLine) lines.push_back({y, y, left, right});
    Ink& line = lines.back();
    line.bottom = y;
    line.left = std::min(line.left, left);
    line.right = std::max(line.right, right);
    inLine = true;
  }
  return lines;
}

class EditFieldLookTest : public EditFieldTest {
 protected:
  // The field's inside on screen, 5 pixels clear of its frame.
  Screenshot Inside(EditControlGTK* field) {
    const ScreenArea area = gui.Area(field->GetWidget());
    return gui.Capture({area.x + 5, area.y + 5, area.width - 10, area.height - 10});
  }
  // The inside's lines once they stop changing and there are count of them.
  std::vector<Ink> SettledLines(EditControlGTK* field, size_t count) {
    std::vector<Ink> lines;
    std::vector<int> before;
    gui.PumpUntil([&] {
      const Screenshot shot = Inside(field);
      lines = InkLines(shot, shot.Pixel(0, shot.height() - 1));
      std::vector<int> now;
      for (const Ink& line : lines) now.insert(now.end(), {line.top, line.left, line.right});
      const bool still = now == before;
      before = now;
      return still && lines.size() == count;
    });
    return lines;
  }
};

TEST_F(EditFieldLookTest, TextAndBackColoursShowInBothKinds) {
  EditControlGTK* single = Make(false, false, {20, 20, 50, 200});
  EditControlGTK* multi = Make(true, false, {70, 20, 150, 200}, false, false);
  ASSERT_TRUE(single && multi);
  for (EditControlGTK* field : {single, multi}) {
    field->SetText("MMMM WWWW");
    field->SetBackColor({0xFFFF, 0, 0});
    field->SetTextColor({0, 0, 0xFFFF});
  }
  for (EditControlGTK* field : {single, multi}) {
    Screenshot shot;
    EXPECT_TRUE(gui.PumpUntil([&] {
      shot = Inside(field);
      return shot.CountPixels(0xFF0000, 8) > shot.width() * shot.height() / 2 &&
             shot.CountPixels(0x0000FF, 24) > 10;
    })) << (field == single ? "single" : "multi");
    // The text is drawn in its colour alone: nothing of the default black.
    EXPECT_EQ(shot.CountPixels(0x000000, 60), 0);
  }
}

TEST_F(EditFieldLookTest, AlignmentPlacesTheTextInBothKinds) {
  EditControlGTK* single = Make(false, false, {20, 20, 50, 220});
  EditControlGTK* multi = Make(true, false, {70, 20, 150, 220}, false, false);
  ASSERT_TRUE(single && multi);
  for (EditControlGTK* field : {single, multi}) {
    field->SetText("abc");
    const int width = Inside(field).width();
    field->SetAlignment(kFieldAlignRight);
    std::vector<Ink> lines = SettledLines(field, 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_GT(lines[0].left, width / 2);
    EXPECT_GT(lines[0].right, width * 3 / 4);
    field->SetAlignment(kFieldAlignCenter);
    lines = SettledLines(field, 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NEAR(lines[0].Middle(), width / 2, 8);
    field->SetAlignment(kFieldAlignLeft);
    lines = SettledLines(field, 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_LT(lines[0].left, width / 8);
    EXPECT_LT(lines[0].right, width / 2);
  }
}

// Right set over centre shows right, left over right shows left; the third paragraph stays
// centred: each paragraph shows the alignment set last.
TEST_F(EditFieldLookTest, TheParagraphAlignmentSetLastShows) {
  EditControlGTK* field = Make(true, true, {20, 20, 140, 240}, false, false);
  ASSERT_NE(field, nullptr);
  field->SetText("one\ntwo\nthree");
  field->SetParagraphAlignment(0, 3, kFieldAlignCenter);
  field->SetParagraphAlignment(0, 3, kFieldAlignRight);
  field->SetParagraphAlignment(4, 3, kFieldAlignRight);
  field->SetParagraphAlignment(4, 3, kFieldAlignLeft);
  field->SetParagraphAlignment(8, 5, kFieldAlignCenter);
  const int width = Inside(field).width();
  const std::vector<Ink> lines = SettledLines(field, 3);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_GT(lines[0].left, width / 2);
  EXPECT_GT(lines[0].right, width * 3 / 4);
  EXPECT_LT(lines[1].left, width / 8);
  EXPECT_LT(lines[1].right, width / 2);
  EXPECT_NEAR(lines[2].Middle(), width / 2, 8);
}

// DrawInto paints each scroll bar in a 16-pixel strip, the vertical one stopping 20 pixels
// above the bottom when both exist, its thumb where the view is scrolled to.
TEST_F(EditFieldLookTest, DrawIntoPaintsTheScrollBarsWhereTheViewIs) {
  EditControlGTK* field = Make(true, false, {20, 20, 150, 200}, true, true);
  ASSERT_NE(field, nullptr);
  field->SetText("one\ntwo");
  gtk_widget_hide(field->GetWidget());
  GtkScrolledWindow* scroller = GTK_SCROLLED_WINDOW(field->GetWidget());
  GtkAdjustment* vertical = gtk_scrolled_window_get_vadjustment(scroller);
  GtkAdjustment* horizontal = gtk_scrolled_window_get_hadjustment(scroller);
  gtk_adjustment_configure(horizontal, 0, 0, 1000, 10, 100, 100);
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  ASSERT_NE(native, nullptr);
  gui.Settle();
  const ScreenArea whole = gui.Area(xid);
  const int offset = WindowContentTopOffset(native);
  auto drawn = [&](double value) {
    gtk_adjustment_configure(vertical, value, 0, 1000, 10, 100, 100);
    gui.Settle();  // the window's own repaint of a change comes first
    Graphics* g = Graphics::Create(native);
    field->DrawInto(*g);
    Graphics::Destroy(g);
    gdk_flush();
    return gui.Capture(whole);
  };
  const Screenshot before = gui.Capture(whole);
  const Screenshot top = drawn(0), bottom = drawn(900);
  auto part = [&](const Screenshot& shot, int x, int y, int size) {
    return shot.Region({x, y + offset, size, size});
  };
  // The four steppers, 16-pixel squares with their dark arrows: the vertical bar's in the
  // right 16 columns from row 20 to row 130, the horizontal bar's in the bottom 16 rows.
  const int steppers[4][2] = {{184, 20}, {184, 114}, {20, 134}, {184, 134}};
  for (const auto& at : steppers) {
    EXPECT_EQ(part(before, at[0], at[1], 16).CountPixels(0x000000, 60), 0);
    EXPECT_GT(part(top, at[0], at[1], 16).CountPixels(0x000000, 60), 3)
        << "stepper at " << at[0] << "," << at[1];
    EXPECT_EQ(part(top, at[0], at[1], 16).DifferingPixels(part(bottom, at[0], at[1], 16)), 0);
  }
  // The vertical thumb moved from below the upper stepper to above the lower one.
  for (int y : {36, 98}) {
    EXPECT_GT(part(top, 184, y, 16).DifferingPixels(part(bottom, 184, y, 16)), 20)
        << "thumb at " << y;
  }
  // The 4 rows between the two bars at the right edge are left alone.
  EXPECT_EQ(top.Region({184, 130 + offset, 16, 4})
                .DifferingPixels(before.Region({184, 130 + offset, 16, 4})),
            0);
}

}  // namespace
}  // namespace qvtest
