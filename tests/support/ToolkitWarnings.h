// The warnings and criticals that the toolkit's log domains (Pango, GTK, GDK, GLib, GObject)
// print while one lives, caught instead of printed, for a test to assert that there were none.
#pragma once

#include <glib.h>

#include <string>
#include <utility>
#include <vector>

namespace qvtest {

class ToolkitWarnings {
 public:
  ToolkitWarnings() {
    for (const char* domain : {"Pango", "Gtk", "Gdk", "GLib", "GLib-GObject"}) {
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

}  // namespace qvtest
