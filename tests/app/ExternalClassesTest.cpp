// Start-up's class registration, in a child: it makes every later raise of the process real.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/ExternalClasses.h"
#include "core/ClassRegistry.h"
#include "core/ExceptionClasses.h"
#include "core/GlobalFunctions.h"
#include "support/TestSupport.h"

namespace {

TEST(ExternalClassesTest, RegistersExceptionsGlobalFunctionsAndControlClasses) {
  std::string output;
  const int status = qvtest::RunInChild(
      [] {
        qvtest::ReportCapture reports;  // registering reports nothing, a second call neither
        RuntimeInitExternalClasses();
        RuntimeInitExternalClasses();
        EXPECT_TRUE(reports.empty());
        for (const char* name :
             {"RuntimeException", "nilobjectexception", "ThreadEndException", "Object"}) {
          EXPECT_NE(LookupClassDefinition(name), nullptr) << name;
        }
        EXPECT_EQ(LookupClassDefinition("TypeMismatchException")->super,
                  RuntimeExceptionDefinition());
        EXPECT_EQ(GlobalFunctionCount(), 261u);
        EXPECT_NE(NilObjectExceptionClass(), nullptr);
        std::fflush(stdout);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      &output);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
}

}  // namespace
