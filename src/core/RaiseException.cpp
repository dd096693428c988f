#include "core/RaiseException.h"

#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "strings/RuntimeString.h"

namespace {

void SetMessage(RuntimeObject* exception, stringStorage* message, int32_t errorNumber) {
  RuntimeExceptionObject* fields = AsException(exception);
  fields->errorNumber = errorNumber;
  stringStorage::AddReference(message);
  stringStorage::RemoveReference(fields->message);
  fields->message = message;
}

// Raises the new exception and drops the creator's reference.
void RaiseCreated(RuntimeObject* exception) {
  if (!exception) return;
  RuntimeRaiseException(exception);
  RuntimeUnlockObject(exception);
}

// Before start-up has built the exception classes there is nothing to raise: the report names
// the exception instead, so that the failure is not lost.
void RaiseBuiltIn(RuntimeClass* exceptionClass, const char* className) {
  if (!QV_CHECK_TEXT(exceptionClass, className, nullptr)) return;
  RaiseCreated(RuntimeNewObject(exceptionClass));
}

}  // namespace

extern "C" void RaiseNewExceptionOfClass(RuntimeClass* exceptionClass) {
  if (!QV_CHECK_TEXT(exceptionClass, "exclass", nullptr)) return;
  RaiseCreated(RuntimeNewObject(exceptionClass));
}

extern "C" void RaiseNilObjectException() { RaiseBuiltIn(NilObjectExceptionClass(), "NilObjectException"); }
// What compiled code calls where it finds nil in place of an object.
QV_EXPORT_AS("RuntimeNilObject", RaiseNilObjectException)

extern "C" void RaiseIllegalCastException() {
  RaiseBuiltIn(IllegalCastExceptionClass(), "IllegalCastException");
}

extern "C" void RaiseOutOfBoundsException() {
  RaiseBuiltIn(OutOfBoundsExceptionClass(), "OutOfBoundsException");
}

extern "C" void RaiseTypeMismatchException() {
  RaiseBuiltIn(TypeMismatchExceptionClass(), "TypeMismatchException");
}

extern "C" void RaiseNewException(ObjectDefinition* definition) {
  if (!QV_CHECK_TEXT(definition, "defn", nullptr)) return;
  RaiseCreated(NewObjectFromDefinition(definition));
}

extern "C" void RaiseNewExceptionWithMessage(ObjectDefinition* definition,
                                             stringStorage* message, int32_t errorNumber) {
  if (!QV_CHECK_TEXT(definition, "defn", nullptr)) return;
  RuntimeObject* exception = NewObjectFromDefinition(definition);
  if (!exception) return;
  if (!QV_CHECK_TEXT(IsExceptionObject(exception), "definition is an exception class", nullptr)) {
    RuntimeUnlockObject(exception);
    return;
  }
  SetMessage(exception, message, errorNumber);
  RaiseCreated(exception);
}

extern "C" void RuntimeRaiseFunctionNotFoundException(stringStorage* functionName,
                                                      stringStorage* libraryName) {
  string message =
      string("Could not load ") + string(functionName) + string(" from ") + string(libraryName);
  RaiseNewExceptionWithMessage(FunctionNotFoundExceptionDefinition(), message.Storage(), 0);
}
QV_EXPORT(RuntimeRaiseFunctionNotFoundException)
