// Names, keywords, type names and schemes ignore ASCII letter case alone. A Turkish locale
// pairs "I" with a dotless "i", so the C library's own case-insensitive comparison keeps "I"
// and "i" apart there: every path below gives under tr_TR.UTF-8 what it gives in the C locale.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "StringFunctionsTestSupport.h"
#include "app/PluginMethodLookup.h"
#include "app/PluginProperties.h"
#include "core/ExportSignature.h"
#include "core/GlobalFunctions.h"
#include "core/TypeNames.h"
#include "strings/FormatPicture.h"
#include "strings/NumberFormat.h"
#include "values/VariantTypes.h"
#include "windows/DragAndDropGTK.h"

using namespace strtest;

namespace {

// Each answer is "" where the path finds nothing, so that no row passes by failing in both.
std::string Found(bool found) { return found ? "found" : ""; }

// The keyword, in the locale's own separators, stands for its picture.
std::string ScientificPicture(const char* keyword) {
  const std::string text = Take(StringFormat(123456, string(keyword).Storage()));
  return text == Take(StringFormat(123456, string("-#.000000E+").Storage())) ? "Scientific" : text;
}

std::string IsNumeric(stringStorage* text) {  // takes over text's reference
  RuntimeObject* variant = StringToVariant(text);
  stringStorage::RemoveReference(text);
  const bool numeric = RuntimeIsNumeric(variant);
  RuntimeUnlockObject(variant);
  return Found(numeric);
}

// The function the declaration finds, against the one its own spelling finds.
std::string GlobalMethod(const char* declaration, const char* asDeclared) {
  const void* address = QUORLoadGlobalMethod(0, declaration);
  if (!address) return "";
  return address == QUORLoadGlobalMethod(0, asDeclared) ? "found" : "another function";
}

std::string VariantProperty(RuntimeObject* variant, const char* name) {
  int32_t number = 0;
  stringStorage* text = nullptr;
  const bool found = QUORGetPropValueInt(variant, name, &number) ||
                     QUORGetPropValueString(variant, name, &text);
  stringStorage::RemoveReference(text);
  RuntimeUnlockObject(variant);
  return Found(found);
}

const struct {
  const char* path;
  std::function<std::string()> answer;
} kPaths[] = {
    {"Format keyword", [] { return ScientificPicture("SCIENTIFIC"); }},
    {"IsNumeric(\"inf\")", [] { return IsNumeric(string("inf").ExtractStringStorage()); }},
    {"IsNumeric(Str(Inf))", [] { return IsNumeric(StringStrDouble(INFINITY)); }},
    {"TICKS() AS INTEGER",
     [] { return GlobalMethod("TICKS() AS INTEGER", "Ticks() As Integer"); }},
    {"MICROSECONDS() As Double",
     [] { return GlobalMethod("MICROSECONDS() As Double", "Microseconds() As Double"); }},
    {"Ticks() As int32", [] { return GlobalMethod("Ticks() As int32", "Ticks() As Integer"); }},
    {"Font(n As int32) As String",
     [] { return GlobalMethod("Font(n As int32) As String", "Font(n As Integer) As String"); }},
    {"global function TICKS", [] { return Found(LookupGlobalFunction(string("TICKS"))); }},
    {"export RUNTIMETICKS", [] { return Found(FindExportSignature("RUNTIMETICKS")); }},
    {"type code of integer", [] { return Found(IntrinsicTypeCode("integer")); }},
    {"integervalue", [] { return VariantProperty(Int32ToVariant(5), "integervalue"); }},
    {"STRINGVALUE",
     [] { return VariantProperty(StringToVariant(string("x").Storage()), "STRINGVALUE"); }},
    {"FILE: scheme and host",
     [] { return Found(FilePathsOfURIList("FILE:/a\nfile://MYHOSTI/b", "myhosti").size() == 2); }},
};

TEST(NamesIgnoreASCIICase, EveryPathAnswersUnderATurkishLocaleAsInTheCLocale) {
  std::vector<std::string> inC;
  {
    const ScopedLocale c("C");
    for (const auto& row : kPaths) inC.push_back(row.answer());
  }
  const ScopedLocale turkish("tr_TR.UTF-8");
  ASSERT_TRUE(turkish.active()) << "scripts/install-deps generates tr_TR.UTF-8";
  for (size_t i = 0; i < std::size(kPaths); ++i) {
    EXPECT_NE(inC[i], "") << kPaths[i].path << " finds nothing even in the C locale";
    EXPECT_EQ(kPaths[i].answer(), inC[i]) << kPaths[i].path;
  }
}

}  // namespace
