// The IDE's commands, in the order in which their tags are tested (the first match wins):
// running and stepping, breakpoints, memory, the stack, watch lists, properties and the
// exception trap. Tags are compared without regard to case; a line with another tag is ignored.
#include <glib.h>

#include <new>

#include "app/ClassLibraryHooks.h"
#include "app/DebuggerState.h"
#include "app/DebuggerWire.h"
#include "core/ByteUtilities.h"
#include "core/RuntimeError.h"
#include "image/ApplicationImage.h"

namespace {

// A statement hook call takes five bytes of code, so no image has more statements than that.
constexpr uint32_t kCodeBytesPerStatement = 5;

struct CommandRow {
  const char* tag;
  void (*run)(const string& payload);
  bool resumes;  // ends the stopped state
};

void Run(const string&) {
  WindowSystem().raiseFrontWindow();
  gDebugger.stepMode = kStepNone;
  gDebugger.breakRequested = false;
}

void Step(int32_t mode) {
  gDebugger.stepMode = mode;
  gDebugger.stepFrame = mode == kStepNextStatement ? 0 : CallerOfCurrentFrame();
}

// Also while the program runs (the main loop polls the link): it then stops at its next
// statement, or, waiting for events, at the poller's next turn, which the wake-up makes come.
void RequestBreak(const string&) {
  Step(kStepNextStatement);
  gDebugger.breakRequested = true;
  g_main_context_wakeup(nullptr);
}

void SetBreakpoint(const string& payload, uint8_t value) {
  uint32_t word = 0;
  if (!DecodeWord(payload, &word)) return;
  const int32_t breakline = int32_t(word);
  if (!QV_CHECK_TEXT(breakline >= 0 && breakline < gDebugger.breakpointsLength,
                     "breakline >= 0 && breakline < sBreakpointsLen", nullptr))
    return;
  gDebugger.breakpoints[breakline] = value;
}

// A count no image can use is ignored and the table stays as it was.
void ReplaceBreakpoints(const string& payload) {
  uint32_t count = 0;
  if (!DecodeWord(payload, &count) || count > GetImageCodeSize() / kCodeBytesPerStatement) return;
  uint8_t* table = count ? new (std::nothrow) uint8_t[count]() : nullptr;
  if (count && !table) return;
  delete[] gDebugger.breakpoints;
  gDebugger.breakpoints = table;
  gDebugger.breakpointsLength = int32_t(count);
}

void Watch(SimpleVector<uint32_t>& list, const string& payload) {
  uint32_t address = 0;
  if (!DecodeWord(payload, &address) || !address) return;
  for (uint32_t i = 0; i < list.size(); ++i) {
    if (list[int32_t(i)] == address) return;
  }
  list.Append(address);
}

void Unwatch(SimpleVector<uint32_t>& list, const string& payload) {
  uint32_t address = 0;
  if (DecodeWord(payload, &address) && address) list.RemoveAll(address);
}

void Trap(const string& payload) {
  uint64_t flag = 0;
  if (DecodeHex(payload, 1, &flag)) gDebugger.breakOnException = flag != 0;
}

void Nothing(const string&) {}

const CommandRow kCommands[] = {
    {"RUN", Run, true},
    {"QUIT", [](const string&) { EndDebuggedProcess(); }, false},
    {"BR", [](const string& p) { SetBreakpoint(p, 1); }, false},
    {"BRC", [](const string& p) { SetBreakpoint(p, 0); }, false},
    {"BRLA", ReplaceBreakpoints, false},
    {"STEP", [](const string&) { Step(kStepNextStatement); }, true},
    {"STEPOVER", [](const string&) { Step(kStepOver); }, true},
    {"STEPOUT", [](const string&) { Step(kStepOut); }, true},
    {"BREAK", RequestBreak, true},
    {"DB", [](const string& p) { ReadValue(p, 1, "VAL8"); }, false},
    {"DH", [](const string& p) { ReadValue(p, 2, "VAL16"); }, false},
    {"DW", [](const string& p) { ReadValue(p, 4, "VAL32"); }, false},
    {"DL", [](const string& p) { ReadValue(p, 8, "VAL64"); }, false},
    {"DS", ReadStringVariable, false},
    {"DO", ReadObjectVariable, false},
    {"DV", ReadVariantVariable, false},
    {"DOC", ReadObjectClass, false},
    {"DSS", ReadBytesAsString, false},
    {"SB", [](const string& p) { WriteValue(p, 1); }, false},
    {"SH", [](const string& p) { WriteValue(p, 2); }, false},
    {"SW", [](const string& p) { WriteValue(p, 4); }, false},
    {"SL", [](const string& p) { WriteValue(p, 8); }, false},
    {"SS", WriteStringVariable, false},
    {"PID", [](const string&) { SendToIDE("PID", string()); }, false},
    {"TOC",
     [](const string&) {
       SendToIDE("TOC", EncodeHex(reinterpret_cast<uintptr_t>(gDebugger.dataBase), 4));
     },
     false},
    {"SC", [](const string&) { SendStackFrames(); }, false},
    {"OWLS", [](const string& p) { Watch(Session().objectWatchList, p); }, false},
    {"OWLR", [](const string& p) { Unwatch(Session().objectWatchList, p); }, false},
    {"DABB", ReadArray, false},
    {"AWLS", [](const string& p) { Watch(Session().arrayWatchList, p); }, false},
    {"AWLR", [](const string& p) { Unwatch(Session().arrayWatchList, p); }, false},
    {"DPVB", [](const string& p) { ReadProperty(p, kPropertyByte, "VALPVB"); }, false},
    {"DPVH", [](const string& p) { ReadProperty(p, kPropertyShort, "VALPVH"); }, false},
    {"DPVI", [](const string& p) { ReadProperty(p, kPropertyInt, "VALPVI"); }, false},
    {"DPVL", [](const string& p) { ReadProperty(p, kPropertyLong, "VALPVL"); }, false},
    {"DPVF", [](const string& p) { ReadProperty(p, kPropertySingle, "VALPVF"); }, false},
    {"DPVD", [](const string& p) { ReadProperty(p, kPropertyDouble, "VALPVD"); }, false},
    {"DPVO", [](const string& p) { ReadProperty(p, kPropertyObject, "VALPVO"); }, false},
    {"DPVV", [](const string& p) { ReadProperty(p, kPropertyVariant, "VALPVV"); }, false},
    {"DPVS", [](const string& p) { ReadProperty(p, kPropertyString, "VALPVS"); }, false},
    {"SwitchToDebugger", Nothing, false},
    {"GetHWND", Nothing, false},
    {"TRAP", Trap, false},
};

}  // namespace

bool DispatchDebuggerCommand(const string& tag, const string& payload) {
  for (const CommandRow& row : kCommands) {
    if (ustrcmpi(tag.CString(), row.tag) != 0) continue;
    row.run(payload);
    return row.resumes;
  }
  return false;
}
