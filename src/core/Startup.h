// Start-up steps: work a layer must do at a fixed point of start-up, declared next to its code
// so that no lower folder has to name the layers above it:
//
//     void InstallDrawFocusHook() { SetOutOfMemoryHook(&ClearDrawFocus); }
//     QV_STARTUP(kStartupDrawFocusHook, InstallDrawFocusHook)
//
// Each declaration places one StartupStep in the "qv_startup" section; the linker gathers them
// into one table bounded by __start_qv_startup and __stop_qv_startup (the framework is linked
// from object files, so none is dropped). The steps run sorted by their order, whose constants
// are the one ordered list of StartupOrder.h; no two steps share an order.
#pragma once

#include <cstdint>

#include "core/Export.h"
#include "core/StartupOrder.h"

struct StartupStep {
  uint32_t order;  // a StartupOrder constant
  void (*function)();
};

#define QV_STARTUP(order, function)                                                       \
  [[gnu::used, gnu::section("qv_startup"), gnu::aligned(4)]] static const StartupStep     \
  QV_EXPORT_PASTE(qvStartupStep_, __COUNTER__) = {order, function};

// Registers the class definition that getter builds, at order.
#define QV_STARTUP_CLASS(order, getter) \
  QV_STARTUP(order, +[] { RegisterClassDefinition(getter()); })

// The section's steps as the linker laid them out (in link order, not yet sorted).
const StartupStep* StartupStepsBegin();
const StartupStep* StartupStepsEnd();

// Runs, in order, every step whose order lies in [first, end). Steps that share an order are
// failed checks, each reported and none run, since their order is unknown.
void RunStartupSteps(StartupOrder first, StartupOrder end);
