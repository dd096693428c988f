// Menu bars in shown windows, worked with real input: one menu shown in two windows' bars,
// opening a menu (the enabling pass first) and choosing an item, a shortcut key that runs its
// item once, check marks and icons on screen, and hiding the menu bar.
#include <gtest/gtest.h>

#include <algorithm>

#include "MenuFixtures.h"
#include "app/ShutdownTasks.h"
#include "graphics/PictureClass.h"
#include "graphics/RGBSurface.h"
#include "support/TestSupport.h"
#include "windows/MenuBarHiding.h"
#include "windows/MenuItemClass.h"
#include "windows/MenuShortcuts.h"
#include "windows/WindowMenuBar.h"

namespace {

using qvtest::Node;
using qvtest::ShellLabels;
using Log = std::vector<std::string>;
using Texts = std::vector<std::string>;

class MenuWindows : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    kit = std::make_unique<qvtest::MenuKit>();
    bar = kit->NewMenuBar();
    file = Add(bar, "File");
  }
  void TearDown() override {
    for (RuntimeObject* object : windows) RuntimeUnlockObject(object);
    RuntimeUnlockObject(bar);
    kit.reset();
  }
  RuntimeObject* Add(RuntimeObject* parent, const char* text, const char* key = "") {
    RuntimeObject* item = kit->NewItem(text);
    Node(item)->SetCommandKey(string(key));
    kit->Append(parent, item);
    RuntimeUnlockObject(item);
    return item;
  }
  // A window titled title showing the menu bar (its menus visible while it is in front).
  RuntimeObject* NewWindow(const std::string& title) {
    kit->windows.script.title = qvtest::UniqueWindowTitle(title.c_str());
    RuntimeObject* window = kit->windows.NewWindow();
    AsWindow(window)->menuBarVisible = 1;
    WindowMenuBarSetter(window, 0, bar);
    windows.push_back(window);
    return window;
  }
  // The labels of the menu that the window's menu bar shows for its title-th title.
  static Texts ShownMenu(RuntimeObject* window, int title) {
    GtkWidget* menuBar = AsWindow(window)->mImp->MenuBarWidget();
    GList* titles = gtk_container_get_children(GTK_CONTAINER(menuBar));
    GtkWidget* item = GTK_WIDGET(g_list_nth_data(titles, guint(title)));
    g_list_free(titles);
    GtkWidget* menu = item ? gtk_menu_item_get_submenu(GTK_MENU_ITEM(item)) : nullptr;
    return menu ? ShellLabels(menu) : Texts{"no menu"};
  }
  bool WaitFor(const std::string& entry) {
    return gui.PumpUntil([&] {
      const Log now = kit->Take();
      seen.insert(seen.end(), now.begin(), now.end());
      return std::find(seen.begin(), seen.end(), entry) != seen.end();
    });
  }
  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::MenuKit> kit;
  RuntimeObject* bar = nullptr;
  RuntimeObject* file = nullptr;
  std::vector<RuntimeObject*> windows;
  Log seen;
};

TEST_F(MenuWindows, EachWindowShowsItsOwnCopyOfOneMenu) {
  RuntimeObject* first = NewWindow("First");
  RuntimeObject* second = NewWindow("Second");
  const int32_t shortcuts = MenuShortcutCount();
  RuntimeObject* item = Add(file, "New", "Ctrl+N");
  RuntimeLockObject(item);
  EXPECT_EQ(ShownMenu(first, 0), Texts{"New"});
  EXPECT_EQ(ShownMenu(second, 0), Texts{"New"});
  Node(item)->SetText(string("New Window"));
  EXPECT_EQ(ShownMenu(first, 0), Texts{"New Window"});
  EXPECT_EQ(ShownMenu(second, 0), Texts{"New Window"});
  RuntimeMenuItemRemoveItem(file, item);
  EXPECT_TRUE(ShownMenu(first, 0).empty());
  EXPECT_TRUE(Node(item)->Copies().empty()) << "no copy left in the master's list";
  EXPECT_EQ(MenuShortcutCount(), shortcuts + 1) << "the item's own entry alone";
  RuntimeUnlockObject(item);
  EXPECT_EQ(MenuShortcutCount(), shortcuts);
}

// A click on a title runs the enabling pass before the menu opens; a click on an item runs
// its command; the shortcut key runs it once, not again through GTK's accelerator.
TEST_F(MenuWindows, ClicksAndShortcutKeysReachTheItems) {
  Add(file, "New");
  Add(file, "Save", "Ctrl+S");
  kit->answers["Save.Action"] = true;
  RuntimeObject* window = NewWindow("Clicks");
  const std::string title = kit->windows.script.title;
  ASSERT_TRUE(kit->windows.ShowAndFocus(gui, window));
  kit->Take();
  gui.Click(gui.FindMenuItem("File"));
  ASSERT_NE(gui.WaitForOpenMenu(), 0u);
  const Log opening = kit->Take();
  EXPECT_NE(std::find(opening.begin(), opening.end(), title + ".EnableMenuItems"), opening.end())
      << "the pass ran before the menu opened";
  gui.Click(gui.FindMenuItem("New"));
  ASSERT_TRUE(WaitFor("New.Action"));
  seen.clear();
  ASSERT_TRUE(gui.WaitForFocus(gui.FindWindow(title)));
  gui.Key("ctrl+s");
  ASSERT_TRUE(WaitFor("Save.Action"));
  gui.PumpUntil([] { return false; }, 300);
  const Log more = kit->Take();
  seen.insert(seen.end(), more.begin(), more.end());
  EXPECT_EQ(std::count(seen.begin(), seen.end(), "Save.Action"), 1);
}

// The check mark is painted over the image column of a checked item; an icon shows its
// picture's pixels (white ones transparent when the picture says so).
TEST_F(MenuWindows, CheckMarksAndIconsAppearOnScreen) {
  RuntimeObject* view = Add(bar, "View");
  RuntimeObject* checked = Add(view, "Checked");
  Add(view, "Plain");
  RuntimeObject* icon = Add(view, "Icon");
  RuntimeMenuItemCheckedSetter(checked, 0, 1);
  GdkPixbuf* red = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 16, 16);
  gdk_pixbuf_fill(red, 0xFF0000FF);
  RuntimeObject* picture = NewPictureWithImage(red);
  RuntimeMenuItemEnabledIconSetter(icon, 0, picture);
  RuntimeUnlockObject(picture);
  RuntimeObject* window = NewWindow("Marks");
  ASSERT_TRUE(kit->windows.ShowAndFocus(gui, window));
  gui.Click(gui.FindMenuItem("View"));
  ASSERT_NE(gui.WaitForOpenMenu(), 0u);
  const auto imageColumn = [&](const char* label) {
    qvtest::ScreenArea area = gui.Area(gui.FindMenuItem(label));
    area.width = 24;
    return gui.Capture(area);
  };
  const auto dark = [](const qvtest::Screenshot& shot) {
    int count = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) count += (shot.Pixel(x, y) & 0x808080) == 0;
    return count;
  };
  EXPECT_GT(dark(imageColumn("Checked")), 4) << "the check mark";
  EXPECT_EQ(dark(imageColumn("Plain")), 0);
  EXPECT_GE(imageColumn("Icon").CountPixels(0xFF0000, 8), 16 * 16);
  EXPECT_EQ(imageColumn("Checked").CountPixels(0xFF0000, 8), 0);
  gui.Key("Escape");
}

// An icon's alpha comes from its picture's Mask: white transparent, grey half, black opaque.
TEST_F(MenuWindows, AnIconTakesItsAlphaFromThePicturesMask) {
  RuntimeObject* item = Add(file, "Masked");
  ASSERT_NE(item, nullptr);
  GdkPixbuf* red = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 4, 4);
  gdk_pixbuf_fill(red, 0xFF0000FF);
  RuntimeObject* picture = NewPictureWithImage(red);
  RuntimeObject* mask = pictureMaskGetter(picture, 0);
  RuntimeObject* surface = pictureRGBSurfaceGetter(mask, 0);
  rgbSurfaceSetPixel(surface, 0, 0, 0xFFFFFF);
  rgbSurfaceSetPixel(surface, 1, 0, 0x808080);
  RuntimeMenuItemEnabledIconSetter(item, 0, picture);
  for (RuntimeObject* object : {surface, mask, picture}) RuntimeUnlockObject(object);
  // The copy that File's menu shows.
  GList* rows = gtk_container_get_children(GTK_CONTAINER(Node(file)->SubmenuWidget()));
  GtkWidget* row = GTK_WIDGET(g_list_last(rows)->data);
  g_list_free(rows);
  ASSERT_TRUE(GTK_IS_IMAGE_MENU_ITEM(row));
  GtkWidget* image = gtk_image_menu_item_get_image(GTK_IMAGE_MENU_ITEM(row));
  ASSERT_NE(image, nullptr);
  GdkPixbuf* icon = gtk_image_get_pixbuf(GTK_IMAGE(image));
  ASSERT_NE(icon, nullptr);
  ASSERT_TRUE(gdk_pixbuf_get_has_alpha(icon));
  const guchar* pixels = gdk_pixbuf_get_pixels(icon);
  EXPECT_EQ(pixels[3], 0);
  EXPECT_EQ(pixels[4 + 3], 255 - 0x80);
  EXPECT_EQ(pixels[2 * 4 + 3], 255);
  EXPECT_EQ(pixels[0], 0xFF) << "the colour stays";
}

TEST(MenuIconPixels, AMaskSmallerThanThePictureIsReadInsideItsBoundsOnly) {
  GdkPixbuf* pixels = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 16, 16);
  gdk_pixbuf_fill(pixels, 0xFFFFFFFF);
  GdkPixbuf* mask = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 4, 2);
  gdk_pixbuf_fill(mask, 0x000000FF);  // black: opaque
  guchar* row = gdk_pixbuf_get_pixels(mask);
  row[0] = row[1] = row[2] = 0xFF;  // one white pixel: transparent
  GdkPixbuf* icon = MenuIconPixels(pixels, mask, true);
  ASSERT_NE(icon, nullptr);
  ASSERT_TRUE(gdk_pixbuf_get_has_alpha(icon));
  const auto alpha = [&](int x, int y) {
    return gdk_pixbuf_get_pixels(icon)[y * gdk_pixbuf_get_rowstride(icon) + x * 4 + 3];
  };
  EXPECT_EQ(alpha(0, 0), 0);
  EXPECT_EQ(alpha(1, 0), 255);
  EXPECT_EQ(alpha(10, 10), 255) << "outside the mask the pixels keep their own alpha";
  g_object_unref(icon);
  icon = MenuIconPixels(pixels, nullptr, true);
  EXPECT_EQ(alpha(10, 10), 0) << "without a mask white is transparent";
  g_object_unref(icon);
  for (GdkPixbuf* buffer : {pixels, mask}) g_object_unref(buffer);
}

// Hiding twice and showing once shows the bar; the shutdown task shows a hidden bar at exit.
TEST_F(MenuWindows, HidingTheMenuBar) {
  RuntimeObject* window = NewWindow("Hiding");
  ASSERT_TRUE(kit->windows.ShowAndFocus(gui, window));
  GtkWidget* shown = AsWindow(window)->mImp->MenuBarWidget();
  ASSERT_TRUE(GTK_WIDGET_VISIBLE(shown));
  const int tasks = ShutdownTaskCount();
  HideMenuBar();
  HideMenuBar();
  EXPECT_FALSE(GTK_WIDGET_VISIBLE(shown));
  EXPECT_EQ(ShutdownTaskCount(), tasks + 1);
  ShowMenuBar();
  EXPECT_TRUE(GTK_WIDGET_VISIBLE(shown));
  EXPECT_EQ(ShutdownTaskCount(), tasks);
  windowMenusVisibleSetter(window, 0, 0);
  EXPECT_FALSE(GTK_WIDGET_VISIBLE(shown)) << "MenuBarVisible of the front window";
  RunShutdownTasks();
  EXPECT_TRUE(GTK_WIDGET_VISIBLE(shown)) << "shown again at exit";
}

}  // namespace
