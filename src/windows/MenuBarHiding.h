// Hiding the menu bar: a window can ask that menu bars be hidden while it is in front (its
// MenuBarVisible). Only the front window's menu bar widget is touched. While a menu bar is
// hidden, a shutdown task named "menuShutdown" exists, which shows the front window's menu bar
// again when the process ends.
#pragma once

// Hides the front window's menu bar; nothing when one is hidden already.
void HideMenuBar();
// Shows it again; nothing when none is hidden.
void ShowMenuBar();
bool IsMenuBarHidden();
// Shows or hides the menu bars as the first window of the runtime window list asks (shown
// when there is none).
void FollowFrontMenuBarVisibility();
