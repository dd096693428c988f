#include "controls/MessageDialogImp.h"

#include <algorithm>

#include "graphics/Graphics.h"
#include "strings/Mnemonic.h"

namespace {

constexpr int32_t kButtonGap = 8;
constexpr int32_t kMinimumButtonWidth = 69;
constexpr int32_t kButtonPadding = 28;
constexpr int32_t kTextMargins = 36;       // around the text column, beside the icon column
constexpr int32_t kTextGap = 8;            // between message and explanation
constexpr int32_t kFrameHeight = 68;       // above the texts and around the button row
constexpr int32_t kButtonRowFromBottom = 41;
constexpr int32_t kButtonRowBottomMargin = 12;
constexpr int32_t kTextTop = 12;
constexpr int32_t kTextRightMargin = 10;
constexpr int32_t kIconTextGap = 16;
constexpr float kMaximumScreenShare = 0.8f;
// Rectangles hold 16-bit coordinates: no text or caption may stretch the window past them.
constexpr int32_t kLargestExtent = 30000;

WindowSpec SpecFor(const MessageDialogRecord* dialog) {
  WindowSpec request;
  request.title = string(dialog->title);
  RectSet(request.bounds, 0, 0, 1, 1);
  request.kind = dialog->parentWindow ? kWindowKindSheet : kWindowKindMovableModal;
  request.resizable = false;
  return request;
}

FontSpec NamedFont(const char* name) {
  FontSpec font;
  font.name = string(name);
  return font;
}

bool IsEmptyText(stringStorage* text) { return string(text).Length() == 0; }

// An empty text takes no room: Pango would give it a line's height, and the explanation's gap
// would follow.
int64_t TextHeight(Graphics* g, const string& text, int32_t wrapWidth) {
  return text.Length() == 0 ? 0 : g->StringHeight(text, wrapWidth);
}

void FillCaption(stringStorage*& caption, const char* fallback) {
  if (IsEmptyText(caption)) SetMessageDialogText(caption, string(fallback));
}

int32_t Clamped(int64_t value) { return int32_t(std::clamp<int64_t>(value, 0, kLargestExtent)); }

int32_t StockIconOf(int32_t icon) {
  switch (icon) {
    case kMessageDialogWarningIcon:
      return kStockIconWarning;
    case kMessageDialogErrorIcon:
      return kStockIconError;
    case kMessageDialogQuestionIcon:
      return kStockIconQuestion;
    default:
      return kStockIconInfo;
  }
}

}  // namespace

namespace MessageDialog {

// What the construction measures before it places anything.
struct Imp::Layout {
  int32_t buttonWidth[3] = {};  // by button code
  int32_t buttonsTotal = 0;
  int32_t width = 0;
  int32_t messageHeight = 0;
  int32_t explanationHeight = 0;
  int32_t contentHeight = 0;
};

Imp::Imp(MessageDialogRecord* dialog)
    : Window(SpecFor(dialog)),
      mDialog(dialog),
      mMessageFont(NamedFont("System")),
      mExplanationFont(NamedFont("SmallSystem")),
      mButtonFont(NamedFont("System")) {
  if (dialog->parentWindow) {
    gtk_window_set_transient_for(GetGtkWindow(), dialog->parentWindow->GetGtkWindow());
  }
  Layout layout;
  MeasureTexts(layout);
  PlaceWindow(layout);
  MakeButtons(layout);
}

Imp::~Imp() = default;

void Imp::MeasureTexts(Layout& layout) {
  MessageDialogRecord* dialog = mDialog;
  Graphics* g = NewGraphics();
  g->SetFont(mMessageFont);
  const string message(dialog->message);
  const string explanation(dialog->explanation);
  const int64_t textWidth = std::max(g->StringWidth(message), g->StringWidth(explanation));
  int64_t wanted = textWidth + kTextMargins + mIconSize;
  ScreenGeometry screen;
  if (ReadScreenGeometry(&screen)) {
    const float limit = float(screen.available.right - screen.available.left) * kMaximumScreenShare;
    if (float(wanted) > limit) wanted = int64_t(limit);
  }

  FillCaption(dialog->actionCaption, "OK");
  FillCaption(dialog->cancelCaption, "Cancel");
  FillCaption(dialog->alternateCaption, "Alternate Action");
  g->SetFont(mButtonFont);
  stringStorage* captions[3] = {dialog->cancelCaption, dialog->actionCaption,
                                dialog->alternateCaption};
  for (int32_t code = 0; code < 3; ++code) {
    const int64_t measured = g->StringWidth(StripMnemonic(string(captions[code])));
    layout.buttonWidth[code] = std::max(kMinimumButtonWidth, Clamped(measured + kButtonPadding));
  }
  int64_t total = layout.buttonWidth[kMessageDialogActionButton];
  if (dialog->cancelVisible) total += kButtonGap + layout.buttonWidth[kMessageDialogCancelButton];
  if (dialog->alternateVisible) {
    total += kButtonGap + layout.buttonWidth[kMessageDialogAlternateButton];
  }
  layout.buttonsTotal = Clamped(total);
  layout.width = Clamped(std::max<int64_t>(mIconSize + kTextMargins + total, wanted));

  const int32_t wrapWidth = layout.width - mIconSize - kTextMargins;
  g->SetFont(mMessageFont);
  layout.messageHeight = Clamped(TextHeight(g, message, wrapWidth));
  g->SetFont(mExplanationFont);
  layout.explanationHeight = Clamped(TextHeight(g, explanation, wrapWidth));
  int64_t content = layout.messageHeight;
  if (layout.explanationHeight >= 1) content += kTextGap + layout.explanationHeight;
  layout.contentHeight = Clamped(std::max<int64_t>(content, mIconSize));
  Graphics::Destroy(g);
}

void Imp::PlaceWindow(const Layout& layout) {
  const int32_t height = Clamped(int64_t(layout.contentHeight) + kFrameHeight);
  QV::Rect rect;
  RectSet(rect, 0, 0, layout.width, height);
  PlaceWindowRect(&rect, kPlaceScreenCentre, Kind());
  MoveTo(rect.left, rect.top, false);
  ResizeTo(layout.width, height, false);

  const int32_t textLeft = mIconLeft + mIconSize + kIconTextGap;
  const int32_t textRight = layout.width - kTextRightMargin;
  const int32_t messageBottom = kTextTop + layout.messageHeight;
  RectSet(mMessageRect, textLeft, kTextTop, textRight, messageBottom);
  RectSet(mExplanationRect, textLeft, messageBottom + kTextGap, textRight,
          messageBottom + kTextGap + layout.explanationHeight);
}

::PushButton* Imp::MakeButton(const QV::Rect& bounds, const string& caption) {
  return CreatePushButton(this, mButtonFont, this, -1, bounds, caption);
}

// Left to right: action, alternate, cancel, centred in the window.
void Imp::MakeButtons(const Layout& layout) {
  MessageDialogRecord* dialog = mDialog;
  const int32_t width = Width();
  const int32_t height = Height();
  const int32_t top = height - kButtonRowFromBottom;
  int32_t left = width / 2 - layout.buttonsTotal / 2;
  QV::Rect action, alternate, cancel;
  RectSet(action, left, top, left + layout.buttonWidth[kMessageDialogActionButton],
          height - kButtonRowBottomMargin);
  left = action.right + kButtonGap;
  alternate = action;
  if (dialog->alternateVisible) {
    RectSet(alternate, left, top, left + layout.buttonWidth[kMessageDialogAlternateButton],
            action.bottom);
    left = alternate.right + kButtonGap;
  }
  RectSet(cancel, left, top, left + layout.buttonWidth[kMessageDialogCancelButton], action.bottom);

  mActionPane = MakeButton(action, string(dialog->actionCaption));
  // The row is as high as GTK wants a button in this theme.
  GtkWidget* widget = mActionPane->GetWidget();
  if (widget) {
    if (!GTK_WIDGET_REALIZED(widget)) gtk_widget_realize(widget);
    GtkRequisition requisition{};
    gtk_widget_size_request(widget, &requisition);
    const int32_t bottom = top + Clamped(requisition.height);
    action.bottom = alternate.bottom = cancel.bottom = int16_t(bottom);
    mActionPane->SetBoundsAndLayout(action, false);
  }
  if (dialog->alternateVisible) {
    mAlternatePane = MakeButton(alternate, string(dialog->alternateCaption));
  }
  if (dialog->cancelVisible) mCancelPane = MakeButton(cancel, string(dialog->cancelCaption));

  if (::PushButton* button = PaneOfCode(dialog->defaultCode)) {
    button->SetDefault(true);
    button->SetKeyboardFocus();
  }
  if (::PushButton* button = PaneOfCode(dialog->cancelCode)) button->SetCancel(true);
}

::PushButton* Imp::PaneOfCode(int32_t code) const {
  switch (code) {
    case kMessageDialogActionButton:
      return mActionPane;
    case kMessageDialogCancelButton:
      return mCancelPane;
    case kMessageDialogAlternateButton:
      return mAlternatePane;
    default:
      return nullptr;
  }
}

void Imp::Draw(Graphics& g) {
  Window::Draw(g);
  if (mDialog->icon != kMessageDialogNoIcon) {
    g.DrawStockIcon(StockIconOf(mDialog->icon), mIconLeft, mIconTop, mIconSize, mIconSize);
  }
  g.SetFont(mMessageFont);
  g.DrawStringWrapped(string(mDialog->message), mMessageRect, kAlignLeft);
  g.SetFont(mExplanationFont);
  g.DrawStringWrapped(string(mDialog->explanation), mExplanationRect, kAlignLeft);
}

bool Imp::CloseBoxClicked() {
  mResult = kMessageDialogCancelButton;
  Hide();
  return true;
}

void Imp::ButtonPushed(SubPane* pane) {
  if (!pane) return;
  if (pane == mActionPane) {
    mResult = kMessageDialogActionButton;
  } else if (pane == mCancelPane) {
    mResult = kMessageDialogCancelButton;
  } else if (pane == mAlternatePane) {
    mResult = kMessageDialogAlternateButton;
  }
  Hide();
}

}  // namespace MessageDialog
