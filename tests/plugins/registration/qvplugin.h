/* What a test plug-in needs to talk to the framework: the records it hands to the
 * registration callbacks (laid out as the framework reads them), the callbacks it looks up by
 * name, and a way to say what it saw on standard output. */
#ifndef QVPLUGIN_H
#define QVPLUGIN_H

#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <unistd.h>

#define QV_DEFAULT_ACCESSOR ((void*)0xFFFFFFFFu)
#define QV_PLUGIN_EXPORT __attribute__((visibility("default")))

typedef void* (*QVLookup)(const char* name);

typedef struct QVPropertyRow {
  uint32_t word0;
  const char* name;
  const char* typeName;
  uint32_t flags; /* 1: a control's generic setter redraws; 2: protected */
  void* getter;
  void* setter;
  uint32_t parameter;
  uint32_t words[3];
} QVPropertyRow;

typedef struct QVPropertyRowV1 {
  uint32_t word0;
  const char* name;
  const char* typeName;
  uint32_t flags;
  uint32_t parameter;
} QVPropertyRowV1;

typedef struct QVMethodEntry { /* records of version 6 and below */
  void* function;
  void* setter;
  const char* declaration;
} QVMethodEntry;

typedef struct QVMethodEntry16 { /* records of version 7 and later */
  void* function;
  void* setter;
  const char* declaration;
  uint32_t word;
} QVMethodEntry16;

typedef struct QVEventEntry {
  const char* declaration;
  void* event; /* filled by the framework */
} QVEventEntry;

typedef struct QVEventHandler {
  const char* eventName;
  void* function;
} QVEventHandler;

typedef struct QVClassDefinition {
  int32_t version;
  const char* name;
  const char* superName;
  uint32_t dataSize;
  uint32_t word4;
  void* constructor;
  void* destructor;
  const QVPropertyRow* properties;
  int32_t propertyCount;
  const void* methods;
  int32_t methodCount;
  QVEventEntry* events;
  int32_t eventCount;
  const QVEventHandler* eventHandlers;
  int32_t eventHandlerCount;
  const char* interfaces;
  uint32_t words16to20[5];
  const QVPropertyRow* moreProperties; /* version 9 and later */
  int32_t morePropertyCount;
  const void* moreMethods;
  int32_t moreMethodCount;
} QVClassDefinition;

typedef struct QVInterfaceDefinition {
  int32_t version;
  const char* name;
  const void* methods;
  int32_t methodCount;
} QVInterfaceDefinition;

typedef QVInterfaceDefinition QVModuleDefinition;

typedef struct QVExtensionDefinition {
  int32_t version;
  const char* className;
  uint32_t words2to6[5];
  const QVPropertyRow* properties;
  int32_t propertyCount;
  const void* methods;
  int32_t methodCount;
  QVEventEntry* events;
  int32_t eventCount;
} QVExtensionDefinition;

typedef struct QVControlDefinition { /* version 3 and later */
  int32_t version;
  const char* name;
  uint32_t dataSize;
  uint32_t flags; /* 4: a Control, else a RectControl */
  uint32_t word4, word5;
  int32_t defaultWidth, defaultHeight;
  const QVPropertyRow* properties;
  int32_t propertyCount;
  const void* methods;
  int32_t methodCount;
  QVEventEntry* events;
  int32_t eventCount;
  void* const* behaviour;
  uint32_t word15;
  const QVEventHandler* eventHandlers;
  int32_t eventHandlerCount;
  const char* interfaces;
} QVControlDefinition;

typedef struct QVControlDefinitionV1 {
  int32_t version;
  const char* name;
  uint32_t dataSize;
  uint32_t flags;
  uint32_t word4, word5;
  const QVPropertyRowV1* properties;
  int32_t propertyCount;
  const void* methods;
  int32_t methodCount;
  QVEventEntry* events;
  int32_t eventCount;
  void* const* behaviour;
  uint32_t word13;
  const QVEventHandler* eventHandlers;
  int32_t eventHandlerCount;
  const char* interfaces;
} QVControlDefinitionV1;

typedef struct QVMethodDefinition {
  void* function; /* a plug-in of version 1: the index of its export row */
  void* setter;
  const char* declaration;
} QVMethodDefinition;

typedef struct QVExportRow {
  const char* name;
  void* function;
  uint32_t word;
} QVExportRow;

/* The framework's functions, found through the lookup callback in QUORPluginMain. */
static QVLookup gLookup __attribute__((unused)); /* some files use their own */
#define QV_CALL(name, type) ((type)gLookup(name))
#define RegisterPluginVersion(v) QV_CALL("RegisterPluginVersion", void (*)(int32_t))(v)
#define RegisterPluginExports(t) QV_CALL("RegisterPluginExports", void (*)(const QVExportRow*))(t)
#define PluginRegisterClass(d) QV_CALL("PluginRegisterClass", void (*)(const void*))(d)
#define PluginRegisterInterface(d) QV_CALL("PluginRegisterInterface", void (*)(const void*))(d)
#define PluginRegisterModule(d) QV_CALL("PluginRegisterModule", void (*)(const void*))(d)
#define PluginRegisterClassExtension(d) \
  QV_CALL("PluginRegisterClassExtension", void (*)(const void*))(d)
#define PluginRegisterMethod(d) QV_CALL("PluginRegisterMethod", void (*)(const void*))(d)
#define PluginRegisterControl(d) QV_CALL("PluginRegisterControl", void (*)(const void*))(d)
#define PluginRegisterBackgroundTask(p, period, data)                                      \
  QV_CALL("PluginRegisterBackgroundTask", int32_t (*)(void (*)(void*), int32_t, void*))( \
      p, period, data)
#define PluginUnregisterBackgroundTask(id) \
  QV_CALL("PluginUnregisterBackgroundTask", void (*)(int32_t))(id)

/* The plug-in's own data begins 24 bytes into a class's object, 128 into a control's. */
#define QV_CLASS_DATA(object, type) ((type*)((char*)(object) + 24))
#define QV_CONTROL_DATA(object, type) ((type*)((char*)(object) + 128))

/* Says where the plug-in's entry ran: its tag and QVPLUGINPATH. */
char* getenv(const char* name);
#define QV_SAY_ENTRY(tag)                                                        \
  do {                                                                           \
    const char* path = getenv("QVPLUGINPATH");                                   \
    dprintf(1, "%s entry QVPLUGINPATH=%s\n", tag, path ? path : "(unset)");      \
  } while (0)

/* Appends line to the log file that QVPLUGIN_LOG names, if any: what a test checks after the
 * process and its standard output are gone, such as the order of closes at exit. */
static inline void QVPluginLog(const char* line) {
  const char* path = getenv("QVPLUGIN_LOG");
  const int fd = path ? open(path, O_WRONLY | O_APPEND | O_CREAT, 0600) : -1;
  if (fd < 0) return;
  dprintf(fd, "%s\n", line);
  close(fd);
}

#endif
