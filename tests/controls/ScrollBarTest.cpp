// Scroll bars and sliders over their GTK ranges, worked with real input: clicks on the arrows
// and the track, thumb drags, wheel notches and keys on a focused slider, each heard as the
// ValueChanged handler reading Value; bounds GTK cannot hold, which disable the bar until they
// become valid; the re-entry counter; handlers that close the window; and the picture a bar
// draws of itself into another Graphics.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "SimpleControlFixtures.h"
#include "controls/ControlAccessors.h"
#include "controls/RuntimeControl.h"
#include "controls/ScrollBar.h"
#include "graphics/GraphicsClass.h"
#include "support/TestSupport.h"
#include "windows/GtkInput.h"
#include "windows/PaneFocus.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using Log = std::vector<std::string>;
using qvtest::Kit;

constexpr int32_t kNoValue = INT_MIN;

struct BarSetUp {
  int32_t minimum = 0;
  int32_t maximum = 100;
  int32_t value = 0;
  int32_t lineStep = 1;
  int32_t pageStep = 10;
  bool liveScroll = true;
};

std::string NameOf(RuntimeObject* control) {
  return stringStorage::CString(AsControl(control)->name);
}

void Hear(RuntimeObject* control, const std::string& event) {
  const std::string entry = NameOf(control) + "." + event;
  Kit().log.push_back(entry);
  if (Kit().script) Kit().script(entry, control);
}

// What a compiled handler that prints Me.Value does.
void OnValueChanged(RuntimeObject* control) {
  Hear(control, "ValueChanged=" + std::to_string(scrollerPropGetter(control, kScrollerValue)));
}
void OnGotFocus(RuntimeObject* control) { Hear(control, "GotFocus"); }
void OnLostFocus(RuntimeObject* control) { Hear(control, "LostFocus"); }

class ScrollBarTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = kit.OpenAndFocus(gui, "Scrollers", {}, &xid);
    barClass = LoggingSubclass("ScrollBar", "KitScrollBar");
    sliderClass = LoggingSubclass("Slider", "KitSlider");
  }
  static RuntimeClass* LoggingSubclass(const char* parent, const char* name) {
    RuntimeClass* cls = qvtest::MouseLoggingSubclass(parent, name);
    qvtest::SetHandler(cls, "ValueChanged", reinterpret_cast<void*>(&OnValueChanged));
    qvtest::SetHandler(cls, "GotFocus", reinterpret_cast<void*>(&OnGotFocus));
    qvtest::SetHandler(cls, "LostFocus", reinterpret_cast<void*>(&OnLostFocus));
    return cls;
  }
  RuntimeObject* Add(RuntimeClass* cls, const std::string& name, const QV::Rect& r,
                     const BarSetUp& s) {
    return qvtest::AddControl(window, cls, name, r, [&](RuntimeObject* o) {
      scrollerPropSetter(o, kScrollerMinimum, s.minimum);
      scrollerPropSetter(o, kScrollerMaximum, s.maximum);
      scrollerPropSetter(o, kScrollerLineStep, s.lineStep);
      scrollerPropSetter(o, kScrollerPageStep, s.pageStep);
      scrollerPropSetter(o, kScrollerValue, s.value);
      ScrollerLiveScrollSetter(o, 0, s.liveScroll);
    });
  }
  static Scroller* PaneOf(RuntimeObject* control) {
    return static_cast<Scroller*>(AsControl(control)->pane);
  }
  static bool Sensitive(RuntimeObject* control) {
    return GTK_WIDGET_SENSITIVE(PaneOf(control)->GetWidget());
  }
  static int32_t Value(RuntimeObject* control) {
    return scrollerPropGetter(control, kScrollerValue);
  }
  void XDoTool(const std::vector<std::string>& arguments) { gui.XDoTool(arguments); }
  qvtest::ScreenPoint At(int x, int y) {
    return qvtest::ContentToScreen(gui, xid, window, x, y);
  }
  void ClickAt(int x, int y, int button = 1) {
    const qvtest::ScreenPoint p = At(x, y);
    gui.Click(p.x, p.y, button);
  }
  // The log without the mouse events (the press GTK handles is heard first), emptied.
  Log Changes() {
    Log changes;
    for (const std::string& entry : kit.Take()) {
      if (entry.find(".Mouse") == std::string::npos) changes.push_back(entry);
    }
    return changes;
  }
  // Waits for the entry, then for what the server still holds: the changes as they then stand.
  Log WaitFor(const std::string& entry) {
    EXPECT_TRUE(gui.PumpUntil([&] {
      return std::find(kit.log.begin(), kit.log.end(), entry) != kit.log.end();
    })) << "no " << entry;
    gui.Settle();
    return Changes();
  }
  // Whether GTK has given the bar its size and placed the thumb.
  static bool SliderLaidOut(RuntimeObject* control) {
    GtkWidget* widget = PaneOf(control)->GetWidget();
    gint start = 0, end = 0;
    gtk_range_get_slider_range(GTK_RANGE(widget), &start, &end);
    return widget->allocation.width > 1 && end > start;
  }
  // The thumb's middle along the bar, in content coordinates (GTK gives it in those of the
  // widget's GDK window, which its allocation is in too).
  static int ThumbCenter(RuntimeObject* control) {
    GtkWidget* widget = PaneOf(control)->GetWidget();
    gint start = 0, end = 0;
    gtk_range_get_slider_range(GTK_RANGE(widget), &start, &end);
    const QV::Rect& b = PaneOf(control)->GetBounds();
    return PaneOf(control)->IsVertical() ? b.top - widget->allocation.y + (start + end) / 2
                                         : b.left - widget->allocation.x + (start + end) / 2;
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  RuntimeClass* barClass = nullptr;
  RuntimeClass* sliderClass = nullptr;
};

TEST(ScrollerThumbOffset, PlacesTheThumbByTheValuesShareOfTheRange) {
  EXPECT_EQ(ScrollerThumbOffset(100, 50, 0, 100), 50);
  EXPECT_EQ(ScrollerThumbOffset(100, 75, 50, 100), 50);  // from the minimum, not from 0
  EXPECT_EQ(ScrollerThumbOffset(100, 0, 0, 0), 0);        // an empty range: at the start
  EXPECT_EQ(ScrollerThumbOffset(100, 5, 10, 0), 0);       // a reversed one too
  EXPECT_EQ(ScrollerThumbOffset(100, 200, 0, 100), 100);  // limited to the travel
  EXPECT_EQ(ScrollerThumbOffset(1000, INT_MAX, INT_MIN, INT_MAX), 1000);  // 64-bit range
  EXPECT_EQ(ScrollerThumbOffset(1000, 0, INT_MIN, INT_MAX), 500);
}

TEST_F(ScrollBarTest, ArrowTrackDragAndWheelEachReportTheNewValue) {
  RuntimeObject* h = Add(barClass, "H", {10, 10, 26, 210},
                         {.lineStep = 5, .pageStep = 20, .liveScroll = true});
  RuntimeObject* v = Add(barClass, "V", {40, 250, 190, 266}, {.lineStep = 7});
  ASSERT_TRUE(h && v);
  EXPECT_FALSE(PaneOf(h)->IsVertical());
  EXPECT_TRUE(PaneOf(v)->IsVertical());
  EXPECT_TRUE(kit.Take().empty()) << "creation raises nothing";

  ClickAt(205, 18);  // the right arrow
  EXPECT_EQ(WaitFor("H.ValueChanged=5"), Log{"H.ValueChanged=5"});
  ClickAt(180, 18);  // the track right of the thumb: one page
  EXPECT_EQ(WaitFor("H.ValueChanged=25"), Log{"H.ValueChanged=25"});

  const qvtest::ScreenPoint from = At(ThumbCenter(h), 18);
  const qvtest::ScreenPoint to = At(260, 18);
  gui.Drag(from.x, from.y, to.x, to.y);
  const Log dragged = WaitFor("H.ValueChanged=100");
  ASSERT_GE(dragged.size(), 1u);
  int32_t previous = 25;
  for (const std::string& entry : dragged) {
    const int32_t value = std::stoi(entry.substr(entry.find('=') + 1));
    EXPECT_GT(value, previous) << entry;
    previous = value;
  }
  EXPECT_EQ(dragged.back(), "H.ValueChanged=100");

  ClickAt(258, 100, 5);  // one notch down: three lines of 7, once
  EXPECT_EQ(WaitFor("V.ValueChanged=21"), Log{"V.ValueChanged=21"});
  EXPECT_EQ(Value(v), 21);
}

TEST_F(ScrollBarTest, KeysMoveAFocusedSliderWhileScrollBarsTakeNoFocus) {
  RuntimeObject* bar = Add(barClass, "H", {10, 10, 26, 210}, {});
  RuntimeObject* slider = Add(sliderClass, "S", {40, 10, 70, 160},
                              {.maximum = 10, .value = 3, .lineStep = 1, .pageStep = 5});
  ASSERT_TRUE(bar && slider);
  scrollerPropSetter(bar, kScrollerAcceptFocus, 1);
  EXPECT_EQ(scrollerPropGetter(bar, kScrollerAcceptFocus), 1);  // stored for the control
  EXPECT_FALSE(PaneOf(bar)->CanTakeFocus());
  EXPECT_TRUE(PaneOf(slider)->CanTakeFocus());
  gui.Key("Tab");
  ASSERT_TRUE(gui.PumpUntil([&] { return GetFocusPane() == PaneOf(slider); }));
  EXPECT_EQ(WaitFor("S.GotFocus"), Log{"S.GotFocus"});
  gui.Key("Right");
  EXPECT_EQ(WaitFor("S.ValueChanged=4"), Log{"S.ValueChanged=4"});
  gui.Key("End");
  EXPECT_EQ(WaitFor("S.ValueChanged=10"), Log{"S.ValueChanged=10"});
  gui.Key("Home");
  EXPECT_EQ(WaitFor("S.ValueChanged=0"), Log{"S.ValueChanged=0"});
}

TEST_F(ScrollBarTest, BoundsGtkCannotHoldWaitWithTheBarDisabled) {
  RuntimeObject* bar = Add(barClass, "H", {10, 10, 26, 210}, {.value = 40});
  ASSERT_NE(bar, nullptr);
  kit.Take();
  scrollerPropSetter(bar, kScrollerMinimum, 0);
  scrollerPropSetter(bar, kScrollerMaximum, 0);
  EXPECT_FALSE(Sensitive(bar));
  EXPECT_EQ(scrollerPropGetter(bar, kScrollerMaximum), 0);
  EXPECT_EQ(kit.Take(), Log{"H.ValueChanged=0"}) << "the value follows the maximum, once";
  scrollerPropSetter(bar, kScrollerMaximum, 10);
  EXPECT_TRUE(Sensitive(bar));
  GtkAdjustment* adjustment = gtk_range_get_adjustment(GTK_RANGE(PaneOf(bar)->GetWidget()));
  EXPECT_EQ(adjustment->lower, 0);
  EXPECT_EQ(adjustment->upper, 10);
  EXPECT_EQ(kit.Take(), Log{});

  scrollerPropSetter(bar, kScrollerMaximum, 100);
  scrollerPropSetter(bar, kScrollerMinimum, 50);
  EXPECT_EQ(kit.Take(), Log{"H.ValueChanged=50"});
  scrollerPropSetter(bar, kScrollerMaximum, 10);
  EXPECT_FALSE(Sensitive(bar));
  EXPECT_EQ(scrollerPropGetter(bar, kScrollerMinimum), 50);
  EXPECT_EQ(scrollerPropGetter(bar, kScrollerMaximum), 10);
  scrollerPropSetter(bar, kScrollerMaximum, 100);
  EXPECT_TRUE(Sensitive(bar));
  EXPECT_EQ(adjustment->lower, 50);
  EXPECT_EQ(adjustment->upper, 100);

  // A minimum at or above the maximum waits the same way.
  scrollerPropSetter(bar, kScrollerMinimum, 100);
  EXPECT_FALSE(Sensitive(bar));
  EXPECT_EQ(scrollerPropGetter(bar, kScrollerMinimum), 100);
  scrollerPropSetter(bar, kScrollerMinimum, 0);
  EXPECT_TRUE(Sensitive(bar));
  kit.Take();

  scrollerPropSetter(bar, kScrollerValue, 70);
  scrollerPropSetter(bar, kScrollerValue, 70);
  EXPECT_EQ(kit.Take(), Log{"H.ValueChanged=70"}) << "the same value reports once";
  scrollerPropSetter(bar, kScrollerMaximum, 30);
  EXPECT_EQ(kit.Take(), Log{"H.ValueChanged=30"});
  EXPECT_EQ(Value(bar), 30);
}

TEST_F(ScrollBarTest, EnablingAskedForWaitsForValidBoundsAndNeverUndoesTheApplications) {
  RuntimeObject* bar = Add(barClass, "H", {10, 10, 26, 210}, {});
  ASSERT_NE(bar, nullptr);
  controlEnabledSetter(bar, 0, 0);
  EXPECT_FALSE(Sensitive(bar));
  scrollerPropSetter(bar, kScrollerMaximum, 0);
  scrollerPropSetter(bar, kScrollerMaximum, 50);
  EXPECT_FALSE(Sensitive(bar)) << "disabled by the application, it stays so";
  controlEnabledSetter(bar, 0, 1);
  EXPECT_TRUE(Sensitive(bar));

  scrollerPropSetter(bar, kScrollerMaximum, 0);
  EXPECT_FALSE(Sensitive(bar));
  controlEnabledSetter(bar, 0, 0);
  controlEnabledSetter(bar, 0, 1);
  EXPECT_FALSE(Sensitive(bar)) << "a bound waits: the user may not move the bar";
  EXPECT_FALSE(PaneOf(bar)->MouseWheel(0, 3)) << "a disabled bar ignores the wheel";
  scrollerPropSetter(bar, kScrollerMaximum, 20);
  EXPECT_TRUE(Sensitive(bar)) << "the Enabled asked for applies with valid bounds";
}

TEST_F(ScrollBarTest, ZeroAndHugeLineStepsStopWhereGtkClamps) {
  RuntimeObject* h = Add(barClass, "H", {10, 10, 26, 210}, {.lineStep = 0});
  RuntimeObject* v = Add(barClass, "V", {40, 250, 190, 266}, {.value = 10, .lineStep = 0});
  ASSERT_TRUE(h && v);
  kit.Take();
  ClickAt(205, 18);
  ClickAt(258, 100, 5);
  gui.Settle();
  EXPECT_EQ(Value(h), 0);
  EXPECT_EQ(Value(v), 10);
  EXPECT_EQ(Changes(), Log{}) << "a step of 0 moves nothing and reports nothing";

  // Set after creation, the line step is the wheel's step too (x3 lines would overflow 32 bits).
  scrollerPropSetter(v, kScrollerLineStep, INT_MAX);
  EXPECT_EQ(PaneOf(v)->WheelStep(), INT_MAX);
  ClickAt(258, 100, 5);
  EXPECT_EQ(WaitFor("V.ValueChanged=100"), Log{"V.ValueChanged=100"});
  ClickAt(258, 100, 4);
  EXPECT_EQ(WaitFor("V.ValueChanged=0"), Log{"V.ValueChanged=0"});

  RuntimeObject* slider = Add(sliderClass, "S", {40, 10, 70, 160}, {.lineStep = 4});
  ASSERT_NE(slider, nullptr);
  scrollerPropSetter(slider, kScrollerLineStep, 6);
  EXPECT_EQ(PaneOf(slider)->WheelStep(), 0) << "a slider's wheel step stays 0";
  EXPECT_EQ(scrollerPropGetter(slider, kScrollerLineStep), 6);
}

TEST_F(ScrollBarTest, CreationWaitsForItsBoundsAndValuesSetBeforeThePaneReadBack) {
  RuntimeObject* loose = RuntimeNewObject(barClass);
  scrollerPropSetter(loose, kScrollerValue, 42);
  scrollerPropSetter(loose, kScrollerLineStep, 3);
  scrollerPropSetter(loose, 6, 99);  // no such property: nothing is written
  EXPECT_EQ(scrollerPropGetter(loose, kScrollerValue), 42);
  EXPECT_EQ(scrollerPropGetter(loose, kScrollerLineStep), 3);
  EXPECT_EQ(scrollerPropGetter(loose, 6), 0);
  const ScrollBarObject before = *AsScrollBar(loose);
  scrollerPropSetter(loose, 7, 5);
  EXPECT_EQ(memcmp(&before, AsScrollBar(loose), sizeof before), 0);
  RuntimeUnlockObject(loose);

  RuntimeObject* bar = Add(barClass, "H", {10, 10, 26, 210}, {.maximum = 0, .value = 0});
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(Sensitive(bar));
  EXPECT_EQ(kit.Take(), Log{});
  RuntimeObject* slider = Add(sliderClass, "S", {40, 10, 70, 160},
                              {.minimum = 5, .maximum = 15, .value = 9, .lineStep = 2});
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(Value(slider), 9);
  EXPECT_EQ(scrollerPropGetter(slider, kScrollerMinimum), 5);
  EXPECT_EQ(scrollerPropGetter(slider, kScrollerLineStep), 2);
  EXPECT_EQ(kit.Take(), Log{}) << "setting up the pane raises nothing";
}

TEST_F(ScrollBarTest, WithoutLiveScrollADragReportsOnceAtTheRelease) {
  RuntimeObject* bar = Add(barClass, "H", {10, 10, 26, 210}, {.liveScroll = false});
  ASSERT_NE(bar, nullptr);
  kit.Take();
  ASSERT_TRUE(gui.PumpUntil([&] { return SliderLaidOut(bar); })) << "GTK placed the thumb";
  const qvtest::ScreenPoint from = At(ThumbCenter(bar), 18);
  const qvtest::ScreenPoint to = At(110, 18);
  gui.Drag(from.x, from.y, to.x, to.y);
  ASSERT_TRUE(gui.PumpUntil([&] {
    return std::any_of(kit.log.begin(), kit.log.end(), [](const std::string& entry) {
      return entry.rfind("H.ValueChanged", 0) == 0;
    });
  }));
  gui.Settle();
  const Log heard = Changes();
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0], "H.ValueChanged=" + std::to_string(Value(bar)));
  EXPECT_GT(Value(bar), 0);
}

TEST_F(ScrollBarTest, AMouseDownAnsweringTrueKeepsTheBarStillAndGetsTheDragAndRelease) {
  RuntimeObject* bar = Add(barClass, "H", {10, 10, 26, 210}, {.lineStep = 5});
  ASSERT_NE(bar, nullptr);
  kit.Take();
  kit.mouseDownTakes = true;
  auto has = [&](const std::string& entry) {
    return std::find(kit.log.begin(), kit.log.end(), entry) != kit.log.end();
  };
  const qvtest::ScreenPoint from = At(205, 18);
  const qvtest::ScreenPoint to = At(150, 20);
  XDoTool({"mousemove", std::to_string(from.x), std::to_string(from.y), "mousedown", "1"});
  ASSERT_TRUE(gui.PumpUntil([&] { return has("H.MouseDown(195,8)"); }));
  XDoTool({"mousemove", std::to_string(to.x), std::to_string(to.y)});
  // The application's main loop drags the capturing pane; here the test runs that step.
  ASSERT_TRUE(gui.PumpUntil([&] {
    DragMouseCapture();
    return has("H.MouseDrag(140,10)");
  }));
  XDoTool({"mouseup", "1"});
  ASSERT_TRUE(gui.PumpUntil([&] { return has("H.MouseUp(140,10)"); }));
  EXPECT_EQ(Changes(), Log{});
  EXPECT_EQ(Value(bar), 0) << "the arrow never moved the bar";
}

TEST_F(ScrollBarTest, AValueSetInsideValueChangedRaisesNothingMore) {
  RuntimeObject* bar = Add(barClass, "H", {10, 10, 26, 210}, {.lineStep = 5});
  ASSERT_NE(bar, nullptr);
  kit.Take();
  kit.script = [](const std::string& entry, RuntimeObject* control) {
    if (entry == "H.ValueChanged=5") scrollerPropSetter(control, kScrollerValue, 50);
  };
  ClickAt(205, 18);
  EXPECT_EQ(WaitFor("H.ValueChanged=5"), Log{"H.ValueChanged=5"});
  EXPECT_EQ(Value(bar), 50);
  kit.script = nullptr;
  scrollerPropSetter(bar, kScrollerValue, 60);
  EXPECT_EQ(kit.Take(), Log{"H.ValueChanged=60"}) << "the counter came down again";
}

TEST_F(ScrollBarTest, HandlersThatCloseTheWindowLeaveNothingDangling) {
  RuntimeObject* bar = Add(barClass, "H", {10, 10, 26, 210}, {.lineStep = 5});
  RuntimeObject* slider = Add(sliderClass, "S", {40, 10, 70, 160}, {.maximum = 10});
  ASSERT_TRUE(bar && slider);
  kit.Take();
  // LostFocus closes the window, as the focus leaves the slider for another window.
  kit.script = [](const std::string& entry, RuntimeObject* control) {
    if (entry == "S.LostFocus") RuntimeCloseWindow(AsControl(control)->window);
  };
  AsControl(slider)->pane->SetKeyboardFocus();
  ASSERT_TRUE(gui.PumpUntil([&] { return GetFocusPane() == PaneOf(slider); }));
  SetFocusPane(nullptr);
  EXPECT_NE(std::find(kit.log.begin(), kit.log.end(), "S.LostFocus"), kit.log.end());
  EXPECT_TRUE(gui.WaitUntilClosed(xid));
  kit.Take();

  RuntimeObject* second = kit.OpenAndFocus(gui, "Scrollers again", {}, &xid);
  window = second;
  RuntimeObject* again = Add(barClass, "H", {10, 10, 26, 210}, {.lineStep = 5});
  ASSERT_NE(again, nullptr);
  kit.script = [](const std::string& entry, RuntimeObject* control) {
    if (entry.rfind("H.ValueChanged", 0) == 0) RuntimeCloseWindow(AsControl(control)->window);
  };
  ClickAt(205, 18);
  EXPECT_TRUE(gui.WaitUntilClosed(xid));
  EXPECT_EQ(Changes(), Log{"H.ValueChanged=5"});
  kit.script = nullptr;
}

TEST_F(ScrollBarTest, BothKindsDrawTheirPictureEnabledDisabledAndWithAnEmptyRange) {
  RuntimeObject* bar = Add(barClass, "H", {10, 10, 26, 210}, {.value = 100});
  RuntimeObject* slider = Add(sliderClass, "S", {40, 10, 70, 160}, {.maximum = 10});
  ASSERT_TRUE(bar && slider);
  qvtest::ContentPixels pixels(window);
  RuntimeObject* g = NewGraphicsObject(AsWindow(window)->mImp->NewGraphics());
  auto draw = [&](RuntimeObject* control, int width, int height) {
    const QV::Rect area = {120, 20, int16_t(120 + height), int16_t(20 + width)};
    GdkPixmap* blank = pixels.CopyArea(area);
    RuntimeControlDrawInto(control, g, 20, 120);
    const qvtest::Screenshot shot = pixels.Read(area);
    const qvtest::Screenshot before = qvtest::PixelsOf(blank, width, height);
    EXPECT_GT(shot.DifferingPixels(before), width) << "the bar drew itself";
    // Put the background back for the next picture.
    GdkGC* gc = gdk_gc_new(pixels.gdkWindow());
    gdk_draw_drawable(pixels.gdkWindow(), gc, blank, 0, 0, area.left, area.top + pixels.offset(),
                      width, height);
    g_object_unref(gc);
    g_object_unref(blank);
    return shot;
  };
  const qvtest::Screenshot atEnd = draw(bar, 200, 16);
  scrollerPropSetter(bar, kScrollerValue, 0);
  const qvtest::Screenshot atStart = draw(bar, 200, 16);
  EXPECT_GT(atEnd.DifferingPixels(atStart), 0) << "the thumb follows the value";
  scrollerPropSetter(bar, kScrollerMaximum, 0);  // empty range, and disabled by it
  const qvtest::Screenshot empty = draw(bar, 200, 16);
  controlEnabledSetter(bar, 0, 0);
  scrollerPropSetter(bar, kScrollerMaximum, 100);
  const qvtest::Screenshot disabled = draw(bar, 200, 16);
  EXPECT_EQ(empty.DifferingPixels(disabled), 0) << "an empty range draws the thumb at the start";

  const qvtest::Screenshot low = draw(slider, 150, 30);
  scrollerPropSetter(slider, kScrollerValue, 10);
  const qvtest::Screenshot high = draw(slider, 150, 30);
  EXPECT_GT(low.DifferingPixels(high), 0);
  RuntimeUnlockObject(g);
}

}  // namespace
