// Raisers of exceptions: the framework's built-in ones and any class or definition.
//
// A raiser creates the exception (count 1), sets its fields, raises it and drops its own
// reference; a handler's variable keeps the object alive. The raise returns normally: the
// routine that called the raiser then returns its neutral value at once and does no further
// work, and the handler runs when control is back in compiled code. A built-in raiser called
// before the exception classes exist reports the exception's class name as a failed check.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

extern "C" {
void RaiseNilObjectException();  // compiled code calls it as RuntimeNilObject
void RaiseIllegalCastException();
void RaiseOutOfBoundsException();
void RaiseTypeMismatchException();
// A nil class is a failed check ("exclass") and raises nothing.
void RaiseNewExceptionOfClass(RuntimeClass* exceptionClass);
void RaiseNewException(ObjectDefinition* definition);
// Message gets a reference of its own.
void RaiseNewExceptionWithMessage(ObjectDefinition* definition, stringStorage* message,
                                  int32_t errorNumber);
// FunctionNotFoundException with "Could not load <function> from <library>".
void RuntimeRaiseFunctionNotFoundException(stringStorage* functionName,
                                           stringStorage* libraryName);
}
