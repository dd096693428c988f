// What the virtual-volume tests share: volumes made and opened through the FolderItem entry
// points in a private folder, their root items, and files written and read through items.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "FolderItemTestSupport.h"
#include "files/FolderItemClass.h"
#include "files/FolderItemImpVirtual.h"
#include "files/RandomAccessMechanism.h"
#include "files/VirtualVolumeClass.h"

namespace voltest {

using itemtest::Item;

// A language object the test holds, released when it goes.
class Held {
 public:
  explicit Held(RuntimeObject* object = nullptr) : mObject(object) {}
  ~Held() { reset(); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  void reset(RuntimeObject* object = nullptr) {
    if (mObject) RuntimeUnlockObject(mObject);
    mObject = object;
  }
  RuntimeObject* get() const { return mObject; }
  explicit operator bool() const { return mObject != nullptr; }

 private:
  RuntimeObject* mObject;
};

inline RuntimeObject* HostItem(const std::string& path) {
  return NewFolderItem(FolderItemImpUnix::FromBytes(path));
}

// A new volume in the file at path (nil when it cannot be made).
inline RuntimeObject* CreateVolume(const std::string& path) {
  Held item(HostItem(path));
  return FolderItemCreateVirtualVolume(item.get());
}

inline RuntimeObject* OpenVolume(const std::string& path) {
  Held item(HostItem(path));
  return FolderItemOpenAsVirtualVolume(item.get());
}

// The volume's root item (the caller's).
inline Item Root(RuntimeObject* volume) {
  Held root(VirtVolRootGetter(volume, 0));
  return Item(root ? FolderItemImpOf(root.get())->Clone() : nullptr);
}

// The item at a "/"-separated path below folder (the caller's).
inline Item At(const FolderItemImp& folder, const std::string& path) {
  Item item(folder.Clone());
  size_t start = 0;
  while (item && start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    item.reset(item->Child(itemtest::Text(path.substr(start, end - start)), 0));
    start = end + 1;
  }
  return item;
}

// The names of the folder's items, in list order.
inline std::vector<std::string> Names(const FolderItemImp& folder) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < folder.Count(); ++i)
    names.push_back(itemtest::Bytes(Item(folder.Item(i, 0))->GetName()));
  return names;
}

// Writes bytes as the item's whole file, made anew; false when any step fails.
inline bool WriteAll(FolderItemImp& item, const std::string& bytes) {
  std::unique_ptr<RandomAccessMechanism> file(item.Exists() ? item.OpenAsMechanism(true, true)
                                                            : item.CreateMechanism(""));
  return file && file->SetLength(0) && file->Write(bytes.data(), int32_t(bytes.size())) &&
         file->Close();
}

// The item's whole file, or "(none)" when it does not open.
inline std::string ReadAll(const FolderItemImp& item) {
  std::unique_ptr<RandomAccessMechanism> file(item.OpenAsMechanism(true, false));
  if (!file) return "(none)";
  std::string bytes(size_t(file->GetLength()), '\0');
  int32_t got = 0;
  if (!bytes.empty() && (!file->Read(bytes.data(), int32_t(bytes.size()), &got) ||
                         size_t(got) != bytes.size()))
    return "(short)";
  file->Close();
  return bytes;
}

}  // namespace voltest
