// KeyChain and KeyChainItem: password storage that this platform does not have. Handle is a
// plain field; every other member is inert, so an item's attributes read empty whatever was
// assigned and no password is ever found.
#include <cstddef>

#include "app/InertExports.h"
#include "app/OtherPlatformClasses.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/FieldAccessors.h"
#include "core/Startup.h"

QV_INERT_EXPORT(void, KeyChainConstructor, RuntimeObject*, int32_t)
QV_INERT_EXPORT(void, KeyChainUnlock, RuntimeObject*, stringStorage*)
QV_INERT_EXPORT(void, KeyChainLock, RuntimeObject*, int32_t)
QV_INERT_EXPORT(void, KeyChainAddPassword, RuntimeObject*, RuntimeObject*, stringStorage*)
QV_INERT_EXPORT(stringStorage*, KeyChainFindPassword, RuntimeObject*, RuntimeObject*)

QV_INERT_EXPORT(stringStorage*, KeyChainItemAttributeGetter, RuntimeObject*, uint32_t)
QV_INERT_EXPORT(void, KeyChainItemAttributeSetter, RuntimeObject*, uint32_t, stringStorage*)
QV_INERT_EXPORT(void, KeyChainItemConstructor, RuntimeObject*)
QV_INERT_EXPORT(void, KeyChainItemDestructor, RuntimeObject*)
QV_INERT_EXPORT(void, KeyChainItemDelete, RuntimeObject*)

QV_INERT_EXPORT(RuntimeObject*, systemGetDefaultKeyChain, RuntimeObject*, uint32_t)
QV_INERT_EXPORT(void, systemSetDefaultKeyChain, RuntimeObject*, uint32_t, RuntimeObject*)
QV_INERT_EXPORT(int32_t, systemGetKeyChainCount, RuntimeObject*, uint32_t)

namespace {

using namespace lang;

// The attributes' selectors, handed to the accessors as the rows' parameter word.
enum KeyChainItemAttribute : uint32_t {
  kDescription = 0,
  kComment = 1,
  kLabel = 2,
  kServiceName = 3,
  kAccountName = 4,
};

const PropertyRow kKeyChainProperties[] = {
    QV_READONLY("Handle", Integer, intGetter, offsetof(HandleObject, handle)),
};

const MethodRow kKeyChainMethods[] = {
    QV_SUB("Constructor", KeyChainConstructor, Param("Index", Integer)),
    QV_SUB("Unlock", KeyChainUnlock, Param("Password", String)),
    QV_SUB("Lock", KeyChainLock, Param("LockAll", Boolean)),
    QV_SUB("AddPassword", KeyChainAddPassword, Param("KCItem", Class<"KeyChainItem">),
           Param("Password", String)),
    QV_FUNCTION("FindPassword", String, KeyChainFindPassword,
                Param("KCItem", Class<"KeyChainItem">)),
};

#define QV_KEYCHAIN_ATTRIBUTE(name, selector) \
  QV_PROPERTY(name, String, KeyChainItemAttributeGetter, KeyChainItemAttributeSetter, selector)

const PropertyRow kKeyChainItemProperties[] = {
    QV_READONLY("Handle", Integer, intGetter, offsetof(HandleObject, handle)),
    QV_KEYCHAIN_ATTRIBUTE("Description", kDescription),
    QV_KEYCHAIN_ATTRIBUTE("Comment", kComment),
    QV_KEYCHAIN_ATTRIBUTE("Label", kLabel),
    QV_KEYCHAIN_ATTRIBUTE("ServiceName", kServiceName),
    QV_KEYCHAIN_ATTRIBUTE("AccountName", kAccountName),
};

const MethodRow kKeyChainItemMethods[] = {
    QV_SUB("Constructor", KeyChainItemConstructor),
    QV_SUB("Delete", KeyChainItemDelete),
};

}  // namespace

QV_CLASS(KeyChainClassDefinition,
         .name = "KeyChain",
         .objectSize = sizeof(HandleObject),
         .properties = kKeyChainProperties,
         .methods = kKeyChainMethods)

QV_CLASS(KeyChainItemClassDefinition,
         .name = "KeyChainItem",
         .objectSize = sizeof(HandleObject),
         .properties = kKeyChainItemProperties,
         .methods = kKeyChainItemMethods,
         .finalizer = QV_CODE(KeyChainItemDestructor))

QV_STARTUP(kStartupKeyChainClasses, +[] {
  RegisterClassDefinition(KeyChainClassDefinition());
  RegisterClassDefinition(KeyChainItemClassDefinition());
})
