// SaveInfo strings against Python's struct (records of "<H" type and ">I" length), relative paths
// between folders, files found again after they and their base moved with mv, the fallback of
// kind 0, and damaged strings (cut short, random tails, impossible paths) read without harm.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "FolderItemTestSupport.h"
#include "files/SaveInfo.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace itemtest;

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char c : bytes) hex += std::string{kDigits[c >> 4], kDigits[c & 15]};
  return hex;
}

// A SaveInfo of kind with the records (type, data), made by Python (the data travels as hex, so
// that a NUL reaches it).
std::string PythonSaveInfo(int kind, const std::vector<std::pair<int, std::string>>& records) {
  std::vector<std::string> arguments = {std::to_string(kind)};
  for (const auto& record : records) {
    arguments.push_back(std::to_string(record.first));
    arguments.push_back(Hex(record.second));
  }
  const std::string hex = Python(
      "(b'\\x00\\xf1\\xd1\\x73' + bytes([1, int(sys.argv[1])]) + b''.join("
      "struct.pack('<H', int(t)) + struct.pack('>I', len(bytes.fromhex(d))) + bytes.fromhex(d) "
      "for t, d in zip(sys.argv[2::2], sys.argv[3::2])) + struct.pack('<HI', 0, 0)).hex()",
      arguments);
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return bytes;
}

string Raw(const std::string& bytes) {
  return string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingNone);
}

std::string Resolved(const std::string& info, const FolderItemImp* base) {
  return PathOf(Item(FolderItemImpUnix::FromSaveInfo(Raw(info), base)).get());
}

std::string SaveInfoOf(const std::string& path, const FolderItemImp* base, int32_t kind) {
  return Bytes(On(path)->GetSaveInfo(base, kind));
}

TEST(SaveInfo, RecordsAsPythonsStructReadsAndWritesThem) {
  qvtest::TempFolder temp("qvsave");
  fs::create_directories(temp / "base/docs");
  WriteFile(temp / "base/docs/c.txt", "");
  Item base = On(temp / "base");
  const std::string ours = SaveInfoOf(temp / "base/docs/c.txt", base.get(), kSaveInfoBoth);
  EXPECT_EQ(ours, PythonSaveInfo(0, {{2, "docs/c.txt"}, {1, temp / "base/docs/c.txt"},
                                     {3, std::string(1, '\1')}, {4, std::string(1, '\0')}}));
  EXPECT_EQ(SaveInfoOf(temp / "base/docs/c.txt", nullptr, kSaveInfoRelative),
            PythonSaveInfo(2, {{1, temp / "base/docs/c.txt"}, {3, std::string(1, '\1')},
                               {4, std::string(1, '\0')}}));
  EXPECT_EQ(Resolved(PythonSaveInfo(1, {{2, "docs/c.txt"}}), base.get()), temp / "base/docs/c.txt");
  EXPECT_EQ(Resolved(PythonSaveInfo(2, {{9, "ignored"}, {1, "/tmp"}}), nullptr), "/tmp/");
  EXPECT_EQ(On(temp / "base")->GetSaveInfo(base.get(), 7).Length(), 0);
  EXPECT_TRUE(IsSaveInfo(Raw(ours)));
  EXPECT_FALSE(IsSaveInfo("/tmp"));
}

TEST(SaveInfo, RelativePathsBetweenFolders) {
  qvtest::TempFolder temp("qvrelative");
  fs::create_directories(temp / "a/b");
  fs::create_directories(temp / "a/x/y");
  fs::create_directories(temp / "a/B");
  WriteFile(temp / "a/b/c.txt", "");
  auto relative = [&](const std::string& item, const std::string& base) {
    auto* unix = static_cast<FolderItemImpUnix*>(On(temp / item).release());
    Item owned(unix);
    return Bytes(unix->RelativePathTo(*On(temp / base)));
  };
  EXPECT_EQ(relative("a/b/c.txt", "a/x/y"), "../../b/c.txt");
  EXPECT_EQ(relative("a/b/c.txt", "a"), "b/c.txt");
  EXPECT_EQ(relative("a/b/c.txt", "a/b/c.txt"), "c.txt");  // a file base stands for its folder
  EXPECT_EQ(relative("a/b", "a/x"), "../b");
  EXPECT_EQ(relative("a/b/c.txt", "a/B"), "../b/c.txt");  // names differ by case on Linux

  Item folderA = On(temp / "a");
  EXPECT_EQ(ResolveSaveInfoRelativePath("b/c.txt", folderA.get()), temp / "a/b/c.txt");
  EXPECT_EQ(ResolveSaveInfoRelativePath("../x", On("/tmp/").get()), "/x");
  EXPECT_EQ(ResolveSaveInfoRelativePath("../..", On("/tmp/").get()), "");
  EXPECT_EQ(ResolveSaveInfoRelativePath("../../..", On("/tmp/").get()), "");
  EXPECT_EQ(Resolved(PythonSaveInfo(1, {{2, "../../../../../../../../../../../x"}}),
                     folderA.get()),
            "(nil)");
}

// The file and its base move together: the relative record finds it. When only the old
// absolute place still holds a file, kind 0 falls back to it.
TEST(SaveInfo, FoundAgainAfterMovingWithMv) {
  qvtest::TempFolder temp("qvmoved");
  fs::create_directories(temp / "project/data");
  WriteFile(temp / "project/data/file", "");
  const std::string info =
      SaveInfoOf(temp / "project/data/file", On(temp / "project").get(), kSaveInfoBoth);
  ASSERT_EQ(qvtest::RunProgram({"mv", temp / "project", temp / "elsewhere"}), 0);
  EXPECT_EQ(Resolved(info, On(temp / "elsewhere").get()), temp / "elsewhere/data/file");
  fs::create_directories(temp / "project/data");
  WriteFile(temp / "project/data/file", "");
  fs::remove(temp / "elsewhere/data/file");
  EXPECT_EQ(Resolved(info, On(temp / "elsewhere").get()), temp / "project/data/file");
  fs::remove(temp / "project/data/file");
  EXPECT_EQ(Resolved(info, On(temp / "elsewhere").get()), temp / "elsewhere/data/file");
  EXPECT_EQ(Resolved(info, nullptr), temp / "project/data/file");
}

// Every prefix and every random tail reads without harm (the sanitizer build watches): a record
// cut short is refused; so are absolute paths that no file can have.
TEST(SaveInfo, DamagedStringsAreRefused) {
  const std::string info = PythonSaveInfo(2, {{1, "/tmp/some/file"}, {3, "\1"}});
  const size_t pathRecordEnd = 6 + 6 + 14;
  for (size_t length = 0; length < info.size(); ++length) {
    const std::string path = Resolved(info.substr(0, length), nullptr);
    if (length < pathRecordEnd) {
      EXPECT_EQ(path, "(nil)") << length;
    }
  }
  std::mt19937 random(2024);
  for (int round = 0; round < 2000; ++round) {
    std::string damaged = info.substr(0, 6 + random() % (info.size() - 6));
    const size_t tail = random() % 40;
    for (size_t i = 0; i < tail; ++i) damaged += char(random());
    const std::string path = Resolved(damaged, On("/tmp").get());
    EXPECT_TRUE(path == "(nil)" || path[0] == '/') << path;
  }
  EXPECT_EQ(Resolved(PythonSaveInfo(2, {{1, "relative/path"}}), nullptr), "(nil)");
  EXPECT_EQ(Resolved(PythonSaveInfo(2, {{1, std::string("/tmp/a\0b", 8)}}), nullptr), "(nil)");
  std::string huge = info.substr(0, 8) + "\x7F\xFF\xFF\xFF";
  EXPECT_EQ(Resolved(huge, nullptr), "(nil)");
}

}  // namespace
