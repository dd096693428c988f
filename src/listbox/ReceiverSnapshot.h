// ReceiverSnapshot: the receivers of a list-box notification, copied and each held before the
// first is told. A receiver may add or remove receivers, drop the last other reference to one,
// or close the list: the walk goes on over the copy, skips receivers no longer registered and
// stops as soon as the caller says the list closed.
#pragma once

#include <cstdint>
#include <vector>

#include "database/DataBinding.h"

class ReceiverSnapshot {
 public:
  ReceiverSnapshot(RuntimeObject* const* objects, uint32_t count);
  explicit ReceiverSnapshot(const ReceiverNode* list);
  ~ReceiverSnapshot();
  ReceiverSnapshot(const ReceiverSnapshot&) = delete;
  ReceiverSnapshot& operator=(const ReceiverSnapshot&) = delete;

  // Calls method of interface on each receiver for which registered(receiver) still holds,
  // until closed() answers true. A receiver without the method is skipped.
  template <typename Registered, typename Closed>
  void Tell(ObjectDefinition* interface, const char* method, Registered registered,
            Closed closed) {
    for (RuntimeObject* receiver : mObjects) {
      if (closed()) return;
      if (registered(receiver)) CallInterfaceMethod<void>(receiver, interface, method);
    }
  }

 private:
  std::vector<RuntimeObject*> mObjects;  // held
};

// Whether object is in a receiver list.
bool ReceiverListHas(const ReceiverNode* list, const RuntimeObject* object);
