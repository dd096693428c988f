// DatabaseRecord: named column values for InsertRecord, each kept as text with the type code it
// was first set with. Names compare ignoring case; a new name goes to the head of the list.
#include "core/ByteUtilities.h"
#include "core/ClassDefinitionRows.h"
#include "values/DateClass.h"
#include "core/Export.h"
#include "core/NumberText.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/ColumnValues.h"
#include "database/DataBinding.h"
#include "database/DatabaseClasses.h"
#include "database/JPEGValues.h"
#include "strings/StringNumbers.h"

namespace {

DatabaseRecordColumn* FindColumn(DatabaseRecordObject* record, const string& name) {
  for (DatabaseRecordColumn* c = record ? record->columns : nullptr; c; c = c->next) {
    if (string(c->name).Compare(name) == 0) return c;
  }
  return nullptr;
}

// The column's text, or nil when the record has no such column.
string ColumnText(RuntimeObject* object, stringStorage* name) {
  DatabaseRecordColumn* column = FindColumn(AsDatabaseRecord(object), string(name));
  return column ? string(column->value) : string();
}

void SetColumn(RuntimeObject* object, stringStorage* name, const string& value, int32_t type) {
  DatabaseRecordObject* record = AsDatabaseRecord(object);
  if (!record) return;
  if (DatabaseRecordColumn* column = FindColumn(record, string(name))) {
    stringStorage* old = column->value;
    column->value = value.ExtractStringStorage();
    stringStorage::RemoveReference(old);
    return;
  }
  stringStorage::AddReference(name);
  record->columns = new DatabaseRecordColumn{record->columns, name, value.ExtractStringStorage(),
                                             type};
}

}  // namespace

DatabaseRecordObject* AsDatabaseRecord(RuntimeObject* object) {
  if (!object || !ObjectIsaDefinition(object, DatabaseRecordClassDefinition())) return nullptr;
  return reinterpret_cast<DatabaseRecordObject*>(object);
}

RuntimeObject* NewDatabaseRecord() {
  return NewObjectFromDefinition(DatabaseRecordClassDefinition());
}

void AppendRecordColumn(DatabaseRecordObject* record, const string& name, const string& value,
                        int32_t type) {
  DatabaseRecordColumn** tail = &record->columns;
  while (*tail) tail = &(*tail)->next;
  *tail = new DatabaseRecordColumn{nullptr, name.ExtractStringStorage(),
                                   value.ExtractStringStorage(), type};
}

extern "C" {

void databaseRecordDestructor(RuntimeObject* object) {
  DatabaseRecordObject* record = AsDatabaseRecord(object);
  while (DatabaseRecordColumn* column = record ? record->columns : nullptr) {
    record->columns = column->next;
    stringStorage::RemoveReference(column->name);
    stringStorage::RemoveReference(column->value);
    delete column;
  }
}
QV_EXPORT(databaseRecordDestructor)

stringStorage* getDatabaseRecordColumn(RuntimeObject* record, stringStorage* name) {
  return ColumnText(record, name).ExtractStringStorage();
}
QV_EXPORT(getDatabaseRecordColumn)

void setDatabaseRecordColumn(RuntimeObject* record, stringStorage* name, stringStorage* value) {
  SetColumn(record, name, string(value), kColumnText);
}
QV_EXPORT(setDatabaseRecordColumn)

stringStorage* GetDatabaseRecordBlobColumn(RuntimeObject* record, stringStorage* name) {
  return ColumnText(record, name).ExtractStringStorage();
}
QV_EXPORT(GetDatabaseRecordBlobColumn)

void SetDatabaseRecordBlobColumn(RuntimeObject* record, stringStorage* name,
                                 stringStorage* value) {
  SetColumn(record, name, string(value), kColumnBytes);
}
QV_EXPORT(SetDatabaseRecordBlobColumn)

double getDatabaseRecordDoubleColumn(RuntimeObject* record, stringStorage* name) {
  return Val(ColumnText(record, name), nullptr);
}
QV_EXPORT(getDatabaseRecordDoubleColumn)

void setDatabaseRecordDoubleColumn(RuntimeObject* record, stringStorage* name, double value) {
  SetColumn(record, name, DoubleSetterText(value), kColumnDouble);
}
QV_EXPORT(setDatabaseRecordDoubleColumn)

int32_t getDatabaseRecordIntegerColumn(RuntimeObject* record, stringStorage* name) {
  return uatol(ColumnText(record, name).CString());
}
QV_EXPORT(getDatabaseRecordIntegerColumn)

void setDatabaseRecordIntegerColumn(RuntimeObject* record, stringStorage* name, int32_t value) {
  SetColumn(record, name, ultoa(value), kColumnInt32);
}
QV_EXPORT(setDatabaseRecordIntegerColumn)

int64_t GetDatabaseRecordInt64Column(RuntimeObject* record, stringStorage* name) {
  return ParseLong(ColumnText(record, name));
}
QV_EXPORT(GetDatabaseRecordInt64Column)

void SetDatabaseRecordInt64Column(RuntimeObject* record, stringStorage* name, int64_t value) {
  SetColumn(record, name, Int64Text(value), kColumnInt64);
}
QV_EXPORT(SetDatabaseRecordInt64Column)

// Read back as it was written: 12.50 stays 12.50.
Currency GetDatabaseRecordCurrencyColumn(RuntimeObject* record, stringStorage* name) {
  return CurrencyFromText(ColumnText(record, name));
}
QV_EXPORT(GetDatabaseRecordCurrencyColumn)

void SetDatabaseRecordCurrencyColumn(RuntimeObject* record, stringStorage* name,
                                     Currency value) {
  SetColumn(record, name, CurrencyText(value), kColumnCurrency);
}
QV_EXPORT(SetDatabaseRecordCurrencyColumn)

RuntimeObject* getDatabaseRecordDateColumn(RuntimeObject* record, stringStorage* name) {
  return DateFromSQLText(ColumnText(record, name));
}
QV_EXPORT(getDatabaseRecordDateColumn)

void setDatabaseRecordDateColumn(RuntimeObject* record, stringStorage* name,
                                 RuntimeObject* date) {
  if (!date || !ObjectIsaDefinition(date, DateClassDefinition())) return;
  SetColumn(record, name, DateGetSQLDateTime(date), kColumnDate);
}
QV_EXPORT(setDatabaseRecordDateColumn)

int32_t GetDatabaseRecordBooleanColumn(RuntimeObject* record, stringStorage* name) {
  return ColumnText(record, name).Compare(string("true")) == 0 ? 1 : 0;
}
QV_EXPORT(GetDatabaseRecordBooleanColumn)

void SetDatabaseRecordBooleanColumn(RuntimeObject* record, stringStorage* name, int32_t value) {
  SetColumn(record, name, BooleanText(value != 0), kColumnBoolean);
}
QV_EXPORT(SetDatabaseRecordBooleanColumn)

RuntimeObject* getDatabaseRecordMacPictColumn(RuntimeObject*, stringStorage*) { return nullptr; }
QV_EXPORT(getDatabaseRecordMacPictColumn)

void setDatabaseRecordMacPictColumn(RuntimeObject* record, stringStorage* name, RuntimeObject*) {
  SetColumn(record, name, string(), kColumnText);
}
QV_EXPORT(setDatabaseRecordMacPictColumn)

RuntimeObject* getDatabaseRecordJPEGColumn(RuntimeObject* record, stringStorage* name) {
  return PictureFromJPEGBytes(ColumnText(record, name));
}
QV_EXPORT(getDatabaseRecordJPEGColumn)

void setDatabaseRecordJPEGColumn(RuntimeObject* record, stringStorage* name,
                                 RuntimeObject* picture) {
  string bytes;
  if (AsDatabaseRecord(record) && JPEGBytesOfPicture(picture, &bytes)) {
    SetColumn(record, name, bytes, kColumnText);
  }
}
QV_EXPORT(setDatabaseRecordJPEGColumn)

int32_t getDatabaseRecordFieldCount(RuntimeObject* object) {
  DatabaseRecordObject* record = AsDatabaseRecord(object);
  int32_t count = 0;
  for (DatabaseRecordColumn* c = record ? record->columns : nullptr; c; c = c->next) ++count;
  return count;
}
QV_EXPORT(getDatabaseRecordFieldCount)

stringStorage* getDatabaseRecordIndString(RuntimeObject* object, int32_t index) {
  DatabaseRecordObject* record = AsDatabaseRecord(object);
  DatabaseRecordColumn* c = record && index >= 1 ? record->columns : nullptr;
  for (int32_t i = 1; c && i < index; ++i) c = c->next;
  if (!c) return nullptr;
  stringStorage::AddReference(c->value);
  return c->value;
}
QV_EXPORT(getDatabaseRecordIndString)

}  // extern "C"

namespace {

using namespace lang;

const ClassGetter kRecordInterfaces[] = {TupleInterfaceDefinition};
const MethodRow kRecordMethods[] = {
    QV_FUNCTION_ASSIGNS("Column", String, getDatabaseRecordColumn, setDatabaseRecordColumn,
                        Param("Name", String)),
    QV_FUNCTION_ASSIGNS("DoubleColumn", Double, getDatabaseRecordDoubleColumn,
                        setDatabaseRecordDoubleColumn, Param("Name", String)),
    QV_FUNCTION_ASSIGNS("IntegerColumn", Integer, getDatabaseRecordIntegerColumn,
                        setDatabaseRecordIntegerColumn, Param("Name", String)),
    QV_FUNCTION_ASSIGNS("Int64Column", Int64, GetDatabaseRecordInt64Column,
                        SetDatabaseRecordInt64Column, Param("Name", String)),
    QV_FUNCTION_ASSIGNS("CurrencyColumn", lang::Currency, GetDatabaseRecordCurrencyColumn,
                        SetDatabaseRecordCurrencyColumn, Param("Name", String)),
    QV_FUNCTION_ASSIGNS("DateColumn", Class<"Date">, getDatabaseRecordDateColumn,
                        setDatabaseRecordDateColumn, Param("Name", String)),
    QV_FUNCTION_ASSIGNS("MacPictColumn", Class<"Picture">, getDatabaseRecordMacPictColumn,
                        setDatabaseRecordMacPictColumn, Param("Name", String)),
    QV_FUNCTION_ASSIGNS("JPEGColumn", Class<"Picture">, getDatabaseRecordJPEGColumn,
                        setDatabaseRecordJPEGColumn, Param("Name", String)),
    QV_FUNCTION_ASSIGNS("BlobColumn", String, GetDatabaseRecordBlobColumn,
                        SetDatabaseRecordBlobColumn, Param("Name", String)),
    QV_FUNCTION_ASSIGNS("BooleanColumn", Boolean, GetDatabaseRecordBooleanColumn,
                        SetDatabaseRecordBooleanColumn, Param("Name", String)),
    QV_FUNCTION("FieldCount", Integer, getDatabaseRecordFieldCount),
    QV_FUNCTION("getIndString", String, getDatabaseRecordIndString, Param("v", Integer)),
};

}  // namespace

QV_CLASS(DatabaseRecordClassDefinition,
         .name = "DatabaseRecord",
         .objectSize = sizeof(DatabaseRecordObject),
         .methods = kRecordMethods,
         .finalizer = QV_CODE(databaseRecordDestructor),
         .interfaces = kRecordInterfaces)
