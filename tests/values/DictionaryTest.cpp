// Dictionary: growth and fixed bin counts, bins that cannot be had, the swap-on-remove order and
// key identity; random operation sequences against a model in insertion order; re-entrant use
// from a key's own hash and from a released value's finalizer; hash and conversion methods that
// drop the last reference to the dictionary, the key or the object converted.
#include <gtest/gtest.h>

#include <random>

#include "core/TestClasses.h"
#include "values/VariantTestSupport.h"
#include "app/ExternalClasses.h"
#include "values/Dictionary.h"
#include "core/ObjectDefinitionConverter.h"
#include "values/VariantConversions.h"
#include "values/VariantOperators.h"
#include "strings/StringCase.h"

namespace {

using qvtest::DescribeVariant;

class DictionaryTest : public ::testing::Test {
 protected:
  DictionaryTest() {
    RuntimeInitExternalClasses();
    d = NewObjectFromDefinition(DictionaryClassDefinition());
  }
  ~DictionaryTest() override { RuntimeUnlockObject(d); }

  void Set(RuntimeObject* key, RuntimeObject* value) { dictionaryValueSetter(d, key, value); }
  // Int32 keys with Int32 values.
  void SetInts(int from, int to) {
    for (int i = from; i < to; ++i) Set(v(Int32ToVariant(i)), v(Int32ToVariant(i)));
  }
  std::string KeyText(int32_t index) { return DescribeVariant(v(dictionaryKey(d, index))); }

  qvtest::RaisedExceptions raised;
  qvtest::HeldVariants v;
  RuntimeObject* d;
};

TEST_F(DictionaryTest, GrowthAndFixedBinCounts) {
  EXPECT_EQ(dictionaryGetBins(d), 61);
  SetInts(0, 45);
  EXPECT_EQ(dictionaryGetBins(d), 61);
  SetInts(45, 46);
  EXPECT_EQ(dictionaryGetBins(d), 127) << "the 46th key passes 61 * 3 / 4";
  dictionarySetBins(d, 0, 10);
  SetInts(46, 500);
  EXPECT_EQ(dictionaryGetBins(d), 10);
  SetInts(500, 1000);
  dictionarySetBins(d, 0, 0);
  EXPECT_EQ(dictionaryGetBins(d), 2039) << "1000 * 4 / 3 = 1333";
  SetInts(1000, 1600);
  EXPECT_EQ(dictionaryGetBins(d), 4093) << "growth resumes";
  EXPECT_EQ(raised.Take().size(), 0u);
  dictionarySetBins(d, 0, 1 << 30);  // 4 GB of bins
  EXPECT_EQ(raised.TakeOne(), "OutOfMemoryException");
  EXPECT_EQ(dictionaryGetBins(d), 4093) << "the old bins stay";
  EXPECT_EQ(VariantToInt32(v(dictionaryValueGetter(d, v(Int32ToVariant(150))))), 150);
  dictionaryRemoveAll(d);
  EXPECT_EQ(dictionaryGetBins(d) * 10000 + dictionaryCount(d), 610000);
  dictionaryValueSetter(nullptr, v(Int32ToVariant(1)), nullptr);
  EXPECT_EQ(raised.TakeOne(), "NilObjectException");
}

TEST_F(DictionaryTest, OrderKeysAndMissingEntries) {
  for (const char* key : {"a", "b", "c"}) Set(v.Text(key), v.Text(key));
  dictionaryRemove(d, v.Text("A"));
  EXPECT_EQ(KeyText(0) + "," + KeyText(1), "String c,String b");
  Set(v.Text("C"), v(Int32ToVariant(3)));
  EXPECT_EQ(dictionaryCount(d), 2);
  EXPECT_EQ(KeyText(0) + " " + DescribeVariant(v(dictionaryValueByIndex(d, 0))),
            "String c Int32 3") << "the key and its place stay";
  Set(v(Int32ToVariant(5)), v.Text("int"));
  Set(v.Text("5"), v.Text("text"));
  Set(v(Int64ToVariant(5)), v.Text("int64"));
  EXPECT_EQ(dictionaryCount(d), 4) << "Int32 5 and Int64 5 are one key, the text 5 another";
  EXPECT_EQ(DescribeVariant(v(dictionaryValueGetter(d, v(Int32ToVariant(5))))), "String int64");
  EXPECT_EQ(DescribeVariant(v(DictionaryLookup(d, v.Text("x"), v.Text("dflt")))), "String dflt");
  EXPECT_EQ(dictionaryCount(d) + raised.Take().size(), 4u) << "no entry added, nothing raised";
  EXPECT_EQ(v(dictionaryValueGetter(d, v.Text("x"))), nullptr);
  dictionaryRemove(d, v.Text("x"));
  EXPECT_EQ(KeyText(4) + KeyText(-1), "nilnil");
  EXPECT_EQ(raised.Take(),
            (std::vector<std::string>{"KeyNotFoundException", "KeyNotFoundException",
                                      "OutOfBoundsException", "OutOfBoundsException"}));
  // An object and the Int32 of its address hash alike but do not compare: two keys, no raise.
  RuntimeObject* object = v(RuntimeNewObject(qvtest::MakeClass(nullptr, "Plain")));
  Set(object, v.Text("object"));
  RuntimeObject* address = v(Int32ToVariant(int32_t(reinterpret_cast<uintptr_t>(object))));
  EXPECT_EQ(VariantHash(address), VariantHash(object));
  EXPECT_FALSE(dictionaryHasKey(d, address));
  EXPECT_TRUE(dictionaryHasKey(d, object));
  EXPECT_EQ(raised.Take().size(), 0u);
  dictionaryRemoveAll(d);
  RuntimeArray* keys = dictionaryKeys(d);
  EXPECT_EQ(RuntimeUBound(keys), -1);
  RuntimeUnlockArray(keys);
}

// Keys: Int32 and Int64 of 0-39 (the same keys) and texts k0-k39 in either case; entries in
// the dictionary's order, the last moving into a removed one's place.
struct KeyModel {
  std::vector<std::pair<std::string, int32_t>> entries;
  uint32_t bins = 61;
  bool fixed = false;

  int Find(const std::string& key) const {
    for (size_t i = 0; i < entries.size(); ++i) if (entries[i].first == key) return int(i);
    return -1;
  }
  void Set(const std::string& key, int32_t value) {
    if (const int i = Find(key); i >= 0) return void(entries[size_t(i)].second = value);
    entries.push_back({key, value});
    if (!fixed && entries.size() > bins * 3 / 4) Rehash(0);
  }
  bool Remove(const std::string& key) {
    const int i = Find(key);
    if (i >= 0) entries[size_t(i)] = entries.back(), entries.pop_back();
    return i >= 0;
  }
  void Rehash(int32_t n) {
    fixed = n > 0;
    bins = n > 0 ? uint32_t(n) : 65521;
    for (uint32_t p : {61, 127, 251, 509, 1021, 2039, 4093, 8191, 16381, 32749}) {
      if (n <= 0 && p > entries.size() * 4 / 3) return void(bins = p);
    }
  }
};

std::string Canonical(RuntimeObject* key) {
  if (VarType(key) != kVarTypeString) return "i" + std::to_string(VariantToInt64(key));
  return "s" + std::string(string::Adopt(StringUCase(BoxedValueOf<stringStorage*>(key))).CString());
}

TEST_F(DictionaryTest, RandomSequencesFollowAModelInInsertionOrder) {
  std::mt19937 rng(11);
  KeyModel model;
  for (int step = 0; step < 20000; ++step) {
    const int n = int(rng() % 40), kind = int(rng() % 4);
    const std::string text = (kind == 2 ? "k" : "K") + std::to_string(n);
    RuntimeObject* key = kind == 0   ? v(Int32ToVariant(n))
                         : kind == 1 ? v(Int64ToVariant(n))
                                     : v.Text(text.c_str());
    const uint32_t action = rng() % 100;
    if (action < 45) {
      const int32_t value = int32_t(rng());
      Set(key, v(Int32ToVariant(value)));
      model.Set(Canonical(key), value);
    } else if (action < 75) {
      dictionaryRemove(d, key);
      const bool present = model.Remove(Canonical(key));
      ASSERT_EQ(raised.TakeOne(), present ? "" : "KeyNotFoundException");
    } else if (action < 90) {
      const int i = model.Find(Canonical(key));
      ASSERT_EQ(dictionaryHasKey(d, key), i >= 0);
      const int32_t expected = i >= 0 ? model.entries[size_t(i)].second : 0;
      ASSERT_EQ(i >= 0 ? VariantToInt32(v(dictionaryValueGetter(d, key))) : 0, expected);
    } else if (action < 99) {
      const int32_t i = int32_t(rng() % (model.entries.size() + 2)) - 1;
      RuntimeObject* value = v(dictionaryValueByIndex(d, i));
      if (i < 0 || size_t(i) >= model.entries.size()) {
        ASSERT_EQ(raised.TakeOne(), "OutOfBoundsException");
        continue;
      }
      ASSERT_EQ(VariantToInt32(value), model.entries[size_t(i)].second);
      ASSERT_EQ(Canonical(v(dictionaryKey(d, i))), model.entries[size_t(i)].first);
    } else {
      const int32_t n = rng() % 3 ? 0 : int32_t(rng() % 30) + 1;
      dictionarySetBins(d, 0, n);
      model.Rehash(n);
    }
    ASSERT_EQ(size_t(dictionaryCount(d)), model.entries.size()) << step;
    ASSERT_EQ(uint32_t(dictionaryGetBins(d)), model.bins) << step;
  }
  RuntimeArray *keys = dictionaryKeys(d), *values = dictionaryValues(d);
  ASSERT_EQ(size_t(RuntimeUBound(keys) + 1), model.entries.size());
  for (size_t i = 0; i < model.entries.size(); ++i) {
    EXPECT_EQ(Canonical(static_cast<RuntimeObject**>(keys->data)[i]) + " " +
                  std::to_string(VariantToInt32(static_cast<RuntimeObject**>(values->data)[i])),
              model.entries[i].first + " " + std::to_string(model.entries[i].second));
  }
  RuntimeUnlockArray(keys);
  RuntimeUnlockArray(values);
}

RuntimeObject* gDictionary;
RuntimeObject* gExtraKey;

// A key class whose hash writes to gDictionary, and a value class whose finalizer does.
int32_t WritingHash(RuntimeObject*) {
  dictionaryValueSetter(gDictionary, gExtraKey, gExtraKey);
  return 7;
}
void WritingFinalizer(RuntimeObject*) { dictionaryValueSetter(gDictionary, gExtraKey, gExtraKey); }

TEST_F(DictionaryTest, CodeReachedFromInsideAnOperationFindsItBusy) {
  gDictionary = d;
  gExtraKey = v(Int32ToVariant(99));
  RuntimeClass* hashing = qvtest::MakeClass(nullptr, "Hashing", 0, {.namedMethods = 1});
  hashing->namedMethodTable[0] = {reinterpret_cast<void*>(&WritingHash),
                                  qvtest::NewName("Operator_Hash%i4%o<Hashing>")};
  RuntimeObject* key = v(RuntimeNewObject(hashing));
  SetInts(0, 3);
  Set(key, v.Text("value"));
  EXPECT_EQ(raised.TakeOne(),
            "RuntimeException: The Dictionary is in use: an operation on it has not finished");
  EXPECT_EQ(dictionaryCount(d), 4);
  EXPECT_FALSE(dictionaryHasKey(d, gExtraKey));
  EXPECT_TRUE(dictionaryHasKey(d, key));
  EXPECT_EQ(raised.TakeOne().substr(0, 18), "RuntimeException: ");
  // A value's finalizer runs once the operation that let it go has ended.
  RuntimeClass* finalizing = qvtest::MakeClass(nullptr, "Finalizing");
  finalizing->finalizer = WritingFinalizer;
  RuntimeObject* value = RuntimeNewObject(finalizing);
  Set(v(Int32ToVariant(1)), value);
  RuntimeUnlockObject(value);
  dictionaryRemove(d, v(Int32ToVariant(1)));
  EXPECT_TRUE(dictionaryHasKey(d, gExtraKey));
  EXPECT_EQ(dictionaryCount(d), 4);
  EXPECT_EQ(raised.Take().size(), 0u);
}

// A key class whose hash and Int32 conversion first drop gLastReference (the program's last
// reference to something the caller uses) and then read their own object, as a compiled method
// that clears a field holding the object and goes on with Self does.
RuntimeObject* gLastReference;

int32_t FieldAfterDropping(RuntimeObject* self) {
  RuntimeObject* dropped = gLastReference;
  gLastReference = nullptr;
  RuntimeUnlockObject(dropped);
  return int32_t(qvtest::Field(self, 0));
}

TEST_F(DictionaryTest, MethodsThatDropTheLastReferenceToWhatTheCallerUses) {
  RuntimeClass* dropping = qvtest::MakeClass(nullptr, "Dropping", 1, {.namedMethods = 2});
  dropping->namedMethodTable[0] = {reinterpret_cast<void*>(&FieldAfterDropping),
                                   qvtest::NewName("Operator_Hash%i4%o<Dropping>")};
  dropping->namedMethodTable[1] = {reinterpret_cast<void*>(&FieldAfterDropping),
                                   qvtest::NewName("Operator_Convert%i4%o<Dropping>")};
  auto newKey = [dropping](uint32_t value) {
    RuntimeObject* key = RuntimeNewObject(dropping);
    qvtest::Field(key, 0) = value;
    return key;
  };
  RuntimeObject* key = v(newKey(7));
  // The dictionary itself goes inside each operation's hash; its bins are still walked, and
  // its busy flag put down, after the hash returns.
  for (int operation = 0; operation < 5; ++operation) {
    RuntimeObject* value = v(Int32ToVariant(operation));
    RuntimeObject* otherKey = v(newKey(8));
    const int32_t live = LiveObjectCount();
    RuntimeObject* dictionary = NewObjectFromDefinition(DictionaryClassDefinition());
    dictionaryValueSetter(dictionary, key, value);
    gLastReference = dictionary;
    if (operation == 0) {
      EXPECT_TRUE(dictionaryHasKey(dictionary, key));
    }
    if (operation == 1) v(dictionaryValueGetter(dictionary, key));
    if (operation == 2) v(DictionaryLookup(dictionary, key, nullptr));
    if (operation == 3) dictionaryRemove(dictionary, key);
    if (operation == 4) dictionaryValueSetter(dictionary, otherKey, value);
    EXPECT_EQ(gLastReference, nullptr) << operation;
    EXPECT_EQ(LiveObjectCount(), live) << "freed once operation " << operation << " ended";
  }
  // A key whose hash drops it is compared after: same hash, another object.
  Set(key, key);
  gLastReference = newKey(7);
  EXPECT_FALSE(dictionaryHasKey(d, gLastReference));
  gLastReference = newKey(7);
  Set(gLastReference, key);
  EXPECT_EQ(dictionaryCount(d), 2);
  // A conversion that drops its own object.
  gLastReference = newKey(12);
  EXPECT_EQ(VariantToInt32(gLastReference), 12);
  EXPECT_EQ(raised.Take().size(), 0u);
}

}  // namespace
