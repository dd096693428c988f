// The language class "Line": a RectControl placed by its two end points, X1, Y1 and X2, Y2 in
// the window's content coordinates, whose rectangle follows from them; its pane (EditLine)
// draws it in LineColor, BorderWidth pixels wide, and raises MouseDown, MouseDrag and MouseUp
// for clicks near the line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "windows/ControlRecord.h"

struct LineObject {
  ControlObject control;
  int32_t x1;
  int32_t x2;
  int32_t y1;
  int32_t y2;
  int16_t borderWidth;
  uint8_t unused[2];
  uint32_t lineColor;
};
static_assert(sizeof(LineObject) == 148 && offsetof(LineObject, x1) == 124 &&
                  offsetof(LineObject, borderWidth) == 140 &&
                  offsetof(LineObject, lineColor) == 144,
              "Line instances are 148 bytes");

ObjectDefinition* LineClassDefinition();

extern "C" {
void LineCreatePane(RuntimeObject* control);
// Stores one coordinate (field: its position in the object), then moves the rectangle, and the
// pane, to the line with its width.
void linePosSetter(RuntimeObject* control, uint32_t field, int32_t value);
}
