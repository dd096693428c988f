// The accessors and methods of Control and RectControl that their class rows name
// (ControlAccessors.cpp); the field accessors of ClassFieldAccessors.h serve the rest.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"

extern "C" {
void ControlTabPanelIndexSetter(RuntimeObject* control, uint32_t parameter, int32_t index);
int32_t ControlPanelIndexGetter(RuntimeObject* control, uint32_t parameter);
void ControlPanelIndexSetter(RuntimeObject* control, uint32_t parameter, int32_t index);
int32_t controlMouseXGetter(RuntimeObject* control, uint32_t parameter);
int32_t controlMouseYGetter(RuntimeObject* control, uint32_t parameter);
RuntimeObject* controlWindowGetter(RuntimeObject* control, uint32_t parameter);
int32_t controlMacControlHandleGetter(RuntimeObject* control, uint32_t parameter);
void controlHelpTagSetter(RuntimeObject* control, uint32_t parameter, stringStorage* text);
void controlBalloonHelpSetter(RuntimeObject* control, uint32_t parameter, stringStorage* text);
void controlDisabledBalloonHelpSetter(RuntimeObject* control, uint32_t parameter,
                                      stringStorage* text);
void controlMouseCursorSetter(RuntimeObject* control, uint32_t parameter, RuntimeObject* cursor);
void ControlVisibleSetter(RuntimeObject* control, uint32_t parameter, int32_t visible);
void controlEnabledSetter(RuntimeObject* control, uint32_t parameter, int32_t enabled);
int32_t controlActiveGetter(RuntimeObject* control, uint32_t parameter);
int32_t controlAutoDeactivateGetter(RuntimeObject* control, uint32_t parameter);
void controlAutoDeactivateSetter(RuntimeObject* control, uint32_t parameter, int32_t on);
int32_t ctlPosGetter(RuntimeObject* control, uint32_t selector);
void ctlPosSetter(RuntimeObject* control, uint32_t selector, int32_t value);
RuntimeObject* ControlParentGetter(RuntimeObject* control, uint32_t parameter);
void ControlParentSetter(RuntimeObject* control, uint32_t parameter, RuntimeObject* parent);
void ControlInitialParentSetter(RuntimeObject* control, uint32_t parameter, stringStorage* name);
void RuntimeControlDrawInto(RuntimeObject* control, RuntimeObject* graphics, int32_t x,
                            int32_t y);
void RuntimeControlRefresh(RuntimeObject* control, int32_t erase);
void RuntimeControlRefreshRect(RuntimeObject* control, int32_t x, int32_t y, int32_t width,
                               int32_t height, int32_t erase);
void RuntimeControlInvalidate(RuntimeObject* control, int32_t erase);
void RuntimeControlInvalidateRect(RuntimeObject* control, int32_t x, int32_t y, int32_t width,
                                  int32_t height, int32_t erase);
void RuntimeSetFocus(RuntimeObject* control);
void ControlAddMenuHandler(RuntimeObject* control, stringStorage* name, void* handler);
void RectControlDefaultConstructor(RuntimeObject* control);
void RuntimeControlMove(RuntimeObject* control, int32_t left, int32_t top, int32_t width,
                        int32_t height);
int32_t RuntimeControlDefaultHeight(RuntimeObject* control);
}
