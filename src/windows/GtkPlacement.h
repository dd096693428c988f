// Where panes lie on GTK: a pane's widget in its window's content container, the height the
// menu bar and toolbars take above the content, and the conversion of content coordinates to
// those of the GDK window a pane draws in.
#pragma once

#include <gdk/gdk.h>

#include <cstdint>

#include "core/Rect.h"
#include "graphics/Graphics.h"

class Pane;
class SubPane;
class Window;

// Puts the pane's widget into its window's content container at the pane's place, with the
// pane's size (negative sizes as 0), shown when show is set. A pane without a window is a
// failed check and stays unplaced.
void PutPaneInFixed(SubPane* pane, bool show);
// Moves and sizes the pane's widget in the content container (without showing it).
void MovePaneInFixed(SubPane* pane);
// Gives the widget of a pane added to a window that is already built its place and size at
// once: GTK would give them only at its next resize pass, and until then the widget is 1 by 1
// pixel at (-1, -1). Nothing for a window not yet realised (its first pass places everything).
void AllocatePaneNow(SubPane* pane);

// The height of the window's menu bar: 0 without one or while it is hidden. The height is
// measured once, the first time the menu bar has a place, and kept for every window.
int32_t MenuBarHeight(Window* window);
// The heights of the window's visible toolbars, summed.
int32_t ToolbarsHeight(Window* window);
// How far the content lies below the top of the GtkWindow.
int32_t WindowContentTopOffset(Window* window);

// The GDK window of the window's GtkWindow; nil for none or one not realized yet.
GdkWindow* WindowGdkWindow(Window* window);
// True when the pane's widget has no GDK window of its own and draws in its window's.
bool DrawsInWindowGdkWindow(SubPane* pane);

// rect (in g's coordinates) in those of the drawable g draws on: the origin taken off, then
// for a pane target moved below the window's bars (limited to the pane with clip) or into the
// pane's own GDK window; for another target limited to the clip rectangle with clip.
QV::Rect GraphicsRectToDrawable(const Graphics& g, QV::Rect rect, bool clip);
// The same for g drawing on target, known to be g's target: without finding out what it is.
QV::Rect PaneRectToDrawable(const Graphics& g, Pane* target, QV::Rect rect, bool clip);

// The pointer as (v, h) in the window's content coordinates.
QV::Point GetPointerInWindow(Window* window);
// Where a button or wheel event happened, as (v, h) in the window's content coordinates. A busy
// program reads a press after the pointer has moved on, so these are placed by their events.
QV::Point GetEventPointInWindow(Window* window, const GdkEventButton* event);
QV::Point GetEventPointInWindow(Window* window, const GdkEventScroll* event);
