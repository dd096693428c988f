// Drag and drop: URI lists and their escapes, which pane takes what a drag carries, what a
// pane tells GTK it accepts, drops from other programs, and drags inside the application with
// real input: outlines, highlight, the enter, over and drop notices, and handlers that close
// their window in the middle of it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "SpawnedProcess.h"
#include "WindowFixtures.h"
#include "app/FolderItemImp.h"
#include "files/FolderItemClass.h"
#include "TextFixtures.h"
#include "support/TestSupport.h"
#include "windows/DragAndDropGTK.h"
#include "windows/DragItem.h"
#include "windows/PaneDrops.h"

namespace {

using qvtest::Bytes;
using qvtest::Text;

using qvtest::MakeRect;
using qvtest::PaneLog;

// The paths of the drop's folder items, item by item, through NextItem.
std::vector<std::string> PathsOf(RuntimeObject* item) {
  std::vector<std::string> paths;
  DragItemFields(item)->currentItem = 0;
  do {
    RuntimeObject* folder = dragItemFolderItemGetter(item, 0);
    FolderItemImp* file = folder ? FolderItemImpOf(folder) : nullptr;
    paths.push_back(file ? file->GetPath().CString() : "-");
    RuntimeUnlockObject(folder);
  } while (DragItemNextItem(item));
  DragItemFields(item)->currentItem = 0;
  return paths;
}

TEST(URIList, FileLinesGiveDecodedLocalPaths) {
  const std::string list =
      "file:///tmp/a%20b\r\n"
      "file://localhost/tmp/c\n"
      "# a comment\r\n"
      "http://example.org/x\r\n"
      "file://elsewhere/tmp/d\r\n"
      "file://myhost/tmp/e%2\n"
      "FILE:/tmp/f%4\r\n"
      "file:///tmp/nul%00byte\r\n"
      "file:///\r\n"
      "file://\r\n"
      "\r\n"
      "file:///tmp/last";
  EXPECT_EQ(FilePathsOfURIList(list, "myhost"),
            (std::vector<std::string>{"/tmp/a b", "/tmp/c", "/tmp/e%2", "/tmp/f%4", "/", "/tmp/last"}));
}

TEST(URIList, OnlyAPercentWithTwoHexDigitsIsDecoded) {
  const struct {
    const char* in;
    std::string out;
  } cases[] = {
      {"a%20b", "a b"},   {"%41%62", "Ab"},  {"%", "%"},         {"%4", "%4"},
      {"%g1", "%g1"},     {"%1g", "%1g"},    {"100%", "100%"},   {"%%41", "%A"},
      {"%e2%98%83", "\xE2\x98\x83"},         {"%00", std::string(1, '\0')},
  };
  for (const auto& c : cases) EXPECT_EQ(URLDecode(c.in), c.out) << c.in;
}

// A delegate that writes down the notices it gets, and answers as told.
class DropRecorder : public PaneDelegate {
 public:
  explicit DropRecorder(PaneLog* log) : mLog(log) {}
  void DropObject(Pane*, RuntimeObject* item, int32_t action) override {
    std::string entry = "drop " + Bytes(dragItemTextGetter(item, 0)) + " " +
                        Bytes(DragItemGetMacData(item, Text("TEST").Storage())) + " " +
                        std::to_string(dragItemDropLeft(item, 0)) + "," +
                        std::to_string(dragItemDropTop(item, 0)) + " action " +
                        std::to_string(action);
    if (DragItemFolderItemAvailable(item)) {
      for (const std::string& path : PathsOf(item)) entry += " " + path;
    }
    mLog->push_back(entry);
    if (onDrop) onDrop();
  }
  bool DragEnter(RuntimeObject*, int32_t) override {
    mLog->push_back("enter");
    return rejectEnter;
  }
  bool DragOver(int32_t, int32_t, RuntimeObject*, int32_t) override {
    if (mLog->empty() || mLog->back() != "over") mLog->push_back("over");
    if (onOver) onOver();
    return false;
  }
  void DragExit(RuntimeObject*, int32_t) override { mLog->push_back("exit"); }

  bool rejectEnter = false;
  std::function<void()> onOver, onDrop;

 private:
  PaneLog* mLog;
};

class DropTargets : public testing::Test {
 protected:
  void SetUp() override {
    if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
    window = new qvtest::TestWindow(300, 200);
    outer = new qvtest::TestPane(window, MakeRect(10, 10, 190, 290));
    inner = new qvtest::TestPane(window, MakeRect(20, 20, 100, 150), qvtest::PaneWidget::kOwnWindow);
    item = NewDragItem();
  }
  void TearDown() override {
    RuntimeUnlockObject(item);
    if (window) window->Release();
  }
  void AddFile(const char* path) {
    RuntimeObject* folder = NewFolderItemObject(Text(path));
    DragItemAddItem(item, 0, 0, 0, 0);
    dragItemFolderItemSetter(item, 0, folder);
    RuntimeUnlockObject(folder);
  }
  qvtest::TestWindow* window = nullptr;
  qvtest::TestPane* outer = nullptr;
  qvtest::TestPane* inner = nullptr;
  RuntimeObject* item = nullptr;
};

TEST_F(DropTargets, ThePaneUnderThePointerTakesWhatItAccepts) {
  ASSERT_EQ(inner->GetOwner(), outer);
  EXPECT_EQ(window->FindDropTarget(50, 50, item), nullptr);  // nobody accepts anything
  inner->AddAcceptedDragType(Text("TEXT"));
  EXPECT_EQ(window->FindDropTarget(50, 50, item), inner);
  EXPECT_EQ(window->FindDropTarget(150, 150, item), nullptr);  // outside it, outer takes none
  inner->SetVisible(false);
  EXPECT_EQ(window->FindDropTarget(50, 50, item), nullptr);
  inner->SetVisible(true);

  // Files over a pane without file types are passed over, in either order with text.
  AddFile("/tmp/some.file");
  EXPECT_EQ(window->FindDropTarget(50, 50, item), nullptr);  // files only
  dragItemTextSetter(item, 0, Text("text after").Storage());
  EXPECT_EQ(window->FindDropTarget(50, 50, item), inner);
  RuntimeUnlockObject(item);
  item = NewDragItem();
  dragItemTextSetter(item, 0, Text("text before").Storage());
  AddFile("/tmp/other.file");
  EXPECT_EQ(window->FindDropTarget(50, 50, item), inner);

  // A file type takes files: "????" any file, another code none of these.
  RuntimeUnlockObject(item);
  item = NewDragItem();
  AddFile("/tmp/some.file");
  outer->AddAcceptedFileType(Text("ZZZZ"));
  EXPECT_EQ(window->FindDropTarget(150, 150, item), nullptr);
  outer->AddAcceptedFileType(Text("????"));
  EXPECT_EQ(window->FindDropTarget(150, 150, item), outer);
  EXPECT_EQ(window->FindDropTarget(50, 50, item), outer);  // inner passes it up
}

TEST_F(DropTargets, GtkIsToldOnceForTextAndOnceForFiles) {
  GtkWidget* widget = inner->GetWidget();
  auto targets = [&] {
    std::vector<std::string> names;
    GtkTargetList* list = gtk_drag_dest_get_target_list(widget);
    for (GList* entry = list ? list->list : nullptr; entry; entry = entry->next) {
      gchar* name = gdk_atom_name(static_cast<GtkTargetPair*>(entry->data)->target);
      names.push_back(name);
      g_free(name);
    }
    return names;
  };
  EXPECT_TRUE(targets().empty());
  inner->AddAcceptedDragType(Text("PICT"));
  EXPECT_TRUE(targets().empty());
  inner->AddAcceptedDragType(Text("TEXT"));
  EXPECT_EQ(targets(), (std::vector<std::string>{"text/plain", "STRING"}));
  inner->AddAcceptedDragType(Text("text"));
  inner->AddAcceptedFileType(Text("????"));
  inner->AddAcceptedFileType(Text("ZZZZ"));
  EXPECT_EQ(targets(), (std::vector<std::string>{"text/uri-list", "text/plain", "STRING"}));
  EXPECT_EQ(inner->AcceptedDragTypes().size(), 2u);
  // One handler delivers every drop.
  EXPECT_EQ(g_signal_handlers_disconnect_matched(widget, G_SIGNAL_MATCH_FUNC, 0, 0, nullptr,
                                                 reinterpret_cast<gpointer>(&OnDragDataReceived),
                                                 nullptr),
            1u);
}

TEST_F(DropTargets, DropsFromOtherProgramsBecomeDragItems) {
  PaneLog log;
  DropRecorder recorder(&log);
  inner->SetDelegate(&recorder);
  const std::string uris = "file:///tmp/a%20b\r\nfile://localhost/tmp/c\r\n";
  EXPECT_TRUE(DeliverExternalDrop(inner, 0, uris.data(), int32_t(uris.size()),
                                  GDK_ACTION_COPY | GDK_ACTION_MOVE));
  const std::string web = "http://example.org/\r\n";
  EXPECT_TRUE(DeliverExternalDrop(inner, 0, web.data(), int32_t(web.size()), GDK_ACTION_LINK));
  EXPECT_TRUE(DeliverExternalDrop(inner, 2, "caf\xE9", 4, GDK_ACTION_COPY | GDK_ACTION_LINK));
  EXPECT_FALSE(DeliverExternalDrop(inner, 1, nullptr, -1, GDK_ACTION_COPY));  // a failed source
  EXPECT_EQ(log, (PaneLog{"drop   0,0 action 2 /tmp/a b /tmp/c",
                          "drop http://example.org/\r\n  0,0 action 3",
                          "drop caf\xC3\xA9  0,0 action 1"}));
  inner->ClearDelegate();
}

TEST_F(DropTargets, NewDragItemsStartInTheirWindowsCoordinates) {
  RuntimeObject* made = formNewDragItem(nullptr, 5, 6, 30, 40);
  ASSERT_NE(made, nullptr);
  DragItemFields(made)->dropped = 1;
  EXPECT_EQ(std::vector<int32_t>({dragItemDropLeft(made, 0), dragItemDropTop(made, 0),
                                  dragItemDropWidth(made, 0), dragItemDropHeight(made, 0)}),
            std::vector<int32_t>({5, 6, 30, 40}));
  EXPECT_EQ(DragItemFields(made)->itemCount, 1);
  RuntimeUnlockObject(made);
  RuntimeUnlockObject(controlNewDragItem(nullptr, 0, 0, 1, 1));
}

// ---- drags inside the application, with real input ----

// A pane whose press starts a drag of its own bounds carrying text and raw data.
class DragSourcePane : public qvtest::TestPane {
 public:
  using TestPane::TestPane;
  bool MouseDown(int32_t, int32_t, int32_t) override {
    const QV::Rect& b = GetBounds();
    RuntimeObject* item = formNewDragItem(nullptr, b.left, b.top, b.right - b.left,
                                          b.bottom - b.top);
    dragItemTextSetter(item, 0, Text("dragged").Storage());
    DragItemSetMacData(item, Text("TEST").Storage(), Text("raw").Storage());
    if (beforeDrag) beforeDrag(item);
    DragItemDrag(item);
    RuntimeUnlockObject(item);
    ++drags;
    return true;
  }
  std::function<void(RuntimeObject*)> beforeDrag;
  int drags = 0;
};

class InternalDrag : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    WindowSpec left;
    left.bounds = MakeRect(100, 40, 300, 340);
    source = new qvtest::LoggingWindow(&windowLog, left);
    from = new DragSourcePane(source, MakeRect(40, 40, 80, 120), qvtest::PaneWidget::kDrawsInWindow);
    WindowSpec right;
    right.bounds = MakeRect(100, 420, 300, 720);
    destination = new qvtest::LoggingWindow(&windowLog, right);
    to = new qvtest::TestPane(destination, MakeRect(50, 60, 150, 220),
                              qvtest::PaneWidget::kDrawsInWindow);
    to->fill = 0x3060C0;
    to->AddAcceptedDragType(Text("TEXT"));
    to->SetDelegate(&recorder);
    ASSERT_TRUE(source->OpenAndFocus(gui));
    ASSERT_TRUE(destination->OpenAndFocus(gui));
    source->GetGlobalBounds(sourceArea);
    destination->GetGlobalBounds(destinationArea);
  }
  void TearDown() override {
    if (to && !to->IsClosing()) to->ClearDelegate();
    if (destination) destination->Release();
    if (source) source->Release();
  }

  // Presses on the source pane; the steps (moves into the target, then over it, the release)
  // run inside the drag's own loop, queued when the drag starts.
  void DragToTarget(const std::function<void()>& midway = nullptr) {
    const int startX = sourceArea.left + 60, startY = sourceArea.top + 60;
    const int endX = destinationArea.left + 100, endY = destinationArea.top + 90;
    from->beforeDrag = [&, startX, startY, endX, endY](RuntimeObject*) {
      for (int k = 1; k <= 8; ++k) {
        gui.Meanwhile([&, k, startX, startY, endX, endY] {
          gui.MoveTo(startX + (endX - startX) * k / 8, startY + (endY - startY) * k / 8);
        });
      }
      gui.Meanwhile([&, endX, endY] { gui.MoveTo(endX + 3, endY + 2); });
      if (midway) gui.Meanwhile(midway);
      gui.Meanwhile([&] { qvtest::RunXTool(gui, {"xdotool", "mouseup", "1"}); });
    };
    PressAndDrag(startX, startY);
  }
  // Presses at x, y; the steps beforeDrag queued run inside the drag's loop.
  void PressAndDrag(int x, int y) {
    gui.MoveTo(x, y);
    qvtest::RunXTool(gui, {"xdotool", "mousedown", "1"});
    EXPECT_TRUE(gui.PumpUntil([&] { return from->drags == 1; }));
    EXPECT_TRUE(gui.StepsDone());
  }
  // As a handler closing its window does: the close releases the window, and the pane with it.
  void CloseDestination() {
    to->ClearDelegate();
    to = nullptr;
    qvtest::LoggingWindow* closing = std::exchange(destination, nullptr);
    closing->Close();
  }
  // The destination's pixels, in its content coordinates.
  qvtest::Screenshot DestinationShot() {
    return gui.Capture({destinationArea.left, destinationArea.top,
                        destinationArea.right - destinationArea.left,
                        destinationArea.bottom - destinationArea.top});
  }

  qvtest::GuiDriver gui;
  PaneLog windowLog, log;
  DropRecorder recorder{&log};
  qvtest::LoggingWindow* source = nullptr;
  qvtest::LoggingWindow* destination = nullptr;
  DragSourcePane* from = nullptr;
  qvtest::TestPane* to = nullptr;
  QV::Rect sourceArea{}, destinationArea{};
};

constexpr uint32_t kBlack = 0x000000;

TEST_F(InternalDrag, TheTargetIsEnteredHighlightedAndGetsTheDrop) {
  bool outlineHere = false, outlineThere = true, highlighted = false;
  DragToTarget([&] {
    gui.Settle();
    // The outline follows the pointer in the destination; the source shows none.
    const qvtest::Screenshot shot = DestinationShot();
    const DragRectNode* rect = DragItemFields(GetCurrentDragItem())->rects;
    outlineHere = shot.Pixel(rect->rect.left, (rect->rect.top + rect->rect.bottom) / 2) == kBlack;
    highlighted = shot.Pixel(60, 50) == kBlack && shot.Pixel(100, 50) == kBlack;
    const qvtest::Screenshot back =
        gui.Capture({sourceArea.left, sourceArea.top, 200, 150});
    outlineThere = back.CountPixels(kBlack) > 0;
  });
  EXPECT_TRUE(outlineHere);
  EXPECT_FALSE(outlineThere);
  EXPECT_TRUE(highlighted);
  // Dropped 3 and 2 pixels right of and below where the pointer started, relative to the
  // target: the source pane's top left was 20 left of and 20 above the pointer.
  const int32_t dropLeft = 100 + 3 - 20 - 60, dropTop = 90 + 2 - 20 - 50;
  EXPECT_EQ(log, (PaneLog{"enter", "over",
                          "drop dragged raw " + std::to_string(dropLeft) + "," +
                              std::to_string(dropTop) + " action 0"}));
}

TEST_F(InternalDrag, ARejectingTargetGetsNoOverNoHighlightAndNoDrop) {
  recorder.rejectEnter = true;
  bool highlighted = true;
  DragToTarget([&] { highlighted = DestinationShot().Pixel(60, 50) == kBlack; });
  EXPECT_FALSE(highlighted);
  EXPECT_EQ(log, (PaneLog{"enter"}));
}

// The pointer stays in the source while the outline following it passes the window's right and
// bottom edges: the window must not grow to hold it (it grew under the pointer, and kept the
// drag from ever reaching the target).
TEST_F(InternalDrag, AnOutlinePastTheWindowsEdgeLeavesItsSizeAlone) {
  const int width = sourceArea.right - sourceArea.left;
  const int height = sourceArea.bottom - sourceArea.top;
  GtkRequisition asked{};
  bool outlineSeen = false;
  from->beforeDrag = [&](RuntimeObject*) {
    gui.Meanwhile([&] { gui.MoveTo(sourceArea.left + 290, sourceArea.top + 190); });
    gui.Meanwhile([&] {
      gui.Settle();
      gtk_widget_size_request(GTK_WIDGET(source->GetGtkWindow()), &asked);
      // The part of the outline inside the window is drawn (its left side at 40 + 230); the
      // sides wholly outside leave no trace in the corner they were parked in.
      const qvtest::Screenshot shot = gui.Capture({sourceArea.left, sourceArea.top, width, height});
      outlineSeen = shot.Pixel(270, 185) == kBlack && shot.Pixel(0, 0) != kBlack;
    });
    gui.Meanwhile([&] { qvtest::RunXTool(gui, {"xdotool", "mouseup", "1"}); });
  };
  PressAndDrag(sourceArea.left + 60, sourceArea.top + 60);
  EXPECT_LE(asked.width, width);
  EXPECT_LE(asked.height, height);
  EXPECT_TRUE(outlineSeen);
  QV::Rect after{};
  source->GetGlobalBounds(after);
  EXPECT_EQ(after.right - after.left, width);
  EXPECT_TRUE(log.empty());
}

TEST_F(InternalDrag, HandlersThatCloseTheirWindowLeaveNothingDangling) {
  int destroyed = 0;
  destination->destroyed = &destroyed;
  recorder.onOver = [&] {
    recorder.onOver = nullptr;
    CloseDestination();
  };
  DragToTarget();
  EXPECT_EQ(log, (PaneLog{"enter", "over"}));
  EXPECT_EQ(from->drags, 1);
  EXPECT_TRUE(gui.PumpUntil([&] { return destroyed == 1; }));
}

TEST_F(InternalDrag, ADropHandlerMayCloseItsWindow) {
  int destroyed = 0;
  destination->destroyed = &destroyed;
  recorder.onDrop = [&] { CloseDestination(); };
  DragToTarget();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[2].rfind("drop dragged raw", 0), 0u);
  EXPECT_TRUE(gui.PumpUntil([&] { return destroyed == 1; }));
}

// A real drop from another program: GTK's protocol, the URI list before the text, both files
// through NextItem, and move chosen over copy.
TEST(ExternalDrop, FilesDraggedInFromAnotherProgramReachThePane) {
  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  PaneLog windowLog, log;
  DropRecorder recorder(&log);
  WindowSpec request;
  request.bounds = MakeRect(100, 420, 300, 720);
  auto* window = new qvtest::LoggingWindow(&windowLog, request);
  auto* pane = new qvtest::TestPane(window, MakeRect(20, 20, 180, 280),
                                    qvtest::PaneWidget::kDrawsInWindow);
  pane->AddAcceptedDragType(Text("TEXT"));
  pane->AddAcceptedFileType(Text("????"));
  pane->SetDelegate(&recorder);
  int motions = 0;
  g_signal_connect(pane->GetWidget(), "drag-motion",
                   G_CALLBACK(+[](GtkWidget*, GdkDragContext*, gint, gint, guint, int* count) {
                     ++*count;
                     return FALSE;
                   }),
                   &motions);
  ASSERT_TRUE(window->OpenAndFocus(gui));
  QV::Rect content{};
  window->GetGlobalBounds(content);

  const std::string title = qvtest::UniqueWindowTitle("drag peer");
  // Left of the window, clear of it.
  qvtest::SpawnedProcess peer(qvtest::SpawnOptions{DRAG_PEER, {DRAG_PEER, title, "60", "120"}});
  ASSERT_TRUE(peer.WaitForOutput("ready"));
  const qvtest::XWindow peerWindow = gui.WaitForWindow(title);
  ASSERT_NE(peerWindow, 0u);
  const qvtest::ScreenArea from = gui.Area(peerWindow);
  ASSERT_LT(from.x + from.width, content.left) << "the peer's window covers the target";
  // The peer's drag has begun before the pointer sets off toward the target.
  gui.MoveTo(from.CenterX(), from.CenterY());
  qvtest::RunXTool(gui, {"xdotool", "mousedown", "1"});
  gui.MoveTo(from.CenterX() + 10, from.CenterY());
  gui.MoveTo(from.CenterX() + 20, from.CenterY());
  ASSERT_TRUE(peer.WaitForOutput("begin"));
  const int toX = content.left + 150, toY = content.top + 100;
  for (int k = 1; k <= 8; ++k) {
    gui.MoveTo(from.CenterX() + 20 + (toX - from.CenterX() - 20) * k / 8,
               from.CenterY() + (toY - from.CenterY()) * k / 8);
  }
  // The release goes out only after the server has our answer to the peer's last position.
  ASSERT_TRUE(gui.PumpUntil([&] { return motions > 0; }));
  gdk_flush();
  qvtest::RunXTool(gui, {"xdotool", "mouseup", "1"});
  EXPECT_TRUE(gui.PumpUntil([&] { return !log.empty(); }));
  EXPECT_EQ(log, (PaneLog{"drop   0,0 action 2 /tmp/drop peer/with space.txt "
                          "/tmp/drop peer/other.txt"}));
  pane->ClearDelegate();
  window->Release();
}

}  // namespace
