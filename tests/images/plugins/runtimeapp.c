/* The application that carries the runtime plug-in (tests/plugins/runtime): after start-up it
 * calls the plug-in's RuntimeChecks, which says what it saw, and then says how many live
 * objects the checks left behind. The plug-in's library says when it is closed, at exit. */
#include "qvapp.h"

int dprintf(int fd, const char* format, ...);
QV_SHARED_FUNCTION(dprintf, "libc.so.6");

void* RuntimeLookupPluginEntrypoint(QVString name);

typedef int32_t (*Checks)(void);

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  Checks checks = (Checks)RuntimeLookupPluginEntrypoint(QV_STR("RuntimeChecks() As Integer"));
  if (checks) {
    dprintf(1, "objects left %d\n", (int)checks());
  } else {
    dprintf(1, "no checks\n");
  }
  dprintf(1, "done\n");
}
