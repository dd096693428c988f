// ExportPicture: a save dialog titled for the export asks where, with a BMP name suggested;
// Cancel gives false and writes nothing, a chosen place gives true and a BMP of the picture.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <string>

#include "graphics/PictureClass.h"
#include "support/GuiDriver.h"
#include "support/RaisedExceptions.h"
#include "support/TempFolder.h"

extern "C" int32_t exportPicture(RuntimeObject* picture);

namespace {

constexpr char kExportTitle[] = "Export Image As:";

class PictureExportTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }

  // Answers the export's dialog once it has the focus. (The suggested name shows in the file
  // a chosen folder receives.)
  void WhenAsked(const std::function<void(qvtest::XWindow, GtkWidget*)>& answer) {
    gui.Meanwhile([this, answer] {
      const qvtest::XWindow window = gui.WaitForWindow(kExportTitle);
      ASSERT_TRUE(window);
      ASSERT_TRUE(gui.WaitForFocus(window));
      answer(window, GTK_WIDGET(gui.Gtk(window)));
    });
  }

  qvtest::GuiDriver gui;
  qvtest::TempFolder files{"qvexport"};
};

TEST_F(PictureExportTest, NilRaisesNilObjectException) {
  qvtest::RaisedExceptions raised;
  EXPECT_EQ(exportPicture(nullptr), 0);
  EXPECT_EQ(raised.TakeOne().rfind("NilObjectException", 0), 0u);
  EXPECT_EQ(gui.FindWindow(kExportTitle), 0u);
}

TEST_F(PictureExportTest, CancelGivesFalseAndAChosenPlaceABitmapOfThePicture) {
  RuntimeObject* picture = newPicture(30, 20, 32);
  ASSERT_NE(picture, nullptr);

  WhenAsked([this](qvtest::XWindow window, GtkWidget*) {
    gui.Click(gui.FindButton(window, "Cancel"));
  });
  EXPECT_EQ(exportPicture(picture), 0);
  EXPECT_TRUE(gui.StepsDone());

  WhenAsked([this](qvtest::XWindow, GtkWidget* chooser) {
    gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), files.path().c_str());
    ASSERT_TRUE(gui.PumpUntil([&] {
      gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser));
      const bool there = folder && files.path() == folder;
      g_free(folder);
      return there;
    }));
    gui.Key("Return");
  });
  EXPECT_EQ(exportPicture(picture), 1);
  EXPECT_TRUE(gui.StepsDone());
  RuntimeUnlockObject(picture);

  const std::filesystem::path written = files / "Untitled Image.bmp";
  ASSERT_TRUE(std::filesystem::exists(written));
  EXPECT_EQ(std::filesystem::file_size(written), 54u + 92u * 20u);  // rows padded to 92 bytes
  GdkPixbuf* read = gdk_pixbuf_new_from_file(written.c_str(), nullptr);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(gdk_pixbuf_get_width(read), 30);
  EXPECT_EQ(gdk_pixbuf_get_height(read), 20);
  g_object_unref(read);
}

}  // namespace
