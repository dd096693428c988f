// The language class "ProgressBar": a RectControl over a native progress bar
// (controls/ProgressBarPane.h) that shows Value / Maximum, or pulses while Maximum is below 1;
// it raises MouseDown, MouseDrag and MouseUp. Value and Maximum are kept in the object, so
// they may be set before the pane exists.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "windows/ControlRecord.h"

struct ProgressBarObject {
  ControlObject control;
  int32_t value;
  int32_t maximum;
};
static_assert(sizeof(ProgressBarObject) == 132 && offsetof(ProgressBarObject, value) == 124,
              "ProgressBar instances are 132 bytes");

ObjectDefinition* ProgressBarClassDefinition();

extern "C" {
void ProgressBarCreatePane(RuntimeObject* control);
void progressValueSetter(RuntimeObject* control, uint32_t parameter, int32_t value);
void progressMaximumSetter(RuntimeObject* control, uint32_t parameter, int32_t maximum);
}
