// Drag and drop on GTK. Drags from other programs arrive through GTK's protocol on the widgets
// of panes that accept text or files, and are turned into a DragItem handed to the pane's
// DropObject. Drags the application starts itself (DragItem.Drag) do not use the protocol: a
// local loop draws an outline of the dragged rectangles in the window under the pointer, asks
// the panes under it (DragEnter, DragOver, DragExit), highlights the one that takes the drag,
// and delivers the drop when the button is released.
//
// For the length of a drag the drag item, the current target and the drop window are held, so
// a handler that closes its window or releases its control leaves nothing dangling; windows
// closed meanwhile are skipped.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

class SubPane;
class Window;

// The pane's widget becomes a GTK drop destination for file lists (text), with
// "drag-data-received" delivering to the pane. Nothing for a pane without a widget.
void EnableFileDrops(SubPane* pane);
void EnableTextDrops(SubPane* pane);

// The "drag-data-received" handler.
void OnDragDataReceived(GtkWidget* widget, GdkDragContext* context, gint x, gint y,
                        GtkSelectionData* data, guint info, guint time, gpointer pane);

// Delivers a drop of length bytes (negative when the source failed) that arrived as target
// info (0 URI list, 1 "text/plain", 2 "STRING") with GDK's action mask to pane; true when it
// was delivered, or handed to the drag loop that is running.
bool DeliverExternalDrop(SubPane* pane, uint32_t info, const char* bytes, int32_t length,
                         int32_t actions);

// Stores the drop action from GDK's action mask: move wins over copy, copy over link.
void DragActionFromGdk(RuntimeObject* dragItem, int32_t actions);

// Decodes every '%' followed by two hexadecimal digits; any other '%' stays as it is.
std::string URLDecode(const std::string& text);
// The paths of the "file:" lines of a URI list (lines end in CRLF or LF): a "file://" URI
// gives its path only when its host is empty, "localhost" or localHost; a path that is empty
// or decodes to a NUL byte gives none.
std::vector<std::string> FilePathsOfURIList(const std::string& list, const std::string& localHost);

// The in-application drag: runs it to its end when the current GTK event is the button press
// that started it.
void RunInternalDrag(RuntimeObject* dragItem);
// One update of the drag for the pointer where it is now.
void InternalDragMotion();
bool IsInternalDragActive();
void EndInternalDrag();
// The drag item of the drag or drop being delivered, or nil.
RuntimeObject* GetCurrentDragItem();
// The "expose-event" handler of one outline side; side numbers 0 to 3 (left, top, right,
// bottom).
gboolean DrawOutlineSide(GtkWidget* widget, GdkEventExpose* event, gpointer side);
