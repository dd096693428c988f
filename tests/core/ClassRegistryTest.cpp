// The class and module registries: names ignore case, later registrations replace, module
// checks report without refusing, and every named function of a definition becomes an export.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "core/ClassRegistry.h"
#include "core/ExportRegistry.h"
#include "support/TestSupport.h"

namespace {

extern "C" void RegistryTestMethod() {}
extern "C" void RegistryTestGetter() {}

TEST(ClassRegistryTest, NamesIgnoreCaseAndTheLaterRegistrationReplaces) {
  const int status = qvtest::RunInChild([] {
    DestroyClassRegistry();
    _exit(LookupClassDefinition("Window") ? 1 : 0);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  static ObjectDefinition first, second;
  first.className = "RegistryWindow";
  second.className = "registrywindow";
  RegisterClassDefinition(&first);
  EXPECT_EQ(LookupClassDefinition("REGISTRYWINDOW"), &first);
  RegisterClassDefinition(&second);
  EXPECT_EQ(LookupClassDefinition("RegistryWindow"), &second);
  EXPECT_EQ(LookupClassDefinition("RegistryWindows"), nullptr);
}

TEST(ClassRegistryTest, MethodsItemsInitializerAndFinalizerBecomeExports) {
  static ObjectDefinition definition;
  definition.className = "RegistryExporter";
  auto* method = new ObjectMethod;
  method->row.a = {reinterpret_cast<void*>(&RegistryTestMethod), "RegistryTestMethod", 0, {}};
  // A function without an export name stays private.
  method->row.b = {reinterpret_cast<void*>(&RegistryTestGetter), nullptr, 0, {}};
  definition.ReplaceMethods(method);
  auto* item = new InstanceVariable;
  item->getter = reinterpret_cast<void*>(&RegistryTestGetter);
  item->getterExportName = "RegistryTestGetter";
  item->setterExportName = "RegistryTestMissingSetter";  // no function: no export
  definition.SetItems(item);
  definition.finalizer = method->row.a;
  definition.finalizer.exportName = "RegistryTestFinalizer";
  RegisterClassDefinition(&definition);
  EXPECT_EQ(LookupExportEntry("registrytestmethod")->code,
            reinterpret_cast<void*>(&RegistryTestMethod));
  EXPECT_EQ(LookupExportEntry("RegistryTestGetter")->code,
            reinterpret_cast<void*>(&RegistryTestGetter));
  EXPECT_EQ(LookupExportEntry("RegistryTestFinalizer")->code,
            reinterpret_cast<void*>(&RegistryTestMethod));
  EXPECT_EQ(LookupExportEntry("RegistryTestMissingSetter"), nullptr);
}

// A module with fields it does not need still works and is registered; a second module of a
// taken name is refused, so that the name keeps meaning the first.
TEST(ClassRegistryTest, ModuleChecksReportAndStillRegisterButATakenNameIsRefused) {
  static ObjectDefinition plain, sized, second;
  plain.className = "RegistryModule";
  plain.objectSize = 0;
  sized.className = "RegistrySizedModule";  // objectSize keeps its default of 24
  sized.super = &plain;
  second.className = "REGISTRYMODULE";
  second.objectSize = 0;
  qvtest::ReportCapture reports;
  RegisterModuleDefinition(&plain);
  RegisterModuleDefinition(&sized);
  EXPECT_TRUE(reports.HasCondition("0 == defn->objectSize"));
  EXPECT_TRUE(reports.HasCondition("NULL == defn->super"));
  EXPECT_EQ(reports.count(), 2u);
  RegisterModuleDefinition(&second);
  EXPECT_TRUE(reports.HasCondition("not gIntrinsicModuleMap->HasEntry( defn->className )"));
  EXPECT_EQ(LookupModuleDefinition("registrysizedmodule"), &sized);
  EXPECT_EQ(LookupModuleDefinition("RegistryModule"), &plain);
  EXPECT_EQ(LookupClassDefinition("RegistrySizedModule"), nullptr);
}

}  // namespace
