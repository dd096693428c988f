// Records the exceptions framework routines raise in tests, where no compiled handler exists:
// the exception classes are registered first, and while a capture lives each exception lands
// here instead of on the unhandled path.
#pragma once

#include <string>
#include <vector>

namespace qvtest {

struct RaisedException {
  std::string className, message;
};

class RaiseCapture {
 public:
  RaiseCapture();
  ~RaiseCapture();
  const std::vector<RaisedException>& raised() const { return mRaised; }
  size_t count() const { return mRaised.size(); }
  int Count(const std::string& className) const;
  // The class of the one exception recorded since the last Take ("" for none, "several" for
  // more), and forgets them.
  std::string Take();

 private:
  std::vector<RaisedException> mRaised;
};

}  // namespace qvtest
