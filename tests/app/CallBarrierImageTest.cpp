// The packed call-barrier application (tests/images/barrier): compiled handlers that raise with
// no handler of their own, called from foreign frames (a GLib signal emission, a plug-in built
// without frame pointers) the way the framework calls compiled code. The exception must take
// the unhandled path once per call and never walk into the foreign frames: the emission goes
// on, the plug-in's memory is untouched, and the application's own handler around it all is
// never entered.
#include <dlfcn.h>
#include <glib-object.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/ImageEntry.h"
#include "arrays/RuntimeArray.h"
#include "core/CompiledCall.h"
#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"
#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/RuntimeClass.h"
#include "support/TestSupport.h"

namespace {

// Everything the handlers, the framework's callbacks and the unhandled hook saw, in order.
std::vector<std::string> gRecords;
const void* gRaisesUnhandled = nullptr;

void Record(const std::string& line) { gRecords.push_back(line); }

std::string ClassNameOf(RuntimeObject* object) {
  return object ? stringStorage::CString(object->classPtr->className) : "nil";
}

// The class and the Stack, which ends at the call's barrier as the unwinding does.
void NoteUnhandled(RuntimeObject* exception) {
  std::string line = "unhandled " + ClassNameOf(exception) + " in";
  RuntimeArray* stack = RuntimeExceptionStack(exception);
  const auto get = reinterpret_cast<stringStorage* (*)(RuntimeArray*, int32_t)>(stack->table->get);
  for (int32_t i = 0; i <= RuntimeUBound(stack); ++i) {
    line += std::string(" ") + string::Adopt(get(stack, i)).CString();
  }
  RuntimeUnlockArray(stack);
  Record(line);
}

}  // namespace

extern "C" void BarrierRecord(int32_t key, int32_t value) {
  Record(std::to_string(key) + "=" + std::to_string(value));
}
QV_EXPORT(BarrierRecord)

extern "C" void BarrierRecordException(int32_t key, RuntimeObject* exception) {
  Record(std::to_string(key) + "=" + ClassNameOf(exception));
}
QV_EXPORT(BarrierRecordException)

extern "C" void BarrierRaise() { RaiseNilObjectException(); }
QV_EXPORT(BarrierRaise)

// A framework routine that compiled code calls and that calls compiled code again.
extern "C" void BarrierCallInner(RuntimeObject* object, int32_t key) {
  CompiledCall call;
  call.Protect(object);
  call.Invoke<bool>(gRaisesUnhandled, object, key + 1);
  Record("inner unhandled " + std::to_string(call.UnhandledCount()));
}
QV_EXPORT(BarrierCallInner)

namespace {

// One call of a compiled handler with (object, key), as an event raiser makes it.
struct HandlerCall {
  const void* handler;
  RuntimeObject* object;
  int32_t key;
};

bool CallHandler(const HandlerCall& c) {
  CompiledCall call;
  call.Protect(c.object);
  const bool handled = call.Invoke<bool>(c.handler, c.object, c.key);
  Record("handled " + std::to_string(handled) + " unhandled " +
         std::to_string(call.UnhandledCount()) + " open " + std::to_string(call.StillOpen()));
  return handled;
}

// ---- A GLib signal whose first closure calls the compiled handler ----
// "fire" (key) -> Boolean, stopped by the first handler that answers true, as GTK's event
// signals are; the generic marshaller adds its own foreign frames.
GType EmitterType() {
  static GType type = 0;
  if (type) return type;
  type = g_type_register_static_simple(G_TYPE_OBJECT, "QvBarrierEmitter", sizeof(GObjectClass),
                                       nullptr, sizeof(GObject), nullptr, GTypeFlags(0));
  g_signal_new("fire", type, G_SIGNAL_RUN_LAST, 0, g_signal_accumulator_true_handled, nullptr,
               nullptr, G_TYPE_BOOLEAN, 1, G_TYPE_INT);
  return type;
}

gboolean OnFire(GObject*, gint key, gpointer data) {
  auto* c = static_cast<HandlerCall*>(data);
  c->key = key;
  return CallHandler(*c);
}

gboolean AfterFire(GObject*, gint key, gpointer) {
  Record("after " + std::to_string(key));
  return FALSE;
}

void EmitThroughGLib(HandlerCall* c, gint key) {
  GObject* emitter = static_cast<GObject*>(g_object_new(EmitterType(), nullptr));
  g_signal_connect(emitter, "fire", G_CALLBACK(OnFire), c);
  g_signal_connect(emitter, "fire", G_CALLBACK(AfterFire), nullptr);
  gboolean handled = FALSE;
  g_signal_emit(emitter, g_signal_lookup("fire", EmitterType()), 0, key, &handled);
  Record("emitted " + std::to_string(handled));
  g_object_unref(emitter);
}

// ---- A plug-in that calls back into the framework ----
using PluginCallBackFunction = int32_t (*)(int32_t (*)(void*), void*, const void*, int32_t);

int32_t ThroughTheHelper(void* context) { return CallHandler(*static_cast<HandlerCall*>(context)); }

// A path that calls compiled code without the helper (as a destructor run from a foreign
// callback would): no barrier but the entry's lies below the plug-in's frames.
int32_t DirectCall(void* context) {
  auto* c = static_cast<HandlerCall*>(context);
  return reinterpret_cast<int32_t (*)(RuntimeObject*, int32_t)>(
      const_cast<void*>(c->handler))(c->object, c->key);
}

void CallThroughPlugin(PluginCallBackFunction plugin, int32_t (*callback)(void*), HandlerCall c,
                       const void* bait) {
  Record("plug-in damage " + std::to_string(plugin(callback, &c, bait, c.key)));
}

RuntimeObject* NewSender() {
  RuntimeClass* cls = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
  cls->className = string("Sender").ExtractStringStorage();
  cls->instanceSize = sizeof(RuntimeObject);
  return RuntimeNewObject(cls);
}

}  // namespace

// Called by the application's entry, inside its protected region, with its handlers.
extern "C" void BarrierRunScenarios(const void* raisesUnhandled, const void* catchesOwn,
                                    const void* callsInnerThenRaises, const void* bait) {
  gRaisesUnhandled = raisesUnhandled;
  RuntimeObject* sender = NewSender();
  HandlerCall signal{raisesUnhandled, sender, 0};
  EmitThroughGLib(&signal, 10);
  signal.handler = catchesOwn;
  EmitThroughGLib(&signal, 20);
  signal.handler = callsInnerThenRaises;
  EmitThroughGLib(&signal, 30);

  void* library = dlopen(CALLBACK_PLUGIN, RTLD_NOW | RTLD_LOCAL);
  auto plugin = library ? reinterpret_cast<PluginCallBackFunction>(dlsym(library, "PluginCallBack"))
                        : nullptr;
  if (!plugin) {
    Record(std::string("no plug-in: ") + dlerror());
  } else {
    CallThroughPlugin(plugin, &ThroughTheHelper, {raisesUnhandled, sender, 40}, bait);
    CallThroughPlugin(plugin, &ThroughTheHelper, {catchesOwn, sender, 50}, bait);
    CallThroughPlugin(plugin, &DirectCall, {raisesUnhandled, sender, 60}, bait);
  }
  RuntimeUnlockObject(sender);
}
QV_EXPORT(BarrierRunScenarios)

namespace {

TEST(CallBarrierImageTest, HandlersCalledFromForeignFramesNeverUnwindIntoThem) {
  std::string output;
  const int status = qvtest::RunInChild(
      [] {
        if (chdir(BARRIERAPP_DIR) != 0) _exit(90);
        SetUnhandledExceptionHook(&NoteUnhandled);
        EXPECT_TRUE(RunApplicationImage("/proc/self/exe"));
        const std::string nil = "NilObjectException";
        const std::string unhandled = "unhandled " + nil + " in RaisesUnhandled";
        EXPECT_THAT(gRecords,
                    testing::ElementsAre(
                        // GLib: the emission goes on to the next closure; the neutral answer
                        // (false) lets it, although the handler ran on and answered 7.
                        "10=1", unhandled, "10=2", "handled 0 unhandled 1 open 1",
                        "after 10", "emitted 0",
                        // Its own handler: true stops the emission.
                        "20=" + nil, "handled 1 unhandled 0 open 1", "emitted 1",
                        // Nested: the inner call's exception stays in the inner call.
                        "31=1", unhandled, "31=2", "inner unhandled 1", "30=" + nil,
                        "handled 1 unhandled 0 open 1", "emitted 1",
                        // The plug-in: through the helper, caught, and without the helper.
                        "40=1", unhandled, "40=2", "handled 0 unhandled 1 open 1",
                        "plug-in damage 0", "50=" + nil, "handled 1 unhandled 0 open 1",
                        "plug-in damage 0", "60=1", unhandled, "60=2",
                        "plug-in damage 0"));
        EXPECT_EQ(LiveObjectCount(), 0);
        std::fflush(stdout);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      &output);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
}

}  // namespace
