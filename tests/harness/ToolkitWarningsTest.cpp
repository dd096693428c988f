// A toolkit critical fails the running test unless a ToolkitWarnings catches it; messages of
// other domains, and below warning, pass as before.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <pango/pango.h>

#include "support/ToolkitWarnings.h"

namespace {

// Pango asked for the font of no layout, as a test once did for a Graphics without a target.
void AskNoLayoutForItsFont() { pango_layout_get_font_description(nullptr); }

TEST(ToolkitWarnings, AnUncaughtCriticalFailsTheTest) {
  EXPECT_NONFATAL_FAILURE(AskNoLayoutForItsFont(),
                          "the toolkit complained: Pango: pango_layout_get_font_description");
  EXPECT_NONFATAL_FAILURE(g_log("GLib-GObject", G_LOG_LEVEL_WARNING, "a warning"),
                          "the toolkit complained: GLib-GObject: a warning");
}

TEST(ToolkitWarnings, ACaughtCriticalIsTheCatchersAlone) {
  qvtest::ToolkitWarnings warnings;
  AskNoLayoutForItsFont();
  EXPECT_NE(warnings.Text().find("Pango: pango_layout_get_font_description: assertion"),
            std::string::npos)
      << warnings.Text();
}

TEST(ToolkitWarnings, OtherDomainsAndLesserLevelsPass) {
  g_log("QvElsewhere", G_LOG_LEVEL_WARNING, "not the toolkit's");
  g_log("Gtk", G_LOG_LEVEL_MESSAGE, "a message, no complaint");
  g_log("Pango", G_LOG_LEVEL_DEBUG, "debugging");
  EXPECT_FALSE(HasFailure());
}

}  // namespace
