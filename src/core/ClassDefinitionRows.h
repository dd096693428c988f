// Class-definition rows: the static tables from which every class getter of the class library
// builds its definition's items, and the four builders that turn rows into items.
//
// Rows are plain records of 32-bit words in static storage; their texts are NUL-terminated
// ASCII (the builders make strings of encoding ASCII; a null text gives the empty string).
// Method rows (MethodRow) and parameter rows (ParameterRecord) are the definition's own record
// formats, shared with the global-function table.
//
// Row flags (property, event and method rows read the same bits):
//   0x4     the item's every-target flag
//   0x8     the item's second flag
//   0x800   with 0x4: the no-GUI flag (and every-target)
//   0x4000 or 0x10000   attribute bits 0x21 (Private)
//   0x2000  (properties) attribute bit 0x10
// A property row without setter is read-only (userFlags 1); one with neither getter nor
// setter declares a plain instance variable.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"

using ParameterRow = ParameterRecord;

struct PropertyRow {
  uint32_t flags;
  const char* name;
  const TypeDescriptor* type;  // intrinsic type record or class definition
  void* getter;
  const char* getterExportName;
  void* setter;  // nil: read-only
  const char* setterExportName;
  uint32_t parameterWord;  // handed to getter and setter, e.g. the field's byte position
  uint32_t word;
};
static_assert(sizeof(PropertyRow) == 36, "property rows are nine words");

struct EventRow {
  uint32_t flags;
  const char* name;
  const char* parameterText;   // e.g. "X As Integer, Y As Integer", or null
  const char* returnTypeText;  // e.g. "Boolean", or null
  ObjectHook** hookOut;        // receives the created hook; raisers look the event up with it
  uint32_t word;
};
static_assert(sizeof(EventRow) == 24, "event rows are six words");

struct EventImplementationRow {
  const char* name;  // an event that a superclass declares, e.g. "CreatePane"
  void* function;
  const char* exportName;
  uint32_t words[5];
};
static_assert(sizeof(EventImplementationRow) == 32, "event implementation rows are eight words");

constexpr uint32_t kRowEveryTarget = 0x4;
constexpr uint32_t kRowSecondFlag = 0x8;
constexpr uint32_t kRowNoGUI = 0x800;
constexpr uint32_t kRowMarked = 0x2000;
constexpr uint32_t kRowPrivate = 0x4000;
constexpr uint32_t kRowPrivateToo = 0x10000;

// One InstanceVariable per row, linked in row order; hand the head to SetItems.
InstanceVariable* AddClassProperties(const PropertyRow* rows, int32_t count);
// Replaces definition's own events; each is numbered after every event of the superclass
// chain, and stored through its row's hookOut.
void AddClassHooks(ObjectDefinition* definition, const EventRow* rows, int32_t count);
// Replaces definition's methods, one per row in row order.
void AddClassMethods(ObjectDefinition* definition, const MethodRow* rows, int32_t count);
// Puts one event implementation per row in front of definition's list (last row first).
void AddClassEvents(ObjectDefinition* definition, const EventImplementationRow* rows,
                    int32_t count);

extern "C" void NoOpCallback();
