// The Movie class: a movie file, kept as its type code and its folder item (or, for a movie
// named by path alone, its path). Movies come from files (FolderItem.OpenAsMovie) and from the
// image's 'moov' resources (the resource manager's GetMovie writes each to a temporary file),
// whose maker this file installs at start-up. A MoviePlayer plays them; the movie's own
// measures are not known on this platform and read 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/FolderItemImp.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

struct MovieObject {
  RuntimeObject header;
  uint32_t typeCode;    // 'moov'
  FolderItemImp* file;  // owned; nil for none
  stringStorage* path;  // held; nil for none
};
static_assert(sizeof(MovieObject) == 36 && offsetof(MovieObject, file) == 28 &&
              offsetof(MovieObject, path) == 32);

ObjectDefinition* MovieClassDefinition();

// A new Movie (one reference for the caller) of type 'moov' that owns file; nil (and file
// deleted) when it cannot be made.
RuntimeObject* NewMovieWithFile(FolderItemImp* file);

// The movie's file (borrowed), or nil.
const FolderItemImp* MovieFile(RuntimeObject* movie);
// The path to play: the file's, else the path string; empty for neither.
string MoviePath(RuntimeObject* movie);

extern "C" {
void RuntimeMovieDestructor(RuntimeObject* movie);
// The Movie of resource 'moov' id (the caller's reference), or nil.
RuntimeObject* RuntimeGetMovieFromResource(uint32_t id);
int32_t movieWidthGetter(RuntimeObject* movie, int32_t parameter);
int32_t movieHeightGetter(RuntimeObject* movie, int32_t parameter);
int32_t movieBaseWidthGetter(RuntimeObject* movie, int32_t parameter);
int32_t movieBaseHeightGetter(RuntimeObject* movie, int32_t parameter);
int32_t movieHandleGetter(RuntimeObject* movie, int32_t parameter);
// Movies at URLs are not played on this platform: nil.
RuntimeObject* openURLMovie(stringStorage* url);
}
