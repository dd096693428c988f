// Sort of String arrays orders by the language's string comparison: characters with case
// ignored, whatever the elements' encodings, not the bytes of the records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arrays/RuntimeArray.h"
#include "strings/RuntimeString.h"
#include "strings/TextEncoding.h"

namespace {

RuntimeArray* StringArray(const std::vector<string>& texts) {
  RuntimeArray* array = CreateArray(1, kArrayString, int32_t(texts.size()) - 1);
  auto** slots = static_cast<stringStorage**>(array->data);
  for (size_t i = 0; i < texts.size(); ++i) slots[i] = string(texts[i]).ExtractStringStorage();
  return array;
}

std::vector<std::string> SortedAsUTF8(const std::vector<string>& texts) {
  RuntimeArray* array = StringArray(texts);
  array->table->sort(array);
  std::vector<std::string> result;
  auto** slots = static_cast<stringStorage**>(array->data);
  for (size_t i = 0; i < texts.size(); ++i) {
    const string text = ConvertEncoding(string(slots[i]), kEncodingUTF8);
    result.emplace_back(text.Bytes(), text.Bytes() + text.Length());
  }
  RuntimeUnlockArray(array);
  return result;
}

string InEncoding(const char* utf8, TextEncoding encoding) {
  const int64_t length = std::char_traits<char>::length(utf8);
  return ConvertEncoding(string::FromBytes(utf8, length, kEncodingUTF8), encoding);
}

// Generated with Python: words = [...]; print(sorted(words, key=str.lower)). No two words are
// equal ignoring case, so the unstable sort has one right answer.
const char* const kWords[] = {"Éb", "éa", "zeta", "Äpfel", "apfel0", "Ölung", "oma",
                              "ÜBER", "uber0", "Ñu", "nu0", "Zz", "ÿ"};
const std::vector<std::string> kPythonOrder = {"apfel0", "nu0", "oma", "uber0", "zeta",
                                               "Zz", "Äpfel", "éa", "Éb", "Ñu",
                                               "Ölung", "ÜBER", "ÿ"};

TEST(StringSortOrderTest, NonASCIILettersOrderByCharacterIgnoringCase) {
  for (TextEncoding encoding : {kEncodingUTF8, kEncodingUnicode16}) {
    SCOPED_TRACE(encoding);
    std::vector<string> texts;
    for (const char* word : kWords) texts.push_back(InEncoding(word, encoding));
    EXPECT_EQ(SortedAsUTF8(texts), kPythonOrder);
  }
}

TEST(StringSortOrderTest, ElementsOfDifferentEncodingsMeetBeforeComparing) {
  const std::vector<string> texts = {InEncoding("b", kEncodingUnicode16),
                                     InEncoding("A", kEncodingUTF8),
                                     InEncoding("é", kEncodingWindowsLatin1),
                                     InEncoding("c", kEncodingUnicode16),
                                     InEncoding("É0", kEncodingUnicode16)};
  EXPECT_EQ(SortedAsUTF8(texts), (std::vector<std::string>{"A", "b", "c", "é", "É0"}));
}

}  // namespace
