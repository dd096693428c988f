// Mouse cursors: the native cursor handle around a GDK cursor, the cursor records behind the
// built-in pictures (and the image's 'CURS' resources), the standard cursors by index, and the
// process-wide current cursor that a pane with its own cursor sets while the pointer is over it.
#pragma once

#include <gdk/gdk.h>

#include <cstddef>
#include <cstdint>

// A 16 x 16 cursor picture. Where a mask bit is 1 an image bit 1 shows black and an image bit
// 0 white; where it is 0 the pixel is transparent.
struct CursorRecord {
  uint8_t image[32];   // 16 rows of 16 bits, high byte first, top row first, leftmost pixel
                       // in the most significant bit
  uint8_t mask[32];    // the same form
  uint8_t hotSpotV[2];  // signed, low byte first
  uint8_t hotSpotH[2];
};
static_assert(sizeof(CursorRecord) == 68, "cursor records are 68 bytes");
static_assert(offsetof(CursorRecord, hotSpotV) == 64, "CursorRecord layout");

struct CursorHandle {
  GdkCursor* cursor;   // one GDK reference held; nil means the default arrow
  // The picture the cursor was drawn from (nil for a GDK cursor shape): GDK gives every
  // bitmap cursor the same type, so this tells two of them apart.
  const void* source;
};

// Shapes of GDK's cursor font used here.
constexpr int32_t kCursorShapeArrow = 2;     // GDK_ARROW: the default arrow, a nil cursor
constexpr int32_t kCursorShapeFleur = 52;    // GDK_FLEUR
constexpr int32_t kCursorShapeWatch = 150;   // GDK_WATCH
constexpr int32_t kCursorShapeXterm = 152;   // GDK_XTERM

// A handle with the nil cursor.
CursorHandle* NewCursorHandle(bool ignored);
// The shape's GDK cursor; the arrow (and any shape without a display) gives the nil cursor.
CursorHandle* NewCursorHandleForShape(int32_t shape);
// The list box's column cursors: 6601 (the horizontal resize arrow), 6602 (left side), 6603
// (right side); nil (no handle) for any other id.
CursorHandle* NewCursorHandleForId(int32_t id);
// A cursor drawn from record, which must outlive the handle (it is the handle's source).
CursorHandle* NewCursorHandleFromRecord(const CursorRecord* record);
// A cursor drawn from a 'CURS' resource: the record form with the hot spot stored high byte
// first. data (68 bytes) must outlive the handle.
CursorHandle* NewCursorHandleFromResourceData(const uint8_t* data);
// A new handle with the same cursor (one more GDK reference) and source; nil for nil.
CursorHandle* CopyCursorHandle(const CursorHandle* handle);
// Drops the GDK reference and frees the handle; nil does nothing.
void DeleteCursorHandle(CursorHandle* handle);

// The standard cursors of the "_Cursors" module by index (see CursorPictures.h); nil (no
// handle) for 13 to 15, the nil cursor for 19 and above and for negative indexes.
CursorHandle* StandardCursorHandle(int32_t index);

// The current cursor becomes a copy of handle (one more GDK reference), or nil when handle or
// its cursor is nil; the caller keeps its own handle.
void SetCurrentCursor(const CursorHandle* handle);
// The current handle itself (not a copy), or nil.
CursorHandle* GetCurrentCursor();

// The GDK cursor of a 16 x 16 picture given as image and mask rows in record form; nil without
// a display. The hot spot is (hotH, hotV) from the top left.
GdkCursor* GdkCursorFromBits(const uint8_t* image, const uint8_t* mask, int32_t hotH,
                             int32_t hotV);
