// The flat calls over StringMap and StringSet; the maps themselves are compared against models
// in StringMapTest.
#include "core/StringMapFlat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace {

std::string Std(const string& s) { return std::string(s.CString(), s.Length()); }

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

// Members ignore case and keep the form first added; a walk may remove the member it stands on;
// deleting the set deletes an iterator still attached.
TEST(StringSet, MembersIgnoreCaseAndAWalkMayRemoveAsItGoes) {
  StringSet* set = NewStringSet();
  for (const char* member : {"Alpha", "beta", "ALPHA", "Gamma", "delta"}) StringSetAdd(set, member);
  StringSetRemove(set, "GAMMA");
  EXPECT_TRUE(StringSetContains(set, "BETA"));
  EXPECT_FALSE(StringSetContains(set, "gamma"));
  StringSetIterator* it = NewStringSetIterator(set);
  EXPECT_TRUE(StringSetIteratorKey(it).IsEmpty());  // before the first member
  std::vector<std::string> walked;
  for (string key = StringSetIteratorNextKey(it); !key.IsEmpty();
       key = StringSetIteratorNextKey(it)) {
    walked.push_back(Std(key));
    if (walked.size() == 2) it->RemoveCurrent();
  }
  EXPECT_EQ(walked, (std::vector<std::string>{"Alpha", "beta", "delta"}));
  EXPECT_FALSE(StringSetContains(set, "beta"));
  DeleteStringSetIterator(it);
  NewStringSetIterator(set);
  DeleteStringSet(set);  // deletes the attached iterator too
}

}  // namespace
