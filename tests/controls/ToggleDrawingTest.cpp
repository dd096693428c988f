// Check boxes and radio buttons drawn into a Graphics (DrawInto), checked, unchecked and
// disabled: the indicator reads as the theme paints it for that state, the caption's ink lies
// to its right (black while enabled, none of it black while disabled), and the three states
// draw differently.
#include <gtest/gtest.h>

#include <memory>

#include "SimpleControlFixtures.h"
#include "ToggleFixtures.h"
#include "controls/CheckBox.h"
#include "controls/ControlAccessors.h"
#include "controls/RadioButton.h"
#include "controls/ToggleIndicator.h"
#include "graphics/GraphicsClass.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowObject.h"

namespace {

constexpr int kWidth = 140;
constexpr int kHeight = 25;
constexpr int kIndicator = 18;

class ToggleDrawingTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = kit.OpenAndFocus(gui, "Drawing", {}, &xid);
    pixels = std::make_unique<qvtest::ContentPixels>(window);
  }
  // Draws control at the free area (content coordinates), with the area's background painted
  // into a reference by paint; answers the drawing, and the reference in *expected.
  qvtest::Screenshot Draw(RuntimeObject* control, const QV::Rect& area, bool checked,
                          bool enabled, ToggleIndicatorPainter paint,
                          qvtest::Screenshot* expected) {
    GdkPixmap* ref = pixels->CopyArea(area);
    RuntimeObject* g = NewGraphicsObject(AsWindow(window)->mImp->NewGraphics());
    RuntimeControlDrawInto(control, g, area.left, area.top);
    GtkWidget* widget = qvtest::WidgetOf(control);
    paint(widget->style, ref, enabled ? GTK_STATE_NORMAL : GTK_STATE_INSENSITIVE,
          checked ? GTK_SHADOW_IN : GTK_SHADOW_OUT, nullptr, widget, "checkbox", 0, 0,
          kIndicator, kHeight);
    *expected = qvtest::PixelsOf(ref, kWidth, kHeight);
    g_object_unref(ref);
    RuntimeUnlockObject(g);
    return pixels->Read(area);
  }
  void CheckStates(RuntimeObject* control, void (*setValue)(RuntimeObject*, uint32_t, int32_t),
                   ToggleIndicatorPainter paint) {
    struct State {
      bool checked;
      bool enabled;
    };
    const qvtest::ScreenArea indicator = {0, 0, kIndicator, kHeight};
    const qvtest::ScreenArea caption = {kIndicator + 2, 0, kWidth - kIndicator - 2, kHeight};
    std::vector<qvtest::Screenshot> drawings;
    int row = 0;
    for (const State state : {State{false, true}, State{true, true}, State{true, false}}) {
      SCOPED_TRACE(testing::Message() << "checked " << state.checked << " enabled "
                                      << state.enabled);
      setValue(control, 0, state.checked);
      controlEnabledSetter(control, 0, state.enabled);
      const QV::Rect area = {int16_t(80 + 30 * row), 20, int16_t(80 + 30 * row + kHeight),
                             int16_t(20 + kWidth)};
      ++row;
      qvtest::Screenshot expected;
      const qvtest::Screenshot drawn = Draw(control, area, state.checked, state.enabled, paint,
                                            &expected);
      EXPECT_EQ(drawn.Region(indicator).DifferingPixels(expected.Region(indicator)), 0);
      const int black = drawn.Region(caption).CountPixels(0x000000, 96);
      if (state.enabled) {
        EXPECT_GT(black, 5) << "the caption, in black";
      } else {
        EXPECT_EQ(black, 0) << "a disabled caption is greyed";
        EXPECT_GT(drawn.Region(caption).DifferingPixels(expected.Region(caption)), 5);
      }
      drawings.push_back(drawn);
    }
    EXPECT_GT(drawings[0].DifferingPixels(drawings[1]), 0);
    EXPECT_GT(drawings[1].DifferingPixels(drawings[2]), 0);
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  std::unique_ptr<qvtest::ContentPixels> pixels;
};

TEST_F(ToggleDrawingTest, ACheckBoxDrawsItsStates) {
  RuntimeObject* box = qvtest::AddCheckBox(window, "Wrap", {20, 20, 45, 160}, "Wrap");
  ASSERT_NE(box, nullptr);
  CheckStates(box, &checkBoxValueSetter, &gtk_paint_check);
}

TEST_F(ToggleDrawingTest, ARadioButtonDrawsItsStates) {
  RuntimeObject* radio = qvtest::AddRadio(window, "Small", {20, 20, 45, 160}, "Small");
  ASSERT_NE(radio, nullptr);
  CheckStates(radio, &radioValueSetter, &gtk_paint_option);
}

}  // namespace
