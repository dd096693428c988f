#include "image/ImageOptions.h"

#include <gtk/gtk.h>

#include <cstring>
#include <string>

#include "core/RuntimeError.h"
#include "image/ImageFormat.h"
#include "image/ResourceTable.h"
#include "image/VersionResource.h"

namespace {

constexpr uint32_t kBytesPerPixel = 4;

// An RGBA pixel buffer filled from rows of width x 4 bytes (the buffer's rows may be longer).
GdkPixbuf* NewIconPixbuf(const uint8_t* pixels, uint32_t width, uint32_t height) {
  GdkPixbuf* icon = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, int(width), int(height));
  if (!QV_CHECK_TEXT(icon, "iconPixbuf", "No memory for a window icon")) return nullptr;
  const int stride = gdk_pixbuf_get_rowstride(icon);
  guchar* rows = gdk_pixbuf_get_pixels(icon);
  for (uint32_t y = 0; y < height; ++y)
    std::memcpy(rows + size_t(y) * stride, pixels + size_t(y) * width * kBytesPerPixel,
                width * kBytesPerPixel);
  return icon;
}

class OptionReader {
 public:
  OptionReader(const uint8_t* block, uint32_t size) : mBlock(block), mSize(size) {}
  ~OptionReader() { g_list_free_full(mIcons, g_object_unref); }

  // Reads every option up to the end of the block or the first that runs past it.
  void ReadAll() {
    while (mPosition < mSize) {
      const uint8_t tag = mBlock[mPosition++];
      bool fits = true;
      if (tag == qvimage::kOptionIcon) {
        fits = ReadIcon();
      } else if (tag == qvimage::kOptionVersion) {
        fits = ReadVersion();
      } else {
        QV_FAIL(("Unknown image option " + std::to_string(tag)).c_str());
      }
      if (!fits) return;
    }
  }

  void InstallIcons() const {
    if (mIcons) gtk_window_set_default_icon_list(mIcons);
  }

 private:
  uint64_t Remaining() const { return mSize - mPosition; }

  bool ReadIcon() {
    if (!QV_CHECK_TEXT(Remaining() >= sizeof(qvimage::IconOptionHeader), "iconFits",
                       "An icon option runs past the end of the options block"))
      return false;
    const uint32_t width = mBlock[mPosition], height = mBlock[mPosition + 1];
    mPosition += sizeof(qvimage::IconOptionHeader);
    const uint64_t bytes = uint64_t(width) * height * kBytesPerPixel;
    if (!QV_CHECK_TEXT(bytes <= Remaining(), "iconFits",
                       ("An icon of " + std::to_string(width) + "x" + std::to_string(height) +
                        " pixels runs past the end of the options block")
                           .c_str()))
      return false;
    const uint8_t* pixels = mBlock + mPosition;
    mPosition += bytes;
    if (!QV_CHECK_TEXT(width > 0 && height > 0, "iconSize", "An icon option has no pixels"))
      return true;  // the next option is still where it should be
    if (GdkPixbuf* icon = NewIconPixbuf(pixels, width, height))
      mIcons = g_list_prepend(mIcons, icon);
    return true;
  }

  bool ReadVersion() {
    const uint32_t length = VersionRecordLength(mBlock + mPosition, Remaining());
    if (!QV_CHECK_TEXT(length != 0, "versionRecordFits",
                       "The version record runs past the end of the options block"))
      return false;
    AddResourceEntry(qvimage::kResourceVersion, 0, mBlock + mPosition, length, 0);
    mPosition += length;
    return true;
  }

  const uint8_t* mBlock;
  uint64_t mSize;
  uint64_t mPosition = 0;
  GList* mIcons = nullptr;  // the last icon read first; one reference each
};

}  // namespace

void ApplyImageOptions(const uint8_t* block, uint32_t size) {
  OptionReader reader(block, size);
  reader.ReadAll();
  reader.InstallIcons();
}
