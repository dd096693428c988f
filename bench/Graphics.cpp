// Drawing through the Graphics class's exports on an off-screen surface beside the GDK and
// Pango calls a program would make on the same pixmap (lines, filled rectangles, short texts),
// and a Group2D of mixed shapes plotted beside cairo drawing the same shapes without
// antialiasing. Every run ends with gdk_display_sync and is timed in real time, so the drawing
// the X server does for it is counted on both sides.
// Needs a display: scripts/with-display build/bench/bench_Graphics
#include <gtk/gtk.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "BenchRatio.h"
#include "BenchStart.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/Drawable.h"
#include "graphics/GraphicsClass.h"
#include "graphics/Object2D.h"
#include "graphics/PangoFonts.h"

namespace {

constexpr int32_t kWidth = 400;
constexpr int32_t kHeight = 300;
constexpr int32_t kCount = 100000;
constexpr int32_t kShapes = 10000;

struct Canvas {
  DrawablePane* pane = nullptr;
  RuntimeObject* graphics = nullptr;
  GdkGC* gc = nullptr;  // the plain side's own context
  PangoLayout* layout = nullptr;
  std::vector<stringStorage*> texts;
  std::vector<string> plainTexts;
  RuntimeObject* group = nullptr;
};
Canvas gCanvas;

// Coordinates spread over the surface, the same for both sides.
int32_t X(int32_t i) { return i * 37 % kWidth; }
int32_t Y(int32_t i) { return i * 53 % kHeight; }

void BM_GraphicsDrawLine(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t i = 0; i < kCount; ++i) {
      RuntimeGraphicsDrawLine(gCanvas.graphics, X(i), Y(i), X(i + 1), Y(i + 7));
    }
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_GraphicsDrawLine)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GdkDrawLine(benchmark::State& state) {
  GdkPixmap* pixmap = gCanvas.pane->GetPixmap();
  for (auto _ : state) {
    for (int32_t i = 0; i < kCount; ++i) {
      gdk_draw_line(pixmap, gCanvas.gc, X(i), Y(i), X(i + 1), Y(i + 7));
    }
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_GdkDrawLine)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GraphicsFillRect(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t i = 0; i < kCount; ++i) {
      RuntimeGraphicsFillRect(gCanvas.graphics, X(i), Y(i), 1 + i % 20, 1 + i % 13);
    }
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_GraphicsFillRect)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GdkFillRect(benchmark::State& state) {
  GdkPixmap* pixmap = gCanvas.pane->GetPixmap();
  for (auto _ : state) {
    for (int32_t i = 0; i < kCount; ++i) {
      gdk_draw_rectangle(pixmap, gCanvas.gc, TRUE, X(i), Y(i), 1 + i % 20, 1 + i % 13);
    }
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_GdkFillRect)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GraphicsDrawString(benchmark::State& state) {
  const size_t texts = gCanvas.texts.size();
  for (auto _ : state) {
    for (int32_t i = 0; i < kCount; ++i) {
      RuntimeGraphicsDrawStringCondensed(gCanvas.graphics, gCanvas.texts[i % texts], X(i),
                                         Y(i) + 12, 0, 0);
    }
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_GraphicsDrawString)->Unit(benchmark::kMillisecond)->UseRealTime();

// The layout is made once in the font the Graphics draws in; each text set and drawn.
void BM_PangoDrawLayout(benchmark::State& state) {
  GdkPixmap* pixmap = gCanvas.pane->GetPixmap();
  const size_t texts = gCanvas.plainTexts.size();
  for (auto _ : state) {
    for (int32_t i = 0; i < kCount; ++i) {
      const string& text = gCanvas.plainTexts[i % texts];
      pango_layout_set_text(gCanvas.layout, text.CString(), text.Length());
      gdk_draw_layout(pixmap, gCanvas.gc, X(i), Y(i), gCanvas.layout);
    }
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_PangoDrawLayout)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- shapes: turned bordered rectangles, turned ovals, cubic curves, rounded rectangles ----

struct ShapePlacing {
  int32_t kind;  // 0 rectangle, 1 oval, 2 curve, 3 rounded rectangle
  double x, y, rotation, borderWidth;
};

ShapePlacing PlacingAt(int32_t i) {
  return {i % 4, double(X(i)), double(Y(i)), 0.1 + (i % 17) * 0.3, 1.0 + i % 3};
}

RuntimeObject* NewShape(const ShapePlacing& placing) {
  static ObjectDefinition* (*const kClasses[4])() = {
      RectShapeClassDefinition, OvalShapeClassDefinition, CurveShapeClassDefinition,
      RoundRectShapeClassDefinition};
  RuntimeObject* shape = NewObjectFromDefinition(kClasses[placing.kind]());
  Object2DObject& base = *AsObject2D(shape);
  base.x = placing.x;
  base.y = placing.y;
  base.borderWidth = placing.borderWidth;
  base.border = 1.0;
  base.fillColor = 0x336699;
  base.borderColor = 0x000000;
  if (placing.kind == 2) {
    CurveShapeObject& curve = *reinterpret_cast<CurveShapeObject*>(shape);
    curve.order = 2;
    curve.x2 = placing.x + 24;
    curve.y2 = placing.y + 8;
    curve.control[0][0] = placing.x + 6;
    curve.control[0][1] = placing.y - 12;
    curve.control[1][0] = placing.x + 18;
    curve.control[1][1] = placing.y + 20;
    return shape;
  }
  RectShapeObject& rect = *reinterpret_cast<RectShapeObject*>(shape);
  rect.width = 24;
  rect.height = 14;
  base.rotation = placing.rotation;
  if (placing.kind == 3) {
    reinterpret_cast<RoundRectShapeObject*>(shape)->cornerWidth = 8;
    reinterpret_cast<RoundRectShapeObject*>(shape)->cornerHeight = 6;
  }
  return shape;
}

void BM_PlotGroup2D(benchmark::State& state) {
  for (auto _ : state) {
    RuntimeGraphicsDrawObject(gCanvas.graphics, gCanvas.group);
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_PlotGroup2D)->Unit(benchmark::kMillisecond)->UseRealTime();

void CairoRoundRect(cairo_t* cr, double w, double h, double cw, double ch) {
  const double rx = cw / 2, ry = ch / 2;
  const double corners[4][3] = {{w / 2 - rx, h / 2 - ry, 0},
                                {-w / 2 + rx, h / 2 - ry, M_PI / 2},
                                {-w / 2 + rx, -h / 2 + ry, M_PI},
                                {w / 2 - rx, -h / 2 + ry, 3 * M_PI / 2}};
  cairo_new_path(cr);
  for (const auto& c : corners) {
    cairo_save(cr);
    cairo_translate(cr, c[0], c[1]);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, c[2], c[2] + M_PI / 2);
    cairo_restore(cr);
  }
  cairo_close_path(cr);
}

// The same shapes drawn with cairo: interior filled, border stroked at its width.
void BM_CairoShapes(benchmark::State& state) {
  std::vector<ShapePlacing> placings;
  for (int32_t i = 0; i < kShapes; ++i) placings.push_back(PlacingAt(i));
  for (auto _ : state) {
    cairo_t* cr = gdk_cairo_create(gCanvas.pane->GetPixmap());
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    for (const ShapePlacing& s : placings) {
      cairo_set_line_width(cr, s.borderWidth);
      if (s.kind == 2) {
        cairo_move_to(cr, s.x, s.y);
        cairo_curve_to(cr, s.x + 6, s.y - 12, s.x + 18, s.y + 20, s.x + 24, s.y + 8);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_stroke(cr);
        continue;
      }
      cairo_save(cr);
      cairo_translate(cr, s.x, s.y);
      cairo_rotate(cr, s.rotation);
      if (s.kind == 0) {
        cairo_rectangle(cr, -12, -7, 24, 14);
      } else if (s.kind == 1) {
        cairo_save(cr);
        cairo_scale(cr, 12, 7);
        cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_restore(cr);
      } else {
        CairoRoundRect(cr, 24, 14, 8, 6);
      }
      cairo_restore(cr);
      cairo_set_source_rgb(cr, 0.2, 0.4, 0.6);
      cairo_fill_preserve(cr);
      cairo_set_source_rgb(cr, 0, 0, 0);
      cairo_stroke(cr);
    }
    cairo_destroy(cr);
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_CairoShapes)->Unit(benchmark::kMillisecond)->UseRealTime();

bool SetUpCanvas() {
  if (!gdk_display_get_default()) return false;
  gCanvas.pane = new DrawablePane({0, 0}, {kHeight, kWidth}, 32);
  gCanvas.graphics = NewGraphicsObject(gCanvas.pane->NewGraphics());
  graphicsTextFontSetter(gCanvas.graphics, 0, string("DejaVu Sans").Storage());
  gCanvas.gc = gdk_gc_new(gCanvas.pane->GetPixmap());
  FontSpec font;
  font.name = string("DejaVu Sans");
  font.size = 12;
  PangoFontDescription* description = MakePangoFontDescription(font);
  gCanvas.layout = pango_layout_new(gdk_pango_context_get());
  pango_layout_set_font_description(gCanvas.layout, description);
  pango_font_description_free(description);
  for (int32_t i = 0; i < 16; ++i) {
    char text[16];
    std::snprintf(text, sizeof text, "Item %d", i * 97);
    gCanvas.plainTexts.push_back(string(text));
    gCanvas.texts.push_back(string(text).ExtractStringStorage());
  }
  gCanvas.group = NewObjectFromDefinition(Group2DClassDefinition());
  for (int32_t i = 0; i < kShapes; ++i) {
    RuntimeObject* shape = NewShape(PlacingAt(i));
    Group2DAppend(gCanvas.group, shape);
    RuntimeUnlockObject(shape);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  qvbench::StartToolkit(&argc, &argv);
  if (!SetUpCanvas()) {
    std::fprintf(stderr, "bench_Graphics needs a display (scripts/with-display)\n");
    return 0;
  }
  // Timed in real time, so the names carry "/real_time".
  return qvbench::RunWithRatios(
      argc, argv,
      {{"BM_GraphicsDrawLine/real_time", "BM_GdkDrawLine/real_time", 1.3},
       {"BM_GraphicsFillRect/real_time", "BM_GdkFillRect/real_time", 1.3},
       {"BM_GraphicsDrawString/real_time", "BM_PangoDrawLayout/real_time", 1.5},
       {"BM_PlotGroup2D/real_time", "BM_CairoShapes/real_time", 2.0}});
}
