#include "windows/MessageBoxDialog.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <new>

#include "strings/TextEncoding.h"

namespace {

struct ResponderSlot {
  MessageDialogResponder responder;
  void* context;
};
ResponderSlot gResponder{nullptr, nullptr};

// The dialog's buttons answer kResponseBase plus their index; GTK's own responses (the window
// closed, Escape) are negative.
constexpr gint kResponseBase = 100;

int32_t PressedCode(int32_t index) {
  if (index == kDefaultCancelButton) return kPressedCancelButton;
  if (index == kDefaultAlternateButton) return kPressedAlternateButton;
  return kPressedActionButton;
}

// The button that stands for the person's agreement: the default when it is shown.
int32_t DefaultIndex(MessageDialog* dialog) {
  int32_t index = dialog->defaultButton;
  if (index < kDefaultActionButton || index > kDefaultAlternateButton) return kNoDefaultButton;
  return dialog->Button(index).visible ? index : kNoDefaultButton;
}

int32_t PressedForDefault(MessageDialog* dialog) {
  int32_t index = DefaultIndex(dialog);
  return PressedCode(index == kNoDefaultButton ? kDefaultActionButton : index);
}

// Text for the toolkit: UTF-8, with anything invalid made visible rather than dropping the
// whole label. g_free the result.
gchar* ToolkitText(const string& text) {
  string utf8 = ConvertToSystemEncoding(text);
  return g_utf8_make_valid(utf8.CString(), utf8.Length());
}

void AddButton(GtkWidget* window, MessageDialog* dialog, int32_t index) {
  const MessageDialogButton& button = dialog->Button(index);
  if (!button.visible) return;
  gchar* caption = ToolkitText(button.caption);
  GtkWidget* widget = gtk_button_new_with_label(caption);
  g_free(caption);
  gtk_widget_set_can_default(widget, TRUE);
  gtk_widget_show(widget);
  gtk_dialog_add_action_widget(GTK_DIALOG(window), widget, kResponseBase + index);
}

GtkWidget* BuildWindow(MessageDialog* dialog) {
  gchar* message = ToolkitText(dialog->message);
  GtkWidget* window = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                             GTK_BUTTONS_NONE, "%s", message);
  g_free(message);
  if (!dialog->explanation.IsEmpty()) {
    gchar* explanation = ToolkitText(dialog->explanation);
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(window), "%s", explanation);
    g_free(explanation);
  }
  gchar* title = ToolkitText(dialog->title);
  gtk_window_set_title(GTK_WINDOW(window), title);
  g_free(title);
  // Laid out left to right as added: the action button ends up rightmost.
  AddButton(window, dialog, kDefaultAlternateButton);
  AddButton(window, dialog, kDefaultCancelButton);
  AddButton(window, dialog, kDefaultActionButton);
  int32_t index = DefaultIndex(dialog);
  if (index != kNoDefaultButton) {
    gtk_dialog_set_default_response(GTK_DIALOG(window), kResponseBase + index);
  }
  return window;
}

// The button of the window that answers response, or nullptr.
GtkWidget* ButtonForResponse(GtkWidget* window, gint response) {
  GList* children = gtk_container_get_children(
      GTK_CONTAINER(gtk_dialog_get_action_area(GTK_DIALOG(window))));
  GtkWidget* found = nullptr;
  for (GList* item = children; item && !found; item = item->next) {
    GtkWidget* child = GTK_WIDGET(item->data);
    if (gtk_dialog_get_response_for_widget(GTK_DIALOG(window), child) == response) found = child;
  }
  g_list_free(children);
  return found;
}

// Reads the dialog back from the toolkit for the responder and clicks what it chooses.
gboolean AskResponder(gpointer data) {
  GtkWidget* window = GTK_WIDGET(data);
  gchar* message = nullptr;
  gchar* explanation = nullptr;
  g_object_get(window, "text", &message, "secondary-text", &explanation, nullptr);
  MessageDialogView view{message, explanation ? explanation : "",
                         gtk_window_get_title(GTK_WINDOW(window)), {nullptr, nullptr, nullptr},
                         kNoDefaultButton};
  for (int32_t index = 0; index < 3; ++index) {
    GtkWidget* button = ButtonForResponse(window, kResponseBase + index);
    if (!button) continue;
    view.captions[index] = gtk_button_get_label(GTK_BUTTON(button));
    if (gtk_widget_has_default(button)) view.defaultButton = index;
  }
  int32_t choice = gResponder.responder(view, gResponder.context);
  g_free(message);
  g_free(explanation);
  GtkWidget* button = ButtonForResponse(window, kResponseBase + choice);
  if (button) {
    gtk_button_clicked(GTK_BUTTON(button));
  } else {
    gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_DELETE_EVENT);
  }
  return FALSE;
}

int32_t PressedFromResponse(MessageDialog* dialog, gint response) {
  int32_t index = response - kResponseBase;
  if (index >= kDefaultActionButton && index <= kDefaultAlternateButton) return PressedCode(index);
  if (dialog->cancelButton.visible) return kPressedCancelButton;
  return PressedForDefault(dialog);
}

int32_t RunWindow(MessageDialog* dialog) {
  GtkWidget* window = BuildWindow(dialog);
  guint responderSource = gResponder.responder ? g_idle_add(AskResponder, window) : 0;
  gint response = gtk_dialog_run(GTK_DIALOG(window));
  GSource* pending = responderSource ? g_main_context_find_source_by_id(nullptr, responderSource)
                                     : nullptr;
  if (pending) g_source_destroy(pending);  // the dialog closed before the responder ran
  gtk_widget_destroy(window);
  return PressedFromResponse(dialog, response);
}

void WriteLine(const string& text) {
  if (text.IsEmpty()) return;
  string utf8 = ConvertToSystemEncoding(text);
  std::fwrite(utf8.CString(), 1, static_cast<size_t>(utf8.Length()), stderr);
  std::fputc('\n', stderr);
}

}  // namespace

void MessageDialogInitObject(void* storage) {
  auto* dialog = new (storage) MessageDialog{};
  dialog->actionButton = {dialog, string("OK"), true};
  dialog->cancelButton = {dialog, string("Cancel"), false};
  dialog->alternateButton = {dialog, string("Don't Save"), false};
  dialog->defaultButton = kNoDefaultButton;
}

int32_t MessageDialogRunModal(MessageDialog* dialog) {
  if (gdk_display_get_default()) return RunWindow(dialog);
  WriteLine(dialog->message);
  WriteLine(dialog->explanation);
  return PressedForDefault(dialog);
}

void MessageDialogDestroyObject(MessageDialog* dialog) { dialog->~MessageDialog(); }

void SetMessageDialogResponder(MessageDialogResponder responder, void* context) {
  gResponder = {responder, context};
}
