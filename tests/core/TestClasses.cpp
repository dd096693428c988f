#include "TestClasses.h"

namespace qvtest {

stringStorage* NewName(const char* text) { return string(text).ExtractStringStorage(); }

RuntimeClass* MakeClass(RuntimeClass* parent, const char* name, int32_t extraFields,
                        ClassShape shape) {
  RuntimeClass* cls = RuntimeNewClass(parent, shape.methods, shape.interfaces, shape.events,
                                      shape.namedMethods, shape.properties);
  if (!cls) return nullptr;
  cls->className = NewName(name);
  cls->instanceSize =
      (parent ? parent->instanceSize : int32_t(sizeof(RuntimeObject))) + 4 * extraFields;
  return cls;
}

RuntimeClass* MakeInterface(const char* name) {
  RuntimeClass* cls = MakeClass(nullptr, name);
  cls->isAnInterface = 1;
  return cls;
}

}  // namespace qvtest
