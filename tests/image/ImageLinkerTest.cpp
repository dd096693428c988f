// The linker's reports and refusals against hand-built code and import blocks; the records'
// normal work is what the end-to-end image test runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "core/Export.h"
#include "image/ImageBlocks.h"
#include "image/ImageFormat.h"
#include "image/ImageLinker.h"
#include "support/TestSupport.h"

extern "C" int32_t LinkerTestTarget(int32_t value) { return value * 3 + 1; }
QV_EXPORT(LinkerTestTarget)

namespace {

// push 5; call rel32 (site 3); add esp, 4; ret
const uint8_t kCallWithFive[] = {0x6A, 5, 0xE8, 0, 0, 0, 0, 0x83, 0xC4, 0x04, 0xC3};

struct LinkerFixture : ::testing::Test {
  static constexpr uint32_t kCodeSize = 256;
  void SetUp() override {
    ASSERT_NE(mCode = AllocateCodeBlock(kCodeSize), nullptr);
    std::memset(mCode, 0, kCodeSize);
    std::memcpy(mCode, kCallWithFive, sizeof kCallWithFive);
  }
  // Import records are built a field at a time: bytes, four-byte sites, names after their length.
  LinkerFixture& Put(uint32_t value, int bytes = 1) {
    const uint8_t* first = reinterpret_cast<uint8_t*>(&value);
    mImport.insert(mImport.end(), first, first + bytes);
    return *this;
  }
  LinkerFixture& PutName(const std::string& name) {
    Put(uint32_t(name.size())).mImport.insert(mImport.end(), name.begin(), name.end());
    return *this;
  }
  LinkerFixture& AddFramework(uint32_t mode, uint32_t site, const std::string& name) {
    return Put(1).Put(mode).Put(site, 4).PutName(name);
  }
  LinkerFixture& AddLibrary(uint32_t site, const std::string& function, const std::string& lib) {
    return Put(qvimage::kImportLibrary).Put(site, 4).PutName(function).PutName(lib);
  }
  bool Link(const std::vector<uint8_t>& b) {
    return LinkImportBlock({mCode, kCodeSize, mData, sizeof mData}, b.data(), uint32_t(b.size()));
  }
  int32_t Run() { return reinterpret_cast<int32_t (*)()>(mCode)(); }
  uint8_t* mCode = nullptr;
  uint8_t mData[64] = {};
  std::vector<uint8_t> mImport;
};

TEST_F(LinkerFixture, NamesIgnoreCaseAndWhatIsMissingIsReportedAndItsCallsAnswerZero) {
  AddFramework(qvimage::kImportModeRelative, 3, "linkertestTARGET");
  ASSERT_TRUE(Link(mImport));
  EXPECT_EQ(Run(), LinkerTestTarget(5));
  mImport.clear();
  std::memcpy(mCode, kCallWithFive, sizeof kCallWithFive);
  AddFramework(qvimage::kImportModeRelative, 3, "NoSuchFunctionAnywhere");
  AddLibrary(20, "alpha", "libqvnosuchlibrary.so.9");
  AddLibrary(24, "beta", "LIBQVNOSUCHLIBRARY.so.9");
  AddLibrary(28, "qvNoSuchFunction", "libm.so.6");
  qvtest::ReportCapture reports;
  ASSERT_TRUE(Link(mImport));
  EXPECT_EQ(Run(), 0) << "the call leads to a stub that reports";
  std::vector<std::string> extras;
  for (const auto& r : reports.reports()) extras.push_back(r.condition + ": " + r.extra);
  EXPECT_EQ(extras, (std::vector<std::string>{
      "foundFunction: Function 'NoSuchFunctionAnywhere' was not exported",
      "lib->mLibraryHandle: Missing shared library libqvnosuchlibrary.so.9",
      "functionEntry: Could not resolve function 'alpha' in libqvnosuchlibrary.so.9",
      "functionEntry: Could not resolve function 'beta' in LIBQVNOSUCHLIBRARY.so.9",
      "functionEntry: Could not resolve function 'qvNoSuchFunction' in libm.so.6",
      "linkedFunction: Function 'NoSuchFunctionAnywhere' was called but could not be linked"}));
}

// Every fixed part and name cut short at each length: a report, never a read past the end.
TEST_F(LinkerFixture, RecordsPastTheEndAreReported) {
  // Where each record ends: a block cut there is whole. Kinds 2, 3 and 5 hold a first site.
  std::vector<size_t> ends;
  ends.push_back(AddFramework(0, 0, "LinkerTestTarget").mImport.size());
  ends.push_back(AddLibrary(0, "cos", "libm.so.6").mImport.size());
  for (uint32_t kind : {2, 3, 5}) ends.push_back(Put(kind).Put(8, 4).mImport.size());
  for (size_t cut = 1; cut < mImport.size(); ++cut) {
    if (std::count(ends.begin(), ends.end(), cut)) continue;
    qvtest::ReportCapture reports;
    EXPECT_FALSE(Link(std::vector<uint8_t>(mImport.begin(), mImport.begin() + cut))) << cut;
    EXPECT_TRUE(reports.count() == 1 && reports.HasCondition("recordFits")) << cut;
  }
}

TEST_F(LinkerFixture, ChainsLeavingTheCodeBlockOrLoopingAreReported) {
  // Site chains written into the code block (site, word), the record's kind and first site;
  // the last, a string record cut by the data block's end.
  using Words = std::vector<std::pair<uint32_t, uint32_t>>;
  const std::tuple<Words, uint32_t, uint32_t, const char*> cases[] = {
      {{{8, kCodeSize}}, 1, 8, "siteInCode"},  {{{8, kCodeSize - 3}}, 1, 8, "siteInCode"},
      {{}, 1, kCodeSize - 2, "siteInCode"},    {{}, 3, kCodeSize, "siteInCode"},
      {{{8, 16}, {16, 8}}, 1, 8, "chainEnds"}, {{{8, 8}}, 1, 8, "chainEnds"},
      {{{8, 10}, {10, 0}}, 1, 8, "chainEnds"}, {{{8, 54}}, 5, 8, "stringInData"}};
  for (const auto& [words, kind, first, condition] : cases) {
    std::memset(mCode, 0, kCodeSize);
    for (auto [site, word] : words) std::memcpy(mCode + site, &word, 4);
    mImport.clear();
    if (kind == 1) AddFramework(0, first, "LinkerTestTarget");
    else Put(kind).Put(first, 4);
    qvtest::ReportCapture reports;
    EXPECT_FALSE(Link(mImport)) << condition << " from " << first;
    EXPECT_TRUE(reports.count() == 1 && reports.HasCondition(condition)) << condition;
  }
}

}  // namespace
