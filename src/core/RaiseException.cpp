#include "core/RaiseException.h"

#include "core/RuntimeError.h"

namespace {

// Names the exception that would have been raised, so that the report says what went wrong.
void ReportUnraisedException(const char* className) {
  ReportRuntimeError(kReportKindFramework, kErrorFailedAssertion, __FILE_NAME__, __LINE__,
                     className, nullptr);
}

}  // namespace

extern "C" void RaiseNilObjectException() { ReportUnraisedException("NilObjectException"); }

extern "C" void RaiseIllegalCastException() { ReportUnraisedException("IllegalCastException"); }

extern "C" void RaiseOutOfBoundsException() { ReportUnraisedException("OutOfBoundsException"); }
