// The control tests' kit: a window class, a push-button class and a container class made as
// compiled code makes its subclasses (class records derived from "Window", "PushButton" and
// "RectControl" whose event tables hold handlers). The handlers log what they hear as
// "Name.Event" and call the kit's script with the object.
//
// Canvases, page panels and tab panels log their events the same way.
//
// A window opens with the planned controls (added in CreateControls, as compiled set-up code
// adds them) and is shown; the caller holds the window object.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/Rect.h"
#include "core/RuntimeClass.h"
#include "support/GuiDriver.h"
#include "windows/ControlRecord.h"

namespace qvtest {

// What a plan makes when it is no container: a push button unless it says otherwise.
enum class ControlKind { kButton, kCanvas, kEmbedded, kPagePanel, kTabPanel };

struct ControlPlan {
  std::string name;
  QV::Rect bounds{};  // top, left, bottom, right
  bool container = false;  // a RectControl over a plain ContainerPane, else a push button
  int32_t index = kNoControlIndex;
  std::string caption = {};
  bool isDefault = false;
  bool cancel = false;
  bool enabled = true;
  bool visible = true;
  ControlKind kind = ControlKind::kButton;
  int32_t page = 0;        // TabPanelIndex: 1-based, 0 on no page
  int32_t panelCount = 0;  // a PagePanel's pages
  std::string tabs = {};   // a TabPanel's TabDefinition
  int32_t facing = 0;
  bool acceptTabs = false;
  bool acceptFocus = false;
};

class ControlKit {
 public:
  ControlKit();
  ~ControlKit();  // closes the windows left open

  // Opens a window titled title with the plans' controls; one reference for the caller.
  RuntimeObject* OpenWindow(const std::string& title, const std::vector<ControlPlan>& plans);
  // Opens it and waits until the window manager shows it with the focus.
  RuntimeObject* OpenAndFocus(GuiDriver& gui, const std::string& title,
                              const std::vector<ControlPlan>& plans, XWindow* xid);
  // Lets go of the kit's reference to window, one this kit opened and the caller closed.
  void Forget(RuntimeObject* window);
  // The control of window's map under key, or nil.
  static RuntimeObject* Control(RuntimeObject* window, const std::string& key);
  // A new object implementing actionNotificationReceiver; PerformAction logs "Receiver".
  RuntimeObject* NewReceiver();

  std::vector<std::string> Take();
  // The last entry of the log ("" when empty), and an empty log.
  std::string TakeLast();

  std::vector<std::string> log;
  bool mouseDownTakes = false;
  bool keyDownTakes = false;
  // What the canvas handlers heard last: the point of MouseDown, MouseDrag or MouseUp, the
  // key of KeyDown, and Paint's g (the handler holds it only for its call).
  int32_t lastX = 0;
  int32_t lastY = 0;
  std::string lastKey;
  RuntimeObject* paintGraphics = nullptr;
  // The template window kEmbedded plans get (each takes a reference).
  RuntimeObject* templateWindow = nullptr;
  std::function<void(const std::string& event, RuntimeObject* object)> script;
  RuntimeClass* windowClass = nullptr;
  RuntimeClass* buttonClass = nullptr;
  RuntimeClass* containerClass = nullptr;
  RuntimeClass* canvasClass = nullptr;
  RuntimeClass* embeddedClass = nullptr;
  RuntimeClass* pagePanelClass = nullptr;
  RuntimeClass* tabPanelClass = nullptr;
  RuntimeClass* receiverClass = nullptr;

 private:
  std::vector<RuntimeObject*> mWindows;
};

ControlKit& Kit();

// A class made as compiled code makes a subclass of the registered class parentName, and a
// handler put into a class's event table by the event's name.
RuntimeClass* Subclass(const char* parentName, const char* name, int32_t interfaces = 0);
void SetHandler(RuntimeClass* cls, const char* event, void* handler);

}  // namespace qvtest
