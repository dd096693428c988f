#include "values/RandomClass.h"

#include <cmath>
#include <ctime>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/NumericConversions.h"
#include "core/Startup.h"
#include "core/Ticks.h"

namespace {

using namespace lang;

constexpr uint32_t kModulus = 100000000;
constexpr uint32_t kMultiplier = 31415821;
constexpr int32_t kFarLag = 54;   // with the 55-entry ring: 1 place back
constexpr int32_t kNearLag = 23;  // 32 places back
constexpr int64_t kSeedModulus = 4294967295;

// Ziggurat of 128 layers for the standard normal: the tail starts at r; every layer has area v.
constexpr double kZigguratR = 3.442619855899;
constexpr double kZigguratV = 0.00991256303526217;

const PropertyRow kRandomProperties[] = {
    QV_PROPERTY("Seed", Double, doubleGetter, RandomSeedSetter, offsetof(RandomObject, seed)),
};
const MethodRow kRandomMethods[] = {
    QV_SUB("Constructor", RandomConstructor),
    QV_FUNCTION("Number", Double, RandomNumber),
    QV_FUNCTION("LessThan", Integer, RandomNumberLessThan, Param("range", Integer)),
    QV_FUNCTION("InRange", Integer, RandomNumberInRangeMinMax, Param("minRange", Integer),
                Param("maxRange", Integer)),
    QV_FUNCTION("Gaussian", Double, RandomGaussian),
    QV_SUB("RandomizeSeed", RandomizeSeed),
};

// p x q mod 10^8 in 32-bit arithmetic, each factor split at 10^4 so that no product overflows.
uint32_t MultiplyModulo(uint32_t p, uint32_t q) {
  const uint32_t p1 = p / 10000, p0 = p % 10000;
  const uint32_t q1 = q / 10000, q0 = q % 10000;
  return (((p0 * q1 + p1 * q0) % 10000) * 10000 + p0 * q0) % kModulus;
}

void SeedTable(RandomObject* random) {
  random->index = kRandomTableSize;
  random->table[0] = static_cast<uint32_t>(RuntimeCvtReal64ToSInt64(random->seed));
  for (int32_t i = 1; i < kRandomTableSize; ++i) {
    random->table[i] = (MultiplyModulo(random->table[i - 1], kMultiplier) + 1) % kModulus;
  }
}

struct Ziggurat {
  double edges[kZigguratLayers + 1];
  double ratios[kZigguratLayers];

  Ziggurat() {
    double f = std::exp(-0.5 * kZigguratR * kZigguratR);
    edges[0] = kZigguratV / f;
    edges[1] = kZigguratR;
    edges[kZigguratLayers] = 0;
    for (int32_t i = 2; i < kZigguratLayers; ++i) {
      edges[i] = std::sqrt(-2 * std::log(f + kZigguratV / edges[i - 1]));
      f = std::exp(-0.5 * edges[i] * edges[i]);
    }
    for (int32_t i = 0; i < kZigguratLayers; ++i) ratios[i] = edges[i + 1] / edges[i];
  }
};

const Ziggurat& TheZiggurat() {
  static const Ziggurat ziggurat;
  return ziggurat;
}

// A draw in (0, 1): the tail takes logarithms, and log 0 would give an infinite deviate.
double PositiveNumber(RandomObject* random) {
  double u;
  do {
    u = RandomNumber(random);
  } while (u == 0);
  return u;
}

// A deviate from the tail beyond r, on the side that u chose.
double Tail(RandomObject* random, double u) {
  double x, y;
  do {
    x = std::log(PositiveNumber(random)) / kZigguratR;
    y = std::log(PositiveNumber(random));
  } while (-2 * y < x * x);
  return u <= 0 ? x - kZigguratR : kZigguratR - x;
}

}  // namespace

QV_CLASS(RandomClassDefinition,
         .name = "Random",
         .objectSize = sizeof(RandomObject),
         .properties = kRandomProperties,
         .methods = kRandomMethods)
QV_STARTUP_CLASS(kStartupRandomClass, RandomClassDefinition)

const double* ZigguratEdges() { return TheZiggurat().edges; }
const double* ZigguratRatios() { return TheZiggurat().ratios; }

extern "C" {

void RandomConstructor(RandomObject* random) {
  if (!random) return;
  RandomizeSeed(random);
  SeedTable(random);
}
QV_EXPORT(RandomConstructor)

void RandomSeedSetter(RandomObject* random, uint32_t, double seed) {
  if (!random) return;
  random->seed = seed;
  SeedTable(random);
}
QV_EXPORT(RandomSeedSetter)

double RandomNumber(RandomObject* random) {
  if (!random) return 0;
  const int32_t i = (random->index + 1) % kRandomTableSize;
  random->index = i;
  const uint64_t sum = uint64_t{random->table[(i + kFarLag) % kRandomTableSize]} +
                       random->table[(i + kNearLag) % kRandomTableSize];
  random->table[i] = static_cast<uint32_t>(sum % kModulus);
  return random->table[i] / 1e8;
}
QV_EXPORT(RandomNumber)

int32_t RandomNumberLessThan(RandomObject* random, int32_t range) {
  return RuntimeCvtReal64ToSInt32(RandomNumber(random) * range);
}
QV_EXPORT(RandomNumberLessThan)

int32_t RandomNumberInRangeMinMax(RandomObject* random, int32_t minimum, int32_t maximum) {
  const double span = static_cast<double>(maximum) + 1 - minimum;
  const int32_t step = RuntimeCvtReal64ToSInt32(RandomNumber(random) * span);
  return static_cast<int32_t>(static_cast<uint32_t>(minimum) + static_cast<uint32_t>(step));
}
QV_EXPORT(RandomNumberInRangeMinMax)

double RandomGaussian(RandomObject* random) {
  if (!random) return 0;
  const Ziggurat& z = TheZiggurat();
  for (;;) {
    const double u = 2 * RandomNumber(random) - 1;
    const int32_t i = static_cast<int32_t>(RandomNumber(random) * kZigguratLayers);
    if (std::fabs(u) < z.ratios[i]) return u * z.edges[i];
    if (i == 0) return Tail(random, u);
    const double x = u * z.edges[i];
    const double f0 = std::exp(-0.5 * (z.edges[i] * z.edges[i] - x * x));
    const double f1 = std::exp(-0.5 * (z.edges[i + 1] * z.edges[i + 1] - x * x));
    if (f1 + RandomNumber(random) * (f0 - f1) < 1) return x;
  }
}
QV_EXPORT(RandomGaussian)

void RandomizeSeed(RandomObject* random) {
  if (!random) return;
  const int64_t microseconds = RuntimeCvtReal64ToSInt64(RuntimeMicroseconds());
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  random->seed = static_cast<double>((microseconds ^ now) % kSeedModulus);
}
QV_EXPORT(RandomizeSeed)

}  // extern "C"
