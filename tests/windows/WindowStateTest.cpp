// What the native window keeps: colours, layout on resizing, its place before it is shown, the
// window it is shown within, and the pane defaults for keys, menu requests, help tags and the
// default and cancel buttons; and a key handler that closes its own window.
#include <gtest/gtest.h>

#include "WindowFixtures.h"
#include "windows/PaneFocus.h"
#include "windows/WindowOrder.h"

namespace {

using qvtest::InputPane;
using qvtest::MakeRect;
using qvtest::PaneLog;
using qvtest::RectText;

class WindowState : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = new qvtest::LoggingWindow(&log);
  }
  void TearDown() override {
    if (window) window->Release();
  }
  qvtest::GuiDriver gui;
  PaneLog log;
  qvtest::LoggingWindow* window = nullptr;
};

TEST_F(WindowState, WhiteIsABackColourAndRemovingOneRefreshes) {
  EXPECT_FALSE(window->HasBackColor());
  window->SetBackColor(0xFFFFFF);  // the colour stored at creation, but now set
  EXPECT_TRUE(window->HasBackColor());
  window->SetBackColor(0x336699);
  EXPECT_EQ(window->BackColor(), 0x336699u);
  window->RemoveBackColor();
  EXPECT_FALSE(window->HasBackColor());
}

TEST_F(WindowState, ResizingLaysTheChildrenOutAtOnceAndKeepsThePlaceOfAHiddenWindow) {
  qvtest::FakeControlAccess access;
  qvtest::FakeControl control;
  control.locks = kLockLeft | kLockRight;
  auto* child = new qvtest::TestPane(window, MakeRect(10, 10, 50, 300));
  child->SetRunControl(&control.header);
  WindowSpec request;
  request.bounds = MakeRect(200, 300, 400, 600);
  auto* placed = new qvtest::LoggingWindow(&log, request);
  placed->ResizeTo(500, 250, true);
  EXPECT_EQ(RectText(placed->ScreenBounds()), "200,300,450,800");
  EXPECT_EQ(RectText(placed->GetBounds()), "0,0,250,500");
  placed->Release();

  window->ResizeTo(360, 240, false);
  EXPECT_EQ(RectText(child->GetBounds()), "10,10,50,340");
  EXPECT_EQ(RectText(control.bounds), "10,10,50,340");
}

TEST_F(WindowState, AWindowShownWithinAnotherForgetsItWhenItGoes) {
  auto* parent = new qvtest::LoggingWindow(&log);
  window->SetShownWithin(parent, 0);
  EXPECT_EQ(window->ShownWithin(), parent);
  EXPECT_EQ(window->Facing(), 0);
  parent->Release();
  EXPECT_EQ(window->ShownWithin(), nullptr);
}

TEST_F(WindowState, KeysAndMenuRequestsGoUpTheOwnersAndEndAtTheWindow) {
  InputPane* group = new InputPane(window, MakeRect(10, 10, 200, 300), "group", &log);
  InputPane* inner = new InputPane(window, MakeRect(20, 20, 60, 100), "inner", &log);
  ASSERT_EQ(inner->GetOwner(), group);
  EXPECT_FALSE(inner->KeyDown('A', 0, 0));  // HandleChar answers
  inner->takesKeys = true;
  EXPECT_TRUE(inner->KeyDown('A', 0, 0));
  log.clear();
  EXPECT_FALSE(inner->KeyDown(200, 0, 0));  // beyond ASCII: not through HandleChar
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(inner->PassKeyToOwner(27, 0, 0));  // no cancel chord on this platform
  auto* alone = new InputPane(nullptr, MakeRect(0, 0, 10, 10), "alone", &log);
  EXPECT_FALSE(alone->PassKeyToOwner(27, 0, 0));
  EXPECT_FALSE(alone->HandleMenuCommand(nullptr));
  EXPECT_FALSE(inner->OwnerMenuQuery(1));
  alone->Release();

  // Default and cancel buttons are found depth first, when they can be pressed.
  EXPECT_EQ(window->FindDefaultButton(), nullptr);
  inner->isDefault = true;
  EXPECT_EQ(window->FindDefaultButton(), inner);
  inner->SetEnabled(false, false);
  EXPECT_EQ(window->FindDefaultButton(), nullptr);
  inner->isCancel = true;
  group->SetVisible(false);
  EXPECT_EQ(window->FindCancelButton(), nullptr);
  group->SetVisible(true);
  EXPECT_EQ(window->FindCancelButton(), nullptr);  // still disabled
  inner->SetEnabled(true, false);
  EXPECT_EQ(window->FindCancelButton(), inner);
}

TEST_F(WindowState, AnEmptyHelpTagTurnsTheTooltipsOff) {
  auto* bare = new InputPane(window, MakeRect(10, 10, 40, 100), "bare", &log);
  auto* box = new InputPane(window, MakeRect(45, 5, 90, 200), "box", &log);
  auto* field = new InputPane(window, MakeRect(50, 10, 80, 100), "field", &log,
                              qvtest::InputWidget::kEntry);
  ASSERT_EQ(field->GetOwner(), box);
  bare->SetHelpTag("");  // a pane that never had a tip gets no tooltips to turn off
  EXPECT_EQ(bare->GetWidget() ? gtk_tooltips_data_get(bare->GetWidget()) : nullptr, nullptr);
  field->SetHelpTag("Your name");
  GtkTooltipsData* data = gtk_tooltips_data_get(field->GetWidget());
  ASSERT_NE(data, nullptr);
  EXPECT_STREQ(data->tip_text, "Your name");
  EXPECT_TRUE(field->GetTooltips()->enabled);
  field->SetHelpTag("");
  EXPECT_FALSE(field->GetTooltips()->enabled);
  EXPECT_FALSE(bare->HasFocusableChild(nullptr));
  EXPECT_TRUE(box->HasFocusableChild(nullptr));
  EXPECT_FALSE(box->HasFocusableChild(field));
}

TEST_F(WindowState, AKeyHandlerThatClosesItsWindowLeavesNothingBehind) {
  int destroyed = 0;
  window->destroyed = &destroyed;
  window->closeOnChar = true;
  ASSERT_TRUE(window->OpenAndFocus(gui));
  qvtest::LoggingWindow* closing = window;
  window = nullptr;  // the key releases it
  gui.Key("x");
  EXPECT_TRUE(gui.PumpUntil([&] { return destroyed == 1; }));
  EXPECT_EQ(log, (PaneLog{"window:char 120"}));
  EXPECT_NE(FrontNativeWindow(), closing);
}

}  // namespace
