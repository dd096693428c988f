// The root class "Object", the interface _PaneChild, and "Control" with its subclass
// "RectControl", the classes every control builds on; each registers itself at start-up
// (StartupOrder.h holds their places).
//
// Control and RectControl stand here with the control record alone, which plug-in controls
// build on; their properties, methods and events come with the controls that need them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/Rect.h"
#include "core/RuntimeObject.h"

class SubPane;

// The fields every control keeps, so that compiled code can set them before the control has a
// pane and they survive its closing. Words not named here are the other controls' state.
struct ControlObject {
  RuntimeObject header;
  uint32_t initialParent;
  SubPane* pane;        // nil until the pane is made, and again once it is closed
  stringStorage* name;  // Name
  uint32_t index;
  uint32_t tabPanelIndex;
  uint8_t visible;
  uint8_t enabled;
  uint8_t flags[6];
  QV::Rect bounds;  // top, left, bottom, right in the window's content coordinates
  uint32_t ownerPane;
  RuntimeObject* window;  // the window object that holds the control
  uint32_t words[14];
};
static_assert(sizeof(ControlObject) == 124 && offsetof(ControlObject, pane) == 28 &&
                  offsetof(ControlObject, name) == 32 && offsetof(ControlObject, visible) == 44 &&
                  offsetof(ControlObject, bounds) == 52 && offsetof(ControlObject, window) == 64,
              "the control record is read by compiled code and plug-ins");

ObjectDefinition* ObjectClassDefinition();
ObjectDefinition* PaneChildClassDefinition();
ObjectDefinition* ControlClassDefinition();
ObjectDefinition* RectControlClassDefinition();
