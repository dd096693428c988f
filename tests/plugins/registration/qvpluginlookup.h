/* For test plug-ins that look up many of the framework's functions by name and work with its
 * strings and objects directly: the string and object headers as plug-ins see them, and FIND,
 * which looks one function up into the pointer of that name, printing "missing NAME" and
 * counting it in gMissing when the framework has none. Include after qvplugin.h. */
#ifndef QVPLUGINLOOKUP_H
#define QVPLUGINLOOKUP_H

typedef struct QVString {
  uint32_t refCount;
  unsigned char* data;
  uint32_t capacity;
  uint32_t length;
  uint32_t encoding;
} QVString;

typedef struct QVClass QVClass;
typedef struct QVObject {
  void* methods;
  QVClass* cls;
  void* events;
  int32_t refCount;
  void* links[2];
} QVObject;

static int gMissing = 0;

static void* Need(const char* name) {
  void* function = gLookup(name);
  if (!function) {
    dprintf(1, "missing %s\n", name);
    ++gMissing;
  }
  return function;
}
#define FIND(name) (*(void**)&name = Need(#name))

#endif
