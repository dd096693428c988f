// The list box as a data-binding consumer and source. BindList fills it from a list data
// provider, whose later changes arrive through the three list-data notifications; getBoundPart
// hands out the bound parts (focus actions, a selection provider, column value providers) that
// binders connect to.
//
// Promises:
// - A bound list has no row records; the engine counts its rows. Emptying it goes through the
//   rows-removed notification, so a second BindList or a reload counts from 0.
// - BindList locks the new provider before it unbinds the old one, and it and the reload hold
//   the list and its pane across every provider method, stopping when a handler closed them.
// - A notification checks its row (insert 0..ListCount, remove 0..ListCount-1): another raises
//   OutOfBoundsException and changes nothing. An unbound list or one without a pane ignores it.
#include <utility>

#include "core/Export.h"
#include "core/RaiseException.h"
#include "listbox/ListboxBoundParts.h"
#include "listbox/ListboxClass.h"

namespace {

// The provider's GetCount; a missing method and a count below 0 count as 0.
int32_t ProviderCount(RuntimeObject* data) {
  const int32_t count =
      CallInterfaceMethod<int32_t>(data, ListDataProviderInterfaceDefinition(), "GetCount");
  return count < 0 ? 0 : count;
}

void TellProvider(RuntimeObject* data, const char* method, RuntimeObject* list) {
  CallInterfaceMethod<void>(data, ListDataNotifierInterfaceDefinition(), method, list);
}

// The list's rows made again from the provider's count; false when a handler closed the list.
bool FillFromProvider(RuntimeObject* list, RuntimeListbox* pane, RuntimeObject* data) {
  const int32_t count = ProviderCount(data);
  if (!ListStillOpen(list, pane)) return false;
  return pane->InsertBoundRows(0, count);
}

// The column number after "columnValueProvider_": leading blanks and a sign accepted, the
// digits read in 64 bits and clamped, so a huge number lies outside every column.
int32_t ColumnNumber(const unsigned char* text, int32_t length) {
  int32_t i = 0;
  while (i < length && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < length && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < length && text[i] >= '0' && text[i] <= '9' && value <= INT32_MAX; ++i) {
    value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  return int32_t(value < INT32_MIN ? INT32_MIN : value > INT32_MAX ? INT32_MAX : value);
}

}  // namespace

extern "C" void listBind(RuntimeObject* list, RuntimeObject* data) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  // Without a pane there are no rows to replace and no count to keep.
  if (!pane) return;
  // Held first: the provider bound again must outlive its own unbinding.
  if (data) RuntimeLockObject(data);
  bool stored = false;
  WithListHeld(list, pane, [&] {
    ListboxObject* record = AsListbox(list);
    // A bound list's rows are the engine's count alone, taken through rows-removed.
    if (pane->Bound()) {
      pane->RemoveBoundRows(0, pane->RowCount());
    } else {
      pane->DeleteAllRows();
    }
    if (!ListStillOpen(list, pane)) return;
    if (RuntimeObject* old = std::exchange(record->boundList, nullptr)) {
      TellProvider(old, "removeListDataNotificationReceiver", list);
      RuntimeUnlockObject(old);
      if (!ListStillOpen(list, pane)) return;
    }
    record->boundList = data;
    stored = true;
    if (data) {
      TellProvider(data, "addListDataNotificationReceiver", list);
      if (!ListStillOpen(list, pane) || !FillFromProvider(list, pane, data)) return;
    }
    for (int32_t column = 0; column < pane->ColumnCount(); ++column) {
      listColumnSortDirectionSetter(list, column, 0);
    }
  });
  if (data && !stored) RuntimeUnlockObject(data);
}
QV_EXPORT(listBind)

extern "C" void listListDataInsertedRow(RuntimeObject* list, int32_t row) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !pane->Bound()) return;
  if (row < 0 || row > pane->RowCount()) {
    RaiseOutOfBoundsException();
    return;
  }
  pane->InsertBoundRows(row, 1);
}
QV_EXPORT(listListDataInsertedRow)

extern "C" void listListDataRemovedRow(RuntimeObject* list, int32_t row) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !pane->Bound()) return;
  if (row < 0 || row >= pane->RowCount()) {
    RaiseOutOfBoundsException();
    return;
  }
  WithListHeld(list, pane, [&] { pane->RemoveBoundRows(row, 1); });
}
QV_EXPORT(listListDataRemovedRow)

extern "C" void listListDataReload(RuntimeObject* list) {
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane || !pane->Bound()) return;
  WithListHeld(list, pane, [&] {
    if (!pane->RemoveBoundRows(0, pane->RowCount()) || !ListStillOpen(list, pane)) return;
    // A handler of the removal may have unbound the list.
    if (RuntimeObject* data = AsListbox(list)->boundList) {
      RuntimeLockObject(data);
      FillFromProvider(list, pane, data);
      RuntimeUnlockObject(data);
    }
  });
}
QV_EXPORT(listListDataReload)

extern "C" void listAddLSNR(RuntimeObject* list, RuntimeObject* receiver) {
  if (RuntimeListbox* pane = ListboxPaneOf(list)) pane->AddSelectionReceiver(receiver);
}
QV_EXPORT(listAddLSNR)

extern "C" void listRemoveLSNR(RuntimeObject* list, RuntimeObject* receiver) {
  if (RuntimeListbox* pane = ListboxPaneOf(list)) pane->RemoveSelectionReceiver(receiver);
}
QV_EXPORT(listRemoveLSNR)

extern "C" RuntimeObject* listGetBoundPart(RuntimeObject* list, stringStorage* name) {
  if (!list) return nullptr;
  const string part(name);
  if (part.Compare(string("gotFocusAction")) == 0) return NewListboxAction(list, 1);
  if (part.Compare(string("lostFocusAction")) == 0) return NewListboxAction(list, 0);
  if (part.Compare(string("getSelectionProvider")) == 0) return NewListSelectionProvider(list);
  constexpr int32_t kPrefixLength = 20;  // "columnValueProvider_"
  if (part.Length() >= kPrefixLength &&
      string::FromBytes(part.Bytes(), kPrefixLength, part.Encoding())
              .Compare(string("columnValueProvider_")) == 0) {
    const int32_t column =
        ColumnNumber(part.Bytes() + kPrefixLength, part.Length() - kPrefixLength);
    return NewListColumnValueProvider(list, column);
  }
  return nullptr;
}
QV_EXPORT(listGetBoundPart)
