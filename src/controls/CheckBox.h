// The language class "CheckBox": a RectControl whose pane is a native check box, whose router
// turns the pane's reports into the object's events (Action, MouseDown, MouseUp, GotFocus,
// LostFocus), and which takes part in data binding: a BooleanProvider, a dataNotifier telling
// its receivers of every change, and a source of two actions ("getCheckedAction",
// "getUncheckedAction") through the hidden class "Sys$CheckBoxAction".
//
// Value and State are one Boolean, which always says what the box shows. A change made while
// the box's Action and notifications run (the in-action flag is set) changes the box and the
// Value but raises nothing again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "controls/CheckBoxPane.h"
#include "controls/RuntimeControl.h"
#include "core/ObjectDefinition.h"
#include "database/DataBinding.h"

class RuntimeCheckBoxRouter;

// Value and the in-action flag each take a word of their own.
struct CheckBoxObject {
  ControlObject control;
  stringStorage* dataSource;  // DataSource
  stringStorage* dataField;   // DataField
  stringStorage* caption;     // Caption
  RuntimeCheckBoxRouter* router;  // owned; made with the first pane
  ControlFontRecord font;
  uint8_t value;
  uint8_t unused1[3];
  uint8_t inAction;
  uint8_t unused2[3];
  ReceiverNode* dataReceivers;       // dataNotificationReceivers
  ReceiverNode* checkedReceivers;    // told on the way to checked
  ReceiverNode* uncheckedReceivers;  // told on the way to unchecked
};
static_assert(sizeof(CheckBoxObject) == 172 && offsetof(CheckBoxObject, dataSource) == 124 &&
                  offsetof(CheckBoxObject, dataField) == 128 &&
                  offsetof(CheckBoxObject, caption) == 132 &&
                  offsetof(CheckBoxObject, router) == 136 &&
                  offsetof(CheckBoxObject, font) == 140 &&
                  offsetof(CheckBoxObject, value) == 152 &&
                  offsetof(CheckBoxObject, inAction) == 156 &&
                  offsetof(CheckBoxObject, dataReceivers) == 160 &&
                  offsetof(CheckBoxObject, uncheckedReceivers) == 168,
              "CheckBox instances are 172 bytes");

inline CheckBoxObject* AsCheckBox(RuntimeObject* object) {
  return reinterpret_cast<CheckBoxObject*>(object);
}

// The delegate of a check box pane: raises the owner's events. Action holds the owner and the
// pane chain for all its steps and stops at the first step after which the box has left its
// window, its pane closed, or the owner has another router.
class RuntimeCheckBoxRouter : public CheckBoxDelegate {
 public:
  explicit RuntimeCheckBoxRouter(RuntimeObject* owner) : mOwner(owner) {}

  void Action(SubPane* pane) override;
  bool MouseDown(SubPane* pane, int32_t x, int32_t y) override;
  bool MouseUp(SubPane* pane, int32_t x, int32_t y) override;
  void GotFocus(SubPane* pane) override;
  void LostFocus(SubPane* pane) override;

 private:
  bool StillActing(SubPane* pane) const;
  void RunAction(SubPane* pane);

  RuntimeObject* mOwner;  // not retained: the owner owns the router
};

ObjectDefinition* CheckBoxClassDefinition();
ObjectDefinition* CheckBoxActionClassDefinition();

extern "C" {
void CheckBoxCreatePane(RuntimeObject* box);
void checkBoxDestructor(RuntimeObject* box);
int32_t checkBoxValueGetter(RuntimeObject* box, uint32_t parameter);
void checkBoxValueSetter(RuntimeObject* box, uint32_t parameter, int32_t value);
void checkBoxTitleSetter(RuntimeObject* box, uint32_t parameter, stringStorage* caption);
stringStorage* CheckBoxDataSourceGetter(RuntimeObject* box, uint32_t parameter);
void CheckBoxDataSourceSetter(RuntimeObject* box, uint32_t parameter, stringStorage* name);
void CheckBoxDataFieldSetter(RuntimeObject* box, uint32_t parameter, stringStorage* name);
int32_t checkBoxGetBoolean(RuntimeObject* box);
void checkBoxSetBoolean(RuntimeObject* box, int32_t value);
void checkBoxAddDataNotificationReceiver(RuntimeObject* box, RuntimeObject* receiver);
void checkBoxRemoveDataNotificationReceiver(RuntimeObject* box, RuntimeObject* receiver);
// "getCheckedAction" or "getUncheckedAction" (letter case ignored): a new action source for
// the box; any other name nil.
RuntimeObject* checkBoxGetBoundPart(RuntimeObject* box, stringStorage* name);
void cbaAddActionNotificationReceiver(RuntimeObject* action, RuntimeObject* receiver);
void cbaRemoveActionNotificationReceiver(RuntimeObject* action, RuntimeObject* receiver);
void checkBoxActionDestructor(RuntimeObject* action);
}
// The font setters' second step: the pane, when there is one, takes the font record anew.
void CheckBoxFontChanged(RuntimeObject* box);
