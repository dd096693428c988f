#include "app/PluginEnvironment.h"

#include "app/BackgroundTask.h"
#include "app/ThreadScheduler.h"
#include "core/DebugMode.h"
#include "core/Export.h"
#include "strings/Mnemonic.h"
#include "strings/TextEncoding.h"

namespace {
// Set while QUORYieldToQV runs the tasks: a task yielding from its own Run would otherwise be
// run again (and again) inside itself.
bool gYielding = false;
}  // namespace

extern "C" int32_t QUORinRuntime() { return 1; }
QV_EXPORT(QUORinRuntime)

extern "C" int32_t QUORInDebugMode() { return InDebugMode() ? 1 : 0; }
QV_EXPORT(QUORInDebugMode)

extern "C" void QUORYieldToQV() {
  if (gYielding) return;
  gYielding = true;
  RunDueBackgroundTasks(false);
  gYielding = false;
}
QV_EXPORT(QUORYieldToQV)

extern "C" void QUORSetAccelerator() {}
QV_EXPORT(QUORSetAccelerator)

extern "C" uintptr_t QUORGetStackLimit() { return StackCheckerGetLimit(); }
QV_EXPORT(QUORGetStackLimit)

extern "C" void QUORSetStackLimit(uintptr_t limit) { StackCheckerSetLimit(limit); }
QV_EXPORT(QUORSetStackLimit)

extern "C" uint32_t QUORGetStringEncoding(stringStorage* s) {
  return s ? s->encoding : kEncodingASCII;
}
QV_EXPORT(QUORGetStringEncoding)

extern "C" void QUORSetStringEncoding(stringStorage* s, uint32_t encoding) {
  if (s) s->encoding = encoding;
}
QV_EXPORT(QUORSetStringEncoding)

extern "C" uint32_t QUORGetFontEncoding(stringStorage*) { return kEncodingUTF8; }
QV_EXPORT(QUORGetFontEncoding)

extern "C" stringStorage* QUORConvertString(stringStorage* s, uint32_t encoding) {
  return ConvertEncoding(string(s), encoding).ExtractStringStorage();
}
QV_EXPORT(QUORConvertString)

extern "C" void QUORStripAmpersands(stringStorage** handle) {
  if (!handle || !*handle) return;
  stringStorage* stripped = StripMnemonic(string(*handle)).ExtractStringStorage();
  stringStorage::RemoveReference(*handle);
  *handle = stripped;
}
QV_EXPORT(QUORStripAmpersands)
