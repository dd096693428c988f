// DatabaseCursor and RecordSet: moving, finding fields, editing and writing fields back,
// deleting rows and closing.
//
// EOF describes the current position after every move; BOF is true only for a result that was
// empty when it was made. A closed RecordSet (no engine cursor) reaches its engine no more.
#include <cstring>
#include <unordered_map>
#include <vector>

#include "core/ClassDefinitionRows.h"
#include "core/Export.h"
#include "core/NumberText.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/DatabaseClasses.h"
#include "database/DatabaseShutdownContext.h"
#include "database/DatabaseStatements.h"

namespace {

const QUORdbCursorDefinition* Table(const DatabaseCursorObject* rs) { return rs->cursor; }

void DiscardPendingEdits(DatabaseCursorObject* rs) {
  while (PendingEdit* edit = rs->pendingEdits) {
    rs->pendingEdits = edit->next;
    stringStorage::RemoveReference(edit->value);
    delete edit;
  }
}

int32_t ColumnCount(DatabaseCursorObject* rs) {
  if (!IsCursorOpen(rs)) return 0;
  const int32_t count = CallCursorEntry(Table(rs), Table(rs)->curColumnCount, rs->cursorHandle);
  return count > 0 ? count : 0;
}

// Field(name) on the framework's own cursors, whose columns stay what they were for the
// cursor's life: their names are read once, and the last names asked for are remembered with
// their answers, held so that the same string asked again (compiled code's constants, row
// after row) is known by its record alone.
struct ColumnNames {
  struct Asked {
    string name;
    int32_t column;  // -1: none
  };
  static constexpr size_t kAskedKept = 16;
  std::vector<string> names;
  std::vector<Asked> asked;  // oldest first
};

std::unordered_map<const DatabaseCursorObject*, ColumnNames>& NameCaches() {
  static std::unordered_map<const DatabaseCursorObject*, ColumnNames> caches;
  return caches;
}

// The first column whose name equals name (the language's comparison), or -1.
int32_t FindColumnNamed(DatabaseCursorObject* rs, stringStorage* name) {
  const bool own = IsFrameworkCursorDefinition(Table(rs));
  ColumnNames* known = own ? &NameCaches()[rs] : nullptr;
  if (known) {  // the same name asked again is answered before anything else is asked
    for (const ColumnNames::Asked& asked : known->asked)
      if (asked.name.Storage() == name) return asked.column;
  }
  const int32_t count = ColumnCount(rs);
  const string wanted(name);
  if (!own) {
    for (int32_t column = 0; column < count; ++column)
      if (CursorColumnName(rs, column).Compare(wanted) == 0) return column;
    return -1;
  }
  ColumnNames& cache = *known;
  if (cache.names.size() != size_t(count)) {
    cache.names.clear();
    for (int32_t column = 0; column < count; ++column)
      cache.names.push_back(CursorColumnName(rs, column));
  }
  int32_t found = -1;
  for (int32_t column = 0; column < count && found < 0; ++column)
    if (cache.names[size_t(column)].Compare(wanted) == 0) found = column;
  if (cache.asked.size() == ColumnNames::kAskedKept) cache.asked.erase(cache.asked.begin());
  cache.asked.push_back({wanted, found});
  return found;
}

// The result has no rows to count: curRowCount says 0.
bool RowCountSaysEmpty(DatabaseCursorObject* rs) {
  return Table(rs)->curRowCount &&
         CallCursorEntry(Table(rs), Table(rs)->curRowCount, rs->cursorHandle) == 0;
}

enum class Move { kPrevious, kFirst, kLast };

// MovePrevious, MoveFirst and MoveLast leave EOF describing the new position: the framework's
// own cursors answer as curNextRow does; a plug-in's answer means nothing defined, so its
// cursor is taken to be on a row unless it counts no rows.
void MoveOther(RuntimeObject* recordSet, Move move) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  if (!rs) return;
  DiscardPendingEdits(rs);
  if (!IsCursorOpen(rs)) return;
  const QUORdbCursorDefinition* table = Table(rs);
  uint8_t (*entry)(dbCursor) = move == Move::kPrevious ? table->curPreviousRow
                               : move == Move::kFirst  ? table->curFirstRow
                                                       : table->curLastRow;
  if (!entry) return;
  const bool onRow = CallCursorEntry(table, entry, rs->cursorHandle) != 0;
  if (IsFrameworkCursorDefinition(table)) {
    rs->eof = onRow ? 0 : 1;
  } else {
    rs->eof = move != Move::kPrevious && RowCountSaysEmpty(rs) ? 1 : 0;
  }
}

char* CopyText(const char* text, int32_t length) {
  char* copy = new char[length > 0 ? length : 1];
  if (length > 0) std::memcpy(copy, text, size_t(length));
  return copy;
}

// One update request per pending edit whose column the engine can write back, in edit order.
UpdateRequest* BuildUpdateRequests(DatabaseCursorObject* rs) {
  UpdateRequest* first = nullptr;
  UpdateRequest** tail = &first;
  for (const PendingEdit* edit = rs->pendingEdits; edit; edit = edit->next) {
    const char *name = nullptr, *condition = nullptr;
    int32_t nameLength = 0, conditionLength = 0;
    if (!CallCursorEntry(Table(rs), Table(rs)->curColumnKey, rs->cursorHandle, edit->column,
                         &name, &nameLength, &condition, &conditionLength))
      continue;
    if (!name || nameLength < 0) nameLength = 0;
    if (!condition || conditionLength < 0) conditionLength = 0;
    stringStorage::AddReference(edit->value);
    *tail = new UpdateRequest{nullptr, CopyText(name, nameLength), nameLength,
                              CopyText(condition, conditionLength), conditionLength,
                              edit->value};
    tail = &(*tail)->next;
  }
  return first;
}

}  // namespace

DatabaseCursorObject* AsRecordSet(RuntimeObject* object) {
  // Every RecordSet the framework makes is of this class: it is known without a walk.
  static RuntimeClass* const recordSets = RuntimeClassForDefinition(RecordSetClassDefinition());
  if (object && object->classPtr == recordSets)
    return reinterpret_cast<DatabaseCursorObject*>(object);
  if (!object || !ObjectIsaDefinition(object, DatabaseCursorClassDefinition())) return nullptr;
  return reinterpret_cast<DatabaseCursorObject*>(object);
}

string CursorColumnName(DatabaseCursorObject* rs, int32_t column) {
  if (!IsCursorOpen(rs)) return string();
  if (!Table(rs)->curColumnName) return string("field") + ultoa(column + 1);
  return string::Adopt(
      CallCursorEntry(Table(rs), Table(rs)->curColumnName, rs->cursorHandle, column));
}

bool FindPendingEdit(const DatabaseCursorObject* rs, int32_t column, string* text) {
  for (const PendingEdit* edit = rs->pendingEdits; edit; edit = edit->next) {
    if (edit->column != column) continue;
    *text = string(edit->value);
    return true;
  }
  return false;
}

void SetPendingEdit(DatabaseCursorObject* rs, int32_t column, const string& text) {
  if (!rs || !rs->editing) return;
  PendingEdit** link = &rs->pendingEdits;
  for (; *link; link = &(*link)->next) {
    if ((*link)->column != column) continue;
    stringStorage* old = (*link)->value;
    (*link)->value = text.ExtractStringStorage();
    stringStorage::RemoveReference(old);
    return;
  }
  *link = new PendingEdit{nullptr, column, text.ExtractStringStorage()};
}

extern "C" {

void databaseCursorDestructor(RuntimeObject* recordSet) {
  cursorClose(recordSet);
  if (DatabaseCursorObject* rs = AsRecordSet(recordSet)) {
    stringStorage::RemoveReference(rs->sqlText);
    rs->sqlText = nullptr;
  }
}
QV_EXPORT(databaseCursorDestructor)

void cursorMoveNext(RuntimeObject* recordSet) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  if (!rs) return;
  DiscardPendingEdits(rs);
  const bool onRow = IsCursorOpen(rs) &&
                     CallCursorEntry(Table(rs), Table(rs)->curNextRow, rs->cursorHandle) != 0;
  rs->eof = onRow ? 0 : 1;
  rs->rowCounter += 1;
}
QV_EXPORT(cursorMoveNext)

void CursorMovePrev(RuntimeObject* recordSet) { MoveOther(recordSet, Move::kPrevious); }
QV_EXPORT(CursorMovePrev)

void CursorMoveFirst(RuntimeObject* recordSet) { MoveOther(recordSet, Move::kFirst); }
QV_EXPORT(CursorMoveFirst)

void CursorMoveLast(RuntimeObject* recordSet) { MoveOther(recordSet, Move::kLast); }
QV_EXPORT(CursorMoveLast)

RuntimeObject* cursorGetFieldByName(RuntimeObject* recordSet, stringStorage* name) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  if (!IsCursorOpen(rs)) return nullptr;
  const int32_t column = FindColumnNamed(rs, name);
  return column >= 0 ? NewDatabaseField(rs, column) : nullptr;
}
QV_EXPORT(cursorGetFieldByName)

RuntimeObject* cursorGetFieldByIndex(RuntimeObject* recordSet, int32_t index) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  if (index < 1 || index > ColumnCount(rs)) return nullptr;
  return NewDatabaseField(rs, index - 1);
}
QV_EXPORT(cursorGetFieldByIndex)

void cursorDeleteRecord(RuntimeObject* recordSet) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  if (IsCursorOpen(rs) && !rs->eof)
    CallCursorEntry(Table(rs), Table(rs)->curDeleteRow, rs->cursorHandle);
}
QV_EXPORT(cursorDeleteRecord)

void cursorEdit(RuntimeObject* recordSet) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  if (!rs) return;
  rs->editing = 1;
  if (IsCursorOpen(rs)) CallCursorEntry(Table(rs), Table(rs)->curEdit, rs->cursorHandle);
}
QV_EXPORT(cursorEdit)

// The pending edits stay readable until the next move empties them.
void cursorUpdate(RuntimeObject* recordSet) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  if (!rs || !rs->editing) return;
  if (rs->pendingEdits && IsCursorOpen(rs)) {
    if (Table(rs)->curUpdateRow) {
      CallCursorEntry(Table(rs), Table(rs)->curUpdateRow, rs->cursorHandle, rs->pendingEdits);
    } else if (rs->database) {
      UpdateRequest* requests = BuildUpdateRequests(rs);
      RunUpdateRequests(rs->database, requests);
      FreeUpdateRequests(requests);
    }
  }
  rs->editing = 0;
}
QV_EXPORT(cursorUpdate)

// The handle goes before the engine is called, so a close that comes back here (through the
// engine, or a database released by it) finds the cursor closed.
void cursorClose(RuntimeObject* recordSet) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  if (!rs) return;
  DiscardPendingEdits(rs);
  if (dbCursor handle = rs->cursorHandle) {
    rs->cursorHandle = nullptr;
    NameCaches().erase(rs);
    dbShutdownContext::RemoveCursor(recordSet);
    if (Table(rs)) CallCursorEntry(Table(rs), Table(rs)->curClose, handle);
    stringStorage::RemoveReference(rs->sqlText);
    rs->sqlText = nullptr;
  }
  DatabaseObject* database = rs->database;
  rs->database = nullptr;
  RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(database));
}
QV_EXPORT(cursorClose)

int32_t RecordSetRecordCount(RuntimeObject* recordSet) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  if (!IsCursorOpen(rs) || !Table(rs)->curRowCount) return -1;
  return CallCursorEntry(Table(rs), Table(rs)->curRowCount, rs->cursorHandle);
}
QV_EXPORT(RecordSetRecordCount)

int32_t RecordSetColumnType(RuntimeObject* recordSet, int32_t index) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  if (index < 0 || !IsCursorOpen(rs) || !Table(rs)->curColumnType) return -1;
  return CallCursorEntry(Table(rs), Table(rs)->curColumnType, rs->cursorHandle, index);
}
QV_EXPORT(RecordSetColumnType)

int32_t cursorBOFGetter(RuntimeObject* recordSet) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  return rs && rs->bof ? 1 : 0;
}
QV_EXPORT(cursorBOFGetter)

int32_t cursorEOFGetter(RuntimeObject* recordSet) {
  DatabaseCursorObject* rs = AsRecordSet(recordSet);
  return rs && rs->eof ? 1 : 0;
}
QV_EXPORT(cursorEOFGetter)

int32_t cursorFieldCount(RuntimeObject* recordSet) { return ColumnCount(AsRecordSet(recordSet)); }
QV_EXPORT(cursorFieldCount)

}  // extern "C"

namespace {

using namespace lang;

const PropertyRow kCursorProperties[] = {
    QV_READONLY("BOF", Boolean, cursorBOFGetter),
    QV_READONLY("EOF", Boolean, cursorEOFGetter),
    QV_READONLY("FieldCount", Integer, cursorFieldCount),
};
const MethodRow kCursorMethods[] = {
    QV_SUB("MoveNext", cursorMoveNext),
    QV_FUNCTION("Field", Class<"DatabaseField">, cursorGetFieldByName, Param("Name", String)),
    QV_FUNCTION("IdxField", Class<"DatabaseField">, cursorGetFieldByIndex,
                Param("Index", Integer)),
    QV_SUB("DeleteRecord", cursorDeleteRecord),
    QV_SUB("Edit", cursorEdit),
    QV_SUB("Update", cursorUpdate),
    QV_SUB("Close", cursorClose),
    QV_SUB("MovePrevious", CursorMovePrev),
    QV_SUB("MoveFirst", CursorMoveFirst),
    QV_SUB("MoveLast", CursorMoveLast),
    QV_FUNCTION("RecordCount", Integer, RecordSetRecordCount),
    QV_FUNCTION("ColumnType", Integer, RecordSetColumnType, Param("Index", Integer)),
};

}  // namespace

QV_CLASS(DatabaseCursorClassDefinition,
         .name = "DatabaseCursor",
         .objectSize = sizeof(DatabaseCursorObject),
         .properties = kCursorProperties,
         .methods = kCursorMethods,
         .finalizer = QV_CODE(databaseCursorDestructor))

QV_CLASS(RecordSetClassDefinition,
         .name = "RecordSet",
         .super = DatabaseCursorClassDefinition,
         .objectSize = sizeof(DatabaseCursorObject))
