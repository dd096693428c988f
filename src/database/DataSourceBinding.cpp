#include "database/DataSourceBinding.h"

#include <utility>

namespace {

DataSourceBinder gBinder;

}  // namespace

DataSourceBinder SetDataSourceBinder(const DataSourceBinder& binder) {
  return std::exchange(gBinder, binder);
}

RuntimeObject* BindToDataSource(RuntimeObject* control, stringStorage* name, int32_t kind) {
  return gBinder.bind ? gBinder.bind(control, name, kind) : nullptr;
}

void UnbindFromDataSource(RuntimeObject* dataControl, RuntimeObject* control, int32_t kind) {
  if (gBinder.unbind && dataControl) gBinder.unbind(dataControl, control, kind);
}
