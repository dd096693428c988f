#include "core/RuntimeError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

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
        ReportRuntimeError(kReportKindFramework, 12, "x.cpp", 1, "0", nullptr);
        std::fputs("carried on\n", stderr);
        std::fflush(stderr);
        std::_Exit(3);
      },
      testing::ExitedWithCode(3),
      testing::StrEq(ExpectedReport("Runtime Error 12: Unknown Error", "x.cpp: 1", "0", "") +
                     "carried on\n"));
}

// Answers the report's dialog from a timeout inside its modal loop, as a person would.
struct DialogDriver {
  gint response;
  bool found = false, modal = false, hasParent = true;
  std::string text{};
  int attempts = 0;
};

GtkWidget* FindShownMessageDialog() {
  GList* toplevels = gtk_window_list_toplevels();
  GtkWidget* found = nullptr;
  for (GList* item = toplevels; item; item = item->next)
    if (GTK_IS_MESSAGE_DIALOG(item->data) && gtk_widget_get_mapped(GTK_WIDGET(item->data)))
      found = GTK_WIDGET(item->data);
  g_list_free(toplevels);
  return found;
}

gboolean AnswerDialog(gpointer data) {
  auto* driver = static_cast<DialogDriver*>(data);
  GtkWidget* dialog = FindShownMessageDialog();
  if (!dialog) return ++driver->attempts < 500;
  gchar* text = nullptr;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  g_object_get(dialog, "text", &text, "message-type", &type, nullptr);
  driver->found = type == GTK_MESSAGE_ERROR;
  driver->text = text ? text : "";
  g_free(text);
  driver->modal = gtk_window_get_modal(GTK_WINDOW(dialog));
  driver->hasParent = gtk_window_get_transient_for(GTK_WINDOW(dialog)) != nullptr;
  gtk_button_clicked(
      GTK_BUTTON(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), driver->response)));
  return FALSE;
}

// OK returns to the caller with the dialog gone; text that is not UTF-8 shows repaired.
TEST(RuntimeErrorDialog, ShowsTheReportModallyAndOkReturns) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  DialogDriver driver{GTK_RESPONSE_OK};
  guint source = g_timeout_add(20, AnswerDialog, &driver);
  ReportRuntimeError(kReportKindFramework, 4, "core/Dialog.cpp", 358, "ptr", "name \xff end");
  if (!driver.found) g_source_remove(source);
  ASSERT_TRUE(driver.found);
  EXPECT_TRUE(driver.modal);
  EXPECT_FALSE(driver.hasParent);
  EXPECT_TRUE(g_utf8_validate(driver.text.c_str(), -1, nullptr));
  EXPECT_THAT(driver.text, HasSubstr("core/Dialog.cpp: 358\nFailure Condition: ptr\nname "));
  EXPECT_THAT(driver.text, HasSubstr(" end"));
  EXPECT_EQ(FindShownMessageDialog(), nullptr);
}

// The child is a fresh run of this binary with its own display connection.
TEST(RuntimeErrorDialogDeathTest, CancelEndsTheProcessWithStatusZero) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::atexit([] { std::fputs("exit handlers ran\n", stderr); });
        DialogDriver driver{GTK_RESPONSE_CANCEL};
        g_timeout_add(20, AnswerDialog, &driver);
        ReportRuntimeError(kReportKindFramework, 4, "core/Dialog.cpp", 358, "ptr", nullptr);
        std::fputs("carried on after Cancel\n", stderr);
        std::_Exit(3);
      },
      testing::ExitedWithCode(0),
      testing::AllOf(HasSubstr("exit handlers ran"), testing::Not(HasSubstr("carried on"))));
}

}  // namespace
