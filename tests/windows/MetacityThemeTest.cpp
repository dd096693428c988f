// Window frames through the theme library, here a stand-in that records its calls: which theme
// is loaded from the GTK theme's folder, what is passed to draw and measure a frame, the size
// and backdrop of the picture made, and every failure answering nil and false after the one
// attempt of the process. Each case runs in a child process of its own, as the attempt is.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "PaneFixtures.h"
#include "core/LibraryFinder.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/Drawable.h"
#include "graphics/PictureClass.h"
#include "support/ChildLimits.h"
#include "support/GuiDriver.h"
#include "support/TempFolder.h"
#include "windows/MetacityTheme.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLeft = 3, kRight = 4, kTop = 20, kBottom = 5;  // the stand-in's borders

class MetacityTheme : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    GTEST_FLAG_SET(death_test_style, "threadsafe");  // a process that has not tried yet
  }
  // The GTK theme name, the folders under a temporary GTK_DATA_PREFIX, the record and the
  // library the finder's listing names (nil: none).
  void UseTheme(const char* gtkTheme, const char* library) {
    setenv("GTK_DATA_PREFIX", temp.path().c_str(), 1);
    setenv("QVTEST_METACITY_RECORD", (temp / "record").c_str(), 1);
    gtk_settings_set_string_property(gtk_settings_get_default(), "gtk-theme-name", gtkTheme,
                                     "test");
    const std::string line = library ? std::string("\tlibmetacity-private.so (libc6) => ") + library
                                     : std::string();
    SetLibraryListingProgramForTesting({"/bin/echo", line});
  }
  std::string ThemeFolder(const char* name) {
    const std::string folder = temp / ("share/themes/" + std::string(name));
    fs::create_directories(folder);
    return folder;
  }
  std::string Record() {
    std::ifstream file(temp / "record");
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }
  // The window in front, shown.
  bool OpenWindow() {
    window = new qvtest::TestWindow(200, 100);
    return window->ShowAndSettle(gui);
  }
  // Exits with 0 when ok, else prints why and exits with 1.
  [[noreturn]] void Finish(bool ok) {
    if (!ok) fprintf(stderr, "record:\n%s\n", Record().c_str());
    std::exit(ok ? 0 : 1);
  }

  qvtest::GuiDriver gui;
  qvtest::TempFolder temp{"qvtheme"};
  qvtest::TestWindow* window = nullptr;
};

bool Has(const std::string& text, const std::string& part) {
  const bool found = text.find(part) != std::string::npos;
  if (!found) fprintf(stderr, "missing: %s\n", part.c_str());
  return found;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

uint32_t PixelAt(DrawablePane* frame, int x, int y) {
  GdkPixbuf* pixels = frame->GetPixbuf();
  if (!pixels) return 0xFFFFFFFF;
  const guchar* p = gdk_pixbuf_get_pixels(pixels) + y * gdk_pixbuf_get_rowstride(pixels) +
                    x * gdk_pixbuf_get_n_channels(pixels);
  return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

RuntimeObject* RedPicture(int width, int height) {
  GdkPixbuf* pixels = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
  gdk_pixbuf_fill(pixels, 0xFF000000);
  return NewPictureWithImage(pixels);
}

// The theme folder holds metacity-1/metacity-theme-1.xml: the GTK theme's name is loaded, once.
TEST_F(MetacityTheme, AThemeFolderWithItsFileLoadsTheGtkThemesName) {
  const auto run = [this] {
    fs::create_directories(ThemeFolder("Plain") + "/metacity-1");
    std::ofstream(ThemeFolder("Plain") + "/metacity-1/metacity-theme-1.xml") << "<x/>";
    UseTheme("Plain", THEME_STANDIN_FULL);
    int left = 0, right = 0, top = 0, bottom = 0;
    bool ok = OpenWindow() && MetacityGetFrameBorders(0, &left, &right, &top, &bottom) &&
              left == kLeft && right == kRight && top == kTop && bottom == kBottom;
    DrawablePane* full = MetacityDrawWindowFrame(string("Title"), 100, 50, kMetacityFrameUtility,
                                                 {true, true, true, true}, nullptr, false);
    DrawablePane* bare = MetacityDrawWindowFrame(string("Bare"), 10, 10, kMetacityFrameNormal,
                                                 {}, nullptr, false);
    ok = ok && full && full->Width() == 100 + kLeft + kRight &&
         full->Height() == 50 + kTop + kBottom && bare && PixelAt(bare, 0, 0) == 0x0000FF;
    const std::string record = Record();
    ok = ok && Count(record, "load ") == 1 && Has(record, "load Plain") &&
         Has(record, "borders type=0 text=1 flags=0x1\n") &&
         Has(record, "draw type=3 flags=0xc7f client=100x50 surface=107x75 title=Title widget=1 "
                     "clip=0 at=0,0 left=0,4,4,4 right=1,2,3,4 states=0") &&
         Has(record, "draw type=0 flags=0xc42 client=10x10 surface=17x35 title=Bare widget=1 "
                     "clip=0 at=0,0 left=0,4,4,4 right=4,4,4,4 states=0");
    if (full) full->Release();
    if (bare) bare->Release();
    Finish(ok && Count(record, "get_current") == 0 && Count(record, "set_current") == 0);
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(0), "");
}

// Without the file, the last MetacityTheme line of index.theme names the theme, its key in any
// case.
TEST_F(MetacityTheme, IndexThemeNamesTheThemeItsLastKeyWinning) {
  const auto run = [this] {
    std::ofstream(ThemeFolder("Indexed") + "/index.theme")
        << "[X-GNOME-Metatheme]\nName=Indexed\nmetacitytheme=First\nMetacityTHEME=Last\n";
    UseTheme("Indexed", THEME_STANDIN_FULL);
    const bool loaded = MetacityLoadTheme() && MetacityLoadTheme();
    const std::string record = Record();
    Finish(loaded && Count(record, "load ") == 1 && Has(record, "load Last\n"));
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(0), "");
}

// An index.theme that is no small text, here an endless device, is read no further than an
// index needs: it names no theme, and the process does not run out of memory over it.
TEST_F(MetacityTheme, AnEndlessIndexThemeNamesNoTheme) {
  const auto run = [this] {
    fs::create_symlink("/dev/zero", ThemeFolder("Endless") + "/index.theme");
    UseTheme("Endless", THEME_STANDIN_FULL);
    InstallOutOfMemoryNewHandler();
    const bool limited = qvtest::LimitAddressSpace(96 << 20);
    Finish(limited && !MetacityLoadTheme() && Count(Record(), "load ") == 0);
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(0), "");
}

// A backdrop is cut to the client area, or stretched over it.
TEST_F(MetacityTheme, BackdropsAreCutOrStretchedIntoTheClientArea) {
  const auto run = [this] {
    fs::create_directories(ThemeFolder("Plain") + "/metacity-1");
    std::ofstream(ThemeFolder("Plain") + "/metacity-1/metacity-theme-1.xml") << "<x/>";
    UseTheme("Plain", THEME_STANDIN_FULL);
    RuntimeObject* large = RedPicture(300, 300);
    RuntimeObject* small = RedPicture(10, 10);
    RuntimeObject* empty = NewObjectFromDefinition(PictureClassDefinition());  // no pixels
    bool ok = OpenWindow();
    DrawablePane* cut = MetacityDrawWindowFrame(string("Cut"), 100, 50, 0, {}, large, false);
    DrawablePane* kept = MetacityDrawWindowFrame(string("Kept"), 100, 50, 0, {}, small, false);
    DrawablePane* stretched = MetacityDrawWindowFrame(string("S"), 100, 50, 0, {}, small, true);
    DrawablePane* ignored = MetacityDrawWindowFrame(string("E"), 100, 50, 0, {}, empty, true);
    ok = ok && cut && kept && stretched && ignored;
    ok = ok && PixelAt(cut, kLeft + 99, kTop + 49) == 0xFF0000 &&
         PixelAt(cut, kLeft + 100, kTop + 10) == 0x0000FF &&  // the right border stays
         PixelAt(cut, kLeft + 10, kTop + 50) == 0x0000FF &&   // the bottom border stays
         PixelAt(kept, kLeft + 9, kTop + 9) == 0xFF0000 &&
         PixelAt(kept, kLeft + 10, kTop + 10) == 0x0000FF &&  // its own pixel size
         PixelAt(stretched, kLeft + 99, kTop + 49) == 0xFF0000 &&
         PixelAt(ignored, kLeft + 50, kTop + 25) == 0x0000FF;
    for (DrawablePane* frame : {cut, kept, stretched, ignored}) {
      if (frame) frame->Release();
    }
    Finish(ok);
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(0), "");
}

// A loaded theme with no window in front, and sizes no frame can have: nil and false.
TEST_F(MetacityTheme, NoWindowOrNoSizeGivesNoFrame) {
  const auto run = [this] {
    fs::create_directories(ThemeFolder("Plain") + "/metacity-1");
    std::ofstream(ThemeFolder("Plain") + "/metacity-1/metacity-theme-1.xml") << "<x/>";
    UseTheme("Plain", THEME_STANDIN_FULL);
    int left = -1, right = -1, top = -1, bottom = -1;
    bool ok = MetacityLoadTheme() &&
              !MetacityGetFrameBorders(0, &left, &right, &top, &bottom) &&
              left == -1 && bottom == -1 &&
              !MetacityDrawWindowFrame(string("T"), 100, 50, 0, {}, nullptr, false);
    ok = ok && OpenWindow() &&
         !MetacityDrawWindowFrame(string("T"), 0, 50, 0, {}, nullptr, false) &&
         !MetacityDrawWindowFrame(string("T"), 100, -3, 0, {}, nullptr, false) &&
         !MetacityDrawWindowFrame(string("T"), 31999, 50, 0, {}, nullptr, false);
    Finish(ok && Count(Record(), "draw ") == 0);
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(0), "");
}

// A library lacking a function, no library, and a theme that fails to load: nil and false on
// every call, after one search.
TEST_F(MetacityTheme, EveryFailureIsFinal) {
  const auto failing = [this](const char* theme, const char* library) {
    fs::create_directories(ThemeFolder("Plain") + "/metacity-1");
    std::ofstream(ThemeFolder("Plain") + "/metacity-1/metacity-theme-1.xml") << "<x/>";
    std::ofstream(ThemeFolder("Gone") + "/index.theme") << "MetacityTheme=Missing\n";
    UseTheme(theme, library);
    int left = -1, right = -1, top = -1, bottom = -1;
    bool ok = OpenWindow();
    for (int call = 0; call < 2; ++call) {
      ok = ok && !MetacityLoadTheme() &&
           !MetacityGetFrameBorders(0, &left, &right, &top, &bottom) && left == -1 &&
           !MetacityDrawWindowFrame(string("T"), 100, 50, 0, {}, nullptr, false);
      // The library is not sought again: a listing that would now find it changes nothing.
      SetLibraryListingProgramForTesting({"/bin/echo", std::string("\tlibmetacity-private.so => ") +
                                                           THEME_STANDIN_FULL});
    }
    Finish(ok && Count(Record(), "borders") == 0 && Count(Record(), "load ") <= 1);
  };
  EXPECT_EXIT(failing("Plain", THEME_STANDIN_SHORT), testing::ExitedWithCode(0), "");
  EXPECT_EXIT(failing("Plain", nullptr), testing::ExitedWithCode(0), "");
  EXPECT_EXIT(failing("Gone", THEME_STANDIN_FULL), testing::ExitedWithCode(0), "");
}

}  // namespace
