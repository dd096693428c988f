// The process-wide pane pointers of event routing: the keyboard-focus pane, which gets FocusLost
// and FocusGained as the focus moves, and the mouse-capture pane, which took the last
// mouse-down and receives the drags until the mouse-up.
#pragma once

class SubPane;

SubPane* GetFocusPane();
// The focus goes to pane's focus proxy (nil clears it). The old focus pane gets FocusLost; the
// new one gets FocusGained unless FocusLost gave the focus to another pane meanwhile or closed
// the new one or its window (a closing pane takes no focus).
void SetFocusPane(SubPane* pane);
// No focus pane, and no GTK focus widget in the front window.
void ClearKeyboardFocus();

SubPane* GetMouseCapturePane();
void SetMouseCapturePane(SubPane* pane);
void ClearMouseCapturePane();
