// What the window layer knows of the controls it holds. The control classes ("Control",
// "RectControl" and every control) stand above this layer; a window keeps their objects in its
// control map, makes their panes and raises their events, so it reads the control record that
// every control object starts with, and the control classes tell it, as they are defined, which
// class is "Control" and where the events it raises are numbered (ControlClassLink).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/Rect.h"
#include "core/RuntimeObject.h"
#include "core/StringMap.h"

class SubPane;

// Index of a control that is no member of a control array.
constexpr int32_t kNoControlIndex = int32_t(0x80000000u);

// The fields every control keeps, so that compiled code can set them before the control has a
// pane and they survive its closing. Words not named here are the other controls' state.
struct ControlObject {
  RuntimeObject header;
  RuntimeObject* initialParent;  // not retained
  SubPane* pane;                 // nil until the pane is made, and again once it is closed
  stringStorage* name;           // Name
  int32_t index;                 // Index; kNoControlIndex outside control arrays
  int32_t tabPanelIndex;         // 1-based; 0 is on no tab panel page
  uint8_t visible;
  uint8_t enabled;
  uint8_t autoDeactivate;
  uint8_t lockLeft;
  uint8_t lockTop;
  uint8_t lockRight;
  uint8_t lockBottom;
  uint8_t closed;  // its Close was raised: no further event until a new pane is made for it
  QV::Rect bounds;  // top, left, bottom, right in the window's content coordinates
  SubPane* ownerPane;     // the native window the control's pane is made in
  RuntimeObject* window;  // the window object that holds the control
  RuntimeObject* mouseCursor;
  stringStorage* balloonHelp;
  stringStorage* disabledBalloonHelp;
  stringStorage* helpTag;
  StringMap<void*>* menuHandlers;  // made by the first _AddMenuHandler
  RuntimeObject* linkedControl;    // another control of the window; cleared when it goes
  uint8_t createdAtRunTime;        // made by the window's __New
  uint8_t mouseInside;             // the window has sent MouseEnter and no MouseExit since
  uint8_t unused2[2];
  uint32_t words[7];
};
static_assert(sizeof(ControlObject) == 124 && offsetof(ControlObject, pane) == 28 &&
                  offsetof(ControlObject, name) == 32 && offsetof(ControlObject, index) == 36 &&
                  offsetof(ControlObject, visible) == 44 &&
                  offsetof(ControlObject, bounds) == 52 &&
                  offsetof(ControlObject, ownerPane) == 60 &&
                  offsetof(ControlObject, window) == 64 &&
                  offsetof(ControlObject, helpTag) == 80,
              "the control record is read by compiled code and plug-ins");

inline ControlObject* AsControl(RuntimeObject* object) {
  return reinterpret_cast<ControlObject*>(object);
}

// The control classes' part: the getter of "Control", and the events of Control and RectControl
// that windows raise on controls (each filled in when its class definition is built).
struct ControlClassLink {
  ObjectDefinition* (*controlClass)() = nullptr;
  ObjectHook* createPane = nullptr;
  ObjectHook* open = nullptr;
  ObjectHook* close = nullptr;
  ObjectHook* mouseMove = nullptr;
  ObjectHook* mouseEnter = nullptr;
  ObjectHook* mouseExit = nullptr;
  ObjectHook* dropObject = nullptr;
  ObjectHook* mouseWheel = nullptr;
  ObjectHook* constructContextualMenu = nullptr;
  ObjectHook* contextualMenuAction = nullptr;
  ObjectHook* dragEnter = nullptr;
  ObjectHook* dragExit = nullptr;
  ObjectHook* dragOver = nullptr;
  // Re-applies the page visibility of the window's page and tab panels once its native
  // window is built.
  void (*refreshPanelVisibility)(RuntimeObject* window) = nullptr;
  // The contextual-menu pass for a right click (or Shift+F10) on target, a control or a window,
  // at (x, y) in its window's content coordinates; true when a ContextualMenuAction handled it.
  bool (*dispatchContextualMenu)(RuntimeObject* target, int32_t x, int32_t y) = nullptr;
};
ControlClassLink& ControlClasses();

// True for an object of "Control" or a subclass (false before the control classes said which).
bool IsControlObject(RuntimeObject* object);
