#include "app/ApplicationPollables.h"

#include "app/ApplicationClass.h"
#include "app/StreamInterfaces.h"
#include "core/CompiledCall.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "core/RuntimeError.h"
#include "core/SimpleVector.h"

namespace {

SimpleVector<RuntimeObjectPoll*>& Registry() {
  static SimpleVector<RuntimeObjectPoll*> registry(0);
  return registry;
}

// The object's implementation of _Pollable's _Poll, or nil.
void* PollFunctionOf(RuntimeObject* object) {
  return LookupInterfaceMethod(object, PollableInterfaceDefinition(), "_Poll");
}

void Discard(uint32_t index) {
  RuntimeObjectPoll* adaptor = Registry()[int32_t(index)];
  PollableListRemove(adaptor);
  Registry().RemoveAt(int32_t(index));
  delete adaptor;
}

}  // namespace

RuntimeObjectPoll::RuntimeObjectPoll(RuntimeObject* object)
    : mObject(object), mPollFunction(PollFunctionOf(object)) {
  RuntimeLockObject(object);
}

RuntimeObjectPoll::~RuntimeObjectPoll() { RuntimeUnlockObject(mObject); }

void RuntimeObjectPoll::Poll() {
  if (!mPollFunction) return;
  CompiledCall call;
  call.Protect(mObject);
  call.Invoke(mPollFunction, mObject);
}

extern "C" void ApplicationAddPollableObject(RuntimeObject*, RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "base", nullptr)) return;
  auto* adaptor = new RuntimeObjectPoll(object);
  PollableListAdd(adaptor);
  Registry().Append(adaptor);
}
QV_EXPORT(ApplicationAddPollableObject)

extern "C" void ApplicationRemovePollableObject(RuntimeObject*, RuntimeObject* object) {
  for (uint32_t i = Registry().size(); i-- > 0;) {
    if (i < Registry().size() && Registry()[int32_t(i)]->Object() == object) Discard(i);
  }
}
QV_EXPORT(ApplicationRemovePollableObject)

void RemoveAllPollableObjects() {
  while (!Registry().empty()) Discard(Registry().size() - 1);
}
