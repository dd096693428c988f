#include "controls/CheckBoxPane.h"

#include <utility>

#include "database/DataSourceBinding.h"

// The data-field setter binds again without unbinding: without letting go first the box would
// be bound twice, and held by its data control after its window closed.
void CheckBox::Bind() {
  Unbind();
  if (mDataSource.Compare(string()) == 0 || !mOwnerObject) return;
  mBoundControl = BindToDataSource(mOwnerObject, mDataSource.Storage(), kBindingCheckBox);
}

void CheckBox::Unbind() {
  RuntimeObject* bound = std::exchange(mBoundControl, nullptr);
  if (bound) UnbindFromDataSource(bound, mOwnerObject, kBindingCheckBox);
}
