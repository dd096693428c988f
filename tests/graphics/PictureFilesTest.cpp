// Pictures in files: files written by gdk-pixbuf, ImageMagick and Python's struct (BMPs of
// every depth, core headers among them) opened with OpenAsPicture and compared pixel by pixel
// with GdkPixbuf's own decoding; saved BMPs read back by GdkPixbuf and Python; paths that a
// shell would take apart; and saves that cannot be written whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "GraphicsFixtures.h"
#include "files/FolderItemClass.h"
#include "files/FolderItemImpUnix.h"
#include "graphics/PictureClass.h"
#include "graphics/RGBSurface.h"
#include "support/SmallDisk.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

using qvtest::PixbufColours;
using Item = std::unique_ptr<FolderItemImpUnix>;
Item On(const std::string& path) { return Item(FolderItemImpUnix::FromBytes(path)); }

constexpr int kWidth = 37, kHeight = 23;

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A picture of few colours, so that palette formats hold it exactly.
uint32_t TestColour(int x, int y) {
  static const uint32_t kColours[] = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00,
                                      0x0000FF, 0x808000, 0x123456, 0xFEDCBA};
  return kColours[(x / 3 + y / 2 * 3) % 8];
}

GdkPixbuf* TestPixbuf() {
  GdkPixbuf* image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      guchar* p = gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) + x * 3;
      const uint32_t c = TestColour(x, y);
      p[0] = guchar(c >> 16), p[1] = guchar(c >> 8), p[2] = guchar(c);
    }
  }
  return image;
}

// GdkPixbuf's decoding of the file; empty when it decodes nothing.
std::vector<uint32_t> DecodedByGdkPixbuf(const std::string& path) {
  GdkPixbuf* image = gdk_pixbuf_new_from_file(path.c_str(), nullptr);
  if (!image) return {};
  std::vector<uint32_t> colours = PixbufColours(image);
  g_object_unref(image);
  return colours;
}

class PictureFiles : public qvtest::DisplayTest {
 protected:
  void TearDown() override {
    for (RuntimeObject* picture : mHeld) RuntimeUnlockObject(picture);
  }
  // The picture OpenAsPicture makes of the file (held until the test ends), or nil.
  RuntimeObject* Open(const std::string& path) {
    RuntimeObject* picture = On(path)->OpenAsPicture(0);
    if (picture) mHeld.push_back(picture);
    return picture;
  }
  std::vector<uint32_t> Opened(const std::string& path) {
    RuntimeObject* picture = Open(path);
    return picture ? PixbufColours(PictureImage(picture)) : std::vector<uint32_t>();
  }
  void Run(const std::vector<std::string>& argv) {
    std::string output;
    ASSERT_EQ(qvtest::RunProgram(argv, &output), 0) << argv[0] << " " << argv[1] << ": "
                                                    << output;
  }

  qvtest::TempFolder temp{"qvpictures"};

 private:
  std::vector<RuntimeObject*> mHeld;
};

TEST_F(PictureFiles, FilesGdkPixbufWritesOpenAsGdkPixbufReadsThem) {
  GdkPixbuf* image = TestPixbuf();
  for (const char* type : {"png", "jpeg", "tiff", "bmp"}) {
    const std::string path = temp / (std::string("written.") + type);
    ASSERT_TRUE(gdk_pixbuf_save(image, path.c_str(), type, nullptr, nullptr)) << type;
    const std::vector<uint32_t> expected = DecodedByGdkPixbuf(path);
    ASSERT_EQ(expected.size(), size_t(kWidth * kHeight)) << type;
    EXPECT_EQ(Opened(path), expected) << type;
  }
  g_object_unref(image);
}

TEST_F(PictureFiles, FilesImageMagickWritesOpenAsGdkPixbufReadsThem) {
  GdkPixbuf* image = TestPixbuf();
  const std::string source = temp / "source.png";
  ASSERT_TRUE(gdk_pixbuf_save(image, source.c_str(), "png", nullptr, nullptr));
  g_object_unref(image);
  struct Written {
    const char* name;
    std::vector<std::string> options;
    const char* format;
  } written[] = {
      {"magick.gif", {}, ""},
      {"magick.xpm", {}, ""},
      {"magick.tif", {}, ""},
      {"magick.png", {}, ""},
      {"magick.xbm", {}, ""},
      {"magick24.bmp", {"-type", "TrueColor"}, "BMP3:"},
      {"magick8.bmp", {"-type", "Palette"}, "BMP3:"},
      {"magick1.bmp", {"-type", "Bilevel"}, "BMP3:"},
      {"magick32.bmp", {"-alpha", "set"}, "BMP:"},  // a version 5 header naming its masks
  };
  for (const Written& w : written) {
    std::vector<std::string> argv = {"convert", source};
    argv.insert(argv.end(), w.options.begin(), w.options.end());
    const std::string name = w.name;
    argv.push_back(w.format + temp / name);
    Run(argv);
    const std::vector<uint32_t> expected = DecodedByGdkPixbuf(temp / name);
    ASSERT_EQ(expected.size(), size_t(kWidth * kHeight)) << name;
    EXPECT_EQ(Opened(temp / name), expected) << name;
  }
  // GdkPixbuf reads no PICT: ImageMagick's own decoding of it, as PNG, is the reference.
  Run({"convert", source, "PICT:" + temp / "magick.pict"});
  Run({"convert", "PICT:" + temp / "magick.pict", "PNG24:" + temp / "pict.png"});
  const std::vector<uint32_t> expected = DecodedByGdkPixbuf(temp / "pict.png");
  ASSERT_EQ(expected.size(), size_t(kWidth * kHeight));
  EXPECT_EQ(Opened(temp / "magick.pict"), expected);
}

// Writes BMPs of every depth the reader takes with Python's struct, named by depth and header.
constexpr const char* kPythonBMPs = R"(
import struct, sys
folder, width, height = sys.argv[1], 37, 23
colours = [0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x808000, 0x123456, 0xFEDCBA]
def index(x, y): return (x // 3 + y // 2 * 3) % 8
for bits in (1, 4, 8, 24, 32):
    for core in (False, True):
        if core and bits == 32: continue
        palette = [0, 0xFFFFFF] if bits == 1 else colours if bits < 24 else []
        palette += [0] * ((1 << bits if bits < 24 else 0) - len(palette))  # a whole table
        entry = 3 if core else 4
        table = b''.join(struct.pack('<BBB', c & 255, c >> 8 & 255, c >> 16) + (b'' if core else b'\0') for c in palette)
        stride = (width * bits + 31) // 32 * 4
        rows = b''
        for y in reversed(range(height)):
            row = bytearray(stride)
            for x in range(width):
                i = index(x, y)
                if bits == 1: i = 1 if colours[i] == 0xFFFFFF else 0
                if bits < 24:
                    bit = x * bits
                    row[bit // 8] |= i << (8 - bits - bit % 8)
                else:
                    c = colours[i]
                    row[x * bits // 8: x * bits // 8 + 3] = struct.pack('<BBB', c & 255, c >> 8 & 255, c >> 16)
            rows += bytes(row)
        header = struct.pack('<IHHHH', 12, width, height, 1, bits) if core else struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, len(rows), 2835, 2835, 0, 0)
        offset = 14 + len(header) + len(table)
        data = b'BM' + struct.pack('<IHHI', offset + len(rows), 0, 0, offset) + header + table + rows
        open('%s/python%d%s.bmp' % (folder, bits, 'core' if core else ''), 'wb').write(data)
)";

TEST_F(PictureFiles, BMPsOfEveryDepthWrittenWithPythonOpenAsGdkPixbufReadsThem) {
  Run({"python3", "-c", kPythonBMPs, temp.path()});
  for (const char* name : {"python1", "python4", "python8", "python24", "python32",
                           "python1core", "python4core", "python8core", "python24core"}) {
    const std::string path = temp / (std::string(name) + ".bmp");
    const std::vector<uint32_t> expected = DecodedByGdkPixbuf(path);
    ASSERT_EQ(expected.size(), size_t(kWidth * kHeight)) << name;
    EXPECT_EQ(Opened(path), expected) << name;
  }
}

// Prints the pixels of a 24-bit BMP as hex words, top row first, after checking its header.
constexpr const char* kPythonReader = R"(
import struct, sys
data = open(sys.argv[1], 'rb').read()
magic, size, _, _, offset, header, width, height, planes, bits, compression = struct.unpack('<2sIHHIIiiHHI', data[:34])
assert magic == b'BM' and size == len(data) and offset == 54 and header == 40 and bits == 24 and compression == 0
xppm, yppm = struct.unpack('<ii', data[38:46])
stride = (width * 3 + 3) // 4 * 4
print(width, height, xppm, yppm)
for y in range(height):
    row = data[offset + (height - 1 - y) * stride:]
    print(' '.join('%06x' % (row[x * 3 + 2] << 16 | row[x * 3 + 1] << 8 | row[x * 3]) for x in range(width)))
)";

TEST_F(PictureFiles, SavedBMPsReadBackIdenticallyThroughGdkPixbufPythonAndOpen) {
  RuntimeObject* picture = newPicture(kWidth, kHeight, 32);
  RuntimeObject* surface = pictureRGBSurfaceGetter(picture, 0);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) rgbSurfaceSetPixel(surface, x, y, TestColour(x, y) ^ uint32_t(x * 7 + y));
  }
  PictureVResSetter(picture, 0, 150);
  const std::vector<uint32_t> pixels = PixbufColours(PictureImage(picture));
  const std::string path = temp / "saved.bmp";
  ASSERT_TRUE(On(path)->SaveAsPicture(picture, 350));
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), {});
  EXPECT_EQ(bytes.size(), 54u + (kWidth * 3 + 3) / 4 * 4 * kHeight);
  EXPECT_EQ(DecodedByGdkPixbuf(path), pixels);
  EXPECT_EQ(Opened(path), pixels);
  std::ostringstream expected;
  expected << kWidth << " " << kHeight << " 2835 5906\n";
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      char word[8];
      std::snprintf(word, sizeof word, "%06x", pixels[size_t(y * kWidth + x)]);
      expected << word << (x + 1 < kWidth ? " " : "\n");
    }
  }
  EXPECT_EQ(qvtest::ProgramOutput({"python3", "-c", kPythonReader, path}), expected.str());
  EXPECT_TRUE(On(temp / "four.bmp")->SaveAsPicture(picture, 4));
  RuntimeUnlockObject(surface);
  RuntimeUnlockObject(picture);
}

TEST_F(PictureFiles, PathsWithBlanksQuotesAndAmpersandsOpenAndSave) {
  const std::string folder = temp / "a b \"c\" 'd' & (e) $f";
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  GdkPixbuf* image = TestPixbuf();
  const std::string png = folder + "/x & y 'z'.png";
  ASSERT_TRUE(gdk_pixbuf_save(image, png.c_str(), "png", nullptr, nullptr));
  g_object_unref(image);
  const std::vector<uint32_t> expected = DecodedByGdkPixbuf(png);
  EXPECT_EQ(Opened(png), expected);
  const std::string pict = folder + "/p \"q\" & r.pict";
  Run({"convert", png, "PICT:" + pict});
  EXPECT_EQ(Opened(pict), expected);
  const std::string bmp = folder + "/s 't' & u";  // no extension: found by its "BM"
  ASSERT_TRUE(On(bmp)->SaveAsPicture(Open(png), 350));
  EXPECT_EQ(Opened(bmp), expected);
}

TEST_F(PictureFiles, ASaveThatCannotBeWrittenWholeIsFalse) {
  RuntimeObject* picture = newPicture(200, 100, 32);
  EXPECT_FALSE(On("/dev/full")->SaveAsPicture(picture, 350));
  // A file size limit stands in for a full disk: the writes past it fail.
  struct sigaction ignore = {}, previous = {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGXFSZ, &ignore, &previous);
  rlimit before = {};
  getrlimit(RLIMIT_FSIZE, &before);
  rlimit small = before;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = On(temp / "limited.bmp")->SaveAsPicture(picture, 350);
  setrlimit(RLIMIT_FSIZE, &before);
  sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_FALSE(saved);
  EXPECT_TRUE(On(temp / "unlimited.bmp")->SaveAsPicture(picture, 350));
  RuntimeObject* vector = newPicture(10, 10, 0);
  EXPECT_FALSE(On(temp / "vector.bmp")->SaveAsPicture(vector, 350));
  EXPECT_FALSE(On(temp / "nil.bmp")->SaveAsPicture(nullptr, 350));
  EXPECT_EQ(On(temp / "missing.png")->OpenAsPicture(0), nullptr);
  RuntimeUnlockObject(vector);
  RuntimeUnlockObject(picture);
}

// The language's SaveAsPicture answers nothing: the item's LastErrorCode tells that the save
// found no room, on a disk that fills after part of the file, and on one that takes nothing.
// An older picture saved there before stays whole; saved over once there is room, it keeps its
// mode and extended attributes.
TEST_F(PictureFiles, ASaveIntoAFullDiskLeavesWhyInLastErrorCode) {
  qvtest::SmallDisk disk(4 << 20);
  QV_SKIP_WITHOUT_SMALL_DISK(disk);
  RuntimeObject* older = newPicture(20, 10, 32);
  ASSERT_TRUE(On(disk / "big.bmp")->SaveAsPicture(older, 350));
  RuntimeUnlockObject(older);
  const std::string kept = ReadFile(disk / "big.bmp");
  ASSERT_TRUE(disk.LeaveRoom(100 << 10));
  RuntimeObject* picture = newPicture(500, 500, 32);
  for (const std::string& path : {disk / "big.bmp", std::string("/dev/full")}) {
    RuntimeObject* item = NewFolderItem(FolderItemImpUnix::FromBytes(path));
    FolderItemSaveAsPicture(item, picture, 350);
    EXPECT_EQ(FolderItemGetLastError(item, 0), ENOSPC) << path;
    RuntimeUnlockObject(item);
  }
  EXPECT_TRUE(ReadFile(disk / "big.bmp") == kept) << "the older picture";
  disk.MakeRoom();
  const std::string big = disk / "big.bmp";
  ASSERT_EQ(chmod(big.c_str(), 0604), 0);
  // Kernels before 6.6 keep no user attributes on tmpfs.
  const bool tagged = setxattr(big.c_str(), "user.tag", "kept", 4, 0) == 0;
  RuntimeObject* item = NewFolderItem(FolderItemImpUnix::FromBytes(big));
  FolderItemSaveAsPicture(item, picture, 350);
  EXPECT_EQ(FolderItemGetLastError(item, 0), 0);
  EXPECT_EQ(fileSizeGetter(item, 0), 54u + 1500u * 500u);
  struct stat info = {};
  char tag[8] = {};
  EXPECT_TRUE(stat(big.c_str(), &info) == 0 && (info.st_mode & 07777) == 0604) << info.st_mode;
  if (tagged) {
    EXPECT_EQ(getxattr(big.c_str(), "user.tag", tag, sizeof tag), 4) << std::strerror(errno);
    EXPECT_STREQ(tag, "kept");
  }
  RuntimeUnlockObject(item);
  RuntimeUnlockObject(picture);
}

}  // namespace
