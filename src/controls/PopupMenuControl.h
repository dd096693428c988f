// The language classes "PopupMenu" and its subclass "ComboBox": a RectControl over a row list
// (ComboBoxPane.h), not editable for a PopupMenu, editable for a ComboBox. Before the pane
// exists the object keeps its rows as InitialValue text and its ListIndex as a stored number;
// CreatePane moves both into the pane. The class takes part in data binding: a list a data
// source fills (BindList), a string provider (the selected text), a data notifier (its
// receivers hear DataChanged after every Change), and the maker of row-tag providers
// ("sys$popupRowTag").
#pragma once

#include <cstddef>
#include <cstdint>

#include "arrays/RuntimeArray.h"
#include "controls/ComboBoxPane.h"
#include "core/ObjectDefinition.h"
#include "database/DataBinding.h"
#include "windows/ControlRecord.h"

class PopupMenu;
class RuntimeComboRouter;

struct PopupMenuObject {
  ControlObject control;
  stringStorage* dataSource;   // name of the control to bind to
  stringStorage* dataField;    // read by the data layer
  stringStorage* textFont;     // the font while there is no pane
  int16_t textSize;
  uint8_t bold;
  uint8_t italic;
  uint8_t underline;
  uint8_t inChange;            // set while Change and its data notifications run
  uint8_t unused1[2];
  stringStorage* initialValue; // rows before the pane, separated by line endings
  ReceiverNode* receivers;     // data-notification receivers, each held
  RuntimeObject* listSource;   // the object last given to BindList, held
  int32_t storedListIndex;     // ListIndex set before the pane; -1 none
  uint8_t autoComplete;        // ComboBox
  uint8_t useFocusRing;        // ComboBox
  uint8_t unused2[2];
  RuntimeComboRouter* router;  // owned; made with the first pane
  PopupMenu* pane;             // the row list, nil before CreatePane and after it closed
};
static_assert(sizeof(PopupMenuObject) == 172 && offsetof(PopupMenuObject, dataSource) == 124 &&
                  offsetof(PopupMenuObject, textSize) == 136 &&
                  offsetof(PopupMenuObject, inChange) == 141 &&
                  offsetof(PopupMenuObject, initialValue) == 144 &&
                  offsetof(PopupMenuObject, storedListIndex) == 156 &&
                  offsetof(PopupMenuObject, autoComplete) == 160 &&
                  offsetof(PopupMenuObject, pane) == 168,
              "PopupMenu and ComboBox instances are 172 bytes");

inline PopupMenuObject* AsPopupMenu(RuntimeObject* object) {
  return reinterpret_cast<PopupMenuObject*>(object);
}

// The row list of the object while its control still has it open; nil otherwise.
PopupMenu* PopupPaneOf(RuntimeObject* popup);

// The owner's events, raised for the row list. Change runs once at a time per object: the
// in-change flag keeps a Change handler that selects a row from raising a second Change.
class RuntimeComboRouter : public ComboBoxEvents {
 public:
  explicit RuntimeComboRouter(RuntimeObject* owner) : mOwner(owner) {}
  void Change() override;
  bool MouseDown(int32_t x, int32_t y) override;
  bool MouseUp(int32_t x, int32_t y) override;
  void GotFocus() override;
  void LostFocus() override;
  void TextChanged() override;
  bool KeyDown(const string& key) override;

 private:
  RuntimeObject* mOwner;  // not held: the owner owns the router
};

ObjectDefinition* PopupMenuClassDefinition();
ObjectDefinition* ComboBoxClassDefinition();
ObjectDefinition* PopupRowTagClassDefinition();

// The events ComboBox declares (ComboBoxControl.cpp).
struct ComboBoxHooks {
  ObjectHook* textChanged = nullptr;
  ObjectHook* keyDown = nullptr;
};
ComboBoxHooks& ComboHooks();

// The ComboBox's CreatePane: its editable list.
void ComboBoxCreatePane(RuntimeObject* combo);
// Both classes' first steps of CreatePane: a new pane in the object's window, adopted by the
// control; nil without an owner pane.
PopupMenu* MakePopupPane(RuntimeObject* popup, bool editable);
// The last step: the data-source name into the pane, then Bind.
void BindPopupPane(RuntimeObject* popup);
// InitialValue cut at its line endings (each piece a row, nothing after a final ending);
// InitialValue becomes empty.
std::vector<string> TakeInitialRows(RuntimeObject* popup);

extern "C" {
void PopupMenuCreatePane(RuntimeObject* popup);
void popupMenuDestructor(RuntimeObject* popup);
stringStorage* RuntimeComboBoxTextFontGetter(RuntimeObject* popup, uint32_t parameter);
void RuntimeComboBoxTextFontSetter(RuntimeObject* popup, uint32_t parameter, stringStorage* name);
int32_t RuntimeComboBoxTextSizeGetter(RuntimeObject* popup, uint32_t parameter);
void RuntimeComboBoxTextSizeSetter(RuntimeObject* popup, uint32_t parameter, int32_t size);
int32_t RuntimeComboBoxBoldGetter(RuntimeObject* popup, uint32_t parameter);
void RuntimeComboBoxBoldSetter(RuntimeObject* popup, uint32_t parameter, int32_t on);
int32_t RuntimeComboBoxItalicGetter(RuntimeObject* popup, uint32_t parameter);
void RuntimeComboBoxItalicSetter(RuntimeObject* popup, uint32_t parameter, int32_t on);
int32_t RuntimeComboBoxUnderlineGetter(RuntimeObject* popup, uint32_t parameter);
void RuntimeComboBoxUnderlineSetter(RuntimeObject* popup, uint32_t parameter, int32_t on);
int32_t RuntimeComboBoxCountGetter(RuntimeObject* popup, uint32_t parameter);
int32_t RuntimeComboBoxSelectionGetter(RuntimeObject* popup, uint32_t parameter);
void RuntimeComboBoxSelectionSetter(RuntimeObject* popup, uint32_t parameter, int32_t index);
stringStorage* RuntimeComboBoxTextGetter(RuntimeObject* popup, uint32_t parameter);
stringStorage* PopupDataSourceGetter(RuntimeObject* popup, uint32_t parameter);
void PopupDataSourceSetter(RuntimeObject* popup, uint32_t parameter, stringStorage* name);
void PopupDataFieldSetter(RuntimeObject* popup, uint32_t parameter, stringStorage* name);
void RuntimeComboBoxEmpty(RuntimeObject* popup);
void RuntimeComboBoxAddRow(RuntimeObject* popup, stringStorage* text);
void RuntimeComboBoxAddRows(RuntimeObject* popup, RuntimeArray* items);
void RuntimeComboBoxAddSeparator(RuntimeObject* popup);
void RuntimeComboBoxRemoveRow(RuntimeObject* popup, int32_t index);
stringStorage* RuntimeComboBoxGetRow(RuntimeObject* popup, int32_t index);
void RuntimeComboBoxInsertRow(RuntimeObject* popup, int32_t row, stringStorage* text);
stringStorage* RuntimeComboBoxGetString(RuntimeObject* popup);
void popupAddDNR(RuntimeObject* popup, RuntimeObject* receiver);
void popupRemoveDNR(RuntimeObject* popup, RuntimeObject* receiver);
int32_t popupDataAvailable(RuntimeObject* popup);
void popupBindList(RuntimeObject* popup, RuntimeObject* data);
RuntimeObject* getPopupRowTag(RuntimeObject* popup, int32_t index);
void setPopupRowTag(RuntimeObject* popup, int32_t index, RuntimeObject* tag);
RuntimeObject* popupGetBoundPart(RuntimeObject* popup, stringStorage* name);

// ComboBox
void RuntimeComboBoxAutoCompleteSetter(RuntimeObject* combo, uint32_t parameter, int32_t on);
void RuntimeComboBoxTextSetter(RuntimeObject* combo, uint32_t parameter, stringStorage* text);
int32_t RuntimeComboBoxSelStartGetter(RuntimeObject* combo, uint32_t parameter);
void RuntimeComboBoxSelStartSetter(RuntimeObject* combo, uint32_t parameter, int32_t start);
int32_t RuntimeComboBoxSelLengthGetter(RuntimeObject* combo, uint32_t parameter);
void RuntimeComboBoxSelLengthSetter(RuntimeObject* combo, uint32_t parameter, int32_t length);

// sys$popupRowTag
void popupRowTagDestructor(RuntimeObject* provider);
stringStorage* popupRowTagGetString(RuntimeObject* provider);
void popupRowTagAddDNR(RuntimeObject* provider, RuntimeObject* receiver);
void popupRowTagRemoveDNR(RuntimeObject* provider, RuntimeObject* receiver);
int32_t popupRowTagDataAvailable(RuntimeObject* provider);
void popupRowTagDataChanged(RuntimeObject* provider);
}

// The row-tag providers a popup made, so that its destructor can cut them loose.
struct PopupRowTagObject {
  RuntimeObject header;
  RuntimeObject* popup;     // not held; cleared when the popup goes
  ReceiverNode* receivers;  // its own data-notification receivers
};
static_assert(sizeof(PopupRowTagObject) == 32, "row-tag providers are 32 bytes");
// Clears the popup of every provider popup made that is still alive.
void ForgetPopupRowTagProviders(RuntimeObject* popup);
