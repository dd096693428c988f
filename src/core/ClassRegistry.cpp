#include "core/ClassRegistry.h"

#include "core/ExportRegistry.h"
#include "core/RuntimeError.h"
#include "core/StringMap.h"

namespace {

constexpr uint32_t kRegistryBuckets = 256;

using DefinitionMap = StringMap<ObjectDefinition*>;

// Made on the first registration and kept for the life of the process: definitions are
// looked up until the very end, by destructors that run at exit among others.
DefinitionMap* gClassRegistry = nullptr;
DefinitionMap* gModuleRegistry = nullptr;
uint32_t gClassRegistrations = 0;
ClassRegistrationObserver gRegistrationObserver = nullptr;

ObjectDefinition* Lookup(const DefinitionMap* map, const string& name) {
  ObjectDefinition* definition = nullptr;
  if (map) map->GetEntry(name, &definition);
  return definition;
}

void Store(DefinitionMap** map, ObjectDefinition* definition) {
  if (!*map) *map = new DefinitionMap(kRegistryBuckets);
  (*map)->AddEntry(definition->className, definition);
}

void RegisterNamedExport(const char* name, void* function) {
  if (name && function) RegisterExport(name, function);
}

// Each failed check is reported on its own. A module has no instances, so a size, a super,
// an initializer or finalizer, hooks or interfaces are never used: the module still works and
// is registered, rather than lost for a field it does not need. A second module of a taken
// name is refused (false): the first keeps the name compiled code may already have linked.
bool CheckModuleForm(const ObjectDefinition* d) {
  (void)QV_CHECK_TEXT(d->objectSize == 0, "0 == defn->objectSize", nullptr);
  (void)QV_CHECK_TEXT(d->super == nullptr, "NULL == defn->super", nullptr);
  (void)QV_CHECK_TEXT(d->initializer.toc == nullptr, "NULL == defn->initializer.toc", nullptr);
  (void)QV_CHECK_TEXT(d->finalizer.toc == nullptr, "NULL == defn->finalizer.toc", nullptr);
  (void)QV_CHECK_TEXT(d->hooks == nullptr, "NULL == defn->hooks", nullptr);
  (void)QV_CHECK_TEXT(d->hookInstances == nullptr, "NULL == defn->hookInstances", nullptr);
  (void)QV_CHECK_TEXT(d->interfaces == nullptr, "NULL == defn->interfaces", nullptr);
  return QV_CHECK_TEXT(!Lookup(gModuleRegistry, d->className),
                       "not gIntrinsicModuleMap->HasEntry( defn->className )", nullptr);
}

}  // namespace

void RegisterCodeRecordExport(const CodeRecord* record) {
  if (!QV_CHECK_TEXT(record, "meth", nullptr)) return;
  RegisterNamedExport(record->exportName, record->toc);
}

void RegisterDefinitionExports(const ObjectDefinition* definition) {
  for (const ObjectMethod* method = definition->methods; method; method = method->next) {
    RegisterCodeRecordExport(&method->row.a);
    RegisterCodeRecordExport(&method->row.b);
  }
  for (const InstanceVariable* item = definition->items; item; item = item->next) {
    RegisterNamedExport(item->getterExportName, item->getter);
    RegisterNamedExport(item->setterExportName, item->setter);
  }
  RegisterCodeRecordExport(&definition->initializer);
  RegisterCodeRecordExport(&definition->finalizer);
}

void RegisterClassDefinition(ObjectDefinition* definition) {
  if (!QV_CHECK_TEXT(definition, "defn", nullptr)) return;
  Store(&gClassRegistry, definition);
  ++gClassRegistrations;
  RegisterDefinitionExports(definition);
  if (gRegistrationObserver) gRegistrationObserver(definition);
}

ClassRegistrationObserver SetClassRegistrationObserver(ClassRegistrationObserver observer) {
  ClassRegistrationObserver previous = gRegistrationObserver;
  gRegistrationObserver = observer;
  return previous;
}

uint32_t ClassRegistrationCount() { return gClassRegistrations; }

namespace {

SimpleVector<ObjectDefinition*> Definitions(const DefinitionMap* map) {
  SimpleVector<ObjectDefinition*> definitions;
  if (!map) return definitions;
  map->ForEach(
      [](string, ObjectDefinition* definition, void* context) -> int32_t {
        static_cast<SimpleVector<ObjectDefinition*>*>(context)->Append(definition);
        return 1;
      },
      &definitions);
  return definitions;
}

}  // namespace

SimpleVector<ObjectDefinition*> RegisteredClassDefinitions() { return Definitions(gClassRegistry); }

SimpleVector<ObjectDefinition*> RegisteredModuleDefinitions() {
  return Definitions(gModuleRegistry);
}

ObjectDefinition* LookupClassDefinition(const string& name) {
  return Lookup(gClassRegistry, name);
}

void RegisterModuleDefinition(ObjectDefinition* definition) {
  if (!QV_CHECK_TEXT(definition, "defn", nullptr)) return;
  if (!CheckModuleForm(definition)) return;
  Store(&gModuleRegistry, definition);
  RegisterDefinitionExports(definition);
}

ObjectDefinition* LookupModuleDefinition(const string& name) {
  return Lookup(gModuleRegistry, name);
}

const TypeDescriptor* ResolvedType(const TypeDescriptor* type) {
  if (!IsClassNameType(type)) return type;
  ObjectDefinition* definition = LookupClassDefinition(string(AsClassNameType(type)->className));
  return definition ? definition->AsType() : type;
}

bool ResolveParameterTypes(ParameterRecord* parameters, int32_t count) {
  bool resolved = true;
  for (int32_t i = 0; parameters && i < count; ++i) {
    parameters[i].parameterType = ResolvedType(parameters[i].parameterType);
    resolved = resolved && !IsClassNameType(parameters[i].parameterType);
  }
  return resolved;
}

void DestroyClassRegistry() {
  delete gClassRegistry;
  gClassRegistry = nullptr;
}

void DestroyModuleRegistry() {
  delete gModuleRegistry;
  gModuleRegistry = nullptr;
}
