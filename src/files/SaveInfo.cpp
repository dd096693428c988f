#include "files/SaveInfo.h"

#include <unistd.h>

#include <memory>
#include <vector>

#include "core/RuntimeError.h"
#include "files/FolderItemImpUnix.h"
#include "strings/TextEncoding.h"

namespace {

constexpr unsigned char kMagic[4] = {0x00, 0xF1, 0xD1, 0x73};
constexpr unsigned char kVersion = 1;
constexpr uint16_t kRecordEnd = 0;
constexpr uint16_t kRecordAbsolute = 1;
constexpr uint16_t kRecordRelative = 2;
constexpr uint16_t kRecordTrue = 3;
constexpr uint16_t kRecordFalse = 4;
constexpr size_t kRecordHeader = 6;

std::string BytesOf(const string& text) {
  const string utf8 = ConvertEncoding(text, kEncodingUTF8);
  return std::string(reinterpret_cast<const char*>(utf8.Bytes()), size_t(utf8.Length()));
}

// The non-empty components of a path, from the root down.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> components;
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) components.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return components;
}

// The path of item's folder: the item itself when it is a folder, else its parent.
std::string FolderPathOf(const FolderItemImp& item) {
  if (!item.IsDirectory()) {
    if (std::unique_ptr<FolderItemImp> parent{item.GetParent()}) return BytesOf(parent->GetPath());
  }
  return BytesOf(item.GetPath());
}

void AppendRecord(std::string* out, uint16_t type, const std::string& data) {
  const uint32_t length = uint32_t(data.size());
  const char header[kRecordHeader] = {char(type & 0xFF),      char(type >> 8),
                                      char(length >> 24),     char(length >> 16),
                                      char(length >> 8),      char(length)};
  out->append(header, sizeof header);
  out->append(data);
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// The records' paths as one kind of SaveInfo asks for them.
struct DecodedPaths {
  std::string absolute;
  std::string relative;  // already resolved against the base
};

// Reads the records; false when one runs past the end or holds a path no file can have.
bool DecodeRecords(const unsigned char* bytes, size_t length, int32_t kind,
                   const FolderItemImp* base, DecodedPaths* paths) {
  size_t at = kRecordHeader;
  while (at < length) {
    if (length - at < kRecordHeader) return false;
    const uint16_t type = uint16_t(bytes[at] | bytes[at + 1] << 8);
    const uint64_t size = uint64_t(bytes[at + 2]) << 24 | uint64_t(bytes[at + 3]) << 16 |
                          uint64_t(bytes[at + 4]) << 8 | uint64_t(bytes[at + 5]);
    at += kRecordHeader;
    if (type == kRecordEnd) break;
    if (size > uint64_t(length - at)) return false;
    const std::string data(reinterpret_cast<const char*>(bytes + at), size_t(size));
    at += size_t(size);
    if (type != kRecordAbsolute && type != kRecordRelative) continue;
    if (data.find('\0') != std::string::npos) return false;
    if (type == kRecordAbsolute) {
      if (data.empty() || data[0] != '/') return false;
      if (kind == kSaveInfoBoth || kind == kSaveInfoAbsolute || !base) paths->absolute = data;
    } else if (base && (kind == kSaveInfoBoth || kind == kSaveInfoRelative)) {
      // Without a base a relative record names nothing.
      paths->relative = ResolveSaveInfoRelativePath(data, base);
      if (paths->relative.empty() && kind == kSaveInfoRelative) return false;
    }
  }
  return true;
}

// The path a decoded SaveInfo names: for both records the one that exists, the relative first.
std::string ChosenPath(const DecodedPaths& paths, int32_t kind, bool haveBase) {
  if (kind == kSaveInfoAbsolute || !haveBase) return paths.absolute;
  if (kind == kSaveInfoRelative) return paths.relative;
  if (kind != kSaveInfoBoth) return std::string();
  if (!paths.relative.empty() && Exists(paths.relative)) return paths.relative;
  if (!paths.absolute.empty() && Exists(paths.absolute)) return paths.absolute;
  return paths.relative.empty() ? paths.absolute : paths.relative;
}

}  // namespace

bool IsSaveInfo(const string& text) {
  return text.Length() >= 4 && __builtin_memcmp(text.Bytes(), kMagic, sizeof kMagic) == 0;
}

std::string ResolveSaveInfoRelativePath(const std::string& relative, const FolderItemImp* base) {
  if (!QV_CHECK_TEXT(base, "relFold",
                     "We're trying to get a path relative to a nil folder item when "
                     "constructing from a SaveInfo string."))
    return std::string();
  std::vector<std::string> result = Components(FolderPathOf(*base));
  size_t start = 0;
  while (start < relative.size()) {
    size_t end = relative.find('/', start);
    if (end == std::string::npos) end = relative.size();
    if (end == start) break;  // an empty component ends the path
    const std::string component = relative.substr(start, end - start);
    if (component == "..") {
      if (result.empty()) return std::string();  // above the root
      result.pop_back();
    } else {
      result.push_back(component);
    }
    start = end + 1;
  }
  std::string path;
  for (const std::string& component : result) path += "/" + component;
  return path.empty() ? "/" : path;
}

string FolderItemImpUnix::RelativePathTo(const FolderItemImp& other) const {
  const std::vector<std::string> base = Components(FolderPathOf(other));
  std::string name;
  std::string myFolder = mPath;
  if (!IsDirectory()) {
    name = BytesOf(GetName());
    myFolder = FolderPathOf(*this);
  }
  const std::vector<std::string> mine = Components(myFolder);
  size_t common = 0;
  while (common < base.size() && common < mine.size() && base[common] == mine[common]) ++common;
  std::string relative;
  for (size_t up = common; up < base.size(); ++up) relative += "../";
  for (size_t i = common; i < mine.size(); ++i) relative += mine[i] + "/";
  relative += name;
  relative = StripTrailingSlash(relative);
  return string::FromBytes(relative.data(), int64_t(relative.size()), kEncodingUTF8);
}

string FolderItemImpUnix::GetSaveInfo(const FolderItemImp* relativeTo, int32_t kind) const {
  if (!relativeTo) kind = kSaveInfoAbsolute;
  if (kind != kSaveInfoBoth && kind != kSaveInfoRelative && kind != kSaveInfoAbsolute)
    return string();
  std::string out(reinterpret_cast<const char*>(kMagic), sizeof kMagic);
  out += char(kVersion);
  out += char(kind);
  if (kind != kSaveInfoAbsolute)
    AppendRecord(&out, kRecordRelative, BytesOf(RelativePathTo(*relativeTo)));
  if (kind != kSaveInfoRelative) AppendRecord(&out, kRecordAbsolute, mPath);
  AppendRecord(&out, kRecordTrue, std::string(1, '\1'));
  AppendRecord(&out, kRecordFalse, std::string(1, '\0'));
  AppendRecord(&out, kRecordEnd, std::string());
  return string::FromBytes(out.data(), int64_t(out.size()), kEncodingNone);
}

FolderItemImpUnix* FolderItemImpUnix::FromSaveInfo(const string& text, const FolderItemImp* base) {
  if (!IsSaveInfo(text) || text.Length() < int32_t(kRecordHeader)) return nullptr;
  const int32_t kind = text.Bytes()[5];
  DecodedPaths paths;
  if (!DecodeRecords(text.Bytes(), size_t(text.Length()), kind, base, &paths)) return nullptr;
  const std::string path = ChosenPath(paths, kind, base != nullptr);
  return path.empty() ? nullptr : FromBytes(path);
}
