#include "windows/CursorHandle.h"

#include "windows/CursorPictures.h"

namespace {

CursorHandle* gCurrentCursor = nullptr;

CursorHandle* NewHandle(GdkCursor* cursor, const void* source) {
  return new CursorHandle{cursor, source};
}

// X bitmaps hold the leftmost pixel in the least significant bit.
uint16_t ReverseBits(uint16_t value) {
  uint16_t reversed = 0;
  for (int bit = 0; bit < 16; ++bit) {
    reversed = uint16_t(reversed << 1 | (value & 1));
    value = uint16_t(value >> 1);
  }
  return reversed;
}

int16_t LowByteFirst(const uint8_t* bytes) { return int16_t(bytes[0] | bytes[1] << 8); }
int16_t HighByteFirst(const uint8_t* bytes) { return int16_t(bytes[0] << 8 | bytes[1]); }

}  // namespace

// The source bitmap is the complemented image, so image bits 1 show in the background colour
// (black) and image bits 0 in the foreground colour (white) wherever the mask is set.
GdkCursor* GdkCursorFromBits(const uint8_t* image, const uint8_t* mask, int32_t hotH,
                             int32_t hotV) {
  if (!gdk_display_get_default()) return nullptr;
  gchar sourceBits[32];
  gchar maskBits[32];
  for (int row = 0; row < 16; ++row) {
    const uint16_t source = uint16_t(~ReverseBits(uint16_t(image[2 * row] << 8 | image[2 * row + 1])));
    const uint16_t shown = ReverseBits(uint16_t(mask[2 * row] << 8 | mask[2 * row + 1]));
    sourceBits[2 * row] = gchar(source & 0xFF);
    sourceBits[2 * row + 1] = gchar(source >> 8);
    maskBits[2 * row] = gchar(shown & 0xFF);
    maskBits[2 * row + 1] = gchar(shown >> 8);
  }
  GdkPixmap* sourceMap = gdk_bitmap_create_from_data(nullptr, sourceBits, 16, 16);
  GdkPixmap* maskMap = gdk_bitmap_create_from_data(nullptr, maskBits, 16, 16);
  GdkColor white = {0, 0xFFFF, 0xFFFF, 0xFFFF};
  GdkColor black = {0, 0, 0, 0};
  GdkCursor* cursor =
      gdk_cursor_new_from_pixmap(sourceMap, maskMap, &white, &black, hotH, hotV);
  g_object_unref(sourceMap);
  g_object_unref(maskMap);
  return cursor;
}

CursorHandle* NewCursorHandle(bool) { return NewHandle(nullptr, nullptr); }

CursorHandle* NewCursorHandleForShape(int32_t shape) {
  if (shape == kCursorShapeArrow || !gdk_display_get_default()) return NewHandle(nullptr, nullptr);
  return NewHandle(gdk_cursor_new(GdkCursorType(shape)), nullptr);
}

CursorHandle* NewCursorHandleForId(int32_t id) {
  switch (id) {
    case 6601:
      return NewCursorHandleForShape(GDK_SB_H_DOUBLE_ARROW);
    case 6602:
      return NewCursorHandleForShape(GDK_LEFT_SIDE);
    case 6603:
      return NewCursorHandleForShape(GDK_RIGHT_SIDE);
    default:
      return nullptr;
  }
}

CursorHandle* NewCursorHandleFromRecord(const CursorRecord* record) {
  return NewHandle(GdkCursorFromBits(record->image, record->mask, LowByteFirst(record->hotSpotH),
                                     LowByteFirst(record->hotSpotV)),
                   record);
}

CursorHandle* NewCursorHandleFromResourceData(const uint8_t* data) {
  const CursorRecord* record = reinterpret_cast<const CursorRecord*>(data);
  return NewHandle(GdkCursorFromBits(record->image, record->mask,
                                     HighByteFirst(record->hotSpotH),
                                     HighByteFirst(record->hotSpotV)),
                   data);
}

CursorHandle* CopyCursorHandle(const CursorHandle* handle) {
  if (!handle) return nullptr;
  return NewHandle(handle->cursor ? gdk_cursor_ref(handle->cursor) : nullptr, handle->source);
}

void DeleteCursorHandle(CursorHandle* handle) {
  if (!handle) return;
  if (handle->cursor) gdk_cursor_unref(handle->cursor);
  delete handle;
}

CursorHandle* StandardCursorHandle(int32_t index) {
  if (const CursorRecord* record = BuiltInCursorRecord(index)) {
    return NewCursorHandleFromRecord(record);
  }
  switch (index) {
    case kCursorArrowAllDirections:
      return NewCursorHandleForShape(kCursorShapeFleur);
    case kCursorIBeam:
      return NewCursorHandleForShape(kCursorShapeXterm);
    case kCursorWait:
      return NewCursorHandleForShape(kCursorShapeWatch);
    case 13:
    case 14:
    case 15:
      return nullptr;
    default:
      return NewCursorHandle(false);
  }
}

void SetCurrentCursor(const CursorHandle* handle) {
  CursorHandle* copy = handle && handle->cursor ? CopyCursorHandle(handle) : nullptr;
  DeleteCursorHandle(gCurrentCursor);
  gCurrentCursor = copy;
}

CursorHandle* GetCurrentCursor() { return gCurrentCursor; }
