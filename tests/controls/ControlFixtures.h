// The control tests' kit: a window class, a push-button class and a container class made as
// compiled code makes its subclasses (class records derived from "Window", "PushButton" and
// "RectControl" whose event tables hold handlers). The handlers log what they hear as
// "Name.Event" and call the kit's script with the object.
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
  // The control of window's map under key, or nil.
  static RuntimeObject* Control(RuntimeObject* window, const std::string& key);
  // A new object implementing actionNotificationReceiver; PerformAction logs "Receiver".
  RuntimeObject* NewReceiver();

  std::vector<std::string> Take();
  // The last entry of the log ("" when empty), and an empty log.
  std::string TakeLast();

  std::vector<std::string> log;
  bool mouseDownTakes = false;
  std::function<void(const std::string& event, RuntimeObject* object)> script;
  RuntimeClass* windowClass = nullptr;
  RuntimeClass* buttonClass = nullptr;
  RuntimeClass* containerClass = nullptr;
  RuntimeClass* receiverClass = nullptr;

 private:
  std::vector<RuntimeObject*> mWindows;
};

ControlKit& Kit();

}  // namespace qvtest
