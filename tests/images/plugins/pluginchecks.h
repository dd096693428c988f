/* The application that carries a checking plug-in: after start-up it calls the plug-in's
 * global method of the given declaration, which says what it saw, and then says how many live
 * objects the checks left behind ("no checks" when the plug-in has no such method). */
#include "qvapp.h"

int dprintf(int fd, const char* format, ...);
QV_SHARED_FUNCTION(dprintf, "libc.so.6");

void* RuntimeLookupPluginEntrypoint(QVString name);

typedef int32_t (*Checks)(void);

#define QV_PLUGIN_CHECKS_ENTRY(declaration)                                    \
  QV_ENTRY {                                                                   \
    RuntimeInit();                                                             \
    RuntimeInitExternalClasses();                                              \
    Checks checks = (Checks)RuntimeLookupPluginEntrypoint(QV_STR(declaration)); \
    if (checks) {                                                              \
      dprintf(1, "objects left %d\n", (int)checks());                          \
    } else {                                                                   \
      dprintf(1, "no checks\n");                                               \
    }                                                                          \
    dprintf(1, "done\n");                                                      \
  }
