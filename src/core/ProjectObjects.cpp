#include "core/ProjectObjects.h"

#include "core/Export.h"

extern "C" RuntimeObject* RuntimeProjectObject(int32_t) { return nullptr; }
QV_EXPORT(RuntimeProjectObject)

extern "C" RuntimeObject* RuntimePictureReference(int32_t index) {
  return RuntimeProjectObject(index);
}
QV_EXPORT(RuntimePictureReference)
