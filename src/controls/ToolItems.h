// The items a Toolbar shows: "ToolItem" (Enabled, Name, HelpTag) and "ToolButton" (Caption,
// Icon, Style, Pushed). Items are plain data objects; a setter of a property the toolbar's
// widgets show makes every toolbar that lists the item rebuild its widget (RefreshToolItem),
// and Pushed of a toggle only sets the toggle's state (PushToolItem).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct ToolItemObject {
  RuntimeObject header;
  uint8_t enabled;            // true at creation
  uint8_t secondFlag;         // true at creation
  uint8_t unused[2];
  RuntimeObject* reference;   // nil at creation; one reference while set
  stringStorage* helpTag;
  stringStorage* name;
  uint32_t words[2];
};
static_assert(sizeof(ToolItemObject) == 48 && offsetof(ToolItemObject, reference) == 28 &&
                  offsetof(ToolItemObject, helpTag) == 32 && offsetof(ToolItemObject, name) == 36,
              "ToolItem instances are 48 bytes");

enum ToolButtonStyle : int32_t {
  kToolButtonPush = 0,  // also every value not listed here
  kToolButtonSeparator = 1,
  kToolButtonToggle = 2,
};

struct ToolButtonObject {
  ToolItemObject item;
  stringStorage* caption;
  RuntimeObject* icon;  // a Picture, one reference
  int32_t style;
  uint32_t word;
  uint8_t pushed;
  uint8_t unused[3];
};
static_assert(sizeof(ToolButtonObject) == 68 && offsetof(ToolButtonObject, caption) == 48 &&
                  offsetof(ToolButtonObject, style) == 56 &&
                  offsetof(ToolButtonObject, pushed) == 64,
              "ToolButton instances are 68 bytes");

ObjectDefinition* ToolItemClassDefinition();
ObjectDefinition* ToolButtonClassDefinition();

// The item as a ToolButton, or nil for nil and for a ToolItem of another kind.
ToolButtonObject* AsToolButton(RuntimeObject* item);

extern "C" {
void ToolItemInitializer(RuntimeObject* item);
void ToolItemFinalizer(RuntimeObject* item);
void ToolItemEnabledSetter(RuntimeObject* item, uint32_t index, int32_t value);
void ToolItemHelpTagSetter(RuntimeObject* item, uint32_t index, stringStorage* value);
void ToolButtonInitializer(RuntimeObject* button);
void ToolButtonFinalizer(RuntimeObject* button);
void ToolButtonCaptionSetter(RuntimeObject* button, uint32_t index, stringStorage* value);
void ToolButtonIconSetter(RuntimeObject* button, uint32_t index, RuntimeObject* value);
void ToolButtonStyleSetter(RuntimeObject* button, uint32_t index, int32_t value);
void ToolButtonPushedSetter(RuntimeObject* button, uint32_t index, int32_t value);
int32_t ToolButtonPushedGetter(RuntimeObject* button, uint32_t index);
}
