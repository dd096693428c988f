// The symbols block: parsing with damage reported, and the nearest-symbol-below lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "image/ImageSymbols.h"
#include "support/TestSupport.h"

namespace {

TEST(ImageSymbols, ParseKeepsBlockOrderAndReportsDamage) {
  // Count, {code offset, name offset} pairs, names (the last without its NUL).
  const uint32_t words[] = {3, 0, 0, 64, 6, 32, 13};
  const std::string bytes = std::string(reinterpret_cast<const char*>(words), sizeof words) +
                            std::string("Entry\0Helper\0Tail", 17);
  std::vector<uint8_t> block(bytes.begin(), bytes.end());
  std::vector<ImageSymbol> symbols = ParseImageSymbols(block.data(), uint32_t(block.size()));
  ASSERT_EQ(symbols.size(), 3u);
  EXPECT_EQ(symbols[1].codeOffset, 64u);
  EXPECT_STREQ(symbols[1].name.CString(), "Helper");
  EXPECT_STREQ(symbols[2].name.CString(), "Tail");
  qvtest::ReportCapture reports;
  EXPECT_TRUE(ParseImageSymbols(block.data(), 20).empty()) << "the count says 3 pairs";
  EXPECT_TRUE(reports.HasCondition("symbolsFit"));
  const uint32_t farName = 1000;
  std::memcpy(block.data() + 16, &farName, 4);
  symbols = ParseImageSymbols(block.data(), uint32_t(block.size()));
  ASSERT_EQ(symbols.size(), 3u);
  EXPECT_TRUE(symbols[1].name.IsEmpty());
  EXPECT_TRUE(reports.HasCondition("symbolName"));
  const uint32_t hugeCount = 0x40000000;  // 8 * count overflows 32 bits
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
  for (uint32_t o = 1 + random() % 90; o < size; o += 1 + random() % 90) {
    offsets.push_back(o);
    symbols.push_back({o, string(("s" + std::to_string(o)).c_str())});
  }
  string name = "untouched";
  uint32_t offset = 77;
  EXPECT_FALSE(FindImageSymbol(symbols, base, size, base + size, &name, &offset));
  EXPECT_FALSE(FindImageSymbol(symbols, base, size, base - 1, &name, &offset));
  EXPECT_STREQ(name.CString(), "untouched");
  EXPECT_EQ(offset, 77u);
  for (uint32_t d = 0; d < size; ++d) {
    auto above = std::lower_bound(offsets.begin(), offsets.end(), d);
    const bool first = above == offsets.begin();
    ASSERT_TRUE(FindImageSymbol(symbols, base, size, base + d, &name, &offset));
    ASSERT_EQ(name.CString(), first ? "" : "s" + std::to_string(above[-1])) << d;
    ASSERT_EQ(offset, first ? size : d - above[-1]) << d;
  }
}

}  // namespace
