// The clipboard between a packed image and this process: what compiled code copies (a
// non-ASCII text, the picture of its 'BMP ' resource, raw data) reads back here through the
// Clipboard class and through xclip, the raw data staying private; and what this process copies
// a second run of the image reads. Text and pictures go in turn: they share the one clipboard.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <functional>
#include <string>
#include <vector>

#include "ClipboardFixtures.h"
#include "TextFixtures.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/PictureClass.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"
#include "windows/ClipboardClass.h"

namespace {

using qvtest::Bytes;
using qvtest::Pixels;
using qvtest::RunServing;
using qvtest::Text;

const char* const kImageText = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x98\x83";

// The resource's pixels, as GdkPixbuf reads the BMP file.
std::vector<uint32_t> ResourcePixels() {
  GdkPixbuf* image = gdk_pixbuf_new_from_file(CLIPBOARD_PICTURE_FILE, nullptr);
  std::vector<uint32_t> values = Pixels(image);
  if (image) g_object_unref(image);
  return values;
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// "Row y" lines of the pixels, as the image says them.
std::vector<std::string> RowLines(const std::vector<uint32_t>& pixels) {
  std::vector<std::string> rows;
  if (pixels.size() < 2) return rows;
  const uint32_t width = pixels[0], height = pixels[1];
  for (uint32_t y = 0; y < height; ++y) {
    std::string row = "Row";
    for (uint32_t x = 0; x < width; ++x) {
      char value[8];
      snprintf(value, sizeof value, "%06X", pixels[2 + y * width + x]);
      row += std::string(" ") + value;
    }
    rows.push_back(row);
  }
  return rows;
}

class ClipboardImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    resource = ResourcePixels();
    ASSERT_EQ(resource.size(), 2u + 6 * 4);
    clipboard = NewObjectFromDefinition(ClipboardClassDefinition());
    ASSERT_NE(clipboard, nullptr);
  }
  void TearDown() override { RuntimeUnlockObject(clipboard); }

  // Runs the image in mode ("text" or "picture"); once it has copied, checks what this process
  // and xclip read, then takes the clipboard with a copy of its own, after which the image ends.
  void WhileTheImageOwnsIt(const char* mode, const std::function<void()>& checks,
                           const std::function<void()>& copyOurs) {
    qvtest::ServedProgram copier(gui, {CLIPBOARDAPP_EXE},
                                 {std::string("QV_CLIPBOARD_MODE=") + mode});
    ASSERT_TRUE(copier.WaitForOutput("ready\n")) << copier.Output();
    checks();
    // The raw data is the image's own.
    EXPECT_FALSE(clipboardMacDataAvailable(clipboard, Text("TEST").Storage()));
    EXPECT_EQ(Bytes(clipboardMacData(clipboard, Text("TEST").Storage())), "");
    copyOurs();
    clipboardAddMacData(clipboard, Text("test bytes").Storage(), Text("TEST").Storage());
    gdk_flush();  // the image, which no longer owns it, ends without asking us
    const qvtest::FinishedProgram ended = copier.Finish();
    EXPECT_EQ(ended.status, 0);
    EXPECT_EQ(ended.output, "ready\nlost\n");
  }
  // What a run of the image reads: its lines, its exit status checked.
  std::string ImageReads() {
    const qvtest::FinishedProgram reader =
        RunServing(gui, {CLIPBOARDAPP_EXE}, {"QV_CLIPBOARD_MODE=read"});
    EXPECT_TRUE(WIFEXITED(reader.status) && WEXITSTATUS(reader.status) == 0) << reader.status;
    return reader.output;
  }

  qvtest::GuiDriver gui;
  std::vector<uint32_t> resource;
  RuntimeObject* clipboard = nullptr;
};

TEST_F(ClipboardImage, ACompiledTextCopyAndOursReachTheOtherSide) {
  ASSERT_NO_FATAL_FAILURE(WhileTheImageOwnsIt(
      "text",
      [&] {
        EXPECT_EQ(Bytes(clipboardTextGetter(clipboard, 0)), kImageText);
        // xclip, the outside reference, reads the same.
        EXPECT_EQ(RunServing(gui, {"xclip", "-selection", "clipboard", "-o"}).output, kImageText);
      },
      [&] { clipboardTextSetter(clipboard, 0, Text("from the test \xE2\x9C\x93").Storage()); }));
  EXPECT_EQ(ImageReads(), Lines({"Text from the test \xE2\x9C\x93", "Picture 0 0",
                                 "Raw available 0", "Raw "}));
}

TEST_F(ClipboardImage, ACompiledResourcePictureAndOursReachTheOtherSide) {
  ASSERT_NO_FATAL_FAILURE(WhileTheImageOwnsIt(
      "picture",
      [&] {
        RuntimeObject* picture = clipboardPictureGetter(clipboard, 0);
        EXPECT_EQ(Pixels(PictureImage(picture)), resource);
        RuntimeUnlockObject(picture);
        const qvtest::FinishedProgram png =
            RunServing(gui, {"xclip", "-selection", "clipboard", "-t", "image/png", "-o"});
        GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
        gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(png.output.data()),
                                png.output.size(), nullptr);
        gdk_pixbuf_loader_close(loader, nullptr);
        EXPECT_EQ(Pixels(gdk_pixbuf_loader_get_pixbuf(loader)), resource);
        g_object_unref(loader);
      },
      [&] {
        // The same pixels, as a picture of this process.
        GdkPixbuf* image = gdk_pixbuf_new_from_file(CLIPBOARD_PICTURE_FILE, nullptr);
        ASSERT_NE(image, nullptr);
        RuntimeObject* ours = NewPictureWithImage(image);
        clipboardPictureSetter(clipboard, 0, ours);
        RuntimeUnlockObject(ours);
      }));
  std::vector<std::string> expected = {"Text ", "Picture 6 4"};
  for (const std::string& row : RowLines(resource)) expected.push_back(row);
  expected.push_back("Raw available 0");
  expected.push_back("Raw ");
  EXPECT_EQ(ImageReads(), Lines(expected));
}

}  // namespace
