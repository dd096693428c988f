#include "core/RuntimeError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ScopedNoDisplay.h"
#include "support/TestSupport.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <gdk/gdkx.h>

namespace {

using testing::ExitedWithCode;
using testing::HasSubstr;
using testing::Not;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  lines.push_back(text.substr(start));
  return lines;
}

// The report's ten lines for a given heading, location, condition and extra line.
std::vector<std::string> ExpectedLines(const std::string& heading, const std::string& location,
                                       const std::string& condition, const std::string& extra) {
  return {heading,
          "Press OK to Continue",
          "Press Cancel to Quit.",
          "",
          "Please report what caused this error",
          "along with the information below.",
          "",
          location,
          "Failure Condition: " + condition,
          extra};
}

// ---------------------------------------------------------------------------------------------
// Error texts and the report's text

TEST(RuntimeErrorText, KnownCodesHaveTheirTexts) {
  const std::vector<std::string> texts = {
      "Plugin TOC Load Failure",   "Invalid Class Definition",        "Unknown Class",
      "Failed Assertion",          "Unable to Write to Handle",       "CarbonLib 1.1 or Later Required",
      "Cannot Connect to Debugger", "Unhandled Exception"};
  for (int16_t code = 1; code <= 8; ++code) {
    ASSERT_NE(RuntimeErrorText(code), nullptr) << code;
    EXPECT_EQ(RuntimeErrorText(code), texts[code - 1]) << code;
  }
}

TEST(RuntimeErrorText, CodesOutsideTheTableHaveNone) {
  for (int16_t code : {int16_t(0), int16_t(9), int16_t(-1), int16_t(132), int16_t(32767),
                       int16_t(-32768)})
    EXPECT_EQ(RuntimeErrorText(code), nullptr) << code;
}

TEST(RuntimeErrorFormat, FailedCheckReadsLineByLine) {
  std::string text = FormatRuntimeErrorReport(4, "Common/Linux/EditControlGTK", 358, "ptr",
                                              "There's no GTKPrintHelper!");
  EXPECT_EQ(SplitLines(text),
            ExpectedLines("Runtime Error 4: Failed Assertion", "Common/Linux/EditControlGTK: 358",
                          "ptr", "There's no GTKPrintHelper!"));
}

TEST(RuntimeErrorFormat, NilExtraLeavesTheLastLineEmpty) {
  std::string text = FormatRuntimeErrorReport(2, "defn.cpp", 10, "", nullptr);
  EXPECT_EQ(SplitLines(text), ExpectedLines("Runtime Error 2: Invalid Class Definition",
                                            "defn.cpp: 10", "", ""));
  EXPECT_EQ(text.back(), '\n');
}

TEST(RuntimeErrorFormat, NilPathAndConditionPrintAsEmpty) {
  std::string text = FormatRuntimeErrorReport(4, nullptr, 0, nullptr, nullptr);
  EXPECT_EQ(SplitLines(text), ExpectedLines("Runtime Error 4: Failed Assertion", ": 0", "", ""));
}

TEST(RuntimeErrorFormat, CodesOutsideTheTableAreNamedUnknown) {
  for (int16_t code : {int16_t(0), int16_t(9), int16_t(-7), int16_t(-32768)}) {
    std::string text = FormatRuntimeErrorReport(code, "a.cpp", 1, "x", nullptr);
    EXPECT_EQ(SplitLines(text)[0], "Runtime Error " + std::to_string(code) + ": Unknown Error");
  }
}

TEST(RuntimeErrorFormat, NumbersAreSignedDecimal) {
  std::string text = FormatRuntimeErrorReport(4, "p", -2147483647 - 1, "c", nullptr);
  EXPECT_EQ(SplitLines(text)[7], "p: -2147483648");
}

// A path or extra text is data, never a format: '%' comes through as it is.
TEST(RuntimeErrorFormat, PercentSignsInTextsArePrintedVerbatim) {
  std::string text = FormatRuntimeErrorReport(4, "dir%s/%n.cpp", 5, "a % b", "100%d%%");
  std::vector<std::string> lines = SplitLines(text);
  EXPECT_EQ(lines[7], "dir%s/%n.cpp: 5");
  EXPECT_EQ(lines[8], "Failure Condition: a % b");
  EXPECT_EQ(lines[9], "100%d%%");
}

// ---------------------------------------------------------------------------------------------
// The capture hook and the check macros

TEST(RuntimeErrorCapture, ReportReachesTheHookWithEveryField) {
  qvtest::ReportCapture capture;
  ReportRuntimeError(132, 7, "debugger/Link.cpp", 91, "connected", "Cannot reach host");
  ASSERT_EQ(capture.count(), 1u);
  const qvtest::CapturedReport& report = capture.reports()[0];
  EXPECT_EQ(report.code, 7);
  EXPECT_EQ(report.sourcePath, "debugger/Link.cpp");
  EXPECT_EQ(report.line, 91);
  EXPECT_EQ(report.condition, "connected");
  EXPECT_EQ(report.extra, "Cannot reach host");
  EXPECT_FALSE(report.extraWasNil);
}

// What the hook receives formats to the same text the dialog would show.
TEST(RuntimeErrorCapture, CapturedReportFormatsLineByLine) {
  qvtest::ReportCapture capture;
  ReportRuntimeError(kReportKindFramework, 4, "core/Handles.cpp", 358, "ptr", nullptr);
  ASSERT_EQ(capture.count(), 1u);
  const qvtest::CapturedReport& report = capture.reports()[0];
  EXPECT_TRUE(report.extraWasNil);
  std::string text =
      FormatRuntimeErrorReport(static_cast<int16_t>(report.code), report.sourcePath.c_str(),
                               report.line, report.condition.c_str(), nullptr);
  EXPECT_EQ(SplitLines(text), ExpectedLines("Runtime Error 4: Failed Assertion",
                                            "core/Handles.cpp: 358", "ptr", ""));
}

struct KindRecorder {
  std::vector<uint32_t> kinds;
  static void Hook(const RuntimeErrorReportInfo& info, void* context) {
    static_cast<KindRecorder*>(context)->kinds.push_back(info.kind);
  }
};

TEST(RuntimeErrorCapture, HookSeesTheKindAndRestoresThePreviousOne) {
  KindRecorder outer, inner;
  RuntimeErrorReportHookSlot original = SetRuntimeErrorReportHook(&KindRecorder::Hook, &outer);
  RuntimeErrorReportHookSlot previous = SetRuntimeErrorReportHook(&KindRecorder::Hook, &inner);
  ReportRuntimeError(132, 7, "x", 1, "c", nullptr);
  EXPECT_EQ(previous.context, &outer);
  SetRuntimeErrorReportHook(previous.hook, previous.context);
  QV_FAIL(nullptr);
  SetRuntimeErrorReportHook(original.hook, original.context);
  EXPECT_EQ(inner.kinds, std::vector<uint32_t>{132});
  EXPECT_EQ(outer.kinds, std::vector<uint32_t>{kReportKindFramework});
}

TEST(RuntimeErrorCheck, PassingCheckReportsNothing) {
  qvtest::ReportCapture capture;
  int value = 3;
  EXPECT_TRUE(QV_CHECK(value == 3));
  EXPECT_TRUE(QV_CHECK_MSG(value > 0, "never shown"));
  EXPECT_TRUE(QV_CHECK_TEXT(value, "value", nullptr));
  EXPECT_TRUE(capture.empty());
}

TEST(RuntimeErrorCheck, FailingCheckReportsCodeFileLineAndCondition) {
  qvtest::ReportCapture capture;
  const char* ptr = nullptr;
  int line = __LINE__ + 1;
  bool passed = QV_CHECK(ptr);
  EXPECT_FALSE(passed);
  ASSERT_EQ(capture.count(), 1u);
  const qvtest::CapturedReport& report = capture.reports()[0];
  EXPECT_EQ(report.code, kErrorFailedAssertion);
  EXPECT_EQ(report.sourcePath, "RuntimeErrorTest.cpp");
  EXPECT_EQ(report.line, line);
  EXPECT_EQ(report.condition, "ptr");
  EXPECT_TRUE(report.extraWasNil);
}

TEST(RuntimeErrorCheck, MessageAndTextFormsCarryTheirTexts) {
  qvtest::ReportCapture capture;
  int count = -1;
  EXPECT_FALSE(QV_CHECK_MSG(count >= 0, "a negative count"));
  EXPECT_FALSE(QV_CHECK_TEXT(count >= 0, "mRep->mRefCount >= 0", nullptr));
  QV_FAIL("unreachable state");
  ASSERT_EQ(capture.count(), 3u);
  EXPECT_EQ(capture.reports()[0].condition, "count >= 0");
  EXPECT_EQ(capture.reports()[0].extra, "a negative count");
  EXPECT_EQ(capture.reports()[1].condition, "mRep->mRefCount >= 0");
  EXPECT_EQ(capture.reports()[2].condition, "0");
  EXPECT_EQ(capture.reports()[2].extra, "unreachable state");
}

// The condition is evaluated once: a check never repeats a side effect.
TEST(RuntimeErrorCheck, ConditionIsEvaluatedOnce) {
  qvtest::ReportCapture capture;
  int calls = 0;
  auto fails = [&calls] { return ++calls > 5; };
  EXPECT_FALSE(QV_CHECK(fails()));
  EXPECT_EQ(calls, 1);
}

// ---------------------------------------------------------------------------------------------
// Standard error when there is no display

// The child is a fresh run of this binary with no DISPLAY, so GTK never opened one.
TEST(RuntimeErrorReportDeathTest, WithoutDisplayWritesToStandardErrorAndReturns) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::string expected =
      FormatRuntimeErrorReport(4, "core/Console.cpp", 77, "stream", "no mechanism") + "\n";
  ScopedNoDisplay noDisplay;
  EXPECT_EXIT(
      {
        if (qvtest::HaveDisplay()) std::_Exit(2);
        ReportRuntimeError(kReportKindFramework, 4, "core/Console.cpp", 77, "stream",
                           "no mechanism");
        std::fputs("carried on\n", stderr);
        std::fflush(stderr);
        std::_Exit(3);
      },
      ExitedWithCode(3), testing::StrEq(expected + "carried on\n"));
}

TEST(RuntimeErrorReportDeathTest, WithoutDisplayNilExtraEndsWithAnEmptyLine) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ScopedNoDisplay noDisplay;
  EXPECT_EXIT(
      {
        if (qvtest::HaveDisplay()) std::_Exit(2);
        ReportRuntimeError(kReportKindFramework, 12, "x.cpp", 1, "0", nullptr);
        std::_Exit(3);
      },
      ExitedWithCode(3),
      testing::StrEq("Runtime Error 12: Unknown Error\nPress OK to Continue\n"
                     "Press Cancel to Quit.\n\nPlease report what caused this error\n"
                     "along with the information below.\n\nx.cpp: 1\nFailure Condition: 0\n\n"));
}

// ---------------------------------------------------------------------------------------------
// The dialog on a real display

enum class DialogAnswer { kOk, kCancel, kClose };

// Drives the report's dialog from a timeout inside its modal loop, as a person would.
struct DialogDriver {
  explicit DialogDriver(DialogAnswer answerToGive) : answer(answerToGive) {}
  DialogAnswer answer;
  bool found = false;
  std::string text;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  bool modal = false;
  bool hasParent = true;
  bool hasOk = false;
  bool hasCancel = false;
  int attempts = 0;
};

GtkWidget* FindShownMessageDialog() {
  GList* toplevels = gtk_window_list_toplevels();
  GtkWidget* found = nullptr;
  for (GList* item = toplevels; item; item = item->next) {
    GtkWidget* widget = GTK_WIDGET(item->data);
    if (GTK_IS_MESSAGE_DIALOG(widget) && gtk_widget_get_mapped(widget)) found = widget;
  }
  g_list_free(toplevels);
  return found;
}

// Asks the dialog to close the way a window manager does: WM_DELETE_WINDOW through the server.
void SendWindowManagerClose(GtkWidget* dialog) {
  GdkEvent* event = gdk_event_new(GDK_CLIENT_EVENT);
  event->client.message_type = gdk_atom_intern_static_string("WM_PROTOCOLS");
  event->client.data_format = 32;
  event->client.data.l[0] = static_cast<long>(gdk_x11_get_xatom_by_name("WM_DELETE_WINDOW"));
  event->client.data.l[1] = GDK_CURRENT_TIME;
  gdk_event_send_client_message(event, GDK_WINDOW_XID(gtk_widget_get_window(dialog)));
  gdk_event_free(event);
}

void Observe(GtkWidget* dialog, DialogDriver* driver) {
  gchar* text = nullptr;
  GtkMessageType type = GTK_MESSAGE_OTHER;
  g_object_get(dialog, "text", &text, "message-type", &type, nullptr);
  driver->found = true;
  driver->text = text ? text : "";
  g_free(text);
  driver->type = type;
  driver->modal = gtk_window_get_modal(GTK_WINDOW(dialog));
  driver->hasParent = gtk_window_get_transient_for(GTK_WINDOW(dialog)) != nullptr;
  driver->hasOk = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  driver->hasCancel = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
}

gboolean AnswerDialog(gpointer data) {
  auto* driver = static_cast<DialogDriver*>(data);
  GtkWidget* dialog = FindShownMessageDialog();
  if (!dialog) return ++driver->attempts < 500;
  Observe(dialog, driver);
  if (driver->answer == DialogAnswer::kClose) {
    SendWindowManagerClose(dialog);
    return FALSE;
  }
  gint response = driver->answer == DialogAnswer::kOk ? GTK_RESPONSE_OK : GTK_RESPONSE_CANCEL;
  GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), response);
  if (button) gtk_button_clicked(GTK_BUTTON(button));
  return FALSE;
}

// Reports with the dialog answered from a timeout; coming back at all is what OK means.
void ReportAnswered(DialogDriver* driver, const char* extra) {
  guint source = g_timeout_add(20, AnswerDialog, driver);
  ReportRuntimeError(kReportKindFramework, 4, "core/Dialog.cpp", 358, "ptr", extra);
  if (!driver->found) g_source_remove(source);
}

class RuntimeErrorDialog : public testing::Test {
 protected:
  void SetUp() override {
    if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  }
};

TEST_F(RuntimeErrorDialog, ShowsTheReportModallyWithOkAndCancel) {
  DialogDriver driver{DialogAnswer::kOk};
  ReportAnswered(&driver, "extra line");
  ASSERT_TRUE(driver.found);
  EXPECT_EQ(driver.text,
            FormatRuntimeErrorReport(4, "core/Dialog.cpp", 358, "ptr", "extra line"));
  EXPECT_EQ(driver.type, GTK_MESSAGE_ERROR);
  EXPECT_TRUE(driver.modal);
  EXPECT_FALSE(driver.hasParent);
  EXPECT_TRUE(driver.hasOk);
  EXPECT_TRUE(driver.hasCancel);
}

TEST_F(RuntimeErrorDialog, OkReturnsToTheCallerAndDestroysTheDialog) {
  DialogDriver driver{DialogAnswer::kOk};
  ReportAnswered(&driver, nullptr);
  EXPECT_TRUE(driver.found);
  EXPECT_EQ(FindShownMessageDialog(), nullptr);
}

TEST_F(RuntimeErrorDialog, ClosingTheWindowCountsAsOk) {
  DialogDriver driver{DialogAnswer::kClose};
  ReportAnswered(&driver, nullptr);
  EXPECT_TRUE(driver.found);
  EXPECT_EQ(FindShownMessageDialog(), nullptr);
}

// An extra text that is not UTF-8 still shows, its valid parts kept.
TEST_F(RuntimeErrorDialog, TextThatIsNotUtf8IsShownRepaired) {
  DialogDriver driver{DialogAnswer::kOk};
  ReportAnswered(&driver, "name \xff\xfe end");
  ASSERT_TRUE(driver.found);
  EXPECT_TRUE(g_utf8_validate(driver.text.c_str(), -1, nullptr));
  EXPECT_THAT(driver.text, HasSubstr("name "));
  EXPECT_THAT(driver.text, HasSubstr(" end"));
  EXPECT_THAT(driver.text, HasSubstr("Failure Condition: ptr"));
}

// The child is a fresh run of this binary with its own display connection.
TEST(RuntimeErrorDialogDeathTest, CancelEndsTheProcessWithStatusZero) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::atexit([] { std::fputs("exit handlers ran\n", stderr); });
        DialogDriver driver{DialogAnswer::kCancel};
        g_timeout_add(20, AnswerDialog, &driver);
        ReportRuntimeError(kReportKindFramework, 4, "core/Dialog.cpp", 358, "ptr", nullptr);
        std::fputs("carried on after Cancel\n", stderr);
        std::_Exit(3);
      },
      ExitedWithCode(0),
      testing::AllOf(HasSubstr("exit handlers ran"), Not(HasSubstr("carried on"))));
}

}  // namespace
