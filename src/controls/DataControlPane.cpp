// The navigator's native side: four GTK-styled buttons with stock icons, the caption between
// them, and the mouse: press, hover and release over a button.
#include <gtk/gtk.h>

#include <algorithm>
#include <utility>

#include "controls/DataControl.h"
#include "database/DatabaseClasses.h"
#include "graphics/Graphics.h"
#include "windows/GtkInput.h"
#include "windows/GtkPlacement.h"
#include "windows/PaneFocus.h"

namespace {

constexpr int32_t kMaxButtonSize = 35;
constexpr int32_t kIconInset = 3;
constexpr int32_t kCaptionInset = 4;
constexpr uint32_t kDimmedCaption = 0x808080;

const char* const kStockIcons[] = {"gtk-goto-first", "gtk-go-back", "gtk-go-forward",
                                   "gtk-goto-last"};

// Rendered once per process at menu size; scaled per draw.
GdkPixbuf* StockIcon(GtkWidget* widget, int32_t button) {
  static GdkPixbuf* icons[4] = {};
  GdkPixbuf*& icon = icons[button - kFirstButton];
  if (!icon) icon = gtk_widget_render_icon(widget, kStockIcons[button - kFirstButton],
                                           GTK_ICON_SIZE_MENU, nullptr);
  return icon;
}

}  // namespace

int32_t DataControlButtonSize(int32_t width, int32_t height) {
  const int32_t size = 5 * height <= width ? height : width / 5;
  return std::min(size, kMaxButtonSize);
}

DataControl::DataControl(DataControlDelegate* delegate, RuntimeObject* object, SubPane* owner,
                         int32_t panelIndex, const QV::Rect& bounds)
    : SubPane(owner, panelIndex, bounds, true), mDelegate(delegate), mObject(object) {
  SetWidget(gtk_fixed_new());
  PutPaneInFixed(this, true);
  g_signal_connect(GetWidget(), "expose-event", G_CALLBACK(&OnPaneExpose),
                   static_cast<SubPane*>(this));
}

// Close finished the edit; the language object may be gone by now.
DataControl::~DataControl() {
  if (RuntimeObject* cursor = std::exchange(mCursor, nullptr)) {
    cursorClose(cursor);
    RuntimeUnlockObject(cursor);
  }
}

// The cursor's edit is finished while the language object can still be read.
void DataControl::Close() {
  if (!IsClosing()) FinishCursor();
  SubPane::Close();
}

void DataControl::SetCaption(const string& caption) {
  mCaption = caption;
  Refresh(true);
}

void DataControl::SetFont(const FontSpec& font) {
  mFont = font;
  SetTextSize(font.size);
  Refresh(true);
}

void DataControl::SetTextAlign(int32_t align) {
  mTextAlign = align;
  Refresh(true);
}

void DataControl::SetTextColor(uint32_t color) {
  mTextColor = color;
  Refresh(true);
}

void DataControl::SetEnabled(bool enabled, bool redraw) {
  SubPane::SetEnabled(enabled, redraw);
  if (!enabled) mHover = kNoButton;
  Refresh(true);
}

void DataControl::SetButtonGroups(bool back, bool forward) {
  const bool changed = back != mBackEnabled || forward != mForwardEnabled;
  mBackEnabled = back;
  mForwardEnabled = forward;
  if (!GroupEnabled(mHover)) mHover = kNoButton;
  if (changed) Refresh(true);
}

bool DataControl::GroupEnabled(int32_t button) const {
  if (button == kFirstButton || button == kPreviousButton) return mBackEnabled;
  if (button == kNextButton || button == kLastButton) return mForwardEnabled;
  return false;
}

int32_t DataControl::ButtonAt(int32_t x, int32_t y) const {
  const QV::Rect& b = GetBounds();
  const int32_t width = b.right - b.left;
  const int32_t height = b.bottom - b.top;
  if (y < 0 || y >= height || x < 0 || x >= width) return kNoButton;
  const int32_t size = DataControlButtonSize(width, height);
  if (size < 1) return kNoButton;
  if (x < size) return kFirstButton;
  if (x < 2 * size) return kPreviousButton;
  if (x >= width - size) return kLastButton;
  if (x >= width - 2 * size) return kNextButton;
  return kNoButton;
}

// ---- mouse (press and release in window coordinates, moves relative to the pane) ----

bool DataControl::MouseDown(int32_t x, int32_t y, int32_t) {
  const QV::Rect& b = GetBounds();
  const int32_t button = ButtonAt(x - b.left, y - b.top);
  if (!IsEnabled() || button == kNoButton || !GroupEnabled(button)) return false;
  mPressed = button;
  SetMouseCapturePane(this);
  RedrawNow();
  return true;
}

void DataControl::MouseDrag(int32_t, int32_t) {}

void DataControl::MouseUp(int32_t x, int32_t y) {
  const int32_t pressed = mPressed;
  if (pressed == kNoButton) return;
  const QV::Rect& b = GetBounds();
  Hold hold(this);
  if (ButtonAt(x - b.left, y - b.top) == pressed && GroupEnabled(pressed)) RunButton(pressed);
  if (!hold.Open()) return;
  mPressed = kNoButton;
  RedrawNow();
}

void DataControl::RunButton(int32_t button) {
  Hold hold(this);
  bool handled = false;
  if (mDelegate) {
    switch (button) {
      case kFirstButton: handled = mDelegate->MoveFirst(); break;
      case kPreviousButton: handled = mDelegate->MovePrevious(); break;
      case kNextButton: handled = mDelegate->MoveNext(); break;
      case kLastButton: handled = mDelegate->MoveLast(); break;
      default: break;
    }
  }
  if (handled || !hold.Open()) return;
  switch (button) {
    case kFirstButton: MoveFirst(); break;
    case kPreviousButton: MovePrevious(); break;
    case kNextButton: MoveNext(); break;
    case kLastButton: MoveLast(); break;
    default: break;
  }
}

void DataControl::MouseMove(int32_t x, int32_t y) {
  int32_t hover = ButtonAt(x, y);
  if (!IsEnabled() || !GroupEnabled(hover)) hover = kNoButton;
  if (hover == mHover) return;
  mHover = hover;
  RedrawNow();
}

void DataControl::MouseExit() {
  if (mHover == kNoButton) return;
  mHover = kNoButton;
  RedrawNow();
}

// ---- drawing ----

void DataControl::RedrawNow() {
  if (IsClosing()) return;
  Refresh(true);
  DrawNow();
}

void DataControl::Draw(Graphics& g) {
  if (!IsVisibleAndShown()) return;
  QV::Rect bounds = GetBounds();
  if (!GetBoundsInWindow(bounds)) return;
  g.SetFont(mFont);
  for (int32_t button = kFirstButton; button <= kLastButton; ++button) {
    DrawButton(g, bounds, button);
  }
  DrawCaption(g, bounds);
}

void DataControl::DrawButton(Graphics& g, const QV::Rect& bounds, int32_t button) {
  GtkWidget* widget = GetWidget();
  if (!widget) return;
  if (!widget->window) gtk_widget_realize(widget);
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (!widget->window || !drawable) return;
  QV::Rect r = bounds;
  const int32_t width = r.right - r.left;
  const int32_t size = DataControlButtonSize(width, r.bottom - r.top);
  if (size < 1) return;
  const int32_t offsets[] = {0, size, width - 2 * size, width - size};
  r.left = int16_t(r.left + offsets[button - kFirstButton]);
  r.right = int16_t(r.left + size);
  GtkStateType state = GTK_STATE_NORMAL;
  if (button == mPressed) {
    state = GTK_STATE_ACTIVE;
  } else if (!IsEnabled() || !GroupEnabled(button)) {
    state = GTK_STATE_INSENSITIVE;
  } else if (button == mHover) {
    state = GTK_STATE_PRELIGHT;
  }
  const QV::Rect d = GraphicsRectToDrawable(g, r, false);
  const int32_t w = d.right - d.left;
  const int32_t h = d.bottom - d.top;
  if (w < 1 || h < 1) return;
  gtk_paint_box(widget->style, drawable, state,
                state == GTK_STATE_ACTIVE ? GTK_SHADOW_IN : GTK_SHADOW_OUT, nullptr, widget,
                "button", d.left, d.top, w, h);
  GdkPixbuf* icon = StockIcon(widget, button);
  const int32_t iw = w - 2 * kIconInset;
  const int32_t ih = h - 2 * kIconInset;
  if (!icon || iw < 1 || ih < 1) return;
  GdkPixbuf* scaled = gdk_pixbuf_scale_simple(icon, iw, ih, GDK_INTERP_BILINEAR);
  if (!scaled) return;
  gdk_draw_pixbuf(drawable, nullptr, scaled, 0, 0, d.left + kIconInset, d.top + kIconInset, iw,
                  ih, GDK_RGB_DITHER_NONE, 0, 0);
  g_object_unref(scaled);
}

int32_t DataControl::TextBaseline() {
  Graphics* g = NewGraphics();
  if (!g) return 0;
  g->SetFont(mFont);
  const QV::Rect& b = GetBounds();
  const int32_t baseline = g->TextAscent() + (b.bottom - b.top - g->TextHeight()) / 2;
  Graphics::Destroy(g);
  return baseline;
}

void DataControl::DrawCaption(Graphics& g, const QV::Rect& b) {
  const int32_t width = b.right - b.left;
  const int32_t size = DataControlButtonSize(width, b.bottom - b.top);
  const int32_t left = b.left + 2 * size + kCaptionInset;
  const int32_t right = b.right - 2 * size - kCaptionInset;
  if (right <= left || mCaption.IsEmpty()) return;
  const bool dimmed = !IsEnabled() || !IsActive();
  g.SetForeColor(ColorFromRGB(dimmed ? kDimmedCaption : mTextColor));
  const int32_t textWidth = std::max(g.StringWidth(mCaption), 0);
  int32_t x = left;
  if (mTextAlign == 1) x = left + std::max((right - left - textWidth) / 2, 0);
  if (mTextAlign == 2) x = std::max(right - textWidth, left);
  const int32_t baseline =
      b.top + std::max(g.TextAscent(), 0) + (b.bottom - b.top - std::max(g.TextHeight(), 0)) / 2;
  g.DrawStringCondensed(mCaption, x, baseline, right - x, string("..."));
}
