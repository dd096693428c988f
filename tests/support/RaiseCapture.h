// Records the exceptions framework routines raise, for tests that run no compiled code (so no
// handler exists): the exception classes are registered first, and while a capture lives each
// raised exception lands here instead of the unhandled path.
#pragma once

#include <string>
#include <vector>

#include "core/RuntimeObject.h"

namespace qvtest {

struct RaisedException {
  std::string className;
  std::string message;
};

class RaiseCapture {
 public:
  RaiseCapture();
  ~RaiseCapture();
  RaiseCapture(const RaiseCapture&) = delete;
  RaiseCapture& operator=(const RaiseCapture&) = delete;

  const std::vector<RaisedException>& raised() const { return mRaised; }
  size_t count() const { return mRaised.size(); }
  // How many of the recorded exceptions are of the class.
  int Count(const std::string& className) const;
  // The class of the only exception recorded since the last Take ("" for none, "several"
  // when more came), then forgets them.
  std::string Take();

 private:
  static void Hook(RuntimeObject* exception);
  std::vector<RaisedException> mRaised;
};

}  // namespace qvtest
