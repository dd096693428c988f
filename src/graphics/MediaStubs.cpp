#include "graphics/MediaStubs.h"

#include "core/Export.h"

namespace {

// A movie the media layer plays: none is ever made on this platform.
struct MediaRecord {
  MediaRecord* next;
  void* key;
  uint32_t controller;
};

MediaRecord* gMediaRecords = nullptr;
bool gMediaStarted = false;

}  // namespace

extern "C" int32_t MediaSupportStart() { return gMediaStarted; }
QV_EXPORT(MediaSupportStart)

extern "C" int32_t MediaSupportAvailable() { return MediaSupportStart(); }
QV_EXPORT(MediaSupportAvailable)

extern "C" uint32_t MediaFindController(void* key) {
  for (const MediaRecord* record = gMediaRecords; record; record = record->next) {
    if (record->key == key) return record->controller;
  }
  return 0;
}
QV_EXPORT(MediaFindController)

extern "C" int32_t MediaStubCanExportPicture() { return 0; }
QV_EXPORT(MediaStubCanExportPicture)

extern "C" void MediaStubPaneClosing(void*) {}
QV_EXPORT(MediaStubPaneClosing)

extern "C" void MediaStubWindowClosing(void*) {}
QV_EXPORT(MediaStubWindowClosing)

extern "C" uint32_t MediaStubMakeMovieHandle(RuntimeObject*) { return 0; }
QV_EXPORT(MediaStubMakeMovieHandle)
