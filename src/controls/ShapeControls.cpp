#include "controls/ShapeControls.h"

#include <type_traits>

#include "controls/ControlClasses.h"
#include "controls/PaneAccessors.h"
#include "controls/ShapePanes.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"

namespace {

using namespace lang;


MouseEventHooks gOvalHooks;
MouseEventHooks gRectangleHooks;
MouseEventHooks gRoundRectangleHooks;

// A pane field of Pane, as the pane accessors reach it.
template <typename Pane, auto Member>
constexpr PaneField FieldOf() {
  return {[](SubPane* pane) -> uintptr_t {
            return uintptr_t(int32_t(static_cast<Pane*>(pane)->*Member));
          },
          [](SubPane* pane, uintptr_t value) {
            auto& field = static_cast<Pane*>(pane)->*Member;
            field = std::remove_reference_t<decltype(field)>(value);
          }};
}

// Pane accessor words: the object field and the index of the pane field in the class's table.
#define QV_PANE_WORD(Record, field, index) PaneAccessorWord(offsetof(Record, field), index)

const PaneField kOvalFields[] = {
    FieldOf<EditOval, &EditOval::fillColor>(),
    FieldOf<EditOval, &EditOval::borderColor>(),
    FieldOf<EditOval, &EditOval::borderWidth>(),
};

const PropertyRow kOvalProperties[] = {
    QV_PROPERTY("FillColor", Color, paneIntGetter, paneIntSetter,
                QV_PANE_WORD(OvalObject, fillColor, 0)),
    QV_PROPERTY("BorderColor", Color, paneIntGetter, paneIntSetter,
                QV_PANE_WORD(OvalObject, borderColor, 1)),
    QV_PROPERTY("BorderWidth", Integer, paneShortGetter, paneShortSetter,
                QV_PANE_WORD(OvalObject, borderWidth, 2)),
};

const PaneField kRectangleFields[] = {
    FieldOf<EditRect, &EditRect::fillColor>(),
    FieldOf<EditRect, &EditRect::topLeftColor>(),
    FieldOf<EditRect, &EditRect::bottomRightColor>(),
    FieldOf<EditRect, &EditRect::borderWidth>(),
};

const PropertyRow kRectangleProperties[] = {
    QV_PROPERTY("FillColor", Color, paneIntGetter, paneIntSetter,
                QV_PANE_WORD(RectangleObject, fillColor, 0)),
    QV_PROPERTY("TopLeftColor", Color, paneIntGetter, paneIntSetter,
                QV_PANE_WORD(RectangleObject, topLeftColor, 1)),
    QV_PROPERTY("BottomRightColor", Color, paneIntGetter, paneIntSetter,
                QV_PANE_WORD(RectangleObject, bottomRightColor, 2)),
    QV_PROPERTY("BorderWidth", Integer, paneShortGetter, paneShortSetter,
                QV_PANE_WORD(RectangleObject, borderWidth, 3)),
};

const PaneField kRoundRectangleFields[] = {
    FieldOf<EditRoundRect, &EditRoundRect::fillColor>(),
    FieldOf<EditRoundRect, &EditRoundRect::borderColor>(),
    FieldOf<EditRoundRect, &EditRoundRect::borderWidth>(),
    FieldOf<EditRoundRect, &EditRoundRect::ovalWidth>(),
    FieldOf<EditRoundRect, &EditRoundRect::ovalHeight>(),
};

const PropertyRow kRoundRectangleProperties[] = {
    QV_PROPERTY("FillColor", Color, paneIntGetter, paneIntSetter,
                QV_PANE_WORD(RoundRectangleObject, fillColor, 0)),
    QV_PROPERTY("BorderColor", Color, paneIntGetter, paneIntSetter,
                QV_PANE_WORD(RoundRectangleObject, borderColor, 1)),
    QV_PROPERTY("BorderWidth", Integer, paneShortGetter, paneShortSetter,
                QV_PANE_WORD(RoundRectangleObject, borderWidth, 2)),
    QV_PROPERTY("OvalWidth", Integer, paneShortGetter, paneShortSetter,
                QV_PANE_WORD(RoundRectangleObject, ovalWidth, 3)),
    QV_PROPERTY("OvalHeight", Integer, paneShortGetter, paneShortSetter,
                QV_PANE_WORD(RoundRectangleObject, ovalHeight, 4)),
};

const EventRow kOvalEvents[] = {QV_MOUSE_EVENT_ROWS(gOvalHooks)};
const EventRow kRectangleEvents[] = {QV_MOUSE_EVENT_ROWS(gRectangleHooks)};
const EventRow kRoundRectangleEvents[] = {QV_MOUSE_EVENT_ROWS(gRoundRectangleHooks)};

const EventImplementationRow kOvalImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", OvalCreatePane)};
const EventImplementationRow kRectangleImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", RectCreatePane)};
const EventImplementationRow kRoundRectangleImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", RoundRectCreatePane)};

// The pane accessors find the panes' fields through these tables, registered before the
// first pane is made.
void RegisterShapePaneFields() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  RegisterPaneFields(OvalClassDefinition(), kOvalFields, 3);
  RegisterPaneFields(RectangleClassDefinition(), kRectangleFields, 4);
  RegisterPaneFields(RoundRectangleClassDefinition(), kRoundRectangleFields, 5);
}

// The new pane of control, placed as its window and initial parent say; nil (and a report)
// for a control without a window.
template <typename Pane>
Pane* MakeShapePane(RuntimeObject* control, const MouseEventHooks& hooks) {
  RegisterShapePaneFields();
  if (!QV_CHECK_TEXT(control, "self", nullptr)) return nullptr;
  ControlObject* record = AsControl(control);
  if (!QV_CHECK_TEXT(record->ownerPane, "self->mOwnerPane", nullptr)) return nullptr;
  Pane* pane = new Pane(record->ownerPane, record->tabPanelIndex, record->bounds, hooks);
  record->pane = pane;
  RuntimeObject* initialParent = record->initialParent;
  if (initialParent && AsControl(initialParent)->pane) {
    pane->SetParent(AsControl(initialParent)->pane);
  }
  return pane;
}

}  // namespace

QV_CLASS(OvalClassDefinition,
         .name = "Oval",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(OvalObject),
         .properties = kOvalProperties,
         .events = kOvalEvents,
         .eventImplementations = kOvalImplementations)

QV_CLASS(RectangleClassDefinition,
         .name = "Rectangle",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(RectangleObject),
         .properties = kRectangleProperties,
         .events = kRectangleEvents,
         .eventImplementations = kRectangleImplementations)

QV_CLASS(RoundRectangleClassDefinition,
         .name = "RoundRectangle",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(RoundRectangleObject),
         .properties = kRoundRectangleProperties,
         .events = kRoundRectangleEvents,
         .eventImplementations = kRoundRectangleImplementations)

QV_STARTUP_CLASS(kStartupOvalClass, OvalClassDefinition)
QV_STARTUP_CLASS(kStartupRoundRectangleClass, RoundRectangleClassDefinition)
QV_STARTUP_CLASS(kStartupRectangleClass, RectangleClassDefinition)

extern "C" void OvalCreatePane(RuntimeObject* control) {
  EditOval* pane = MakeShapePane<EditOval>(control, gOvalHooks);
  if (!pane) return;
  const OvalObject* record = reinterpret_cast<OvalObject*>(control);
  pane->fillColor = record->fillColor;
  pane->borderColor = record->borderColor;
  pane->borderWidth = record->borderWidth;
}
QV_EXPORT(OvalCreatePane)

extern "C" void RectCreatePane(RuntimeObject* control) {
  EditRect* pane = MakeShapePane<EditRect>(control, gRectangleHooks);
  if (!pane) return;
  const RectangleObject* record = reinterpret_cast<RectangleObject*>(control);
  pane->fillColor = record->fillColor;
  pane->topLeftColor = record->topLeftColor;
  pane->bottomRightColor = record->bottomRightColor;
  pane->borderWidth = record->borderWidth;
}
QV_EXPORT(RectCreatePane)

extern "C" void RoundRectCreatePane(RuntimeObject* control) {
  EditRoundRect* pane = MakeShapePane<EditRoundRect>(control, gRoundRectangleHooks);
  if (!pane) return;
  const RoundRectangleObject* record = reinterpret_cast<RoundRectangleObject*>(control);
  pane->fillColor = record->fillColor;
  pane->borderColor = record->borderColor;
  pane->borderWidth = record->borderWidth;
  pane->ovalWidth = record->ovalWidth;
  pane->ovalHeight = record->ovalHeight;
}
QV_EXPORT(RoundRectCreatePane)
