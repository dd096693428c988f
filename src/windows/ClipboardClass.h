// The language class "Clipboard": text through the desktop's CLIPBOARD selection, pictures
// through GTK's image clipboard (or, on a GTK without it, a private selection), and raw data
// under a four-character type in a private selection per type.
//
// A private selection carries a record that points into this process's memory, so it is read
// only while a window of this process owns the selection: an answer from another client of the
// same size is never taken for a record and no pointer from outside is followed.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

struct ClipboardObject {
  RuntimeObject header;
  uint8_t open;  // set by the initializer, read by nobody
};

ObjectDefinition* ClipboardClassDefinition();

// The record a private raw-data selection carries (12 bytes in this 32-bit process).
struct ClipboardDataRecord {
  uint32_t encoding;
  uint32_t length;
  uint8_t* bytes;  // private copy
};
static_assert(sizeof(ClipboardDataRecord) == 12, "the raw-data selection carries 12 bytes");

// The record a private picture selection carries: RGB rows, 3 bytes a pixel.
struct ClipboardPictureRecord {
  int32_t rowStride;
  int32_t height;
  int32_t width;
  uint8_t* pixels;  // private copy
};
static_assert(sizeof(ClipboardPictureRecord) == 16, "the picture selection carries 16 bytes");

extern "C" {
void ClipboardInitializer(RuntimeObject* clipboard);
void ClipboardFinalizer(RuntimeObject* clipboard);
stringStorage* clipboardTextGetter(RuntimeObject* clipboard, uint32_t unused);
void clipboardTextSetter(RuntimeObject* clipboard, uint32_t unused, stringStorage* text);
RuntimeObject* clipboardPictureGetter(RuntimeObject* clipboard, uint32_t unused);
void clipboardPictureSetter(RuntimeObject* clipboard, uint32_t unused, RuntimeObject* picture);
void clipboardSetText(RuntimeObject* clipboard, stringStorage* text);
void clipboardClose(RuntimeObject* clipboard);
int32_t clipboardTextAvailable(RuntimeObject* clipboard);
int32_t clipboardPictureAvailable(RuntimeObject* clipboard);
int32_t clipboardMacDataAvailable(RuntimeObject* clipboard, stringStorage* macType);
stringStorage* clipboardMacData(RuntimeObject* clipboard, stringStorage* macType);
void clipboardAddMacData(RuntimeObject* clipboard, stringStorage* data, stringStorage* macType);
}
