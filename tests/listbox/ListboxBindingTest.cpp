// A list box bound to a list data provider, and the bound parts it hands out: a provider class
// built here as compiled code builds one (GetCount, GetRow, the receiver methods, tuples with
// FieldCount and getIndString), lists in real windows, selections made through the accessors
// and by real clicks.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <gtk/gtk.h>

#include "../controls/ControlFixtures.h"
#include "../controls/SimpleControlFixtures.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "database/DataBinding.h"
#include "controls/RuntimeControl.h"
#include "listbox/ListboxBoundParts.h"
#include "listbox/ListboxClass.h"
#include "support/RaisedExceptions.h"
#include "windows/MenuItemClass.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

constexpr QV::Rect kPlace{10, 10, 210, 310};
constexpr const char* kOOB = "OutOfBoundsException";

std::string Take(stringStorage* text) {
  std::string s = text ? stringStorage::CString(text) : "";
  stringStorage::RemoveReference(text);
  return s;
}

stringStorage* Text(const char* s) {
  static std::deque<string> constants;
  return constants.emplace_back(s).Storage();
}

// ---- the stand-in classes ----

// The fields of every object made here, after the object header.
struct Fields {
  RuntimeObject header;
  const char* name;
  int32_t row;              // a tuple's row (0-based)
  ReceiverNode* receivers;  // a provider's list data notification receivers
};

std::vector<std::string> gLog;
// What the provider answers: its rows' first fields, or the script's count.
std::vector<std::string> gRows;
std::function<int32_t()> gCount;
bool gNilRows = false;
int32_t gFieldCount = 2;
// What a receiver does after logging.
std::function<void(RuntimeObject*, const std::string&)> gOnReceive;

Fields* F(RuntimeObject* object) { return reinterpret_cast<Fields*>(object); }

int32_t ProviderGetCount(RuntimeObject*) { return gCount ? gCount() : int32_t(gRows.size()); }
RuntimeObject* ProviderGetRow(RuntimeObject*, int32_t index);
void ProviderAdd(RuntimeObject* self, RuntimeObject* receiver) {
  gLog.push_back(std::string(F(self)->name) + " add");
  ReceiverListAdd(&F(self)->receivers, receiver);
}
void ProviderRemove(RuntimeObject* self, RuntimeObject* receiver) {
  gLog.push_back(std::string(F(self)->name) + " remove");
  ReceiverListRemove(&F(self)->receivers, receiver);
}
int32_t TupleFieldCount(RuntimeObject*) { return gFieldCount; }
stringStorage* TupleField(RuntimeObject* self, int32_t field) {
  const size_t row = size_t(F(self)->row);
  std::string text = field == 1 && row < gRows.size() ? gRows[row] : "f" + std::to_string(field);
  return string(text.c_str()).ExtractStringStorage();
}
void Receive(RuntimeObject* self, const char* what) {
  gLog.push_back(std::string(F(self)->name) + " " + what);
  if (gOnReceive) gOnReceive(self, what);
}
void ReceiverChanging(RuntimeObject* self) { Receive(self, "changing"); }
void ReceiverChanged(RuntimeObject* self) { Receive(self, "changed"); }
void ReceiverDataChanged(RuntimeObject* self) { Receive(self, "DataChanged"); }
void ReceiverPerformAction(RuntimeObject* self) { Receive(self, "PerformAction"); }
void DestroyFields(RuntimeObject* self) {
  ReceiverListClear(&F(self)->receivers);
  if (F(self)->name[0] != '\0') gLog.push_back(std::string(F(self)->name) + " freed");
}

struct Method {
  const char* key;
  void* function;
};
struct Implements {
  ObjectDefinition* interface;
  std::vector<Method> methods;
};

RuntimeClass* MakeClass(const std::vector<Implements>& interfaces) {
  RuntimeClass* cls = RuntimeNewClass(nullptr, 0, int32_t(interfaces.size()), 0, 0, 0);
  cls->className = string("BindingTestClass").ExtractStringStorage();
  cls->instanceSize = int32_t(sizeof(Fields));
  cls->destructor = DestroyFields;
  for (size_t i = 0; i < interfaces.size(); ++i) {
    InterfaceTableEntry& entry = InterfaceEntries(cls)[int32_t(i)];
    entry.interfaceClass = RuntimeClassForDefinition(interfaces[i].interface);
    entry.methodCount = int32_t(interfaces[i].methods.size());
    entry.methods = RuntimeNewVtable(entry.methodCount);
    for (int32_t m = 0; m < entry.methodCount; ++m) {
      entry.methods[m] = {interfaces[i].methods[size_t(m)].function,
                          string(interfaces[i].methods[size_t(m)].key).ExtractStringStorage()};
    }
  }
  return cls;
}

void* Fn(auto function) { return reinterpret_cast<void*>(function); }

RuntimeClass* TupleClass() {
  static RuntimeClass* cls = MakeClass({{TupleInterfaceDefinition(),
                                         {{"FieldCount", Fn(TupleFieldCount)},
                                          {"getIndString", Fn(TupleField)}}}});
  return cls;
}

RuntimeObject* ProviderGetRow(RuntimeObject*, int32_t index) {
  if (gNilRows) return nullptr;
  RuntimeObject* tuple = RuntimeNewObject(TupleClass());
  F(tuple)->name = "";
  F(tuple)->row = index - 1;
  return tuple;
}

// A provider; withCount false leaves GetCount out, as a class may.
RuntimeClass* ProviderClass(bool withCount = true) {
  auto make = [](bool count) {
    std::vector<Method> provider = {{"GETROW", Fn(ProviderGetRow)}};
    if (count) provider.push_back({"getcount", Fn(ProviderGetCount)});
    return MakeClass({{ListDataProviderInterfaceDefinition(), provider},
                      {ListDataNotifierInterfaceDefinition(),
                       {{"addListDataNotificationReceiver", Fn(ProviderAdd)},
                        {"removeListDataNotificationReceiver", Fn(ProviderRemove)}}}});
  };
  static RuntimeClass* counting = make(true);
  static RuntimeClass* silent = make(false);
  return withCount ? counting : silent;
}

// A receiver of selection notifications, data changes and actions.
RuntimeClass* ReceiverClass() {
  static RuntimeClass* cls = MakeClass(
      {{ListSelectionNotificationReceiverInterfaceDefinition(),
        {{"selectionChanging", Fn(ReceiverChanging)}, {"selectionChanged", Fn(ReceiverChanged)}}},
       {DataNotificationReceiverInterfaceDefinition(), {{"DataChanged", Fn(ReceiverDataChanged)}}},
       {ActionNotificationReceiverInterfaceDefinition(),
        {{"PerformAction", Fn(ReceiverPerformAction)}}}});
  return cls;
}

RuntimeObject* New(RuntimeClass* cls, const char* name) {
  RuntimeObject* object = RuntimeNewObject(cls);
  F(object)->name = name;
  return object;
}

int Count(const std::string& entry) {
  return int(std::count(gLog.begin(), gLog.end(), entry));
}

// ---- the fixture ----

int gChanges = 0;
std::function<void(RuntimeObject*)> gOnChange;
void OnChange(RuntimeObject* list) {
  ++gChanges;
  if (gOnChange) gOnChange(list);
}
std::vector<std::string> gFocus;
RuntimeObject* gFocusList = nullptr;  // the list whose focus events are logged
void OnGotFocus(RuntimeObject* list) {
  if (list == gFocusList) gFocus.push_back("GotFocus");
}
void OnLostFocus(RuntimeObject* list) {
  if (list == gFocusList) gFocus.push_back("LostFocus");
}
uint8_t OnHeaderPressed(RuntimeObject*, int32_t column) {
  gLog.push_back("HeaderPressed " + std::to_string(column));
  return 0;
}
uint8_t OnDragReorderRows(RuntimeObject*, int32_t position, int32_t parent) {
  gLog.push_back("DragReorderRows " + std::to_string(position) + "," + std::to_string(parent));
  return 0;
}

class ListboxBinding : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = kit.OpenAndFocus(gui, "Bound lists", {}, &xid);
    before = LiveObjectCount();
    gLog.clear();  // what the last test's windows said as they closed
  }
  void TearDown() override {
    gOnChange = nullptr;
    gOnReceive = nullptr;
    gCount = nullptr;
    gNilRows = false;
    gFieldCount = 2;
    gChanges = 0;
    gRows.clear();
    gLog.clear();
    gFocus.clear();
    gFocusList = nullptr;
  }
  RuntimeObject* Open(bool multiple = false, const QV::Rect& place = kPlace,
                      const char* name = "List") {
    static RuntimeClass* cls = nullptr;
    if (!cls) {
      cls = qvtest::Subclass("Listbox", "BindingList");
      qvtest::SetHandler(cls, "Change", reinterpret_cast<void*>(&OnChange));
      qvtest::SetHandler(cls, "GotFocus", reinterpret_cast<void*>(&OnGotFocus));
      qvtest::SetHandler(cls, "LostFocus", reinterpret_cast<void*>(&OnLostFocus));
      qvtest::SetHandler(cls, "HeaderPressed", reinterpret_cast<void*>(&OnHeaderPressed));
      qvtest::SetHandler(cls, "DragReorderRows", reinterpret_cast<void*>(&OnDragReorderRows));
    }
    RuntimeObject* list = qvtest::AddControl(window, cls, name, place, [&](RuntimeObject* l) {
      AsListbox(l)->selectionType = multiple ? 1 : 0;
    });
    EXPECT_NE(list, nullptr);
    gLog.clear();  // a new list announces its sorted column
    return list;
  }
  // Every row's Cell(r, -1), joined by "|".
  std::string Rows(RuntimeObject* list) {
    std::string all;
    for (int32_t r = 0; r < listCountGetter(list, 0); ++r) {
      all += (r ? "|" : "") + Take(listGetCell(list, r, -1));
    }
    return all;
  }
  // The window closed by a handler, waited for, and the objects counted.
  void ExpectClosedAndAllFreed() {
    ASSERT_TRUE(gui.PumpUntil([&] { return AsWindow(window)->mImp == nullptr; }));
    ASSERT_TRUE(gui.WaitUntilClosed(xid));
    gui.Settle();
    kit.Take();
  }
  qvtest::ScreenPoint RowPoint(RuntimeObject* list, int32_t row, int32_t x = 30) {
    RuntimeListbox* pane = ListboxPaneOf(list);
    const QV::Rect r = pane->GetListRect();
    const int32_t h = pane->RowHeight(row);
    return qvtest::ContentToScreen(gui, xid, window, r.left + x, r.top + h * row + h / 2);
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  qvtest::RaisedExceptions raised;
  RuntimeObject* window = nullptr;
  int32_t before = 0;
};

// ---- notifications ----

TEST_F(ListboxBinding, NotificationsMoveRowsAndTheSelection) {
  RuntimeObject* list = Open();
  gRows = {"a", "b", "c"};
  RuntimeObject* data = New(ProviderClass(), "P");
  listBind(list, data);
  EXPECT_EQ(Rows(list), "a\tf2|b\tf2|c\tf2");
  RuntimeObject* receiver = New(ReceiverClass(), "R");
  listAddLSNR(list, receiver);
  listSelectionSetter(list, 0, 1);
  gLog.clear();
  gChanges = 0;

  struct Step {
    const char* what;
    bool insert;
    int32_t row;
    std::vector<std::string> rows;  // the provider's rows after it
    int32_t selected;
    int changes;  // Change events and selectionChanged calls, each
  };
  const Step steps[] = {
      {"insert at 0", true, 0, {"n", "a", "b", "c"}, 2, 0},
      {"insert in the middle", true, 2, {"n", "a", "m", "b", "c"}, 3, 0},
      {"insert at ListCount", true, 5, {"n", "a", "m", "b", "c", "z"}, 3, 0},
      {"remove the first", false, 0, {"a", "m", "b", "c", "z"}, 2, 0},
      {"remove the last", false, 4, {"a", "m", "b", "c"}, 2, 0},
      {"remove the selected", false, 2, {"a", "m", "c"}, -1, 1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    gRows = step.rows;
    if (step.insert) {
      listListDataInsertedRow(list, step.row);
    } else {
      listListDataRemovedRow(list, step.row);
    }
    EXPECT_EQ(raised.TakeOne(), "");
    EXPECT_EQ(listCountGetter(list, 0), int32_t(step.rows.size()));
    EXPECT_EQ(listSelectionGetter(list, 0), step.selected);
    EXPECT_EQ(gChanges, step.changes);
    EXPECT_EQ(Count("R changed"), step.changes);
    EXPECT_EQ(Count("R changing"), step.changes);
    EXPECT_EQ(Take(listGetCell(list, 0, 0)), step.rows[0]);
    gChanges = 0;
    gLog.clear();
  }
  // Rows out of range raise and change nothing.
  for (int32_t row : {-1, 4}) listListDataInsertedRow(list, row);
  for (int32_t row : {-1, 3}) listListDataRemovedRow(list, row);
  EXPECT_EQ(raised.Take(), std::vector<std::string>(4, kOOB));
  EXPECT_EQ(listCountGetter(list, 0), 3);
  // Emptied, a removal raises instead of counting below 0.
  gRows.clear();
  listListDataReload(list);
  EXPECT_EQ(listCountGetter(list, 0), 0);
  listListDataRemovedRow(list, 0);
  EXPECT_EQ(raised.TakeOne(), kOOB);
  EXPECT_EQ(listCountGetter(list, 0), 0);
  gRows = {"x", "y"};
  listListDataReload(list);
  EXPECT_EQ(Rows(list), "x\tf2|y\tf2");
  listRemoveLSNR(list, receiver);
  RuntimeUnlockObject(receiver);
  RuntimeUnlockObject(data);

  // An unbound list ignores them all.
  RuntimeObject* plain = Open(false, {220, 10, 300, 310}, "Plain");
  RuntimeListAddRow(plain, Text("only"));
  listListDataInsertedRow(plain, 0);
  listListDataRemovedRow(plain, 0);
  listListDataRemovedRow(plain, 7);
  listListDataReload(plain);
  EXPECT_EQ(raised.TakeOne(), "");
  EXPECT_EQ(Rows(plain), "only");
}

TEST_F(ListboxBinding, BindingAgainReplacesAndNilUnbinds) {
  RuntimeObject* list = Open();
  RuntimeObject* first = New(ProviderClass(), "P1");
  RuntimeObject* second = New(ProviderClass(), "P2");
  gRows = {"a", "b", "c"};
  listBind(list, first);
  listColumnSortDirectionSetter(list, 0, 1);
  gRows = {"d", "e"};
  listBind(list, second);
  EXPECT_EQ(listCountGetter(list, 0), 2);  // the second count only
  EXPECT_EQ(gLog, (std::vector<std::string>{"P1 add", "P1 remove", "P2 add"}));
  EXPECT_EQ(F(first)->receivers, nullptr);
  EXPECT_EQ(listColumnSortDirectionGetter(list, 0), 0);
  // The same provider again, its only reference the list's: it stays alive.
  RuntimeUnlockObject(second);
  gLog.clear();
  listBind(list, second);
  EXPECT_EQ(gLog, (std::vector<std::string>{"P2 remove", "P2 add"}));
  EXPECT_EQ(listCountGetter(list, 0), 2);
  gLog.clear();
  listBind(list, nullptr);
  EXPECT_EQ(listCountGetter(list, 0), 0);
  EXPECT_EQ(gLog, (std::vector<std::string>{"P2 remove", "P2 freed"}));
  // Unbound again: the row accessors work.
  RuntimeListAddRow(list, Text("own"));
  EXPECT_EQ(Rows(list), "own");
  // Binding replaces the list's own rows.
  gRows = {"q"};
  listBind(list, first);
  EXPECT_EQ(Rows(list), "q\tf2");
  RuntimeUnlockObject(first);

  // Before its pane exists a list binds nothing and holds nothing.
  RuntimeObject* unopened = RuntimeNewObject(RuntimeClassForDefinition(ListboxClassDefinition()));
  RuntimeObject* third = New(ProviderClass(), "P3");
  listBind(unopened, third);
  EXPECT_EQ(AsListbox(unopened)->boundList, nullptr);
  EXPECT_EQ(F(third)->receivers, nullptr);
  RuntimeUnlockObject(unopened);
  RuntimeUnlockObject(third);
}

TEST_F(ListboxBinding, OddProvidersGiveEmptyRowsNotExceptions) {
  RuntimeObject* list = Open();
  RuntimeObject* silent = New(ProviderClass(false), "S");
  gRows = {"a", "b"};
  listBind(list, silent);
  EXPECT_EQ(listCountGetter(list, 0), 0);  // no GetCount
  RuntimeObject* data = New(ProviderClass(), "P");
  gCount = [] { return -5; };
  listBind(list, data);
  EXPECT_EQ(listCountGetter(list, 0), 0);
  gCount = nullptr;
  gNilRows = true;
  listListDataReload(list);
  ASSERT_EQ(listCountGetter(list, 0), 2);
  EXPECT_EQ(Take(listGetCell(list, 1, -1)), "");
  EXPECT_EQ(Take(listGetCell(list, 1, 3)), "");
  EXPECT_EQ(raised.TakeOne(), "");
  gNilRows = false;
  gFieldCount = 0x7FFFFFFF;
  const std::string wide = Take(listGetCell(list, 0, -1));
  EXPECT_EQ(std::count(wide.begin(), wide.end(), '\t'), 255);
  EXPECT_EQ(wide.substr(0, 5), "a\tf2\t");
  EXPECT_EQ(Take(listGetCell(list, 0, 255)), "f256");
  gFieldCount = 2;
  EXPECT_EQ(Take(listGetCell(list, 1, 1)), "f2");
  EXPECT_EQ(Take(listGetCell(list, 1, 2)), "");  // a real row of two fields
  EXPECT_EQ(raised.TakeOne(), kOOB);
  // Drawing every kind of row leaves the objects balanced.
  gFieldCount = 0x7FFFFFFF;
  ListboxPaneOf(list)->InvalidateCell(-1, -1);
  gui.Settle();
  gFieldCount = 2;
  RuntimeUnlockObject(silent);
  RuntimeUnlockObject(data);
}

// ---- the list-box paths of a bound list ----

TEST_F(ListboxBinding, BoundRowsArePlainRowsWithoutCells) {
  RuntimeObject* list = Open(true);
  AsListbox(list)->hierarchical = 1;
  ListboxPaneOf(list)->hierarchical = true;
  listColumnCountSetter(list, 0, 2);
  listColumnTypeSetter(list, 1, kTypeCheckbox);
  gRows = {"a", "b", "c"};
  RuntimeObject* data = New(ProviderClass(), "P");
  listBind(list, data);
  RuntimeListbox* pane = ListboxPaneOf(list);
  for (int32_t row = 0; row < 3; ++row) {
    EXPECT_EQ(pane->RowDepth(row), 0);
    EXPECT_FALSE(pane->IsExpanded(row));
  }
  // Setters do nothing; getters answer what a row without cells answers.
  listSetCell(list, 0, 0, Text("x"));
  RuntimeSetRow(list, 0, Text("x"));
  listCellCheckSetter(list, 0, 1, 1);
  listSetCellBold(list, 0, 0, 1);
  listCellTypeSetter(list, 0, 0, kTypeEditable);
  listSetCellTag(list, 0, 0, data);
  listSetCellBorderTop(list, 0, 0, kBorderThickSolid);
  listCellAlignmentSetter(list, 0, 0, 2);
  RuntimeListAddRow(list, Text("x"));
  RuntimeListInsertRow(list, 0, Text("x"), 0);
  RuntimeRemoveRow(list, 0);
  RuntimeListEmpty(list);
  EXPECT_EQ(raised.TakeOne(), "");
  EXPECT_EQ(Rows(list), "a\tf2|b\tf2|c\tf2");
  EXPECT_EQ(listCellCheckGetter(list, 0, 1), 0);
  EXPECT_EQ(listGetCellBold(list, 0, 0), 0);
  EXPECT_EQ(listCellTypeGetter(list, 0, 0), 0);
  EXPECT_EQ(listGetCellTag(list, 0, 0), nullptr);
  EXPECT_EQ(listGetCellBorderTop(list, 0, 0), 0);
  EXPECT_EQ(listCellAlignmentGetter(list, 0, 0), 0);
  EXPECT_EQ(listGetRowPicture(list, 0), nullptr);
  // Copy puts the selected bound rows on the clipboard, one line each.
  listSetSelected(list, 0, 1);
  listSetSelected(list, 2, 1);
  RuntimeObject* item = NewObjectFromDefinition(MenuItemClassDefinition());
  RuntimeMenuItemNameSetter(item, 0, string("EditCopy").Storage());
  EXPECT_TRUE(pane->HandleMenuCommand(item));
  RuntimeUnlockObject(item);
  gchar* copied = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(std::string(copied), "a\tf2\nc\tf2");
  g_free(copied);
  RuntimeUnlockObject(data);
}

TEST_F(ListboxBinding, ClicksOnABoundListOnlySelect) {
  RuntimeObject* list = Open();
  listColumnCountSetter(list, 0, 2);
  listColumnWidthsSetter(list, 0, Text("100, *"));
  listColumnTypeSetter(list, 0, kTypeCheckbox);
  listColumnTypeSetter(list, 1, kTypeEditable);
  listHasHeadingSetter(list, 0, 1);
  gRows = {"c", "a", "b"};
  RuntimeObject* data = New(ProviderClass(), "P");
  listBind(list, data);
  gui.Settle();
  const int pressed = Count("HeaderPressed 0");
  // The check box of row 1: selected, nothing toggled.
  qvtest::ScreenPoint at = RowPoint(list, 1, 8);
  gui.Click(at.x, at.y);
  ASSERT_TRUE(gui.PumpUntil([&] { return listSelectionGetter(list, 0) == 1; }));
  EXPECT_EQ(listCellCheckGetter(list, 1, 0), 0);
  // The editable column of row 1, pressed twice: no edit field.
  at = RowPoint(list, 1, 150);
  gui.Click(at.x, at.y);
  gui.Settle();
  gui.Click(at.x, at.y);
  gui.Settle();
  EXPECT_FALSE(ListboxPaneOf(list)->IsEditing());
  at = RowPoint(list, 2, 150);
  gui.Click(at.x, at.y);
  ASSERT_TRUE(gui.PumpUntil([&] { return listSelectionGetter(list, 0) == 2; }));
  // A header click sorts nothing: the provider owns the order.
  RuntimeListbox* pane = ListboxPaneOf(list);
  const QV::Rect rows = pane->GetListRect();
  at = qvtest::ContentToScreen(gui, xid, window, rows.left + 30, rows.top - 8);
  gui.Click(at.x, at.y);
  ASSERT_TRUE(gui.PumpUntil([&] { return Count("HeaderPressed 0") > pressed; }));
  gui.Settle();
  EXPECT_EQ(Rows(list), "c\tf2|a\tf2|b\tf2");
  EXPECT_EQ(raised.TakeOne(), "");
  RuntimeUnlockObject(data);
}

// The drop of a reorder drag: DragReorderRows is raised, the provider's order stays.
TEST_F(ListboxBinding, AReorderDropOnABoundListMovesNothing) {
  RuntimeObject* list = Open(true);
  gRows = {"a", "b", "c", "d"};
  RuntimeObject* data = New(ProviderClass(), "P");
  listBind(list, data);
  RuntimeListbox* pane = ListboxPaneOf(list);
  pane->enableDragReorder = true;
  listSetSelected(list, 0, 1);
  listSetSelected(list, 1, 1);
  pane->BeginReorder();
  const int32_t h = pane->RowHeight(-1);
  const int32_t top = pane->GetListRect().top - pane->GetBounds().top;
  pane->DragOver(6, top + h * 3 + h * 3 / 4, nullptr, 0);
  EXPECT_EQ(pane->DropRow(), 4);
  EXPECT_TRUE(pane->DropAllowed());
  pane->DropObject(nullptr, 0);
  pane->EndReorder();
  EXPECT_EQ(Count("DragReorderRows 2,-1"), 1);
  EXPECT_EQ(Rows(list), "a\tf2|b\tf2|c\tf2|d\tf2");
  EXPECT_EQ(listGetSelected(list, 0) + listGetSelected(list, 1), 2);
  RuntimeUnlockObject(data);
}

// ---- bound parts ----

TEST_F(ListboxBinding, BoundPartsByName) {
  RuntimeObject* list = Open();
  for (const char* row : {"a\tA", "b\tB"}) RuntimeListAddRow(list, Text(row));
  listColumnCountSetter(list, 0, 2);
  listSetCell(list, 0, 1, Text("A"));
  listSetCell(list, 1, 1, Text("B"));
  struct Case {
    const char* name;
    const char* className;  // nullptr: nil
    int32_t value;          // kind or column
  };
  const Case cases[] = {
      {"GOTFOCUSACTION", "Sys$ListboxAction", 1},
      {"lostfocusaction", "Sys$ListboxAction", 0},
      {"getSelectionProvider", "listSelectionProvider", 0},
      {"columnValueProvider_2", "listColumnValueProvider", 2},
      {"COLUMNVALUEPROVIDER_ -7", "listColumnValueProvider", -7},
      {"columnValueProvider_+1x", "listColumnValueProvider", 1},
      {"columnValueProvider", nullptr, 0},
      {"columnValueProvide_1", nullptr, 0},
      {"", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RuntimeObject* part = listGetBoundPart(list, Text(c.name));
    if (!c.className) {
      EXPECT_EQ(part, nullptr);
      continue;
    }
    ASSERT_NE(part, nullptr);
    EXPECT_STREQ(stringStorage::CString(part->classPtr->className), c.className);
    EXPECT_EQ(reinterpret_cast<ListboxActionObject*>(part)->list, list);
    if (c.className[0] == 'S') {
      EXPECT_EQ(reinterpret_cast<ListboxActionObject*>(part)->kind, c.value);
    }
    if (c.className[4] == 'C') {
      EXPECT_EQ(reinterpret_cast<ListColumnValueProviderObject*>(part)->column, c.value);
    }
    RuntimeUnlockObject(part);
  }
  EXPECT_EQ(ListboxPaneOf(list)->SelectionReceiverCount(), 4);  // the providers stay registered

  // A column provider reads nothing until a row is selected, then follows the selection.
  RuntimeObject* column = listGetBoundPart(list, Text("columnValueProvider_1"));
  RuntimeObject* far = listGetBoundPart(list, Text("columnValueProvider_300"));
  RuntimeObject* selection = listGetBoundPart(list, Text("getSelectionProvider"));
  RuntimeObject* receiver = New(ReceiverClass(), "R");
  lcvpAddDataNotificationReceiver(column, receiver);
  lcvpAddDataNotificationReceiver(column, nullptr);
  listSelectionAddDataNotificationReceiver(selection, receiver);
  listSelectionAddDataNotificationReceiver(selection, nullptr);
  EXPECT_EQ(lcvpGetString(column), nullptr);
  EXPECT_EQ(lcvpDataAvailable(column), 0);
  EXPECT_EQ(listSelectionGetBoolean(selection), 0);
  listSelectionSetter(list, 0, 1);
  EXPECT_EQ(Take(lcvpGetString(column)), "B");
  EXPECT_EQ(lcvpDataAvailable(column), 1);
  EXPECT_EQ(listSelectionGetBoolean(selection), 1);
  EXPECT_EQ(Count("R DataChanged"), 2);  // once from each
  lcvpSetString(column, Text("b2"));
  EXPECT_EQ(Take(listGetCell(list, 1, 1)), "b2");
  // Column 300: nil, nothing written, nothing raised.
  EXPECT_EQ(lcvpGetString(far), nullptr);
  lcvpSetString(far, Text("x"));
  EXPECT_EQ(raised.TakeOne(), "");
  lcvpRemoveDataNotificationReceiver(column, receiver);
  listSelectionRemoveDataNotificationReceiver(selection, receiver);
  gLog.clear();
  listSelectionSetter(list, 0, 0);
  EXPECT_EQ(Count("R DataChanged"), 0);
  for (RuntimeObject* part : {column, far, selection, receiver}) RuntimeUnlockObject(part);
}

TEST_F(ListboxBinding, ColumnProviderOfABoundList) {
  RuntimeObject* list = Open();
  gRows = {"a", "b"};
  RuntimeObject* data = New(ProviderClass(), "P");
  listBind(list, data);
  RuntimeObject* name = listGetBoundPart(list, Text("columnValueProvider_0"));
  RuntimeObject* past = listGetBoundPart(list, Text("columnValueProvider_2"));
  listSelectionSetter(list, 0, 1);
  EXPECT_EQ(Take(lcvpGetString(name)), "b");
  EXPECT_EQ(lcvpGetString(past), nullptr);  // at FieldCount: nil, not an exception
  lcvpSetString(name, Text("x"));
  EXPECT_EQ(Take(lcvpGetString(name)), "b");
  EXPECT_EQ(raised.TakeOne(), "");
  for (RuntimeObject* object : {name, past, data}) RuntimeUnlockObject(object);
}

TEST_F(ListboxBinding, FocusActionsHearRealClicksAndTab) {
  RuntimeObject* list = Open();
  RuntimeListAddRow(list, Text("a"));
  gFocusList = list;
  RuntimeObject* other = Open(false, {220, 10, 300, 310}, "Other");
  RuntimeListAddRow(other, Text("b"));
  RuntimeObject* gained = listGetBoundPart(list, Text("gotFocusAction"));
  RuntimeObject* lost = listGetBoundPart(list, Text("lostFocusAction"));
  RuntimeObject* receiver = New(ReceiverClass(), "R");
  lbaAddActionNotificationReceiver(gained, receiver);
  lbaAddActionNotificationReceiver(lost, receiver);
  lbaAddActionNotificationReceiver(lost, nullptr);
  gui.Settle();
  qvtest::ScreenPoint at = RowPoint(list, 0);
  gui.Click(at.x, at.y);
  ASSERT_TRUE(gui.PumpUntil([&] { return Count("R PerformAction") == 1; }));
  EXPECT_EQ(gFocus, (std::vector<std::string>{"GotFocus"}));
  // Told after the event, by the same handler chain.
  gOnReceive = [&](RuntimeObject*, const std::string&) { gFocus.push_back("action"); };
  gui.Key("Tab");
  ASSERT_TRUE(gui.PumpUntil([&] { return Count("R PerformAction") == 2; }));
  EXPECT_EQ(gFocus, (std::vector<std::string>{"GotFocus", "LostFocus", "action"}));
  lbaRemoveActionNotificationReceiver(gained, receiver);
  gOnReceive = nullptr;
  at = RowPoint(list, 0);
  gui.Click(at.x, at.y);
  ASSERT_TRUE(gui.PumpUntil([&] { return gFocus.size() >= 4; }));
  gui.Settle();
  EXPECT_EQ(Count("R PerformAction"), 2);
  for (RuntimeObject* object : {gained, lost, receiver}) RuntimeUnlockObject(object);
}

// ---- closing ----

TEST_F(ListboxBinding, CloseLeavesNoListenerOnEitherSide) {
  RuntimeObject* list = Open();
  gRows = {"a", "b"};
  RuntimeObject* data = New(ProviderClass(), "P");
  listBind(list, data);
  RuntimeObject* receiver = New(ReceiverClass(), "R");
  RuntimeObject* gained = listGetBoundPart(list, Text("gotFocusAction"));
  lbaAddActionNotificationReceiver(gained, receiver);
  // Bound parts whose last reference is the pane's: they go at Close.
  RuntimeUnlockObject(listGetBoundPart(list, Text("getSelectionProvider")));
  RuntimeObject* column = listGetBoundPart(list, Text("columnValueProvider_0"));
  lcvpAddDataNotificationReceiver(column, receiver);
  RuntimeUnlockObject(column);
  RuntimeUnlockObject(gained);
  RuntimeUnlockObject(receiver);
  gLog.clear();
  RuntimeCloseWindow(window);
  ExpectClosedAndAllFreed();
  EXPECT_EQ(Count("P remove"), 1);
  EXPECT_EQ(F(data)->receivers, nullptr);
  EXPECT_EQ(Count("R freed"), 1);
  RuntimeUnlockObject(data);
  EXPECT_EQ(LiveObjectCount(), before);
}

TEST_F(ListboxBinding, HandlersThatCloseTheWindowMidway) {
  for (const char* road : {"GetCount", "DataChanged", "selectionChanged", "remove two"}) {
    SCOPED_TRACE(road);
    const std::string which = road;
    RuntimeObject* list = Open();
    gRows = {"a", "b", "c"};
    RuntimeObject* data = New(ProviderClass(), "P");
    if (which != "GetCount") listBind(list, data);
    RuntimeObject* selection = listGetBoundPart(list, Text("getSelectionProvider"));
    RuntimeObject* first = New(ReceiverClass(), "R1");
    RuntimeObject* second = New(ReceiverClass(), "R2");
    listSelectionAddDataNotificationReceiver(selection, first);
    listSelectionAddDataNotificationReceiver(selection, second);
    listAddLSNR(list, first);
    RuntimeLockObject(list);  // the caller's variable
    gOnReceive = [&](RuntimeObject* self, const std::string& what) {
      if (which == "remove two" && what == "DataChanged") {
        // R2 is told first (the list holds the newest first): it takes itself and R1 out.
        listSelectionRemoveDataNotificationReceiver(selection, self);
        listSelectionRemoveDataNotificationReceiver(selection, first);
      } else if (which == "DataChanged" && what == "DataChanged") {
        ControlClose(list);
      } else if (which == "selectionChanged" && what == "changed") {
        RuntimeCloseWindow(window);
      }
    };
    gCount = [&] {
      if (which == "GetCount") ControlClose(list);
      return int32_t(gRows.size());
    };
    if (which == "GetCount") {
      listBind(list, data);
    } else {
      listSelectionSetter(list, 0, 1);
    }
    gOnReceive = nullptr;
    gCount = nullptr;
    if (which == "GetCount") {
      EXPECT_EQ(AsListbox(list)->boundList, nullptr);
      EXPECT_EQ(Count("P remove"), 1);
    }
    if (which == "remove two") {
      // R1, removed before its turn, is not told; afterwards nobody is.
      EXPECT_EQ(Count("R2 DataChanged"), 1);
      EXPECT_EQ(Count("R1 DataChanged"), 0);
      gLog.clear();
      listSelectionSetter(list, 0, 2);
      EXPECT_EQ(Count("R1 DataChanged") + Count("R2 DataChanged"), 0);
    } else if (which == "DataChanged") {
      // The walk stopped with the list closed: one receiver told.
      EXPECT_EQ(Count("R1 DataChanged") + Count("R2 DataChanged"), 1);
    }
    if (which != "selectionChanged") RuntimeCloseWindow(window);
    for (RuntimeObject* object : {list, selection, first, second}) RuntimeUnlockObject(object);
    ExpectClosedAndAllFreed();
    EXPECT_EQ(F(data)->receivers, nullptr);
    RuntimeUnlockObject(data);
    gLog.clear();
    EXPECT_EQ(LiveObjectCount(), before);
    window = kit.OpenAndFocus(gui, "Bound lists", {}, &xid);
    before = LiveObjectCount();
    gLog.clear();  // what the last test's windows said as they closed
  }
}

}  // namespace
