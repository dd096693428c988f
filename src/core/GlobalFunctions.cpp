#include "core/GlobalFunctions.h"

#include "core/ByteUtilities.h"
#include "core/ClassRegistry.h"
#include "core/ExportRegistry.h"
#include "core/GlobalFunctionRows.h"
#include "core/RuntimeError.h"
#include "core/SimpleVector.h"
#include "core/Startup.h"

namespace {

SimpleVector<const MethodRow*>& Table() {
  static SimpleVector<const MethodRow*> table(0);
  return table;
}
bool gBuilt = false;
// The entries and their parameter records, like static rows, live as long as the process.
MethodRow* gEntries = nullptr;
// Entries whose class names did not all resolve when the table was built: the class library
// registers after the table. Each is tried again whenever the table is read.
SimpleVector<MethodRow*>& Unresolved() {
  static SimpleVector<MethodRow*> entries(0);
  return entries;
}

void* ExportedFunction(const char* exportName) {
  const RelocEntry* entry = LookupExportEntry(exportName);
  return entry ? entry->code : nullptr;
}

// True when every class the entry names is resolved.
bool ResolveEntry(MethodRow* entry) {
  entry->returnType = ResolvedType(entry->returnType);
  auto* parameters = const_cast<ParameterRecord*>(entry->parameters);  // the entry's own copy
  const bool parametersResolved = ResolveParameterTypes(parameters, entry->parameterCount);
  return parametersResolved && !IsClassNameType(entry->returnType);
}

void ResolvePendingEntries() {
  static uint32_t triedAt = 0;
  if (triedAt == ClassRegistrationCount()) return;
  triedAt = ClassRegistrationCount();
  SimpleVector<MethodRow*>& pending = Unresolved();
  for (uint32_t i = pending.size(); i-- > 0;) {
    if (ResolveEntry(pending[int32_t(i)])) pending.RemoveAt(int32_t(i));
  }
}

void FillEntry(MethodRow* entry, const GlobalFunctionRow& row) {
  ParameterRecord* parameters = nullptr;
  if (row.parameterCount > 0) {
    parameters = new ParameterRecord[row.parameterCount];
    for (int32_t i = 0; i < row.parameterCount; ++i) parameters[i] = row.parameters[i];
  }
  entry->name = row.name;
  entry->returnType = row.result;
  entry->parameters = parameters;
  entry->parameterCount = row.parameterCount;
  entry->a.exportName = row.exportName;
  entry->a.toc = row.carriesFunction ? ExportedFunction(row.exportName) : nullptr;
  entry->methodKind = row.methodKind;
  entry->flags = row.flags;
  if (!ResolveEntry(entry)) Unresolved().Append(entry);
}

}  // namespace

void BuildGlobalFunctionTable() {
  if (gBuilt) return;
  gBuilt = true;
  const int32_t count = GlobalFunctionRowCount();
  gEntries = new MethodRow[count]();
  for (int32_t i = 0; i < count; ++i) FillEntry(&gEntries[i], GlobalFunctionRows()[i]);
  for (int32_t i = 0; i < count; ++i) AddGlobalFunction(&gEntries[i]);
}
QV_STARTUP(kStartupGlobalFunctionTable, BuildGlobalFunctionTable)

uint32_t GlobalFunctionCount() {
  BuildGlobalFunctionTable();
  return Table().size();
}

const MethodRow* GlobalFunctionAt(uint32_t index) {
  BuildGlobalFunctionTable();
  ResolvePendingEntries();
  if (!QV_CHECK(index < Table().size())) return nullptr;
  return Table().data()[index];
}

const MethodRow* LookupGlobalFunction(const string& name) {
  BuildGlobalFunctionTable();
  ResolvePendingEntries();
  for (uint32_t i = 0; i < Table().size(); ++i) {
    const MethodRow* entry = Table().data()[i];
    if (entry->name && ustrcmpi(entry->name, name.CString()) == 0) return entry;
  }
  return nullptr;
}

void AddGlobalFunction(const MethodRow* entry) {
  if (!QV_CHECK_TEXT(entry, "item", nullptr)) return;
  Table().Append(entry);
  RegisterCodeRecordExport(&entry->a);
  if (entry->b.toc) RegisterCodeRecordExport(&entry->b);
}
