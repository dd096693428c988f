#include "files/PictureFiles.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "core/ShellRunner.h"
#include "files/FolderItemImpUnix.h"
#include "files/RandomAccessMechanism.h"
#include "graphics/BMPReader.h"
#include "graphics/PictureClass.h"
#include "strings/TextEncoding.h"

namespace {

// Larger files are not pictures this reader takes: its sides are at most 32,767 pixels.
constexpr int64_t kLargestBMPFile = int64_t(kBMPLargestSide) * kBMPLargestSide * 4 + (1 << 20);

std::string PathOf(const FolderItemImp& item) {
  const string utf8 = ConvertEncoding(item.GetPath(), kEncodingUTF8);
  return std::string(reinterpret_cast<const char*>(utf8.Bytes()), size_t(utf8.Length()));
}

RuntimeObject* ReadBMPFile(const FolderItemImp& item) {
  std::unique_ptr<RandomAccessMechanism> file(item.OpenAsMechanism(true, false));
  if (!file) return nullptr;
  const int64_t length = file->GetLength();
  if (length < 1 || length > kLargestBMPFile) return nullptr;
  std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[size_t(length)]);
  if (!bytes) return nullptr;
  int64_t done = 0;
  while (done < length) {
    int32_t got = 0;
    const int32_t want = int32_t(std::min<int64_t>(length - done, 1 << 24));
    if (!file->Read(bytes.get() + done, want, &got) || got <= 0) break;
    done += got;
  }
  file->Close();
  if (done != length) return nullptr;
  return NewPictureWithDrawable(PictureFromBMPData(bytes.get(), uint32_t(length)));
}

// ImageMagick writes a version 3 BMP into a file of our own, which is read and removed.
RuntimeObject* ReadPICTFile(const FolderItemImp& item) {
  char temp[] = "/tmp/qvpictXXXXXX";
  const int fd = mkstemp(temp);
  if (fd < 0) return nullptr;
  close(fd);
  const std::string source = "PICT:" + PathOf(item);
  const std::string target = std::string("BMP3:") + temp;
  const char* const argv[] = {"convert", source.c_str(), target.c_str(), nullptr};
  int status = -1;
  RuntimeObject* picture = nullptr;
  if (RunProgram("convert", argv, nullptr, &status) && status == 0) {
    std::unique_ptr<FolderItemImpUnix> converted(
        FolderItemImpUnix::FromPath(string::FromBytes(temp, int64_t(strlen(temp)), kEncodingUTF8)));
    if (converted) picture = ReadBMPFile(*converted);
  }
  unlink(temp);
  return picture;
}

RuntimeObject* ReadPixbufFile(const FolderItemImp& item) {
  GdkPixbuf* image = gdk_pixbuf_new_from_file(PathOf(item).c_str(), nullptr);
  if (!image) return nullptr;
  DrawablePane* surface = DrawablePaneFromPixbuf(image);
  g_object_unref(image);
  return NewPictureWithDrawable(surface);
}

RuntimeObject* ReadXPMFile(const FolderItemImp& item) {
  GdkWindow* root = gdk_display_get_default() ? gdk_get_default_root_window() : nullptr;
  if (!root) return nullptr;
  GdkPixmap* pixmap = gdk_pixmap_create_from_xpm(root, nullptr, nullptr, PathOf(item).c_str());
  if (!pixmap) return nullptr;
  DrawablePane* surface = DrawablePaneFromPixmap(pixmap);
  g_object_unref(pixmap);
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
    case kPictureFormatJPEG:
    case kPictureFormatXBM:
    case kPictureFormatGIF:
    case kPictureFormatTIFF:
      return ReadPixbufFile(item);
    case kPictureFormatXPM:
      return ReadXPMFile(item);
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
  std::unique_ptr<RandomAccessMechanism> out(item.CreateMechanism(string("image/bitmap")));
  bool written = false;
  if (out) {
    const BMPSource source = {pane->Width(),
                              pane->Height(),
                              gdk_pixbuf_get_pixels(pixels),
                              gdk_pixbuf_get_rowstride(pixels),
                              gdk_pixbuf_get_n_channels(pixels),
                              pane->GetHRes(),
                              pane->GetVRes()};
    written = WriteBMP(source, WriteToMechanism, out.get());
    written = out->Close() && written;
    if (!written) item.SetLastError(out->lastError ? out->lastError : ENOMEM);
  }
  g_object_unref(pixels);
  return written;
}
