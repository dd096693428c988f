#include "app/PluginMethodLookup.h"

#include "app/PluginClassIntrospection.h"
#include "app/PluginDeclarations.h"
#include "core/ByteUtilities.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/GlobalFunctions.h"
#include "core/RuntimeError.h"
#include "core/TypeNames.h"

namespace {

bool NamesEqual(const char* a, const char* b) { return ustrcmpi(a ? a : "", b ? b : "") == 0; }

// Identical types; an array matches an array of the identical element and dimensions, since
// static rows and declarations each keep array descriptors of their own.
bool TypesIdentical(const TypeDescriptor* a, const TypeDescriptor* b) {
  a = ResolvedType(a);
  b = ResolvedType(b);
  if (a == b) return true;
  if (!a || !b || a->kind != kTypeKindArray || b->kind != kTypeKindArray) return false;
  return AsArrayType(a)->dimensionCount == AsArrayType(b)->dimensionCount &&
         TypesIdentical(AsArrayType(a)->elementType, AsArrayType(b)->elementType);
}

// Every class is an Object, though a definition's chain of supers may end without naming it.
bool IsRootClass(const ObjectDefinition* definition) {
  return definition->className.Compare(string("Object")) == 0;
}

bool ReturnTypesMatch(const TypeDescriptor* wanted, const TypeDescriptor* candidate) {
  if (TypesIdentical(wanted, candidate)) return true;
  wanted = ResolvedType(wanted);
  candidate = ResolvedType(candidate);
  if (!wanted || !candidate || wanted->kind != kTypeKindClass || candidate->kind != kTypeKindClass)
    return false;
  const ObjectDefinition* wantedClass = AsClassDefinition(wanted);
  return IsRootClass(wantedClass) || AsClassDefinition(candidate)->InheritsFrom(wantedClass);
}

template <typename Visit>
void* FirstMatching(const char* declaration, Visit visit) {
  ParsedMethodDeclaration wanted;
  if (!ParseMethodDeclaration(declaration, &wanted)) return nullptr;
  return visit(wanted.row);
}

// The candidate's signature read back without the object it is called on, then parsed; without
// the leading keyword, as plug-in declarations begin with the name.
bool ClassMethodMatches(const MethodRow& wanted, const char* signature) {
  if (!NamesEqual(SignatureMethodName(signature).CString(), wanted.name)) return false;
  const string text =
      SignatureDeclarationText(signature, {.keyword = false, .skipFirstParameter = true});
  ParsedMethodDeclaration candidate;
  return ParseMethodDeclaration(text.CString(), &candidate) &&
         MethodDeclarationsMatch(wanted, candidate.row);
}

}  // namespace

bool ParseMethodDeclaration(const char* text, ParsedMethodDeclaration* out) {
  if (!QV_CHECK_TEXT(out, "outMethod and outName", nullptr)) return false;
  out->row = MethodRow{};
  out->parameters.reset();
  out->name = string();
  PluginDeclaration parsed;
  if (!ParsePluginMethodDeclaration(text, &parsed, nullptr)) return false;
  out->name = std::move(parsed.name);
  out->parameters = std::move(parsed.parameters);
  out->row.name = out->name.CString();
  out->row.returnType = parsed.returnType;
  out->row.parameters = out->parameters.get();
  out->row.parameterCount = parsed.parameterCount;
  out->row.methodKind = parsed.MethodKind();
  return true;
}

bool MethodDeclarationsMatch(const MethodRow& wanted, const MethodRow& candidate) {
  if (!NamesEqual(wanted.name, candidate.name)) return false;
  if (!ReturnTypesMatch(wanted.returnType, candidate.returnType)) return false;
  if (wanted.parameterCount != candidate.parameterCount) return false;
  for (int32_t i = 0; i < wanted.parameterCount; ++i) {
    const ParameterRecord& a = wanted.parameters[i];
    const ParameterRecord& b = candidate.parameters[i];
    if (!TypesIdentical(a.parameterType, b.parameterType) || a.byRef != b.byRef) return false;
  }
  return true;
}

extern "C" void* QUORLoadGlobalMethod(uint32_t, const char* declaration) {
  return FirstMatching(declaration, [](const MethodRow& wanted) -> void* {
    const uint32_t count = GlobalFunctionCount();
    for (uint32_t i = 0; i < count; ++i) {
      const MethodRow* entry = GlobalFunctionAt(i);
      if (!QV_CHECK_TEXT(entry, "meth", nullptr)) return nullptr;
      if (NamesEqual(entry->name, wanted.name) && MethodDeclarationsMatch(wanted, *entry))
        return entry->a.toc;
    }
    return nullptr;
  });
}
QV_EXPORT(QUORLoadGlobalMethod)

extern "C" void* QUORLoadObjectMethod(RuntimeObject* object, const char* declaration) {
  if (!object) return nullptr;
  const RuntimeClass* cls = object->classPtr;
  return FirstMatching(declaration, [cls](const MethodRow& wanted) -> void* {
    ClassMethodEntry entry{};
    for (int32_t i = 0; ClassMethodAt(cls, i, &entry); ++i) {
      if (entry.function && entry.signature && ClassMethodMatches(wanted, entry.signature))
        return entry.function;
    }
    return nullptr;
  });
}
QV_EXPORT(QUORLoadObjectMethod)
