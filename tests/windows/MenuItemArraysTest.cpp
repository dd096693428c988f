// MenuItem's exports on arrays of items sharing a name: the search by name and index, the
// installation of a new member after the last one, the replacement in place, removal by name,
// the breadth-first walk; and the accessors' answers for a nil item.
#include <gtest/gtest.h>

#include "MenuFixtures.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"
#include "windows/MenuItemClass.h"

namespace {

using qvtest::ChildTexts;
using qvtest::Node;
using Texts = std::vector<std::string>;

class MenuItemArrays : public testing::Test {
 protected:
  void SetUp() override {
    if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs GTK";
    kit = std::make_unique<qvtest::MenuKit>();
    bar = kit->NewMenuBar();
    file = Add(bar, "File");
    for (const char* text : {"Open", "Recent", "Recent", "Close"}) Add(file, text);
    Node(Child(file, 1))->SetIndex(0);
    Node(Child(file, 2))->SetIndex(3);
  }
  void TearDown() override {
    RuntimeUnlockObject(bar);
    kit.reset();
  }
  RuntimeObject* Add(RuntimeObject* parent, const char* text, int32_t index = kNoMenuIndex) {
    RuntimeObject* item = kit->NewItem(text);
    Node(item)->SetIndex(index);
    kit->Append(parent, item);
    RuntimeUnlockObject(item);
    return item;
  }
  static RuntimeObject* Child(RuntimeObject* menu, int32_t index) {
    return Node(menu)->ChildAt(index);
  }
  static std::vector<int32_t> Indexes(RuntimeObject* menu) {
    std::vector<int32_t> indexes;
    for (int32_t i = 0; i < Node(menu)->ChildCount(); ++i) {
      indexes.push_back(Node(Child(menu, i))->Index());
    }
    return indexes;
  }
  std::unique_ptr<qvtest::MenuKit> kit;
  RuntimeObject* bar = nullptr;
  RuntimeObject* file = nullptr;
  qvtest::RaisedExceptions raised;
};

TEST_F(MenuItemArrays, LookupFindsAGrandchildByNameAndIndex) {
  RuntimeObject* found = RuntimeMenuItemLookupArray(bar, string("recent").Storage(), 3);
  EXPECT_EQ(found, Child(file, 2));
  RuntimeUnlockObject(found);
  EXPECT_EQ(RuntimeMenuItemLookupArray(bar, string("Recent").Storage(), 2), nullptr);
  EXPECT_EQ(RuntimeMenuItemLookupArray(bar, nullptr, kNoMenuIndex), nullptr) << "empty name";
  found = RuntimeMenuItemLookup(bar, string("Close").Storage());
  EXPECT_EQ(found, Child(file, 3));
  RuntimeUnlockObject(found);
}

TEST_F(MenuItemArrays, InstallCloneJoinsTheArrayAfterItsLastMember) {
  RuntimeObject* fresh = kit->NewItem("Recent");
  MenuBarInstallClone(bar, fresh);
  EXPECT_EQ(ChildTexts(file), (Texts{"Open", "Recent", "Recent", "Recent", "Close"}));
  EXPECT_EQ(Indexes(file)[3], 4);
  RuntimeMenuItemRemoveIndex(file, 4);
  RuntimeObject* last = kit->NewItem("Recent");
  MenuBarInstallClone(bar, last);
  EXPECT_EQ(ChildTexts(file).back(), "Recent") << "appended when the members end the menu";
  EXPECT_EQ(Indexes(file).back(), 5);
  RuntimeObject* stray = kit->NewItem("Nowhere");
  MenuBarInstallClone(bar, stray);
  EXPECT_EQ(ChildTexts(file).size(), 5u) << "no member of that name: nothing installed";
  for (RuntimeObject* item : {fresh, last, stray}) RuntimeUnlockObject(item);
}

TEST_F(MenuItemArrays, SwapReplacesInPlaceAndANilReplacementChangesNothing) {
  RuntimeObject* open = Child(file, 0);
  RuntimeLockObject(open);
  RuntimeObject* reopen = kit->NewItem("Reopen");
  RuntimeMenuItemSwap(file, string("OPEN").Storage(), reopen);
  EXPECT_EQ(ChildTexts(file), (Texts{"Reopen", "Recent", "Recent", "Close"}));
  RuntimeMenuItemSwap(file, string("Reopen").Storage(), nullptr);
  EXPECT_EQ(ChildTexts(file).front(), "Reopen");
  RuntimeMenuItemSwap(file, string("Reopen").Storage(), reopen);  // itself: held meanwhile
  EXPECT_EQ(ChildTexts(file).front(), "Reopen");
  EXPECT_EQ(open->refCount, 1) << "the old item left the menu";
  for (RuntimeObject* item : {open, reopen}) RuntimeUnlockObject(item);
}

TEST_F(MenuItemArrays, RemoveByNameTakesTheFirstMatchOnly) {
  RuntimeMenuItemRemoveByName(file, string("RECENT").Storage());
  EXPECT_EQ(Indexes(file), (std::vector<int32_t>{kNoMenuIndex, 3, kNoMenuIndex}));
  RuntimeMenuItemRemoveIndex(file, 3);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  RuntimeMenuItemRemoveByName(file, string("Missing").Storage());
  EXPECT_EQ(RuntimeMenuItemCount(file), 3);
}

bool CollectText(RuntimeObject* item, void* context) {
  auto* seen = static_cast<Texts*>(context);
  seen->push_back(Node(item)->Text().CString());
  return seen->size() < 4;
}

TEST_F(MenuItemArrays, ForEachMenuItemWalksBreadthFirstUntilTheCallbackSaysStop) {
  Add(bar, "Edit");
  Texts seen;
  ForEachMenuItem(bar, CollectText, &seen);
  EXPECT_EQ(seen, (Texts{"File", "Edit", "Open", "Recent"}));
  qvtest::ReportCapture reports;
  ForEachMenuItem(bar, nullptr, nullptr);
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_EQ(reports.reports()[0].extra,
            "You didn't specify a callback to call for iterating over menu items");
}

TEST_F(MenuItemArrays, AccessorsOfANilItemRaiseNilObjectException) {
  EXPECT_EQ(RuntimeMenuItemTextGetter(nullptr, 0), nullptr);
  RuntimeMenuItemCheckedSetter(nullptr, 0, 1);
  EXPECT_EQ(raised.Take(), (Texts{"NilObjectException", "NilObjectException"}));
  RuntimeObject* item = Child(file, 0);
  RuntimeMenuItemCommandKeySetter(item, 0, string("Ctrl+O").Storage());
  stringStorage* key = RuntimeMenuItemCommandKeyGetter(item, 0);
  EXPECT_STREQ(stringStorage::CString(key), "Ctrl+O");
  stringStorage::RemoveReference(key);
  RuntimeMenuItemItem(file, 4);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
}

}  // namespace
