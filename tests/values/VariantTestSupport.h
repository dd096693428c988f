// Shared by the variant tests: what was raised, variants held for a test, and a boxed value's
// type and value as text.
#pragma once

#include <cinttypes>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/CLocaleText.h"
#include "support/RaisedExceptions.h"
#include "values/VariantTypes.h"

namespace qvtest {

// Releases the variants it was handed when it goes.
class HeldVariants {
 public:
  ~HeldVariants() {
    for (RuntimeObject* v : mHeld) RuntimeUnlockObject(v);
  }
  RuntimeObject* operator()(RuntimeObject* v) { return mHeld.push_back(v), v; }
  RuntimeObject* Text(const char* text) { return (*this)(StringToVariant(string(text).Storage())); }

 private:
  std::vector<RuntimeObject*> mHeld;
};

// "Int32 7", "Double 2.5", "String abc", "Currency 15000" (the raw count), "nil", or the class
// name of an object of no hidden class.
inline std::string DescribeVariant(RuntimeObject* v) {
  if (!v) return "nil";
  const std::string kind = stringStorage::CString(v->classPtr->className);
  if (kind.rfind("_Variant", 0) != 0) return kind;
  char value[64] = "";
  const std::string type = kind.substr(8);
  if (type == "Int32") std::snprintf(value, sizeof value, "%d", BoxedValueOf<int32_t>(v));
  if (type == "UInt32" || type == "Color")
    std::snprintf(value, sizeof value, "%u", BoxedValueOf<uint32_t>(v));
  if (type == "Int64" || type == "Currency")
    std::snprintf(value, sizeof value, "%" PRId64, BoxedValueOf<int64_t>(v));
  if (type == "UInt64") std::snprintf(value, sizeof value, "%" PRIu64, BoxedValueOf<uint64_t>(v));
  if (type == "Single") return type + " " + qvtest::CText("%.9g", BoxedValueOf<float>(v));
  if (type == "Double") return type + " " + qvtest::CText("%.17g", BoxedValueOf<double>(v));
  if (type == "Boolean") std::snprintf(value, sizeof value, "%d", BoxedValueOf<uint8_t>(v));
  if (type == "String") return type + " " + stringStorage::CString(BoxedValueOf<stringStorage*>(v));
  return type + " " + value;
}

}  // namespace qvtest
