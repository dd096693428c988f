// Pictures beside the plain GDK and gdk-pixbuf calls a program would make for the same result:
// opening a 4,000 x 4,000 PNG onto a surface (gdk_pixbuf_new_from_file and gdk_draw_pixbuf onto
// a pixmap), reading the same picture as a 24-bit BMP from memory (gdk-pixbuf's BMP loader, then
// onto a pixmap), flood-filling a 2,000 x 2,000 region (a scan-line fill over a GdkPixbuf's
// pixels), saving a picture as BMP (its pixels read from the pixmap and gdk_pixbuf_save), and
// turning the 4,000 x 4,000 picture by 0.3 radians (cairo turning an image surface of the same
// pixels, fast filter) and by a quarter (gdk_pixbuf_rotate_simple). A turn, like cairo's, ends
// in the client's memory: the turned pixels stay in the destination's copy, from which a turned
// shape is drawn through its mask, and reach its pixmap only when that is next used.
// Every run that touches the X server ends with gdk_display_sync and is timed in real time.
// Needs a display: scripts/with-display build/bench/bench_Pictures
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "BenchStart.h"
#include "files/FolderItemImpUnix.h"
#include "graphics/PictureClass.h"
#include "graphics/PictureRotation.h"
#include "graphics/RGBSurface.h"

namespace {

constexpr int kSide = 4000;
constexpr int kFillSide = 2000;

struct Fixture {
  std::string folder;
  std::string png;
  std::string bmp;
  std::vector<uint8_t> bmpBytes;
  RuntimeObject* fillPicture = nullptr;
  RuntimeObject* fillSurface = nullptr;
  GdkPixbuf* fillPixels = nullptr;
  RuntimeObject* savePicture = nullptr;
  DrawablePane* turnSource = nullptr;
  DrawablePane* turnTarget = nullptr;
  GdkPixbuf* turnPixels = nullptr;
  cairo_surface_t* cairoSource = nullptr;
  cairo_surface_t* cairoTarget = nullptr;
};
Fixture gFixture;

void Sync() { gdk_display_sync(gdk_display_get_default()); }

GdkPixmap* PixmapFor(GdkPixbuf* image) {
  GdkPixmap* pixmap = gdk_pixmap_new(gdk_get_default_root_window(), gdk_pixbuf_get_width(image),
                                     gdk_pixbuf_get_height(image), -1);
  gdk_draw_pixbuf(pixmap, nullptr, image, 0, 0, 0, 0, -1, -1, GDK_RGB_DITHER_NONE, 0, 0);
  return pixmap;
}

void BM_OpenAsPicturePNG(benchmark::State& state) {
  std::unique_ptr<FolderItemImpUnix> item(FolderItemImpUnix::FromBytes(gFixture.png));
  for (auto _ : state) {
    RuntimeObject* picture = item->OpenAsPicture(0);
    Sync();
    RuntimeUnlockObject(picture);
  }
}
BENCHMARK(BM_OpenAsPicturePNG)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GdkPixbufPNGOntoPixmap(benchmark::State& state) {
  for (auto _ : state) {
    GdkPixbuf* image = gdk_pixbuf_new_from_file(gFixture.png.c_str(), nullptr);
    GdkPixmap* pixmap = PixmapFor(image);
    Sync();
    g_object_unref(pixmap);
    g_object_unref(image);
  }
}
BENCHMARK(BM_GdkPixbufPNGOntoPixmap)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PictureFromBMPData(benchmark::State& state) {
  for (auto _ : state) {
    DrawablePane* pane =
        PictureFromBMPData(gFixture.bmpBytes.data(), uint32_t(gFixture.bmpBytes.size()));
    Sync();
    pane->Release();
  }
}
BENCHMARK(BM_PictureFromBMPData)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GdkPixbufBMPLoaderOntoPixmap(benchmark::State& state) {
  for (auto _ : state) {
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new_with_type("bmp", nullptr);
    gdk_pixbuf_loader_write(loader, gFixture.bmpBytes.data(), gFixture.bmpBytes.size(), nullptr);
    gdk_pixbuf_loader_close(loader, nullptr);
    GdkPixmap* pixmap = PixmapFor(gdk_pixbuf_loader_get_pixbuf(loader));
    Sync();
    g_object_unref(pixmap);
    g_object_unref(loader);
  }
}
BENCHMARK(BM_GdkPixbufBMPLoaderOntoPixmap)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each run fills the whole square with the other colour.
void BM_RGBSurfaceFloodFill(benchmark::State& state) {
  uint32_t colour = 0xFF0000;
  for (auto _ : state) {
    rgbSurfaceSeedFill(gFixture.fillSurface, kFillSide / 2, kFillSide / 2, colour);
    Sync();
    colour ^= 0xFF00FF;
  }
}
BENCHMARK(BM_RGBSurfaceFloodFill)->Unit(benchmark::kMillisecond)->UseRealTime();

// A span fill of 4-connected equal RGB pixels with a stack of seeds, one span at a time.
void ScanLineFill(GdkPixbuf* image, int seedX, int seedY, const guchar fill[3]) {
  const int width = gdk_pixbuf_get_width(image), height = gdk_pixbuf_get_height(image);
  const int stride = gdk_pixbuf_get_rowstride(image), channels = gdk_pixbuf_get_n_channels(image);
  guchar* pixels = gdk_pixbuf_get_pixels(image);
  auto at = [&](int x, int y) { return pixels + y * stride + x * channels; };
  guchar old[3];
  std::memcpy(old, at(seedX, seedY), 3);
  if (std::memcmp(old, fill, 3) == 0) return;
  auto matches = [&](int x, int y) { return std::memcmp(at(x, y), old, 3) == 0; };
  std::vector<std::pair<int, int>> seeds = {{seedX, seedY}};
  while (!seeds.empty()) {
    auto [x, y] = seeds.back();
    seeds.pop_back();
    if (!matches(x, y)) continue;
    int left = x, right = x;
    while (left > 0 && matches(left - 1, y)) --left;
    while (right + 1 < width && matches(right + 1, y)) ++right;
    for (int i = left; i <= right; ++i) std::memcpy(at(i, y), fill, 3);
    for (int dy : {-1, 1}) {
      const int ny = y + dy;
      if (ny < 0 || ny >= height) continue;
      for (int i = left; i <= right; ++i) {
        if (matches(i, ny) && (i == left || !matches(i - 1, ny))) seeds.push_back({i, ny});
      }
    }
  }
}

void BM_ScanLineFillOverPixbuf(benchmark::State& state) {
  guchar colour[3] = {0xFF, 0, 0};
  for (auto _ : state) {
    ScanLineFill(gFixture.fillPixels, kFillSide / 2, kFillSide / 2, colour);
    colour[0] ^= 0xFF;
    colour[2] ^= 0xFF;
  }
}
BENCHMARK(BM_ScanLineFillOverPixbuf)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveAsPicture(benchmark::State& state) {
  std::unique_ptr<FolderItemImpUnix> item(FolderItemImpUnix::FromBytes(gFixture.folder + "/saved.bmp"));
  for (auto _ : state) item->SaveAsPicture(gFixture.savePicture, 350);
}
BENCHMARK(BM_SaveAsPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GdkPixbufSaveBMP(benchmark::State& state) {
  DrawablePane* pane = PicturePane(gFixture.savePicture);
  const std::string path = gFixture.folder + "/plain.bmp";
  for (auto _ : state) {
    GdkPixbuf* pixels = gdk_pixbuf_get_from_drawable(
        nullptr, pane->GetPixmap(), gdk_drawable_get_colormap(pane->GetPixmap()), 0, 0, 0, 0,
        pane->Width(), pane->Height());
    gdk_pixbuf_save(pixels, path.c_str(), "bmp", nullptr, nullptr);
    g_object_unref(pixels);
  }
}
BENCHMARK(BM_GdkPixbufSaveBMP)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RotateDrawable(benchmark::State& state, double angle) {
  for (auto _ : state) {
    RotateDrawable(gFixture.turnSource, gFixture.turnTarget, angle, kRotateFillWhite);
    Sync();
  }
}
BENCHMARK_CAPTURE(BM_RotateDrawable, Turn03, 0.3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_RotateDrawable, Quarter, 3.141592653589793 / 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_CairoRotate03(benchmark::State& state) {
  for (auto _ : state) {
    cairo_t* cr = cairo_create(gFixture.cairoTarget);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_translate(cr, kSide / 2.0, kSide / 2.0);
    cairo_rotate(cr, -0.3);
    cairo_translate(cr, -kSide / 2.0, -kSide / 2.0);
    cairo_set_source_surface(cr, gFixture.cairoSource, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_FAST);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(gFixture.cairoTarget);
  }
}
BENCHMARK(BM_CairoRotate03)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GdkPixbufRotateSimple(benchmark::State& state) {
  for (auto _ : state) {
    GdkPixbuf* turned =
        gdk_pixbuf_rotate_simple(gFixture.turnPixels, GDK_PIXBUF_ROTATE_COUNTERCLOCKWISE);
    g_object_unref(turned);
  }
}
BENCHMARK(BM_GdkPixbufRotateSimple)->Unit(benchmark::kMillisecond)->UseRealTime();

// A picture of soft gradients with some noise, as photographs compress.
GdkPixbuf* TestImage(int side) {
  GdkPixbuf* image = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, side, side);
  uint32_t noise = 12345;
  for (int y = 0; y < side; ++y) {
    guchar* p = gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image);
    for (int x = 0; x < side; ++x, p += 3) {
      noise = noise * 1103515245 + 12345;
      p[0] = guchar(x * 255 / side + (noise >> 28));
      p[1] = guchar(y * 255 / side);
      p[2] = guchar((x + y) / 32);
    }
  }
  return image;
}

// ---- A pixel loop: every pixel of a 1,000 x 1,000 picture read and written (inverted) through
// RGBSurface.Pixel, then drawn back once as drawing the picture would first do; beside the same
// loop over a GdkPixbuf's bytes drawn onto a pixmap once. Both keep their pixels between runs.

constexpr int kLoopSide = 1000;

struct PixelLoop {
  RuntimeObject* picture = nullptr;
  RuntimeObject* surface = nullptr;
  GdkPixbuf* pixels = nullptr;
  GdkPixmap* pixmap = nullptr;
};

const PixelLoop& Loop() {
  static const PixelLoop loop = [] {
    PixelLoop made;
    GdkPixbuf* image = TestImage(kLoopSide);
    made.pixels = gdk_pixbuf_copy(image);
    made.pixmap = PixmapFor(image);
    made.picture = NewPictureWithImage(image);  // takes the image
    made.surface = pictureRGBSurfaceGetter(made.picture, 0);
    return made;
  }();
  return loop;
}

void BM_RGBSurfacePixelLoop(benchmark::State& state) {
  RuntimeObject* surface = Loop().surface;
  DrawablePane* pane = PicturePane(Loop().picture);
  if (!surface || !pane) {
    state.SkipWithError("no surface");
    return;
  }
  for (auto _ : state) {
    for (int32_t y = 0; y < kLoopSide; ++y) {
      for (int32_t x = 0; x < kLoopSide; ++x) {
        rgbSurfaceSetPixel(surface, x, y, rgbSurfaceGetPixel(surface, x, y) ^ 0xFFFFFF);
      }
    }
    pane->GetPixmap();
    Sync();
  }
}
BENCHMARK(BM_RGBSurfacePixelLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PixbufPixelLoop(benchmark::State& state) {
  GdkPixbuf* pixels = Loop().pixels;
  const int stride = gdk_pixbuf_get_rowstride(pixels);
  const int channels = gdk_pixbuf_get_n_channels(pixels);
  guchar* bytes = gdk_pixbuf_get_pixels(pixels);
  for (auto _ : state) {
    for (int y = 0; y < kLoopSide; ++y) {
      guchar* p = bytes + y * stride;
      for (int x = 0; x < kLoopSide; ++x, p += channels) {
        p[0] ^= 0xFF;
        p[1] ^= 0xFF;
        p[2] ^= 0xFF;
      }
    }
    gdk_draw_pixbuf(Loop().pixmap, nullptr, pixels, 0, 0, 0, 0, -1, -1, GDK_RGB_DITHER_NONE, 0,
                    0);
    Sync();
  }
}
BENCHMARK(BM_PixbufPixelLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

bool SetUp() {
  if (!gdk_display_get_default()) return false;
  char folder[] = "/tmp/qvbenchpicturesXXXXXX";
  if (!mkdtemp(folder)) return false;
  gFixture.folder = folder;
  gFixture.png = gFixture.folder + "/big.png";
  gFixture.bmp = gFixture.folder + "/big.bmp";
  GdkPixbuf* image = TestImage(kSide);
  gdk_pixbuf_save(image, gFixture.png.c_str(), "png", nullptr, nullptr);
  gdk_pixbuf_save(image, gFixture.bmp.c_str(), "bmp", nullptr, nullptr);
  gFixture.turnSource = DrawablePaneFromPixbuf(image);
  gFixture.turnTarget = DrawablePaneFromPixbuf(image);
  gFixture.turnPixels = gdk_pixbuf_add_alpha(image, FALSE, 0, 0, 0);
  gFixture.cairoSource = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSide, kSide);
  gFixture.cairoTarget = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSide, kSide);
  cairo_t* cr = cairo_create(gFixture.cairoSource);
  gdk_cairo_set_source_pixbuf(cr, image, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  g_object_unref(image);
  gchar* contents = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(gFixture.bmp.c_str(), &contents, &length, nullptr)) return false;
  gFixture.bmpBytes.assign(contents, contents + length);
  g_free(contents);
  gFixture.fillPicture = newPicture(kFillSide, kFillSide, 32);
  gFixture.fillSurface = pictureRGBSurfaceGetter(gFixture.fillPicture, 0);
  gFixture.fillPixels = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, kFillSide, kFillSide);
  gdk_pixbuf_fill(gFixture.fillPixels, 0xFFFFFFFF);
  GdkPixbuf* small = TestImage(kFillSide);
  gFixture.savePicture = NewPictureWithImage(small);
  return gFixture.fillSurface && gFixture.savePicture;
}

void TearDown() {
  RuntimeUnlockObject(gFixture.fillSurface);
  RuntimeUnlockObject(gFixture.fillPicture);
  RuntimeUnlockObject(gFixture.savePicture);
  g_object_unref(gFixture.fillPixels);
  gFixture.turnSource->Release();
  gFixture.turnTarget->Release();
  g_object_unref(gFixture.turnPixels);
  cairo_surface_destroy(gFixture.cairoSource);
  cairo_surface_destroy(gFixture.cairoTarget);
  for (const char* name : {"/big.png", "/big.bmp", "/saved.bmp", "/plain.bmp"}) {
    unlink((gFixture.folder + name).c_str());
  }
  rmdir(gFixture.folder.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  qvbench::StartToolkit(&argc, &argv);
  if (!SetUp()) {
    std::fprintf(stderr, "bench_Pictures needs a display (scripts/with-display)\n");
    return 0;
  }
  const int result = qvbench::RunWithRatios(
      argc, argv,
      {{"BM_OpenAsPicturePNG/real_time", "BM_GdkPixbufPNGOntoPixmap/real_time", 1.2},
       {"BM_PictureFromBMPData/real_time", "BM_GdkPixbufBMPLoaderOntoPixmap/real_time", 1.5},
       {"BM_RGBSurfaceFloodFill/real_time", "BM_ScanLineFillOverPixbuf/real_time", 3.0},
       {"BM_SaveAsPicture/real_time", "BM_GdkPixbufSaveBMP/real_time", 1.5},
       {"BM_RotateDrawable/Turn03/real_time", "BM_CairoRotate03/real_time", 2.0},
       {"BM_RotateDrawable/Quarter/real_time", "BM_GdkPixbufRotateSimple/real_time", 2.0},
       {"BM_RGBSurfacePixelLoop/real_time", "BM_PixbufPixelLoop/real_time", 3.0}});
  TearDown();
  return result;
}
