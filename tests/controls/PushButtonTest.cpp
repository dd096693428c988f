// Push buttons on a real display, worked with real input: what a click raises and what it does
// not, the receivers of an action source, mnemonics and fonts on the GtkButton, and handlers
// that close the window or the button itself while the router is still on the stack (the
// sanitizer build runs these too).
#include <gtest/gtest.h>
#include <pango/pango.h>

#include "ControlFixtures.h"
#include "controls/PushButton.h"
#include "controls/PushButtonGTK.h"
#include "core/ClassFieldAccessors.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using qvtest::ControlPlan;
using Log = std::vector<std::string>;

class PushButtonTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  RuntimeObject* Open(const std::vector<ControlPlan>& plans) {
    RuntimeObject* window = kit.OpenAndFocus(gui, "Buttons", plans, &xid);
    kit.Take();
    return window;
  }
  GtkWidget* Widget(RuntimeObject* window, const std::string& key) {
    RuntimeObject* control = kit.Control(window, key);
    return control && AsControl(control)->pane ? AsControl(control)->pane->GetWidget() : nullptr;
  }
  // Presses on the "Save" button and releases to its right by drag, which raises MouseDown
  // alone; the button, or nullptr (a failure) when it has no widget.
  GtkWidget* PressAndReleaseOutside(RuntimeObject* window,
                                    void (qvtest::GuiDriver::*drag)(int, int, int, int, int)) {
    GtkWidget* button = Widget(window, "Save");
    EXPECT_NE(button, nullptr);
    if (!button) return nullptr;
    const qvtest::ScreenArea area = gui.Area(button);
    (gui.*drag)(area.CenterX(), area.CenterY(), area.x + area.width + 40, area.CenterY(), 1);
    EXPECT_TRUE(gui.PumpUntil([&] { return !kit.log.empty(); }));
    gui.Settle();
    EXPECT_EQ(kit.Take(), (Log{"Save.MouseDown"}));
    return button;
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
};

const ControlPlan kSave{.name = "Save", .bounds = {20, 20, 50, 120}, .caption = "&Save"};

TEST_F(PushButtonTest, APressReleasedOutsideRaisesNothingAndAClickRaisesAction) {
  GtkWidget* button = PressAndReleaseOutside(Open({kSave}), &qvtest::GuiDriver::Drag);
  ASSERT_NE(button, nullptr);
  gui.Click(button);
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= 2; }));
  EXPECT_EQ(kit.Take(), (Log{"Save.MouseDown", "Save.Action"}));
}

// The press and release are placed where they happened, not where the pointer is when the
// program gets to them; two presses in one millisecond are two clicks.
TEST_F(PushButtonTest, QuickInputIsPlacedByItsEvents) {
  GtkWidget* button = PressAndReleaseOutside(Open({kSave}), &qvtest::GuiDriver::QuickDrag);
  ASSERT_NE(button, nullptr);
  gui.Click(button, 1, 2);
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= 4; }));
  EXPECT_EQ(kit.Take(), (Log{"Save.MouseDown", "Save.Action", "Save.MouseDown", "Save.Action"}));
}

TEST_F(PushButtonTest, AMouseDownHandlerAnsweringTrueGetsMouseUpAndNoAction) {
  RuntimeObject* window = Open({kSave});
  kit.mouseDownTakes = true;
  gui.Click(Widget(window, "Save"));
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= 2; }));
  gui.Settle();
  EXPECT_EQ(kit.Take(), (Log{"Save.MouseDown", "Save.MouseUp"}));
}

TEST_F(PushButtonTest, ReceiversHearEveryPushBeforeTheHandlerOncePerAddition) {
  RuntimeObject* window = Open({kSave});
  RuntimeObject* button = kit.Control(window, "Save");
  RuntimeObject* receiver = kit.NewReceiver();
  RuntimeObject* stranger = kit.NewReceiver();
  pbAddActionNotificationReceiver(button, receiver);
  pbAddActionNotificationReceiver(button, receiver);
  pbRemoveActionNotificationReceiver(button, stranger);  // not listed: nothing changes
  pushButtonPush(button);
  EXPECT_EQ(kit.Take(), (Log{"Receiver", "Receiver", "Save.Action"}));
  pbRemoveActionNotificationReceiver(button, receiver);
  gui.Key("space");  // GTK activates the focused button
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= 2; }));
  EXPECT_EQ(kit.Take(), (Log{"Receiver", "Save.Action"}));
  gui.Click(Widget(window, "Save"));
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= 3; }));
  EXPECT_EQ(kit.Take(), (Log{"Save.MouseDown", "Receiver", "Save.Action"}));
  EXPECT_EQ(receiver->refCount, 2);  // the list's remaining node holds one
  RuntimeUnlockObject(stranger);
  RuntimeUnlockObject(receiver);
}

TEST_F(PushButtonTest, AnAmpersandMarksTheMnemonic) {
  RuntimeObject* window = Open({kSave, {.name = "Both", .bounds = {60, 20, 90, 120},
                                        .caption = "Fish && Chips"}});
  auto* pane = static_cast<PushButtonGTK*>(AsControl(kit.Control(window, "Save"))->pane);
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(pane->Label())), "Save");
  EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(pane->Label())), gdk_keyval_from_name("s"));
  EXPECT_NE(gui.FindButton(xid, "Fish & Chips"), nullptr);
  RuntimeObject* button = kit.Control(window, "Save");
  pushButtonTitleSetter(button, 0, string("Sa&ve").Storage());
  EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(pane->Label())), gdk_keyval_from_name("v"));
  stringStorage* caption = pushButtonTitleGetter(button, 0);
  EXPECT_STREQ(stringStorage::CString(caption), "Sa&ve");
  stringStorage::RemoveReference(caption);
}

int32_t LabelWeight(RuntimeObject* button) {
  auto* pane = static_cast<PushButtonGTK*>(AsControl(button)->pane);
  return pango_font_description_get_weight(gtk_widget_get_style(pane->Label())->font_desc);
}

TEST_F(PushButtonTest, FontSettersReachAnOpenPaneAtOnce) {
  RuntimeObject* window = Open({kSave});
  RuntimeObject* button = kit.Control(window, "Save");
  const int32_t plain = LabelWeight(button);
  pushButtonBoldSetter(button, 0, 1);
  EXPECT_EQ(LabelWeight(button), PANGO_WEIGHT_BOLD);
  EXPECT_NE(plain, PANGO_WEIGHT_BOLD);
  pushButtonBoldSetter(button, 0, 0);
  EXPECT_EQ(LabelWeight(button), plain);
}

TEST_F(PushButtonTest, AFontSetBeforeThePaneExistsShapesTheNewPane) {
  RuntimeObject* window = Open({});
  RuntimeObject* late = RuntimeNewObject(kit.buttonClass);
  AsControl(late)->bounds = {20, 20, 50, 120};
  AsControl(late)->visible = AsControl(late)->enabled = 1;
  pushButtonBoldSetter(late, 0, 1);
  pushButtonTitleSetter(late, 0, string("Late").Storage());
  EXPECT_EQ(AsControl(late)->pane, nullptr);
  WindowAddControl(window, string("Late").Storage(), late);  // the window runs: opens at once
  ASSERT_NE(AsControl(late)->pane, nullptr);
  EXPECT_EQ(LabelWeight(late), PANGO_WEIGHT_BOLD);
  EXPECT_NE(gui.FindButton(xid, "Late"), nullptr);
  RuntimeUnlockObject(late);
}

TEST_F(PushButtonTest, AnActionHandlerMayCloseItsWindowOnEveryRoadIn) {
  for (const char* road : {"click", "push", "return"}) {
    SCOPED_TRACE(road);
    RuntimeObject* window = Open({{.name = "Go", .bounds = {20, 20, 50, 120}, .caption = "Go",
                                   .isDefault = true}});
    kit.script = [&](const std::string& event, RuntimeObject*) {
      if (event == "Go.Action") RuntimeCloseWindow(window);
    };
    const std::string which = road;
    if (which == "click") gui.Click(Widget(window, "Go"));
    if (which == "push") pushButtonPush(kit.Control(window, "Go"));
    if (which == "return") gui.Key("Return");
    ASSERT_TRUE(gui.PumpUntil([&] { return AsWindow(window)->mImp == nullptr; }));
    ASSERT_TRUE(gui.WaitUntilClosed(xid));
    EXPECT_EQ(kit.TakeLast(), "Go.Close");
    kit.script = nullptr;
  }
}

TEST_F(PushButtonTest, AnActionHandlerMayCloseTheButtonItRunsFor) {
  RuntimeObject* window = Open({kSave, {.name = "Other", .bounds = {60, 20, 90, 120},
                                        .caption = "Other"}});
  kit.script = [](const std::string& event, RuntimeObject* button) {
    if (event == "Save.Action") ControlClose(button);  // the window held the last reference
  };
  gui.Click(Widget(window, "Save"));
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.Control(window, "Save") == nullptr; }));
  gui.Settle();
  EXPECT_EQ(kit.Take(), (Log{"Save.MouseDown", "Save.Action", "Save.Close"}));
  EXPECT_EQ(windowControlCountGetter(window, 0), 1);
  gui.Click(Widget(window, "Other"));
  ASSERT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= 2; }));
  EXPECT_EQ(kit.Take(), (Log{"Other.MouseDown", "Other.Action"}));
}

}  // namespace
