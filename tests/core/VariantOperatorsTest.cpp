// Every operator on every pair of boxed types (nil and a plain object included) against
// variant_model.py, a Python model written from the rules, and the Double text rule against
// the same model over random doubles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "TestClasses.h"
#include "VariantTestSupport.h"
#include "core/VariantConversions.h"
#include "core/VariantOperators.h"
#include "support/TestSupport.h"

namespace {

std::string Model(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {
      "python3", (std::filesystem::path(__FILE__).parent_path() / "variant_model.py").string()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return qvtest::ProgramOutput(argv);
}

// The samples the model describes, by name.
std::map<std::string, RuntimeObject*> MakeSamples() {
  static RuntimeClass* plain = qvtest::MakeClass(nullptr, "PlainObject");
  return {
      {"nil", nullptr},
      {"Int32", Int32ToVariant(7)},
      {"UInt32", UInt32ToVariant(4000000000u)},
      {"Int64", Int64ToVariant(-5000000000)},
      {"UInt64", UInt64ToVariant((uint64_t{1} << 63) + 5)},
      {"Single", SingleToVariant(2.5f)},
      {"Double", DoubleToVariant(-1.75)},
      {"Currency", CurrencyToVariant(15000)},
      {"String", StringToVariant(string("12").Storage())},
      {"Boolean", BooleanToVariant(1)},
      {"Color", ColorToVariant(0x10)},
      {"Object", RuntimeNewObject(plain)},
  };
}

using Binary = RuntimeObject* (*)(RuntimeObject*, RuntimeObject*);
const std::map<std::string, Binary> kBinary = {
    {"Add", VariantAdd},
    {"Subtract", VariantSubtract},
    {"Multiply", VariantMultiply},
    {"Divide", VariantDivide},
    {"IntegerDivide", VariantIntegerDivide},
    {"Modulo", VariantModulo},
    {"Power", VariantPower},
    {"AddRight", VariantAddRight},
    {"SubtractRight", VariantSubtractRight},
    {"DivideRight", VariantDivideRight},
    {"IntegerDivideRight", VariantIntegerDivideRight},
    {"ModuloRight", VariantModuloRight},
    {"PowerRight", VariantPowerRight},
    {"And", VariantAnd},
    {"Or", VariantOr},
};

// Floating results agree to a relative 1e-12 (Single: 1e-6): pow may differ in its last bit
// between libraries. Everything else agrees exactly.
bool Agrees(const std::string& expected, const std::string& actual) {
  if (expected == actual) return true;
  const bool single = expected.rfind("Single ", 0) == 0;
  if (!single && expected.rfind("Double ", 0) != 0) return false;
  if (actual.substr(0, 7) != expected.substr(0, 7)) return false;
  const double x = std::strtod(expected.c_str() + 7, nullptr);
  const double y = std::strtod(actual.c_str() + 7, nullptr);
  if (std::isnan(x) || std::isnan(y)) return std::isnan(x) && std::isnan(y);
  if (x == y) return std::signbit(x) == std::signbit(y);
  return std::fabs(x - y) <= (single ? 1e-6 : 1e-12) * std::fabs(x);
}

TEST(VariantOperators, EveryOperatorOnEveryPairOfTypesFollowsTheModel) {
  const std::string model = Model({});
  ASSERT_NE(model, "") << "python3 variant_model.py did not run";
  qvtest::RaisedExceptions raised;
  std::map<std::string, RuntimeObject*> samples = MakeSamples();
  std::istringstream lines(model);
  std::string op, left, right, expected;
  int checked = 0;
  while (lines >> op >> left >> right && std::getline(lines, expected)) {
    expected = expected.substr(1);
    RuntimeObject* a = samples.at(left);
    RuntimeObject* b = right == "-" ? nullptr : samples.at(right);
    std::string actual, exception;
    if (op == "Compare") {
      actual = "Order " + std::to_string(VariantCompare(a, b));
      exception = raised.TakeOne();
      // Equals is Compare's 0, and false where the two do not compare.
      EXPECT_EQ(VariantEqual(a, b) != 0, expected == "Order 0") << left << " = " << right;
      raised.Take();
    } else {
      RuntimeObject* result = op == "Not"      ? VariantNot(a)
                              : op == "Negate" ? VariantNegate(a)
                                               : kBinary.at(op)(a, b);
      actual = qvtest::DescribeVariant(result);
      exception = raised.TakeOne();
      RuntimeUnlockObject(result);
    }
    // A raise answers nil (Compare: 0).
    if (!exception.empty()) {
      const bool neutral = actual == "nil" || actual == "Order 0";
      actual = (neutral ? "raise " : "raise and answer " + actual + ": ") + exception;
    }
    EXPECT_TRUE(Agrees(expected, actual)) << op << " " << left << " " << right << ": model "
                                          << expected << ", framework " << actual;
    ++checked;
  }
  EXPECT_GT(checked, 2000);
  for (auto& [name, sample] : samples) RuntimeUnlockObject(sample);
}

// The exponent form with all 17 digits, trailing zeros and a zero exponent dropped.
TEST(VariantOperators, DoubleTextFollowsTheModelOverRandomDoubles) {
  const std::string model = Model({"texts", "20240611", "4000"});
  ASSERT_NE(model, "") << "python3 variant_model.py did not run";
  std::istringstream lines(model);
  std::string bitsText, expected;
  int checked = 0;
  while (lines >> bitsText >> expected) {
    const uint64_t bits = std::strtoull(bitsText.c_str(), nullptr, 16);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    RuntimeObject* variant = DoubleToVariant(value);
    stringStorage* text = VariantToString(variant);
    EXPECT_STREQ(stringStorage::CString(text), expected.c_str()) << bitsText;
    stringStorage::RemoveReference(text);
    RuntimeUnlockObject(variant);
    ++checked;
  }
  EXPECT_EQ(checked, 4000);
}

}  // namespace
