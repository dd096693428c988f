// How a data-aware control reaches the DataControl that its DataSource names. The DataControl
// class installs the routine that finds that control in the data-aware control's window, adds
// the binding (which holds the data-aware control) and reloads the bound controls; until it is
// installed nothing binds, and a data-aware control keeps working unbound.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// The kinds a binding carries, by the class of the bound control.
enum DataBindingKind : int32_t {
  kBindingEditField = 0,
  kBindingStaticText = 1,
  kBindingListbox = 2,
  kBindingPopupMenu = 3,
  kBindingCheckBox = 4,
};

struct DataSourceBinder {
  // The data control named name (letter case ignored) in control's window, now bound to
  // control as kind; nil when there is none.
  RuntimeObject* (*bind)(RuntimeObject* control, stringStorage* name, int32_t kind) = nullptr;
  // Takes control's binding of kind off dataControl, which lets go of control.
  void (*unbind)(RuntimeObject* dataControl, RuntimeObject* control, int32_t kind) = nullptr;
};

// Installs binder; answers the one installed before.
DataSourceBinder SetDataSourceBinder(const DataSourceBinder& binder);

// The installed routines; nil, and nothing done, while none is installed.
RuntimeObject* BindToDataSource(RuntimeObject* control, stringStorage* name, int32_t kind);
void UnbindFromDataSource(RuntimeObject* dataControl, RuntimeObject* control, int32_t kind);
