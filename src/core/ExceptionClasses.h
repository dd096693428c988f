// The language's exception classes: RuntimeException and its nineteen built-in subclasses,
// which add no fields. The classes that framework raisers create are converted to run-time
// classes when their definitions are first built, and kept.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct RuntimeArray;

// A RuntimeException object as compiled code reads it.
struct RuntimeExceptionObject {
  RuntimeObject header;
  int32_t errorNumber;
  stringStorage* message;  // nil is the empty message
  RuntimeArray* stack;     // one-dimensional String array, innermost function first
};
static_assert(sizeof(RuntimeExceptionObject) == 36, "exception instances are read by code");
static_assert(offsetof(RuntimeExceptionObject, errorNumber) == 24, "exception layout");
static_assert(offsetof(RuntimeExceptionObject, message) == 28, "exception layout");
static_assert(offsetof(RuntimeExceptionObject, stack) == 32, "exception layout");

inline RuntimeExceptionObject* AsException(RuntimeObject* object) {
  return reinterpret_cast<RuntimeExceptionObject*>(object);
}

// True when the object is large enough to hold the exception fields.
inline bool IsExceptionObject(const RuntimeObject* object) {
  return object && object->classPtr &&
         object->classPtr->instanceSize >= int32_t(sizeof(RuntimeExceptionObject));
}

extern "C" {
void RuntimeExceptionInitializer(RuntimeObject* exception);
void RuntimeExceptionFinalizer(RuntimeObject* exception);
// The Stack array with one reference for the caller.
RuntimeArray* RuntimeExceptionStack(RuntimeObject* exception);
}

ObjectDefinition* RuntimeExceptionDefinition();
ObjectDefinition* NilObjectExceptionDefinition();
ObjectDefinition* NoOpenTransportExceptionDefinition();
ObjectDefinition* RegistryAccessErrorExceptionDefinition();
ObjectDefinition* ServiceNotAvailableExceptionDefinition();
ObjectDefinition* IllegalCastExceptionDefinition();
ObjectDefinition* InvalidParentExceptionDefinition();
ObjectDefinition* StackOverflowExceptionDefinition();
ObjectDefinition* TypeMismatchExceptionDefinition();
ObjectDefinition* OutOfBoundsExceptionDefinition();
ObjectDefinition* OutOfMemoryExceptionDefinition();
ObjectDefinition* KeyNotFoundExceptionDefinition();
ObjectDefinition* EndExceptionDefinition();
ObjectDefinition* UnsupportedFormatExceptionDefinition();
ObjectDefinition* KeyChainExceptionDefinition();
ObjectDefinition* OLEExceptionDefinition();
ObjectDefinition* FunctionNotFoundExceptionDefinition();
ObjectDefinition* IllegalLockingExceptionDefinition();
ObjectDefinition* ThreadAlreadyRunningExceptionDefinition();
ObjectDefinition* ThreadEndExceptionDefinition();

// Registers the twenty definitions with the class registry, RuntimeException first.
void RegisterExceptionClasses();

// The classes kept for the raisers; nil until their definitions are built.
RuntimeClass* RuntimeExceptionClass();
RuntimeClass* NilObjectExceptionClass();
RuntimeClass* IllegalCastExceptionClass();
RuntimeClass* TypeMismatchExceptionClass();
RuntimeClass* OutOfBoundsExceptionClass();
RuntimeClass* FunctionNotFoundExceptionClass();
