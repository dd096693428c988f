// The class and module registries: names ignore case, later registrations replace, module
// checks report without refusing, and every named function of a definition becomes an export.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "core/ClassRegistry.h"
#include "image/ExportRegistry.h"
#include "support/TestSupport.h"

namespace {

extern "C" void RegistryTestMethod() {}
extern "C" void RegistryTestAssigns() {}
extern "C" void RegistryTestGetter() {}
extern "C" void RegistryTestInitializer() {}

CodeRecord Code(void (*function)(), const char* exportName) {
  return {reinterpret_cast<void*>(function), exportName, 0, {}};
}

TEST(ClassRegistryTest, LookupBeforeAnyRegistrationIsNil) {
  std::string output;
  const int status = qvtest::RunInChild(
      [] {
        DestroyClassRegistry();
        DestroyModuleRegistry();
        _exit(LookupClassDefinition("Window") || LookupModuleDefinition("Bitwise") ? 1 : 0);
      },
      &output);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
}

TEST(ClassRegistryTest, NamesIgnoreCaseAndTheLaterRegistrationReplaces) {
  static ObjectDefinition first, second;
  first.className = "RegistryWindow";
  second.className = "registrywindow";
  RegisterClassDefinition(&first);
  EXPECT_EQ(LookupClassDefinition("REGISTRYWINDOW"), &first);
  RegisterClassDefinition(&second);
  EXPECT_EQ(LookupClassDefinition("RegistryWindow"), &second);
  EXPECT_EQ(LookupClassDefinition("RegistryWindows"), nullptr);
  qvtest::ReportCapture reports;
  RegisterClassDefinition(nullptr);
  EXPECT_TRUE(reports.HasCondition("defn"));
}

TEST(ClassRegistryTest, MethodsItemsInitializerAndFinalizerBecomeExports) {
  static ObjectDefinition definition;
  definition.className = "RegistryExporter";
  auto* method = new ObjectMethod;
  method->row.a = Code(&RegistryTestMethod, "RegistryTestMethod");
  method->row.b = Code(&RegistryTestAssigns, "RegistryTestAssigns");
  auto* unnamed = new ObjectMethod;  // a function without an export name stays private
  unnamed->row.a = Code(&RegistryTestMethod, nullptr);
  method->next = unnamed;
  definition.ReplaceMethods(method);
  auto* item = new InstanceVariable;
  item->getter = reinterpret_cast<void*>(&RegistryTestGetter);
  item->getterExportName = "RegistryTestGetter";
  item->setterExportName = "RegistryTestMissingSetter";  // no function: no export
  definition.SetItems(item);
  definition.initializer = Code(&RegistryTestInitializer, "RegistryTestInitializer");
  RegisterClassDefinition(&definition);

  const std::pair<const char*, void (*)()> expected[] = {
      {"RegistryTestMethod", &RegistryTestMethod},
      {"registrytestassigns", &RegistryTestAssigns},
      {"RegistryTestGetter", &RegistryTestGetter},
      {"RegistryTestInitializer", &RegistryTestInitializer},
  };
  for (const auto& [name, function] : expected) {
    const RelocEntry* entry = LookupExportEntry(name);
    ASSERT_NE(entry, nullptr) << name;
    EXPECT_EQ(entry->code, reinterpret_cast<void*>(function)) << name;
  }
  EXPECT_EQ(LookupExportEntry("RegistryTestMissingSetter"), nullptr);
}

TEST(ClassRegistryTest, ModuleChecksReportAndStillRegister) {
  static ObjectDefinition plain, sized, second;
  plain.className = "RegistryModule";
  plain.objectSize = 0;
  {
    qvtest::ReportCapture reports;
    RegisterModuleDefinition(&plain);
    EXPECT_TRUE(reports.empty());
  }
  sized.className = "RegistrySizedModule";  // objectSize keeps its default of 24
  sized.super = &plain;
  sized.initializer = Code(&RegistryTestInitializer, nullptr);
  {
    qvtest::ReportCapture reports;
    RegisterModuleDefinition(&sized);
    EXPECT_TRUE(reports.HasCondition("0 == defn->objectSize"));
    EXPECT_TRUE(reports.HasCondition("NULL == defn->super"));
    EXPECT_TRUE(reports.HasCondition("NULL == defn->initializer.toc"));
    EXPECT_EQ(reports.count(), 3u);
  }
  EXPECT_EQ(LookupModuleDefinition("registrysizedmodule"), &sized);
  EXPECT_EQ(LookupClassDefinition("RegistrySizedModule"), nullptr);

  second.className = "REGISTRYMODULE";
  second.objectSize = 0;
  qvtest::ReportCapture reports;
  RegisterModuleDefinition(&second);
  EXPECT_TRUE(reports.HasCondition("not gIntrinsicModuleMap->HasEntry( defn->className )"));
  EXPECT_EQ(LookupModuleDefinition("RegistryModule"), &second);
}

}  // namespace
