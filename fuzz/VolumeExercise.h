// A populated virtual volume, damaged by a program of corruptions, then opened, listed, read,
// written and deleted from through its folder items. Shared by the volume fuzz target (whose
// input is the program) and by the test that runs a few thousand seeded programs. Whatever the
// damage, each call answers false, nil or 0 or makes a report; nothing crashes, hangs or reads
// outside its buffers, and a file written into a damaged volume reads back as written.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "core/ByteOrder.h"
#include "files/FolderItemClass.h"
#include "files/FolderItemImpUnix.h"
#include "files/RandomAccessMechanism.h"
#include "files/VirtualVolumeClass.h"

namespace qvvolume {

using Item = std::unique_ptr<FolderItemImp>;
using Mechanism = std::unique_ptr<RandomAccessMechanism>;

// A volume file of its own in a new folder (in memory when there is one), removed with the
// folder when the exercise is done with it: fuzzing processes end without running destructors
// and would leave their folders behind.
class ScratchFile {
 public:
  ScratchFile() {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : getenv("TMPDIR");
    std::string pattern = std::string(base ? base : "/tmp") + "/qvvolfuzzXXXXXX";
    if (!mkdtemp(pattern.data())) abort();
    mFolder = pattern;
    mPath = mFolder + "/volume";
  }
  ~ScratchFile() {
    unlink(mPath.c_str());
    rmdir(mFolder.c_str());
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::string& path() const { return mPath; }

 private:
  std::string mFolder;
  std::string mPath;
};

inline std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteHostFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline RuntimeObject* HostItem(const std::string& path) {
  return NewFolderItem(FolderItemImpUnix::FromBytes(path));
}

inline Item RootOf(RuntimeObject* volume) {
  RuntimeObject* root = VirtVolRootGetter(volume, 0);
  Item item(root ? FolderItemImpOf(root)->Clone() : nullptr);
  if (root) RuntimeUnlockObject(root);
  return item;
}

inline bool WriteItem(FolderItemImp& item, const std::string& bytes) {
  Mechanism file(item.CreateMechanism(""));
  return file && file->Write(bytes.data(), int32_t(bytes.size())) && file->Close();
}

// A volume of folders, files of one to several blocks, and the free blocks deleted files left.
inline const std::string& PopulatedVolume() {
  static const std::string bytes = [] {
    const ScratchFile scratch;
    const std::string& path = scratch.path();
    RuntimeObject* host = HostItem(path);
    RuntimeObject* volume = FolderItemCreateVirtualVolume(host);
    {
      Item root = RootOf(volume);
      Item folder(root->Child("Folder", 0));
      folder->CreateAsFolder();
      Item inner(folder->Child("inner", 0));
      inner->CreateAsFolder();
      for (int i = 0; i < 6; ++i) {
        Item file((i % 2 ? folder : root)->Child(("file" + std::to_string(i)).c_str(), 0));
        WriteItem(*file, std::string(size_t(i) * 900 + 10, char('a' + i)));
      }
      WriteItem(*Item(inner->Child("deep", 0)), std::string(2500, 'd'));
      Item gone(root->Child("gone", 0));
      WriteItem(*gone, std::string(3000, 'g'));
      gone->Delete();
    }
    RuntimeUnlockObject(volume);
    RuntimeUnlockObject(host);
    return ReadHostFile(path);
  }();
  return bytes;
}

// The offsets of the blocks laid end to end from offset 8, as the bytes hold them.
inline std::vector<uint32_t> BlockOffsets(const std::string& volume) {
  std::vector<uint32_t> blocks;
  for (size_t at = 8; at + 28 <= volume.size() && blocks.size() < 10000;) {
    double length;
    CopyBytesReversed(&length, volume.data() + at + 12, 8);
    if (!(length >= 32) || at + size_t(length) > volume.size()) break;
    blocks.push_back(uint32_t(at));
    at += size_t(length);
  }
  return blocks;
}

// Where the serialised map's entry count lies (after its tag, in file 1's second block).
inline size_t MapCountOffset(const std::string& volume) {
  const size_t tag = volume.find("BMap");
  return tag == std::string::npos ? volume.size() : tag + 4;
}

inline void PutDouble(std::string* volume, size_t at, double value) {
  if (at + 8 <= volume->size()) CopyBytesReversed(volume->data() + at, &value, 8);
}

inline void PutWord(std::string* volume, size_t at, uint32_t value) {
  if (at + 4 <= volume->size()) StoreBigEndian32(volume->data() + at, value);
}

// An undo record at the file's end, as a push cut short leaves it, of the program's making: the
// length before (counted back from the end), ranges (counted back from it; their old bytes the
// program's, a hash of the new ones that may or may not hold), the whole hashed rightly or not.
inline void AppendUndoRecord(std::string* volume, qvfuzz::InputReader& program) {
  auto put = [](std::string* out, uint64_t value, int bytes) {
    for (int shift = (bytes - 1) * 8; shift >= 0; shift -= 8) out->push_back(char(value >> shift));
  };
  const uint64_t start = volume->size();
  const uint64_t before = start - program.Word64() % (start + 1);
  const int count = 1 + program.Byte() % 3;
  std::string record;
  put(&record, 0x56465375, 4);  // "VFSu"
  put(&record, before, 8);
  put(&record, start, 8);
  put(&record, count, 4);
  for (int i = 0; i < count; ++i) {
    const uint64_t offset = before - program.Word64() % (before + 1);
    const uint32_t size = uint32_t(std::min<uint64_t>(program.Byte() * 16u, before - offset));
    put(&record, offset, 8);
    put(&record, size, 4);
    put(&record, uint32_t(program.Word64()), 4);
    record.append(size, char(program.Byte()));
  }
  uint32_t hash = 2166136261u;
  for (const char c : record) hash = (hash ^ uint8_t(c)) * 16777619u;
  put(&record, start, 8);
  put(&record, program.Byte() % 2 ? hash : hash ^ 1, 4);
  put(&record, 0x56465355, 4);  // "VFSU"
  *volume += record;
}

// Applies the program's corruptions, a byte choosing each: bit flips, truncation, block lengths
// of 0, NaN, negative and huge, next links backwards or to themselves, map byte counts and map
// entry counts near 2^32, stray bytes, undo records.
inline std::string Corrupted(qvfuzz::InputReader& program, int steps) {
  std::string volume = PopulatedVolume();
  const std::vector<uint32_t> blocks = BlockOffsets(volume);
  const double lengths[] = {0, std::numeric_limits<double>::quiet_NaN(), -1024, 1e300, 31, 36,
                            4294967296.0, std::numeric_limits<double>::infinity(), 1024.5};
  for (int step = 0; step < steps && !volume.empty(); ++step) {
    const uint8_t op = program.Byte();
    const uint32_t word = uint32_t(program.Word64());
    const size_t at = word % volume.size();
    const uint32_t block = blocks.empty() ? 8 : blocks[program.Byte() % blocks.size()];
    switch (op % 7) {
      case 0: volume[at] = char(volume[at] ^ (1 << (word >> 29))); break;
      case 1: volume.resize(at); break;
      case 2: PutDouble(&volume, block + 12, lengths[program.Byte() % 9]); break;
      case 3: PutDouble(&volume, block + 20, word % 2 ? block : double(word % block)); break;
      case 4: PutWord(&volume, 8 + 28 + 4, 0xFFFFFFFF - (word % 64)); break;
      case 5: PutWord(&volume, MapCountOffset(volume), 0xFFFFFFFF - (word % 64)); break;
      default:
        if (op >= 0xF0) {
          AppendUndoRecord(&volume, program);
        } else {
          volume[at] = char(word);
        }
        break;
    }
  }
  return volume;
}

// Every question of every item below folder (a bounded number), files read and written.
inline void Visit(FolderItemImp& folder, int depth, int* budget) {
  const int32_t count = folder.Count();
  for (int32_t i = 0; i < count && --*budget > 0; ++i) {
    Item entry(folder.Item(i, 0));
    if (!entry) continue;
    entry->Exists();
    entry->GetPath();
    entry->GetURLPath();
    entry->GetLength();
    entry->GetModificationDate();
    entry->GetMacType();
    Item parent(entry->GetParent());
    if (entry->IsDirectory()) {
      if (depth < 8) Visit(*entry, depth + 1, budget);
      continue;
    }
    Mechanism file(entry->OpenAsMechanism(true, true));
    if (!file) continue;
    char buffer[4096];
    int32_t got = 0;
    for (int chunk = 0; chunk < 16 && file->Read(buffer, sizeof buffer, &got); ++chunk) {
      QV_FUZZ_EXPECT(got >= 0 && got <= int32_t(sizeof buffer));
    }
    // At the end, unless a damaged length puts the end so far out that filling the chain up
    // to it (which the format must) would cost the run its time.
    file->SetPosition(std::min<uint64_t>(uint64_t(file->GetLength()), 1 << 20));
    file->Write("tail", 4);
    file->SetLength(uint64_t(file->GetLength()) / 2);
    file->Close();
  }
}

// True when the damaged volume opened.
inline bool Exercise(const std::string& bytes) {
  const ScratchFile scratch;
  const std::string& path = scratch.path();
  WriteHostFile(path, bytes);
  RuntimeObject* host = HostItem(path);
  RuntimeObject* volume = FolderItemOpenAsVirtualVolume(host);
  RuntimeUnlockObject(host);
  if (!volume) return false;
  {
    Item root = RootOf(volume);
    int budget = 200;
    if (root) Visit(*root, 0, &budget);
    if (root) {
      // What is written into a damaged volume reads back as written, or the write fails.
      Item fresh(root->Child("fresh file", 0));
      const std::string text(3000, 'f');
      if (!fresh->Exists() && WriteItem(*fresh, text)) {
        Mechanism file(fresh->OpenAsMechanism(true, false));
        std::string back(text.size(), '\0');
        int32_t got = 0;
        QV_FUZZ_EXPECT(file && file->Read(back.data(), int32_t(back.size()), &got) &&
                       back == text);
      }
      fresh->Delete();
      Item folder(root->Child("Folder", 0));
      Item moved(root->Child("file0", 0));
      moved->MoveTo(folder.get());
      folder->DeleteTree();
    }
  }
  RuntimeUnlockObject(volume);
  return true;
}

}  // namespace qvvolume
