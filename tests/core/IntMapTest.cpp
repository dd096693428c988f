#include "core/IntMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <unordered_map>
#include <vector>

namespace {

// Randomized against std::unordered_map plus a vector of the insertion order, with keys drawn
// so that many collide in bucket 0 (removals from chain heads, middles and order ends).
TEST(IntMap, MatchesAnUnorderedMapAndKeepsInsertionOrder) {
  std::mt19937 rng(4711);
  auto map = std::make_unique<IntMap<uint16_t>>();
  std::unordered_map<int32_t, uint16_t> model;
  std::vector<int32_t> order;
  auto randomKey = [&]() -> int32_t {
    const uint32_t kind = rng() % 3;
    return kind == 0   ? static_cast<int32_t>(rng() % 8) * 1024
           : kind == 1 ? static_cast<int32_t>(rng() % 64) - 32
                       : static_cast<int32_t>(rng());
  };
  for (int step = 0; step < 20000; ++step) {
    const int32_t key = randomKey();
    if (rng() % 3 == 0) {
      map->RemoveEntry(key);
      if (model.erase(key)) order.erase(std::find(order.begin(), order.end(), key));
    } else {
      const auto value = static_cast<uint16_t>(rng());
      map->AddEntry(key, value);
      if (model.insert_or_assign(key, value).second) order.push_back(key);
    }
    const int32_t probe = randomKey();
    uint16_t found = 0;
    auto it = model.find(probe);
    ASSERT_EQ(map->GetEntry(probe, &found), it != model.end());
    if (it != model.end()) {
      ASSERT_EQ(found, it->second);
    }
    if (step % 500 != 0) continue;
    std::vector<int32_t> keys;
    map->ForEachInOrder([&](int32_t k, const uint16_t&) { keys.push_back(k); });
    ASSERT_EQ(keys, order);
  }
}

}  // namespace
