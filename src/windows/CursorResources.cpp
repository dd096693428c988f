#include "windows/CursorResources.h"

#include "core/Export.h"
#include "core/RuntimeError.h"
#include "windows/MouseCursorClass.h"

namespace {

CursorResourceLookup gLookup = nullptr;

}  // namespace

CursorResourceLookup SetCursorResourceLookup(CursorResourceLookup lookup) {
  const CursorResourceLookup previous = gLookup;
  gLookup = lookup;
  return previous;
}

RuntimeObject* NewMouseCursorFromResource(const uint8_t* data, uint32_t length) {
  if (!QV_CHECK_MSG(length >= sizeof(CursorRecord), "a 'CURS' resource is 68 bytes")) {
    return nullptr;
  }
  return NewMouseCursorObject(NewCursorHandleFromResourceData(data));
}

extern "C" RuntimeObject* RuntimeGetCursorFromResourceManager(uint32_t id) {
  uint32_t length = 0;
  const uint8_t* data = gLookup ? gLookup(uint16_t(id), &length) : nullptr;
  return data ? NewMouseCursorFromResource(data, length) : nullptr;
}
QV_EXPORT(RuntimeGetCursorFromResourceManager)
