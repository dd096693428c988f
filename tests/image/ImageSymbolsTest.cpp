// The symbols block: parsing with damage reported, and the nearest-symbol-below lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "image/ImageSymbols.h"
#include "support/TestSupport.h"

namespace {

TEST(ImageSymbols, ParseKeepsBlockOrder) {
  // Count, {code offset, name offset} pairs, names.
  const uint32_t words[] = {3, 0, 0, 64, 6, 32, 13};
  const std::string bytes = std::string(reinterpret_cast<const char*>(words), sizeof words) +
                            std::string("Entry\0Helper\0Tail\0", 18);
  std::vector<uint8_t> block(bytes.begin(), bytes.end());
  std::vector<ImageSymbol> symbols;
  ASSERT_TRUE(ParseImageSymbols(block.data(), uint32_t(block.size()), 64, &symbols));
  ASSERT_EQ(symbols.size(), 3u);
  EXPECT_EQ(symbols[1].codeOffset, 64u);
  EXPECT_STREQ(symbols[1].name.CString(), "Helper");
  EXPECT_STREQ(symbols[2].name.CString(), "Tail");
  EXPECT_TRUE(ParseImageSymbols(nullptr, 0, 64, &symbols));
  EXPECT_TRUE(symbols.empty()) << "no block, no symbols";
}

// Each kind of damage is reported by its own condition and refuses the block.
TEST(ImageSymbols, DamagedBlocksAreRefused) {
  const uint32_t words[] = {2, 0, 0, 64, 6};
  const std::string bytes = std::string(reinterpret_cast<const char*>(words), sizeof words) +
                            std::string("Entry\0Helper\0", 13);
  const std::vector<uint8_t> good(bytes.begin(), bytes.end());
  const struct {
    size_t at;
    uint32_t word;  // written at byte at; at past the block cuts it there instead
    size_t cut;
    const char* condition;
  } cases[] = {
      {0, 4, good.size(), "symbolsFit"},           // the count says 4 pairs
      {0, 0x40000000, good.size(), "symbolsFit"},  // 8 * count overflows 32 bits
      {0, 2, 3, "symbolsFit"},                     // not even a count
      {16, 1000, good.size(), "symbolName"},       // a name far outside the area
      {0, 2, good.size() - 1, "symbolName"},       // the last name lost its NUL
      {12, 65, good.size(), "symbolInCode"},       // past the 64 code bytes
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> block(good.begin(), good.begin() + c.cut);
    if (c.at + 4 <= block.size()) std::memcpy(block.data() + c.at, &c.word, 4);
    qvtest::ReportCapture reports;
    std::vector<ImageSymbol> symbols;
    EXPECT_FALSE(ParseImageSymbols(block.data(), uint32_t(block.size()), 64, &symbols))
        << c.condition;
    EXPECT_TRUE(reports.count() == 1 && reports.HasCondition(c.condition)) << c.condition;
  }
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
