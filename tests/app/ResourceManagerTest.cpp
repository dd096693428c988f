// The resource manager over rows added here: embedded databases through a registered data
// source, the extension a movie's file gets, and one temporary file for each movie or sound.
// (tests/image runs every kind through an application image.)
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <deque>

#include "app/PluginDataSources.h"
#include "app/ResourceManager.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/DatabaseClasses.h"
#include "graphics/MovieClass.h"
#include "graphics/SoundClass.h"
#include "image/ResourceTable.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The bytes of a literal, NULs included; rows point into them for the life of the process.
template <size_t N>
Bytes BytesOf(const char (&text)[N]) {
  return Bytes(text, text + N - 1);
}
void AddRow(const char (&type)[5], uint16_t id, const Bytes& data) {
  static std::deque<Bytes> kept;  // never moves its elements
  kept.push_back(data);
  AddResourceEntry(qvimage::FourCharCode(type), id, kept.back().data(), uint32_t(data.size()), 0);
}

// What the test engine was asked to open. Both openers answer the same Database (the opener
// marks what it opens, so it must be one), with a reference for the caller each time.
int gOpener;
uint32_t gOpenedData, gOpenedLength;
RuntimeObject* TheDatabase() {
  static RuntimeObject* const database =
      NewObjectFromDefinition(DatabaseClassDefinition());
  return database;
}
RuntimeObject* OpenFirst(uint32_t data, uint32_t length) {
  gOpener = 1, gOpenedData = data, gOpenedLength = length;
  RuntimeLockObject(TheDatabase());
  return TheDatabase();
}
RuntimeObject* OpenSecond(uint32_t, uint32_t) {
  gOpener = 2;
  RuntimeLockObject(TheDatabase());
  return TheDatabase();
}
// The database of the resource, its reference given back (TheDatabase keeps its own).
RuntimeObject* OpenedDatabase(uint16_t id) {
  RuntimeObject* database = TheResourceManager().GetDatabase(id);
  RuntimeUnlockObject(database);
  return database;
}

Bytes DatabaseRecord(const std::string& engine, uint32_t nameLength, uint32_t dataLength) {
  Bytes record(4 + engine.size() + 4);
  std::memcpy(record.data(), &nameLength, 4);
  std::memcpy(record.data() + 4, engine.data(), engine.size());
  std::memcpy(record.data() + 4 + engine.size(), &dataLength, 4);
  record.insert(record.end(), {'a', 'b', 'c'});
  return record;
}

// Engine names are compared ignoring case and the newest data source wins; a record whose name
// or data runs past it is reported and opens nothing.
TEST(ResourceManager, EmbeddedDatabasesOpenThroughTheirEnginesDataSource) {
  ASSERT_NE(TheDatabase(), nullptr);
  RegisterDataSource("TestEngine", OpenFirst);
  AddRow("DBAS", 1, DatabaseRecord("testENGINE", 10, 3));
  EXPECT_EQ(OpenedDatabase(1), TheDatabase());
  EXPECT_EQ(gOpener, 1);
  EXPECT_EQ(gOpenedLength, 3u);
  EXPECT_EQ(gOpenedData, uintptr_t(FindResource(qvimage::kResourceDatabase, 1).data + 18));
  RegisterDataSource("TESTENGINE", OpenSecond);
  EXPECT_EQ(OpenedDatabase(1), TheDatabase());
  EXPECT_EQ(gOpener, 2);
  AddRow("DBAS", 2, DatabaseRecord("other", 5, 3));
  EXPECT_EQ(TheResourceManager().GetDatabase(2), nullptr);  // no such engine
  EXPECT_EQ(TheResourceManager().GetDatabase(9), nullptr);  // no such resource

  const struct {
    Bytes record;
    const char* condition;
  } damaged[] = {{DatabaseRecord("TestEngine", 11, 3), "databaseFits"},
                 {DatabaseRecord("TestEngine", 10, 0xFFFFFFFF), "databaseFits"},
                 {DatabaseRecord("TestEngine", 0xFFFFFFFD, 3), "databaseNameFits"},
                 {{1, 0, 0}, "databaseNameFits"}};
  uint16_t id = 10;
  for (const auto& d : damaged) {
    AddRow("DBAS", id, d.record);
    qvtest::ReportCapture reports;
    gOpener = 0;
    EXPECT_EQ(TheResourceManager().GetDatabase(id++), nullptr);
    EXPECT_EQ(gOpener, 0);
    EXPECT_TRUE(reports.count() == 1 && reports.HasCondition(d.condition)) << d.condition;
  }
}

TEST(ResourceManager, MovieFileExtensionsFollowTheData) {
  const struct {
    Bytes data;  // exactly as long as it is
    const char* extension;
  } cases[] = {{BytesOf("RIFF\x10\0\0\0AVI"), ".avi"},     {BytesOf("RIFF\x10\0\0\0AV"), ".mov"},
               {BytesOf("RIFF\x10\0\0\0WAVE"), ".mov"},    {BytesOf("\x30\x26\xB2\x75"), ".wmv"},
               {BytesOf("\x30\x26\xB2"), ".mov"},          {{}, ".mov"}};
  for (const auto& c : cases)
    EXPECT_STREQ(MovieFileExtension(c.data.data(), uint32_t(c.data.size())), c.extension);
}

// Each movie or sound resource is written to a temporary file once: a later Get makes its
// object over the same file while the file exists, and writes a new one when it is gone.
TEST(ResourceManager, EachMovieAndSoundIsWrittenOnce) {
  AddRow("moov", 7, BytesOf("RIFF\0\0\0\0AVI movie"));
  AddRow("WAVE", 7, BytesOf("RIFF\0\0\0\0WAVE"));
  std::vector<std::string> paths;
  std::vector<RuntimeObject*> objects;
  for (int round = 0; round < 3; ++round) {
    if (round == 2) unlink(paths[0].c_str());
    objects.push_back(TheResourceManager().GetMovie(7));
    objects.push_back(TheResourceManager().GetSound(7));
    ASSERT_NE(objects.end()[-2], nullptr);
    ASSERT_NE(objects.end()[-1], nullptr);
    paths.push_back(MovieFile(objects.end()[-2])->GetPath().CString());
    paths.push_back(SoundFile(objects.end()[-1])->GetPath().CString());
  }
  EXPECT_EQ(paths[2], paths[0]) << "the movie's file again";
  EXPECT_EQ(paths[3], paths[1]) << "the sound's file again";
  EXPECT_NE(paths[4], paths[0]) << "the movie's file was deleted: a new one";
  EXPECT_EQ(paths[5], paths[1]);
  EXPECT_EQ(access(paths[4].c_str(), R_OK), 0);
  for (RuntimeObject* object : objects) RuntimeUnlockObject(object);
  for (const std::string& path : paths) unlink(path.c_str());
}

}  // namespace
