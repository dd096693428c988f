/* The thread application: language threads, timers and the scheduler as compiled code drives
 * them, saying on standard output what ran. QVTEST_MODE picks the variant:
 *   (unset)  two threads print numbered lines, sleeping 30 and 50 ms between them, while a
 *            Multiple timer of 40 ms prints its own; the last thread to end quits
 *   console  a console application whose timers fire in DoEvents
 *   quit     a thread quits while another waits on a semaphore; the waiter is killed
 *   msgbox   a thread shows a message box while a timer's Action on the main thread sleeps */
#include "qvapp.h"

char* getenv(const char* name);
int strcmp(const char* a, const char* b);
QV_SHARED_FUNCTION(getenv, "libc.so.6");
QV_SHARED_FUNCTION(strcmp, "libc.so.6");

QVClass* RuntimeLookupClass(QVString name);
void RuntimeInstallInstanceEventHandler(QVObject* object, QVString event, void* handler);
void RuntimeRegisterConsoleAppObject(QVObject* object, int32_t service);
void AppAutoCloseSetter(QVObject* app, uint32_t parameter, int32_t value);
void AppSleepCurrentThread(QVObject* app, int32_t milliseconds);
void RuntimeDoEvents(QVObject* app, int32_t milliseconds);
void threadRun(QVObject* thread);
void ThreadSleep(QVObject* thread, int32_t milliseconds, int32_t wakeEarly);
int32_t ThreadGetState(QVObject* thread, uint32_t parameter);
void timerModeSetter(QVObject* timer, uint32_t parameter, int32_t value);
void timerPeriodSetter(QVObject* timer, uint32_t parameter, int32_t value);
void Semaphore_Signal(QVObject* semaphore);
int32_t VB_RuntimeMsgBox(QVString message, int32_t style, QVString title);

static int Mode(const char* name) {
  const char* mode = getenv("QVTEST_MODE");
  return mode ? strcmp(mode, name) == 0 : name[0] == 0;
}

/* Prints prefix followed by n in hexadecimal (decimal below 10). */
static void Line(QVString prefix, int32_t n) {
  QVString number = RuntimeHex((uint32_t)n);
  QVString line = RuntimeAddString(prefix, number);
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
  RuntimeUnlockString(number);
}

static QVObject* New(QVString className) { return RuntimeNewObject(RuntimeLookupClass(className)); }

static QVObject* NewThread(void* run) {
  QVObject* thread = New(QV_STR("Thread"));
  RuntimeInstallInstanceEventHandler(thread, QV_STR("Run"), run);
  return thread;
}

static QVObject* NewTimer(void* action, int32_t period, int32_t mode) {
  QVObject* timer = New(QV_STR("Timer"));
  RuntimeInstallInstanceEventHandler(timer, QV_STR("Action"), action);
  timerPeriodSetter(timer, 0, period);
  timerModeSetter(timer, 0, mode);
  return timer;
}

static QVObject* NewWindowlessApp(void) {
  QVObject* app = New(QV_STR("Application"));
  AppAutoCloseSetter(app, 0, 0);
  RuntimeRegisterAppObject(app);
  return app;
}

/* ---- the milestone --------------------------------------------------------------------------- */

static int32_t gRunning = 0;
static int32_t gTicks = 0;

static void EndOneThread(void) {
  if (--gRunning == 0) QV_ApplicationQuit(0);
}

static void RunA(QVObject* self) {
  for (int32_t i = 1; i <= 6; ++i) {
    Line(QV_STR("A "), i);
    ThreadSleep(self, 30, 0);
  }
  EndOneThread();
}

static void RunB(QVObject* self) {
  for (int32_t i = 1; i <= 4; ++i) {
    Line(QV_STR("B "), i);
    ThreadSleep(self, 50, 0);
  }
  EndOneThread();
}

static void OnTick(QVObject* timer) {
  (void)timer;
  Line(QV_STR("T "), ++gTicks);
}

static void Milestone(void) {
  QVObject* app = NewWindowlessApp();
  QVObject* timer = NewTimer((void*)OnTick, 40, 2);
  QVObject* a = NewThread((void*)RunA);
  QVObject* b = NewThread((void*)RunB);
  gRunning = 2;
  threadRun(a);
  threadRun(b);
  RuntimeRun();
  RuntimeUnlockObject(a);
  RuntimeUnlockObject(b);
  RuntimeUnlockObject(timer);
  RuntimeUnlockObject(app);
}

/* ---- a console application's timers ---------------------------------------------------------- */

static int32_t gSingles = 0;
static void OnSingle(QVObject* timer) {
  (void)timer;
  Line(QV_STR("S "), ++gSingles);
}

static void Console(void) {
  RuntimeRegisterConsoleAppObject(0, 0);
  QVObject* multiple = NewTimer((void*)OnTick, 20, 2);
  QVObject* single = NewTimer((void*)OnSingle, 10, 1);
  while (gTicks < 3) RuntimeDoEvents(0, 10);
  timerModeSetter(multiple, 0, 0);
  for (int32_t i = 0; i < 10; ++i) RuntimeDoEvents(0, 10);
  RuntimeConsolePrint(QV_STR("done"));
  RuntimeUnlockObject(multiple);
  RuntimeUnlockObject(single);
}

/* ---- Quit on a thread ------------------------------------------------------------------------ */

static QVObject* gSemaphore;

static void WaitForever(QVObject* self) {
  (void)self;
  Semaphore_Signal(gSemaphore);
}

static void QuitSoon(QVObject* self) {
  ThreadSleep(self, 50, 0);
  RuntimeConsolePrint(QV_STR("B quits"));
  QV_ApplicationQuit(0);
}

static void QuitOnAThread(void) {
  QVObject* app = NewWindowlessApp();
  gSemaphore = New(QV_STR("Semaphore"));
  Semaphore_Signal(gSemaphore); /* its one unit: the waiter below waits for good */
  QVObject* a = NewThread((void*)WaitForever);
  QVObject* b = NewThread((void*)QuitSoon);
  threadRun(a);
  threadRun(b);
  RuntimeRun();
  RuntimeConsolePrint(QV_STR("RuntimeRun returned"));
  Line(QV_STR("A state "), ThreadGetState(a, 0));
  RuntimeUnlockObject(a);
  RuntimeUnlockObject(b);
  RuntimeUnlockObject(gSemaphore);
  RuntimeUnlockObject(app);
}

/* ---- a message box on a thread --------------------------------------------------------------- */

static QVObject* gApp;

static void SleepInAction(QVObject* timer) {
  (void)timer;
  RuntimeConsolePrint(QV_STR("action sleeps"));
  AppSleepCurrentThread(gApp, 500);
  RuntimeConsolePrint(QV_STR("action woke"));
}

static void ShowBox(QVObject* self) {
  ThreadSleep(self, 100, 0);
  RuntimeConsolePrint(QV_STR("box"));
  Line(QV_STR("answered "),
       VB_RuntimeMsgBox(QV_STR("Hello from a thread"), 0, QV_STR("From a thread")));
  QV_ApplicationQuit(0);
}

static void MessageBoxOnAThread(void) {
  gApp = NewWindowlessApp();
  QVObject* timer = NewTimer((void*)SleepInAction, 50, 1);
  QVObject* thread = NewThread((void*)ShowBox);
  threadRun(thread);
  RuntimeRun();
  RuntimeUnlockObject(thread);
  RuntimeUnlockObject(timer);
  RuntimeUnlockObject(gApp);
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  if (Mode("console")) Console();
  else if (Mode("quit")) QuitOnAThread();
  else if (Mode("msgbox")) MessageBoxOnAThread();
  else Milestone();
}
