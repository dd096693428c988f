#include "core/Export.h"

// Weak, so that a program with no export at all still links.
extern "C" {
extern const RelocEntry __start_qv_exports[] __attribute__((weak));
extern const RelocEntry __stop_qv_exports[] __attribute__((weak));
}

const RelocEntry* StaticExportTableBegin() { return __start_qv_exports; }
const RelocEntry* StaticExportTableEnd() { return __stop_qv_exports; }
