// Window-frame pictures and border sizes drawn by the desktop's window-manager theme library
// (libmetacity-private), loaded at run time. Without the library, without one of its seven
// functions, without a GTK theme name or a loadable theme, everything answers nil or false:
// the one load attempt of the process is final. Debian 12 ships no such library.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

class DrawablePane;

// Frame types the caller chooses.
constexpr int32_t kMetacityFrameNormal = 0;
constexpr int32_t kMetacityFrameUtility = 3;

struct FrameBoxes {
  bool minimize = false;
  bool maximize = false;
  bool close = false;
  bool grow = false;
};

// Whether a theme is loaded; the loading is tried on the first call only.
bool MetacityLoadTheme();
// A new off-screen drawable (one reference for the caller) holding the frame of a client area
// of that size, the backdrop picture (nil: none) drawn in the client area, cut to it or
// stretched over it. Nil without a theme, without a window in front, for a client size below
// 1 or a frame above 32000 pixels.
DrawablePane* MetacityDrawWindowFrame(const string& title, int32_t clientWidth,
                                      int32_t clientHeight, int32_t frameType,
                                      const FrameBoxes& boxes, RuntimeObject* backdrop,
                                      bool stretch);
// Stores the frame's four border widths and answers true; false (outputs untouched) without a
// theme or a window in front.
bool MetacityGetFrameBorders(int32_t frameType, int32_t* left, int32_t* right, int32_t* top,
                             int32_t* bottom);
