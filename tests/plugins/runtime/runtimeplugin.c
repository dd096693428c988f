/* A plug-in that drives what plug-ins ask of the running application: the environment and
 * string encodings, objects made by class name (its own class, an old framework name, an
 * interface, an unknown name), interface routines, background tasks and a yield to them,
 * pictures from its own pixel buffers with their locks, and (when RUNTIMEPLUGIN_BAD_RECORDS
 * is set) malformed definition records registered beside good ones, each refused with a report. Its global method RuntimeChecks
 * says what it saw on standard output and answers the live objects it left behind; its
 * library's destructor says when the library is closed. Its module RtTables opens a database
 * over the test engine's tables variant (tests/plugins/database/testtables.c), whose closes go
 * to the log file named by QVPLUGIN_LOG, as does the library's close. */
#include <string.h>

#include "../registration/qvplugin.h"
#include "../registration/qvpluginlookup.h"

typedef struct QVPictureDescription {
  int32_t kind;
  void* handle;
  int32_t width, height, depth, transparent;
} QVPictureDescription;

static const char* (*StringGetCString)(QVString*);
static QVString* (*QUORBuildString)(const void*, int32_t);
static void (*QUORUnlockString)(QVString*);
static void (*QUORUnlockObject)(QVObject*);
static int32_t (*QUORinRuntime)(void);
static int32_t (*QUORInDebugMode)(void);
static void (*QUORYieldToQV)(void);
static uint32_t (*QUORGetStringEncoding)(QVString*);
static void (*QUORSetStringEncoding)(QVString*, uint32_t);
static uint32_t (*QUORGetFontEncoding)(QVString*);
static QVString* (*QUORConvertString)(QVString*, uint32_t);
static void (*QUORStripAmpersands)(QVString**);
static QVObject* (*PluginNewInstance)(const char*);
static QVClass* (*pluginObjectType)(const char*);
static QVObject* (*PluginNewOfSameClass)(QVObject*);
static void* (*GetInterfaceRoutine)(QVObject*, const char*, const char*);
static QVObject* (*QUORBuildPictureFromBuffer)(int32_t, int32_t, int32_t, const void*, int32_t);
static void (*lockPictureDescription)(QVObject*, QVPictureDescription*);
static int32_t (*QUORLockPictureDescription)(QVObject*, QVPictureDescription*, int32_t, int32_t);
static void (*unlockPictureDescription)(QVObject*);
static QVObject* (*RuntimeDebugInstance)(void);
static int32_t (*RuntimeDebugObjectCount)(QVObject*, uint32_t);

static void FindEverything(void) {
  FIND(StringGetCString);
  FIND(QUORBuildString);
  FIND(QUORUnlockString);
  FIND(QUORUnlockObject);
  FIND(QUORinRuntime);
  FIND(QUORInDebugMode);
  FIND(QUORYieldToQV);
  FIND(QUORGetStringEncoding);
  FIND(QUORSetStringEncoding);
  FIND(QUORGetFontEncoding);
  FIND(QUORConvertString);
  FIND(QUORStripAmpersands);
  FIND(PluginNewInstance);
  FIND(pluginObjectType);
  FIND(PluginNewOfSameClass);
  FIND(GetInterfaceRoutine);
  FIND(QUORBuildPictureFromBuffer);
  FIND(lockPictureDescription);
  FIND(QUORLockPictureDescription);
  FIND(unlockPictureDescription);
  FIND(RuntimeDebugInstance);
  FIND(RuntimeDebugObjectCount);
}

static QVString* Str(const char* text) {
  QVString* s = QUORBuildString(text, (int32_t)strlen(text));
  QUORSetStringEncoding(s, 0x600);
  return s;
}

/* ---- the plug-in's own class and interface ---- */

static int32_t RtSpin(QVObject* self) { return self ? 360 : 0; }

static const QVMethodEntry16 kSpinDeclaration[] = {{0, 0, "Spin() As Integer", 0}};
static const QVMethodEntry16 kSpin[] = {{(void*)RtSpin, 0, "Spin() As Integer", 0}};
static const QVInterfaceDefinition kFace = {7, "RtFace", kSpinDeclaration, 1};
static const QVClassDefinition kGadget = {.version = 7,
                                          .name = "RtGadget",
                                          .superName = "",
                                          .dataSize = 4,
                                          .methods = kSpin,
                                          .methodCount = 1,
                                          .interfaces = "RtFace"};

/* ---- malformed records, each refused ---- */

static const QVPropertyRow kNameless[] = {{0, 0, "Integer", 0, 0, 0, 0, {0, 0, 0}}};
static const QVMethodEntry16 kUndeclared[] = {{(void*)RtSpin, 0, 0, 0}};
static const QVClassDefinition kBadName = {.version = 7, .name = "", .superName = ""};
static const QVClassDefinition kBadList = {
    .version = 7, .name = "RtBadList", .superName = "", .methodCount = 3};
static const QVClassDefinition kBadRow = {.version = 7,
                                          .name = "RtBadRow",
                                          .superName = "",
                                          .dataSize = 4,
                                          .properties = kNameless,
                                          .propertyCount = 1};
static const QVInterfaceDefinition kBadFace = {7, "RtBadFace", kUndeclared, 1};
static const QVModuleDefinition kBadModule = {7, 0, kSpin, 1};
static const QVExtensionDefinition kBadExtension = {.version = 7, .className = "RtGadget",
                                                    .eventCount = 2};
static void* const kNoBehaviour[4] = {0, 0, 0, 0};
static const QVControlDefinition kBadControl = {
    .version = 8, .name = "RtBadControl", .propertyCount = 1, .behaviour = kNoBehaviour};

/* ---- checks ---- */

static void CheckEnvironment(void) {
  QVString* s = Str("&&Save &As");
  QUORStripAmpersands(&s);
  QVString* utf8 = Str("caf\xC3\xA9");
  QUORSetStringEncoding(utf8, 0x08000100);
  QVString* latin = QUORConvertString(utf8, 0x0500);
  dprintf(1, "runtime %d debug %d nil encoding %x font encoding %x\n", QUORinRuntime(),
          QUORInDebugMode(), QUORGetStringEncoding(0), QUORGetFontEncoding(0));
  dprintf(1, "stripped \"%s\" converted %u bytes encoding %x\n", StringGetCString(s),
          latin ? latin->length : 0, QUORGetStringEncoding(latin));
  QUORUnlockString(s);
  QUORUnlockString(utf8);
  QUORUnlockString(latin);
}

static void CheckObjects(void) {
  QVObject* gadget = PluginNewInstance("rtgadget");
  QVObject* same = PluginNewOfSameClass(gadget);
  QVObject* cursor = PluginNewInstance("DatabaseCursor");
  dprintf(1, "gadget %d type %d same class %d\n", gadget != 0,
          gadget && pluginObjectType("RTGADGET") == gadget->cls, same && gadget && same->cls == gadget->cls);
  dprintf(1, "cursor is a RecordSet %d\n", cursor && cursor->cls == pluginObjectType("RecordSet"));
  dprintf(1, "unknown %d interface %d\n", PluginNewInstance("RtNoSuchClass") == 0,
          PluginNewInstance("RtFace") == 0);
  void* spin = GetInterfaceRoutine(gadget, "RtFace", "Spin");
  dprintf(1, "interface routine %d gives %d\n", spin == (void*)RtSpin,
          spin ? ((int32_t(*)(QVObject*))spin)(gadget) : -1);
  QUORUnlockObject(gadget);
  QUORUnlockObject(same);
  QUORUnlockObject(cursor);
}

static int gRuns = 0;
static int gNestedRuns = 0;
static void CountRun(void* data) { ++*(int*)data; }
static void YieldInside(void* data) {
  ++*(int*)data;
  QUORYieldToQV();
}

static void CheckTasks(void) {
  const int32_t counting = PluginRegisterBackgroundTask(CountRun, 0, &gRuns);
  QUORYieldToQV();
  QUORYieldToQV();
  const int afterTwo = gRuns;
  const int32_t yielding = PluginRegisterBackgroundTask(YieldInside, 0, &gNestedRuns);
  QUORYieldToQV();
  dprintf(1, "task runs %d then %d, the yielding task ran %d\n", afterTwo, gRuns, gNestedRuns);
  PluginUnregisterBackgroundTask(counting);
  PluginUnregisterBackgroundTask(yielding);
  QUORYieldToQV();
  dprintf(1, "after unregistering %d %d\n", gRuns, gNestedRuns);
}

static void CheckPictures(void) {
  static const uint8_t bytes[16] = {9, 1, 2, 3, 9, 5, 6, 7, 9, 9, 9, 9, 9, 9, 9, 9};
  QVObject* probe = QUORBuildPictureFromBuffer(1, 1, 1, bytes, 3);
  if (!probe) {
    dprintf(1, "pictures need a display\n");
    return;
  }
  QUORUnlockObject(probe);
  QVObject* short7 = QUORBuildPictureFromBuffer(2, 1, 3, bytes, 7);
  QVObject* picture = QUORBuildPictureFromBuffer(2, 1, 3, bytes, 8);
  QVObject* wrapped = QUORBuildPictureFromBuffer(0x40000001, 1, 4, bytes, 8);
  QVObject* tall = QUORBuildPictureFromBuffer(1, 40000, 1, bytes, 3);
  dprintf(1, "rowBytes 7 %d, 8 %d, wrapping %d, too tall %d\n", short7 != 0, picture != 0,
          wrapped != 0, tall != 0);
  QVPictureDescription d = {0, 0, 0, 0, 0, 0};
  unlockPictureDescription(picture); /* never locked */
  lockPictureDescription(picture, &d);
  dprintf(1, "locked kind %d %dx%d depth %d\n", d.kind, d.width, d.height, d.depth);
  unlockPictureDescription(picture);
  unlockPictureDescription(picture); /* a second unlock */
  dprintf(1, "lock kind 0 %d, kind 99 %d\n", QUORLockPictureDescription(picture, &d, 0, 0),
          QUORLockPictureDescription(picture, &d, 99, 0));
  unlockPictureDescription(picture); /* after a lock that took nothing */
  dprintf(1, "picture count %d\n", picture->refCount);
  QUORUnlockObject(picture);
}

static int32_t RuntimeChecks(void) {
  QVObject* inspector = RuntimeDebugInstance();
  const int32_t before = RuntimeDebugObjectCount(inspector, 0);
  CheckEnvironment();
  CheckObjects();
  CheckTasks();
  CheckPictures();
  const int32_t after = RuntimeDebugObjectCount(inspector, 0);
  QUORUnlockObject(inspector);
  return after - before;
}

/* ---- a database engine of its own ---- */

void TablesEngineInit(QVLookup lookup);
void ConstructTablesEngine(QVObject* database, void (*closeLog)(const char*));

static QVObject* OpenTables(void) {
  QVObject* database = PluginNewInstance("Database");
  if (database) ConstructTablesEngine(database, QVPluginLog);
  return database;
}

static const QVMethodEntry16 kTablesMethods[] = {
    {(void*)OpenTables, 0, "OpenTables() As Database", 0}};
static const QVModuleDefinition kTables = {7, "RtTables", kTablesMethods, 1};

static const QVMethodDefinition kChecks = {(void*)RuntimeChecks, 0, "RuntimeChecks() As Integer"};

__attribute__((destructor)) static void LibraryClosed(void) {
  QVPluginLog("runtime library closed");
  dprintf(1, "library closed\n");
}

QV_PLUGIN_EXPORT void QUORPluginMain(QVLookup lookup) {
  gLookup = lookup;
  FindEverything();
  RegisterPluginVersion(9);
  PluginRegisterInterface(&kFace);
  PluginRegisterClass(&kGadget);
  /* Reports open dialogs where there is a display: the malformed records only on request. */
  if (getenv("RUNTIMEPLUGIN_BAD_RECORDS")) {
    PluginRegisterClass(&kBadName);
    PluginRegisterClass(&kBadList);
    PluginRegisterClass(&kBadRow);
    PluginRegisterInterface(&kBadFace);
    PluginRegisterModule(&kBadModule);
    PluginRegisterClassExtension(&kBadExtension);
    PluginRegisterControl(&kBadControl);
  }
  PluginRegisterMethod(&kChecks);
  PluginRegisterModule(&kTables);
  TablesEngineInit(lookup);
  dprintf(1, "runtime plug-in registered, %d missing\n", gMissing);
}
