// Tray items under a real tray host: with trayer owning the display's system tray, an image
// adds, re-adds and removes tray items and quits cleanly, and nothing docks in the tray.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "SpawnedProcess.h"
#include "support/GuiDriver.h"

// Last: Xlib's macros (None, Bool) would break the headers above.
#include <gdk/gdkx.h>

namespace {

XID TrayOwner(Display* display) {
  return XGetSelectionOwner(display, XInternAtom(display, "_NET_SYSTEM_TRAY_S0", False));
}

// The windows below window, at any depth: a docked icon is embedded somewhere in the tray.
int Descendants(Display* display, XID window) {
  XID root = 0, parent = 0;
  XID* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return -1;
  int total = int(count);
  for (unsigned i = 0; i < count; ++i) total += Descendants(display, children[i]);
  if (children) XFree(children);
  return total;
}

TEST(TrayHost, TrayItemsDockNothingAndTheImageQuitsCleanly) {
  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  gchar* trayerPath = g_find_program_in_path("trayer");
  if (!trayerPath) GTEST_SKIP() << "trayer is not installed (scripts/install-deps adds it)";
  const std::string trayerProgram = trayerPath;
  g_free(trayerPath);
  Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());

  qvtest::SpawnedProcess tray(qvtest::SpawnOptions{
      .program = trayerProgram,
      .argv = {trayerProgram, "--edge", "top", "--align", "right", "--widthtype", "pixel",
               "--width", "120", "--height", "24"}});
  XID owner = 0;
  ASSERT_TRUE(gui.PumpUntil([&] { return (owner = TrayOwner(display)) != 0; }))
      << "trayer did not take the tray";
  // Its own windows, once it has shown them.
  int before = -1;
  ASSERT_TRUE(gui.PumpUntil([&] {
    const int now = Descendants(display, owner);
    const bool still = now == before;
    before = now;
    return still;
  }));

  qvtest::SpawnedProcess app(qvtest::SpawnOptions{.program = TRAYAPP_EXE});
  ASSERT_TRUE(app.WaitForOutput("Added\n")) << app.Output() << app.Errors();
  EXPECT_EQ(app.Finish(), 0) << app.Errors();
  EXPECT_EQ(app.Output(), "Added\n");
  XSync(display, False);
  EXPECT_EQ(TrayOwner(display), owner) << "the tray host went away";
  EXPECT_EQ(Descendants(display, owner), before) << "something docked";
  // Gone, with its dock window, before the next test takes the display.
  tray.Signal(SIGTERM);
  tray.Finish();
  EXPECT_TRUE(gui.PumpUntil([&] { return TrayOwner(display) == 0; }));
  gui.Settle();
}

}  // namespace
