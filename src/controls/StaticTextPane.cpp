#include "controls/StaticTextPane.h"

#include <utility>

#include "controls/StaticText.h"
#include "core/EventHandlers.h"
#include "database/DataSourceBinding.h"
#include "strings/Mnemonic.h"
#include "windows/GtkLabels.h"
#include "windows/GtkPlacement.h"
#include "windows/WindowControls.h"

StaticText::StaticText(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds,
                       const StaticTextHooks& hooks)
    : ContainerPane(owner, panelIndex, bounds), mHooks(hooks) {}

void StaticText::RaiseAcceleratorKey() {
  if (!mOwner || !IsEnabled()) return;
  RaiseControlEvent<void>(mOwner, mHooks.acceleratorKey, nullptr);
}

// Binding again without letting go first would bind the label twice.
void StaticText::Bind() {
  Unbind();
  if (mDataSource.Compare(string()) == 0 || !mOwner) return;
  mBoundControl = BindToDataSource(mOwner, mDataSource.Storage(), kBindingStaticText);
}

void StaticText::Unbind() {
  RuntimeObject* bound = std::exchange(mBoundControl, nullptr);
  if (bound) UnbindFromDataSource(bound, mOwner, kBindingStaticText);
}

int32_t StaticText::GetTextBaseline() {
  Graphics* g = NewGraphics();
  if (!g) return 0;
  g->SetFont(mFont);
  const int32_t height = GetBounds().bottom - GetBounds().top;
  const int32_t baseline = g->TextAscent() + (height - g->TextHeight()) / 2;
  Graphics::Destroy(g);
  return baseline;
}

// The answer of the MouseDown handler decides whether drags and the release are raised.
bool StaticText::MouseDown(int32_t x, int32_t y, int32_t) {
  if (!mOwner || !IsEnabled()) return false;
  RuntimeObject* owner = mOwner;
  AsStaticText(owner)->mouseDownHandled = 0;
  if (!LookupEventHandler(owner, mHooks.mouse.mouseDown)) return false;
  RuntimeLockObject(owner);
  const bool handled = RaiseMouseDownEvent(this, mHooks.mouse, x, y);
  // A pane closed by the handler answers handled; nothing follows it.
  AsStaticText(owner)->mouseDownHandled = handled && mOwner == owner && !IsClosing();
  RuntimeUnlockObject(owner);
  return handled;
}

void StaticText::MouseDrag(int32_t x, int32_t y) {
  if (mOwner && AsStaticText(mOwner)->mouseDownHandled) {
    RaiseMouseDragEvent(this, mHooks.mouse, x, y);
  }
}

void StaticText::MouseUp(int32_t x, int32_t y) {
  if (mOwner && AsStaticText(mOwner)->mouseDownHandled) {
    RaiseMouseUpEvent(this, mHooks.mouse, x, y);
  }
}

// ---- StaticTextGeneric ----

StaticTextGeneric::StaticTextGeneric(SubPane* owner, int32_t panelIndex,
                                     const QV::Rect& bounds, const StaticTextHooks& hooks)
    : StaticText(owner, panelIndex, bounds, hooks) {
  GtkWidget* label = gtk_label_new("");
  SetWidget(label);
  PutPaneInFixed(this, true);
  gtk_misc_set_alignment(GTK_MISC(label), 0.0, 0.5);
  g_signal_connect(label, "mnemonic-activate",
                   G_CALLBACK(&StaticTextGeneric::OnMnemonicActivate), this);
}

gboolean StaticTextGeneric::OnMnemonicActivate(GtkWidget*, gboolean, StaticTextGeneric* pane) {
  HoldForSignal(pane, [pane] { pane->RaiseAcceleratorKey(); });
  return TRUE;
}

void StaticTextGeneric::SetAlignment(int32_t alignment) {
  static const struct {
    float x;
    GtkJustification justify;
  } kPlaces[] = {{0.0f, GTK_JUSTIFY_LEFT}, {0.5f, GTK_JUSTIFY_CENTER}, {1.0f, GTK_JUSTIFY_RIGHT}};
  if (alignment < 0 || alignment > 2) return;
  StaticText::SetAlignment(alignment);
  GtkWidget* label = Label();
  gtk_misc_set_alignment(GTK_MISC(label), kPlaces[alignment].x, mMultiLine ? 0.0f : 0.5f);
  gtk_label_set_justify(GTK_LABEL(label), kPlaces[alignment].justify);
}

void StaticTextGeneric::SetCaption(const string& caption) {
  if (caption.Compare(mCaption) == 0) return;
  StaticText::SetCaption(caption);
  SetLabelTextWithMnemonic(Label(), caption, &mFont);
}

void StaticTextGeneric::SetFont(const FontSpec& font) {
  StaticText::SetFont(font);
  SetWidgetFont(Label(), font);
}

void StaticTextGeneric::SetMultiLine(bool multiLine) {
  gtk_label_set_line_wrap(GTK_LABEL(Label()), multiLine);
  StaticText::SetMultiLine(multiLine);
  SetAlignment(mAlignment);
}

void StaticTextGeneric::SetTextColor(uint32_t color) {
  if (color == mTextColor) return;
  StaticText::SetTextColor(color);
  const RGBColor16 c = ColorFromRGB(color);
  GdkColor gdk{0, c.red, c.green, c.blue};
  gtk_widget_modify_fg(Label(), GTK_STATE_NORMAL, &gdk);
}

int32_t StaticTextGeneric::LineX(Graphics& g, const string& line, const QV::Rect& bounds) {
  switch (mAlignment) {
    case 1: return bounds.left + (bounds.right - bounds.left - g.StringWidth(line)) / 2;
    case 2: return bounds.right - g.StringWidth(line);
    default: return bounds.left;
  }
}

// Lines end at CR, LF or CR LF; empty lines are not drawn but take their height.
void StaticTextGeneric::DrawLines(Graphics& g, const string& caption, const QV::Rect& bounds,
                                  int32_t baseline) {
  const char* p = caption.CString();
  const char* end = p + caption.Length();
  const int32_t lineHeight = g.TextAscent() + g.TextDescent();
  while (true) {
    const char* lineEnd = p;
    while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n') ++lineEnd;
    if (lineEnd > p) {
      const string line = string::FromBytes(p, lineEnd - p, caption.Encoding());
      g.DrawString(line, LineX(g, line, bounds), baseline);
    }
    if (lineEnd >= end) break;
    p = lineEnd + (lineEnd[0] == '\r' && lineEnd + 1 < end && lineEnd[1] == '\n' ? 2 : 1);
    baseline += lineHeight;
  }
}

void StaticTextGeneric::DrawInto(Graphics& g) {
  const string caption = StripMnemonic(mCaption);
  if (IsVisibleAndShown() && !caption.IsEmpty()) {
    GraphicsState state(g);
    state.Save();
    GraphicsClipSaver clip(g);
    g.SetFont(mFont);
    const QV::Rect& bounds = GetBounds();
    RGBColor16 color = ColorFromRGB(mTextColor);
    if (!IsEnabled()) {
      for (uint16_t* channel : {&color.red, &color.green, &color.blue}) {
        *channel = uint16_t((uint32_t(*channel) + 0x18000) / 4);
      }
    }
    g.SetForeColor(color);
    if (mMultiLine) {
      g.DrawStringWrapped(caption, bounds, mAlignment);
    } else {
      DrawLines(g, caption, bounds, bounds.top + GetTextBaseline());
    }
    state.Restore();
  }
  SubPane::DrawInto(g);
}
