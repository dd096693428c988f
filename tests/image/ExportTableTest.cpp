#include <gtest/gtest.h>
#include <strings.h>

#include <map>
#include <string>

#include "image/Export.h"

namespace {

struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  }
};

// Images link by name, ignoring case: one name must never stand for two functions.
TEST(ExportTable, NoNameIsBoundToTwoFunctions) {
  std::map<std::string, void*, CaseInsensitiveLess> seen;
  for (const RelocEntry* entry = StaticExportTableBegin(); entry != StaticExportTableEnd();
       ++entry) {
    if (!entry->name) continue;
    EXPECT_NE(entry->code, nullptr) << entry->name;
    auto [it, inserted] = seen.emplace(entry->name, entry->code);
    if (!inserted) {
      EXPECT_EQ(it->second, entry->code) << "export bound twice: " << entry->name;
    }
  }
}

}  // namespace
