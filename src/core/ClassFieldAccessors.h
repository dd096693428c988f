// Class-specific field accessors: the small exported getters and setters that property rows
// name for one field of one class's record (Window.Frame, PushButton.Bold, Screen.Depth ...),
// beside the generic ones of FieldAccessors.h, which take the field's position from the row.
//
// Every such accessor is a row of the one table below, grouped by class; the table declares
// them all here, and the file that knows a class's record defines that class's group:
//
//     QV_PUSHBUTTON_FIELD_ACCESSORS(QV_DEFINE_FIELD_GETTER, QV_DEFINE_FIELD_SETTER)
//
// A row gives the value's type as the language sees it (int32_t for Integer and Boolean,
// uint32_t for Color, stringStorage*, RuntimeObject*), the export name, the record and its
// field. The field's own width decides the conversion: a u8 field reads 0 or 1 and stores
// value != 0, an int16_t field reads sign-extended and stores the low half. String and object
// getters answer with a reference for the caller; their setters take one on the new value and
// drop the old. A setter's last word names what follows the store: StoreOnly, or a function
// of the object (a control's font setter hands the new font to its pane).
//
// A nil object raises NilObjectException; the getter answers 0 and the setter writes nothing.
#pragma once

#include <cstdint>
#include <type_traits>

#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// ---- the table ----

// Window: the setters of Title, Backdrop, BackColor and HasBackColor belong to the Window
// class, which applies them to the open window.
#define QV_WINDOW_FIELD_ACCESSORS(GET, SET)                                          \
  GET(int32_t, windowPlacementGetter, WindowObject, placement)                       \
  SET(int32_t, windowPlacementSetter, WindowObject, placement, StoreOnly)            \
  GET(int32_t, windowCloseBoxGetter, WindowObject, closeButton)                      \
  SET(int32_t, windowCloseBoxSetter, WindowObject, closeButton, StoreOnly)           \
  GET(int32_t, windowGrowIconGetter, WindowObject, resizeable)                       \
  SET(int32_t, windowGrowIconSetter, WindowObject, resizeable, StoreOnly)            \
  GET(int32_t, windowZoomIconGetter, WindowObject, maximizeButton)                   \
  SET(int32_t, windowZoomIconSetter, WindowObject, maximizeButton, StoreOnly)        \
  GET(int32_t, windowFrameGetter, WindowObject, frame)                               \
  SET(int32_t, windowFrameSetter, WindowObject, frame, StoreOnly)                    \
  GET(stringStorage*, windowTitleGetter, WindowObject, title)                        \
  GET(RuntimeObject*, windowBackdropGetter, WindowObject, backdrop)                  \
  GET(uint32_t, windowBackColorGetter, WindowObject, backColor)                      \
  GET(int32_t, windowHasBackColorGetter, WindowObject, hasBackColor)

// RectControl: the setters of Visible and Enabled show and enable the pane.
#define QV_RECTCONTROL_FIELD_ACCESSORS(GET, SET)                                     \
  GET(int32_t, controlVisibleGetter, ControlObject, visible)                         \
  GET(int32_t, controlEnabledGetter, ControlObject, enabled)                         \
  GET(int32_t, controlLockLeftGetter, ControlObject, lockLeft)                       \
  SET(int32_t, controlLockLeftSetter, ControlObject, lockLeft, StoreOnly)            \
  GET(int32_t, controlLockTopGetter, ControlObject, lockTop)                         \
  SET(int32_t, controlLockTopSetter, ControlObject, lockTop, StoreOnly)              \
  GET(int32_t, controlLockRightGetter, ControlObject, lockRight)                     \
  SET(int32_t, controlLockRightSetter, ControlObject, lockRight, StoreOnly)          \
  GET(int32_t, controlLockBottomGetter, ControlObject, lockBottom)                   \
  SET(int32_t, controlLockBottomSetter, ControlObject, lockBottom, StoreOnly)

// PushButton: the setters of Default, Cancel and Caption tell the pane themselves.
#define QV_PUSHBUTTON_FIELD_ACCESSORS(GET, SET)                                      \
  GET(int32_t, pushButtonDefaultGetter, PushButtonObject, isDefault)                 \
  GET(int32_t, pushButtonCancelGetter, PushButtonObject, isCancel)                   \
  GET(stringStorage*, pushButtonTitleGetter, PushButtonObject, caption)              \
  GET(stringStorage*, pushButtonTextFontGetter, PushButtonObject, font.name)         \
  SET(stringStorage*, pushButtonTextFontSetter, PushButtonObject, font.name,         \
      PushButtonFontChanged)                                                         \
  GET(int32_t, pushButtonTextSizeGetter, PushButtonObject, font.size)                \
  SET(int32_t, pushButtonTextSizeSetter, PushButtonObject, font.size,                \
      PushButtonFontChanged)                                                         \
  GET(int32_t, pushButtonBoldGetter, PushButtonObject, font.bold)                    \
  SET(int32_t, pushButtonBoldSetter, PushButtonObject, font.bold, PushButtonFontChanged) \
  GET(int32_t, pushButtonItalicGetter, PushButtonObject, font.italic)                \
  SET(int32_t, pushButtonItalicSetter, PushButtonObject, font.italic,                \
      PushButtonFontChanged)                                                         \
  GET(int32_t, pushButtonUnderlineGetter, PushButtonObject, font.underline)          \
  SET(int32_t, pushButtonUnderlineSetter, PushButtonObject, font.underline,          \
      PushButtonFontChanged)

// CheckBox and RadioButton: the Caption setters and the rest belong to their classes; the font
// setters hand the new font to the pane.
#define QV_CHECKBOX_FIELD_ACCESSORS(GET, SET)                                        \
  GET(stringStorage*, checkBoxTitleGetter, CheckBoxObject, caption)                  \
  GET(stringStorage*, checkBoxTextFontGetter, CheckBoxObject, font.name)             \
  SET(stringStorage*, checkBoxTextFontSetter, CheckBoxObject, font.name,             \
      CheckBoxFontChanged)                                                           \
  GET(int32_t, checkBoxTextSizeGetter, CheckBoxObject, font.size)                    \
  SET(int32_t, checkBoxTextSizeSetter, CheckBoxObject, font.size, CheckBoxFontChanged) \
  GET(int32_t, checkBoxBoldGetter, CheckBoxObject, font.bold)                        \
  SET(int32_t, checkBoxBoldSetter, CheckBoxObject, font.bold, CheckBoxFontChanged)   \
  GET(int32_t, checkBoxItalicGetter, CheckBoxObject, font.italic)                    \
  SET(int32_t, checkBoxItalicSetter, CheckBoxObject, font.italic, CheckBoxFontChanged) \
  GET(int32_t, checkBoxUnderlineGetter, CheckBoxObject, font.underline)              \
  SET(int32_t, checkBoxUnderlineSetter, CheckBoxObject, font.underline,              \
      CheckBoxFontChanged)

#define QV_RADIO_FIELD_ACCESSORS(GET, SET)                                           \
  GET(stringStorage*, radioTitleGetter, RadioButtonObject, caption)                  \
  GET(stringStorage*, radioTextFontGetter, RadioButtonObject, font.name)             \
  SET(stringStorage*, radioTextFontSetter, RadioButtonObject, font.name,             \
      RadioButtonFontChanged)                                                        \
  GET(int32_t, radioTextSizeGetter, RadioButtonObject, font.size)                    \
  SET(int32_t, radioTextSizeSetter, RadioButtonObject, font.size, RadioButtonFontChanged) \
  GET(int32_t, radioBoldGetter, RadioButtonObject, font.bold)                        \
  SET(int32_t, radioBoldSetter, RadioButtonObject, font.bold, RadioButtonFontChanged) \
  GET(int32_t, radioItalicGetter, RadioButtonObject, font.italic)                    \
  SET(int32_t, radioItalicSetter, RadioButtonObject, font.italic, RadioButtonFontChanged) \
  GET(int32_t, radioUnderlineGetter, RadioButtonObject, font.underline)              \
  SET(int32_t, radioUnderlineSetter, RadioButtonObject, font.underline,              \
      RadioButtonFontChanged)

// GroupBox: the font setters hand the new font to the pane.
#define QV_GROUPBOX_FIELD_ACCESSORS(GET, SET)                                        \
  GET(stringStorage*, groupTextFontGetter, GroupBoxObject, font.name)                \
  SET(stringStorage*, groupTextFontSetter, GroupBoxObject, font.name,                \
      GroupBoxFontChanged)                                                           \
  GET(int32_t, groupTextSizeGetter, GroupBoxObject, font.size)                       \
  SET(int32_t, groupTextSizeSetter, GroupBoxObject, font.size, GroupBoxFontChanged)  \
  GET(int32_t, groupBoldGetter, GroupBoxObject, font.bold)                           \
  SET(int32_t, groupBoldSetter, GroupBoxObject, font.bold, GroupBoxFontChanged)      \
  GET(int32_t, groupItalicGetter, GroupBoxObject, font.italic)                       \
  SET(int32_t, groupItalicSetter, GroupBoxObject, font.italic, GroupBoxFontChanged)  \
  GET(int32_t, groupUnderlineGetter, GroupBoxObject, font.underline)                 \
  SET(int32_t, groupUnderlineSetter, GroupBoxObject, font.underline,                 \
      GroupBoxFontChanged)

// ProgressBar: the setters of Value and Maximum belong to the ProgressBar class.
#define QV_PROGRESSBAR_FIELD_ACCESSORS(GET, SET)                                     \
  GET(int32_t, progressValueGetter, ProgressBarObject, value)                        \
  GET(int32_t, progressMaximumGetter, ProgressBarObject, maximum)

// TabPanel: the font setters hand the new font to the tabs.
#define QV_TABPANEL_FIELD_ACCESSORS(GET, SET)                                        \
  SET(stringStorage*, tabPanelTextFontSetter, TabPanelObject, font.name,             \
      TabPanelFontChanged)                                                           \
  SET(int32_t, tabPanelTextSizeSetter, TabPanelObject, font.size, TabPanelFontChanged) \
  SET(int32_t, tabPanelBoldSetter, TabPanelObject, font.bold, TabPanelFontChanged)   \
  SET(int32_t, tabPanelItalicSetter, TabPanelObject, font.italic, TabPanelFontChanged) \
  SET(int32_t, tabPanelUnderlineSetter, TabPanelObject, font.underline,              \
      TabPanelFontChanged)

// EditField: the setters of ReadOnly and LimitText tell the pane themselves; Border,
// MultiLine and ScrollBar take effect when the pane is made.
#define QV_EDITFIELD_FIELD_ACCESSORS(GET, SET)                                       \
  GET(int32_t, editBorderGetter, EditFieldObject, border)                            \
  SET(int32_t, editBorderSetter, EditFieldObject, border, StoreOnly)                 \
  GET(int32_t, editMultiLineGetter, EditFieldObject, multiLine)                      \
  SET(int32_t, editMultiLineSetter, EditFieldObject, multiLine, StoreOnly)           \
  GET(int32_t, editScrollBarGetter, EditFieldObject, scrollBarVertical)              \
  SET(int32_t, editScrollBarSetter, EditFieldObject, scrollBarVertical, StoreOnly)   \
  GET(int32_t, editReadOnlyGetter, EditFieldObject, readOnly)                        \
  GET(int32_t, editPasswordGetter, EditFieldObject, password)                        \
  GET(int32_t, editLimitTextGetter, EditFieldObject, limitText)                      \
  GET(stringStorage*, editTextFontGetter, EditFieldObject, font.name)                \
  SET(stringStorage*, editTextFontSetter, EditFieldObject, font.name,                \
      EditFieldFontChanged)                                                          \
  GET(int32_t, editTextSizeGetter, EditFieldObject, font.size)                       \
  SET(int32_t, editTextSizeSetter, EditFieldObject, font.size, EditFieldFontChanged) \
  GET(int32_t, editBoldGetter, EditFieldObject, font.bold)                           \
  SET(int32_t, editBoldSetter, EditFieldObject, font.bold, EditFieldFontChanged)     \
  GET(int32_t, editItalicGetter, EditFieldObject, font.italic)                       \
  SET(int32_t, editItalicSetter, EditFieldObject, font.italic, EditFieldFontChanged) \
  GET(int32_t, editUnderlineGetter, EditFieldObject, font.underline)                 \
  SET(int32_t, editUnderlineSetter, EditFieldObject, font.underline,                 \
      EditFieldFontChanged)

// Screen: read-only.
#define QV_SCREEN_FIELD_ACCESSORS(GET, SET)                                          \
  GET(int32_t, screenLeftGetter, ScreenObject, left)                                 \
  GET(int32_t, screenTopGetter, ScreenObject, top)                                   \
  GET(int32_t, screenWidthGetter, ScreenObject, width)                               \
  GET(int32_t, screenHeightGetter, ScreenObject, height)                             \
  GET(int32_t, screenDepthGetter, ScreenObject, depth)

#define QV_FIELD_ACCESSOR_TABLE(GET, SET) \
  QV_WINDOW_FIELD_ACCESSORS(GET, SET)     \
  QV_RECTCONTROL_FIELD_ACCESSORS(GET, SET) \
  QV_PUSHBUTTON_FIELD_ACCESSORS(GET, SET) \
  QV_CHECKBOX_FIELD_ACCESSORS(GET, SET)   \
  QV_RADIO_FIELD_ACCESSORS(GET, SET)      \
  QV_GROUPBOX_FIELD_ACCESSORS(GET, SET)   \
  QV_PROGRESSBAR_FIELD_ACCESSORS(GET, SET) \
  QV_TABPANEL_FIELD_ACCESSORS(GET, SET)   \
  QV_EDITFIELD_FIELD_ACCESSORS(GET, SET)  \
  QV_SCREEN_FIELD_ACCESSORS(GET, SET)

// ---- declarations and definitions ----

#define QV_DECLARE_FIELD_GETTER(Type, name, Record, field) \
  extern "C" Type name(RuntimeObject* object, uint32_t parameter);
#define QV_DECLARE_FIELD_SETTER(Type, name, Record, field, effect) \
  extern "C" void name(RuntimeObject* object, uint32_t parameter, Type value);

QV_FIELD_ACCESSOR_TABLE(QV_DECLARE_FIELD_GETTER, QV_DECLARE_FIELD_SETTER)

#define QV_DEFINE_FIELD_GETTER(Type, name, Record, field)                         \
  extern "C" Type name(RuntimeObject* object, uint32_t) {                         \
    if (!object) return field_accessors::NilObject<Type>();                       \
    return field_accessors::Read<Type>(reinterpret_cast<Record*>(object)->field); \
  }                                                                               \
  QV_EXPORT(name)

#define QV_DEFINE_FIELD_SETTER(Type, name, Record, field, effect)               \
  extern "C" void name(RuntimeObject* object, uint32_t, Type value) {           \
    if (!object) {                                                              \
      field_accessors::NilObject<Type>();                                       \
      return;                                                                   \
    }                                                                           \
    field_accessors::Write(reinterpret_cast<Record*>(object)->field, value);    \
    field_accessors::After(object, effect);                                     \
  }                                                                             \
  QV_EXPORT(name)

namespace field_accessors {

struct StoreOnlyTag {};
inline constexpr StoreOnlyTag StoreOnly{};

template <typename Type>
Type NilObject() {
  RaiseNilObjectException();
  return Type{};
}

template <typename Type, typename Field>
Type Read(const Field& field) {
  if constexpr (std::is_same_v<Field, uint8_t>) {
    return Type(field != 0);
  } else if constexpr (std::is_same_v<Field, stringStorage*>) {
    stringStorage::AddReference(field);
    return field;
  } else if constexpr (std::is_same_v<Field, RuntimeObject*>) {
    RuntimeLockObject(field);
    return field;
  } else {
    return Type(field);
  }
}

template <typename Field, typename Type>
void Write(Field& field, Type value) {
  if constexpr (std::is_same_v<Field, uint8_t>) {
    field = value != 0;
  } else if constexpr (std::is_same_v<Field, stringStorage*>) {
    stringStorage::AddReference(value);
    stringStorage::RemoveReference(field);
    field = value;
  } else if constexpr (std::is_same_v<Field, RuntimeObject*>) {
    RuntimeLockObject(value);
    RuntimeUnlockObject(field);
    field = value;
  } else {
    field = Field(value);
  }
}

inline void After(RuntimeObject*, StoreOnlyTag) {}
inline void After(RuntimeObject* object, void (*effect)(RuntimeObject*)) { effect(object); }

}  // namespace field_accessors

using field_accessors::StoreOnly;
