// The Window language object's test kit: window and control classes made as compiled code makes
// its subclasses (a class record derived from "Window" or "RectControl" whose event table holds
// handlers), with handlers that log what they hear as "Title.Event" or "Name.Event" and do what
// the test's script asks of them.
//
// A window is made as compiled code makes one: its Layout handler gives it the script's title,
// size and flags, its CreateControls handler adds the script's controls, and the test then calls
// the constructor (WindowDefaultConstructor), which opens it. Controls make a TestPane over a
// GtkDrawingArea as their pane, and their finalizer takes them out of their window's map.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "PaneFixtures.h"
#include "core/RuntimeClass.h"
#include "windows/ControlRecord.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowObject.h"

namespace qvtest {

struct ControlPlan {
  std::string name;
  QV::Rect bounds{};
  int32_t index = kNoControlIndex;
  bool visible = true;
  bool enabled = true;
  bool withPane = true;
};

// What the next window is made with, and what its handlers do.
struct WindowScript {
  std::string title = "Window";
  int32_t width = 300;
  int32_t height = 200;
  int32_t frame = 0;
  int32_t placement = 0;
  bool visible = true;
  bool resizeable = true;
  std::vector<ControlPlan> controls;
  // Answers of the Boolean events.
  bool cancelClose = false;
  bool mouseDownTakes = false;
  bool keyDownTakes = false;
  bool wheelTakes = false;
  bool controlWheelTakes = false;
  bool dragRejects = false;  // DragEnter and DragOver of windows and controls
  // Called by the handler of the event of that name (window events as "Event", control events
  // as "Name.Event"), with the object, after the event is logged.
  std::function<void(const std::string& event, RuntimeObject* object)> action;
  // The Paint handler's drawing, with the window and the Graphics it was given, after the
  // event is logged.
  std::function<void(RuntimeObject* window, RuntimeObject* g)> paint;
};

class WindowObjectKit {
 public:
  WindowObjectKit();   // the classes, and a fresh log and script
  ~WindowObjectKit();  // closes the windows left open

  // A window made and opened as the script says; the caller holds the reference.
  RuntimeObject* NewWindow();
  // A control as the plan says, not yet on a window (one reference for the caller).
  RuntimeObject* NewControl(const ControlPlan& plan);
  // Shows the window's native window and waits until it is on screen and has the focus.
  bool ShowAndFocus(GuiDriver& gui, RuntimeObject* window);

  // Events logged since the last Take, and then none.
  std::vector<std::string> Take();
  // Those of the log whose event (after the '.') is one of events.
  std::vector<std::string> TakeOnly(const std::vector<std::string>& events);

  WindowScript script;
  int windowsFreed = 0;
  int controlsFreed = 0;
  RuntimeClass* windowClass = nullptr;   // "TestWindow"
  RuntimeClass* controlClass = nullptr;  // "TestControl"
  RuntimeClass* plainClass = nullptr;    // "TestPlain": an Object that is no Control
};

// A class derived from the registered class parentName as compiled code makes one, extraSize
// bytes larger; its event table is a copy of the parent's.
RuntimeClass* Subclass(const char* parentName, const char* name, int32_t extraSize);
// Stores handler in the entry of cls's event of that name (the first such entry).
void SetHandler(RuntimeClass* cls, const char* event, void* handler);

// The kit in use (the handlers reach it through this).
WindowObjectKit& Kit();

std::string TitleOf(RuntimeObject* window);
std::string NameOf(RuntimeObject* control);
// A string record for a field, with one reference (for the object).
stringStorage* NewStringRecord(const std::string& text);
// The Control at key of window's map, or nil.
RuntimeObject* ControlAt(RuntimeObject* window, const std::string& key);
// The keys of window's map, in insertion order.
std::vector<std::string> ControlKeys(RuntimeObject* window);

}  // namespace qvtest
