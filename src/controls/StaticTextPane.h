// The native label: StaticText keeps a caption, its alignment, colour, font and wrapping, raises
// its control's mouse events and AcceleratorKey, and takes part in data binding for its owner
// (the language object); StaticTextGeneric shows it with a GtkLabel, whose mnemonic-activate
// signal raises AcceleratorKey, and draws it on a Graphics.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "controls/ControlMouseEvents.h"
#include "database/DataBinding.h"
#include "graphics/Graphics.h"
#include "strings/RuntimeString.h"
#include "strings/TextStyle.h"
#include "windows/ContainerPane.h"

// What the pane raises on its owner; the StaticText class fills it.
struct StaticTextHooks {
  MouseEventHooks mouse;
  ObjectHook* acceleratorKey = nullptr;
};

class StaticText : public ContainerPane, public DataAwareClass {
 public:
  StaticText(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds,
             const StaticTextHooks& hooks);
  ~StaticText() override { Unbind(); }

  // Raises AcceleratorKey when the pane has an owner and is enabled.
  virtual void RaiseAcceleratorKey();
  // Lets go of the data control it is bound to, then binds to the one the data-source name
  // gives (none for an empty name or without an owner).
  void Bind() override;
  void Unbind() override;
  virtual void SetAlignment(int32_t alignment) { mAlignment = int16_t(alignment); }
  virtual void SetCaption(const string& caption) { mCaption = caption; }
  virtual void SetFont(const FontSpec& font) { mFont = font; }
  virtual void SetMultiLine(bool multiLine) { mMultiLine = multiLine; }
  virtual void SetTextColor(uint32_t color) { mTextColor = color; }

  // The first baseline: one line of the font centred vertically in the pane.
  int32_t GetTextBaseline();
  // MouseDrag and MouseUp come only after a MouseDown the handler took.
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;

  void SetOwnerObject(RuntimeObject* owner) { mOwner = owner; }
  RuntimeObject* OwnerObject() const { return mOwner; }
  void SetDataSource(const string& name) { mDataSource = name; }
  RuntimeObject* BoundDataControl() const { return mBoundControl; }
  const string& Caption() const { return mCaption; }
  int32_t Alignment() const { return mAlignment; }
  uint32_t TextColor() const { return mTextColor; }
  bool IsMultiLine() const { return mMultiLine; }
  const FontSpec& Font() const { return mFont; }

 protected:
  string mDataSource;
  RuntimeObject* mBoundControl = nullptr;  // the binding holds the owner, not this
  RuntimeObject* mOwner = nullptr;         // the language object; not held
  string mCaption;
  int16_t mAlignment = 0;
  uint32_t mTextColor = 0;
  bool mMultiLine = false;
  FontSpec mFont;
  const StaticTextHooks& mHooks;
};

class StaticTextGeneric : public StaticText {
 public:
  StaticTextGeneric(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds,
                    const StaticTextHooks& hooks);

  // 0 left, 1 centre, 2 right; a multi-line label sits at the top, one line in the middle.
  // Any other value changes nothing.
  void SetAlignment(int32_t alignment) override;
  // Only a caption that differs from the shown one touches the label.
  void SetCaption(const string& caption) override;
  void SetFont(const FontSpec& font) override;
  void SetMultiLine(bool multiLine) override;
  void SetTextColor(uint32_t color) override;
  // The caption without its "&" marks, in the pane's font and colour (greyed when disabled),
  // wrapped or line by line, then the children.
  void DrawInto(Graphics& g) override;

  GtkWidget* Label() { return GetWidget(); }

 private:
  static gboolean OnMnemonicActivate(GtkWidget* label, gboolean cycling, StaticTextGeneric* pane);
  void DrawLines(Graphics& g, const string& caption, const QV::Rect& bounds, int32_t baseline);
  int32_t LineX(Graphics& g, const string& line, const QV::Rect& bounds);
};
