// The warnings and criticals that the toolkit's log domains (Pango, GTK, GDK, GLib, GObject,
// GIO, GdkPixbuf) print. Every test binary fails the running test on one
// (FailOnToolkitWarnings, from the test main): a toolkit that complains was handed something
// wrong. A test that provokes one on purpose catches it instead while a ToolkitWarnings lives,
// and asserts what it caught.
#pragma once

#include <glib.h>

#include <string>
#include <utility>
#include <vector>

namespace qvtest {

// The log domains of the toolkit's libraries.
inline constexpr const char* kToolkitLogDomains[] = {
    "Pango", "Gtk", "Gdk", "GdkPixbuf", "GLib", "GLib-GObject", "GLib-GIO"};

class ToolkitWarnings {
 public:
  ToolkitWarnings() {
    for (const char* domain : kToolkitLogDomains) {
      mHandlers.emplace_back(domain, g_log_set_handler(domain, kLevels, &Capture, this));
    }
  }
  ~ToolkitWarnings() {
    for (const auto& [domain, id] : mHandlers) g_log_remove_handler(domain, id);
  }
  ToolkitWarnings(const ToolkitWarnings&) = delete;
  ToolkitWarnings& operator=(const ToolkitWarnings&) = delete;

  // One line per message, "domain: message"; "" when there was none.
  std::string Text() const {
    std::string text;
    for (const std::string& message : mMessages) text += message + "\n";
    return text;
  }

 private:
  static constexpr GLogLevelFlags kLevels =
      GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL);
  static void Capture(const gchar* domain, GLogLevelFlags, const gchar* message, gpointer self) {
    static_cast<ToolkitWarnings*>(self)->mMessages.push_back(std::string(domain) + ": " +
                                                              message);
  }
  std::vector<std::pair<const char*, guint>> mHandlers;
  std::vector<std::string> mMessages;
};

// Makes a toolkit warning or critical that no ToolkitWarnings catches fail the running test
// (printed as before). The test main calls it.
void FailOnToolkitWarnings();

}  // namespace qvtest
