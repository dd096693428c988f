#include "core/StringMap.h"

#include <gtest/gtest.h>
#include <strings.h>

#include <algorithm>
#include <list>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

string S(const std::string& text) {
  return string::FromBytes(text.data(), static_cast<int64_t>(text.size()), kEncodingUTF8);
}
std::string Std(const string& s) { return std::string(s.CString(), s.Length()); }

std::vector<std::pair<std::string, int>> EntriesInOrder(StringMap<int>* map) {
  std::vector<std::pair<std::string, int>> entries;
  auto* it = new StringMapIterator<int>(map);
  for (int value = 0; it->Next() && it->GetValue(&value);)
    entries.emplace_back(Std(it->GetKey()), value);
  delete it;
  return entries;
}

// Hash values computed independently (Python) for bucket counts 4294967291 and 256.
TEST(StringMap, HashMatchesReferenceValuesAndGrowsAtThe193rdKey) {
  const std::tuple<std::string, uint32_t, uint32_t> vectors[] = {
      {"", 0, 0}, {"aBc", 64578, 66}, {"Hello, World", 928151948, 140},
      {"\xe9t\xe9", 4294947774u, 190},
      {"RuntimeLookupClassRuntimeLookupClassRuntimeLookupClass", 807775154, 178}};
  StringMap<int> wide(4294967291u);  // no bucket array until the first insertion
  StringMap<int> map(256);
  for (const auto& [key, w, n] : vectors)
    EXPECT_EQ(std::make_pair(wide.hashString(S(key)), map.hashString(S(key))), std::make_pair(w, n))
        << key;
  for (int i = 0; i <= 384; ++i) {
    map.AddEntry(S("key" + std::to_string(i)), i);
    const uint32_t expected = i < 192 ? 256u : i < 384 ? 512u : 1024u;  // past 3/4 full
    EXPECT_EQ(map.BucketCount(), expected) << i;
  }
  qvtest::ReportCapture capture;
  map.Rehash(0);
  EXPECT_TRUE(capture.HasCondition("newSize > 0"));
  EXPECT_EQ(map.BucketCount(), 1024u);
}

// Randomized against std::unordered_map with ASCII-folded keys; insertion order (the form
// first added) kept in a vector; each entry holds one reference on its key.
TEST(StringMap, MatchesAReferenceWithFoldedKeys) {
  auto fold = [](std::string key) {
    for (char& c : key) c = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
    return key;
  };
  static const char* const kWords[] = {"Window", "abc", "x", "caf\xc3\xa9", "\xe9t\xe9", "", "ZZ"};
  std::mt19937 rng(2024);
  auto randomKey = [&rng] {
    std::string key = kWords[rng() % 7] + std::to_string(rng() % 40);
    for (char& c : key)
      if (rng() % 3 == 0 && std::isalpha(static_cast<unsigned char>(c))) c ^= 0x20;
    return key;
  };
  for (uint32_t buckets : {1u, 7u, 256u}) {
    StringMap<int> map(buckets);
    std::map<std::string, std::pair<std::string, int>> reference;  // folded -> (first form, value)
    std::vector<std::string> order;
    for (int step = 0; step < 6000; ++step) {
      std::string key = randomKey();
      auto found = reference.find(fold(key));
      if (rng() % 4 == 0) {
        map.RemoveEntry(S(key));
        if (found == reference.end()) continue;
        order.erase(std::find(order.begin(), order.end(), found->second.first));
        reference.erase(found);
      } else {
        int value = static_cast<int>(rng());
        map.AddEntry(S(key), value);
        if (found != reference.end()) {
          found->second.second = value;
        } else {
          reference[fold(key)] = {key, value};
          order.push_back(key);
        }
      }
      std::string probe = randomKey();
      int value = 0;
      auto expected = reference.find(fold(probe));
      ASSERT_EQ(map.GetEntry(S(probe), &value), expected != reference.end()) << probe;
      ASSERT_EQ(value, expected != reference.end() ? expected->second.second : value);
      ASSERT_EQ(map.Count(), reference.size());
    }
    std::vector<std::pair<std::string, int>> expected;
    for (const std::string& key : order) expected.emplace_back(key, reference.at(fold(key)).second);
    EXPECT_EQ(EntriesInOrder(&map), expected);
  }
  StringMap<int> map;
  string key = S("Reference");
  map.AddEntry(key, 1);
  map.AddEntry(S("REFERENCE"), 2);  // the stored key stays; the new one is not kept
  EXPECT_EQ(key.Storage()->refCount, 2u);
  map.RemoveEntry(S("reference"));
  EXPECT_EQ(key.Storage()->refCount, 1u);
}

// Iterators against a model over a list: the node it stands on (or will yield next when not
// started); a removed node moves it to the successor, not started; added ones are visited.
// Keys compare four bytes at a time: every pair of bytes, at each place in a word and in the
// tail, is equal exactly when the two fold to the same byte ('a'..'z' to capitals only), and
// a lookup by bytes finds what a lookup by string finds.
TEST(StringMap, EveryBytePairComparesAsFoldedAtEveryPlace) {
  auto fold = [](int c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
  StringMap<int> map(64);
  for (size_t place : {0u, 1u, 2u, 3u, 5u}) {  // 5: a byte after the last whole word
    for (int x = 0; x < 256; ++x) {
      std::string a = "qRsTuv", b = "QrStUV";
      a[place] = static_cast<char>(x);
      map.AddEntry(S(a), x);
      for (int y = 0; y < 256; ++y) {
        b[place] = static_cast<char>(y);
        const bool equal = fold(x) == fold(y);
        ASSERT_EQ(map.keysEqual(S(a), S(b)), equal) << place << " " << x << " " << y;
        if (equal) {
          ASSERT_EQ(map.hashString(S(a)), map.hashString(S(b)));
        }
        int byBytes = -1, byString = -1;
        const bool inMap =
            map.GetEntryForBytes(reinterpret_cast<const unsigned char*>(b.data()), 6, &byBytes);
        ASSERT_EQ(inMap, map.GetEntry(S(b), &byString));
        ASSERT_EQ(byBytes, byString);
        if (equal) {
          ASSERT_EQ(byBytes, x);
        }
      }
    }
  }
  int value = 0;
  EXPECT_FALSE(StringMap<int>(8).GetEntryForBytes(nullptr, 0, &value)) << "no buckets yet";
}

TEST(StringMapIteration, RandomRemovalAndAdditionDuringAWalkMatchesTheModel) {
  std::mt19937 rng(31337);
  for (int round = 0; round < 200; ++round) {
    auto map = std::make_unique<StringMap<int>>(16);
    std::list<std::string> order;
    int serial = 0;
    auto add = [&] {
      order.push_back("k" + std::to_string(serial++));
      map->AddEntry(S(order.back()), 0);
    };
    for (int i = 0; i < 30; ++i) add();
    auto* it = new StringMapIterator<int>(map.get());
    auto current = order.begin();
    bool started = false;
    auto erase = [&](std::list<std::string>::iterator victim) {
      if (victim == current) {
        current = std::next(victim);
        started = false;
      }
      order.erase(victim);
    };
    for (int step = 0; step < 80; ++step) {
      int action = static_cast<int>(rng() % 5);
      if (action == 0 && started && current != order.end()) {
        it->RemoveCurrent();
        erase(current);
      } else if (action == 1 && !order.empty()) {
        auto victim = std::next(order.begin(), static_cast<long>(rng() % order.size()));
        map->RemoveEntry(S(*victim));
        erase(victim);
      } else if (action == 2) {
        add();
      } else if (action > 2) {
        if (started && current != order.end()) ++current;
        started = true;
        ASSERT_EQ(it->Next(), current != order.end()) << "round " << round << " step " << step;
        ASSERT_EQ(Std(it->GetKey()), current != order.end() ? *current : "");
      }
    }
    delete it;
  }
}

// Clear resets attached iterators (and reports them); destroying the map deletes them (the
// sanitizer build sees a leak otherwise).
TEST(StringMapIteration, ClearResetsAndDestructionDeletesAttachedIterators) {
  auto map = std::make_unique<StringMap<int>>();
  for (int i = 0; i < 50; ++i) map->AddEntry(S("k" + std::to_string(i)), i);
  auto* walking = new StringMapIterator<int>(map.get());
  ASSERT_TRUE(walking->Next());
  qvtest::ReportCapture capture;
  map->Clear();
  EXPECT_TRUE(capture.HasCondition("NULL == mIterators"));
  EXPECT_TRUE(walking->GetKey().IsEmpty());
  EXPECT_FALSE(walking->Next());
  map->AddEntry(S("again"), 1);
  EXPECT_EQ(EntriesInOrder(map.get()).size(), 1u);
}

}  // namespace
