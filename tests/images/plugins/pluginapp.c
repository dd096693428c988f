/* The console application that carries the test plug-ins (tests/plugins/registration): after
 * start-up it says which plug-in classes exist, with their superclass and table sizes, and
 * calls plug-in methods, module methods and global methods through their entry points.
 * QVTEST_MODE=wait makes it wait for a byte on standard input before it returns. */
#include "qvapp.h"

int dprintf(int fd, const char* format, ...);
char* getenv(const char* name);
int strcmp(const char* a, const char* b);
int read(int fd, void* buffer, unsigned count);
QV_SHARED_FUNCTION(dprintf, "libc.so.6");
QV_SHARED_FUNCTION(getenv, "libc.so.6");
QV_SHARED_FUNCTION(strcmp, "libc.so.6");
QV_SHARED_FUNCTION(read, "libc.so.6");

QVClass* RuntimeLookupClass(QVString name);
void* RuntimeLookupPluginEntrypoint(QVString name);
int32_t intGetter(QVObject* object, uint32_t offset);

typedef int32_t (*Method)(QVObject* object);
typedef int32_t (*MethodOfInteger)(QVObject* object, int32_t value);
typedef int32_t (*GlobalOfInteger)(int32_t value);

/* A property table entry: key, parameter word, getter, setter. */
typedef struct Property {
  QVString key;
  uint32_t word;
  void* getter;
  void* setter;
} Property;

static const char* Text(QVString s) { return s ? (const char*)s->data + 1 : ""; }

static void SayClass(QVString name) {
  QVClass* cls = RuntimeLookupClass(name);
  if (!cls) {
    dprintf(1, "class %s missing\n", Text(name));
    return;
  }
  dprintf(1, "class %s super %s interfaces %d properties %d events %d\n", Text(name),
          cls->parentClass ? Text(cls->parentClass->className) : "none",
          (int)cls->interfaceCount, (int)cls->propertyCount, (int)cls->eventCount);
}

static QVObject* New(QVString name) {
  QVClass* cls = RuntimeLookupClass(name);
  return cls ? RuntimeNewObject(cls) : 0;
}

static void Call(QVString key, QVObject* object) {
  Method method = (Method)RuntimeLookupPluginEntrypoint(key);
  if (method && object) dprintf(1, "%s = %d\n", Text(key), (int)method(object));
}

static void CallWith(QVString key, QVObject* object, int32_t value) {
  MethodOfInteger method = (MethodOfInteger)RuntimeLookupPluginEntrypoint(key);
  if (method && object) dprintf(1, "%s = %d\n", Text(key), (int)method(object, value));
}

static void CallGlobal(QVString key, int32_t value) {
  GlobalOfInteger function = (GlobalOfInteger)RuntimeLookupPluginEntrypoint(key);
  if (function) dprintf(1, "%s = %d\n", Text(key), (int)function(value));
  else dprintf(1, "%s missing\n", Text(key));
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  const char* path = getenv("QVPLUGINPATH");
  dprintf(1, "after entries QVPLUGINPATH=%s\n", path ? path : "(unset)");

  SayClass(QV_STR("V1Knob"));
  SayClass(QV_STR("V1Class"));
  SayClass(QV_STR("V2Class"));
  SayClass(QV_STR("V2Face"));
  SayClass(QV_STR("V2Knob"));
  SayClass(QV_STR("V3Gadget"));
  SayClass(QV_STR("V3Dial"));
  SayClass(QV_STR("V3Face"));
  SayClass(QV_STR("V4Child"));
  SayClass(QV_STR("V4Spinner"));
  SayClass(QV_STR("V7Base"));
  SayClass(QV_STR("V7Bell"));
  SayClass(QV_STR("V9Wide"));

  QVObject* knob = New(QV_STR("V1Knob"));
  Call(QV_STR("V1Knob.CurrentTurns() As Integer"), knob);
  QVObject* gadget = New(QV_STR("V3Gadget"));
  CallWith(QV_STR("V3Gadget.Fold(times As Integer) As Integer"), gadget, 3);
  Call(QV_STR("V3Gadget.Unfold() As Integer"), gadget);
  QVObject* child = New(QV_STR("V4Child"));
  Call(QV_STR("V4Child.Spin() As Integer"), child);
  Call(QV_STR("V7Base.Again() As Integer"), child);
  QVObject* wide = New(QV_STR("V9Wide"));
  Call(QV_STR("V9Wide.First() As Integer"), wide);
  Call(QV_STR("V9Wide.Second() As Integer"), wide);
  if (wide) {
    const Property* properties = (const Property*)wide->classPtr->propertyTable;
    dprintf(1, "V9Wide %s = %d\n", Text(properties[1].key),
            (int)intGetter(wide, properties[1].word));
  }
  CallGlobal(QV_STR("V1Triple(x As Integer) As Integer"), 5);
  CallGlobal(QV_STR("V3Quadruple(x As Integer) As Integer"), 5);
  CallGlobal(QV_STR("V4Module.Twice(x As Integer) As Integer"), 21);
  CallGlobal(QV_STR("V2Double(x As Integer) As Integer"), 1);

  const char* mode = getenv("QVTEST_MODE");
  if (mode && strcmp(mode, "wait") == 0) {
    char byte;
    dprintf(1, "waiting\n");
    read(0, &byte, 1);
  }
  if (knob) RuntimeUnlockObject(knob);
  if (gadget) RuntimeUnlockObject(gadget);
  if (child) RuntimeUnlockObject(child);
  if (wide) RuntimeUnlockObject(wide);
  dprintf(1, "done\n");
}
