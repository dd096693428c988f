// ShapePlotter: draws Object2D shapes through a Graphics. Each shape becomes integer polygons
// that the Graphics fills in one call each (one for an interior, one ring for a thick border),
// lines for a thin border, or the Graphics' own oval and text operations when the shape is not
// turned. Groups are drawn item by item, at most kObject2DDepthLimit deep.
//
// Shape coordinates are relative to the Graphics' target pane: polygons are moved onto the
// pane by the Graphics, lines, ovals and text by the plotter. Whatever the plotter changes on
// the Graphics (colours, pen, font, opacity) is put back when a plot ends. Turned text and
// turned pictures are drawn through off-screen surfaces turned by the picture rotation: a
// colour surface copied through a turned mask, so that the background stays clear.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "graphics/Graphics.h"
#include "graphics/Object2D.h"

class ShapePlotter {
 public:
  explicit ShapePlotter(Graphics& g) : mGraphics(g) {}

  // Nothing for nil; a group draws its items with depth - 1, and nothing at depth 0.
  void Plot(RuntimeObject* shape, int32_t depth = kObject2DDepthLimit);
  // Plot with the shape moved by (dx, dy) for the while.
  void PlotAt(RuntimeObject* shape, int32_t dx, int32_t dy);

 private:
  void PlotClosedShape(RuntimeObject* shape);
  void PlotOpenShape(RuntimeObject* shape);
  void PlotOval(RuntimeObject* shape);
  void PlotString(RuntimeObject* shape);
  void PlotTurnedString(RuntimeObject* shape, const string& words, int32_t width, double angle,
                        int32_t paneLeft, int32_t paneTop);
  void PlotPixmap(RuntimeObject* shape);
  // The shape's border alone, as a rectangle's.
  void PlotPixmapBorder(RuntimeObject* shape);
  void PlotFigure(RuntimeObject* shape);
  // The interior from every point; the border from the first borderCount, open or closed.
  void PlotPolygon(const Object2DObject& shape, const ShapePoints& points, uint32_t borderCount,
                   bool open);
  void ThinBorder(const ShapePoints& points, uint32_t count, bool open);
  void ThickBorder(const ShapePoints& points, uint32_t count, bool open, double width);
  // The target pane's left and top; false (after the report) without a target.
  bool PaneOffset(int32_t* left, int32_t* top);

  Graphics& mGraphics;
};

// Whether a part with this fraction of opacity is drawn by g.
bool PartVisible(const Graphics& g, double fraction);

// The pixel bounds of a width x height rectangle at (left, top) turned by angle about its
// centre: each pointer given its part and receiving the result. Nil pointers are a failed
// check and change nothing.
bool TurnedRectBounds(double angle, int32_t* left, int32_t* top, int32_t* width,
                      int32_t* height);

// True when each edge of the four-point outline is horizontal or vertical within tolerance;
// any other count of points is a failed check.
bool EdgesAlongAxes(const ShapePoints& points, double tolerance);

// The outline moved by distance along its edge normals, mitred at each corner (a corner
// between parallel edges takes the moved point). Consecutive equal points count once.
void OffsetOutline(const ShapePoints& points, uint32_t count, bool open, double distance,
                   ShapePoints& result);
