// What the class library gives plug-in controls: the hooks that construct and destroy each
// one (calling the plug-in's own entries of its behaviour table), the setters that redraw a
// control when a property changes, and the record layout behind them; and what the plug-in
// interface reads of any control.
#include "controls/PluginControls.h"

#include <cstddef>

#include "app/PluginRegistry.h"
#include "controls/RuntimeControl.h"
#include "controls/RuntimeCustomControlPane.h"
#include "controls/ControlClasses.h"
#include "core/CompiledCall.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "strings/StringFoundation.h"
#include "windows/SubPane.h"

namespace {

// A plug-in control's object: the control record, the plug-in control it was made for, then
// the plug-in's own data.
struct CustomControlObject {
  ControlObject control;
  LoadedControl* loaded;
};
static_assert(offsetof(CustomControlObject, loaded) == 124 && sizeof(CustomControlObject) == 128,
              "plug-in control data starts 128 bytes into the object");

// The plug-in control of the nearest class of the object's chain that a plug-in registered.
LoadedControl* LoadedControlOf(RuntimeObject* object) {
  for (RuntimeClass* cls = object ? object->classPtr : nullptr; cls; cls = cls->parentClass) {
    if (LoadedControl* loaded = FindLoadedControl(string(cls->className))) return loaded;
  }
  return nullptr;
}

void* BehaviourEntry(const LoadedControl* loaded, int32_t entry) {
  if (loaded->plugin && loaded->plugin->unloaded) return nullptr;
  return loaded->behaviour ? loaded->behaviour[entry] : nullptr;
}

bool IsControl(RuntimeObject* object) {
  return object && ObjectIsaDefinition(object, ControlClassDefinition());
}

// Asks the control's pane, when it has an open one, to redraw.
void Redraw(RuntimeObject* object) {
  if (!IsControl(object)) return;
  SubPane* pane = reinterpret_cast<ControlObject*>(object)->pane;
  if (pane && !pane->IsClosing()) pane->Refresh(true);
}

}  // namespace

extern "C" void CustomControlConstructor(RuntimeObject* object) {
  LoadedControl* loaded = LoadedControlOf(object);
  if (!QV_CHECK_TEXT(loaded, "pdefn", nullptr)) return;
  reinterpret_cast<CustomControlObject*>(object)->loaded = loaded;
  CompiledCall().Invoke<void>(BehaviourEntry(loaded, kPluginBehaviourConstructor), object);
}

extern "C" void CustomControlDestructor(RuntimeObject* object) {
  LoadedControl* loaded = LoadedControlOf(object);
  if (!QV_CHECK_TEXT(loaded, "pdefn", nullptr)) return;
  SubPane* pane = reinterpret_cast<ControlObject*>(object)->pane;
  if (pane && !pane->IsClosing()) pane->Close();
  CompiledCall().Invoke<void>(BehaviourEntry(loaded, kPluginBehaviourDestructor), object);
}

extern "C" void CustomControlCreatePane(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "self", nullptr)) return;
  auto* custom = reinterpret_cast<CustomControlObject*>(object);
  ControlObject& record = custom->control;
  if (!QV_CHECK_TEXT(record.ownerPane, "self->mOwnerPane", nullptr)) return;
  LoadedControl* loaded = custom->loaded ? custom->loaded : LoadedControlOf(object);
  if (!QV_CHECK_TEXT(loaded, "pdefn", nullptr)) return;
  AdoptControlPane(object,
                   new RuntimeCustomControlPane(object, loaded, record.ownerPane, record.bounds));
}
QV_EXPORT(CustomControlCreatePane)

extern "C" void intInvalidateSetter(RuntimeObject* object, uint32_t offset, int32_t value) {
  intSetter(object, offset, value);
  Redraw(object);
}
QV_EXPORT(intInvalidateSetter)

extern "C" void boolInvalidateSetter(RuntimeObject* object, uint32_t offset, int32_t value) {
  boolSetter(object, offset, value);
  Redraw(object);
}
QV_EXPORT(boolInvalidateSetter)

extern "C" void stringInvalidateSetter(RuntimeObject* object, uint32_t offset,
                                       stringStorage* value) {
  stringSetter(object, offset, value);
  Redraw(object);
}
QV_EXPORT(stringInvalidateSetter)

extern "C" void objInvalidateSetter(RuntimeObject* object, uint32_t offset, RuntimeObject* value) {
  objSetter(object, offset, value);
  Redraw(object);
}
QV_EXPORT(objInvalidateSetter)

namespace {

void InstallPluginClassLibrary() {
  PluginClassLibrary library;
  library.objectClass = ObjectClassDefinition;
  library.controlClass = ControlClassDefinition;
  library.rectControlClass = RectControlClassDefinition;
  library.controlConstructor = CustomControlConstructor;
  library.controlDestructor = CustomControlDestructor;
  library.controlCreatePane = CustomControlCreatePane;
  library.intInvalidateSetter = reinterpret_cast<void*>(&intInvalidateSetter);
  library.boolInvalidateSetter = reinterpret_cast<void*>(&boolInvalidateSetter);
  library.stringInvalidateSetter = reinterpret_cast<void*>(&stringInvalidateSetter);
  library.objInvalidateSetter = reinterpret_cast<void*>(&objInvalidateSetter);
  library.controlDataOffset = sizeof(CustomControlObject);
  SetPluginClassLibrary(library);
}

}  // namespace

QV_STARTUP(kStartupPluginClassLibrary, InstallPluginClassLibrary)

extern "C" stringStorage* QUORGetControlName(RuntimeObject* control) {
  if (!IsControl(control)) return nullptr;
  return RuntimeLockString(reinterpret_cast<ControlObject*>(control)->name);
}
QV_EXPORT(QUORGetControlName)
