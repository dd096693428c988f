// The poll list: objects that want a turn on every pass of the main loop (plug-in objects,
// language objects that implement _Pollable). The main loop polls the list once per pass.
#pragma once

class Pollable {
 public:
  virtual void Poll() = 0;
  virtual ~Pollable() = default;
};

// Appends item; the same item may be on the list more than once and is then polled as often.
void PollableListAdd(Pollable* item);
// Removes the last occurrence of item; an item not on the list is ignored.
void PollableListRemove(Pollable* item);
// Polls every item, last added first. An item a poll removes is not polled afterwards in the
// same walk; one it adds waits for the next walk.
void PollableListPollAll();
bool PollableListIsEmpty();
