// The bevel button: a pane that draws a button face itself (the theme's button box, a caption
// with an alignment and an offset, an optional icon centred on it, and, while its value is
// set, a sort triangle pointing up or down) instead of using a GTK button. List headers use
// one per column; it has no language class of its own.
//
// Events go to a BevelButtonDelegate, the owner, which is not owned. Each delegate call holds
// the pane chain, and nothing touches the pane after a call that closed it, so a delegate may
// delete the buttons of its header from any of them.
#pragma once

#include <cstdint>

#include "graphics/Drawable.h"
#include "strings/RuntimeString.h"
#include "strings/TextStyle.h"
#include "windows/SubPane.h"

class BevelButton;

class BevelButtonDelegate {
 public:
  virtual ~BevelButtonDelegate() = default;
  // (x, y) in window content coordinates.
  virtual void HoverAt(BevelButton* /*pane*/, int32_t /*x*/, int32_t /*y*/) {}
  virtual void Clicked(BevelButton* /*pane*/) {}
  virtual void Pressed(BevelButton* /*pane*/) {}
  virtual void Tracked(BevelButton* /*pane*/, int32_t /*x*/, int32_t /*y*/) {}
  virtual void MoveAt(BevelButton* /*pane*/, int32_t /*x*/, int32_t /*y*/) {}
  // True when the delegate drew the button itself into g.
  virtual bool CustomDraw(BevelButton* /*pane*/, Graphics& /*g*/) { return false; }
};

enum BevelCaptionAlignment : int32_t {
  kBevelAlignLeft = 0,
  kBevelAlignLeftToo = 1,
  kBevelAlignCenter = 2,
  kBevelAlignRight = 3,
  kBevelAlignRightNoOffset = 4,
};

// ApplyStateCode's programmatic click.
constexpr int32_t kBevelStateClick = 2000;

class BevelButton : public SubPane {
 public:
  BevelButton(BevelButtonDelegate* delegate, const FontSpec& font, SubPane* owner,
              int32_t panelIndex, const QV::Rect& bounds, const string& caption, uint32_t extra);
  ~BevelButton() override;

  void SetCaption(const string& caption);
  const string& Caption() const { return mCaption; }
  int32_t GetValue() const { return mValue; }
  // Setting 1 again flips the sort direction; another value is stored.
  void SetValue(int32_t value);
  // 1 (up) or -1 (down).
  int32_t SortDirection() const { return mDirection; }
  void SetCaptionAlignment(int32_t alignment, int32_t offset);
  // The font's size and its bold, italic and underline.
  void SetFont(const FontSpec& font);
  // The button keeps a reference on icon (nil: none).
  void SetIcon(QV::Drawable* icon);
  uint32_t Extra() const { return mExtra; }
  bool IsPressed() const { return mPressed; }
  // Shows the button pressed or not for an owner that follows a held press itself; the face is
  // redrawn when that changes it.
  void SetPressed(bool pressed);
  bool IsHovered() const { return mHover; }
  // The delegate is going away: the pane tells nobody from now on.
  void ForgetDelegate() { mDelegate = nullptr; }

  // ---- SubPane ----
  void DrawFocusGained() override {}
  void DrawFocusLost() override {}
  void Draw(Graphics& g) override;
  // The delegate's CustomDraw, else Draw.
  void DrawNow() override;
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseMove(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;
  void MouseEnter() override;
  void MouseExit() override;
  // kBevelStateClick tells the delegate Clicked; other codes as SubPane.
  bool ApplyStateCode(int32_t code) override;
  void SetEnabled(bool enabled, bool redraw) override;
  void ShowWidget(bool) override {}
  void DrawInto(Graphics& g) override;

 protected:
  // The face as the theme paints a button, then the caption, icon and sort triangle.
  virtual void DrawFace(Graphics& g, const QV::Rect& r);

 private:
  // Calls into the delegate with the chain held; false when the pane closed meanwhile.
  template <typename Call>
  bool Tell(Call call);
  int32_t DrawCaption(Graphics& g, const QV::Rect& r);
  void DrawIcon(Graphics& g, const QV::Rect& r);
  void DrawSortIndicator(Graphics& g, const QV::Rect& r, int32_t captionWidth);
  bool Holds(int32_t x, int32_t y) const;
  bool ShowsSortIndicator() const { return mValue != 0 && mDirection != 0; }
  void RefreshIfShown();

  BevelButtonDelegate* mDelegate;
  string mCaption;
  int32_t mValue = 0;
  bool mPressed = false;
  bool mHover = false;
  uint32_t mExtra;
  int32_t mAlignment = kBevelAlignLeft;
  int32_t mOffset = 0;
  int32_t mDirection = 1;
  bool mDrawingInto = false;
  QV::Drawable* mIcon = nullptr;
  uint32_t mStyle = 0;  // kStyleBold, kStyleItalic, kStyleUnderline
};
