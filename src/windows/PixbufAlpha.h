// Transparency for icons: the alpha channel of an RGBA pixel buffer from white pixels or from a
// mask picture.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

// Every pure white pixel becomes transparent; the others keep their alpha. A buffer without
// alpha is left alone.
void WhiteToTransparent(GdkPixbuf* pixbuf);
// Over the area both buffers cover, each pixel's alpha becomes 255 minus the mean of the mask
// pixel's red, green and blue (black opaque, white transparent). Nil buffers, a buffer without
// alpha or a mask without colour channels change nothing.
void AlphaFromMask(GdkPixbuf* pixbuf, GdkPixbuf* mask);
