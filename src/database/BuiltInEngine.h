// The built-in database engine ("quordb"): one database file under a page store, an in-memory
// copy of its catalogue ("sys$tables" and "sys$fields"), rows encoded from typed values, large
// values kept in "sys$blob", and the row cursors behind RecordSets. The engine has no SQL
// entries of its own: the SQL front end parses statements and calls the table entries.
//
// What the engine promises:
//   - every failure leaves a code and a message on the handle: 2000-2006 for what the caller
//     asked (a table that exists, a type no row can hold, a value that would be stored wrong, a
//     key that is taken, a row too long), 2009 for the storage (I/O error, damage, read-only,
//     in use), the storage layer's message with it;
//   - a statement refused by its checks writes nothing; one that fails after writing leaves
//     what it wrote to the transaction, for Rollback to undo;
//   - the catalogue in memory is the one on disk: Rollback reloads it;
//   - nothing read from the file is trusted: a damaged large value (a piece list that names
//     itself or an earlier one) is 2009, never a loop;
//   - cursors still open when the database closes are cut off from it and answer nothing;
//   - closing commits, and a commit that fails there leaves its error to be read.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/ObjectDefinition.h"
#include "database/DatabaseEngine.h"
#include "database/PageStore.h"
#include "database/TableCursor.h"
#include "strings/RuntimeString.h"

// Engine error codes.
constexpr int32_t kDbErrorTableExists = 2000;
constexpr int32_t kDbErrorInternal = 2001;
constexpr int32_t kDbErrorBadType = 2002;
constexpr int32_t kDbErrorBadValue = 2003;
constexpr int32_t kDbErrorLargeValue = 2004;
constexpr int32_t kDbErrorDuplicateKey = 2005;
constexpr int32_t kDbErrorTooLong = 2006;
constexpr int32_t kDbErrorStorage = 2009;

struct BuiltInColumn {
  uint16_t ordinal = 0;
  std::string name;
  bool nullAllowed = true;
  uint8_t type = 0;
  uint8_t keyPosition = 0;  // 1-based position in the primary key; 0 when not in it
};

// A table of the catalogue: columns in the order "sys$fields" lists them (collated names).
struct BuiltInTable {
  std::string name;
  uint32_t id = 0;
  std::vector<BuiltInColumn> columns;
  std::vector<uint8_t> keyColumns;  // ordinals, key position 1 first

  std::string Storage() const { return std::to_string(id); }
  const BuiltInColumn* Find(const std::string& column) const;
  const BuiltInColumn* FindOrdinal(uint32_t ordinal) const;
};
using TableRef = std::shared_ptr<const BuiltInTable>;

class BuiltInRowCursor;

class BuiltInDatabase {
 public:
  explicit BuiltInDatabase(std::unique_ptr<PageStore> store) : mStore(std::move(store)) {}
  // Finish, when it has not run.
  ~BuiltInDatabase();
  // Ends the database's work as closing does: its cursors cut off, the open transaction
  // committed, the file closed; the error tells when the commit failed (the file then opens at
  // the last commit). Nothing more may be asked of the database afterwards.
  void Finish();

  PageStore& Store() { return *mStore; }

  // The error state. Clear forgets the store's last error too, so that Storage tells what the
  // operation at hand met.
  void Clear();
  void Fail(int32_t code, const std::string& message);
  // When the store has an error: 2009 naming it (unless an error is set already); true then.
  bool StorageFailed();
  int32_t ErrorCode() const { return mErrorCode; }
  const std::string& ErrorMessage() const { return mErrorMessage; }

  // Reads the catalogue from the file; false, keeping the tables known before, when it cannot.
  bool LoadCatalogue();
  // The table of that name (case ignored), or nil.
  TableRef FindTable(const string& name) const;
  const std::vector<TableRef>& Tables() const { return mTables; }
  // Rebuilds one table's entry from "sys$fields" (a column was added).
  bool ReloadTable(uint32_t id);
  // Moves whenever the catalogue in memory is loaded or changed: what a cursor resolved
  // against an older one may no longer hold.
  uint64_t CatalogueVersion() const { return mCatalogueVersion; }

  void CreateTable(const string& name, const struct SQLColumnDefinition* columns,
                   const uint8_t* keyPositions, int32_t keyCount);
  void AddColumn(const string& table, const struct SQLColumnDefinition* column);
  void InsertRecord(const string& table, const DatabaseRecordColumn* first);
  void Commit();
  void Rollback();

  void Attach(BuiltInRowCursor* cursor) { mCursors.insert(cursor); }
  void Detach(BuiltInRowCursor* cursor) { mCursors.erase(cursor); }

 private:
  bool ReadCatalogue(std::vector<TableRef>* tables);
  bool LoadTable(uint32_t id, const std::string& name, TableRef* entry);

  std::unique_ptr<PageStore> mStore;
  std::vector<TableRef> mTables;
  uint64_t mCatalogueVersion = 0;
  int32_t mErrorCode = 0;
  std::string mErrorMessage;
  std::set<BuiltInRowCursor*> mCursors;
  bool mFinished = false;
};

// ---- Rows (BuiltInRows.cpp) ----

// One column value of a row being built: the value bytes as the file holds them.
struct EncodedValue {
  uint8_t column = 0;
  uint8_t type = 0;
  std::vector<uint8_t> bytes;
  std::string large;  // types 15 and 16: the bytes to store as a large value
  bool largePending = false;
  bool stored = false;  // stored by StoreLargeValues for this row
};

// The value of text for a column of type; 0, or the error code with *message set. Types 15
// and 16 keep the text to be stored (StoreLargeValues) and leave a zero id.
int32_t ConvertColumnText(uint8_t type, const string& text, EncodedValue* value,
                          std::string* message);
// The key of an integer column (type 2 or 3) equal to the literal: when the literal is a whole
// number that the column stores as exactly that number (as ConvertColumnText converts it),
// its key bytes are appended to key; false otherwise.
bool ExactIntegerKey(uint8_t type, std::string_view literal, std::vector<uint8_t>* key);
// The same for a whole number: false when the column's type cannot hold it.
bool IntegerKey(uint8_t type, int64_t number, std::vector<uint8_t>* key);
// A row record of the values in order: length, status 0, stamp 0, the row id.
std::vector<uint8_t> EncodeRow(const std::vector<EncodedValue>& values, uint32_t rowId);
void EncodeRow(const std::vector<EncodedValue>& values, uint32_t rowId,
               std::vector<uint8_t>* row);
uint64_t EncodedRowLength(const std::vector<EncodedValue>& values);

// Stores the pending large values of a row (their ids into the value bytes); false, with the
// engine's error set (2004, or 2009), when one fails: what the row stored is removed again.
bool StoreLargeValues(BuiltInDatabase& db, std::vector<EncodedValue>& values);
// Removes the large values of a row that was not written after all.
void DeleteStoredLargeValues(BuiltInDatabase& db, const std::vector<EncodedValue>& values);
// A large value: its id, or 0 with the error set.
uint32_t StoreLargeValue(BuiltInDatabase& db, const uint8_t* bytes, uint32_t length);
// Reads the value of id into *out; false (2009 set for damage) when it cannot.
bool ReadLargeValue(BuiltInDatabase& db, uint32_t id, std::vector<uint8_t>* out);
bool DeleteLargeValue(BuiltInDatabase& db, uint32_t id);

// Inserts a row into the table's storage: 2005 when refuseDuplicates and the key is taken,
// 2006 when the row (or its key) is too long, 2009 for the storage. Nothing is written on
// refusal.
bool InsertTableRow(BuiltInDatabase& db, const std::string& storage,
                    const std::vector<uint8_t>& keyColumns, std::vector<uint8_t>& row,
                    bool refuseDuplicates);
// Checks the row's length and its key's (2006); the key into *key.
bool CheckRowFits(BuiltInDatabase& db, TableCursor& cursor, const std::vector<uint8_t>& row,
                  std::vector<uint8_t>* key);
// Checks the row's length and key (2006) and whether the key is taken (2005) without writing.
bool CheckTableRow(BuiltInDatabase& db, TableCursor& cursor, const std::vector<uint8_t>& row,
                   bool refuseDuplicates, bool* exact);

// The key bytes of one present value (0x01 and the value's key) appended to key; false when
// the type has none.
bool AppendKeyOfValue(std::vector<uint8_t>* key, uint8_t type, const uint8_t* value,
                      uint32_t size);

// ---- Row cursors (BuiltInRowCursor.cpp) ----

RuntimeObject* OpenBuiltInTable(BuiltInDatabase& db, stringStorage* table,
                                ResultColumnNode* columns, void* conditions);
RuntimeObject* OpenTableSchemaCursor(BuiltInDatabase& db);
RuntimeObject* OpenFieldSchemaCursor(BuiltInDatabase& db, stringStorage* table);
// Cuts a cursor off its database (the database is closing).
void DetachRowCursor(BuiltInRowCursor* cursor);
// Tests turn the seek of dbOpenTable off to see that seek and scan agree.
void SetBuiltInSeekEnabled(bool enabled);

// ---- The engine (BuiltInCatalogue.cpp) and its class (QUORDatabaseClass.cpp) ----

const QUORdbEngineDefinition* BuiltInEngineDefinition();
// A new database file at path, or an existing one opened; nullptr with *error saying why.
BuiltInDatabase* CreateBuiltInDatabase(const string& path, std::string* error);
BuiltInDatabase* OpenBuiltInDatabase(const string& path, std::string* error);
ObjectDefinition* QUORDatabaseOldFormatClassDefinition();
