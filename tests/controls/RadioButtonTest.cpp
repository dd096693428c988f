// Radio buttons on a real display: groups by container and page, checking and clearing from
// code and by clicks, the keyboard stop of a group, the radio group table as buttons come and
// go, the action sources, and handlers that close the window or the button during Action
// (the sanitizer build runs these too).
#include <gtest/gtest.h>

#include "SimpleControlFixtures.h"
#include "ToggleFixtures.h"
#include "controls/ControlAccessors.h"
#include "controls/RadioButton.h"
#include "controls/RadioButtonGTK.h"
#include "support/GuiDriver.h"
#include "windows/PaneFocus.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using Log = std::vector<std::string>;
using qvtest::AddRadio;

QV::Rect Row(int i) { return {int16_t(20 + 30 * i), 20, int16_t(45 + 30 * i), 160}; }

class RadioButtonTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    groupsBefore = RadioGroupCount();
    window = kit.OpenAndFocus(gui, "Radio buttons", {}, &xid);
  }
  // Buttons "A", "B", ... one per row, the first checked when firstChecked.
  std::vector<RuntimeObject*> Group(int count, bool firstChecked, int32_t page = 0) {
    std::vector<RuntimeObject*> radios;
    for (int i = 0; i < count; ++i) {
      const std::string name(1, char('A' + i));
      radios.push_back(AddRadio(window, name, Row(i), "&" + name, firstChecked && i == 0, page));
      EXPECT_NE(radios.back(), nullptr);
    }
    gui.Settle();
    kit.Take();
    return radios;
  }
  static std::string Values(const std::vector<RuntimeObject*>& radios) {
    std::string values;
    for (RuntimeObject* radio : radios) values += radioValueGetter(radio, 0) ? '1' : '0';
    return values;
  }
  static const RadioGroup* GroupOf(RuntimeObject* radio) {
    return static_cast<RadioButtonGTK*>(AsControl(radio)->pane)->Group();
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
  uint32_t groupsBefore = 0;
};

TEST_F(RadioButtonTest, TheButtonsOfAWindowAreOneGroup) {
  std::vector<RuntimeObject*> r = Group(3, true);
  EXPECT_EQ(kit.Take(), Log{});  // made checked: nothing raised
  EXPECT_EQ(Values(r), "100");
  EXPECT_EQ(GroupOf(r[0]), GroupOf(r[2]));
  EXPECT_EQ(GroupOf(r[0])->users, 3);
  EXPECT_EQ(RadioGroupCount(), groupsBefore + 1);
  struct Step {
    const char* what;
    int radio;
    int32_t value;
    const char* values;
    Log heard;
  };
  const Step steps[] = {
      {"checking another clears the first", 1, 1, "010", {"B.Action"}},
      {"checking the checked one again", 1, 1, "010", {}},
      {"clearing an unchecked one", 2, 0, "010", {}},
      {"clearing the checked one clears the group", 1, 0, "000", {}},
      {"checking from the clear group", 2, 1, "001", {"C.Action"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    radioValueSetter(r[size_t(step.radio)], 0, step.value);
    EXPECT_EQ(kit.Take(), step.heard);
    EXPECT_EQ(Values(r), step.values);
  }
  gui.Click(qvtest::WidgetOf(r[0]));
  EXPECT_EQ(WaitForLog(3), (Log{"A.MouseDown", "A.GotFocus", "A.Action"}));
  EXPECT_EQ(Values(r), "100");
}

TEST_F(RadioButtonTest, PagesAndContainersMakeGroupsOfTheirOwn) {
  std::vector<RuntimeObject*> first = Group(2, true, 1);
  RuntimeObject* other = AddRadio(window, "P2", Row(2), "Page two", true, 2);
  RuntimeObject* box = qvtest::AddControl(window, kit.containerClass, "Box", {110, 10, 190, 280});
  ASSERT_NE(box, nullptr);
  RuntimeObject* inside = AddRadio(window, "In", {120, 20, 145, 160}, "Inside", true);
  ASSERT_NE(inside, nullptr);
  kit.Take();
  EXPECT_EQ(RadioGroupCount(), groupsBefore + 3);
  EXPECT_EQ(GroupOf(inside)->owner, AsControl(box)->pane);
  EXPECT_NE(GroupOf(other), GroupOf(first[0]));
  EXPECT_EQ(GroupOf(other)->page, 2);
  radioValueSetter(first[1], 0, 1);
  EXPECT_EQ(kit.Take(), (Log{"B.Action"}));
  EXPECT_EQ(Values({first[0], first[1], other, inside}), "0111");
}

TEST_F(RadioButtonTest, OnlyTheCheckedButtonOfAGroupIsATabStop) {
  RuntimeObject* before = qvtest::AddCheckBox(window, "Before", {20, 170, 45, 290}, "Before");
  ASSERT_NE(before, nullptr);
  std::vector<RuntimeObject*> r = Group(3, false);
  qvtest::AddCheckBox(window, "After", {60, 170, 85, 290}, "After");
  radioValueSetter(r[1], 0, 1);
  kit.Take();
  RuntimeSetFocus(before);
  ASSERT_TRUE(gui.PumpUntil([&] { return GetFocusPane() == AsControl(before)->pane; }));
  gui.Settle();
  kit.Take();
  gui.Key("Tab");
  EXPECT_EQ(WaitForLog(2), (Log{"Before.LostFocus", "B.GotFocus"}));
  gui.Key("Tab");
  EXPECT_EQ(WaitForLog(2), (Log{"B.LostFocus", "After.GotFocus"}));
}

TEST_F(RadioButtonTest, TheGroupTableFollowsTheButtonsThatComeAndGo) {
  std::vector<RuntimeObject*> r = Group(3, true);
  const RadioGroup* group = GroupOf(r[0]);
  ControlClose(r[2]);  // the newest member
  EXPECT_EQ(group->users, 2);
  RuntimeObject* late = AddRadio(window, "D", Row(3), "D");
  ASSERT_NE(late, nullptr);
  EXPECT_EQ(GroupOf(late), group);
  radioValueSetter(late, 0, 1);
  EXPECT_EQ(Values({r[0], r[1], late}), "001");
  radioValueSetter(late, 0, 0);
  EXPECT_EQ(Values({r[0], r[1], late}), "000");
  // A member moved to another page keeps its group, and leaves that group when it goes.
  ControlTabPanelIndexSetter(r[1], 0, 2);
  ControlClose(r[1]);
  EXPECT_EQ(group->users, 2);
  EXPECT_EQ(RadioGroupCount(), groupsBefore + 1);
  radioValueSetter(r[0], 0, 1);
  EXPECT_EQ(Values({r[0], late}), "10");
  radioValueSetter(r[0], 0, 0);
  EXPECT_EQ(Values({r[0], late}), "00");
  kit.Take();
  RuntimeCloseWindow(window);
  EXPECT_EQ(RadioGroupCount(), groupsBefore);
  // A new button under the same window starts a new group.
  window = kit.OpenAndFocus(gui, "Radio buttons", {}, &xid);
  RuntimeObject* again = AddRadio(window, "E", Row(0), "E");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(GroupOf(again)->users, 1);
  EXPECT_EQ(RadioGroupCount(), groupsBefore + 1);
}

TEST_F(RadioButtonTest, CheckedReceiversHearEveryCheckAndUncheckedOnesNothing) {
  std::vector<RuntimeObject*> r = Group(2, true);
  RuntimeObject* checked = qvtest::NewLabelledReceiver("Checked");
  RuntimeObject* unchecked = qvtest::NewLabelledReceiver("Unchecked");
  RuntimeObject* onAction = radioGetBoundPart(r[0], string("GetCheckedAction").Storage());
  RuntimeObject* offAction = radioGetBoundPart(r[0], string("GETUNCHECKEDACTION").Storage());
  ASSERT_NE(onAction, nullptr);
  ASSERT_NE(offAction, nullptr);
  EXPECT_EQ(radioGetBoundPart(r[0], string("getValue").Storage()), nullptr);
  rbaAddActionNotificationReceiver(onAction, checked);
  rbaAddActionNotificationReceiver(offAction, unchecked);
  radioValueSetter(r[1], 0, 1);
  gui.Click(qvtest::WidgetOf(r[0]));
  EXPECT_EQ(WaitForLog(5), (Log{"B.Action", "A.MouseDown", "A.GotFocus", "A.Action", "Checked"}));
  rbaRemoveActionNotificationReceiver(onAction, checked);
  radioValueSetter(r[1], 0, 1);
  radioValueSetter(r[0], 0, 1);
  EXPECT_EQ(kit.Take(), (Log{"B.Action", "A.Action"}));
  RuntimeUnlockObject(onAction);
  RuntimeUnlockObject(offAction);
  RuntimeUnlockObject(checked);
  RuntimeUnlockObject(unchecked);
}

TEST_F(RadioButtonTest, AnActionHandlerMayCloseTheWindowOrTheButton) {
  std::vector<RuntimeObject*> r = Group(2, true);
  RuntimeObject* receiver = qvtest::NewLabelledReceiver("Checked");
  RuntimeObject* action = radioGetBoundPart(r[1], string("getCheckedAction").Storage());
  rbaAddActionNotificationReceiver(action, receiver);
  RuntimeUnlockObject(action);
  kit.script = [](const std::string& event, RuntimeObject* control) {
    if (event == "B.Action") ControlClose(control);
  };
  gui.Click(qvtest::WidgetOf(r[1]));
  EXPECT_EQ(WaitForLog(5), (Log{"B.MouseDown", "B.GotFocus", "B.Action", "B.LostFocus", "B.Close"}));
  EXPECT_EQ(windowControlCountGetter(window, 0), 1);
  EXPECT_EQ(receiver->refCount, 1);
  RuntimeUnlockObject(receiver);
  kit.script = [&](const std::string& event, RuntimeObject*) {
    if (event == "A.Action") RuntimeCloseWindow(window);
  };
  radioValueSetter(r[0], 0, 0);  // clears the group: no Action
  EXPECT_EQ(kit.Take(), Log{});
  gui.Click(qvtest::WidgetOf(r[0]));
  ASSERT_TRUE(gui.PumpUntil([&] { return AsWindow(window)->mImp == nullptr; }));
  ASSERT_TRUE(gui.WaitUntilClosed(xid));
  EXPECT_EQ(kit.TakeLast(), "A.Close");
  EXPECT_EQ(RadioGroupCount(), groupsBefore);
  kit.script = nullptr;
}

}  // namespace
