// The native window of a message dialog run: built from the record's fields (the layout is
// measured in the dialog's fonts), it draws the icon and the two texts itself and holds up to
// three push-button panes, whose delegate it is. A push or the close box stores the answer in
// the window and hides it, which ends the run's loop.
#pragma once

#include "controls/MessageDialog.h"
#include "controls/PushButtonPane.h"
#include "windows/Window.h"

namespace MessageDialog {

class Imp : public Window, public PushButtonDelegate {
 public:
  explicit Imp(MessageDialogRecord* dialog);
  ~Imp() override;

  void Draw(Graphics& g) override;
  // Answers the cancel code 0 and hides the window; handled.
  bool CloseBoxClicked() override;
  // The code of pane's button, then hides the window; another pane changes nothing.
  virtual void ButtonPushed(SubPane* pane);
  void Action(SubPane* pane) override { ButtonPushed(pane); }

  // The button code that ended this window's run; -1 until one did.
  int32_t Result() const { return mResult; }
  ::PushButton* ActionPane() const { return mActionPane; }
  ::PushButton* CancelPane() const { return mCancelPane; }
  ::PushButton* AlternatePane() const { return mAlternatePane; }
  const QV::Rect& MessageRect() const { return mMessageRect; }
  const QV::Rect& ExplanationRect() const { return mExplanationRect; }
  int32_t IconLeft() const { return mIconLeft; }
  int32_t IconTop() const { return mIconTop; }
  int32_t IconSize() const { return mIconSize; }
  const FontSpec& MessageFont() const { return mMessageFont; }
  const FontSpec& ExplanationFont() const { return mExplanationFont; }

 private:
  struct Layout;
  void MeasureTexts(Layout& layout);
  void PlaceWindow(const Layout& layout);
  void MakeButtons(const Layout& layout);
  ::PushButton* MakeButton(const QV::Rect& bounds, const string& caption);
  ::PushButton* PaneOfCode(int32_t code) const;

  MessageDialogRecord* mDialog;  // not counted: the run holds it
  ::PushButton* mActionPane = nullptr;
  ::PushButton* mCancelPane = nullptr;
  ::PushButton* mAlternatePane = nullptr;
  int32_t mIconLeft = 10;
  int32_t mIconTop = 12;
  int32_t mIconSize = 32;
  QV::Rect mMessageRect{};
  QV::Rect mExplanationRect{};
  FontSpec mMessageFont;
  FontSpec mExplanationFont;
  FontSpec mButtonFont;
  int32_t mResult = kMessageDialogNoButton;
};

}  // namespace MessageDialog
