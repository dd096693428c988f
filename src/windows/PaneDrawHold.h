// Drawing a pane whose drawing runs handlers that may close it or its window.
#pragma once

class SubPane;

// The pane's DrawIfOpen of SubPane, holding the pane and its window: when a handler run by the
// drawing closed either, they are released only once GTK's expose is over.
void DrawIfOpenHeld(SubPane* pane);
