// The ContextualMenu control: a Control without a pane that collects rows of plain text
// (AddRow, AddSeparator), shows them at the pointer (Open) and raises Action with the chosen
// row's text. Its rows live in a record made on first need (ContextualMenuImp): a MenuItem
// root whose node's activation handler records the choice.
//
// Also here: the contextual-menu pass of a right click (DispatchConstructContextualMenu).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "windows/ControlRecord.h"

struct ContextualMenuImp;

struct ContextualMenuObject {
  ControlObject control;
  uint8_t useCMM;  // UseCMM and UseMacCMM; nothing else reads it
  uint8_t unused[3];
  ContextualMenuImp* imp;  // nil until the first row or Open, and after DeleteAllRows
};
static_assert(sizeof(ContextualMenuObject) == 132 &&
                  offsetof(ContextualMenuObject, useCMM) == 124,
              "ContextualMenu instances are 132 bytes");

ObjectDefinition* ContextualMenuClassDefinition();

// Raises ConstructContextualMenu on target (a control: then its parents, its window) with a
// base MenuItem, pops up what the handlers appended (a trailing separator dropped), and offers
// the chosen item as ContextualMenuAction the same way; true when a handler took it. (x, y)
// are in the window's content coordinates. The target, its window and the base item are held
// for the whole pass.
bool DispatchConstructContextualMenu(RuntimeObject* target, int32_t x, int32_t y);

extern "C" {
void RuntimeContextualMenuDestructor(RuntimeObject* menu);
void contextualMenuResetContent(RuntimeObject* menu);
void contextualMenuAddRow(RuntimeObject* menu, stringStorage* text);
void contextualMenuAddSeparator(RuntimeObject* menu);
void contextualMenuOpen(RuntimeObject* menu);

// The database connection dialog has no form on this platform.
void* QUORDBConnectionDialogCreate();
void QUORDBConnectionDialogAddField();
int32_t QUORDBConnectionDialogShow();
void QUORDBConnectionDialogDelete();
}
