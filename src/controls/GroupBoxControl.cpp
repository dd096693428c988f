#include "controls/GroupBoxControl.h"

#include "controls/ControlClasses.h"
#include "controls/GroupBoxPane.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"

QV_GROUPBOX_FIELD_ACCESSORS(QV_DEFINE_FIELD_GETTER, QV_DEFINE_FIELD_SETTER)

namespace {

using namespace lang;

MouseEventHooks gGroupBoxHooks;

const PropertyRow kGroupBoxProperties[] = {
    QV_PROPERTY("Caption", String, groupCaptionGetter, groupCaptionSetter),
    QV_PROPERTY("TextFont", String, groupTextFontGetter, groupTextFontSetter),
    QV_PROPERTY("TextSize", Integer, groupTextSizeGetter, groupTextSizeSetter),
    QV_PROPERTY("Bold", Boolean, groupBoldGetter, groupBoldSetter),
    QV_PROPERTY("Italic", Boolean, groupItalicGetter, groupItalicSetter),
    QV_PROPERTY("Underline", Boolean, groupUnderlineGetter, groupUnderlineSetter),
};

const EventRow kGroupBoxEvents[] = {QV_MOUSE_EVENT_ROWS(gGroupBoxHooks)};

const EventImplementationRow kGroupBoxImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", GroupBoxCreatePane)};

GroupBoxObject* AsGroupBox(RuntimeObject* control) {
  return reinterpret_cast<GroupBoxObject*>(control);
}

GroupBox* PaneOf(RuntimeObject* control) {
  SubPane* pane = control ? AsControl(control)->pane : nullptr;
  return pane && !pane->IsClosing() ? static_cast<GroupBox*>(pane) : nullptr;
}

}  // namespace

QV_CLASS(GroupBoxClassDefinition,
         .name = "GroupBox",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(GroupBoxObject),
         .properties = kGroupBoxProperties,
         .events = kGroupBoxEvents,
         .eventImplementations = kGroupBoxImplementations,
         .finalizer = QV_CODE(groupBoxDestructor))
QV_STARTUP_CLASS(kStartupGroupBoxClass, GroupBoxClassDefinition)

extern "C" void GroupBoxCreatePane(RuntimeObject* control) {
  if (!QV_CHECK_TEXT(control, "self", nullptr)) return;
  GroupBoxObject* box = AsGroupBox(control);
  ControlObject& record = box->control;
  if (!QV_CHECK_TEXT(record.ownerPane, "self->mOwnerPane", nullptr)) return;
  const FontSpec font = MakeControlFontDescription(box->font);
  auto* pane = new GroupBox(record.ownerPane, record.tabPanelIndex, record.bounds,
                            string(box->caption), font, gGroupBoxHooks);
  record.pane = pane;
  RuntimeObject* initialParent = record.initialParent;
  if (initialParent && AsControl(initialParent)->pane) {
    pane->SetParent(AsControl(initialParent)->pane);
  }
  pane->SetFont(font);
  pane->SetEnabled(record.enabled != 0, false);
}
QV_EXPORT(GroupBoxCreatePane)

extern "C" void groupBoxDestructor(RuntimeObject* control) {
  if (!control) return;
  GroupBoxObject* box = AsGroupBox(control);
  stringStorage::RemoveReference(box->font.name);
  stringStorage::RemoveReference(box->caption);
  box->font.name = box->caption = nullptr;
}
QV_EXPORT(groupBoxDestructor)

extern "C" stringStorage* groupCaptionGetter(RuntimeObject* control, uint32_t) {
  if (!QV_CHECK_TEXT(control, "ctl", nullptr)) return nullptr;
  return field_accessors::Read<stringStorage*>(AsGroupBox(control)->caption);
}
QV_EXPORT(groupCaptionGetter)

extern "C" void groupCaptionSetter(RuntimeObject* control, uint32_t, stringStorage* caption) {
  if (!QV_CHECK_TEXT(control, "ctl", nullptr)) return;
  field_accessors::Write(AsGroupBox(control)->caption, caption);
  if (GroupBox* pane = PaneOf(control)) pane->SetCaption(string(caption));
}
QV_EXPORT(groupCaptionSetter)

void GroupBoxFontChanged(RuntimeObject* control) {
  if (GroupBox* pane = PaneOf(control)) {
    pane->SetFont(MakeControlFontDescription(AsGroupBox(control)->font));
  }
}
