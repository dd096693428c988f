// The numeric conversions and the 64-bit and Currency arithmetic against vectors that Python
// computes at test time with unbounded integers and IEEE doubles (numeric_vectors.py).
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "core/Int64Arithmetic.h"
#include "core/NumericConversions.h"

extern char** environ;

namespace {

// Runs python3 on the vector script without a shell and returns what it printed.
std::string RunVectorScript(const std::string& seed, const std::string& count) {
  std::string script =
      (std::filesystem::path(__FILE__).parent_path() / "numeric_vectors.py").string();
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return "";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  char* argv[] = {const_cast<char*>("python3"), script.data(), const_cast<char*>(seed.c_str()),
                  const_cast<char*>(count.c_str()), nullptr};
  pid_t child;
  int spawned = posix_spawnp(&child, "python3", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  std::string output;
  char buffer[2048];
  for (ssize_t got; spawned == 0 && (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    output.append(buffer, static_cast<size_t>(got));
  close(pipeEnds[0]);
  int status = 0;
  if (spawned == 0) waitpid(child, &status, 0);
  return spawned == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? output : "";
}

int64_t S(uint64_t bits) { return static_cast<int64_t>(bits); }

double D(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Storing through memcpy rounds nothing further: the functions already return doubles.
uint64_t Bits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

using Operation = std::function<uint64_t(uint64_t, uint64_t)>;

const std::map<std::string, Operation>& Operations() {
  static const std::map<std::string, Operation> operations = {
      {"MulSInt64", [](uint64_t a, uint64_t b) { return uint64_t(RuntimeMulSInt64(S(a), S(b))); }},
      {"DivSInt64", [](uint64_t a, uint64_t b) { return uint64_t(RuntimeDivSInt64(S(a), S(b))); }},
      {"ModSInt64", [](uint64_t a, uint64_t b) { return uint64_t(RuntimeModSInt64(S(a), S(b))); }},
      {"DivUInt64", [](uint64_t a, uint64_t b) { return RuntimeDivUInt64(a, b); }},
      {"ModUInt64", [](uint64_t a, uint64_t b) { return RuntimeModUInt64(a, b); }},
      {"MulCurrency",
       [](uint64_t a, uint64_t b) { return uint64_t(RuntimeMulCurrency(S(a), S(b))); }},
      {"DivCurrency",
       [](uint64_t a, uint64_t b) { return uint64_t(RuntimeDivCurrency(S(a), S(b))); }},
      {"SInt64ToReal64", [](uint64_t a, uint64_t) { return Bits(RuntimeCvtSInt64ToReal64(S(a))); }},
      {"UInt64ToReal64", [](uint64_t a, uint64_t) { return Bits(RuntimeCvtUInt64ToReal64(a)); }},
      {"SInt64ToCurrency",
       [](uint64_t a, uint64_t) { return uint64_t(RuntimeCvtSInt64ToCurrency(S(a))); }},
      {"UInt64ToCurrency",
       [](uint64_t a, uint64_t) { return uint64_t(RuntimeCvtUInt64ToCurrency(a)); }},
      {"CurrencyToSInt64",
       [](uint64_t a, uint64_t) { return uint64_t(RuntimeCvtCurrencyToSInt64(S(a))); }},
      {"CurrencyToSInt32",
       [](uint64_t a, uint64_t) { return uint64_t(uint32_t(RuntimeCvtCurrencyToSInt32(S(a)))); }},
      {"CurrencyToReal64",
       [](uint64_t a, uint64_t) { return Bits(RuntimeCvtCurrencyToReal64(S(a))); }},
      {"Real64ToSInt32",
       [](uint64_t a, uint64_t) { return uint64_t(int64_t(RuntimeCvtReal64ToSInt32(D(a)))); }},
      {"Real64ToUInt32", [](uint64_t a, uint64_t) { return uint64_t(RuntimeCvtReal64ToUInt32(D(a))); }},
      {"Real64ToSInt64", [](uint64_t a, uint64_t) { return uint64_t(RuntimeCvtReal64ToSInt64(D(a))); }},
      {"Real64ToUInt64", [](uint64_t a, uint64_t) { return RuntimeCvtReal64ToUInt64(D(a)); }},
      {"Real64ToCurrency",
       [](uint64_t a, uint64_t) { return uint64_t(RuntimeCvtReal64ToCurrency(D(a))); }},
  };
  return operations;
}

TEST(NumericVectors, EveryOperationAgreesWithPython) {
  std::string vectors = RunVectorScript("1105", "2500");
  ASSERT_FALSE(vectors.empty()) << "python3 numeric_vectors.py produced nothing";
  std::istringstream lines(vectors);
  std::map<std::string, int> checked;
  std::string name, a, b, expected;
  int failures = 0;
  while (lines >> name >> a >> b >> expected) {
    auto found = Operations().find(name);
    ASSERT_NE(found, Operations().end()) << "unknown operation " << name;
    uint64_t got = found->second(std::stoull(a, nullptr, 16), std::stoull(b, nullptr, 16));
    if (got != std::stoull(expected, nullptr, 16) && ++failures <= 20) {
      ADD_FAILURE() << name << "(" << a << ", " << b << ") gave " << std::hex << got
                    << ", expected " << expected;
    }
    ++checked[name];
  }
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(checked.size(), Operations().size());
  for (const auto& [operation, count] : checked) EXPECT_EQ(count, 2500) << operation;
}

}  // namespace
