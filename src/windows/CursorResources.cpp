#include "windows/CursorResources.h"

#include <gdk/gdk.h>

#include <string>

#include "app/ResourceManager.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "windows/CursorHandle.h"
#include "windows/MouseCursorClass.h"

namespace {

void InstallCursorMaker() { SetResourceObjectMakers({.cursor = NewMouseCursorFromResource}); }

int16_t HighByteFirst(const uint8_t* bytes) { return int16_t(bytes[0] << 8 | bytes[1]); }

}  // namespace

QV_STARTUP(kStartupCursorResourceMaker, InstallCursorMaker)

// The X server refuses a cursor whose hot spot lies outside its picture, and GDK's handler of
// that error ends the process: such a resource is refused here. Anything else the server may
// refuse is trapped, so that a refusal is a report, never the end of the process.
RuntimeObject* NewMouseCursorFromResource(const uint8_t* data, uint32_t length) {
  if (!QV_CHECK_MSG(length >= sizeof(CursorRecord), "a 'CURS' resource is 68 bytes")) {
    return nullptr;
  }
  const CursorRecord* record = reinterpret_cast<const CursorRecord*>(data);
  const int32_t hotV = HighByteFirst(record->hotSpotV), hotH = HighByteFirst(record->hotSpotH);
  if (!QV_CHECK_TEXT(hotV >= 0 && hotV < 16 && hotH >= 0 && hotH < 16, "hotSpotInPicture",
                     ("The hot spot " + std::to_string(hotH) + "," + std::to_string(hotV) +
                      " of a 'CURS' resource lies outside its 16 x 16 picture")
                         .c_str()))
    return nullptr;
  gdk_error_trap_push();
  CursorHandle* handle = NewCursorHandleFromResourceData(data);
  gdk_flush();
  if (const gint error = gdk_error_trap_pop()) {
    DeleteCursorHandle(handle);
    const std::string why = "The X server refused the cursor of a 'CURS' resource (error " +
                            std::to_string(error) + ")";
    QV_FAIL_TEXT("cursorMade", why.c_str());
    return nullptr;
  }
  return NewMouseCursorObject(handle);
}

extern "C" RuntimeObject* RuntimeGetCursorFromResourceManager(uint32_t id) {
  return TheResourceManager().GetCursor(uint16_t(id));
}
QV_EXPORT(RuntimeGetCursorFromResourceManager)
