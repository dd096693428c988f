#include "HandlerMatrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <utility>

#include "app/ApplicationClass.h"
#include "app/ApplicationQuit.h"
#include "app/MainLoop.h"
#include "controls/ControlAccessors.h"
#include "controls/PushButton.h"
#include "controls/RuntimeControl.h"
#include "core/EventHandlers.h"
#include "core/Exceptions.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/Watchdog.h"
#include "values/VariantTypes.h"
#include "windows/ControlRecord.h"
#include "windows/DragAndDropGTK.h"
#include "windows/DragItem.h"
#include "windows/MenuEnabling.h"
#include "windows/MenuItemClass.h"
#include "windows/PaneDrops.h"
#include "windows/PaneFocus.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace qvtest {

namespace {

constexpr int kMaxEvents = 48;
constexpr int kFiredWaitMs = 6000;
constexpr int kAttempts = 3;
constexpr QV::Rect kOtherBounds{150, 40, 174, 140};
constexpr QV::Rect kSourceBounds{150, 200, 190, 260};

// The run under way, which the handlers read and write.
struct Armed {
  RuntimeClass* cls = nullptr;  // the subject's class: its objects are the ones heard
  std::string event;
  MatrixAction action = MatrixAction::kCloseWindow;
  RuntimeObject* window = nullptr;
  RuntimeObject* held = nullptr;  // the program's variable holding the subject
  const Subject* subject = nullptr;
  bool fired = false;
  RuntimeObject* closed = nullptr;  // the subject, once the action is over
  std::vector<std::string> heard;   // the subject's events, in order
  std::vector<std::string> late;    // those heard after the action closed it
  // Run by the drag source's MouseDown before the drag's loop starts, when there is a drag.
  std::function<void()> inDrag;
  bool dragged = false;  // the drag has run
};
Armed gArmed;
std::vector<std::string> gToolkitMessages;  // GTK's critical messages and warnings of a run

std::string EventName(RuntimeClass* cls, int index) {
  return stringStorage::CString(cls->eventTable[index].name);
}

// True when a class above cls already implements the event at index (CreatePane, an embedded
// window's forwarding): compiled code has no handler of its own there.
bool ImplementedAbove(RuntimeClass* cls, int index) {
  for (RuntimeClass* parent = cls->parentClass; parent; parent = parent->parentClass) {
    if (parent->eventTable && index < parent->eventCount && parent->eventTable[index].vector) {
      return true;
    }
  }
  return false;
}

void DoAction(RuntimeObject* self) {
  switch (gArmed.action) {
    case MatrixAction::kCloseWindow:
      RuntimeCloseWindow(gArmed.window);
      break;
    case MatrixAction::kCloseControl:
      ControlClose(self);
      break;
    case MatrixAction::kReleaseLast:
      ControlClose(self);
      RuntimeUnlockObject(std::exchange(gArmed.held, nullptr));
      break;
    case MatrixAction::kQuit:
      QV_ApplicationQuit(0);
      break;
    case MatrixAction::kCloseDatabase:
      gArmed.subject->closeDatabase();
      break;
  }
}

// A menu item for the contextual menu, so that there is a row to choose.
void AddContextualRow(RuntimeObject* base) {
  RuntimeObject* row = NewObjectFromDefinition(MenuItemClassDefinition());
  RuntimeMenuItemTextSetter(row, 0, string("Act").Storage());
  RuntimeMenuItemNameSetter(row, 0, string("Act").Storage());
  RuntimeMenuItemAppend(base, row);
  RuntimeUnlockObject(row);
}

int32_t Answer(const std::string& name, uint32_t first) {
  const std::string& under = gArmed.event;
  if (name == "MouseDown" && (under == "MouseDrag" || under == "MouseUp")) return 1;
  if (name == "ConstructContextualMenu" && under == "ContextualMenuAction") {
    AddContextualRow(reinterpret_cast<RuntimeObject*>(first));
    return 1;
  }
  const auto answer = gArmed.subject->answers.find(name);
  return answer == gArmed.subject->answers.end() ? 0 : answer->second;
}

// The one handler of every event: the subject's class is the only one heard. Nothing of self
// is read: an event raised to a closed and freed subject is logged by its address alone.
int32_t Hear(int index, RuntimeObject* self, uint32_t first) {
  const std::string name = EventName(gArmed.cls, index);
  if (gArmed.fired && self == gArmed.closed) {
    gArmed.late.push_back(name);
    return 0;
  }
  gArmed.heard.push_back(name);
  if (!gArmed.fired && name == gArmed.event) {
    gArmed.fired = true;
    DoAction(self);
    // Closing the database leaves the control open: it may hear more.
    if (gArmed.action != MatrixAction::kCloseDatabase) gArmed.closed = self;
    return 0;
  }
  return Answer(name, first);
}

// Every event passes the object first; the first argument after it is read only for
// ConstructContextualMenu's base (cdecl: the caller's words are there whatever it pushed).
template <int I>
int32_t HandlerAt(RuntimeObject* self, uint32_t first) {
  return Hear(I, self, first);
}

template <int... I>
constexpr std::array<void*, sizeof...(I)> MakeHandlers(std::integer_sequence<int, I...>) {
  return {reinterpret_cast<void*>(&HandlerAt<I>)...};
}
const std::array<void*, kMaxEvents> kHandlers =
    MakeHandlers(std::make_integer_sequence<int, kMaxEvents>());

// The drag source's MouseDown: a drag of text, whose loop runs until the release.
int32_t OnSourceMouseDown(RuntimeObject* source, int32_t, int32_t) {
  if (!gArmed.inDrag) return 0;
  std::exchange(gArmed.inDrag, nullptr)();
  gArmed.dragged = true;
  const QV::Rect& b = AsControl(source)->bounds;
  RuntimeObject* item = formNewDragItem(AsControl(source)->window, b.left, b.top,
                                        b.right - b.left, b.bottom - b.top);
  dragItemTextSetter(item, 0, string("dragged").Storage());
  DragItemDrag(item);
  RuntimeUnlockObject(item);
  return 1;
}

RuntimeClass* SourceClass() {
  static RuntimeClass* cls = nullptr;
  if (!cls) {
    cls = Subclass("Canvas", "MatrixSource");
    SetHandler(cls, "MouseDown", reinterpret_cast<void*>(&OnSourceMouseDown));
  }
  return cls;
}

RuntimeClass* OtherClass() { return RuntimeLookupClass(string("PushButton").Storage()); }

// The class of the subject with the handler on every event compiled code may handle.
RuntimeClass* HearingSubclass(const char* className) {
  static std::map<std::string, RuntimeClass*> made;
  RuntimeClass*& cls = made[className];
  if (cls) return cls;
  cls = Subclass(className, (std::string("Matrix") + className).c_str());
  EXPECT_LE(cls->eventCount, kMaxEvents);
  for (int i = 0; i < std::min(cls->eventCount, kMaxEvents); ++i) {
    if (cls->eventTable[i].name && !ImplementedAbove(cls, i)) {
      cls->eventTable[i].vector = kHandlers[size_t(i)];
    }
  }
  return cls;
}

std::vector<std::string> EventsOf(RuntimeClass* cls, const Subject& subject) {
  std::vector<std::string> events;
  for (int i = 0; i < std::min(cls->eventCount, kMaxEvents); ++i) {
    if (cls->eventTable[i].vector != kHandlers[size_t(i)]) continue;
    const std::string name = EventName(cls, i);
    if (!subject.notRaised.count(name)) events.push_back(name);
  }
  return events;
}

// Objects alive, less the pooled strings that come and go with any text.
int32_t LiveCount() { return LiveObjectCount() - int32_t(StringVariantPoolSize()); }

std::string Joined(const std::vector<std::string>& events) {
  std::string text;
  for (const std::string& event : events) text += (text.empty() ? "" : " ") + event;
  return text;
}

std::set<RuntimeObject*> LiveObjects() {
  std::set<RuntimeObject*> live;
  for (RuntimeObject* o = FirstLiveObject(); o; o = o->nextObject) live.insert(o);
  return live;
}

// The classes and counts of the objects alive now that were not before.
std::string NewlyAlive(const std::set<RuntimeObject*>& before) {
  std::string text;
  for (RuntimeObject* o = FirstLiveObject(); o; o = o->nextObject) {
    if (before.count(o)) continue;
    text += std::string(text.empty() ? "" : ", ") +
            stringStorage::CString(o->classPtr->className) + " (" + std::to_string(o->refCount) +
            ")";
  }
  return text;
}

bool IsDragEvent(const std::string& event) {
  return event == "DragEnter" || event == "DragOver" || event == "DragExit" ||
         event == "DropObject";
}

// ---- the common triggers, by event name ----

bool Heard(const std::string& event) {
  return std::find(gArmed.heard.begin(), gArmed.heard.end(), event) != gArmed.heard.end();
}

void Click(Stage& s) {
  const ScreenPoint p = s.Center();
  s.gui.Click(p.x, p.y);
}

void ClickOther(Stage& s) {
  const ScreenArea area = s.gui.Area(AsControl(s.other)->pane->GetWidget());
  s.gui.Click(area.x + area.width / 2, area.y + area.height / 2);
}

// A step that waits for the contextual menu (the right click's own loop runs it) and chooses
// its first row.
void ChooseFirstRowOnceOpen(GuiDriver& gui) {
  gui.Meanwhile([&gui] {
    const XWindow menu = gui.OpenMenu();
    if (!menu) {
      ChooseFirstRowOnceOpen(gui);
      return;
    }
    gui.WaitForOpenMenu();
    gui.ClickMenuRow(menu, 0);
  });
}

void Enter(Stage& s) {
  s.MoveInSteps(s.Outside(), s.Center());
}

const std::map<std::string, Trigger>& CommonTriggers() {
  static const std::map<std::string, Trigger> triggers = {
      {"Open", [](Stage&) {}},  // raised as the control is added
      {"Close", [](Stage& s) { RuntimeCloseWindow(s.window); }},
      {"MouseEnter", Enter},
      {"MouseMove", Enter},
      {"MouseExit",
       [](Stage& s) {
         Enter(s);
         s.MoveInSteps(s.Center(), s.Outside());
       }},
      {"MouseDown", Click},
      {"MouseUp", Click},
      {"Action", Click},
      {"MouseDrag",
       [](Stage& s) {
         // The main loop's passes send the drags to the pane that took the press, once the
         // press has reached it.
         const ScreenPoint p = s.Center();
         s.gui.MoveTo(p.x, p.y);
         s.gui.PressButton();
         s.gui.PumpUntil([&s] { return s.Fired() || Heard("MouseDown"); }, 2000);
         for (int k = 1; k <= 4 && !s.Fired(); ++k) {
           s.gui.MoveTo(p.x + 3 * k, p.y + 2 * k);
           MainLoopDoEvents(false);
         }
         s.gui.ReleaseButton();
       }},
      {"MouseWheel",
       [](Stage& s) {
         const ScreenPoint p = s.Center();
         s.gui.MoveTo(p.x, p.y);
         s.gui.Click(p.x, p.y, 5);
       }},
      {"ConstructContextualMenu",
       [](Stage& s) {
         const ScreenPoint p = s.Center();
         s.gui.Click(p.x, p.y, 3);
       }},
      {"ContextualMenuAction",
       [](Stage& s) {
         ChooseFirstRowOnceOpen(s.gui);
         const ScreenPoint p = s.Center();
         s.gui.Click(p.x, p.y, 3);
         s.gui.PumpUntil([&s] { return s.gui.StepsDone(); });
       }},
      {"GotFocus",
       [](Stage& s) {
         SetFocusPane(AsControl(s.other)->pane);
         Click(s);
       }},
      {"LostFocus",
       [](Stage& s) {
         s.FocusSubject();
         ClickOther(s);
       }},
      {"KeyDown",
       [](Stage& s) {
         s.FocusSubject();
         s.gui.Type("a");
       }},
      {"Paint", [](Stage& s) { AsControl(s.subject)->pane->Refresh(true); }},
      {"EnableMenuItems",
       [](Stage& s) {
         s.FocusSubject();
         EnableMenuItemsForWindow(false, AsWindow(s.window)->mImp);
       }},
      {"DragEnter", [](Stage& s) { s.DragAcross(); }},
      {"DragOver", [](Stage& s) { s.DragAcross(); }},
      {"DragExit", [](Stage& s) { s.DragAcross(); }},
      {"DropObject", [](Stage& s) { s.DragAcross(); }},
  };
  return triggers;
}

}  // namespace

const Trigger& CommonTrigger(const std::string& event) { return CommonTriggers().at(event); }

namespace {

const Trigger* TriggerFor(const Subject& subject, const std::string& event) {
  if (auto own = subject.triggers.find(event); own != subject.triggers.end()) {
    return &own->second;
  }
  const auto& common = CommonTriggers();
  const auto found = common.find(event);
  return found == common.end() ? nullptr : &found->second;
}

// A new control of cls named name at bounds on window, held by the caller (nil when it has
// no pane after opening).
RuntimeObject* AddHeldControl(RuntimeObject* window, RuntimeClass* cls, const char* name,
                              const QV::Rect& bounds,
                              const std::function<void(RuntimeObject*)>& setup) {
  RuntimeObject* control = RuntimeNewObject(cls);
  AsControl(control)->bounds = bounds;
  AsControl(control)->visible = AsControl(control)->enabled = 1;
  if (setup) setup(control);
  WindowAddControl(window, string(name).Storage(), control);  // opens at once
  return control;
}

}  // namespace

std::string ActionName(MatrixAction action) {
  switch (action) {
    case MatrixAction::kCloseWindow:
      return "close the window";
    case MatrixAction::kCloseControl:
      return "close the control";
    case MatrixAction::kReleaseLast:
      return "release the last reference";
    case MatrixAction::kQuit:
      return "quit";
    case MatrixAction::kCloseDatabase:
      return "close the database";
  }
  return "";
}

// ---- Stage ----

ScreenPoint Stage::At(int x, int y) const {
  return {origin.x + bounds.left + x, origin.y + bounds.top + y};
}

ScreenPoint Stage::Center() const {
  return At((bounds.right - bounds.left) / 2, (bounds.bottom - bounds.top) / 2);
}

ScreenPoint Stage::Outside() const { return {origin.x + 10, origin.y + 10}; }

void Stage::MoveInSteps(ScreenPoint from, ScreenPoint to) const {
  for (int k = 0; k <= 4; ++k) {
    gui.MoveTo(from.x + (to.x - from.x) * k / 4, from.y + (to.y - from.y) * k / 4);
  }
}

bool Stage::Fired() const { return gArmed.fired; }

void Stage::FocusSubject() const {
  if (Fired()) return;
  SubPane* pane = AsControl(subject)->pane;
  RuntimeSetFocus(subject);
  gui.PumpUntil([&] {
    if (Fired()) return true;  // its handler may have dropped the subject and its pane
    SubPane* focus = GetFocusPane();
    return focus && pane && (focus == pane || pane->ContainsPane(focus, true));
  }, 2000);
}

void Stage::DragAcross() const {
  const QV::Rect& b = kSourceBounds;
  const ScreenPoint start{origin.x + (b.left + b.right) / 2, origin.y + (b.top + b.bottom) / 2};
  const ScreenPoint in = Center();
  const ScreenPoint out = Outside();
  // The steps run inside the drag's own loop, which the press starts.
  gArmed.inDrag = [this, start, in, out] {
    for (const auto& [from, to] : {std::pair{start, in}, std::pair{in, out}, std::pair{out, in}}) {
      gui.Meanwhile([this, from = from, to = to] { MoveInSteps(from, to); });
    }
    gui.Meanwhile([this] { gui.ReleaseButton(); });
  };
  gui.MoveTo(start.x, start.y);
  gui.PressButton();
  gui.PumpUntil([] { return gArmed.dragged; });
  gui.PumpUntil([this] { return gui.StepsDone() && !IsInternalDragActive(); });
  gArmed.inDrag = nullptr;
}

namespace {

// A step run once ready() holds (the step puts itself off until then).
void MeanwhileOnce(GuiDriver& gui, std::function<bool()> ready, std::function<void()> step) {
  gui.Meanwhile([&gui, ready, step] {
    if (ready()) {
      step();
    } else {
      MeanwhileOnce(gui, ready, step);
    }
  });
}

// Steps that wait for the subject's MouseDown and move the pointer half way (the drag begins),
// then, once the drag runs (or the event came, or the wait gave up), move the rest of the way
// and let go.
void MoveThenReleaseAfterThePress(const Stage& s, ScreenPoint from, ScreenPoint to) {
  const auto pressed = [&s] { return s.Fired() || Heard("MouseDown"); };
  const ScreenPoint half{(from.x + to.x) / 2, (from.y + to.y) / 2};
  const int64_t deadline = g_get_monotonic_time() + int64_t(qvtest::TimeLimit(2000)) * 1000;
  MeanwhileOnce(s.gui, pressed, [&s, from, half] { s.MoveInSteps(from, half); });
  MeanwhileOnce(
      s.gui,
      [&s, deadline] {
        return s.Fired() || IsInternalDragActive() || g_get_monotonic_time() > deadline;
      },
      [&s, half, to] {
        s.MoveInSteps(half, to);
        s.gui.ReleaseButton();
      });
}

}  // namespace

void Stage::DragFromSubject(ScreenPoint from, ScreenPoint to) const {
  MoveThenReleaseAfterThePress(*this, from, to);
  gui.MoveTo(from.x, from.y);
  gui.PressButton();
  gui.PumpUntil([this] { return gui.StepsDone() && !IsInternalDragActive(); });
}

// ---- HandlerMatrix ----

namespace {

// GTK saying that it was handed a widget or window already gone is a fault of the run.
constexpr const char* kToolkitDomains[] = {"Gtk", "Gdk", "GLib-GObject", "GLib"};

void NoteToolkitMessage(const gchar* domain, GLogLevelFlags, const gchar* message, gpointer) {
  gToolkitMessages.push_back(std::string(domain ? domain : "") + ": " + (message ? message : ""));
}

}  // namespace

HandlerMatrix::HandlerMatrix(GuiDriver& gui) : mGui(gui) {
  mApplication = NewObjectFromDefinition(ApplicationClassDefinition());
  SetApplicationObject(mApplication);
  SetUnhandledExceptionHook(UnhandledExceptionHook);
  for (const char* domain : kToolkitDomains) {
    mLogHandlers.push_back(g_log_set_handler(
        domain, GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING), NoteToolkitMessage,
        nullptr));
  }
}

HandlerMatrix::~HandlerMatrix() {
  for (size_t i = 0; i < mLogHandlers.size(); ++i) {
    g_log_remove_handler(kToolkitDomains[i], mLogHandlers[i]);
  }
  SetUnhandledExceptionHook(nullptr);
  ReleaseApplicationObject();
  RuntimeUnlockObject(mApplication);
  ClearQuitRequestForTesting();
}

void HandlerMatrix::RunEveryEvent(const Subject& subject) {
  RuntimeClass* cls = HearingSubclass(subject.className);
  const std::vector<std::string> events = EventsOf(cls, subject);
  EXPECT_FALSE(events.empty()) << subject.className;
  // What the class makes once for the whole process (encodings, fonts) is made before the
  // runs count what they leave alive.
  RunOne(subject, cls, "", MatrixAction::kCloseWindow);
  for (const std::string& event : events) {
    if (!TriggerFor(subject, event)) {
      ADD_FAILURE() << subject.className << "." << event << " has no trigger";
      continue;
    }
    for (MatrixAction action : {MatrixAction::kCloseWindow, MatrixAction::kCloseControl,
                                MatrixAction::kReleaseLast, MatrixAction::kQuit,
                                MatrixAction::kCloseDatabase}) {
      if (action == MatrixAction::kCloseDatabase && !subject.closeDatabase) continue;
      RunOne(subject, cls, event, action);
      if (testing::Test::HasFatalFailure()) return;
    }
  }
}

void HandlerMatrix::RunOne(const Subject& subject, RuntimeClass* cls, const std::string& event,
                           MatrixAction action) {
  const bool warmUp = event.empty();
  const std::string what = std::string(subject.className) + "." + event + ", " +
                           ActionName(action);
  SCOPED_TRACE(what);
  if (!warmUp) ++mRuns;
  if (subject.prepare) subject.prepare();
  gToolkitMessages.clear();
  const int32_t liveBefore = LiveCount();
  const std::set<RuntimeObject*> aliveBefore = LiveObjects();
  XWindow xid = 0;
  RuntimeObject* window = mKit.OpenAndFocus(mGui, "Matrix " + std::to_string(mRuns), {}, &xid);
  ASSERT_TRUE(window && xid);
  const ScreenPoint origin = ContentToScreen(mGui, xid, window, 0, 0);
  gArmed = Armed{};
  gArmed.cls = cls;
  gArmed.event = event;
  gArmed.action = action;
  gArmed.window = window;
  gArmed.subject = &subject;
  RuntimeObject* other = AddHeldControl(window, OtherClass(), "Other", kOtherBounds, nullptr);
  RuntimeObject* source = nullptr;
  if (IsDragEvent(event)) {
    source = AddHeldControl(window, SourceClass(), "Source", kSourceBounds, nullptr);
  }
  gArmed.held = AddHeldControl(window, cls, "Subject", subject.bounds, subject.setup);
  // From here on the subject is alive while gArmed.held is: a handler raised as its pane is
  // made or filled may have dropped it already.
  RuntimeObject* subjectObject = gArmed.held;
  if (!gArmed.fired && AsControl(subjectObject)->pane) {
    if (subject.fill) subject.fill(subjectObject);
    if (gArmed.held) controlAcceptTextDrop(subjectObject);
    mGui.Settle();
  }
  const auto paned = [] { return gArmed.held && AsControl(gArmed.held)->pane; };
  // Real input under load may miss (a double click read as two): the trigger is tried again.
  // The control may place itself (a line by its ends): its own bounds, once it has a pane.
  Stage stage{mGui,   window, gArmed.held, other, xid, origin,
              paned() ? AsControl(gArmed.held)->bounds : subject.bounds};
  const auto canTryAgain = [&] {
    return !gArmed.fired && AsWindow(window)->mImp && paned();
  };
  for (int attempt = 0; attempt < kAttempts && !warmUp && canTryAgain(); ++attempt) {
    (*TriggerFor(subject, event))(stage);
    mGui.PumpUntil([] { return gArmed.fired; }, kFiredWaitMs / kAttempts);
  }
  EXPECT_TRUE(gArmed.fired || warmUp)
      << what << ": the trigger raised no " << event << "; heard " << Joined(gArmed.heard);
  // The rest of the input, and whatever the main loop still has to give the closed objects.
  mGui.Settle();
  // A press whose drag never began (its window closed first) is let go: no later run or test
  // of the process starts with the button down.
  GdkModifierType buttons = GdkModifierType(0);
  gdk_window_get_pointer(gdk_get_default_root_window(), nullptr, nullptr, &buttons);
  if (buttons & GDK_BUTTON1_MASK) mGui.ReleaseButton();
  for (int pass = 0; pass < 3; ++pass) MainLoopDoEvents(false);
  if (const XWindow menu = mGui.OpenMenu()) {
    mGui.Key("Escape");
    mGui.WaitForMenuClosed(menu);
  }
  EXPECT_EQ(gArmed.late, std::vector<std::string>{})
      << what << ": events after the close; heard " << Joined(gArmed.heard);
  // Whatever closed it, the control heard its Close once (before anything else was late).
  if (gArmed.fired && action != MatrixAction::kCloseDatabase) {
    EXPECT_EQ(std::count(gArmed.heard.begin(), gArmed.heard.end(), "Close"), 1)
        << what << ": heard " << Joined(gArmed.heard);
  }

  const bool windowGoes =
      action == MatrixAction::kCloseWindow || action == MatrixAction::kQuit;
  if (gArmed.fired && windowGoes) {
    EXPECT_EQ(AsWindow(window)->mImp, nullptr) << what;
  }
  ClearQuitRequestForTesting();
  // Tidying up: the window closed and every reference of the run let go.
  if (AsWindow(window)->mImp) RuntimeCloseWindow(window);
  mGui.WaitUntilClosed(xid);
  RuntimeUnlockObject(std::exchange(gArmed.held, nullptr));
  for (RuntimeObject* helper : {other, source}) RuntimeUnlockObject(helper);
  mKit.Forget(window);
  RuntimeUnlockObject(window);
  gArmed = Armed{};
  for (int pass = 0; pass < 3; ++pass) MainLoopDoEvents(false);
  ReleaseDeferredPanes();
  if (!warmUp) {
    // Fewer is fine: a quit closes the windows earlier tests of the process left open.
    EXPECT_LE(LiveCount(), liveBefore) << what << ": objects left alive: "
                                       << NewlyAlive(aliveBefore);
    EXPECT_EQ(gToolkitMessages, std::vector<std::string>{}) << what << ": GTK complained";
  }
  if (subject.finish) subject.finish();
}

}  // namespace qvtest
