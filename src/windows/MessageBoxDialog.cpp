#include "windows/MessageBoxDialog.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <new>

#include "core/ToolkitContext.h"
#include "strings/TextEncoding.h"

namespace {

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

// GTK's message types carry the stock icons; OTHER shows none (also for unknown values).
GtkMessageType MessageTypeOfIcon(int32_t icon) {
  switch (icon) {
    case kMessageDialogInformationIcon:
      return GTK_MESSAGE_INFO;
    case kMessageDialogWarningIcon:
      return GTK_MESSAGE_WARNING;
    case kMessageDialogErrorIcon:
      return GTK_MESSAGE_ERROR;
    case kMessageDialogQuestionIcon:
      return GTK_MESSAGE_QUESTION;
    default:
      return GTK_MESSAGE_OTHER;
  }
}

GtkWidget* BuildWindow(MessageDialog* dialog) {
  gchar* message = ToolkitText(dialog->message);
  GtkWidget* window = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL,
                                             MessageTypeOfIcon(dialog->icon), GTK_BUTTONS_NONE,
                                             "%s", message);
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

int32_t PressedFromResponse(MessageDialog* dialog, gint response) {
  int32_t index = response - kResponseBase;
  if (index >= kDefaultActionButton && index <= kDefaultAlternateButton) return PressedCode(index);
  if (dialog->cancelButton.visible) return kPressedCancelButton;
  return PressedForDefault(dialog);
}

int32_t RunWindow(MessageDialog* dialog) {
  GtkWidget* window = BuildWindow(dialog);
  ScopedToolkitContext context;
  gint response = gtk_dialog_run(GTK_DIALOG(window));
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
  dialog->icon = kMessageDialogInformationIcon;
}

int32_t MessageDialogRunModal(MessageDialog* dialog) {
  if (gdk_display_get_default()) return RunWindow(dialog);
  WriteLine(dialog->message);
  WriteLine(dialog->explanation);
  return PressedForDefault(dialog);
}

void MessageDialogDestroyObject(MessageDialog* dialog) { dialog->~MessageDialog(); }
