// Toolbars on a real window: tool buttons clicked through the X server raise Action with their
// item, toggles keep Pushed, a ToolItem that is no ToolButton never shifts which widget belongs
// to which item, property changes rebuild the widget in every toolbar, and the older GTK insert
// functions stand in when the tool-item functions are missing.
#include <gtest/gtest.h>

#include <algorithm>

#include "SimpleControlFixtures.h"
#include "SpawnedProcess.h"
#include "controls/ToolItems.h"
#include "controls/Toolbar.h"
#include "controls/ToolbarImp.h"
#include "core/FieldAccessors.h"
#include "graphics/PictureClass.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/TestSupport.h"
#include "windows/GtkPlacement.h"
#include "windows/GtkSymbols.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

std::string NameOf(RuntimeObject* item) {
  if (!item) return "nil";
  const stringStorage* name = reinterpret_cast<ToolItemObject*>(item)->name;
  return name ? stringStorage::CString(name) : "";
}

// Logs "Action:<name>" and, for a toggle, "=<Pushed>".
extern "C" void LogToolbarAction(RuntimeObject* toolbar, RuntimeObject* item) {
  std::string entry = "Action:" + NameOf(item);
  if (ToolButtonObject* button = AsToolButton(item); button && button->style == 2) {
    entry += "=" + std::to_string(button->pushed);
  }
  qvtest::Kit().log.push_back(entry);
  if (qvtest::Kit().script) qvtest::Kit().script(entry, toolbar);
}

RuntimeObject* NewItem(const ObjectDefinition* definition, const std::string& name) {
  RuntimeObject* item = NewObjectFromDefinition(const_cast<ObjectDefinition*>(definition));
  stringSetter(item, offsetof(ToolItemObject, name), string(name.c_str()).Storage());
  return item;
}

RuntimeObject* NewButton(const std::string& name, const char* caption, int32_t style) {
  RuntimeObject* button = NewItem(ToolButtonClassDefinition(), name);
  ToolButtonCaptionSetter(button, 0, string(caption).Storage());
  ToolButtonStyleSetter(button, 0, style);
  return button;
}

ToolbarImpGTK* PaneOf(RuntimeObject* toolbar) {
  return static_cast<ToolbarImpGTK*>(AsControl(toolbar)->pane);
}

class ToolbarTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    kit.log.clear();
    kit.script = nullptr;
    toolbarClass = qvtest::Subclass("Toolbar", "KitToolbar");
    qvtest::SetHandler(toolbarClass, "Action", reinterpret_cast<void*>(&LogToolbarAction));
  }
  void TearDown() override {
    for (RuntimeObject* item : items) RuntimeUnlockObject(item);
  }
  void Open(const std::string& title) { window = kit.OpenAndFocus(gui, title, {}, &xid); }
  // A toolbar listing the items, added before its pane is made.
  RuntimeObject* AddToolbar(const std::string& name, const std::vector<RuntimeObject*>& list,
                            bool visible = true) {
    return qvtest::AddControl(window, toolbarClass, name, {0, 0, 30, 200},
                              [&](RuntimeObject* toolbar) {
                                AsControl(toolbar)->visible = visible ? 1 : 0;
                                for (RuntimeObject* item : list) ToolbarAppendItem(toolbar, item);
                              });
  }
  RuntimeObject* Keep(RuntimeObject* item) {
    items.push_back(item);
    return item;
  }
  // Clicks once the widget has its place (a new toolbar makes the window lay out again).
  bool ClickPlaced(GtkWidget* widget) {
    if (!gui.PumpUntil([&] { return GTK_WIDGET_MAPPED(widget) && widget->allocation.width > 1; }))
      return false;
    gui.Settle();
    gui.Click(widget);
    return true;
  }
  bool ClickAndWait(GtkWidget* widget, const std::string& entry) {
    if (!ClickPlaced(widget)) return false;
    return gui.PumpUntil([&] { return !kit.log.empty() && kit.log.back() == entry; });
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  RuntimeClass* toolbarClass = nullptr;
  RuntimeObject* window = nullptr;
  qvtest::XWindow xid = 0;
  std::vector<RuntimeObject*> items;
};

// A ToolItem listed first gets no widget: the widgets keep answering for their own buttons
// through Item, clicks and Remove.
TEST_F(ToolbarTest, ClicksReportTheirButtonPastAPlainToolItem) {
  Open("Tools");
  RuntimeObject* plain = Keep(NewItem(ToolItemClassDefinition(), "Plain"));
  RuntimeObject* push = Keep(NewButton("Push", "&Go", 0));
  RuntimeObject* gap = Keep(NewButton("Gap", "", 1));
  RuntimeObject* toggle = Keep(NewButton("Toggle", "Flip", 2));
  RuntimeObject* toolbar = AddToolbar("Bar", {plain, push, gap, toggle});
  ASSERT_NE(toolbar, nullptr);
  ToolbarImpGTK* pane = PaneOf(toolbar);
  ASSERT_EQ(pane->ItemCount(), 3);
  EXPECT_EQ(ToolbarItemCount(toolbar), 4);
  RuntimeObject* first = ToolbarGetItem(toolbar, 0);
  EXPECT_EQ(first, plain);  // the language list's item, not the pane's
  RuntimeUnlockObject(first);
  EXPECT_EQ(ToolbarGetItem(toolbar, 4), nullptr);
  EXPECT_EQ(ToolbarGetItem(toolbar, -1), nullptr);
  EXPECT_TRUE(GTK_IS_SEPARATOR_TOOL_ITEM(pane->ItemWidget(1)));
  EXPECT_STREQ(gtk_tool_button_get_label(GTK_TOOL_BUTTON(pane->ItemWidget(0))), "Go");

  EXPECT_TRUE(ClickAndWait(pane->ItemWidget(0), "Action:Push"));
  EXPECT_TRUE(ClickAndWait(pane->ItemWidget(2), "Action:Toggle=1"));  // Pushed before Action
  EXPECT_EQ(ToolButtonPushedGetter(toggle, 0), 1);

  ToolbarRemoveItem(toolbar, 0);  // the plain item: every widget stays
  EXPECT_EQ(pane->ItemCount(), 3);
  ToolbarInsertItem(toolbar, 9, plain);  // outside 0 .. Count: nothing
  ToolbarRemoveItem(toolbar, 3);
  EXPECT_EQ(ToolbarItemCount(toolbar), 3);
  EXPECT_EQ(pane->ItemCount(), 3);
  ToolbarInsertItem(toolbar, 1, plain);  // between Push and Gap
  ToolbarRemoveItem(toolbar, 2);          // Gap, the second widget
  ASSERT_EQ(pane->ItemCount(), 2);
  EXPECT_TRUE(GTK_IS_TOGGLE_TOOL_BUTTON(pane->ItemWidget(1)));
  EXPECT_TRUE(ClickAndWait(pane->ItemWidget(1), "Action:Toggle=0"));
  EXPECT_TRUE(ClickAndWait(pane->ItemWidget(0), "Action:Push"));
}

// Pushed set by code shows at once and raises nothing; on a push button it is only stored.
// Style 7 shows as a push button.
TEST_F(ToolbarTest, PushedByCodeShowsWithoutAction) {
  Open("Pushed");
  RuntimeObject* toggle = Keep(NewButton("Toggle", "Flip", 2));
  RuntimeObject* push = Keep(NewButton("Odd", "Odd", 7));
  RuntimeObject* toolbar = AddToolbar("Bar", {toggle, push});
  ASSERT_NE(toolbar, nullptr);
  ToolbarImpGTK* pane = PaneOf(toolbar);
  GtkWidget* widget = pane->ItemWidget(0);
  ToolButtonPushedSetter(toggle, 0, 1);
  EXPECT_TRUE(gtk_toggle_tool_button_get_active(GTK_TOGGLE_TOOL_BUTTON(widget)));
  EXPECT_EQ(pane->ItemWidget(0), widget);  // set, not rebuilt
  ToolButtonPushedSetter(push, 0, 1);
  EXPECT_EQ(ToolButtonPushedGetter(push, 0), 1);
  gui.Settle();
  EXPECT_TRUE(kit.log.empty());
  EXPECT_TRUE(GTK_IS_TOOL_BUTTON(pane->ItemWidget(1)));
  EXPECT_FALSE(GTK_IS_TOGGLE_TOOL_BUTTON(pane->ItemWidget(1)));
  EXPECT_TRUE(ClickAndWait(pane->ItemWidget(1), "Action:Odd"));
}

// One button in two toolbars: a new caption rebuilds it in both, at its place.
TEST_F(ToolbarTest, ACaptionChangeRebuildsTheButtonInEveryToolbar) {
  Open("Shared");
  RuntimeObject* left = Keep(NewButton("Left", "Left", 0));
  RuntimeObject* shared = Keep(NewButton("Shared", "Old", 0));
  RuntimeObject* top = AddToolbar("Top", {left, shared});
  RuntimeObject* second = AddToolbar("Second", {shared});
  ASSERT_NE(top, nullptr);
  ASSERT_NE(second, nullptr);
  ToolButtonCaptionSetter(shared, 0, string("New").Storage());
  EXPECT_STREQ(gtk_tool_button_get_label(GTK_TOOL_BUTTON(PaneOf(top)->ItemWidget(1))), "New");
  EXPECT_STREQ(gtk_tool_button_get_label(GTK_TOOL_BUTTON(PaneOf(second)->ItemWidget(0))), "New");
  EXPECT_EQ(ToolbarItemCount(top), 2);
  RuntimeObject* item = ToolbarGetItem(top, 1);
  EXPECT_EQ(item, shared);
  RuntimeUnlockObject(item);
  EXPECT_TRUE(ClickAndWait(PaneOf(second)->ItemWidget(0), "Action:Shared"));
}

// The bars take room above the content; a toolbar hidden at creation stays hidden.
TEST_F(ToolbarTest, ToolbarsPushTheContentDownUnlessHidden) {
  Open("Heights");
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  const int32_t before = WindowContentTopOffset(native);
  RuntimeObject* hidden = AddToolbar("Hidden", {Keep(NewButton("H", "Hidden", 0))}, false);
  ASSERT_NE(hidden, nullptr);
  RuntimeObject* shown = AddToolbar("Shown", {Keep(NewButton("S", "Shown", 0))});
  ASSERT_NE(shown, nullptr);
  GtkWidget* fixed = GTK_WIDGET(native->ContentFixed());
  GtkWidget* bar = PaneOf(shown)->GetWidget();
  EXPECT_TRUE(gui.PumpUntil([&] {
    return ToolbarsHeight(native) > 0 && fixed->allocation.y >= bar->allocation.y +
                                                                    bar->allocation.height;
  }));
  EXPECT_GT(WindowContentTopOffset(native), before);
  EXPECT_EQ(native->Toolbars().size(), 2u);
  EXPECT_FALSE(GTK_WIDGET_VISIBLE(PaneOf(hidden)->GetWidget()));
  EXPECT_EQ(ToolbarsHeight(native), bar->allocation.height);
}

// An Action handler that closes the window leaves nothing behind to touch.
TEST_F(ToolbarTest, AnActionThatClosesTheWindowIsClean) {
  Open("Closing");
  RuntimeObject* button = Keep(NewButton("Bye", "Bye", 0));
  RuntimeObject* toolbar = AddToolbar("Bar", {button});
  ASSERT_NE(toolbar, nullptr);
  kit.script = [this](const std::string&, RuntimeObject*) { RuntimeCloseWindow(window); };
  ASSERT_TRUE(ClickPlaced(PaneOf(toolbar)->ItemWidget(0)));
  EXPECT_TRUE(gui.PumpUntil([&] { return AsWindow(window)->mImp == nullptr; }));
  EXPECT_EQ(kit.log, std::vector<std::string>{"Action:Bye"});
  kit.script = nullptr;
}

TEST(ToolItems, NewItemsAreEnabledPlainPushButtons) {
  RuntimeObject* item = NewObjectFromDefinition(ToolItemClassDefinition());
  RuntimeObject* button = NewObjectFromDefinition(ToolButtonClassDefinition());
  EXPECT_EQ(boolGetter(item, offsetof(ToolItemObject, enabled)), 1);
  EXPECT_EQ(AsToolButton(item), nullptr);
  const ToolButtonObject* record = AsToolButton(button);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->item.enabled, 1);
  EXPECT_EQ(record->style, 0);
  EXPECT_EQ(record->caption, nullptr);
  EXPECT_EQ(record->icon, nullptr);
  EXPECT_EQ(ToolButtonPushedGetter(button, 0), 0);
  RuntimeUnlockObject(button);
  RuntimeUnlockObject(item);
}

// A Transparent picture's white pixels are transparent in the button's icon.
TEST_F(ToolbarTest, IconsShowWhiteAsTransparentForTransparentPictures) {
  Open("Icons");
  GdkPixbuf* pixels = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 4, 4);
  gdk_pixbuf_fill(pixels, 0xFFFFFF00);
  guchar* first = gdk_pixbuf_get_pixels(pixels);
  first[0] = first[1] = first[2] = 0;  // one black pixel at (0, 0)
  RuntimeObject* picture = NewPictureWithImage(pixels);
  reinterpret_cast<PictureObject*>(picture)->transparent = 1;
  RuntimeObject* button = Keep(NewButton("Icon", "Icon", 0));
  ToolButtonIconSetter(button, 0, picture);
  RuntimeUnlockObject(picture);  // the button holds it
  RuntimeObject* toolbar = AddToolbar("Bar", {button});
  ASSERT_NE(toolbar, nullptr);
  GtkWidget* image = gtk_tool_button_get_icon_widget(GTK_TOOL_BUTTON(PaneOf(toolbar)->ItemWidget(0)));
  ASSERT_TRUE(image && GTK_IS_IMAGE(image));
  GdkPixbuf* icon = gtk_image_get_pixbuf(GTK_IMAGE(image));
  ASSERT_TRUE(icon && gdk_pixbuf_get_has_alpha(icon));
  const guchar* p = gdk_pixbuf_get_pixels(icon);
  EXPECT_EQ(p[3], 255);  // black stays opaque
  EXPECT_EQ(p[4 + 3], 0);  // white is transparent
}

// Without the tool-item functions a separator becomes a space and a toggle a plain button.
TEST_F(ToolbarTest, TheOlderInsertFunctionsStandInForToolItems) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a process whose lookup finds nothing
  const auto olderToolbar = [this] {
    HideGtkSymbolForTesting("gtk_toolbar_insert");
    Open("Older");
    RuntimeObject* toolbar = AddToolbar(
        "Bar", {Keep(NewButton("A", "A", 0)), Keep(NewButton("Gap", "", 1)),
                Keep(NewButton("T", "Toggle", 2))});
    ToolbarImpGTK* pane = toolbar ? PaneOf(toolbar) : nullptr;
    const bool shapes = pane && pane->ItemCount() == 3 && pane->ItemWidget(1) == nullptr &&
                        GTK_IS_BUTTON(pane->ItemWidget(2)) &&
                        !GTK_IS_TOGGLE_BUTTON(pane->ItemWidget(2)) &&
                        !GTK_IS_TOOL_ITEM(pane->ItemWidget(0));
    const bool clicked = shapes && ClickAndWait(pane->ItemWidget(2), "Action:T=0");
    ToolbarRemoveItem(toolbar, 1);  // the space
    const bool removed = pane && pane->ItemCount() == 2 && ClickAndWait(pane->ItemWidget(0),
                                                                        "Action:A");
    std::exit(shapes && clicked && removed ? 0 : 1);
  };
  EXPECT_EXIT(olderToolbar(), testing::ExitedWithCode(0), "");
}

// The packed application: compiled handlers hear clicks on the push button and the toggle
// (found on screen by their icons' colours), and the pollable object the toggle registers polls
// through its own class's _Poll, not its parent's.
class ToolbarImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    app = std::make_unique<qvtest::SpawnedProcess>(
        qvtest::SpawnOptions{.program = TOOLBARAPP_EXE});
    ASSERT_TRUE(app->WaitForOutput("Ready\n")) << app->Output() << app->Errors();
    xid = gui.WaitForWindow("Tools");
    ASSERT_NE(xid, 0u);
    ASSERT_TRUE(gui.WaitForFocus(xid));
  }
  // Clicks (dx, dy) from the top left corner of the pixels of colour in the window, once at
  // least 100 of them show.
  bool ClickFromCorner(uint32_t colour, int dx, int dy) {
    int left = 0, top = 0, count = 0;
    qvtest::ScreenArea area;
    gui.PumpUntil([&] {
      area = gui.Area(xid);
      const qvtest::Screenshot shot = gui.Capture(area);
      left = shot.width();
      top = shot.height();
      count = 0;
      for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
          if (shot.Pixel(x, y) != colour) continue;
          left = std::min(left, x);
          top = std::min(top, y);
          ++count;
        }
      }
      return count >= 100;
    });
    if (count < 100) return false;
    std::string output;
    return qvtest::RunProgram({"xdotool", "mousemove", std::to_string(area.x + left + dx),
                               std::to_string(area.y + top + dy), "click", "1"},
                              &output) == 0;
  }
  // Clicks the middle of the pixels of colour in the window, once they show.
  bool ClickColour(uint32_t colour) {
    int sumX = 0, sumY = 0, count = 0;
    qvtest::ScreenArea area;
    gui.PumpUntil([&] {
      area = gui.Area(xid);
      const qvtest::Screenshot shot = gui.Capture(area);
      sumX = sumY = count = 0;
      for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
          if (shot.Pixel(x, y) != colour) continue;
          sumX += x;
          sumY += y;
          ++count;
        }
      }
      return count >= 100;  // the whole 16 x 16 icon, less what a theme may cover
    });
    if (count < 100) return false;
    std::string output;
    return qvtest::RunProgram({"xdotool", "mousemove", std::to_string(area.x + sumX / count),
                               std::to_string(area.y + sumY / count), "click", "1"},
                              &output) == 0;
  }

  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::SpawnedProcess> app;
  qvtest::XWindow xid = 0;
};

// The two ContainerControls' buttons are clicked at their box's place (the corner of its
// ground) plus the button's own place inside it (10, 15), 90 by 30 pixels.
TEST_F(ToolbarImage, ClicksReachTheCompiledHandlersAndTheOverridingPollQuits) {
  ASSERT_TRUE(ClickColour(0xFF0000));
  ASSERT_TRUE(app->WaitForOutput("Push\n")) << app->Output();
  ASSERT_TRUE(ClickColour(0x00FF00));
  ASSERT_TRUE(app->WaitForOutput("Toggle pushed\n")) << app->Output();
  ASSERT_TRUE(ClickFromCorner(0x0000FF, 10 + 45, 15 + 15));
  ASSERT_TRUE(app->WaitForOutput("Designed\n")) << app->Output();
  ASSERT_TRUE(ClickFromCorner(0xFFFF00, 10 + 45, 15 + 15));
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();
  EXPECT_EQ(app->Output(),
            "Ready\nPush\nToggle pushed\nDesigned\nEmbedded\nPoll\nRuntimeRun returned\n");
  EXPECT_EQ(app->Errors().find("Runtime Error"), std::string::npos) << app->Errors();
}

}  // namespace
