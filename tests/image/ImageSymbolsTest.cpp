// The symbols block: parsing with damage reported, and the nearest-symbol-below lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "image/ImageSymbols.h"
#include "support/TestSupport.h"

namespace {

TEST(ImageSymbols, ParseKeepsBlockOrderAndReportsDamage) {
  // Count, {code offset, name offset} pairs, names.
  const uint32_t words[] = {3, 0, 0, 64, 6, 32, 13};
  const std::string bytes = std::string(reinterpret_cast<const char*>(words), sizeof words) +
                            std::string("Entry\0Helper\0Tail", 17);  // the last name without its NUL
  std::vector<uint8_t> block(bytes.begin(), bytes.end());
  std::vector<ImageSymbol> symbols = ParseImageSymbols(block.data(), uint32_t(block.size()));
  ASSERT_EQ(symbols.size(), 3u);
  EXPECT_EQ(std::to_string(symbols[1].codeOffset) + symbols[1].name.CString() + symbols[2].name.CString(), "64HelperTail");
  qvtest::ReportCapture reports;
  EXPECT_TRUE(ParseImageSymbols(block.data(), 20).empty()) << "the count says 3 pairs";
  EXPECT_TRUE(reports.HasCondition("symbolsFit"));
  const uint32_t farName = 1000, hugeCount = 0x40000000;  // 8 * count overflows 32 bits
  std::memcpy(block.data() + 16, &farName, 4);
  symbols = ParseImageSymbols(block.data(), uint32_t(block.size()));
  EXPECT_TRUE(symbols.size() == 3 && symbols[1].name.IsEmpty() && reports.HasCondition("symbolName"));
  std::memcpy(block.data(), &hugeCount, 4);
  EXPECT_TRUE(ParseImageSymbols(block.data(), uint32_t(block.size())).empty());
}

// The nearest symbol strictly below; before the first one an empty name and the code size;
// outside the code block nothing, and nothing written.
TEST(ImageSymbols, LookupMatchesTheNearestSymbolBelow) {
  std::mt19937 random(7);
  const uint32_t base = 0x400000, size = 5000;
  std::vector<uint32_t> offsets;
  std::vector<ImageSymbol> symbols;
  for (uint32_t o = 1 + random() % 90; o < size; o += 1 + random() % 90)
    offsets.push_back(o), symbols.push_back({o, string(("s" + std::to_string(o)).c_str())});
  string name = "untouched";
  uint32_t offset = 77;
  EXPECT_FALSE(FindImageSymbol(symbols, base, size, base + size, &name, &offset) ||
               FindImageSymbol(symbols, base, size, base - 1, &name, &offset));
  EXPECT_EQ(std::string(name.CString()) + std::to_string(offset), "untouched77");
  for (uint32_t d = 0; d < size; ++d) {
    auto above = std::lower_bound(offsets.begin(), offsets.end(), d);
    const bool first = above == offsets.begin();
    ASSERT_TRUE(FindImageSymbol(symbols, base, size, base + d, &name, &offset));
    ASSERT_EQ(name.CString() + std::string(":") + std::to_string(offset),
              first ? ":" + std::to_string(size) : "s" + std::to_string(above[-1]) + ":" + std::to_string(d - above[-1]));
  }
}

}  // namespace
