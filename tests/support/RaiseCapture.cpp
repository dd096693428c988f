#include "support/RaiseCapture.h"

#include <algorithm>

#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"
#include "strings/RuntimeString.h"

namespace qvtest {

namespace {
std::vector<RaisedException>* gRaised = nullptr;
}

RaiseCapture::RaiseCapture() {
  RegisterExceptionClasses();
  gRaised = &mRaised;
  SetUnhandledExceptionHook([](RuntimeObject* exception) {
    gRaised->push_back({stringStorage::CString(exception->classPtr->className),
                        stringStorage::CString(AsException(exception)->message)});
  });
}

RaiseCapture::~RaiseCapture() { SetUnhandledExceptionHook(nullptr); }

int RaiseCapture::Count(const std::string& className) const {
  return int(std::count_if(mRaised.begin(), mRaised.end(),
                           [&](const RaisedException& r) { return r.className == className; }));
}

std::string RaiseCapture::Take() {
  std::string taken = mRaised.empty() ? "" : mRaised.size() > 1 ? "several" : mRaised[0].className;
  mRaised.clear();
  return taken;
}

}  // namespace qvtest
