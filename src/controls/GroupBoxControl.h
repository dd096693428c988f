// The language class "GroupBox": a captioned frame (controls/GroupBoxPane.h) that groups the
// controls lying inside it. Caption and the font fields are kept in the object and handed to
// the pane when it is made and whenever they change; the box raises MouseDown, MouseDrag and
// MouseUp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "controls/RuntimeControl.h"
#include "core/ObjectDefinition.h"

struct GroupBoxObject {
  ControlObject control;
  ControlFontRecord font;
  stringStorage* caption;
};
static_assert(sizeof(GroupBoxObject) == 140 && offsetof(GroupBoxObject, font) == 124 &&
                  offsetof(GroupBoxObject, caption) == 136,
              "GroupBox instances are 140 bytes");

ObjectDefinition* GroupBoxClassDefinition();

extern "C" {
void GroupBoxCreatePane(RuntimeObject* control);
void groupBoxDestructor(RuntimeObject* control);
stringStorage* groupCaptionGetter(RuntimeObject* control, uint32_t parameter);
void groupCaptionSetter(RuntimeObject* control, uint32_t parameter, stringStorage* caption);
}
// The font setters' second step: the pane, when there is one, takes the font record anew.
void GroupBoxFontChanged(RuntimeObject* control);
