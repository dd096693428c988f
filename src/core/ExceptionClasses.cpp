#include "core/ExceptionClasses.h"

#include "arrays/RuntimeArray.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
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

using namespace lang;

const PropertyRow kExceptionProperties[] = {
    QV_PROPERTY("Message", String, stringGetter, stringSetter,
                offsetof(RuntimeExceptionObject, message)),
    QV_PROPERTY("ErrorNumber", Integer, intGetter, intSetter,
                offsetof(RuntimeExceptionObject, errorNumber)),
};
const MethodRow kExceptionMethods[] = {
    QV_FUNCTION("Stack", ArrayOf<String>, RuntimeExceptionStack),
};

// Builds the definition once; the raisers' classes are converted at once and kept, and must
// exist where required.
ObjectDefinition* BuildException(ObjectDefinition* definition,
                                 const ClassDeclaration& declaration, RuntimeClass** kept,
                                 bool required) {
  if (!definition->className.IsEmpty()) return definition;
  BuildClassDefinition(definition, declaration);
  if (!kept) return definition;
  *kept = RuntimeClassForDefinition(definition);
  if (required) (void)QV_CHECK_TEXT(*kept, "exc", nullptr);
  return definition;
}

}  // namespace

ObjectDefinition* RuntimeExceptionDefinition() {
  static ObjectDefinition definition;
  static const ClassDeclaration declaration = {
      .name = "RuntimeException",
      .objectSize = kExceptionInstanceSize,
      .properties = kExceptionProperties,
      .methods = kExceptionMethods,
      .initializer = QV_CODE(RuntimeExceptionInitializer),
      .finalizer = QV_CODE(RuntimeExceptionFinalizer),
  };
  return BuildException(&definition, declaration, &gRuntimeExceptionClass, false);
}
RuntimeClass* RuntimeExceptionClass() { return gRuntimeExceptionClass; }

// A subclass adds no fields; kept, its run-time class is remembered for its raiser.
#define QV_EXCEPTION_CLASS(className, kept, required)                           \
  ObjectDefinition* className##Definition() {                                   \
    static ObjectDefinition definition;                                         \
    static const ClassDeclaration declaration = {                               \
        .name = #className,                                                     \
        .super = RuntimeExceptionDefinition,                                    \
        .objectSize = kExceptionInstanceSize,                                   \
    };                                                                          \
    return BuildException(&definition, declaration, kept, required);           \
  }
#define QV_EXCEPTION_SUBCLASS(className) QV_EXCEPTION_CLASS(className, nullptr, false)
#define QV_KEPT_EXCEPTION_SUBCLASS(className, required)        \
  QV_EXCEPTION_CLASS(className, &g##className##Class, required) \
  RuntimeClass* className##Class() { return g##className##Class; }

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
