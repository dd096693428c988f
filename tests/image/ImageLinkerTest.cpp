// The linker's reports and refusals against hand-built code and import blocks; the records'
// normal work is what the end-to-end image test runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "image/Export.h"
#include "image/ImageBlocks.h"
#include "image/ImageFormat.h"
#include "image/ImageLinker.h"
#include "support/TestSupport.h"

extern "C" int32_t LinkerTestTarget(int32_t value) { return value * 3 + 1; }
QV_EXPORT(LinkerTestTarget)

namespace {

class LinkerFixture : public ::testing::Test {
 protected:
  static constexpr uint32_t kCodeSize = 256;
  void SetUp() override {
    ASSERT_NE(mCode = AllocateCodeBlock(kCodeSize), nullptr);
    std::memset(mCode, 0, kCodeSize);
  }
  void SetWord(uint32_t site, uint32_t value) { std::memcpy(mCode + site, &value, 4); }
  void Put(uint32_t value, int bytes = 1) {
    for (int i = 0; i < bytes; ++i) mImport.push_back(uint8_t(value >> 8 * i));
  }
  void PutName(const std::string& name) {
    Put(uint32_t(name.size()));
    mImport.insert(mImport.end(), name.begin(), name.end());
  }
  void AddFramework(uint32_t mode, uint32_t firstSite, const std::string& name) {
    Put(qvimage::kImportFramework), Put(mode), Put(firstSite, 4), PutName(name);
  }
  void AddLibrary(uint32_t firstSite, const std::string& function, const std::string& library) {
    Put(qvimage::kImportLibrary), Put(firstSite, 4), PutName(function), PutName(library);
  }
  bool Link() { return LinkImportBlock({mCode, kCodeSize, mData, sizeof mData}, mImport.data(), uint32_t(mImport.size())); }
  int32_t Run() { return reinterpret_cast<int32_t (*)()>(mCode)(); }
  uint8_t* mCode = nullptr;
  uint8_t mData[64] = {};
  std::vector<uint8_t> mImport;
};

// push 5; call rel32 (site 3); add esp, 4; ret
const uint8_t kCallWithFive[] = {0x6A, 5, 0xE8, 0, 0, 0, 0, 0x83, 0xC4, 0x04, 0xC3};

TEST_F(LinkerFixture, NamesIgnoreCaseAndAMissingFunctionsCallReportsAndAnswersZero) {
  AddFramework(qvimage::kImportModeRelative, 3, "linkertestTARGET");
  std::memcpy(mCode, kCallWithFive, sizeof kCallWithFive);
  ASSERT_TRUE(Link());
  EXPECT_EQ(Run(), LinkerTestTarget(5));
  mImport.clear();
  AddFramework(qvimage::kImportModeRelative, 3, "NoSuchFunctionAnywhere");
  std::memcpy(mCode, kCallWithFive, sizeof kCallWithFive);
  qvtest::ReportCapture reports;
  ASSERT_TRUE(Link());
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_EQ(reports.reports()[0].extra, "Function 'NoSuchFunctionAnywhere' was not exported");
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(reports.count(), 2u);
  EXPECT_NE(reports.reports()[1].extra.find("NoSuchFunctionAnywhere"), std::string::npos);
}

TEST_F(LinkerFixture, MissingLibraryReportsOnceAndEachFunction) {
  AddLibrary(20, "alpha", "libqvnosuchlibrary.so.9");
  AddLibrary(24, "beta", "LIBQVNOSUCHLIBRARY.so.9");
  AddLibrary(3, "qvNoSuchFunction", "libm.so.6");
  std::memcpy(mCode, kCallWithFive, sizeof kCallWithFive);
  qvtest::ReportCapture reports;
  ASSERT_TRUE(Link());
  std::vector<std::string> extras;
  for (const auto& report : reports.reports()) extras.push_back(report.condition + ": " + report.extra);
  EXPECT_EQ(extras, (std::vector<std::string>{
                        "lib->mLibraryHandle: Missing shared library libqvnosuchlibrary.so.9",
                        "functionEntry: Could not resolve function 'alpha' in libqvnosuchlibrary.so.9",
                        "functionEntry: Could not resolve function 'beta' in LIBQVNOSUCHLIBRARY.so.9",
                        "functionEntry: Could not resolve function 'qvNoSuchFunction' in libm.so.6"}));
  EXPECT_EQ(Run(), 0) << "the site leads to a stub, never to address 0";
}

// Every fixed part and name cut short at each length: a report, never a read past the end.
TEST_F(LinkerFixture, RecordsPastTheEndAreReported) {
  std::vector<size_t> ends;  // where each record ends: a whole block, not a cut one
  AddFramework(0, 0, "LinkerTestTarget"), ends.push_back(mImport.size());
  AddLibrary(0, "cos", "libm.so.6"), ends.push_back(mImport.size());
  for (uint32_t kind : {2, 3, 5}) Put(kind), Put(8, 4), ends.push_back(mImport.size());
  for (size_t cut = 1; cut < mImport.size(); ++cut) {
    if (std::count(ends.begin(), ends.end(), cut)) continue;
    const std::vector<uint8_t> block(mImport.begin(), mImport.begin() + cut);
    qvtest::ReportCapture reports;
    EXPECT_FALSE(LinkImportBlock({mCode, kCodeSize, mData, sizeof mData}, block.data(), uint32_t(cut))) << cut;
    EXPECT_TRUE(reports.count() == 1 && reports.HasCondition("recordFits")) << cut;
  }
}

TEST_F(LinkerFixture, ChainsLeavingTheCodeBlockOrLoopingAreReported) {
  const struct { std::vector<std::pair<uint32_t, uint32_t>> words; uint32_t kind, site; const char* condition; } cases[] = {
      {{{8, kCodeSize}}, 1, 8, "siteInCode"},      {{{8, kCodeSize - 3}}, 1, 8, "siteInCode"},
      {{}, 1, kCodeSize - 2, "siteInCode"},        {{}, qvimage::kImportCodeAddress, kCodeSize, "siteInCode"},
      {{{8, 16}, {16, 8}}, 1, 8, "chainEnds"},     {{{8, 8}}, 1, 8, "chainEnds"},
      {{{8, 10}, {10, 0}}, 1, 8, "chainEnds"},     {{{8, 54}}, 5, 8, "stringInData"}};  // the last: a string record cut by the data end
  for (const auto& c : cases) {
    std::memset(mCode, 0, kCodeSize);
    for (auto [site, word] : c.words) SetWord(site, word);
    mImport.clear();
    if (c.kind == 1) AddFramework(0, c.site, "LinkerTestTarget");
    else Put(c.kind), Put(c.site, 4);
    qvtest::ReportCapture reports;
    EXPECT_FALSE(Link()) << c.condition << " from " << c.site;
    EXPECT_TRUE(reports.count() == 1 && reports.HasCondition(c.condition)) << c.condition << " from " << c.site;
  }
}

}  // namespace
