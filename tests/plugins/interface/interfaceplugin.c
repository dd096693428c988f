/* A plug-in that drives the plug-in interface as plug-ins do: every function looked up by name
 * through the lookup callback, strings and objects built, read and released under the
 * reference rules, properties read and written by name, methods found by declaration, and nil
 * handed to each function. Its global method InterfaceChecks says what it saw on standard
 * output, a line per check, and answers the number of live objects it left behind. */
#include "../registration/qvplugin.h"
#include "../registration/qvpluginlookup.h"

typedef struct QVStyle {
  uint32_t word0;
  QVString* fontName;
  int32_t textSize;
  uint32_t color;
  uint8_t bold, italic, underline, reserved;
} QVStyle;

/* The framework's functions, looked up in QUORPluginMain. */
static const char* (*StringGetCString)(QVString*);
static const unsigned char* (*StringGetPString)(QVString*);
static QVString* (*QUORBuildString)(const void*, int32_t);
static QVString* (*QUORLockString)(QVString*);
static void (*QUORUnlockString)(QVString*);
static void (*QUORLockObject)(QVObject*);
static void (*QUORUnlockObject)(QVObject*);
static QVString* (*QUORGetControlName)(QVObject*);
static QVObject* (*QUORGetProjectFolder)(void);
static double (*QUORGetQVVersion)(void);
static void (*QUORGetGraphicsFontStyle)(QVObject*, QVStyle*);
static void (*QUORGetGraphicsOrigin)(QVObject*, int32_t*, int32_t*);
static void (*QUORSetGraphicsOrigin)(QVObject*, int32_t, int32_t);
static void* (*QUORLoadGlobalMethod)(uint32_t, const char*);
static void* (*QUORLoadObjectMethod)(QVObject*, const char*);
static int32_t (*QUORCountClassMethods)(QVClass*);
static int32_t (*QUORGetClassMethod)(QVClass*, int32_t, void**, QVString**);
static int32_t (*QUORCountClassProperties)(QVClass*);
static int32_t (*QUORGetClassProperty)(QVClass*, int32_t, void**, void**, uint32_t*, QVString**);
static int32_t (*QUORGetPropValueInt)(QVObject*, const char*, int32_t*);
static int32_t (*QUORGetPropValueInt64)(QVObject*, const char*, int64_t*);
static int32_t (*QUORGetPropValueUInt64)(QVObject*, const char*, uint64_t*);
static int32_t (*QUORGetPropValueUInt32)(QVObject*, const char*, uint32_t*);
static int32_t (*QUORGetPropValueUInt16)(QVObject*, const char*, uint16_t*);
static int32_t (*QUORGetPropValueInt16)(QVObject*, const char*, int16_t*);
static int32_t (*QUORGetPropValueUInt8)(QVObject*, const char*, uint8_t*);
static int32_t (*QUORGetPropValueBool)(QVObject*, const char*, uint8_t*);
static int32_t (*QUORGetPropValueInt8)(QVObject*, const char*, int8_t*);
static int32_t (*QUORGetPropValueDouble)(QVObject*, const char*, double*);
static int32_t (*QUORGetPropValueSingle)(QVObject*, const char*, float*);
static int32_t (*QUORGetPropValueString)(QVObject*, const char*, QVString**);
static int32_t (*QUORGetPropValueObject)(QVObject*, const char*, QVObject**);
static int32_t (*QUORSetPropValueInt)(QVObject*, const char*, int32_t);
static int32_t (*QUORSetPropValueUInt32)(QVObject*, const char*, uint32_t);
static int32_t (*QUORSetPropValueUInt64)(QVObject*, const char*, uint64_t);
static int32_t (*QUORSetPropValueInt64)(QVObject*, const char*, int64_t);
static int32_t (*QUORSetPropValueUInt16)(QVObject*, const char*, uint16_t);
static int32_t (*QUORSetPropValueInt16)(QVObject*, const char*, int16_t);
static int32_t (*QUORSetPropValueUInt8)(QVObject*, const char*, uint8_t);
static int32_t (*QUORSetPropValueBoolean)(QVObject*, const char*, uint8_t);
static int32_t (*QUORSetPropValueInt8)(QVObject*, const char*, int8_t);
static int32_t (*QUORSetPropValueSingle)(QVObject*, const char*, float);
static int32_t (*QUORSetPropValueDouble)(QVObject*, const char*, double);
static int32_t (*QUORSetPropValueString)(QVObject*, const char*, QVString*);
static int32_t (*QUORSetPropValueObject)(QVObject*, const char*, QVObject*);
static void (*RegisterDataSource)(const char*, QVObject* (*)(uint32_t, uint32_t));
static QVObject* (*OpenRegisteredDataSource)(QVString*, uint32_t, uint32_t);
static void (*RegisterDataSourceInterface)(void);
static void (*DesignAddDataSource)(void);
static QVString* (*PluginInterpretConstantValue)(QVString*);
static QVString* (*PluginDefaultControlFont)(void);
static QVString* (*PluginDefaultControlCaption)(void);
static int32_t (*PluginDefaultControlFontSize)(void);
static void (*PluginMarkSocketUsage)(void);
static char** (*QUORGetCommandLineForUnix)(void);
static QVClass* (*RuntimeLookupClass)(QVString*);
static QVObject* (*CreateInstance)(QVClass*);
static QVObject* (*RuntimeDebugInstance)(void);
static int32_t (*RuntimeDebugObjectCount)(QVObject*, uint32_t);

static void FindEverything(void) {
  FIND(StringGetCString);
  FIND(StringGetPString);
  FIND(QUORBuildString);
  FIND(QUORLockString);
  FIND(QUORUnlockString);
  FIND(QUORLockObject);
  FIND(QUORUnlockObject);
  FIND(QUORGetControlName);
  FIND(QUORGetProjectFolder);
  FIND(QUORGetQVVersion);
  FIND(QUORGetGraphicsFontStyle);
  FIND(QUORGetGraphicsOrigin);
  FIND(QUORSetGraphicsOrigin);
  FIND(QUORLoadGlobalMethod);
  FIND(QUORLoadObjectMethod);
  FIND(QUORCountClassMethods);
  FIND(QUORGetClassMethod);
  FIND(QUORCountClassProperties);
  FIND(QUORGetClassProperty);
  FIND(QUORGetPropValueInt);
  FIND(QUORGetPropValueInt64);
  FIND(QUORGetPropValueUInt64);
  FIND(QUORGetPropValueUInt32);
  FIND(QUORGetPropValueUInt16);
  FIND(QUORGetPropValueInt16);
  FIND(QUORGetPropValueUInt8);
  FIND(QUORGetPropValueBool);
  FIND(QUORGetPropValueInt8);
  FIND(QUORGetPropValueDouble);
  FIND(QUORGetPropValueSingle);
  FIND(QUORGetPropValueString);
  FIND(QUORGetPropValueObject);
  FIND(QUORSetPropValueInt);
  FIND(QUORSetPropValueUInt32);
  FIND(QUORSetPropValueUInt64);
  FIND(QUORSetPropValueInt64);
  FIND(QUORSetPropValueUInt16);
  FIND(QUORSetPropValueInt16);
  FIND(QUORSetPropValueUInt8);
  FIND(QUORSetPropValueBoolean);
  FIND(QUORSetPropValueInt8);
  FIND(QUORSetPropValueSingle);
  FIND(QUORSetPropValueDouble);
  FIND(QUORSetPropValueString);
  FIND(QUORSetPropValueObject);
  FIND(RegisterDataSource);
  FIND(OpenRegisteredDataSource);
  FIND(RegisterDataSourceInterface);
  FIND(DesignAddDataSource);
  FIND(PluginInterpretConstantValue);
  FIND(PluginDefaultControlFont);
  FIND(PluginDefaultControlCaption);
  FIND(PluginDefaultControlFontSize);
  FIND(PluginMarkSocketUsage);
  FIND(QUORGetCommandLineForUnix);
  FIND(RuntimeLookupClass);
  FIND(CreateInstance);
  FIND(RuntimeDebugInstance);
  FIND(RuntimeDebugObjectCount);
}

/* ---- The plug-in's class: a probe with properties of several types and two methods ---- */

typedef struct ProbeData {
  int32_t count;
  int32_t pad;
  double ratio;
  QVString* label;
  uint8_t flag;
  uint8_t pad2[3];
  QVObject* peer;
} ProbeData;

static int32_t ProbeTwice(QVObject* probe) { return 2 * QV_CLASS_DATA(probe, ProbeData)->count; }

static void ProbeDestruct(QVObject* probe) {
  ProbeData* data = QV_CLASS_DATA(probe, ProbeData);
  QUORUnlockString(data->label);
  QUORUnlockObject(data->peer);
}

static const QVPropertyRow kProbeProperties[] = {
    {0, "Count", "Integer", 0, QV_DEFAULT_ACCESSOR, QV_DEFAULT_ACCESSOR, 0, {0}},
    {0, "Ratio", "Double", 0, QV_DEFAULT_ACCESSOR, QV_DEFAULT_ACCESSOR, 8, {0}},
    {0, "Label", "String", 0, QV_DEFAULT_ACCESSOR, QV_DEFAULT_ACCESSOR, 16, {0}},
    {0, "Flag", "Boolean", 0, QV_DEFAULT_ACCESSOR, QV_DEFAULT_ACCESSOR, 20, {0}},
    {0, "Peer", "IfaceProbe", 0, QV_DEFAULT_ACCESSOR, QV_DEFAULT_ACCESSOR, 24, {0}},
};
static const QVMethodEntry16 kProbeMethods[] = {
    {(void*)ProbeTwice, 0, "Twice() As Integer", 0},
};
static const QVClassDefinition kProbe = {9,
                                         "IfaceProbe",
                                         "",
                                         sizeof(ProbeData),
                                         0,
                                         0,
                                         (void*)ProbeDestruct,
                                         kProbeProperties,
                                         5,
                                         kProbeMethods,
                                         1,
                                         0,
                                         0,
                                         0,
                                         0,
                                         0,
                                         {0},
                                         0,
                                         0,
                                         0,
                                         0};

/* ---- Data sources ------------------------------------------------------------------------ */

static QVObject* OpenOlder(uint32_t first, uint32_t second) {
  dprintf(1, "older source opened %u %u\n", first, second);
  return 0;
}
static QVObject* OpenNewer(uint32_t first, uint32_t second) {
  dprintf(1, "newer source opened %u %u\n", first, second);
  return 0;
}

/* ---- The checks -------------------------------------------------------------------------- */

static QVString* Str(const char* text) {
  int32_t length = 0;
  while (text[length]) ++length;
  return QUORBuildString(text, length);
}

static QVObject* New(const char* className) {
  QVString* name = Str(className);
  QVClass* cls = RuntimeLookupClass(name);
  QUORUnlockString(name);
  return cls ? CreateInstance(cls) : 0;
}

static void CheckStrings(void) {
  QVString* s = QUORBuildString("plug-in", 7);
  const unsigned char* counted = StringGetPString(s);
  dprintf(1, "string %s length %d encoding %x count %u\n", StringGetCString(s), counted[0],
          s->encoding, s->refCount);
  QUORLockString(s);
  dprintf(1, "locked count %u\n", s->refCount);
  QUORUnlockString(s);
  QVString* same = PluginInterpretConstantValue(s);
  dprintf(1, "constant same %d count %u\n", same == s, s->refCount);
  QUORUnlockString(same);
  QUORUnlockString(s);
  char longText[300];
  for (int i = 0; i < 300; ++i) longText[i] = 'x';
  QVString* wide = QUORBuildString(longText, 300);
  dprintf(1, "long length byte %d length %u\n", StringGetPString(wide)[0], wide->length);
  QUORUnlockString(wide);
  QVString* zeros = QUORBuildString(0, 3);
  const char* bytes = StringGetCString(zeros);
  dprintf(1, "zero-filled %d %d %d length %u\n", bytes[0], bytes[1], bytes[2], zeros->length);
  QUORUnlockString(zeros);
  dprintf(1, "empty %p %p nil text \"%s\" %d\n", (void*)QUORBuildString("x", 0),
          (void*)QUORBuildString("x", -1), StringGetCString(0), StringGetPString(0)[0]);
}

static void CheckProperties(QVObject* probe, QVObject* other) {
  uint32_t u32 = 0;
  int64_t i64 = 0;
  uint16_t u16 = 0;
  int32_t i32 = 0;
  int ok = QUORSetPropValueInt(probe, "count", -5);
  ok &= QUORGetPropValueUInt32(probe, "COUNT", &u32);
  ok &= QUORGetPropValueInt64(probe, "Count", &i64);
  ok &= QUORGetPropValueUInt16(probe, "count", &u16);
  dprintf(1, "count %d as UInt32 %u Int64 %lld UInt16 %u\n", ok, u32, (long long)i64, u16);
  ok = QUORSetPropValueDouble(probe, "ratio", -2.9) && QUORGetPropValueInt(probe, "Ratio", &i32);
  dprintf(1, "ratio %d as Int %d\n", ok, i32);
  ok = QUORGetPropValueInt(probe, "twice", &i32);
  dprintf(1, "twice by method %d %d\n", ok, i32);
  dprintf(1, "short write refused %d\n", QUORSetPropValueInt16(probe, "Nothing", 1));
  uint8_t flag = 0;
  ok = QUORSetPropValueBoolean(probe, "flag", 7) && QUORGetPropValueBool(probe, "flag", &flag);
  dprintf(1, "flag %d %d int refused %d\n", ok, flag, QUORGetPropValueInt(probe, "flag", &i32));

  QVString* label = Str("a label");
  ok = QUORSetPropValueString(probe, "Label", label);
  QVString* read = 0;
  ok &= QUORGetPropValueString(probe, "label", &read);
  dprintf(1, "label %d \"%s\" same %d count %u\n", ok, StringGetCString(read), read == label,
          label->refCount);
  QUORUnlockString(read);
  QUORUnlockString(label);

  ok = QUORSetPropValueObject(probe, "peer", other);
  QVObject* peer = 0;
  ok &= QUORGetPropValueObject(probe, "Peer", &peer);
  dprintf(1, "peer %d same %d count %d\n", ok, peer == other, other->refCount);
  QUORUnlockObject(peer);
  dprintf(1, "peer of a string refused %d\n", QUORSetPropValueObject(probe, "Label", other));
  QVObject* self = 0;
  ok = QUORGetPropValueObject(probe, "Value", &self);
  dprintf(1, "value is itself %d %d\n", ok, self == probe);
  QUORUnlockObject(self);
  ok = QUORGetPropValueInt(0, "Type", &i32);
  dprintf(1, "type of nil %d %d\n", ok, i32);
}

/* Every other width, called as C calls it: 64-bit values in two words, a Single in one. Each
 * setter writes the Integer "Count" (or the Double "Ratio"), another width reads it back. */
static void CheckWidths(QVObject* probe) {
  uint64_t u64 = 0;
  int16_t i16 = 0;
  uint8_t u8 = 0;
  int8_t i8 = 0;
  int32_t i32 = 0;
  float single = 0;
  double real = 0;
  int ok = QUORSetPropValueInt64(probe, "count", 0x1FFFFFFF9LL) &&
           QUORGetPropValueUInt64(probe, "count", &u64);
  dprintf(1, "widths Int64 in %d UInt64 out %llx\n", ok, (unsigned long long)u64);
  ok = QUORSetPropValueUInt64(probe, "count", 0x100000002ULL) &&
       QUORGetPropValueInt8(probe, "count", &i8);
  dprintf(1, "widths UInt64 in %d Int8 out %d\n", ok, i8);
  ok = QUORSetPropValueUInt32(probe, "count", 0xFFFFFFFFu) &&
       QUORGetPropValueInt16(probe, "count", &i16) && QUORGetPropValueUInt8(probe, "count", &u8);
  dprintf(1, "widths UInt32 in %d Int16 out %d UInt8 out %u\n", ok, i16, u8);
  ok = QUORSetPropValueUInt16(probe, "count", 65535) && QUORGetPropValueInt(probe, "count", &i32);
  dprintf(1, "widths UInt16 in %d Int out %d\n", ok, i32);
  ok = QUORSetPropValueInt8(probe, "count", -128) && QUORGetPropValueInt(probe, "count", &i32);
  dprintf(1, "widths Int8 in %d Int out %d\n", ok, i32);
  ok = QUORSetPropValueUInt8(probe, "count", 200) && QUORGetPropValueInt(probe, "count", &i32);
  dprintf(1, "widths UInt8 in %d Int out %d\n", ok, i32);
  ok = QUORSetPropValueSingle(probe, "count", 2.75f) &&
       QUORGetPropValueDouble(probe, "count", &real);
  dprintf(1, "widths Single in %d Double out %.2f\n", ok, real);
  ok = QUORSetPropValueSingle(probe, "ratio", -1.5f) &&
       QUORGetPropValueSingle(probe, "ratio", &single);
  dprintf(1, "widths Single to Double %d Single out %.2f\n", ok, (double)single);
}

static void CheckMethods(QVObject* probe) {
  int32_t (*twice)(QVObject*) =
      (int32_t(*)(QVObject*))QUORLoadObjectMethod(probe, "twice() as integer");
  dprintf(1, "twice found %d gives %d\n", twice != 0, twice ? twice(probe) : 0);
  dprintf(1, "twice as Int64 %p\n", QUORLoadObjectMethod(probe, "Twice() As Int64"));
  double (*abs1)(double) =
      (double (*)(double))QUORLoadGlobalMethod(12345, "Abs(x As Double) As Double");
  double (*abs2)(double) =
      (double (*)(double))QUORLoadGlobalMethod(0, "abs(value as double) as double");
  dprintf(1, "abs same %d gives %.2f\n", abs1 == abs2, abs1 ? abs1(-2.5) : 0.0);
  dprintf(1, "bad declaration %p\n", QUORLoadGlobalMethod(0, "Abs(x As"));

  QVClass* cls = probe->cls;
  const int32_t properties = QUORCountClassProperties(cls);
  for (int32_t i = 0; i < properties; ++i) {
    void *getter = 0, *setter = 0;
    uint32_t parameter = 0;
    QVString* declaration = 0;
    if (!QUORGetClassProperty(cls, i, &getter, &setter, &parameter, &declaration)) continue;
    dprintf(1, "property %s at %u accessors %d%d\n", StringGetCString(declaration), parameter,
            getter != 0, setter != 0);
    QUORUnlockString(declaration);
  }
  const int32_t methods = QUORCountClassMethods(cls);
  for (int32_t i = 0; i < methods; ++i) {
    void* function = 0;
    QVString* declaration = 0;
    if (!QUORGetClassMethod(cls, i, &function, &declaration)) continue;
    dprintf(1, "method %s\n", StringGetCString(declaration));
    QUORUnlockString(declaration);
  }
}

static void CheckEnvironment(void) {
  dprintf(1, "version %.2f\n", QUORGetQVVersion());
  QVObject* graphics = New("Graphics");
  QVStyle style = {0, 0, 99, 0, 0, 0, 0, 0};
  int32_t x = 7, y = 8;
  QUORSetGraphicsOrigin(graphics, 3, 4);
  QUORGetGraphicsOrigin(graphics, &x, &y);
  QUORGetGraphicsFontStyle(graphics, &style);
  dprintf(1, "graphics without context origin %d %d size %d\n", x, y, style.textSize);
  QUORUnlockObject(graphics);

  QVObject* folder = QUORGetProjectFolder();
  QVString* path = 0;
  int ok = QUORGetPropValueString(folder, "AbsolutePath", &path);
  dprintf(1, "project folder %d %s\n", ok, StringGetCString(path));
  QUORUnlockString(path);
  QUORUnlockObject(folder);

  QVString* font = PluginDefaultControlFont();
  QVString* font2 = PluginDefaultControlFont();
  QVString* caption = PluginDefaultControlCaption();
  dprintf(1, "defaults %s %s %d distinct %d\n", StringGetCString(font), StringGetCString(caption),
          PluginDefaultControlFontSize(), font != font2);
  QUORUnlockString(font);
  QUORUnlockString(font2);
  QUORUnlockString(caption);

  QVString* engine = Str("probeENGINE");
  OpenRegisteredDataSource(engine, 3, 4);
  QUORUnlockString(engine);
  RegisterDataSourceInterface();
  DesignAddDataSource();
  PluginMarkSocketUsage();

  char** argv = QUORGetCommandLineForUnix();
  for (int i = 1; argv && argv[i]; ++i) dprintf(1, "argument %d %s\n", i, argv[i]);
}

/* Nil to every function that takes a string or an object. */
static void CheckNil(void) {
  QVStyle style = {0, 0, 5, 0, 0, 0, 0, 0};
  int32_t x = 1, y = 1, i32 = 1;
  QVString* s = 0;
  QVObject* o = 0;
  void* f = 0;
  QUORLockString(0);
  QUORUnlockString(0);
  QUORLockObject(0);
  QUORUnlockObject(0);
  int nils = QUORGetControlName(0) == 0;
  QUORGetGraphicsFontStyle(0, &style);
  QUORGetGraphicsOrigin(0, &x, &y);
  QUORSetGraphicsOrigin(0, 1, 1);
  nils += x == 0 && y == 0 && style.textSize == 5;
  nils += QUORLoadGlobalMethod(0, 0) == 0;
  nils += QUORLoadObjectMethod(0, "Twice() As Integer") == 0;
  nils += QUORCountClassMethods(0) == 0 && QUORGetClassMethod(0, 0, &f, &s) == 0;
  nils += QUORCountClassProperties(0) == 0 && QUORGetClassProperty(0, 0, 0, 0, 0, 0) == 0;
  nils += QUORGetPropValueInt(0, "Count", &i32) == 0 && QUORGetPropValueString(0, "Label", &s) == 0;
  nils += QUORSetPropValueInt(0, "Count", 1) == 0 && QUORSetPropValueString(0, "Label", 0) == 0;
  nils += QUORGetPropValueObject(0, "Peer", &o) == 0 && QUORSetPropValueObject(0, "Peer", 0) == 0;
  nils += OpenRegisteredDataSource(0, 0, 0) == 0 && PluginInterpretConstantValue(0) == 0;
  dprintf(1, "nil checks %d of 10\n", nils);
}

static int32_t InterfaceChecks(void) {
  QVObject* inspector = RuntimeDebugInstance();
  const int32_t before = RuntimeDebugObjectCount(inspector, 0);
  CheckStrings();
  QVObject* probe = New("IfaceProbe");
  QVObject* other = New("IfaceProbe");
  CheckProperties(probe, other);
  CheckMethods(probe);
  CheckWidths(probe);
  QUORUnlockObject(probe);
  dprintf(1, "other count after its holder went %d\n", other->refCount);
  QUORUnlockObject(other);
  CheckEnvironment();
  CheckNil();
  const int32_t after = RuntimeDebugObjectCount(inspector, 0);
  QUORUnlockObject(inspector);
  return after - before;
}

static const QVMethodDefinition kChecks = {(void*)InterfaceChecks, 0,
                                           "InterfaceChecks() As Integer"};

QV_PLUGIN_EXPORT void QUORPluginMain(QVLookup lookup) {
  gLookup = lookup;
  FindEverything();
  RegisterPluginVersion(9);
  PluginRegisterClass(&kProbe);
  PluginRegisterMethod(&kChecks);
  RegisterDataSource("ProbeEngine", OpenOlder);
  RegisterDataSource("PROBEENGINE", OpenNewer);
  PluginMarkSocketUsage();
  dprintf(1, "interface plug-in registered, %d missing\n", gMissing);
}
