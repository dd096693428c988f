#include "controls/ProgressBarControl.h"

#include "controls/ControlClasses.h"
#include "controls/ProgressBarPane.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"

QV_PROGRESSBAR_FIELD_ACCESSORS(QV_DEFINE_FIELD_GETTER, QV_DEFINE_FIELD_SETTER)

namespace {

using namespace lang;

MouseEventHooks gProgressHooks;

const PropertyRow kProgressBarProperties[] = {
    QV_PROPERTY("Value", Integer, progressValueGetter, progressValueSetter),
    QV_PROPERTY("Maximum", Integer, progressMaximumGetter, progressMaximumSetter),
};

const EventRow kProgressBarEvents[] = {QV_MOUSE_EVENT_ROWS(gProgressHooks)};

const EventImplementationRow kProgressBarImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", ProgressBarCreatePane)};

ProgressBarObject* AsProgressBar(RuntimeObject* control) {
  return reinterpret_cast<ProgressBarObject*>(control);
}

ProgressBar* PaneOf(RuntimeObject* control) {
  SubPane* pane = control ? AsControl(control)->pane : nullptr;
  return pane && !pane->IsClosing() ? static_cast<ProgressBar*>(pane) : nullptr;
}

}  // namespace

QV_CLASS(ProgressBarClassDefinition,
         .name = "ProgressBar",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(ProgressBarObject),
         .properties = kProgressBarProperties,
         .events = kProgressBarEvents,
         .eventImplementations = kProgressBarImplementations)
QV_STARTUP_CLASS(kStartupProgressBarClass, ProgressBarClassDefinition)

extern "C" void ProgressBarCreatePane(RuntimeObject* control) {
  if (!QV_CHECK_TEXT(control, "self", nullptr)) return;
  ProgressBarObject* bar = AsProgressBar(control);
  ControlObject& record = bar->control;
  if (!QV_CHECK_TEXT(record.ownerPane, "self->mOwnerPane", nullptr)) return;
  record.pane = new ProgressBar(record.ownerPane, record.tabPanelIndex, record.bounds,
                                bar->value, bar->maximum, gProgressHooks);
}
QV_EXPORT(ProgressBarCreatePane)

extern "C" void progressValueSetter(RuntimeObject* control, uint32_t, int32_t value) {
  if (!control) return;
  if (ProgressBar* pane = PaneOf(control)) pane->SetValue(value);
  AsProgressBar(control)->value = value;
}
QV_EXPORT(progressValueSetter)

extern "C" void progressMaximumSetter(RuntimeObject* control, uint32_t, int32_t maximum) {
  if (!control) return;
  if (ProgressBar* pane = PaneOf(control)) pane->SetMaximum(maximum);
  AsProgressBar(control)->maximum = maximum;
}
QV_EXPORT(progressMaximumSetter)
