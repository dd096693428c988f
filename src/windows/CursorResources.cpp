#include "windows/CursorResources.h"

#include "app/ResourceManager.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "windows/MouseCursorClass.h"

namespace {

void InstallCursorMaker() { SetResourceObjectMakers({.cursor = NewMouseCursorFromResource}); }

}  // namespace

QV_STARTUP(kStartupCursorResourceMaker, InstallCursorMaker)

RuntimeObject* NewMouseCursorFromResource(const uint8_t* data, uint32_t length) {
  if (!QV_CHECK_MSG(length >= sizeof(CursorRecord), "a 'CURS' resource is 68 bytes")) {
    return nullptr;
  }
  return NewMouseCursorObject(NewCursorHandleFromResourceData(data));
}

extern "C" RuntimeObject* RuntimeGetCursorFromResourceManager(uint32_t id) {
  return TheResourceManager().GetCursor(uint16_t(id));
}
QV_EXPORT(RuntimeGetCursorFromResourceManager)
