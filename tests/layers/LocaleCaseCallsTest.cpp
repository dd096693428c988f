// Names, keywords, type names and schemes ignore ASCII letter case alone. The C library's case
// functions follow the user's locale, and a Turkish one keeps "I" and "i" apart, so no file
// under src/ names one: ustrcmpi, EqualIgnoringASCIICase and StartsWithIgnoringASCIICase (or
// GLib's g_ascii_ forms) serve instead.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "SourceTree.h"

namespace {

const NameSet kLocaleCaseCalls = {
    "strcasecmp", "strncasecmp", "strcasestr", "wcscasecmp", "wcsncasecmp",
    "toupper",    "tolower",     "towupper",   "towlower",   "_toupper",   "_tolower"};

TEST(LocaleCaseCalls, NoFileUnderSrcNamesACaseFunctionOfTheLocale) {
  std::string found;
  for (const std::string& use : NamesUsed(ReadSourceTree(QV_SOURCE_DIR), kLocaleCaseCalls))
    found += use + "\n";
  EXPECT_EQ(found, "");
  const std::vector<SourceFile> sample = {
      {"core/A.cpp",
       "strcasecmp(a, b);\nstrcasecmp_l(a, b, c);\nstd::toupper(c);\ng_ascii_tolower(c);"}};
  EXPECT_EQ(NamesUsed(sample, kLocaleCaseCalls),
            (std::vector<std::string>{"core/A.cpp: strcasecmp", "core/A.cpp: toupper"}));
}

}  // namespace
