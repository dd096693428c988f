// The "Random" class: one additive lagged-Fibonacci generator per object (55 values below
// 10^8, each new one the sum of those 55 and 24 places back), seeded from a Double, with a
// 128-layer ziggurat Gaussian sampler on top. Independent of the process-wide Rnd (Random.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

constexpr int32_t kRandomTableSize = 55;

struct RandomObject {
  RuntimeObject header;
  uint32_t table[kRandomTableSize];  // each below 100,000,000
  int32_t index;                     // of the newest value
  double seed;
};
static_assert(offsetof(RandomObject, table) == 24, "RandomObject layout");
static_assert(offsetof(RandomObject, index) == 244, "RandomObject layout");
static_assert(offsetof(RandomObject, seed) == 248, "RandomObject layout");
static_assert(sizeof(RandomObject) == 256, "RandomObject layout");

ObjectDefinition* RandomClassDefinition();

// The ziggurat's layer edges X[0..128] and acceptance ratios K[0..127], built on first use.
constexpr int32_t kZigguratLayers = 128;
const double* ZigguratEdges();
const double* ZigguratRatios();

extern "C" {
void RandomConstructor(RandomObject* random);
void RandomSeedSetter(RandomObject* random, uint32_t parameter, double seed);
// The next value in [0, 1).
double RandomNumber(RandomObject* random);
int32_t RandomNumberLessThan(RandomObject* random, int32_t range);
int32_t RandomNumberInRangeMinMax(RandomObject* random, int32_t minimum, int32_t maximum);
// A standard normal deviate.
double RandomGaussian(RandomObject* random);
// Sets Seed from the clock; the table changes only when Seed is assigned or at construction.
void RandomizeSeed(RandomObject* random);
}
