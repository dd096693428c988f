// The printing cases that need the print library: run by test_printing in a child process
// whose LD_LIBRARY_PATH holds the stand-in library (tests/plugins/gnomeprint), one case a run.
// The stand-in reads the configuration this process writes and records every call and every
// page's image in a folder of this process.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../../app/ThreadTestSupport.h"
#include "app/MainLoop.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/Drawable.h"
#include "graphics/GTKPrintHelper.h"
#include "graphics/GraphicsClass.h"
#include "graphics/PrinterSetupClass.h"
#include "../StandinPages.h"
#include "support/GuiDriver.h"
#include "support/TempFolder.h"

namespace {

using Lines = std::vector<std::string>;
using Keys = std::map<std::string, std::string>;

const char* const kLeft = "Settings.Document.Page.Margins.Left";
const char* const kTop = "Settings.Document.Page.Margins.Top";
const char* const kRight = "Settings.Document.Page.Margins.Right";
const char* const kBottom = "Settings.Document.Page.Margins.Bottom";
const char* const kPaperWidth = "Settings.Output.Media.PhysicalSize.Width";
const char* const kPaperHeight = "Settings.Output.Media.PhysicalSize.Height";
const char* const kDpiX = "Settings.Output.Resolution.DPI.X";
const char* const kDpiY = "Settings.Output.Resolution.DPI.Y";
const char* const kCopies = "Settings.Output.Job.NumCopies";

// A page of whole points: 300 x 200 with margins 36, 30, 24, 20.
const Keys kPointPaper = {{kLeft, "36 pt"},         {kTop, "30 pt"},
                          {kRight, "24 pt"},        {kBottom, "20 pt"},
                          {kPaperWidth, "300 pt"},  {kPaperHeight, "200 pt"}};

RuntimeObject* NewPrinterSetup() {
  return NewObjectFromDefinition(PrinterSetupClassDefinition());
}

int32_t Metric(RuntimeObject* setup, uint32_t index) { return printerSetupInfoGetter(setup, index); }

// The stand-in's folder and configuration, fresh for each case.
class PrintingChild : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QVTEST_PRINT_OUT", out.path().c_str(), 1);
    setenv("QVTEST_PRINT_CONFIG", (out / "config.ini").c_str(), 1);
  }

  void WriteConfig(const Keys& keys) {
    std::ofstream file(out / "config.ini");
    file << "[Config]\n";
    for (const auto& [key, value] : keys) file << key << "=" << value << "\n";
  }
  Lines Log() const {
    Lines lines;
    std::ifstream file(out / "calls.log");
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }
  // The log's lines that start with prefix, the prefix taken off.
  Lines Logged(const std::string& prefix) const {
    Lines found;
    for (const std::string& line : Log()) {
      if (line.rfind(prefix, 0) == 0) found.push_back(line.substr(prefix.size()));
    }
    return found;
  }
  bool WasLogged(const std::string& line) const {
    for (const std::string& logged : Log()) {
      if (logged == line) return true;
    }
    return false;
  }
  // A page's image as RGB rows; empty when the stand-in wrote none.
  std::string Page(const std::string& name, int* width, int* height) const {
    return qvtest::ReadStandinPage(out / ("page-" + name + ".ppm"), width, height);
  }

  qvtest::TempFolder out{"qvprint"};
};

// The points of a length key of kPointPaper.
double Points(const Keys& keys, const char* key) { return std::stod(keys.at(key)); }

// A drawing that differs from page to page: rectangles, an oval, a line and a text.
void DrawScene(RuntimeObject* g, int page) {
  graphicsForeColorSetter(g, 0, 0x2060A0u + uint32_t(page) * 0x301000u);
  RuntimeGraphicsFillRect(g, 3 * page, 5, 40 + 7 * page, 30);
  graphicsForeColorSetter(g, 0, 0xC02010);
  RuntimeGraphicsFillOval(g, 50, 10 + 4 * page, 31, 23);
  RuntimeGraphicsDrawLine(g, 0, 0, 120, 60 + page);
  graphicsForeColorSetter(g, 0, 0x000000);
  string text(("Page " + std::to_string(page)).c_str());
  RuntimeGraphicsDrawString(g, text.Storage(), 10, 70, 0);
}

// The same drawing on an off-screen surface of the page's size, as RGB rows.
std::string OffscreenScene(int width, int height, int page) {
  DrawablePane* pane = new DrawablePane(QV::Point{0, 0}, QV::Point{height, width}, 32);
  RuntimeObject* g = NewGraphicsObject(pane->NewGraphics());
  DrawScene(g, page);
  RuntimeUnlockObject(g);
  GdkPixbuf* pixels = pane->GetPixbuf();
  std::string rgb = pixels ? qvtest::RgbRows(pixels) : std::string();
  pane->Release();
  return rgb;
}

std::vector<double> Numbers(const std::string& text) {
  std::istringstream in(text);
  std::vector<double> numbers;
  for (double n; in >> n;) numbers.push_back(n);
  return numbers;
}

// Pages are named 1, 2, ... across jobs; each page image is the page's drawing pixel for pixel,
// placed on the printable area in points; the job goes when the Graphics is released.
TEST_F(PrintingChild, PagesAcrossJobsEqualTheirDrawing) {
  const Keys keys = {{kDpiX, "144"},         {kDpiY, "108"},           {kLeft, "36 pt"},
                     {kTop, "0.5 in"},       {kRight, "10 mm"},        {kBottom, "20 pt"},
                     {kPaperWidth, "300 pt"}, {kPaperHeight, "200 pt"}};
  WriteConfig(keys);
  const double left = 36, top = 36, right = 10 * 72 / 25.4, bottom = 20, paperW = 300,
               paperH = 200;
  auto px = [](int dpi, double points) { return int32_t(std::lround(dpi * points / 72)); };
  const int width = px(144, paperW) - px(144, right) - px(144, left);
  const int height = px(108, paperH) - px(108, bottom) - px(108, top);

  RuntimeObject* setup = NewPrinterSetup();
  printerSetupMaxResSetter(setup, kSetupMaxVerticalResolution, -1);
  printerSetupMaxResSetter(setup, kSetupMaxHorizontalResolution, -1);
  RuntimeObject* g = RuntimeOpenPrinter(setup);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(ActivePrintObject(), setup);
  EXPECT_EQ(graphicsWidthGetter(g, 0), width);
  EXPECT_EQ(graphicsHeightGetter(g, 0), height);
  EXPECT_EQ(Metric(setup, kSetupHorizontalResolution), 144);
  EXPECT_EQ(Metric(setup, kSetupVerticalResolution), 108);
  EXPECT_EQ(Metric(setup, kSetupPageWidth), width);
  EXPECT_EQ(Metric(setup, kSetupPageHeight), height);
  EXPECT_EQ(Metric(setup, kSetupPageLeft), -px(144, left));
  EXPECT_EQ(Metric(setup, kSetupPageTop), -px(108, top));
  EXPECT_EQ(Metric(setup, kSetupPaperWidth), px(144, paperW));
  EXPECT_EQ(Metric(setup, kSetupPaperHeight), px(108, paperH));
  EXPECT_EQ(Metric(setup, 12), 0);
  EXPECT_EQ(Metric(setup, 2), 0);

  DrawScene(g, 1);
  RuntimeGraphicsNextPage(g);
  DrawScene(g, 2);
  EXPECT_TRUE(Logged("job_print").empty()) << "nothing is sent while the Graphics lives";
  RuntimeUnlockObject(g);
  EXPECT_EQ(Logged("job_close "), Lines{"1"});
  EXPECT_EQ(Logged("job_print "), Lines{"1"});
  EXPECT_EQ(ActivePrintObject(), nullptr);

  g = RuntimeOpenPrinter(setup);
  ASSERT_NE(g, nullptr);
  DrawScene(g, 3);
  RuntimeUnlockObject(g);
  EXPECT_EQ(Logged("beginpage "), (Lines{"1", "2", "3"}));
  EXPECT_EQ(Logged("job_print "), (Lines{"1", "2"}));
  EXPECT_TRUE(WasLogged("release job 1")) << "the second job lets the first go";

  for (int page = 1; page <= 3; ++page) {
    int w = 0, h = 0;
    const std::string printed = Page(std::to_string(page), &w, &h);
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
    EXPECT_NE(printed, std::string(printed.size(), '\xFF')) << "page " << page << " is blank";
    EXPECT_TRUE(printed == OffscreenScene(width, height, page)) << "page " << page;
  }
  const std::vector<double> expected = {paperW - left - right, 0, 0, paperH - top - bottom,
                                        left, bottom};
  const Lines matrices = Logged("concat ");
  ASSERT_EQ(matrices.size(), 3u);
  for (const std::string& matrix : matrices) {
    const std::vector<double> numbers = Numbers(matrix);
    ASSERT_EQ(numbers.size(), 6u);
    for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(numbers[i], expected[i], 1e-4) << matrix;
  }
  RuntimeUnlockObject(setup);
  EXPECT_TRUE(WasLogged("release job 2"));
}

// Without resolution keys every resolution is 72 and the metrics are the points themselves; a
// nil PrinterSetup gets a new one, the active print object until the Graphics goes.
TEST_F(PrintingChild, NoResolutionKeysGivePoints) {
  WriteConfig(kPointPaper);
  RuntimeObject* g = RuntimeOpenPrinter(nullptr);
  ASSERT_NE(g, nullptr);
  RuntimeObject* setup = ActivePrintObject();
  ASSERT_NE(setup, nullptr);
  const auto points = [&](const char* key) { return int32_t(Points(kPointPaper, key)); };
  EXPECT_EQ(Metric(setup, kSetupHorizontalResolution), 72);
  EXPECT_EQ(Metric(setup, kSetupVerticalResolution), 72);
  EXPECT_EQ(Metric(setup, kSetupPageWidth),
            points(kPaperWidth) - points(kLeft) - points(kRight));
  EXPECT_EQ(Metric(setup, kSetupPageHeight),
            points(kPaperHeight) - points(kTop) - points(kBottom));
  EXPECT_EQ(Metric(setup, kSetupPageLeft), -points(kLeft));
  EXPECT_EQ(Metric(setup, kSetupPageTop), -points(kTop));
  EXPECT_EQ(Metric(setup, kSetupPaperWidth), points(kPaperWidth));
  EXPECT_EQ(Metric(setup, kSetupPaperHeight), points(kPaperHeight));
  EXPECT_EQ(graphicsWidthGetter(g, 0), Metric(setup, kSetupPageWidth));
  EXPECT_EQ(graphicsCopiesGetter(g, 0), 0);
  EXPECT_EQ(graphicsFirstPageGetter(g, 0), 0);
  EXPECT_EQ(graphicsLastPageGetter(g, 0), 65535);
  RuntimeUnlockObject(g);
  EXPECT_EQ(ActivePrintObject(), nullptr);
  EXPECT_TRUE(WasLogged("release job 1")) << "the PrinterSetup made for the job went with it";
}

// The maxima limit the configuration's resolution; -1 never limits.
TEST_F(PrintingChild, MaximaLimitTheResolutionAndMinusOneNever) {
  Keys keys = kPointPaper;
  keys[kDpiX] = "600";
  keys[kDpiY] = "600";
  keys[kCopies] = "4";
  WriteConfig(keys);
  RuntimeObject* setup = NewPrinterSetup();
  const auto resolutions = [&] {
    RuntimeObject* g = RuntimeOpenPrinter(setup);
    EXPECT_NE(g, nullptr);
    if (!g) return std::pair<int, int>{0, 0};
    EXPECT_EQ(graphicsCopiesGetter(g, 0), 4);
    RuntimeUnlockObject(g);
    return std::pair<int, int>{Metric(setup, kSetupHorizontalResolution),
                               Metric(setup, kSetupVerticalResolution)};
  };
  EXPECT_EQ(resolutions(), (std::pair<int, int>{72, 72}));
  printerSetupMaxResSetter(setup, kSetupMaxHorizontalResolution, 300);
  printerSetupMaxResSetter(setup, kSetupMaxVerticalResolution, -1);
  EXPECT_EQ(resolutions(), (std::pair<int, int>{300, 600}));
  EXPECT_EQ(Metric(setup, kSetupMaxHorizontalResolution), 300);
  EXPECT_EQ(Metric(setup, kSetupMaxVerticalResolution), -1);
  printerSetupMaxResSetter(setup, kSetupMaxHorizontalResolution, -1);
  EXPECT_EQ(resolutions(), (std::pair<int, int>{600, 600}));
  RuntimeUnlockObject(setup);
}

GtkWidget* FindNamed(GtkWidget* widget, const std::string& name) {
  if (gtk_widget_get_name(widget) == name) return widget;
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  GtkWidget* found = nullptr;
  for (GList* child = children; child && !found; child = child->next)
    found = FindNamed(GTK_WIDGET(child->data), name);
  g_list_free(children);
  return found;
}

class PrintDialogChild : public PrintingChild {
 protected:
  // Answers the next print dialog: the copies, first and last page typed into their fields
  // in the order the keyboard reaches them, then answer runs. Empty texts type nothing.
  void Answer(const std::vector<std::string>& texts,
              std::function<void(qvtest::XWindow)> answer) {
    gui.Meanwhile([this, texts, answer] {
      const qvtest::XWindow dialog = gui.WaitForWindow("Print Dialog");
      ASSERT_TRUE(dialog);
      ASSERT_TRUE(gui.WaitForFocus(dialog));
      // Each step waits for what it did to arrive before the next.
      const char* const names[] = {"copies", "from", "to"};
      for (size_t i = 0; i < texts.size() && i < 3; ++i) {
        GtkWidget* field = FindNamed(GTK_WIDGET(gui.Gtk(dialog)), names[i]);
        ASSERT_NE(field, nullptr);
        // Focus is given directly: a click can miss a dialog the window manager is still
        // placing, and a Tab came too late to move it under load. The text itself is typed.
        gtk_widget_grab_focus(field);
        ASSERT_TRUE(gui.PumpUntil([&] { return gtk_widget_has_focus(field); })) << names[i];
        // The old text goes key by key, wherever the cursor is; keys a loaded display lost
        // are sent again, a few times at most.
        auto text = [field] { return std::string(gtk_entry_get_text(GTK_ENTRY(field))); };
        bool empty = false;
        for (int round = 0; round < 3 && !empty; ++round) {
          for (size_t k = 0; k < text().size(); ++k) {
            gui.Key("Delete");
            gui.Key("BackSpace");
          }
          empty = gui.PumpUntil([&] { return text().empty(); }, 2000);
        }
        ASSERT_TRUE(empty) << names[i] << " still reads \"" << text() << '"';
        gui.Type(texts[i]);
        ASSERT_TRUE(gui.PumpUntil([&] { return text() == texts[i]; }))
            << names[i] << " reads \"" << text() << '"';
      }
      answer(dialog);
    });
  }
  void Press(qvtest::XWindow dialog, const char* caption) {
    gui.Click(gui.FindButton(dialog, caption));
  }

  qvtest::GuiDriver gui;
};

// Copies and range set in the dialog reach the Graphics; a range of 0 to 0 is every page.
TEST_F(PrintDialogChild, CopiesAndRangeReachTheGraphics) {
  if (!gui.ready()) GTEST_SKIP() << "no display";
  WriteConfig(kPointPaper);
  Answer({"3", "2", "5"},
         [this](qvtest::XWindow dialog) { Press(dialog, "Print"); });
  RuntimeObject* g = RuntimeOpenPrinterDialog(nullptr, nullptr);
  EXPECT_TRUE(gui.StepsDone());
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(graphicsCopiesGetter(g, 0), 3);
  EXPECT_EQ(graphicsFirstPageGetter(g, 0), 2);
  EXPECT_EQ(graphicsLastPageGetter(g, 0), 5);
  RuntimeUnlockObject(g);
  EXPECT_TRUE(WasLogged("dialog_new 1 Print Dialog 3"));
  EXPECT_TRUE(WasLogged("construct_range_page 6 0 65535 None Page Range"));

  Answer({}, [this](qvtest::XWindow dialog) { Press(dialog, "Print"); });
  g = RuntimeOpenPrinterDialog(nullptr, nullptr);
  EXPECT_TRUE(gui.StepsDone());
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(graphicsCopiesGetter(g, 0), 1);
  EXPECT_EQ(graphicsFirstPageGetter(g, 0), 0);
  EXPECT_EQ(graphicsLastPageGetter(g, 0), 65535);
  RuntimeUnlockObject(g);
  EXPECT_EQ(Logged("beginpage "), (Lines{"1", "2"}));
}

// A Timer's Action that quits while the dialog waits: it ends as Cancel does.
TEST_F(PrintDialogChild, AQuitEndsTheDialogAsCancelDoes) {
  if (!gui.ready()) GTEST_SKIP() << "no display";
  WriteConfig(kPointPaper);
  {
    qvtest::HangWatchdog watchdog("the print dialog");
    qvtest::QuitOnceWhen quit([&] { return gui.FindWindow("Print Dialog") != 0; });
    EXPECT_EQ(RuntimeOpenPrinterDialog(nullptr, nullptr), nullptr);
  }
  EXPECT_TRUE(MainLoopQuitRequested());
  EXPECT_TRUE(WasLogged("release job 1"));
  EXPECT_TRUE(Logged("beginpage").empty());
  EXPECT_EQ(gui.FindWindow("Print Dialog"), 0u);
}

// Cancel and a close through the window manager give nil, print nothing and let the job go.
TEST_F(PrintDialogChild, CancelAndCloseGiveNilAndReleaseTheJob) {
  if (!gui.ready()) GTEST_SKIP() << "no display";
  WriteConfig(kPointPaper);
  RuntimeObject* setup = NewPrinterSetup();
  Answer({"2"}, [this](qvtest::XWindow dialog) { Press(dialog, "Cancel"); });
  EXPECT_EQ(RuntimeOpenPrinterDialog(setup, nullptr), nullptr);
  EXPECT_TRUE(gui.StepsDone());
  EXPECT_TRUE(WasLogged("dialog_response -6"));
  EXPECT_TRUE(WasLogged("release job 1"));

  Answer({}, [this](qvtest::XWindow dialog) { gui.Close(dialog); });
  EXPECT_EQ(RuntimeOpenPrinterDialog(setup, nullptr), nullptr);
  EXPECT_TRUE(gui.StepsDone());
  EXPECT_TRUE(WasLogged("dialog_response -4"));
  EXPECT_TRUE(WasLogged("release job 2"));

  EXPECT_TRUE(Logged("beginpage").empty());
  EXPECT_TRUE(Logged("rgbimage").empty());
  EXPECT_TRUE(Logged("job_print").empty());
  EXPECT_EQ(ActivePrintObject(), nullptr);
  EXPECT_EQ(setup->refCount, 1);
  RuntimeUnlockObject(setup);
}

// A library without one of its entry points is no library: nothing of it is called.
TEST_F(PrintingChild, LibraryLackingAnEntryCountsAsAbsent) {
  WriteConfig(kPointPaper);
  EXPECT_FALSE(LoadGnomePrint());
  EXPECT_EQ(RuntimeOpenPrinter(nullptr), nullptr);
  RuntimeObject* setup = NewPrinterSetup();
  EXPECT_EQ(Metric(setup, kSetupPageWidth), 0);
  RuntimeUnlockObject(setup);
  EXPECT_TRUE(Log().empty());
}

}  // namespace
