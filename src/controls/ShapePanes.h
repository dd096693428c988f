// The panes of the shape controls Oval, Rectangle and RoundRectangle: each fills its bounds in
// its fill colour and draws a border |BorderWidth| pixels wide (none for 0). The Rectangle's
// border is a bevel: a top-left colour along the left and top edges, a bottom-right colour
// along the others, its fill inset by the border.
//
// The fields are the panes' copies of the controls' properties, which the pane accessors
// (controls/PaneAccessors.h) read and write while the pane exists; colours are 0xRRGGBB.
#pragma once

#include <cstdint>

#include "controls/DrawnControlPane.h"

// A disabled shape takes no clicks: they go on to the panes behind it.
class ShapePane : public DrawnControlPane {
 public:
  using DrawnControlPane::DrawnControlPane;
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
};

class EditOval : public ShapePane {
 public:
  using ShapePane::ShapePane;
  uint32_t fillColor = 0;
  uint32_t borderColor = 0;
  int16_t borderWidth = 0;

 protected:
  void DrawShape(Graphics& g) override;
};

class EditRect : public ShapePane {
 public:
  using ShapePane::ShapePane;
  uint32_t fillColor = 0;
  uint32_t topLeftColor = 0;
  uint32_t bottomRightColor = 0;
  int16_t borderWidth = 0;

 protected:
  void DrawShape(Graphics& g) override;
};

class EditRoundRect : public ShapePane {
 public:
  using ShapePane::ShapePane;
  uint32_t fillColor = 0;
  uint32_t borderColor = 0;
  int16_t borderWidth = 0;
  int16_t ovalWidth = 0;
  int16_t ovalHeight = 0;

 protected:
  void DrawShape(Graphics& g) override;
};
