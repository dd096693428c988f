// The StaticText class as a table of rows, its CreatePane and destructor, and its setters, each
// storing the value and handing it to the pane when there is one.
#include "controls/StaticText.h"

#include "controls/ControlClasses.h"
#include "controls/StaticTextPane.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "database/DataBinding.h"

namespace {

using namespace lang;

StaticTextHooks gHooks;

StaticText* PaneOf(RuntimeObject* label) {
  return label ? static_cast<StaticText*>(AsControl(label)->pane) : nullptr;
}

FontSpec LabelFont(const StaticTextObject* record) {
  FontSpec font;
  font.name = string(record->textFont);
  font.size = record->textSize;
  font.bold = record->bold;
  font.italic = record->italic;
  font.underline = record->underline;
  return font;
}

void FontChanged(RuntimeObject* label) {
  if (StaticText* pane = PaneOf(label)) pane->SetFont(LabelFont(AsStaticText(label)));
}

#define QV_STATIC_FIELD(member) offsetof(StaticTextObject, member)

const PropertyRow kStaticTextProperties[] = {
    QV_PROPERTY("Text", String, stringGetter, staticCaptionSetter, QV_STATIC_FIELD(text)),
    QV_PROPERTY("Caption", String, stringGetter, staticCaptionSetter, QV_STATIC_FIELD(text)),
    QV_PROPERTY("TextAlign", Integer, shortGetter, staticTextAlignSetter,
                QV_STATIC_FIELD(textAlign)),
    QV_PROPERTY("TextColor", Color, intGetter, staticTextColorSetter,
                QV_STATIC_FIELD(textColor)),
    QV_PROPERTY("TextFont", String, stringGetter, staticTextFontSetter,
                QV_STATIC_FIELD(textFont)),
    QV_PROPERTY("TextSize", Integer, shortGetter, staticTextSizeSetter,
                QV_STATIC_FIELD(textSize)),
    QV_PROPERTY("Bold", Boolean, boolGetter, staticAttributeSetter, QV_STATIC_FIELD(bold)),
    QV_PROPERTY("Italic", Boolean, boolGetter, staticAttributeSetter, QV_STATIC_FIELD(italic)),
    QV_PROPERTY("Underline", Boolean, boolGetter, staticAttributeSetter,
                QV_STATIC_FIELD(underline)),
    QV_PROPERTY("MultiLine", Boolean, boolGetter, StaticTextMultilineSetter,
                QV_STATIC_FIELD(multiLine)),
    QV_PROPERTY("DataSource", String, StaticTextDataSourceGetter, StaticTextDataSourceSetter),
    QV_PROPERTY("DataField", String, stringGetter, StaticTextDataFieldSetter,
                QV_STATIC_FIELD(dataField)),
};

const MethodRow kStaticTextMethods[] = {
    QV_SUB("setString", StaticTextSetString, Param("s", String)),
};

const EventRow kStaticTextEvents[] = {
    QV_EVENT("AcceleratorKey", &gHooks.acceleratorKey),
    QV_MOUSE_EVENT_ROWS(gHooks.mouse),
};

const EventImplementationRow kStaticTextImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", StaticTextCreatePane),
};

const ClassGetter kStaticTextInterfaces[] = {StringInterfaceDefinition};

}  // namespace

QV_CLASS(StaticTextClassDefinition,
         .name = "StaticText",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(StaticTextObject),
         .properties = kStaticTextProperties,
         .methods = kStaticTextMethods,
         .events = kStaticTextEvents,
         .eventImplementations = kStaticTextImplementations,
         .finalizer = QV_CODE(StaticTextDestructor),
         .interfaces = kStaticTextInterfaces)
QV_STARTUP_CLASS(kStartupStaticTextClass, StaticTextClassDefinition)

extern "C" void StaticTextCreatePane(RuntimeObject* label) {
  if (!QV_CHECK_TEXT(label, "self", nullptr)) return;
  StaticTextObject* record = AsStaticText(label);
  ControlObject& control = record->control;
  if (!QV_CHECK_TEXT(control.ownerPane, "self->mOwnerPane", nullptr)) return;
  auto* pane =
      new StaticTextGeneric(control.ownerPane, control.tabPanelIndex, control.bounds, gHooks);
  AdoptControlPane(label, pane);
  pane->SetOwnerObject(label);
  pane->SetCaption(string(record->text));
  pane->SetAlignment(record->textAlign);
  pane->SetTextColor(record->textColor);
  pane->SetFont(LabelFont(record));
  pane->SetMultiLine(record->multiLine == 1);
  pane->SetDataSource(string(record->dataSource));
  pane->Bind();
}
QV_EXPORT(StaticTextCreatePane)

extern "C" void StaticTextDestructor(RuntimeObject* label) {
  if (!label) return;
  StaticTextObject* record = AsStaticText(label);
  if (StaticText* pane = PaneOf(label)) pane->SetOwnerObject(nullptr);
  for (stringStorage** text :
       {&record->text, &record->textFont, &record->dataSource, &record->dataField}) {
    stringStorage::RemoveReference(*text);
    *text = nullptr;
  }
}
QV_EXPORT(StaticTextDestructor)

extern "C" void staticCaptionSetter(RuntimeObject* label, uint32_t, stringStorage* text) {
  if (!label) return;
  field_accessors::Write(AsStaticText(label)->text, text);
  if (StaticText* pane = PaneOf(label)) pane->SetCaption(string(text));
}
QV_EXPORT(staticCaptionSetter)

extern "C" void StaticTextSetString(RuntimeObject* label, stringStorage* text) {
  staticCaptionSetter(label, 0, text);
}
QV_EXPORT(StaticTextSetString)

extern "C" void staticTextAlignSetter(RuntimeObject* label, uint32_t, int32_t alignment) {
  if (!label) return;
  AsStaticText(label)->textAlign = int16_t(alignment);
  if (StaticText* pane = PaneOf(label)) pane->SetAlignment(int16_t(alignment));
}
QV_EXPORT(staticTextAlignSetter)

extern "C" void staticTextColorSetter(RuntimeObject* label, uint32_t, uint32_t color) {
  if (!label) return;
  AsStaticText(label)->textColor = color;
  if (StaticText* pane = PaneOf(label)) pane->SetTextColor(color);
}
QV_EXPORT(staticTextColorSetter)

extern "C" void staticTextFontSetter(RuntimeObject* label, uint32_t, stringStorage* font) {
  if (!label) return;
  field_accessors::Write(AsStaticText(label)->textFont, font);
  FontChanged(label);
}
QV_EXPORT(staticTextFontSetter)

extern "C" void staticTextSizeSetter(RuntimeObject* label, uint32_t, int32_t size) {
  if (!label) return;
  AsStaticText(label)->textSize = int16_t(size);
  FontChanged(label);
}
QV_EXPORT(staticTextSizeSetter)

// Bold, Italic and Underline: the row's parameter word is the flag's offset.
extern "C" void staticAttributeSetter(RuntimeObject* label, uint32_t offset, int32_t value) {
  if (!label) return;
  const bool known = offset == QV_STATIC_FIELD(bold) || offset == QV_STATIC_FIELD(italic) ||
                     offset == QV_STATIC_FIELD(underline);
  if (!QV_CHECK_TEXT(known, "offset", nullptr)) return;
  reinterpret_cast<uint8_t*>(label)[offset] = value != 0;
  FontChanged(label);
}
QV_EXPORT(staticAttributeSetter)

extern "C" void StaticTextMultilineSetter(RuntimeObject* label, uint32_t, int32_t multiLine) {
  if (!label) return;
  AsStaticText(label)->multiLine = multiLine != 0;
  if (StaticText* pane = PaneOf(label)) pane->SetMultiLine(multiLine != 0);
}
QV_EXPORT(StaticTextMultilineSetter)

extern "C" stringStorage* StaticTextDataSourceGetter(RuntimeObject* label, uint32_t) {
  if (!label) return nullptr;
  return field_accessors::Read<stringStorage*>(AsStaticText(label)->dataSource);
}
QV_EXPORT(StaticTextDataSourceGetter)

extern "C" void StaticTextDataSourceSetter(RuntimeObject* label, uint32_t, stringStorage* name) {
  if (!label) return;
  field_accessors::Write(AsStaticText(label)->dataSource, name);
  StaticText* pane = PaneOf(label);
  if (!pane) return;
  pane->Unbind();
  pane->SetDataSource(string(name));
  pane->Bind();
}
QV_EXPORT(StaticTextDataSourceSetter)

extern "C" void StaticTextDataFieldSetter(RuntimeObject* label, uint32_t, stringStorage* name) {
  if (!label) return;
  field_accessors::Write(AsStaticText(label)->dataField, name);
  if (StaticText* pane = PaneOf(label)) pane->Bind();
}
QV_EXPORT(StaticTextDataFieldSetter)
