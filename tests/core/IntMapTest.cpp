#include "core/IntMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <unordered_map>
#include <vector>

namespace {

template <typename T>
std::vector<int32_t> KeysInOrder(const IntMap<T>& map) {
  std::vector<int32_t> keys;
  map.ForEachInOrder([&](int32_t key, const T&) { keys.push_back(key); });
  return keys;
}

TEST(IntMapHash, KeysThatDifferByMultiplesOf1024ShareABucket) {
  EXPECT_EQ(IntMap<int>::hashInteger(0), 0u);
  EXPECT_EQ(IntMap<int>::hashInteger(1024), 0u);
  EXPECT_EQ(IntMap<int>::hashInteger(1), 13u);
  // Negative keys hash through their unsigned 32-bit form: -1 * 13 wraps to 0xFFFFFFF3.
  EXPECT_EQ(IntMap<int>::hashInteger(-1), 0x3F3u);
}

TEST(IntMapChains, RemovingABucketHeadKeepsTheRestOfTheChain) {
  auto map = std::make_unique<IntMap<int>>();
  // All in bucket 0; the last added is the chain's head.
  for (int32_t k : {0, 1024, 2048, 3072}) map->AddEntry(k, k + 1);
  map->RemoveEntry(3072);
  for (int32_t k : {0, 1024, 2048}) {
    int value = 0;
    EXPECT_TRUE(map->GetEntry(k, &value)) << k;
    EXPECT_EQ(value, k + 1);
  }
  EXPECT_FALSE(map->GetEntry(3072, nullptr));
  map->RemoveEntry(1024);  // from the middle of the chain
  EXPECT_TRUE(map->Contains(0));
  EXPECT_TRUE(map->Contains(2048));
  EXPECT_EQ(KeysInOrder(*map), (std::vector<int32_t>{0, 2048}));
}

TEST(IntMapOrder, RemovingTheLastInsertedKeyKeepsTheOrderAppendable) {
  auto map = std::make_unique<IntMap<int>>();
  for (int32_t k : {5, 6, 7}) map->AddEntry(k, 0);
  map->RemoveEntry(7);
  map->AddEntry(8, 0);
  map->RemoveEntry(5);
  map->AddEntry(9, 0);
  EXPECT_EQ(KeysInOrder(*map), (std::vector<int32_t>{6, 8, 9}));
  map->RemoveEntry(42);  // absent: nothing changes
  EXPECT_EQ(KeysInOrder(*map), (std::vector<int32_t>{6, 8, 9}));
}

// Randomized against std::unordered_map plus a vector of the insertion order, with keys drawn
// so that many collide in a bucket.
TEST(IntMapRandomized, MatchesAnUnorderedMapAndKeepsInsertionOrder) {
  std::mt19937 rng(4711);
  auto map = std::make_unique<IntMap<uint16_t>>();
  std::unordered_map<int32_t, uint16_t> model;
  std::vector<int32_t> order;
  auto randomKey = [&]() -> int32_t {
    switch (rng() % 3) {
      case 0: return static_cast<int32_t>(rng() % 8) * 1024;  // bucket 0
      case 1: return static_cast<int32_t>(rng() % 64) - 32;
      default: return static_cast<int32_t>(rng());
    }
  };
  for (int step = 0; step < 20000; ++step) {
    int32_t key = randomKey();
    if (rng() % 3 == 0) {
      map->RemoveEntry(key);
      if (model.erase(key)) order.erase(std::find(order.begin(), order.end(), key));
    } else {
      uint16_t value = static_cast<uint16_t>(rng());
      map->AddEntry(key, value);
      if (model.insert_or_assign(key, value).second) order.push_back(key);
    }
    int32_t probe = randomKey();
    uint16_t found = 0;
    auto it = model.find(probe);
    ASSERT_EQ(map->GetEntry(probe, &found), it != model.end());
    if (it != model.end()) {
      ASSERT_EQ(found, it->second);
    }
  }
  EXPECT_EQ(KeysInOrder(*map), order);
}

}  // namespace
