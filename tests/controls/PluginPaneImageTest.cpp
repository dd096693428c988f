// The plug-in control milestone, as a program: an image places two controls of a real plug-in
// (tests/plugins/pane) in a window. The version-8 control draws its bounds red with raw GDK
// through the Graphics it is handed; real pointer and key input reaches its entries in control
// coordinates (moves in window coordinates), and the plug-in raises the control's compiled
// event, whose handler prints what it heard. The version-7 control without a mouse-down entry
// passes its click to the window. Closing the window closes both panes, and the plug-in's
// library is closed last, at exit.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "SpawnedProcess.h"
#include "support/GuiDriver.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr int kDialLeft = 20, kDialTop = 20, kQuietLeft = 160;

class PluginPaneImage : public testing::Test {
 protected:
  virtual std::vector<std::string> Environment() { return {"HOME=" + home.path()}; }
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    app = std::make_unique<qvtest::SpawnedProcess>(
        qvtest::SpawnOptions{.program = PANEAPP_EXE, .environment = Environment()});
    ASSERT_TRUE(app->WaitForOutput("Ready\n")) << app->Output() << app->Errors();
    xid = gui.WaitForWindow("Plug-in panes");
    ASSERT_NE(xid, 0u);
    ASSERT_TRUE(gui.WaitForFocus(xid));
    ASSERT_TRUE(gui.PumpUntil([&] {
      const qvtest::ScreenArea area = gui.Area(xid);
      const qvtest::Screenshot dial =
          gui.Capture({area.x + kDialLeft, area.y + kDialTop, 100, 60});
      return dial.CountPixels(0xFF0000) == 100 * 60;
    })) << "entry 2 fills the control's bounds";
  }
  void XDoTool(const std::vector<std::string>& arguments) { gui.XDoTool(arguments); }
  std::vector<std::string> At(int x, int y) {
    const qvtest::ScreenArea area = gui.Area(xid);
    return {std::to_string(area.x + x), std::to_string(area.y + y)};
  }
  void MoveTo(int x, int y) {
    const std::vector<std::string> at = At(x, y);
    XDoTool({"mousemove", at[0], at[1]});
  }
  bool Heard(const std::string& line) { return app->WaitForOutput(line + "\n"); }

  qvtest::GuiDriver gui;
  qvtest::TempFolder home{"qvpanehome"};
  std::unique_ptr<qvtest::SpawnedProcess> app;
  qvtest::XWindow xid = 0;
};

TEST_F(PluginPaneImage, TheControlDrawsHearsInputAndIsUnloadedAfterItsWindowCloses) {
  EXPECT_NE(app->Output().find("9\n"), std::string::npos) << "entry 9 when the pane was made";
  EXPECT_TRUE(Heard("11")) << "the idle entry runs";

  MoveTo(kDialLeft + 10, kDialTop + 20);
  EXPECT_TRUE(Heard("16"));
  EXPECT_TRUE(Heard("18 30 40")) << "moves in window coordinates";
  XDoTool({"click", "1"});
  EXPECT_TRUE(Heard("3 10 20"));
  EXPECT_TRUE(Heard("5 10 20"));
  XDoTool({"click", "5"});
  EXPECT_TRUE(app->WaitForOutput("22 10 20 ")) << "the wheel, with its vertical delta";

  MoveTo(kDialLeft + 5, kDialTop + 5);
  XDoTool({"mousedown", "1"});
  EXPECT_TRUE(Heard("3 5 5"));
  MoveTo(kDialLeft + 40, kDialTop + 30);
  EXPECT_TRUE(Heard("4 40 30")) << "the main loop drags the capturing pane";
  XDoTool({"mouseup", "1"});
  EXPECT_TRUE(Heard("5 40 30"));

  // Entry 25 let the version-8 control take the focus when the window opened.
  EXPECT_TRUE(Heard("6"));
  XDoTool({"key", "k"});
  EXPECT_TRUE(Heard("8 k"));
  XDoTool({"key", "Tab"});
  EXPECT_TRUE(Heard("7")) << "entry 8 declines Tab, which moves the focus on";

  // The version-7 control has no mouse-down entry: the window hears the click.
  MoveTo(kQuietLeft + 10, kDialTop + 10);
  EXPECT_TRUE(Heard("17")) << "leaving the dial";
  XDoTool({"click", "1"});
  EXPECT_TRUE(Heard("window 170 30"));

  gui.Close(xid);
  ASSERT_TRUE(qvtest::ExitedWith(app->Finish(), 0)) << app->Errors();
  const std::string& out = app->Output();
  const size_t dialClosed = out.find("\n10\n");
  const size_t quietClosed = out.find("quiet 10\n");
  const size_t unloaded = out.find("library closed\n");
  ASSERT_NE(dialClosed, std::string::npos) << out;
  ASSERT_NE(quietClosed, std::string::npos) << out;
  ASSERT_NE(unloaded, std::string::npos) << out;
  EXPECT_LT(dialClosed, unloaded);
  EXPECT_LT(quietClosed, unloaded);
  EXPECT_EQ(out.find("\n10\n", dialClosed + 1), std::string::npos) << "entry 10 once: " << out;
  EXPECT_EQ(out.substr(unloaded), "library closed\n") << "nothing after the library closed";
}

// The plug-in reads pictures in a file format of its own, one for each pixel format with
// padded rows, builds each, locks it and compares the pixmap with the file; the quiet control
// draws the last one, format 4, at its top left.
class PluginPanePictures : public PluginPaneImage {
 protected:
  static constexpr int kWidth = 7, kHeight = 5, kPadding = 3;
  static constexpr int kBytesPerPixel[5] = {0, 3, 3, 4, 4};

  static uint32_t Colour(int format, int x, int y) {
    return (uint32_t(format * 50 + x * 29) & 0xFF) << 16 | (uint32_t(y * 47 + x * 3) & 0xFF) << 8 |
           (uint32_t(255 - x * 31 - y * 11 - format) & 0xFF);
  }
  // The pixel's bytes in format's order; the skipped byte of formats 3 and 4 is noise.
  static std::vector<uint8_t> Bytes(int format, uint32_t rgb) {
    const uint8_t r = rgb >> 16, g = rgb >> 8, b = rgb;
    switch (format) {
      case 1: return {r, g, b};
      case 2: return {b, g, r};
      case 3: return {0xA5, r, g, b};
      default: return {b, g, r, 0x5A};
    }
  }
  void WritePicture(int format) {
    const int32_t rowBytes = kWidth * kBytesPerPixel[format] + kPadding;
    const int32_t header[4] = {kWidth, kHeight, format, rowBytes};
    std::ofstream out(pictures.path() + "/format" + std::to_string(format) + ".pic",
                      std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    for (int y = 0; y < kHeight; ++y) {
      std::vector<uint8_t> row;
      for (int x = 0; x < kWidth; ++x) {
        const std::vector<uint8_t> pixel = Bytes(format, Colour(format, x, y));
        row.insert(row.end(), pixel.begin(), pixel.end());
      }
      row.resize(rowBytes, 0xEE);  // the padding, never read as pixels
      out.write(reinterpret_cast<const char*>(row.data()), row.size());
    }
  }
  std::vector<std::string> Environment() override {
    for (int format = 1; format <= 4; ++format) WritePicture(format);
    return {"HOME=" + home.path(), "PANEPLUGIN_PICTURES=" + pictures.path()};
  }

  qvtest::TempFolder pictures{"qvpanepictures"};
};

TEST_F(PluginPanePictures, APictureReadByThePlugInMatchesItsFileAndIsDrawnByTheControl) {
  for (int format = 1; format <= 4; ++format) {
    EXPECT_TRUE(Heard("picture " + std::to_string(format) + " matches 35 of 35"))
        << format << ": " << app->Output();
  }
  int differing = -1;
  EXPECT_TRUE(gui.PumpUntil([&] {
    const qvtest::ScreenArea area = gui.Area(xid);
    const qvtest::Screenshot shot =
        gui.Capture({area.x + kQuietLeft, area.y + kDialTop, kWidth, kHeight});
    if (shot.width() != kWidth || shot.height() != kHeight) return false;
    differing = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) differing += shot.Pixel(x, y) != Colour(4, x, y);
    return differing == 0;
  })) << differing << " pixels differ from the file";
  gui.Close(xid);
  ASSERT_TRUE(qvtest::ExitedWith(app->Finish(), 0)) << app->Errors();
}

// Quitting with a plug-in control's window open and a plug-in's database and RecordSet alive:
// the control's entries 10 and 1 run first, then the engine's cursor and database closes, then
// each library closes, the newest plug-in first; no plug-in code runs after its library went.
// The database was made inside the runtime plug-in with PluginNewInstance and
// QUORConstructDBDatabase over its own engine, and the image's SQL reached it.
std::string FileText(const std::string& path) {
  std::ifstream in(path);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(PluginUnloadImage, QuitClosesControlsThenDatabasesThenLibrariesNewestFirst) {
  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  qvtest::TempFolder home("qvunloadhome");
  const std::string log = home.path() + "/plugins.log";
  qvtest::SpawnedProcess app({.program = UNLOADAPP_EXE,
                              .environment = {"HOME=" + home.path(), "QVPLUGIN_LOG=" + log}});
  ASSERT_TRUE(app.WaitForOutput("Ready\n")) << app.Output() << app.Errors();
  EXPECT_NE(app.Output().find("error 0 row 7 Ann\n"), std::string::npos) << app.Output();
  EXPECT_TRUE(fs::exists(home.path() + "/.tmpAppData")) << "the plug-ins are installed there";
  const std::string beforeQuit = FileText(log);  // the SQL front end's own cursors came and went
  const qvtest::XWindow xid = gui.WaitForWindow("Plug-in unload");
  ASSERT_NE(xid, 0u);
  ASSERT_TRUE(gui.WaitForFocus(xid));
  const qvtest::ScreenArea area = gui.Area(xid);
  gui.Click(area.x + 200, area.y + 100);  // outside the control: the window quits

  ASSERT_TRUE(qvtest::ExitedWith(app.Finish(), 0)) << app.Errors();
  const std::string logged = FileText(log);
  ASSERT_EQ(logged.rfind(beforeQuit, 0), 0u) << logged;
  EXPECT_EQ(beforeQuit.find("dbClose"), std::string::npos) << beforeQuit;
  EXPECT_EQ(logged.substr(beforeQuit.size()),
            "dial 10\n"
            "dial 1\n"
            "curClose\n"
            "dbClose\n"
            "runtime library closed\n"
            "pane library closed\n");
  EXPECT_FALSE(fs::exists(home.path() + "/.tmpAppData")) << "the installed files went at exit";
  EXPECT_EQ(app.Errors(), "");
}

}  // namespace
