// ScrollableCursor. Each row of the row store holds, written with the variable-length integers
// of the byte I/O mechanisms:
//   1. per column: text length, text encoding (0x600 for nil), the bytes; a column whose field
//      cannot be had is a single 0;
//   2. per column, its write-back key: a single 0 when the cursor gives none; else the 1-based
//      position of the key's name text in the cursor's name list, then either minus the
//      1-based position of the same condition text earlier in this row, or the condition text
//      as length, encoding and bytes.
// Only part 1 is read back; part 2 keeps the row layout every reader of the format expects.
#include "database/ScrollableCursor.h"

#include <cerrno>
#include <vector>

#include "app/BackgroundTask.h"
#include "core/ClassDefinitionRows.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/ColumnValues.h"
#include "database/DataBinding.h"
#include "database/DatabaseClasses.h"

namespace {

ScrollableCursorObject* AsScrollable(RuntimeObject* object) {
  if (!object || !ObjectIsaDefinition(object, ScrollableCursorClassDefinition())) return nullptr;
  return reinterpret_cast<ScrollableCursorObject*>(object);
}

bool WriteText(RandomAccessMechanism* file, const string& text) {
  return file->WriteVarInt(text.Length()) && file->WriteVarInt(int32_t(text.Encoding())) &&
         (text.IsEmpty() || file->Write(text.Bytes(), text.Length()));
}

bool ReadText(RandomAccessMechanism* file, string* text) {
  int32_t length = 0, encoding = 0, bytesRead = 0;
  if (!file->ReadVarInt(&length) || !file->ReadVarInt(&encoding) || length < 0 ||
      uint32_t(length) > kMaxStringLength)
    return false;
  *text = string();
  if (length == 0) return true;
  if (!text->AllocateBuffer(length)) return false;
  if (!file->Read(static_cast<char*>(*text), length, &bytesRead) || bytesRead != length) {
    return false;
  }
  text->SetEncoding(TextEncoding(encoding));
  return true;
}

bool SameBytes(const string& a, const string& b) {
  return CompareByteRuns(a.Bytes(), a.Length(), b.Bytes(), b.Length()) == 0;
}

// The 1-based position of name in the cursor's key names, appended when absent.
int32_t KeyNamePosition(ScrollableCursorObject* self, const string& name) {
  int32_t position = 1;
  for (ScrollableKeyName* n = self->firstKeyName; n; n = n->next, ++position) {
    if (SameBytes(string(n->name), name)) return position;
  }
  auto* added = new ScrollableKeyName{nullptr, name.ExtractStringStorage()};
  (self->lastKeyName ? self->lastKeyName->next : self->firstKeyName) = added;
  self->lastKeyName = added;
  return position;
}

bool WriteColumnTexts(RuntimeObject* source, int32_t count, RandomAccessMechanism* file) {
  for (int32_t column = 1; column <= count; ++column) {
    RuntimeObject* field = cursorGetFieldByIndex(source, column);
    const bool written = field ? WriteText(file, string::Adopt(cursorFieldStringValueGetter(
                                                     field, 0)))
                               : file->WriteVarInt(0);
    RuntimeUnlockObject(field);
    if (!written) return false;
  }
  return true;
}

bool WriteColumnKeys(ScrollableCursorObject* self, DatabaseCursorObject* rs,
                     RandomAccessMechanism* file) {
  std::vector<string> rowConditions;
  for (int32_t column = 0; column < self->columnCount; ++column) {
    const char *name = nullptr, *condition = nullptr;
    int32_t nameLength = 0, conditionLength = 0;
    if (!IsCursorOpen(rs) || !CallEntry(rs->cursor->curColumnKey, rs->cursorHandle, column,
                                        &name, &nameLength, &condition, &conditionLength)) {
      if (!file->WriteVarInt(0)) return false;
      continue;
    }
    const string nameText = string::FromBytes(name, name ? nameLength : 0, kEncodingUTF8);
    const string conditionText =
        string::FromBytes(condition, condition ? conditionLength : 0, kEncodingUTF8);
    if (!file->WriteVarInt(KeyNamePosition(self, nameText))) return false;
    int32_t earlier = 0;
    for (size_t i = 0; i < rowConditions.size() && !earlier; ++i) {
      if (SameBytes(rowConditions[i], conditionText)) earlier = int32_t(i + 1);
    }
    if (earlier ? !file->WriteVarInt(-earlier) : !WriteText(file, conditionText)) return false;
    if (!earlier) rowConditions.push_back(conditionText);
  }
  return true;
}

// Rows that did not all reach the temporary files leave the cursor empty (GetCount 0), not
// partial, and the source's database says why.
void KeepOrReport(ScrollableCursorObject* self, DatabaseCursorObject* rs, bool kept,
                  int32_t error) {
  if (self->store && (!kept || !RowStoreFlush(self->store))) {
    error = RowStoreError(self->store) ? RowStoreError(self->store) : EIO;
    RowStoreDestroy(self->store);
    self->store = nullptr;
  }
  if (!self->store && rs && rs->database)
    SetDatabaseError(rs->database, error, TemporaryFileProblem(error).c_str());
}

}  // namespace

extern "C" {

// The source is read to its end and left there, open; a failure leaves the cursor empty.
void scrollableCursorConstructor(RuntimeObject* object, RuntimeObject* source) {
  ScrollableCursorObject* self = AsScrollable(object);
  DatabaseCursorObject* rs = AsRecordSet(source);
  if (!self || self->store) return;
  self->columnCount = cursorFieldCount(source);
  int32_t error = 0;
  self->store = RowStoreCreate(&error);
  // Background tasks run compiled code, which may drop the last other reference to either.
  RuntimeLockObject(object);
  RuntimeLockObject(source);
  bool kept = self->store != nullptr;
  while (kept && rs && !rs->eof) {
    DataFile* file = RowStoreAppendRow(self->store);
    kept = file && WriteColumnTexts(source, self->columnCount, file) &&
           WriteColumnKeys(self, rs, file);
    if (!kept) break;
    cursorMoveNext(source);
    RunDueBackgroundTasks(true);
  }
  KeepOrReport(self, rs, kept, error);
  RuntimeUnlockObject(source);
  RuntimeUnlockObject(object);
}
QV_EXPORT(scrollableCursorConstructor)

void scrollableCursorDestructor(RuntimeObject* object) {
  ScrollableCursorObject* self = AsScrollable(object);
  if (!self) return;
  RowStoreDestroy(self->store);
  self->store = nullptr;
  while (ScrollableKeyName* n = self->firstKeyName) {
    self->firstKeyName = n->next;
    stringStorage::RemoveReference(n->name);
    delete n;
  }
  self->lastKeyName = nullptr;
}
QV_EXPORT(scrollableCursorDestructor)

int32_t scrollableCursorGetCount(RuntimeObject* object) {
  ScrollableCursorObject* self = AsScrollable(object);
  return self ? RowStoreCount(self->store) : 0;
}
QV_EXPORT(scrollableCursorGetCount)

RuntimeObject* scrollableCursorGetRow(RuntimeObject* object, int32_t index) {
  ScrollableCursorObject* self = AsScrollable(object);
  DataFile* file = self && index >= 1 ? RowStoreSeekRow(self->store, index - 1) : nullptr;
  if (!file) return nullptr;
  RuntimeObject* record = NewDatabaseRecord();
  DatabaseRecordObject* columns = AsDatabaseRecord(record);
  for (int32_t column = 0; columns && column < self->columnCount; ++column) {
    string text;
    if (!ReadText(file, &text)) {
      RuntimeUnlockObject(record);
      return nullptr;
    }
    AppendRecordColumn(columns, string(), text, kColumnText);
  }
  return record;
}
QV_EXPORT(scrollableCursorGetRow)

}  // extern "C"

namespace {

using namespace lang;

const ClassGetter kScrollableCursorInterfaces[] = {ListDataProviderInterfaceDefinition};
const MethodRow kScrollableCursorMethods[] = {
    QV_SUB("Constructor", scrollableCursorConstructor, Param("cursor", Class<"RecordSet">)),
    QV_FUNCTION("GetCount", Integer, scrollableCursorGetCount),
    QV_FUNCTION("GetRow", Class<"tupleInterface">, scrollableCursorGetRow,
                Param("index", Integer)),
};

}  // namespace

QV_CLASS(ScrollableCursorClassDefinition,
         .name = "ScrollableCursor",
         .objectSize = sizeof(ScrollableCursorObject),
         .methods = kScrollableCursorMethods,
         .finalizer = QV_CODE(scrollableCursorDestructor),
         .interfaces = kScrollableCursorInterfaces)
