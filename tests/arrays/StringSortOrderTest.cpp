// Sort of String arrays orders by the language's string comparison: characters with case
// ignored, whatever the elements' encodings, not the bytes of the records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "arrays/RuntimeArray.h"
#include "strings/RuntimeString.h"
#include "strings/TextEncoding.h"

namespace {

// Generated with Python: words = [...]; print(sorted(words, key=str.lower)). No two words are
// equal ignoring case, so the unstable sort has one right answer.
const char* const kWords[] = {"Éb", "éa", "zeta", "Äpfel", "apfel0", "Ölung", "oma",
                              "ÜBER", "uber0", "Ñu", "nu0", "Zz", "ÿ"};
const std::vector<std::string> kPythonOrder = {"apfel0", "nu0", "oma", "uber0", "zeta",
                                               "Zz", "Äpfel", "éa", "Éb", "Ñu",
                                               "Ölung", "ÜBER", "ÿ"};

// All in one encoding, then each word in one of three, so that elements meet before comparing.
TEST(StringSortOrderTest, NonASCIILettersOrderByCharacterIgnoringCaseInAnyEncodings) {
  const TextEncoding encodings[] = {kEncodingUTF8, kEncodingUnicode16, kEncodingWindowsLatin1};
  for (int mix = 0; mix < 3; ++mix) {
    SCOPED_TRACE(mix);
    const int32_t count = int32_t(std::size(kWords));
    RuntimeArray* array = CreateArray(1, kArrayString, count - 1);
    auto** slots = static_cast<stringStorage**>(array->data);
    for (int32_t i = 0; i < count; ++i) {
      const string utf8 = string::FromBytes(kWords[i], std::strlen(kWords[i]), kEncodingUTF8);
      const TextEncoding encoding = encodings[mix < 2 ? mix : i % 3];
      slots[i] = ConvertEncoding(utf8, encoding).ExtractStringStorage();
    }
    array->table->sort(array);
    std::vector<std::string> sorted;
    for (int32_t i = 0; i < count; ++i) {
      const string text = ConvertEncoding(string(slots[i]), kEncodingUTF8);
      sorted.emplace_back(text.Bytes(), text.Bytes() + text.Length());
    }
    EXPECT_EQ(sorted, kPythonOrder);
    RuntimeUnlockArray(array);
  }
}

}  // namespace
