// The native group box: a container pane over a GtkFrame whose label shows the caption, with
// "&" marking the mnemonic. The frame draws itself; the pane raises its control's mouse events
// (a click its MouseDown handler does not take goes on to the panes behind) and can draw
// itself into another Graphics as the theme draws a frame.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "controls/ControlMouseEvents.h"
#include "strings/RuntimeString.h"
#include "strings/TextStyle.h"
#include "windows/ContainerPane.h"

class GroupBox : public ContainerPane {
 public:
  GroupBox(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds, const string& caption,
           const FontSpec& font, const MouseEventHooks& hooks);

  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;
  // The etched frame with a gap at the top for the caption (without its "&" marks), the
  // caption in it, then the children.
  void DrawInto(Graphics& g) override;
  bool PassesClickThrough() override { return true; }

  // The frame's label text, as shown (without the marks).
  string GetCaption();
  void SetCaption(const string& caption);
  void SetFont(const FontSpec& font);
  const FontSpec& Font() const { return mFont; }
  GtkWidget* Label();

 private:
  string mCaption;
  FontSpec mFont;
  const MouseEventHooks& mHooks;
};
