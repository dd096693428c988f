#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/ImageSymbols.h"
#include "support/TestSupport.h"

namespace {

// Writes a symbols block: count, pairs, names area.
std::vector<uint8_t> SymbolsBlock(const std::vector<std::pair<uint32_t, std::string>>& symbols) {
  std::vector<uint8_t> block(4 + 8 * symbols.size());
  uint32_t count = uint32_t(symbols.size());
  std::memcpy(block.data(), &count, 4);
  std::string names;
  for (size_t i = 0; i < symbols.size(); ++i) {
    uint32_t pair[2] = {symbols[i].first, uint32_t(names.size())};
    std::memcpy(block.data() + 4 + 8 * i, pair, 8);
    names += symbols[i].second + '\0';
  }
  block.insert(block.end(), names.begin(), names.end());
  return block;
}

TEST(ImageSymbols, ParseKeepsBlockOrderAndReportsDamage) {
  std::vector<uint8_t> block = SymbolsBlock({{0, "Entry"}, {64, "Helper"}, {32, "Middle"}});
  std::vector<ImageSymbol> symbols = ParseImageSymbols(block.data(), uint32_t(block.size()));
  ASSERT_EQ(symbols.size(), 3u);
  EXPECT_EQ(symbols[1].codeOffset, 64u);
  EXPECT_STREQ(symbols[1].name.CString(), "Helper");
  EXPECT_EQ(symbols[1].name.Encoding(), kEncodingASCII);
  EXPECT_STREQ(symbols[2].name.CString(), "Middle");

  qvtest::ReportCapture reports;
  std::vector<uint8_t> shortBlock(block.begin(), block.begin() + 20);  // count says 3 pairs
  EXPECT_TRUE(ParseImageSymbols(shortBlock.data(), uint32_t(shortBlock.size())).empty());
  EXPECT_TRUE(reports.HasCondition("symbolsFit"));
  reports.clear();
  uint32_t farName = 1000;
  std::memcpy(block.data() + 4 + 8 + 4, &farName, 4);  // second name far outside
  symbols = ParseImageSymbols(block.data(), uint32_t(block.size()));
  ASSERT_EQ(symbols.size(), 3u);
  EXPECT_TRUE(symbols[1].name.IsEmpty());
  EXPECT_TRUE(reports.HasCondition("symbolName"));
  uint32_t hugeCount = 0x40000000;  // 8 * count overflows 32 bits
  std::memcpy(block.data(), &hugeCount, 4);
  EXPECT_TRUE(ParseImageSymbols(block.data(), uint32_t(block.size())).empty());
  std::vector<uint8_t> unterminated = SymbolsBlock({{4, "Tail"}});
  unterminated.pop_back();  // the last name loses its NUL
  symbols = ParseImageSymbols(unterminated.data(), uint32_t(unterminated.size()));
  ASSERT_EQ(symbols.size(), 1u);
  EXPECT_STREQ(symbols[0].name.CString(), "Tail");
}

TEST(ImageSymbols, Boundaries) {
  const uint32_t base = 0x10000, size = 0x100;
  std::vector<ImageSymbol> symbols = {{0x10, "A"}, {0x40, "B"}};
  string name = "untouched";
  uint32_t offset = 77;
  EXPECT_FALSE(FindImageSymbol(symbols, base, size, base + size, &name, &offset));
  EXPECT_FALSE(FindImageSymbol(symbols, base, size, base - 1, &name, &offset));
  EXPECT_STREQ(name.CString(), "untouched");
  EXPECT_EQ(offset, 77u);
  EXPECT_FALSE(FindImageSymbol({}, base, size, base + 4, &name, &offset));
  // Before the first symbol: true, empty name, offset = code size.
  EXPECT_TRUE(FindImageSymbol(symbols, base, size, base + 0x8, &name, &offset));
  EXPECT_TRUE(name.IsEmpty());
  EXPECT_EQ(offset, size);
  // Exactly at a symbol's offset belongs to the symbol before it.
  EXPECT_TRUE(FindImageSymbol(symbols, base, size, base + 0x40, &name, &offset));
  EXPECT_STREQ(name.CString(), "A");
  EXPECT_EQ(offset, 0x30u);
  EXPECT_TRUE(FindImageSymbol(symbols, base, size, base + 0x41, nullptr, nullptr));
  EXPECT_TRUE(FindImageSymbol(symbols, base, size, base + size - 1, &name, &offset));
  EXPECT_STREQ(name.CString(), "B");
  EXPECT_EQ(offset, size - 1 - 0x40);
}

// With ascending offsets the answer is the nearest symbol strictly below: a binary search.
TEST(ImageSymbols, AscendingTableMatchesNearestBelow) {
  std::mt19937 random(7);
  const uint32_t base = 0x400000, size = 5000;
  std::vector<uint32_t> offsets;
  for (uint32_t o = 0; o < size; o += 1 + random() % 90) offsets.push_back(o);
  std::vector<ImageSymbol> symbols;
  for (uint32_t o : offsets) symbols.push_back({o, string(("s" + std::to_string(o)).c_str())});
  for (uint32_t d = 0; d < size; ++d) {
    auto above = std::lower_bound(offsets.begin(), offsets.end(), d);
    std::string expectedName = above == offsets.begin() ? "" : "s" + std::to_string(*(above - 1));
    uint32_t expectedOffset = above == offsets.begin() ? size : d - *(above - 1);
    string name;
    uint32_t offset = 0;
    ASSERT_TRUE(FindImageSymbol(symbols, base, size, base + d, &name, &offset));
    ASSERT_STREQ(name.CString(), expectedName.c_str()) << d;
    ASSERT_EQ(offset, expectedOffset) << d;
  }
}

// No image has been loaded in this process: no symbols block.
TEST(ImageSymbols, WithoutASymbolsBlockLookupClearsItsOutputs) {
  string name = "stale";
  uint32_t offset = 9;
  EXPECT_FALSE(LookupImageSymbol(0x1234, &name, &offset));
  EXPECT_TRUE(name.IsEmpty());
  EXPECT_EQ(offset, 0u);
  EXPECT_FALSE(LookupImageSymbol(0x1234, nullptr, nullptr));
}

}  // namespace
