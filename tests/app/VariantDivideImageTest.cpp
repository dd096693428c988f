// Integer division by zero in every integer column of the variant operators, raised to a
// handler in a packed image's compiled frames: nothing traps, the handler sees the exception
// with its message, and the application goes on.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "app/ImageEntry.h"
#include "core/Export.h"
#include "values/VariantOperators.h"
#include "values/VariantTestSupport.h"
#include "image/ApplicationImage.h"
#include "support/TestSupport.h"

namespace {

using Operator = RuntimeObject* (*)(RuntimeObject*, RuntimeObject*);

struct DivisionCase {
  Operator op;
  RuntimeObject* a;
  RuntimeObject* b;
};
std::vector<DivisionCase> gCases;

}  // namespace

extern "C" Operator VariantCaseOperator(int32_t index) {
  return index >= 0 && size_t(index) < gCases.size() ? gCases[size_t(index)].op : nullptr;
}
QV_EXPORT(VariantCaseOperator)

extern "C" RuntimeObject* VariantCaseOperand(int32_t index, int32_t side) {
  return side == 0 ? gCases.at(size_t(index)).a : gCases.at(size_t(index)).b;
}
QV_EXPORT(VariantCaseOperand)

extern "C" void VariantCaseResult(int32_t index, RuntimeObject* result) {
  std::printf("%d result %s\n", index, qvtest::DescribeVariant(result).c_str());
  RuntimeUnlockObject(result);
}
QV_EXPORT(VariantCaseResult)

extern "C" void VariantCaseException(int32_t index, RuntimeObject* exception) {
  std::printf("%d caught %s: %s\n", index, stringStorage::CString(exception->classPtr->className),
              stringStorage::CString(AsException(exception)->message));
}
QV_EXPORT(VariantCaseException)

extern "C" void VariantCaseRecord(int32_t key, int32_t value) {
  std::printf("%d=%d\n", key, value);
}
QV_EXPORT(VariantCaseRecord)

namespace {

TEST(VariantDivideImageTest, DivisionByZeroInEveryIntegerColumnReachesTheImagesHandler) {
  std::string output;
  const int status = qvtest::RunInChild(
      [] {
        if (chdir(VARIANTAPP_DIR) != 0) _exit(90);
        gCases = {
            {VariantIntegerDivide, Int32ToVariant(7), Int32ToVariant(0)},
            {VariantModulo, Int32ToVariant(7), UInt32ToVariant(0)},
            {VariantIntegerDivide, Int64ToVariant(7), Int64ToVariant(0)},
            {VariantModulo, UInt64ToVariant(7), Int64ToVariant(0)},
            {VariantIntegerDivide, CurrencyToVariant(70000), CurrencyToVariant(5000)},
            {VariantModulo, CurrencyToVariant(70000), CurrencyToVariant(0)},
            {VariantDivide, CurrencyToVariant(70000), CurrencyToVariant(0)},
            {VariantIntegerDivide, StringToVariant(string("7").Storage()),
             StringToVariant(string("0").Storage())},
            {VariantModuloRight, Int32ToVariant(0), DoubleToVariant(7.5)},
            {VariantIntegerDivide, Int32ToVariant(INT32_MIN), Int32ToVariant(-1)},
            {VariantIntegerDivide, Int64ToVariant(INT64_MIN), Int64ToVariant(-1)},
            {VariantIntegerDivide, Int32ToVariant(7), Int32ToVariant(2)},
        };
        qvtest::ReportCapture reports;
        const bool loaded = RunApplicationImage("/proc/self/exe");
        for (const auto& report : reports.reports())
          std::printf("report %s\n", report.condition.c_str());
        std::printf("loaded=%d\n", loaded ? 1 : 0);
        std::fflush(stdout);
        _exit(0);
      },
      &output);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  std::string expected;
  for (int i = 0; i <= 10; ++i) {
    const char* message =
        i < 9 ? "Division by zero" : "Integer division overflow: the quotient does not fit";
    expected += std::to_string(i) + " result nil\n" + std::to_string(i) +
                " caught RuntimeException: " + message + "\n";
  }
  expected += "11 result Int32 3\n100=12\nloaded=1\n";
  EXPECT_EQ(output, expected);
}

}  // namespace
