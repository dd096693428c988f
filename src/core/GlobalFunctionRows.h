// The static rows from which the global-function table is built, one per entry in table order.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"

// Attribute flags of an entry, in the bit layout of the class method rows.
constexpr uint32_t kGlobalEveryTarget = 0x4;
constexpr uint32_t kGlobalNoGUI = 0x800;  // with kGlobalEveryTarget: only without a GUI
constexpr uint32_t kGlobalMark = 0x8000;  // the compiler's; stored, never read here

struct GlobalFunctionRow {
  const char* name;             // as the language spells it
  const char* exportName;       // of code record A
  const char* parameterCodes;   // compact type codes separated by spaces (see below)
  const char* returnCode;       // "" for a subroutine
  int32_t methodKind;           // kMethodPlain or kMethodExtends
  uint32_t flags;
  bool carriesFunction;         // false: the entry names an export but holds no function
};

// Type codes: i1 i2 i4 i8 u1 u2 u4 u8 f4 f8 b s c p as the intrinsic types, "as" a String
// array, "o:Name" the class registered under Name.
const GlobalFunctionRow* GlobalFunctionRows();
int32_t GlobalFunctionRowCount();
