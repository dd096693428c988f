// The kit of the check-box and radio-button tests: subclasses of "CheckBox" and "RadioButton"
// whose handlers log "Name.Event" into Kit().log and run Kit().script, receivers of both
// notification interfaces that log under a label of their own, and a data-source binder that
// records every bind and unbind instead of reaching a DataControl.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ControlFixtures.h"
#include "core/Rect.h"
#include "core/RuntimeClass.h"
#include "database/DataSourceBinding.h"
#include "support/GuiDriver.h"

namespace qvtest {

// Handlers of Action, MouseDown (answering Kit().mouseDownTakes), MouseUp, GotFocus,
// LostFocus and Close.
RuntimeClass* CheckBoxKitClass();
RuntimeClass* RadioKitClass();

// A control of cls at bounds with caption and value, added to the running window.
RuntimeObject* AddCheckBox(RuntimeObject* window, const std::string& name,
                           const QV::Rect& bounds, const std::string& caption,
                           bool value = false);
RuntimeObject* AddRadio(RuntimeObject* window, const std::string& name, const QV::Rect& bounds,
                        const std::string& caption, bool value = false, int32_t page = 0);

// A new object implementing actionNotificationReceiver and dataNotificationReceiver: its
// PerformAction logs label, its DataChanged label + ".DataChanged". One reference for the
// caller; the label is forgotten when the object goes.
RuntimeObject* NewLabelledReceiver(const std::string& label);

// Installs itself as the data-source binder for its lifetime; "bind <name>" and "unbind" are
// logged, and bind answers dataControl (nil: nothing bound).
class RecordingBinder {
 public:
  explicit RecordingBinder(RuntimeObject* dataControl);
  ~RecordingBinder();
  std::vector<std::string> calls;
  RuntimeObject* dataControl;

 private:
  DataSourceBinder mPrevious;
};

// The widget of control's pane, or nil.
GtkWidget* WidgetOf(RuntimeObject* control);
// "Name" of a control.
std::string ControlName(RuntimeObject* control);

}  // namespace qvtest
