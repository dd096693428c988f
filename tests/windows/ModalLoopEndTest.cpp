// Modal loops that must end before they are answered: a language thread shows a message box, a
// modal window or the colour dialog and is killed (as by a Timer's Action) or the program
// quits; the loop ends, the thread unwinds out of the call with its ThreadEndException, and
// Kill and Quit return. The same loops on the main thread end when the program quits.
#include <gtest/gtest.h>

#include <string>

#include "ThreadTestSupport.h"
#include "WindowObjectFixtures.h"
#include "app/ApplicationQuit.h"
#include "app/MainLoop.h"
#include "controls/MessageBox.h"
#include "support/GuiDriver.h"
#include "windows/Colors.h"
#include "windows/WindowEntryPoints.h"

namespace {

using qvtest::ThreadRaises;

constexpr char kTitle[] = "Modal under test";

RuntimeObject* gModalWindow = nullptr;
std::string gEvents;

struct ModalKind {
  const char* label;
  void (*show)();
  bool programsWindow;  // a window of the program, which stays when the loop ends
};

const ModalKind kKinds[] = {
    {"message box",
     [] { VB_RuntimeMsgBox(string("Still there?").Storage(), 0, string(kTitle).Storage()); },
     false},
    {"modal window", [] { RuntimeShowModal(gModalWindow); }, true},
    {"colour dialog",
     [] {
       uint32_t colour = 0;
       selectColor(&colour, string(kTitle).Storage());
     },
     false},
};
const ModalKind* gKind = nullptr;

void ShowModalThenNote(RuntimeObject*) {
  gKind->show();
  gEvents += "returned after " + ThreadRaises::OnCurrentThread();
}

class ModalLoopEnd : public qvtest::LanguageThreadTest {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    LanguageThreadTest::SetUp();
    ClearQuitRequestForTesting();
    gEvents.clear();
  }
  void TearDown() override {
    if (!gui.ready()) return;
    LanguageThreadTest::TearDown();
    ClearQuitRequestForTesting();
  }
  // For the modal-window kind, a hidden window titled as every modal of the test.
  void Prepare(const ModalKind& kind) {
    gKind = &kind;
    if (!kind.programsWindow) return;
    kit.script.title = kTitle;
    kit.script.visible = false;
    gModalWindow = kit.NewWindow();
  }
  void CloseModalWindow() {
    if (!gModalWindow) return;
    RuntimeCloseWindow(gModalWindow);
    RuntimeUnlockObject(gModalWindow);
    gModalWindow = nullptr;
  }
  // The modal's window, once on screen (the main thread running passes meanwhile).
  qvtest::XWindow WaitForModal() {
    qvtest::XWindow shown = 0;
    qvtest::MainRunsPassesUntil([&] { return (shown = gui.FindWindow(kTitle)) != 0; });
    return shown;
  }

  qvtest::GuiDriver gui;
  qvtest::WindowObjectKit kit;
};

TEST_F(ModalLoopEnd, AKilledThreadUnwindsOutOfEveryModalLoop) {
  for (const ModalKind& kind : kKinds) {
    for (const bool quit : {false, true}) {
      const std::string label = std::string(kind.label) + (quit ? ", Quit" : ", Kill");
      SCOPED_TRACE(label);
      qvtest::HangWatchdog watchdog(label);
      ThreadRaises raises;  // of this case alone: a new thread's record may reuse an old one's
      Prepare(kind);
      gEvents.clear();
      RuntimeObject* thread = qvtest::NewThread(ShowModalThenNote);
      threadRun(thread);
      const qvtest::XWindow shown = WaitForModal();
      ASSERT_TRUE(shown);
      if (quit) {
        ApplicationQuit(nullptr, true);
      } else {
        ThreadKill(thread);
      }
      EXPECT_EQ(ThreadGetState(thread, 0), 4);
      EXPECT_EQ(gEvents, "returned after ThreadEndException");
      RuntimeUnlockObject(thread);
      if (kind.programsWindow) {
        EXPECT_TRUE(gui.FindWindow(kTitle)) << "the program's window stays";
        CloseModalWindow();
      }
      EXPECT_TRUE(gui.WaitUntilClosed(shown));
    }
  }
}

// A Timer's Action that quits while the main thread waits in a modal loop: the loop ends.
TEST_F(ModalLoopEnd, TheMainThreadsModalLoopsEndWhenTheProgramQuits) {
  for (const ModalKind& kind : kKinds) {
    SCOPED_TRACE(kind.label);
    qvtest::HangWatchdog watchdog(kind.label);
    ClearQuitRequestForTesting();
    Prepare(kind);
    {
      qvtest::QuitOnceWhen quit([&] { return gui.FindWindow(kTitle) != 0; });
      kind.show();
    }
    EXPECT_TRUE(MainLoopQuitRequested());
    CloseModalWindow();
    EXPECT_TRUE(gui.PumpUntil([&] { return !gui.FindWindow(kTitle); }));
  }
}

}  // namespace
