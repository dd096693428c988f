#include "files/FolderItemImpUnix.h"
#include "files/FileReplacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "app/ExecutablePath.h"
#include "app/RuntimeInit.h"
#include "app/RuntimeMain.h"
#include "core/CalendarTime.h"
#include "values/DateImpUnix.h"
#include "core/NamedFile.h"
#include "core/RuntimeError.h"
#include "files/DataFile.h"
#include "files/FileTypes.h"
#include "files/FolderItemShared.h"
#include "strings/TextEncoding.h"

namespace {

constexpr size_t kCurrentFolderBuffer = 4096;

std::string BytesOf(const string& text) {
  const string utf8 = ConvertEncoding(text, kEncodingUTF8);
  return std::string(reinterpret_cast<const char*>(utf8.Bytes()), size_t(utf8.Length()));
}

bool AllASCII(const std::string& bytes) {
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Bytes from the system as text: ASCII only when every byte is, else UTF-8.
string TextOf(const std::string& bytes) {
  return string::FromBytes(bytes.data(), int64_t(bytes.size()),
                           AllASCII(bytes) ? kEncodingASCII : kEncodingUTF8);
}

bool EndsWithSlash(const std::string& path) { return !path.empty() && path.back() == '/'; }

std::string JoinName(const std::string& folder, const std::string& name) {
  return EndsWithSlash(folder) ? folder + name : folder + "/" + name;
}

// The text after the last "/" that is not the final character, without a final "/"; the
// root's name is "/".
std::string NameOf(const std::string& path) {
  if (path == "/") return path;
  const size_t end = EndsWithSlash(path) ? path.size() - 1 : path.size();
  if (end == 0) return std::string();
  const size_t slash = path.rfind('/', end - 1);
  if (slash == std::string::npos) return std::string();
  return path.substr(slash + 1, end - slash - 1);
}

// A name a rename may give: one component, not "." or "..", no NUL.
bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

std::string CurrentFolder() {
  std::string buffer(kCurrentFolderBuffer, '\0');
  if (!getcwd(buffer.data(), buffer.size())) return std::string();
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return buffer;
}

// path taken from the current folder, with ".", ".." and empty components worked out.
std::string AbsoluteFromCurrentFolder(const std::string& path) {
  const std::string full = !path.empty() && path[0] == '/' ? path : CurrentFolder() + "/" + path;
  std::string result;
  size_t start = 0;
  while (start <= full.size()) {
    size_t end = full.find('/', start);
    if (end == std::string::npos) end = full.size();
    const std::string component = full.substr(start, end - start);
    if (component == "..") {
      result.erase(result.empty() ? 0 : result.rfind('/'));
    } else if (!component.empty() && component != ".") {
      result += "/" + component;
    }
    start = end + 1;
  }
  return result.empty() ? "/" : result;
}

std::string ExecutablePathNow() {
  const char* argv0 = gRuntimeArgc > 0 && gRuntimeArgv ? gRuntimeArgv[0] : nullptr;
  return AbsoluteFromCurrentFolder(argv0 && *argv0 ? std::string(argv0) : RunningFilePath());
}

std::string FolderOf(const std::string& executable) {
  struct stat info;
  if (stat(executable.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    return EndsWithSlash(executable) ? executable : executable + "/";
  return executable.substr(0, executable.rfind('/') + 1);
}

// The constructor's completion: absolute, and "/" after an existing folder. One lstat answers
// for everything but a link, whose target's stat tells whether it is a folder.
std::string CompletePath(std::string path, FolderItemImpUnix::PathStatus* status) {
  const size_t nul = path.find('\0');
  const bool clean = QV_CHECK_TEXT(nul == std::string::npos, "no NUL in path", nullptr);
  if (!clean) path.resize(nul);
  if (path.empty() || path[0] != '/') path = JoinName(GetApplicationPath(true), path);
  struct stat info;
  int result = lstat(path.c_str(), &info);
  const bool isLink = result == 0 && S_ISLNK(info.st_mode);
  if (isLink) result = stat(path.c_str(), &info);
  const int error = result == 0 ? 0 : errno;
  if (status) {
    status->isLink = isLink;
    // A missing item is no failure; a refused folder on the way, a name too long are.
    status->statFailed = !clean || (error != 0 && error != ENOENT && !isLink);
  }
  if (result == 0 && S_ISDIR(info.st_mode) && !EndsWithSlash(path)) path += '/';
  return path;
}

// A moment of the file system as the language's date value: the local calendar of that
// instant, through the Date code.
double TotalSecondsOfFileTime(int64_t unixSeconds) {
  std::tm local{};
  if (!LocalTimeOf(unixSeconds, &local)) return 0.0;
  const DateFieldValue fields[] = {
      {kDateYear, local.tm_year + 1900}, {kDateMonth, local.tm_mon + 1},
      {kDateDay, local.tm_mday},         {kDateHour, local.tm_hour},
      {kDateMinute, local.tm_min},       {kDateSecond, local.tm_sec}};
  DateImpUnix date;
  if (!date.SetFields(fields, int32_t(sizeof fields / sizeof fields[0]))) return 0.0;
  return date.TotalSeconds();
}

// The reverse: the instant whose local calendar the date value names (fractions dropped).
bool FileTimeOfTotalSeconds(double seconds, time_t* out) {
  DateImpUnix date;
  if (!date.SetTotalSeconds(seconds)) return false;
  std::tm local{};
  local.tm_year = date.GetField(kDateYear) - 1900;
  local.tm_mon = date.GetField(kDateMonth) - 1;
  local.tm_mday = date.GetField(kDateDay);
  local.tm_hour = date.GetField(kDateHour);
  local.tm_min = date.GetField(kDateMinute);
  local.tm_sec = date.GetField(kDateSecond);
  local.tm_isdst = -1;  // the zone's rule for that day decides
  errno = 0;
  const time_t moment = mktime(&local);
  if (moment == time_t(-1) && errno != 0) return false;
  *out = moment;
  return true;
}

// Renames without ever replacing an item at to (EEXIST).
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: look first (another process could still slip in).
  struct stat info;
  if (lstat(to.c_str(), &info) == 0) {
    errno = EEXIST;
    return false;
  }
  return rename(from.c_str(), to.c_str()) == 0;
}

std::string SpecialFolderPath(int32_t code) {
  switch (code) {
    case 1001: return "/tmp";
    case 1034: return "/etc";
    case 1035: return "/bin";
    case 1036: return "/usr/bin";
    case 1037: return "/sbin";
    case 1038: return "/usr/sbin";
    case 1039: return "/var";
    case 1040: return "/var/log";
    case 1041: {
      const char* home = std::getenv("HOME");
      return home ? home : "";
    }
    case 1042: return "/home";
    case 1043: return "/mnt";
    case 1044: return "/lib";
    case 1045: return "/usr/lib";
    case 1047: return CurrentFolder();
    default: return "";
  }
}

}  // namespace

std::string GetApplicationPath(bool folder) {
  if (folder) {
    const string set = ApplicationPathSetting();
    if (!set.IsEmpty()) return AbsoluteFromCurrentFolder(BytesOf(set));
  }
  static const std::string executable = ExecutablePathNow();
  if (!folder) return executable;
  static const std::string applicationFolder = FolderOf(executable);
  return applicationFolder;
}

std::string StripTrailingSlash(const std::string& path) {
  return path.size() > 1 && EndsWithSlash(path) ? path.substr(0, path.size() - 1) : path;
}

// --- Construction ------------------------------------------------------------------------------

FolderItemImpUnix::FolderItemImpUnix(const string& path, PathStatus* status)
    : mPath(CompletePath(BytesOf(path), status)) {}

FolderItemImpUnix* FolderItemImpUnix::FromBytes(const std::string& path, PathStatus* status) {
  return new FolderItemImpUnix(CompletePath(path, status), Exact{});
}

FolderItemImpUnix* FolderItemImpUnix::FromPath(const string& path) {
  return new FolderItemImpUnix(path);
}

FolderItemImpUnix* FolderItemImpUnix::FromURL(const string& url) {
  string rest;
  if (!URLToPath(url, '/', &rest)) return nullptr;
  // URLToPath drops the slash after "file://": it is the root's, and goes back in front.
  const std::string path = "/" + BytesOf(rest);
  if (path.find('\0') != std::string::npos) return nullptr;
  return FromBytes(path);
}

FolderItemImpUnix* FolderItemImpUnix::CreateForExecutable() {
  return FromBytes(GetApplicationPath(false));
}

FolderItemImp& FolderItemImpUnix::Assign(const FolderItemImp& other) {
  if (!QV_CHECK_TEXT(!other.IsVirtual(), "not other.IsVirtual()", nullptr)) return *this;
  if (const auto* unix = dynamic_cast<const FolderItemImpUnix*>(&other)) {
    mPath = unix->mPath;
  } else {
    mPath = CompletePath(BytesOf(other.GetPath()), nullptr);
  }
  return *this;
}

FolderItemImp* FolderItemImpUnix::Clone() const { return OnPath(mPath); }

// --- The path ----------------------------------------------------------------------------------

std::string FolderItemImpUnix::ItemPath() const { return StripTrailingSlash(mPath); }

bool FolderItemImpUnix::Succeeded(int result) const {
  if (result == 0) return true;
  SetLastError(errno);
  return false;
}

string FolderItemImpUnix::GetPath() const { return TextOf(mPath); }

string FolderItemImpUnix::GetName() const { return TextOf(NameOf(mPath)); }

string FolderItemImpUnix::GetShellPath() const { return ShellEscape(GetPath()); }

string FolderItemImpUnix::GetType() const { return FileTypeNameForFile(GetPath()); }

bool FolderItemImpUnix::SetName(const string& name) {
  const std::string newName = BytesOf(name);
  if (!IsPlainName(newName) || mPath == "/") {
    SetLastError(EINVAL);
    return false;
  }
  const std::string old = ItemPath();
  const std::string renamed = old.substr(0, old.size() - NameOf(mPath).size()) + newName;
  struct stat info;
  if (renamed != old && lstat(old.c_str(), &info) == 0 &&
      !RenameNoReplace(old, renamed)) {
    SetLastError(errno);
    return false;
  }
  // A missing item only changes where it points.
  mPath = renamed;
  return true;
}

bool FolderItemImpUnix::IsVisible() const { return NameOf(mPath)[0] != '.'; }

bool FolderItemImpUnix::SetVisible(bool visible) {
  if (IsVisible() == visible) return true;
  const std::string name = NameOf(mPath);
  return SetName(TextOf(visible ? name.substr(1) : "." + name));
}

// --- Questions ---------------------------------------------------------------------------------

bool FolderItemImpUnix::Exists() const { return Succeeded(access(mPath.c_str(), F_OK)); }

bool FolderItemImpUnix::IsAlias() const {
  struct stat info;
  return Succeeded(lstat(ItemPath().c_str(), &info)) && S_ISLNK(info.st_mode);
}

bool FolderItemImpUnix::IsDirectory() const {
  struct stat info;
  return Succeeded(stat(mPath.c_str(), &info)) && S_ISDIR(info.st_mode);
}

bool FolderItemImpUnix::IsReadable() const { return Succeeded(access(mPath.c_str(), R_OK)); }

bool FolderItemImpUnix::IsWriteable() const {
  if (access(mPath.c_str(), F_OK) == 0) return Succeeded(access(mPath.c_str(), W_OK));
  if (errno != ENOENT) return Succeeded(-1);
  // Making the item needs the right to write into its folder and to search it.
  const std::string folder = mPath.substr(0, mPath.size() - NameOf(mPath).size() -
                                                 (EndsWithSlash(mPath) ? 1 : 0));
  return !folder.empty() && Succeeded(access(folder.c_str(), W_OK | X_OK));
}

uint64_t FolderItemImpUnix::GetLength() const {
  struct stat info;
  return Succeeded(stat(mPath.c_str(), &info)) ? uint64_t(info.st_size) : 0;
}

bool FolderItemImpUnix::SetLength(uint64_t length) {
  if (length > uint64_t(INT64_MAX)) {
    SetLastError(EFBIG);
    return false;
  }
  return Succeeded(truncate(mPath.c_str(), off_t(length)));
}

int32_t FolderItemImpUnix::GetPermissions() const {
  struct stat info;
  return stat(mPath.c_str(), &info) == 0 ? int32_t(info.st_mode & 07777) : 0;
}

bool FolderItemImpUnix::SetPermissions(int32_t bits) {
  return Succeeded(chmod(mPath.c_str(), mode_t(bits)));
}

bool FolderItemImpUnix::SetOwner(const string& name) {
  const passwd* user = getpwnam(BytesOf(name).c_str());
  return user && chown(mPath.c_str(), user->pw_uid, gid_t(-1)) == 0;
}

string FolderItemImpUnix::GetOwner() const {
  struct stat info;
  if (stat(mPath.c_str(), &info) != 0) return string();
  const passwd* user = getpwuid(info.st_uid);
  return user ? string(user->pw_name) : string();
}

bool FolderItemImpUnix::SetGroup(const string& name) {
  const group* found = getgrnam(BytesOf(name).c_str());
  return found && chown(mPath.c_str(), uid_t(-1), found->gr_gid) == 0;
}

string FolderItemImpUnix::GetGroup() const {
  struct stat info;
  if (stat(mPath.c_str(), &info) != 0) return string();
  const group* found = getgrgid(info.st_gid);
  return found ? string(found->gr_name) : string();
}

double FolderItemImpUnix::GetCreationDate() const {
  struct stat info;
  return Succeeded(stat(mPath.c_str(), &info)) ? TotalSecondsOfFileTime(info.st_ctime) : 0.0;
}

double FolderItemImpUnix::GetModificationDate() const {
  struct stat info;
  return Succeeded(stat(mPath.c_str(), &info)) ? TotalSecondsOfFileTime(info.st_mtime) : 0.0;
}

bool FolderItemImpUnix::SetModificationDate(double date) {
  time_t moment;
  if (!FileTimeOfTotalSeconds(date, &moment)) {
    SetLastError(EINVAL);
    return false;
  }
  const timespec times[2] = {{0, UTIME_OMIT}, {moment, 0}};
  return Succeeded(utimensat(AT_FDCWD, mPath.c_str(), times, 0));
}

// --- Folders -----------------------------------------------------------------------------------

FolderItemImp* FolderItemImpUnix::GetParent() const {
  if (mPath.size() <= 1) return nullptr;
  const size_t cut = NameOf(mPath).size() + (EndsWithSlash(mPath) ? 1 : 0);
  if (cut >= mPath.size()) return nullptr;
  return FromBytes(mPath.substr(0, mPath.size() - cut));
}

FolderItemImp* FolderItemImpUnix::GetSpecialFolder(int32_t code) const {
  const std::string path = SpecialFolderPath(code);
  return path.empty() ? nullptr : FromBytes(path);
}

const std::vector<FolderListing::Entry>* FolderItemImpUnix::Listing() const {
  int error = 0;
  const std::vector<FolderListing::Entry>* entries = mListing.Current(mPath, &error);
  if (!entries) SetLastError(error);
  return entries;
}

int32_t FolderItemImpUnix::Count() const {
  const std::vector<FolderListing::Entry>* entries = Listing();
  return entries ? static_cast<int32_t>(entries->size()) : 0;
}

// The listing tells an entry's type, so a folder gets its "/" and a plain file is no link
// without asking the system; a link, or an entry of no known type, is looked at as before.
FolderItemImp* FolderItemImpUnix::Item(int32_t index, int32_t flags) const {
  const std::vector<FolderListing::Entry>* entries = Listing();
  if (!entries || index < 0 || static_cast<size_t>(index) >= entries->size()) return nullptr;
  const FolderListing::Entry& found = (*entries)[static_cast<size_t>(index)];
  const std::string path = JoinName(mPath, found.name);
  if (found.type == DT_DIR) return OnPath(path + '/');
  if (found.type != DT_LNK && found.type != DT_UNKNOWN) return OnPath(path);
  FolderItemImp* entry = FromBytes(path);
  if (flags == 0) return entry;
  FolderItemImp* target = entry->ResolveAlias(flags);
  if (!target || target == entry) return entry;
  delete entry;
  return target;
}

FolderItemImp* FolderItemImpUnix::Child(const string& name, int32_t) const {
  const std::string bytes = BytesOf(name);
  if (bytes.find('\0') != std::string::npos || !IsDirectory()) return nullptr;
  if (bytes == ".") return Clone();
  if (bytes == "..") return GetParent();
  return FromBytes(JoinName(mPath, bytes));
}

FolderItemImp* FolderItemImpUnix::ResolveAlias(int32_t) {
  if (!IsAlias()) return nullptr;
  std::string target = ItemPath();
  if (!FollowLinks(&target)) {
    SetLastError(ELOOP);
    return nullptr;
  }
  return FromBytes(target);
}

// A new data file that open opened on the item's path, or nil with the data file's error kept.
template <typename Open>
RandomAccessMechanism* OpenedDataFile(const FolderItemImpUnix& item, Open opener) {
  DataFile* file = DataFile::Create();
  if (!QV_CHECK_TEXT(file, "newFile", nullptr)) return nullptr;
  if (opener(file, item.GetPath())) return file;
  item.SetLastError(file->lastError);
  delete file;
  return nullptr;
}

// --- Making and deleting -----------------------------------------------------------------------

bool FolderItemImpUnix::CreateAsFolder() {
  const bool made = Succeeded(mkdir(mPath.c_str(), 0777));
  if (!EndsWithSlash(mPath)) mPath += '/';
  return made;
}

// A folder is refused by the opener (EISDIR): the system opens one for reading, then fails
// every read.
RandomAccessMechanism* FolderItemImpUnix::OpenAsMechanism(bool, bool write) const {
  return OpenedDataFile(*this, [write](DataFile* file, const string& path) {
    return file->Open(path, write ? kDataFileReadWrite : kDataFileReadOnly);
  });
}

RandomAccessMechanism* FolderItemImpUnix::OpenAsAppendMechanism() const {
  return OpenedDataFile(
      *this, [](DataFile* file, const string& path) { return file->OpenForAppending(path); });
}

RandomAccessMechanism* FolderItemImpUnix::CreateMechanism(const string&) {
  mPath = StripTrailingSlash(mPath);
  return OpenedDataFile(
      *this, [](DataFile* file, const string& path) { return file->OpenForWriting(path); });
}

RandomAccessMechanism* FolderItemImpUnix::ReplaceMechanism(const string&) {
  mPath = StripTrailingSlash(mPath);
  int error = 0;
  RandomAccessMechanism* file = NewHostReplacingMechanism(ItemPath(), &error);
  if (!file) SetLastError(error);
  return file;
}

bool FolderItemImpUnix::Delete() {
  const std::string path = ItemPath();
  struct stat info;
  if (!Succeeded(lstat(path.c_str(), &info))) return false;
  return Succeeded(S_ISDIR(info.st_mode) ? rmdir(path.c_str()) : unlink(path.c_str()));
}

int FolderItemImpUnix::OpenForReading() const {
  NamedFile file;
  return file.Open(ItemPath().c_str(), O_RDONLY | O_NOFOLLOW, NamedFileUse::kStream, 0, true)
             ? file.Release()
             : -1;
}
