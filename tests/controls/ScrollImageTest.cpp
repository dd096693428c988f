// The packed scroll bar application run as a program: real clicks on an arrow and on the
// track, a drag of the thumb, a wheel notch and keys on the focused slider, each heard as the
// compiled ValueChanged handler printing Value; a handler that sets Value itself, heard once;
// and an OLEObject's Invoke caught by a compiled Try.
#include <gtest/gtest.h>

#include <memory>

#include "SpawnedProcess.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"

namespace {

constexpr int kBarLeft = 10, kBarTop = 10, kBarWidth = 200, kBarHeight = 16;

class ScrollImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    app = std::make_unique<qvtest::SpawnedProcess>(
        qvtest::SpawnOptions{.program = SCROLLAPP_EXE});
    ASSERT_TRUE(app->WaitForOutput("Ready\n")) << app->Output() << app->Errors();
    xid = gui.WaitForWindow("Scrollers");
    ASSERT_NE(xid, 0u);
    ASSERT_TRUE(gui.WaitForFocus(xid));
  }
  void Click(int x, int y, int button = 1) {
    const qvtest::ScreenArea area = gui.Area(xid);
    gui.Click(area.x + x, area.y + y, button);
  }
  void Drag(int fromX, int y, int toX) {
    const qvtest::ScreenArea area = gui.Area(xid);
    gui.Drag(area.x + fromX, area.y + y, area.x + toX, area.y + y);
  }
  // Where the thumb of a horizontal scroll bar of the application's size shows value (0 to
  // 100), as this process's GTK lays one out.
  int ThumbCenter(double value) {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_POPUP);
    GtkWidget* bar = gtk_hscrollbar_new(nullptr);
    gtk_range_set_range(GTK_RANGE(bar), 0, 100);
    gtk_range_set_value(GTK_RANGE(bar), value);
    gtk_widget_set_size_request(bar, kBarWidth, kBarHeight);
    gtk_container_add(GTK_CONTAINER(window), bar);
    gtk_widget_show_all(window);
    EXPECT_TRUE(gui.PumpUntil([&] { return GTK_WIDGET_MAPPED(bar); }));
    gui.Settle();
    gint start = 0, end = 0;
    gtk_range_get_slider_range(GTK_RANGE(bar), &start, &end);
    gtk_widget_destroy(window);
    return kBarLeft + (start + end) / 2;
  }
  static size_t Count(const std::string& text, const std::string& piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
      ++count;
    }
    return count;
  }

  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::SpawnedProcess> app;
  qvtest::XWindow xid = 0;
};

TEST_F(ScrollImage, ArrowsTrackThumbWheelAndKeysRunTheCompiledHandlers) {
  EXPECT_NE(app->Output().find("OLEException: OLE not supported on this platform.\nNumber 1\n"),
            std::string::npos)
      << app->Output();
  const int y = kBarTop + kBarHeight / 2;
  Click(kBarLeft + kBarWidth - 4, y);  // the right arrow
  ASSERT_TRUE(app->WaitForOutput("H 5\n")) << app->Output();
  Click(kBarLeft + kBarWidth - 30, y);  // the track right of the thumb
  ASSERT_TRUE(app->WaitForOutput("H 25\n")) << app->Output();

  // The handler moved the bar to 30; the thumb is dragged from there past the end.
  Drag(ThumbCenter(30), y, kBarLeft + kBarWidth + 40);
  ASSERT_TRUE(app->WaitForOutput("H 100\n")) << app->Output();

  Click(258, 110, 5);  // one notch down over V: three lines of 7
  ASSERT_TRUE(app->WaitForOutput("V 21\n")) << app->Output();

  // The slider, the one control that takes the keyboard focus, has it since the window opened
  // (GTK's scroll bars take none, so the clicks left it there).
  ASSERT_TRUE(app->WaitForOutput("S focus\n")) << app->Output();
  gui.Key("Right");
  ASSERT_TRUE(app->WaitForOutput("S 1\n")) << app->Output();
  gui.Key("End");
  ASSERT_TRUE(app->WaitForOutput("S 10\n")) << app->Output();
  gui.Key("Home");
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << app->Errors();

  const std::string output = app->Output();
  EXPECT_EQ(Count(output, "H 30\n"), 0u) << "the handler's own change raised nothing";
  EXPECT_EQ(Count(output, "V 21\n"), 1u) << "GTK's own wheel scrolling stayed out";
  EXPECT_EQ(Count(output, "V "), 1u) << output;
  // The drag's values rise from 30 to 100.
  int previous = 30;
  size_t drags = 0;
  for (size_t at = output.find("H ", output.find("H 25\n") + 5); at != std::string::npos;
       at = output.find("H ", at + 1)) {
    const int value = std::stoi(output.substr(at + 2));
    EXPECT_GT(value, previous) << output;
    previous = value;
    ++drags;
  }
  EXPECT_EQ(previous, 100);
  // GTK may fold the motions of a busy moment into one: at least the end is reported.
  EXPECT_GE(drags, 1u);
  EXPECT_NE(output.find("S 0\n"), std::string::npos);
  EXPECT_EQ(Count(output, "S focus\n"), 1u) << output;
  EXPECT_EQ(app->Errors().find("Runtime Error"), std::string::npos) << app->Errors();
}

}  // namespace
