// The language class "EditField": a RectControl whose pane is a native edit field
// (EditControlGTK). The object keeps what compiled code sets, so that properties work before
// the pane exists and survive it; the router, RuntimeEditRouter, is the pane's delegate and
// turns its reports into the object's events, applies the input mask (EditMask.h) and the
// display Format, serves the edit menu, and carries the text to and from bound data.
//
// While the framework itself sets the text (creation, Format, GotFocus) the in-TextChange and
// in-SelChange flags are set, so no TextChange or SelChange is raised, nor re-entered from a
// handler that sets Text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "controls/EditControl.h"
#include "controls/RuntimeControl.h"
#include "core/ObjectDefinition.h"

class RuntimeEditRouter;

struct EditFieldObject {
  ControlObject control;
  stringStorage* dataSource;  // DataSource
  stringStorage* dataField;   // DataField
  ControlFontRecord font;
  RuntimeEditRouter* router;  // owned; made with the pane
  uint8_t border;
  uint8_t multiLine;
  uint8_t scrollBarHorizontal;
  uint8_t scrollBarVertical;
  uint8_t readOnly;
  uint8_t unused1[3];
  stringStorage* text;  // the text without a pane, and the raw text while a Format shows
  int32_t limitText;
  uint32_t backColor;  // 0xRRGGBB
  uint32_t textColor;
  uint8_t inTextChange;
  uint8_t inSelChange;
  uint8_t password;
  uint8_t styled;
  uint8_t acceptTabs;
  uint8_t liveUpdate;
  uint8_t useFocusRing;
  uint8_t unused2;
  RuntimeObject* dataSourceObject;  // held; the object EditFieldSetDataSource bound
  int32_t alignment;
  int32_t savedSelStart;  // the selection restored when a formatted field gets the focus
  int32_t savedSelEnd;
  stringStorage* format;
  stringStorage* formattedText;
  stringStorage* mask;
  RuntimeObject* styledText;  // held; nil for a field that is not styled
};
static_assert(sizeof(EditFieldObject) == 212 && offsetof(EditFieldObject, dataSource) == 124 &&
                  offsetof(EditFieldObject, font) == 132 &&
                  offsetof(EditFieldObject, router) == 144 &&
                  offsetof(EditFieldObject, border) == 148 &&
                  offsetof(EditFieldObject, readOnly) == 152 &&
                  offsetof(EditFieldObject, text) == 156 &&
                  offsetof(EditFieldObject, limitText) == 160 &&
                  offsetof(EditFieldObject, backColor) == 164 &&
                  offsetof(EditFieldObject, inTextChange) == 172 &&
                  offsetof(EditFieldObject, password) == 174 &&
                  offsetof(EditFieldObject, useFocusRing) == 178 &&
                  offsetof(EditFieldObject, dataSourceObject) == 180 &&
                  offsetof(EditFieldObject, alignment) == 184 &&
                  offsetof(EditFieldObject, savedSelStart) == 188 &&
                  offsetof(EditFieldObject, format) == 196 &&
                  offsetof(EditFieldObject, mask) == 204 &&
                  offsetof(EditFieldObject, styledText) == 208,
              "EditField instances are 212 bytes");

inline EditFieldObject* AsEditField(RuntimeObject* object) {
  return reinterpret_cast<EditFieldObject*>(object);
}

// The delegate of an edit field's pane. Every operation that raises an event holds the owner
// and the pane's chain for the call and touches neither once the pane closed, so a handler may
// close the window or drop the field.
class RuntimeEditRouter : public EditControlDelegate {
 public:
  explicit RuntimeEditRouter(RuntimeObject* owner);
  ~RuntimeEditRouter() override;

  // The mask step; false (the field edits itself) without a Mask.
  bool ValidationError(EditControl* field, int32_t start, int32_t deleted, int32_t position,
                       const string& text, bool selectInserted, int32_t key) override;
  void TextChanged(EditControl* field) override;
  void SelectionChanged(EditControl* field) override;
  bool SelectAllOnFocus() override;
  void GotFocus(EditControl* field) override;
  void LostFocus(EditControl* field) override;
  bool KeyDownChar(EditControl* field, uint8_t key, int32_t modifiers, int32_t extra) override;
  bool KeyDown(EditControl* field, const string& key, int32_t modifiers, int32_t extra) override;
  void EnableMenuItems(EditControl* field) override;
  bool HandleMenuCommand(EditControl* field, RuntimeObject* item) override;
  bool ControlEvent(EditControl* field, int32_t code) override;
  bool MouseDown(EditControl* field, int32_t x, int32_t y) override;
  bool MouseUp(EditControl* field, int32_t x, int32_t y) override;

  // The mask step over the pane: start, deleted and position are clamped to its text.
  // keepAccepted: a refused text keeps its accepted part (the re-check of a new Mask).
  bool ApplyMask(EditControl* field, int32_t start, int32_t deleted, int32_t position,
                 const string& text, bool selectInserted, bool keepAccepted);

  RuntimeObject* Owner() const { return mOwner; }

 private:
  struct MaskCache;
  bool TypeAtMaskedEnd(EditControl* field, const std::string& inserted, bool selectInserted);

  RuntimeObject* mOwner;  // not retained: the owner owns the router
  std::unique_ptr<MaskCache> mMaskCache;  // what the last mask step left
};

ObjectDefinition* EditFieldClassDefinition();

// The display Format: while the field does not hold the keyboard focus it shows
// Format(Val(text)) and keeps the raw text in Text. Nothing without a Format or pane.
void ApplyEditFormat(RuntimeObject* field);
// The edit menu's items, enabled by the selection, ReadOnly, Password and the clipboard.
void EnableEditMenuItems(RuntimeObject* field, EditControl* pane);
// The edit menu's commands; true when item is one of them (a paste only when it pasted).
bool HandleEditMenuCommand(RuntimeObject* field, EditControl* pane, RuntimeObject* item);
// Replaces the beep of a refused edit without ValidationError handler (tests count it); nil
// restores the system beep.
void SetEditFieldBeep(void (*beep)());

extern "C" {
void EditCreatePane(RuntimeObject* field);
void RuntimeEditDestructor(RuntimeObject* field);
stringStorage* editTextGetter(RuntimeObject* field, uint32_t parameter);
void editTextSetter(RuntimeObject* field, uint32_t parameter, stringStorage* text);
stringStorage* editTextStyleDataGetter(RuntimeObject* field, uint32_t parameter);
void editReadOnlySetter(RuntimeObject* field, uint32_t parameter, int32_t value);
void editPasswordSetter(RuntimeObject* field, uint32_t parameter, int32_t value);
void editTextColorSetter(RuntimeObject* field, uint32_t parameter, uint32_t color);
void editBackColorSetter(RuntimeObject* field, uint32_t parameter, uint32_t color);
int32_t editSelStartGetter(RuntimeObject* field, uint32_t parameter);
void editSelStartSetter(RuntimeObject* field, uint32_t parameter, int32_t value);
int32_t editSelLengthGetter(RuntimeObject* field, uint32_t parameter);
void editSelLengthSetter(RuntimeObject* field, uint32_t parameter, int32_t value);
stringStorage* editSelTextGetter(RuntimeObject* field, uint32_t parameter);
void editSelTextSetter(RuntimeObject* field, uint32_t parameter, stringStorage* text);
void editLimitTextSetter(RuntimeObject* field, uint32_t parameter, int32_t limit);
int32_t editSelBoldGetter(RuntimeObject* field, uint32_t parameter);
void editSelBoldSetter(RuntimeObject* field, uint32_t parameter, int32_t value);
int32_t editSelUnderlineGetter(RuntimeObject* field, uint32_t parameter);
void editSelUnderlineSetter(RuntimeObject* field, uint32_t parameter, int32_t value);
int32_t editSelItalicGetter(RuntimeObject* field, uint32_t parameter);
void editSelItalicSetter(RuntimeObject* field, uint32_t parameter, int32_t value);
int32_t editSelOutlineGetter(RuntimeObject* field, uint32_t parameter);
void editSelOutlineSetter(RuntimeObject* field, uint32_t parameter, int32_t value);
int32_t editSelShadowGetter(RuntimeObject* field, uint32_t parameter);
void editSelShadowSetter(RuntimeObject* field, uint32_t parameter, int32_t value);
int32_t editSelCondenseGetter(RuntimeObject* field, uint32_t parameter);
void editSelCondenseSetter(RuntimeObject* field, uint32_t parameter, int32_t value);
int32_t editSelExtendGetter(RuntimeObject* field, uint32_t parameter);
void editSelExtendSetter(RuntimeObject* field, uint32_t parameter, int32_t value);
int32_t editSelPlainGetter(RuntimeObject* field, uint32_t parameter);
void editSelPlainSetter(RuntimeObject* field, uint32_t parameter, int32_t value);
stringStorage* editSelTextFontGetter(RuntimeObject* field, uint32_t parameter);
void editSelTextFontSetter(RuntimeObject* field, uint32_t parameter, stringStorage* font);
int32_t editSelTextSizeGetter(RuntimeObject* field, uint32_t parameter);
void editSelTextSizeSetter(RuntimeObject* field, uint32_t parameter, int32_t size);
uint32_t editSelTextColorGetter(RuntimeObject* field, uint32_t parameter);
void editSelTextColorSetter(RuntimeObject* field, uint32_t parameter, uint32_t color);
stringStorage* EditDataSourceGetter(RuntimeObject* field, uint32_t parameter);
void EditDataSourceSetter(RuntimeObject* field, uint32_t parameter, stringStorage* name);
void EditDataFieldSetter(RuntimeObject* field, uint32_t parameter, stringStorage* name);
void EditAlignmentSetter(RuntimeObject* field, uint32_t parameter, int32_t alignment);
int32_t EditSelAlignmentGetter(RuntimeObject* field, uint32_t parameter);
void EditSelAlignmentSetter(RuntimeObject* field, uint32_t parameter, int32_t alignment);
void EditMaskSetter(RuntimeObject* field, uint32_t parameter, stringStorage* mask);
RuntimeObject* StyledTextObjectGetter(RuntimeObject* field, uint32_t parameter);
void StyledTextObjectSetter(RuntimeObject* field, uint32_t parameter, RuntimeObject* styled);
void editToggleSelectionBold(RuntimeObject* field);
void editToggleSelectionUnderline(RuntimeObject* field);
void editToggleSelectionItalic(RuntimeObject* field);
void editToggleSelectionShadow(RuntimeObject* field);
void editToggleSelectionOutline(RuntimeObject* field);
void editToggleSelectionCondense(RuntimeObject* field);
void editToggleSelectionExtend(RuntimeObject* field);
void editSetTextAndStyle(RuntimeObject* field, stringStorage* text, stringStorage* style);
void editSetString(RuntimeObject* field, stringStorage* text);
RuntimeObject* editStyleTextPrinter(RuntimeObject* field, RuntimeObject* graphics,
                                    int32_t width);
int32_t editScrollPositionGetter(RuntimeObject* field);
void editScrollPositionSetter(RuntimeObject* field, int32_t line);
int32_t EditScrollPositionXGetter(RuntimeObject* field);
void EditScrollPositionXSetter(RuntimeObject* field, int32_t x);
int32_t editLineNumAtCharPos(RuntimeObject* field, int32_t position);
int32_t editCharPosAtLineNum(RuntimeObject* field, int32_t line);
int32_t editCharPosAtXY(RuntimeObject* field, int32_t x, int32_t y);
int32_t editInsertionPosAtXY(RuntimeObject* field, int32_t x, int32_t y);
void editCopyToClipboard(RuntimeObject* field);
void editPasteFromClipboard(RuntimeObject* field);
void editSelectAll(RuntimeObject* field);
void editAppendText(RuntimeObject* field, stringStorage* text);
// Binds a data-source object: the old one stops notifying the field, the new one does and
// loads it (text through StringProvider, Enabled through DataAvailableProvider).
void EditFieldSetDataSource(RuntimeObject* field, RuntimeObject* source);
}
// The font setters' second step: the pane, when there is one, takes the font record anew.
void EditFieldFontChanged(RuntimeObject* field);
