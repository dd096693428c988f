#include "core/GlobalFunctions.h"

#include <strings.h>

#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/ExportRegistry.h"
#include "core/GlobalFunctionRows.h"
#include "core/IntrinsicTypes.h"
#include "core/RuntimeError.h"
#include "core/SimpleVector.h"
#include "core/Startup.h"

namespace {

constexpr int32_t kMaxParameters = 4;
const char* const kParameterNames[kMaxParameters] = {"p1", "p2", "p3", "p4"};

SimpleVector<const MethodRow*>& Table() {
  static SimpleVector<const MethodRow*> table(0);
  return table;
}
bool gBuilt = false;
// The entries and their parameter records, like static rows, live as long as the process.
MethodRow* gEntries = nullptr;

struct IntrinsicCode {
  const char* code;
  IntrinsicTypeIndex index;
};
constexpr IntrinsicCode kIntrinsicCodes[] = {
    {"i1", kIntrinsicInt8},    {"i2", kIntrinsicInt16},   {"i4", kIntrinsicInteger},
    {"i8", kIntrinsicInt64},   {"u1", kIntrinsicUInt8},   {"u2", kIntrinsicUInt16},
    {"u4", kIntrinsicUInt32},  {"u8", kIntrinsicUInt64},  {"f4", kIntrinsicSingle},
    {"f8", kIntrinsicDouble},  {"b", kIntrinsicBoolean},  {"s", kIntrinsicString},
    {"c", kIntrinsicColor},    {"p", kIntrinsicPtr},
};

const TypeDescriptor* StringArrayType() {
  static ArrayTypeDescriptor type = {kTypeKindArray, IntrinsicType(kIntrinsicString), 1};
  return AsTypeDescriptor(&type);
}

// Classes named as types are those registered when the table is built; one not registered
// yet (its layer not linked) leaves the type nil.
const TypeDescriptor* TypeForCode(const std::string& code) {
  if (code.empty()) return nullptr;
  if (code == "as") return StringArrayType();
  if (code.rfind("o:", 0) == 0) {
    ObjectDefinition* definition = LookupClassDefinition(string(code.c_str() + 2));
    return definition ? definition->AsType() : nullptr;
  }
  for (const IntrinsicCode& entry : kIntrinsicCodes) {
    if (code == entry.code) return IntrinsicType(entry.index);
  }
  QV_FAIL(code.c_str());
  return nullptr;
}

std::vector<std::string> SplitCodes(const char* codes) {
  std::vector<std::string> parts;
  std::string part;
  for (const char* p = codes; *p; ++p) {
    if (*p != ' ') {
      part += *p;
      continue;
    }
    if (!part.empty()) parts.push_back(part);
    part.clear();
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

ParameterRecord* MakeParameters(const std::vector<std::string>& codes) {
  if (codes.empty()) return nullptr;
  auto* parameters = new ParameterRecord[codes.size()]();
  for (size_t i = 0; i < codes.size(); ++i) {
    parameters[i].name = kParameterNames[i];
    parameters[i].parameterType = TypeForCode(codes[i]);
  }
  return parameters;
}

void* ExportedFunction(const char* exportName) {
  const RelocEntry* entry = LookupExportEntry(exportName);
  return entry ? entry->code : nullptr;
}

void FillEntry(MethodRow* row, const GlobalFunctionRow& source) {
  const std::vector<std::string> codes = SplitCodes(source.parameterCodes);
  if (!QV_CHECK(codes.size() <= size_t(kMaxParameters))) return;
  row->name = source.name;
  row->returnType = TypeForCode(source.returnCode);
  row->parameters = MakeParameters(codes);
  row->parameterCount = int32_t(codes.size());
  row->a.exportName = source.exportName;
  row->a.toc = source.carriesFunction ? ExportedFunction(source.exportName) : nullptr;
  row->methodKind = source.methodKind;
  row->flags = source.flags;
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
  if (!QV_CHECK(index < Table().size())) return nullptr;
  return Table().data()[index];
}

const MethodRow* LookupGlobalFunction(const string& name) {
  BuildGlobalFunctionTable();
  for (uint32_t i = 0; i < Table().size(); ++i) {
    const MethodRow* entry = Table().data()[i];
    if (entry->name && strcasecmp(entry->name, name.CString()) == 0) return entry;
  }
  return nullptr;
}

void AddGlobalFunction(const MethodRow* entry) {
  if (!QV_CHECK_TEXT(entry, "item", nullptr)) return;
  Table().Append(entry);
  RegisterCodeRecordExport(&entry->a);
  if (entry->b.toc) RegisterCodeRecordExport(&entry->b);
}
