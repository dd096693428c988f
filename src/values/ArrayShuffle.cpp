// The arrays' Shuffle: Fisher-Yates over the flat element sequence, drawing from the language's
// random generator. Elements move whole; their references are not taken again.
#include <cstring>

#include "arrays/ArrayOperations.h"
#include "core/Memory.h"
#include "values/Random.h"

namespace {

void ShuffleWithRnd(const ArrayFields& fields) {
  auto* data = static_cast<unsigned char*>(*fields.data);
  if (!data || fields.bounds[0] <= 0) return;
  const int32_t count = ArrayElementCount(fields.bounds, fields.dimensions);
  const int32_t width = fields.width;
  unsigned char local[8];
  unsigned char* spare =
      width <= 8 ? local
                 : static_cast<unsigned char*>(OSalloc(static_cast<uint32_t>(width), kMemFullQuit));
  for (int32_t k = count - 1; k >= 1; --k) {
    const auto j = static_cast<int32_t>(static_cast<long double>(rnd()) * (k + 1));
    std::memcpy(spare, data + k * width, static_cast<size_t>(width));
    std::memcpy(data + k * width, data + j * width, static_cast<size_t>(width));
    std::memcpy(data + j * width, spare, static_cast<size_t>(width));
  }
  if (spare != local) OSfree(spare);
}

// Installed before main, so that every array has its Shuffle whatever the start-up path (a
// test binary runs no start-up steps); the slot is constant-initialised, so the order of
// static initialisation does not matter.
const bool kShufflerInstalled = (InstallArrayShuffler(&ShuffleWithRnd), true);

}  // namespace
