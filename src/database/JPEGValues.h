// JPEG values of fields and records (JPEGValue, JPEGColumn): the bytes travel through a new
// temporary file, written and read through a BinaryStream, and the file is deleted afterwards.
// Reading that file as a Picture and saving a Picture into it belong to the picture layer, which
// installs its two converters; until it does, no picture is made and none is recorded.
#pragma once

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

struct JPEGPictureConverters {
  // A new Picture from the JPEG file that the FolderItem names, or nil.
  RuntimeObject* (*read)(RuntimeObject* item);
  // Saves picture as JPEG into the FolderItem's file; false when it cannot.
  bool (*write)(RuntimeObject* picture, RuntimeObject* item);
};

// Installs converters; the ones installed before.
JPEGPictureConverters SetJPEGPictureConverters(const JPEGPictureConverters& converters);

// A new Picture made from the bytes, or nil.
RuntimeObject* PictureFromJPEGBytes(const string& bytes);
// The picture's JPEG bytes; false when there are none to record. A file whose length needs more
// than 32 bits raises UnsupportedFormatException (and answers false).
bool JPEGBytesOfPicture(RuntimeObject* picture, string* bytes);
