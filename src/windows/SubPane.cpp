// SubPane: construction, the tree and lifetime. A child's link names its owner exactly while
// the owner lists it.
#include "windows/SubPane.h"

#include <algorithm>
#include <vector>

#include "core/RuntimeError.h"
#include "windows/DrawFocus.h"
#include "windows/PaneFocus.h"
#include "windows/Window.h"

static_assert(sizeof(void*) == sizeof(uint32_t), "child lists hold pointers as 32-bit words");

namespace {

RunControlAccess gRunControlAccess;

}  // namespace

RunControlAccess SetRunControlAccess(const RunControlAccess& access) {
  const RunControlAccess previous = gRunControlAccess;
  gRunControlAccess = access;
  return previous;
}

const RunControlAccess& CurrentRunControlAccess() { return gRunControlAccess; }

SubPane::SubPane(SubPane* parent, int32_t panelIndex, const QV::Rect& bounds, bool finish)
    : Pane(bounds), mPanelIndex(panelIndex) {
  mChildren.Init();
  if (!parent) return;
  AttachNewPane(parent);
  if (finish) Created();
}

// The new pane goes into the innermost pane of the window's list that encloses it on the same
// panel page (the last one in the list wins), or into the parent.
void SubPane::AttachNewPane(SubPane* parent) {
  Window* window = parent->GetWindow();
  SubPane* target = parent;
  const bool onWindow = window && parent == window;
  if (onWindow) {
    for (int32_t i = 0; i < window->PaneCount(); ++i) {
      SubPane* candidate = window->PaneAt(i);
      if (candidate->EnclosesPane(this, false, true)) target = candidate;
    }
  }
  mOwner = target;
  if (!target->AddChild(this) && window) {
    mOwner = window;
    window->AddChild(this);
  }
  if (onWindow) window->AppendPane(this);
  SetShownFromOwner(parent->IsShown());
}

SubPane::~SubPane() {
  if (GetFocusPane() == this) ClearKeyboardFocus();
  if (GetDrawFocusPane() == this) ClearDrawFocus();
  if (GetMouseCapturePane() == this) ClearMouseCapturePane();
  (void)QV_CHECK_TEXT(this != GetFocusPane(), "this != GetFocusPane()", nullptr);
  (void)QV_CHECK_TEXT(this != GetDrawFocusPane(), "this != currentPane", nullptr);
  (void)QV_CHECK_TEXT(mLockCount <= 0, "mLockCount <= 0", nullptr);
  DetachFromTree();
  mChildren.Dispose();
  ReleaseGC();
  if (mTooltips) {
    gtk_object_destroy(GTK_OBJECT(mTooltips));
    g_object_unref(mTooltips);
  }
  DeleteCursorHandle(mCursor);
  if (mWidget) {
    gtk_widget_destroy(mWidget);
    g_object_unref(mWidget);
  }
}

// A pane deleted while still in the tree leaves no pointer to itself behind: not in its
// owner's children or its window's pane list, and not as its children's owner.
void SubPane::DetachFromTree() {
  if (mOwner) {
    if (Window* window = GetWindow()) window->RemovePane(this);
    mOwner->RemoveChild(this);
    mOwner = nullptr;
  }
  for (int32_t i = 0; i < ChildCount(); ++i) ChildAt(i)->mOwner = nullptr;
}

void SubPane::SetWidget(GtkWidget* widget) {
  if (widget) g_object_ref_sink(widget);
  if (mWidget) g_object_unref(mWidget);
  mWidget = widget;
}

// Made with the first help tag: a window of a hundred controls with none would otherwise make
// and destroy a hundred tooltip objects.
GtkTooltips* SubPane::GetTooltips() {
  if (!mTooltips) {
    mTooltips = gtk_tooltips_new();
    g_object_ref_sink(mTooltips);
  }
  return mTooltips;
}

void SubPane::SetRunControl(RuntimeObject* control) {
  if (!QV_CHECK_TEXT(mRunControl == nullptr, "mRunControl == nil", nullptr)) return;
  mRunControl = control;
}

namespace {

// Signal scopes alive, and the panes whose last release waits for the outermost one to end and
// GTK to be done; the idle that lets them go.
int32_t gSignalDepth = 0;
std::vector<SubPane*>& DeferredPanes() {
  static std::vector<SubPane*> panes;
  return panes;
}
guint gDeferredSource = 0;

gboolean RunDeferredReleases(gpointer) {
  gDeferredSource = 0;
  ReleaseDeferredPanes();
  return FALSE;
}

void ScheduleDeferredReleases() {
  if (gDeferredSource || DeferredPanes().empty()) return;
  gDeferredSource = g_idle_add_full(G_PRIORITY_HIGH, &RunDeferredReleases, nullptr, nullptr);
}

}  // namespace

SignalScope::SignalScope() { ++gSignalDepth; }

SignalScope::~SignalScope() {
  if (--gSignalDepth == 0) ScheduleDeferredReleases();
}

bool InsideSignalScope() { return gSignalDepth > 0; }

void ReleaseDeferredPanes() {
  std::vector<SubPane*>& panes = DeferredPanes();
  while (gSignalDepth == 0 && !panes.empty()) {
    SubPane* pane = panes.front();
    panes.erase(panes.begin());
    pane->Release();
  }
}

bool SubPane::Release() {
  if (--mLockCount >= 0) return false;
  // Going: what the children's closing runs (focus notices, handlers) may not hold it again.
  mClosing = true;
  if (gSignalDepth > 0) {
    mLockCount = 0;  // the release put off
    DeferredPanes().push_back(this);
    return true;
  }
  for (int32_t i = ChildCount() - 1; i >= 0; --i) {
    if (i < ChildCount()) ChildAt(i)->Close();
  }
  Window* window = GetWindow();
  if (mOwner) mOwner->RemoveChild(this);
  if (window) window->RemovePane(this);
  mOwner = nullptr;
  delete this;
  return true;
}

void SubPane::Close() {
  mClosing = true;
  NotifyPaneDeath(this);
  if (GetMouseCapturePane() == this) ClearMouseCapturePane();
  if (GetFocusPane() == this) ClearKeyboardFocus();
  if (GetDrawFocusPane() == this) ClearDrawFocus();
  Window* window = GetWindow();
  if (window && window->FocusControl() == this) window->SetFocusControl(nullptr);
  if (PaneDelegate* delegate = GetDelegate()) delegate->PaneClosing(this);
  Release();
}

// An owner whose count is below zero is being deleted (it is closing its children): a retain
// would make it go a second time.
bool SubPane::RetainChain() {
  if (mClosing) return false;
  for (SubPane* pane = GetOwner(); pane; pane = pane->GetOwner()) {
    if (pane->mLockCount < 0) return false;
  }
  for (SubPane* pane = this; pane; pane = pane->GetOwner()) pane->Retain();
  return true;
}

bool SubPane::ReleaseChain() {
  bool deleted = IsChainClosing();
  SubPane* pane = this;
  while (pane) {
    SubPane* owner = pane->GetOwner();
    if (pane->Release()) deleted = true;
    pane = owner;
  }
  return deleted;
}

bool SubPane::IsChainClosing() {
  for (SubPane* pane = this; pane; pane = pane->GetOwner()) {
    if (pane->IsClosing()) return true;
  }
  return false;
}

SubPane* SubPane::GetOwner() {
  SubPane* link = GetLink();
  if (!QV_CHECK_TEXT(link, "owner", "No owner")) return nullptr;
  return link->mOwner;
}

Window* SubPane::GetWindow() {
  SubPane* top = this;
  while (SubPane* owner = top->GetOwner()) top = owner;
  return top->IsWindow() ? static_cast<Window*>(top) : nullptr;
}

SubPane* SubPane::ChildAt(int32_t index) const {
  return reinterpret_cast<SubPane*>(mChildren.GetAt(index));
}

bool SubPane::ContainsPane(SubPane* pane, bool deep) {
  for (int32_t i = ChildCount() - 1; i >= 0; --i) {
    SubPane* child = ChildAt(i);
    if (child == pane || (deep && child->ContainsPane(pane, true))) return true;
  }
  return false;
}

bool SubPane::EnclosesPane(SubPane* other, bool visibleOnly, bool samePanel) {
  const QV::Rect& mine = GetBounds();
  if (mine.left >= mine.right || mine.top >= mine.bottom) return false;
  if (visibleOnly && !mVisible) return false;
  if (samePanel && mPanelIndex != other->mPanelIndex) return false;
  return InRect(other->GetBounds(), mine);
}

bool SubPane::AddChild(SubPane* pane) {
  mChildren.Append(reinterpret_cast<uint32_t>(pane));
  pane->GetLink()->mOwner = this;
  return true;
}

void SubPane::RemoveChild(SubPane* pane) {
  for (int32_t i = ChildCount() - 1; i >= 0; --i) {
    if (ChildAt(i) != pane) continue;
    mChildren.RemoveAt(i);
    if (pane->GetLink()->mOwner == this) pane->GetLink()->mOwner = nullptr;
    return;
  }
}

void SubPane::AttachToContainer(bool visibleOnly, bool samePanel) {
  PaneDelegate* delegate = GetDelegate();
  if (SubPane* chosen = delegate ? delegate->ChooseContainer(this) : nullptr) {
    if (chosen != GetOwner()) SetParent(chosen);
    return;
  }
  Window* window = GetWindow();
  if (!window || !GetOwner()) return;
  SubPane* target = window;
  for (int32_t i = 0; i < window->PaneCount(); ++i) {
    SubPane* candidate = window->PaneAt(i);
    if (candidate == this) break;
    if (candidate->EnclosesPane(this, visibleOnly, samePanel)) target = candidate;
  }
  if (target != GetOwner()) SetParent(target);
}

void SubPane::SetParent(SubPane* newParent) {
  if (!QV_CHECK(newParent)) return;
  if (SubPane* owner = GetOwner()) owner->RemoveChild(this);
  newParent->AddChild(this);
}

void SubPane::ReparentChildren() {
  Window* window = GetWindow();
  int32_t place = 0;
  if (window) {
    place = std::max(window->IndexOfPane(this), 0);
    window->RemovePane(this);
  }
  SubPane* eventTarget = GetEventTarget();
  for (int32_t i = ChildCount() - 1; i >= 0; --i) {
    if (i >= ChildCount()) continue;
    SubPane* child = ChildAt(i);
    // A closing or held child goes with this pane: a handler may still hold it with its
    // owners, and the release must find the owners it retained.
    if (child == eventTarget || child->IsClosing() || child->LockCount() > 0) continue;
    child->AttachToContainer(false, true);
    RemoveChild(child);
  }
  if (window) window->InsertPane(place, this);
}

bool SubPane::IsWithinTabPanel() {
  for (SubPane* owner = GetOwner(); owner; owner = owner->GetOwner()) {
    if (owner->IsTabPanel()) return true;
  }
  return false;
}

void SubPane::BroadcastToChildren(int32_t value) {
  for (int32_t i = 0; i < ChildCount(); ++i) ChildAt(i)->BroadcastToChildren(value);
}

bool SubPane::ForEachChild(ChildCallback callback, void* value) {
  if (ChildCount() == 0) return callback(this, value);
  for (int32_t i = 0; i < ChildCount(); ++i) {
    if (!ChildAt(i)->ForEachChild(callback, value)) return false;
  }
  return true;
}
