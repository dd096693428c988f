#include "files/PermissionsClass.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"

namespace {

using namespace lang;

#define QV_PERMISSION(name, mask) \
  QV_PROPERTY(name, Boolean, PermissionsGetter, PermissionsSetter, mask)

const PropertyRow kPermissionsProperties[] = {
    QV_PERMISSION("StickyBit", 01000),     QV_PERMISSION("GidBit", 02000),
    QV_PERMISSION("UidBit", 04000),        QV_PERMISSION("OwnerExecute", 0100),
    QV_PERMISSION("OwnerWrite", 0200),     QV_PERMISSION("OwnerRead", 0400),
    QV_PERMISSION("GroupExecute", 010),    QV_PERMISSION("GroupWrite", 020),
    QV_PERMISSION("GroupRead", 040),       QV_PERMISSION("OthersExecute", 01),
    QV_PERMISSION("OthersWrite", 02),      QV_PERMISSION("OthersRead", 04),
};

const MethodRow kPermissionsMethods[] = {
    QV_SUB("Permissions", PermissionsCtor, Param("mode", Integer)),
};

PermissionsObject* Fields(RuntimeObject* permissions) {
  return reinterpret_cast<PermissionsObject*>(permissions);
}

}  // namespace

QV_CLASS(PermissionsClassDefinition,
         .name = "Permissions",
         .objectSize = sizeof(PermissionsObject),
         .properties = kPermissionsProperties,
         .methods = kPermissionsMethods,
         .initializer = QV_CODE(PermissionsInitializer),
         .flags = kRowEveryTarget)
QV_STARTUP_CLASS(kStartupPermissionsClass, PermissionsClassDefinition)

int32_t PermissionsMode(RuntimeObject* permissions) {
  return permissions ? Fields(permissions)->mode : 0;
}

extern "C" void PermissionsInitializer(RuntimeObject* permissions) {
  if (permissions) Fields(permissions)->mode = 0;
}
QV_EXPORT(PermissionsInitializer)

extern "C" void PermissionsCtor(RuntimeObject* permissions, int32_t mode) {
  if (QV_CHECK_TEXT(permissions, "obj", nullptr)) Fields(permissions)->mode = mode;
}
QV_EXPORT(PermissionsCtor)

extern "C" int32_t PermissionsGetter(RuntimeObject* permissions, uint32_t mask) {
  return (uint32_t(PermissionsMode(permissions)) & mask) == mask ? 1 : 0;
}
QV_EXPORT(PermissionsGetter)

extern "C" void PermissionsSetter(RuntimeObject* permissions, uint32_t mask, int32_t value) {
  if (!QV_CHECK_TEXT(permissions, "obj", nullptr)) return;
  int32_t& mode = Fields(permissions)->mode;
  mode = value ? int32_t(uint32_t(mode) | mask) : int32_t(uint32_t(mode) & ~mask);
}
QV_EXPORT(PermissionsSetter)
