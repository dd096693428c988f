// The background tasks plug-ins register for themselves: each calls its procedure with its
// client data every period, until the plug-in unregisters it by the id it was given.
#pragma once

#include <cstdint>

#include "app/BackgroundTask.h"

using PluginTaskProcedure = void (*)(void* data);

class PluginTask : public BackgroundTask {
 public:
  PluginTask(PluginTaskProcedure procedure, int32_t period, void* data)
      : BackgroundTask(period), mProcedure(procedure), mData(data) {}
  void Run() override;

 private:
  PluginTaskProcedure mProcedure;
  void* mData;
};

extern "C" {
// A new task filed under the next id (the first is 1); the id.
int32_t PluginRegisterBackgroundTask(PluginTaskProcedure procedure, int32_t period, void* data);
// Deletes the task filed under id and takes the id out, so a second call with it does nothing.
void PluginUnregisterBackgroundTask(int32_t id);
}
