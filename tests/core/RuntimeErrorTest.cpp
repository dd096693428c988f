#include "core/RuntimeError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "support/GuiDriver.h"
#include "support/ScopedNoDisplay.h"
#include "support/TestSupport.h"

namespace {

using testing::HasSubstr;

// The report's ten lines, written out independently of the formatter.
std::string ExpectedReport(const std::string& heading, const std::string& location,
                           const std::string& condition, const std::string& extra) {
  return heading + "\nPress OK to Continue\nPress Cancel to Quit.\n\nPlease report what caused " +
         "this error\nalong with the information below.\n\n" + location + "\nFailure Condition: " +
         condition + "\n" + extra + "\n";
}

// Paths and texts are data, never a format; nil prints as empty; unknown codes are named so.
TEST(RuntimeErrorFormat, TextsAndReportsReadLineByLine) {
  EXPECT_EQ(RuntimeErrorText(9), nullptr);
  EXPECT_EQ(FormatRuntimeErrorReport(8, nullptr, -2147483647 - 1, nullptr, nullptr) + "\n",
            ExpectedReport("Runtime Error 8: Unhandled Exception", ": -2147483648", "", ""));
  EXPECT_EQ(
      FormatRuntimeErrorReport(-7, "dir%s/%n.cpp", 5, "a % b", "100%d%%") + "\n",
      ExpectedReport("Runtime Error -7: Unknown Error", "dir%s/%n.cpp: 5", "a % b", "100%d%%"));
}

// Each check form reports its condition text once (evaluated once), with file and line, to the
// hook that is installed.
TEST(RuntimeErrorCheck, FailingChecksReportAndPassingOnesDoNot) {
  int calls = 0;
  auto fails = [&calls] { return ++calls > 5; };
  qvtest::ReportCapture capture;
  EXPECT_TRUE(QV_CHECK(calls == 0));
  const int line = __LINE__ + 1;
  EXPECT_FALSE(QV_CHECK(fails()));
  EXPECT_FALSE(QV_CHECK_MSG(calls < 0, "a negative count"));
  EXPECT_FALSE(QV_CHECK_TEXT(calls < 0, "mRep->mRefCount >= 0", nullptr));
  QV_FAIL("unreachable state");
  EXPECT_EQ(calls, 1);
  const std::vector<qvtest::CapturedReport>& r = capture.reports();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].sourcePath + ":" + std::to_string(r[0].line),
            "RuntimeErrorTest.cpp:" + std::to_string(line));
  EXPECT_EQ(r[0].code, kErrorFailedAssertion);
  EXPECT_TRUE(r[0].extraWasNil);
  EXPECT_EQ(r[0].condition, "fails()");
  EXPECT_EQ(r[1].condition + "|" + r[1].extra, "calls < 0|a negative count");
  EXPECT_EQ(r[2].condition, "mRep->mRefCount >= 0");
  EXPECT_EQ(r[3].condition + "|" + r[3].extra, "0|unreachable state");
}

// The child is a fresh run of this binary with no DISPLAY, so GTK never opened one.
TEST(RuntimeErrorReportDeathTest, WithoutDisplayWritesToStandardErrorAndReturns) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScopedNoDisplay noDisplay;
  EXPECT_EXIT(
      {
        if (qvtest::HaveDisplay()) std::_Exit(2);
        qvtest::RealReports real;
        ReportRuntimeError(kReportKindFramework, 12, "x.cpp", 1, "0", nullptr);
        std::fputs("carried on\n", stderr);
        std::fflush(stderr);
        std::_Exit(3);
      },
      testing::ExitedWithCode(3),
      testing::StrEq(ExpectedReport("Runtime Error 12: Unknown Error", "x.cpp: 1", "0", "") +
                     "carried on\n"));
}

// What the report's dialog showed, whether it was modal and whether it had a parent.
struct ShownReport {
  std::string text;
  bool modal = false, hasParent = true;
};

// Answers the report's dialog with a click on button once it is on screen; what it showed goes
// to *shown.
void AnswerReport(qvtest::GuiDriver& gui, const std::string& button, ShownReport* shown) {
  gui.Meanwhile([&gui, shown, button] {
    const qvtest::XWindow dialog = gui.WaitForWindow("Runtime Error");
    ASSERT_TRUE(dialog);
    GtkWindow* window = gui.Gtk(dialog);
    ASSERT_NE(window, nullptr);
    *shown = {gui.Texts(dialog).at(0), bool(gtk_window_get_modal(window)),
              gtk_window_get_transient_for(window) != nullptr};
    gui.Click(gui.FindButton(dialog, button));
  });
}

// OK returns to the caller with the dialog gone; text that is not UTF-8 shows repaired.
TEST(RuntimeErrorDialog, ShowsTheReportModallyAndOkReturns) {
  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  ShownReport shown;
  AnswerReport(gui, "OK", &shown);
  qvtest::RealReports real;
  ReportRuntimeError(kReportKindFramework, 4, "core/Dialog.cpp", 358, "ptr", "name \xff end");
  ASSERT_TRUE(gui.StepsDone());
  EXPECT_TRUE(shown.modal);
  EXPECT_FALSE(shown.hasParent);
  EXPECT_TRUE(g_utf8_validate(shown.text.c_str(), -1, nullptr));
  EXPECT_THAT(shown.text, HasSubstr("core/Dialog.cpp: 358\nFailure Condition: ptr\nname "));
  EXPECT_THAT(shown.text, HasSubstr(" end"));
  EXPECT_EQ(gui.FindWindow("Runtime Error"), 0u);
}

// The child is a fresh run of this binary with its own display connection.
TEST(RuntimeErrorDialogDeathTest, CancelEndsTheProcessWithStatusZero) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::atexit([] { std::fputs("exit handlers ran\n", stderr); });
        qvtest::GuiDriver gui;
        ShownReport shown;
        AnswerReport(gui, "Cancel", &shown);
        qvtest::RealReports real;
        ReportRuntimeError(kReportKindFramework, 4, "core/Dialog.cpp", 358, "ptr", nullptr);
        std::fputs("carried on after Cancel\n", stderr);
        std::_Exit(3);
      },
      testing::ExitedWithCode(0),
      testing::AllOf(HasSubstr("exit handlers ran"), testing::Not(HasSubstr("carried on"))));
}

}  // namespace
