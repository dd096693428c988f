// The packed list application (tests/images/listbox/listapp.c) run as a program of its own:
// 10,000 rows of four columns go in through AddRow and Cell (texts in UTF-16 and Windows-1252
// among them) and come back as UTF-8 through Cell, List and CellTag; a click at the point its
// RowFromXY names reaches CellClick and Change, and only the clicked row is drawn anew.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "SpawnedProcess.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"

namespace {

constexpr int kRows = 10000;
constexpr int kListLeft = 30, kListTop = 40, kListWidth = 400, kListHeight = 300;

// The cell texts the application stores, as UTF-8.
std::string CellText(int row, int column) {
  static const char* const kUtf16[] = {"Gr\xC3\xB6\xC3\x9F" "e", "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC",
                                       "\xE2\x82\xAC" "5"};
  static const char* const kLatin1[] = {"caf\xC3\xA9", "\xE2\x82\xAC 100",
                                        "\xE2\x80\x9Cquoted\xE2\x80\x9D"};
  switch (column) {
    case 0: return "Row " + std::to_string(row);
    case 1: return kUtf16[row % 3];
    case 2: return kLatin1[row % 3];
    default: return std::to_string(row * 13);
  }
}

// FNV-1a over every cell of every row and then List(row), each followed by 0x1F.
uint32_t ExpectedChecksum() {
  uint32_t hash = 2166136261u;
  auto add = [&](const std::string& text) {
    for (unsigned char c : text + '\x1F') hash = (hash ^ c) * 16777619u;
  };
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < 4; ++column) add(CellText(row, column));
    add(CellText(row, 0));
  }
  return hash;
}

std::string WithoutLine(std::string text, const std::string& line) {
  const size_t at = text.find(line);
  if (at != std::string::npos) text.erase(at, line.size());
  return text;
}

// The colour most pixels of shot have.
uint32_t Dominant(const qvtest::Screenshot& shot) {
  std::map<uint32_t, int> counts;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x) ++counts[shot.Pixel(x, y)];
  }
  uint32_t best = 0;
  int most = -1;
  for (const auto& [colour, count] : counts) {
    if (count > most) best = colour, most = count;
  }
  return best;
}

class ListImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    app = std::make_unique<qvtest::SpawnedProcess>(qvtest::SpawnOptions{.program = LISTAPP_EXE});
    ASSERT_TRUE(app->WaitForOutput("Activate\n")) << app->Output() << app->Errors();
    xid = gui.WaitForWindow("Lists");
    ASSERT_NE(xid, 0u);
    ASSERT_TRUE(gui.WaitForFocus(xid));
  }
  // A band of the list's rows, from top (relative to the list) on.
  qvtest::Screenshot Band(int top, int height) {
    const qvtest::ScreenArea window = gui.Area(xid);
    return gui.Capture({window.x + kListLeft + 1, window.y + kListTop + top, kListWidth - 2, height});
  }

  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::SpawnedProcess> app;
  qvtest::XWindow xid = 0;
};

TEST_F(ListImage, TenThousandRowsReadBackAndAClickReachesTheCompiledHandlers) {
  char checksum[16];
  std::snprintf(checksum, sizeof checksum, "%06X", ExpectedChecksum());
  const std::string filled = "ListCount 10000\nLastIndex 9999\nColumnWidths 50, 25%, *, 2*\n"
                             "Differing 0\nTags 100 0\nBold 40\nChecked 1000\nChecksum " +
                             std::string(checksum) + "\n";
  ASSERT_TRUE(app->WaitForOutput(filled)) << app->Output() << app->Errors();
  ASSERT_TRUE(app->WaitForOutput("\nFilled\n")) << app->Output();
  // "Click x y row": a point near the list's left edge in its first visible row.
  const std::string output = app->Output();
  int top = -1, x = -1, y = -1, row = -2;
  ASSERT_EQ(std::sscanf(output.c_str() + output.find("ScrollPosition "),
                        "ScrollPosition %d\nClick %d %d %d", &top, &x, &y, &row),
            4);
  // The last row stays at the bottom: 9,990 or, when more than ten rows fit, the top that
  // shows the last row last.
  EXPECT_LE(top, 9990);
  EXPECT_GT(top, 9970);
  EXPECT_EQ(x, 3);
  EXPECT_EQ(row, top) << "RowFromXY names the first visible row";
  ASSERT_GT(y, 0);
  ASSERT_LT(y + 40, kListHeight);

  const qvtest::ScreenArea window = gui.Area(xid);
  gui.Click(window.x + kListLeft + x, window.y + kListTop + y);
  const std::string clicked = "CellClick " + std::to_string(row) + " 0\nChange " +
                              std::to_string(row) + " 1 Row " + std::to_string(row) + "\n";
  ASSERT_TRUE(app->WaitForOutput(output + clicked)) << app->Output() << app->Errors();
  // The selected row is drawn highlighted from the list's first pixels on (x = 3), both read
  // from one screenshot: the window's activation after the click repaints the selection in
  // another colour, so two screenshots could see two colours. Rows below keep the white
  // background.
  uint32_t highlight = 0xFFFFFF;
  int firstHighlighted = 0;
  EXPECT_TRUE(gui.PumpUntil([&] {
    const qvtest::Screenshot band = Band(y - 1, 3);
    highlight = Dominant(band);
    firstHighlighted = band.Region({2, 0, 4, 3}).CountPixels(highlight, 8);
    return highlight != 0xFFFFFF && firstHighlighted == 4 * 3;
  })) << "the clicked row shows its selection from its first pixels: " << std::hex << highlight
      << std::dec << ", " << firstHighlighted << " of 12";
  // Under load the server may show the rows below before their paint arrives: wait for it.
  uint32_t below = 0;
  EXPECT_TRUE(gui.PumpUntil([&] {
    below = Dominant(Band(kListHeight - 40, 10));
    return below == 0xFFFFFFu;
  })) << std::hex << below;

  gui.Key("q");
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();
  EXPECT_EQ(WithoutLine(app->Output(), "Activate\n"),
            WithoutLine(output, "Activate\n") + clicked + "RuntimeRun returned\n");
  EXPECT_EQ(app->Errors().find("Runtime Error"), std::string::npos) << app->Errors();
}

}  // namespace
