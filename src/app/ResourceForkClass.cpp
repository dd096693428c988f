// ResourceFork: the resource fork of a file on another platform. Files here have none
// (FolderItem's OpenResourceFork answers nil); the Application's ResourceFork property and
// compiled code make empty ones, which have no types, no resources and keep nothing added to
// them.
#include "app/InertExports.h"
#include "app/OtherPlatformClasses.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Startup.h"

using Object = RuntimeObject*;
using Text = stringStorage*;

QV_INERT_EXPORT(int32_t, resourceForkTypeCount, Object, uint32_t)
QV_INERT_EXPORT(void, resourceForkClose, Object)
QV_INERT_EXPORT(Text, resourceForkResourceType, Object, int32_t)
QV_INERT_EXPORT(Text, resourceForkGetResource, Object, Text, int32_t)
QV_INERT_EXPORT(Text, resourceForkGetNamedResource, Object, Text, Text)
QV_INERT_EXPORT(int32_t, resourceForkResourceCount, Object, Text)
QV_INERT_EXPORT(int32_t, resourceForkResourceID, Object, Text, int32_t)
QV_INERT_EXPORT(Text, resourceForkResourceName, Object, Text, int32_t)
QV_INERT_EXPORT(void, resourceForkAddResource, Object, Text, Text, int32_t, Text)
QV_INERT_EXPORT(void, resourceForkRemoveResource, Object, Text, int32_t)
QV_INERT_EXPORT(void, resourceForkAddPicture, Object, Object, int32_t, Text)
QV_INERT_EXPORT(Object, resourceForkGetPicture, Object, int32_t)
QV_INERT_EXPORT(Object, resourceForkGetNamedPicture, Object, Text)
QV_INERT_EXPORT(Object, resourceForkGetcicn, Object, int32_t)
QV_INERT_EXPORT(Object, resourceForkGeticl, Object, int32_t)
QV_INERT_EXPORT(Object, resourceForkGetics, Object, int32_t)
QV_INERT_EXPORT(Object, resourceForkgetCursor, Object, int32_t)
QV_INERT_EXPORT(Object, resourceForkGetSound, Object, int32_t)
QV_INERT_EXPORT(int32_t, resourceForkGetHandle, Object, Text, int32_t)
QV_INERT_EXPORT(void, resourceForkReleaseHandle, Object, int32_t)
QV_INERT_EXPORT(void, ResourceForkDestructor, Object)

// The attribute accessors, each for its attribute's bit of a resource's attribute word (Locked
// 16, Protected 8, Preload 4, Purgeable 32, SysHeap 64): no resource has any bit set, and
// setting one changes nothing.
#define QV_RESOURCE_ATTRIBUTE(attribute)                                          \
  QV_INERT_EXPORT(int32_t, resourceForkGet##attribute, Object, Text, int32_t) \
  QV_INERT_EXPORT(void, resourceForkSet##attribute, Object, Text, int32_t, int32_t)

QV_RESOURCE_ATTRIBUTE(Locked)
QV_RESOURCE_ATTRIBUTE(Protected)
QV_RESOURCE_ATTRIBUTE(Preload)
QV_RESOURCE_ATTRIBUTE(Purgeable)
QV_RESOURCE_ATTRIBUTE(SysHeap)

namespace {

using namespace lang;

constexpr uint32_t kTypeCountRowFlags = 4;

const PropertyRow kResourceForkProperties[] = {
    QV_READONLY("TypeCount", Integer, resourceForkTypeCount).Flags(kTypeCountRowFlags),
};

#define QV_ATTRIBUTE_ROW(name, getter, setter)                                             \
  QV_FUNCTION_ASSIGNS(name, Boolean, getter, setter, Param("type", String), Param("id", Integer))

const MethodRow kResourceForkMethods[] = {
    QV_SUB("Close", resourceForkClose),
    QV_FUNCTION("ResourceType", String, resourceForkResourceType, Param("index", Integer)),
    QV_FUNCTION("GetResource", String, resourceForkGetResource, Param("type", String),
                Param("id", Integer)),
    QV_FUNCTION("GetNamedResource", String, resourceForkGetNamedResource, Param("type", String),
                Param("name", String)),
    QV_FUNCTION("ResourceCount", Integer, resourceForkResourceCount, Param("type", String)),
    QV_FUNCTION("ResourceID", Integer, resourceForkResourceID, Param("type", String),
                Param("index", Integer)),
    QV_FUNCTION("ResourceName", String, resourceForkResourceName, Param("type", String),
                Param("index", Integer)),
    QV_SUB("AddResource", resourceForkAddResource, Param("data", String), Param("type", String),
           Param("id", Integer), Param("name", String)),
    QV_SUB("RemoveResource", resourceForkRemoveResource, Param("type", String),
           Param("id", Integer)),
    QV_SUB("AddPicture", resourceForkAddPicture, Param("p", Class<"Picture">),
           Param("id", Integer), Param("name", String)),
    QV_FUNCTION("GetPicture", Class<"Picture">, resourceForkGetPicture, Param("id", Integer)),
    QV_FUNCTION("GetNamedPicture", Class<"Picture">, resourceForkGetNamedPicture,
                Param("name", String)),
    QV_FUNCTION("Getcicn", Class<"Picture">, resourceForkGetcicn, Param("id", Integer)),
    QV_FUNCTION("Geticl", Class<"Picture">, resourceForkGeticl, Param("id", Integer)),
    QV_FUNCTION("Getics", Class<"Picture">, resourceForkGetics, Param("id", Integer)),
    QV_FUNCTION("getCursor", Class<"MouseCursor">, resourceForkgetCursor, Param("id", Integer)),
    QV_FUNCTION("GetSound", Class<"Sound">, resourceForkGetSound, Param("id", Integer)),
    QV_FUNCTION("GetHandle", Integer, resourceForkGetHandle, Param("type", String),
                Param("id", Integer)),
    QV_SUB("ReleaseHandle", resourceForkReleaseHandle, Param("handle", Integer)),
    QV_ATTRIBUTE_ROW("ResourceLocked", resourceForkGetLocked, resourceForkSetLocked),
    QV_ATTRIBUTE_ROW("ResourceProtected", resourceForkGetProtected, resourceForkSetProtected),
    QV_ATTRIBUTE_ROW("ResourcePreload", resourceForkGetPreload, resourceForkSetPreload),
    QV_ATTRIBUTE_ROW("ResourcePurgeable", resourceForkGetPurgeable, resourceForkSetPurgeable),
    QV_ATTRIBUTE_ROW("ResourceSysHeap", resourceForkGetSysHeap, resourceForkSetSysHeap),
};

}  // namespace

QV_CLASS(ResourceForkClassDefinition,
         .name = "ResourceFork",
         .properties = kResourceForkProperties,
         .methods = kResourceForkMethods,
         .finalizer = QV_CODE(ResourceForkDestructor))
QV_STARTUP_CLASS(kStartupResourceForkClass, ResourceForkClassDefinition)
