#include "core/ByteUtilities.h"
#include "core/Export.h"

// Weak, so that a program with no export at all still links.
extern "C" {
extern const RelocEntry __start_qv_exports[] __attribute__((weak));
extern const RelocEntry __stop_qv_exports[] __attribute__((weak));
extern const ExportSignature __start_qv_export_signatures[] __attribute__((weak));
extern const ExportSignature __stop_qv_export_signatures[] __attribute__((weak));
}

const RelocEntry* StaticExportTableBegin() { return __start_qv_exports; }
const RelocEntry* StaticExportTableEnd() { return __stop_qv_exports; }

const ExportSignature* StaticExportSignaturesBegin() { return __start_qv_export_signatures; }
const ExportSignature* StaticExportSignaturesEnd() { return __stop_qv_export_signatures; }

// Only checks read signatures, so a scan serves.
const char* FindExportSignature(const char* name) {
  if (!name) return nullptr;
  for (const ExportSignature* s = StaticExportSignaturesBegin(); s != StaticExportSignaturesEnd();
       ++s) {
    if (s->name && ustrcmpi(s->name, name) == 0) return s->signature;
  }
  return nullptr;
}
