// Shared by the variant tests: what was raised, and a boxed variant's type and value as text.
#pragma once

#include <cinttypes>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"
#include "core/VariantTypes.h"

namespace qvtest {

// While alive, every raised exception is recorded as "Class" or "Class: message", and nothing
// reaches the unhandled path (no compiled handler exists in a test).
class RaisedExceptions {
 public:
  RaisedExceptions() {
    RegisterExceptionClasses();
    sRecorded = &mRaised;
    SetRaiseExceptionHook(&Record);
    SetUnhandledExceptionHook([](RuntimeObject*) {});
  }
  ~RaisedExceptions() {
    SetRaiseExceptionHook(nullptr);
    SetUnhandledExceptionHook(nullptr);
    sRecorded = nullptr;
  }
  RaisedExceptions(const RaisedExceptions&) = delete;
  RaisedExceptions& operator=(const RaisedExceptions&) = delete;

  // The records since the last Take, cleared.
  std::vector<std::string> Take() { return std::exchange(mRaised, {}); }
  // The one record since the last Take, "" when none, "several" when more.
  std::string TakeOne() {
    std::vector<std::string> raised = Take();
    return raised.empty() ? "" : raised.size() == 1 ? raised[0] : "several";
  }

 private:
  static void Record(RuntimeObject* exception) {
    if (!sRecorded) return;
    std::string text = stringStorage::CString(exception->classPtr->className);
    if (AsException(exception)->message) {
      text += std::string(": ") + stringStorage::CString(AsException(exception)->message);
    }
    sRecorded->push_back(text);
  }
  static inline std::vector<std::string>* sRecorded = nullptr;
  std::vector<std::string> mRaised;
};

// Owns one reference to each variant it is handed, released when it goes.
class HeldVariants {
 public:
  HeldVariants() = default;
  HeldVariants(const HeldVariants&) = delete;
  HeldVariants& operator=(const HeldVariants&) = delete;
  ~HeldVariants() {
    for (RuntimeObject* v : mHeld) RuntimeUnlockObject(v);
  }
  RuntimeObject* operator()(RuntimeObject* v) {
    mHeld.push_back(v);
    return v;
  }
  RuntimeObject* Text(const char* text) { return (*this)(StringToVariant(string(text).Storage())); }

 private:
  std::vector<RuntimeObject*> mHeld;
};

// "Int32 7", "Double 2.5", "String abc", "Currency 15000" (the raw count), "nil", or the class
// name of any other object.
inline std::string DescribeVariant(RuntimeObject* v) {
  if (!v) return "nil";
  std::string kind = stringStorage::CString(v->classPtr->className);
  if (kind.rfind("_Variant", 0) != 0) return kind;
  kind = kind.substr(8);
  char value[64] = "";
  if (kind == "Int32") std::snprintf(value, sizeof value, "%d", BoxedValueOf<int32_t>(v));
  if (kind == "UInt32" || kind == "Color")
    std::snprintf(value, sizeof value, "%u", BoxedValueOf<uint32_t>(v));
  if (kind == "Int64" || kind == "Currency")
    std::snprintf(value, sizeof value, "%" PRId64, BoxedValueOf<int64_t>(v));
  if (kind == "UInt64") std::snprintf(value, sizeof value, "%" PRIu64, BoxedValueOf<uint64_t>(v));
  if (kind == "Single") std::snprintf(value, sizeof value, "%.9g", BoxedValueOf<float>(v));
  if (kind == "Double") std::snprintf(value, sizeof value, "%.17g", BoxedValueOf<double>(v));
  if (kind == "Boolean") std::snprintf(value, sizeof value, "%d", BoxedValueOf<uint8_t>(v));
  if (kind == "String") return kind + " " + stringStorage::CString(BoxedValueOf<stringStorage*>(v));
  return kind + " " + value;
}

}  // namespace qvtest
