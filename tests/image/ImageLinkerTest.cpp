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
  for (uint32_t kind : {2, 3, 5}) ends.push_back(Put(kind).Put(36 + 4 * kind, 4).mImport.size());
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
      {{{8, 10}, {10, 0}}, 1, 8, "chainEnds"}, {{{8, 48}}, 5, 8, "stringInData"},
      {{{8, 72}}, 2, 8, "addressInBlock"},     {{{8, kCodeSize + 1}}, 3, 8, "addressInBlock"},
      {{{8, 2}}, 5, 8, "stringAligned"}};
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

// A string record in the data block at offset 0 with its length; the rest of the data zero.
void PutStringRecord(uint8_t* data, uint32_t length) {
  const uint32_t header[5] = {0x40000000, 0, length + 2, length, 0x600};
  std::memcpy(data, header, sizeof header);
}

// Each damage to a record or to what it points at is refused with its own report, and the
// code and data blocks are as they were: what sound records before it patched is put back.
TEST_F(LinkerFixture, DamagedRecordsAreRefusedBeforeAnythingIsPatched) {
  const struct {
    const char* condition;
    void (*damage)(LinkerFixture&);
  } cases[] = {
      {"siteZero", [](LinkerFixture& f) { f.Put(qvimage::kImportDataAddress).Put(0, 4); }},
      {"siteZero", [](LinkerFixture& f) { f.Put(qvimage::kImportCodeAddress).Put(0, 4); }},
      {"siteZero", [](LinkerFixture& f) { f.Put(qvimage::kImportStringConst).Put(0, 4); }},
      {"siteTwice", [](LinkerFixture& f) { f.Put(2).Put(40, 4).Put(3).Put(40, 4); }},
      {"siteTwice", [](LinkerFixture& f) { f.Put(2).Put(40, 4).Put(3).Put(42, 4); }},
      {"siteTwice", [](LinkerFixture& f) { f.AddFramework(1, 3, "LinkerTestTarget").Put(2).Put(3, 4); }},
      {"stringDataPointer",
       [](LinkerFixture& f) {
         PutStringRecord(f.mData, 4);
         f.mData[4] = 1;
         f.Put(qvimage::kImportStringConst).Put(40, 4);
       }},
      {"stringInData",  // the record fits, its 43 bytes of text do not
       [](LinkerFixture& f) {
         PutStringRecord(f.mData, 43);
         f.Put(qvimage::kImportStringConst).Put(40, 4);
       }},
      {"stringInData",  // a length that wraps 32-bit arithmetic
       [](LinkerFixture& f) {
         PutStringRecord(f.mData, 0xFFFFFFFF);
         f.Put(qvimage::kImportStringConst).Put(40, 4);
       }},
      {"stringAligned",
       [](LinkerFixture& f) {
         const uint32_t offset = 2;
         std::memcpy(f.mCode + 40, &offset, 4);
         f.Put(qvimage::kImportStringConst).Put(40, 4);
       }},
      {"addressInBlock",
       [](LinkerFixture& f) {
         const uint32_t offset = sizeof f.mData + 1;
         std::memcpy(f.mCode + 40, &offset, 4);
         f.Put(qvimage::kImportDataAddress).Put(44, 4).Put(qvimage::kImportDataAddress).Put(40, 4);
       }},
  };
  for (const auto& c : cases) {
    std::memset(mCode, 0, kCodeSize);
    std::memset(mData, 0, sizeof mData);
    std::memcpy(mCode, kCallWithFive, sizeof kCallWithFive);
    mImport.clear();
    // Sound records first: a function, and a string constant at data offset 32 from site 60.
    AddFramework(qvimage::kImportModeRelative, 3, "LinkerTestTarget");
    PutStringRecord(mData + 32, 4);
    const uint32_t stringOffset = 32;
    std::memcpy(mCode + 60, &stringOffset, 4);
    Put(qvimage::kImportStringConst).Put(60, 4);
    c.damage(*this);
    const std::vector<uint8_t> before(mCode, mCode + kCodeSize);
    const std::vector<uint8_t> data(mData, mData + sizeof mData);
    qvtest::ReportCapture reports;
    EXPECT_FALSE(Link(mImport)) << c.condition;
    EXPECT_TRUE(reports.count() == 1 && reports.HasCondition(c.condition)) << c.condition;
    EXPECT_TRUE(std::equal(before.begin(), before.end(), mCode)) << c.condition;
    EXPECT_TRUE(std::equal(data.begin(), data.end(), mData)) << c.condition;
  }
}

// Two sites may share one string record: the first fills in its data pointer, the second finds
// it set by this linking, not by the image. The text just fits the data block.
TEST_F(LinkerFixture, StringConstantsMayBeSharedAndFillTheDataBlock) {
  PutStringRecord(mData, 42);
  Put(qvimage::kImportStringConst).Put(40, 4).Put(qvimage::kImportStringConst).Put(44, 4);
  ASSERT_TRUE(Link(mImport));
  uint32_t first, second, dataPointer;
  std::memcpy(&first, mCode + 40, 4);
  std::memcpy(&second, mCode + 44, 4);
  std::memcpy(&dataPointer, mData + 4, 4);
  EXPECT_EQ(first, uint32_t(uintptr_t(mData)));
  EXPECT_EQ(second, first);
  EXPECT_EQ(dataPointer, uint32_t(uintptr_t(mData + 20)));
}

// Kind 0 and the kinds the format leaves undefined are one byte each; a framework function's
// mode other than 1 is absolute. Each in turn stands before, between and after sound records.
TEST_F(LinkerFixture, NothingRecordsUnknownKindsAndOtherModesLink) {
  const uint32_t word = 0x11111111;  // a word no record names
  for (uint32_t mode : {0u, 2u, 7u, 255u}) {
    std::memset(mCode + 40, 0, 16);
    std::memcpy(mCode, kCallWithFive, sizeof kCallWithFive);
    std::memset(mData, 0, sizeof mData);
    PutStringRecord(mData, 4);
    std::memcpy(mCode + 52, &word, 4);
    mImport.clear();
    Put(qvimage::kImportNothing).Put(6).Put(255);
    AddFramework(qvimage::kImportModeRelative, 3, "LinkerTestTarget");
    Put(0).Put(mode * 31 + 6);
    AddFramework(mode, 40, "LinkerTestTarget");
    Put(qvimage::kImportStringConst).Put(44, 4).Put(0).Put(0).Put(200);
    qvtest::ReportCapture reports;
    ASSERT_TRUE(Link(mImport)) << mode;
    EXPECT_EQ(reports.count(), 0u) << mode;
    EXPECT_EQ(Run(), LinkerTestTarget(5)) << mode;
    uint32_t absolute, text, untouched;
    std::memcpy(&absolute, mCode + 40, 4);
    std::memcpy(&text, mCode + 44, 4);
    std::memcpy(&untouched, mCode + 52, 4);
    EXPECT_EQ(absolute, uint32_t(uintptr_t(&LinkerTestTarget))) << mode;
    EXPECT_EQ(text, uint32_t(uintptr_t(mData))) << mode;
    EXPECT_EQ(untouched, word) << mode;
  }
}

}  // namespace
