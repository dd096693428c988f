#include "files/VHFSVolume.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/ByteOrder.h"
#include "values/DateClass.h"
#include "core/RuntimeError.h"
#include "files/VFile.h"
#include "strings/StringCase.h"
#include "strings/TextEncoding.h"

namespace {

constexpr uint64_t kLengthOffset = 0;
constexpr uint64_t kTypeOffset = 8;
constexpr uint64_t kParentOffset = 12;
constexpr uint64_t kCreatedOffset = 16;
constexpr uint64_t kModifiedOffset = 24;
constexpr uint64_t kNameOffset = 32;
constexpr int32_t kNameField = 224;
constexpr uint64_t kCountOffset = VHFSVolume::kItemHeaderSize;
constexpr uint64_t kChildrenOffset = kCountOffset + 4;
constexpr double kTwoTo64 = 18446744073709551616.0;

bool IsWholeLength(double value) {
  return value >= 0 && value < kTwoTo64 && value == std::floor(value);
}

// An open handle of one numbered file, closed when it goes.
class ItemHandle {
 public:
  ItemHandle(VFSVolume& core, uint32_t number)
      : mCore(core), mHandle(number >= VHFSVolume::kRootNumber ? core.OpenFile(number) : -1) {}
  ~ItemHandle() {
    if (mHandle >= 0) mCore.CloseFile(mHandle);
  }
  ItemHandle(const ItemHandle&) = delete;
  ItemHandle& operator=(const ItemHandle&) = delete;
  int32_t handle() const { return mHandle; }

 private:
  VFSVolume& mCore;
  int32_t mHandle;
};

}  // namespace

// --- Making and opening ------------------------------------------------------------------------

VHFSVolume* VHFSVolume::Create(RandomAccessMechanism* disk, bool ownsDisk) {
  VFSVolume* core = VFSVolume::Create(disk, ownsDisk);
  if (!core) return nullptr;
  auto* volume = new VHFSVolume(core);
  const uint32_t root = core->IsValid() ? core->NewFileNumber() : 0;
  if (root != 0 && !QV_CHECK_TEXT(root == kRootNumber, "kRootDirectoryIDnum == idnum", nullptr)) {
    core->Abandon();
    delete volume;
    return nullptr;
  }
  const double now = CurrentTotalSeconds();
  const Header header{4.0, kFolderType, 0, now, now, std::string()};
  std::string bytes = volume->EncodeHeader(header);
  bytes.append(4, '\0');  // no children
  if (root == 0 || !volume->WriteItem(root, 0, bytes.data(), int32_t(bytes.size())) ||
      !core->Flush()) {
    core->Abandon();  // the caller hears of it: no volume
    delete volume;
    return nullptr;
  }
  return volume;
}

VHFSVolume* VHFSVolume::Open(RandomAccessMechanism* disk, bool ownsDisk, bool readOnly,
                             int32_t* error) {
  if (error) *error = 0;
  VFSVolume* core = VFSVolume::Open(disk, ownsDisk, readOnly);
  if (!core) return nullptr;
  auto* volume = new VHFSVolume(core);
  Header root;
  if (!core->IsValid() || !volume->ReadHeader(kRootNumber, &root) || root.type != kFolderType) {
    if (error) *error = core->TakeDiskError();
    delete volume;
    return nullptr;
  }
  return volume;
}

VHFSVolume::~VHFSVolume() {
  DeleteStrays();
  delete mCore;
}

// --- Names -------------------------------------------------------------------------------------

bool VHFSVolume::StoredName(const string& name, std::string* stored) {
  const string utf8 = ConvertEncoding(name, kEncodingUTF8);
  const char* bytes = reinterpret_cast<const char*>(utf8.Bytes());
  int32_t length = utf8.Length();
  if (length == 0 || std::memchr(bytes, 0, size_t(length))) return false;
  if (length > kMaxNameBytes) {
    length = kMaxNameBytes;
    // Back to the first byte of the character the cut would split.
    while (length > 0 && (uint8_t(bytes[length]) & 0xC0) == 0x80) --length;
    if (length == 0) return false;
  }
  stored->assign(bytes, size_t(length));
  return true;
}

std::string VHFSVolume::Folded(const std::string& name) {
  const string lower =
      LowerCase(string::FromBytes(name.data(), int64_t(name.size()), kEncodingUTF8));
  return std::string(reinterpret_cast<const char*>(lower.Bytes()), size_t(lower.Length()));
}

// --- Item files --------------------------------------------------------------------------------

bool VHFSVolume::ReadItem(uint32_t number, uint64_t position, void* buffer, int32_t count) {
  ItemHandle item(*mCore, number);
  int32_t got = 0;
  return item.handle() >= 0 && mCore->ReadAt(item.handle(), position, buffer, count, &got) &&
         got == count;
}

bool VHFSVolume::WriteItem(uint32_t number, uint64_t position, const void* buffer,
                           int32_t count) {
  ItemHandle item(*mCore, number);
  return item.handle() >= 0 && mCore->WriteAt(item.handle(), position, buffer, count);
}

bool VHFSVolume::WriteWord(uint32_t number, uint64_t position, uint32_t value) {
  uint8_t bytes[4];
  StoreBigEndian32(bytes, value);
  return WriteItem(number, position, bytes, 4);
}

bool VHFSVolume::WriteDouble(uint32_t number, uint64_t position, double value) {
  uint8_t bytes[8];
  mCore->EncodeDouble(value, bytes);
  return WriteItem(number, position, bytes, 8);
}

bool VHFSVolume::ReadHeader(uint32_t number, Header* header) {
  uint8_t bytes[kItemHeaderSize];
  if (!ReadItem(number, 0, bytes, sizeof bytes)) return false;
  header->length = mCore->DecodeDouble(bytes + kLengthOffset);
  header->type = LoadBigEndian32(bytes + kTypeOffset);
  header->parent = LoadBigEndian32(bytes + kParentOffset);
  header->created = mCore->DecodeDouble(bytes + kCreatedOffset);
  header->modified = mCore->DecodeDouble(bytes + kModifiedOffset);
  const char* name = reinterpret_cast<const char*>(bytes + kNameOffset);
  header->name.assign(name, strnlen(name, kMaxNameBytes));
  return true;
}

std::string VHFSVolume::EncodeHeader(const Header& header) const {
  uint8_t bytes[kItemHeaderSize] = {};
  mCore->EncodeDouble(header.length, bytes + kLengthOffset);
  StoreBigEndian32(bytes + kTypeOffset, header.type);
  StoreBigEndian32(bytes + kParentOffset, header.parent);
  mCore->EncodeDouble(header.created, bytes + kCreatedOffset);
  mCore->EncodeDouble(header.modified, bytes + kModifiedOffset);
  std::memcpy(bytes + kNameOffset, header.name.data(), header.name.size());
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

VEntry VHFSVolume::EntryOf(uint32_t number) {
  Header header;
  if (!ReadHeader(number, &header)) return VEntry{number, std::string(), 0};
  return VEntry{number, header.name, header.type};
}

uint32_t VHFSVolume::ParentOf(uint32_t number) {
  Header header;
  return number != kRootNumber && ReadHeader(number, &header) ? header.parent : 0;
}

bool VHFSVolume::GetInfo(uint32_t number, VItemInfo* info) {
  Header header;
  if (!ReadHeader(number, &header) || header.type == 0) return false;
  *info = {header.length, header.created, header.modified};
  return true;
}

bool VHFSVolume::SetInfo(uint32_t number, const VItemInfo& info) {
  return Changed([&] {
    Header header;
    if (!ReadHeader(number, &header) || header.type == 0 || header.type == kFolderType ||
        !IsWholeLength(info.length))
      return false;
    if (IsWholeLength(header.length) && info.length < header.length) {
      // What the file no longer holds must read as zeros should it grow again.
      ItemHandle item(*mCore, number);
      if (item.handle() < 0 ||
          !mCore->ZeroRange(item.handle(), kItemHeaderSize + uint64_t(info.length),
                            kItemHeaderSize + uint64_t(header.length)))
        return false;
    }
    return WriteDouble(number, kLengthOffset, info.length) &&
           WriteDouble(number, kCreatedOffset, info.created) &&
           WriteDouble(number, kModifiedOffset, info.modified);
  });
}

bool VHFSVolume::WriteLength(int32_t handle, uint64_t length) {
  uint8_t bytes[8];
  mCore->EncodeDouble(double(length), bytes);
  return mCore->WriteAt(handle, kLengthOffset, bytes, 8);
}

VFile* VHFSVolume::OpenFile(uint32_t number, RuntimeObject* volumeObject) {
  Header header;
  if (!ReadHeader(number, &header) || header.type == 0 || header.type == kFolderType ||
      !IsWholeLength(header.length))
    return nullptr;
  const int32_t handle = mCore->OpenFile(number);
  if (handle < 0) return nullptr;
  return new VFile(this, volumeObject, handle, uint64_t(header.length));
}

// --- Listings ----------------------------------------------------------------------------------

void VHFSVolume::IndexName(Listing* listing, uint32_t index) {
  const VEntry& entry = listing->entries[index];
  if (entry.type != 0) listing->byName.emplace(Folded(entry.name), index);
}

void VHFSVolume::UnindexName(Listing* listing, uint32_t index) {
  auto found = listing->byName.find(Folded(listing->entries[index].name));
  if (found != listing->byName.end() && found->second == index) listing->byName.erase(found);
}

// Kept only when every read went through: a listing the disk broke off would hide names from
// the checks that keep them unique.
VHFSVolume::Listing* VHFSVolume::Listed(uint32_t folder) {
  auto known = mListings.find(folder);
  if (known != mListings.end()) return &known->second;
  const uint64_t failures = mCore->DiskFailures();
  Listing listing;
  if (!ReadListing(folder, failures, &listing) || mCore->DiskFailures() != failures)
    return nullptr;
  return &mListings.emplace(folder, std::move(listing)).first->second;
}

bool VHFSVolume::ReadListing(uint32_t folder, uint64_t failures, Listing* listing) {
  Header header;
  if (!ReadHeader(folder, &header) || header.type != kFolderType) return false;
  uint8_t countBytes[4];
  if (!ReadItem(folder, kCountOffset, countBytes, 4)) return true;
  const uint64_t count = LoadBigEndian32(countBytes);
  const double dataLength = IsWholeLength(header.length) ? header.length : 0;
  if (!QV_CHECK_TEXT(double(count) <= dataLength / 4, "0", nullptr)) return true;
  // The numbers that the chain holds (never more than the file).
  const uint64_t room = std::min<uint64_t>(mCore->DiskLength(), 0x7FFFFFF0) / 4;
  std::vector<uint8_t> numbers(size_t(std::min(count, room)) * 4);
  ItemHandle item(*mCore, folder);
  int32_t got = 0;
  if (count > 0 && (item.handle() < 0 || !mCore->ReadAt(item.handle(), kChildrenOffset,
                                                          numbers.data(), int32_t(numbers.size()),
                                                          &got)))
    return true;
  for (int32_t at = 0; at + 4 <= got; at += 4) {
    const uint32_t number = LoadBigEndian32(numbers.data() + at);
    listing->entries.push_back(EntryOf(number));
    if (mCore->DiskFailures() != failures) return false;  // no use asking a failing disk on
    IndexName(listing, uint32_t(listing->entries.size() - 1));
  }
  return true;
}

const std::vector<VEntry>* VHFSVolume::List(uint32_t folder) {
  const Listing* listing = Listed(folder);
  return listing ? &listing->entries : nullptr;
}

VEntry VHFSVolume::FindChild(uint32_t folder, const string& name) {
  std::string stored;
  const Listing* listing = Listed(folder);
  if (!listing || !StoredName(name, &stored)) return VEntry{};
  auto found = listing->byName.find(Folded(stored));
  return found == listing->byName.end() ? VEntry{} : listing->entries[found->second];
}

int64_t VHFSVolume::IndexOf(const Listing& listing, uint32_t number) const {
  for (size_t i = 0; i < listing.entries.size(); ++i) {
    if (listing.entries[i].number == number) return int64_t(i);
  }
  return -1;
}

// The list grows at its end: the number, the count, then the data length.
bool VHFSVolume::AppendChild(uint32_t folder, uint32_t number) {
  Listing* listing = Listed(folder);
  Header header;
  if (!listing || !ReadHeader(number, &header)) return false;
  const uint32_t count = uint32_t(listing->entries.size());
  if (!WriteWord(folder, kChildrenOffset + 4ull * count, number) ||
      !WriteWord(folder, kCountOffset, count + 1) ||
      !WriteDouble(folder, kLengthOffset, 4.0 + 4.0 * (count + 1))) {
    mListings.erase(folder);  // read again from what the disk holds
    return false;
  }
  listing->entries.push_back(VEntry{number, header.name, header.type});
  IndexName(listing, count);
  return true;
}

// The last number takes the place of the one removed.
bool VHFSVolume::RemoveChild(uint32_t folder, uint32_t number) {
  Listing* listing = Listed(folder);
  const int64_t index = listing ? IndexOf(*listing, number) : -1;
  if (index < 0) return false;
  const uint32_t last = uint32_t(listing->entries.size() - 1);
  if ((uint32_t(index) != last &&
       !WriteWord(folder, kChildrenOffset + 4ull * uint64_t(index),
                  listing->entries[last].number)) ||
      !WriteWord(folder, kCountOffset, last) ||
      !WriteDouble(folder, kLengthOffset, 4.0 + 4.0 * last)) {
    mListings.erase(folder);
    return false;
  }
  UnindexName(listing, uint32_t(index));
  if (uint32_t(index) != last) {
    UnindexName(listing, last);
    listing->entries[size_t(index)] = listing->entries[last];
    IndexName(listing, uint32_t(index));
  }
  listing->entries.pop_back();
  return true;
}

bool VHFSVolume::IsWithin(uint32_t folder, uint32_t item) {
  uint32_t at = folder;
  for (uint32_t steps = 0; steps <= mCore->FileBound(); ++steps) {
    if (at == item) return true;
    if (at == kRootNumber || at == 0) return false;
    at = ParentOf(at);
  }
  return true;  // the walk goes round in circles: nothing is safe to move there
}

// --- Changes -----------------------------------------------------------------------------------

// A change reaches the disk whole before it answers true, or is taken back: the listings, which
// it may have changed on the way, are then read again.
template <typename Change>
bool VHFSVolume::Changed(Change change) {
  if (!mStrays.empty()) DeleteStrays();
  if (!mCore->BeginChange()) return false;
  const bool made = change();
  bool undone = false;
  const bool kept = mCore->EndChange(made, &undone);
  if (undone) mListings.clear();
  return kept;
}

void VHFSVolume::DeleteLater(uint32_t folder, const VEntry& item) {
  mStrays.push_back(Stray{folder, item.number, item.name});
}

// Each one still listed under its name goes; one the program renamed or moved is its own now.
// The deletes are changes of their own, which find the list empty.
void VHFSVolume::DeleteStrays() {
  std::vector<Stray> strays, kept;
  strays.swap(mStrays);
  for (const Stray& stray : strays) {
    const uint64_t failures = mCore->DiskFailures();
    const Listing* listing = Listed(stray.folder);
    if (!listing) {
      if (mCore->DiskFailures() != failures) kept.push_back(stray);  // asked again next time
      continue;
    }
    const int64_t index = IndexOf(*listing, stray.number);
    if (index < 0 || listing->entries[size_t(index)].name != stray.name) continue;
    if (!Delete(stray.folder, stray.number)) kept.push_back(stray);
  }
  mStrays.insert(mStrays.end(), kept.begin(), kept.end());
}

uint32_t VHFSVolume::MakeItem(uint32_t folder, const string& name, uint32_t type) {
  std::string stored;
  Listing* listing = Listed(folder);
  if (!listing || !StoredName(name, &stored) || type == 0 ||
      listing->byName.count(Folded(stored)))
    return 0;
  const uint32_t number = mCore->NewFileNumber();
  if (number == 0) return 0;
  const bool folderItem = type == kFolderType;
  const double now = CurrentTotalSeconds();
  std::string bytes =
      EncodeHeader(Header{folderItem ? 4.0 : 0.0, type, folder, now, now, stored});
  if (folderItem) bytes.append(4, '\0');
  if (!WriteItem(number, 0, bytes.data(), int32_t(bytes.size())) ||
      !AppendChild(folder, number)) {
    mCore->FreeFile(number);
    return 0;
  }
  return number;
}

uint32_t VHFSVolume::CreateItem(uint32_t folder, const string& name, uint32_t type) {
  uint32_t number = 0;
  const bool made = Changed([&] {
    number = type == kFolderType ? 0 : MakeItem(folder, name, type);
    return number != 0;
  });
  return made ? number : 0;
}

uint32_t VHFSVolume::CreateFolder(uint32_t folder, const string& name) {
  uint32_t number = 0;
  const bool made = Changed([&] {
    number = MakeItem(folder, name, kFolderType);
    return number != 0;
  });
  return made ? number : 0;
}

bool VHFSVolume::Delete(uint32_t folder, uint32_t number) {
  return Changed([&] {
    Header header;
    if (number == kRootNumber || mCore->IsFileOpen(number) || !ReadHeader(number, &header))
      return false;
    if (header.type == kFolderType) {
      const std::vector<VEntry>* children = List(number);
      if (!children || !children->empty()) return false;
    }
    if (!RemoveChild(folder, number)) return false;
    mListings.erase(number);
    return mCore->FreeFile(number);
  });
}

// The root is in no folder's list: only its header holds its name.
bool VHFSVolume::Rename(uint32_t folder, uint32_t number, const string& name) {
  return Changed([&] {
    std::string stored;
    if (!StoredName(name, &stored)) return false;
    if (number == kRootNumber) return WriteName(number, stored);
    Listing* listing = Listed(folder);
    const int64_t index = listing ? IndexOf(*listing, number) : -1;
    return index >= 0 && !TakenByOther(*listing, stored, number) &&
           RenameListed(listing, uint32_t(index), stored);
  });
}

bool VHFSVolume::WriteName(uint32_t number, const std::string& stored) {
  char field[kNameField] = {};
  std::memcpy(field, stored.data(), stored.size());
  return WriteItem(number, kNameOffset, field, kNameField);
}

bool VHFSVolume::RenameListed(Listing* listing, uint32_t index, const std::string& stored) {
  VEntry& entry = listing->entries[index];
  if (entry.name == stored) return true;
  if (!WriteName(entry.number, stored)) return false;
  UnindexName(listing, index);
  entry.name = stored;
  IndexName(listing, index);
  return true;
}

// The number of the entry that holds the name (ignoring case), when it is not number; else 0.
uint32_t VHFSVolume::TakenByOther(const Listing& listing, const std::string& stored,
                                  uint32_t number) const {
  auto taken = listing.byName.find(Folded(stored));
  if (taken == listing.byName.end()) return 0;
  const uint32_t holder = listing.entries[taken->second].number;
  return holder == number ? 0 : holder;
}

bool VHFSVolume::SetType(uint32_t folder, uint32_t number, uint32_t type) {
  return Changed([&] {
    Listing* listing = Listed(folder);
    const int64_t index = listing ? IndexOf(*listing, number) : -1;
    if (index < 0 || type == 0 || type == kFolderType ||
        listing->entries[size_t(index)].type == kFolderType ||
        !WriteWord(number, kTypeOffset, type))
      return false;
    listing->entries[size_t(index)].type = type;
    return true;
  });
}

bool VHFSVolume::Move(uint32_t number, uint32_t from, uint32_t to) {
  return Changed([&] {
    Listing* source = Listed(from);
    const int64_t index = source ? IndexOf(*source, number) : -1;
    if (index < 0) return false;
    const std::string name = source->entries[size_t(index)].name;  // the list changes on the way
    return Relocate(number, from, to, name, false);
  });
}

bool VHFSVolume::MoveReplacing(uint32_t number, uint32_t from, uint32_t to, const string& name) {
  return Changed([&] {
    std::string stored;
    return StoredName(name, &stored) && Relocate(number, from, to, stored, true);
  });
}

// Everything that could refuse is asked before anything changes; only the file that gives way
// (replacing) is deleted first, under the rules of Delete, and taken back with the move should
// the move fail after it.
bool VHFSVolume::Relocate(uint32_t number, uint32_t from, uint32_t to, const std::string& stored,
                          bool replacing) {
  if (number == kRootNumber || IsWithin(to, number)) return false;
  Listing* target = Listed(to);
  Listing* source = Listed(from);
  if (!target || !source || IndexOf(*source, number) < 0) return false;
  if (const uint32_t holder = TakenByOther(*target, stored, number)) {
    const VEntry there = target->entries[size_t(IndexOf(*target, holder))];
    if (!replacing || there.type == kFolderType || !Delete(to, holder)) return false;
  }
  if (from != to) {
    if (!RemoveChild(from, number)) return false;
    if (!AppendChild(to, number)) {
      AppendChild(from, number);  // back where it was
      return false;
    }
    if (!WriteWord(number, kParentOffset, to)) return false;
  }
  const int64_t index = IndexOf(*target, number);
  return index >= 0 && RenameListed(target, uint32_t(index), stored);
}
