#include "controls/ScrollBar.h"

#include "controls/ControlClasses.h"
#include "controls/RuntimeControl.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "windows/WindowControls.h"

namespace {

using namespace lang;

ScrollerEventHooks gScrollBarHooks;
ScrollerEventHooks gSliderHooks;

Scroller* PaneOf(RuntimeObject* control) {
  SubPane* pane = control ? AsControl(control)->pane : nullptr;
  return pane && !pane->IsClosing() ? static_cast<Scroller*>(pane) : nullptr;
}

constexpr uint32_t kLiveScrollOffset = offsetof(ScrollBarObject, liveScroll);

#define QV_SCROLLER_PROPERTIES(liveScrollSetter)                                            \
  QV_PROPERTY("Minimum", Integer, scrollerPropGetter, scrollerPropSetter, kScrollerMinimum), \
      QV_PROPERTY("Value", Integer, scrollerPropGetter, scrollerPropSetter, kScrollerValue), \
      QV_PROPERTY("Maximum", Integer, scrollerPropGetter, scrollerPropSetter,               \
                  kScrollerMaximum),                                                         \
      QV_PROPERTY("LineStep", Integer, scrollerPropGetter, scrollerPropSetter,              \
                  kScrollerLineStep),                                                        \
      QV_PROPERTY("PageStep", Integer, scrollerPropGetter, scrollerPropSetter,              \
                  kScrollerPageStep),                                                        \
      QV_PROPERTY("LiveScroll", Boolean, boolGetter, liveScrollSetter, kLiveScrollOffset)

#define QV_SCROLLER_EVENTS(hooks)                                                            \
  QV_EVENT("ValueChanged", &(hooks).valueChanged), QV_EVENT("GotFocus", &(hooks).gotFocus), \
      QV_EVENT("LostFocus", &(hooks).lostFocus), QV_MOUSE_EVENT_ROWS((hooks).mouse)

const PropertyRow kScrollBarProperties[] = {
    QV_SCROLLER_PROPERTIES(ScrollerLiveScrollSetter),
    QV_PROPERTY("AcceptFocus", Boolean, scrollerPropGetter, scrollerPropSetter,
                kScrollerAcceptFocus),
};
const PropertyRow kSliderProperties[] = {QV_SCROLLER_PROPERTIES(SliderLiveScrollSetter)};

const EventRow kScrollBarEvents[] = {QV_SCROLLER_EVENTS(gScrollBarHooks)};
const EventRow kSliderEvents[] = {QV_SCROLLER_EVENTS(gSliderHooks)};

const EventImplementationRow kScrollBarImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", ScrollBarCreatePane)};
const EventImplementationRow kSliderImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", SliderCreatePane)};

// The parts both CreatePanes share: the router kept in the object, the pane made by make and
// adopted, and the pane's mouse events raised on the object.
template <typename Router>
Scroller* MakeScrollerPane(RuntimeObject* control, const ScrollerEventHooks& hooks,
                           Scroller* (*make)(ScrollerDelegate*, SubPane*, int32_t,
                                             const QV::Rect&, bool)) {
  if (!QV_CHECK_TEXT(control, "self", nullptr)) return nullptr;
  ScrollBarObject* bar = AsScrollBar(control);
  ControlObject& record = bar->control;
  if (!QV_CHECK_TEXT(record.ownerPane, "self->mOwnerPane", nullptr)) return nullptr;
  if (!bar->router) bar->router = new Router(control, hooks);
  Scroller* pane = make(bar->router, record.ownerPane, record.tabPanelIndex, record.bounds,
                        bar->liveScroll != 0);
  AdoptControlPane(control, pane);
  pane->SetEventTarget(control, &hooks.mouse);
  return pane;
}

void DestroyScroller(RuntimeObject* control) {
  if (!control) return;
  ScrollBarObject* bar = AsScrollBar(control);
  if (Scroller* pane = static_cast<Scroller*>(bar->control.pane)) {
    pane->ForgetDelegate();
    pane->SetEventTarget(nullptr, nullptr);
  }
  delete bar->router;
  bar->router = nullptr;
}

void SetLiveScroll(RuntimeObject* control, int32_t live) {
  if (!control) return;
  AsScrollBar(control)->liveScroll = live != 0;
  if (Scroller* pane = PaneOf(control)) pane->SetLiveScroll(live != 0);
}

}  // namespace

QV_CLASS(ScrollBarClassDefinition,
         .name = "ScrollBar",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(ScrollBarObject),
         .properties = kScrollBarProperties,
         .events = kScrollBarEvents,
         .eventImplementations = kScrollBarImplementations,
         .finalizer = QV_CODE(scrollBarDestructor))
QV_STARTUP_CLASS(kStartupScrollBarClass, ScrollBarClassDefinition)

QV_CLASS(SliderClassDefinition,
         .name = "Slider",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(ScrollBarObject),
         .properties = kSliderProperties,
         .events = kSliderEvents,
         .eventImplementations = kSliderImplementations,
         .finalizer = QV_CODE(sliderDestructor))
QV_STARTUP_CLASS(kStartupSliderClass, SliderClassDefinition)

// ---- routers ----

void RuntimeScrollerRouter::ValueChanged(Scroller*, int32_t, int32_t) {
  if (mReentry != 0) return;
  RuntimeObject* owner = mOwner;
  RuntimeLockObject(owner);  // keeps this router alive whatever the handler releases
  mReentry = 1;
  RaiseControlEvent<void>(owner, mHooks.valueChanged, nullptr);
  mReentry = 0;
  RuntimeUnlockObject(owner);  // may end the owner and this router
}

void RuntimeScrollerRouter::GotFocus(Scroller*) {
  RaiseControlEvent<void>(mOwner, mHooks.gotFocus, nullptr);
}

void RuntimeScrollerRouter::LostFocus(Scroller*) {
  RaiseControlEvent<void>(mOwner, mHooks.lostFocus, nullptr);
}

// ---- construction and destruction ----

extern "C" void ScrollBarCreatePane(RuntimeObject* control) {
  Scroller* pane =
      MakeScrollerPane<RuntimeScrollerRouter>(control, gScrollBarHooks, NewScrollBarByShape);
  if (!pane) return;
  ScrollBarObject* bar = AsScrollBar(control);
  RuntimeScrollerRouter* router = bar->router;
  router->EnterSetUp();
  pane->SetWheelStep(bar->lineStep);
  pane->SetPageStepField(bar->pageStep);
  pane->SetMinimum(bar->minimum);
  pane->SetMaximum(bar->maximum);
  pane->SetLineStep(bar->lineStep);
  pane->SetPageStep(bar->pageStep);
  pane->SetValue(bar->value);
  pane->SetAcceptFocus(bar->acceptFocus != 0);
  router->LeaveSetUp();
}
QV_EXPORT(ScrollBarCreatePane)

extern "C" void SliderCreatePane(RuntimeObject* control) {
  Scroller* pane =
      MakeScrollerPane<RuntimeSliderRouter>(control, gSliderHooks, NewSliderByShape);
  if (!pane) return;
  ScrollBarObject* slider = AsScrollBar(control);
  RuntimeScrollerRouter* router = slider->router;
  router->EnterSetUp();
  pane->SetMinimum(slider->minimum);
  pane->SetMaximum(slider->maximum);
  pane->SetValue(slider->value);
  router->LeaveSetUp();
  pane->SetLineStep(slider->lineStep);
  pane->SetPageStep(slider->pageStep);
}
QV_EXPORT(SliderCreatePane)

extern "C" void scrollBarDestructor(RuntimeObject* control) { DestroyScroller(control); }
QV_EXPORT(scrollBarDestructor)

extern "C" void sliderDestructor(RuntimeObject* control) { DestroyScroller(control); }
QV_EXPORT(sliderDestructor)

// ---- accessors ----

extern "C" int32_t scrollerPropGetter(RuntimeObject* control, uint32_t parameter) {
  if (!control) return 0;
  const ScrollBarObject* bar = AsScrollBar(control);
  Scroller* pane = PaneOf(control);
  switch (parameter) {
    case kScrollerMinimum:
      return pane ? pane->GetMinimum() : bar->minimum;
    case kScrollerValue:
      return pane ? pane->GetValue() : bar->value;
    case kScrollerMaximum:
      return pane ? pane->GetMaximum() : bar->maximum;
    case kScrollerLineStep:
      return pane ? pane->GetLineStep() : bar->lineStep;
    case kScrollerPageStep:
      return pane ? pane->GetPageStep() : bar->pageStep;
    case kScrollerAcceptFocus:
      return pane ? pane->AcceptsFocus() : bar->acceptFocus;
    default:
      return 0;
  }
}
QV_EXPORT(scrollerPropGetter)

// The field first: a ValueChanged handler that the pane's change raises reads it settled.
extern "C" void scrollerPropSetter(RuntimeObject* control, uint32_t parameter, int32_t value) {
  if (!control || parameter > kScrollerAcceptFocus) return;
  ScrollBarObject* bar = AsScrollBar(control);
  Scroller* pane = PaneOf(control);
  switch (parameter) {
    case kScrollerMinimum:
      bar->minimum = value;
      if (pane) pane->SetMinimum(value);
      break;
    case kScrollerValue:
      bar->value = value;
      if (pane) pane->SetValue(value);
      break;
    case kScrollerMaximum:
      bar->maximum = value;
      if (pane) pane->SetMaximum(value);
      break;
    case kScrollerLineStep:
      bar->lineStep = value;
      if (pane) {
        pane->SetLineStep(value);
        // A scroll bar's wheel moves by its line step; a slider's wheel step stays 0.
        if (!pane->IsSlider()) pane->SetWheelStep(value);
      }
      break;
    case kScrollerPageStep:
      bar->pageStep = value;
      if (pane) pane->SetPageStep(value);
      break;
    case kScrollerAcceptFocus:
      bar->acceptFocus = value != 0;
      if (pane) pane->SetAcceptFocus(value != 0);
      break;
  }
}
QV_EXPORT(scrollerPropSetter)

extern "C" void ScrollerLiveScrollSetter(RuntimeObject* control, uint32_t, int32_t live) {
  SetLiveScroll(control, live);
}
QV_EXPORT(ScrollerLiveScrollSetter)

extern "C" void SliderLiveScrollSetter(RuntimeObject* control, uint32_t, int32_t live) {
  SetLiveScroll(control, live);
}
QV_EXPORT(SliderLiveScrollSetter)
