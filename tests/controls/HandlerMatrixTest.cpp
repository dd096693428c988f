// Handlers that close their window, close their control, drop the program's last reference to
// it or quit (and close the database a control shows), for every event of every control class,
// each raised by the input that raises it (HandlerMatrix.h). One process for each class; the
// sanitizer build runs them too.
#include <gtest/gtest.h>

#include <memory>

#include "HandlerMatrix.h"
#include "controls/Canvas.h"
#include "controls/ControlAccessors.h"
#include "controls/DataControl.h"
#include "controls/EditField.h"
#include "controls/LineControl.h"
#include "controls/PagePanel.h"
#include "controls/PopupMenuControl.h"
#include "controls/PopupMenuGTK.h"
#include "controls/RadioButton.h"
#include "core/FieldAccessors.h"
#include "controls/ScrollBar.h"
#include "controls/StaticText.h"
#include "controls/TabPanel.h"
#include "database/DataBinding.h"
#include "database/DatabaseClasses.h"
#include "database/SQLStatements.h"
#include "listbox/ListboxClass.h"
#include "listbox/RuntimeListbox.h"
#include "support/TempFolder.h"
#include "support/TestDatabase.h"
#include "windows/PaneFocus.h"
#include "windows/WindowControls.h"

namespace {

using qvtest::ScreenPoint;
using qvtest::Stage;
using qvtest::Subject;
using qvtest::Trigger;

// ---- triggers that more than one class uses ----

// Programmatic focus where a click does not give it (canvases, ranges, popups).
void FocusByProgram(Stage& s) {
  SetFocusPane(AsControl(s.other)->pane);
  s.FocusSubject();
}

Trigger TypeInto(const std::string& text) {
  return [text](Stage& s) {
    s.FocusSubject();
    s.gui.Type(text);
  };
}

Trigger ClickAt(int x, int y) {
  return [x, y](Stage& s) {
    const ScreenPoint p = s.At(x, y);
    s.gui.Click(p.x, p.y);
  };
}

// A radio button takes the focus only while it is the selected one of its group.
Trigger SelectedFirst(const Trigger& then) {
  return [then](Stage& s) {
    radioValueSetter(s.subject, 0, 1);
    if (!s.Fired()) then(s);
  };
}

// ---- popup menus, combo boxes and ranges: what GTK keeps to itself ----

constexpr const char* kTabPanesRaiseNoMouse = "the tab panel's pane leaves the press to GTK";
constexpr const char* kComboTakesTheWheel = "GTK's combo box turns the wheel into a row change";

// The pointer's motion over a range goes to the range alone: the window sees no crossing.
std::map<std::string, std::string> RangeMotion(std::map<std::string, std::string> more) {
  for (const char* event : {"MouseEnter", "MouseMove", "MouseExit"}) {
    more[event] = "GTK's range keeps the pointer's motion to itself";
  }
  return more;
}


void SetPopupRows(RuntimeObject* popup) {
  AsPopupMenu(popup)->storedListIndex = -1;
  stringSetter(popup, offsetof(PopupMenuObject, initialValue),
               string("Apple\rPear\rPlum").Storage());
}

void ChooseSecondRow(Stage& s) {
  s.gui.Click(PopupPaneOf(s.subject)->GetWidget());
  if (const qvtest::XWindow menu = s.gui.WaitForOpenMenu()) s.gui.ClickMenuRow(menu, 1);
}

// ---- list boxes ----

RuntimeListbox* List(Stage& s) { return ListboxPaneOf(s.subject); }

ScreenPoint RowPoint(Stage& s, int32_t row, int32_t x) {
  RuntimeListbox* list = List(s);
  const QV::Rect rows = list->GetListRect();
  const int32_t h = list->RowHeight(0);
  return {s.origin.x + rows.left + x, s.origin.y + rows.top + h * row + h / 2};
}

Trigger ClickRow(int32_t row, int32_t x, int count = 1) {
  return [row, x, count](Stage& s) {
    const ScreenPoint p = RowPoint(s, row, x);
    s.gui.Click(p.x, p.y, 1, count);
  };
}

void ClickHeader(Stage& s) {
  const QV::Rect rows = List(s)->GetListRect();
  const ScreenPoint p{s.origin.x + rows.left + 20, s.origin.y + rows.top - 8};
  s.gui.Click(p.x, p.y);
}

Trigger DragRow(int32_t row, int32_t rows) {
  return [row, rows](Stage& s) {
    const ScreenPoint from = RowPoint(s, row, 20);
    s.DragFromSubject(from, {from.x + 4, from.y + rows * List(s)->RowHeight(0)});
  };
}

Trigger EditCell(const std::function<void(Stage&)> then) {
  return [then](Stage& s) {
    listEditCell(s.subject, 0, 0);
    s.gui.PumpUntil([&] {
      RuntimeListbox* list = s.Fired() ? nullptr : List(s);
      return !list || (list->IsEditing() && GetFocusPane() == list->EditField());
    }, 2000);
    if (then && !s.Fired()) then(s);
  };
}

void FillList(RuntimeObject* list) {
  RuntimeListAddParent(list, string("folder").Storage());
  for (const char* row : {"b", "a", "c"}) RuntimeListAddRow(list, string(row).Storage());
  listColumnTypeSetter(list, 1, kTypeCheckbox);
  listSetExpanded(list, 0, 0);
}

Subject ListSubject(const char* className) {
  return {
      .className = className,
      .bounds = {20, 20, 140, 200},
      .setup =
          [](RuntimeObject* list) {
            listColumnCountSetter(list, 0, 2);
            listHasHeadingSetter(list, 0, 1);
            listHierarchicalSetter(list, 0, 1);
            listEnableDragSetter(list, 0, 1);
          },
      .fill = FillList,
      .triggers =
          {{"Change", ClickRow(2, 40)},
           {"CellClick", ClickRow(2, 40)},
           {"CellAction",
            [](Stage& s) {
              const int32_t left = List(s)->ColumnLeft(1) - List(s)->GetListRect().left;
              ClickRow(2, left + 4 + 6)(s);
            }},
           {"DoubleClick", ClickRow(2, 40, 2)},
           {"GotFocus", ClickRow(2, 40)},
           {"ExpandRow", [](Stage& s) { listSetExpanded(s.subject, 0, 1); }},
           {"CollapseRow",
            [](Stage& s) {
              listSetExpanded(s.subject, 0, 1);
              listSetExpanded(s.subject, 0, 0);
            }},
           {"HeaderPressed", ClickHeader},
           {"SortColumn", ClickHeader},
           {"CompareRows", ClickHeader},
           {"DragRow", DragRow(3, -2)},
           {"DragReorderRows",
            [](Stage& s) {
              listEnableDragSetter(s.subject, 0, 0);
              ListEnableDragReorderSetter(s.subject, 0, 1);
              DragRow(3, -2)(s);
            }},
           {"CellBackgroundPaint", [](Stage& s) { List(s)->InvalidateCell(-1, -1); }},
           {"CellTextPaint", [](Stage& s) { List(s)->InvalidateCell(-1, -1); }},
           {"CellGotFocus", EditCell(nullptr)},
           {"CellTextChange", EditCell([](Stage& s) { s.gui.Type("x"); })},
           {"CellKeyDown", EditCell([](Stage& s) { s.gui.Type("x"); })},
           {"CellLostFocus", EditCell([](Stage& s) { s.gui.Key("Return"); })}},
      .answers = {{"DragRow", 1}},
  };
}

// ---- the database a navigator shows ----

std::unique_ptr<qvtest::TempFolder> gFolder;
RuntimeObject* gDatabase = nullptr;
int gDatabases = 0;

void OpenPeople() {
  InstallSQLFrontEnd();
  InstallDataControlBinders();
  if (!gFolder) gFolder = std::make_unique<qvtest::TempFolder>("matrix");
  const std::string insert = "INSERT INTO people (id, name) VALUES ";
  gDatabase = qvtest::NewBuiltInDatabase(
      *gFolder / ("people" + std::to_string(++gDatabases) + ".qdb"),
      {"CREATE TABLE people (id INTEGER, name VARCHAR(20))", insert + "(1, 'Ann')",
       insert + "(2, 'Bob')", insert + "(3, 'Cid')"});
}

void ClosePeople() { qvtest::CloseDatabase(gDatabase); }

Trigger ClickNavigator(int button) {
  return [button](Stage& s) {
    const QV::Rect& b = AsControl(s.subject)->bounds;
    const int32_t width = b.right - b.left;
    const int32_t size = DataControlButtonSize(width, b.bottom - b.top);
    const int32_t offsets[] = {0, size, width - 2 * size, width - size};
    if (button == 1 || button == 2) DataControlMoveLast(s.subject);  // somewhere to go back from
    const ScreenPoint p = s.At(offsets[button - 1] + size / 2, (b.bottom - b.top) / 2);
    s.gui.Click(p.x, p.y);
  };
}

// A field bound to the name column, typed into: the next Update has an edit to write.
void EditBoundName(Stage& s) {
  static RuntimeClass* field = qvtest::Subclass("EditField", "MatrixBoundField");
  RuntimeObject* name = qvtest::AddControl(s.window, field, "Name", {100, 200, 125, 290});
  if (!name) return;
  EditDataFieldSetter(name, 0, string("name").Storage());
  EditDataSourceSetter(name, 0, string("Subject").Storage());
  DataControlReloadBoundControls(s.subject);
  editTextSetter(name, 0, string("Zed").Storage());
}

Subject NavigatorSubject() {
  return {
      .className = "DataControl",
      .bounds = {20, 20, 40, 170},
      .setup =
          [](RuntimeObject* navigator) {
            DataControlDBSetter(navigator, 0, gDatabase);
            DataControlTableNameSetter(navigator, 0, string("people").Storage());
            DataControlQuerySetter(navigator, 0, string("SELECT * FROM people").Storage());
          },
      .triggers = {{"MoveFirst", ClickNavigator(1)},
                   {"MovePrevious", ClickNavigator(2)},
                   {"MoveNext", ClickNavigator(3)},
                   {"MoveLast", ClickNavigator(4)},
                   {"Reposition", ClickNavigator(3)},
                   {"Validate", [](Stage& s) { DataControlAddNewRecord(s.subject); }},
                   {"Insert", [](Stage& s) { DataControlAddNewRecord(s.subject); }},
                   {"Delete", [](Stage& s) { DataControlDeleteRecord(s.subject); }},
                   {"Update",
                    [](Stage& s) {
                      EditBoundName(s);
                      DataControlUpdateRecord(s.subject);
                    }}},
      .prepare = OpenPeople,
      .finish = ClosePeople,
      .closeDatabase = [] { databaseClose(gDatabase); },
  };
}

// ---- the table ----

const std::vector<Subject>& Subjects() {
  static const std::vector<Subject> subjects = {
      {.className = "PushButton"},
      {.className = "CheckBox"},
      {.className = "RadioButton",
       .triggers = {{"GotFocus", SelectedFirst(FocusByProgram)},
                    {"LostFocus", SelectedFirst(qvtest::CommonTrigger("LostFocus"))}}},
      {.className = "PopupMenu",
       .setup = SetPopupRows,
       .triggers = {{"Change", ChooseSecondRow}, {"GotFocus", FocusByProgram}},
       .notRaised = {{"MouseWheel", kComboTakesTheWheel}}},
      {.className = "ComboBox",
       .bounds = {40, 40, 66, 180},
       .setup = SetPopupRows,
       .triggers = {{"Change", TypeInto("Pear")},
                    {"TextChanged", TypeInto("a")},
                    {"GotFocus", FocusByProgram}},
       .notRaised = {{"MouseWheel", kComboTakesTheWheel}}},
      {.className = "Canvas",
       .setup = [](RuntimeObject* canvas) { AsCanvas(canvas)->acceptFocus = 1; },
       .triggers = {{"GotFocus", FocusByProgram}}},
      {.className = "EditField",
       .setup =
           [](RuntimeObject* field) {
             AsEditField(field)->text = string("hello").ExtractStringStorage();
             AsEditField(field)->border = 1;
           },
       .triggers = {{"TextChange", TypeInto("a")},
                    {"SelChange",
                     [](Stage& s) {
                       s.FocusSubject();
                       s.gui.Key("Home");
                       s.gui.Key("Right");
                     }},
                    {"ValidationError",
                     [](Stage& s) {
                       EditMaskSetter(s.subject, 0, string("#").Storage());
                       TypeInto("x")(s);
                     }}}},
      {.className = "StaticText",
       .setup =
           [](RuntimeObject* label) {
             AsStaticText(label)->text = string("&Phone").ExtractStringStorage();
           },
       .triggers = {{"AcceleratorKey", [](Stage& s) { s.gui.Key("alt+p"); }}}},
      {.className = "GroupBox"},
      {.className = "Line",
       .setup =
           [](RuntimeObject* line) {
             LineObject* ends = reinterpret_cast<LineObject*>(line);
             ends->x1 = 40;
             ends->x2 = 180;
             ends->y1 = ends->y2 = 60;
             ends->borderWidth = 6;
           }},
      {.className = "Oval"},
      {.className = "Rectangle"},
      {.className = "RoundRectangle"},
      {.className = "ProgressBar"},
      {.className = "ScrollBar",
       .bounds = {40, 40, 56, 220},
       .setup =
           [](RuntimeObject* bar) {
             AsScrollBar(bar)->maximum = 100;
             AsScrollBar(bar)->pageStep = 10;
             AsScrollBar(bar)->acceptFocus = 1;
           },
       .triggers = {{"ValueChanged", ClickAt(160, 8)}},
       .notRaised = RangeMotion({{"GotFocus", "a GTK scroll bar takes no focus"},
                                 {"LostFocus", "a GTK scroll bar takes no focus"}})},
      {.className = "Slider",
       .bounds = {40, 40, 64, 220},
       .setup =
           [](RuntimeObject* bar) {
             AsScrollBar(bar)->maximum = 100;
             AsScrollBar(bar)->pageStep = 10;
           },
       .triggers = {{"ValueChanged", ClickAt(160, 12)}, {"GotFocus", FocusByProgram}},
       .notRaised = RangeMotion({})},
      {.className = "PagePanel",
       .bounds = {20, 20, 140, 200},
       .setup = [](RuntimeObject* panel) { AsPagePanel(panel)->panelCount = 2; },
       .triggers = {{"Change", [](Stage& s) { PagePanelValueSetter(s.subject, 0, 1); }}}},
      {.className = "TabPanel",
       .bounds = {20, 20, 140, 200},
       .setup =
           [](RuntimeObject* panel) {
             AsTabPanel(panel)->tabDefinition = string("One\rTwo").ExtractStringStorage();
           },
       .triggers = {{"Change",
                     [](Stage& s) {
                       GtkNotebook* tabs = GTK_NOTEBOOK(AsControl(s.subject)->pane->GetWidget());
                       s.gui.Click(gtk_notebook_get_tab_label(
                           tabs, gtk_notebook_get_nth_page(tabs, 1)));
                     }},
                    {"GotFocus", FocusByProgram}},
       .notRaised = {{"MouseDown", kTabPanesRaiseNoMouse},
                     {"MouseDrag", kTabPanesRaiseNoMouse},
                     {"MouseUp", kTabPanesRaiseNoMouse}}},
      ListSubject("Listbox"),
      NavigatorSubject(),
  };
  return subjects;
}

class HandlerMatrixTest : public testing::TestWithParam<size_t> {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  qvtest::GuiDriver gui;
};

TEST_P(HandlerMatrixTest, EveryEventWithEveryClosingHandler) {
  qvtest::HandlerMatrix matrix(gui);
  matrix.RunEveryEvent(Subjects()[GetParam()]);
  RecordProperty("runs", matrix.runs());
}

INSTANTIATE_TEST_SUITE_P(Classes, HandlerMatrixTest, testing::Range(size_t{0}, Subjects().size()),
                         [](const testing::TestParamInfo<size_t>& info) {
                           return std::string(Subjects()[info.param].className);
                         });

}  // namespace
