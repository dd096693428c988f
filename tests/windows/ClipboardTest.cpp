// The Clipboard class against the X server's selections, with xclip as the other program: text
// and pictures reach it and come back from it, raw data stays private to this process, and a
// record another client offers under a private selection is never taken for ours.
#include "windows/ClipboardClass.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/ObjectDefinitionConverter.h"
#include "graphics/PictureClass.h"
#include "support/GuiDriver.h"
#include "ClipboardFixtures.h"
#include "SpawnedProcess.h"
#include "TextFixtures.h"
#include "support/TestSupport.h"
#include "windows/GtkClipboards.h"
#include "windows/GtkSymbols.h"

// Last: Xlib's macros (None, Bool) would break the headers above.
#include <gdk/gdkx.h>

namespace {

using qvtest::Bytes;
using qvtest::Pixels;
using qvtest::Text;

// A width x height picture whose pixel (x, y) is the colour (x * 40, y * 60, 200).
RuntimeObject* PatternPicture(int width, int height) {
  GdkPixbuf* image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
  guchar* pixels = gdk_pixbuf_get_pixels(image);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      guchar* pixel = pixels + y * gdk_pixbuf_get_rowstride(image) + x * 3;
      pixel[0] = guchar(x * 40);
      pixel[1] = guchar(y * 60);
      pixel[2] = 200;
    }
  }
  return NewPictureWithImage(image);
}

class ClipboardTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
    mClipboard = NewObjectFromDefinition(ClipboardClassDefinition());
    ASSERT_NE(mClipboard, nullptr);
  }
  void TearDown() override { RuntimeUnlockObject(mClipboard); }

  // Runs xclip with args while GTK answers the selection requests it makes of this process;
  // its standard output, or "" when it failed.
  std::string Xclip(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"xclip"};
    argv.insert(argv.end(), args.begin(), args.end());
    const qvtest::FinishedProgram xclip = qvtest::RunServing(mGui, argv);
    return WIFEXITED(xclip.status) && WEXITSTATUS(xclip.status) == 0 ? xclip.output : "";
  }

  // Another client owns the selection and answers target with bytes (hexadecimal).
  std::unique_ptr<qvtest::SpawnedProcess> ForeignOwner(const std::string& selection,
                                                       const std::string& target,
                                                       const std::string& hex) {
    auto peer = std::make_unique<qvtest::SpawnedProcess>(
        qvtest::SpawnOptions{SELECTION_PEER, {SELECTION_PEER, selection, target, hex}});
    EXPECT_TRUE(peer->WaitForOutput("ready"));
    return peer;
  }

  qvtest::GuiDriver mGui;
  RuntimeObject* mClipboard = nullptr;
};

TEST_F(ClipboardTest, TextGoesToOtherProgramsAndComesBackAsUTF8) {
  const char* text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x98\x83";  // Grüße and a snowman
  clipboardTextSetter(mClipboard, 0, Text(text).Storage());
  EXPECT_TRUE(clipboardTextAvailable(mClipboard));
  EXPECT_EQ(Xclip({"-selection", "clipboard", "-o"}), text);
  const string back = string::Adopt(clipboardTextGetter(mClipboard, 0));
  EXPECT_EQ(back.Encoding(), kEncodingUTF8);
  EXPECT_EQ(std::string(back.CString()), text);

  // Latin-1 text is converted on the way out.
  clipboardSetText(mClipboard, Text("caf\xE9", kEncodingWindowsLatin1).Storage());
  EXPECT_EQ(Xclip({"-selection", "clipboard", "-o"}), "caf\xC3\xA9");
  EXPECT_TRUE(ClipboardHasText());
}

// The answer kept for the menus follows each new owner: text, then a picture alone, then text.
TEST_F(ClipboardTest, TheKeptTextAnswerFollowsTheClipboardsOwner) {
  GtkClipboard* clipboard = DefaultGtkClipboard();
  gtk_clipboard_set_text(clipboard, "x", -1);
  EXPECT_TRUE(mGui.PumpUntil([] { return ClipboardOffersText(); }));
  GdkPixbuf* picture = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 4, 4);
  gdk_pixbuf_fill(picture, 0xFF0000FF);
  gtk_clipboard_set_image(clipboard, picture);
  g_object_unref(picture);
  EXPECT_TRUE(mGui.PumpUntil([] { return !ClipboardOffersText(); }));
  EXPECT_FALSE(ClipboardHasText());
  gtk_clipboard_set_text(clipboard, "y", -1);
  EXPECT_TRUE(mGui.PumpUntil([] { return ClipboardOffersText(); }));
}

TEST_F(ClipboardTest, CopiedTextKeepsEmptyLinesWhenLineEndsAreConverted) {
  CopyTextToClipboard(Text("a\r\n\r\nb\rc\r\rd\n"), true);
  EXPECT_EQ(Bytes(clipboardTextGetter(mClipboard, 0)), "a\n\nb\nc\n\nd\n");
  CopyTextToClipboard(Text("a\r\nb"), false);
  EXPECT_EQ(Bytes(clipboardTextGetter(mClipboard, 0)), "a\r\nb");
}

TEST_F(ClipboardTest, APictureReachesOtherProgramsWithItsPixels) {
  RuntimeObject* picture = PatternPicture(5, 4);
  clipboardPictureSetter(mClipboard, 0, picture);
  EXPECT_TRUE(clipboardPictureAvailable(mClipboard));
  RuntimeObject* back = clipboardPictureGetter(mClipboard, 0);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(Pixels(PictureImage(back)), Pixels(PictureImage(picture)));

  // The same pixels as PNG, read by xclip and decoded by GdkPixbuf.
  const std::string png = Xclip({"-selection", "clipboard", "-t", "image/png", "-o"});
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(png.data()), png.size(),
                          nullptr);
  gdk_pixbuf_loader_close(loader, nullptr);
  EXPECT_EQ(Pixels(gdk_pixbuf_loader_get_pixbuf(loader)), Pixels(PictureImage(picture)));
  g_object_unref(loader);

  // Nil, and a picture without an image, change nothing.
  clipboardPictureSetter(mClipboard, 0, nullptr);
  RuntimeObject* vector = newPicture(10, 10, 0);
  clipboardPictureSetter(mClipboard, 0, vector);
  RuntimeObject* still = clipboardPictureGetter(mClipboard, 0);
  EXPECT_EQ(Pixels(PictureImage(still)), Pixels(PictureImage(picture)));
  for (RuntimeObject* object : {picture, back, vector, still}) RuntimeUnlockObject(object);
}

TEST_F(ClipboardTest, RawDataIsSeenOnlyUnderItsOwnType) {
  const std::string type = "T" + std::to_string(getpid() % 1000);
  EXPECT_FALSE(clipboardMacDataAvailable(mClipboard, Text("NEVR").Storage()));
  EXPECT_EQ(Bytes(clipboardMacData(mClipboard, Text("NEVR").Storage())), "");
  clipboardAddMacData(mClipboard, Text("abc", kEncodingWindowsLatin1).Storage(),
                      Text(type.c_str()).Storage());
  EXPECT_TRUE(clipboardMacDataAvailable(mClipboard, Text(type.c_str()).Storage()));
  const string back = string::Adopt(clipboardMacData(mClipboard, Text(type.c_str()).Storage()));
  EXPECT_EQ(std::string(back.CString()), "abc");
  EXPECT_EQ(back.Encoding(), kEncodingWindowsLatin1);
  clipboardAddMacData(mClipboard, Text("xyz").Storage(), Text("OTHR").Storage());
  EXPECT_FALSE(clipboardMacDataAvailable(mClipboard, Text("NEVR").Storage()));
  EXPECT_EQ(Bytes(clipboardMacData(mClipboard, Text("OTHR").Storage())), "xyz");
  EXPECT_EQ(Bytes(clipboardMacData(mClipboard, Text(type.c_str()).Storage())), "abc");
  // Empty data is still data.
  clipboardAddMacData(mClipboard, nullptr, Text(type.c_str()).Storage());
  EXPECT_TRUE(clipboardMacDataAvailable(mClipboard, Text(type.c_str()).Storage()));
  EXPECT_EQ(Bytes(clipboardMacData(mClipboard, Text(type.c_str()).Storage())), "");
}

TEST_F(ClipboardTest, ARecordOfferedByAnotherClientReadsAsNothing) {
  // Twelve bytes whose middle word claims a length and whose last word points nowhere.
  const auto peer = ForeignOwner("_TEST", "STRING", "00010008" "FFFF0000" "10000000");
  EXPECT_FALSE(clipboardMacDataAvailable(mClipboard, Text("TEST").Storage()));
  EXPECT_EQ(Bytes(clipboardMacData(mClipboard, Text("TEST").Storage())), "");
  // Taking the selection back makes it ours again.
  clipboardAddMacData(mClipboard, Text("mine").Storage(), Text("TEST").Storage());
  EXPECT_EQ(Bytes(clipboardMacData(mClipboard, Text("TEST").Storage())), "mine");
}

// Without GTK's image clipboard a picture goes through a private selection: this process reads
// it back whole, and the same selection owned by another client (a record of the right size)
// gives no picture.
TEST_F(ClipboardTest, WithoutGtkImagesAPictureStaysInThisProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto run = [this] {
    HideGtkSymbolForTesting("gtk_clipboard_set_image");
    RuntimeObject* picture = PatternPicture(7, 3);
    clipboardPictureSetter(mClipboard, 0, picture);
    EXPECT_TRUE(clipboardPictureAvailable(mClipboard));
    RuntimeObject* back = clipboardPictureGetter(mClipboard, 0);
    EXPECT_EQ(Pixels(PictureImage(back)), Pixels(PictureImage(picture)));
    auto peer = ForeignOwner("_PictureClipboard", "PIXMAP", std::string(32, '1'));
    EXPECT_FALSE(clipboardPictureAvailable(mClipboard));
    EXPECT_EQ(clipboardPictureGetter(mClipboard, 0), nullptr);
    peer.reset();  // exit below skips destructors
    RuntimeUnlockObject(picture);
    RuntimeUnlockObject(back);
    std::exit(testing::Test::HasFailure() ? 1 : 0);
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(0), "");
}

}  // namespace
