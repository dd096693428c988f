#include "support/ToolkitWarnings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qvtest {

namespace {

// Reached only where no domain handler took the message: a ToolkitWarnings catches its own.
void FailOnToolkitMessage(const gchar* domain, GLogLevelFlags level, const gchar* message,
                          gpointer) {
  g_log_default_handler(domain, level, message, nullptr);
  if (!(level & (G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL)) || !domain) return;
  for (const char* toolkit : kToolkitLogDomains) {
    if (std::strcmp(domain, toolkit) != 0) continue;
    ADD_FAILURE() << "the toolkit complained: " << domain << ": " << (message ? message : "");
    return;
  }
}

}  // namespace

void FailOnToolkitWarnings() { g_log_set_default_handler(&FailOnToolkitMessage, nullptr); }

}  // namespace qvtest
