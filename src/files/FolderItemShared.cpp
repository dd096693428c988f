#include "files/FolderItemShared.h"

#include <cerrno>
#include <memory>
#include <string>

#include "core/SimpleVector.h"
#include "files/FolderItemImpVirtual.h"
#include "files/RandomAccessMechanism.h"
#include "strings/StringCase.h"
#include "strings/TextEncoding.h"
#include "strings/URLComponent.h"

namespace {

constexpr int32_t kCopyChunk = 4096;
constexpr int32_t kProbeRetryPeriod = 10;
// Probe names tried before the probe gives up on a folder full of them.
constexpr int32_t kProbeNames = 1000;
// No real folder tree is this deep; a parent chain longer than this is going round in circles.
constexpr int32_t kMaxDepth = 4096;

using ItemPointer = std::unique_ptr<FolderItemImp>;
using MechanismPointer = std::unique_ptr<RandomAccessMechanism>;

// Deletes the items of the list when it goes.
struct OwnedItems {
  SimpleVector<FolderItemImp*> items;
  ~OwnedItems() {
    for (uint32_t i = 0; i < items.size(); ++i) delete items[int32_t(i)];
  }
};

// The folder's entries as they are now, links not followed.
// False, with the listing's error kept, when the folder cannot be listed; otherwise the folder's
// error is as it was (an empty listing looks like a refused one but for the error).
bool ListEntries(const FolderItemImp& folder, OwnedItems* entries) {
  const int32_t before = folder.lastError;
  folder.SetLastError(0);
  const int32_t count = folder.Count();
  if (count == 0 && folder.lastError != 0) return false;
  folder.SetLastError(before);
  for (int32_t i = 0; i < count; ++i) {
    if (FolderItemImp* entry = folder.Item(i, 0)) entries->items.Append(entry);
  }
  return true;
}

void CloseAndFree(RandomAccessMechanism* mechanism) {
  mechanism->Close();
  delete mechanism;
}

// An existing file: its first byte read and written back, its date restored.
bool ProbeFile(FolderItemImp& item) {
  const double modified = item.GetModificationDate();
  RandomAccessMechanism* file = item.OpenAsMechanism(true, true);
  if (!file) return false;
  uint8_t byte = 0;
  int32_t got = 0;
  if (!file->Read(&byte, 1, &got) || got != 1) {
    // An empty file: writable when opening it for writing went through.
    const bool clean = file->lastError == 0;
    CloseAndFree(file);
    return clean;
  }
  const bool written = file->SetPosition(0) && file->Write(&byte, 1);
  CloseAndFree(file);
  if (written) item.SetModificationDate(modified);
  return written;
}

// The first "$$TestFile$$", "$$TestFile$$0", "$$TestFile$$1", ... of folder that does not
// exist, or nil when none of the first kProbeNames is free.
FolderItemImp* FreeProbeName(const FolderItemImp& folder) {
  const string base = "$$TestFile$$";
  for (int32_t counter = -1; counter < kProbeNames; ++counter) {
    string name = base;
    if (counter >= 0) name += std::to_string(counter).c_str();
    FolderItemImp* probe = folder.Child(name, 0);
    if (!probe) return nullptr;
    if (!probe->Exists()) return probe;
    delete probe;
  }
  return nullptr;
}

// A folder: a probe file made and deleted in it, the folder's date restored.
bool ProbeFolder(FolderItemImp& folder) {
  FolderItemImp* probe = FreeProbeName(folder);
  if (!probe) return false;
  const double modified = folder.GetModificationDate();
  RandomAccessMechanism* file = probe->CreateMechanism("????");
  bool writable = false;
  if (file) {
    writable = true;
    CloseAndFree(file);
    if (!probe->Delete() && probe->Exists()) {
      new TempFileDeleter(probe);  // keeps trying; deletes itself and the probe when done
      probe = nullptr;
    }
  }
  delete probe;
  folder.SetModificationDate(modified);
  return writable;
}

// Copies all of source into target in chunks; false on a failed or short read or write.
bool CopyBytes(RandomAccessMechanism* source, RandomAccessMechanism* target) {
  const int64_t length = source->GetLength();
  if (length < 0) return false;
  uint64_t remaining = uint64_t(length);
  std::unique_ptr<uint8_t[]> chunk(new (std::nothrow) uint8_t[kCopyChunk]);
  if (!chunk) return false;
  while (remaining > 0) {
    const int32_t want = remaining < kCopyChunk ? int32_t(remaining) : kCopyChunk;
    int32_t got = 0;
    // A read that gives nothing before the length is reached would never end the loop.
    if (!source->Read(chunk.get(), want, &got) || got <= 0) return false;
    if (!target->Write(chunk.get(), got)) return false;
    remaining -= uint64_t(got);
  }
  return true;
}

}  // namespace

bool IsOwnTarget(const FolderItemImp& source, const FolderItemImp& destination) {
  if (SameItem(source, destination)) return true;
  if (!destination.IsDirectory()) return false;
  ItemPointer child(destination.Child(source.GetName(), kFolderItemResolveLinks));
  return child && SameItem(source, *child);
}

TempFileDeleter::TempFileDeleter(FolderItemImp* item)
    : BackgroundTask(kProbeRetryPeriod), mItem(item) {}

TempFileDeleter::~TempFileDeleter() { delete mItem; }

// The delete's own answer decides: lastError keeps the code of the first failure.
void TempFileDeleter::Run() {
  if (mItem->Delete() || !mItem->Exists()) delete this;
}

bool URLToPath(const string& url, char separator, string* path) {
  const string text = ConvertEncoding(url, kEncodingUTF8);
  static constexpr char kScheme[] = "file://";
  constexpr int32_t kSchemeLength = sizeof kScheme - 1;
  if (text.Length() < kSchemeLength + 1) return false;
  const unsigned char* bytes = text.Bytes();
  for (int32_t i = 0; i < kSchemeLength; ++i) {
    const unsigned char c = bytes[i];
    if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != uint8_t(kScheme[i])) return false;
  }
  if (bytes[kSchemeLength] != '/') return false;
  string rest = mid(text, kSchemeLength + 1);
  for (int32_t i = 0; i < rest.Length(); ++i) {
    if (rest.Bytes()[i] == '/') *rest.MutableChar(i) = separator;
  }
  *path = DecodeURLComponent(rest, kEncodingUTF8);
  return true;
}

bool SameItem(const FolderItemImp& a, const FolderItemImp& b) {
  if (&a == &b) return true;
  if (a.IsVirtual() != b.IsVirtual()) return false;
  // Paths inside two volumes may be equal; an item's volume and entry tell.
  const auto* virtualA = dynamic_cast<const FolderItemImpVirtual*>(&a);
  const auto* virtualB = dynamic_cast<const FolderItemImpVirtual*>(&b);
  if (virtualA && virtualB) return virtualA->IsSameItem(*virtualB);
  // A folder's path may or may not end with its "/".
  const string pathA = a.GetPath(), pathB = b.GetPath();
  int32_t lengthA = pathA.Length(), lengthB = pathB.Length();
  if (lengthA > 1 && pathA.Bytes()[lengthA - 1] == '/') --lengthA;
  if (lengthB > 1 && pathB.Bytes()[lengthB - 1] == '/') --lengthB;
  return lengthA == lengthB &&
         __builtin_memcmp(pathA.Bytes(), pathB.Bytes(), size_t(lengthA)) == 0;
}

FolderItemImp* FolderItemImp::Clone() const {
  auto* copy = new FolderItemImp;
  copy->Assign(*this);
  return copy;
}

string FolderItemImp::GetURLPath() const {
  SimpleVector<string> names;
  ItemPointer walker(Clone());
  for (int32_t depth = 0; walker && depth < kMaxDepth; ++depth) {
    const string name = walker->GetName();
    if (!name.IsEmpty() && RuntimeStringCompare(name.Storage(), string("/").Storage()) != 0)
      names.Append(EncodeURLComponent(ConvertEncoding(name, kEncodingUTF8)));
    walker.reset(walker->GetParent());
  }
  string url = "file://";
  for (uint32_t i = names.size(); i-- > 0;) url += "/" + names[int32_t(i)];
  if (names.size() == 0 || IsDirectory()) url += "/";
  url.SetEncoding(kEncodingUTF8);
  return url;
}

bool FolderItemImp::IsWriteable() const {
  // The probe restores the dates it touches: it changes files, never this item.
  if (Exists() && !IsDirectory()) return ProbeFile(const_cast<FolderItemImp&>(*this));
  ItemPointer folder(IsDirectory() ? Clone() : GetParent());
  return folder && ProbeFolder(*folder);
}

bool FolderItemImp::DeleteTree() {
  // A link is deleted as a file by whoever lists it, never walked into.
  if (!IsDirectory() || IsAlias()) return false;
  OwnedItems entries;
  if (!ListEntries(*this, &entries)) {
    // Unlisted, it can go only when empty; if not, the listing says why.
    const int32_t refused = lastError;
    if (Delete()) return true;
    SetLastError(refused);
    return false;
  }
  bool deleted = true;
  int32_t failure = 0;
  for (uint32_t i = 0; i < entries.items.size(); ++i) {
    FolderItemImp* entry = entries.items[int32_t(i)];
    const bool walk = entry->IsDirectory() && !entry->IsAlias();
    if (walk ? entry->DeleteTree() : entry->Delete()) continue;
    failure = entry->lastError;
    deleted = false;
    break;
  }
  deleted = Delete() && deleted;
  // The entry that could not go says why, not the folder that was therefore not empty.
  if (failure) SetLastError(failure);
  return deleted;
}

// A file without a known end cannot be added to: ESPIPE when the file gave no reason of its own.
RandomAccessMechanism* FolderItemImp::OpenAsAppendMechanism() const {
  RandomAccessMechanism* file = OpenAsMechanism(true, true);
  if (!file) return nullptr;
  const int64_t end = file->GetLength();
  if (end >= 0 && file->SetPosition(uint64_t(end))) return file;
  SetLastError(file->lastError ? file->lastError : ESPIPE);
  delete file;
  return nullptr;
}

bool FolderItemImp::CopyTo(FolderItemImp* destination) {
  if (!destination) return false;
  // Onto itself: nothing to do, and the file must not be deleted first.
  if (IsOwnTarget(*this, *destination)) return true;
  ItemPointer child;
  FolderItemImp* target = destination;
  if (destination->IsDirectory()) {
    child.reset(destination->Child(GetName(), kFolderItemResolveLinks));
    if (!child) return false;
    target = child.get();
  }
  MechanismPointer source(OpenAsMechanism(true, false));
  if (!source) return false;
  // The copy replaces the target whole once every byte is in, or leaves it (a full disk).
  MechanismPointer out(target->ReplaceMechanism(""));
  const bool copied = out && CopyBytes(source.get(), out.get());
  source->Close();
  if (copied && out->Close()) {
    target->SetMacType(GetMacType());
    target->SetMacCreator(GetMacCreator());
    return true;
  }
  // The side that failed says why: the source's read, else the copy's write or its making.
  const int32_t why = source->lastError       ? source->lastError
                      : out && out->lastError ? out->lastError
                                              : target->lastError;
  if (why) SetLastError(why);
  return false;
}

bool SaveReplacing(FolderItemImp& item, const string& type,
                   const std::function<bool(RandomAccessMechanism&)>& write, int32_t writerError) {
  // Cleared to tell the opening's own error from an older one; a success leaves it as it was.
  const int32_t before = item.lastError;
  item.SetLastError(0);
  MechanismPointer out(item.ReplaceMechanism(type));
  if (!out) {
    if (!item.lastError) item.SetLastError(EIO);
    return false;
  }
  const bool written = write(*out);
  if (out->Close() && written) {
    item.SetLastError(before);
    return true;
  }
  item.SetLastError(out->lastError ? out->lastError : writerError);
  return false;
}

bool FolderItemImp::MoveTo(FolderItemImp* destination) {
  if (destination && IsOwnTarget(*this, *destination)) return true;
  return CopyTo(destination) && Delete();
}
