#include "controls/LineControl.h"

#include <algorithm>

#include "controls/ControlClasses.h"
#include "controls/EditLine.h"
#include "controls/PaneAccessors.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"

namespace {

using namespace lang;

MouseEventHooks gLineHooks;

const PaneField kLineFields[] = {
    {[](SubPane* pane) -> uintptr_t {
       return uintptr_t(int32_t(static_cast<EditLine*>(pane)->lineWidth));
     },
     [](SubPane* pane, uintptr_t value) {
       static_cast<EditLine*>(pane)->lineWidth = int16_t(value);
     }},
    {[](SubPane* pane) -> uintptr_t { return static_cast<EditLine*>(pane)->lineColor; },
     [](SubPane* pane, uintptr_t value) {
       static_cast<EditLine*>(pane)->lineColor = uint32_t(value);
     }},
};

const PropertyRow kLineProperties[] = {
    QV_PROPERTY("X1", Integer, intGetter, linePosSetter, offsetof(LineObject, x1)),
    QV_PROPERTY("X2", Integer, intGetter, linePosSetter, offsetof(LineObject, x2)),
    QV_PROPERTY("Y1", Integer, intGetter, linePosSetter, offsetof(LineObject, y1)),
    QV_PROPERTY("Y2", Integer, intGetter, linePosSetter, offsetof(LineObject, y2)),
    QV_PROPERTY("BorderWidth", Integer, paneShortGetter, paneShortSetter,
                PaneAccessorWord(offsetof(LineObject, borderWidth), 0)),
    QV_PROPERTY("LineColor", Color, paneIntGetter, paneIntSetter,
                PaneAccessorWord(offsetof(LineObject, lineColor), 1)),
};

const EventRow kLineEvents[] = {QV_MOUSE_EVENT_ROWS(gLineHooks)};

const EventImplementationRow kLineImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", LineCreatePane)};

LineObject* AsLine(RuntimeObject* control) { return reinterpret_cast<LineObject*>(control); }

// The rectangle of the line with its width: half the width (at least one pixel) before the
// smaller ends, the rest after the larger ones.
QV::Rect LineRect(const LineObject* line) {
  const int32_t width = std::max<int32_t>(line->borderWidth, 1);
  const int32_t half = width / 2;
  const int32_t rest = width - half;
  QV::Rect bounds;
  RectSet(bounds, std::min(line->x1, line->x2) - half, std::min(line->y1, line->y2) - half,
          std::max(line->x1, line->x2) + rest, std::max(line->y1, line->y2) + rest);
  return bounds;
}

void CopyEndPoints(EditLine* pane, const LineObject* line) {
  pane->x1 = line->x1;
  pane->y1 = line->y1;
  pane->x2 = line->x2;
  pane->y2 = line->y2;
}

}  // namespace

QV_CLASS(LineClassDefinition,
         .name = "Line",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(LineObject),
         .properties = kLineProperties,
         .events = kLineEvents,
         .eventImplementations = kLineImplementations)
QV_STARTUP_CLASS(kStartupLineClass, LineClassDefinition)

extern "C" void LineCreatePane(RuntimeObject* control) {
  static bool fieldsRegistered = false;
  if (!fieldsRegistered) {
    fieldsRegistered = true;
    RegisterPaneFields(LineClassDefinition(), kLineFields, 2);
  }
  if (!QV_CHECK_TEXT(control, "self", nullptr)) return;
  LineObject* line = AsLine(control);
  ControlObject& record = line->control;
  if (!QV_CHECK_TEXT(record.ownerPane, "self->mOwnerPane", nullptr)) return;
  const QV::Rect bounds = LineRect(line);
  auto* pane = new EditLine(record.ownerPane, record.tabPanelIndex, bounds, gLineHooks);
  CopyEndPoints(pane, line);
  pane->lineWidth = line->borderWidth;
  pane->lineColor = line->lineColor;
  record.bounds = bounds;
  record.pane = pane;
  pane->PlaceWidget();
}
QV_EXPORT(LineCreatePane)

extern "C" void linePosSetter(RuntimeObject* control, uint32_t field, int32_t value) {
  if (!control) return;
  intSetter(control, field, value);
  LineObject* line = AsLine(control);
  auto* pane = static_cast<EditLine*>(line->control.pane);
  if (pane && pane->IsClosing()) pane = nullptr;
  if (pane) {
    pane->Refresh(true);  // where the line was
    CopyEndPoints(pane, line);
  }
  const QV::Rect bounds = LineRect(line);
  line->control.bounds = bounds;
  if (!pane) return;
  pane->SetBounds(bounds, true);
  pane->Refresh(true);
}
QV_EXPORT(linePosSetter)
