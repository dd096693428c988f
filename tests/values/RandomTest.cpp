// Random numbers and the math intrinsics: Rnd's published check value, the Random class's
// additive generator and ziggurat against a Python model, the Gaussian's moments and quantiles,
// and the edges of the system library functions as the language defines them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sstream>

#include "arrays/RuntimeArray.h"
#include "values/MathFunctions.h"
#include "core/ObjectDefinitionConverter.h"
#include "values/Random.h"
#include "values/RandomClass.h"
#include "core/Ticks.h"
#include "support/TestSupport.h"

namespace {

std::string Model(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {
      "python3", (std::filesystem::path(__FILE__).parent_path() / "random_model.py").string()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return qvtest::ProgramOutput(argv);
}

struct Generator {
  RandomObject* object =
      reinterpret_cast<RandomObject*>(NewObjectFromDefinition(RandomClassDefinition()));
  Generator() { RandomConstructor(object); }
  explicit Generator(double seed) : Generator() { RandomSeedSetter(object, 0, seed); }
  ~Generator() { RuntimeUnlockObject(&object->header); }
};

// Park and Miller's check: from 1, the next state is 16807, and step 10,000 is 1043618065.
TEST(Rnd, MinimalStandardCheckValues) {
  const int32_t saved = RndState();
  SetRndState(1);
  const double first = rnd();
  EXPECT_EQ(RndState(), 16807);
  EXPECT_EQ(first, (16807 & 0xFFFFF) / 1048576.0);
  for (int i = 1; i < 10000; ++i) rnd();
  EXPECT_EQ(RndState(), 1043618065);
  SetRndState(saved);
}

TEST(RandomClass, NumbersAgreeWithTheModelForSeveralSeeds) {
  const std::vector<std::string> seeds = {"1", "0", "12345.9", "-7", "4294967295", "1e10",
                                          "31415926"};
  std::vector<std::string> arguments = {"numbers", "300"};
  arguments.insert(arguments.end(), seeds.begin(), seeds.end());
  std::istringstream lines(Model(arguments));
  std::string line;
  size_t seen = 0;
  for (; seen < seeds.size() && std::getline(lines, line); ++seen) {
    Generator generator(std::stod(seeds[seen]));
    std::istringstream values(line);
    uint32_t value;
    int drawn = 0;
    while (values >> value) {
      ASSERT_EQ(RandomNumber(generator.object), value / 1e8) << seeds[seen] << " #" << drawn;
      ++drawn;
    }
    EXPECT_EQ(drawn, 300);
  }
  EXPECT_EQ(seen, seeds.size()) << "python3 random_model.py printed too little";
}

TEST(RandomClass, SeedsRangesAndRandomizeSeed) {
  Generator a(99), b(99);
  RandomizeSeed(b.object);  // sets Seed only: the sequence goes on unchanged
  EXPECT_TRUE(b.object->seed >= 0 && b.object->seed < 4294967295.0);
  EXPECT_EQ(b.object->seed, std::trunc(b.object->seed));
  for (int i = 0; i < 50; ++i) EXPECT_EQ(RandomNumber(a.object), RandomNumber(b.object));
  int seen[8] = {};
  for (int i = 0; i < 2000; ++i) {
    ++seen[std::clamp(RandomNumberInRangeMinMax(a.object, 1, 6), 0, 7)];
    ++seen[RandomNumberLessThan(a.object, 0) == 0 ? 0 : 7];
  }
  EXPECT_EQ(seen[0], 2000);
  EXPECT_EQ(seen[7], 0);
  for (int face = 1; face <= 6; ++face) EXPECT_GT(seen[face], 200) << face;
}

TEST(RandomClass, ZigguratTablesAndGaussianDistribution) {
  std::istringstream lines(Model({"ziggurat"}));
  double expected;
  for (int i = 0; i <= kZigguratLayers; ++i) {
    ASSERT_TRUE(lines >> expected) << "python3 random_model.py printed too little";
    EXPECT_NEAR(ZigguratEdges()[i], expected, 1e-13 * (1 + expected)) << "X" << i;
  }
  for (int i = 0; i < kZigguratLayers; ++i) {
    ASSERT_TRUE(lines >> expected);
    EXPECT_NEAR(ZigguratRatios()[i], expected, 1e-13) << "K" << i;
  }
  // 10^6 draws: mean and variance within five standard errors, and two tail quantiles of the
  // normal distribution (a wrong layer or tail shows in these).
  Generator generator(20240601);
  constexpr int kDraws = 1000000;
  double sum = 0, squares = 0;
  int belowMinus2 = 0, beyondTail = 0;
  for (int i = 0; i < kDraws; ++i) {
    const double x = RandomGaussian(generator.object);
    ASSERT_TRUE(std::isfinite(x));
    sum += x;
    squares += x * x;
    belowMinus2 += x < -2;
    beyondTail += std::fabs(x) > 3.442619855899;
  }
  const double mean = sum / kDraws, variance = squares / kDraws - mean * mean;
  EXPECT_NEAR(mean, 0, 0.005);
  EXPECT_NEAR(variance, 1, 0.007);
  EXPECT_NEAR(belowMinus2 / double(kDraws), 0.0227501, 0.0008);
  EXPECT_NEAR(beyondTail / double(kDraws), 0.000576, 0.00013);
}

TEST(MathFunctions, LibraryEdgesAsTheLanguageDefinesThem) {
  EXPECT_TRUE(std::isnan(RuntimeACos(2)) && std::isnan(RuntimeASin(-1.5)));
  EXPECT_TRUE(std::isnan(RuntimeSqrt(-1)) && std::isnan(RuntimeAbs(NAN)));
  EXPECT_DOUBLE_EQ(RuntimeATan(1), M_PI / 4);
  EXPECT_DOUBLE_EQ(RuntimeATan2(1, -1), 3 * M_PI / 4);
  EXPECT_TRUE(RuntimeCeil(-0.5) == 0 && std::signbit(RuntimeCeil(-0.5)));
  EXPECT_EQ(RuntimeRound(2.5), 3.0);
  EXPECT_EQ(RuntimeRound(-2.5), -3.0);
  EXPECT_EQ(RuntimeRound(0.49999999999999994), 0.0);
  EXPECT_TRUE(std::signbit(RuntimeAbs(-0.0)));
  EXPECT_EQ(RuntimeAbs(-3), 3.0);
  EXPECT_EQ(RuntimeSign(NAN), 0);
  EXPECT_EQ(RuntimeSign(-0.1), -1);
  // Max and Min: ties keep the second operand (told apart by the sign of zero), then any
  // further values replace the result only when strictly beyond it.
  EXPECT_TRUE(std::signbit(RuntimeMax(0.0, -0.0, nullptr)));
  EXPECT_TRUE(std::signbit(RuntimeMin(0.0, -0.0, nullptr)));
  EXPECT_FALSE(std::signbit(RuntimeMin(-0.0, 0.0, nullptr)));
  RuntimeArray* further = CreateArray(1, kArrayDouble, 3);
  const double values[] = {7, -2, 9, 9};
  std::memcpy(further->data, values, sizeof values);
  EXPECT_EQ(RuntimeMax(1, 2, further), 9.0);
  EXPECT_EQ(RuntimeMin(1, 2, further), -2.0);
  RuntimeUnlockArray(further);
}

// An empty array of further values leaves the two operands to decide: a fold that read one
// element too many would take what lies past the array's data.
TEST(MathFunctions, MaxAndMinWithAnEmptyArrayOfFurtherValues) {
  RuntimeArray* none = CreateArray(1, kArrayDouble, -1);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(RuntimeMax(3, 5, none), 5.0);
  EXPECT_EQ(RuntimeMin(3, 5, none), 3.0);
  EXPECT_EQ(RuntimeMax(-7, -8, none), -7.0);
  RuntimeUnlockArray(none);
}

// Floating point, so the count does not wrap as a 32-bit one would every 71 minutes.
TEST(MathFunctions, MicrosecondsCountTheTimeOfDay) {
  const double before = double(std::time(nullptr)) * 1e6;
  const double now = RuntimeMicroseconds();
  EXPECT_GE(now, before);
  EXPECT_LT(now, before + 2e6);
  EXPECT_GT(now, 4294967296.0);
}

}  // namespace
