#include "windows/WindowOrder.h"

#include "core/SimpleVector.h"

namespace {

SimpleVector<Window*>& Order() {
  static SimpleVector<Window*> windows;
  return windows;
}

int32_t IndexOf(Window* window) {
  SimpleVector<Window*>& order = Order();
  for (uint32_t i = 0; i < order.size(); ++i) {
    if (order[int32_t(i)] == window) return int32_t(i);
  }
  return -1;
}

void MoveTo(int32_t from, int32_t to) {
  Window* window = Order()[from];
  Order().RemoveAt(from);
  Order().InsertAt(to, window);
}

}  // namespace

void UpdateWindowOrder(Window* window, uint32_t operation) {
  if (operation == kWindowOrderAddAtFront) {
    Order().InsertAt(0, window);
    return;
  }
  if (operation > kWindowOrderRemove) return;
  const int32_t index = IndexOf(window);
  if (index < 0) return;
  const int32_t last = WindowOrderCount() - 1;
  switch (operation) {
    case kWindowOrderBringToFront:
      MoveTo(index, 0);
      break;
    case kWindowOrderForwardOne:
      if (index > 0) MoveTo(index, index - 1);
      break;
    case kWindowOrderBackOne:
      if (index < last) MoveTo(index, index + 1);
      break;
    case kWindowOrderSendToBack:
      MoveTo(index, last);
      break;
    default:
      Order().RemoveAt(index);
      break;
  }
}

int32_t WindowOrderCount() { return int32_t(Order().size()); }

Window* WindowOrderAt(uint32_t index) {
  return index < Order().size() ? Order()[int32_t(index)] : nullptr;
}

Window* FrontNativeWindow() { return WindowOrderAt(0); }

Window* FrontWindowOtherThan(Window* window) {
  Window* front = FrontNativeWindow();
  return front == window ? nullptr : front;
}
