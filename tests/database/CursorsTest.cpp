// The row store, ScrollableCursor and ObjectCursor: a row's bytes as readers of the format
// expect them, rows found by number (also past 4 GiB of data), and the ObjectCursor's event
// raised once per object it has not seen yet.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "core/EventHandlers.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/RowStore.h"
#include "database/ScrollableCursor.h"

namespace {

using dbtest::FakeEngine;
using dbtest::Held;
using dbtest::S;
using dbtest::TestEnginePlugin;
using dbtest::Text;

std::vector<uint8_t> RowBytes(RowStore* store, int32_t row) {
  const uint64_t start = RowStoreRowOffset(store, row);
  const uint64_t end = row + 1 < RowStoreCount(store)
                           ? RowStoreRowOffset(store, row + 1)
                           : uint64_t(store->data->GetLength());
  std::vector<uint8_t> bytes(end - start);
  DataFile* file = RowStoreSeekRow(store, row);
  int32_t got = 0;
  EXPECT_TRUE(file && file->Read(bytes.data(), int32_t(bytes.size()), &got));
  return bytes;
}

RuntimeObject* NewScrollable(RuntimeObject* source) {
  RuntimeObject* cursor = NewObjectFromDefinition(ScrollableCursorClassDefinition());
  scrollableCursorConstructor(cursor, source);
  return cursor;
}

std::string Column(RuntimeObject* record, int32_t n) {
  return Text(getDatabaseRecordIndString(record, n));
}

int32_t TwoColumns(dbCursor) { return 2; }
uint8_t SameConditionKey(dbCursor, int32_t column, const char** name, int32_t* nameLength,
                         const char** condition, int32_t* conditionLength) {
  *name = column == 0 ? "people!name" : "people!nick";
  *nameLength = int32_t(std::strlen(*name));
  *condition = "rowid = 1";
  *conditionLength = 9;
  return 1;
}

TEST(ScrollableCursor, ARowHoldsEachTextThenEachWriteBackKey) {
  dbtest::LiveObjects live;
  {
    FakeEngine engine;
    engine.cursor.curColumnCount = TwoColumns;
    engine.cursor.curColumnKey = SameConditionKey;
    Held source(engine.NewCursor({"x"}));
    Held cursor(NewScrollable(source));
    auto* self = reinterpret_cast<ScrollableCursorObject*>(cursor.get());
    ASSERT_EQ(scrollableCursorGetCount(cursor), 1);
    // Per column: length, encoding (UTF-8 0x08000100 as five groups), bytes; then per column:
    // the name's position, the condition as text, or minus the position of the same one.
    const std::vector<uint8_t> golden = {
        0x01, 0x80, 0x84, 0x80, 0x80, 0x01, 'x', 0x01, 0x80, 0x84, 0x80, 0x80, 0x01, 'x',
        0x01, 0x09, 0x80, 0x84, 0x80, 0x80, 0x01, 'r', 'o', 'w', 'i', 'd', ' ', '=', ' ', '1',
        0x02, 0x41};
    EXPECT_EQ(RowBytes(self->store, 0), golden);
    EXPECT_EQ(cursorEOFGetter(source), 1) << "the source is read to its end";
    EXPECT_NE(AsRecordSet(source)->cursorHandle, nullptr) << "and left open";
  }
  EXPECT_EQ(live.Added(), 0);
}

TEST(ScrollableCursor, RowsAreServedByNumberFromOne) {
  dbtest::LiveObjects live;
  {
    Held db(TestEnginePlugin::Open("sql"));
    Held source(databaseSQLSelect(db, S("select * from codes")));
    for (int i = 0; i < 28; ++i) cursorMoveNext(source);
    Held cursor(NewScrollable(source));
    EXPECT_EQ(scrollableCursorGetCount(cursor), 4);
    EXPECT_EQ(scrollableCursorGetRow(cursor, 0), nullptr);
    EXPECT_EQ(scrollableCursorGetRow(cursor, 5), nullptr);
    Held first(scrollableCursorGetRow(cursor, 1));
    EXPECT_EQ(getDatabaseRecordFieldCount(first), 2);
    EXPECT_EQ(Column(first, 1), "28") << "first column first";
    EXPECT_EQ(Column(first, 2), "1e3");
    Held second(scrollableCursorGetRow(cursor, 2));
    EXPECT_EQ(getDatabaseRecordIndString(second, 2), nullptr) << "no value reads as empty";
    Held last(scrollableCursorGetRow(cursor, 4));
    EXPECT_EQ(Column(last, 2), "-922337203685477.5808");
    auto* self = reinterpret_cast<ScrollableCursorObject*>(cursor.get());
    EXPECT_STREQ(stringStorage::CString(self->firstKeyName->name), "codes!value");
    EXPECT_EQ(self->firstKeyName, self->lastKeyName) << "one name, met on every row";

    Held empty(databaseSQLSelect(db, S("select * from empty")));
    Held none(NewScrollable(empty));
    EXPECT_EQ(scrollableCursorGetCount(none), 0);
    EXPECT_EQ(scrollableCursorGetRow(none, 1), nullptr);
  }
  EXPECT_EQ(live.Added(), 0);
}

TEST(RowStore, RowsPastFourGibibytesOfDataReadBack) {
  RowStore* store = RowStoreCreate();
  ASSERT_NE(store, nullptr);
  constexpr uint64_t kStart = (uint64_t{1} << 32) + 12345;
  ASSERT_TRUE(store->data->SetLength(kStart)) << "the data file grows sparse";
  for (int32_t i = 0; i < 3; ++i) {
    DataFile* file = RowStoreAppendRow(store);
    ASSERT_NE(file, nullptr);
    const std::string text = "row " + std::to_string(i);
    ASSERT_TRUE(file->Write(text.data(), int32_t(text.size())));
  }
  EXPECT_EQ(RowStoreCount(store), 3);
  EXPECT_EQ(RowStoreRowOffset(store, 0), kStart);
  EXPECT_EQ(RowStoreRowOffset(store, 2), kStart + 10);
  for (int32_t i = 2; i >= 0; --i) {
    DataFile* file = RowStoreSeekRow(store, i);
    ASSERT_NE(file, nullptr);
    char text[5] = {};
    int32_t got = 0;
    ASSERT_TRUE(file->Read(text, 5, &got));
    EXPECT_EQ(std::string(text, 5), "row " + std::to_string(i));
  }
  EXPECT_EQ(RowStoreSeekRow(store, 3), nullptr);
  EXPECT_EQ(RowStoreSeekRow(store, -1), nullptr);
  EXPECT_EQ(RowStoreRowOffset(store, 3), 0u);
  RowStoreDestroy(store);
  EXPECT_EQ(RowStoreCount(nullptr), 0);
  EXPECT_EQ(RowStoreAppendRow(nullptr), nullptr);
}

// Whole rows and rows the caller writes itself, interleaved, read back whole in order, out of
// order and through SeekRow: the positions the store remembers never go stale.
TEST(RowStore, WholeRowsAndCallerWrittenRowsReadBackInAnyOrder) {
  RowStore* store = RowStoreCreate();
  ASSERT_NE(store, nullptr);
  std::vector<std::string> rows;
  for (int32_t i = 0; i < 3000; ++i) {
    const std::string row = std::to_string(i) + std::string(size_t(i % 37), char('a' + i % 26));
    if (i % 5 == 4) {
      DataFile* file = RowStoreAppendRow(store);
      ASSERT_NE(file, nullptr);
      ASSERT_TRUE(file->Write(row.data(), int32_t(row.size())));
    } else {
      ASSERT_TRUE(RowStoreAppendBytes(store, row.data(), uint32_t(row.size())));
    }
    rows.push_back(row);
    if (i % 1000 == 999) {  // reading between appends
      std::vector<uint8_t> bytes;
      ASSERT_TRUE(RowStoreReadRow(store, i / 2, &bytes));
      EXPECT_EQ(std::string(bytes.begin(), bytes.end()), rows[size_t(i / 2)]);
    }
  }
  ASSERT_TRUE(RowStoreAppendBytes(store, "", 0)) << "an empty row";
  rows.emplace_back();
  const int32_t count = int32_t(rows.size());
  EXPECT_EQ(RowStoreCount(store), count);
  std::vector<uint8_t> bytes;
  for (int32_t i = 0; i < count; ++i) {
    ASSERT_TRUE(RowStoreReadRow(store, i, &bytes)) << i;
    ASSERT_EQ(std::string(bytes.begin(), bytes.end()), rows[size_t(i)]) << i;
  }
  for (int32_t i = count - 1; i >= 0; i -= 7) {
    ASSERT_TRUE(RowStoreReadRow(store, i, &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), rows[size_t(i)]) << i;
    EXPECT_EQ(RowBytes(store, i), std::vector<uint8_t>(rows[size_t(i)].begin(),
                                                       rows[size_t(i)].end()));
  }
  EXPECT_FALSE(RowStoreReadRow(store, count, &bytes));
  EXPECT_FALSE(RowStoreReadRow(store, -1, &bytes));
  EXPECT_FALSE(RowStoreReadRow(nullptr, 0, &bytes));
  EXPECT_FALSE(RowStoreAppendBytes(nullptr, "x", 1));
  DataFile* file = RowStoreAppendRow(store);  // appending again after all that reading
  ASSERT_TRUE(file && file->Write("tail", 4));
  ASSERT_TRUE(RowStoreAppendBytes(store, "end", 3));
  ASSERT_TRUE(RowStoreReadRow(store, count, &bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "tail");
  ASSERT_TRUE(RowStoreReadRow(store, count + 1, &bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "end");
  RowStoreDestroy(store);
}

// The NextObject handler: a new DatabaseRecord for each of the first gAvailable calls, then nil.
int32_t gRaised = 0;
int32_t gAvailable = 0;
RuntimeObject* NextObjectHandler(RuntimeObject*) {
  ++gRaised;
  return gRaised <= gAvailable ? NewDatabaseRecord() : nullptr;
}

RuntimeObject* NewObjectCursor(int32_t available) {
  gRaised = 0;
  gAvailable = available;
  RuntimeObject* cursor = NewObjectFromDefinition(ObjectCursorClassDefinition());
  RuntimeInstallInstanceEventHandler(cursor, S("NextObject"),
                                     reinterpret_cast<void*>(&NextObjectHandler));
  return cursor;
}

TEST(ObjectCursor, ObjectsArePulledOnceEachAndTheEndIsFinal) {
  dbtest::LiveObjects live;
  {
    Held cursor(NewObjectCursor(5));
    EXPECT_EQ(objectCursorGetItem(cursor, 0), nullptr);
    Held third(objectCursorGetItem(cursor, 3));
    EXPECT_NE(third.get(), nullptr);
    EXPECT_EQ(gRaised, 3);
    Held second(objectCursorGetItem(cursor, 2));
    EXPECT_EQ(gRaised, 3) << "an object seen before is not asked for again";
    EXPECT_EQ(objectCursorCountGetter(cursor), 5);
    EXPECT_EQ(gRaised, 6) << "one more answer, nil, ends it";
    EXPECT_EQ(objectCursorNextObject(cursor), nullptr);
    EXPECT_EQ(objectCursorGetItem(cursor, 6), nullptr);
    EXPECT_EQ(gRaised, 6);
    Held again(objectCursorGetItem(cursor, 3));
    EXPECT_EQ(again.get(), third.get());
  }
  {
    Held none(NewObjectCursor(0));
    EXPECT_EQ(objectCursorCountGetter(none), 0);
    EXPECT_EQ(objectCursorNextObject(none), nullptr);
    EXPECT_EQ(gRaised, 1);
    Held unhandled(NewObjectFromDefinition(ObjectCursorClassDefinition()));
    EXPECT_EQ(objectCursorGetItem(unhandled, 1), nullptr);
  }
  EXPECT_EQ(live.Added(), 0) << "the cursor released every object it kept";
}

}  // namespace
