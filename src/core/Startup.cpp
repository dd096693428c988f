#include "core/Startup.h"

#include <algorithm>
#include <vector>

#include "core/RuntimeError.h"

// Weak, so that a program with no step at all still links.
extern "C" {
extern const StartupStep __start_qv_startup[] __attribute__((weak));
extern const StartupStep __stop_qv_startup[] __attribute__((weak));
}

const StartupStep* StartupStepsBegin() { return __start_qv_startup; }
const StartupStep* StartupStepsEnd() { return __stop_qv_startup; }

void RunStartupSteps(StartupOrder first, StartupOrder end) {
  std::vector<StartupStep> steps;
  for (const StartupStep* step = StartupStepsBegin(); step != StartupStepsEnd(); ++step) {
    if (step->order >= first && step->order < end) steps.push_back(*step);
  }
  std::sort(steps.begin(), steps.end(),
            [](const StartupStep& a, const StartupStep& b) { return a.order < b.order; });
  for (size_t i = 0; i < steps.size(); ++i) {
    const bool shared = (i > 0 && steps[i - 1].order == steps[i].order) ||
                        (i + 1 < steps.size() && steps[i + 1].order == steps[i].order);
    if (!QV_CHECK_TEXT(!shared, "one start-up step per order", nullptr)) continue;
    if (steps[i].function) steps[i].function();
  }
}
