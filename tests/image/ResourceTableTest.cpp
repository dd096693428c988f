// The resource table and the options block, fed blocks built here. The table, the icon list and
// the version cache live for the process, so each case runs in a child of its own. Blocks are
// allocated exactly, so that a read past one is a sanitizer error.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "ImageTestFiles.h"
#include "image/ImageOptions.h"
#include "image/ResourceTable.h"
#include "image/VersionResource.h"
#include "support/TestSupport.h"

namespace {

using qvtest::Bytes;

void InChild(const std::function<void(qvtest::ReportCapture&)>& body) {
  std::string output;
  const int status = qvtest::RunInChild(
      [&] {
        qvtest::ReportCapture reports;
        body(reports);
      },
      &output);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
}

const uint8_t* Exact(const Bytes& bytes) {
  return std::copy(bytes.begin(), bytes.end(), new uint8_t[bytes.size()]) - bytes.size();
}

std::string DataOf(const ResourceEntry& entry) {
  return entry.data ? std::string(reinterpret_cast<const char*>(entry.data), entry.length) : "nil";
}

// Rows in block order ("SABD" in the file is 'DBAS'; of two rows of one type and id the first
// is found). A record running past the block by its header or its length (0xFFFFFFF2 wraps to
// a small end in 32 bits) is reported and left out with all after it. Past the last row stands
// the zero row.
TEST(ResourceTable, RowsAndRecordsRunningPastTheBlock) {
  const struct {
    int64_t length;
    size_t cut;  // bytes of the damaged record that remain
    const char* condition;
  } cases[] = {
      {7, 20, "resourceFits"}, {0xFFFFFFF2, 20, "resourceFits"}, {2, 9, "resourceHeaderFits"}};
  for (const auto& c : cases) {
    InChild([&](qvtest::ReportCapture& reports) {
      Bytes block;
      qvtest::AppendResourceRecord(block, "TXET", 7, {'o', 'n', 'e'});
      qvtest::AppendResourceRecord(block, "SABD", 65535, {'d', 'b'});
      qvtest::AppendResourceRecord(block, "TXET", 7, {'t', 'w', 'o'});
      const size_t good = block.size();
      qvtest::AppendResourceRecord(block, "EVAW", 2, {1, 2, 3, 4, 5, 6}, c.length);
      block.resize(good + c.cut);
      RegisterImageResources(Exact(block), uint32_t(block.size()), 1000, "/images/app");
      ASSERT_EQ(ResourceCount(), 3u);
      EXPECT_EQ(FourCharCodeText(ResourceAt(1).type), "DBAS");
      EXPECT_EQ(ResourceAt(1).fileOffset, 1000u + 17 + 14);  // past a record and a header
      EXPECT_EQ(DataOf(FindResource(qvimage::kResourceText, 7)), "one");
      EXPECT_TRUE(reports.count() == 1 && reports.HasCondition(c.condition)) << c.length;
      const ResourceEntry past = ResourceAt(3);
      EXPECT_TRUE(past.type == 0 && !past.data && past.length == 0);
      EXPECT_TRUE(reports.count() == 2 && reports.HasCondition("index < GetCount()"));
    });
  }
}

Bytes IconOption(uint8_t width, uint8_t height, uint8_t firstByte) {
  Bytes option = {1, width, height};
  for (int i = 0; i < width * height * 4; ++i) option.push_back(uint8_t(firstByte + i));
  return option;
}

// "WxH:first byte,last byte" of each default icon; the last byte checks the row stride.
std::string DefaultIcons() {
  std::string icons;
  for (GList* icon = gtk_window_get_default_icon_list(); icon; icon = icon->next) {
    GdkPixbuf* pixbuf = GDK_PIXBUF(icon->data);
    const int width = gdk_pixbuf_get_width(pixbuf), height = gdk_pixbuf_get_height(pixbuf);
    const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    icons +=
        std::to_string(width) + "x" + std::to_string(height) + ":" + std::to_string(pixels[0]) +
        "," +
        std::to_string(pixels[(height - 1) * gdk_pixbuf_get_rowstride(pixbuf) + width * 4 - 1]) +
        " ";
  }
  return icons;
}

// An unknown tag is reported and skipped; the version record becomes 'VERS' 0 of its length;
// an option running past the block ends the reading with a report, the icons before it kept.
// The icons are installed and read back with a display open, as in an application (CTest
// gives the case one).
TEST(ImageOptions, UnknownTagsAndOptionsRunningPastTheBlock) {
  ASSERT_TRUE(qvtest::HaveDisplay()) << "needs a display: run under scripts/with-display";
  Bytes version;
  qvtest::AppendVersionOption(version, {1, 2, 3, 4, 5, 0xFFFFFFFF}, "1.0", "", "info");
  const Bytes large = IconOption(255, 255, 0);
  const struct {
    Bytes damage;
    const char* condition;
  } cases[] = {{Bytes(large.begin(), large.end() - 1), "iconFits"},
               {{1, 4}, "iconFits"},
               {Bytes(version.begin(), version.end() - 1), "versionRecordFits"}};
  for (const auto& c : cases) {
    InChild([&](qvtest::ReportCapture& reports) {
      Bytes block = IconOption(3, 2, 10);
      block.push_back(9);
      block.insert(block.end(), version.begin(), version.end());
      block.insert(block.end(), c.damage.begin(), c.damage.end());
      ApplyImageOptions(Exact(block), uint32_t(block.size()));
      EXPECT_EQ(DefaultIcons(), "3x2:10,33 ");
      EXPECT_EQ(reports.count(), 2u);
      EXPECT_TRUE(reports.HasCondition("0") && reports.HasCondition(c.condition));
      EXPECT_EQ(FindResource(qvimage::kResourceVersion, 0).length, 24u + 4 + 1 + 5);
      const ImageVersion* read = GetVersionResource();
      ASSERT_NE(read, nullptr);
      EXPECT_EQ(read->words[5], -1);
      EXPECT_STREQ(read->texts[2].CString(), "info");
    });
  }
}

// A 'VERS' 0 resource too short for its texts is reported once and counts as none.
TEST(VersionResource, AShortRecordIsReportedOnceAndGivesNone) {
  InChild([](qvtest::ReportCapture& reports) {
    EXPECT_EQ(GetVersionResource(), nullptr);
    AddResourceEntry(qvimage::kResourceVersion, 0, Exact(Bytes(26, 0)), 26, 0);  // no 3rd text
    EXPECT_EQ(GetVersionResource(), nullptr);
    EXPECT_EQ(GetVersionResource(), nullptr);
    EXPECT_TRUE(reports.count() == 1 && reports.HasCondition("versionRecordFits"));
  });
}

}  // namespace
