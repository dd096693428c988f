// Drops from other programs through GTK's protocol, and the drag loop of drags the
// application starts itself.
#include "windows/DragAndDropGTK.h"

#include <algorithm>
#include <cstring>

#include "app/FolderItemImp.h"
#include "core/ByteUtilities.h"
#include "strings/TextEncoding.h"
#include "windows/DragItem.h"
#include "windows/GtkPlacement.h"
#include "windows/MouseCursorClass.h"
#include "windows/Window.h"

namespace {

// Target info numbers.
constexpr guint kInfoURIList = 0;
constexpr guint kInfoPlainText = 1;
constexpr guint kInfoString = 2;

GtkTargetEntry kFileTargets[] = {{const_cast<gchar*>("text/uri-list"), 0, kInfoURIList}};
GtkTargetEntry kTextTargets[] = {{const_cast<gchar*>("text/plain"), 0, kInfoPlainText},
                                 {const_cast<gchar*>("STRING"), 0, kInfoString}};

// What a widget takes, kept on the widget: bit 1 files, bit 2 text.
constexpr const char* kDropKindsKey = "qv-drop-kinds";
constexpr uintptr_t kDropFiles = 1;
constexpr uintptr_t kDropText = 2;

// The outline of one dragged rectangle in one window: sides left, top, right, bottom.
struct Outline {
  GtkWidget* sides[4];
  bool inside[4];  // some of the side lies in the content area
  bool shown;
};

struct WindowOutlines {
  Window* window;  // retained for the drag
  std::vector<Outline> outlines;
};

// One drag at a time. Panes and the item are held while they are recorded here.
struct DragState {
  RuntimeObject* item = nullptr;   // the current drag item
  bool dragging = false;
  Window* startWindow = nullptr;
  Window* dropWindow = nullptr;
  SubPane* target = nullptr;
  bool highlighted = false;        // the target's widget is highlighted
  QV::Point last = {0, 0};         // pointer in the drop window's content
  gint rootX = -1, rootY = -1;     // pointer on the screen at the last update
  std::vector<WindowOutlines> windows;
};
DragState gDrag;

template <typename PaneType>
void Hold(PaneType*& slot, PaneType* pane) {
  if (pane == slot) return;
  if (pane) pane->Retain();
  PaneType* old = slot;
  slot = pane;
  if (old) old->Release();
}

bool IsOpen(SubPane* pane) { return pane && !pane->IsClosing(); }

DragItemObject* Item() { return DragItemFields(gDrag.item); }

// The window of ours whose top-level GDK window holds the GDK window under the pointer, so
// that a control with an X window of its own still counts as its window.
Window* WindowUnderPointer() {
  gint x = 0, y = 0;
  GdkWindow* under = gdk_window_at_pointer(&x, &y);
  if (!under) return nullptr;
  GdkWindow* top = gdk_window_get_toplevel(under);
  for (Window* window = Window::FirstWindow(); window; window = window->NextWindow()) {
    if (IsOpen(window) && window->GetGtkWindow() &&
        GTK_WIDGET(window->GetGtkWindow())->window == top) {
      return window;
    }
  }
  return nullptr;
}

// ---- outlines ----

// The sides are cut to the content area: a child of a GtkFixed placed past its edge makes the
// fixed ask for more room, and the window would grow under the pointer as the outline follows
// it out of the window (and then keep the drag for itself).
void PlaceOutline(GtkFixed* fixed, Outline& outline, const QV::Rect& r, bool put) {
  const GtkAllocation& area = GTK_WIDGET(fixed)->allocation;
  const int32_t width = r.right - r.left > 0 ? r.right - r.left : 0;
  const int32_t height = r.bottom - r.top > 0 ? r.bottom - r.top : 0;
  const struct {
    int32_t x, y, w, h;
  } places[4] = {{r.left, r.top, 1, height},
                 {r.left, r.top, width, 1},
                 {r.right, r.top, 1, height},
                 {r.left, r.bottom, width, 1}};
  for (int side = 0; side < 4; ++side) {
    const int32_t left = std::max(places[side].x, 0), top = std::max(places[side].y, 0);
    const int32_t right = std::min(places[side].x + places[side].w, int32_t(area.width));
    const int32_t bottom = std::min(places[side].y + places[side].h, int32_t(area.height));
    const bool inside = right > left && bottom > top;
    outline.inside[side] = inside;
    const int32_t x = inside ? left : 0, y = inside ? top : 0;
    GtkWidget* widget = outline.sides[side];
    if (put) {
      gtk_fixed_put(fixed, widget, x, y);
    } else {
      gtk_fixed_move(fixed, widget, x, y);
    }
    gtk_widget_set_size_request(widget, inside ? right - left : 1, inside ? bottom - top : 1);
    // GTK keeps no request below 1 pixel: a side wholly outside is hidden instead.
    if (outline.shown && inside) gtk_widget_show(widget);
    if (!inside) gtk_widget_hide(widget);
  }
}

void ShowOutline(Outline& outline, bool show) {
  outline.shown = show;
  for (int side = 0; side < 4; ++side) {
    if (show && outline.inside[side]) {
      gtk_widget_show(outline.sides[side]);
    } else {
      gtk_widget_hide(outline.sides[side]);
    }
  }
}

void MakeOutlines(Window* window, bool shown) {
  GtkFixed* fixed = window->ContentFixed();
  if (!fixed) return;
  window->Retain();
  WindowOutlines made = {window, {}};
  for (const DragRectNode* node = Item()->rects; node; node = node->next) {
    Outline outline{};
    for (int side = 0; side < 4; ++side) {
      outline.sides[side] = gtk_drawing_area_new();
      g_object_ref(outline.sides[side]);
      g_signal_connect(outline.sides[side], "expose-event", G_CALLBACK(DrawOutlineSide),
                       GINT_TO_POINTER(side));
    }
    PlaceOutline(fixed, outline, node->rect, true);
    ShowOutline(outline, shown);
    made.outlines.push_back(outline);
  }
  if (const CursorHandle* cursor = MouseCursorHandle(Item()->mouseCursor)) {
    GtkWidget* top = GTK_WIDGET(window->GetGtkWindow());
    if (top && top->window) gdk_window_set_cursor(top->window, cursor->cursor);
  }
  gDrag.windows.push_back(std::move(made));
}

void DestroyOutlines() {
  for (WindowOutlines& each : gDrag.windows) {
    for (const Outline& outline : each.outlines) {
      for (GtkWidget* side : outline.sides) {
        if (side->parent) gtk_widget_destroy(side);
        g_object_unref(side);
      }
    }
    if (Item()->mouseCursor && IsOpen(each.window) && each.window->GetGtkWindow()) {
      GtkWidget* top = GTK_WIDGET(each.window->GetGtkWindow());
      if (top->window) gdk_window_set_cursor(top->window, nullptr);
    }
    each.window->Release();
  }
  gDrag.windows.clear();
}

// The outlines follow the pointer in the window under it (each rectangle keeps its distance
// to the pointer, and is stored back), and are hidden in every other window.
void MoveOutlines(Window* under, const QV::Point& p) {
  const int32_t dh = p.h - gDrag.last.h, dv = p.v - gDrag.last.v;
  for (WindowOutlines& each : gDrag.windows) {
    if (!IsOpen(each.window)) continue;
    if (each.window != under) {
      for (Outline& outline : each.outlines) {
        if (outline.shown) ShowOutline(outline, false);
      }
      continue;
    }
    if (dh == 0 && dv == 0) continue;
    DragRectNode* node = Item()->rects;
    for (Outline& outline : each.outlines) {
      if (!node) break;
      node->rect = {int16_t(node->rect.top + dv), int16_t(node->rect.left + dh),
                    int16_t(node->rect.bottom + dv), int16_t(node->rect.right + dh)};
      PlaceOutline(each.window->ContentFixed(), outline, node->rect, false);
      if (!outline.shown) ShowOutline(outline, true);
      node = node->next;
    }
  }
}

// ---- targets ----

void Unhighlight() {
  if (gDrag.highlighted && IsOpen(gDrag.target) && gDrag.target->GetWidget()) {
    gtk_drag_unhighlight(gDrag.target->GetWidget());
  }
  gDrag.highlighted = false;
}

// The current target loses the drag.
void LeaveTarget() {
  if (!gDrag.target) return;
  Unhighlight();
  SubPane* left = gDrag.target;
  left->Retain();
  Hold(gDrag.target, static_cast<SubPane*>(nullptr));
  if (IsOpen(left)) left->DragExit(gDrag.item, Item()->action);
  left->Release();
}

// Drop coordinates of the current item come out in the target's own coordinates.
void AimAt(SubPane* target) {
  DragItemObject* item = Item();
  item->currentItem = 0;
  item->dropped = 1;
  item->originLeft = -target->GetBounds().left;
  item->originTop = -target->GetBounds().top;
}

void TrackTarget(SubPane* target, const QV::Point& p) {
  if (!target) {
    LeaveTarget();
    return;
  }
  const bool entered = target != gDrag.target;
  if (entered) {
    LeaveTarget();
    Hold(gDrag.target, target);
    target->SetDragRejected(target->DragEnter(gDrag.item, Item()->action));
  }
  if (gDrag.target != target || !IsOpen(target) || target->IsDragRejected()) return;
  AimAt(target);
  const bool rejected = target->DragOver(p.h - target->GetBounds().left,
                                         p.v - target->GetBounds().top, gDrag.item,
                                         Item()->action);
  if (gDrag.target != target || !IsOpen(target)) return;
  if (rejected) {
    target->SetDragRejected(true);
    Unhighlight();
  } else if (entered && target->GetWidget()) {
    gtk_drag_highlight(target->GetWidget());
    gDrag.highlighted = true;
  }
}

// Ends the loop when no button is down any more or the window that started the drag is gone,
// whatever consumed the release; and follows a pointer whose motion no handler saw.
gboolean WatchDrag(gpointer) {
  if (!gDrag.dragging) return TRUE;
  gint x = 0, y = 0;
  GdkModifierType state = GdkModifierType(0);
  gdk_window_get_pointer(gdk_get_default_root_window(), &x, &y, &state);
  const int buttons = GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK |
                      GDK_BUTTON4_MASK | GDK_BUTTON5_MASK;
  if (!(state & buttons) || !IsOpen(gDrag.startWindow)) {
    EndInternalDrag();
  } else if (x != gDrag.rootX || y != gDrag.rootY) {
    InternalDragMotion();
  }
  return TRUE;
}

void DeliverDrop() {
  Window* window = WindowUnderPointer();
  Hold(gDrag.dropWindow, window);
  if (!window) return;
  const QV::Point p = GetPointerInWindow(window);
  SubPane* target = window->FindDropTarget(p.h, p.v, gDrag.item);
  if (!target) return;
  // A target the loop never saw is asked first; one that rejected the drag gets no drop.
  if (target != gDrag.target) TrackTarget(target, p);
  if (target != gDrag.target || !IsOpen(target) || target->IsDragRejected()) return;
  target->Retain();
  AimAt(target);
  if (target->GetWidget()) gtk_drag_unhighlight(target->GetWidget());
  if (target == gDrag.target) gDrag.highlighted = false;
  target->DropObject(gDrag.item, Item()->action);
  target->Release();
}

// ---- drops from other programs ----

bool StartsWithFileScheme(const std::string& text) {
  return StartsWithIgnoringASCIICase(text, "file:");
}

std::string ThisHostName() {
  const gchar* name = g_get_host_name();
  return name ? name : "";
}

string UTF8(const std::string& bytes) {
  return string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingUTF8);
}

// A new drop item for the URI list or text that arrived.
RuntimeObject* DropItemFor(guint info, const std::string& bytes) {
  RuntimeObject* item = NewDragItem();
  if (!item) return nullptr;
  DragItemFields(item)->dropped = 1;
  if (info == kInfoURIList && StartsWithFileScheme(bytes)) {
    bool first = true;
    for (const std::string& path : FilePathsOfURIList(bytes, ThisHostName())) {
      RuntimeObject* folder = NewFolderItemObject(UTF8(path));
      if (!folder) continue;
      if (!first) DragItemAddItem(item, 0, 0, 0, 0);
      dragItemFolderItemSetter(item, 0, folder);
      RuntimeUnlockObject(folder);
      first = false;
    }
  } else {
    // "STRING" is Latin-1; the others are UTF-8 already.
    const string text = string::FromBytes(bytes.data(), int64_t(bytes.size()),
                                          info == kInfoString ? kEncodingWindowsLatin1
                                                              : kEncodingUTF8);
    dragItemTextSetter(item, 0, ConvertEncoding(text, kEncodingUTF8).Storage());
  }
  DragItemFields(item)->currentItem = 0;
  return item;
}

void EnableDrops(SubPane* pane, uintptr_t kind) {
  GtkWidget* widget = pane ? pane->GetWidget() : nullptr;
  if (!widget) return;
  const uintptr_t before = uintptr_t(g_object_get_data(G_OBJECT(widget), kDropKindsKey));
  const uintptr_t kinds = before | kind;
  if (kinds == before) return;
  // One target list for both kinds, files first, so that a source offering both gives the
  // files; and one handler, so that a drop is delivered once.
  std::vector<GtkTargetEntry> targets;
  int actions = GDK_ACTION_COPY | GDK_ACTION_MOVE;
  if (kinds & kDropFiles) {
    targets.insert(targets.end(), std::begin(kFileTargets), std::end(kFileTargets));
    actions |= GDK_ACTION_LINK;
  }
  if (kinds & kDropText) {
    targets.insert(targets.end(), std::begin(kTextTargets), std::end(kTextTargets));
  }
  gtk_drag_dest_set(widget, GTK_DEST_DEFAULT_ALL, targets.data(), gint(targets.size()),
                    GdkDragAction(actions));
  if (!before) {
    g_signal_connect(widget, "drag-data-received", G_CALLBACK(OnDragDataReceived), pane);
  }
  g_object_set_data(G_OBJECT(widget), kDropKindsKey, reinterpret_cast<gpointer>(kinds));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool SameHost(const std::string& host, const std::string& localHost) {
  return host.empty() || EqualIgnoringASCIICase(host, "localhost") ||
         (!localHost.empty() && EqualIgnoringASCIICase(host, localHost));
}

}  // namespace

void EnableFileDrops(SubPane* pane) { EnableDrops(pane, kDropFiles); }

void EnableTextDrops(SubPane* pane) { EnableDrops(pane, kDropText); }

void OnDragDataReceived(GtkWidget*, GdkDragContext* context, gint, gint, GtkSelectionData* data,
                        guint info, guint time, gpointer pane) {
  if (info > kInfoString) return;
  const bool delivered =
      data && (data->data || data->length <= 0) &&
      DeliverExternalDrop(static_cast<SubPane*>(pane), info,
                          reinterpret_cast<const char*>(data->data), data->length,
                          context->actions);
  gtk_drag_finish(context, delivered, FALSE, time);
}

bool DeliverExternalDrop(SubPane* pane, uint32_t info, const char* bytes, int32_t length,
                         int32_t actions) {
  if (length < 0 || info > kInfoString) return false;  // the source failed
  if (info != kInfoURIList && gDrag.item) {
    // The drag loop delivers its own drop.
    DragItemFields(gDrag.item)->currentItem = 0;
    DragActionFromGdk(gDrag.item, actions);
    return true;
  }
  RuntimeObject* item = DropItemFor(info, std::string(bytes ? bytes : "", size_t(length)));
  if (!item) return false;
  DragActionFromGdk(item, actions);
  RuntimeObject* outer = gDrag.item;
  gDrag.item = item;
  pane->Retain();
  if (IsOpen(pane)) pane->DropObject(item, DragItemFields(item)->action);
  pane->Release();
  gDrag.item = outer;
  RuntimeUnlockObject(item);
  return true;
}

void DragActionFromGdk(RuntimeObject* dragItem, int32_t actions) {
  if (!dragItem) return;
  DragItemFields(dragItem)->action = (actions & GDK_ACTION_MOVE)   ? kDragActionMove
                                     : (actions & GDK_ACTION_COPY) ? kDragActionCopy
                                     : (actions & GDK_ACTION_LINK) ? kDragActionLink
                                                                   : kDragActionNone;
}

std::string URLDecode(const std::string& text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const bool escape = text[i] == '%' && i + 2 < text.size();
    const int high = escape ? HexDigit(text[i + 1]) : -1;
    const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
    if (low < 0) {
      decoded.push_back(text[i]);
      continue;
    }
    decoded.push_back(char(high * 16 + low));
    i += 2;
  }
  return decoded;
}

std::vector<std::string> FilePathsOfURIList(const std::string& list,
                                            const std::string& localHost) {
  std::vector<std::string> paths;
  size_t start = 0;
  while (start < list.size()) {
    size_t end = list.find('\n', start);
    if (end == std::string::npos) end = list.size();
    std::string line = list.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!StartsWithFileScheme(line)) continue;
    std::string rest = line.substr(5);
    if (rest.compare(0, 2, "//") == 0) {
      const size_t slash = rest.find('/', 2);
      if (slash == std::string::npos) continue;
      if (!SameHost(rest.substr(2, slash - 2), localHost)) continue;
      rest = rest.substr(slash);
    }
    const std::string path = URLDecode(rest);
    if (path.empty() || path.find('\0') != std::string::npos) continue;
    paths.push_back(path);
  }
  return paths;
}

// ---- the drag loop ----

void RunInternalDrag(RuntimeObject* dragItem) {
  if (!dragItem || gDrag.dragging || gDrag.item) return;
  GdkEvent* event = gtk_get_current_event();
  if (!event) return;
  if (event->type != GDK_BUTTON_PRESS) {
    gdk_event_free(event);
    return;
  }
  RuntimeLockObject(dragItem);
  gDrag.item = dragItem;
  GdkWindow* pressed = event->button.window ? gdk_window_get_toplevel(event->button.window)
                                            : nullptr;
  Window* start = nullptr;
  for (Window* window = Window::FirstWindow(); window; window = window->NextWindow()) {
    if (!IsOpen(window) || !window->GetGtkWindow()) continue;
    const bool here = GTK_WIDGET(window->GetGtkWindow())->window == pressed;
    if (here) start = window;
    MakeOutlines(window, here);
  }
  Hold(gDrag.startWindow, start);
  Hold(gDrag.dropWindow, static_cast<Window*>(nullptr));
  Hold(gDrag.target, static_cast<SubPane*>(nullptr));
  gDrag.dragging = true;
  InternalDragMotion();
  const guint watch = g_timeout_add(50, WatchDrag, nullptr);
  while (gDrag.dragging) gtk_main_iteration_do(TRUE);
  g_source_remove(watch);
  DestroyOutlines();
  DeliverDrop();
  Unhighlight();
  Hold(gDrag.target, static_cast<SubPane*>(nullptr));
  Hold(gDrag.dropWindow, static_cast<Window*>(nullptr));
  Hold(gDrag.startWindow, static_cast<Window*>(nullptr));
  gDrag.item = nullptr;
  RuntimeUnlockObject(dragItem);
  gdk_event_free(event);
}

void InternalDragMotion() {
  if (!gDrag.dragging || !gDrag.item) return;
  gdk_window_get_pointer(gdk_get_default_root_window(), &gDrag.rootX, &gDrag.rootY, nullptr);
  Window* under = WindowUnderPointer();
  QV::Point p = gDrag.last;
  if (under) {
    p = GetPointerInWindow(under);
    if (under != gDrag.dropWindow) {
      if (!gDrag.dropWindow) gDrag.last = p;
      Hold(gDrag.dropWindow, under);
    }
    TrackTarget(under->FindDropTarget(p.h, p.v, gDrag.item), p);
  }
  if (!gDrag.dragging) return;
  MoveOutlines(under && IsOpen(under) ? under : nullptr, p);
  if (under) gDrag.last = p;
}

bool IsInternalDragActive() { return gDrag.dragging; }

void EndInternalDrag() { gDrag.dragging = false; }

RuntimeObject* GetCurrentDragItem() { return gDrag.item; }

gboolean DrawOutlineSide(GtkWidget* widget, GdkEventExpose*, gpointer sideData) {
  const int side = GPOINTER_TO_INT(sideData);
  if (!widget->window || side < 0 || side > 3) return FALSE;
  const int w = widget->allocation.width, h = widget->allocation.height;
  const int lines[4][4] = {{0, 0, 0, h}, {0, 0, w, 0}, {w - 1, 0, w - 1, h},
                           {0, h - 1, w - 1, h - 1}};
  GdkGC* gc = gdk_gc_new(widget->window);
  gdk_draw_line(widget->window, gc, lines[side][0], lines[side][1], lines[side][2],
                lines[side][3]);
  g_object_unref(gc);
  return FALSE;
}
