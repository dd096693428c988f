// Drag and drop in a packed image with compiled handlers: a canvas's MouseDown starts a drag
// that real input carries into a canvas of a second window (outline, highlight, the enter, over
// and drop handlers, or a DragEnter that rejects), and files dragged in from another program
// reach the image's DropObject.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "SpawnedProcess.h"
#include "WindowFixtures.h"
#include "support/GuiDriver.h"

namespace {

// Where dragapp puts things, in its windows' content coordinates.
constexpr int kSourceLeft = 40, kSourceTop = 40, kSourceWidth = 80, kSourceHeight = 60;
constexpr int kTargetLeft = 60, kTargetTop = 50, kTargetWidth = 150, kTargetHeight = 100;
constexpr uint32_t kSourceFill = 0xC00000, kTargetFill = 0x3060C0, kBlack = 0x000000;
// The press, inside the source canvas, and the release, inside the target canvas.
constexpr int kPressX = 80, kPressY = 70;
constexpr int kReleaseX = 160, kReleaseY = 100;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class DragImage : public testing::Test {
 protected:
  void Start(std::vector<std::string> environment = {}) {
    app = std::make_unique<qvtest::SpawnedProcess>(
        qvtest::SpawnOptions{.program = DRAGAPP_EXE, .environment = std::move(environment)});
    ASSERT_TRUE(app->WaitForOutput("Ready\n")) << app->Output() << app->Errors();
    source = gui.WaitForWindow("Drag source");
    target = gui.WaitForWindow("Drag target");
    ASSERT_NE(source, 0u);
    ASSERT_NE(target, 0u);
    // Both painted where the server says their contents are, and no longer moving.
    ASSERT_TRUE(Settled(source, kSourceLeft + 5, kSourceTop + 5, kSourceFill));
    ASSERT_TRUE(Settled(target, kTargetLeft + 5, kTargetTop + 5, kTargetFill))
        << std::hex << Shot(gui.Area(target), kTargetLeft + 5, kTargetTop + 5, 1, 1).Pixel(0, 0)
        << std::dec << " " << gui.Area(target).x << "," << gui.Area(target).y << " "
        << gui.Area(target).width << "x" << gui.Area(target).height << " / "
        << gui.Area(source).x << "," << gui.Area(source).y;
    sourceArea = gui.Area(source);
    targetArea = gui.Area(target);
    ASSERT_LT(sourceArea.x + sourceArea.width, targetArea.x) << "the windows overlap";
  }
  bool Settled(qvtest::XWindow window, int x, int y, uint32_t colour) {
    qvtest::ScreenArea before{-1, -1, -1, -1};
    return gui.PumpUntil([&] {
      const qvtest::ScreenArea now = gui.Area(window);
      const bool still = now == before;
      before = now;
      return still && Shot(now, x, y, 1, 1).Pixel(0, 0) == colour;
    });
  }
  qvtest::Screenshot Shot(const qvtest::ScreenArea& content, int x, int y, int width,
                          int height) {
    return gui.Capture({content.x + x, content.y + y, width, height});
  }
  bool WaitForPixel(const qvtest::ScreenArea& content, int x, int y, uint32_t colour) {
    return gui.PumpUntil([&] { return Shot(content, x, y, 1, 1).Pixel(0, 0) == colour; });
  }

  // Presses on the source canvas, waits until the drag loop shows the outline there, then
  // moves in steps to the target canvas and waits until the outline shows there; midway runs
  // before the release.
  void DragToTarget(const std::function<void()>& midway) {
    gui.MoveTo(sourceArea.x + kPressX, sourceArea.y + kPressY);
    qvtest::RunXTool(gui, {"xdotool", "mousedown", "1"});
    ASSERT_TRUE(app->WaitForOutput("Drag " + std::to_string(kPressX - kSourceLeft) + " " +
                                   std::to_string(kPressY - kSourceTop) + "\n"))
        << app->Output() << app->Errors();
    ASSERT_TRUE(WaitForPixel(sourceArea, kSourceLeft, kPressY, kBlack)) << "no outline";
    const int fromX = sourceArea.x + kPressX, fromY = sourceArea.y + kPressY;
    const int toX = targetArea.x + kReleaseX, toY = targetArea.y + kReleaseY;
    for (int k = 1; k <= 8; ++k) {
      gui.MoveTo(fromX + (toX - fromX) * k / 8, fromY + (toY - fromY) * k / 8);
    }
    // The outline keeps its distance to the pointer.
    EXPECT_TRUE(WaitForPixel(targetArea, kReleaseX - (kPressX - kSourceLeft), kReleaseY, kBlack))
        << "no outline under the pointer";
    midway();
    qvtest::RunXTool(gui, {"xdotool", "mouseup", "1"});
  }

  // The image's lines, each run of DragOver lines made one.
  std::vector<std::string> Said() {
    std::vector<std::string> said;
    for (const std::string& line : Lines(app->Output())) {
      if (line.rfind("DragOver", 0) == 0 && !said.empty() && said.back().rfind("DragOver", 0) == 0)
        said.back() = line;
      else
        said.push_back(line);
    }
    return said;
  }

  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::SpawnedProcess> app;
  qvtest::XWindow source = 0, target = 0;
  qvtest::ScreenArea sourceArea, targetArea;
};

TEST_F(DragImage, TheTargetCanvasIsEnteredHighlightedAndGetsTheDrop) {
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  ASSERT_NO_FATAL_FAILURE(Start());
  bool sourceClear = false, highlighted = false;
  ASSERT_NO_FATAL_FAILURE(DragToTarget([&] {
    // Only the window under the pointer shows the outline; the target's frame is drawn.
    sourceClear = gui.PumpUntil([&] {
      return Shot(sourceArea, 0, 0, sourceArea.width, sourceArea.height).CountPixels(kBlack) == 0;
    });
    highlighted = WaitForPixel(targetArea, kTargetLeft + 20, kTargetTop, kBlack) &&
                  WaitForPixel(targetArea, kTargetLeft, kTargetTop + 20, kBlack);
  }));
  EXPECT_TRUE(sourceClear);
  EXPECT_TRUE(highlighted);
  EXPECT_EQ(app->Finish(), 0) << app->Errors();
  // The source's top left was 40 and 30 from the pointer; the drop is relative to the target.
  const int dropLeft = kReleaseX - 40 - kTargetLeft, dropTop = kReleaseY - 30 - kTargetTop;
  EXPECT_EQ(Said(), (std::vector<std::string>{
                        "Ready", "Drag 40 30", "DragEnter",
                        "DragOver " + std::to_string(kReleaseX - kTargetLeft) + " " +
                            std::to_string(kReleaseY - kTargetTop),
                        "Text Gr\xC3\xBC\xC3\x9F" "e", "Raw raw data",
                        "Drop " + std::to_string(dropLeft) + " " + std::to_string(dropTop) + " 0",
                        "Drag done"}))
      << app->Output();
}

TEST_F(DragImage, ARejectingDragEnterGetsNoOverNoHighlightAndNoDrop) {
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  ASSERT_NO_FATAL_FAILURE(Start({"QV_DRAG_REJECT=1"}));
  uint32_t frame = kBlack;
  ASSERT_NO_FATAL_FAILURE(DragToTarget([&] {
    gui.Settle();
    frame = Shot(targetArea, kTargetLeft + 20, kTargetTop, 1, 1).Pixel(0, 0);
  }));
  EXPECT_EQ(frame, kTargetFill);
  EXPECT_EQ(app->Finish(), 0) << app->Errors();
  EXPECT_EQ(Said(), (std::vector<std::string>{"Ready", "Drag 40 30", "DragEnter", "Drag done"}))
      << app->Output();
}

// GTK's protocol from another program into the image: the URI list wins over the text, both
// files come through NextItem, and move is chosen over copy.
TEST_F(DragImage, FilesFromAnotherProgramReachTheCompiledDropObject) {
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  ASSERT_NO_FATAL_FAILURE(Start());
  const std::string title = qvtest::UniqueWindowTitle("drag peer");
  qvtest::SpawnedProcess peer(qvtest::SpawnOptions{DRAG_PEER, {DRAG_PEER, title, "60", "480"}});
  ASSERT_TRUE(peer.WaitForOutput("ready"));
  const qvtest::XWindow peerWindow = gui.WaitForWindow(title);
  ASSERT_NE(peerWindow, 0u);
  qvtest::ScreenArea from{};
  ASSERT_TRUE(gui.PumpUntil([&] {
    const qvtest::ScreenArea now = gui.Area(peerWindow);
    const bool still = now == from;
    from = now;
    return still;
  }));
  ASSERT_LT(from.x + from.width, targetArea.x) << "the peer's window covers the target";
  gui.MoveTo(from.CenterX(), from.CenterY());
  qvtest::RunXTool(gui, {"xdotool", "mousedown", "1"});
  gui.MoveTo(from.CenterX() + 10, from.CenterY());
  gui.MoveTo(from.CenterX() + 20, from.CenterY());
  ASSERT_TRUE(peer.WaitForOutput("begin"));
  const int toX = targetArea.x + kTargetLeft + kTargetWidth / 2;
  const int toY = targetArea.y + kTargetTop + kTargetHeight / 2;
  for (int k = 1; k <= 8; ++k) {
    gui.MoveTo(from.CenterX() + 20 + (toX - from.CenterX() - 20) * k / 8,
               from.CenterY() + (toY - from.CenterY()) * k / 8);
  }
  // The release goes out once the image has answered that it takes the drag.
  ASSERT_TRUE(peer.WaitForOutput("accepted")) << peer.Output();
  qvtest::RunXTool(gui, {"xdotool", "mouseup", "1"});
  EXPECT_EQ(app->Finish(), 0) << app->Errors();
  EXPECT_EQ(Lines(app->Output()),
            (std::vector<std::string>{"Ready", "Text ", "Raw ", "Drop 0 0 2",
                                      "File /tmp/drop peer/with space.txt",
                                      "File /tmp/drop peer/other.txt"}));
}

}  // namespace
