#include "app/PluginTasks.h"

#include "app/PluginRegistry.h"
#include "core/CompiledCall.h"
#include "core/Export.h"

namespace {
int32_t gLastTaskId = 0;
}

void PluginTask::Run() {
  if (!mProcedure) return;
  CompiledCall call;
  call.Invoke<void>(reinterpret_cast<const void*>(mProcedure), mData);
}

extern "C" int32_t PluginRegisterBackgroundTask(PluginTaskProcedure procedure, int32_t period,
                                                void* data) {
  const int32_t id = ++gLastTaskId;
  PluginTaskMap().AddEntry(id, new PluginTask(procedure, period, data));
  return id;
}
QV_EXPORT(PluginRegisterBackgroundTask)

extern "C" void PluginUnregisterBackgroundTask(int32_t id) {
  PluginTask* task = nullptr;
  if (!PluginTaskMap().GetEntry(id, &task)) return;
  PluginTaskMap().RemoveEntry(id);
  delete task;
}
QV_EXPORT(PluginUnregisterBackgroundTask)
