// The standard menu items as the last stage of a menu command: QuitMenuItem quits unless its
// subclass's own Action answers True (and the Application's CancelClose may still veto);
// PrefsMenuItem counts as handled whatever its subclass answers.
#include <gtest/gtest.h>

#include "MenuFixtures.h"
#include "app/ApplicationClass.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"
#include "windows/MenuDispatch.h"
#include "windows/MenuItemClass.h"

namespace {

using Log = std::vector<std::string>;

Log gHeard;
bool gAnswer = false;

int32_t OnOwnAction(RuntimeObject*) {
  gHeard.push_back("own Action");
  return gAnswer;
}

int32_t OnCancelClose(RuntimeObject*) {
  gHeard.push_back("CancelClose");
  return 1;
}

// The subclass's own Action: the last event of that name, the one the class declares.
RuntimeClass* WithOwnAction(const char* parent, const char* name) {
  RuntimeClass* cls = qvtest::Subclass(parent, name, 0);
  for (int32_t i = cls->eventCount; i-- > 0;) {
    if (string(cls->eventTable[i].name).Compare("Action") != 0) continue;
    cls->eventTable[i].vector = reinterpret_cast<void*>(&OnOwnAction);
    break;
  }
  return cls;
}

class StandardMenuItems : public testing::Test {
 protected:
  void SetUp() override {
    if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs GTK";
    kit = std::make_unique<qvtest::MenuKit>();
    window = kit->windows.NewWindow();
    gHeard.clear();
  }
  void TearDown() override {
    RuntimeUnlockObject(window);
    kit.reset();
  }
  bool Choose(RuntimeClass* cls) {
    RuntimeObject* item = kit->NewItemOf(cls, "Standard");
    const bool handled = DispatchMenuCommand(item, AsWindow(window)->mImp);
    RuntimeUnlockObject(item);
    return handled;
  }
  bool WindowOpen() const { return AsWindow(window)->mImp != nullptr; }
  std::unique_ptr<qvtest::MenuKit> kit;
  RuntimeObject* window = nullptr;
  qvtest::RaisedExceptions raised;
};

TEST_F(StandardMenuItems, AQuitItemWhoseActionAnswersTrueKeepsTheProgramRunning) {
  static RuntimeClass* cls = WithOwnAction("QuitMenuItem", "KeepingQuitItem");
  gAnswer = true;
  EXPECT_TRUE(Choose(cls));
  EXPECT_EQ(gHeard, Log{"own Action"});
  EXPECT_EQ(raised.TakeOne(), "");
  EXPECT_TRUE(WindowOpen());
}

TEST_F(StandardMenuItems, AQuitItemWhoseActionAnswersFalseQuits) {
  static RuntimeClass* cls = WithOwnAction("QuitMenuItem", "QuittingQuitItem");
  gAnswer = false;
  Choose(cls);  // the quit's EndException leaves the command unanswered
  EXPECT_EQ(gHeard, Log{"own Action"});
  EXPECT_EQ(raised.TakeOne(), "EndException");
  EXPECT_FALSE(WindowOpen()) << "quitting closed the window";
}

TEST_F(StandardMenuItems, TheApplicationsCancelCloseStillVetoes) {
  RuntimeClass* appClass = qvtest::Subclass("Application", "VetoingApp", 0);
  qvtest::SetHandler(appClass, "CancelClose", reinterpret_cast<void*>(&OnCancelClose));
  RuntimeObject* vetoing = RuntimeNewObject(appClass);
  SetApplicationObject(vetoing);
  EXPECT_TRUE(Choose(RuntimeClassForDefinition(QuitMenuItemClassDefinition())));
  EXPECT_EQ(gHeard, Log{"CancelClose"});
  EXPECT_EQ(raised.TakeOne(), "");
  EXPECT_TRUE(WindowOpen());
  SetApplicationObject(kit->application);
  RuntimeUnlockObject(vetoing);
}

TEST_F(StandardMenuItems, APrefsItemCountsAsHandled) {
  static RuntimeClass* cls = WithOwnAction("PrefsMenuItem", "OwnPrefsItem");
  gAnswer = false;
  kit->Take();
  EXPECT_TRUE(Choose(cls));
  EXPECT_EQ(gHeard, Log{"own Action"});
  EXPECT_EQ(kit->Take().back(), "App.EnableMenuItems") << "handled: the enabling pass ran";
  EXPECT_TRUE(Choose(RuntimeClassForDefinition(PrefsMenuItemClassDefinition())));
  EXPECT_TRUE(WindowOpen());
}

}  // namespace
