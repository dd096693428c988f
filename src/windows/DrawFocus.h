// The drawing focus: the one pane that holds the drawing state. It is detached before anything
// draws outside its path: before a modal dialog runs, when a window is made, when an off-screen
// surface prepares to draw, when a pane closes or dies, and before the out-of-memory report.
#pragma once

class Pane;

// Makes pane the drawing-focus pane: the old one gets DrawFocusLost, the new one
// DrawFocusGained then DrawFocusSetUp. Nothing happens when pane holds it already; nil clears.
void SetDrawFocus(Pane* pane);
// The drawing-focus pane, if any, gets DrawFocusLost and the focus becomes nil.
void ClearDrawFocus();
Pane* GetDrawFocusPane();
