// Records the exceptions framework routines raise in a test, where no compiled handler exists.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"

namespace qvtest {

// While alive, records each raised exception as "Class" or "Class: message"; nothing reaches
// the unhandled path (a test has no compiled handler).
class RaisedExceptions {
 public:
  RaisedExceptions() {
    RegisterExceptionClasses();
    sRecorded = &mRaised;
    SetRaiseExceptionHook([](RuntimeObject* e) {
      const stringStorage* message = AsException(e)->message;
      sRecorded->push_back(std::string(stringStorage::CString(e->classPtr->className)) +
                           (message ? std::string(": ") + stringStorage::CString(message) : ""));
    });
    SetUnhandledExceptionHook([](RuntimeObject*) {});
  }
  ~RaisedExceptions() {
    SetRaiseExceptionHook(nullptr);
    SetUnhandledExceptionHook(nullptr);
  }
  std::vector<std::string> Take() { return std::exchange(mRaised, {}); }
  // The one record since the last Take: "" for none, "several" for more.
  std::string TakeOne() {
    const std::vector<std::string> raised = Take();
    return raised.empty() ? "" : raised.size() == 1 ? raised[0] : "several";
  }

 private:
  static inline std::vector<std::string>* sRecorded = nullptr;
  std::vector<std::string> mRaised;
};

}  // namespace qvtest
