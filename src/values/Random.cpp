#include "values/Random.h"

#include <ctime>

#include "core/Export.h"

namespace {

constexpr int32_t kModulus = 2147483647;
constexpr int32_t kMultiplier = 16807;
constexpr int32_t kQuotient = 127773;  // kModulus / kMultiplier
constexpr int32_t kRemainder = 2836;   // kModulus % kMultiplier

int32_t gRndState = 0;

// One step of state = state x 16807 mod (2^31 - 1), without overflowing 32 bits.
void StepRndState() {
  const int32_t q = gRndState / kQuotient;
  const int32_t r = gRndState % kQuotient;
  gRndState = kMultiplier * r - kRemainder * q;
  if (gRndState <= 0) gRndState += kModulus;
}

// The first values after a clock seed are close to the seed's own; they are thrown away.
void SeedRndStateFromClock() {
  gRndState = static_cast<int32_t>(std::time(nullptr) & 0x7FFFFFFF);
  if (gRndState == 0) gRndState = 1;
  for (int i = 0; i < 7; ++i) StepRndState();
}

}  // namespace

extern "C" double rnd() {
  if (gRndState == 0) SeedRndStateFromClock();
  StepRndState();
  return (gRndState & 0xFFFFF) * (1.0 / 1048576.0);
}
QV_EXPORT(rnd)

int32_t RndState() { return gRndState; }

void SetRndState(int32_t state) { gRndState = state; }
