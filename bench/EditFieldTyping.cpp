// Typing latency: one XTest key press and release of a letter, then the main loop run until the
// text-change handler has seen it, in EditField language objects with a TextChange handler (a
// single-line field, a multi-line field and a styled multi-line field holding 1 MB) beside a
// plain GtkEntry, GtkTextView and 1 MB GtkTextView with a "changed" handler. Both sides go
// through the server, GDK and the same main loop; the framework side adds the window's key
// pipeline, KeyDown, the mask check and the delegate call. Times are real time per key.
// Needs a display: scripts/with-display build/bench/bench_EditFieldTyping
// Xlib's Window type would clash with the framework's Window class.
#define Window XWindow
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gdk/gdkx.h>
#undef Window
#include <gtk/gtk.h>

#include <string>

#include "BenchRatio.h"
#include "BenchWindow.h"
#include "controls/EditControlGTK.h"
#include "controls/EditField.h"
#include "windows/WindowControls.h"

namespace {

constexpr int32_t kTextBytes = 1 << 20;
// Keys typed before a short field is emptied again (outside the timing), so that every
// repetition types into text of about the same length.
constexpr int32_t kKeysPerRefill = 256;
constexpr gint64 kKeyDeadlineUs = 5 * G_USEC_PER_SEC;

enum Kind { kSingleLine, kMultiLine, kBig, kKinds };

RuntimeObject* gFields[kKinds] = {};
GtkWidget* gPlain[kKinds] = {};  // the entry or text view
std::string gText;
int gChanges = 0;  // TextChange calls and "changed" signals alike

extern "C" void CountTextChange(RuntimeObject*) { ++gChanges; }
void CountChanged(GObject*, gpointer) { ++gChanges; }

Display* XDisplayOfGdk() { return GDK_DISPLAY_XDISPLAY(gdk_display_get_default()); }

// Keys go to the focused window: the widget's window is made active and the widget focused
// once it is (a window that becomes active gives the focus back to the control it last had).
bool FocusOn(GtkWidget* widget) {
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  int looks = 0;
  auto focused = [&] {
    if (!gtk_window_is_active(GTK_WINDOW(top))) {
      // Asked again now and then: a request before the window is viewable is refused.
      if (looks++ % 200 == 0) {
        gtk_window_present(GTK_WINDOW(top));
        gdk_error_trap_push();
        XSetInputFocus(XDisplayOfGdk(), GDK_WINDOW_XID(top->window), RevertToParent,
                       CurrentTime);
        gdk_flush();
        gdk_error_trap_pop();
      }
      return false;
    }
    if (!GTK_WIDGET_HAS_FOCUS(widget)) gtk_widget_grab_focus(widget);
    return bool(GTK_WIDGET_HAS_FOCUS(widget));
  };
  return focused() || qvbench::PumpUntil(focused);
}

// One key pressed and released, then the main loop run (blocking, as a running application's
// loop does) until the change is seen; false when it never came.
bool TypeOneKey(KeyCode code) {
  Display* display = XDisplayOfGdk();
  const int before = gChanges;
  XTestFakeKeyEvent(display, code, True, CurrentTime);
  XTestFakeKeyEvent(display, code, False, CurrentTime);
  XFlush(display);
  const gint64 deadline = g_get_monotonic_time() + kKeyDeadlineUs;
  while (gChanges == before) {
    if (g_get_monotonic_time() > deadline) return false;
    MainLoopDoEvents(true);
  }
  return true;
}

GtkWidget* InputWidgetOf(RuntimeObject* field) {
  EditControlGTK* pane = static_cast<EditControlGTK*>(AsControl(field)->pane);
  return pane->Entry() ? pane->Entry() : pane->TextView();
}

// Empties a short field or puts the 1 MB text back, caret at the end, all changes handled.
void Refill(Kind kind, bool framework) {
  const bool big = kind == kBig;
  if (framework) {
    const string text = string::FromBytes(gText.data(), big ? int64_t(gText.size()) : 0,
                                          kEncodingUTF8);
    editTextSetter(gFields[kind], 0, text.Storage());
    EditControlGTK* pane = static_cast<EditControlGTK*>(AsControl(gFields[kind])->pane);
    pane->SetSelection(big ? kTextBytes : 0, big ? kTextBytes : 0);
  } else if (kind == kSingleLine) {
    gtk_entry_set_text(GTK_ENTRY(gPlain[kind]), "");
  } else {
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(gPlain[kind]));
    gtk_text_buffer_set_text(buffer, big ? gText.data() : "", big ? int(gText.size()) : 0);
    GtkTextIter end;
    gtk_text_buffer_get_end_iter(buffer, &end);
    gtk_text_buffer_place_cursor(buffer, &end);
  }
  while (gtk_events_pending()) MainLoopDoEvents(false);
}

void TypeKeys(benchmark::State& state, Kind kind, bool framework) {
  GtkWidget* widget = framework ? InputWidgetOf(gFields[kind]) : gPlain[kind];
  const KeyCode code = XKeysymToKeycode(XDisplayOfGdk(), XK_a);
  Refill(kind, framework);
  if (!FocusOn(widget)) {
    state.SkipWithError("the field did not take the focus");
    return;
  }
  int32_t typed = 0;
  for (auto _ : state) {
    if (++typed % kKeysPerRefill == 0) {
      state.PauseTiming();
      Refill(kind, framework);
      state.ResumeTiming();
    }
    if (!TypeOneKey(code)) {
      state.SkipWithError("a key never reached the text");
      break;
    }
  }
}

void BM_FieldTypeSingleLine(benchmark::State& state) { TypeKeys(state, kSingleLine, true); }
void BM_PlainTypeEntry(benchmark::State& state) { TypeKeys(state, kSingleLine, false); }
void BM_FieldTypeMultiLine(benchmark::State& state) { TypeKeys(state, kMultiLine, true); }
void BM_PlainTypeTextView(benchmark::State& state) { TypeKeys(state, kMultiLine, false); }
void BM_FieldTypeBig(benchmark::State& state) { TypeKeys(state, kBig, true); }
void BM_PlainTypeBigTextView(benchmark::State& state) { TypeKeys(state, kBig, false); }
BENCHMARK(BM_FieldTypeSingleLine)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainTypeEntry)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FieldTypeMultiLine)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainTypeTextView)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FieldTypeBig)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainTypeBigTextView)->UseRealTime()->Unit(benchmark::kMicrosecond);

// ---- set-up ----

RuntimeClass* gFieldClass = nullptr;

extern "C" void LayOut(RuntimeObject* window) {
  qvbench::LayOutWindow(window, 400, 220, "Typing");
}

extern "C" void CreateFields(RuntimeObject* window) {
  gFields[kSingleLine] = qvbench::AddEditField(window, gFieldClass, "Line", 0, false);
  gFields[kMultiLine] = qvbench::AddEditField(window, gFieldClass, "Lines", 70, true);
  gFields[kBig] = qvbench::AddEditField(window, gFieldClass, "Big", 140, true, true);
}

GtkWidget* PackTextView(GtkWidget* box) {
  GtkWidget* view = qvbench::PackPlainTextView(box);
  g_signal_connect(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), "changed",
                   G_CALLBACK(&CountChanged), nullptr);
  return view;
}

bool ShowBoth() {
  gFieldClass = qvbench::Subclass(EditFieldClassDefinition(), "TypingField");
  qvbench::SetEvent(gFieldClass, "TextChange", reinterpret_cast<void*>(&CountTextChange));
  RuntimeObject* window = qvbench::ShowWindow("TypingWindow", reinterpret_cast<void*>(&LayOut),
                                              reinterpret_cast<void*>(&CreateFields));
  if (!qvbench::PumpUntil([&] { return qvbench::WindowMapped(window); })) return false;
  for (RuntimeObject* field : gFields) {
    if (!field || !AsControl(field)->pane) return false;
  }

  GtkWidget* plainWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_move(GTK_WINDOW(plainWindow), 450, 0);
  GtkWidget* box = gtk_vbox_new(FALSE, 0);
  gtk_container_add(GTK_CONTAINER(plainWindow), box);
  gPlain[kSingleLine] = gtk_entry_new();
  g_signal_connect(gPlain[kSingleLine], "changed", G_CALLBACK(&CountChanged), nullptr);
  gtk_box_pack_start(GTK_BOX(box), gPlain[kSingleLine], FALSE, FALSE, 0);
  gPlain[kMultiLine] = PackTextView(box);
  gPlain[kBig] = PackTextView(box);
  gtk_widget_show_all(plainWindow);
  return qvbench::PumpUntil([&] { return GTK_WIDGET_MAPPED(plainWindow); });
}

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_EditFieldTyping")) return 1;
  while (gText.size() < size_t(kTextBytes)) gText += "a line of text in an edit field\n";
  gText.resize(size_t(kTextBytes));
  if (!ShowBoth()) {
    std::fprintf(stderr, "bench_EditFieldTyping: the windows did not show\n");
    return 1;
  }
  // Wakes a blocked main loop now and then, so that a key that never arrives ends in an error.
  g_timeout_add(100, [](gpointer) -> gboolean { return TRUE; }, nullptr);
  return qvbench::RunWithRatios(
      argc, argv,
      {{"BM_FieldTypeSingleLine/real_time", "BM_PlainTypeEntry/real_time"},
       {"BM_FieldTypeMultiLine/real_time", "BM_PlainTypeTextView/real_time"},
       {"BM_FieldTypeBig/real_time", "BM_PlainTypeBigTextView/real_time"}},
      1.5);
}
