#include "core/StringMapFlat.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

std::string Std(const string& s) { return std::string(s.CString(), s.Length()); }

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

TEST(StringMapFlat, KeywordTableLooksUpIgnoringCaseAndNilArgumentsReport) {
  StringMapULong* table = NewStringMapULong();
  const char* const keywords[] = {"As", "ByRef", "ByVal", "Optional", "ParamArray", "Assigns"};
  for (unsigned long i = 0; i < 6; ++i) StringMapULongInsert(table, keywords[i], i + 1);
  EXPECT_EQ(StringMapULongLookup(table, "PARAMARRAY"), 5ul);
  EXPECT_EQ(StringMapULongLookup(table, "Extends"), 0ul);
  StringMapULongIterator* it = NewStringMapULongIterator(table);
  std::vector<std::string> keys;
  for (unsigned long i = 1; StringMapULongIteratorNext(it); ++i) {
    keys.push_back(Std(StringMapULongIteratorKey(it)));
    EXPECT_EQ(StringMapULongIteratorValue(it), i);
  }
  EXPECT_EQ(keys, std::vector<std::string>(keywords, keywords + 6));
  DeleteStringMapULongIterator(it);
  DeleteStringMapULong(table);
  qvtest::ReportCapture capture;
  EXPECT_EQ(StringMapULongLookup(nullptr, "a"), 0ul);
  EXPECT_FALSE(StringSetContains(nullptr, "a"));
  EXPECT_EQ(capture.count(), 2u);
}

// A StringSet against std::set of upper-cased members, then a walk that removes the even
// members as it goes and still sees each member once, in the order (and form) first added.
TEST(StringSet, MatchesAFoldedStdSet) {
  std::mt19937 rng(8);
  StringSet* set = NewStringSet();
  std::set<std::string> reference;
  std::vector<std::string> order;
  for (int step = 0; step < 3000; ++step) {
    std::string key = "member" + std::to_string(rng() % 200);
    if (rng() % 2) key = Upper(key);
    if (rng() % 3 == 0) {
      StringSetRemove(set, key.c_str());
      if (reference.erase(Upper(key)))
        order.erase(std::find_if(order.begin(), order.end(),
                                 [&](auto& m) { return Upper(m) == Upper(key); }));
    } else {
      StringSetAdd(set, key.c_str());
      if (reference.insert(Upper(key)).second) order.push_back(key);
    }
    std::string probe = "MEMBER" + std::to_string(rng() % 200);
    ASSERT_EQ(StringSetContains(set, probe.c_str()), reference.count(probe) == 1);
  }
  StringSetIterator* it = NewStringSetIterator(set);
  EXPECT_TRUE(StringSetIteratorKey(it).IsEmpty());  // before the first member
  std::vector<std::string> walked;
  for (string key = StringSetIteratorNextKey(it); !key.IsEmpty();
       key = StringSetIteratorNextKey(it)) {
    walked.push_back(Std(key));
    if (std::stoi(Std(key).substr(6)) % 2 == 0) it->RemoveCurrent();
  }
  EXPECT_EQ(walked, order);
  for (const std::string& member : order)
    EXPECT_EQ(StringSetContains(set, member.c_str()), std::stoi(member.substr(6)) % 2 == 1)
        << member;
  DeleteStringSetIterator(it);
  NewStringSetIterator(set);
  DeleteStringSet(set);  // deletes the attached iterator too
}

}  // namespace
