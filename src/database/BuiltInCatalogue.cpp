// The built-in engine's catalogue and its entry table: the handle's error state, loading the
// tables and their columns from "sys$tables" and "sys$fields", creating tables, adding
// columns, inserting records given as column names and texts, commit and rollback.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/ByteUtilities.h"
#include "database/BuiltInEngine.h"
#include "database/SQLStatements.h"
#include "database/TableDirectory.h"

namespace {

const uint8_t kTablesKey[] = {1};
const uint8_t kFieldsKey[] = {0, 2};

bool IsSupportedType(int32_t type) {
  switch (type) {
    case kDbSmallInt: case kDbInteger: case kDbVarChar: case kDbFloat: case kDbDouble:
    case kDbDate: case kDbTime: case kDbBoolean: case kDbBytes: case kDbLongText:
    case kDbLongBytes:
      return true;
    default:
      return false;
  }
}

std::string StdText(const string& s) { return std::string(s.CString(), size_t(s.Length())); }

bool SameName(const std::string& a, const std::string& b) {
  return ustrcmpi(a.data(), int32_t(a.size()), b.data(), int32_t(b.size())) == 0;
}

const char* StorageProblem(StorageErrorCode code) {
  switch (code) {
    case StorageErrorCode::kIO: return "I/O error on the database file";
    case StorageErrorCode::kNotDatabase: return "The file is not a database";
    case StorageErrorCode::kLocked: return "The database file is in use";
    case StorageErrorCode::kReadOnly: return "The database file is read-only";
    case StorageErrorCode::kRecordTooLong: return "Insert failed: data too long";
    default: return "The database file is damaged";
  }
}

EncodedValue Integer(uint8_t column, uint8_t type, int32_t value) {
  EncodedValue v;
  v.column = column;
  v.type = type;
  if (type == kDbSmallInt) {
    v.bytes = {uint8_t(value >> 8), uint8_t(value)};
  } else {
    v.bytes.resize(4);
    StoreBigEndian32(v.bytes.data(), uint32_t(value));
  }
  return v;
}

EncodedValue Text(uint8_t column, const std::string& text) {
  EncodedValue v;
  v.column = column;
  v.type = kDbVarChar;
  v.bytes.resize(4);
  StoreBigEndian32(v.bytes.data(), uint32_t(text.size()));
  v.bytes.insert(v.bytes.end(), text.begin(), text.end());
  return v;
}

int32_t IntegerOf(const DbColumnValue& v) {
  if (v.type == kDbSmallInt) return int16_t(LoadBigEndian16(v.value));
  if (v.type == kDbInteger) return int32_t(LoadBigEndian32(v.value));
  return 0;
}

std::string TextOf(const DbColumnValue& v) {
  if (v.type != kDbVarChar) return std::string();
  return std::string(reinterpret_cast<const char*>(v.value) + 4, v.size - 4);
}

// The key prefix of a table id in "sys$fields" (its first key column).
std::vector<uint8_t> TableIdPrefix(uint32_t id) {
  uint8_t value[4];
  StoreBigEndian32(value, id);
  std::vector<uint8_t> prefix;
  AppendKeyOfValue(&prefix, kDbInteger, value, 4);
  return prefix;
}

bool InsertCatalogueRow(BuiltInDatabase& db, const char* storage, const uint8_t* keys,
                        uint32_t keyCount, const std::vector<EncodedValue>& values) {
  std::vector<uint8_t> row = EncodeRow(values, db.Store().NextRecordId());
  return InsertTableRow(db, storage, std::vector<uint8_t>(keys, keys + keyCount), row, true);
}

// The columns of a new table, checked before anything is made; false with the error set.
bool CheckDefinitions(BuiltInDatabase& db, const string& table, const SQLColumnDefinition* first,
                      const uint8_t* keyPositions, int32_t keyCount,
                      std::vector<const SQLColumnDefinition*>* columns) {
  const std::string name = StdText(table);
  for (const SQLColumnDefinition* c = first; c; c = c->next) {
    if (!IsSupportedType(c->fieldType)) {
      db.Fail(kDbErrorBadType,
              "Unable to create " + name + " because an unsupported column type was used");
      return false;
    }
    for (const SQLColumnDefinition* other : *columns) {
      if (SameName(StdText(string(other->name)), StdText(string(c->name)))) {
        db.Fail(kDbErrorInternal, "Unable to create " + name + " because column " +
                                      StdText(string(c->name)) + " appears twice");
        return false;
      }
    }
    columns->push_back(c);
    if (columns->size() > 256) break;
  }
  bool keyBad = columns->empty() || columns->size() > 256 || keyCount < 0 || keyCount > 255;
  for (int32_t i = 0; !keyBad && i < keyCount; ++i) {
    keyBad = keyPositions[i] >= columns->size();
    for (int32_t j = 0; j < i; ++j) keyBad = keyBad || keyPositions[j] == keyPositions[i];
  }
  if (keyBad) db.Fail(kDbErrorInternal, "Unable to create " + name + " due to an internal error");
  return !keyBad;
}

}  // namespace

// ---- tables ----

const BuiltInColumn* BuiltInTable::Find(const std::string& column) const {
  for (const BuiltInColumn& c : columns)
    if (SameName(c.name, column)) return &c;
  return nullptr;
}

const BuiltInColumn* BuiltInTable::FindOrdinal(uint32_t ordinal) const {
  for (const BuiltInColumn& c : columns)
    if (c.ordinal == ordinal) return &c;
  return nullptr;
}

// ---- the handle ----

BuiltInDatabase::~BuiltInDatabase() { Finish(); }

void BuiltInDatabase::Finish() {
  while (!mCursors.empty()) DetachRowCursor(*mCursors.begin());
  if (!mStore || mFinished) return;
  mFinished = true;
  Clear();
  if (!mStore->Close()) StorageFailed();
}

void BuiltInDatabase::Clear() {
  mErrorCode = 0;
  mErrorMessage.clear();
  mStore->Error().Clear();
}

void BuiltInDatabase::Fail(int32_t code, const std::string& message) {
  mErrorCode = code;
  mErrorMessage = message;
}

bool BuiltInDatabase::StorageFailed() {
  const StorageError& error = mStore->LastError();
  if (!error) return false;
  if (mErrorCode == 0) {
    if (error.code == StorageErrorCode::kDuplicateKey)
      Fail(kDbErrorDuplicateKey, "Insert failed: primary key violation");
    else if (error.code == StorageErrorCode::kRecordTooLong)
      Fail(kDbErrorTooLong, "Insert failed: data too long");
    else
      Fail(kDbErrorStorage, std::string(StorageProblem(error.code)) + ": " + error.message);
  }
  return true;
}

TableRef BuiltInDatabase::FindTable(const string& name) const {
  for (const TableRef& table : mTables)
    if (string(table->name.c_str()).Compare(name) == 0) return table;
  return nullptr;
}

bool BuiltInDatabase::LoadTable(uint32_t id, const std::string& name, TableRef* entry) {
  const std::vector<uint8_t> prefix = TableIdPrefix(id);
  std::unique_ptr<TableCursor> fields =
      OpenTableCursor(*mStore, string(kDbFieldsStorage), prefix.data(), uint32_t(prefix.size()),
                      kFieldsKey, 2);
  if (!fields) return false;
  auto table = std::make_shared<BuiltInTable>();
  table->name = name;
  table->id = id;
  uint8_t keyMap[256] = {};
  uint32_t keyCount = 0;
  while (fields->NextMatching()) {
    uint32_t length = 0;
    const uint8_t* record = fields->CurrentRecord(&length);
    DbColumnValue v[6] = {};
    for (uint8_t c = 1; c <= 5; ++c) {
      DbColumnValue found;
      if (FindRowColumn(record, length, c, &found)) v[c] = found;
    }
    BuiltInColumn column;
    const int32_t ordinal = IntegerOf(v[1]), type = IntegerOf(v[4]), position = IntegerOf(v[5]);
    if (ordinal < 0 || ordinal > 255 || !IsSupportedType(type) || position < 0 || position > 255)
      return false;
    column.ordinal = uint16_t(ordinal);
    column.name = TextOf(v[2]);
    column.nullAllowed = v[3].type != 0 && IntegerOf(v[3]) != 0;
    column.type = uint8_t(type);
    column.keyPosition = uint8_t(position);
    if (position > 0) {
      keyMap[position - 1] = uint8_t(ordinal);
      keyCount = std::max(keyCount, uint32_t(position));
    }
    table->columns.push_back(std::move(column));
  }
  if (mStore->LastError()) return false;
  table->keyColumns.assign(keyMap, keyMap + keyCount);
  *entry = table;
  return true;
}

// An error the store met before (a commit that found no room) is not the load's: it is set
// aside while the catalogue is read, and back afterwards. A load that fails keeps the tables
// known before; the store's error then tells why.
bool BuiltInDatabase::LoadCatalogue() {
  ++mCatalogueVersion;
  const StorageError earlier = mStore->LastError();
  mStore->Error().Clear();
  std::vector<TableRef> tables;
  if (!ReadCatalogue(&tables) || mStore->LastError()) {
    if (!mStore->LastError()) mStore->Error() = earlier;
    return false;
  }
  mStore->Error() = earlier;
  mTables.swap(tables);
  return true;
}

bool BuiltInDatabase::ReadCatalogue(std::vector<TableRef>* tables) {
  std::unique_ptr<TableCursor> cursor =
      OpenTableCursor(*mStore, string(kDbTablesStorage), nullptr, 0, kTablesKey, 1);
  if (!cursor) return false;
  std::vector<std::pair<uint32_t, std::string>> found;
  while (cursor->NextMatching()) {
    uint32_t length = 0;
    const uint8_t* record = cursor->CurrentRecord(&length);
    DbColumnValue id = {}, name = {};
    if (!FindRowColumn(record, length, 0, &id) || !FindRowColumn(record, length, 1, &name))
      return false;
    found.emplace_back(uint32_t(IntegerOf(id)), TextOf(name));
  }
  if (mStore->LastError()) return false;
  for (const auto& [id, name] : found) {
    TableRef entry;
    if (!LoadTable(id, name, &entry)) return false;
    tables->insert(tables->begin(), entry);
  }
  return true;
}

bool BuiltInDatabase::ReloadTable(uint32_t id) {
  for (TableRef& table : mTables) {
    if (table->id != id) continue;
    TableRef fresh;
    if (!LoadTable(id, table->name, &fresh)) return false;
    ++mCatalogueVersion;
    table = fresh;
    return true;
  }
  return false;
}

// ---- operations ----

void BuiltInDatabase::CreateTable(const string& table, const SQLColumnDefinition* first,
                                  const uint8_t* keyPositions, int32_t keyCount) {
  Clear();
  const std::string name = StdText(table);
  if (FindTable(table)) {
    Fail(kDbErrorTableExists, "Unable to create " + name + " because it already exists");
    return;
  }
  std::vector<const SQLColumnDefinition*> columns;
  if (!CheckDefinitions(*this, table, first, keyPositions, keyCount, &columns)) return;
  const uint32_t id = mStore->NextRecordId();
  if (!CreateTableStorage(*mStore, string(std::to_string(id).c_str()))) {
    Fail(kDbErrorInternal, "Unable to create " + name + " due to an internal error");
    StorageFailed();
    return;
  }
  bool written = InsertCatalogueRow(*this, kDbTablesStorage, kTablesKey, 1,
                                    {Integer(0, kDbInteger, int32_t(id)), Text(1, name)});
  for (size_t i = 0; written && i < columns.size(); ++i) {
    std::vector<EncodedValue> row = {
        Integer(0, kDbInteger, int32_t(id)), Integer(1, kDbInteger, int32_t(i)),
        Text(2, StdText(string(columns[i]->name))),
        Integer(3, kDbSmallInt, columns[i]->nullAllowed ? 1 : 0),
        Integer(4, kDbSmallInt, columns[i]->fieldType)};
    for (int32_t p = keyCount - 1; p >= 0; --p) {
      if (keyPositions[p] != i) continue;
      row.push_back(Integer(5, kDbSmallInt, p + 1));
      break;
    }
    written = InsertCatalogueRow(*this, kDbFieldsStorage, kFieldsKey, 2, row);
  }
  // The catalogue in memory follows the file, a half-made table included (until Rollback).
  const int32_t code = mErrorCode;
  const std::string message = mErrorMessage;
  if (!LoadCatalogue() && !code) StorageFailed();
  if (code) Fail(code, message);
}

void BuiltInDatabase::AddColumn(const string& table, const SQLColumnDefinition* column) {
  Clear();
  const TableRef entry = FindTable(table);
  const std::string columnName = column ? StdText(string(column->name)) : std::string();
  if (!entry || !column) {
    Fail(kDbErrorBadValue, "Unable to add column " + columnName + " because table '" +
                               StdText(table) + "' doesn't exist");
    return;
  }
  uint32_t ordinal = 0;
  while (entry->FindOrdinal(ordinal)) ++ordinal;
  if (!IsSupportedType(column->fieldType)) {
    Fail(kDbErrorBadType, "Unable to add " + columnName + " because an unsupported  type was used");
    return;
  }
  if (entry->Find(columnName)) {
    Fail(kDbErrorBadValue, "Unable to add column " + columnName + " because table '" +
                               entry->name + "' has it already");
    return;
  }
  if (ordinal > 255) {
    Fail(kDbErrorInternal, "Unable to add " + columnName + " due to an internal error");
    return;
  }
  const bool written = InsertCatalogueRow(
      *this, kDbFieldsStorage, kFieldsKey, 2,
      {Integer(0, kDbInteger, int32_t(entry->id)), Integer(1, kDbInteger, int32_t(ordinal)),
       Text(2, columnName), Integer(3, kDbSmallInt, column->nullAllowed ? 1 : 0),
       Integer(4, kDbSmallInt, column->fieldType)});
  if (!ReloadTable(entry->id) && written) StorageFailed();
}

void BuiltInDatabase::InsertRecord(const string& tableName, const DatabaseRecordColumn* first) {
  Clear();
  const TableRef table = FindTable(tableName);
  if (!table) return Fail(kDbErrorBadValue, "Unknown table " + StdText(tableName));
  std::vector<EncodedValue> values;
  std::vector<const BuiltInColumn*> given;
  values.reserve(table->columns.size());
  given.reserve(table->columns.size());
  std::string unknown;
  for (const DatabaseRecordColumn* c = first; c; c = c->next) {
    const BuiltInColumn* column = table->Find(StdText(string(c->name)));
    if (!column && unknown.empty()) unknown = StdText(string(c->name));
    if (column && std::find(given.begin(), given.end(), column) == given.end())
      given.push_back(column);
  }
  for (const BuiltInColumn& column : table->columns) {
    if (!column.nullAllowed && std::find(given.begin(), given.end(), &column) == given.end())
      return Fail(kDbErrorBadValue, "NotNull column violation");
  }
  if (!unknown.empty()) return Fail(kDbErrorBadValue, "Unknown column " + unknown);
  std::vector<const BuiltInColumn*> done;
  done.reserve(given.size());
  for (const DatabaseRecordColumn* c = first; c; c = c->next) {
    const BuiltInColumn* column = table->Find(StdText(string(c->name)));
    if (std::find(done.begin(), done.end(), column) != done.end()) continue;
    done.push_back(column);
    EncodedValue value;
    value.column = uint8_t(column->ordinal);
    std::string message;
    if (const int32_t code = ConvertColumnText(column->type, string(c->value), &value, &message))
      return Fail(code, message);
    values.push_back(std::move(value));
  }
  std::unique_ptr<TableCursor> cursor =
      OpenTableCursor(*mStore, string(table->Storage().c_str()), nullptr, 0,
                      table->keyColumns.data(), uint32_t(table->keyColumns.size()));
  if (!cursor) {
    if (!StorageFailed()) Fail(kDbErrorStorage, "The database file is damaged: " + table->name +
                                                    " has no storage");
    return;
  }
  const bool keyed = !table->keyColumns.empty();
  bool largeKey = false;
  for (uint8_t k : table->keyColumns) {
    const uint8_t type = table->FindOrdinal(k) ? table->FindOrdinal(k)->type : 0;
    largeKey = largeKey || type == kDbLongText || type == kDbLongBytes;
  }
  bool exact = false;
  bool large = false;
  for (const EncodedValue& v : values) large = large || v.largePending;
  // Every check before the first write: a refused row changes nothing. Only large values
  // are written before the row, so only then does the row need checking twice.
  if (large) {
    if (!CheckTableRow(*this, *cursor, EncodeRow(values, 0), keyed && !largeKey, &exact)) return;
    if (!StoreLargeValues(*this, values)) return;
  }
  std::vector<uint8_t> row = EncodeRow(values, mStore->NextRecordId());
  if (!CheckTableRow(*this, *cursor, row, keyed, &exact) ||
      !cursor->Insert(row.data(), uint32_t(row.size())) || !cursor->Close()) {
    StorageFailed();
    const int32_t code = mErrorCode;
    const std::string message = mErrorMessage;
    DeleteStoredLargeValues(*this, values);
    Fail(code, message);
  }
}

void BuiltInDatabase::Commit() {
  Clear();
  if (!mStore->Commit()) StorageFailed();
}

// The catalogue follows the pages, which are rolled back in the cache even when writing them
// failed (the transaction then stays open, and its end waits for the next commit or rollback).
void BuiltInDatabase::Rollback() {
  Clear();
  const bool rolledBack = mStore->Rollback();
  if (!LoadCatalogue() || !rolledBack) StorageFailed();
}

// ---- the entry table ----

namespace {

BuiltInDatabase* Handle(dbDatabase db) { return static_cast<BuiltInDatabase*>(db); }

void EngineClose(dbDatabase db) { delete Handle(db); }
void EngineFinish(dbDatabase db) { Handle(db)->Finish(); }
RuntimeObject* EngineTableSchema(dbDatabase db) { return OpenTableSchemaCursor(*Handle(db)); }
RuntimeObject* EngineFieldSchema(dbDatabase db, stringStorage* table) {
  return OpenFieldSchemaCursor(*Handle(db), table);
}
void EngineCreateTable(dbDatabase db, stringStorage* table, void* columns,
                       const uint8_t* keyPositions, int32_t keyCount) {
  Handle(db)->CreateTable(string(table), static_cast<const SQLColumnDefinition*>(columns),
                          keyPositions, keyCount);
}
void EngineInsertRow(dbDatabase db, stringStorage* table, DatabaseRecordColumn* first) {
  Handle(db)->InsertRecord(string(table), first);
}
RuntimeObject* EngineOpenTable(dbDatabase db, stringStorage* table, ResultColumnNode* columns,
                               void* conditions) {
  return OpenBuiltInTable(*Handle(db), table, columns, conditions);
}
void EngineAddColumn(dbDatabase db, stringStorage* table, void* column) {
  Handle(db)->AddColumn(string(table), static_cast<const SQLColumnDefinition*>(column));
}
int32_t EngineErrorCode(dbDatabase db) { return db ? Handle(db)->ErrorCode() : -1; }
stringStorage* EngineErrorText(dbDatabase db) {
  if (!db || Handle(db)->ErrorCode() == 0) return nullptr;
  const std::string& message = Handle(db)->ErrorMessage();
  return string::FromBytes(message.data(), int64_t(message.size()), kEncodingUTF8)
      .ExtractStringStorage();
}
void EngineCommit(dbDatabase db) { Handle(db)->Commit(); }
void EngineRollback(dbDatabase db) { Handle(db)->Rollback(); }

// Creating makes the catalogue's three tables and commits them, so that a new file opens.
BuiltInDatabase* Made(std::unique_ptr<PageStore> store, bool create, std::string* error) {
  auto db = std::make_unique<BuiltInDatabase>(std::move(store));
  bool ready = true;
  if (create) {
    for (const char* name : {kDbTablesStorage, kDbFieldsStorage, kDbBlobStorage})
      ready = ready && CreateTableStorage(db->Store(), string(name));
    ready = ready && db->Store().Commit();
  }
  ready = ready && db->LoadCatalogue();
  if (ready) return db.release();
  const StorageError& e = db->Store().LastError();
  *error = e ? std::string(StorageProblem(e.code)) + ": " + e.message
             : "The database file is damaged: its catalogue cannot be read";
  if (create) db->Store().Abandon();  // a file that is no database is not left behind
  return nullptr;
}

}  // namespace

const QUORdbEngineDefinition* BuiltInEngineDefinition() {
  static FrameworkEngineDefinition definition = [] {
    FrameworkEngineDefinition f{};
    QUORdbEngineDefinition& d = f.table;
    d.version = kDatabaseTableVersion;
    d.dbClose = EngineClose;
    d.dbTableSchema = EngineTableSchema;
    d.dbFieldSchema = EngineFieldSchema;
    d.dbCreateTable = EngineCreateTable;
    d.dbInsertRow = EngineInsertRow;
    d.dbOpenTable = EngineOpenTable;
    d.dbAddColumn = EngineAddColumn;
    d.dbErrorCode = EngineErrorCode;
    d.dbErrorText = EngineErrorText;
    d.dbCommit = EngineCommit;
    d.dbRollback = EngineRollback;
    f.dbFinish = EngineFinish;
    MarkFrameworkEngineDefinition(&f);
    return f;
  }();
  return &definition.table;
}

// Why a file did not open, as the person who named it would put it.
static std::string OpenProblem(const StorageError& e) {
  if (e.code == StorageErrorCode::kIO && e.hostError == ENOENT)
    return "The database file does not exist: " + e.message;
  if (e.code == StorageErrorCode::kIO && (e.hostError == EACCES || e.hostError == EPERM))
    return "No permission to open the database file: " + e.message;
  return std::string(StorageProblem(e.code)) + ": " + e.message;
}

BuiltInDatabase* CreateBuiltInDatabase(const string& path, std::string* error) {
  StorageError storageError;
  std::unique_ptr<PageStore> store = PageStore::Create(path, &storageError);
  if (!store) {
    *error = OpenProblem(storageError);
    return nullptr;
  }
  return Made(std::move(store), true, error);
}

BuiltInDatabase* OpenBuiltInDatabase(const string& path, std::string* error) {
  StorageError storageError;
  std::unique_ptr<PageStore> store = PageStore::Open(path, &storageError);
  if (!store) {
    *error = OpenProblem(storageError);
    return nullptr;
  }
  return Made(std::move(store), false, error);
}
