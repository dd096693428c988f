/* Another X client for the clipboard tests: owns the selection argv[1] and answers requests for
 * the target argv[2] with the bytes of argv[3] given in hexadecimal (type argv[2], format 8).
 * Prints "ready" once it owns the selection; ends when another client takes it, or is killed. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: selection_peer SELECTION TARGET HEXBYTES\n");
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (!display) return 1;
  unsigned char bytes[256];
  int length = 0;
  for (const char* hex = argv[3]; hex[0] && hex[1] && length < 256; hex += 2) {
    unsigned value = 0;
    sscanf(hex, "%2x", &value);
    bytes[length++] = (unsigned char)value;
  }
  const Atom selection = XInternAtom(display, argv[1], False);
  const Atom target = XInternAtom(display, argv[2], False);
  const Atom targets = XInternAtom(display, "TARGETS", False);
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(display, selection, window, CurrentTime);
  if (XGetSelectionOwner(display, selection) != window) return 1;
  printf("ready\n");
  fflush(stdout);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == SelectionClear) return 0;
    if (event.type != SelectionRequest) continue;
    XSelectionRequestEvent* request = &event.xselectionrequest;
    XSelectionEvent answer = {0};
    answer.type = SelectionNotify;
    answer.requestor = request->requestor;
    answer.selection = request->selection;
    answer.target = request->target;
    answer.time = request->time;
    answer.property = request->property ? request->property : request->target;
    if (request->target == target) {
      XChangeProperty(display, request->requestor, answer.property, target, 8, PropModeReplace,
                      bytes, length);
    } else if (request->target == targets) {
      Atom offered[2] = {targets, target};
      XChangeProperty(display, request->requestor, answer.property, XA_ATOM, 32,
                      PropModeReplace, (unsigned char*)offered, 2);
    } else {
      answer.property = None;
    }
    XSendEvent(display, request->requestor, False, 0, (XEvent*)&answer);
    XFlush(display);
  }
}
