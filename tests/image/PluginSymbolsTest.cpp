// The framework's functions are reached through its tables, never by symbol name: neither the
// executable nor a program linked like it names one in its dynamic symbol table, so a plug-in
// that defines intGetter or rnd for itself calls its own.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "core/ExportRegistry.h"
#include "core/FieldAccessors.h"
#include "values/Random.h"
#include "support/TestSupport.h"

namespace {

TEST(PluginSymbols, APlugInsOwnFunctionsBindToThePlugIn) {
  ASSERT_NE(LookupExportEntry("intGetter"), nullptr) << "the framework has its own intGetter";
  ASSERT_NE(LookupExportEntry("rnd"), nullptr) << "and its own rnd";
  EXPECT_EQ(dlsym(RTLD_DEFAULT, "intGetter"), nullptr);
  EXPECT_EQ(dlsym(RTLD_DEFAULT, "RuntimeRaiseException"), nullptr);
  void* plugin = dlopen(OWNCALLS_LIBRARY, RTLD_LAZY);
  ASSERT_NE(plugin, nullptr) << dlerror();
  auto result = reinterpret_cast<int (*)()>(dlsym(plugin, "OwnCallsResult"));
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result(), 104002);
  EXPECT_NE(dlsym(plugin, "intGetter"), reinterpret_cast<void*>(&intGetter));
  dlclose(plugin);
}

// The executable's dynamic symbol table holds no name of the export table.
TEST(PluginSymbols, TheExecutableExportsNoFrameworkName) {
  const std::string symbols =
      qvtest::ProgramOutput({"nm", "-D", "--defined-only", QVRUNTIME_EXECUTABLE});
  ASSERT_NE(symbols.find("_IO_stdin_used"), std::string::npos) << "nm did not read it";
  std::istringstream lines(symbols);
  std::string found;
  for (std::string line; std::getline(lines, line);) {
    const std::string name = line.substr(line.find_last_of(' ') + 1);
    if (LookupExportEntry(name.c_str())) found += name + " ";
  }
  EXPECT_EQ(found, "");
}

}  // namespace
