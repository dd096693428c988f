// What every control shares beyond its record (windows/ControlRecord.h): construction and
// destruction, closing a control with everything inside it, passing its enabling and
// visibility to the controls it holds, the font record of controls with text, and the entry
// points of Control and RectControl.
//
// "Inside" means by panes: a control holds the controls of its window whose panes lie below its
// own pane. A control without a pane holds nothing.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/TextStyle.h"
#include "windows/ControlRecord.h"
#include "windows/RuntimeViewWindow.h"

// State codes of SubPane::ApplyStateCode.
enum ControlStateCode : int32_t {
  kControlEnable = 5,
  kControlDisable = 6,
  kControlShow = 7,
  kControlHide = 8,
};

// The font fields of a control with text, in the order compiled code reads them.
struct ControlFontRecord {
  stringStorage* name;  // TextFont
  int16_t size;         // TextSize
  uint8_t bold;
  uint8_t italic;
  uint8_t underline;
  uint8_t unused[3];
};
static_assert(sizeof(ControlFontRecord) == 12, "the font record is three words");

FontSpec MakeControlFontDescription(const ControlFontRecord& font);

// The last steps of a CreatePane: pane becomes the control's pane, moves into the pane of the
// control's InitialParent when that has one, and is hidden when the control is.
void AdoptControlPane(RuntimeObject* control, SubPane* pane);

// The control's window's control map, or nil.
StringMap<RuntimeObject*>* ControlWindowMap(RuntimeObject* control);
// The other Controls of control's window whose panes lie below control's pane, outer ones
// before the controls inside them, each held by the list.
void CollectContainedControls(RuntimeObject* control, LockedObjects& inside);
// control first, then CollectContainedControls.
void CollectControlTree(RuntimeObject* control, LockedObjects& tree);
// Applies code (kControlEnable .. kControlHide) to the panes of the controls inside control;
// a control whose own Enabled (Visible) is off gets kControlDisable (kControlHide) instead.
void PropagateControlState(RuntimeObject* control, int32_t code);

extern "C" {
void RuntimeControlInitializer(RuntimeObject* control);
void RuntimeControlFinalizer(RuntimeObject* control);
// Closes the control and every control inside it, innermost first.
void ControlClose(RuntimeObject* control);
// The CreatePane of a control class without a pane.
void NilCreatePane(RuntimeObject* control);
}

// Lets pane layout read the controls' locks and keep their rectangles (SubPane.h).
void InstallControlLayoutAccess();
