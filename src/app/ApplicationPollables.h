// Language objects on the poll list: ApplicationAddPollableObject wraps an object in a
// RuntimeObjectPoll, which holds a reference to it and calls its _Poll method (when the object
// implements _Pollable) on every main-loop pass. The adaptors are kept in a registry of their
// own, so that ApplicationRemovePollableObject finds every adaptor of an object.
#pragma once

#include "core/RuntimeObject.h"
#include "image/PollableList.h"

class RuntimeObjectPoll : public Pollable {
 public:
  explicit RuntimeObjectPoll(RuntimeObject* object);  // takes a reference
  ~RuntimeObjectPoll() override;                      // drops it
  RuntimeObjectPoll(const RuntimeObjectPoll&) = delete;
  RuntimeObjectPoll& operator=(const RuntimeObjectPoll&) = delete;

  void Poll() override;
  RuntimeObject* Object() const { return mObject; }

 private:
  RuntimeObject* mObject;
  void* mPollFunction;  // the object's _Poll, or nil when it is not _Pollable
};

// Takes every adaptor off the poll list and destroys it, last added first (the Application's
// finalizer does so).
void RemoveAllPollableObjects();
