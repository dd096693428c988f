// The linker against hand-built code and import blocks: each expected code word is computed here
// from the record's meaning, independently of the linker.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "image/Export.h"
#include "image/ExportRegistry.h"
#include "image/ImageBlocks.h"
#include "image/ImageFormat.h"
#include "image/ImageLinker.h"
#include "support/TestSupport.h"

extern "C" int32_t LinkerTestTarget(int32_t value) { return value * 3 + 1; }
QV_EXPORT(LinkerTestTarget)

namespace {

uint32_t Word(const void* p) { return uint32_t(reinterpret_cast<uintptr_t>(p)); }

// A code block in executable memory plus a data block, and an import block under construction.
class LinkerFixture : public ::testing::Test {
 protected:
  static constexpr uint32_t kCodeSize = 256;
  void SetUp() override {
    mCode = AllocateCodeBlock(kCodeSize);
    ASSERT_NE(mCode, nullptr);
    mData.assign(64, 0);
  }
  ImageLinkTarget Target() { return {mCode, kCodeSize, mData.data(), uint32_t(mData.size())}; }

  void SetCodeWord(uint32_t site, uint32_t value) { std::memcpy(mCode + site, &value, 4); }
  uint32_t CodeWord(uint32_t site) const {
    uint32_t value;
    std::memcpy(&value, mCode + site, 4);
    return value;
  }
  // Threads the chain through the sites' words, as a compiler leaves it.
  void Chain(const std::vector<uint32_t>& sites) {
    for (size_t i = 0; i < sites.size(); ++i) SetCodeWord(sites[i], i + 1 < sites.size() ? sites[i + 1] : 0);
  }
  void Put8(uint32_t v) { mImport.push_back(uint8_t(v)); }
  void Put32(uint32_t v) {
    for (int i = 0; i < 4; ++i) Put8(v >> (8 * i));
  }
  void PutName(const std::string& name) {
    Put8(uint32_t(name.size()));
    mImport.insert(mImport.end(), name.begin(), name.end());
  }
  void AddFramework(uint8_t mode, uint32_t firstSite, const std::string& name) {
    Put8(qvimage::kImportFramework);
    Put8(mode);
    Put32(firstSite);
    PutName(name);
  }
  void AddLibrary(uint32_t firstSite, const std::string& function, const std::string& library) {
    Put8(qvimage::kImportLibrary);
    Put32(firstSite);
    PutName(function);
    PutName(library);
  }
  void AddSite(uint8_t kind, uint32_t site) {
    Put8(kind);
    Put32(site);
  }
  bool Link() { return LinkImportBlock(Target(), mImport.data(), uint32_t(mImport.size())); }
  uint32_t Relative(const void* target, uint32_t site) const {
    return Word(target) - (Word(mCode) + site + 4);
  }

  uint8_t* mCode = nullptr;
  std::vector<uint8_t> mData;
  std::vector<uint8_t> mImport;
};

TEST_F(LinkerFixture, FrameworkModesAndChains) {
  qvtest::ReportCapture reports;
  Chain({8, 40, 100});
  AddFramework(qvimage::kImportModeRelative, 8, "LinkerTestTarget");
  Chain({12, 44});
  AddFramework(qvimage::kImportModeAbsolute, 12, "LinkerTestTarget");
  SetCodeWord(16, 0);
  AddFramework(2, 16, "LinkerTestTarget");  // any mode but 1 is absolute
  ASSERT_TRUE(Link());
  EXPECT_TRUE(reports.empty());
  void* target = reinterpret_cast<void*>(&LinkerTestTarget);
  for (uint32_t site : {8u, 40u, 100u}) EXPECT_EQ(CodeWord(site), Relative(target, site)) << site;
  for (uint32_t site : {12u, 44u, 16u}) EXPECT_EQ(CodeWord(site), Word(target)) << site;
}

TEST_F(LinkerFixture, NamesIgnoreCaseAndFirstSiteZeroPatchesNothing) {
  qvtest::ReportCapture reports;
  SetCodeWord(20, 0);
  AddFramework(0, 20, "linkertesttarget");
  AddFramework(0, 0, "LINKERTESTTARGET");
  ASSERT_TRUE(Link());
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(CodeWord(20), Word(reinterpret_cast<void*>(&LinkerTestTarget)));
  EXPECT_EQ(CodeWord(0), 0u);
}

// The call lands on a stub that reports the name and returns 0.
TEST_F(LinkerFixture, MissingFrameworkFunctionIsReportedAndItsCallReportsAgain) {
  // mov eax, 7; call rel32; ret  (the call's operand is the site at offset 6)
  const uint8_t program[] = {0xB8, 7, 0, 0, 0, 0xE8, 0, 0, 0, 0, 0xC3};
  std::memcpy(mCode, program, sizeof(program));
  AddFramework(qvimage::kImportModeRelative, 6, "NoSuchFunctionAnywhere");
  qvtest::ReportCapture reports;
  ASSERT_TRUE(Link());
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_EQ(reports.reports()[0].condition, "foundFunction");
  EXPECT_EQ(reports.reports()[0].extra, "Function 'NoSuchFunctionAnywhere' was not exported");
  reports.clear();
  int32_t result = reinterpret_cast<int32_t (*)()>(mCode)();
  EXPECT_EQ(result, 0);
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_NE(reports.reports()[0].extra.find("NoSuchFunctionAnywhere"), std::string::npos);
}

TEST_F(LinkerFixture, LinkedCallRunsTheExport) {
  // push 5; call rel32; add esp, 4; ret
  const uint8_t program[] = {0x6A, 5, 0xE8, 0, 0, 0, 0, 0x83, 0xC4, 0x04, 0xC3};
  std::memcpy(mCode, program, sizeof(program));
  AddFramework(qvimage::kImportModeRelative, 3, "LinkerTestTarget");
  ASSERT_TRUE(Link());
  EXPECT_EQ(reinterpret_cast<int32_t (*)()>(mCode)(), LinkerTestTarget(5));
}

TEST_F(LinkerFixture, LibraryFunctionsAndTheLibraryCache) {
  qvtest::ReportCapture reports;
  Chain({8, 60});
  AddLibrary(8, "cos", "libm.so.6");
  SetCodeWord(12, 0);
  AddLibrary(12, "sin", "LIBM.SO.6");  // the cached library, whatever the case
  ASSERT_TRUE(Link());
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(CodeWord(8), Relative(reinterpret_cast<void*>(static_cast<double (*)(double)>(&::cos)), 8));
  EXPECT_EQ(CodeWord(60), Relative(reinterpret_cast<void*>(static_cast<double (*)(double)>(&::cos)), 60));
  EXPECT_EQ(CodeWord(12), Relative(reinterpret_cast<void*>(static_cast<double (*)(double)>(&::sin)), 12));
  EXPECT_EQ(OpenImageLibrary("Libm.So.6"), OpenImageLibrary("libm.so.6"));
}

TEST_F(LinkerFixture, MissingLibraryReportsOnceAndEachFunction) {
  qvtest::ReportCapture reports;
  SetCodeWord(8, 0);
  SetCodeWord(12, 0);
  AddLibrary(8, "alpha", "libqvnosuchlibrary.so.9");
  AddLibrary(12, "beta", "LIBQVNOSUCHLIBRARY.so.9");
  AddLibrary(0, "qvNoSuchFunction", "libm.so.6");
  ASSERT_TRUE(Link());
  std::vector<std::string> extras;
  for (const auto& report : reports.reports()) extras.push_back(report.extra);
  EXPECT_EQ(extras, (std::vector<std::string>{
                        "Missing shared library libqvnosuchlibrary.so.9",
                        "Could not resolve function 'alpha' in libqvnosuchlibrary.so.9",
                        "Could not resolve function 'beta' in LIBQVNOSUCHLIBRARY.so.9",
                        "Could not resolve function 'qvNoSuchFunction' in libm.so.6"}));
  EXPECT_EQ(reports.reports()[0].condition, "lib->mLibraryHandle");
  EXPECT_EQ(reports.reports()[1].condition, "functionEntry");
  // Both sites lead to stubs, never to address 0.
  EXPECT_NE(CodeWord(8), Relative(nullptr, 8));
  EXPECT_NE(CodeWord(12), Relative(nullptr, 12));
}

TEST_F(LinkerFixture, AddressesAndStringConstants) {
  SetCodeWord(8, 16);   // data offset
  SetCodeWord(12, 32);  // code offset
  SetCodeWord(20, 0);   // string record at data 0, data pointer still 0
  SetCodeWord(24, 24);  // string record at data 24 with its own data pointer
  uint32_t preset = 0x12345678;
  std::memcpy(mData.data() + 24 + qvimage::kStringConstDataPointerOffset, &preset, 4);
  AddSite(qvimage::kImportDataAddress, 8);
  AddSite(qvimage::kImportCodeAddress, 12);
  Put8(0);   // nothing
  Put8(77);  // unknown kinds carry no payload
  AddSite(qvimage::kImportStringConst, 20);
  AddSite(qvimage::kImportStringConst, 24);
  qvtest::ReportCapture reports;
  ASSERT_TRUE(Link());
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(CodeWord(8), Word(mData.data() + 16));
  EXPECT_EQ(CodeWord(12), Word(mCode + 32));
  EXPECT_EQ(CodeWord(20), Word(mData.data()));
  EXPECT_EQ(CodeWord(24), Word(mData.data() + 24));
  uint32_t pointer;
  std::memcpy(&pointer, mData.data() + 4, 4);
  EXPECT_EQ(pointer, Word(mData.data() + 20));
  std::memcpy(&pointer, mData.data() + 28, 4);
  EXPECT_EQ(pointer, preset);
}

// Every fixed part and name cut short at each length: a report, never a read past the end.
TEST_F(LinkerFixture, RecordsPastTheEndAreReported) {
  std::vector<std::vector<uint8_t>> records;
  AddFramework(0, 0, "LinkerTestTarget");
  records.push_back(mImport);
  mImport.clear();
  AddLibrary(0, "cos", "libm.so.6");
  records.push_back(mImport);
  mImport.clear();
  for (uint8_t kind : {2, 3, 5}) {
    AddSite(kind, 8);
    records.push_back(mImport);
    mImport.clear();
  }
  for (const auto& record : records) {
    for (size_t cut = 1; cut < record.size(); ++cut) {
      std::vector<uint8_t> block(record.begin(), record.begin() + cut);
      qvtest::ReportCapture reports;
      EXPECT_FALSE(LinkImportBlock(Target(), block.data(), uint32_t(block.size())))
          << "kind " << int(record[0]) << " cut " << cut;
      ASSERT_EQ(reports.count(), 1u);
      EXPECT_EQ(reports.reports()[0].condition, "recordFits");
    }
  }
}

TEST_F(LinkerFixture, ChainsLeavingTheCodeBlockOrLoopingAreReported) {
  struct Case {
    std::vector<std::pair<uint32_t, uint32_t>> words;
    uint32_t firstSite;
    const char* condition;
  };
  const Case cases[] = {
      {{{8, kCodeSize}}, 8, "siteInCode"},        // the next site is past the end
      {{{8, kCodeSize - 3}}, 8, "siteInCode"},    // the word would straddle the end
      {{}, kCodeSize - 2, "siteInCode"},          // the first site already outside
      {{{8, 16}, {16, 8}}, 8, "chainEnds"},       // a loop of two
      {{{8, 8}}, 8, "chainEnds"},                 // a site naming itself
      {{{8, 10}, {10, 0}}, 8, "chainEnds"},       // overlapping words
  };
  for (const Case& c : cases) {
    std::memset(mCode, 0, kCodeSize);
    for (auto [site, word] : c.words) SetCodeWord(site, word);
    mImport.clear();
    AddFramework(0, c.firstSite, "LinkerTestTarget");
    qvtest::ReportCapture reports;
    EXPECT_FALSE(Link()) << c.condition << " from " << c.firstSite;
    ASSERT_EQ(reports.count(), 1u);
    EXPECT_EQ(reports.reports()[0].condition, c.condition);
  }
  qvtest::ReportCapture reports;
  mImport.clear();
  AddSite(qvimage::kImportCodeAddress, kCodeSize);
  EXPECT_FALSE(Link());
  EXPECT_TRUE(reports.HasCondition("siteInCode"));
  mImport.clear();
  SetCodeWord(8, uint32_t(mData.size()) - 10);  // a string record cut by the data block's end
  AddSite(qvimage::kImportStringConst, 8);
  EXPECT_FALSE(Link());
  EXPECT_TRUE(reports.HasCondition("stringInData"));
}

}  // namespace
