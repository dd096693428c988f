#include "windows/SystemModule.h"

#include <gdk/gdk.h>

#include "app/OtherPlatformClasses.h"
#include "app/SystemServices.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "graphics/PictureClass.h"
#include "image/ExternalFunctions.h"
#include "net/NetworkClasses.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/SerialPorts.h"
#include "windows/CursorsModule.h"

namespace {

using namespace lang;

constexpr uint32_t kEveryTarget = 4;
constexpr uint32_t kReadOnlyEveryTarget = 5;
constexpr uint32_t kReadOnlyRow = 1;
constexpr uint32_t kInterfaceCountRowFlags = 132;
// The last word of the rows whose members have no effect on this platform.
constexpr uint32_t kInertRowWord = uint32_t(-129);
constexpr int32_t kFloatingFrameType = 3;
constexpr int32_t kGlobalFloatingFrameType = 7;

PropertyRow WithLastWord(PropertyRow row, uint32_t word) {
  row.word = word;
  return row;
}

const PropertyRow kSystemProperties[] = {
    QV_READONLY("SerialPortCount", Integer, getSerialPortCount).Flags(kEveryTarget),
    QV_READONLY("MouseX", Integer, getMouseX),
    QV_READONLY("MouseY", Integer, getMouseY),
    QV_READONLY("MouseDown", Boolean, getMouseDown),
    WithLastWord(QV_PROPERTY("KeyScript", Integer, systemGetKeyScript, systemSetKeyScript),
                 kInertRowWord),
    QV_READONLY("PPPStatus", Integer, socketPPPStatus).Flags(kReadOnlyEveryTarget),
    QV_READONLY("Quicktime", Class<"_QuicktimeInstallStatus">, systemGetQTInstallStatus)
        .Flags(kReadOnlyRow),
    WithLastWord(QV_PROPERTY("KeyChain", Class<"KeyChain">, systemGetDefaultKeyChain,
                             systemSetDefaultKeyChain),
                 kInertRowWord),
    WithLastWord(QV_READONLY("KeyChainCount", Integer, systemGetKeyChainCount), kInertRowWord),
    QV_READONLY("Cursors", Class<"_Cursors">, GetCursorsClass).Flags(kReadOnlyRow),
    QV_READONLY("NetworkInterfaceCount", Integer, SystemGetNetworkInterfaceCount)
        .Flags(kInterfaceCountRowFlags),
    QV_READONLY("PenPressure", Double, SystemGetPenPressure).Flags(kReadOnlyRow),
    QV_READONLY("PenType", Integer, SystemGetPenType).Flags(kReadOnlyRow),
    QV_READONLY("Network", Class<"Network">, SystemGetNetwork).Flags(kReadOnlyEveryTarget),
};

const MethodRow kSystemMethods[] = {
    QV_FUNCTION("SerialPort", Class<"SerialPort">, getSerialPort, Param("Index", Integer))
        .Flags(kEveryTarget),
    QV_FUNCTION("SerialPort", Class<"SerialPort">, getSerialPortByPath, Param("path", String))
        .Flags(kEveryTarget),
    QV_FUNCTION("Gestalt", Boolean, systemGestalt, Param("code", String),
                Param("result", Integer).ByRef())
        .Flags(kEveryTarget),
    QV_FUNCTION("CommandLine", String, SystemGetCommandLine).Flags(kEveryTarget),
    QV_FUNCTION("Pixel", Color, systemPixel, Param("x", Integer), Param("y", Integer)),
    QV_SUB("PPPConnect", socketPPPConnect, Param("UserInteraction", Boolean).Default(0))
        .Flags(kEveryTarget),
    QV_SUB("PPPDisconnect", socketPPPDisconnect).Flags(kEveryTarget),
    QV_FUNCTION("GetNetworkInterface", Class<"NetworkInterface">, GetNetworkInterfaceObject,
                Param("Index", Integer).Default(uint32_t(-1)))
        .Flags(kEveryTarget),
    QV_FUNCTION("PenButtonPushed", Boolean, SystemGetPenButton, Param("Index", Integer)),
    QV_FUNCTION_ASSIGNS("EnvironmentVariable", String, SystemGetEnvVariable, SystemSetEnvVariable,
                        Param("Name", String))
        .Flags(kEveryTarget),
    QV_SUB("Log", SystemLogger, Param("level", Integer), Param("msg", String))
        .Flags(kEveryTarget),
    QV_SUB("DebugLog", SystemDebugLogger, Param("msg", String)).Flags(kEveryTarget),
    QV_FUNCTION("IsFunctionAvailable", Boolean, IsFunctionAvailable,
                Param("functionName", String), Param("libraryName", String))
        .Flags(kEveryTarget),
    QV_FUNCTION("_DrawWindow", Class<"Picture">, SystemDrawWindow, Param("title", String),
                Param("width", Integer), Param("height", Integer), Param("frameType", Integer),
                Param("minBox", Boolean), Param("maxBox", Boolean), Param("closeBox", Boolean),
                Param("growBox", Boolean), Param("backDrop", Class<"Picture">),
                Param("stretchBackDrop", Boolean), Param("pictureFillColor", Color)),
    QV_SUB("_GetWindowMetrics", SystemGetWindowMetrics, Param("frameType", Integer),
           Param("captionHeight", Integer).ByRef(), Param("borderWidth", Integer).ByRef(),
           Param("borderHeight", Integer).ByRef()),
    QV_FUNCTION("_GetLocalizedString", String, SystemGetLocalizedString, Param("name", String),
                Param("defaultValue", String))
        .Flags(kEveryTarget),
};

WindowFrameTheme gFrameTheme;

int32_t ThemeFrameType(int32_t frameType) {
  const bool floating = frameType == kFloatingFrameType || frameType == kGlobalFloatingFrameType;
  return floating ? kFloatingFrameType : 0;
}

struct PointerState {
  int32_t x = 0;
  int32_t y = 0;
  bool firstButtonDown = false;
};

// The pointer on the root window; all zeros without a display.
PointerState ReadPointer() {
  PointerState pointer;
  if (!gdk_display_get_default()) return pointer;
  gint x = 0, y = 0;
  GdkModifierType state{};
  gdk_window_get_pointer(gdk_get_default_root_window(), &x, &y, &state);
  return {x, y, (state & GDK_BUTTON1_MASK) != 0};
}

}  // namespace

QV_CLASS(SystemClassDefinition,
         .name = "_SystemClass",
         .properties = kSystemProperties,
         .methods = kSystemMethods)
QV_STARTUP_CLASS(kStartupSystemClass, SystemClassDefinition)

void SetWindowFrameTheme(const WindowFrameTheme& theme) { gFrameTheme = theme; }

extern "C" RuntimeObject* getSystemObject() {
  return NewObjectFromDefinition(SystemClassDefinition());
}
QV_EXPORT(getSystemObject)

extern "C" int32_t getMouseX(RuntimeObject*, uint32_t) { return ReadPointer().x; }
QV_EXPORT(getMouseX)

extern "C" int32_t getMouseY(RuntimeObject*, uint32_t) { return ReadPointer().y; }
QV_EXPORT(getMouseY)

extern "C" int32_t getMouseDown(RuntimeObject*, uint32_t) {
  return ReadPointer().firstButtonDown ? 1 : 0;
}
QV_EXPORT(getMouseDown)

// Only a point on the screen is read. Off it GDK refuses the copy but still converts its
// scratch image, which holds whatever an earlier read of the process left there.
extern "C" uint32_t systemPixel(RuntimeObject*, int32_t x, int32_t y) {
  if (!gdk_display_get_default()) return 0;
  GdkWindow* root = gdk_get_default_root_window();
  gint width = 0, height = 0;
  gdk_drawable_get_size(root, &width, &height);
  if (x < 0 || y < 0 || x >= width || y >= height) return 0;
  GdkPixbuf* pixel = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 1, 1);
  if (!pixel) return 0;
  uint32_t colour = 0;
  if (gdk_pixbuf_get_from_drawable(pixel, root, nullptr, x, y, 0, 0, 1, 1)) {
    const guchar* bytes = gdk_pixbuf_get_pixels(pixel);
    colour = uint32_t(bytes[0]) << 16 | uint32_t(bytes[1]) << 8 | bytes[2];
  }
  g_object_unref(pixel);
  return colour;
}
QV_EXPORT(systemPixel)

extern "C" RuntimeObject* SystemDrawWindow(RuntimeObject*, stringStorage* title, int32_t width,
                                           int32_t height, int32_t frameType, int32_t minBox,
                                           int32_t maxBox, int32_t closeBox, int32_t growBox,
                                           RuntimeObject* backDrop, int32_t stretchBackDrop,
                                           uint32_t) {
  if (!gFrameTheme.drawFrame) return nullptr;
  const WindowFrameRequest request = {.title = string(title),
                                      .width = width,
                                      .height = height,
                                      .frameType = ThemeFrameType(frameType),
                                      .minBox = minBox != 0,
                                      .maxBox = maxBox != 0,
                                      .closeBox = closeBox != 0,
                                      .growBox = growBox != 0,
                                      .backDrop = backDrop ? PictureImage(backDrop) : nullptr,
                                      .stretchBackDrop = stretchBackDrop != 0};
  GdkPixbuf* frame = gFrameTheme.drawFrame(request);
  return frame ? NewPictureWithImage(frame) : nullptr;
}
QV_EXPORT(SystemDrawWindow)

extern "C" void SystemGetWindowMetrics(RuntimeObject*, int32_t frameType, int32_t* captionHeight,
                                       int32_t* borderWidth, int32_t* borderHeight) {
  WindowFrameBorders borders = {0, 0, 0, 0};
  if (gFrameTheme.frameBorders) {
    if (!gFrameTheme.frameBorders(ThemeFrameType(frameType), &borders)) borders = {0, 0, 0, 0};
  }
  if (captionHeight) *captionHeight = borders.top;
  if (borderWidth) *borderWidth = borders.left;
  if (borderHeight) *borderHeight = borders.bottom;
}
QV_EXPORT(SystemGetWindowMetrics)
