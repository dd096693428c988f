// What the list tests ask of the X server directly: a press or release of the first mouse
// button (XTest) and the cursor it shows (XFixes), kept apart from the framework's headers
// (Xlib's Window and None clash with them).
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <gdk/gdkx.h>

#include <cstdint>
#include <vector>

namespace qvtest {

void FakeFirstButton(bool down) {
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  XTestFakeButtonEvent(display, 1, down, CurrentTime);
  XFlush(display);
}

std::vector<uint32_t> ShownCursorImage() {
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  XFixesCursorImage* image = XFixesGetCursorImage(display);
  if (!image) return {};
  std::vector<uint32_t> pixels = {image->width, image->height, image->xhot, image->yhot};
  for (int i = 0; i < image->width * image->height; ++i) pixels.push_back(image->pixels[i]);
  XFree(image);
  return pixels;
}

}  // namespace qvtest
