#include "net/SocketPollingTask.h"

#include <glib.h>

#include "net/SocketPolling.h"

namespace {

guint gTimer = 0;

gboolean OnTimer(gpointer) {
  RunSocketPollingTask();
  return G_SOURCE_CONTINUE;
}

}  // namespace

void ArmSocketPollingTask() {
  if (gTimer) return;
  gTimer = g_timeout_add(guint(kSocketPollingPeriod * 1000 / 60), OnTimer, nullptr);
}

void StopSocketPollingTask() {
  if (!gTimer) return;
  g_source_remove(gTimer);
  gTimer = 0;
}

bool SocketPollingTaskArmed() { return gTimer != 0; }

void RunSocketPollingTask() { SocketsPoll(false); }
