/* What a test application in C needs to stand in for compiled code: the framework functions it
 * calls, and helpers for what the language's compiler would emit (string constants, declared
 * shared-library functions, object and class records, handler markers).
 *
 * Compile with gcc -m32 -c -fno-pic -fno-omit-frame-pointer -fno-asynchronous-unwind-tables
 * -fno-stack-protector and pack with tools/qvpack (qv_add_test_image in cmake/QvImage.cmake).
 * The entry is QV_ENTRY; it takes no arguments and runs when the image is loaded. */
#ifndef QVAPP_H
#define QVAPP_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The image's entry, laid out first in the code block by qvpack. */
#define QV_ENTRY void QVEntry(void)

/* ---- String constants -------------------------------------------------------------------
 * A string record: five header words, then the length byte, the text and a NUL. qvpack turns
 * every reference to a record in the ".qvstrings" section into a kind 5 import record; the
 * loader then adds the data base and fills in the data pointer. */
typedef struct QVStringRecord {
  uint32_t refCount;
  const unsigned char* data; /* 0 in the image: the loader points it after the header */
  uint32_t capacity;         /* length + 2 */
  uint32_t length;           /* bytes, without the length byte and NUL */
  uint32_t encoding;
} QVStringRecord;
typedef QVStringRecord* QVString;

#define QV_ENCODING_ASCII 0x0600u
#define QV_ENCODING_UTF8 0x08000100u
/* Constant strings are shared by every use and must never be freed. */
#define QV_CONSTANT_REFCOUNT 0x40000000u

#define QV_STRING_RECORD_TYPE(literal)                                                    \
  struct {                                                                                \
    QVStringRecord header;                                                                \
    unsigned char lengthByte;                                                             \
    char text[sizeof(literal)];                                                           \
  }
#define QV_STRING_RECORD_INIT(literal, encodingCode)                                      \
  {{QV_CONSTANT_REFCOUNT, 0, sizeof(literal) + 1, sizeof(literal) - 1, (encodingCode)},   \
   (unsigned char)(sizeof(literal) - 1 > 255 ? 255 : sizeof(literal) - 1),                \
   literal}

/* At file scope: defines the string constant `name`; QV_RECORD_STR(name) is its QVString. */
#define QV_STRING_CONSTANT(name, literal)                                                 \
  static QV_STRING_RECORD_TYPE(literal) name                                              \
      __attribute__((section(".qvstrings"), aligned(4), used)) =                          \
          QV_STRING_RECORD_INIT(literal, QV_ENCODING_ASCII)
#define QV_RECORD_STR(name) ((QVString) & (name).header)

/* Inside a function: a string constant in place, e.g. RuntimeDebugWrite(QV_STR("hello")). */
#define QV_STR_ENCODED(literal, encodingCode)                                             \
  __extension__({                                                                         \
    static QV_STRING_RECORD_TYPE(literal) qvRecord                                        \
        __attribute__((section(".qvstrings"), aligned(4))) =                              \
            QV_STRING_RECORD_INIT(literal, encodingCode);                                 \
    (QVString) & qvRecord.header;                                                         \
  })
#define QV_STR(literal) QV_STR_ENCODED(literal, QV_ENCODING_ASCII)

/* ---- Shared-library functions -------------------------------------------------------------
 * Declares that `function` lives in the shared library `library` (a base name the library
 * finder understands, e.g. "libm.so.6"). Declare the function's prototype as usual and call
 * it; qvpack turns the calls into a kind 4 import record. Only calls can reach such a
 * function: its address cannot be taken. */
#define QV_SHARED_FUNCTION(function, library)                                             \
  __attribute__((section(".qvlibs"), used)) static const char                             \
      qvSharedFunction_##function[] = #function "\0" library

/* ---- Objects and classes ------------------------------------------------------------------
 * The header of every language object and the run-time class record, as compiled code reads
 * them at fixed positions. */
typedef struct QVObject {
  void* methodTable;
  struct QVClass* classPtr;
  void* eventTable;
  int32_t refCount;
  struct QVObject* prevObject;
  struct QVObject* nextObject;
} QVObject;

typedef struct QVClass {
  struct QVClass* parentClass;
  QVString className;
  struct QVClass* nextClass;
  uint32_t instanceSize;
  uint32_t isAnInterface;
  void (*constructor)(QVObject*);
  void (*destructor)(QVObject*);
  void (*finalizer)(QVObject*);
  uint32_t methodCount;
  void* methodTable;
  uint32_t eventCount;
  void* eventTable;
  uint32_t namedMethodCount;
  void* namedMethodTable;
  uint32_t propertyCount;
  void* propertyTable;
  uint32_t interfaceCount;
} QVClass;

typedef char qvObjectHeaderSize[sizeof(QVObject) == 24 ? 1 : -1];
typedef char qvClassRecordSize[sizeof(QVClass) == 68 ? 1 : -1];

/* ---- Subclasses with handlers -------------------------------------------------------------
 * What the compiler emits for a class of the application: a class record derived from a
 * framework class, its event table a copy of the parent's, and a handler stored in the entry
 * of each event the class implements. */
QVClass* RuntimeLookupClass(QVString name);
QVClass* RuntimeNewClass(QVClass* parent, int32_t methods, int32_t interfaces, int32_t events,
                         int32_t namedMethods, int32_t properties);

/* An interface a class implements: the entries follow the class record, one for each
 * interface, each with the methods that implement the interface's methods by name. */
typedef struct QVNamedMethod {
  void* function;
  QVString key;
} QVNamedMethod;

typedef struct QVInterfaceEntry {
  QVClass* interfaceClass;
  int32_t methodCount;
  QVNamedMethod* methods;
} QVInterfaceEntry;

QVNamedMethod* RuntimeNewVtable(int32_t count);
QVNamedMethod* RuntimeLookupInterfaceVtable(QVObject* object, QVClass* interface);

/* Entry index of cls implements interface with methodCount methods: their table, to fill. */
static inline QVNamedMethod* QVImplement(QVClass* cls, int index, QVClass* interface,
                                         int32_t methodCount) {
  QVInterfaceEntry* entries = (QVInterfaceEntry*)(cls + 1);
  entries[index].interfaceClass = interface;
  entries[index].methodCount = methodCount;
  entries[index].methods = RuntimeNewVtable(methodCount);
  return entries[index].methods;
}

static inline void QVSetMethod(QVNamedMethod* method, void* function, QVString key) {
  method->function = function;
  method->key = key;
}

typedef struct QVEventEntry {
  void* vector;
  QVString name;
} QVEventEntry;

/* True when the string record holds exactly the NUL-terminated text. */
static inline int QVStringIs(QVString name, const char* text) {
  uint32_t length = name ? name->length : 0;
  uint32_t i = 0;
  for (; i < length; ++i) {
    if (text[i] == 0 || (unsigned char)text[i] != name->data[1 + i]) return 0;
  }
  return text[i] == 0;
}

static inline void QVSetHandler(QVClass* cls, const char* event, void* handler) {
  QVEventEntry* entries = (QVEventEntry*)cls->eventTable;
  for (uint32_t i = 0; i < cls->eventCount; ++i) {
    if (QVStringIs(entries[i].name, event)) entries[i].vector = handler;
  }
}

static inline QVClass* QVSubclass(QVString parentName, QVString name) {
  QVClass* parent = RuntimeLookupClass(parentName);
  QVClass* cls = RuntimeNewClass(parent, parent->methodCount, parent->interfaceCount,
                                 parent->eventCount, parent->namedMethodCount,
                                 parent->propertyCount);
  cls->className = name;
  cls->instanceSize = parent->instanceSize;
  return cls;
}

/* ---- Handler markers ---------------------------------------------------------------------
 * The 13-byte header a compiler places at the start of an exception-handler region, as
 * assembler text for an asm statement: a near jump over the header (skip bytes past it), the
 * marker word, two zero bytes and the 16-bit frame offset of the exception variable. */
#define QV_MARKER_HANDLER_ENTRY 0x411
#define QV_MARKER_OPEN_REGION 0x412
#define QV_MARKER_CLOSE_REGION 0x413
#define QV_STRINGIFY_(x) #x
#define QV_STRINGIFY(x) QV_STRINGIFY_(x)
#define QV_HANDLER_HEADER_ASM(marker, variableOffset, skip)                               \
  ".byte 0xE9\n\t.long 8 + " QV_STRINGIFY(skip) "\n\t.long " QV_STRINGIFY(marker)       \
  "\n\t.word 0\n\t.word " QV_STRINGIFY(variableOffset) "\n\t"

/* ---- Framework functions that test applications call ------------------------------------ */
void RuntimeInit(void);
void RuntimeInitExternalClasses(void);
void RuntimeRun(void);
void QV_ApplicationQuit(int32_t unused);
void RuntimeRaiseException(QVObject* exception);
void RuntimeReraiseException(QVObject* exception);
void RuntimeUnhandledException(QVObject* exception);
QVString RuntimeHex(uint32_t value);
double RuntimeMicroseconds(void);

/* ---- Objects, strings, windows and controls ----------------------------------------------
 * What nearly every test application calls, and the window and control fields it sets before
 * the window is shown. */
QVObject* RuntimeNewObject(QVClass* cls);
void RuntimeUnlockObject(QVObject* object);
void RuntimeRegisterAppObject(QVObject* object);
void RuntimeConsolePrint(QVString text);
QVString RuntimeAddString(QVString a, QVString b);
void RuntimeUnlockString(QVString text);
void WindowDefaultConstructor(QVObject* window);
void WindowAddControl(QVObject* window, QVString name, QVObject* control);
void RuntimeControlMove(QVObject* control, int32_t left, int32_t top, int32_t width,
                        int32_t height);

void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);

/* Moved, shown and enabled, as the compiler's set-up code leaves a control. */
static inline void QVPlaceControl(QVObject* control, int32_t left, int32_t top, int32_t width,
                                  int32_t height) {
  RuntimeControlMove(control, left, top, width, height);
  ControlVisibleSetter(control, 0, 1);
  controlEnabledSetter(control, 0, 1);
}

#define CONTROL_NAME 32
#define WINDOW_VISIBLE 52
#define WINDOW_RESIZEABLE 54
#define WINDOW_BOUNDS 68
#define WINDOW_TITLE 92

/* ---- Pictures, their files and printing ------------------------------------------------------
 * New Picture(w, h, d) is RuntimeNewObject of the class "Picture" and PictureConstructor; the
 * getters return one reference for the caller. SaveAsPicture's format 4 is BMP; OpenAsPicture
 * detects the format. OpenPrinter's setup may be nil; the job goes when its Graphics is
 * released. */
void PictureConstructor(QVObject* picture, int32_t width, int32_t height, int32_t depth);
int32_t pictureWidthGetter(QVObject* picture, uint32_t unused);
int32_t pictureHeightGetter(QVObject* picture, uint32_t unused);
QVObject* pictureGraphicsGetter(QVObject* picture, uint32_t unused);
QVObject* pictureRGBSurfaceGetter(QVObject* picture, uint32_t unused);
uint32_t rgbSurfaceGetPixel(QVObject* surface, int32_t x, int32_t y);
void rgbSurfaceSetPixel(QVObject* surface, int32_t x, int32_t y, uint32_t color);
void rgbSurfaceSeedFill(QVObject* surface, int32_t x, int32_t y, uint32_t fillColor);
void rgbSurfaceTransformRGB(QVObject* surface, void* redMap, void* greenMap, void* blueMap);
void FolderItemSaveAsPicture(QVObject* item, QVObject* picture, int32_t format);
QVObject* FolderItemOpenImage(QVObject* item);
QVObject* RuntimeOpenPrinter(QVObject* setup);
void RuntimeGraphicsNextPage(QVObject* g);
void RuntimeGraphicsDrawPicture(QVObject* g, QVObject* picture, int32_t x, int32_t y, int32_t w1,
                                int32_t h1, int32_t sx, int32_t sy, int32_t w2, int32_t h2);

/* ---- Saying things on standard output, and placing windows --------------------------------
 * What test applications print for their tests to compare, and the window fields compiled
 * window code sets in Layout. */
QVString StringFromCString(const char* text);

/* Says "text n1 n2 ...": each number in decimal, or with hex as six or more hexadecimal
 * digits. */
static inline void QVSayNumbers(const char* text, const int32_t* values, int count, int hex) {
  char line[160];
  int length = 0;
  while (*text && length < 100) line[length++] = *text++;
  for (int i = 0; i < count && length < 146; ++i) {
    char digits[12];
    int n = 0;
    const uint32_t base = hex ? 16u : 10u;
    const int negative = !hex && values[i] < 0;
    uint32_t value = negative ? 0u - (uint32_t)values[i] : (uint32_t)values[i];
    line[length++] = ' ';
    if (negative) line[length++] = '-';
    do {
      digits[n++] = "0123456789ABCDEF"[value % base];
      value /= base;
    } while (value);
    while (hex && n < 6) digits[n++] = '0';
    while (n) line[length++] = digits[--n];
  }
  line[length] = 0;
  QVString said = StringFromCString(line);
  RuntimeConsolePrint(said);
  RuntimeUnlockString(said);
}

/* Says prefix followed by text, and lets go of the text (a getter's result). */
static inline void QVSayText(QVString prefix, QVString text) {
  QVString line = RuntimeAddString(prefix, text);
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
  RuntimeUnlockString(text);
}

/* What a compiled GUI application's entry does first: the runtime and the external classes
 * started, and its Application object made and registered. */
static inline void QVStartApplication(void) {
  RuntimeInit();
  RuntimeInitExternalClasses();
  QVObject* app = RuntimeNewObject(RuntimeLookupClass(QV_STR("Application")));
  RuntimeRegisterAppObject(app);
  RuntimeUnlockObject(app);
}

/* An Activate handler saying "Activate" the first time only: the window is activated again
 * whenever a popup list or a drag closes. */
static inline void QVSayFirstActivate(QVObject* window) {
  static int activated;
  (void)window;
  if (!activated) RuntimeConsolePrint(QV_STR("Activate"));
  activated = 1;
}

/* A line said piece by piece: line + text, letting go of line; with QVAppendOwned, of text
 * too (a getter's result). QVSayLine says the line and lets go of it. */
static inline QVString QVAppend(QVString line, QVString text) {
  QVString longer = RuntimeAddString(line, text);
  RuntimeUnlockString(line);
  return longer;
}

static inline QVString QVAppendOwned(QVString line, QVString owned) {
  line = QVAppend(line, owned);
  RuntimeUnlockString(owned);
  return line;
}

static inline void QVSayLine(QVString line) {
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
}

/* A visible window of width x height at (left, top), titled title. */
static inline void QVPlaceWindow(QVObject* window, int16_t top, int16_t left, int16_t width,
                                 int16_t height, QVString title) {
  int16_t* bounds = (int16_t*)((char*)window + WINDOW_BOUNDS);
  bounds[0] = top;
  bounds[1] = left;
  bounds[2] = (int16_t)(top + height);
  bounds[3] = (int16_t)(left + width);
  *(QVString*)((char*)window + WINDOW_TITLE) = title;
  *(uint8_t*)((char*)window + WINDOW_VISIBLE) = 1;
}

#ifdef __cplusplus
}
#endif

#endif /* QVAPP_H */
