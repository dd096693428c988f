// The EditField class as a table of rows, its CreatePane and destructor, and the accessors
// and methods that forward to the pane. The router and what it applies (mask, Format, edit
// menu, AppendText, bound data, StyledText) are in EditFieldRouter.cpp.
#include "controls/EditField.h"

#include "controls/ControlAccessors.h"
#include "controls/ControlClasses.h"
#include "controls/EditFieldHooks.h"
#include "controls/StyledText.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "database/DataBinding.h"
#include "strings/TextEncoding.h"

QV_EDITFIELD_FIELD_ACCESSORS(QV_DEFINE_FIELD_GETTER, QV_DEFINE_FIELD_SETTER)

EditFieldHooks& EditFieldEvents() {
  static EditFieldHooks hooks;
  return hooks;
}

EditControl* EditPaneOf(RuntimeObject* field) {
  if (!field) return nullptr;
  return static_cast<EditControl*>(AsControl(field)->pane);
}

namespace {

using namespace lang;

#define QV_EDIT_FIELD(member) offsetof(EditFieldObject, member)

const PropertyRow kEditFieldProperties[] = {
    QV_PROPERTY("Text", String, editTextGetter, editTextSetter),
    QV_READONLY("TextStyleData", String, editTextStyleDataGetter),
    QV_PROPERTY("Border", Boolean, editBorderGetter, editBorderSetter),
    QV_PROPERTY("MultiLine", Boolean, editMultiLineGetter, editMultiLineSetter),
    QV_PROPERTY("ReadOnly", Boolean, editReadOnlyGetter, editReadOnlySetter),
    QV_PROPERTY("Password", Boolean, editPasswordGetter, editPasswordSetter),
    QV_PROPERTY("Styled", Boolean, boolGetter, boolSetter, QV_EDIT_FIELD(styled)),
    QV_PROPERTY("AcceptTabs", Boolean, boolGetter, boolSetter, QV_EDIT_FIELD(acceptTabs)),
    QV_PROPERTY("TextColor", Color, intGetter, editTextColorSetter, QV_EDIT_FIELD(textColor)),
    QV_PROPERTY("BackColor", Color, intGetter, editBackColorSetter, QV_EDIT_FIELD(backColor)),
    QV_PROPERTY("ScrollBarHorizontal", Boolean, boolGetter, boolSetter,
                QV_EDIT_FIELD(scrollBarHorizontal)),
    QV_PROPERTY("ScrollBarVertical", Boolean, editScrollBarGetter, editScrollBarSetter),
    QV_PROPERTY("ScrollBar", Boolean, editScrollBarGetter, editScrollBarSetter),
    QV_PROPERTY("TextFont", String, editTextFontGetter, editTextFontSetter),
    QV_PROPERTY("TextSize", Integer, editTextSizeGetter, editTextSizeSetter),
    QV_PROPERTY("Bold", Boolean, editBoldGetter, editBoldSetter),
    QV_PROPERTY("Italic", Boolean, editItalicGetter, editItalicSetter),
    QV_PROPERTY("Underline", Boolean, editUnderlineGetter, editUnderlineSetter),
    QV_PROPERTY("SelStart", Integer, editSelStartGetter, editSelStartSetter),
    QV_PROPERTY("SelLength", Integer, editSelLengthGetter, editSelLengthSetter),
    QV_PROPERTY("SelText", String, editSelTextGetter, editSelTextSetter),
    QV_PROPERTY("LimitText", Integer, editLimitTextGetter, editLimitTextSetter),
    QV_PROPERTY("SelBold", Boolean, editSelBoldGetter, editSelBoldSetter),
    QV_PROPERTY("SelUnderline", Boolean, editSelUnderlineGetter, editSelUnderlineSetter),
    QV_PROPERTY("SelItalic", Boolean, editSelItalicGetter, editSelItalicSetter),
    QV_PROPERTY("SelOutline", Boolean, editSelOutlineGetter, editSelOutlineSetter),
    QV_PROPERTY("SelShadow", Boolean, editSelShadowGetter, editSelShadowSetter),
    QV_PROPERTY("SelCondense", Boolean, editSelCondenseGetter, editSelCondenseSetter),
    QV_PROPERTY("SelExtend", Boolean, editSelExtendGetter, editSelExtendSetter),
    QV_PROPERTY("SelPlain", Boolean, editSelPlainGetter, editSelPlainSetter),
    QV_PROPERTY("SelTextFont", String, editSelTextFontGetter, editSelTextFontSetter),
    QV_PROPERTY("SelTextSize", Integer, editSelTextSizeGetter, editSelTextSizeSetter),
    QV_PROPERTY("SelTextColor", Color, editSelTextColorGetter, editSelTextColorSetter),
    QV_PROPERTY("LiveUpdate", Boolean, boolGetter, boolSetter, QV_EDIT_FIELD(liveUpdate)),
    QV_PROPERTY("UseFocusRing", Boolean, boolGetter, boolSetter, QV_EDIT_FIELD(useFocusRing)),
    QV_PROPERTY("DataSource", String, EditDataSourceGetter, EditDataSourceSetter),
    QV_PROPERTY("DataField", String, stringGetter, EditDataFieldSetter,
                QV_EDIT_FIELD(dataField)),
    QV_PROPERTY("Alignment", Integer, intGetter, EditAlignmentSetter, QV_EDIT_FIELD(alignment)),
    QV_PROPERTY("SelAlignment", Integer, EditSelAlignmentGetter, EditSelAlignmentSetter),
    QV_PROPERTY("Format", String, stringGetter, stringSetter, QV_EDIT_FIELD(format)),
    QV_READONLY("FormattedText", String, stringGetter, QV_EDIT_FIELD(formattedText)),
    QV_PROPERTY("Mask", String, stringGetter, EditMaskSetter, QV_EDIT_FIELD(mask)),
    QV_PROPERTY("StyledText", Class<"StyledText">, StyledTextObjectGetter,
                StyledTextObjectSetter),
};

const MethodRow kEditFieldMethods[] = {
    QV_SUB("ToggleSelectionBold", editToggleSelectionBold),
    QV_SUB("ToggleSelectionUnderline", editToggleSelectionUnderline),
    QV_SUB("ToggleSelectionItalic", editToggleSelectionItalic),
    QV_SUB("ToggleSelectionShadow", editToggleSelectionShadow),
    QV_SUB("ToggleSelectionOutline", editToggleSelectionOutline),
    QV_SUB("ToggleSelectionCondense", editToggleSelectionCondense),
    QV_SUB("ToggleSelectionExtend", editToggleSelectionExtend),
    QV_SUB("SetTextAndStyle", editSetTextAndStyle, Param("text", String),
           Param("style", String)),
    QV_SUB("setString", editSetString, Param("Str", String)),
    QV_FUNCTION("styledTextPrinter", Class<"StyledTextPrinter">, editStyleTextPrinter,
                Param("g", Class<"Graphics">), Param("width", Integer)),
    QV_FUNCTION_ASSIGNS("ScrollPosition", Integer, editScrollPositionGetter,
                        editScrollPositionSetter),
    QV_FUNCTION_ASSIGNS("ScrollPositionX", Integer, EditScrollPositionXGetter,
                        EditScrollPositionXSetter),
    QV_FUNCTION("LineNumAtCharPos", Integer, editLineNumAtCharPos, Param("v", Integer)),
    QV_FUNCTION("CharPosAtLineNum", Integer, editCharPosAtLineNum, Param("v", Integer)),
    QV_FUNCTION("CharPosAtXY", Integer, editCharPosAtXY, Param("x", Integer),
                Param("y", Integer)),
    QV_FUNCTION("InsertionPosAtXY", Integer, editInsertionPosAtXY, Param("x", Integer),
                Param("y", Integer)),
    QV_SUB("Copy", editCopyToClipboard),
    QV_SUB("Paste", editPasteFromClipboard),
    QV_SUB("SelectAll", editSelectAll),
    QV_SUB("AppendText", editAppendText, Param("text", String)),
};

constexpr const char* kXY = "X As Integer, Y As Integer";
constexpr uint32_t kMenuEventFlags = 0x20;

const EventRow kEditFieldEvents[] = {
    QV_EVENT("KeyDown", &EditFieldEvents().keyDown, "Key As String", "Boolean"),
    QV_EVENT("GotFocus", &EditFieldEvents().gotFocus),
    QV_EVENT("LostFocus", &EditFieldEvents().lostFocus),
    QV_EVENT("MouseDown", &EditFieldEvents().mouseDown, kXY, "Boolean"),
    QV_EVENT("MouseUp", &EditFieldEvents().mouseUp, kXY),
    QV_EVENT("SelChange", &EditFieldEvents().selChange),
    QV_EVENT("TextChange", &EditFieldEvents().textChange),
    QV_EVENT("EnableMenuItems", &EditFieldEvents().enableMenuItems).Flags(kMenuEventFlags),
    QV_EVENT("ValidationError", &EditFieldEvents().validationError,
             "InvalidText As String, StartPosition As Integer"),
};

const EventImplementationRow kEditFieldImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", EditCreatePane),
};

const ClassGetter kEditFieldInterfaces[] = {StringInterfaceDefinition};

}  // namespace

QV_CLASS(EditFieldClassDefinition,
         .name = "EditField",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(EditFieldObject),
         .properties = kEditFieldProperties,
         .methods = kEditFieldMethods,
         .events = kEditFieldEvents,
         .eventImplementations = kEditFieldImplementations,
         .finalizer = QV_CODE(RuntimeEditDestructor),
         .interfaces = kEditFieldInterfaces)
QV_STARTUP_CLASS(kStartupEditFieldClass, EditFieldClassDefinition)

// ---- construction and destruction ----

namespace {

EditControl* MakeEditPane(EditFieldObject* record) {
  ControlObject& control = record->control;
  const FontSpec font = MakeControlFontDescription(record->font);
  const bool border = record->border != 0;
  const bool vertical = record->scrollBarVertical != 0;
  const bool horizontal = record->scrollBarHorizontal != 0;
  if (record->multiLine) {
    return record->styled
               ? CreateStyledMultilineEditControl(record->router, control.ownerPane,
                                                  control.tabPanelIndex, control.bounds, border,
                                                  font, vertical, horizontal)
               : CreateMultilineEditControl(record->router, control.ownerPane,
                                            control.tabPanelIndex, control.bounds, border, font,
                                            vertical, horizontal);
  }
  return record->styled ? CreateStyledEditControl(record->router, control.ownerPane,
                                                  control.tabPanelIndex, control.bounds, border,
                                                  font)
                        : CreateEditControl(record->router, control.ownerPane,
                                            control.tabPanelIndex, control.bounds, border, font);
}

}  // namespace

extern "C" void EditCreatePane(RuntimeObject* field) {
  if (!QV_CHECK_TEXT(field, "self", nullptr)) return;
  EditFieldObject* record = AsEditField(field);
  ControlObject& control = record->control;
  if (!QV_CHECK_TEXT(control.ownerPane, "self->mOwnerPane", nullptr)) return;
  const RGBColor16 back = ColorFromRGB(record->backColor);
  const RGBColor16 fore = ColorFromRGB(record->textColor);
  if (!record->router) record->router = new RuntimeEditRouter(field);
  EditControl* pane = MakeEditPane(record);
  AdoptControlPane(field, pane);
  if (record->styled) {
    RuntimeObject* styled = NewObjectFromDefinition(StyledTextClassDefinition());
    LinkStyledTextDelegate(styled, pane);
    RuntimeUnlockObject(record->styledText);
    record->styledText = styled;
  }
  pane->SetOwner(field);
  pane->SetAlignment(record->alignment);
  pane->SetReadOnly(record->readOnly != 0);
  pane->SetBackColor(back);
  pane->SetTextColor(fore);
  pane->SetFocusRing(record->useFocusRing != 0);
  record->inTextChange = record->inSelChange = 1;
  pane->SetText(string(record->text));
  pane->SetLimitText(record->limitText);
  record->inTextChange = record->inSelChange = 0;
  pane->SetPassword(record->password != 0);
  pane->SetAcceptTabs(record->acceptTabs != 0);
  if (!control.enabled) pane->ApplyStateCode(kControlDisable);
  pane->SetDataSource(string(record->dataSource));
  pane->Bind();
  ApplyEditFormat(field);
}
QV_EXPORT(EditCreatePane)

extern "C" void RuntimeEditDestructor(RuntimeObject* field) {
  if (!field) return;
  EditFieldObject* record = AsEditField(field);
  // A pane a handler still holds must not call the router once it is gone.
  if (EditControl* pane = EditPaneOf(field)) {
    pane->SetDelegate(nullptr);
    pane->SetOwner(nullptr);
  }
  for (stringStorage** text : {&record->text, &record->font.name, &record->dataSource,
                               &record->dataField, &record->format, &record->formattedText,
                               &record->mask}) {
    stringStorage::RemoveReference(*text);
    *text = nullptr;
  }
  if (RuntimeObject* styled = record->styledText) {
    record->styledText = nullptr;
    LinkStyledTextDelegate(styled, nullptr);
    RuntimeUnlockObject(styled);
  }
  RuntimeObject* source = record->dataSourceObject;
  record->dataSourceObject = nullptr;
  RuntimeUnlockObject(source);
  delete record->router;
  record->router = nullptr;
}
QV_EXPORT(RuntimeEditDestructor)

// ---- text ----

extern "C" stringStorage* editTextGetter(RuntimeObject* field, uint32_t) {
  if (!field) return field_accessors::NilObject<stringStorage*>();
  if (EditControl* pane = EditPaneOf(field)) {
    return pane->GetText(kEncodingUTF8).ExtractStringStorage();
  }
  return field_accessors::Read<stringStorage*>(AsEditField(field)->text);
}
QV_EXPORT(editTextGetter)

extern "C" void editTextSetter(RuntimeObject* field, uint32_t, stringStorage* text) {
  if (!field) return;
  field_accessors::Write(AsEditField(field)->text, text);
  if (EditControl* pane = EditPaneOf(field)) pane->SetText(string(text));
}
QV_EXPORT(editTextSetter)

extern "C" stringStorage* editTextStyleDataGetter(RuntimeObject* field, uint32_t) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->GetTextStyleData().ExtractStringStorage() : nullptr;
}
QV_EXPORT(editTextStyleDataGetter)

extern "C" void editSetString(RuntimeObject* field, stringStorage* text) {
  if (!field) return;
  RuntimeLockObject(field);
  if (EditControl* pane = EditPaneOf(field)) pane->SetText(string(text));
  field_accessors::Write(AsEditField(field)->text, text);
  RuntimeUnlockObject(field);
}
QV_EXPORT(editSetString)

extern "C" void editSetTextAndStyle(RuntimeObject* field, stringStorage* text,
                                    stringStorage* style) {
  if (EditControl* pane = EditPaneOf(field)) pane->SetTextAndStyle(string(text), string(style));
}
QV_EXPORT(editSetTextAndStyle)

// ---- stored properties that the pane also takes ----

extern "C" void editReadOnlySetter(RuntimeObject* field, uint32_t, int32_t value) {
  if (!field) return;
  AsEditField(field)->readOnly = value != 0;
  if (EditControl* pane = EditPaneOf(field)) pane->SetReadOnly(value != 0);
}
QV_EXPORT(editReadOnlySetter)

extern "C" void editPasswordSetter(RuntimeObject* field, uint32_t, int32_t value) {
  if (!field) return;
  AsEditField(field)->password = value != 0;
  if (EditControl* pane = EditPaneOf(field)) pane->SetPassword(value != 0);
}
QV_EXPORT(editPasswordSetter)

extern "C" void editTextColorSetter(RuntimeObject* field, uint32_t, uint32_t color) {
  if (!field) return;
  AsEditField(field)->textColor = color;
  if (EditControl* pane = EditPaneOf(field)) pane->SetTextColor(ColorFromRGB(color));
}
QV_EXPORT(editTextColorSetter)

extern "C" void editBackColorSetter(RuntimeObject* field, uint32_t, uint32_t color) {
  if (!field) return;
  AsEditField(field)->backColor = color;
  if (EditControl* pane = EditPaneOf(field)) pane->SetBackColor(ColorFromRGB(color));
}
QV_EXPORT(editBackColorSetter)

extern "C" void editLimitTextSetter(RuntimeObject* field, uint32_t, int32_t limit) {
  if (!field) return;
  AsEditField(field)->limitText = limit;
  if (EditControl* pane = EditPaneOf(field)) pane->SetLimitText(limit);
}
QV_EXPORT(editLimitTextSetter)

extern "C" void EditAlignmentSetter(RuntimeObject* field, uint32_t, int32_t alignment) {
  if (!field) return;
  AsEditField(field)->alignment = alignment;
  if (EditControl* pane = EditPaneOf(field)) pane->SetAlignment(alignment);
}
QV_EXPORT(EditAlignmentSetter)

void EditFieldFontChanged(RuntimeObject* field) {
  if (EditControl* pane = EditPaneOf(field)) {
    pane->SetFieldFont(MakeControlFontDescription(AsEditField(field)->font));
  }
}

// ---- selection ----

extern "C" int32_t editSelStartGetter(RuntimeObject* field, uint32_t) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->GetSelStart() : 0;
}
QV_EXPORT(editSelStartGetter)

extern "C" void editSelStartSetter(RuntimeObject* field, uint32_t, int32_t value) {
  if (EditControl* pane = EditPaneOf(field)) pane->SetSelStart(value);
}
QV_EXPORT(editSelStartSetter)

extern "C" int32_t editSelLengthGetter(RuntimeObject* field, uint32_t) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->GetSelLength() : 0;
}
QV_EXPORT(editSelLengthGetter)

extern "C" void editSelLengthSetter(RuntimeObject* field, uint32_t, int32_t value) {
  if (EditControl* pane = EditPaneOf(field)) pane->SetSelLength(value);
}
QV_EXPORT(editSelLengthSetter)

extern "C" stringStorage* editSelTextGetter(RuntimeObject* field, uint32_t) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->GetSelText(kEncodingUTF8).ExtractStringStorage() : nullptr;
}
QV_EXPORT(editSelTextGetter)

extern "C" void editSelTextSetter(RuntimeObject* field, uint32_t, stringStorage* text) {
  if (EditControl* pane = EditPaneOf(field)) pane->SetSelText(string(text));
}
QV_EXPORT(editSelTextSetter)

extern "C" int32_t EditSelAlignmentGetter(RuntimeObject* field, uint32_t) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->GetSelAlignment() : 0;
}
QV_EXPORT(EditSelAlignmentGetter)

extern "C" void EditSelAlignmentSetter(RuntimeObject* field, uint32_t, int32_t alignment) {
  if (EditControl* pane = EditPaneOf(field)) pane->SetSelAlignment(alignment);
}
QV_EXPORT(EditSelAlignmentSetter)

// The Boolean selection styles: one getter and setter each over the pane's operations.
#define QV_EDIT_SEL_STYLE(Name)                                                         \
  extern "C" int32_t editSel##Name##Getter(RuntimeObject* field, uint32_t) {            \
    EditControl* pane = EditPaneOf(field);                                              \
    return pane && pane->GetSel##Name() ? 1 : 0;                                        \
  }                                                                                     \
  QV_EXPORT(editSel##Name##Getter)                                                      \
  extern "C" void editSel##Name##Setter(RuntimeObject* field, uint32_t, int32_t value) { \
    if (EditControl* pane = EditPaneOf(field)) pane->SetSel##Name(value != 0);          \
  }                                                                                     \
  QV_EXPORT(editSel##Name##Setter)

QV_EDIT_SEL_STYLE(Bold)
QV_EDIT_SEL_STYLE(Underline)
QV_EDIT_SEL_STYLE(Italic)
QV_EDIT_SEL_STYLE(Outline)
QV_EDIT_SEL_STYLE(Shadow)
QV_EDIT_SEL_STYLE(Condense)
QV_EDIT_SEL_STYLE(Extend)
QV_EDIT_SEL_STYLE(Plain)

extern "C" stringStorage* editSelTextFontGetter(RuntimeObject* field, uint32_t) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->GetSelTextFont().ExtractStringStorage() : nullptr;
}
QV_EXPORT(editSelTextFontGetter)

extern "C" void editSelTextFontSetter(RuntimeObject* field, uint32_t, stringStorage* font) {
  EditControl* pane = EditPaneOf(field);
  if (!pane) return;
  string name(font);
  pane->SetSelFont(name);
}
QV_EXPORT(editSelTextFontSetter)

extern "C" int32_t editSelTextSizeGetter(RuntimeObject* field, uint32_t) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->GetSelTextSize() : 0;
}
QV_EXPORT(editSelTextSizeGetter)

extern "C" void editSelTextSizeSetter(RuntimeObject* field, uint32_t, int32_t size) {
  if (EditControl* pane = EditPaneOf(field)) pane->SetSelTextSize(size);
}
QV_EXPORT(editSelTextSizeSetter)

extern "C" uint32_t editSelTextColorGetter(RuntimeObject* field, uint32_t) {
  EditControl* pane = EditPaneOf(field);
  if (!pane) return 0;
  const RGBColor16 c = pane->GetSelTextColor();
  return uint32_t(c.red / 257) << 16 | uint32_t(c.green / 257) << 8 | uint32_t(c.blue / 257);
}
QV_EXPORT(editSelTextColorGetter)

extern "C" void editSelTextColorSetter(RuntimeObject* field, uint32_t, uint32_t color) {
  if (EditControl* pane = EditPaneOf(field)) pane->SetSelTextColor(ColorFromRGB(color));
}
QV_EXPORT(editSelTextColorSetter)

// ---- methods ----

#define QV_EDIT_TOGGLE(Name, Operation)                                 \
  extern "C" void editToggleSelection##Name(RuntimeObject* field) {     \
    if (EditControl* pane = EditPaneOf(field)) pane->Operation;         \
  }                                                                     \
  QV_EXPORT(editToggleSelection##Name)

QV_EDIT_TOGGLE(Bold, ToggleSelBold())
QV_EDIT_TOGGLE(Underline, ToggleSelUnderline())
QV_EDIT_TOGGLE(Italic, ToggleSelItalic())
QV_EDIT_TOGGLE(Shadow, SetSelShadow(!pane->GetSelShadow()))
QV_EDIT_TOGGLE(Outline, SetSelOutline(!pane->GetSelOutline()))
QV_EDIT_TOGGLE(Condense, SetSelCondense(!pane->GetSelCondense()))
QV_EDIT_TOGGLE(Extend, SetSelExtend(!pane->GetSelExtend()))

extern "C" RuntimeObject* editStyleTextPrinter(RuntimeObject* field, RuntimeObject* graphics,
                                               int32_t width) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->NewStyledTextPrinter(graphics, width) : nullptr;
}
QV_EXPORT(editStyleTextPrinter)

extern "C" int32_t editScrollPositionGetter(RuntimeObject* field) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->GetScrollPosition() : 0;
}
QV_EXPORT(editScrollPositionGetter)

extern "C" void editScrollPositionSetter(RuntimeObject* field, int32_t line) {
  if (EditControl* pane = EditPaneOf(field)) pane->SetScrollPosition(line);
}
QV_EXPORT(editScrollPositionSetter)

extern "C" int32_t EditScrollPositionXGetter(RuntimeObject* field) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->GetScrollPositionX() : 0;
}
QV_EXPORT(EditScrollPositionXGetter)

extern "C" void EditScrollPositionXSetter(RuntimeObject* field, int32_t x) {
  if (EditControl* pane = EditPaneOf(field)) pane->SetScrollPositionX(x);
}
QV_EXPORT(EditScrollPositionXSetter)

extern "C" int32_t editLineNumAtCharPos(RuntimeObject* field, int32_t position) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->LineNumAtCharPos(position) : 0;
}
QV_EXPORT(editLineNumAtCharPos)

extern "C" int32_t editCharPosAtLineNum(RuntimeObject* field, int32_t line) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->CharPosAtLineNum(line) : 0;
}
QV_EXPORT(editCharPosAtLineNum)

extern "C" int32_t editCharPosAtXY(RuntimeObject* field, int32_t x, int32_t y) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->CharPosAtXY(x, y) : 0;
}
QV_EXPORT(editCharPosAtXY)

extern "C" int32_t editInsertionPosAtXY(RuntimeObject* field, int32_t x, int32_t y) {
  EditControl* pane = EditPaneOf(field);
  return pane ? pane->InsertionPosAtXY(x, y) : 0;
}
QV_EXPORT(editInsertionPosAtXY)

extern "C" void editCopyToClipboard(RuntimeObject* field) {
  if (EditControl* pane = EditPaneOf(field)) pane->Copy();
}
QV_EXPORT(editCopyToClipboard)

extern "C" void editPasteFromClipboard(RuntimeObject* field) {
  if (EditControl* pane = EditPaneOf(field)) pane->Paste();
}
QV_EXPORT(editPasteFromClipboard)

extern "C" void editSelectAll(RuntimeObject* field) {
  if (EditControl* pane = EditPaneOf(field)) pane->SetSelection(0, pane->TextLength());
}
QV_EXPORT(editSelectAll)

// ---- data source name ----

extern "C" stringStorage* EditDataSourceGetter(RuntimeObject* field, uint32_t) {
  if (!field) return nullptr;
  return field_accessors::Read<stringStorage*>(AsEditField(field)->dataSource);
}
QV_EXPORT(EditDataSourceGetter)

extern "C" void EditDataSourceSetter(RuntimeObject* field, uint32_t, stringStorage* name) {
  if (!field) return;
  field_accessors::Write(AsEditField(field)->dataSource, name);
  EditControl* pane = EditPaneOf(field);
  if (!pane) return;
  pane->Unbind();
  pane->SetDataSource(string(name));
  pane->Bind();
}
QV_EXPORT(EditDataSourceSetter)

extern "C" void EditDataFieldSetter(RuntimeObject* field, uint32_t, stringStorage* name) {
  if (!field) return;
  field_accessors::Write(AsEditField(field)->dataField, name);
  if (EditControl* pane = EditPaneOf(field)) pane->Bind();
}
QV_EXPORT(EditDataFieldSetter)
