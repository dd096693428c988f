// The language classes "Canvas" and "EmbeddedWindowControl". A canvas draws nothing of its
// own: its Paint handler draws through a Graphics on every expose, over the Backdrop picture
// when there is one, and it hears the raw mouse and keys. An EmbeddedWindowControl is a canvas
// that stands for a window designed once (its template window) and passes its events to that
// window's handlers, keeping the window's stored size in step with its own.
//
// Graphics handed out over a canvas pane (the Paint handler's g, the Graphics property) outlive
// the pane when compiled code keeps them: the pane takes their target away as it closes, so
// drawing through them afterwards meets the Graphics' pane check and touches nothing freed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "windows/ContainerPane.h"
#include "windows/ControlRecord.h"

struct CanvasObject {
  ControlObject control;
  RuntimeObject* backdrop;  // a Picture, locked while held
  RuntimeObject* graphics;  // the Graphics property's object, locked; made on first read
  uint32_t backdropStamp;   // the backdrop last drawn
  uint8_t acceptFocus;
  uint8_t acceptTabs;
  uint8_t useFocusRing;     // stored only
  uint8_t eraseBackground;  // stored only
};
static_assert(sizeof(CanvasObject) == 140 && offsetof(CanvasObject, backdrop) == 124 &&
                  offsetof(CanvasObject, acceptFocus) == 136,
              "Canvas instances are 140 bytes");

struct EmbeddedWindowControlObject {
  CanvasObject canvas;
  RuntimeObject* mTemplateWindow;
};
static_assert(sizeof(EmbeddedWindowControlObject) == 144,
              "EmbeddedWindowControl instances are 144 bytes");

inline CanvasObject* AsCanvas(RuntimeObject* object) {
  return reinterpret_cast<CanvasObject*>(object);
}

ObjectDefinition* CanvasClassDefinition();
ObjectDefinition* EmbeddedWindowControlClassDefinition();
bool IsEmbeddedWindowControl(RuntimeObject* object);

// The events a canvas pane raises (numbered when the class is built).
struct CanvasHooks {
  ObjectHook* paint = nullptr;
  ObjectHook* gotFocus = nullptr;
  ObjectHook* lostFocus = nullptr;
  ObjectHook* keyDown = nullptr;
  ObjectHook* mouseDown = nullptr;
  ObjectHook* mouseDrag = nullptr;
  ObjectHook* mouseUp = nullptr;
  ObjectHook* enableMenuItems = nullptr;
};
CanvasHooks& CanvasEvents();

struct WindowEventHooks;

// The native pane of a canvas: a GtkFixed in its window's fixed container, which other
// controls may lie in. It knows its control (not retained: the control owns the pane's life
// through its Close).
class RuntimeCanvas : public ContainerPane {
 public:
  RuntimeCanvas(RuntimeObject* control, SubPane* owner, const QV::Rect& bounds);
  ~RuntimeCanvas() override;

  void Close() override;
  // Held for the drawing: Paint may close the pane, whose Graphics is destroyed afterwards.
  void DrawIfOpen() override;
  void DrawFocusGained() override;
  void Draw(Graphics& g) override;
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  bool ClickChildren(int32_t x, int32_t y, int32_t modifiers) override;
  void MouseDrag(int32_t x, int32_t y) override;
  void MouseUp(int32_t x, int32_t y) override;
  void Activate() override;
  void Deactivate() override;
  void FocusLost() override;
  void FocusGained() override;
  bool CanTakeFocus() override;
  void SetBounds(const QV::Rect& bounds, bool redraw) override;
  bool HandleChar(int32_t character, int32_t keyCode, int32_t modifiers) override;
  bool KeyDown(int32_t character, int32_t keyCode, int32_t modifiers) override;
  bool ApplyStateCode(int32_t code) override;
  void EnableMenuItems() override;
  bool GetRefreshBounds(QV::Rect& rect) override;
  void DrawInto(Graphics& g) override;
  void SetBoundsAndLayout(const QV::Rect& bounds, bool redraw) override;
  bool PassesClickThrough() override { return true; }

  // A Graphics object whose native Graphics draws on this pane: the pane detaches it when it
  // closes. The pane holds a reference until then, or until it is the only holder.
  void AdoptGraphics(RuntimeObject* graphics);
  bool CanvasVisible() const { return mCanvasVisible; }

 private:
  void DrawBackdrop(Graphics& g);
  // Runs Paint with g; false when the pane closed meanwhile.
  bool RunPaint(RuntimeObject* graphics);
  bool RaiseKey(const string& key);
  void ReleaseAdoptedGraphics(bool detach);
  // The template window of an EmbeddedWindowControl, reported missing (condition text);
  // nil for a plain canvas.
  RuntimeObject* TemplateWindow(const char* condition);
  // Raises the template window's event of hook; false when its handler closed the control,
  // this pane or the window (nothing of them may be touched then).
  bool RaiseTemplateEvent(ObjectHook* WindowEventHooks::*hook);
  void StoreTemplateSize();

  RuntimeObject* mControl;
  bool mCanvasVisible;
  SimpleVector<RuntimeObject*> mGraphics;  // adopted Graphics objects, each locked
};

extern "C" {
void CanvasCreatePane(RuntimeObject* control);
RuntimeObject* canvasGraphicsGetter(RuntimeObject* control, uint32_t parameter);
void canvasBackdropSetter(RuntimeObject* control, uint32_t parameter, RuntimeObject* picture);
void canvasScroll(RuntimeObject* control, int32_t dx, int32_t dy, int32_t x, int32_t y,
                  int32_t width, int32_t height, int32_t moveControls);
void RuntimeCanvasDestructor(RuntimeObject* control);
void RuntimeCanvasInitializer(RuntimeObject* control);
void EmbeddedWindowControlInitializer(RuntimeObject* control);
void EmbeddedWindowControlFinalizer(RuntimeObject* control);

void ewcOpen(RuntimeObject* control);
void ewcClose(RuntimeObject* control);
void ewcMouseMove(RuntimeObject* control, int32_t x, int32_t y);
void ewcMouseEnter(RuntimeObject* control);
void ewcMouseExit(RuntimeObject* control);
void ewcDropObject(RuntimeObject* control, RuntimeObject* item, int32_t action);
int32_t ewcMouseWheel(RuntimeObject* control, int32_t x, int32_t y, int32_t deltaX,
                      int32_t deltaY);
void ewcPaint(RuntimeObject* control, RuntimeObject* g);
int32_t ewcMouseDown(RuntimeObject* control, int32_t x, int32_t y);
void ewcMouseDrag(RuntimeObject* control, int32_t x, int32_t y);
void ewcMouseUp(RuntimeObject* control, int32_t x, int32_t y);
int32_t ewcKeyDown(RuntimeObject* control, stringStorage* key);
void ewcGotFocus(RuntimeObject* control);
void ewcLostFocus(RuntimeObject* control);
void ewcEnableMenuItems(RuntimeObject* control);
}
