// Mouse cursors: pictures to records, records to the cursor the X server shows (read back with
// XFixes, hot spot included), the standard cursors and their handles, the current cursor, the
// MouseCursor objects, and a cursor from a 'CURS' resource of a packed image.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "PaneFixtures.h"
#include "image/ImageBlocks.h"
#include "image/ResourceTable.h"
#include "support/TestSupport.h"
#include "windows/CursorPictures.h"
#include "windows/CursorResources.h"
#include "windows/CursorsModule.h"
#include "windows/MouseCursorClass.h"

// Xlib's macros (None, Bool, Status) after everything else.
// Xlib names a type Window as the framework does; here it goes by another name.
#define Window XlibWindow
#include <X11/extensions/Xfixes.h>
#include <gdk/gdkx.h>
#undef Window

namespace {

using qvtest::MakeRect;

// The pixel a record shows at (x, y), as XFixes gives it (premultiplied ARGB), decoded here
// from the record's own form: rows high byte first, the leftmost pixel in the top bit.
uint32_t RecordPixel(const uint8_t* record, int x, int y) {
  const auto bit = [&](int offset) { return (record[offset + 2 * y + x / 8] >> (7 - x % 8)) & 1; };
  if (!bit(32)) return 0;
  return bit(0) ? 0xFF000000u : 0xFFFFFFFFu;
}

TEST(CursorRecords, ArtBecomesImageMaskAndHotSpotBytes) {
  CursorArt art = {{}, 9, 8};
  for (const char*& row : art.rows) row = "                ";
  art.rows[0] = "X              o";
  art.rows[15] = "       XX       ";
  const CursorRecord record = CursorRecordFromArt(art);
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&record);
  EXPECT_EQ((std::vector<int>{bytes[0], bytes[1], bytes[32], bytes[33]}),
            (std::vector<int>{0x80, 0x00, 0x80, 0x01}));  // black at the left, white at the right
  EXPECT_EQ((std::vector<int>{bytes[30], bytes[31], bytes[2], bytes[34]}),
            (std::vector<int>{0x01, 0x80, 0x00, 0x00}));  // pixels 7 and 8 straddle the bytes
  EXPECT_EQ((std::vector<int>{bytes[64], bytes[65], bytes[66], bytes[67]}),
            (std::vector<int>{9, 0, 8, 0}));
  for (uint8_t byte : BuiltInCursorRecord(kCursorInvisible)->mask) EXPECT_EQ(byte, 0);
}

TEST(CursorHandles, StandardIndexesGiveShapesPicturesNilCursorsOrNoHandle) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  for (int32_t index = -1; index < 22; ++index) {
    CursorHandle* handle = StandardCursorHandle(index);
    const CursorRecord* picture = BuiltInCursorRecord(index);
    if (index >= 13 && index <= 15) {
      EXPECT_EQ(handle, nullptr) << index;
      continue;
    }
    ASSERT_NE(handle, nullptr) << index;
    EXPECT_EQ(handle->source, picture) << index;
    const bool shape = index == kCursorArrowAllDirections || index == kCursorIBeam ||
                       index == kCursorWait;
    EXPECT_EQ(handle->cursor != nullptr, picture || shape) << index;  // else the default arrow
    DeleteCursorHandle(handle);
  }
  const std::pair<int32_t, GdkCursorType> shapes[] = {{kCursorArrowAllDirections, GDK_FLEUR},
                                                      {kCursorIBeam, GDK_XTERM},
                                                      {kCursorWait, GDK_WATCH}};
  for (const auto& [index, type] : shapes) {
    CursorHandle* handle = StandardCursorHandle(index);
    EXPECT_EQ(gdk_cursor_get_cursor_type(handle->cursor), type);
    DeleteCursorHandle(handle);
  }
  CursorHandle* column = NewCursorHandleForId(6601);
  EXPECT_EQ(gdk_cursor_get_cursor_type(column->cursor), GDK_SB_H_DOUBLE_ARROW);
  DeleteCursorHandle(column);
  EXPECT_EQ(NewCursorHandleForId(6604), nullptr);
}

TEST(CursorHandles, TheCurrentCursorIsACopyThatOutlivesTheCallersHandle) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  CursorHandle* hand = StandardCursorHandle(kCursorHandOpen);
  SetCurrentCursor(hand);
  ASSERT_NE(GetCurrentCursor(), nullptr);
  EXPECT_NE(GetCurrentCursor(), hand);
  EXPECT_EQ(GetCurrentCursor()->source, hand->source);
  DeleteCursorHandle(hand);
  EXPECT_EQ(gdk_cursor_get_cursor_type(GetCurrentCursor()->cursor), GDK_CURSOR_IS_PIXMAP);
  RuntimeObject* arrow = getArrowCursor();
  SetCurrentCursor(MouseCursorHandle(arrow));  // the default arrow: no current cursor
  EXPECT_EQ(GetCurrentCursor(), nullptr);
  RuntimeUnlockObject(arrow);
}

TEST(MouseCursorObjects, GlobalsMakeNewOnesAndTheModuleKeepsItsOwn) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  RuntimeObject* watch = getWatchCursor();
  EXPECT_EQ(gdk_cursor_get_cursor_type(MouseCursorHandle(watch)->cursor), GDK_WATCH);
  EXPECT_EQ(watch->refCount, 1);
  RuntimeUnlockObject(watch);
  RuntimeObject* cursors = GetCursorsClass(nullptr, 0);
  EXPECT_EQ(GetCursorsClass(nullptr, 0), cursors);
  RuntimeObject* first = GetHandOpenCursor(cursors, 0);
  const int32_t count = first->refCount;
  EXPECT_EQ(GetHandOpenCursor(cursors, 0), first);
  EXPECT_EQ(first->refCount, count + 1);
  EXPECT_EQ(MouseCursorHandle(first)->source, BuiltInCursorRecord(kCursorHandOpen));
  for (RuntimeObject* object : {first, first, cursors, cursors}) RuntimeUnlockObject(object);
}

class ShownCursorTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    int event = 0, error = 0;
    if (!XFixesQueryExtension(display, &event, &error)) GTEST_SKIP() << "no XFixes";
    window = new qvtest::TestWindow();
    pane = new qvtest::TestPane(window, MakeRect(20, 20, 120, 220), qvtest::PaneWidget::kOwnWindow);
    ASSERT_TRUE(window->ShowAndSettle(gui));
    gint x = 0, y = 0;
    gdk_window_get_origin(pane->GetGdkWindow(), &x, &y);
    gui.MoveTo(x + 100, y + 50);
  }
  void TearDown() override {
    if (window) window->Release();
  }
  // Shows cursor over the pane and compares what the server shows with record, pixel by pixel.
  void ExpectShown(GdkCursor* cursor, const uint8_t* record, int hotH, int hotV) {
    gdk_window_set_cursor(pane->GetGdkWindow(), cursor);
    XFixesCursorImage* image = nullptr;
    const bool shown = gui.PumpUntil([&] {
      if (image) XFree(image);
      image = XFixesGetCursorImage(display);
      return image && image->width == 16 && image->height == 16 && image->xhot == hotH &&
             image->yhot == hotV && image->pixels[0] == RecordPixel(record, 0, 0);
    });
    ASSERT_TRUE(image);
    EXPECT_TRUE(shown) << image->width << "x" << image->height << " hot " << image->xhot << ","
                       << image->yhot;
    int differing = 0;
    for (int at = 0; at < 256 && shown; ++at) {
      differing += uint32_t(image->pixels[at]) != RecordPixel(record, at % 16, at / 16);
    }
    EXPECT_EQ(differing, 0);
    XFree(image);
    gdk_window_set_cursor(pane->GetGdkWindow(), nullptr);
  }
  qvtest::GuiDriver gui;
  Display* display = nullptr;
  qvtest::TestWindow* window = nullptr;
  qvtest::TestPane* pane = nullptr;
};

TEST_F(ShownCursorTest, ABuiltInPictureShowsAsDrawnWithItsHotSpot) {
  for (int index : {kCursorHandOpen, kCursorFingerPointer}) {
    CursorHandle* handle = StandardCursorHandle(index);
    const CursorRecord* record = BuiltInCursorRecord(index);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(record);
    ExpectShown(handle->cursor, bytes, bytes[66], bytes[64]);
    DeleteCursorHandle(handle);
  }
}

// The packed test image's resource block, registered as the loader registers it.
TEST_F(ShownCursorTest, ACursorResourceOfAPackedImageShowsWithItsHotSpot) {
  uint32_t size = 0;
  const uint8_t* block = ReadImageBlockFile(CURSORAPP_DIR "/rsrc.dat", &size);
  RegisterImageResources(block, size, 0, CURSORAPP_DIR "/rsrc.dat");
  const ResourceEntry entry = FindResource(qvimage::kResourceCursor, 128);
  ASSERT_EQ(entry.length, 68u);
  RuntimeObject* cursor = RuntimeGetCursorFromResourceManager(128);
  ASSERT_NE(cursor, nullptr);
  EXPECT_EQ(MouseCursorHandle(cursor)->source, entry.data);
  // The resource keeps its hot spot high byte first: 3 down, 11 across.
  ExpectShown(MouseCursorHandle(cursor)->cursor, entry.data, 11, 3);
  RuntimeUnlockObject(cursor);
  EXPECT_EQ(RuntimeGetCursorFromResourceManager(129), nullptr);
  qvtest::ReportCapture reports;
  EXPECT_EQ(NewMouseCursorFromResource(entry.data, 67), nullptr);
  EXPECT_EQ(reports.count(), 1u);
}

// The X server refuses a cursor whose hot spot lies outside its picture (BadMatch), and GDK's
// handler of that error would end the process: such a resource is reported and gives no
// cursor. Hot spots at the picture's corners make one.
TEST(CursorResources, AHotSpotOutsideThePictureIsRefusedWithAReport) {
  ASSERT_TRUE(qvtest::HaveDisplay()) << "needs a display: run under scripts/with-display";
  uint32_t size = 0;
  uint8_t* block = ReadImageBlockFile(CURSORAPP_DIR "/rsrc.dat", &size);
  constexpr uint32_t kHeader = sizeof(qvimage::ResourceRecordHeader);
  ASSERT_GE(size, kHeader + 68u);
  static uint8_t record[68];  // the cursors made keep it as their source
  std::memcpy(record, block + kHeader, sizeof record);
  std::free(block);
  const std::pair<int, int> outside[] = {{16, 0}, {0, 16}, {-1, 3}, {3, -1}, {300, 2}};
  const std::pair<int, int> corners[] = {{0, 0}, {15, 15}, {0, 15}};
  auto place = [](int v, int h) {
    record[64] = uint8_t(v >> 8), record[65] = uint8_t(v), record[66] = uint8_t(h >> 8);
    record[67] = uint8_t(h);
  };
  for (const auto& [v, h] : outside) {
    qvtest::ReportCapture reports;
    place(v, h);
    EXPECT_EQ(NewMouseCursorFromResource(record, sizeof record), nullptr) << v << "," << h;
    EXPECT_TRUE(reports.count() == 1 && reports.HasCondition("hotSpotInPicture")) << v;
  }
  for (const auto& [v, h] : corners) {
    place(v, h);
    RuntimeObject* cursor = NewMouseCursorFromResource(record, sizeof record);
    ASSERT_NE(cursor, nullptr) << v << "," << h;
    EXPECT_NE(MouseCursorHandle(cursor)->cursor, nullptr);
    RuntimeUnlockObject(cursor);
  }
  gdk_flush();  // any error the server sent has arrived: the process is still here
}

}  // namespace
