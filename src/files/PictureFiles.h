// Pictures read from and written to files: GdkPixbuf reads PNG, JPEG, GIF, TIFF, XBM and XPM,
// ImageMagick's "convert" turns PICT into BMP, and the framework reads and writes BMP itself.
// Every file is read through the framework's opener (a regular file only, read until its data
// ends) and the libraries are given its bytes, never its name. Each reader gives a new Picture
// (one reference for the caller) or nil, with the reason in the item when the file could not
// be read (ENOTSUP for a FIFO, a device or a socket).
#pragma once

#include <cstdint>

#include "app/FolderItemImp.h"
#include "core/RuntimeObject.h"

// The file at item in format (a detected picture format code; 0 gives nil).
RuntimeObject* ReadPictureFile(const FolderItemImp& item, int32_t format);
// Writes picture's pixels as a 24-bit BMP file at item; false when the picture has no pixels
// or the file could not be made or written whole (the item's lastError then says why).
bool WritePictureFile(FolderItemImp& item, RuntimeObject* picture);
