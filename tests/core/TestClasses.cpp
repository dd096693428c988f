#include "TestClasses.h"

namespace qvtest {

std::vector<std::string>& CallLog() {
  static std::vector<std::string> log;
  return log;
}

stringStorage* NewName(const char* text) { return string(text).ExtractStringStorage(); }

RuntimeClass* MakeClass(RuntimeClass* parent, const char* name, int32_t extraFields,
                        ClassShape shape) {
  RuntimeClass* cls = RuntimeNewClass(parent, shape.methods, shape.interfaces, shape.events,
                                      shape.namedMethods, shape.properties);
  if (!cls) return nullptr;
  cls->className = NewName(name);
  const int32_t parentSize = parent ? parent->instanceSize : int32_t(sizeof(RuntimeObject));
  cls->instanceSize = parentSize + 4 * extraFields;
  return cls;
}

RuntimeClass* MakeInterface(const char* name) {
  RuntimeClass* cls = MakeClass(nullptr, name);
  cls->isAnInterface = 1;
  return cls;
}

void ImplementInterface(RuntimeClass* cls, int32_t entry, RuntimeClass* interface,
                        const std::vector<void*>& functions) {
  InterfaceTableEntry& slot = InterfaceEntries(cls)[entry];
  slot.interfaceClass = interface;
  slot.methodCount = static_cast<int32_t>(functions.size());
  slot.methods = RuntimeNewVtable(slot.methodCount);
  for (size_t i = 0; i < functions.size(); ++i) {
    slot.methods[i].function = functions[i];
    slot.methods[i].key = nullptr;
  }
}

}  // namespace qvtest
