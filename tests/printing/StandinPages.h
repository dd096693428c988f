// Reading what the printing tests compare: a page image the stand-in print library wrote, and
// the pixels of a GdkPixbuf, both as RGB rows.
#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <fstream>
#include <string>

namespace qvtest {

// The P6 image at path as RGB rows; empty when there is none.
inline std::string ReadStandinPage(const std::string& path, int* width, int* height) {
  std::ifstream file(path, std::ios::binary);
  std::string magic;
  int maximum = 0;
  if (!(file >> magic >> *width >> *height >> maximum) || magic != "P6") return {};
  file.get();
  std::string pixels(size_t(*width) * size_t(*height) * 3, '\0');
  file.read(pixels.data(), std::streamsize(pixels.size()));
  return file ? pixels : std::string();
}

// The pixbuf's pixels as RGB rows, whatever its channels and row stride.
inline std::string RgbRows(GdkPixbuf* pixels) {
  std::string rgb;
  const int channels = gdk_pixbuf_get_n_channels(pixels);
  const int stride = gdk_pixbuf_get_rowstride(pixels);
  const guchar* data = gdk_pixbuf_get_pixels(pixels);
  for (int y = 0; y < gdk_pixbuf_get_height(pixels); ++y) {
    for (int x = 0; x < gdk_pixbuf_get_width(pixels); ++x) {
      rgb.append(reinterpret_cast<const char*>(data + y * stride + x * channels), 3);
    }
  }
  return rgb;
}

}  // namespace qvtest
