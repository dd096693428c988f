// The Application object: the quit sequence with its CancelClose veto, quitting from inside the
// quit and from the UnhandledException event, the unhandled-exception report (EndException's
// runs in every image that quits), the version getters, the registration's one reference,
// handlers that release the application, and whose finalizer empties the poll list.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "app/ApplicationClass.h"
#include "app/ApplicationPollables.h"
#include "app/ApplicationQuit.h"
#include "app/ClassLibraryHooks.h"
#include "app/ExternalClasses.h"
#include "app/FolderItemImp.h"
#include "app/MainLoop.h"
#include "core/EventHandlers.h"
#include "core/ExportRegistry.h"
#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "support/TestSupport.h"

namespace {

std::string gEvents, gReports;
int32_t gCancelCloseAnswer = 0;
bool gQuitInside = false;  // CancelClose and UnhandledException call Quit themselves
int gWindowsClosed = 0;

void CaptureReport(const string& message, const string& explanation) {
  gReports += std::string(message.CString()) + "|" + explanation.CString() + "\n";
}

int32_t OnCancelClose(RuntimeObject*) {
  gEvents += "CancelClose ";
  if (gQuitInside) {
    ApplicationQuit(nullptr, true);  // already preparing: returns at once, raises nothing
    gEvents += MainLoopQuitRequested() ? "(flag set) " : "(returned) ";
  }
  return gCancelCloseAnswer;
}

void OnClose(RuntimeObject*) { gEvents += "Close "; }

int32_t OnUnhandledException(RuntimeObject*, RuntimeObject* exception) {
  gEvents += std::string("UnhandledException:") +
             string(exception->classPtr->className).CString() + " ";
  if (gQuitInside) QV_ApplicationQuit(0);
  return 1;
}

class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RuntimeInitExternalClasses();  // the exception classes the raisers make
    gEvents.clear();
    gReports.clear();
    gCancelCloseAnswer = gWindowsClosed = 0;
    gQuitInside = false;
    ClearQuitRequestForTesting();
    SetUnhandledExceptionHook(UnhandledExceptionHook);
    mPreviousDialog = SetExceptionReportDialog(CaptureReport);
    SetWindowSystemHooks({.closeAllWindows = [] { ++gWindowsClosed; }});
    mApp = NewObjectFromDefinition(ApplicationClassDefinition());
    auto install = [this](const char* event, auto handler) {
      RuntimeInstallInstanceEventHandler(mApp, string(event).Storage(),
                                         reinterpret_cast<void*>(handler));
    };
    install("CancelClose", &OnCancelClose);
    install("Close", &OnClose);
    install("UnhandledException", &OnUnhandledException);
    SetApplicationObject(mApp);
  }
  void TearDown() override {
    EXPECT_TRUE(mReports.empty()) << mReports.reports()[0].condition;
    ReleaseApplicationObject();
    RuntimeUnlockObject(mApp);
    EXPECT_EQ(ApplicationObject(), nullptr) << "the finalizer clears the pointer";
    SetWindowSystemHooks({});
    SetExceptionReportDialog(mPreviousDialog);
    SetUnhandledExceptionHook(nullptr);
    ClearQuitRequestForTesting();
  }
  RuntimeObject* mApp = nullptr;
  ExceptionReportDialog mPreviousDialog = nullptr;
  qvtest::ReportCapture mReports;  // a failed check would otherwise wait at a dialog
};

TEST_F(ApplicationTest, CancelCloseVetoesTheQuitAndAQuitInsideItReturns) {
  gCancelCloseAnswer = 1;
  EXPECT_FALSE(ApplicationQuit(nullptr, false));
  EXPECT_FALSE(MainLoopQuitRequested());
  EXPECT_EQ(AsApplication(mApp)->quitting, 0) << "a veto clears the guard";
  gCancelCloseAnswer = 0;
  gQuitInside = true;
  EXPECT_FALSE(ApplicationQuit(nullptr, false));
  EXPECT_TRUE(MainLoopQuitRequested());
  EXPECT_EQ(gEvents, "CancelClose CancelClose (returned) Close ");
  EXPECT_EQ(gReports, "");
}

// Inside the UnhandledException event Quit raises no EndException and sets the quit flag; the
// event's True answer keeps the report away.
TEST_F(ApplicationTest, QuitFromTheUnhandledExceptionEvent) {
  gQuitInside = true;
  RaiseNilObjectException();  // no compiled handler anywhere: the unhandled path
  EXPECT_EQ(gEvents, "UnhandledException:NilObjectException CancelClose (returned) Close ");
  EXPECT_TRUE(MainLoopQuitRequested());
  EXPECT_EQ(gReports, "");
  EXPECT_EQ(gWindowsClosed, 0);
}

// Without an UnhandledException handler the report shows and the loop ends; later exceptions
// are not reported again. The explanation names the message and the error number.
TEST_F(ApplicationTest, AnExceptionNobodyHandlesIsReported) {
  RuntimeObject* bare = NewObjectFromDefinition(ApplicationClassDefinition());
  SetApplicationObject(bare);
  RuntimeUnlockObject(bare);
  MainLoopDoEvents(false);
  EXPECT_FALSE(MainLoopQuitRequested()) << "AutoQuit waits for RuntimeRun";
  RaiseNilObjectException();
  RaiseNilObjectException();
  EXPECT_EQ(gReports,
            "An exception of class NilObjectException was not handled.  The application must "
            "shut down.|\n");
  EXPECT_TRUE(MainLoopQuitRequested());
  SetApplicationObject(mApp);
  RuntimeObject* exception = NewObjectFromDefinition(OutOfBoundsExceptionDefinition());
  AsException(exception)->errorNumber = -7;
  AsException(exception)->message = string("index 9 of 3").ExtractStringStorage();
  EXPECT_STREQ(UnhandledExceptionExplanation(exception).CString(),
               "Exception Message: index 9 of 3\rException Error Number: -7");
  RuntimeUnlockObject(exception);
}

// The report's modal passes do not auto-quit: a windowless program that must shut down gets
// neither CancelClose (whose veto would keep it alive) nor Close after its report.
TEST_F(ApplicationTest, TheReportsOwnPassesDoNotAutoQuit) {
  RuntimeObject* bare = NewObjectFromDefinition(ApplicationClassDefinition());
  RuntimeInstallInstanceEventHandler(bare, string("CancelClose").Storage(),
                                     reinterpret_cast<void*>(&OnCancelClose));
  RuntimeInstallInstanceEventHandler(bare, string("Close").Storage(),
                                     reinterpret_cast<void*>(&OnClose));
  SetApplicationObject(bare);
  RuntimeUnlockObject(bare);
  gCancelCloseAnswer = 1;
  SetExceptionReportDialog([](const string& message, const string& explanation) {
    CaptureReport(message, explanation);
    MainLoopDoEvents(false);  // as the modal dialog runs the loop
  });
  SetMainLoopRunning(true);
  RaiseNilObjectException();
  SetMainLoopRunning(false);
  EXPECT_EQ(gEvents, "");
  EXPECT_NE(gReports, "");
  EXPECT_TRUE(MainLoopQuitRequested());
  SetApplicationObject(mApp);
}

// The ResourceFork property gives an empty fork; ApplicationQuit is exported under its own name
// beside QV_ApplicationQuit, with the choice of raising EndException.
TEST_F(ApplicationTest, TheResourceForkAndQuitUnderItsOwnName) {
  RuntimeObject* fork = appResourceForkGetter(mApp, 0);
  ASSERT_NE(fork, nullptr);
  EXPECT_STREQ(string(fork->classPtr->className).CString(), "ResourceFork");
  EXPECT_EQ(fork->refCount, 1);
  RuntimeUnlockObject(fork);
  const RelocEntry* quit = LookupExportEntry("ApplicationQuit");
  ASSERT_NE(quit, nullptr);
  reinterpret_cast<void (*)(RuntimeObject*, int32_t)>(quit->code)(mApp, 0);
  EXPECT_EQ(gEvents, "CancelClose Close ");
  EXPECT_TRUE(MainLoopQuitRequested());
}

TEST_F(ApplicationTest, VersionGettersWithoutAndWithAVersionRecord) {
  EXPECT_EQ(AppIntegerVersionStuffGetter(mApp, 0), -1);
  EXPECT_EQ(AppStringVersionStuffGetter(mApp, 0), nullptr);
  static const ApplicationVersion version = {{1, 2, 3, 40, 50, 6}, {"1.2.3", "long", "info"}};
  SetApplicationVersionSource([] { return &version; });
  const int32_t expected[] = {1, 2, 3, 50, 40, 6, -1};  // stage reads word 5, non-release 4
  for (uint32_t which = 0; which <= 6; ++which)
    EXPECT_EQ(AppIntegerVersionStuffGetter(mApp, which), expected[which]) << which;
  EXPECT_STREQ(string::Adopt(AppStringVersionStuffGetter(mApp, 1)).CString(), "long");
  EXPECT_EQ(AppStringVersionStuffGetter(mApp, 3), nullptr);
  SetApplicationVersionSource(nullptr);
}

// The registration's reference is dropped once, however often the end asks.
TEST_F(ApplicationTest, TheRegistrationReferenceIsReleasedOnce) {
  const int32_t before = mApp->refCount;
  ReleaseApplicationObject();
  ReleaseApplicationObject();
  EXPECT_EQ(mApp->refCount, before - 1);
  EXPECT_EQ(ApplicationObject(), mApp) << "still alive: still the application";
  SetApplicationObject(mApp);
  EXPECT_EQ(mApp->refCount, before);
}

// Handlers that let go of the program's last references to the application and the item, then
// read them, as compiled code goes on with Self and its parameters.
int32_t gReadAfterRelease = 0;
void ReleaseSelf(RuntimeObject* self) {
  RuntimeUnlockObject(self);
  gReadAfterRelease = AsApplication(self)->autoQuit;
}
void ReleaseSelfAndItem(RuntimeObject* self, RuntimeObject* item) {
  RuntimeUnlockObject(item);
  RuntimeUnlockObject(self);
  gReadAfterRelease = AsApplication(self)->autoQuit + item->refCount;
}

TEST_F(ApplicationTest, AHandlerMayReleaseTheApplicationAndItsItem) {
  const int32_t live = LiveObjectCount();
  RuntimeObject* application = NewObjectFromDefinition(ApplicationClassDefinition());
  RuntimeInstallInstanceEventHandler(application, string("NewDocument").Storage(),
                                     reinterpret_cast<void*>(&ReleaseSelf));
  ApplicationNewDocument(application);
  EXPECT_EQ(gReadAfterRelease, 1);
  EXPECT_EQ(LiveObjectCount(), live) << "freed once the handler returned";
  application = NewObjectFromDefinition(ApplicationClassDefinition());
  RuntimeInstallInstanceEventHandler(application, string("OpenDocument").Storage(),
                                     reinterpret_cast<void*>(&ReleaseSelfAndItem));
  ApplicationOpenDocument(application, NewFolderItemObject(string("/")));
  EXPECT_EQ(gReadAfterRelease, 2);
  EXPECT_EQ(LiveObjectCount(), live);
}

// The poll list is the registered application's: another Application object's end leaves it.
TEST_F(ApplicationTest, OnlyTheRegisteredApplicationsFinalizerEmptiesThePollList) {
  RuntimeObject* item = NewFolderItemObject(string("/"));
  ApplicationAddPollableObject(mApp, item);
  RuntimeUnlockObject(NewObjectFromDefinition(ApplicationClassDefinition()));
  EXPECT_EQ(item->refCount, 2) << "still on the poll list";
  ReleaseApplicationObject();
  RuntimeUnlockObject(std::exchange(mApp, nullptr));
  EXPECT_EQ(item->refCount, 1);
  RuntimeUnlockObject(item);
}

}  // namespace
