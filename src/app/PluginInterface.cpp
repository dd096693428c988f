#include "app/PluginInterface.h"

#include <cstring>

#include "app/FolderItemImp.h"
#include "core/Export.h"
#include "strings/StringFoundation.h"

QV_EXPORT_AS("StringGetCString", StringToCString)
QV_EXPORT_AS("StringGetPString", StringToPString)
QV_EXPORT_AS("QUORLockString", RuntimeLockString)
QV_EXPORT_AS("QUORUnlockString", RuntimeUnlockString)
QV_EXPORT_AS("QUORLockObject", RuntimeLockObject)
QV_EXPORT_AS("QUORUnlockObject", RuntimeUnlockObject)

extern "C" stringStorage* QUORBuildString(const void* bytes, int32_t length) {
  if (length <= 0) return nullptr;
  string text;
  if (!text.AllocateBuffer(length)) return nullptr;
  auto* data = static_cast<char*>(text);
  if (bytes) {
    std::memcpy(data, bytes, size_t(length));
  } else {
    std::memset(data, 0, size_t(length));
  }
  return text.ExtractStringStorage();
}
QV_EXPORT(QUORBuildString)

// An empty path is the current folder.
extern "C" RuntimeObject* QUORGetProjectFolder() { return NewFolderItemObject(string()); }
QV_EXPORT(QUORGetProjectFolder)

extern "C" double QUORGetQVVersion() { return kFrameworkReleaseYear + kFrameworkRelease / 100.0; }
QV_EXPORT(QUORGetQVVersion)
