// The numeric conversions and the 64-bit and Currency arithmetic against vectors that Python
// computes at test time with unbounded integers and IEEE doubles (numeric_vectors.py).
#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "core/Int64Arithmetic.h"
#include "core/NumericConversions.h"
#include "support/TestSupport.h"

namespace {

// Runs python3 on the vector script and returns what it printed.
std::string RunVectorScript(const char* seed, const char* count) {
  const std::string script =
      (std::filesystem::path(__FILE__).parent_path() / "numeric_vectors.py").string();
  return qvtest::ProgramOutput({"python3", script, seed, count});
}

int64_t S(uint64_t bits) { return static_cast<int64_t>(bits); }
double D(uint64_t bits) { return std::bit_cast<double>(bits); }
uint64_t Bits(double value) { return std::bit_cast<uint64_t>(value); }

TEST(NumericVectors, EveryOperationAgreesWithPython) {
  using U = uint64_t;
  const std::map<std::string, std::function<U(U, U)>> operations = {
      {"MulSInt64", [](U a, U b) { return U(RuntimeMulSInt64(S(a), S(b))); }},
      {"DivSInt64", [](U a, U b) { return U(RuntimeDivSInt64(S(a), S(b))); }},
      {"ModSInt64", [](U a, U b) { return U(RuntimeModSInt64(S(a), S(b))); }},
      {"DivUInt64", [](U a, U b) { return RuntimeDivUInt64(a, b); }},
      {"ModUInt64", [](U a, U b) { return RuntimeModUInt64(a, b); }},
      {"MulCurrency", [](U a, U b) { return U(RuntimeMulCurrency(S(a), S(b))); }},
      {"DivCurrency", [](U a, U b) { return U(RuntimeDivCurrency(S(a), S(b))); }},
      {"SInt64ToReal64", [](U a, U) { return Bits(RuntimeCvtSInt64ToReal64(S(a))); }},
      {"UInt64ToReal64", [](U a, U) { return Bits(RuntimeCvtUInt64ToReal64(a)); }},
      {"SInt64ToCurrency", [](U a, U) { return U(RuntimeCvtSInt64ToCurrency(S(a))); }},
      {"UInt64ToCurrency", [](U a, U) { return U(RuntimeCvtUInt64ToCurrency(a)); }},
      {"CurrencyToSInt64", [](U a, U) { return U(RuntimeCvtCurrencyToSInt64(S(a))); }},
      {"CurrencyToSInt32", [](U a, U) { return U(uint32_t(RuntimeCvtCurrencyToSInt32(S(a)))); }},
      {"CurrencyToReal64", [](U a, U) { return Bits(RuntimeCvtCurrencyToReal64(S(a))); }},
      {"Real64ToSInt32", [](U a, U) { return U(int64_t(RuntimeCvtReal64ToSInt32(D(a)))); }},
      {"Real64ToUInt32", [](U a, U) { return U(RuntimeCvtReal64ToUInt32(D(a))); }},
      {"Real64ToSInt64", [](U a, U) { return U(RuntimeCvtReal64ToSInt64(D(a))); }},
      {"Real64ToUInt64", [](U a, U) { return RuntimeCvtReal64ToUInt64(D(a)); }},
      {"Real64ToCurrency", [](U a, U) { return U(RuntimeCvtReal64ToCurrency(D(a))); }}};
  std::istringstream lines(RunVectorScript("1105", "2500"));
  std::map<std::string, int> checked;
  std::string name, a, b, expected;
  int failures = 0;
  while (lines >> name >> a >> b >> expected) {
    auto found = operations.find(name);
    ASSERT_NE(found, operations.end()) << "unknown operation " << name;
    const U got = found->second(std::stoull(a, nullptr, 16), std::stoull(b, nullptr, 16));
    if (got != std::stoull(expected, nullptr, 16) && ++failures <= 20)
      ADD_FAILURE() << name << "(" << a << ", " << b << ") gave " << std::hex << got
                    << ", expected " << expected;
    ++checked[name];
  }
  EXPECT_EQ(failures, 0);
  ASSERT_EQ(checked.size(), operations.size()) << "python3 numeric_vectors.py printed too little";
  for (const auto& [operation, count] : checked) EXPECT_EQ(count, 2500) << operation;
}

}  // namespace
