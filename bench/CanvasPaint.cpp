// One Paint pass of a canvas whose handler (a C function, as compiled code is) draws 10,000
// filled rectangles, 10,000 lines and 1,000 strings through the Graphics exports, beside the
// same drawing done by a GTK program on a GtkDrawingArea of the same size: gdk_draw_rectangle,
// gdk_draw_line and one Pango layout drawn with gdk_draw_layout. Each run ends with
// gdk_display_sync; timed in real time.
// Needs a display: scripts/with-display build/bench/bench_CanvasPaint
#include <gtk/gtk.h>

#include <cstdio>

#include "BenchClasses.h"
#include "BenchRatio.h"
#include "BenchWindow.h"
#include "app/ExternalClasses.h"
#include "app/MainLoop.h"
#include "controls/Canvas.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "core/Startup.h"
#include "graphics/GraphicsClass.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using qvbench::SetEvent;
using qvbench::Subclass;

constexpr int32_t kWidth = 400;
constexpr int32_t kHeight = 300;
constexpr int32_t kShapes = 10000;
constexpr int32_t kStrings = 1000;

RuntimeObject* gCanvas = nullptr;
GtkWidget* gArea = nullptr;
int64_t gPaints = 0;
const char kText[] = "Canvas 0123";

int32_t X(int32_t i) { return i * 37 % (kWidth - 20); }
int32_t Y(int32_t i) { return i * 53 % (kHeight - 20); }

extern "C" void PaintAll(RuntimeObject*, RuntimeObject* g) {
  ++gPaints;
  static const string text(kText);
  for (int32_t i = 0; i < kShapes; ++i) {
    graphicsForeColorSetter(g, 0, uint32_t(i * 2654435761u) & 0xFFFFFF);
    RuntimeGraphicsFillRect(g, X(i), Y(i), 12, 8);
  }
  for (int32_t i = 0; i < kShapes; ++i) RuntimeGraphicsDrawLine(g, X(i), Y(i), Y(i), X(i) % kHeight);
  for (int32_t i = 0; i < kStrings; ++i) {
    RuntimeGraphicsDrawString(g, text.Storage(), X(i), Y(i) + 12, 0);
  }
}

void PlainPaint(GdkDrawable* drawable, GdkGC* gc, PangoLayout* layout) {
  for (int32_t i = 0; i < kShapes; ++i) {
    const uint32_t rgb = uint32_t(i * 2654435761u) & 0xFFFFFF;
    GdkColor colour = {0, guint16((rgb >> 16) * 257), guint16((rgb >> 8 & 0xFF) * 257),
                       guint16((rgb & 0xFF) * 257)};
    gdk_gc_set_rgb_fg_color(gc, &colour);
    gdk_draw_rectangle(drawable, gc, TRUE, X(i), Y(i), 12, 8);
  }
  for (int32_t i = 0; i < kShapes; ++i) {
    gdk_draw_line(drawable, gc, X(i), Y(i), Y(i), X(i) % kHeight);
  }
  for (int32_t i = 0; i < kStrings; ++i) {
    gdk_draw_layout(drawable, gc, X(i), Y(i), layout);
  }
}

void BM_CanvasPaint(benchmark::State& state) {
  SubPane* pane = AsControl(gCanvas)->pane;
  for (auto _ : state) {
    pane->DrawNow();
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_CanvasPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GdkAndPango(benchmark::State& state) {
  GdkDrawable* drawable = gArea->window;
  GdkGC* gc = gdk_gc_new(drawable);
  PangoLayout* layout = gtk_widget_create_pango_layout(gArea, kText);
  for (auto _ : state) {
    PlainPaint(drawable, gc, layout);
    gdk_display_sync(gdk_display_get_default());
  }
  g_object_unref(layout);
  g_object_unref(gc);
}
BENCHMARK(BM_GdkAndPango)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- set-up ----

RuntimeClass* gCanvasClass = nullptr;

extern "C" void LayOut(RuntimeObject* window) {
  qvbench::LayOutWindow(window, kWidth, kHeight, "Painted");
}

extern "C" void CreateControls(RuntimeObject* window) {
  gCanvas = qvbench::NewPlacedControl(gCanvasClass, 0, 0, kWidth, kHeight);
  WindowAddControl(window, string("Board").Storage(), gCanvas);
}

bool ShowBoth() {
  gCanvasClass = Subclass(CanvasClassDefinition(), "BenchCanvas");
  SetEvent(gCanvasClass, "Paint", reinterpret_cast<void*>(&PaintAll));
  qvbench::ShowWindow("PaintedWindow", reinterpret_cast<void*>(&LayOut),
                      reinterpret_cast<void*>(&CreateControls));
  GtkWidget* plain = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(plain), "Plain");
  gArea = gtk_drawing_area_new();
  gtk_widget_set_size_request(gArea, kWidth, kHeight);
  gtk_container_add(GTK_CONTAINER(plain), gArea);
  gtk_widget_show_all(plain);
  return qvbench::PumpUntil([] {
    return gCanvas && AsControl(gCanvas)->pane && GTK_WIDGET_MAPPED(gArea) && gPaints >= 1;
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_CanvasPaint")) return 0;
  if (!ShowBoth()) {
    std::fprintf(stderr, "bench_CanvasPaint: the windows did not come up\n");
    return 1;
  }
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_CanvasPaint/real_time", "BM_GdkAndPango/real_time", 1.3}});
}
