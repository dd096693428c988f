// The debugger control in process, each test in a child of its own (the control's state is
// the process's): the link is a scripted stand-in that hands the program one batch of command
// lines at each stop and keeps what the program sends. Also the memory checks, through the
// kernel and through /proc/self/maps.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "DebuggerTestSupport.h"
#include "SpawnedProcess.h"
#include "app/DebuggerControl.h"
#include "app/DebuggerState.h"
#include "app/DebuggerWire.h"
#include "app/ProbedMemory.h"
#include "arrays/RuntimeArray.h"
#include "core/Export.h"
#include "core/RuntimeClass.h"
#include "image/ApplicationImage.h"
#include "image/PollableList.h"
#include "strings/NumberBases.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

using debugtest::Text;

std::vector<std::vector<std::string>> gBatches;  // one per stop, in order
std::vector<std::string> gSent;

class ScriptedLink final : public DebuggerConnection, public Pollable {
 public:
  ScriptedLink() { PollableListAdd(this); }
  ~ScriptedLink() override { PollableListRemove(this); }
  void Connect() override { NotifyConnected(); }
  void Send(const string& tag, const string& payload) override {
    gSent.push_back(Text(tag) + " " + Text(payload));
    mStopped = mStopped || Text(tag) == "BREAK" || Text(tag) == "TRAP";
  }
  void Poll() override {
    if (!mStopped || gBatches.empty()) return;
    mStopped = false;
    const std::vector<std::string> batch = gBatches.front();
    gBatches.erase(gBatches.begin());
    for (const std::string& line : batch) {
      const WireLine split = SplitWireLine(line.data(), int32_t(line.size()));
      NotifyMessage(split.tag, split.payload);
    }
  }
  void TerminateMessage(string&) override {}
  void Listen() override {}
  void Close() override {}

 protected:
  string LookaheadBytes() override { return string(); }
  string ReadBytes(int32_t) override { return string(); }

 private:
  bool mStopped = false;
};

std::string Hex(const void* address) {
  return Text(EncodeHex(reinterpret_cast<uintptr_t>(address), 4));
}

// Runs body in a child with the scripted link as the connection; the child gives up after a
// while, so that a stop that never resumes fails instead of hanging.
void InChild(const std::function<void()>& body) {
  std::string output;
  const int status = qvtest::RunInChild(
      [&] {
        alarm(qvtest::TimeLimit(20));
        SetDebuggerConnectionFactory([](const string&) -> DebuggerConnection* {
          return new ScriptedLink;
        });
        body();
      },
      &output);
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << output;
}

RuntimeObject* NewPlainObject() {
  static RuntimeClass* cls = [] {
    RuntimeClass* made = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
    made->className = string("Plain").ExtractStringStorage();
    made->instanceSize = sizeof(RuntimeObject);
    return made;
  }();
  return RuntimeNewObject(cls);
}

}  // namespace

// Getters found through the export registry.
extern "C" RuntimeObject* DebugTestFreshObject(RuntimeObject*, int32_t) {
  return NewPlainObject();
}
QV_EXPORT(DebugTestFreshObject)

extern "C" RuntimeObject* DebugTestSharedObject(RuntimeObject* self, int32_t) {
  RuntimeLockObject(self);
  return self;
}
QV_EXPORT(DebugTestSharedObject)

namespace {

// A watched object is reported once however often it was listed; a watched array each time
// an array at its address goes; a break request sent while the program runs stops it at its
// next statement.
TEST(DebuggerControl, WatchedObjectsAndArraysAndABreakRequest) {
  InChild([] {
    RuntimeObject* object = NewPlainObject();
    RuntimeArray* array = CreateArray(1, kArrayInt32, 3);
    gBatches = {{"OWLS " + Hex(object), "OWLS " + Hex(object), "AWLS " + Hex(array), "RUN"},
                {"RUN"}};
    RuntimeDebuggerEntry(0);
    RuntimeUnlockObject(object);
    RuntimeUnlockArray(array);
    const ArrayDisposeHook hook = SetArrayDisposeHook(nullptr);
    SetArrayDisposeHook(hook);
    hook(array);
    Session().link->NotifyMessage(string("BREAK"), string());
    RuntimeDebuggerEntry(5);
    const std::string odn = "ODN " + Text(HexToString(uint32_t(uintptr_t(object))));
    const std::string adn = "ADN " + Text(HexToString(uint32_t(uintptr_t(array))));
    EXPECT_EQ(gSent, (std::vector<std::string>{"BREAK 00000000", odn, adn, adn,
                                                "BREAK 00000005"}));
    EXPECT_TRUE(Session().objectWatchList.empty());
  });
}

// Results of property getters carry a reference, released whether the reply goes or not; an
// array record whose table is none of the framework's is not read.
TEST(DebuggerControl, GetterResultsAreReleasedAndForeignArraysAreNotRead) {
  InChild([] {
    RuntimeObject* object = NewPlainObject();
    const ArrayOperationTable foreign{};
    const int32_t record[7] = {1, int32_t(uintptr_t(&foreign)), 0, 1, 0, 16, 5};
    const std::string target = Hex(object);
    gBatches = {{"DPVO " + target + " DebugTestFreshObject 00000000",
                 "DPVO " + target + " DebugTestSharedObject 00000000", "DABB " + Hex(record),
                 "RUN"}};
    const int32_t live = LiveObjectCount();
    RuntimeDebuggerEntry(1);
    EXPECT_EQ(LiveObjectCount(), live);
    EXPECT_EQ(object->refCount, 1);
    EXPECT_EQ(gSent, (std::vector<std::string>{
                         "BREAK 00000001",
                         "VALPVO " + target + " DebugTestSharedObject 00000000 " + target +
                             " Plain"}));
  });
}

// "SS" releases the old value only when it is a string record; "BRLA" takes no more entries
// than the image has room for statements; a statement outside the table is a failed check; a
// resume stays in force when another line follows it in the same read.
TEST(DebuggerControl, StringsBreakpointTablesAndResumes) {
  InChild([] {
    std::vector<uint8_t> code(1000);
    ImageBlockSet blocks;
    blocks.bytes[qvimage::kBlockCode] = code.data();
    blocks.sizes[qvimage::kBlockCode] = uint32_t(code.size());
    InstallApplicationImage(blocks, {});
    string held("held text");
    stringStorage* variable = held.ExtractStringStorage();
    uint32_t fake[8] = {};
    stringStorage* impostor = reinterpret_cast<stringStorage*>(fake);
    gBatches = {{"SS " + Hex(&variable) + " 00000600:41", "SS " + Hex(&impostor) + " 00000600:42",
                 "BRLA 000000C8", "BR 000000C7", "BRLA 000000C9", "RUN", "PID"},
                {"BR 000000C8", "RUN"}};
    qvtest::ReportCapture reports;
    RuntimeDebuggerEntry(0);
    EXPECT_EQ(held.Storage()->refCount, 1u);
    EXPECT_EQ(Text(string::Adopt(variable)), "A");
    EXPECT_EQ(Text(string::Adopt(impostor)), "B");
    EXPECT_EQ(fake[0], 0u);
    RuntimeDebuggerEntry(199);
    EXPECT_EQ(gSent, (std::vector<std::string>{"BREAK 00000000", "PID ", "BREAK 000000C7"}));
    EXPECT_TRUE(reports.HasCondition("breakline >= 0 && breakline < sBreakpointsLen"));
  });
}

// Both ways of checking refuse unmapped memory, and read-only memory for writing, and read
// up to the first page that is missing.
TEST(DebuggerControl, MemoryChecksThroughTheKernelAndTheMappings) {
  auto* pages = static_cast<uint8_t*>(
      mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(pages, MAP_FAILED);
  munmap(pages + 4096, 4096);
  pages[4095] = 0x5A;
  const uintptr_t code = reinterpret_cast<uintptr_t>(&RuntimeDebuggerEntry);
  for (const bool mappings : {false, true}) {
    UseMappingsForMemoryChecks(mappings);
    uint32_t word = 0;
    std::vector<uint8_t> buffer(8192);
    EXPECT_FALSE(ReadOwnMemory(0x1000, &word, 4));
    EXPECT_FALSE(ReadOwnMemory(uintptr_t(pages) + 4094, &word, 4));
    EXPECT_TRUE(ReadOwnMemory(code, &word, 4));
    EXPECT_FALSE(WriteOwnMemory(code, &word, 4)) << "the framework's code is read-only";
    EXPECT_EQ(ReadOwnMemoryPrefix(uintptr_t(pages), buffer.data(), 8192), 4096u);
    EXPECT_EQ(buffer[4095], 0x5A);
    const uint8_t value = 0xA5;
    EXPECT_TRUE(WriteOwnMemory(uintptr_t(pages), &value, 1));
    EXPECT_EQ(pages[0], 0xA5);
    EXPECT_FALSE(ReadOwnMemory(UINTPTR_MAX - 1, &word, 4));
  }
  UseMappingsForMemoryChecks(false);
  munmap(pages, 4096);
}

}  // namespace
