#include "controls/OLEContainer.h"

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

struct OLEContainerHooks {
  ObjectHook* showObject = nullptr;
  ObjectHook* eventTriggered = nullptr;
  ObjectHook* gotFocus = nullptr;
  ObjectHook* lostFocus = nullptr;
};
OLEContainerHooks gHooks;

const PropertyRow kOLEContainerProperties[] = {
    QV_PROPERTY("ProgramID", String, stringGetter, stringSetter,
                offsetof(OLEContainerObject, programID)),
    QV_READONLY("Content", Class<"OLEObject">, OLEContainerContentGetter),
    QV_PROPERTY("LicenseKey", String, stringGetter, stringSetter,
                offsetof(OLEContainerObject, licenseKey)),
    QV_PROPERTY("DesignMode", Boolean, boolGetter, boolSetter,
                offsetof(OLEContainerObject, designMode)),
};

const MethodRow kOLEContainerMethods[] = {
    QV_FUNCTION("Create", Boolean, OLEContainerCreateObject),
    QV_SUB("Destroy", OLEContainerDestroyObject),
    QV_SUB("ShowPropertyPages", OLEContainerShowPropertyPages),
};

const EventRow kOLEContainerEvents[] = {
    QV_EVENT("ShowObject", &gHooks.showObject),
    QV_EVENT("EventTriggered", &gHooks.eventTriggered,
             "eventName as string, parameters() as variant", "variant"),
    QV_EVENT("GotFocus", &gHooks.gotFocus),
    QV_EVENT("LostFocus", &gHooks.lostFocus),
};

const EventImplementationRow kOLEContainerImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", OLEContainerCreatePane)};

OLEContainerObject* AsOLEContainer(RuntimeObject* control) {
  return reinterpret_cast<OLEContainerObject*>(control);
}

OLEContainerPane* PaneOf(RuntimeObject* control) {
  SubPane* pane = control ? AsControl(control)->pane : nullptr;
  return pane && !pane->IsClosing() ? static_cast<OLEContainerPane*>(pane) : nullptr;
}

}  // namespace

QV_CLASS(OLEContainerClassDefinition,
         .name = "OLEContainer",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(OLEContainerObject),
         .properties = kOLEContainerProperties,
         .methods = kOLEContainerMethods,
         .events = kOLEContainerEvents,
         .eventImplementations = kOLEContainerImplementations,
         .finalizer = QV_CODE(OLEContainerDestructor))
QV_STARTUP_CLASS(kStartupOLEContainerClass, OLEContainerClassDefinition)

// ---- the delegate ----

RuntimeObject* RuntimeOLEContainerDelegate::EventTriggered(OLEContainerPane*,
                                                           stringStorage* eventName,
                                                           RuntimeArray* parameters) {
  return RaiseControlEvent<RuntimeObject*>(mOwner, gHooks.eventTriggered, nullptr, eventName,
                                           parameters);
}

void RuntimeOLEContainerDelegate::ShowObject(OLEContainerPane*) {
  RaiseControlEvent<void>(mOwner, gHooks.showObject, nullptr);
}

void RuntimeOLEContainerDelegate::GotFocus(OLEContainerPane*) {
  RaiseControlEvent<void>(mOwner, gHooks.gotFocus, nullptr);
}

void RuntimeOLEContainerDelegate::LostFocus(OLEContainerPane*) {
  RaiseControlEvent<void>(mOwner, gHooks.lostFocus, nullptr);
}

// ---- the pane ----

OLEContainerPane::OLEContainerPane(std::unique_ptr<OLEContainerDelegate> delegate,
                                   RuntimeObject* owner, SubPane* parent, int32_t panelIndex,
                                   const QV::Rect& bounds)
    : ContainerPane(parent, panelIndex, bounds), mOwner(owner), mDelegate(std::move(delegate)) {}

OLEContainerPane::~OLEContainerPane() { DestroyObject(); }

bool OLEContainerPane::CreateObject(const string&) {
  DestroyObject();
  return false;
}

void OLEContainerPane::DestroyObject() {
  mProgramID = string();
  RuntimeObject* content = mContent;
  mContent = nullptr;
  RuntimeUnlockObject(content);
}

RuntimeObject* OLEContainerPane::Content() {
  RuntimeLockObject(mContent);
  return mContent;
}

void OLEContainerPane::DrawInto(Graphics& g) {
  GraphicsState state(g);
  state.Save();
  g.SetForeColor(ColorFromRGB(0xFFFFFF));
  g.FillRect(GetBounds());
  state.Restore();
  SubPane::DrawInto(g);
}

// ---- the language class ----

extern "C" void OLEContainerCreatePane(RuntimeObject* control) {
  if (!QV_CHECK_TEXT(control, "self", nullptr)) return;
  ControlObject& record = *AsControl(control);
  if (!QV_CHECK_TEXT(record.ownerPane, "self->mOwnerPane", nullptr)) return;
  auto* pane = new OLEContainerPane(std::make_unique<RuntimeOLEContainerDelegate>(control),
                                    control, record.ownerPane, record.tabPanelIndex,
                                    record.bounds);
  AdoptControlPane(control, pane);
  OLEContainerCreateObject(control);
}
QV_EXPORT(OLEContainerCreatePane)

extern "C" int32_t OLEContainerCreateObject(RuntimeObject* control) {
  OLEContainerPane* pane = PaneOf(control);
  if (!pane) return 0;
  const string programID(AsOLEContainer(control)->programID);
  if (programID.Length() == 0) return 0;
  return pane->CreateObject(programID) ? 1 : 0;
}
QV_EXPORT(OLEContainerCreateObject)

extern "C" void OLEContainerDestroyObject(RuntimeObject* control) {
  if (OLEContainerPane* pane = PaneOf(control)) pane->DestroyObject();
}
QV_EXPORT(OLEContainerDestroyObject)

extern "C" RuntimeObject* OLEContainerContentGetter(RuntimeObject* control, uint32_t) {
  OLEContainerPane* pane = PaneOf(control);
  return pane ? pane->Content() : nullptr;
}
QV_EXPORT(OLEContainerContentGetter)

extern "C" void OLEContainerShowPropertyPages(RuntimeObject*) {}
QV_EXPORT(OLEContainerShowPropertyPages)

extern "C" void OLEContainerDestructor(RuntimeObject* control) {
  if (!control) return;
  OLEContainerObject* record = AsOLEContainer(control);
  stringStorage::RemoveReference(record->programID);
  stringStorage::RemoveReference(record->licenseKey);
  record->programID = record->licenseKey = nullptr;
}
QV_EXPORT(OLEContainerDestructor)
