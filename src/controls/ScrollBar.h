// The language classes "ScrollBar" and "Slider": RectControls over a Scroller pane
// (controls/ScrollerPane.h). Minimum, Value, Maximum, LineStep and PageStep are kept in the
// object, so they may be set before the pane exists and are read back from it afterwards.
// Each class's router turns the pane's reports into ValueChanged, GotFocus and LostFocus; a
// ValueChanged that its own handler causes (by setting Value) is not raised again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "controls/ScrollerPane.h"
#include "core/ObjectDefinition.h"
#include "windows/ControlRecord.h"

class RuntimeScrollerRouter;

struct ScrollBarObject {
  ControlObject control;
  RuntimeScrollerRouter* router;  // owned; made with the first pane
  int32_t minimum;
  int32_t value;
  int32_t maximum;
  int32_t lineStep;
  int32_t pageStep;
  uint8_t liveScroll;
  uint8_t acceptFocus;  // ScrollBar only
  uint8_t unused[2];
};
static_assert(sizeof(ScrollBarObject) == 152 && offsetof(ScrollBarObject, router) == 124 &&
                  offsetof(ScrollBarObject, minimum) == 128 &&
                  offsetof(ScrollBarObject, liveScroll) == 148,
              "ScrollBar and Slider instances are 152 bytes");

inline ScrollBarObject* AsScrollBar(RuntimeObject* object) {
  return reinterpret_cast<ScrollBarObject*>(object);
}

// What a router raises: one class's hooks.
struct ScrollerEventHooks {
  ObjectHook* valueChanged = nullptr;
  ObjectHook* gotFocus = nullptr;
  ObjectHook* lostFocus = nullptr;
  MouseEventHooks mouse;
};

// The ScrollBar's router. The re-entry counter keeps a ValueChanged raised while one runs (or
// while the pane is set up) from being raised; the owner, and with it this router, is held
// across every handler.
class RuntimeScrollerRouter : public ScrollerDelegate {
 public:
  RuntimeScrollerRouter(RuntimeObject* owner, const ScrollerEventHooks& hooks)
      : mOwner(owner), mHooks(hooks) {}

  void ValueChanged(Scroller* scroller, int32_t oldValue, int32_t newValue) override;
  void GotFocus(Scroller* scroller) override;
  void LostFocus(Scroller* scroller) override;
  // The window raised the control's MouseWheel before the pane scrolled: nothing here.
  bool MouseWheel(Scroller*, int32_t, int32_t, int32_t, int32_t) override { return false; }

  void EnterSetUp() { ++mReentry; }
  void LeaveSetUp() { --mReentry; }
  int32_t Reentry() const { return mReentry; }

 private:
  int32_t mReentry = 0;
  RuntimeObject* mOwner;  // not retained: the owner owns the router
  const ScrollerEventHooks& mHooks;
};

// The Slider's router: the same events from the Slider's hooks.
class RuntimeSliderRouter : public RuntimeScrollerRouter {
 public:
  using RuntimeScrollerRouter::RuntimeScrollerRouter;
};

ObjectDefinition* ScrollBarClassDefinition();
ObjectDefinition* SliderClassDefinition();

// Which property scrollerPropGetter and scrollerPropSetter address.
enum ScrollerProperty : uint32_t {
  kScrollerMinimum = 0,
  kScrollerValue = 1,
  kScrollerMaximum = 2,
  kScrollerLineStep = 3,
  kScrollerPageStep = 4,
  kScrollerAcceptFocus = 5,
};

extern "C" {
void ScrollBarCreatePane(RuntimeObject* control);
void SliderCreatePane(RuntimeObject* control);
void scrollBarDestructor(RuntimeObject* control);
void sliderDestructor(RuntimeObject* control);
int32_t scrollerPropGetter(RuntimeObject* control, uint32_t parameter);
void scrollerPropSetter(RuntimeObject* control, uint32_t parameter, int32_t value);
void ScrollerLiveScrollSetter(RuntimeObject* control, uint32_t parameter, int32_t live);
void SliderLiveScrollSetter(RuntimeObject* control, uint32_t parameter, int32_t live);
}
