// The Window class's refresh and drawing methods: Refresh, RefreshRect, UpdateNow, DrawInto and
// _DrawBackground. Painting runs the window's Paint handler, which may close the window or
// change the Graphics it was given: the native window is held for the call, and the caller's
// Graphics gets its origin and clip back whatever the handler did.
#include <algorithm>

#include "core/Export.h"
#include "core/RuntimeError.h"
#include "graphics/GraphicsClass.h"
#include "windows/ControlRecord.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowObject.h"

namespace {

// Holds a Graphics object and its origin and clip while something draws through it, and puts
// them back afterwards, unless the object has lost its native Graphics meanwhile.
class BorrowedGraphics {
 public:
  explicit BorrowedGraphics(RuntimeObject* object)
      : mObject(object), mNative(NativeGraphicsOf(object)) {
    if (!mNative) return;
    RuntimeLockObject(mObject);
    mOriginX = mNative->OriginX();
    mOriginY = mNative->OriginY();
    mHadClip = mNative->HasClip();
    mClip = mNative->ClipRect();
  }
  ~BorrowedGraphics() {
    if (!mNative) return;
    if (NativeGraphicsOf(mObject) == mNative) {
      mNative->SetOrigin(mOriginX, mOriginY);
      if (mHadClip) {
        mNative->SetClipRect(mClip);
      } else if (mNative->HasClip()) {
        mNative->RemoveClip();
      }
    }
    RuntimeUnlockObject(mObject);
  }
  BorrowedGraphics(const BorrowedGraphics&) = delete;
  BorrowedGraphics& operator=(const BorrowedGraphics&) = delete;

  Graphics* native() const { return mNative; }
  int32_t OriginX() const { return mOriginX; }
  int32_t OriginY() const { return mOriginY; }

 private:
  RuntimeObject* mObject;
  Graphics* mNative;
  int32_t mOriginX = 0;
  int32_t mOriginY = 0;
  bool mHadClip = false;
  QV::Rect mClip{};
};

// Retains the native window while painting runs compiled code.
class HeldWindow {
 public:
  explicit HeldWindow(RuntimeViewWindow* window) : mWindow(window) { mWindow->Retain(); }
  ~HeldWindow() { mWindow->Release(); }
  HeldWindow(const HeldWindow&) = delete;
  HeldWindow& operator=(const HeldWindow&) = delete;

 private:
  RuntimeViewWindow* mWindow;
};

// (x, y, x + width, y + height) formed in 64 bits and cut to the content; false when nothing
// is left.
bool ContentRect(const SubPane& pane, int32_t x, int32_t y, int32_t width, int32_t height,
                 QV::Rect* rect) {
  const int64_t left = std::max<int64_t>(x, 0);
  const int64_t top = std::max<int64_t>(y, 0);
  const int64_t right = std::min<int64_t>(int64_t(x) + width, pane.Width());
  const int64_t bottom = std::min<int64_t>(int64_t(y) + height, pane.Height());
  if (left >= right || top >= bottom) return false;
  RectSet(*rect, int32_t(left), int32_t(top), int32_t(right), int32_t(bottom));
  return true;
}

}  // namespace

extern "C" void formRefresh(RuntimeObject* window, int32_t eraseBackground) {
  WindowObject* w = CheckedWindow(window);
  if (!w) return;
  if (RuntimeViewWindow* native = OpenNativeWindow(w)) {
    HeldWindow hold(native);
    native->Refresh(eraseBackground != 0);
    native->ProcessUpdates();
    return;
  }
  const EmbeddedControlAccess& access = CurrentEmbeddedControlAccess();
  RuntimeObject* control = EmbeddedControlOf(window);
  if (control && access.refresh) access.refresh(control, eraseBackground);
}
QV_EXPORT(formRefresh)

extern "C" void formRefreshRect(RuntimeObject* window, int32_t x, int32_t y, int32_t width,
                                int32_t height, int32_t eraseBackground) {
  WindowObject* w = CheckedWindow(window);
  if (!w) return;
  if (RuntimeViewWindow* native = OpenNativeWindow(w)) {
    QV::Rect rect;
    if (!ContentRect(*native, x, y, width, height, &rect)) return;
    HeldWindow hold(native);
    native->InvalidateRect(rect);
    native->ProcessUpdates();
    return;
  }
  const EmbeddedControlAccess& access = CurrentEmbeddedControlAccess();
  RuntimeObject* control = EmbeddedControlOf(window);
  if (control && access.refreshRect) {
    access.refreshRect(control, x, y, width, height, eraseBackground);
  }
}
QV_EXPORT(formRefreshRect)

extern "C" void WindowForceUpdateFrontBuffer(RuntimeObject* window) {
  WindowObject* w = CheckedWindow(window);
  RuntimeViewWindow* native = w ? OpenNativeWindow(w) : nullptr;
  if (!native) return;
  HeldWindow hold(native);
  native->ProcessUpdates();
}
QV_EXPORT(WindowForceUpdateFrontBuffer)

extern "C" void formDrawInto(RuntimeObject* window, RuntimeObject* g, int32_t x, int32_t y,
                             int32_t) {
  WindowObject* w = CheckedWindow(window);
  if (!w || !g) return;
  if (RuntimeViewWindow* native = OpenNativeWindow(w)) {
    BorrowedGraphics borrowed(g);
    if (!borrowed.native()) return;
    HeldWindow hold(native);
    borrowed.native()->SetOrigin(borrowed.OriginX() - x, borrowed.OriginY() - y);
    native->DrawInto(*borrowed.native());
    return;
  }
  const EmbeddedControlAccess& access = CurrentEmbeddedControlAccess();
  RuntimeObject* control = EmbeddedControlOf(window);
  if (control && access.drawInto) access.drawInto(control, g, x, y);
}
QV_EXPORT(formDrawInto)

// The content's (srcLeft, srcTop) lands on g's (0, 0): the origin moves by that much for the
// drawing. The other arguments say where the caller will show the result; nothing here needs
// them.
extern "C" void formDrawBackground(RuntimeObject* window, RuntimeObject* g, int32_t, int32_t,
                                   int32_t, int32_t, int32_t srcLeft, int32_t srcTop) {
  WindowObject* w = CheckedWindow(window);
  if (!w || !g) return;
  RuntimeViewWindow* native = OpenNativeWindow(w);
  RuntimeObject* control = native ? nullptr : EmbeddedControlOf(window);
  SubPane* pane = control ? AsControl(control)->pane : nullptr;
  if (!native && !pane) return;
  BorrowedGraphics borrowed(g);
  Graphics* graphics = borrowed.native();
  if (!graphics) return;
  graphics->SetOrigin(borrowed.OriginX() + srcLeft, borrowed.OriginY() + srcTop);
  if (native) {
    HeldWindow hold(native);
    native->DrawBackground(*graphics);
  } else if (pane->RetainChain()) {
    pane->Draw(*graphics);
    pane->ReleaseChain();
  }
}
QV_EXPORT(formDrawBackground)
