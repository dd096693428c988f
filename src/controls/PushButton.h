// The language class "PushButton": a RectControl whose pane is a native push button, whose
// router turns the pane's reports into the object's events (Action, MouseDown, MouseUp,
// GotFocus, LostFocus), and which is an actionSource: every push also tells its
// action-notification receivers, before the Action handler runs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "database/DataBinding.h"
#include "controls/PushButtonPane.h"
#include "controls/RuntimeControl.h"
#include "core/ObjectDefinition.h"

class RuntimeButtonRouter;

struct PushButtonObject {
  ControlObject control;
  stringStorage* caption;
  RuntimeButtonRouter* router;  // owned; made with the first pane
  uint8_t isDefault;
  uint8_t isCancel;
  uint8_t unused[2];
  ControlFontRecord font;
  ReceiverNode* receivers;  // action-notification receivers
};
static_assert(sizeof(PushButtonObject) == 152 && offsetof(PushButtonObject, caption) == 124 &&
                  offsetof(PushButtonObject, isDefault) == 132 &&
                  offsetof(PushButtonObject, font) == 136,
              "PushButton instances are 152 bytes");

inline PushButtonObject* AsPushButton(RuntimeObject* object) {
  return reinterpret_cast<PushButtonObject*>(object);
}

// The delegate of a push button pane: raises the owner's events. Each event holds the owner
// (and, through RaiseControlEvent, its window and pane chain) for the whole of its work, so a
// handler that closes the window or drops the button leaves the router nothing to touch.
class RuntimeButtonRouter : public PushButtonDelegate {
 public:
  explicit RuntimeButtonRouter(RuntimeObject* owner) : mOwner(owner) {}

  void Action(SubPane* pane) override;
  bool MouseDown(SubPane* pane, int32_t x, int32_t y) override;
  bool MouseUp(SubPane* pane, int32_t x, int32_t y) override;
  void GotFocus(SubPane* pane) override;
  void LostFocus(SubPane* pane) override;

 private:
  RuntimeObject* mOwner;  // not retained: the owner owns the router
};

ObjectDefinition* PushButtonClassDefinition();

extern "C" {
void PushButtonCreatePane(RuntimeObject* button);
void PushButtonDestructor(RuntimeObject* button);
void pushButtonTitleSetter(RuntimeObject* button, uint32_t parameter, stringStorage* caption);
void pushButtonDefaultSetter(RuntimeObject* button, uint32_t parameter, int32_t isDefault);
void pushButtonCancelSetter(RuntimeObject* button, uint32_t parameter, int32_t isCancel);
// Pushes the pane, as a click would; nothing without a pane.
void pushButtonPush(RuntimeObject* button);
void pbAddActionNotificationReceiver(RuntimeObject* button, RuntimeObject* receiver);
void pbRemoveActionNotificationReceiver(RuntimeObject* button, RuntimeObject* receiver);
}
// The font setters' second step: the pane, when there is one, takes the font record anew.
void PushButtonFontChanged(RuntimeObject* button);
