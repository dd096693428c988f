// StaticText on a real display: the label's alignment, wrapping and caption as GTK holds them,
// the mnemonic raising AcceleratorKey, the mouse events that follow only a taken MouseDown,
// handlers that close the window, drawing into an off-screen pixmap, and no object left over.
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimpleControlFixtures.h"
#include "ToggleFixtures.h"
#include "controls/ControlAccessors.h"
#include "controls/RuntimeControl.h"
#include "controls/StaticText.h"
#include "controls/StaticTextPane.h"
#include "core/ClassFieldAccessors.h"
#include "core/FieldAccessors.h"
#include "graphics/Drawable.h"
#include "support/GuiDriver.h"
#include "windows/SubPane.h"
#include "windows/WindowEntryPoints.h"

namespace {

using Log = std::vector<std::string>;
using qvtest::Kit;

void OnAcceleratorKey(RuntimeObject* label) {
  Kit().log.push_back(qvtest::ControlName(label) + ".AcceleratorKey");
  if (Kit().script) Kit().script(qvtest::ControlName(label) + ".AcceleratorKey", label);
}

RuntimeClass* LabelClass(bool mouseHandlers) {
  static RuntimeClass* withMouse = nullptr;
  static RuntimeClass* plain = nullptr;
  RuntimeClass*& cls = mouseHandlers ? withMouse : plain;
  if (cls) return cls;
  cls = mouseHandlers ? qvtest::MouseLoggingSubclass("StaticText", "KitLabel")
                      : qvtest::Subclass("StaticText", "KitPlainLabel");
  qvtest::SetHandler(cls, "AcceleratorKey", reinterpret_cast<void*>(&OnAcceleratorKey));
  return cls;
}

constexpr QV::Rect kPlace{20, 20, 45, 180};

class StaticTextTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = kit.OpenAndFocus(gui, "Labels", {}, &xid);
    liveAtStart = LiveObjectCount();
  }

  RuntimeObject* Add(const std::string& name, const std::string& caption,
                     const QV::Rect& place = kPlace, bool mouse = true) {
    RuntimeObject* label =
        qvtest::AddControl(window, LabelClass(mouse), name, place, [&](RuntimeObject* object) {
          AsStaticText(object)->text = string(caption.c_str()).ExtractStringStorage();
        });
    EXPECT_NE(label, nullptr);
    gui.Settle();
    kit.Take();
    return label;
  }
  GtkWidget* LabelOf(RuntimeObject* label) { return qvtest::WidgetOf(label); }
  StaticTextGeneric* Pane(RuntimeObject* label) {
    return static_cast<StaticTextGeneric*>(AsControl(label)->pane);
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  int32_t liveAtStart = 0;
};

TEST_F(StaticTextTest, AlignmentWrappingAndCaptionAreTheLabels) {
  RuntimeObject* label = Add("Phone", "&Phone:");
  GtkWidget* widget = LabelOf(label);
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(widget)), "Phone:");
  EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(widget)), guint(GDK_p));
  struct Case {
    int32_t align;
    float x;
    GtkJustification justify;
  };
  const Case cases[] = {{0, 0.0f, GTK_JUSTIFY_LEFT},
                        {1, 0.5f, GTK_JUSTIFY_CENTER},
                        {2, 1.0f, GTK_JUSTIFY_RIGHT},
                        {3, 1.0f, GTK_JUSTIFY_RIGHT}};  // 3 leaves the label as it was
  for (bool multiLine : {false, true}) {
    StaticTextMultilineSetter(label, 0, multiLine);
    EXPECT_EQ(gtk_label_get_line_wrap(GTK_LABEL(widget)), multiLine);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.align);
      staticTextAlignSetter(label, 0, c.align);
      EXPECT_EQ(shortGetter(label, offsetof(StaticTextObject, textAlign)), c.align);
      gfloat x = -1;
      gfloat y = -1;
      gtk_misc_get_alignment(GTK_MISC(widget), &x, &y);
      EXPECT_EQ(x, c.x);
      EXPECT_EQ(y, multiLine ? 0.0f : 0.5f);  // wrapped text starts at the top
      EXPECT_EQ(gtk_label_get_justify(GTK_LABEL(widget)), c.justify);
    }
  }
  // Text and Caption are one field; the same caption again leaves the label alone.
  gtk_label_set_text(GTK_LABEL(widget), "changed behind its back");
  staticCaptionSetter(label, 0, string("&Phone:").Storage());
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(widget)), "changed behind its back");
  StaticTextSetString(label, string("Fax").Storage());
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(widget)), "Fax");
  stringStorage* text = stringGetter(label, offsetof(StaticTextObject, text));
  EXPECT_STREQ(stringStorage::CString(text), "Fax");
  stringStorage::RemoveReference(text);
  staticTextColorSetter(label, 0, 0xFF0000);
  EXPECT_EQ(gtk_widget_get_style(widget)->fg[GTK_STATE_NORMAL].red, 0xFFFF);
}

TEST_F(StaticTextTest, TheMnemonicRaisesAcceleratorKey) {
  Add("Phone", "&Phone:");
  gui.Key("alt+p");
  ASSERT_TRUE(gui.PumpUntil([&] { return !kit.log.empty(); }));
  gui.Settle();
  EXPECT_EQ(kit.Take(), (Log{"Phone.AcceleratorKey"}));
}

TEST_F(StaticTextTest, DragAndReleaseFollowOnlyATakenMouseDown) {
  RuntimeObject* label = Add("Label", "Drag me");
  RuntimeObject* plain = Add("Plain", "No handlers", {60, 20, 85, 180}, false);
  const qvtest::ScreenPoint p = qvtest::ContentToScreen(gui, xid, window, 50, 30);
  kit.mouseDownTakes = false;
  gui.Drag(p.x, p.y, p.x + 10, p.y + 2);
  ASSERT_TRUE(gui.PumpUntil([&] { return !kit.log.empty(); }));
  gui.Settle();
  EXPECT_EQ(kit.Take(), (Log{"Label.MouseDown(30,10)"}));
  kit.mouseDownTakes = true;
  gui.Drag(p.x, p.y, p.x + 10, p.y + 2);
  ASSERT_TRUE(gui.PumpUntil([&] {
    return !kit.log.empty() && kit.log.back().rfind("Label.MouseUp", 0) == 0;
  }));
  const Log log = kit.Take();
  EXPECT_EQ(log.front(), "Label.MouseDown(30,10)");
  EXPECT_EQ(log.back(), "Label.MouseUp(40,12)");
  // Without a MouseDown handler the label takes nothing.
  const qvtest::ScreenPoint q = qvtest::ContentToScreen(gui, xid, window, 50, 70);
  gui.Click(q.x, q.y);
  gui.Settle();
  EXPECT_EQ(kit.Take(), Log{});
  EXPECT_EQ(AsStaticText(plain)->mouseDownHandled, 0);
  EXPECT_EQ(AsStaticText(label)->mouseDownHandled, 1);
}

TEST_F(StaticTextTest, HandlersMayCloseTheWindowFromEveryMouseEvent) {
  for (const char* event : {"MouseDown", "MouseDrag", "MouseUp"}) {
    SCOPED_TRACE(event);
    if (!window) window = kit.OpenAndFocus(gui, "Labels", {}, &xid);
    RuntimeObject* label = Add("Label", "Close");
    kit.mouseDownTakes = true;
    const std::string closing = std::string("Label.") + event;
    RuntimeObject* closingWindow = window;
    kit.script = [&](const std::string& heard, RuntimeObject*) {
      if (heard.rfind(closing, 0) == 0) RuntimeCloseWindow(closingWindow);
    };
    const qvtest::ScreenPoint p = qvtest::ContentToScreen(gui, xid, window, 50, 30);
    if (std::string(event) == "MouseDrag") {
      // Pointer motion may reach the window folded into the release: the press is real, the
      // drag is handed to the pane as the window hands it.
      gui.Click(p.x, p.y);
      ASSERT_TRUE(gui.PumpUntil([&] { return !kit.log.empty(); }));
      SubPane* pane = AsControl(label)->pane;
      ASSERT_NE(pane, nullptr);
      EXPECT_EQ(AsStaticText(label)->mouseDownHandled, 1);
      if (pane->RetainChain()) {
        pane->MouseDrag(60, 32);
        pane->ReleaseChain();
      }
    } else {
      gui.Drag(p.x, p.y, p.x + 10, p.y + 2);
    }
    EXPECT_TRUE(gui.WaitUntilClosed(xid));
    gui.Settle();
    kit.script = nullptr;
    window = nullptr;
  }
}

// Dark pixels of the drawing in each third of the area, left to right.
std::vector<int> InkByThird(DrawablePane& surface) {
  GdkPixbuf* pixels = surface.GetPixbuf();
  std::vector<int> ink(3, 0);
  if (!pixels) return ink;
  const int width = gdk_pixbuf_get_width(pixels);
  const int height = gdk_pixbuf_get_height(pixels);
  const int stride = gdk_pixbuf_get_rowstride(pixels);
  const int channels = gdk_pixbuf_get_n_channels(pixels);
  const guchar* data = gdk_pixbuf_get_pixels(pixels);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const guchar* p = data + y * stride + x * channels;
      if (p[0] + p[1] + p[2] < 3 * 0x60) ++ink[std::min(2, x * 3 / width)];
    }
  }
  return ink;
}

TEST_F(StaticTextTest, DrawsIntoAGraphicsByAlignmentAndGreysWhenDisabled) {
  RuntimeObject* label = Add("Label", "&Wide caption");
  const QV::Rect& bounds = AsControl(label)->bounds;
  auto draw = [&] {
    auto* surface = new DrawablePane({0, 0}, {bounds.bottom + 10, bounds.right + 10}, 24);
    Graphics* g = surface->NewGraphics();
    Pane(label)->DrawInto(*g);
    Graphics::Destroy(g);
    surface->DiscardCache();
    std::vector<int> ink = InkByThird(*surface);
    delete surface;
    return ink;
  };
  std::vector<int> left = draw();
  EXPECT_GT(left[0], 0);
  EXPECT_EQ(left[2], 0);
  staticTextAlignSetter(label, 0, 2);
  std::vector<int> right = draw();
  EXPECT_EQ(right[0], 0);
  EXPECT_GT(right[2], 0);
  controlEnabledSetter(label, 0, 0);
  std::vector<int> disabled = draw();
  EXPECT_EQ(disabled[0] + disabled[1] + disabled[2], 0);  // grey: nothing dark
  controlEnabledSetter(label, 0, 1);
  staticCaptionSetter(label, 0, nullptr);
  std::vector<int> empty = draw();
  EXPECT_EQ(empty[0] + empty[1] + empty[2], 0);
}

TEST_F(StaticTextTest, ClosingTheWindowLeavesNoObjectBehind) {
  Add("One", "One");
  Add("Two", "Two", {60, 20, 85, 180});
  EXPECT_EQ(LiveObjectCount(), liveAtStart + 2);
  RuntimeCloseWindow(window);  // the window object itself stays held
  gui.Settle();
  EXPECT_EQ(LiveObjectCount(), liveAtStart);
}

}  // namespace
