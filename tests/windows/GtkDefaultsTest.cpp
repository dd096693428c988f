// GTK functions found at run time, and the defaults read from GTK after it starts: a process of
// its own per gtkrc, since GTK reads its rc files once, when it initialises.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <fstream>

#include "graphics/PangoFonts.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"
#include "windows/GtkDefaults.h"
#include "windows/GtkSymbols.h"

namespace {

TEST(GtkDefaults, TheDesktopFontAndThemeColoursComeFromTheGtkrc) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  struct Case {
    const char* setting;
    const char* family;
    int size;
  };
  // A family of several words keeps its first; the size then does not read as a number.
  const Case cases[] = {{"Serif 12", "Serif", 12}, {"Bitstream Vera Sans 9", "Bitstream", 10}};
  qvtest::TempFolder folder;
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process that reads the rc file
  for (const Case& c : cases) {
    const std::string rc = folder / "gtkrc";
    std::ofstream(rc) << "gtk-font-name = \"" << c.setting << "\"\n"
                      << "style \"qv\" { bg[SELECTED] = \"#102030\" fg[INSENSITIVE] = \"#405060\" }\n"
                      << "class \"GtkWidget\" style \"qv\"\n";
    setenv("GTK2_RC_FILES", rc.c_str(), 1);
    const auto readDefaults = [&c] {
      const RGBColor16 selected = GetGtkStyleColor(kStyleSelectedBackground);
      const RGBColor16 insensitive = GetGtkStyleColor(kStyleInsensitiveForeground);
      const bool right = std::string(DesktopFontFamily().CString()) == c.family &&
                         DesktopFontSize() == c.size &&
                         selected == RGBColor16{0x1010, 0x2020, 0x3030} &&
                         insensitive == RGBColor16{0x4040, 0x5050, 0x6060};
      fprintf(stderr, "read %s %d\n", DesktopFontFamily().CString(), DesktopFontSize());
      std::exit(right ? 0 : 1);
    };
    EXPECT_EXIT(readDefaults(), testing::ExitedWithCode(0), "")
        << c.setting;
  }
  unsetenv("GTK2_RC_FILES");
  EXPECT_EQ(GetGtkStyleColor(7), (RGBColor16{0, 0, 0}));
}

// The settings are read when first needed, not at start-up: in a fresh process, whose start-up
// steps have run, the screen has no GtkSettings yet (GTK 2 keeps them on the screen under
// "gtk-settings") until the desktop font is asked for.
TEST(GtkDefaults, TheSettingsAreReadOnFirstUseNotAtStartUp) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto readOnFirstUse = [] {
    GObject* screen = G_OBJECT(gdk_screen_get_default());
    const bool before = g_object_get_data(screen, "gtk-settings") != nullptr;
    const bool named = !DesktopFontFamily().IsEmpty();
    const bool after = g_object_get_data(screen, "gtk-settings") != nullptr;
    std::exit(!before && named && after ? 0 : 1);
  };
  EXPECT_EXIT(readOnFirstUse(), testing::ExitedWithCode(0), "");
}

TEST(GtkSymbols, LookupsOpenEachLibraryOnceAndOnlyForItsKind) {
  const int32_t gtkOpens = GtkLibraryOpenCountForTesting(kGtkLibrary);
  const int32_t gdkOpens = GtkLibraryOpenCountForTesting(kGdkLibrary);
  EXPECT_EQ(LookupGtkSymbol(2, "gtk_init"), nullptr);
  EXPECT_EQ(LookupGtkSymbol(-1, "gtk_init"), nullptr);
  EXPECT_EQ(GtkLibraryOpenCountForTesting(kGtkLibrary), gtkOpens);
  EXPECT_EQ(GtkLibraryOpenCountForTesting(kGdkLibrary), gdkOpens);

  EXPECT_EQ(LookupGtkSymbol(kGtkLibrary, "gtk_no_such_function_at_all"), nullptr);
  EXPECT_EQ(LookupGtkSymbol(kGtkLibrary, "gtk_nor_this_one"), nullptr);
  EXPECT_EQ(GtkLibraryOpenCountForTesting(kGtkLibrary), 1);
  // The i386 library the framework links against, found by its base name.
  EXPECT_EQ(LookupGtkSymbol(kGtkLibrary, "gtk_window_fullscreen"),
            qvtest::FunctionInLibrary("libgtk-x11-2.0.so.0", "gtk_window_fullscreen"));
  EXPECT_EQ(LookupGtkSymbol(kGdkLibrary, "gdk_window_fullscreen"),
            qvtest::FunctionInLibrary("libgdk-x11-2.0.so.0", "gdk_window_fullscreen"));
  EXPECT_EQ(GtkLibraryOpenCountForTesting(kGtkLibrary), 1);
}

TEST(GtkSymbols, ANameMissingOnceStaysMissingForItsCaller) {
  OptionalGtkFunction fullscreen("gtk_window_unfullscreen");
  HideGtkSymbolForTesting("gtk_window_unfullscreen");
  EXPECT_EQ(fullscreen.Get(), nullptr);
  HideGtkSymbolForTesting(nullptr);
  EXPECT_EQ(fullscreen.Get(), nullptr);  // not looked up again
  EXPECT_NE(LookupGtkSymbol(kGtkLibrary, "gtk_window_unfullscreen"), nullptr);
  OptionalGtkFunction present("gtk_window_unfullscreen");
  EXPECT_EQ(reinterpret_cast<void*>(present.As<void (*)(GtkWindow*)>()),
            qvtest::FunctionInLibrary("libgtk-x11-2.0.so.0", "gtk_window_unfullscreen"));
}

TEST(GtkDefaults, TheMainScreenDepthIsTheDisplays) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  EXPECT_EQ(GetMainScreenDepth(), gdk_drawable_get_depth(gdk_get_default_root_window()));
  EXPECT_EQ(GetMainScreenDepth(), 24);  // scripts/with-display's screen
}

}  // namespace
