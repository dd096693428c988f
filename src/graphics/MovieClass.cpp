#include "graphics/MovieClass.h"

#include "app/ResourceManager.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "image/ImageFormat.h"

namespace {

MovieObject* AsMovie(RuntimeObject* movie) { return reinterpret_cast<MovieObject*>(movie); }

void InstallMovieMaker() { SetResourceObjectMakers({.movie = NewMovieWithFile}); }

}  // namespace

QV_CLASS(MovieClassDefinition,
         .name = "Movie",
         .objectSize = sizeof(MovieObject),
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

extern "C" void RuntimeMovieDestructor(RuntimeObject* movie) {
  if (!movie) return;
  delete AsMovie(movie)->file;
  AsMovie(movie)->file = nullptr;
}
QV_EXPORT(RuntimeMovieDestructor)

extern "C" RuntimeObject* RuntimeGetMovieFromResource(uint32_t id) {
  return TheResourceManager().GetMovie(uint16_t(id));
}
QV_EXPORT(RuntimeGetMovieFromResource)
