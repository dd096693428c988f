#include "app/SystemServices.h"

#include <syslog.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/RuntimeMain.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"

namespace {

using namespace lang;

constexpr int32_t kFirstLogLevel = 1000;  // emergency; 1007 is debug
constexpr int32_t kLogLevelCount = 8;
constexpr uint32_t kPenButtons = 0;        // no pen: no button is ever down
constexpr uint32_t kInstalledRowFlags = 5;

const PropertyRow kQuicktimeProperties[] = {
    QV_READONLY("Installed", Boolean, QTInstalledGetter).Flags(kInstalledRowFlags),
};

// The program path: the stored vector's first entry, which start-up resolved.
const char* ProgramPath() {
  if (gRuntimeArgc > 0 && gRuntimeArgv && gRuntimeArgv[0]) return gRuntimeArgv[0];
  return CommandLineArgument(0);
}

string BuildCommandLine() {
  std::string joined;
  for (int32_t i = 0; i < CommandLineCount(); ++i) {
    const char* argument = i == 0 && ProgramPath() ? ProgramPath() : CommandLineArgument(i);
    if (i > 0) joined += ' ';
    joined += argument ? argument : "";
  }
  return string::FromBytes(joined.data(), int64_t(joined.size()), kEncodingUTF8);
}

int LogPriority(int32_t level) {
  if (level >= kFirstLogLevel && level < kFirstLogLevel + kLogLevelCount) {
    return level - kFirstLogLevel;  // LOG_EMERG (0) to LOG_DEBUG (7)
  }
  return LOG_INFO;
}

}  // namespace

QV_CLASS(QuicktimeInstallStatusClassDefinition,
         .name = "_QuicktimeInstallStatus",
         .properties = kQuicktimeProperties)
QV_STARTUP_CLASS(kStartupQuicktimeInstallStatusClass, QuicktimeInstallStatusClassDefinition)

bool HoldsNul(const string& s) {
  return std::memchr(s.Bytes(), 0, size_t(s.Length())) != nullptr;
}

bool IsEnvironmentName(const string& name) {
  return !name.IsEmpty() && !HoldsNul(name) &&
         std::memchr(name.Bytes(), '=', size_t(name.Length())) == nullptr;
}

extern "C" stringStorage* SystemGetCommandLine(RuntimeObject*) {
  static const string commandLine = BuildCommandLine();
  return commandLine.ExtractStringStorage();
}
QV_EXPORT(SystemGetCommandLine)

extern "C" stringStorage* SystemGetEnvVariable(RuntimeObject*, stringStorage* name) {
  const string key = string(name).GetUTF8String();
  if (!IsEnvironmentName(key)) return nullptr;
  const char* value = std::getenv(key.CString());
  if (!value) return nullptr;
  string text = string::FromBytes(value, int64_t(std::strlen(value)), kEncodingUTF8);
  if (text.ContainsOnlyASCII()) text.SetEncoding(kEncodingASCII);
  return std::move(text).ExtractStringStorage();
}
QV_EXPORT(SystemGetEnvVariable)

extern "C" void SystemSetEnvVariable(RuntimeObject*, stringStorage* name, stringStorage* value) {
  const string key = string(name).GetUTF8String();
  const string text = string(value).GetUTF8String();
  if (!IsEnvironmentName(key) || HoldsNul(text)) return;
  setenv(key.CString(), text.CString(), 1);
}
QV_EXPORT(SystemSetEnvVariable)

extern "C" void SystemLogger(RuntimeObject*, int32_t level, stringStorage* message) {
  if (!message) return;
  const string text = string(message).GetUTF8String();
  openlog(ProgramPath(), LOG_PID, LOG_USER);
  syslog(LogPriority(level), "%s", text.CString());
  closelog();
}
QV_EXPORT(SystemLogger)

extern "C" void SystemDebugLogger(RuntimeObject*, stringStorage* message) {
  if (!message) return;
  const string text = string(message).GetUTF8String();
  std::fprintf(stderr, "%s\n", text.CString());
  std::fflush(stderr);
}
QV_EXPORT(SystemDebugLogger)

extern "C" int32_t systemGestalt(RuntimeObject*, stringStorage*, int32_t* result) {
  if (result) *result = 0;
  return 0;
}
QV_EXPORT(systemGestalt)

extern "C" int32_t systemGetKeyScript(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(systemGetKeyScript)

extern "C" void systemSetKeyScript(RuntimeObject*, uint32_t, int32_t) {}
QV_EXPORT(systemSetKeyScript)

extern "C" double SystemGetPenPressure(RuntimeObject*, uint32_t) { return 0.0; }
QV_EXPORT(SystemGetPenPressure)

extern "C" int32_t SystemGetPenType(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(SystemGetPenType)

extern "C" int32_t SystemGetPenButton(RuntimeObject*, int32_t index) {
  if (index < 0 || index > 31) return 0;
  return int32_t((kPenButtons >> index) & 1u);
}
QV_EXPORT(SystemGetPenButton)

extern "C" stringStorage* SystemGetLocalizedString(RuntimeObject*, stringStorage*,
                                                   stringStorage* defaultValue) {
  stringStorage::AddReference(defaultValue);
  return defaultValue;
}
QV_EXPORT(SystemGetLocalizedString)

extern "C" RuntimeObject* systemGetQTInstallStatus(RuntimeObject*, uint32_t) {
  return NewObjectFromDefinition(QuicktimeInstallStatusClassDefinition());
}
QV_EXPORT(systemGetQTInstallStatus)

extern "C" int32_t QTInstalledGetter(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(QTInstalledGetter)
