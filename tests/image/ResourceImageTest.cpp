// The resource application (tests/images/resources/resapp.c) loaded in a child: the objects
// the resource manager hands it, the icons and version installed before its entry, its
// extracted files gone once it ends, and, without a temporary folder, its sound read in place
// from the file that really held the resources.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "ImageTestFiles.h"
#include "app/FolderItemImp.h"
#include "app/ImageEntry.h"
#include "core/Export.h"
#include "graphics/MovieClass.h"
#include "graphics/PictureClass.h"
#include "graphics/SoundClass.h"
#include "image/ImageFormat.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

std::string PathOf(const FolderItemImp* item) { return item ? item->GetPath().CString() : ""; }

// A string as its text and encoding; a movie as its file, a sound as its file and offset, a
// picture as its size.
std::string Describe(const std::string& label, void* value) {
  auto* object = static_cast<RuntimeObject*>(value);
  if (!value) return "nil";
  if (label == "movie") return PathOf(MovieFile(object));
  if (label == "sound")
    return PathOf(SoundFile(object)) + "@" + std::to_string(SoundDataOffset(object));
  if (label == "picture") {
    GdkPixbuf* image = PictureImage(object);
    return std::to_string(gdk_pixbuf_get_width(image)) + "x" +
           std::to_string(gdk_pixbuf_get_height(image));
  }
  const string text(static_cast<stringStorage*>(value));
  return text.CString() + std::string(text.Encoding() == kEncodingUTF8 ? " UTF-8" : " other");
}

}  // namespace

// What the resource application hands over, one line each.
extern "C" void ResourceTestRecord(stringStorage* label, void* value) {
  const std::string name = string(label).CString();
  std::printf("%s=%s\n", name.c_str(), Describe(name, value).c_str());
}
QV_EXPORT(ResourceTestRecord)
extern "C" void ResourceTestNumber(stringStorage* label, int32_t value) {
  std::printf("%s=%d\n", string(label).CString(), value);
}
QV_EXPORT(ResourceTestNumber)

namespace {

using qvtest::Bytes;

std::string gTemporaryFolder;  // empty: the child has no temporary folder

FolderItemImp* TestTemporaryFolder() {
  return gTemporaryFolder.empty() ? nullptr : FolderItemForPath(gTemporaryFolder.c_str());
}

// What the child process does: loads the executable from the folder and prints its transcript.
void LoadAndPrint(const std::string& folder, const std::string& executable) {
  if (chdir(folder.c_str()) != 0) _exit(90);
  FolderItemServices services = SetFolderItemServices({});
  services.temporaryFolder = TestTemporaryFolder;
  SetFolderItemServices(services);
  qvtest::ReportCapture reports;
  std::printf("loaded=%d\n", RunApplicationImage(executable.c_str()));
  std::string icons;
  GList* list = gtk_window_get_default_icon_list();  // the list is ours, its icons not
  for (GList* icon = list; icon; icon = icon->next) {
    auto* pixbuf = GDK_PIXBUF(icon->data);
    const guchar* pixel = gdk_pixbuf_get_pixels(pixbuf);
    char first[16];
    std::snprintf(first, sizeof first, ":%02X%02X%02X%02X ", pixel[0], pixel[1], pixel[2],
                  pixel[3]);
    icons += std::to_string(gdk_pixbuf_get_width(pixbuf)) + "x" +
             std::to_string(gdk_pixbuf_get_height(pixbuf)) + first;
  }
  g_list_free(list);
  std::printf("icons=%s\n", icons.c_str());
  for (const qvtest::CapturedReport& report : reports.reports())
    std::printf("report=%s\n", report.condition.c_str());
  std::fflush(stdout);
}

// Loads executable from folder in a child; its transcript as key=value lines. The child is a
// fresh run of this test binary (the case below): pictures are X pixmaps, and a forked copy
// of this process would share its X connection.
std::map<std::string, std::string> LoadInChild(const std::string& folder,
                                               const std::string& executable) {
  setenv("QV_RESOURCE_CHILD_FOLDER", folder.c_str(), 1);
  setenv("QV_RESOURCE_CHILD_EXECUTABLE", executable.c_str(), 1);
  setenv("QV_RESOURCE_CHILD_TEMPORARY", gTemporaryFolder.c_str(), 1);
  std::string output;
  qvtest::RunProgram({fs::read_symlink("/proc/self/exe").string(),
                      "--gtest_filter=ResourceImageChild.LoadsTheImageNamedByItsParent"},
                     &output);
  unsetenv("QV_RESOURCE_CHILD_FOLDER");
  std::map<std::string, std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos) lines[line.substr(0, equals)] += line.substr(equals + 1);
  }
  return lines;
}

// The child of LoadInChild; skipped when no parent names an image.
TEST(ResourceImageChild, LoadsTheImageNamedByItsParent) {
  const char* folder = std::getenv("QV_RESOURCE_CHILD_FOLDER");
  if (!folder) GTEST_SKIP() << "run by ResourceImage.WhatTheApplicationIsHanded...";
  gTemporaryFolder = std::getenv("QV_RESOURCE_CHILD_TEMPORARY");
  LoadAndPrint(folder, std::getenv("QV_RESOURCE_CHILD_EXECUTABLE"));
  _exit(0);  // the transcript is the child's whole output
}

// Loaded from block files and from a section, with a temporary folder and without; with a
// display open for the window icons, as in an application (CTest gives the case one).
TEST(ResourceImage, WhatTheApplicationIsHandedAndItsExtractedFiles) {
  ASSERT_TRUE(qvtest::HaveDisplay()) << "needs a display: run under scripts/with-display";
  qvtest::TempFolder image("qvresimage"), temporary("qvrestemp");
  std::vector<Bytes> blocks = qvtest::ReadBlockFiles(RESAPP_DIR);
  qvtest::AppendVersionOption(blocks[5], {1, 2, 3, 4, 5, 6}, "1.2", "1.2.3 long", "package");
  for (size_t i = 0; i < blocks.size(); ++i)
    qvtest::WriteFile(image / qvimage::kBlockFileNames[i], blocks[i]);
  const std::string section = qvtest::WithSection(image.path(), qvtest::SectionContent(blocks));
  const Bytes tone = qvtest::ReadFile(RESOURCE_FILES_DIR "/tone.wav");
  const struct {
    std::string executable, holder;
  } cases[] = {{"/proc/self/exe", image / "rsrc.dat"}, {section, section}};
  for (bool withFolder : {true, false}) {
    gTemporaryFolder = withFolder ? temporary.path() : "";
    for (const auto& c : cases) {
      std::map<std::string, std::string> lines = LoadInChild(image.path(), c.executable);
      EXPECT_EQ(lines["loaded"], "1");
      EXPECT_EQ(lines["report"], "");
      EXPECT_EQ(lines["text"], "Grüße aus dem Bild UTF-8");
      EXPECT_EQ(lines["picture"], "3x2");
      EXPECT_EQ(lines["absent"], "nil");
      EXPECT_EQ(lines["stage"], "5");  // StageCode reads the fifth number
      EXPECT_EQ(lines["info"], "package UTF-8");
      EXPECT_EQ(lines["icons"], "1x2:0000FFFF 2x1:FF0000FF ");  // the last icon first
      const std::string sound = lines["sound"], movie = lines["movie"];
      const std::string file = sound.substr(0, sound.rfind('@'));
      const size_t offset = std::strtoul(sound.c_str() + sound.rfind('@') + 1, nullptr, 10);
      if (withFolder) {
        // Files of their own, named for their data, gone once the application ended.
        EXPECT_EQ(fs::path(file).parent_path(), temporary.path());
        EXPECT_EQ(fs::path(file).extension(), ".wav");
        EXPECT_EQ(offset, 0u);
        EXPECT_EQ(fs::path(movie).parent_path(), temporary.path());
        EXPECT_EQ(fs::path(movie).extension(), ".avi");
        EXPECT_TRUE(fs::is_empty(temporary.path())) << c.executable;
      } else {
        // The sound is read in place from the file that held it; a movie needs a file.
        EXPECT_EQ(movie, "nil");
        EXPECT_EQ(file, c.holder);
        const Bytes held = qvtest::ReadFile(file);
        ASSERT_GE(held.size(), offset + tone.size()) << file;
        EXPECT_EQ(Bytes(held.begin() + offset, held.begin() + offset + tone.size()), tone);
      }
    }
  }
}

}  // namespace
