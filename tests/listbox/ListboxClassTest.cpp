// The "Listbox" and "OldListbox" classes as compiled code uses them: the accessors' index rules
// before the pane exists and after it, held values handed over at creation, the column-width
// text, ListColumn objects and the older class's differences. Lists live in real windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "../controls/ControlFixtures.h"
#include "../controls/SimpleControlFixtures.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "listbox/ListColumn.h"
#include "listbox/ListboxClass.h"
#include "listbox/RuntimeListbox.h"
#include "strings/StringFoundation.h"
#include "support/RaisedExceptions.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

constexpr QV::Rect kPlace{10, 10, 210, 310};

// What the Change handler of the closing tests does.
std::function<void(RuntimeObject*)> gOnChange;
int gChanges = 0;
void OnChange(RuntimeObject* list) {
  ++gChanges;
  if (gOnChange) gOnChange(list);
}
// The program's variable that the HeaderPressed handler closes and sets to nil.
RuntimeObject* gHeldList = nullptr;
int32_t OnHeaderPressedClose(RuntimeObject* list, int32_t) {
  ControlClose(list);
  RuntimeUnlockObject(std::exchange(gHeldList, nullptr));
  return 1;
}
// The events the closing tests hear, in order, and the one whose handler closes the window.
std::vector<std::string> gHeard;
std::string gClosingEvent;
RuntimeObject* gClosingWindow = nullptr;
void HearList(const char* event) {
  gHeard.push_back(event);
  if (gClosingEvent == event) RuntimeCloseWindow(std::exchange(gClosingWindow, nullptr));
}
int32_t OnHeardMouseDown(RuntimeObject*, int32_t, int32_t) { HearList("MouseDown"); return 0; }
int32_t OnHeardCellClick(RuntimeObject*, int32_t, int32_t, int32_t, int32_t) {
  HearList("CellClick");
  return 0;
}
int32_t OnHeardDragRow(RuntimeObject*, RuntimeObject*, int32_t) { HearList("DragRow"); return 0; }
void OnHeardGotFocus(RuntimeObject*) { HearList("GotFocus"); }
void OnHeardChange(RuntimeObject*) { HearList("Change"); }
void OnHeardClose(RuntimeObject*) { HearList("Close"); }
constexpr const char* kOOB = "OutOfBoundsException";

std::string Take(stringStorage* text) {
  std::string s = stringStorage::CString(text);
  stringStorage::RemoveReference(text);
  return s;
}

// A text that lives until the end of the test program, as a compiled string constant does.
stringStorage* Text(const char* s) {
  static std::deque<string> constants;
  return constants.emplace_back(s).Storage();
}

class ListboxClassTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = kit.OpenAndFocus(gui, "List boxes", {}, &xid);
  }
  // A list opened on the window after setup ran on its held fields.
  RuntimeObject* Open(const char* parent = "Listbox",
                      const std::function<void(RuntimeObject*)>& setup = nullptr) {
    static RuntimeClass* listClass = nullptr;
    static RuntimeClass* oldClass = nullptr;
    RuntimeClass*& cls = parent[0] == 'O' ? oldClass : listClass;
    if (!cls) {
      cls = qvtest::Subclass(parent, parent[0] == 'O' ? "KitOldList" : "KitList");
      qvtest::SetHandler(cls, "Change", reinterpret_cast<void*>(&OnChange));
    }
    RuntimeObject* list = qvtest::AddControl(window, cls, "List", kPlace, setup);
    EXPECT_NE(list, nullptr);
    return list;
  }
  // A list without a window: every accessor works on held fields.
  RuntimeObject* Unopened() {
    held = RuntimeNewObject(RuntimeClassForDefinition(ListboxClassDefinition()));
    return held;
  }
  void TearDown() override {
    if (held) RuntimeUnlockObject(held);
    gOnChange = nullptr;
    gChanges = 0;
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  qvtest::RaisedExceptions raised;
  RuntimeObject* window = nullptr;
  RuntimeObject* held = nullptr;
};

// Before CreatePane: held values and neutral answers, nothing raised but the index rules.
TEST_F(ListboxClassTest, BeforeThePaneAccessorsHoldTheirValues) {
  RuntimeObject* list = Unopened();
  EXPECT_EQ(AsListbox(list)->columnCount, 1);
  EXPECT_EQ(listLastIndexGetter(list, 0), -1);
  struct Count {
    int32_t set, read;
  };
  for (const Count& c : {Count{0, 1}, Count{65, 64}, Count{-1, 64}, Count{3, 3}, Count{64, 64}}) {
    listColumnCountSetter(list, 0, c.set);
    EXPECT_EQ(listColumnCountGetter(list, 0), c.read) << c.set;
  }
  listScrollPositionSetter(list, 0, -5);
  EXPECT_EQ(listScrollPositionGetter(list, 0), 0);
  listHeadingIndexSetter(list, 0, 2);
  EXPECT_EQ(listSortedColumnGetter(list, 0), 2);
  listColumnAlignmentSetter(list, 63, 3);
  listColumnAlignmentOffsetSetter(list, 63, -7);
  EXPECT_EQ(listColumnAlignmentGetter(list, 63), 3);
  EXPECT_EQ(listColumnAlignmentOffsetGetter(list, 63), -7);
  EXPECT_EQ(raised.Take().size(), 0u);
  listColumnAlignmentSetter(list, 64, 1);
  EXPECT_EQ(raised.TakeOne(), kOOB);
  EXPECT_EQ(listColumnTypeGetter(list, 64), 0);
  EXPECT_EQ(raised.TakeOne(), kOOB);
  // No pane: neutral answers, setters that need a pane do nothing.
  EXPECT_EQ(listColumnGetter(list, 0), nullptr);
  EXPECT_EQ(listCountGetter(list, 0), 0);
  EXPECT_EQ(listSelectionGetter(list, 0), -1);
  EXPECT_EQ(listGetCellBorderTop(list, 0, 0), -1);
  EXPECT_EQ(listGetCell(list, 0, 0), nullptr);
  EXPECT_EQ(listCellCheckGetter(list, 0, 0), 0);
  RuntimeRemoveRow(list, 0);
  RuntimeSetRow(list, 0, Text("x"));
  RuntimeListAddRow(list, Text("x"));
  EXPECT_EQ(listLastIndexGetter(list, 0), -1);
  EXPECT_EQ(raised.Take().size(), 0u);
  listColumnWidthsSetter(list, 0, Text("nonsense"));
  EXPECT_EQ(Take(listColumnWidthsGetter(list, 0)), "nonsense");
}

// The Cell getter hands compiled code the cell's own text record with one reference for it; an
// empty cell is nil, bad indexes raise, and -1 still gathers a whole row.
TEST_F(ListboxClassTest, TheCellGetterHandsOverOneReferenceToTheCellsText) {
  RuntimeObject* list = Open();
  ASSERT_NE(list, nullptr);
  RuntimeListAddRow(list, Text("first"));
  listSetCell(list, 0, 1, Text("second"));
  RuntimeListbox* pane = ListboxPaneOf(list);
  ASSERT_NE(pane, nullptr);
  stringStorage* own = pane->FindCell(0, 0, false)->text.Storage();
  const uint32_t references = own->refCount;
  stringStorage* read = listGetCell(list, 0, 0);
  EXPECT_EQ(read, own);
  EXPECT_EQ(own->refCount, references + 1);
  RuntimeUnlockString(read);
  EXPECT_EQ(own->refCount, references);
  EXPECT_EQ(Take(listGetCell(list, 0, 1)), "second");
  EXPECT_EQ(listGetCell(list, 0, 2), nullptr) << "a cell without a record";
  EXPECT_EQ(listGetCell(list, 0, 255), nullptr);
  EXPECT_EQ(raised.Take().size(), 0u);
  for (const auto& [row, column] : {std::pair{1, 0}, {-2, 0}, {0, 256}, {0, -2}}) {
    EXPECT_EQ(listGetCell(list, row, column), nullptr);
    EXPECT_EQ(raised.TakeOne(), kOOB) << row << "," << column;
  }
  EXPECT_EQ(Take(listGetCell(list, 0, -1)), "first\tsecond");
}

// Held values reach the pane at creation: columns, alignments, sorting, rows.
TEST_F(ListboxClassTest, CreationHandsOverTheHeldValues) {
  RuntimeObject* list = Open("Listbox", [](RuntimeObject* l) {
    listColumnCountSetter(l, 0, 64);
    listColumnAlignmentSetter(l, 63, 2);
    listColumnAlignmentOffsetSetter(l, 5, 9);
    listColumnCountSetter(l, 0, 0);  // one column after all
    listHeadingIndexSetter(l, 0, 0);
    RuntimeListInitialValueSetter(l, 0, Text("a\tb\nc\td"));
  });
  ASSERT_NE(list, nullptr);
  RuntimeListbox* pane = ListboxPaneOf(list);
  EXPECT_EQ(AsListbox(list)->paneCreated, 1);
  EXPECT_EQ(pane->ColumnCount(), 1);
  EXPECT_EQ(pane->ColumnAlignment(63), 2);
  EXPECT_EQ(pane->ColumnAlignmentOffset(5), 9);
  EXPECT_EQ(listSortedColumnGetter(list, 0), 0);
  EXPECT_EQ(listCountGetter(list, 0), 2);
  EXPECT_EQ(Take(listGetCell(list, 1, 0)), "c");
}

// InitialValue's rows end at CR, CR LF and LF alike, at creation and through the setter.
TEST_F(ListboxClassTest, InitialValueRowsEndAtEveryLineEnding) {
  RuntimeObject* list = Open("Listbox", [](RuntimeObject* l) {
    RuntimeListInitialValueSetter(l, 0, Text("i1\ri2\r\ni3"));
  });
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(listCountGetter(list, 0), 3);
  EXPECT_EQ(Take(listGetCell(list, 0, 0)), "i1");
  EXPECT_EQ(Take(listGetCell(list, 1, 0)), "i2");
  EXPECT_EQ(Take(listGetCell(list, 2, 0)), "i3");
  RuntimeListInitialValueSetter(list, 0, Text("a\tx\r\nb\rc\n\rd"));
  EXPECT_EQ(listCountGetter(list, 0), 5) << "LF then CR is two endings";
  EXPECT_EQ(Take(listGetCell(list, 0, -1)), "a\tx");
  EXPECT_EQ(Take(listGetCell(list, 1, 0)), "b");
  EXPECT_EQ(Take(listGetCell(list, 3, 0)), "");
  EXPECT_EQ(Take(listGetCell(list, 4, 0)), "d");
}

TEST_F(ListboxClassTest, RowsAndTheirIndexEdges) {
  RuntimeObject* list = Open();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(listGetCell(list, 0, 0), nullptr);
  EXPECT_EQ(raised.TakeOne(), kOOB);
  EXPECT_EQ(listCellCheckGetter(list, 0, 0), 0);
  EXPECT_EQ(raised.TakeOne(), kOOB);
  for (const char* row : {"a", "b", "c"}) RuntimeListAddRow(list, Text(row));
  EXPECT_EQ(listLastIndexGetter(list, 0), 2);
  RuntimeListInsertRow(list, 1000, Text("d"), 0);
  EXPECT_EQ(listLastIndexGetter(list, 0), 3);
  RuntimeListInsertRow(list, -4, Text("z"), 0);
  EXPECT_EQ(listLastIndexGetter(list, 0), 0);
  EXPECT_EQ(Take(RuntimeGetRow(list, 4)), "d");
  std::string all = Take(listGetCell(list, -1, -1));
  EXPECT_NE(all.find('z'), std::string::npos);
  EXPECT_NE(all.find('d'), std::string::npos);
  EXPECT_EQ(raised.Take().size(), 0u);
  RuntimeRemoveRow(list, 5);
  EXPECT_EQ(raised.TakeOne(), kOOB);
  RuntimeSetRow(list, -1, Text("x"));
  EXPECT_EQ(raised.TakeOne(), kOOB);
  RuntimeSetRow(list, 1, Text("A"));
  EXPECT_EQ(Take(RuntimeGetRow(list, 1)), "A");
  RuntimeRemoveRow(list, 0);
  EXPECT_EQ(listCountGetter(list, 0), 4);
  // Selection and Text.
  listSelectionSetter(list, 0, 2);
  EXPECT_EQ(listSelectionGetter(list, 0), 2);
  EXPECT_EQ(Take(listTextGetter(list, 0)), "c");
  listTextSetter(list, 0, Text("C"));
  EXPECT_EQ(Take(listGetCell(list, 2, 0)), "C");
  listSelectionSetter(list, 0, 99);
  EXPECT_EQ(listSelectionGetter(list, 0), -1);
  EXPECT_EQ(listTextGetter(list, 0), nullptr);
}

// Cells are UTF-8 whatever the text arrived as.
TEST_F(ListboxClassTest, StoredTextsAreConvertedToUtf8) {
  RuntimeObject* list = Open();
  ASSERT_NE(list, nullptr);
  const uint16_t units[] = {0x00E9, 'a', 0x20AC};
  string utf16;
  utf16.ConstructFromUTF16String(units, 3);
  string latin = string::FromBytes("\xE9t\xE9", 3, kEncodingWindowsLatin1);
  RuntimeListAddRow(list, utf16.Storage());
  RuntimeListAddParent(list, latin.Storage());
  RuntimeListInsertRow(list, 0, latin.Storage(), 0);
  EXPECT_EQ(Take(listGetCell(list, 1, 0)), "\xC3\xA9" "a\xE2\x82\xAC");
  EXPECT_EQ(Take(listGetCell(list, 0, 0)), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(Take(listGetCell(list, 2, 0)), "\xC3\xA9t\xC3\xA9");
  RuntimeSetRow(list, 0, utf16.Storage());
  EXPECT_EQ(Take(RuntimeGetRow(list, 0)), "\xC3\xA9" "a\xE2\x82\xAC");
  listSelectionSetter(list, 0, 2);
  listTextSetter(list, 0, utf16.Storage());
  EXPECT_EQ(Take(listTextGetter(list, 0)), "\xC3\xA9" "a\xE2\x82\xAC");
}

// Cell records reach 256 cells a row; borders and columns reach the list's columns only.
TEST_F(ListboxClassTest, CellAndColumnIndexRules) {
  RuntimeObject* list = Open();
  ASSERT_NE(list, nullptr);
  RuntimeListAddRow(list, Text("a"));
  listSetCellBold(list, 0, 255, 1);
  listCellCheckSetter(list, 0, 255, 1);
  EXPECT_EQ(listGetCellBold(list, 0, 255), 1);
  EXPECT_EQ(listCellCheckGetter(list, 0, 255), 1);
  EXPECT_EQ(raised.Take().size(), 0u);
  struct Call {
    const char* name;
    std::function<void()> call;
  };
  const std::vector<Call> raising = {
      {"CellBold 256", [&] { listSetCellBold(list, 0, 256, 1); }},
      {"CellCheck 256", [&] { listCellCheckGetter(list, 0, 256); }},
      {"CellTag 256", [&] { listGetCellTag(list, 0, 256); }},
      {"Heading cols", [&] { stringStorage::RemoveReference(listGetHeading(list, 1)); }},
      {"SetHeading cols", [&] { listSetHeading(list, 1, Text("x")); }},
      {"SortDirection cols", [&] { listColumnSortDirectionGetter(list, 1); }},
      {"SetSortDirection cols", [&] { listColumnSortDirectionSetter(list, 1, 1); }},
      {"BorderTop cols", [&] { listGetCellBorderTop(list, 0, 1); }},
      {"SetBorderRight cols", [&] { listSetCellBorderRight(list, 0, 1, 3); }},
      {"EditCell cols", [&] { listEditCell(list, 0, 1); }},
      {"Column cols", [&] { listColumnGetter(list, 1); }},
      {"SetColumn cols", [&] { listColumnSetter(list, 1, nullptr); }},
      {"Column -2", [&] { listColumnGetter(list, -2); }},
      {"PressHeader cols", [&] { listColumnPressHeader(list, 1); }},
      {"HeadingIndex cols", [&] { listHeadingIndexSetter(list, 0, 1); }},
      {"Expanded row", [&] { listGetExpanded(list, 1); }},
      {"RowPicture row", [&] { listGetRowPicture(list, -1); }},
  };
  for (const Call& c : raising) {
    c.call();
    EXPECT_EQ(raised.TakeOne(), kOOB) << c.name;
  }
  // The style setter redraws only for a change; the record keeps the other bits.
  listSetCellItalic(list, 0, 255, 1);
  EXPECT_EQ(listGetCellBold(list, 0, 255), 1);
  listSetCellBold(list, 0, 255, 0);
  EXPECT_EQ(listGetCellBold(list, 0, 255), 0);
  EXPECT_EQ(listGetCellItalic(list, 0, 255), 1);
  // Tags hold a reference of their own.
  RuntimeObject* tag = RuntimeNewObject(RuntimeClassForDefinition(ListColumnClassDefinition()));
  listSetCellTag(list, 0, 3, tag);
  RuntimeObject* back = listGetCellTag(list, 0, 3);
  EXPECT_EQ(back, tag);
  RuntimeUnlockObject(back);
  listSetCellTag(list, 0, 3, nullptr);
  RuntimeUnlockObject(tag);
  // Headings: -1 writes and reads them all, joined by Tab.
  listColumnCountSetter(list, 0, 3);
  listSetHeading(list, -1, Text("one\ttwo\tthree"));
  EXPECT_EQ(Take(listGetHeading(list, -1)), "one\ttwo\tthree");
  EXPECT_EQ(Take(listGetHeading(list, 1)), "two");
  listSetCellBorderBottom(list, 0, 2, 4);
  EXPECT_EQ(listGetCellBorderBottom(list, 0, 2), 4);
  EXPECT_EQ(raised.Take().size(), 0u);
}

TEST_F(ListboxClassTest, ColumnWidthsAreCheckedBeforeAnyColumnChanges) {
  RuntimeObject* list = Open();
  ASSERT_NE(list, nullptr);
  listColumnCountSetter(list, 0, 3);
  listColumnWidthsSetter(list, 0, Text("50, 25%"));
  EXPECT_EQ(Take(listColumnWidthsGetter(list, 0)), "50, 25%, 1*");
  EXPECT_EQ(ListboxPaneOf(list)->ColumnWidth(0), 50);
  // An empty item is a missing one: the text read back splits into the same columns.
  listColumnWidthsSetter(list, 0, Text(" 2* ,\t40, ,"));
  EXPECT_EQ(Take(listColumnWidthsGetter(list, 0)), "2*, 40, 1*");
  listColumnWidthsSetter(list, 0, Text("10, wide, 20"));
  EXPECT_EQ(raised.TakeOne(), "UnsupportedFormatException: Unrecognized expression 'wide'");
  EXPECT_EQ(Take(listColumnWidthsGetter(list, 0)), "2*, 40, 1*");
}

// A held text the pane refuses: the list is made whole, every column one share, and the
// exception reaches the opener after the last step.
TEST_F(ListboxClassTest, ARefusedHeldColumnWidthsLeavesAWorkingList) {
  RuntimeObject* list = Open("Listbox", [](RuntimeObject* l) {
    listColumnCountSetter(l, 0, 2);
    listColumnWidthsSetter(l, 0, Text("30, 1x"));
    listColumnAlignmentSetter(l, 1, 3);
    listRequiresSelectionSetter(l, 0, 1);
    RuntimeListInitialValueSetter(l, 0, Text("a\tb"));
  });
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(raised.TakeOne(), "UnsupportedFormatException: Unrecognized expression '1x'");
  EXPECT_EQ(Take(listColumnWidthsGetter(list, 0)), "1*, 1*");
  EXPECT_EQ(listColumnAlignmentGetter(list, 1), 3);
  EXPECT_EQ(listSelectionGetter(list, 0), 0);
  RuntimeListAddRow(list, Text("c"));
  EXPECT_EQ(listCountGetter(list, 0), 2);
}

TEST_F(ListboxClassTest, ListColumnsLiveAndHeld) {
  RuntimeObject* list = Open();
  ASSERT_NE(list, nullptr);
  listColumnCountSetter(list, 0, 2);
  listColumnWidthsSetter(list, 0, Text("60, *"));
  RuntimeObject* all = listColumnGetter(list, -1);
  ASSERT_NE(all, nullptr);
  ListColumnObject* record = AsListColumn(all);
  EXPECT_EQ(std::string(stringStorage::CString(record->expressions[0])), "0");
  EXPECT_EQ(std::string(stringStorage::CString(record->expressions[2])), "-1");
  EXPECT_EQ(record->actual[2], -1);
  EXPECT_EQ(listColWidthExpressionGetter(all, 0), nullptr);
  EXPECT_EQ(raised.TakeOne(), kOOB);
  listColWidthExpressionSetter(all, 0, Text("70"));
  EXPECT_EQ(Take(listColumnWidthsGetter(list, 0)), "70, 70");
  // One column: a snapshot that follows the live list while the list has its pane.
  RuntimeObject* first = listColumnGetter(list, 0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Take(listColWidthExpressionGetter(first, 0)), "70");
  EXPECT_EQ(listColWidthActualGetter(first, 0), 70);
  listColWidthExpressionSetter(first, 1, Text("20"));
  EXPECT_EQ(Take(listColWidthExpressionGetter(first, 1)), "20");
  listColUserResizableSetter(first, 0, 1);
  EXPECT_EQ(listColUserResizableGetter(first, 0), 1);
  // Column(1) = Column(0) copies every value at once.
  listColumnSetter(list, 1, first);
  RuntimeObject* second = listColumnGetter(list, 1);
  EXPECT_EQ(Take(listColWidthExpressionGetter(second, 1)), "20");
  EXPECT_EQ(listColUserResizableGetter(second, 0), 1);
  listColumnSetter(list, 1, nullptr);
  EXPECT_EQ(raised.TakeOne(), "NilObjectException");
  EXPECT_EQ(Take(listColWidthExpressionGetter(second, 1)), "20");
  for (RuntimeObject* c : {all, first, second}) RuntimeUnlockObject(c);
  // Without a list box, a ListColumn works on what it holds.
  RuntimeObject* loose = NewObjectFromDefinition(ListColumnClassDefinition());
  listColWidthExpressionSetter(loose, 2, Text("90"));
  listColWidthActualSetter(loose, 2, 90);
  EXPECT_EQ(Take(listColWidthExpressionGetter(loose, 2)), "90");
  EXPECT_EQ(listColWidthActualGetter(loose, 2), 90);
  RuntimeUnlockObject(loose);
  EXPECT_EQ(raised.Take().size(), 0u);
}

// OldListbox: UseFocusRing is a plain field, and its rows lack the newer members.
TEST_F(ListboxClassTest, OldListboxDiffersOnlyWhereItShould) {
  RuntimeObject* list = Open("OldListbox", [](RuntimeObject* l) {
    AsListbox(l)->useFocusRing = 1;
  });
  ASSERT_NE(list, nullptr);
  RuntimeListbox* pane = ListboxPaneOf(list);
  EXPECT_TRUE(pane->FocusRingWanted());
  RuntimeClass* cls = RuntimeClassForDefinition(OldListboxClassDefinition());
  EXPECT_EQ(cls->instanceSize, 488);
  int32_t methods = 0;
  bool rowFromXY = false;
  for (ObjectMethod* m = OldListboxClassDefinition()->methods; m; m = m->next) {
    ++methods;
    rowFromXY |= std::string(stringStorage::CString(m->name.Storage())) == "RowFromXY";
  }
  EXPECT_EQ(methods, 40);
  EXPECT_FALSE(rowFromXY);
  methods = 0;
  for (ObjectMethod* m = ListboxClassDefinition()->methods; m; m = m->next) ++methods;
  EXPECT_EQ(methods, 42);
  // The older class's UseFocusRing row writes the field and nothing else.
  boolSetter(list, offsetof(ListboxObject, useFocusRing), 0);
  EXPECT_TRUE(pane->FocusRingWanted());
  listboxUseFocusRingSetter(list, 0, 0);
  EXPECT_FALSE(pane->FocusRingWanted());
}

// RowFromXY and ColumnFromXY name the cell under a point of the list.
TEST_F(ListboxClassTest, HitTestsNameTheCellUnderAPoint) {
  RuntimeObject* list = Open();
  ASSERT_NE(list, nullptr);
  listColumnCountSetter(list, 0, 2);
  listColumnWidthsSetter(list, 0, Text("100, *"));
  for (int i = 0; i < 50; ++i) RuntimeListAddRow(list, Text("row"));
  listScrollPositionSetter(list, 0, 40);
  const int32_t top = listScrollPositionGetter(list, 0);
  EXPECT_GT(top, 0);
  EXPECT_EQ(listRowFromXY(list, 50, 5), top);
  EXPECT_EQ(listColFromXY(list, 50, 5), 0);
  EXPECT_EQ(listColFromXY(list, 150, 5), 1);
  EXPECT_EQ(listRowFromXY(list, 150, 5 + ListboxPaneOf(list)->RowHeight(top)), top + 1);
  EXPECT_EQ(listRowFromXY(list, -5, 5), -1);
}

// Setting the sorted column while the pane is made raises HeaderPressed; a handler that closes
// the list there and drops the program's reference leaves the making with no reference but
// its own: the making stops, the list goes, and the window goes on.
TEST_F(ListboxClassTest, AHeaderPressedThatClosesTheListWhileItsPaneIsMadeEndsTheMaking) {
  const int32_t before = LiveObjectCount();
  RuntimeClass* cls = qvtest::Subclass("Listbox", "KitClosingList");
  qvtest::SetHandler(cls, "HeaderPressed", reinterpret_cast<void*>(&OnHeaderPressedClose));
  gHeldList = RuntimeNewObject(cls);
  AsControl(gHeldList)->bounds = kPlace;
  AsControl(gHeldList)->visible = AsControl(gHeldList)->enabled = 1;
  listHeadingIndexSetter(gHeldList, 0, 0);
  WindowAddControl(window, string("List").Storage(), gHeldList);  // opens at once
  EXPECT_EQ(gHeldList, nullptr) << "HeaderPressed ran";
  gui.Settle();
  EXPECT_EQ(LiveObjectCount(), before);
  EXPECT_EQ(windowControlCountGetter(window, 0), 0);
  EXPECT_NE(AsWindow(window)->mImp, nullptr);
}

// A click on a row raises MouseDown, GotFocus, CellClick, DragRow and Change in turn; a handler
// that closes the window ends the click there: the list hears only its Close afterwards.
TEST_F(ListboxClassTest, AClickWhoseHandlerClosesTheWindowRaisesNothingAfterTheClose) {
  RuntimeClass* cls = qvtest::Subclass("Listbox", "KitHeardList");
  const std::pair<const char*, void*> handlers[] = {
      {"MouseDown", reinterpret_cast<void*>(&OnHeardMouseDown)},
      {"CellClick", reinterpret_cast<void*>(&OnHeardCellClick)},
      {"DragRow", reinterpret_cast<void*>(&OnHeardDragRow)},
      {"GotFocus", reinterpret_cast<void*>(&OnHeardGotFocus)},
      {"Change", reinterpret_cast<void*>(&OnHeardChange)},
      {"Close", reinterpret_cast<void*>(&OnHeardClose)}};
  for (const auto& [event, handler] : handlers) qvtest::SetHandler(cls, event, handler);
  for (const char* closing : {"MouseDown", "GotFocus", "CellClick", "DragRow"}) {
    SCOPED_TRACE(closing);
    RuntimeObject* list = qvtest::AddControl(window, cls, "List", kPlace, [](RuntimeObject* l) {
      listEnableDragSetter(l, 0, 1);
    });
    ASSERT_NE(list, nullptr);
    for (const char* row : {"a", "b", "c"}) RuntimeListAddRow(list, Text(row));
    gui.Settle();
    gHeard.clear();
    gClosingEvent = closing;
    gClosingWindow = window;
    const qvtest::ScreenPoint row1 = qvtest::ContentToScreen(
        gui, xid, window, kPlace.left + 30, kPlace.top + ListboxPaneOf(list)->RowHeight(0) * 3 / 2);
    if (gClosingEvent == "DragRow") {
      gui.Drag(row1.x, row1.y, row1.x + 10, row1.y + 30);  // a drag out of the row
    } else {
      gui.Click(row1.x, row1.y);
    }
    ASSERT_TRUE(gui.WaitUntilClosed(xid)) << testing::PrintToString(gHeard);
    gui.Settle();
    const auto at = std::find(gHeard.begin(), gHeard.end(), std::string(closing));
    ASSERT_NE(at, gHeard.end()) << testing::PrintToString(gHeard);
    EXPECT_EQ(std::vector<std::string>(at + 1, gHeard.end()), std::vector<std::string>{"Close"});
    gClosingEvent.clear();
    window = kit.OpenAndFocus(gui, "List boxes", {}, &xid);
  }
}

// A Change handler may close the window or drop the list while ListIndex = 3 runs; the
// accessor touches nothing afterwards and every object goes.
TEST_F(ListboxClassTest, ChangeHandlersMayCloseTheWindowOrDropTheList) {
  for (const char* road : {"close the window", "drop the list"}) {
    SCOPED_TRACE(road);
    const int32_t before = LiveObjectCount();
    RuntimeObject* list = Open();
    ASSERT_NE(list, nullptr);
    for (const char* row : {"a", "b", "c", "d"}) RuntimeListAddRow(list, Text(row));
    RuntimeLockObject(list);  // the caller's variable
    const std::string which = road;
    gOnChange = [&](RuntimeObject* changed) {
      if (which == "close the window") {
        RuntimeCloseWindow(window);
      } else {
        ControlClose(changed);
        RuntimeUnlockObject(changed);  // the variable set to nil
      }
    };
    listSelectionSetter(list, 0, 3);
    EXPECT_GE(gChanges, 1);
    gOnChange = nullptr;
    gChanges = 0;
    if (which == "close the window") {
      RuntimeUnlockObject(list);
      ASSERT_TRUE(gui.PumpUntil([&] { return AsWindow(window)->mImp == nullptr; }));
      ASSERT_TRUE(gui.WaitUntilClosed(xid));
      gui.Settle();
      EXPECT_EQ(LiveObjectCount(), before);
      window = kit.OpenAndFocus(gui, "List boxes", {}, &xid);
    } else {
      gui.Settle();
      EXPECT_EQ(LiveObjectCount(), before);
    }
  }
}

}  // namespace
