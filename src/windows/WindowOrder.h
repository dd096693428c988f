// The framework's own front-to-back order of its native windows, independent of the window
// manager's: the front window of the language (the target of menu commands, the window dialogs
// and new windows go in front of) is the first entry. The native windows report their making,
// focusing, hiding and destruction here; everybody else only reads. The list holds no
// references.
#pragma once

#include <cstdint>

class Window;

enum WindowOrderOperation : uint32_t {
  kWindowOrderAddAtFront = 0,  // no search: a window is added once, when it is made
  kWindowOrderBringToFront = 1,
  kWindowOrderForwardOne = 2,
  kWindowOrderBackOne = 3,
  kWindowOrderSendToBack = 4,
  kWindowOrderRemove = 5,
};

// Operations 1 to 5 on a window not in the list, and any operation above 5, change nothing.
void UpdateWindowOrder(Window* window, uint32_t operation);
int32_t WindowOrderCount();
// Nil when index is not below the count.
Window* WindowOrderAt(uint32_t index);
Window* FrontNativeWindow();
// The front window unless it is window; nil then, and for an empty list.
Window* FrontWindowOtherThan(Window* window);
