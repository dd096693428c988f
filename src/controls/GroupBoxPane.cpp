#include "controls/GroupBoxPane.h"

#include "strings/Mnemonic.h"
#include "windows/GtkLabels.h"
#include "windows/GtkPlacement.h"

namespace {

constexpr int32_t kGapStart = 4;
constexpr int32_t kCaptionInset = 5;

}  // namespace

GroupBox::GroupBox(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds,
                   const string& caption, const FontSpec& font, const MouseEventHooks& hooks)
    : ContainerPane(owner, panelIndex, bounds), mHooks(hooks) {
  SetWidget(gtk_frame_new(""));
  PutPaneInFixed(this, true);
  SetFont(font);
  SetCaption(caption);
}

GtkWidget* GroupBox::Label() {
  GtkWidget* frame = GetWidget();
  return frame ? gtk_frame_get_label_widget(GTK_FRAME(frame)) : nullptr;
}

void GroupBox::SetCaption(const string& caption) {
  mCaption = caption;
  if (GtkWidget* label = Label()) SetLabelTextWithMnemonic(label, caption, &mFont);
}

string GroupBox::GetCaption() {
  GtkWidget* frame = GetWidget();
  const char* text = frame ? gtk_frame_get_label(GTK_FRAME(frame)) : nullptr;
  return text ? string(text) : string();
}

void GroupBox::SetFont(const FontSpec& font) {
  mFont = font;
  if (GtkWidget* label = Label()) SetWidgetFont(label, font);
}

bool GroupBox::MouseDown(int32_t x, int32_t y, int32_t) {
  return RaiseMouseDownEvent(this, mHooks, x, y);
}

void GroupBox::MouseDrag(int32_t x, int32_t y) { RaiseMouseDragEvent(this, mHooks, x, y); }

void GroupBox::MouseUp(int32_t x, int32_t y) { RaiseMouseUpEvent(this, mHooks, x, y); }

void GroupBox::DrawInto(Graphics& g) {
  GtkWidget* frame = GetWidget();
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (frame && drawable) {
    if (!frame->window) gtk_widget_realize(frame);
    const RGBColor16 color = g.ForeColor();
    g.SetFont(mFont);
    g.SetForeColor({0, 0, 0});
    const string caption = StripMnemonic(mCaption);
    const int32_t textHeight = g.TextHeight();
    const int32_t captionWidth = caption.IsEmpty() ? 0 : g.StringWidth(caption);
    const int32_t ascent = g.TextAscent();
    const QV::Rect r = GraphicsRectToDrawable(g, GetBounds(), false);
    const int32_t half = textHeight / 2;
    gtk_paint_shadow_gap(frame->style, drawable, GtkStateType(GTK_WIDGET_STATE(frame)),
                         GTK_SHADOW_ETCHED_IN, nullptr, frame, "frame", r.left, r.top + half,
                         r.right - r.left, r.bottom - r.top - half, GTK_POS_TOP, kGapStart,
                         captionWidth + 2);
    {
      GraphicsClipSaver clip(g);
      g.SetClipRect(GetBounds());
      const QV::Rect& bounds = GetBounds();
      if (!caption.IsEmpty()) {
        g.DrawString(caption, bounds.left + kCaptionInset, bounds.top + ascent);
      }
    }
    g.SetForeColor(color);
  }
  SubPane::DrawInto(g);
}
