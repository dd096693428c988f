// Turning the pixels of one off-screen surface into another of the same size by any angle,
// with three shears (Paeth's method): x, then y, then x, each moving whole rows or columns by
// the integer part of their offset and spreading the fraction between neighbouring pixels.
// Turns by a quarter are exact moves of pixels, with no blending.
//
// The turn is about the surface's centre and keeps its size, so corners that leave the
// rectangle are cut off. A positive angle turns counter-clockwise on the screen.
#pragma once

#include <cstdint>

#include "graphics/Drawable.h"

// Flags of a turn.
constexpr int32_t kRotateFillWhite = 1;  // parts no pixel reaches become white
constexpr int32_t kRotateBlendEdge = 2;  // edges blend with the edge pixel instead of white

// Turns source's pixels by angle (radians) into destination's pixel copy, which is drawn onto
// its pixmap before the pixmap is next used (see Drawable.h). Both must be given, differ and
// have one size, else the turn is refused (a failed check) and false. The source's copy is
// read, not changed; with the white fill the destination's is not read from the pixmap.
bool RotateDrawable(DrawablePane* source, DrawablePane* destination, double angle,
                    int32_t flags);
