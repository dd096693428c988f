#include "listbox/ListColumn.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/Startup.h"
#include "listbox/ColumnWidthExpression.h"
#include "listbox/ListboxClass.h"

namespace {

using namespace lang;

enum ColumnValue : uint32_t { kWidth = 0, kMinimum = 1, kMaximum = 2 };

const PropertyRow kListColumnProperties[] = {
    QV_PROPERTY("UserResizable", Boolean, listColUserResizableGetter,
                listColUserResizableSetter, kWidth),
    QV_PROPERTY("WidthExpression", String, listColWidthExpressionGetter,
                listColWidthExpressionSetter, kWidth),
    QV_PROPERTY("MinWidthExpression", String, listColWidthExpressionGetter,
                listColWidthExpressionSetter, kMinimum),
    QV_PROPERTY("MaxWidthExpression", String, listColWidthExpressionGetter,
                listColWidthExpressionSetter, kMaximum),
    QV_PROPERTY("WidthActual", Integer, listColWidthActualGetter, listColWidthActualSetter,
                kWidth),
    QV_PROPERTY("MinWidthActual", Integer, listColWidthActualGetter, listColWidthActualSetter,
                kMinimum),
    QV_PROPERTY("MaxWidthActual", Integer, listColWidthActualGetter, listColWidthActualSetter,
                kMaximum),
};

}  // namespace

QV_CLASS(ListColumnClassDefinition,
         .name = "ListColumn",
         .objectSize = sizeof(ListColumnObject),
         .properties = kListColumnProperties,
         .initializer = QV_CODE(RuntimeListColumnConstructor),
         .finalizer = QV_CODE(RuntimeListColumnDestructor))
QV_STARTUP_CLASS(kStartupListColumnClass, ListColumnClassDefinition)

// ---- column-width texts ----

bool SplitColumnWidths(const string& text, int32_t columns, std::vector<string>& items,
                       string* refused) {
  items.clear();
  const char* rest = text.CString();
  int32_t left = text.Length();
  for (int32_t i = 0; i < columns; ++i) {
    if (left <= 0) {
      items.push_back(string("1*"));
      continue;
    }
    int32_t n = 0;
    while (n < left && rest[n] != ',') ++n;
    string item = trim(string::FromBytes(rest, n, text.Encoding()));
    // An empty item counts as a missing one, so that the joined text splits back the same.
    if (item.IsEmpty()) item = string("1*");
    if (ClassifyColumnExpression(item) == kColumnError) {
      if (refused) *refused = item;
      return false;
    }
    items.push_back(item);
    // Past the comma; a text without one is used up.
    rest += n < left ? n + 1 : n;
    left = n < left ? left - n - 1 : 0;
  }
  return true;
}

string JoinColumnWidths(const std::vector<string>& items) {
  string joined;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) joined += ", ";
    joined += items[i];
  }
  return joined;
}

// ---- objects ----

extern "C" void RuntimeListColumnConstructor(RuntimeObject* column) {
  if (column) AsListColumn(column)->listbox = nullptr;
}
QV_EXPORT(RuntimeListColumnConstructor)

extern "C" void RuntimeListColumnDestructor(RuntimeObject* column) {
  if (!column) return;
  ListColumnObject* record = AsListColumn(column);
  for (stringStorage*& text : record->expressions) {
    stringStorage::RemoveReference(text);
    text = nullptr;
  }
  if (RuntimeObject* list = std::exchange(record->listbox, nullptr)) RuntimeUnlockObject(list);
}
QV_EXPORT(RuntimeListColumnDestructor)

namespace {

void HoldExpression(ListColumnObject* record, uint32_t which, const string& text) {
  stringStorage*& field = record->expressions[which];
  stringStorage* held = text.ExtractStringStorage();
  stringStorage::RemoveReference(field);
  field = held;
}

// The pane of a live object, else nil.
RuntimeListbox* LivePane(RuntimeObject* column) {
  return ListboxPaneOf(AsListColumn(column)->listbox);
}

// Getters of a live object reach one existing column.
bool LiveColumnReadable(RuntimeListbox* pane, int32_t column) {
  if (column >= 0 && column < pane->ColumnCount()) return true;
  RaiseOutOfBoundsException();
  return false;
}

// Setters reach one existing column, or every column with -1; calls set for each.
template <typename Set>
bool ForLiveColumns(RuntimeListbox* pane, int32_t column, Set set) {
  if (column < -1 || column >= pane->ColumnCount()) {
    RaiseOutOfBoundsException();
    return false;
  }
  const int32_t first = column < 0 ? 0 : column;
  const int32_t last = column < 0 ? pane->ColumnCount() - 1 : column;
  for (int32_t i = first; i <= last; ++i) set(i);
  return true;
}

string PaneExpression(RuntimeListbox* pane, int32_t i, uint32_t which) {
  if (which == kMinimum) return pane->GetMinWidthExpression(i);
  if (which == kMaximum) return pane->GetMaxWidthExpression(i);
  return pane->GetWidthExpression(i);
}

int32_t PaneActual(RuntimeListbox* pane, int32_t i, uint32_t which) {
  if (which == kMinimum) return pane->MinWidth(i);
  if (which == kMaximum) return pane->MaxWidth(i);
  return pane->ColumnWidth(i);
}

// A new width moves the column edges; the header follows when the list has one.
void WidthChanged(RuntimeObject* column, RuntimeListbox* pane) {
  if (AsListbox(AsListColumn(column)->listbox)->hasHeading) pane->RebuildHeaderIfShown();
  pane->ComputeColumnEdges();
  pane->InvalidateCell(-1, -1);
}

void TakeSnapshot(ListColumnObject* record, RuntimeListbox* pane, int32_t index) {
  if (index < 0) {
    record->userResizable = 0;
    HoldExpression(record, kWidth, string("0"));
    HoldExpression(record, kMinimum, string("0"));
    HoldExpression(record, kMaximum, string("-1"));
    record->actual[kWidth] = record->actual[kMinimum] = 0;
    record->actual[kMaximum] = -1;
    return;
  }
  record->userResizable = pane->IsColumnResizable(index);
  for (uint32_t which : {kWidth, kMinimum, kMaximum}) {
    HoldExpression(record, which, PaneExpression(pane, index, which));
    record->actual[which] = PaneActual(pane, index, which);
  }
}

}  // namespace

extern "C" RuntimeObject* listColumnGetter(RuntimeObject* list, int32_t index) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane) return nullptr;
  if (index < -1 || index >= pane->ColumnCount()) {
    RaiseOutOfBoundsException();
    return nullptr;
  }
  RuntimeObject* column = NewObjectFromDefinition(ListColumnClassDefinition());
  if (!column) return nullptr;
  ListColumnObject* record = AsListColumn(column);
  RuntimeLockObject(list);
  record->listbox = list;
  record->column = index;
  TakeSnapshot(record, pane, index);
  return column;
}
QV_EXPORT(listColumnGetter)

// Copies every held value of column into the list's column (or every column), in one go and
// without resolving or redrawing.
extern "C" void listColumnSetter(RuntimeObject* list, int32_t index, RuntimeObject* column) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane) return;
  if (index < -1 || index >= pane->ColumnCount()) {
    RaiseOutOfBoundsException();
    return;
  }
  if (!column) {
    RaiseNilObjectException();
    return;
  }
  const ListColumnObject* record = AsListColumn(column);
  ForLiveColumns(pane, index, [&](int32_t i) {
    pane->SetColumnResizable(i, record->userResizable != 0);
    pane->SetWidthExpression(i, string(record->expressions[kWidth]));
    pane->SetMinWidthExpression(i, string(record->expressions[kMinimum]));
    pane->SetMaxWidthExpression(i, string(record->expressions[kMaximum]));
    pane->SetColumnWidthByUser(i, record->actual[kWidth]);
    pane->SetMinWidth(i, record->actual[kMinimum]);
    pane->SetMaxWidth(i, record->actual[kMaximum]);
  });
}
QV_EXPORT(listColumnSetter)

extern "C" int32_t listColUserResizableGetter(RuntimeObject* column, uint32_t) {
  if (!column) return 0;
  ListColumnObject* record = AsListColumn(column);
  if (RuntimeListbox* pane = LivePane(column)) {
    return LiveColumnReadable(pane, record->column) && pane->IsColumnResizable(record->column);
  }
  return record->userResizable ? 1 : 0;
}
QV_EXPORT(listColUserResizableGetter)

extern "C" void listColUserResizableSetter(RuntimeObject* column, uint32_t, int32_t flag) {
  if (!column) return;
  ListColumnObject* record = AsListColumn(column);
  if (RuntimeListbox* pane = LivePane(column)) {
    if (!ForLiveColumns(pane, record->column,
                        [&](int32_t i) { pane->SetColumnResizable(i, flag != 0); })) {
      return;
    }
  }
  record->userResizable = flag != 0;
}
QV_EXPORT(listColUserResizableSetter)

extern "C" stringStorage* listColWidthExpressionGetter(RuntimeObject* column, uint32_t which) {
  if (!column || which > kMaximum) return nullptr;
  ListColumnObject* record = AsListColumn(column);
  if (RuntimeListbox* pane = LivePane(column)) {
    if (!LiveColumnReadable(pane, record->column)) return nullptr;
    return PaneExpression(pane, record->column, which).ExtractStringStorage();
  }
  stringStorage::AddReference(record->expressions[which]);
  return record->expressions[which];
}
QV_EXPORT(listColWidthExpressionGetter)

extern "C" void listColWidthExpressionSetter(RuntimeObject* column, uint32_t which,
                                             stringStorage* text) {
  if (!column || which > kMaximum) return;
  ListColumnObject* record = AsListColumn(column);
  const string expression(text);
  if (RuntimeListbox* pane = LivePane(column)) {
    const bool set = ForLiveColumns(pane, record->column, [&](int32_t i) {
      if (which == kMinimum) {
        pane->SetMinWidthExpression(i, expression);
      } else if (which == kMaximum) {
        pane->SetMaxWidthExpression(i, expression);
      } else {
        pane->SetWidthExpression(i, expression);
      }
    });
    if (!set) return;
    if (which == kWidth) WidthChanged(column, pane);
    // The held pixels follow, so that copying this column copies what was set.
    if (record->column >= 0) record->actual[which] = PaneActual(pane, record->column, which);
  }
  HoldExpression(record, which, expression);
}
QV_EXPORT(listColWidthExpressionSetter)

extern "C" int32_t listColWidthActualGetter(RuntimeObject* column, uint32_t which) {
  if (!column || which > kMaximum) return 0;
  ListColumnObject* record = AsListColumn(column);
  if (RuntimeListbox* pane = LivePane(column)) {
    return LiveColumnReadable(pane, record->column) ? PaneActual(pane, record->column, which) : 0;
  }
  return record->actual[which];
}
QV_EXPORT(listColWidthActualGetter)

extern "C" void listColWidthActualSetter(RuntimeObject* column, uint32_t which, int32_t value) {
  if (!column || which > kMaximum) return;
  ListColumnObject* record = AsListColumn(column);
  if (RuntimeListbox* pane = LivePane(column)) {
    const bool set = ForLiveColumns(pane, record->column, [&](int32_t i) {
      if (which == kMinimum) {
        pane->SetMinWidth(i, value);
      } else if (which == kMaximum) {
        pane->SetMaxWidth(i, value);
      } else {
        pane->SetColumnWidthByUser(i, value);
      }
    });
    if (!set) return;
    if (which == kWidth) WidthChanged(column, pane);
    if (record->column >= 0) {
      HoldExpression(record, which, PaneExpression(pane, record->column, which));
    }
  }
  record->actual[which] = value;
}
QV_EXPORT(listColWidthActualSetter)
