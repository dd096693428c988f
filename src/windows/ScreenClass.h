// The language class "Screen": each getScreen call makes a new object filled from GDK and from
// the window manager's "_NET_WORKAREA" property (the usable area; the whole screen without it).
// This platform has one screen.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct ScreenObject {
  RuntimeObject header;
  int32_t imp;  // the hidden __qvf_mImp
  int32_t left;
  int32_t top;
  int32_t width;
  int32_t height;
  int32_t depth;
  int32_t availableLeft;
  int32_t availableTop;
  int32_t availableWidth;
  int32_t availableHeight;
};
static_assert(sizeof(ScreenObject) == 64, "Screen objects are 64 bytes");
static_assert(offsetof(ScreenObject, availableLeft) == 48, "ScreenObject layout");

ObjectDefinition* ScreenClassDefinition();

extern "C" {
int32_t getScreenCount();
// A new Screen (the caller's reference) for index 0; nil for any other index.
RuntimeObject* getScreen(int32_t index);
}
// The getters of Left, Top, Width, Height and Depth are in ClassFieldAccessors.h.
#include "core/ClassFieldAccessors.h"
