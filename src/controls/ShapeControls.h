// The language classes "Oval", "Rectangle" and "RoundRectangle": RectControls whose panes
// (controls/ShapePanes.h) draw a filled shape with a border and raise MouseDown, MouseDrag and
// MouseUp. Every property is a pane accessor: kept in the object and, while there is a pane,
// in the pane's copy, which a change redraws.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "windows/ControlRecord.h"

struct OvalObject {
  ControlObject control;
  uint32_t fillColor;
  uint32_t borderColor;
  int16_t borderWidth;
  uint8_t unused[2];
};
static_assert(sizeof(OvalObject) == 136 && offsetof(OvalObject, borderWidth) == 132,
              "Oval instances are 136 bytes");

struct RectangleObject {
  ControlObject control;
  uint32_t fillColor;
  uint32_t topLeftColor;
  uint32_t bottomRightColor;
  int16_t borderWidth;
  uint8_t unused[2];
};
static_assert(sizeof(RectangleObject) == 140 && offsetof(RectangleObject, borderWidth) == 136,
              "Rectangle instances are 140 bytes");

struct RoundRectangleObject {
  ControlObject control;
  uint32_t fillColor;
  uint32_t borderColor;
  int16_t borderWidth;
  int16_t ovalWidth;
  int16_t ovalHeight;
  uint8_t unused[2];
};
static_assert(sizeof(RoundRectangleObject) == 140 &&
                  offsetof(RoundRectangleObject, ovalHeight) == 136,
              "RoundRectangle instances are 140 bytes");

ObjectDefinition* OvalClassDefinition();
ObjectDefinition* RectangleClassDefinition();
ObjectDefinition* RoundRectangleClassDefinition();

extern "C" {
void OvalCreatePane(RuntimeObject* control);
void RectCreatePane(RuntimeObject* control);
void RoundRectCreatePane(RuntimeObject* control);
}
