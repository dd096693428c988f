// Text that is not valid UTF-8 (bytes tagged UTF-8 that do not decode) given to every kind of
// caption, title, help tag, menu item and row reaches GTK and Pango made valid: the toolkit
// warns about none of it while the window shows it.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "SimpleControlFixtures.h"
#include "controls/CheckBox.h"
#include "controls/ControlAccessors.h"
#include "controls/GroupBoxControl.h"
#include "controls/PopupMenuControl.h"
#include "controls/PushButton.h"
#include "controls/StaticText.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/GuiDriver.h"
#include "support/ToolkitWarnings.h"
#include "windows/MenuItemClass.h"
#include "windows/WindowAccessors.h"
#include "windows/XMenuGTK.h"

namespace {

// "&Caf" and an e-acute cut short, a stray continuation byte and an invalid lead byte.
string Broken() { return string::FromBytes("&Caf\xC3 \x80x\xFF!", 11, kEncodingUTF8); }

TEST(InvalidText, EveryCaptionTitleAndRowReachesTheToolkitValid) {
  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = kit.OpenAndFocus(gui, "Broken text", {}, &xid);
  ASSERT_NE(window, nullptr);
  qvtest::ToolkitWarnings warnings;
  const string text = Broken();

  windowTitleSetter(window, 0, text.Storage());
  RuntimeObject* menu = NewObjectFromDefinition(MenuItemClassDefinition());
  RuntimeObject* item = NewObjectFromDefinition(MenuItemClassDefinition());
  RuntimeMenuItemTextSetter(item, 0, text.Storage());
  RuntimeMenuItemAppend(menu, item);
  GtkRequisition size;  // laying the menu out lays its items' labels out
  gtk_widget_size_request(XMenuNodeOf(menu)->SubmenuWidget(), &size);

  const std::pair<const char*, QV::Rect> kinds[] = {
      {"PushButton", {10, 10, 32, 150}}, {"StaticText", {40, 10, 60, 150}},
      {"CheckBox", {70, 10, 90, 150}},   {"GroupBox", {100, 10, 160, 150}},
      {"PopupMenu", {170, 10, 194, 150}}, {"ComboBox", {200, 10, 224, 150}}};
  std::vector<RuntimeObject*> controls;
  for (const auto& [kind, place] : kinds) {
    RuntimeObject* control =
        qvtest::AddControl(window, qvtest::Subclass(kind, (std::string("Broken") + kind).c_str()),
                           kind, place);
    ASSERT_NE(control, nullptr) << kind;
    controls.push_back(control);
  }
  pushButtonTitleSetter(controls[0], 0, text.Storage());
  controlHelpTagSetter(controls[0], 0, text.Storage());
  staticCaptionSetter(controls[1], 0, text.Storage());
  checkBoxTitleSetter(controls[2], 0, text.Storage());
  groupCaptionSetter(controls[3], 0, text.Storage());
  for (RuntimeObject* popup : {controls[4], controls[5]}) {
    RuntimeComboBoxAddRow(popup, text.Storage());
    RuntimeComboBoxSelectionSetter(popup, 0, 0);
  }
  gui.PumpUntil([] { return false; }, 500);  // laid out and drawn
  EXPECT_EQ(warnings.Text(), "");
  for (RuntimeObject* object : {item, menu}) RuntimeUnlockObject(object);
}

}  // namespace
