// The pane of a control that draws itself: a window-less GtkFixed in the window's content
// container, drawn on every expose of its area through a Graphics of the pane, which raises
// its control's three mouse events and lets a click its MouseDown handler does not take pass
// on to the panes behind it. Shapes and lines build on it.
#pragma once

#include <cstdint>

#include "controls/ControlMouseEvents.h"
#include "windows/SubPane.h"

class DrawnControlPane : public SubPane {
 public:
  // hooks belongs to the control's class and outlives the pane.
  DrawnControlPane(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds,
                   const MouseEventHooks& hooks);

  // Nothing while the pane is not visible; else DrawShape.
  void Draw(Graphics& g) override;
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;
  bool PassesClickThrough() override { return true; }

 protected:
  virtual void DrawShape(Graphics& g) = 0;
  const MouseEventHooks& Hooks() const { return mHooks; }

 private:
  const MouseEventHooks& mHooks;
};

// The language's 0xRRGGBB as the Graphics' colour.
void SetGraphicsColor(Graphics& g, uint32_t rgb);
