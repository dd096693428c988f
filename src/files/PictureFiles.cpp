#include "files/PictureFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "app/TemporaryFiles.h"
#include "core/NamedFile.h"
#include "core/ShellRunner.h"
#include "core/TemporaryFile.h"
#include "files/FolderItemImpUnix.h"
#include "files/FolderItemShared.h"
#include "files/RandomAccessMechanism.h"
#include "graphics/BMPReader.h"
#include "graphics/PictureClass.h"
#include "strings/TextEncoding.h"

namespace {

// Larger files are not pictures this reader takes: its sides are at most 32,767 pixels.
constexpr int64_t kLargestBMPFile = int64_t(kBMPLargestSide) * kBMPLargestSide * 4 + (1 << 20);
// Nor are larger files of the other formats, whose bytes are held whole while they are decoded.
constexpr size_t kLargestPictureFile = size_t{1} << 30;

std::string PathOf(const FolderItemImp& item) {
  const string utf8 = ConvertEncoding(item.GetPath(), kEncodingUTF8);
  return std::string(reinterpret_cast<const char*>(utf8.Bytes()), size_t(utf8.Length()));
}

// The whole file at item, read through the opener until its data ends (a regular file only: a
// FIFO, a device or a socket leaves ENOTSUP in the item); false, with the reason in the item,
// when it cannot be read or holds more than most bytes.
bool ReadWholeFile(const FolderItemImp& item, size_t most, std::string* bytes) {
  NamedFile file;
  const bool read = file.Open(PathOf(item).c_str(), O_RDONLY, NamedFileUse::kContents) &&
                    file.Read(most + 1, bytes);
  if (!read) {
    item.SetLastError(file.Error());
    return false;
  }
  if (bytes->size() <= most) return true;
  item.SetLastError(EFBIG);
  return false;
}

RuntimeObject* PictureFromBMPBytes(const std::string& bytes) {
  if (bytes.empty()) return nullptr;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  return NewPictureWithDrawable(PictureFromBMPData(data, uint32_t(bytes.size())));
}

RuntimeObject* ReadBMPFile(const FolderItemImp& item) {
  const size_t most = size_t(std::min<int64_t>(kLargestBMPFile, int64_t(kLargestPictureFile)));
  std::string bytes;
  return ReadWholeFile(item, most, &bytes) ? PictureFromBMPBytes(bytes) : nullptr;
}

// Writes bytes into a new file of the temporary folder; false when it was not made or not
// written whole.
bool WriteTemporary(TemporaryFile* file, const std::string& bytes) {
  return file->Make(std::string(), "qvpict") &&
         WriteAllToDescriptor(file->Descriptor(), reinterpret_cast<const uint8_t*>(bytes.data()),
                              uint32_t(bytes.size()));
}

// ImageMagick is given a copy of the bytes, in a file of our own, never the name: the name could
// stand for a FIFO by the time it opened it. It writes a version 3 BMP into another file of our
// own, which is read and removed.
RuntimeObject* ReadPICTFile(const FolderItemImp& item) {
  std::string bytes;
  if (!ReadWholeFile(item, kLargestPictureFile, &bytes)) return nullptr;
  TemporaryFile source, target;
  if (!WriteTemporary(&source, bytes) || !WriteTemporary(&target, std::string())) return nullptr;
  const std::string from = std::string("PICT:") + source.Path();
  const std::string to = std::string("BMP3:") + target.Path();
  const char* const argv[] = {"convert", from.c_str(), to.c_str(), nullptr};
  int status = -1;
  std::string converted;
  NamedFile result;
  if (!RunProgram("convert", argv, nullptr, &status) || status != 0 ||
      !result.Open(target.Path().c_str(), O_RDONLY, NamedFileUse::kContents) ||
      !result.Read(kLargestPictureFile, &converted))
    return nullptr;
  return PictureFromBMPBytes(converted);
}

// The bytes decoded by a GdkPixbuf loader of the given type (nil: found from the bytes).
GdkPixbuf* DecodePixbuf(const std::string& bytes, const char* type) {
  GdkPixbufLoader* loader =
      type ? gdk_pixbuf_loader_new_with_type(type, nullptr) : gdk_pixbuf_loader_new();
  if (!loader) return nullptr;
  const auto* data = reinterpret_cast<const guchar*>(bytes.data());
  const bool written = gdk_pixbuf_loader_write(loader, data, bytes.size(), nullptr);
  const bool closed = gdk_pixbuf_loader_close(loader, nullptr);
  GdkPixbuf* image = written && closed ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  if (image) g_object_ref(image);
  g_object_unref(loader);
  return image;
}

// GdkPixbuf is given the bytes, never the name. It tells the format from the bytes first, as it
// does for a file; the format the name says is the fallback.
RuntimeObject* ReadPixbufFile(const FolderItemImp& item, const char* type) {
  std::string bytes;
  if (!ReadWholeFile(item, kLargestPictureFile, &bytes) || bytes.empty()) return nullptr;
  GdkPixbuf* image = DecodePixbuf(bytes, nullptr);
  if (!image) image = DecodePixbuf(bytes, type);
  if (!image) return nullptr;
  DrawablePane* surface = DrawablePaneFromPixbuf(image);
  g_object_unref(image);
  return NewPictureWithDrawable(surface);
}

bool WriteToMechanism(void* context, const void* bytes, uint32_t count) {
  return static_cast<RandomAccessMechanism*>(context)->Write(bytes, int32_t(count));
}

}  // namespace

RuntimeObject* ReadPictureFile(const FolderItemImp& item, int32_t format) {
  switch (format) {
    case kPictureFormatBMP:
      return ReadBMPFile(item);
    case kPictureFormatPICT:
      return ReadPICTFile(item);
    case kPictureFormatPNG:
      return ReadPixbufFile(item, "png");
    case kPictureFormatJPEG:
      return ReadPixbufFile(item, "jpeg");
    case kPictureFormatXBM:
      return ReadPixbufFile(item, "xbm");
    case kPictureFormatGIF:
      return ReadPixbufFile(item, "gif");
    case kPictureFormatTIFF:
      return ReadPixbufFile(item, "tiff");
    case kPictureFormatXPM:
      return ReadPixbufFile(item, "xpm");
    default:
      return nullptr;
  }
}

// A save that fails leaves why in the item's error: the file's own (ENOSPC for a full disk),
// or ENOMEM when the pixels could not be read out.
bool WritePictureFile(FolderItemImp& item, RuntimeObject* picture) {
  DrawablePane* pane = PicturePane(picture);
  if (!pane || !pane->GetPixmap() || pane->Width() < 1 || pane->Height() < 1) return false;
  GdkColormap* colormap = gdk_drawable_get_colormap(pane->GetPixmap());
  GdkPixbuf* pixels = gdk_pixbuf_get_from_drawable(
      nullptr, pane->GetPixmap(), colormap ? colormap : gdk_rgb_get_colormap(), 0, 0, 0, 0,
      pane->Width(), pane->Height());
  if (!pixels) {
    item.SetLastError(ENOMEM);
    return false;
  }
  // An older picture at the item stays unless the new one is written whole.
  const BMPSource source = {pane->Width(),
                            pane->Height(),
                            gdk_pixbuf_get_pixels(pixels),
                            gdk_pixbuf_get_rowstride(pixels),
                            gdk_pixbuf_get_n_channels(pixels),
                            pane->GetHRes(),
                            pane->GetVRes()};
  const bool written = SaveReplacing(
      item, string("image/bitmap"),
      [&source](RandomAccessMechanism& out) { return WriteBMP(source, WriteToMechanism, &out); },
      ENOMEM);
  g_object_unref(pixels);
  return written;
}
