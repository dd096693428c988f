// JPEGValue and JPEGColumn carry their bytes through a temporary file, with stand-ins for the
// picture layer's two converters that see the file and write one.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "app/FolderItemImp.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/JPEGValues.h"
#include "files/FolderItemClass.h"
#include "support/RaisedExceptions.h"
#include "support/SmallDisk.h"
#include "support/TestSupport.h"

namespace {

using dbtest::Held;
using dbtest::S;
using dbtest::TestEnginePlugin;
using dbtest::Text;

const std::string kJPEG("\xFF\xD8\xFF\x00 it's\xFF\xD9", 10);

std::vector<std::string> gReadFiles;  // what the read converter found in each file
std::vector<std::string> gPaths;      // the files the converters were given
bool gWriteHuge = false;              // write a sparse file past 4 GiB instead of kJPEG

std::string PathOf(RuntimeObject* item) { return Text(fileAbsolutePathGetter(item, 0)); }

// A stand-in picture: any new object.
RuntimeObject* ReadPicture(RuntimeObject* item) {
  gPaths.push_back(PathOf(item));
  std::ifstream in(gPaths.back(), std::ios::binary);
  gReadFiles.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return NewObjectFromDefinition(DatabaseRecordClassDefinition());
}

bool WritePicture(RuntimeObject*, RuntimeObject* item) {
  gPaths.push_back(PathOf(item));
  if (gWriteHuge) return ::truncate(gPaths.back().c_str(), (int64_t(1) << 32) + 1) == 0;
  std::ofstream(gPaths.back(), std::ios::binary) << kJPEG;
  return true;
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

class JPEGValues : public ::testing::Test {
 protected:
  void SetUp() override {
    gReadFiles.clear();
    gPaths.clear();
    gWriteHuge = false;
    mPrevious = SetJPEGPictureConverters({ReadPicture, WritePicture});
  }
  void TearDown() override {
    SetJPEGPictureConverters(mPrevious);
    for (const std::string& path : gPaths) EXPECT_FALSE(Exists(path)) << path << " was left";
    EXPECT_EQ(mLive.Added(), 0);
  }
  JPEGPictureConverters mPrevious{};
  dbtest::LiveObjects mLive;
};

TEST_F(JPEGValues, ARecordKeepsTheBytesAsTextAndMakesAPictureOfThem) {
  Held record(NewObjectFromDefinition(DatabaseRecordClassDefinition()));
  Held picture(NewObjectFromDefinition(DatabaseRecordClassDefinition()));
  setDatabaseRecordJPEGColumn(record, S("photo"), picture);
  EXPECT_EQ(Text(getDatabaseRecordColumn(record, S("PHOTO"))), kJPEG);
  EXPECT_EQ(reinterpret_cast<DatabaseRecordObject*>(record.get())->columns->type, kColumnText);
  Held made(getDatabaseRecordJPEGColumn(record, S("photo")));
  EXPECT_NE(made.get(), nullptr);
  ASSERT_EQ(gReadFiles.size(), 1u);
  EXPECT_EQ(gReadFiles[0], kJPEG);
  setDatabaseRecordJPEGColumn(record, S("none"), nullptr);
  EXPECT_EQ(getDatabaseRecordFieldCount(record), 1) << "no picture records nothing";
}

// Codes 14 to 17 and pending bytes make pictures; other codes make none and write no file.
TEST_F(JPEGValues, FieldsReadByteColumnsAndPendingBytes) {
  Held db(TestEnginePlugin::Open("sql"));
  Held rs(databaseSQLSelect(db, S("select * from codes")));
  for (int row = 0; row < 14; ++row) cursorMoveNext(rs);
  Held field(cursorGetFieldByName(rs, S("value")));
  ASSERT_EQ(Text(cursorFieldNativeValueGetter(field, 0)), "\x01\x02raw") << "the code-14 row";
  Held fromBytes(cursorFieldJPEGGetter(field, 0));
  EXPECT_NE(fromBytes.get(), nullptr);
  ASSERT_EQ(gReadFiles.size(), 1u);
  EXPECT_EQ(gReadFiles[0], "\x01\x02raw");
  Held picture(NewObjectFromDefinition(DatabaseRecordClassDefinition()));
  cursorFieldJPEGSetter(field, 0, picture);
  EXPECT_EQ(gPaths.size(), 1u) << "nothing is saved before Edit";
  cursorEdit(rs);
  cursorFieldJPEGSetter(field, 0, picture);
  EXPECT_EQ(Text(cursorFieldStringValueGetter(field, 0)), kJPEG);
  Held fromPending(cursorFieldJPEGGetter(field, 0));
  ASSERT_EQ(gReadFiles.size(), 2u);
  EXPECT_EQ(gReadFiles[1], kJPEG);
  for (int row = 14; row < 18; ++row) cursorMoveNext(rs);  // a string row
  gPaths.clear();
  EXPECT_EQ(cursorFieldJPEGGetter(field, 0), nullptr);
  EXPECT_TRUE(gPaths.empty());
  cursorClose(rs);
}

TEST_F(JPEGValues, AFileLongerThan32BitsRaisesAndRecordsNothing) {
  gWriteHuge = true;
  qvtest::RaisedExceptions raised;
  Held record(NewObjectFromDefinition(DatabaseRecordClassDefinition()));
  Held picture(NewObjectFromDefinition(DatabaseRecordClassDefinition()));
  setDatabaseRecordJPEGColumn(record, S("photo"), picture);
  EXPECT_EQ(raised.TakeOne(),
            "UnsupportedFormatException: Cannot convert JPEGs that are larger than &hFFFFFF "
            "bytes long");
  EXPECT_EQ(getDatabaseRecordFieldCount(record), 0);
}

std::string gTemporaryFolder;

FolderItemImp* TestTemporaryFolder() { return FolderItemForPath(gTemporaryFolder.c_str()); }

// The bytes go through a temporary file on a disk with no room left, which takes them into its
// buffer and then fails to write them: no picture is made of the empty file.
TEST_F(JPEGValues, BytesThatDoNotReachTheTemporaryFileMakeNoPicture) {
  qvtest::SmallDisk disk(1 << 20);
  QV_SKIP_WITHOUT_SMALL_DISK(disk);
  ASSERT_TRUE(disk.LeaveRoom(0));
  gTemporaryFolder = disk.path();
  const FolderItemServices original = SetFolderItemServices({});
  FolderItemServices onDisk = original;
  onDisk.temporaryFolder = TestTemporaryFolder;
  SetFolderItemServices(onDisk);
  Held picture(PictureFromJPEGBytes(string::FromBytes(kJPEG.data(), int64_t(kJPEG.size()),
                                                      kEncodingUTF8)));
  SetFolderItemServices(original);
  EXPECT_EQ(picture.get(), nullptr);
  EXPECT_TRUE(gReadFiles.empty()) << "a picture was made of " << gReadFiles.size() << " file";
  disk.MakeRoom();
}

}  // namespace
