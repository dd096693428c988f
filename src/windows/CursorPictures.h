// The standard cursors of the "_Cursors" module, by index, and the twelve built-in pictures
// behind most of them.
#pragma once

#include <cstdint>

#include "windows/CursorHandle.h"

enum StandardCursor : int32_t {
  kCursorHandOpen = 0,
  kCursorHandClosed = 1,
  kCursorArrowEastWest = 2,
  kCursorArrowNorthSouth = 3,
  kCursorArrowNortheastSouthwest = 4,
  kCursorArrowNorthwestSoutheast = 5,
  kCursorArrowAllDirections = 6,  // GDK's fleur
  kCursorIBeam = 7,               // GDK's xterm
  kCursorStandardPointer = 8,     // the nil cursor
  kCursorWait = 9,                // GDK's watch
  kCursorSplitterEastWest = 10,
  kCursorSplitterNorthSouth = 11,
  kCursorFingerPointer = 12,
  // 13 to 15 name no cursor at all.
  kCursorMagnifyLarger = 16,
  kCursorMagnifySmaller = 17,
  kCursorInvisible = 18,
  kStandardCursorCount = 19,
};

// The built-in picture of a standard cursor, or nil when the cursor has none.
const CursorRecord* BuiltInCursorRecord(int32_t index);

// A picture as rows of text: 'X' black, 'o' white, ' ' transparent. Used to write the built-in
// pictures and by tests that check them.
struct CursorArt {
  const char* rows[16];
  int16_t hotSpotV;
  int16_t hotSpotH;
};

constexpr CursorRecord CursorRecordFromArt(const CursorArt& art) {
  CursorRecord record{};
  for (int row = 0; row < 16; ++row) {
    const char* text = art.rows[row];
    uint16_t image = 0;
    uint16_t mask = 0;
    for (int column = 0; column < 16; ++column) {
      const char pixel = text[column];
      if (pixel != 'X' && pixel != 'o' && pixel != ' ') throw "cursor art: 16 of X, o or blank";
      const uint16_t bit = uint16_t(0x8000u >> column);
      if (pixel != ' ') mask |= bit;
      if (pixel == 'X') image |= bit;
    }
    if (text[16] != '\0') throw "cursor art rows are 16 pixels";
    record.image[2 * row] = uint8_t(image >> 8);
    record.image[2 * row + 1] = uint8_t(image);
    record.mask[2 * row] = uint8_t(mask >> 8);
    record.mask[2 * row + 1] = uint8_t(mask);
  }
  record.hotSpotV[0] = uint8_t(art.hotSpotV);
  record.hotSpotV[1] = uint8_t(uint16_t(art.hotSpotV) >> 8);
  record.hotSpotH[0] = uint8_t(art.hotSpotH);
  record.hotSpotH[1] = uint8_t(uint16_t(art.hotSpotH) >> 8);
  return record;
}
