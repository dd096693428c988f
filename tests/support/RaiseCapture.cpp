#include "support/RaiseCapture.h"

#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"
#include "strings/RuntimeString.h"

namespace qvtest {

namespace {
RaiseCapture* gCapture = nullptr;
}

RaiseCapture::RaiseCapture() {
  RegisterExceptionClasses();
  gCapture = this;
  SetUnhandledExceptionHook(&Hook);
}

RaiseCapture::~RaiseCapture() {
  SetUnhandledExceptionHook(nullptr);
  gCapture = nullptr;
}

void RaiseCapture::Hook(RuntimeObject* exception) {
  if (!gCapture || !exception) return;
  RuntimeExceptionObject* fields = AsException(exception);
  gCapture->mRaised.push_back({stringStorage::CString(exception->classPtr->className),
                               stringStorage::CString(fields->message)});
}

int RaiseCapture::Count(const std::string& className) const {
  int n = 0;
  for (const RaisedException& raised : mRaised) n += raised.className == className;
  return n;
}

std::string RaiseCapture::Take() {
  std::string taken = mRaised.empty() ? "" : mRaised.size() > 1 ? "several" : mRaised[0].className;
  mRaised.clear();
  return taken;
}

}  // namespace qvtest
