// Group boxes and progress bars over their GTK widgets: the group box's caption with its
// mnemonic, its font accessors, its drawing into another Graphics with the caption in the
// frame's gap, and clicks it passes to the controls behind; the progress bar's fraction, its
// pulsing (only while indeterminate and shown) and the bar it draws.
#include <gtest/gtest.h>

#include <climits>

#include "SimpleControlFixtures.h"
#include "controls/GroupBoxControl.h"
#include "controls/GroupBoxPane.h"
#include "controls/ProgressBarControl.h"
#include "controls/ProgressBarPane.h"
#include "controls/ControlAccessors.h"
#include "controls/RuntimeControl.h"
#include "core/ClassFieldAccessors.h"
#include "graphics/GraphicsClass.h"
#include "support/TestSupport.h"
#include "windows/GtkPlacement.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowObject.h"

namespace {

using Log = std::vector<std::string>;
using qvtest::ContentPixels;

TEST(ProgressBarWidth, IsTheValuesShareOfTheTroughFormedIn64Bits) {
  EXPECT_EQ(ProgressBarWidth(100, 50, 100), 50);
  EXPECT_EQ(ProgressBarWidth(100, 150, 100), 100);  // limited to the trough
  EXPECT_EQ(ProgressBarWidth(100, -5, 100), 0);
  EXPECT_EQ(ProgressBarWidth(100, 50, 0), 0);  // indeterminate: an empty trough
  EXPECT_EQ(ProgressBarWidth(100, 50, -3), 0);
  EXPECT_EQ(ProgressBarWidth(1000, INT_MAX, INT_MAX), 1000);  // 1000 x INT_MAX needs 64 bits
  EXPECT_EQ(ProgressBarWidth(1000, INT_MAX / 2, INT_MAX), 499);
}

class SimpleControlsTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = kit.OpenAndFocus(gui, "Simple", {}, &xid);
    groupClass = qvtest::MouseLoggingSubclass("GroupBox", "KitGroup");
    progressClass = qvtest::MouseLoggingSubclass("ProgressBar", "KitProgress");
    rectClass = qvtest::MouseLoggingSubclass("Rectangle", "KitRect");
    pixels = std::make_unique<ContentPixels>(window);
  }
  RuntimeObject* AddGroup(const std::string& name, const QV::Rect& r, const char* caption) {
    return qvtest::AddControl(window, groupClass, name, r, [&](RuntimeObject* o) {
      groupCaptionSetter(o, 0, string(caption).Storage());
    });
  }
  RuntimeObject* AddProgress(const std::string& name, const QV::Rect& r, int32_t value,
                             int32_t maximum) {
    return qvtest::AddControl(window, progressClass, name, r, [&](RuntimeObject* o) {
      progressMaximumSetter(o, 0, maximum);
      progressValueSetter(o, 0, value);
    });
  }
  static ProgressBar* BarOf(RuntimeObject* control) {
    return static_cast<ProgressBar*>(AsControl(control)->pane);
  }
  static double Fraction(RuntimeObject* control) {
    return gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(BarOf(control)->GetWidget()));
  }
  static int Activity(RuntimeObject* control) {
    return GTK_PROGRESS_BAR(BarOf(control)->GetWidget())->activity_pos;
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  RuntimeClass* groupClass = nullptr;
  RuntimeClass* progressClass = nullptr;
  RuntimeClass* rectClass = nullptr;
  std::unique_ptr<ContentPixels> pixels;
};

TEST_F(SimpleControlsTest, AGroupBoxCaptionShowsItsMnemonicAndKeepsWhatWasSet) {
  RuntimeObject* group = AddGroup("Group", {20, 20, 120, 200}, "&Options");
  ASSERT_NE(group, nullptr);
  auto* pane = static_cast<GroupBox*>(AsControl(group)->pane);
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(pane->Label())), "Options");
  EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(pane->Label())), gdk_keyval_from_name("o"));
  EXPECT_STREQ(pane->GetCaption().CString(), "Options");
  groupCaptionSetter(group, 0, string("Pa&per").Storage());
  EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(pane->Label())), gdk_keyval_from_name("p"));
  stringStorage* caption = groupCaptionGetter(group, 0);
  EXPECT_STREQ(stringStorage::CString(caption), "Pa&per");
  stringStorage::RemoveReference(caption);
  // The font setters reach the label at once.
  groupBoldSetter(group, 0, 1);
  EXPECT_EQ(groupBoldGetter(group, 0), 1);
  EXPECT_EQ(pango_font_description_get_weight(gtk_widget_get_style(pane->Label())->font_desc),
            PANGO_WEIGHT_BOLD);
}

TEST_F(SimpleControlsTest, AGroupBoxDrawsItsFrameWithTheCaptionInTheGap) {
  RuntimeObject* group = AddGroup("Group", {20, 20, 100, 140}, "&Gap");
  ASSERT_NE(group, nullptr);
  auto* pane = static_cast<GroupBox*>(AsControl(group)->pane);
  // Drawn into a Graphics over the window's pane, at a free place below.
  const QV::Rect area = {110, 20, 190, 140};
  GdkPixmap* ref = pixels->CopyArea(area);
  RuntimeObject* g = NewGraphicsObject(AsWindow(window)->mImp->NewGraphics());
  Graphics* native = NativeGraphicsOf(g);
  native->SetFont(pane->Font());
  const int32_t textHeight = native->TextHeight();
  const int32_t captionWidth = native->StringWidth(string("Gap"));
  RuntimeControlDrawInto(group, g, 20, 110);
  GtkWidget* frame = pane->GetWidget();
  gtk_paint_shadow_gap(frame->style, ref, GtkStateType(GTK_WIDGET_STATE(frame)),
                       GTK_SHADOW_ETCHED_IN, nullptr, frame, "frame", 0, textHeight / 2, 120,
                       80 - textHeight / 2, GTK_POS_TOP, 4, captionWidth + 2);
  const qvtest::Screenshot drawn = pixels->Read(area);
  const qvtest::Screenshot expected = qvtest::PixelsOf(ref, 120, 80);
  // The frame matches outside the caption; the caption's ink lies in the gap.
  const qvtest::ScreenArea caption = {4, 0, captionWidth + 4, textHeight};
  const qvtest::ScreenArea below = {0, textHeight, 120, 80 - textHeight};
  EXPECT_EQ(drawn.Region(below).DifferingPixels(expected.Region(below)), 0);
  EXPECT_EQ(drawn.Region({caption.x + caption.width, 0, 120, textHeight})
                .DifferingPixels(expected.Region({caption.x + caption.width, 0, 120, textHeight})),
            0);
  EXPECT_GT(drawn.Region(caption).CountPixels(0x000000, 96), 5) << "the caption, in black";
  EXPECT_EQ(expected.Region(caption).CountPixels(0x000000, 96), 0) << "the gap, left open";
  g_object_unref(ref);
  RuntimeUnlockObject(g);
}

TEST_F(SimpleControlsTest, AClickAGroupBoxDoesNotTakeGoesToTheControlBehind) {
  ASSERT_NE(qvtest::AddControl(window, rectClass, "Behind", {30, 30, 60, 60}), nullptr);
  ASSERT_NE(AddGroup("Group", {20, 20, 120, 200}, "Group"), nullptr);
  kit.Take();
  const qvtest::ScreenPoint p = qvtest::ContentToScreen(gui, xid, window, 40, 40);
  gui.Click(p.x, p.y);
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= 2; }));
  EXPECT_EQ(kit.Take(), (Log{"Group.MouseDown(20,20)", "Behind.MouseDown(10,10)"}));
  kit.mouseDownTakes = true;
  gui.Click(p.x, p.y);
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= 2; }));
  EXPECT_EQ(kit.Take(), (Log{"Group.MouseDown(20,20)", "Group.MouseUp(20,20)"}));
}

TEST_F(SimpleControlsTest, AProgressBarShowsItsValuesShareOfTheMaximum) {
  RuntimeObject* bar = AddProgress("Bar", {20, 20, 40, 220}, 50, 100);
  ASSERT_NE(bar, nullptr);
  EXPECT_DOUBLE_EQ(Fraction(bar), 0.5);
  progressValueSetter(bar, 0, 150);
  EXPECT_DOUBLE_EQ(Fraction(bar), 1.0);
  progressValueSetter(bar, 0, -5);
  EXPECT_DOUBLE_EQ(Fraction(bar), 0.0);
  EXPECT_EQ(progressValueGetter(bar, 0), -5);
  EXPECT_FALSE(BarOf(bar)->IsPulsing());
  // Indeterminate: values are kept but not shown until the maximum is positive again.
  progressMaximumSetter(bar, 0, 0);
  EXPECT_TRUE(BarOf(bar)->IsPulsing());
  progressValueSetter(bar, 0, 25);
  progressMaximumSetter(bar, 0, 50);
  EXPECT_FALSE(BarOf(bar)->IsPulsing());
  EXPECT_DOUBLE_EQ(Fraction(bar), 0.5);
  EXPECT_EQ(progressMaximumGetter(bar, 0), 50);
}

// A shown indeterminate bar paces the wait: while it moves twice, the hidden one never does.
TEST_F(SimpleControlsTest, OnlyAShownIndeterminateBarPulses) {
  RuntimeObject* shown = AddProgress("Shown", {20, 20, 40, 220}, 0, 0);
  RuntimeObject* hidden = AddProgress("Hidden", {60, 20, 80, 220}, 0, 0);
  RuntimeObject* still = AddProgress("Still", {100, 20, 120, 220}, 10, 100);
  ASSERT_TRUE(shown && hidden && still);
  ControlVisibleSetter(hidden, 0, 0);
  const int hiddenStart = Activity(hidden);
  const int stillStart = Activity(still);
  int moves = 0;
  int last = Activity(shown);
  ASSERT_TRUE(gui.PumpUntil([&] {
    if (Activity(shown) != last) {
      last = Activity(shown);
      ++moves;
    }
    return moves >= 2;
  }));
  EXPECT_EQ(Activity(hidden), hiddenStart);
  EXPECT_EQ(Activity(still), stillStart);
  EXPECT_FALSE(BarOf(still)->IsPulsing());
}

TEST_F(SimpleControlsTest, AProgressBarDrawsItsTroughAndBarIntoAnotherGraphics) {
  RuntimeObject* bar = AddProgress("Bar", {20, 20, 40, 120}, 30, 60);
  ASSERT_NE(bar, nullptr);
  const QV::Rect area = {150, 20, 170, 120};
  GdkPixmap* ref = pixels->CopyArea(area);
  RuntimeObject* g = NewGraphicsObject(AsWindow(window)->mImp->NewGraphics());
  RuntimeControlDrawInto(bar, g, 20, 150);
  GtkWidget* widget = BarOf(bar)->GetWidget();
  gtk_paint_box(widget->style, ref, GTK_STATE_NORMAL, GTK_SHADOW_IN, nullptr, widget, "trough",
                0, 0, 100, 20);
  gtk_paint_box(widget->style, ref, GTK_STATE_PRELIGHT, GTK_SHADOW_OUT, nullptr, widget, "bar",
                2, 2, (100 - 4) * 30 / 60, 16);
  const qvtest::Screenshot expected = qvtest::PixelsOf(ref, 100, 20);
  EXPECT_EQ(pixels->Read(area).DifferingPixels(expected), 0);
  g_object_unref(ref);
  RuntimeUnlockObject(g);
}

}  // namespace
