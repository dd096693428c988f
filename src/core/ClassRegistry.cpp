#include "core/ClassRegistry.h"

#include "core/RuntimeError.h"
#include "core/StringMap.h"

namespace {

constexpr uint32_t kRegistryBuckets = 256;

// Made on the first registration and kept for the life of the process: definitions are
// looked up until the very end, by destructors that run at exit among others.
StringMap<ObjectDefinition*>* gClassRegistry = nullptr;

}  // namespace

void RegisterClassDefinition(ObjectDefinition* definition) {
  if (!QV_CHECK_TEXT(definition, "defn", nullptr)) return;
  if (!gClassRegistry) gClassRegistry = new StringMap<ObjectDefinition*>(kRegistryBuckets);
  gClassRegistry->AddEntry(definition->className, definition);
}

ObjectDefinition* LookupClassDefinition(const string& name) {
  ObjectDefinition* definition = nullptr;
  if (gClassRegistry) gClassRegistry->GetEntry(name, &definition);
  return definition;
}
