// The kinds of file of the files area: each made fresh in the folder "x" of the run's root for
// one call, and the state a call leaves, written without anything that varies between machines
// or runs.
#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "answers/FileAnswers.h"
#include "files/FolderItemClass.h"
#include "files/TextOutputStream.h"
#include "files/VirtualVolumeClass.h"

namespace files_answers {

namespace {

constexpr uid_t kOtherUser = 4242;    // of the ACL entry: nobody's account on any machine
constexpr gid_t kOtherGroup = 65534;  // the setgid folder's, where the process may give it
constexpr size_t kTextLines = 1000;   // of "0001 abcd\n": 10,000 bytes
constexpr size_t kNoiseBytes = 4096;
constexpr size_t kLongName = 250;
constexpr size_t kShortBytes = 48;     // written as themselves up to this many
constexpr size_t kLongShownName = 40;  // names past this are written by their length

const char* const kProcFile = "/proc/version";
const char* const kSysFile = "/sys/devices/system/cpu/possible";

std::string ReadAll(const std::string& path) {
  std::string bytes;
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return bytes;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, size_t(n));
  close(fd);
  return bytes;
}

bool WriteAll(const std::string& path, const std::string& bytes, mode_t mode) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
  const bool moded = fchmod(fd, mode) == 0;
  return close(fd) == 0 && written && moded;
}

std::string TextLines() {
  std::string text;
  char line[16];
  for (size_t i = 1; i <= kTextLines; ++i) {
    std::snprintf(line, sizeof line, "%04zu abcd\n", i);
    text += line;
  }
  return text;
}

// The same "random" bytes on every run: a linear congruential sequence.
std::string Noise() {
  std::string bytes(kNoiseBytes, '\0');
  uint32_t state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245u + 12345u;
    c = char(state >> 16);
  }
  return bytes;
}

uint64_t Hash(const std::string& bytes) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

std::string Who(uid_t id, uid_t self) { return id == self ? "self" : id == 0 ? "root" : "other"; }

// An ACL entry list in its stored form: version 2, then (tag, permissions, id) per entry.
struct AclEntry {
  uint16_t tag;
  uint16_t permissions;
  uint32_t id;
};
constexpr uint32_t kAclVersion = 2;

std::string AclOf(const std::string& value) {
  if (value.size() < 4) return "?";
  std::string shown;
  for (size_t at = 4; at + sizeof(AclEntry) <= value.size(); at += sizeof(AclEntry)) {
    AclEntry entry;
    std::memcpy(&entry, value.data() + at, sizeof entry);
    const char* tag = entry.tag == 1      ? "u:"
                      : entry.tag == 2    ? "u:"
                      : entry.tag == 4    ? "g:"
                      : entry.tag == 8    ? "g:"
                      : entry.tag == 0x10 ? "m:"
                                          : "o:";
    std::string id;
    if (entry.tag == 2) id = Who(entry.id, geteuid());
    if (entry.tag == 8) id = Who(entry.id, getegid());
    shown += std::string(shown.empty() ? "" : ",") + tag + id + ":" +
             ((entry.permissions & 4) ? "r" : "-") + ((entry.permissions & 2) ? "w" : "-") +
             ((entry.permissions & 1) ? "x" : "-");
  }
  return shown;
}

// The extended attributes of path (the link itself), user ones with their values and the
// access ACL decoded; the security ones vary by machine and are left out.
std::string AttributesOf(const std::string& path) {
  char names[4096];
  const ssize_t length = llistxattr(path.c_str(), names, sizeof names);
  if (length <= 0) return "";
  std::vector<std::string> list;
  for (ssize_t at = 0; at < length; at += ssize_t(std::strlen(names + at)) + 1)
    list.emplace_back(names + at);
  std::sort(list.begin(), list.end());
  std::string shown;
  for (const std::string& name : list) {
    if (name.rfind("security.", 0) == 0 || name.rfind("trusted.", 0) == 0) continue;
    char value[1024];
    const ssize_t n = lgetxattr(path.c_str(), name.c_str(), value, sizeof value);
    const std::string bytes(value, n > 0 ? size_t(n) : 0);
    if (name == "system.posix_acl_access") {
      shown += " acl " + AclOf(bytes);
    } else {
      shown += " xattr " + name + "=" + answers::QuoteBytes(bytes.data(), bytes.size());
    }
  }
  return shown;
}

// Sets user.x and an ACL that grants another user read and write.
std::string AddAttributes(const std::string& path) {
  std::string said;
  if (setxattr(path.c_str(), "user.x", "1", 1, 0) != 0)
    said += " (user.x refused: " + ErrorName(errno) + ")";
  const AclEntry entries[] = {{1, 6, uint32_t(-1)},
                              {2, 6, kOtherUser},
                              {4, 4, uint32_t(-1)},
                              {0x10, 6, uint32_t(-1)},
                              {0x20, 4, uint32_t(-1)}};
  std::string value(reinterpret_cast<const char*>(&kAclVersion), 4);
  value.append(reinterpret_cast<const char*>(entries), sizeof entries);
  if (setxattr(path.c_str(), "system.posix_acl_access", value.data(), value.size(), 0) != 0)
    said += " (ACL refused: " + ErrorName(errno) + ")";
  return said;
}

std::string ShownName(const std::string& name) {
  if (name.size() <= kLongShownName) return name;
  return name.substr(0, 12) + "...(" + std::to_string(name.size()) + " bytes)";
}

// Whether the entry is the one of that name before the call ("kept"), another ("changed"),
// one that had another name ("was x/f"), or none before ("new").
std::string InodeState(const Fixture& fixture, const std::string& rel, ino_t inode) {
  const auto before = fixture.inodes.find(rel);
  if (before != fixture.inodes.end()) return before->second == inode ? " kept" : " changed";
  for (const auto& [name, was] : fixture.inodes) {
    if (was == inode) return " was " + name;
  }
  return " new";
}

// The state of one entry at path, shown as rel.
void DescribeEntry(const Place& place, const Fixture& fixture, const std::string& path,
                   const std::string& rel, bool varies, std::string* out) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) {
    *out += "; " + rel + ": " + ErrorName(errno);
    return;
  }
  std::string shown = rel + ": ";
  const mode_t type = info.st_mode & S_IFMT;
  if (type == S_IFLNK) {
    char target[4096];
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    shown += "link -> " + Shown(place, std::string(target, n > 0 ? size_t(n) : 0));
  } else {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", unsigned(info.st_mode & 07777));
    shown += std::string(type == S_IFREG   ? "file"
                         : type == S_IFDIR ? "dir"
                         : type == S_IFIFO ? "fifo"
                         : type == S_IFCHR ? "char device"
                                           : "other") +
             " " + mode + " " + Who(info.st_uid, geteuid()) + ":" + Who(info.st_gid, getegid());
    if (type != S_IFDIR) shown += " links " + std::to_string(info.st_nlink);
  }
  shown += InodeState(fixture, rel, info.st_ino);
  if (type == S_IFREG) {
    const std::string bytes = ReadAll(path);
    // A virtual volume holds the times its items were made: its bytes are written by their
    // length and first bytes.
    const bool volume = fixture.kind == "volume" || bytes.rfind("VFSv", 0) == 0;
    // A copy of the system's file holds what this machine says there (its kernel's version,
    // its processors): written as the same bytes, not as the bytes themselves.
    const bool machine = (fixture.kind == "proc" || fixture.kind == "sys") && path != fixture.item &&
                         !bytes.empty() && bytes == ReadAll(fixture.item);
    shown +=
        " " +
        (varies    ? std::string(bytes.empty() ? "empty" : "not empty")
         : machine ? "the bytes of " + fixture.item
         : volume  ? std::to_string(bytes.size()) + " bytes " +
                        answers::QuoteBytes(bytes.data(), std::min<size_t>(bytes.size(), 8)) + "..."
                  : ShownBytes(bytes));
  }
  if (type == S_IFIFO && fixture.reader >= 0) {
    std::string pending;
    char buffer[4096];
    for (ssize_t n; (n = read(fixture.reader, buffer, sizeof buffer)) > 0;)
      pending.append(buffer, size_t(n));
    shown += " holds " + ShownBytes(pending);
  }
  shown += AttributesOf(path);
  *out += "; " + shown;
  if (type != S_IFDIR) return;
  std::vector<std::string> names;
  if (DIR* folder = opendir(path.c_str())) {
    while (const dirent* entry = readdir(folder)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(folder);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names)
    DescribeEntry(place, fixture, path + "/" + name, rel + "/" + ShownName(name), varies, out);
}

void NoteInodes(const std::string& path, const std::string& rel, Fixture* fixture) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return;
  fixture->inodes[rel] = info.st_ino;
  if (!S_ISDIR(info.st_mode)) return;
  if (DIR* folder = opendir(path.c_str())) {
    while (const dirent* entry = readdir(folder)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..")
        NoteInodes(path + "/" + name, rel + "/" + ShownName(name), fixture);
    }
    closedir(folder);
  }
}

bool IsSystem(const std::string& kind) {
  return kind == "dev-null" || kind == "proc" || kind == "sys";
}

}  // namespace

namespace {

// A virtual volume in the file at path holding "a" ("abc"): the volume, and "a" through item.
RuntimeObject* MakeVolume(const std::string& path, RuntimeObject** item) {
  RuntimeObject* file = ItemOn(path);
  RuntimeObject* volume = FolderItemCreateVirtualVolume(file);
  RuntimeObject* root = volume ? VirtVolRootGetter(volume, 0) : nullptr;
  RuntimeObject* child = root ? FolderChild(root, string("a").Storage()) : nullptr;
  RuntimeObject* stream = child ? FolderItemCreateTextFile(child) : nullptr;
  if (stream) {
    TextOutputStreamWrite(reinterpret_cast<TextOutputStreamObject*>(stream),
                          string("abc").Storage());
    TextOutputStreamClose(reinterpret_cast<TextOutputStreamObject*>(stream));
  }
  for (RuntimeObject* object : {stream, root, file}) RuntimeUnlockObject(object);
  if (stream && item) {
    *item = child;
  } else {
    RuntimeUnlockObject(child);
  }
  if (stream) return volume;
  RuntimeUnlockObject(volume);
  return nullptr;
}

}  // namespace

std::string DiskFolder() { return "/var/tmp"; }

std::string ShownBytes(const std::string& bytes) {
  if (bytes.size() <= kShortBytes) return answers::QuoteBytes(bytes.data(), bytes.size());
  char hash[24];
  std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Hash(bytes)));
  return std::to_string(bytes.size()) + " bytes #" + hash + " " +
         answers::QuoteBytes(bytes.data(), 8) + "..." +
         answers::QuoteBytes(bytes.data() + bytes.size() - 8, 8);
}

std::string Shown(const Place& place, const std::string& path) {
  auto under = [&](const std::string& folder) {
    return !folder.empty() && path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
  };
  if (!place.theirs.empty()) {
    const std::string folder = place.theirs.substr(0, place.theirs.rfind('/'));
    if (under(folder)) return "theirs" + path.substr(folder.size());
  }
  if (under(place.home)) return "$HOME" + path.substr(place.home.size());
  if (path == place.root || path == place.root + "/") return ".";
  if (under(place.root)) return path.substr(place.root.size() + 1);
  // A relative path resolves against the application's folder: this program's.
  static const std::string program = [] {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string text(self, n > 0 ? size_t(n) : 0);
    return text.substr(0, text.rfind('/'));
  }();
  if (under(program)) return "$APP" + path.substr(program.size());
  // Temporary names are random past their folder: each further name is written "*" (an empty
  // one, of a doubled slash, stays empty).
  const char* tmpdir = std::getenv("TMPDIR");
  for (const auto& [folder, as] :
       {std::pair<std::string, std::string>{tmpdir ? tmpdir : "", "$TMPDIR"},
        std::pair<std::string, std::string>{"/tmp", "/tmp"}}) {
    if (!under(folder)) continue;
    std::string masked = as;
    for (size_t at = folder.size(); at < path.size();) {
      const size_t next = std::min(path.find('/', at + 1), path.size());
      masked += next > at + 1 ? "/*" : "/";
      at = next;
    }
    return masked;
  }
  return ShownName(path);
}

std::vector<Kind> KindsFor(const Place& place, bool allKinds) {
  std::vector<Kind> kinds = {
      {"empty"},       {"text"},           {"read-only"},  {"symlink"},   {"relative-link"},
      {"dangling"},    {"hard-linked"},    {"xattr-acl"},  {"setgid"},    {"fifo"},
      {"fifo-reader"}, {"dev-null", true}, {"proc", true}, {"sys", true}, {"folder"},
      {"missing"},     {"long-name"},      {"noise"},      {"volume"},
  };
  if (!place.theirs.empty()) kinds.push_back({"theirs", true});
  if (place.mounts) kinds.push_back({"bind-mounted"});
  if (allKinds) return kinds;
  std::erase_if(kinds, [](const Kind& kind) { return kind.system; });
  return kinds;
}

bool MakeFixture(const Place& place, const Kind& kind, Fixture* fixture, std::string* why) {
  *fixture = Fixture{};
  fixture->kind = kind.name;
  fixture->folder = place.root + "/x";
  const std::string& x = fixture->folder;
  RemoveTree(x);
  if (mkdir(x.c_str(), 0700) != 0 || chmod(x.c_str(), 0755) != 0) {
    *why = "cannot make x: " + ErrorName(errno);
    return false;
  }
  const std::string f = x + "/f";
  fixture->item = f;
  const std::string k = kind.name;
  bool made = true;
  std::string said;
  if (k == "empty") {
    made = WriteAll(f, "", 0644);
  } else if (k == "text") {
    made = WriteAll(f, TextLines(), 0644);
  } else if (k == "read-only") {
    made = WriteAll(f, "abc\n", 0444);
  } else if (k == "symlink" || k == "relative-link") {
    made = WriteAll(x + "/target", "abc\n", 0644) &&
           symlink(k == "symlink" ? (x + "/target").c_str() : "target", f.c_str()) == 0;
  } else if (k == "dangling") {
    made = symlink("nowhere", f.c_str()) == 0;
  } else if (k == "hard-linked") {
    made = WriteAll(f, "abc\n", 0644) && link(f.c_str(), (x + "/f.2").c_str()) == 0;
  } else if (k == "xattr-acl") {
    made = WriteAll(f, "abc\n", 0644);
    if (made) said = AddAttributes(f);
  } else if (k == "setgid") {
    const std::string g = x + "/g";
    fixture->item = g + "/f";
    made = mkdir(g.c_str(), 0700) == 0;
    if (made && geteuid() == 0) made = chown(g.c_str(), uid_t(-1), kOtherGroup) == 0;
    made = made && chmod(g.c_str(), 02775) == 0 && WriteAll(fixture->item, "abc\n", 0644);
  } else if (k == "fifo" || k == "fifo-reader") {
    made = mkfifo(f.c_str(), 0600) == 0 && chmod(f.c_str(), 0644) == 0;
    if (made && k == "fifo-reader") {
      // The reader is this process, which reads what the call left only after it: the call
      // finds a reader there and "peer\n" waiting.
      fixture->reader = open(f.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      const int writer = open(f.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      made = fixture->reader >= 0 && writer >= 0 && write(writer, "peer\n", 5) == 5;
      if (writer >= 0) close(writer);
    }
  } else if (k == "dev-null") {
    fixture->item = "/dev/null";
  } else if (k == "proc") {
    fixture->item = kProcFile;
  } else if (k == "sys") {
    fixture->item = kSysFile;
  } else if (k == "theirs") {
    fixture->item = place.theirs;
  } else if (k == "folder") {
    made = mkdir(f.c_str(), 0700) == 0 && chmod(f.c_str(), 0755) == 0 &&
           WriteAll(f + "/a", "abc\n", 0644);
  } else if (k == "missing") {
  } else if (k == "long-name") {
    fixture->item = x + "/" + std::string(kLongName, 'n');
    made = WriteAll(fixture->item, "abc\n", 0644);
  } else if (k == "noise") {
    made = WriteAll(f, Noise(), 0644);
  } else if (k == "volume") {
    RuntimeObject* volume = MakeVolume(f, nullptr);
    made = volume && chmod(f.c_str(), 0644) == 0;
    RuntimeUnlockObject(volume);
  } else if (k == "bind-mounted") {
    const std::string source = place.root + "/bound";
    made = WriteAll(source, "bound\n", 0644) && WriteAll(f, "abc\n", 0644) &&
           mount(source.c_str(), f.c_str(), nullptr, MS_BIND, nullptr) == 0;
  } else {
    made = false;
  }
  if (!made) {
    *why = "cannot make " + k + ": " + ErrorName(errno);
    return false;
  }
  *why = said;
  NoteInodes(x, "x", fixture);
  if (IsSystem(k) || k == "theirs") NoteInodes(fixture->item, Shown(place, fixture->item), fixture);
  return true;
}

std::string MakeSibling(const Fixture& fixture, const std::string& name, const std::string& bytes) {
  const std::string path = fixture.folder + "/" + name;
  if (bytes == "/") {
    mkdir(path.c_str(), 0755);
  } else {
    WriteAll(path, bytes, 0644);
  }
  NoteInodes(path, "x/" + name, const_cast<Fixture*>(&fixture));
  return path;
}

RuntimeObject* MakeVirtualSibling(const Fixture& fixture, const std::string& name,
                                  RuntimeObject** item) {
  const std::string path = fixture.folder + "/" + name;
  RuntimeObject* volume = MakeVolume(path, item);
  NoteInodes(path, "x/" + name, const_cast<Fixture*>(&fixture));
  return volume;
}

void RemoveFixture(const Place& place, Fixture* fixture) {
  if (fixture->reader >= 0) close(fixture->reader);
  fixture->reader = -1;
  if (fixture->kind == "bind-mounted") umount2(fixture->item.c_str(), MNT_DETACH);
  RemoveTree(fixture->folder);
  if (fixture->kind == "bind-mounted") unlink((place.root + "/bound").c_str());
}

std::string DescribeState(const Place& place, const Fixture& fixture) {
  std::string out;
  const bool system = IsSystem(fixture.kind) || fixture.kind == "theirs";
  DescribeEntry(place, fixture, fixture.folder, "x", false, &out);
  if (system) DescribeEntry(place, fixture, fixture.item, Shown(place, fixture.item), true, &out);
  return out.empty() ? out : out.substr(2);
}

bool RemoveTree(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return errno == ENOENT;
  if (S_ISDIR(info.st_mode)) {
    chmod(path.c_str(), 0700);
    if (DIR* folder = opendir(path.c_str())) {
      std::vector<std::string> names;
      while (const dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
      }
      closedir(folder);
      for (const std::string& name : names) RemoveTree(path + "/" + name);
    }
    return rmdir(path.c_str()) == 0;
  }
  return unlink(path.c_str()) == 0;
}

}  // namespace files_answers
