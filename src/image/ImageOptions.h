// The image's options block: the window icons and the version record.
//
// Options stand one after another, each a tag byte and its payload (ImageFormat.h):
//   1  an icon: width, height, then width x height RGBA pixels, rows top down;
//   2  the version record, which becomes resource 'VERS' id 0 (VersionResource.h).
// The icons are installed as the toolkit's default window icons, last icon of the block first.
#pragma once

#include <cstdint>

// Reads the whole block. An unknown tag is reported and reading goes on with the next byte; an
// icon or a version record that runs past the block is reported and ends the reading (nothing
// after it can be found). Icons read before the end are still installed.
void ApplyImageOptions(const uint8_t* block, uint32_t size);
