// The pane of a plug-in control: a SubPane whose drawing and events are the plug-in's, each
// forwarded to an entry of the control's behaviour table with the control object (the
// instance) first. An entry of 0 is absent and its event not forwarded.
//
// Every call after which user code may run (mouse, keys, wheel, the focus query, the idle
// entry) is bracketed: the pane and each of its owners are retained and the instance locked
// for the call; a pane that is closing refuses the call, and a pane that closed or went away
// during it is not touched again, the event counting as handled. Close ends the plug-in's
// part: the idle task goes, entry 10 runs once, and later calls are refused.
#pragma once

#include <cstdint>

#include "app/BackgroundTask.h"
#include "windows/SubPane.h"

struct LoadedControl;
class RuntimeCustomControlPane;

// Behaviour-table entries the pane forwards to.
enum PluginBehaviourEntry : int32_t {
  kPluginDraw = 2,
  kPluginMouseDown = 3,
  kPluginMouseDrag = 4,
  kPluginMouseUp = 5,
  kPluginGotFocus = 6,
  kPluginLostFocus = 7,
  kPluginKey = 8,
  kPluginOpen = 9,
  kPluginClose = 10,
  kPluginIdle = 11,
  kPluginDrawInto = 12,
  kPluginEraseBackground = 13,
  kPluginMouseEnter = 16,
  kPluginMouseExit = 17,
  kPluginMouseMove = 18,
  kPluginStateChanged = 19,
  kPluginStateCode2000 = 20,
  kPluginWidget = 21,
  kPluginMouseWheel = 22,
  kPluginEnableMenuItems = 23,
  kPluginMenuCommand = 24,
  kPluginCanTakeFocus = 25,
};

// Definition flag bits the pane reads.
constexpr uint32_t kPluginControlAlwaysFocus = 0x1;
constexpr uint32_t kPluginControlFocusRing = 0x2;
constexpr uint32_t kPluginControlOpaque = 0x8;
constexpr uint32_t kPluginControlOwnCursor = 0x20;

// Codes of the state-changed entry.
constexpr int32_t kPluginStateEnabled = 2;
constexpr int32_t kPluginStateShown = 4;
constexpr int32_t kPluginStateBounds = 8;

// Runs the idle entry every 10 ticks while the pane is open.
class pluginBackgroundTask : public BackgroundTask {
 public:
  explicit pluginBackgroundTask(RuntimeCustomControlPane* pane);
  void Run() override;

 private:
  RuntimeCustomControlPane* mPane;
};

class RuntimeCustomControlPane : public SubPane {
 public:
  RuntimeCustomControlPane(RuntimeObject* instance, const LoadedControl* control, SubPane* owner,
                           const QV::Rect& bounds);
  ~RuntimeCustomControlPane() override;

  void Draw(Graphics& g) override;
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  bool ClickChildren(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseMove(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;
  void MouseEnter() override;
  void MouseExit() override;
  void EraseBackground() override;
  void FocusLost() override;
  void FocusGained() override;
  bool CanTakeFocus() override;
  void SetBounds(const QV::Rect& bounds, bool redraw) override;
  bool KeyDown(int32_t character, int32_t keyCode, int32_t modifiers) override;
  bool HandleChar(int32_t character, int32_t keyCode, int32_t modifiers) override;
  bool PassKeyToOwner(int32_t character, int32_t keyCode, int32_t modifiers) override;
  bool ApplyStateCode(int32_t code) override;
  bool AdjustCursor(int32_t x, int32_t y) override;
  void Refresh(bool erase) override;
  void EnableMenuItems() override;
  bool HandleMenuCommand(RuntimeObject* item) override;
  void Close() override;
  void SetEnabled(bool enabled, bool redraw) override;
  void ShowWidget(bool show) override;
  bool GetRefreshBounds(QV::Rect& rect) override;
  // The plug-in says through its flags whether it paints all of its bounds.
  bool GetOpaqueBounds(QV::Rect& rect) override;
  void DrawInto(Graphics& g) override;
  bool ForwardToEventTarget(int32_t x, int32_t y, int32_t deltaX, int32_t deltaY) override;
  bool PassesClickThrough() override { return true; }

  // The bracket around a plug-in call: false when the pane is closing (nothing held); else
  // the owner chain is retained and the instance locked.
  bool BeginCallout();
  // Gives both back; true when the pane went away (closed, or deleted by the release).
  bool EndCallout();
  void RunIdle();
  bool FocusRing() const { return mFocusRing; }

 private:
  void* Entry(int32_t index) const;
  uint32_t Flags() const;
  // Calls the entry with the instance first, outside any bracket, when present and open.
  void Notify(int32_t index);
  void StateChanged(int32_t code);
  // Entry index with the instance and args inside the bracket. *gone: refused or went away.
  template <typename R, typename... Args>
  R Callout(int32_t index, bool* gone, Args... args);
  // A Graphics object lending g to the plug-in for one call of entry index.
  void DrawWith(int32_t index, Graphics& g);

  RuntimeObject* mInstance;
  const LoadedControl* mControl;
  pluginBackgroundTask* mIdleTask = nullptr;
  bool mPluginClosed = false;
  bool mFocusRing = false;
};
