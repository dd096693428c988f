// Printing without the GNOME print library, in this process (no library can be found), and
// with the stand-in library, in a child process (printing_child) that reaches it through
// LD_LIBRARY_PATH: the full stand-in, and one that lacks a single entry point.
#include <gtest/gtest.h>

#include <string>

#include "SpawnedProcess.h"
#include "core/LibraryFinder.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/GTKPrintHelper.h"
#include "graphics/PrinterSetupClass.h"

namespace {

class PrintingWithoutLibrary : public ::testing::Test {
 protected:
  // The finder's listing names nothing, so the library is not found under any name.
  void SetUp() override { SetLibraryListingProgramForTesting({"/bin/echo", ""}); }
  void TearDown() override { SetLibraryListingProgramForTesting({"/sbin/ldconfig", "-p"}); }
};

// The opens give nil and leave no active print object; a given PrinterSetup keeps only the
// caller's reference.
TEST_F(PrintingWithoutLibrary, OpensGiveNil) {
  EXPECT_FALSE(LoadGnomePrint());
  EXPECT_EQ(RuntimeOpenPrinter(nullptr), nullptr);
  EXPECT_EQ(RuntimeOpenPrinterDialog(nullptr, nullptr), nullptr);
  EXPECT_EQ(ActivePrintObject(), nullptr);
  RuntimeObject* setup = NewObjectFromDefinition(PrinterSetupClassDefinition());
  ASSERT_NE(setup, nullptr);
  EXPECT_EQ(RuntimeOpenPrinter(setup), nullptr);
  EXPECT_EQ(RuntimeOpenPrinterDialog(setup, nullptr), nullptr);
  EXPECT_EQ(ActivePrintObject(), nullptr);
  EXPECT_EQ(setup->refCount, 1);
  RuntimeUnlockObject(setup);
}

// A new PrinterSetup reads 72 for its resolutions and 0 for every metric; SetupString keeps
// nothing; PageSetupDialog gives false and refreshes the resolutions from the support, which
// has none to give.
TEST_F(PrintingWithoutLibrary, PrinterSetupReadsDefaultsAndZeroMetrics) {
  RuntimeObject* setup = NewObjectFromDefinition(PrinterSetupClassDefinition());
  ASSERT_NE(setup, nullptr);
  EXPECT_EQ(printerSetupInfoGetter(setup, kSetupVerticalResolution), 72);
  EXPECT_EQ(printerSetupInfoGetter(setup, kSetupHorizontalResolution), 72);
  for (uint32_t index = 2; index <= 12; ++index)
    EXPECT_EQ(printerSetupInfoGetter(setup, index), 0) << "metric " << index;
  const PrinterSetupObject* fields = reinterpret_cast<PrinterSetupObject*>(setup);
  EXPECT_EQ(fields->maxVerticalResolution, 72);
  EXPECT_EQ(fields->maxHorizontalResolution, 72);

  string letter("Letter");
  printerSetupStringSetter(setup, 0, letter.Storage());
  EXPECT_TRUE(string::Adopt(printerSetupStringGetter(setup, 0)).IsEmpty());
  EXPECT_EQ(printerSetupGetLandscape(setup, 0), 0);
  printerSetupSetLandscape(setup, 0, 1);
  EXPECT_EQ(printerSetupGetLandscape(setup, 0), 0);

  EXPECT_EQ(printerSetupPageSetup(setup), 0);
  EXPECT_EQ(printerSetupInfoGetter(setup, kSetupHorizontalResolution), 0);
  EXPECT_EQ(fields->maxHorizontalResolution, 0);
  RuntimeUnlockObject(setup);
}

// Runs one case of printing_child with the stand-in of folder on the library path.
void RunChildCase(const std::string& testCase, const std::string& folder) {
  qvtest::SpawnedProcess child({.program = PRINTING_CHILD,
                                .argv = {PRINTING_CHILD, "--gtest_filter=" + testCase},
                                .environment = {"LD_LIBRARY_PATH=" + folder},
                                .unset = {"LD_LIBRARY_PATH"}});
  const int status = child.Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << child.Output() << child.Errors();
  EXPECT_NE(child.Output().find("[  PASSED  ] 1 test."), std::string::npos)
      << child.Output() << child.Errors();
}

TEST(PrintingWithStandIn, PagesAcrossJobsEqualTheirDrawing) {
  RunChildCase("PrintingChild.PagesAcrossJobsEqualTheirDrawing", STANDIN_FULL_DIR);
}

TEST(PrintingWithStandIn, NoResolutionKeysGivePoints) {
  RunChildCase("PrintingChild.NoResolutionKeysGivePoints", STANDIN_FULL_DIR);
}

TEST(PrintingWithStandIn, MaximaLimitTheResolutionAndMinusOneNever) {
  RunChildCase("PrintingChild.MaximaLimitTheResolutionAndMinusOneNever", STANDIN_FULL_DIR);
}

TEST(PrintingWithStandIn, DialogCopiesAndRangeReachTheGraphics) {
  RunChildCase("PrintDialogChild.CopiesAndRangeReachTheGraphics", STANDIN_FULL_DIR);
}

TEST(PrintingWithStandIn, DialogCancelAndCloseGiveNilAndReleaseTheJob) {
  RunChildCase("PrintDialogChild.CancelAndCloseGiveNilAndReleaseTheJob", STANDIN_FULL_DIR);
}

TEST(PrintingWithStandIn, DialogEndsWhenTheProgramQuits) {
  RunChildCase("PrintDialogChild.AQuitEndsTheDialogAsCancelDoes", STANDIN_FULL_DIR);
}

TEST(PrintingWithStandIn, LibraryLackingAnEntryCountsAsAbsent) {
  RunChildCase("PrintingChild.LibraryLackingAnEntryCountsAsAbsent", STANDIN_SHORT_DIR);
}

}  // namespace
