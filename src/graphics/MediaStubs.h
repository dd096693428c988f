// The platform media layer: entry points that other platforms' movie support fills and that
// other subsystems call by name. This platform has none of it, so each answers as "no media
// support" and every notice does nothing; movies play through MediaPlayer instead.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"

extern "C" {
// Whether the media layer started: its start never succeeds here, so false.
int32_t MediaSupportStart();
int32_t MediaSupportAvailable();
// The media layer's controller for key: 0, since no record is ever made.
uint32_t MediaFindController(void* key);
// Whether pictures can be exported through the media layer: false.
int32_t MediaStubCanExportPicture();
// A pane or window closes (every close path) or a MoviePlayer gets another movie.
void MediaStubPaneClosing(void* pane);
void MediaStubWindowClosing(void* window);
uint32_t MediaStubMakeMovieHandle(RuntimeObject* movie);
}
