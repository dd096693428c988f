// A press or release of the first mouse button by XTest alone, kept apart from the framework's
// headers (Xlib's Window and None clash with them).
#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

namespace qvtest {

void FakeFirstButton(bool down) {
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
  XTestFakeButtonEvent(display, 1, down, CurrentTime);
  XFlush(display);
}

}  // namespace qvtest
