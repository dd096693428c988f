// The Keyboard object with real keys (XTest through the window manager to a focused window):
// each Async getter follows its key while held, left and right; the plain getters keep the
// modifiers of the last key or click; X keysyms above 127; the key names.
#include <gtest/gtest.h>

#include <utility>

#include "WindowFixtures.h"
#include "support/RaisedExceptions.h"
#include "windows/GtkInput.h"
#include "windows/KeyboardClass.h"

namespace {

using qvtest::InputPane;
using qvtest::MakeRect;

constexpr int32_t kShift = 0x200, kOption = 0x800, kControl = 0x1000, kCommand = 0x100;
constexpr int32_t kMenuShortcut = -1, kAlternateMenuShortcut = -2;

std::string Name(int32_t code) {
  const string name = string::Adopt(keyboardKeyName(nullptr, code));
  return name.CString();
}

class KeyboardKeys : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    InstallKeySnooper();
    ForgetHeldKeysForTesting();
    window = new qvtest::LoggingWindow(&log);
    pane = new InputPane(window, MakeRect(20, 20, 120, 220), "pane", &log);
    ASSERT_TRUE(window->OpenAndFocus(gui));
    keyboard = getKeyboardObject();
  }
  void TearDown() override {
    RuntimeUnlockObject(keyboard);
    if (window) window->Release();
  }
  bool Async(int32_t mask) const { return asyncModifierKeyGetter(keyboard, mask) != 0; }
  bool Plain(int32_t mask) const { return modifierKeyGetter(keyboard, mask) != 0; }
  // The Async masks that answer true now.
  std::vector<int32_t> AsyncHeld() const {
    std::vector<int32_t> held;
    for (int32_t mask : {kShift, kOption, kControl, kCommand, kMenuShortcut,
                         kAlternateMenuShortcut}) {
      if (Async(mask)) held.push_back(mask);
    }
    return held;
  }

  qvtest::GuiDriver gui;
  qvtest::PaneLog log;
  qvtest::LoggingWindow* window = nullptr;
  InputPane* pane = nullptr;
  RuntimeObject* keyboard = nullptr;
};

TEST_F(KeyboardKeys, EachAsyncGetterFollowsItsHeldKeyLeftAndRight) {
  const std::pair<const char*, std::vector<int32_t>> keys[] = {
      {"Shift_L", {kShift, kAlternateMenuShortcut}},
      {"Shift_R", {kShift, kAlternateMenuShortcut}},
      {"Control_L", {kControl, kMenuShortcut}},
      {"Control_R", {kControl, kMenuShortcut}},
      {"Alt_L", {kOption}},
      {"Alt_R", {kOption}},
      {"Super_L", {kCommand}},
      {"Super_R", {kCommand}},
  };
  ASSERT_TRUE(AsyncHeld().empty());
  for (const auto& [key, masks] : keys) {
    gui.HoldKey(key);
    EXPECT_TRUE(gui.PumpUntil([&, &masks = masks] { return AsyncHeld() == masks; })) << key;
    gui.ReleaseKey(key);
    EXPECT_TRUE(gui.PumpUntil([&] { return AsyncHeld().empty(); })) << key;
  }
  // Holding one side and releasing the other leaves the key held.
  gui.HoldKey("Shift_L");
  gui.HoldKey("Shift_R");
  ASSERT_TRUE(gui.PumpUntil([&] { return IsMacKeyCodeDown(60); }));
  gui.ReleaseKey("Shift_L");
  ASSERT_TRUE(gui.PumpUntil([&] { return !IsMacKeyCodeDown(56); }));
  EXPECT_TRUE(Async(kShift));
  gui.ReleaseKey("Shift_R");
  EXPECT_TRUE(gui.PumpUntil([&] { return !Async(kShift); }));
}

TEST_F(KeyboardKeys, PlainGettersKeepTheLastPressesModifiersUntilTheNextKeyOrClick) {
  gui.Key("shift+a");
  ASSERT_TRUE(gui.PumpUntil([&] { return Plain(kShift); }));
  EXPECT_FALSE(Async(kShift));  // released, yet the last press had it
  EXPECT_TRUE(Plain(kAlternateMenuShortcut));
  EXPECT_FALSE(Plain(kControl));
  gui.Key("b");
  EXPECT_TRUE(gui.PumpUntil([&] { return !Plain(kShift); }));

  gui.HoldKey("Control_R");
  ASSERT_TRUE(gui.PumpUntil([&] { return Plain(kControl); }));
  EXPECT_TRUE(Plain(kMenuShortcut));
  gui.ReleaseKey("Control_R");
  ASSERT_TRUE(gui.PumpUntil([&] { return !Async(kControl); }));
  EXPECT_TRUE(Plain(kControl));
  QV::Rect content{};
  window->GetGlobalBounds(content);
  gui.Click(content.left + 60, content.top + 60);
  EXPECT_TRUE(gui.PumpUntil([&] { return !Plain(kControl); }));

  gui.Key("alt+c");
  EXPECT_TRUE(gui.PumpUntil([&] { return Plain(kOption); }));
  // Nothing on this platform is the Command key, though Super counts for AsyncCommandKey.
  gui.HoldKey("Super_L");
  ASSERT_TRUE(gui.PumpUntil([&] { return Async(kCommand); }));
  EXPECT_FALSE(Plain(kCommand));
  gui.ReleaseKey("Super_L");
}

TEST_F(KeyboardKeys, AsyncKeyDownTakesKeyCodesAndXKeysyms) {
  constexpr int32_t kKeysymF5 = 0xFFC2, kMacCodeF5 = 96;
  gui.HoldKey("F5");
  ASSERT_TRUE(gui.PumpUntil([&] { return keyboardAsyncKeyDown(keyboard, kKeysymF5) != 0; }));
  EXPECT_EQ(keyboardAsyncKeyDown(keyboard, kMacCodeF5), 1);
  EXPECT_EQ(keyboardAsyncKeyDown(keyboard, 0xFFC3), 0);  // F6
  gui.ReleaseKey("F5");
  EXPECT_TRUE(gui.PumpUntil([&] { return keyboardAsyncKeyDown(keyboard, kKeysymF5) == 0; }));
  EXPECT_EQ(keyboardAsyncKeyDown(keyboard, kMacCodeF5), 0);
}

TEST(Keyboard, AsyncKeyDownOfANegativeCodeRaises) {
  qvtest::RaisedExceptions raised;
  RuntimeObject* keyboard = getKeyboardObject();
  EXPECT_EQ(keyboardAsyncKeyDown(keyboard, -1), 0);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  EXPECT_EQ(keyboardAsyncKeyDown(keyboard, INT32_MIN), 0);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  EXPECT_EQ(keyboardAsyncKeyDown(keyboard, 10), 0);  // no key has that code
  EXPECT_EQ(raised.TakeOne(), "");
  RuntimeUnlockObject(keyboard);
}

TEST(Keyboard, EveryCallGivesANewObject) {
  RuntimeObject* first = getKeyboardObject();
  RuntimeObject* second = getKeyboardObject();
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(first->refCount, 1);
  RuntimeUnlockObject(first);
  RuntimeUnlockObject(second);
}

TEST(Keyboard, KeyNames) {
  EXPECT_EQ(Name(53), "Esc");
  EXPECT_EQ(Name(36), "Enter");
  EXPECT_EQ(Name(52), "Enter");
  EXPECT_EQ(Name(76), "Enter");
  EXPECT_EQ(Name(60), "Shift(R)");
  EXPECT_EQ(Name(113), "Pause/Break");
  EXPECT_EQ(Name(105), "PrintScreen");
  EXPECT_EQ(Name(124), "Right");
  EXPECT_EQ(Name(81), "key00000051");  // its entry has no name
  EXPECT_EQ(Name(0), "key00000000");
  EXPECT_EQ(Name(-1), "keyFFFFFFFF");
  EXPECT_EQ(Name(0xABCDEF), "key00ABCDEF");
}

}  // namespace
