// The classes that exist for other platforms only: KeyChain and KeyChainItem, RegistryItem, the
// AppleEvent family (AppleEvent, AppleEventRecord, AppleEventDescList,
// AppleEventObjectSpecifier, AppleEventTemplate, AppleEventTarget) and ResourceFork. Each is
// declared in full and registered at start-up, so that compiled code naming its members links
// and runs; every member is inert (InertExports.h) except where noted: the registry's
// constructors and its default item raise RegistryAccessErrorException, its two counts read
// -1, and the plain fields (Handle, Timeout) keep what is stored in them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

// The classes' objects: the header, then the one plain field where a class has one.
struct HandleObject {
  RuntimeObject header;
  int32_t handle;  // KeyChain and KeyChainItem: Handle
};
struct AppleEventObject {
  RuntimeObject header;
  int32_t timeout;  // Timeout
};
static_assert(offsetof(HandleObject, handle) == 24 && offsetof(AppleEventObject, timeout) == 24,
              "fields read by compiled code");

ObjectDefinition* KeyChainClassDefinition();
ObjectDefinition* KeyChainItemClassDefinition();
ObjectDefinition* RegistryItemClassDefinition();
ObjectDefinition* AppleEventClassDefinition();
ObjectDefinition* AppleEventRecordClassDefinition();
ObjectDefinition* AppleEventDescListClassDefinition();
ObjectDefinition* AppleEventObjectSpecifierClassDefinition();
ObjectDefinition* AppleEventTemplateClassDefinition();
ObjectDefinition* AppleEventTargetClassDefinition();
ObjectDefinition* ResourceForkClassDefinition();

extern "C" {
// The System module's key-chain members: no default key chain (setting one does nothing), and
// no key chains at all.
RuntimeObject* systemGetDefaultKeyChain(RuntimeObject* system, uint32_t parameter);
void systemSetDefaultKeyChain(RuntimeObject* system, uint32_t parameter, RuntimeObject* keyChain);
int32_t systemGetKeyChainCount(RuntimeObject* system, uint32_t parameter);
// GetApplicationRegistryItem: raises RegistryAccessErrorException and answers nil.
RuntimeObject* RuntimeGetDefaultApplicationRegistryItem();
}
