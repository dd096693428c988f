// A plug-in's picture from its own pixel buffer (2,000 x 2,000 pixels, four bytes a pixel in
// B G R x order, padded rows) beside the same work written plainly: one loop into a packed
// R G B buffer and gdk_draw_rgb_image onto a pixmap.
// Every run ends with gdk_display_sync and is timed in real time.
// Needs a display: scripts/with-display build/bench/bench_PluginPictures
#include <gtk/gtk.h>

#include <cstdio>
#include <vector>

#include "BenchRatio.h"
#include "BenchStart.h"
#include "graphics/PicturePluginFunctions.h"

namespace {

constexpr int kSide = 2000;
constexpr int kRowBytes = kSide * 4 + 16;

std::vector<uint8_t> gSource;

void Sync() { gdk_display_sync(gdk_display_get_default()); }

void BM_BuildPictureFromBuffer(benchmark::State& state) {
  for (auto _ : state) {
    RuntimeObject* picture = QUORBuildPictureFromBuffer(kSide, kSide, 4, gSource.data(), kRowBytes);
    Sync();
    if (!picture) state.SkipWithError("no picture");
    RuntimeUnlockObject(picture);
  }
}
BENCHMARK(BM_BuildPictureFromBuffer)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_PlainPackAndDrawRGB(benchmark::State& state) {
  for (auto _ : state) {
    GdkPixmap* pixmap = gdk_pixmap_new(gdk_get_default_root_window(), kSide, kSide, -1);
    GdkGC* gc = gdk_gc_new(pixmap);
    std::vector<uint8_t> packed(size_t(kSide) * kSide * 3);
    for (int y = 0; y < kSide; ++y) {
      const uint8_t* in = &gSource[size_t(y) * kRowBytes];
      uint8_t* out = &packed[size_t(y) * kSide * 3];
      for (int x = 0; x < kSide; ++x, in += 4, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    }
    gdk_draw_rgb_image(pixmap, gc, 0, 0, kSide, kSide, GDK_RGB_DITHER_MAX, packed.data(),
                       kSide * 3);
    Sync();
    g_object_unref(gc);
    g_object_unref(pixmap);
  }
}
BENCHMARK(BM_PlainPackAndDrawRGB)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartToolkit(&argc, &argv)) {
    std::fprintf(stderr, "bench_PluginPictures needs a display (scripts/with-display)\n");
    return 0;
  }
  gSource.resize(size_t(kRowBytes) * kSide);
  for (size_t i = 0; i < gSource.size(); ++i) gSource[i] = uint8_t(i * 7 + (i >> 11));
  return qvbench::RunWithRatios(
      argc, argv,
      {{"BM_BuildPictureFromBuffer/real_time", "BM_PlainPackAndDrawRGB/real_time", 1.2}});
}
