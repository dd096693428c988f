// The packed picture application (tests/images/graphics/pictureapp.c) run as a program of its
// own, from a folder of its own, with the stand-in print library on its LD_LIBRARY_PATH: its
// compiled code draws into a new Picture, sets pixels, flood-fills and transforms it, saves it
// as a BMP file, reads the file back and prints two pages. The file read with GdkPixbuf, the
// values the program prints and the stand-in's page images equal, pixel for pixel, the same
// drawing made here through the same exports; the probed pixels also have the colours worked
// out by hand.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "SpawnedProcess.h"
#include "StandinPages.h"
#include "arrays/ArrayElementAccess.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/Drawable.h"
#include "graphics/GraphicsClass.h"
#include "graphics/PictureClass.h"
#include "graphics/RGBSurface.h"
#include "support/TempFolder.h"

namespace {

using Point = std::pair<int32_t, int32_t>;

// The probes of the program and the colours its drawing leaves there: drawn colours sent
// through the channel maps (red inverted, green kept, blue halved), the blue box drawn after.
const std::map<Point, uint32_t> kProbeColours = {
    {{0, 0}, 0x00FF7F},   // white
    {{5, 5}, 0xFF0000},   // the black frame
    {{10, 10}, 0xFFFF00}, // the green fill inside it
    {{40, 15}, 0x000000}, // the red oval
    {{2, 35}, 0xED342B},  // Graphics.Pixel 123456
    {{3, 36}, 0x54CD77},  // RGBSurface.Pixel ABCDEF
    {{45, 32}, 0x0000FF}, // the box drawn after the transform
    {{59, 39}, 0x00FF7F}, // white
    {{30, 30}, 0x000000}, // the red line
};

// A page of 300 x 200 points with margins 36, 30, 24, 20 and no resolution: 240 x 150 pixels.
const char* const kConfig =
    "[Config]\n"
    "Settings.Document.Page.Margins.Left=36 pt\n"
    "Settings.Document.Page.Margins.Top=30 pt\n"
    "Settings.Document.Page.Margins.Right=24 pt\n"
    "Settings.Document.Page.Margins.Bottom=20 pt\n"
    "Settings.Output.Media.PhysicalSize.Width=300 pt\n"
    "Settings.Output.Media.PhysicalSize.Height=200 pt\n";
constexpr int kPageWidth = 240;
constexpr int kPageHeight = 150;

RuntimeArray* Map(uint32_t (*table)(uint32_t)) {
  RuntimeArray* map = CreateArray(1, kArrayInt32, 255);
  for (uint32_t i = 0; i < 256; ++i) ArraySetElement(map, int32_t(i), table(i));
  return map;
}

// The program's drawing, through the same exports.
RuntimeObject* Drawing() {
  RuntimeObject* picture = NewObjectFromDefinition(PictureClassDefinition());
  PictureConstructor(picture, 60, 40, 32);
  RuntimeObject* g = pictureGraphicsGetter(picture, 0);
  graphicsForeColorSetter(g, 0, 0xFFFFFF);
  RuntimeGraphicsFillRect(g, 0, 0, 60, 40);
  graphicsForeColorSetter(g, 0, 0x000000);
  RuntimeGraphicsDrawRect(g, 5, 5, 20, 15);
  graphicsForeColorSetter(g, 0, 0xFF0000);
  RuntimeGraphicsFillOval(g, 30, 5, 25, 20);
  RuntimeGraphicsDrawLine(g, 0, 30, 59, 30);
  graphicsPixelSetter(g, 2, 35, 0x123456);
  RuntimeObject* surface = pictureRGBSurfaceGetter(picture, 0);
  rgbSurfaceSetPixel(surface, 3, 36, 0xABCDEF);
  rgbSurfaceSeedFill(surface, 10, 10, 0x00FF00);
  RuntimeArray* red = Map([](uint32_t i) { return 255 - i; });
  RuntimeArray* green = Map([](uint32_t i) { return i; });
  RuntimeArray* blue = Map([](uint32_t i) { return i / 2; });
  rgbSurfaceTransformRGB(surface, red, green, blue);
  for (RuntimeArray* map : {red, green, blue}) RuntimeUnlockArray(map);
  RuntimeUnlockObject(surface);
  graphicsForeColorSetter(g, 0, 0x0000FF);
  RuntimeGraphicsFillRect(g, 40, 30, 10, 5);
  RuntimeUnlockObject(g);
  return picture;
}

// RGB rows of the picture, read through its RGBSurface.
std::string RowsOfPicture(RuntimeObject* picture) {
  RuntimeObject* surface = pictureRGBSurfaceGetter(picture, 0);
  std::string rgb;
  for (int y = 0; y < pictureHeightGetter(picture, 0); ++y) {
    for (int x = 0; x < pictureWidthGetter(picture, 0); ++x) {
      const uint32_t colour = rgbSurfaceGetPixel(surface, x, y);
      rgb += char(colour >> 16);
      rgb += char(colour >> 8);
      rgb += char(colour);
    }
  }
  RuntimeUnlockObject(surface);
  return rgb;
}

// The program's page on an off-screen surface of the page's size, as RGB rows.
std::string OffscreenPage(RuntimeObject* picture, int page) {
  auto* pane = new DrawablePane(QV::Point{0, 0}, QV::Point{kPageHeight, kPageWidth}, 32);
  RuntimeObject* g = NewGraphicsObject(pane->NewGraphics());
  graphicsForeColorSetter(g, 0, 0x204080);
  RuntimeGraphicsDrawRect(g, 0, 0, kPageWidth, kPageHeight);
  if (page == 1) {
    RuntimeGraphicsDrawPicture(g, picture, 10, 10, 60, 40, 0, 0, 60, 40);
    RuntimeGraphicsDrawString(g, string("Page one").Storage(), 80, 30, 0);
  } else {
    RuntimeGraphicsDrawPicture(g, picture, 5, 5, 120, 80, 0, 0, 60, 40);
    RuntimeGraphicsDrawString(g, string("Page two").Storage(), 130, 60, 0);
  }
  RuntimeUnlockObject(g);
  GdkPixbuf* pixels = pane->GetPixbuf();
  std::string rgb = pixels ? qvtest::RgbRows(pixels) : std::string();
  pane->Release();
  return rgb;
}

// The lines of output that start with label, as their hexadecimal numbers.
std::vector<std::vector<uint32_t>> Printed(const std::string& output, const std::string& label) {
  std::vector<std::vector<uint32_t>> found;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word != label) continue;
    std::vector<uint32_t> numbers;
    while (words >> word) numbers.push_back(uint32_t(std::strtoul(word.c_str(), nullptr, 16)));
    found.push_back(numbers);
  }
  return found;
}

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(PictureMilestone, CompiledCodeDrawsSavesReadsAndPrintsAPicture) {
  qvtest::TempFolder out{"qvpicture"};
  {
    std::ofstream config(out / "config.ini");
    config << kConfig;
  }
  // Relative paths start at the application's folder: the program runs from a copy in out.
  const std::string program = out / "pictureapp";
  std::filesystem::copy_file(PICTUREAPP_EXE, program);
  qvtest::SpawnedProcess app({.program = program,
                              .folder = out.path(),
                              .environment = {"LD_LIBRARY_PATH=" STANDIN_FULL_DIR,
                                              "QVTEST_PRINT_OUT=" + out.path(),
                                              "QVTEST_PRINT_CONFIG=" + (out / "config.ini")},
                              .unset = {"LD_LIBRARY_PATH"}});
  ASSERT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Output() << app.Errors();
  const std::string& output = app.Output();
  ASSERT_NE(output.find("Done\n"), std::string::npos) << output << app.Errors();
  EXPECT_EQ(output.find("No "), std::string::npos) << output;

  RuntimeObject* drawing = Drawing();
  const std::string drawn = RowsOfPicture(drawing);

  // The file: a 24-bit BMP of 54 + 180 x 40 bytes that GdkPixbuf reads as the drawing.
  const std::string bmp = out / "drawn.bmp";
  struct stat info = {};
  ASSERT_EQ(stat(bmp.c_str(), &info), 0);
  EXPECT_EQ(info.st_size, 54 + 180 * 40);
  GError* error = nullptr;
  GdkPixbuf* file = gdk_pixbuf_new_from_file(bmp.c_str(), &error);
  ASSERT_NE(file, nullptr) << (error ? error->message : "");
  EXPECT_EQ(gdk_pixbuf_get_width(file), 60);
  EXPECT_EQ(gdk_pixbuf_get_height(file), 40);
  EXPECT_TRUE(qvtest::RgbRows(file) == drawn) << "the saved file is the drawing";
  g_object_unref(file);

  // The values read back: the size, then each probe as drawn here and as worked out.
  EXPECT_EQ(Printed(output, "Size"), (std::vector<std::vector<uint32_t>>{{60, 40}}));
  const auto pixels = Printed(output, "Pixel");
  ASSERT_EQ(pixels.size(), kProbeColours.size()) << output;
  RuntimeObject* surface = pictureRGBSurfaceGetter(drawing, 0);
  for (const std::vector<uint32_t>& probe : pixels) {
    ASSERT_EQ(probe.size(), 3u) << output;
    const Point at{int32_t(probe[0]), int32_t(probe[1])};
    ASSERT_EQ(kProbeColours.count(at), 1u) << at.first << "," << at.second;
    EXPECT_EQ(probe[2], kProbeColours.at(at)) << at.first << "," << at.second;
    EXPECT_EQ(probe[2], rgbSurfaceGetPixel(surface, at.first, at.second));
  }
  RuntimeUnlockObject(surface);

  // Two pages of one job, each the page drawn here with this process's picture.
  EXPECT_EQ(Printed(output, "Page"),
            (std::vector<std::vector<uint32_t>>{{kPageWidth, kPageHeight},
                                                {kPageWidth, kPageHeight}}));
  const std::string log = Contents(out / "calls.log");
  EXPECT_NE(log.find("job_print 1\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("job_print 2"), std::string::npos) << log;
  for (int page = 1; page <= 2; ++page) {
    int width = 0, height = 0;
    const std::string printed =
        qvtest::ReadStandinPage(out / ("page-" + std::to_string(page) + ".ppm"), &width, &height);
    ASSERT_EQ(width, kPageWidth) << "page " << page;
    ASSERT_EQ(height, kPageHeight) << "page " << page;
    EXPECT_TRUE(printed == OffscreenPage(drawing, page)) << "page " << page;
  }
  EXPECT_FALSE(std::ifstream(out / "page-3.ppm").good());
  RuntimeUnlockObject(drawing);
}

}  // namespace
