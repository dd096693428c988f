// Exported functions: the names through which compiled images and plug-ins reach the framework.
//
// An export is declared next to the function that implements it:
//
//     extern "C" int32_t RuntimeTicks() { ... }
//     QV_EXPORT(RuntimeTicks)
//
// Each declaration places one RelocEntry in the "qv_exports" section; the linker gathers them
// into one static table bounded by __start_qv_exports and __stop_qv_exports. The framework is
// linked from object files, never from an archive, so no entry is dropped. Beside it, in the
// "qv_export_signatures" section, goes the signature derived from the function's C++ type
// (ExportSignature.h), against which the rows that name the export are checked.
#pragma once

#include <cstdint>

#include "core/ExportSignature.h"

struct RelocEntry {
  const char* name;  // NUL-terminated ASCII, not owned; lives as long as the process
  void* code;        // the function
  uint32_t reserved1;
  uint32_t reserved2;
};
static_assert(sizeof(RelocEntry) == 16, "RelocEntry is read by images and plug-ins");
static_assert(__builtin_offsetof(RelocEntry, code) == 4, "RelocEntry layout");

#define QV_EXPORT_PASTE2(a, b) a##b
#define QV_EXPORT_PASTE(a, b) QV_EXPORT_PASTE2(a, b)

// Exports function under exportName (a string literal).
#define QV_EXPORT_AS(exportName, function)                                                \
  [[gnu::used, gnu::section("qv_exports"), gnu::aligned(4)]] static const RelocEntry      \
  QV_EXPORT_PASTE(qvExportEntry_, __COUNTER__) = {                                        \
      exportName, reinterpret_cast<void*>(&function), 0, 0};                              \
  [[gnu::used, gnu::section("qv_export_signatures"), gnu::aligned(4)]] static const       \
  ExportSignature QV_EXPORT_PASTE(qvExportSignature_, __COUNTER__) = {                    \
      exportName, ExportSignatureOf<decltype(&function)>::text};

// Exports function under its own name.
#define QV_EXPORT(function) QV_EXPORT_AS(#function, function)

// The static table as the linker laid it out (rows in link order).
const RelocEntry* StaticExportTableBegin();
const RelocEntry* StaticExportTableEnd();
