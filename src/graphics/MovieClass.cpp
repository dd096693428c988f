#include "graphics/MovieClass.h"

#include "app/ResourceManager.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "image/ImageFormat.h"

namespace {

using namespace lang;

const PropertyRow kMovieProperties[] = {
    QV_READONLY("Width", Integer, movieWidthGetter),
    QV_READONLY("Height", Integer, movieHeightGetter),
    QV_READONLY("BaseWidth", Integer, movieBaseWidthGetter),
    QV_READONLY("BaseHeight", Integer, movieBaseHeightGetter),
    QV_READONLY("Handle", Integer, movieHandleGetter),
};

MovieObject* AsMovie(RuntimeObject* movie) { return reinterpret_cast<MovieObject*>(movie); }

void InstallMovieMaker() { SetResourceObjectMakers({.movie = NewMovieWithFile}); }

}  // namespace

QV_CLASS(MovieClassDefinition,
         .name = "Movie",
         .objectSize = sizeof(MovieObject),
         .properties = kMovieProperties,
         .finalizer = QV_CODE(RuntimeMovieDestructor))
QV_STARTUP_CLASS(kStartupMovieClass, MovieClassDefinition)
QV_STARTUP(kStartupMovieResourceMaker, InstallMovieMaker)

RuntimeObject* NewMovieWithFile(FolderItemImp* file) {
  RuntimeObject* movie = NewObjectFromDefinition(MovieClassDefinition());
  if (!movie) {
    delete file;
    return nullptr;
  }
  AsMovie(movie)->typeCode = qvimage::kResourceMovie;
  AsMovie(movie)->file = file;
  return movie;
}

const FolderItemImp* MovieFile(RuntimeObject* movie) {
  return movie ? AsMovie(movie)->file : nullptr;
}

string MoviePath(RuntimeObject* movie) {
  if (!movie) return string();
  if (AsMovie(movie)->file) return AsMovie(movie)->file->GetPath();
  return string(AsMovie(movie)->path);
}

extern "C" void RuntimeMovieDestructor(RuntimeObject* movie) {
  if (!movie) return;
  delete AsMovie(movie)->file;
  AsMovie(movie)->file = nullptr;
  stringStorage::RemoveReference(AsMovie(movie)->path);
  AsMovie(movie)->path = nullptr;
}
QV_EXPORT(RuntimeMovieDestructor)

extern "C" RuntimeObject* RuntimeGetMovieFromResource(uint32_t id) {
  return TheResourceManager().GetMovie(uint16_t(id));
}
QV_EXPORT(RuntimeGetMovieFromResource)

// The movie's measures and handle belong to players of other platforms.
#define QV_MOVIE_ZERO_GETTER(name)                           \
  extern "C" int32_t name(RuntimeObject*, int32_t) { return 0; } \
  QV_EXPORT(name)
QV_MOVIE_ZERO_GETTER(movieWidthGetter)
QV_MOVIE_ZERO_GETTER(movieHeightGetter)
QV_MOVIE_ZERO_GETTER(movieBaseWidthGetter)
QV_MOVIE_ZERO_GETTER(movieBaseHeightGetter)
QV_MOVIE_ZERO_GETTER(movieHandleGetter)

extern "C" RuntimeObject* openURLMovie(stringStorage*) { return nullptr; }
QV_EXPORT(openURLMovie)
