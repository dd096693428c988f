#include "controls/BevelButton.h"

#include <algorithm>

#include "arrays/ArrayElementAccess.h"
#include "arrays/RuntimeArray.h"
#include "controls/ThemeColors.h"
#include "graphics/GraphicsClass.h"
#include "windows/GtkInput.h"
#include "windows/GtkPlacement.h"
#include "windows/PaneFocus.h"

namespace {

constexpr int32_t kCaptionInset = 5;
constexpr int32_t kCaptionRoom = 10;            // the caption's width is the button's less this
constexpr int32_t kSortIndicatorRoom = 15;      // and less this too for the triangle to show
constexpr int32_t kTriangleWidth = 10;
constexpr int32_t kTriangleHeight = 5;
constexpr int32_t kTriangleInset = 5;
constexpr RGBColor16 kPressedCaptionColor = {0xFFFF, 0xFFFF, 0xFFFF};

}  // namespace

BevelButton::BevelButton(BevelButtonDelegate* delegate, const FontSpec& font, SubPane* owner,
                         int32_t panelIndex, const QV::Rect& bounds, const string& caption,
                         uint32_t extra)
    : SubPane(owner, panelIndex, bounds, true),
      mDelegate(delegate),
      mCaption(caption),
      mExtra(extra) {
  SetWidget(gtk_fixed_new());
  PutPaneInFixed(this, true);
  g_signal_connect(GetWidget(), "expose-event", G_CALLBACK(&OnPaneExpose),
                   static_cast<SubPane*>(this));
  SetFont(font);
}

BevelButton::~BevelButton() {
  if (mIcon) mIcon->Release();
}

template <typename Call>
bool BevelButton::Tell(Call call) {
  if (!mDelegate || !RetainChain()) return !IsClosing();
  call(mDelegate);
  return !ReleaseChain();
}

void BevelButton::RefreshIfShown() {
  if (IsVisibleAndShown() && !IsClosing()) Refresh(true);
}

void BevelButton::SetCaption(const string& caption) {
  mCaption = caption;
  Refresh(true);
}

void BevelButton::SetValue(int32_t value) {
  if (value == mValue) {
    if (value == 1) mDirection = -mDirection;
  } else {
    mValue = value;
  }
  RefreshIfShown();
}

void BevelButton::SetPressed(bool pressed) {
  if (pressed == mPressed) return;
  mPressed = pressed;
  if (IsVisibleAndShown() && !IsClosing()) DrawNow();
}

void BevelButton::SetCaptionAlignment(int32_t alignment, int32_t offset) {
  mAlignment = alignment;
  mOffset = offset;
  Refresh(true);
}

void BevelButton::SetFont(const FontSpec& font) {
  SetTextSize(font.size);
  mStyle = font.GetStyleBits() & (kStyleBold | kStyleItalic | kStyleUnderline);
  SetBold((mStyle & kStyleBold) != 0);
  RefreshIfShown();
}

void BevelButton::SetIcon(QV::Drawable* icon) {
  if (icon) icon->Retain();
  if (mIcon) mIcon->Release();
  mIcon = icon;
  RefreshIfShown();
}

// ---- drawing ----

void BevelButton::DrawNow() {
  Graphics* g = NewGraphics();
  if (!g) return;
  if (IsVisibleAndShown()) {
    g->SetTextStyle(mStyle);
    const bool drawn = mDelegate && mDelegate->CustomDraw(this, *g);
    if (!drawn) Draw(*g);
  }
  Graphics::Destroy(g);
}

void BevelButton::Draw(Graphics& g) {
  QV::Rect r = GetBounds();
  if (!mDrawingInto && !GetBoundsInWindow(r)) return;
  DrawFace(g, r);
}

void BevelButton::DrawInto(Graphics& g) {
  mDrawingInto = true;
  const uint32_t style = g.TextStyle();
  g.SetTextStyle(mStyle);
  SubPane::DrawInto(g);
  g.SetTextStyle(style);
  mDrawingInto = false;
}

void BevelButton::DrawFace(Graphics& g, const QV::Rect& r) {
  GtkWidget* widget = GetWidget();
  if (!widget) return;
  if (!widget->window) gtk_widget_realize(widget);
  if (!widget->window) return;
  const bool down = mValue != 0 || mPressed;
  const GtkStateType state = down ? GTK_STATE_ACTIVE : mHover ? GTK_STATE_PRELIGHT
                                                              : GTK_STATE_NORMAL;
  const QV::Rect d = GraphicsRectToDrawable(g, r, false);
  const int32_t width = d.right - d.left;
  const int32_t height = d.bottom - d.top;
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (drawable && width >= 1 && height >= 1) {
    gtk_paint_box(widget->style, drawable, state, down ? GTK_SHADOW_IN : GTK_SHADOW_OUT,
                  nullptr, widget, "button", d.left, d.top, width, height);
  }
  const int32_t captionWidth = DrawCaption(g, r);
  DrawIcon(g, r);
  DrawSortIndicator(g, r, captionWidth);
}

// The caption's width.
int32_t BevelButton::DrawCaption(Graphics& g, const QV::Rect& r) {
  const int32_t width = r.right - r.left;
  const int32_t height = r.bottom - r.top;
  RGBColor16 color{};
  GetThemeColor(kThemeText, &color, nullptr);
  g.SetForeColor(mPressed ? kPressedCaptionColor : color);
  const int32_t w = std::max(g.StringWidth(mCaption), 0);
  const int32_t baseline = (g.TextHeight() + height) / 2 + r.top - 2;
  const int32_t room = ShowsSortIndicator() ? kSortIndicatorRoom : 0;
  int32_t x = r.left + mOffset + kCaptionInset;
  if (mAlignment == kBevelAlignCenter) {
    if (w < width - kCaptionRoom) x = (width - w) / 2 + r.left + mOffset;
  } else if (mAlignment == kBevelAlignRight || mAlignment == kBevelAlignRightNoOffset) {
    int32_t offset = mAlignment == kBevelAlignRight ? mOffset : 0;
    x = r.left + offset + kCaptionInset;
    if (w < width - kCaptionRoom - room) {
      if (room != 0) offset = std::min(offset, -room);
      x = r.left + offset + width - w - kCaptionInset;
    }
  }
  x = std::max<int32_t>(x, r.left + 1);
  g.DrawStringCondensed(mCaption, x, baseline, width - kCaptionRoom, string("..."));
  return w;
}

void BevelButton::DrawIcon(Graphics& g, const QV::Rect& r) {
  if (!mIcon) return;
  int32_t width = 0;
  int32_t height = 0;
  mIcon->GetSize(&width, &height);
  QV::Rect place;
  const int32_t left = r.left + (r.right - r.left - width) / 2;
  const int32_t top = r.top + (r.bottom - r.top - height) / 2;
  RectSet(place, left, top, left + width, top + height);
  mIcon->DrawInto(g, place, mIcon->GetMask() != nullptr);
}

// Drawn through a Graphics object, which takes points relative to the pane it draws into.
void BevelButton::DrawSortIndicator(Graphics& g, const QV::Rect& r, int32_t captionWidth) {
  if (!ShowsSortIndicator() || captionWidth >= r.right - r.left - kSortIndicatorRoom) return;
  RuntimeObject* graphics = NewGraphicsObject(nullptr);
  if (!graphics) return;
  SetNativeGraphics(graphics, &g);
  int32_t paneLeft = 0;
  int32_t paneTop = 0;
  GraphicsPaneOrigin(graphics, &paneLeft, &paneTop);
  const int32_t right = r.right - kTriangleInset - paneLeft;
  const int32_t top = r.top + (r.bottom - r.top - kTriangleHeight) / 2 - paneTop;
  const int32_t apex = mDirection > 0 ? top : top + kTriangleHeight;
  const int32_t base = mDirection > 0 ? top + kTriangleHeight : top;
  const int32_t points[9] = {0, right - kTriangleWidth, base, right - kTriangleWidth / 2,
                             apex, right, base, right - kTriangleWidth, base};
  RuntimeArray* array = CreateArray(1, kArrayInt32, 8);
  if (array) {
    for (int32_t i = 0; i < 9; ++i) ArraySetElement(array, i, uint32_t(points[i]));
    graphicsFillPolygon(graphics, array);
    RuntimeUnlockArray(array);
  }
  SetNativeGraphics(graphics, nullptr);
  RuntimeUnlockObject(graphics);
}

// ---- mouse ----

bool BevelButton::Holds(int32_t x, int32_t y) const {
  const QV::Rect& b = GetBounds();
  return y >= b.top && y < b.bottom && x >= b.left && x < b.right;
}

bool BevelButton::MouseDown(int32_t x, int32_t y, int32_t) {
  if (!IsEnabled() || !Holds(x, y)) return false;
  mPressed = true;
  DrawNow();
  if (!Tell([&](BevelButtonDelegate* d) { d->Pressed(this); })) return true;
  SetMouseCapturePane(this);
  return true;
}

void BevelButton::MouseDrag(int32_t x, int32_t y) {
  const bool inside = Holds(x, y);
  if (inside != mPressed) {
    mPressed = inside;
    DrawNow();
  }
  Tell([&](BevelButtonDelegate* d) { d->Tracked(this, x, y); });
}

// The release's own place decides too: a release that arrives before the drags that led out
// of the button reports no click either.
void BevelButton::MouseUp(int32_t x, int32_t y) {
  if (!mPressed) return;
  mPressed = false;
  DrawNow();
  if (Holds(x, y)) Tell([&](BevelButtonDelegate* d) { d->Clicked(this); });
}

// (x, y) come relative to the pane.
void BevelButton::MouseMove(int32_t x, int32_t y) {
  if (!IsEnabled()) return;
  const int32_t windowX = x + GetBounds().left;
  const int32_t windowY = y + GetBounds().top;
  if (!Tell([&](BevelButtonDelegate* d) { d->HoverAt(this, windowX, windowY); })) return;
  Tell([&](BevelButtonDelegate* d) { d->MoveAt(this, windowX, windowY); });
}

void BevelButton::MouseEnter() {
  if (!IsEnabled()) return;
  mHover = true;
  Refresh(true);
}

void BevelButton::MouseExit() {
  if (!IsEnabled()) return;
  mHover = false;
  Refresh(true);
}

bool BevelButton::ApplyStateCode(int32_t code) {
  if (code != kBevelStateClick) return SubPane::ApplyStateCode(code);
  Tell([&](BevelButtonDelegate* d) { d->Clicked(this); });
  return true;
}

void BevelButton::SetEnabled(bool enabled, bool redraw) {
  if (enabled == IsEnabled()) return;
  SubPane::SetEnabled(enabled, redraw);
  RefreshIfShown();
}
