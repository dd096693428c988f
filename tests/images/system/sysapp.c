/* The System module milestone, a console application: it prints, one labelled line each, the
 * command line, two environment variables the test set, one it sets itself and reads back
 * through libc's getenv, the network interface count, IsFunctionAvailable of cos in libm and of
 * a name that is missing, the class of the exception a RegistryItem constructor raises (caught
 * here as compiled code catches it), a KeyChainItem's Description read back after it was
 * assigned, and the numeric type of four texts; DebugLog writes one line to standard error. */
#include "qvapp.h"

char* getenv(const char* name);
QV_SHARED_FUNCTION(getenv, "libc.so.6");

void RuntimeRegisterConsoleAppObject(QVObject* object, int32_t service);
void RuntimeLockString(QVString text);
QVString StringStrInt32(int32_t value);
QVString StringFromCString(const char* text);

QVObject* getSystemObject(void);
QVString SystemGetCommandLine(QVObject* system);
QVString SystemGetEnvVariable(QVObject* system, QVString name);
void SystemSetEnvVariable(QVObject* system, QVString name, QVString value);
int32_t SystemGetNetworkInterfaceCount(QVObject* system, uint32_t parameter);
int32_t IsFunctionAvailable(QVObject* system, QVString function, QVString library);
void SystemDebugLogger(QVObject* system, QVString message);
void RegistryItemPathCtor(QVObject* item, QVString path);
QVString KeyChainItemAttributeGetter(QVObject* item, uint32_t attribute);
void KeyChainItemAttributeSetter(QVObject* item, uint32_t attribute, QVString value);
int32_t RuntimeTypeOfNumeric(QVString text);

QVObject* CallCatching(void* function, uint32_t a, uint32_t b);

/* Prints label and text on one line, then lets text go. */
static void PrintLine(QVString label, QVString text) {
  QVString line = RuntimeAddString(label, text);
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
  RuntimeUnlockString(text);
}

static void PrintNumber(QVString label, int32_t number) {
  PrintLine(label, StringStrInt32(number));
}

static QVObject* NewObjectOf(QVString className) {
  return RuntimeNewObject(RuntimeLookupClass(className));
}

static void PrintCaughtRegistryException(void) {
  QVObject* item = NewObjectOf(QV_STR("RegistryItem"));
  QVObject* caught = CallCatching((void*)&RegistryItemPathCtor, (uint32_t)item,
                                  (uint32_t)QV_STR("HKEY_CURRENT_USER\\Software"));
  QVString name = caught ? caught->classPtr->className : QV_STR("nothing");
  RuntimeLockString(name);
  PrintLine(QV_STR("registry:"), name);
  RuntimeUnlockObject(caught);
  RuntimeUnlockObject(item);
}

static void PrintKeyChainDescription(void) {
  QVObject* item = NewObjectOf(QV_STR("KeyChainItem"));
  KeyChainItemAttributeSetter(item, 0, QV_STR("a description"));
  QVString description = KeyChainItemAttributeGetter(item, 0);
  QVString bracketed = RuntimeAddString(QV_STR("["), description);
  PrintLine(QV_STR("keychain:"), RuntimeAddString(bracketed, QV_STR("]")));
  RuntimeUnlockString(bracketed);
  RuntimeUnlockString(description);
  RuntimeUnlockObject(item);
}

static void PrintNumericTypes(void) {
  QVString texts[4] = {QV_STR("12"), QV_STR("1.5e3"), QV_STR("12abc"), QV_STR("&hFF")};
  QVString line = QV_STR("numeric:");
  RuntimeLockString(line);
  for (int i = 0; i < 4; ++i) {
    QVString number = StringStrInt32(RuntimeTypeOfNumeric(texts[i]));
    QVString longer = RuntimeAddString(line, i ? QV_STR(" ") : QV_STR(""));
    RuntimeUnlockString(line);
    line = RuntimeAddString(longer, number);
    RuntimeUnlockString(longer);
    RuntimeUnlockString(number);
  }
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  RuntimeRegisterConsoleAppObject(0, 0);
  QVObject* system = getSystemObject();
  PrintLine(QV_STR("cmd:"), SystemGetCommandLine(system));
  PrintLine(QV_STR("one:"), SystemGetEnvVariable(system, QV_STR("QVTEST_ONE")));
  PrintLine(QV_STR("two:"), SystemGetEnvVariable(system, QV_STR("QVTEST_TWO")));
  SystemSetEnvVariable(system, QV_STR("QVTEST_SET"), QV_STR("set by the image"));
  PrintLine(QV_STR("set:"), StringFromCString(getenv("QVTEST_SET")));
  PrintNumber(QV_STR("interfaces:"), SystemGetNetworkInterfaceCount(system, 0));
  PrintNumber(QV_STR("cos:"), IsFunctionAvailable(system, QV_STR("cos"), QV_STR("libm.so.6")));
  PrintNumber(QV_STR("missing:"),
              IsFunctionAvailable(system, QV_STR("qv_no_such_function"), QV_STR("libm.so.6")));
  PrintCaughtRegistryException();
  PrintKeyChainDescription();
  PrintNumericTypes();
  SystemDebugLogger(system, QV_STR("debug line"));
  RuntimeUnlockObject(system);
}
