#include "core/RuntimeError.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>

#include "core/ToolkitContext.h"

namespace {

RuntimeErrorReportHookSlot gReportHook = {nullptr, nullptr};

const char* const kErrorTexts[] = {
    "Plugin TOC Load Failure",
    "Invalid Class Definition",
    "Unknown Class",
    "Failed Assertion",
    "Unable to Write to Handle",
    "CarbonLib 1.1 or Later Required",
    "Cannot Connect to Debugger",
    "Unhandled Exception",
};

const char* OrEmpty(const char* text) { return text ? text : ""; }

// The dialog needs GTK initialised and a display; gtk_init_check leaves a default display
// only when both hold.
bool CanShowDialog() { return gdk_display_get_default() != nullptr; }

// Returns true when the person chose to continue.
bool RunReportDialog(const std::string& text) {
  // GTK shows nothing of a label that is not UTF-8, and extra texts carry whatever the caller
  // had; the text goes in as an argument, never as the format, as it may hold '%'.
  gchar* shown = g_utf8_make_valid(text.c_str(), -1);
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                             GTK_BUTTONS_OK_CANCEL, "%s", shown);
  g_free(shown);
  gtk_window_set_title(GTK_WINDOW(dialog), "Runtime Error");
  ScopedToolkitContext context;
  gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  return response != GTK_RESPONSE_CANCEL;
}

}  // namespace

extern "C" const char* RuntimeErrorText(int16_t code) {
  if (code < 1 || code > 8) return nullptr;
  return kErrorTexts[code - 1];
}

std::string FormatRuntimeErrorReport(int16_t code, const char* sourcePath, int32_t line,
                                     const char* condition, const char* extra) {
  const char* codeText = RuntimeErrorText(code);
  char* text = g_strdup_printf(
      "Runtime Error %d: %s\nPress OK to Continue\nPress Cancel to Quit.\n\n"
      "Please report what caused this error\nalong with the information below.\n\n"
      "%s: %d\nFailure Condition: %s\n%s",
      static_cast<int>(code), codeText ? codeText : "Unknown Error", OrEmpty(sourcePath),
      static_cast<int>(line), OrEmpty(condition), OrEmpty(extra));
  std::string result(text);
  g_free(text);
  return result;
}

RuntimeErrorReportHookSlot SetRuntimeErrorReportHook(RuntimeErrorReportHook hook,
                                                     void* context) {
  RuntimeErrorReportHookSlot previous = gReportHook;
  gReportHook = {hook, context};
  return previous;
}

extern "C" void ReportRuntimeError(uint32_t kind, int16_t code, const char* sourcePath,
                                   int32_t line, const char* condition, const char* extra) {
  if (gReportHook.hook) {
    RuntimeErrorReportInfo info = {kind, code, sourcePath, line, condition, extra};
    gReportHook.hook(info, gReportHook.context);
    return;
  }
  std::string text = FormatRuntimeErrorReport(code, sourcePath, line, condition, extra);
  if (!CanShowDialog()) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    return;
  }
  if (!RunReportDialog(text)) std::exit(0);
}
