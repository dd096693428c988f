// The list box as a control bound to a DataControl by its DataSource: on each move the list
// selects the row whose text is the current record's DataField column, and the selected row's
// text is what the DataControl writes back.
#include <utility>

#include "controls/DataControl.h"
#include "core/Startup.h"
#include "database/DataSourceBinding.h"
#include "listbox/ListboxClass.h"
#include "listbox/RuntimeListbox.h"

// The DataField setter connects again without disconnecting, so Bind lets go first: the list
// would otherwise be bound twice and loaded, compared and written back twice per record.
void RuntimeListbox::Bind() {
  Unbind();
  if (mClosed || mDataSource.IsEmpty() || !mOwner) return;
  mBoundDataControl = BindToDataSource(mOwner, mDataSource.Storage(), kBindingListbox);
}

void RuntimeListbox::Unbind() {
  RuntimeObject* bound = std::exchange(mBoundDataControl, nullptr);
  if (bound) UnbindFromDataSource(bound, mOwner, kBindingListbox);
}

namespace {

const RowSelectingBinding kListboxBinding = {
    +[](RuntimeObject* list) { return AsListbox(list)->dataField; },
    +[](RuntimeObject* list) { return listCountGetter(list, 0); },
    +[](RuntimeObject* list, int32_t row) { return listGetCell(list, row, 0); },
    +[](RuntimeObject* list, int32_t row) { listSelectionSetter(list, 0, row); },
    +[](RuntimeObject* list) { return listTextGetter(list, 0); },
    +[](RuntimeObject* list) {
      if (RuntimeListbox* pane = ListboxPaneOf(list)) pane->Unbind();
    },
};

}  // namespace

QV_STARTUP(kStartupListboxDataSourceHook, +[] { SetListboxBinding(kListboxBinding); })
