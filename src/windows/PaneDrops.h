// What compiled code calls to take part in drag and drop: a control's accepted drop types, new
// drag items for a window or a control, and the start of a drag. The SubPane side (drop
// targets and the delegate calls) is in PaneDrops.cpp as well.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

extern "C" {
RuntimeObject* formNewDragItem(RuntimeObject* window, int32_t left, int32_t top, int32_t width,
                               int32_t height);
RuntimeObject* controlNewDragItem(RuntimeObject* control, int32_t left, int32_t top,
                                  int32_t width, int32_t height);
void DragItemDrag(RuntimeObject* dragItem);
void controlAcceptTextDrop(RuntimeObject* control);
void controlAcceptPictureDrop(RuntimeObject* control);
void controlAcceptFileDrop(RuntimeObject* control, stringStorage* type);
void controlAcceptMacDataDrop(RuntimeObject* control, stringStorage* type);
}
