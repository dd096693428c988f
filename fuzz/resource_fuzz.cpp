// fuzz-display: runs under scripts/with-display, so that cursors reach a real X server.
//
// The image's resources: one input is an options block and a resource block, registered as the
// loader registers them (the resource block, then the options with their window icons and
// version record). Then the version record is read and every resource goes to its maker
// through the resource manager: 'CURS' cursors made by the X server, 'BMP ' pictures, 'TEXT'
// texts, 'DBAS' databases opened by an engine that reads every byte it is handed. Movies and
// sounds are made over files; of their bytes only the movie file's extension is read, and that
// is read here directly. Whatever the bytes, each maker gives its object, or nil after a
// report; nothing crashes, and nothing reads outside the input.
//
// Input: the options block's size (u16, little-endian), the options block, the resource block.
#include <gtk/gtk.h>

#include <algorithm>
#include <vector>

#include "FuzzSupport.h"
#include "app/ExternalClasses.h"
#include "app/PluginDataSources.h"
#include "app/ResourceManager.h"
#include "core/Startup.h"
#include "image/ImageFormat.h"
#include "image/ImageOptions.h"
#include "image/ResourceTable.h"
#include "image/VersionResource.h"

namespace {

// An engine that reads every byte of the database it is given, and opens nothing.
volatile uint32_t gDatabaseSum;
RuntimeObject* ReadEveryByte(uint32_t data, uint32_t length) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(uintptr_t(data));
  uint32_t sum = 0;
  for (uint32_t i = 0; i < length; ++i) sum += bytes[i];
  gDatabaseSum = sum;
  return nullptr;
}

void InitializeResourceMakers() {
  static bool done = [] {
    RunStartupSteps(kStartupHooksBegin, kStartupHooksEnd);
    gtk_init_check(nullptr, nullptr);
    RunStartupSteps(kStartupToolkitBegin, kStartupToolkitEnd);
    RuntimeInitExternalClasses();
    RegisterDataSource("fuzz", ReadEveryByte);
    return true;
  }();
  (void)done;
}

void Make(const ResourceEntry& row) {
  ResourceManager& manager = TheResourceManager();
  RuntimeObject* made = nullptr;
  if (row.type == qvimage::kResourceCursor) made = manager.GetCursor(row.id);
  if (row.type == qvimage::kResourcePicture) made = manager.GetPicture(row.id);
  if (row.type == qvimage::kResourceDatabase) made = manager.GetDatabase(row.id);
  if (row.type == qvimage::kResourceText) {
    stringStorage::RemoveReference(manager.GetTextFile(row.id));
  }
  if (row.type == qvimage::kResourceMovie) {
    const char* extension = MovieFileExtension(row.data, row.length);
    QV_FUZZ_EXPECT(extension && extension[0] == '.');
  }
  RuntimeUnlockObject(made);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InitializeOnce();
  InitializeResourceMakers();
  if (size < 2) return 0;
  const size_t optionsSize = std::min<size_t>(data[0] | data[1] << 8, size - 2);
  // Copies of their own, so that a read past either block is a read past an allocation.
  const std::vector<uint8_t> options(data + 2, data + 2 + optionsSize);
  const std::vector<uint8_t> resources(data + 2 + optionsSize, data + size);
  RegisterImageResources(resources.data(), uint32_t(resources.size()), 0, "");
  ApplyImageOptions(options.data(), uint32_t(options.size()));
  // The version record read lies within its row: 24 bytes of numbers, three counted texts.
  if (const ImageVersion* version = GetVersionResource()) {
    uint64_t length = sizeof(qvimage::VersionRecordHeader) + 3;
    for (const string& text : version->texts) length += uint64_t(text.Length());
    QV_FUZZ_EXPECT(length <= FindResource(qvimage::kResourceVersion, 0).length);
  }
  for (uint32_t i = 0; i < ResourceCount(); ++i) Make(ResourceAt(i));
  gdk_flush();  // an error the X server sent for what was made arrives now, not later
  ForgetVersionResourceForTesting();
  ForgetImageResourcesForTesting();
  return 0;
}
