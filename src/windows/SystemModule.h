// The System module: the language class "_SystemClass", whose one instance type carries no
// state (getSystemObject makes a new one on every call). Its rows name members of several
// layers: the pointer, the screen's pixels and the cursors here, the network and serial ports in
// net, IsFunctionAvailable in the loader, the members without a display in the application layer
// (app/SystemServices.h) and the key chain in the classes of other platforms.
//
// Without a display (a console application) the pointer and Pixel answer 0 and False and never
// call GDK.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

ObjectDefinition* SystemClassDefinition();

// The window-frame theme, which draws frames as the window manager does. Until one is set
// there is none: _DrawWindow answers nil and _GetWindowMetrics zeros.
struct WindowFrameRequest {
  string title;
  int32_t width;
  int32_t height;
  int32_t frameType;  // the theme's: 3 floating, 0 any other
  bool minBox;
  bool maxBox;
  bool closeBox;
  bool growBox;
  GdkPixbuf* backDrop;  // borrowed, or nil
  bool stretchBackDrop;
};
struct WindowFrameBorders {
  int32_t top;
  int32_t left;
  int32_t bottom;
  int32_t right;
};
struct WindowFrameTheme {
  // A new pixel buffer holding the drawn frame, or nil when it cannot be drawn.
  GdkPixbuf* (*drawFrame)(const WindowFrameRequest& request) = nullptr;
  // The borders of a frame of the theme's frame type; false when the theme cannot tell.
  bool (*frameBorders)(int32_t frameType, WindowFrameBorders* borders) = nullptr;
};
void SetWindowFrameTheme(const WindowFrameTheme& theme);

extern "C" {
// A new System object.
RuntimeObject* getSystemObject();
// The pointer in screen coordinates, and whether its first button is down.
int32_t getMouseX(RuntimeObject* system, uint32_t parameter);
int32_t getMouseY(RuntimeObject* system, uint32_t parameter);
int32_t getMouseDown(RuntimeObject* system, uint32_t parameter);
// The screen's colour at (x, y) as 0xRRGGBB; 0 where no pixel can be read (off the screen).
uint32_t systemPixel(RuntimeObject* system, int32_t x, int32_t y);
// A frame drawn by the theme as a new Picture (frame types 3 and 7 floating, the others a
// document frame; pictureFillColor is not used), or nil.
RuntimeObject* SystemDrawWindow(RuntimeObject* system, stringStorage* title, int32_t width,
                                int32_t height, int32_t frameType, int32_t minBox,
                                int32_t maxBox, int32_t closeBox, int32_t growBox,
                                RuntimeObject* backDrop, int32_t stretchBackDrop,
                                uint32_t pictureFillColor);
// The caption height and the left and bottom border of that frame, 0 when the theme cannot
// tell.
void SystemGetWindowMetrics(RuntimeObject* system, int32_t frameType, int32_t* captionHeight,
                            int32_t* borderWidth, int32_t* borderHeight);
}
