// RegistryItem: the settings registry of another platform. No item can be made (both
// constructors and the application's default item raise RegistryAccessErrorException), the two
// counts read -1, and every other member is inert.
#include "app/InertExports.h"
#include "app/OtherPlatformClasses.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/ExceptionClasses.h"
#include "core/RaiseException.h"
#include "core/Startup.h"

namespace {

constexpr int32_t kNoCount = -1;
constexpr uint32_t kPathRowFlags = 0x84;

void RaiseRegistryAccessError() { RaiseNewException(RegistryAccessErrorExceptionDefinition()); }

}  // namespace

extern "C" void RegistryItemPathCtor(RuntimeObject*, stringStorage*) { RaiseRegistryAccessError(); }
QV_EXPORT(RegistryItemPathCtor)

extern "C" void RegistryItemCopyCtor(RuntimeObject*, RuntimeObject*) { RaiseRegistryAccessError(); }
QV_EXPORT(RegistryItemCopyCtor)

extern "C" RuntimeObject* RuntimeGetDefaultApplicationRegistryItem() {
  RaiseRegistryAccessError();
  return nullptr;
}
QV_EXPORT(RuntimeGetDefaultApplicationRegistryItem)

extern "C" int32_t RegistryItemKeyCountGetter(RuntimeObject*, uint32_t) { return kNoCount; }
QV_EXPORT(RegistryItemKeyCountGetter)

extern "C" int32_t RegistryItemFolderCountGetter(RuntimeObject*, uint32_t) { return kNoCount; }
QV_EXPORT(RegistryItemFolderCountGetter)

QV_INERT_EXPORT(RuntimeObject*, RegistryParentGetter, RuntimeObject*, uint32_t)
QV_INERT_EXPORT(stringStorage*, RegistryItemPathGetter, RuntimeObject*, uint32_t)
QV_INERT_EXPORT(void, RegistryItemDestructor, RuntimeObject*)
QV_INERT_EXPORT(RuntimeObject*, RegistryItemAddFolder, RuntimeObject*, stringStorage*)
QV_INERT_EXPORT(void, RegistryItemDelete, RuntimeObject*, stringStorage*)
QV_INERT_EXPORT(RuntimeObject*, RegistryItemValueGetter, RuntimeObject*, stringStorage*)
QV_INERT_EXPORT(void, RegistryItemValueSetter, RuntimeObject*, stringStorage*, RuntimeObject*)
QV_INERT_EXPORT(RuntimeObject*, RegistryItemNumValueGetter, RuntimeObject*, int32_t)
QV_INERT_EXPORT(void, RegistryItemNumValueSetter, RuntimeObject*, int32_t, RuntimeObject*)
QV_INERT_EXPORT(RuntimeObject*, RegistryItemDefaultValueGetter, RuntimeObject*)
QV_INERT_EXPORT(void, RegistryItemDefaultValueSetter, RuntimeObject*, RuntimeObject*)
QV_INERT_EXPORT(RuntimeObject*, RegistryItemChild, RuntimeObject*, stringStorage*)
QV_INERT_EXPORT(RuntimeObject*, RegistryItemItem, RuntimeObject*, int32_t)
QV_INERT_EXPORT(stringStorage*, RegistryItemNameGetter, RuntimeObject*, int32_t)
QV_INERT_EXPORT(int32_t, RegistryItemKeyTypeGetter, RuntimeObject*, int32_t)

namespace {

using namespace lang;

const PropertyRow kRegistryItemProperties[] = {
    QV_READONLY("Parent", Class<"RegistryItem">, RegistryParentGetter),
    QV_READONLY("KeyCount", Integer, RegistryItemKeyCountGetter),
    QV_READONLY("FolderCount", Integer, RegistryItemFolderCountGetter),
    QV_READONLY("Path", String, RegistryItemPathGetter).Flags(kPathRowFlags),
};

const MethodRow kRegistryItemMethods[] = {
    QV_SUB("Constructor", RegistryItemPathCtor, Param("Path", String)),
    QV_SUB("Constructor", RegistryItemCopyCtor, Param("Item", Class<"RegistryItem">)),
    QV_FUNCTION("AddFolder", Class<"RegistryItem">, RegistryItemAddFolder, Param("Name", String)),
    QV_SUB("Delete", RegistryItemDelete, Param("Name", String)),
    QV_FUNCTION_ASSIGNS("Value", Class<"Variant">, RegistryItemValueGetter,
                        RegistryItemValueSetter, Param("Name", String)),
    QV_FUNCTION_ASSIGNS("Value", Class<"Variant">, RegistryItemNumValueGetter,
                        RegistryItemNumValueSetter, Param("Index", Integer)),
    QV_FUNCTION_ASSIGNS("DefaultValue", Class<"Variant">, RegistryItemDefaultValueGetter,
                        RegistryItemDefaultValueSetter),
    QV_FUNCTION("Child", Class<"RegistryItem">, RegistryItemChild, Param("Name", String)),
    QV_FUNCTION("Item", Class<"RegistryItem">, RegistryItemItem, Param("Index", Integer)),
    QV_FUNCTION("Name", String, RegistryItemNameGetter, Param("Index", Integer)),
    QV_FUNCTION("KeyType", Integer, RegistryItemKeyTypeGetter, Param("Index", Integer)),
};

}  // namespace

QV_CLASS(RegistryItemClassDefinition,
         .name = "RegistryItem",
         .properties = kRegistryItemProperties,
         .methods = kRegistryItemMethods,
         .finalizer = QV_CODE(RegistryItemDestructor))
QV_STARTUP_CLASS(kStartupRegistryItemClass, RegistryItemClassDefinition)
