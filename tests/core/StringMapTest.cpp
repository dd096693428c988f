#include "core/StringMap.h"

#include <gtest/gtest.h>
#include <strings.h>

#include <algorithm>
#include <list>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "support/TestSupport.h"

namespace {

string S(const std::string& text) {
  return string::FromBytes(text.data(), static_cast<int64_t>(text.size()), kEncodingUTF8);
}

std::string Std(const string& s) { return std::string(s.CString(), s.Length()); }

// The reference: std::unordered_map with an ASCII case-insensitive hash and equality.
struct FoldedHash {
  size_t operator()(const std::string& s) const {
    std::string folded = s;
    for (char& c : folded) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    return std::hash<std::string>()(folded);
  }
};
struct FoldedEqual {
  bool operator()(const std::string& a, const std::string& b) const {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0 &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
             return x == y || (static_cast<unsigned char>(x) < 0x80 &&
                               static_cast<unsigned char>(y) < 0x80);
           });
  }
};
using Reference = std::unordered_map<std::string, int, FoldedHash, FoldedEqual>;

template <typename T>
std::vector<std::pair<std::string, T>> EntriesInOrder(StringMap<T>* map) {
  std::vector<std::pair<std::string, T>> entries;
  auto* it = new StringMapIterator<T>(map);
  while (it->Next()) {
    T value{};
    EXPECT_TRUE(it->GetValue(&value));
    entries.emplace_back(Std(it->GetKey()), value);
  }
  delete it;
  return entries;
}

std::string RandomKey(std::mt19937& rng) {
  static const char* const kWords[] = {"Window", "PushButton", "abc", "Object", "x",
                                       "caf\xc3\xa9", "\xe9t\xe9", "", "Timer", "ZZ"};
  std::string key = kWords[rng() % 10];
  key += std::to_string(rng() % 40);
  for (char& c : key) {
    if (rng() % 3 == 0 && std::isalpha(static_cast<unsigned char>(c))) c ^= 0x20;
  }
  return key;
}

// Hash values computed independently (Python) for bucket counts 4294967291 and 256.
TEST(StringMapHash, MatchesReferenceValues) {
  struct Vector {
    std::string key;
    uint32_t wide;
    uint32_t narrow;
  };
  const Vector vectors[] = {
      {"", 0, 0},
      {"abc", 64578, 66},
      {"ABC", 64578, 66},
      {"Hello, World", 928151948, 140},
      {"\xe9t\xe9", 4294947774u, 190},
      {"RuntimeLookupClassRuntimeLookupClassRuntimeLookupClass", 807775154, 178},
  };
  StringMap<int> wide(4294967291u);  // no bucket array until the first insertion
  StringMap<int> narrow(256);
  for (const Vector& v : vectors) {
    EXPECT_EQ(wide.hashString(S(v.key)), v.wide) << v.key;
    EXPECT_EQ(narrow.hashString(S(v.key)), v.narrow) << v.key;
  }
  EXPECT_EQ(narrow.hashString(string()), 0u);
}

TEST(StringMapKeys, LetterCaseVariantsAreOneEntryKeepingTheFirstForm) {
  StringMap<int> map;
  map.AddEntry(S("abc"), 1);
  map.AddEntry(S("ABC"), 2);
  map.AddEntry(S("aBc"), 3);
  EXPECT_EQ(map.Count(), 1u);
  auto entries = EntriesInOrder(&map);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].first, "abc");
  EXPECT_EQ(entries[0].second, 3);
  // Non-ASCII bytes are not folded.
  map.AddEntry(S("\xc3\xa9"), 4);
  EXPECT_FALSE(map.Contains(S("\xc3\x89")));
}

TEST(StringMapKeys, EntriesHoldOneReferenceOnTheirKey) {
  StringMap<int> map;
  string key = S("Reference");
  map.AddEntry(key, 1);
  EXPECT_EQ(key.Storage()->refCount, 2u);
  map.AddEntry(S("REFERENCE"), 2);  // the stored key stays; the new one is not kept
  EXPECT_EQ(key.Storage()->refCount, 2u);
  map.RemoveEntry(S("reference"));
  EXPECT_EQ(key.Storage()->refCount, 1u);
}

TEST(StringMapGrowth, A256BucketMapDoublesAtThe193rdKey) {
  StringMap<int> map(256);
  std::vector<std::string> order;
  for (int i = 0; i < 192; ++i) {
    order.push_back("key" + std::to_string(i));
    map.AddEntry(S(order.back()), i);
  }
  EXPECT_EQ(map.BucketCount(), 256u);
  order.push_back("key192");
  map.AddEntry(S(order.back()), 192);
  EXPECT_EQ(map.BucketCount(), 512u);
  for (int i = 193; i < 384; ++i) {
    order.push_back("key" + std::to_string(i));
    map.AddEntry(S(order.back()), i);
  }
  EXPECT_EQ(map.BucketCount(), 512u);  // 384 is exactly three quarters
  order.push_back("key384");
  map.AddEntry(S(order.back()), 384);
  EXPECT_EQ(map.BucketCount(), 1024u);
  auto entries = EntriesInOrder(&map);
  ASSERT_EQ(entries.size(), order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_EQ(entries[i].first, order[i]);
    int value = -1;
    EXPECT_TRUE(map.GetEntry(S(order[i]), &value));
    EXPECT_EQ(value, static_cast<int>(i));
  }
}

TEST(StringMapGrowth, RehashToZeroReportsAndKeepsTheTable) {
  StringMap<int> map(8);
  map.AddEntry(S("a"), 1);
  qvtest::ReportCapture capture;
  map.Rehash(0);
  EXPECT_TRUE(capture.HasCondition("newSize > 0"));
  EXPECT_EQ(map.BucketCount(), 8u);
  EXPECT_TRUE(map.Contains(S("A")));
}

// Randomized against the reference map, with the insertion order kept in a vector.
TEST(StringMapRandomized, MatchesAnUnorderedMapWithFoldedKeys) {
  std::mt19937 rng(2024);
  for (uint32_t buckets : {1u, 7u, 256u}) {
    StringMap<int> map(buckets);
    Reference reference;
    std::vector<std::string> order;  // keys in the form first added
    for (int step = 0; step < 6000; ++step) {
      std::string key = RandomKey(rng);
      if (rng() % 4 == 0) {
        map.RemoveEntry(S(key));
        auto found = reference.find(key);
        if (found != reference.end()) {
          std::string stored = found->first;
          reference.erase(found);
          order.erase(std::find(order.begin(), order.end(), stored));
        }
      } else {
        int value = static_cast<int>(rng());
        map.AddEntry(S(key), value);
        auto [it, inserted] = reference.try_emplace(key, value);
        if (inserted) {
          order.push_back(key);
        } else {
          it->second = value;
        }
      }
      std::string probe = RandomKey(rng);
      int found = 0;
      auto expected = reference.find(probe);
      ASSERT_EQ(map.GetEntry(S(probe), &found), expected != reference.end()) << probe;
      if (expected != reference.end()) {
        ASSERT_EQ(found, expected->second);
      }
      ASSERT_EQ(map.Count(), reference.size());
      ASSERT_LE(map.Count(), map.BucketCount() * 3 / 4 + 1);
    }
    auto entries = EntriesInOrder(&map);
    ASSERT_EQ(entries.size(), order.size());
    for (size_t i = 0; i < order.size(); ++i) {
      EXPECT_EQ(entries[i].first, order[i]);
      EXPECT_EQ(entries[i].second, reference.at(order[i]));
    }
  }
}

// A model of an iterator over a list: the node it stands on (or will yield next when not
// started); a removed node moves it to the successor, not started.
struct IteratorModel {
  std::list<std::string>& order;
  std::list<std::string>::iterator current;
  bool started = false;
  explicit IteratorModel(std::list<std::string>& o) : order(o), current(o.begin()) {}
  bool Next() {
    if (!started) {
      started = true;
    } else if (current != order.end()) {
      ++current;
    }
    return current != order.end();
  }
  void Erase(std::list<std::string>::iterator victim) {
    if (victim == current) {
      current = std::next(victim);
      started = false;
    }
    order.erase(victim);
  }
};

TEST(StringMapIteration, RandomRemovalAndAdditionDuringAWalkMatchesTheModel) {
  std::mt19937 rng(31337);
  for (int round = 0; round < 200; ++round) {
    auto map = std::make_unique<StringMap<int>>(16);
    std::list<std::string> order;
    int serial = 0;
    for (int i = 0; i < 30; ++i) {
      order.push_back("k" + std::to_string(serial++));
      map->AddEntry(S(order.back()), 0);
    }
    auto* it = new StringMapIterator<int>(map.get());
    IteratorModel model(order);
    for (int step = 0; step < 80; ++step) {
      switch (rng() % 5) {
        case 0:  // remove the current entry through the iterator
          if (model.started && model.current != order.end()) {
            it->RemoveCurrent();
            model.Erase(model.current);
          }
          break;
        case 1:  // remove some entry through the map (maybe the one the iterator is on)
          if (!order.empty()) {
            auto victim = std::next(order.begin(), static_cast<long>(rng() % order.size()));
            map->RemoveEntry(S(*victim));
            model.Erase(victim);
          }
          break;
        case 2:
          order.push_back("k" + std::to_string(serial++));
          map->AddEntry(S(order.back()), 0);
          break;
        default: {
          bool expected = model.Next();
          ASSERT_EQ(it->Next(), expected) << "round " << round << " step " << step;
          if (expected) {
            ASSERT_EQ(Std(it->GetKey()), *model.current);
          } else {
            ASSERT_TRUE(it->GetKey().IsEmpty());
          }
        }
      }
    }
    delete it;
  }
}

TEST(StringMapIteration, RemovingTheCurrentEntryThenNextYieldsItsSuccessor) {
  StringMap<int> map;
  for (const char* key : {"a", "b", "c"}) map.AddEntry(S(key), 0);
  auto* it = new StringMapIterator<int>(&map);
  ASSERT_TRUE(it->Next());
  ASSERT_TRUE(it->Next());
  EXPECT_EQ(Std(it->GetKey()), "b");
  map.RemoveEntry(S("B"));
  int value = 0;
  EXPECT_FALSE(it->GetValue(&value));  // not on an entry until the next Next
  ASSERT_TRUE(it->Next());
  EXPECT_EQ(Std(it->GetKey()), "c");
  map.AddEntry(S("d"), 4);  // added at the end during the walk: visited
  ASSERT_TRUE(it->Next());
  EXPECT_TRUE(it->GetValue(&value));
  EXPECT_EQ(value, 4);
  EXPECT_FALSE(it->Next());
  delete it;
}

TEST(StringMapIteration, ClearResetsAttachedIteratorsAndReports) {
  auto map = std::make_unique<StringMap<int>>();
  for (int i = 0; i < 50; ++i) map->AddEntry(S("k" + std::to_string(i)), i);
  auto* walking = new StringMapIterator<int>(map.get());
  auto* fresh = new StringMapIterator<int>(map.get());
  ASSERT_TRUE(walking->Next());
  {
    qvtest::ReportCapture capture;
    map->Clear();
    EXPECT_TRUE(capture.HasCondition("NULL == mIterators"));
  }
  EXPECT_EQ(map->Count(), 0u);
  EXPECT_TRUE(walking->GetKey().IsEmpty());
  EXPECT_FALSE(walking->Next());
  EXPECT_FALSE(fresh->Next());
  delete walking;
  delete fresh;
  // The map is usable again, buckets kept.
  map->AddEntry(S("again"), 1);
  EXPECT_EQ(EntriesInOrder(map.get()).size(), 1u);
  EXPECT_EQ(map->BucketCount(), 256u);
}

struct CountedIterator : StringMapIterator<int> {
  static int deleted;
  explicit CountedIterator(StringMap<int>* map) : StringMapIterator<int>(map) {}
  ~CountedIterator() override { ++deleted; }
};
int CountedIterator::deleted = 0;

TEST(StringMapIteration, DestroyingTheMapDeletesIteratorsStillAttached) {
  CountedIterator::deleted = 0;
  auto map = std::make_unique<StringMap<int>>();
  map->AddEntry(S("one"), 1);
  new CountedIterator(map.get());
  auto* detached = new CountedIterator(map.get());
  delete detached;
  new CountedIterator(map.get());
  map.reset();
  EXPECT_EQ(CountedIterator::deleted, 3);
}

TEST(StringMapIteration, ANilMapReports) {
  qvtest::ReportCapture capture;
  auto* it = new StringMapIterator<int>(nullptr);
  EXPECT_FALSE(it->Next());
  delete it;
  EXPECT_EQ(capture.count(), 2u);  // construction and destruction
}

struct Visit {
  std::vector<std::string> keys;
  size_t stopAfter;
};

int32_t RecordKey(string key, int, void* context) {
  auto* visit = static_cast<Visit*>(context);
  visit->keys.push_back(Std(key));
  return visit->keys.size() < visit->stopAfter ? 1 : 0;
}

TEST(StringMapForEach, VisitsBucketsInOrderAndChainsFromTheirHead) {
  StringMap<int> map(16);
  std::vector<std::string> inserted;
  for (int i = 0; i < 40; ++i) {
    inserted.push_back("name" + std::to_string(i * 7));
    map.AddEntry(S(inserted.back()), i);
  }
  Visit all{{}, 1000};
  EXPECT_TRUE(map.ForEach(&RecordKey, &all));
  ASSERT_EQ(all.keys.size(), inserted.size());
  auto insertionIndex = [&](const std::string& key) {
    return std::find(inserted.begin(), inserted.end(), key) - inserted.begin();
  };
  for (size_t i = 1; i < all.keys.size(); ++i) {
    uint32_t before = map.hashString(S(all.keys[i - 1]));
    uint32_t now = map.hashString(S(all.keys[i]));
    ASSERT_LE(before, now);
    // Within a bucket the newest entry is the chain's head.
    if (before == now) {
      EXPECT_GT(insertionIndex(all.keys[i - 1]), insertionIndex(all.keys[i]));
    }
  }
  Visit some{{}, 5};
  EXPECT_FALSE(map.ForEach(&RecordKey, &some));
  EXPECT_EQ(some.keys, std::vector<std::string>(all.keys.begin(), all.keys.begin() + 5));
  StringMap<int> empty;
  Visit none{{}, 1};
  EXPECT_TRUE(empty.ForEach(&RecordKey, &none));
  EXPECT_TRUE(none.keys.empty());
}

}  // namespace
