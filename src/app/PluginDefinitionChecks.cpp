#include "app/PluginDefinitionChecks.h"

#include "app/PluginMembers.h"
#include "app/PluginRegistry.h"
#include "core/RuntimeError.h"

namespace {

// Collects the first fault of one record and reports it, once, when asked.
class DefinitionCheck {
 public:
  explicit DefinitionCheck(const char* name) : mName(name) {
    if (!name || !*name) Fail("it has no name");
  }
  bool Usable() const {
    if (!mFault) return true;
    const string text = string("A plug-in definition was refused: ") + string(mFault) +
                        PluginErrorText(string(mName && *mName ? mName : "(no name)"));
    QV_FAIL(text.CString());
    return false;
  }
  void Fail(const char* fault) {
    if (!mFault) mFault = fault;
  }
  // count rows promised at list; false (and the fault noted) when the list is missing.
  bool List(const void* list, int32_t count, const char* fault) {
    if (count <= 0 || list) return true;
    Fail(fault);
    return false;
  }
  void Properties(const PluginPropertyRow* rows, int32_t count) {
    if (!List(rows, count, "a property list is missing")) return;
    for (int32_t i = 0; i < count; ++i) {
      if (!rows[i].name || !rows[i].typeName) Fail("a property has no name or type");
    }
  }
  void Methods(const void* entries, int32_t count, int32_t version) {
    if (!List(entries, count, "a method list is missing")) return;
    for (int32_t i = 0; i < count; ++i) {
      if (!PluginMethodEntryAt(entries, i, version).declaration)
        Fail("a method has no declaration");
    }
  }
  void Events(const PluginEventEntry* entries, int32_t count) {
    if (!List(entries, count, "an event list is missing")) return;
    for (int32_t i = 0; i < count; ++i) {
      if (!entries[i].declaration) Fail("an event has no declaration");
    }
  }
  void Handlers(const PluginEventHandler* handlers, int32_t count) {
    if (!List(handlers, count, "an event-handler list is missing")) return;
    for (int32_t i = 0; i < count; ++i) {
      if (!handlers[i].eventName) Fail("an event handler names no event");
    }
  }

 private:
  const char* mName;
  const char* mFault = nullptr;
};

}  // namespace

bool ClassDefinitionUsable(const PluginClassDefinition* d) {
  if (!d) return false;
  DefinitionCheck check(d->name);
  check.Properties(d->properties, d->propertyCount);
  check.Methods(d->methods, d->methodCount, d->version);
  check.Events(d->events, d->eventCount);
  check.Handlers(d->eventHandlers, d->eventHandlerCount);
  if (d->version >= kPluginMoreMembersFrom) {
    check.Properties(d->moreProperties, d->morePropertyCount);
    check.Methods(d->moreMethods, d->moreMethodCount, d->version);
  }
  return check.Usable();
}

bool InterfaceDefinitionUsable(const PluginInterfaceDefinition* d) {
  if (!d) return false;
  DefinitionCheck check(d->name);
  check.Methods(d->methods, d->methodCount, d->version);
  return check.Usable();
}

bool ModuleDefinitionUsable(const PluginModuleDefinition* d) {
  if (!d) return false;
  DefinitionCheck check(d->name);
  check.Methods(d->methods, d->methodCount, d->version);
  return check.Usable();
}

bool ExtensionDefinitionUsable(const PluginExtensionDefinition* d) {
  if (!d) return false;
  DefinitionCheck check(d->className);
  check.Properties(d->properties, d->propertyCount);
  check.Methods(d->methods, d->methodCount, d->version);
  check.Events(d->events, d->eventCount);
  return check.Usable();
}

bool ControlDefinitionUsable(const void* record) {
  if (!record) return false;
  const auto* d = static_cast<const PluginControlDefinition*>(record);
  DefinitionCheck check(d->name);
  if (d->version == 1) {
    const auto* old = static_cast<const PluginControlDefinitionV1*>(record);
    if (check.List(old->properties, old->propertyCount, "a property list is missing")) {
      for (int32_t i = 0; i < old->propertyCount; ++i) {
        if (!old->properties[i].name || !old->properties[i].typeName)
          check.Fail("a property has no name or type");
      }
    }
    check.Methods(old->methods, old->methodCount, old->version);
    check.Events(old->events, old->eventCount);
    check.Handlers(old->eventHandlers, old->eventHandlerCount);
    return check.Usable();
  }
  check.Properties(d->properties, d->propertyCount);
  check.Methods(d->methods, d->methodCount, d->version);
  check.Events(d->events, d->eventCount);
  check.Handlers(d->eventHandlers, d->eventHandlerCount);
  return check.Usable();
}
