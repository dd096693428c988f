// The static rows from which the global-function table is built, one per entry in table order:
//
//     QV_GLOBAL_FUNCTION("Mid", String, "StringDBCSMid2", Param(String), Param(Integer)),
//     QV_GLOBAL_SUB("Beep", "RuntimeBeep"),
//     QV_GLOBAL_FUNCTION("Len", Integer, "StringDBCSLen", Param(String)).Extends(),
//     QV_GLOBAL_SUB("Print", "RuntimeConsolePrint", Param(String)).Flags(kConsole),
//
// The functions belong to every layer, so a row names its export by name; the function is
// found in the export registry when the table is built. Types are those of LanguageTypes.h; a
// test checks each row against its export's recorded signature, and every name against the
// exports that exist or the committed list of those still to come.
#pragma once

#include <cstdint>

#include "core/ClassDefinitionRows.h"

// Attribute flags of an entry, in the bit layout of the class method rows.
constexpr uint32_t kGlobalEveryTarget = 0x4;
constexpr uint32_t kGlobalNoGUI = 0x800;  // with kGlobalEveryTarget: only without a GUI
constexpr uint32_t kGlobalMark = 0x8000;  // the compiler's; stored, never read here

struct GlobalFunctionRow {
  const char* name;        // as the language spells it
  const char* exportName;  // of code record A
  const TypeDescriptor* result;  // nil for a subroutine
  const ParameterRecord* parameters;
  int32_t parameterCount;
  int32_t methodKind = kMethodPlain;
  uint32_t flags = kGlobalEveryTarget;
  bool carriesFunction = true;  // false: the entry names an export but holds no function

  // Callable as a method of its first argument.
  constexpr GlobalFunctionRow Extends() const {
    GlobalFunctionRow row = *this;
    row.methodKind = kMethodExtends;
    return row;
  }
  constexpr GlobalFunctionRow Flags(uint32_t attributeFlags) const {
    GlobalFunctionRow row = *this;
    row.flags = attributeFlags;
    return row;
  }
  constexpr GlobalFunctionRow WithoutFunction() const {
    GlobalFunctionRow row = *this;
    row.carriesFunction = false;
    return row;
  }
};

template <typename Declare>
constexpr GlobalFunctionRow GlobalFunctionRowOf(const char* name, const char* exportName) {
  constexpr const auto& declared = kRowDeclaration<Declare>;
  return {name, exportName, declared.type, declared.Parameters(), declared.Count()};
}

#define QV_GLOBAL_FUNCTION(name, result, exportName, ...) \
  GlobalFunctionRowOf<QV_ROW_DECLARATION(result, __VA_ARGS__)>(name, exportName)
#define QV_GLOBAL_SUB(name, exportName, ...) \
  QV_GLOBAL_FUNCTION(name, nullptr, exportName, __VA_ARGS__)

const GlobalFunctionRow* GlobalFunctionRows();
int32_t GlobalFunctionRowCount();
