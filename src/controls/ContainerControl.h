// The language class "ContainerControl": a window designed once and placed inside other
// windows, controls and panel pages (EmbedWithin, EmbedWithinControl, EmbedWithinPanel). Its
// object is a Window object with no native window; an EmbeddedWindowControl stands for it in
// the window that holds it (windows/EmbeddedWindows.h). Its control properties pass through to
// that control; the Window properties that make no sense inside another window are hidden.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

ObjectDefinition* ContainerControlClassDefinition();

// The class's own events (numbered when the class is built).
struct ContainerControlHooks {
  ObjectHook* gotFocus = nullptr;
  ObjectHook* lostFocus = nullptr;
};
ContainerControlHooks& ContainerControlEvents();

// The embedding steps: window is placed in holder at (left, top) of holder's content, width
// and height -1 keeping its designed size. Without deferOpen its Open events follow at once;
// with it they are left to the holder's. Embedding a window into itself, or into a window
// embedded in it, raises InvalidParentException and changes nothing.
void EmbedWindow(RuntimeObject* window, RuntimeObject* holder, int32_t left, int32_t top,
                 int32_t width, int32_t height, bool deferOpen);
// Closes the control standing for an embedded window, with the controls of the window and of
// the windows embedded in it.
void CloseEmbeddedWindow(RuntimeObject* window);
// Installs the embedding into the window layer (WindowEmbedding).
void LinkWindowEmbedding();

extern "C" {
void EmbedWithin(RuntimeObject* window, RuntimeObject* containingWindow, int32_t left,
                 int32_t top, int32_t width, int32_t height);
void EmbedWithinControl(RuntimeObject* window, RuntimeObject* containingControl, int32_t left,
                        int32_t top, int32_t width, int32_t height);
void EmbedWithinPanel(RuntimeObject* window, RuntimeObject* containingPanel, int32_t page,
                      int32_t left, int32_t top, int32_t width, int32_t height);

// Pass-through accessors: parameter is the position of the standing control's field. With a
// nil window or no standing control they do nothing and answer 0, False, nil or "".
int32_t eWindowIntPassThroughGetter(RuntimeObject* window, uint32_t field);
int32_t eWindowBoolPassThroughGetter(RuntimeObject* window, uint32_t field);
void eWindowBoolPassThroughSetter(RuntimeObject* window, uint32_t field, int32_t value);
stringStorage* eWindowStringPassThroughGetter(RuntimeObject* window, uint32_t field);
void eWindowTabPanelIndexSetter(RuntimeObject* window, uint32_t parameter, int32_t index);
RuntimeObject* eWindowParentGetter(RuntimeObject* window, uint32_t parameter);
void eWindowParentSetter(RuntimeObject* window, uint32_t parameter, RuntimeObject* parent);
RuntimeObject* eWindowContainingWindowGettter(RuntimeObject* window, uint32_t parameter);
RuntimeObject* eWindowControlGetter(RuntimeObject* window, uint32_t parameter);
int32_t eWindowEnabledGetter(RuntimeObject* window, uint32_t parameter);
void eWindowEnabledSetter(RuntimeObject* window, uint32_t parameter, int32_t enabled);
void eWindowAutoDeactivateSetter(RuntimeObject* window, uint32_t parameter, int32_t on);
void eWindowHelpTagSetter(RuntimeObject* window, uint32_t parameter, stringStorage* text);
void eWindowDisabledBalloonHelpSetter(RuntimeObject* window, uint32_t parameter,
                                      stringStorage* text);
void eWindowInitialParentSetter(RuntimeObject* window, uint32_t parameter, stringStorage* name);
}
