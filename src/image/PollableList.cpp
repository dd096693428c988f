#include "image/PollableList.h"

#include "core/SimpleVector.h"

namespace {

SimpleVector<Pollable*>& List() {
  static SimpleVector<Pollable*> list(0);
  return list;
}

bool Listed(const Pollable* item) {
  const SimpleVector<Pollable*>& list = List();
  for (uint32_t i = 0; i < list.size(); ++i) {
    if (list[int32_t(i)] == item) return true;
  }
  return false;
}

}  // namespace

void PollableListAdd(Pollable* item) {
  if (item) List().Append(item);
}

void PollableListRemove(Pollable* item) {
  SimpleVector<Pollable*>& list = List();
  for (uint32_t i = list.size(); i-- > 0;) {
    if (list[int32_t(i)] != item) continue;
    list.RemoveAt(int32_t(i));
    return;
  }
}

// A poll may add or remove items (and a removed item may be freed): the walk goes over a copy
// and polls only what is still listed.
void PollableListPollAll() {
  if (List().empty()) return;
  const SimpleVector<Pollable*> walk = List();
  for (uint32_t i = walk.size(); i-- > 0;) {
    Pollable* item = walk[int32_t(i)];
    if (Listed(item)) item->Poll();
  }
}

bool PollableListIsEmpty() { return List().empty(); }
