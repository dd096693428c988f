// Check boxes on a real display, worked with real input: clicks, the space key and the
// caption's mnemonic toggle the box and raise Action; Value from code, inside and outside
// Action; the data and action notifications; fonts and captions; binding to a data source;
// and handlers that close the window or the box while the router is on the stack (the
// sanitizer build runs these too).
#include <gtest/gtest.h>
#include <pango/pango.h>

#include "ToggleFixtures.h"
#include "controls/CheckBox.h"
#include "controls/CheckBoxGTK.h"
#include "controls/ControlAccessors.h"
#include "core/ClassFieldAccessors.h"
#include "support/GuiDriver.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using Log = std::vector<std::string>;
using qvtest::AddCheckBox;

constexpr QV::Rect kWrapPlace{20, 20, 45, 160};
constexpr QV::Rect kBoldPlace{60, 20, 85, 160};

class CheckBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = kit.OpenAndFocus(gui, "Check boxes", {}, &xid);
  }
  // The "Wrap" box, with the log emptied.
  RuntimeObject* Wrap(bool value = false) {
    RuntimeObject* box = AddCheckBox(window, "Wrap", kWrapPlace, "&Wrap", value);
    EXPECT_NE(box, nullptr);
    gui.Settle();
    kit.Take();
    return box;
  }
  bool Shows(RuntimeObject* box) {
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(qvtest::WidgetOf(box))) != 0;
  }
  Log WaitForLog(size_t count) {
    EXPECT_TRUE(gui.PumpUntil([&] { return kit.log.size() >= count; })) << kit.log.size();
    gui.Settle();
    return kit.Take();
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
};

TEST_F(CheckBoxTest, ValueFromCodeRaisesActionOnceOnlyForAChange) {
  RuntimeObject* box = Wrap();
  RuntimeObject* data = qvtest::NewLabelledReceiver("Data");
  RuntimeObject* checkedAction = checkBoxGetBoundPart(box, string("GETCHECKEDACTION").Storage());
  RuntimeObject* uncheckedAction = checkBoxGetBoundPart(box, string("getUncheckedAction").Storage());
  ASSERT_NE(checkedAction, nullptr);
  ASSERT_NE(uncheckedAction, nullptr);
  EXPECT_EQ(checkBoxGetBoundPart(box, string("getAction").Storage()), nullptr);
  RuntimeObject* checked = qvtest::NewLabelledReceiver("Checked");
  RuntimeObject* unchecked = qvtest::NewLabelledReceiver("Unchecked");
  checkBoxAddDataNotificationReceiver(box, data);
  cbaAddActionNotificationReceiver(checkedAction, checked);
  cbaAddActionNotificationReceiver(uncheckedAction, unchecked);
  struct Step {
    int32_t value;
    Log heard;
  };
  const Step steps[] = {
      {0, {}},
      {1, {"Data.DataChanged", "Wrap.Action", "Checked"}},
      {1, {}},
      {0, {"Data.DataChanged", "Wrap.Action", "Unchecked"}},
      {1, {"Data.DataChanged", "Wrap.Action", "Checked"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.value);
    checkBoxValueSetter(box, 0, step.value);
    EXPECT_EQ(kit.Take(), step.heard);
    EXPECT_EQ(checkBoxValueGetter(box, 0), step.value);
    EXPECT_EQ(checkBoxGetBoolean(box), step.value);  // State and getBoolean read the same
    EXPECT_EQ(Shows(box), step.value != 0);
  }
  cbaRemoveActionNotificationReceiver(checkedAction, checked);
  checkBoxRemoveDataNotificationReceiver(box, data);
  checkBoxSetBoolean(box, 0);
  EXPECT_EQ(kit.Take(), (Log{"Wrap.Action", "Unchecked"}));
  // The action source holds the box; the box's lists hold their receivers.
  const int32_t held = box->refCount;
  RuntimeUnlockObject(checkedAction);
  RuntimeUnlockObject(uncheckedAction);
  EXPECT_EQ(box->refCount, held - 2);
  EXPECT_EQ(unchecked->refCount, 2);
  for (RuntimeObject* receiver : {data, checked, unchecked}) RuntimeUnlockObject(receiver);
}

// The handler's own change is shown and kept: the outer setter reads the box afterwards.
TEST_F(CheckBoxTest, ValueSetInsideActionChangesTheBoxWithoutASecondAction) {
  RuntimeObject* box = Wrap();
  kit.script = [](const std::string& event, RuntimeObject* control) {
    if (event == "Wrap.Action") checkBoxValueSetter(control, 0, 0);
  };
  checkBoxValueSetter(box, 0, 1);
  EXPECT_EQ(kit.Take(), (Log{"Wrap.Action"}));
  EXPECT_EQ(checkBoxValueGetter(box, 0), 0);
  EXPECT_FALSE(Shows(box));
  gui.Click(qvtest::WidgetOf(box));  // the click also gives the box the focus
  EXPECT_EQ(WaitForLog(3), (Log{"Wrap.MouseDown", "Wrap.GotFocus", "Wrap.Action"}));
  EXPECT_EQ(checkBoxValueGetter(box, 0), 0);
  EXPECT_FALSE(Shows(box));
}

TEST_F(CheckBoxTest, ABoxMadeCheckedShowsItAndRaisesNothing) {
  RuntimeObject* late = RuntimeNewObject(qvtest::CheckBoxKitClass());
  AsControl(late)->bounds = kWrapPlace;
  AsControl(late)->visible = AsControl(late)->enabled = 1;
  checkBoxValueSetter(late, 0, 1);
  checkBoxBoldSetter(late, 0, 1);
  checkBoxTitleSetter(late, 0, string("Sh&ow").Storage());
  EXPECT_EQ(kit.Take(), Log{});
  WindowAddControl(window, string("Late").Storage(), late);
  gui.Settle();
  ASSERT_NE(AsControl(late)->pane, nullptr);
  EXPECT_TRUE(Shows(late));
  EXPECT_EQ(checkBoxValueGetter(late, 0), 1);
  EXPECT_EQ(kit.Take(), Log{});
  auto* pane = static_cast<CheckBoxGTK*>(AsControl(late)->pane);
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(pane->Label())), "Show");
  EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(pane->Label())), gdk_keyval_from_name("o"));
  EXPECT_EQ(pango_font_description_get_weight(gtk_widget_get_style(pane->Label())->font_desc),
            PANGO_WEIGHT_BOLD);
  // And after the pane: caption and font reach it at once.
  checkBoxTitleSetter(late, 0, string("&Late").Storage());
  checkBoxBoldSetter(late, 0, 0);
  EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(pane->Label())), gdk_keyval_from_name("l"));
  EXPECT_NE(pango_font_description_get_weight(gtk_widget_get_style(pane->Label())->font_desc),
            PANGO_WEIGHT_BOLD);
  stringStorage* caption = checkBoxTitleGetter(late, 0);
  EXPECT_STREQ(stringStorage::CString(caption), "&Late");
  stringStorage::RemoveReference(caption);
  RuntimeUnlockObject(late);
}

TEST_F(CheckBoxTest, AClickTheSpaceKeyAndTheMnemonicEachToggleOnce) {
  RuntimeObject* box = Wrap();
  gui.Click(qvtest::WidgetOf(box));
  EXPECT_EQ(WaitForLog(3), (Log{"Wrap.MouseDown", "Wrap.GotFocus", "Wrap.Action"}));
  EXPECT_EQ(checkBoxValueGetter(box, 0), 1);
  gui.Key("space");  // the click gave the box the focus
  EXPECT_EQ(WaitForLog(1), (Log{"Wrap.Action"}));
  EXPECT_EQ(checkBoxValueGetter(box, 0), 0);
  gui.Key("alt+w");
  EXPECT_EQ(WaitForLog(1), (Log{"Wrap.Action"}));
  EXPECT_EQ(checkBoxValueGetter(box, 0), 1);
  EXPECT_TRUE(Shows(box));
}

TEST_F(CheckBoxTest, AMouseDownAnsweringTrueKeepsTheBoxAndGetsMouseUp) {
  RuntimeObject* box = Wrap();
  kit.mouseDownTakes = true;
  gui.Click(qvtest::WidgetOf(box));
  EXPECT_EQ(WaitForLog(2), (Log{"Wrap.MouseDown", "Wrap.MouseUp"}));
  EXPECT_EQ(checkBoxValueGetter(box, 0), 0);
  EXPECT_FALSE(Shows(box));
}

TEST_F(CheckBoxTest, TabMovesTheFocusFromBoxToBox) {
  RuntimeObject* wrap = Wrap();
  ASSERT_NE(AddCheckBox(window, "Bold", kBoldPlace, "&Bold"), nullptr);
  RuntimeSetFocus(wrap);
  ASSERT_TRUE(gui.PumpUntil([&] { return !kit.log.empty(); }));
  EXPECT_EQ(kit.Take(), (Log{"Wrap.GotFocus"}));
  gui.Key("Tab");
  EXPECT_EQ(WaitForLog(2), (Log{"Wrap.LostFocus", "Bold.GotFocus"}));
}

TEST_F(CheckBoxTest, ADataSourceBindsOnceAndAnEmptyOneUnbinds) {
  qvtest::RecordingBinder binder(window);  // any object stands for the data control
  RuntimeObject* box = Wrap();
  EXPECT_EQ(binder.calls, Log{});  // no data source: nothing to bind
  CheckBoxDataSourceSetter(box, 0, string("People").Storage());
  CheckBoxDataFieldSetter(box, 0, string("Member").Storage());
  CheckBoxDataFieldSetter(box, 0, string("Active").Storage());
  EXPECT_EQ(binder.calls, (Log{"bind People kind 4", "unbind kind 4", "bind People kind 4",
                               "unbind kind 4", "bind People kind 4"}));
  binder.calls.clear();
  CheckBoxDataSourceSetter(box, 0, nullptr);
  EXPECT_EQ(binder.calls, (Log{"unbind kind 4"}));
  stringStorage* source = CheckBoxDataSourceGetter(box, 0);
  EXPECT_EQ(source, nullptr);
  binder.calls.clear();
  CheckBoxDataSourceSetter(box, 0, string("People").Storage());
  RuntimeCloseWindow(window);  // the closed pane lets go
  EXPECT_EQ(binder.calls, (Log{"bind People kind 4", "unbind kind 4"}));
}

// Every road into the router may end in a closed window; nothing is touched afterwards.
TEST_F(CheckBoxTest, HandlersMayCloseTheWindowOnEveryRoad) {
  for (const char* road : {"Wrap.Action", "Wrap.MouseDown", "Closer"}) {
    SCOPED_TRACE(road);
    RuntimeObject* box = Wrap();
    RuntimeObject* closer = qvtest::NewLabelledReceiver("Closer");
    RuntimeObject* action = checkBoxGetBoundPart(box, string("getCheckedAction").Storage());
    cbaAddActionNotificationReceiver(action, closer);
    RuntimeUnlockObject(action);
    RuntimeUnlockObject(closer);
    const std::string which = road;
    kit.script = [&](const std::string& event, RuntimeObject*) {
      if (event == which) RuntimeCloseWindow(window);
    };
    gui.Click(qvtest::WidgetOf(box));
    ASSERT_TRUE(gui.PumpUntil([&] { return AsWindow(window)->mImp == nullptr; }));
    ASSERT_TRUE(gui.WaitUntilClosed(xid));
    gui.Settle();
    EXPECT_EQ(kit.TakeLast(), "Wrap.Close");
    kit.script = nullptr;
    window = kit.OpenAndFocus(gui, "Check boxes", {}, &xid);
  }
}

TEST_F(CheckBoxTest, AnActionHandlerMayCloseTheBoxItRunsFor) {
  RuntimeObject* box = Wrap();
  RuntimeObject* receiver = qvtest::NewLabelledReceiver("Checked");
  RuntimeObject* action = checkBoxGetBoundPart(box, string("getCheckedAction").Storage());
  cbaAddActionNotificationReceiver(action, receiver);
  RuntimeUnlockObject(action);  // the window's map now holds the box's last reference
  kit.script = [](const std::string& event, RuntimeObject* control) {
    if (event == "Wrap.Action") ControlClose(control);
  };
  gui.Click(qvtest::WidgetOf(box));
  // The receivers of a closed box hear nothing more.
  EXPECT_EQ(WaitForLog(5),
            (Log{"Wrap.MouseDown", "Wrap.GotFocus", "Wrap.Action", "Wrap.LostFocus", "Wrap.Close"}));
  EXPECT_EQ(windowControlCountGetter(window, 0), 0);
  EXPECT_EQ(receiver->refCount, 1);  // the box went and its list let go
  RuntimeUnlockObject(receiver);
}

}  // namespace
