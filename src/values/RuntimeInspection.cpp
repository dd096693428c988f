#include "values/RuntimeInspection.h"

#include <fcntl.h>

#include <cstdio>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/Memory.h"
#include "core/NamedFile.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "strings/RuntimeString.h"

namespace {

using namespace lang;

struct RuntimeInspectionObject {
  RuntimeObject header;
  uint32_t reserved;
};

const PropertyRow kRuntimeProperties[] = {
    QV_READONLY("ObjectCount", Integer, RuntimeDebugObjectCount),
    QV_READONLY("MemoryUsed", Integer, RuntimeDebugMemoryUsed),
};
const MethodRow kRuntimeMethods[] = {
    QV_FUNCTION("ObjectID", Integer, RuntimeDebugObjectID, Param("Index", Integer)),
    QV_FUNCTION("ObjectClass", String, RuntimeDebugObjectClass, Param("Index", Integer)),
    QV_FUNCTION("ObjectRefs", Integer, RuntimeDebugObjectRefs, Param("Index", Integer)),
};

RuntimeObject* gInstance = nullptr;

// The object last found and its index. Valid only while the list is as it was then: a
// destruction clears it, and a creation shows as a changed live count.
struct IndexCache {
  RuntimeObject* self = nullptr;
  RuntimeObject* object = nullptr;
  int32_t index = -1;
  int32_t liveCount = 0;
  bool listening = false;
};
IndexCache gCache;

void ForgetCache(RuntimeObject*) {
  gCache.object = nullptr;
  gCache.index = -1;
}

void Remember(RuntimeObject* self, int32_t index, RuntimeObject* object) {
  if (!gCache.listening) {
    AddObjectDestroyListener(ForgetCache);
    gCache.listening = true;
  }
  gCache = {self, object, index, LiveObjectCount(), true};
}

bool CacheHolds(RuntimeObject* self) {
  return gCache.object && gCache.self == self && gCache.liveCount == LiveObjectCount();
}

RuntimeObject* SkipSelf(RuntimeObject* object, RuntimeObject* self, bool forward) {
  if (object == self && object) return forward ? object->nextObject : object->prevObject;
  return object;
}

RuntimeObject* WalkFromHead(RuntimeObject* self, int32_t index) {
  int32_t seen = 0;
  for (RuntimeObject* o = FirstLiveObject(); o; o = o->nextObject) {
    if (o == self) continue;
    if (seen++ == index) return o;
  }
  return nullptr;
}

RuntimeObject* ObjectAt(RuntimeObject* self, int32_t index) {
  if (index < 0) return nullptr;
  RuntimeObject* found = nullptr;
  if (CacheHolds(self) && index == gCache.index) {
    found = gCache.object;
  } else if (CacheHolds(self) && index == gCache.index + 1) {
    found = SkipSelf(gCache.object->nextObject, self, true);
  } else if (CacheHolds(self) && index == gCache.index - 1) {
    found = SkipSelf(gCache.object->prevObject, self, false);
  } else {
    found = WalkFromHead(self, index);
  }
  Remember(self, index, found);
  return found;
}

}  // namespace

QV_CLASS(RuntimeInspectionClassDefinition,
         .name = "Runtime",
         .objectSize = sizeof(RuntimeInspectionObject),
         .properties = kRuntimeProperties,
         .methods = kRuntimeMethods,
         .finalizer = QV_CODE(RuntimeDebugDestructor))
QV_STARTUP_CLASS(kStartupRuntimeInspectionClass, RuntimeInspectionClassDefinition)

extern "C" {

RuntimeObject* RuntimeDebugInstance() {
  if (gInstance) {
    RuntimeLockObject(gInstance);
    return gInstance;
  }
  gInstance = NewObjectFromDefinition(RuntimeInspectionClassDefinition());
  return gInstance;
}
QV_EXPORT(RuntimeDebugInstance)

void RuntimeDebugDestructor(RuntimeObject* self) {
  if (self == gInstance) gInstance = nullptr;
}
QV_EXPORT(RuntimeDebugDestructor)

int32_t RuntimeDebugObjectCount(RuntimeObject* self, uint32_t) {
  int32_t count = LiveObjectCount();
  if (self && self->refCount > 0) --count;
  return count;
}
QV_EXPORT(RuntimeDebugObjectCount)

int32_t RuntimeDebugMemoryUsed(RuntimeObject*, uint32_t) { return SmallBlockBytesInUse(); }
QV_EXPORT(RuntimeDebugMemoryUsed)

int32_t RuntimeDebugObjectID(RuntimeObject* self, int32_t index) {
  RuntimeObject* object = ObjectAt(self, index);
  if (!object) return 0;
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(object) ^ kObjectIDMask);
}
QV_EXPORT(RuntimeDebugObjectID)

stringStorage* RuntimeDebugObjectClass(RuntimeObject* self, int32_t index) {
  RuntimeObject* object = ObjectAt(self, index);
  if (!object) return nullptr;
  RuntimeClass* cls = GetObjectClass(object);
  if (!QV_CHECK_TEXT(cls, "defn", nullptr)) return nullptr;
  if (!QV_CHECK_TEXT(cls->className, "defn->name", nullptr)) return nullptr;
  stringStorage::AddReference(cls->className);
  return cls->className;
}
QV_EXPORT(RuntimeDebugObjectClass)

int32_t RuntimeDebugObjectRefs(RuntimeObject* self, int32_t index) {
  RuntimeObject* object = ObjectAt(self, index);
  return object ? object->refCount : 0;
}
QV_EXPORT(RuntimeDebugObjectRefs)

// Opened through the framework's opener: a FIFO without a reader is refused (ENXIO) rather than
// written into a pipe no one reads until it fills and the writer waits for ever.
void debugDumpObjects(stringStorage* path) {
  if (!path) return;
  NamedFile opened;
  if (!opened.Open(stringStorage::CString(path), O_WRONLY | O_CREAT | O_TRUNC,
                   NamedFileUse::kStream))
    return;
  std::FILE* file = fdopen(opened.Descriptor(), "w");
  if (!file) return;
  opened.Release();
  RuntimeObject* self = RuntimeDebugInstance();
  std::fprintf(file, "%d used in heap1\n", RuntimeDebugMemoryUsed(self, 0));
  const int32_t count = RuntimeDebugObjectCount(self, 0);
  std::fprintf(file, "%d objects\n", count);
  for (int32_t i = 0; i < count; ++i) {
    string name = string::Adopt(RuntimeDebugObjectClass(self, i));
    std::fwrite(name.CString(), 1, static_cast<size_t>(name.Length()), file);
    std::fputc('\n', file);
  }
  RuntimeUnlockObject(self);
  std::fclose(file);
}
QV_EXPORT(debugDumpObjects)

}  // extern "C"
