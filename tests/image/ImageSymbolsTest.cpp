// The symbols block: parsing with damage reported, and the nearest-symbol-below lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "image/ImageSymbols.h"
#include "support/TestSupport.h"

namespace {

// A symbols block: count, {offset, name offset} pairs, names area.
std::vector<uint8_t> SymbolsBlock(const std::vector<std::pair<uint32_t, std::string>>& symbols) {
  std::vector<uint32_t> words = {uint32_t(symbols.size())};
  std::string names;
  for (const auto& [offset, name] : symbols) words.insert(words.end(), {offset, uint32_t(names.size())}), names += name + '\0';
  std::vector<uint8_t> block(reinterpret_cast<uint8_t*>(words.data()), reinterpret_cast<uint8_t*>(words.data() + words.size()));
  block.insert(block.end(), names.begin(), names.end());
  return block;
}

TEST(ImageSymbols, ParseKeepsBlockOrderAndReportsDamage) {
  std::vector<uint8_t> block = SymbolsBlock({{0, "Entry"}, {64, "Helper"}, {32, "Middle"}});
  std::vector<ImageSymbol> symbols = ParseImageSymbols(block.data(), uint32_t(block.size()));
  ASSERT_EQ(symbols.size(), 3u);
  EXPECT_EQ(symbols[1].codeOffset, 64u);
  EXPECT_EQ(std::string(symbols[1].name.CString()) + symbols[2].name.CString(), "HelperMiddle");
  qvtest::ReportCapture reports;
  EXPECT_TRUE(ParseImageSymbols(block.data(), 20).empty()) << "the count says 3 pairs";
  EXPECT_TRUE(reports.HasCondition("symbolsFit"));
  const uint32_t farName = 1000, hugeCount = 0x40000000;  // 8 * count overflows 32 bits
  std::memcpy(block.data() + 16, &farName, 4);
  symbols = ParseImageSymbols(block.data(), uint32_t(block.size()));
  EXPECT_TRUE(symbols.size() == 3 && symbols[1].name.IsEmpty() && reports.HasCondition("symbolName"));
  std::memcpy(block.data(), &hugeCount, 4);
  EXPECT_TRUE(ParseImageSymbols(block.data(), uint32_t(block.size())).empty());
  block = SymbolsBlock({{4, "Tail"}});
  symbols = ParseImageSymbols(block.data(), uint32_t(block.size() - 1));  // the last name lost its NUL
  EXPECT_TRUE(symbols.size() == 1 && std::string(symbols[0].name.CString()) == "Tail");
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
  for (uint32_t d = 0; d < size; ++d) {
    auto above = std::lower_bound(offsets.begin(), offsets.end(), d);
    const std::string expectedName = above == offsets.begin() ? "" : "s" + std::to_string(above[-1]);
    string name;
    uint32_t offset = 0;
    ASSERT_TRUE(FindImageSymbol(symbols, base, size, base + d, &name, &offset));
    ASSERT_STREQ(name.CString(), expectedName.c_str()) << d;
    ASSERT_EQ(offset, above == offsets.begin() ? size : d - above[-1]) << d;
  }
  string name = "untouched";
  uint32_t offset = 77;
  EXPECT_FALSE(FindImageSymbol(symbols, base, size, base + size, &name, &offset));
  EXPECT_FALSE(FindImageSymbol(symbols, base, size, base - 1, &name, &offset));
  EXPECT_EQ(std::string(name.CString()) + std::to_string(offset), "untouched77");
}

}  // namespace
