#include "core/ExceptionClasses.h"

#include "arrays/RuntimeArray.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/IntrinsicTypes.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"

namespace {

RuntimeClass* gRuntimeExceptionClass = nullptr;
RuntimeClass* gNilObjectExceptionClass = nullptr;
RuntimeClass* gIllegalCastExceptionClass = nullptr;
RuntimeClass* gTypeMismatchExceptionClass = nullptr;
RuntimeClass* gOutOfBoundsExceptionClass = nullptr;
RuntimeClass* gFunctionNotFoundExceptionClass = nullptr;

constexpr int32_t kExceptionInstanceSize = sizeof(RuntimeExceptionObject);

PropertyRow gExceptionProperties[] = {
    {0, "Message", nullptr, reinterpret_cast<void*>(&stringGetter), "stringGetter",
     reinterpret_cast<void*>(&stringSetter), "stringSetter",
     offsetof(RuntimeExceptionObject, message), 0},
    {0, "ErrorNumber", nullptr, reinterpret_cast<void*>(&intGetter), "intGetter",
     reinterpret_cast<void*>(&intSetter), "intSetter",
     offsetof(RuntimeExceptionObject, errorNumber), 0},
};

ArrayTypeDescriptor gStringArrayType = {kTypeKindArray, nullptr, 1};

MethodRow gExceptionMethods[] = {
    {"Stack",
     AsTypeDescriptor(&gStringArrayType),
     nullptr,
     0,
     {reinterpret_cast<void*>(&RuntimeExceptionStack), "RuntimeExceptionStack", 0, {}},
     {},
     kMethodPlain,
     0,
     0},
};

// The intrinsic records exist only at run time.
void FillExceptionRows() {
  gExceptionProperties[0].type = IntrinsicType(kIntrinsicString);
  gExceptionProperties[1].type = IntrinsicType(kIntrinsicInteger);
  gStringArrayType.elementType = IntrinsicType(kIntrinsicString);
}

void FillRuntimeException(ObjectDefinition* definition) {
  FillExceptionRows();
  definition->className = "RuntimeException";
  definition->objectSize = kExceptionInstanceSize;
  definition->SetItems(AddClassProperties(gExceptionProperties, 2));
  AddClassMethods(definition, gExceptionMethods, 1);
  definition->initializer = {reinterpret_cast<void*>(&RuntimeExceptionInitializer),
                             "RuntimeExceptionInitializer", 0, {}};
  definition->finalizer = {reinterpret_cast<void*>(&RuntimeExceptionFinalizer),
                           "RuntimeExceptionFinalizer", 0, {}};
  definition->isStatic = 1;
}

void FillSubclass(ObjectDefinition* definition, const char* name) {
  definition->className = name;
  definition->super = RuntimeExceptionDefinition();
  definition->objectSize = kExceptionInstanceSize;
  definition->isStatic = 1;
}

// The raisers' classes must exist once their getters ran.
void KeepClass(RuntimeClass** slot, ObjectDefinition* definition, bool required) {
  *slot = RuntimeClassForDefinition(definition);
  if (required) (void)QV_CHECK_TEXT(*slot, "exc", nullptr);
}

}  // namespace

#define QV_EXCEPTION_SUBCLASS(name)                                   \
  ObjectDefinition* name##Definition() {                              \
    static ObjectDefinition definition;                               \
    if (definition.className.IsEmpty()) FillSubclass(&definition, #name); \
    return &definition;                                               \
  }
#define QV_KEPT_EXCEPTION_SUBCLASS(name, required)                    \
  ObjectDefinition* name##Definition() {                              \
    static ObjectDefinition definition;                               \
    if (!definition.className.IsEmpty()) return &definition;          \
    FillSubclass(&definition, #name);                                 \
    KeepClass(&g##name##Class, &definition, required);                \
    return &definition;                                               \
  }                                                                   \
  RuntimeClass* name##Class() { return g##name##Class; }

ObjectDefinition* RuntimeExceptionDefinition() {
  static ObjectDefinition definition;
  if (!definition.className.IsEmpty()) return &definition;
  FillRuntimeException(&definition);
  KeepClass(&gRuntimeExceptionClass, &definition, false);
  return &definition;
}
RuntimeClass* RuntimeExceptionClass() { return gRuntimeExceptionClass; }

QV_KEPT_EXCEPTION_SUBCLASS(NilObjectException, true)
QV_EXCEPTION_SUBCLASS(NoOpenTransportException)
QV_EXCEPTION_SUBCLASS(RegistryAccessErrorException)
QV_EXCEPTION_SUBCLASS(ServiceNotAvailableException)
QV_KEPT_EXCEPTION_SUBCLASS(IllegalCastException, true)
QV_EXCEPTION_SUBCLASS(InvalidParentException)
QV_EXCEPTION_SUBCLASS(StackOverflowException)
QV_KEPT_EXCEPTION_SUBCLASS(TypeMismatchException, true)
QV_KEPT_EXCEPTION_SUBCLASS(OutOfBoundsException, true)
QV_EXCEPTION_SUBCLASS(OutOfMemoryException)
QV_EXCEPTION_SUBCLASS(KeyNotFoundException)
QV_EXCEPTION_SUBCLASS(EndException)
QV_EXCEPTION_SUBCLASS(UnsupportedFormatException)
QV_EXCEPTION_SUBCLASS(KeyChainException)
QV_EXCEPTION_SUBCLASS(OLEException)
QV_KEPT_EXCEPTION_SUBCLASS(FunctionNotFoundException, false)
QV_EXCEPTION_SUBCLASS(IllegalLockingException)
QV_EXCEPTION_SUBCLASS(ThreadAlreadyRunningException)
QV_EXCEPTION_SUBCLASS(ThreadEndException)

void RegisterExceptionClasses() {
  using Getter = ObjectDefinition* (*)();
  static const Getter kGetters[] = {
      RuntimeExceptionDefinition,           NilObjectExceptionDefinition,
      NoOpenTransportExceptionDefinition,   RegistryAccessErrorExceptionDefinition,
      ServiceNotAvailableExceptionDefinition, IllegalCastExceptionDefinition,
      InvalidParentExceptionDefinition,     StackOverflowExceptionDefinition,
      TypeMismatchExceptionDefinition,      OutOfBoundsExceptionDefinition,
      OutOfMemoryExceptionDefinition,       KeyNotFoundExceptionDefinition,
      EndExceptionDefinition,               UnsupportedFormatExceptionDefinition,
      KeyChainExceptionDefinition,          OLEExceptionDefinition,
      FunctionNotFoundExceptionDefinition,  IllegalLockingExceptionDefinition,
      ThreadAlreadyRunningExceptionDefinition, ThreadEndExceptionDefinition,
  };
  for (Getter getter : kGetters) RegisterClassDefinition(getter());
}
QV_STARTUP(kStartupExceptionClasses, RegisterExceptionClasses)

extern "C" void RuntimeExceptionInitializer(RuntimeObject* exception) {
  if (!QV_CHECK(exception)) return;
  AsException(exception)->stack = CreateArray(1, kArrayString, -1);
}
QV_EXPORT(RuntimeExceptionInitializer)

extern "C" void RuntimeExceptionFinalizer(RuntimeObject* exception) {
  if (!QV_CHECK(exception)) return;
  RuntimeExceptionObject* fields = AsException(exception);
  stringStorage::RemoveReference(fields->message);
  fields->message = nullptr;
  RuntimeUnlockArray(fields->stack);
  fields->stack = nullptr;
}
QV_EXPORT(RuntimeExceptionFinalizer)

extern "C" RuntimeArray* RuntimeExceptionStack(RuntimeObject* exception) {
  if (!QV_CHECK(exception)) return nullptr;
  RuntimeArray* stack = AsException(exception)->stack;
  RuntimeLockArray(stack);
  return stack;
}
QV_EXPORT(RuntimeExceptionStack)
