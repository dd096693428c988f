// Pictures read from and written to files: GdkPixbuf reads PNG, JPEG, GIF, TIFF and XBM, GDK
// reads XPM, ImageMagick's "convert" turns PICT into BMP, and the framework reads and writes
// BMP itself. Each reader gives a new Picture (one reference for the caller) or nil.
#pragma once

#include <cstdint>

#include "app/FolderItemImp.h"
#include "core/RuntimeObject.h"

// The file at item in format (a detected picture format code; 0 gives nil).
RuntimeObject* ReadPictureFile(const FolderItemImp& item, int32_t format);
// Writes picture's pixels as a 24-bit BMP file at item; false when the picture has no pixels
// or the file could not be made or written whole (the item's lastError then says why).
bool WritePictureFile(FolderItemImp& item, RuntimeObject* picture);
