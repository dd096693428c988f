#include "app/ModalLoop.h"

#include "app/MainLoop.h"
#include "core/RuntimeThread.h"

namespace {

struct DialogRun {
  int32_t response = GTK_RESPONSE_NONE;
  bool ended = false;
  bool destroyed = false;  // its handlers went with it
};

void OnResponse(GtkDialog*, gint response, gpointer data) {
  auto* run = static_cast<DialogRun*>(data);
  run->response = response;
  run->ended = true;
}

// Hidden or destroyed by someone else: no answer will come.
void OnHidden(GtkWidget*, gpointer data) { static_cast<DialogRun*>(data)->ended = true; }
void OnDestroyed(GtkWidget*, gpointer data) {
  auto* run = static_cast<DialogRun*>(data);
  run->ended = true;
  run->destroyed = true;
}

// The close box answers through the dialog's own response; the window stays for the caller.
gboolean KeepOnDelete(GtkWidget*, GdkEvent*, gpointer) { return TRUE; }

}  // namespace

bool ModalLoopMustEnd() {
  const RuntimeThreadImp* thread = GetCurrentThreadRecord();
  return MainLoopQuitRequested() || (thread && thread->mKilled);
}

int32_t RunDialogModally(GtkDialog* dialog) {
  GtkWindow* window = GTK_WINDOW(dialog);
  g_object_ref(dialog);
  const gboolean wasModal = gtk_window_get_modal(window);
  if (!wasModal) gtk_window_set_modal(window, TRUE);
  DialogRun run;
  const gulong handlers[] = {
      g_signal_connect(dialog, "response", G_CALLBACK(OnResponse), &run),
      g_signal_connect(dialog, "unmap", G_CALLBACK(OnHidden), &run),
      g_signal_connect(dialog, "destroy", G_CALLBACK(OnDestroyed), &run),
      g_signal_connect(dialog, "delete-event", G_CALLBACK(KeepOnDelete), nullptr),
  };
  gtk_widget_show(GTK_WIDGET(dialog));
  while (!run.ended && !ModalLoopMustEnd()) MainLoopDoEvents(true);
  if (!run.destroyed) {
    for (gulong handler : handlers) g_signal_handler_disconnect(dialog, handler);
    if (!run.ended) gtk_widget_hide(GTK_WIDGET(dialog));
    if (!wasModal) gtk_window_set_modal(window, FALSE);
  }
  g_object_unref(dialog);
  return run.ended ? run.response : GTK_RESPONSE_NONE;
}
