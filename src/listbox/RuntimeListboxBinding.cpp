// The pane's side of data binding: rows a bound provider owns (counted by the engine, read
// through the tuple interface, never stored), the selection receivers the pane tells of every
// selection change, the focus receivers of the owner, and the unbinding that Close does.
#include <utility>

#include "core/RaiseException.h"
#include "core/RuntimeClass.h"
#include "core/RuntimeObject.h"
#include "listbox/ListboxClass.h"
#include "listbox/ReceiverSnapshot.h"
#include "listbox/RuntimeListbox.h"
#include "listbox/RuntimeListboxBoundRow.h"
#include "strings/EndOfLine.h"

namespace {

constexpr uint8_t kTab = 9;

}  // namespace

bool RuntimeListbox::IsListboxRecord(const RuntimeObject* owner) {
  if (!owner) return false;
  for (const RuntimeClass* cls = owner->classPtr; cls; cls = cls->parentClass) {
    const string name(cls->className);
    if (name.Compare(string("Listbox")) == 0 || name.Compare(string("OldListbox")) == 0) {
      return true;
    }
  }
  return false;
}

RuntimeObject* RuntimeListbox::BoundData() const {
  RuntimeObject* owner = ListOwner();
  return owner ? AsListbox(owner)->boundList : nullptr;
}

// ---- rows ----

bool RuntimeListbox::InsertBoundRows(int32_t row, int32_t count) {
  if (mClosed || count <= 0) return !mClosed;
  ++mRowsGeneration;
  RowsInserted(row, count);
  UpdateScrollBars();
  InvalidateRowsFrom(row);
  return true;
}

bool RuntimeListbox::RemoveBoundRows(int32_t row, int32_t count) {
  if (mClosed || count <= 0) return !mClosed;
  ++mRowsGeneration;
  if (!CallOut([&] { RowsRemoved(row, count); }) || mClosed) return false;
  UpdateScrollBars();
  InvalidateRowsFrom(row);
  return true;
}

// Text of one bound row: column -1 joins every field with Tab; a column at or past the
// provider's FieldCount raises OutOfBoundsException, unless the provider gave no row at all.
void RuntimeListbox::AppendBoundRowText(int32_t row, int32_t column, string& result) {
  RuntimeObject* data = BoundData();
  CallOut([&] {
    BoundRow fields(data, row);
    if (mClosed) return;
    if (column == -1) {
      const char tab[2] = {char(kTab), 0};
      for (int32_t i = 0; i < fields.FieldCount(); ++i) {
        if (i > 0) result += tab;
        result += fields.Field(i);
      }
    } else if (column < fields.FieldCount()) {
      result += fields.Field(column);
    } else if (fields.Real()) {
      RaiseOutOfBoundsException();
    }
  });
}

bool RuntimeListbox::CellReadable(int32_t row, int32_t column) {
  if (mClosed || row < 0 || row >= RowCount() || column < -1 || column > kMaxCellColumn) {
    return false;
  }
  if (!Bound() || column == -1) return true;
  bool readable = false;
  RuntimeObject* data = BoundData();
  CallOut([&] {
    BoundRow fields(data, row);
    readable = !mClosed && column < fields.FieldCount();
  });
  return readable;
}

// ---- receivers ----

void RuntimeListbox::AddSelectionReceiver(RuntimeObject* receiver) {
  if (!receiver || mClosed) return;
  RuntimeLockObject(receiver);
  mSelectionReceivers.Append(receiver);
}

void RuntimeListbox::RemoveSelectionReceiver(RuntimeObject* receiver) {
  for (uint32_t i = 0; i < mSelectionReceivers.size(); ++i) {
    if (mSelectionReceivers.data()[i] != receiver) continue;
    mSelectionReceivers.RemoveAt(int32_t(i));
    RuntimeUnlockObject(receiver);
    return;
  }
}

void RuntimeListbox::TellSelectionReceivers(const char* method) {
  if (mClosed || mSelectionReceivers.size() == 0) return;
  ReceiverSnapshot snapshot(mSelectionReceivers.data(), mSelectionReceivers.size());
  CallOut([&] {
    snapshot.Tell(
        ListSelectionNotificationReceiverInterfaceDefinition(), method,
        [&](RuntimeObject* receiver) {
          for (uint32_t i = 0; i < mSelectionReceivers.size(); ++i) {
            if (mSelectionReceivers.data()[i] == receiver) return true;
          }
          return false;
        },
        [&] { return mClosed; });
  });
}

void RuntimeListbox::TellFocusReceivers(bool gained) {
  if (mClosed || !ListOwner()) return;
  ListboxObject* record = AsListbox(ListOwner());
  ReceiverNode** list = gained ? &record->focusGainedReceivers : &record->focusLostReceivers;
  if (!*list) return;
  ReceiverSnapshot snapshot(*list);
  CallOut([&] {
    snapshot.Tell(
        ActionNotificationReceiverInterfaceDefinition(), "PerformAction",
        [&](RuntimeObject* receiver) { return ReceiverListHas(*list, receiver); },
        [&] { return mClosed; });
  });
}

// Unbinds as BindList does (the provider forgets this list and is released), empties the
// focus lists, and releases the selection receivers after emptying their array: a receiver
// whose last reference goes here may call back to remove itself and must find nothing.
void RuntimeListbox::ReleaseBindings() {
  SimpleVector<RuntimeObject*> receivers;
  for (uint32_t i = 0; i < mSelectionReceivers.size(); ++i) {
    receivers.Append(mSelectionReceivers.data()[i]);
  }
  mSelectionReceivers.Clear();
  if (RuntimeObject* owner = ListOwner()) {
    ListboxObject* record = AsListbox(owner);
    ReceiverListClear(&record->focusGainedReceivers);
    ReceiverListClear(&record->focusLostReceivers);
    if (RuntimeObject* data = std::exchange(record->boundList, nullptr)) {
      CallInterfaceMethod<void>(data, ListDataNotifierInterfaceDefinition(),
                                "removeListDataNotificationReceiver", owner);
      RuntimeUnlockObject(data);
    }
  }
  for (uint32_t i = 0; i < receivers.size(); ++i) RuntimeUnlockObject(receivers.data()[i]);
}
