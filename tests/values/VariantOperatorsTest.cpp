// Every operator on every pair of boxed types (nil and a plain object among them), and the
// Double text over random doubles, against variant_model.py: a Python model of the rules.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

#include "core/TestClasses.h"
#include "values/VariantTestSupport.h"
#include "values/VariantConversions.h"
#include "values/VariantOperators.h"
#include "support/TestSupport.h"

namespace {

std::string Model(std::vector<std::string> arguments) {
  arguments.insert(
      arguments.begin(),
      {"python3", std::filesystem::path(__FILE__).replace_filename("variant_model.py")});
  return qvtest::ProgramOutput(arguments);
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
    {"Not", [](RuntimeObject* a, RuntimeObject*) { return VariantNot(a); }},
    {"Negate", [](RuntimeObject* a, RuntimeObject*) { return VariantNegate(a); }}};

// Reals agree to a relative 1e-12 (Single 1e-6): pow's last bit may differ between libraries.
bool Agrees(const std::string& expected, const std::string& actual) {
  if (expected == actual) return true;
  const std::string kind = expected.substr(0, 7);
  if ((kind != "Double " && kind != "Single ") || actual.substr(0, 7) != kind) return false;
  // Read as written, with ".", whatever the locale the tests run under.
  auto number = [](const std::string& text) {
    double value = NAN;
    std::from_chars(text.data() + 7, text.data() + text.size(), value);
    return value;
  };
  const double x = number(expected), y = number(actual);
  if (std::isnan(x)) return std::isnan(y);  // printf may sign a NaN
  return std::isfinite(x) && std::fabs(x - y) <= (kind == "Single " ? 1e-6 : 1e-12) * std::fabs(x);
}

TEST(VariantOperators, EveryOperatorOnEveryPairOfTypesFollowsTheModel) {
  const std::string model = Model({});
  ASSERT_NE(model, "") << "python3 variant_model.py did not run";
  qvtest::RaisedExceptions raised;
  qvtest::HeldVariants held;
  const std::map<std::string, RuntimeObject*> samples = {
      {"nil", nullptr},
      {"Int32", held(Int32ToVariant(7))},
      {"UInt32", held(UInt32ToVariant(4000000000u))},
      {"Int64", held(Int64ToVariant(-5000000000))},
      {"UInt64", held(UInt64ToVariant((uint64_t{1} << 63) + 5))},
      {"Single", held(SingleToVariant(2.5f))},
      {"Double", held(DoubleToVariant(-1.75))},
      {"Currency", held(CurrencyToVariant(15000))},
      {"String", held.Text("12")},
      {"Boolean", held(BooleanToVariant(1))},
      {"Color", held(ColorToVariant(0x10))},
      {"Object", held(RuntimeNewObject(qvtest::MakeClass(nullptr, "PlainObject")))}};
  std::istringstream lines(model);
  std::string op, left, right, expected, actual;
  int checked = 0;
  for (; lines >> op >> left >> right && std::getline(lines >> std::ws, expected); ++checked) {
    RuntimeObject* a = samples.at(left);
    RuntimeObject* b = right == "-" ? nullptr : samples.at(right);
    if (op == "Compare") {
      actual = "Order " + std::to_string(VariantCompare(a, b));
    } else {
      RuntimeObject* result = kBinary.at(op)(a, b);
      actual = qvtest::DescribeVariant(result);
      RuntimeUnlockObject(result);
    }
    // A raise answers the neutral value: nil, or the order 0.
    const std::string exception = raised.TakeOne();
    if (!exception.empty()) {
      actual = (actual == "nil" || actual == "Order 0" ? "raise " : "raise, yet " + actual + ": ") +
               exception;
    }
    EXPECT_TRUE(Agrees(expected, actual))
        << op << " " << left << " " << right << ": model " << expected << ", framework " << actual;
    // Equals is Compare's 0, and false where the two do not compare.
    if (op == "Compare") {
      EXPECT_EQ(VariantEqual(a, b) != 0, expected == "Order 0") << left << " " << right;
    }
    raised.Take();
  }
  EXPECT_EQ(checked, 2328);
}

TEST(VariantOperators, DoubleTextFollowsTheModelOverRandomDoubles) {
  std::istringstream lines(Model({"texts", "20240611", "3000"}));
  std::string bits, expected;
  int checked = 0;
  for (; lines >> bits >> expected; ++checked) {
    const uint64_t pattern = std::strtoull(bits.c_str(), nullptr, 16);
    double value;
    std::memcpy(&value, &pattern, sizeof value);
    qvtest::HeldVariants held;
    stringStorage* text = VariantToString(held(DoubleToVariant(value)));
    EXPECT_STREQ(stringStorage::CString(text), expected.c_str()) << bits;
    stringStorage::RemoveReference(text);
  }
  EXPECT_EQ(checked, 3000) << "python3 variant_model.py printed too little";
}

}  // namespace
