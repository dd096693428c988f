/* The debug build of a small application: every statement of its functions begins with a call
 * of the statement hook carrying the statement's number, as the compiler's debug build emits
 * it. What the IDE inspects lies at the start of the data block, in `shown`, at fixed offsets
 * from the data base that "TOC" answers. The test's exports (DebugApp*) give the IDE's host,
 * run main-loop passes and print what the test checks.
 *
 *   entry     1 setup, 2 Outer(1), 3 Outer(2), 4 Break, 5 raises, 6 frees, 7 idles, 8 unlinks
 *   Outer    10 Middle, 11 add, 12 return;  Middle 20 Inner, 21 Inner, 22 return
 *   Inner    30 double, 31 return */
#include "qvapp.h"

void DebugRuntimeInit(void);
void RemoteDebuggerStartup(QVString host);
void RuntimeDebuggerEntry(int32_t statement);
void RuntimeDebuggerBreak(void);
int32_t RuntimeDebuggerShutdown(void);
QVClass* RuntimeLookupClass(QVString name);
QVClass* RuntimeNewClass(QVClass* parent, int32_t methods, int32_t interfaces, int32_t events,
                         int32_t namedMethods, int32_t properties);
QVObject* Int32ToVariant(int32_t value);
void* CreateArray(int32_t dimensions, int32_t elementType, ...);
void RuntimeUnlockArray(void* array);

QVString DebugAppHost(void);
void DebugAppPass(void);
void DebugAppMark(void);
void DebugAppReport(QVString label, int32_t value);

#define STATEMENT(n) RuntimeDebuggerEntry(n)

struct Shown {
  uint32_t magic;          /* +0  "QVDB" */
  QVString text;           /* +4  a String variable */
  QVObject* gadget;        /* +8  an object variable */
  QVObject* variant;       /* +C  a Variant variable */
  void* array;             /* +10 an array variable: Integer(2, 3) */
  int32_t counter;         /* +14 */
  uint32_t frameworkCode;  /* +18 a framework function's address */
  int32_t idle;            /* +1C the IDE sets it to keep the program in its loop */
} shown = {0x42445651};

typedef struct PropertyEntry {
  QVString key;
  uint32_t word;
  void* getter;
  void* setter;
} PropertyEntry;

static int32_t WidthGetter(QVObject* self, uint32_t parameter) {
  (void)self;
  return 640 + (int32_t)parameter;
}

static int32_t BoomGetter(QVObject* self, uint32_t parameter) {
  (void)self;
  (void)parameter;
  QVObject* exception = RuntimeNewObject(RuntimeLookupClass(QV_STR("RuntimeException")));
  RuntimeRaiseException(exception);
  RuntimeUnlockObject(exception);
  return 7;
}

/* Gadget: Object with the properties Width%i4% and Boom%i4%. */
static QVClass* GadgetClass(void) {
  QVClass* parent = RuntimeLookupClass(QV_STR("Object"));
  QVClass* gadget = RuntimeNewClass(parent, parent->methodCount, parent->interfaceCount,
                                    parent->eventCount, parent->namedMethodCount,
                                    parent->propertyCount + 2);
  PropertyEntry* own = (PropertyEntry*)gadget->propertyTable + parent->propertyCount;
  gadget->className = QV_STR("Gadget");
  gadget->instanceSize = parent->instanceSize;
  own[0].key = QV_STR("Width%i4%");
  own[0].getter = (void*)WidthGetter;
  own[1].key = QV_STR("Boom%i4%");
  own[1].getter = (void*)BoomGetter;
  return gadget;
}

static void Setup(void) {
  shown.text = RuntimeAddString(QV_STR("ab"), QV_STR("c"));
  shown.gadget = RuntimeNewObject(GadgetClass());
  shown.variant = Int32ToVariant(42);
  shown.array = CreateArray(2, 0, 2, 3);
  shown.frameworkCode = (uint32_t)&RuntimeDebuggerEntry;
}

static int32_t Inner(int32_t x) {
  STATEMENT(30);
  x = x * 2;
  STATEMENT(31);
  return x;
}

static int32_t Middle(int32_t x) {
  STATEMENT(20);
  x = Inner(x);
  STATEMENT(21);
  x = Inner(x);
  STATEMENT(22);
  return x;
}

static void Outer(int32_t x) {
  STATEMENT(10);
  x = Middle(x);
  STATEMENT(11);
  shown.counter += x;
  STATEMENT(12);
}

static void Raise(QVString className) {
  QVObject* exception = RuntimeNewObject(RuntimeLookupClass(className));
  RuntimeRaiseException(exception);
  RuntimeUnlockObject(exception);
}

QV_ENTRY {
  DebugRuntimeInit();
  RuntimeInitExternalClasses();
  RemoteDebuggerStartup(DebugAppHost());
  DebugAppMark();
  STATEMENT(1);
  DebugAppReport(QV_STR("first stop"), 0);
  Setup();
  STATEMENT(2);
  Outer(1);
  STATEMENT(3);
  Outer(2);
  STATEMENT(4);
  RuntimeDebuggerBreak();
  STATEMENT(5);
  Raise(QV_STR("EndException"));
  Raise(QV_STR("ThreadEndException"));
  Raise(QV_STR("RuntimeException"));
  STATEMENT(6);
  RuntimeUnlockObject(shown.gadget);
  RuntimeUnlockArray(shown.array);
  STATEMENT(7);
  while (shown.idle) DebugAppPass();
  STATEMENT(8);
  RuntimeDebuggerShutdown();
  RuntimeDebuggerBreak();
  DebugAppReport(QV_STR("done"), shown.counter);
}
