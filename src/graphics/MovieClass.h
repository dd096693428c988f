// The Movie class, as far as the framework makes movies so far: a movie file, kept as its type
// code and its folder item. Movies come from the image's 'moov' resources (the resource
// manager's GetMovie writes each to a temporary file), whose maker this file installs at
// start-up. The players and the remaining members come with the media layer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/FolderItemImp.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct MovieObject {
  RuntimeObject header;
  uint32_t typeCode;    // 'moov'
  FolderItemImp* file;  // owned; nil for none
};
static_assert(sizeof(MovieObject) == 32 && offsetof(MovieObject, file) == 28);

ObjectDefinition* MovieClassDefinition();

// A new Movie (one reference for the caller) of type 'moov' that owns file; nil (and file
// deleted) when it cannot be made.
RuntimeObject* NewMovieWithFile(FolderItemImp* file);

// The movie's file (borrowed), or nil.
const FolderItemImp* MovieFile(RuntimeObject* movie);

extern "C" {
void RuntimeMovieDestructor(RuntimeObject* movie);
// The Movie of resource 'moov' id (the caller's reference), or nil.
RuntimeObject* RuntimeGetMovieFromResource(uint32_t id);
}
