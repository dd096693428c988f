/* The windowed start-up application: makes its Application object with handlers of its own,
 * registers it and runs the main loop, saying on standard output what the framework raised.
 * QVTEST_MODE picks the variant:
 *   (unset)  every handler; AutoQuit ends the loop at once; CancelClose calls RuntimeRun again
 *   nodoc    as above without an OpenDocument handler
 *   wait     AutoQuit off: the loop waits until a signal ends the process; CancelClose vetoes
 *   movie    as the first, with the movie resource extracted to a temporary file first */
#include "qvapp.h"

char* getenv(const char* name);
int strcmp(const char* a, const char* b);
QV_SHARED_FUNCTION(getenv, "libc.so.6");
QV_SHARED_FUNCTION(strcmp, "libc.so.6");

QVClass* RuntimeLookupClass(QVString name);
void RuntimeInstallInstanceEventHandler(QVObject* object, QVString event, void* handler);
void AppAutoCloseSetter(QVObject* app, uint32_t parameter, int32_t value);
QVObject* AppFolderItemGetter(QVObject* app, uint32_t parameter);
QVObject* RuntimeGetMovieFromResource(uint32_t id);
QVString fileAbsolutePathGetter(QVObject* item, uint32_t parameter);

static int Mode(const char* name) {
  const char* mode = getenv("QVTEST_MODE");
  return mode && strcmp(mode, name) == 0;
}

/* Prints label, a blank and the item's absolute path. */
static void PrintItem(QVString label, QVObject* item) {
  QVString path = fileAbsolutePathGetter(item, 0);
  QVString spaced = RuntimeAddString(label, QV_STR(" "));
  QVString line = RuntimeAddString(spaced, path);
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
  RuntimeUnlockString(spaced);
  RuntimeUnlockString(path);
}

static void OnOpen(QVObject* app) {
  (void)app;
  RuntimeConsolePrint(QV_STR("Open"));
}

static void OnNewDocument(QVObject* app) {
  (void)app;
  RuntimeConsolePrint(QV_STR("NewDocument"));
}

static void OnOpenDocument(QVObject* app, QVObject* item) {
  (void)app;
  PrintItem(QV_STR("OpenDocument"), item);
}

static int32_t OnCancelClose(QVObject* app) {
  (void)app;
  RuntimeConsolePrint(QV_STR("CancelClose"));
  if (Mode("wait")) return 1;
  RuntimeRun();
  RuntimeConsolePrint(QV_STR("second RuntimeRun returned"));
  return 0;
}

static void OnClose(QVObject* app) {
  (void)app;
  RuntimeConsolePrint(QV_STR("Close"));
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  QVObject* app = RuntimeNewObject(RuntimeLookupClass(QV_STR("Application")));
  RuntimeInstallInstanceEventHandler(app, QV_STR("Open"), (void*)OnOpen);
  RuntimeInstallInstanceEventHandler(app, QV_STR("NewDocument"), (void*)OnNewDocument);
  if (!Mode("nodoc"))
    RuntimeInstallInstanceEventHandler(app, QV_STR("OpenDocument"), (void*)OnOpenDocument);
  RuntimeInstallInstanceEventHandler(app, QV_STR("CancelClose"), (void*)OnCancelClose);
  RuntimeInstallInstanceEventHandler(app, QV_STR("Close"), (void*)OnClose);
  if (Mode("wait")) AppAutoCloseSetter(app, 0, 0);
  QVObject* executable = AppFolderItemGetter(app, 0);
  PrintItem(QV_STR("ExecutableFile"), executable);
  RuntimeUnlockObject(executable);
  if (Mode("movie")) {
    QVObject* movie = RuntimeGetMovieFromResource(128);
    RuntimeConsolePrint(movie ? QV_STR("movie extracted") : QV_STR("no movie"));
    RuntimeUnlockObject(movie);
  }
  RuntimeRegisterAppObject(app);
  RuntimeUnlockObject(app);
  RuntimeConsolePrint(QV_STR("running"));
  RuntimeRun();
  RuntimeConsolePrint(QV_STR("RuntimeRun returned"));
}
