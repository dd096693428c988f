// The handler matrix: for every event a control class raises, handlers that close the window,
// close the control, drop the program's last reference to it or quit, each run once with the
// input that raises the event (real input through XTest where the event needs it).
//
// Every event the class leaves to compiled code gets one handler, which logs the event and,
// when it is the event under test, does the run's action once. A run opens a window with the
// subject control and a push button beside it ("Other", for the focus to move to), makes the
// event with its trigger and waits for the action; then it lets the input end and the main
// loop run, and fails when the closed control (or window) heard any event after its close, when
// the event was never raised, or when anything is left open or alive. Runtime error reports
// fail the test on their own (the test binary's hook), and the sanitizer build's checks end the
// process at the first bad read or write.
//
//   HandlerMatrix matrix(gui);
//   Subject button{.className = "PushButton", .bounds = {40, 40, 64, 140}};
//   matrix.RunEveryEvent(button);
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ControlFixtures.h"
#include "SimpleControlFixtures.h"
#include "core/Rect.h"
#include "core/RuntimeClass.h"
#include "support/GuiDriver.h"

namespace qvtest {

enum class MatrixAction { kCloseWindow, kCloseControl, kReleaseLast, kQuit, kCloseDatabase };
std::string ActionName(MatrixAction action);

// What a trigger works with: the window and its two controls of one run.
struct Stage {
  GuiDriver& gui;
  RuntimeObject* window;
  RuntimeObject* subject;  // nil when the subject closed before its pane was made
  RuntimeObject* other;
  XWindow xid;
  // Where the window's content and the subject were as the run began: the points below hold
  // after a handler closed either.
  ScreenPoint origin;
  QV::Rect bounds;
  // The screen point (x, y) from the subject's top left; its centre without arguments.
  ScreenPoint At(int x, int y) const;
  ScreenPoint Center() const;
  // A screen point of the window outside both controls.
  ScreenPoint Outside() const;
  // Moves the pointer in small steps (each reaching the window) from where it is to to.
  void MoveInSteps(ScreenPoint from, ScreenPoint to) const;
  // Gives the subject the keyboard focus and waits until it has it.
  void FocusSubject() const;
  // True once the event under test was raised (its handler's action done): a trigger of more
  // than one step stops there.
  bool Fired() const;
  // An internal drag of text from the window's free corner onto the subject (entering it,
  // leaving it and entering again), dropped on it.
  void DragAcross() const;
  // A press at from that the subject turns into a drag of its own (a list's rows): the
  // pointer moves to to and lets go once the subject heard the press, inside its loops.
  void DragFromSubject(ScreenPoint from, ScreenPoint to) const;
};

using Trigger = std::function<void(Stage&)>;
// The trigger of event for a class that gives none of its own.
const Trigger& CommonTrigger(const std::string& event);

struct Subject {
  const char* className = nullptr;
  QV::Rect bounds{40, 40, 80, 180};  // top, left, bottom, right in the window's content
  // Sets the control's fields before its pane is made.
  std::function<void(RuntimeObject*)> setup = {};
  // Fills the control once its pane is there (rows, text, the focus kept elsewhere).
  std::function<void(RuntimeObject*)> fill = {};
  // Triggers of this class, before the common ones of the same event name.
  std::map<std::string, Trigger> triggers = {};
  // Events this platform never raises for the class, with the reason.
  std::map<std::string, std::string> notRaised = {};
  // What the handler of the event answers (Boolean events), when not False.
  std::map<std::string, int32_t> answers = {};
  // Run before and after each run (a database for the control to show, say).
  std::function<void()> prepare = {};
  std::function<void()> finish = {};
  // For a control that shows a database: closes it, as a fifth action of the handlers.
  std::function<void()> closeDatabase = {};
};

class HandlerMatrix {
 public:
  explicit HandlerMatrix(GuiDriver& gui);
  ~HandlerMatrix();
  HandlerMatrix(const HandlerMatrix&) = delete;
  HandlerMatrix& operator=(const HandlerMatrix&) = delete;

  // Every event of the subject's class with every action; a failure names the event and
  // action it happened with.
  void RunEveryEvent(const Subject& subject);
  // The runs so far.
  int runs() const { return mRuns; }

 private:
  void RunOne(const Subject& subject, RuntimeClass* cls, const std::string& event,
              MatrixAction action);

  GuiDriver& mGui;
  ControlKit mKit;
  RuntimeObject* mApplication = nullptr;
  int mRuns = 0;
  std::vector<unsigned> mLogHandlers;
};

}  // namespace qvtest
