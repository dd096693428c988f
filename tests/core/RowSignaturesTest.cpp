// Rows that name exports agree with them: every global-function row and every row of every
// class registered at start-up names an export that exists, with the signature the row's
// language types declare, or a name on the committed list of those still to come.
#include <gtest/gtest.h>
#include <strings.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "NamesStillToCome.h"
#include "app/ExternalClasses.h"
#include "core/ClassRegistry.h"
#include "core/ExportRegistry.h"
#include "core/GlobalFunctionRows.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "support/TestSupport.h"

namespace {

template <typename List>
bool Listed(const List& list, const std::string& name) {
  for (const char* listed : list) {
    if (strcasecmp(listed, name.c_str()) == 0) return true;
  }
  return false;
}

std::string Text(const SignatureText& signature) {
  return std::string(signature.text, size_t(signature.length));
}

// The letter of a type named in declaration text ("Integer", "String()", a class name).
char LetterOfTypeName(const std::string& name) {
  if (name.find("()") != std::string::npos) return 'i';
  for (int32_t i = 0; i < kIntrinsicTypeCount; ++i) {
    const IntrinsicTypeRecord& record = IntrinsicTypeTable()[i];
    if (strcasecmp(record.name, name.c_str()) == 0) return SignatureLetter(&record.descriptor);
  }
  return 'i';
}

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  const size_t last = text.find_last_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// An event as its declaring row writes it: (object, "X As Integer, ByRef Y As Double") ->
// return type text.
SignatureText EventSignature(const std::string& parameters, const std::string& result) {
  SignatureText signature;
  signature.Append(result.empty() ? 'v' : LetterOfTypeName(Trim(result))).Append('(').Append('i');
  size_t start = 0;
  while (start < parameters.size()) {
    size_t comma = parameters.find(',', start);
    if (comma == std::string::npos) comma = parameters.size();
    const std::string parameter = Trim(parameters.substr(start, comma - start));
    const size_t as = parameter.rfind(" As ");
    const bool byReference = parameter.rfind("ByRef ", 0) == 0 ||
                             parameter.find("()") != std::string::npos;  // or an array
    if (!parameter.empty()) {
      signature.Append(byReference || as == std::string::npos
                           ? 'i'
                           : LetterOfTypeName(parameter.substr(as + 4)));
    }
    start = comma + 1;
  }
  return signature.Append(')');
}

// The getter's form the row's export takes: (object, parameter), or (object) alone.
SignatureText GetterSignature(const InstanceVariable* item) {
  const char* recorded = item->getterExportName ? FindExportSignature(item->getterExportName)
                                                : nullptr;
  const SignatureText objectOnly = DeclaredObjectOnlyGetterSignature(item->varType);
  return recorded && DeclaredSignatureAgrees(recorded, objectOnly)
             ? objectOnly
             : DeclaredGetterSignature(item->varType);
}

// Collects what disagrees, one line each.
class RowChecker {
 public:
  // A row naming exportName (with function, when the row holds one) declares signature.
  void Export(const std::string& where, const char* exportName, const void* function,
              const SignatureText& declared) {
    if (!exportName) return;
    const std::string name = exportName;
    named_.push_back(name);
    const char* recorded = FindExportSignature(exportName);
    if (!recorded) {
      if (!Listed(kExportsStillToCome, name)) Fail(where, name + " is no export");
      return;
    }
    if (Listed(kExportsStillToCome, name)) Fail(where, name + " exists: take it off the list");
    if (!DeclaredSignatureAgrees(recorded, declared)) {
      Fail(where, name + " is " + recorded + " but the row declares " + Text(declared));
    }
    const RelocEntry* entry = LookupExportEntry(exportName);
    if (function && (!entry || entry->code != function)) {
      Fail(where, name + " is exported as another function");
    }
  }

  // A class named by name must be registered, or be on the list.
  void ClassName(const std::string& where, const TypeDescriptor* type) {
    if (!IsClassNameType(type)) return;
    const std::string name = AsClassNameType(type)->className;
    named_.push_back(name);
    const bool registered = LookupClassDefinition(string(name.c_str())) != nullptr;
    if (!registered && !Listed(kClassesStillToCome, name)) Fail(where, "no class " + name);
  }

  void GlobalRow(const GlobalFunctionRow& row) {
    const std::string where = std::string("global ") + row.name;
    Export(where, row.exportName, nullptr,
           DeclaredSignature(false, row.result, row.parameters, row.parameterCount));
    ClassName(where, row.result);
    for (int32_t i = 0; i < row.parameterCount; ++i) {
      ClassName(where, row.parameters[i].parameterType);
    }
  }

  // A module's methods are called without an object.
  void Definition(ObjectDefinition* definition, bool isModule = false) {
    const std::string owner = definition->className.CString();
    RuntimeClassForDefinition(definition);  // resolves the class names of its rows
    for (const InstanceVariable* item = definition->items; item; item = item->next) {
      const std::string where = owner + "." + item->name.CString();
      Export(where, item->getterExportName, item->getter, GetterSignature(item));
      Export(where, item->setterExportName, item->setter, DeclaredSetterSignature(item->varType));
      ClassName(where, item->varType);
    }
    for (const ObjectMethod* method = definition->methods; method; method = method->next) {
      const std::string where = owner + "." + method->name.CString() + "()";
      const MethodRow& row = method->row;
      Export(where, row.a.exportName, row.a.toc,
             DeclaredSignature(!isModule, row.returnType, row.parameters, row.parameterCount));
      Export(where, row.b.exportName, row.b.toc,
             DeclaredAssignSignature(row.returnType, row.parameters, row.parameterCount));
      ClassName(where, row.returnType);
      for (int32_t i = 0; i < row.parameterCount; ++i) {
        ClassName(where, row.parameters[i].parameterType);
      }
    }
    for (const ObjectHookInstance* instance = definition->hookInstances; instance;
         instance = instance->next) {
      EventImplementation(owner, definition, instance);
    }
    Export(owner + " initializer", definition->initializer.exportName,
           definition->initializer.toc, DeclaredObjectHookSignature());
    Export(owner + " finalizer", definition->finalizer.exportName, definition->finalizer.toc,
           DeclaredObjectHookSignature());
  }

  // The names every row gave, for the list's own check.
  const std::vector<std::string>& named() const { return named_; }
  const std::vector<std::string>& failures() const { return failures_; }
  void Fail(const std::string& where, const std::string& what) {
    failures_.push_back(where + ": " + what);
  }

 private:
  void EventImplementation(const std::string& owner, const ObjectDefinition* definition,
                           const ObjectHookInstance* instance) {
    const std::string where = owner + " implements " + instance->name.CString();
    for (const ObjectDefinition* d = definition->super; d; d = d->super) {
      for (const ObjectHook* hook = d->hooks; hook; hook = hook->next) {
        if (hook->name.Compare(instance->name) != 0) continue;
        Export(where, instance->exportName, instance->handler,
               EventSignature(hook->parameterText.CString(), hook->returnTypeText.CString()));
        return;
      }
    }
    Fail(where, "no superclass declares the event");
  }

  std::vector<std::string> named_;
  std::vector<std::string> failures_;
};

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// Everything the static table exports carries its signature, derived from the C++ type.
TEST(RowSignatures, EveryExportRecordsTheSignatureOfItsFunction) {
  EXPECT_EQ(StaticExportSignaturesEnd() - StaticExportSignaturesBegin(),
            StaticExportTableEnd() - StaticExportTableBegin());
  for (const RelocEntry* entry = StaticExportTableBegin(); entry != StaticExportTableEnd();
       ++entry) {
    EXPECT_NE(FindExportSignature(entry->name), nullptr) << entry->name;
  }
  EXPECT_STREQ(FindExportSignature("runCLong"), "l(i)");
  EXPECT_STREQ(FindExportSignature("RuntimeDivSInt64"), "l(ll)");
  EXPECT_STREQ(FindExportSignature("StringVal"), "d(i)");
  EXPECT_STREQ(FindExportSignature("singleSetter"), "v(iif)");
  EXPECT_STREQ(FindExportSignature("CreateArray"), "i(ii*)");
  EXPECT_STREQ(FindExportSignature("createinstance"), "i(i)");
  EXPECT_EQ(FindExportSignature("NoSuchExport"), nullptr);
}

TEST(RowSignatures, GlobalFunctionRowsNameExportsThatAgree) {
  RuntimeInitExternalClasses();  // the classes the rows name
  RowChecker checker;
  for (int32_t i = 0; i < GlobalFunctionRowCount(); ++i) {
    checker.GlobalRow(GlobalFunctionRows()[i]);
  }
  EXPECT_TRUE(checker.failures().empty()) << Lines(checker.failures());
}

// Each class and module registered at start-up, checked in a child whose registries hold only
// those.
TEST(RowSignatures, ClassRowsNameExportsThatAgree) {
  std::string output;
  const int status = qvtest::RunInChild(
      [] {
        RuntimeInitExternalClasses();
        DestroyClassRegistry();
        DestroyModuleRegistry();
        RunStartupSteps(kStartupClassesBegin, kStartupClassesEnd);
        RowChecker checker;
        SimpleVector<ObjectDefinition*> definitions = RegisteredClassDefinitions();
        for (uint32_t i = 0; i < definitions.size(); ++i) {
          checker.Definition(definitions[int32_t(i)]);
        }
        SimpleVector<ObjectDefinition*> modules = RegisteredModuleDefinitions();
        for (uint32_t i = 0; i < modules.size(); ++i) checker.Definition(modules[int32_t(i)], true);
        if (modules.empty()) checker.Fail("modules", "none registered");
        for (const char* name : kClassesStillToCome) {
          if (LookupClassDefinition(string(name))) checker.Fail(name, "registered: take it off");
        }
        std::fputs(Lines(checker.failures()).c_str(), stdout);
        std::fflush(stdout);
        _exit(checker.failures().empty() && definitions.size() > 20 ? 0 : 1);
      },
      &output);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
}

// Every name on the lists is still to come, and some row names it.
TEST(RowSignatures, TheListsHoldOnlyNamesStillToCome) {
  RuntimeInitExternalClasses();
  RowChecker checker;
  for (int32_t i = 0; i < GlobalFunctionRowCount(); ++i) {
    checker.GlobalRow(GlobalFunctionRows()[i]);
  }
  SimpleVector<ObjectDefinition*> definitions = RegisteredClassDefinitions();
  for (uint32_t i = 0; i < definitions.size(); ++i) checker.Definition(definitions[int32_t(i)]);
  auto named = [&](const char* name) {
    for (const std::string& n : checker.named()) {
      if (strcasecmp(n.c_str(), name) == 0) return true;
    }
    return false;
  };
  for (const char* name : kExportsStillToCome) {
    EXPECT_EQ(FindExportSignature(name), nullptr) << name << " exists";
    EXPECT_TRUE(named(name)) << name << " is named by no row";
  }
  for (const char* name : kClassesStillToCome) EXPECT_TRUE(named(name)) << name;
}

// The checker itself: a misspelt name, a wrong width or a wrong kind of value is caught;
// Single and Double results, both in st(0), agree.
TEST(RowSignatures, MisspeltNamesAndDisagreeingTypesAreCaught) {
  using namespace lang;
  constexpr ParameterRecord kText[] = {Param(String).record};
  const GlobalFunctionRow rows[] = {
      {"CLong", "runClong_", Int64, kText, 1},       // misspelt
      {"CLong", "runCLong", Integer, kText, 1},      // 64-bit result read from EAX alone
      {"Val", "StringVal", Single, kText, 1},        // st(0) either way
      {"Val", "StringVal", Double, nullptr, 0},      // a parameter too few
      {"Hex", "RuntimeHexInt64", String, kText, 1},  // a pointer where two words go
  };
  std::vector<size_t> failed;
  for (size_t i = 0; i < std::size(rows); ++i) {
    RowChecker checker;
    checker.GlobalRow(rows[i]);
    if (!checker.failures().empty()) failed.push_back(i);
  }
  EXPECT_EQ(failed, (std::vector<size_t>{0, 1, 3, 4}));
  EXPECT_EQ(Text(EventSignature("X As Integer, ByRef Y As Double, list() As Int64", "Boolean")),
            "i(iiii)");
  EXPECT_EQ(Text(EventSignature("amount As Currency, ratio As Single", "")), "v(ilf)");
}

}  // namespace
