// The pane of the "Line" control: a straight line between two points of the window, in a
// colour and a width, drawn by the pane itself. The pane's widget is moved and sized to cover
// the line with its width on each draw that finds it elsewhere; a click is the line's only
// when it falls within a squared distance of 35 of the line through the two points.
//
// Drawing puts the end points in order (x1 <= x2); the control's own X1, Y1, X2, Y2 keep the
// values the program set.
#pragma once

#include <cstdint>

#include "controls/DrawnControlPane.h"

class EditLine : public DrawnControlPane {
 public:
  using DrawnControlPane::DrawnControlPane;

  // Not the line's when the point lies farther than the hit distance from it.
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  // The line with its width on every side.
  void Refresh(bool erase) override;
  bool GetRefreshBounds(QV::Rect& rect) override;
  // Clipped to the area the line is drawn in, which may pass the pane's bounds.
  Graphics* NewGraphics() override;
  // The line moved so that its upper left end lies at (x, y), for the call.
  void DrawIntoAt(Graphics& g, int32_t x, int32_t y) override;
  // The widget follows the pane to the area the line is drawn in.
  void BoundsChanged() override { PlaceWidget(); }
  // Moves and sizes the widget over the area the line is drawn in, unless it is there.
  void PlaceWidget();

  int32_t x1 = 0;
  int32_t y1 = 0;
  int32_t x2 = 0;
  int32_t y2 = 0;
  uint32_t lineColor = 0;
  int16_t lineWidth = 1;

 protected:
  void DrawShape(Graphics& g) override;

 private:
  // The pane's bounds grown by the width: left and top by half, right and bottom by all of it.
  QV::Rect DrawArea();
  void DrawThin(Graphics& g);
  void DrawThick(Graphics& g, int32_t width);

  bool mDrawingInto = false;
};

// The squared distance from (px, py) to the straight line through (x1, y1) and (x2, y2),
// truncated toward zero and limited to the largest Integer; to the point itself when the two
// ends coincide. Differences are formed in 64 bits and the rest in extended precision, so no
// coordinates overflow.
int32_t PointToLineDistanceSquared(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t px,
                                   int32_t py);
