// DatabaseCursorField and DatabaseField: one column of a RecordSet's current row.
//
// A getter answers its neutral value while the RecordSet is at BOF or EOF or closed; reads the
// column's pending text when it was written since Edit; and otherwise asks the engine for the
// value (ColumnValues.h converts it) and lets the engine release it. A setter records text as a
// pending edit, only between Edit and Update.
#include "core/ClassDefinitionRows.h"
#include "values/DateClass.h"
#include "core/Export.h"
#include "core/NumberText.h"
#include "core/ObjectDefinitionConverter.h"
#include "values/VariantConversions.h"
#include "values/VariantTypes.h"
#include "database/ColumnValues.h"
#include "database/DataBinding.h"
#include "database/DatabaseClasses.h"
#include "database/JPEGValues.h"

namespace {

void KeepReleasedField(RuntimeObject* object);

// The class of every field the framework makes, whose released fields wait for reuse.
RuntimeClass* FieldClass() {
  static RuntimeClass* const fields = [] {
    RuntimeClass* cls = RuntimeClassForDefinition(DatabaseFieldClassDefinition());
    if (cls) cls->destructor = KeepReleasedField;
    return cls;
  }();
  return fields;
}

// Released fields kept for reuse, retired (to everyone else they are freed), each with the one
// reference the pool holds and no RecordSet: reading row after row, a program releases each
// field it asked for, and making and freeing an object per value would cost more than reading
// the value. Plain storage, never destroyed, so a field released by another object's
// destruction at exit still finds it.
constexpr uint32_t kReleasedFieldsKept = 16;
RuntimeObject* gReleasedFields[kReleasedFieldsKept];
uint32_t gReleasedFieldCount = 0;

// Runs with the count held at 1 for the destruction: locking the field again keeps it alive,
// now owned by the pool, with its RecordSet let go. Only the exact class is kept: a subclass
// has fields of its own that a reuse would not reset.
void KeepReleasedField(RuntimeObject* object) {
  if (!object || object->classPtr != FieldClass()) return;
  if (gReleasedFieldCount == kReleasedFieldsKept) return;
  RuntimeLockObject(object);
  RetireObject(object);
  gReleasedFields[gReleasedFieldCount++] = object;
  auto* field = reinterpret_cast<DatabaseFieldObject*>(object);
  DatabaseCursorObject* rs = field->recordSet;
  field->recordSet = nullptr;
  field->column = 0;
  RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(rs));
}

DatabaseFieldObject* AsField(RuntimeObject* object) {
  // Every field the framework makes is of this class: it is known without a walk.
  if (object && object->classPtr == FieldClass())
    return reinterpret_cast<DatabaseFieldObject*>(object);
  if (!object || !ObjectIsaDefinition(object, DatabaseCursorFieldClassDefinition())) {
    return nullptr;
  }
  return reinterpret_cast<DatabaseFieldObject*>(object);
}

DatabaseCursorObject* ReadableRecordSet(DatabaseFieldObject* field) {
  DatabaseCursorObject* rs = field ? field->recordSet : nullptr;
  if (!IsCursorOpen(rs) || rs->bof || rs->eof || !rs->cursor->curColumnValue) return nullptr;
  return rs;
}

// Asks the engine for the column's value, hands it to use, then lets the engine release it.
template <typename T, typename Use>
T WithEngineValue(DatabaseCursorObject* rs, int32_t column, Use use) {
  const void* data = nullptr;
  uint8_t type = 0;
  int32_t length = 0;
  CallCursorEntry(rs->cursor, rs->cursor->curColumnValue, rs->cursorHandle, column, &data, &type,
                  &length);
  T result = use(ColumnValue{type, static_cast<const uint8_t*>(data),
                             length > 0 ? uint32_t(length) : 0});
  CallCursorEntry(rs->cursor, rs->cursor->curReleaseValue, rs->cursorHandle);
  return result;
}

// The value of the field's column as convert makes it: convert(value, pending) gets the
// engine's value, or the pending text (pending set) when the column was written since Edit.
template <typename T, typename Convert>
T ReadField(RuntimeObject* object, Convert convert) {
  DatabaseFieldObject* field = AsField(object);
  DatabaseCursorObject* rs = ReadableRecordSet(field);
  if (!rs) return T();
  string pending;
  if (rs->pendingEdits && FindPendingEdit(rs, field->column, &pending)) {
    return convert(TextColumnValue(pending), true);
  }
  return WithEngineValue<T>(rs, field->column,
                            [&](const ColumnValue& value) { return convert(value, false); });
}

void WriteField(RuntimeObject* object, const string& text) {
  if (DatabaseFieldObject* field = AsField(object)) {
    SetPendingEdit(field->recordSet, field->column, text);
  }
}

// A variant's text as the Value setter records it; false when it records nothing (an object
// without a text conversion).
bool VariantFieldText(RuntimeObject* variant, string* text) {
  switch (VarType(variant)) {
    case kVarTypeNil: *text = string(); return true;
    case kVarTypeInt32:
    case kVarTypeInt64: {
      const bool isUnsigned = ObjectIsaDefinition(variant, VariantUInt32ClassDefinition()) ||
                              ObjectIsaDefinition(variant, VariantUInt64ClassDefinition());
      uint64_t u;
      int64_t i;
      if (isUnsigned && TryVariantToUInt64(variant, &u)) *text = uulltoa(u);
      else if (TryVariantToInt64(variant, &i)) *text = Int64Text(i);
      else return false;
      return true;
    }
    case kVarTypeDouble: *text = DoubleSetterText(VariantToDouble(variant)); return true;
    case kVarTypeCurrency: {
      Currency amount = 0;
      TryVariantToCurrency(variant, &amount);
      *text = CurrencyText(amount);
      return true;
    }
    case kVarTypeDate: *text = DateGetSQLDateTime(variant); return true;
    case kVarTypeBoolean: *text = BooleanText(VariantToBoolean(variant) != 0); return true;
    default: return TryVariantToString(variant, text);
  }
}

}  // namespace

RuntimeObject* NewDatabaseField(DatabaseCursorObject* recordSet, int32_t column) {
  RuntimeObject* object = nullptr;
  if (gReleasedFieldCount) {
    object = gReleasedFields[--gReleasedFieldCount];
    ReviveObject(object);
  } else {
    object = RuntimeNewObject(FieldClass());
    if (!object) return nullptr;
  }
  auto* field = reinterpret_cast<DatabaseFieldObject*>(object);
  RuntimeLockObject(&recordSet->header);
  field->recordSet = recordSet;
  field->column = column;
  return object;
}

uint32_t ReleasedDatabaseFieldCount() { return gReleasedFieldCount; }

extern "C" {

void databaseCursorFieldDestructor(RuntimeObject* object) {
  DatabaseFieldObject* field = AsField(object);
  if (!field) return;
  DatabaseCursorObject* rs = field->recordSet;
  field->recordSet = nullptr;
  RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(rs));
}
QV_EXPORT(databaseCursorFieldDestructor)

stringStorage* cursorFieldNameGetter(RuntimeObject* object, uint32_t) {
  DatabaseFieldObject* field = AsField(object);
  if (!field) return nullptr;
  return CursorColumnName(field->recordSet, field->column).ExtractStringStorage();
}
QV_EXPORT(cursorFieldNameGetter)

stringStorage* cursorFieldStringValueGetter(RuntimeObject* object, uint32_t) {
  return ReadField<string>(object, [](const ColumnValue& v, bool) { return ColumnString(v); })
      .ExtractStringStorage();
}
QV_EXPORT(cursorFieldStringValueGetter)

void cursorFieldStringValueSetter(RuntimeObject* object, uint32_t, stringStorage* value) {
  WriteField(object, string(value));
}
QV_EXPORT(cursorFieldStringValueSetter)

double cursorFieldDoubleValueGetter(RuntimeObject* object, uint32_t) {
  return ReadField<double>(object, [](const ColumnValue& v, bool) { return ColumnDouble(v); });
}
QV_EXPORT(cursorFieldDoubleValueGetter)

void cursorFieldDoubleValueSetter(RuntimeObject* object, uint32_t, double value) {
  WriteField(object, DoubleSetterText(value));
}
QV_EXPORT(cursorFieldDoubleValueSetter)

int32_t cursorFieldIntegerValueGetter(RuntimeObject* object, uint32_t) {
  return ReadField<int32_t>(object, [](const ColumnValue& v, bool) { return ColumnInteger(v); });
}
QV_EXPORT(cursorFieldIntegerValueGetter)

void cursorFieldIntegerValueSetter(RuntimeObject* object, uint32_t, int32_t value) {
  WriteField(object, ultoa(value));
}
QV_EXPORT(cursorFieldIntegerValueSetter)

int64_t CursorFieldInt64ValueGetter(RuntimeObject* object, uint32_t) {
  return ReadField<int64_t>(object, [](const ColumnValue& v, bool) { return ColumnInt64(v); });
}
QV_EXPORT(CursorFieldInt64ValueGetter)

void CursorFieldInt64ValueSetter(RuntimeObject* object, uint32_t, int64_t value) {
  WriteField(object, Int64Text(value));
}
QV_EXPORT(CursorFieldInt64ValueSetter)

Currency CursorFieldCurrencyValueGetter(RuntimeObject* object, uint32_t) {
  return ReadField<Currency>(object,
                             [](const ColumnValue& v, bool) { return ColumnCurrency(v); });
}
QV_EXPORT(CursorFieldCurrencyValueGetter)

void CursorFieldCurrencyValueSetter(RuntimeObject* object, uint32_t, Currency value) {
  WriteField(object, CurrencyText(value));
}
QV_EXPORT(CursorFieldCurrencyValueSetter)

stringStorage* cursorFieldNativeValueGetter(RuntimeObject* object, uint32_t) {
  DatabaseFieldObject* field = AsField(object);
  DatabaseCursorObject* rs = ReadableRecordSet(field);
  if (!rs) return nullptr;
  return WithEngineValue<string>(rs, field->column, ColumnNativeBytes).ExtractStringStorage();
}
QV_EXPORT(cursorFieldNativeValueGetter)

RuntimeObject* cursorFieldDateValueGetter(RuntimeObject* object, uint32_t) {
  return ReadField<RuntimeObject*>(object, [](const ColumnValue& v, bool pending) {
    return pending ? DateFromSQLText(ColumnString(v)) : ColumnDate(v);
  });
}
QV_EXPORT(cursorFieldDateValueGetter)

void cursorFieldDateValueSetter(RuntimeObject* object, uint32_t, RuntimeObject* date) {
  if (date && ObjectIsaDefinition(date, DateClassDefinition())) {
    WriteField(object, DateGetSQLDateTime(date));
  }
}
QV_EXPORT(cursorFieldDateValueSetter)

RuntimeObject* cursorFieldMactPictGetter(RuntimeObject*, uint32_t) { return nullptr; }
QV_EXPORT(cursorFieldMactPictGetter)

void cursorFieldMactPictSetter(RuntimeObject* object, uint32_t, RuntimeObject*) {
  WriteField(object, string());
}
QV_EXPORT(cursorFieldMactPictSetter)

// Pending bytes, and the bytes of codes 14 to 17, as a JPEG picture.
RuntimeObject* cursorFieldJPEGGetter(RuntimeObject* object, uint32_t) {
  return ReadField<RuntimeObject*>(object, [](const ColumnValue& v, bool pending) {
    constexpr uint8_t kLastPictureCode = 17;
    const bool bytes = pending || (v.code >= kColumnBytes && v.code <= kLastPictureCode);
    return bytes ? PictureFromJPEGBytes(ColumnNativeBytes(v)) : nullptr;
  });
}
QV_EXPORT(cursorFieldJPEGGetter)

void cursorFieldJPEGSetter(RuntimeObject* object, uint32_t, RuntimeObject* picture) {
  DatabaseFieldObject* field = AsField(object);
  string bytes;
  if (field && field->recordSet && field->recordSet->editing &&
      JPEGBytesOfPicture(picture, &bytes)) {
    WriteField(object, bytes);
  }
}
QV_EXPORT(cursorFieldJPEGSetter)

int32_t CursorFieldBooleanValueGetter(RuntimeObject* object, uint32_t) {
  return ReadField<int32_t>(object,
                            [](const ColumnValue& v, bool) { return ColumnBoolean(v) ? 1 : 0; });
}
QV_EXPORT(CursorFieldBooleanValueGetter)

void CursorFieldBooleanValueSetter(RuntimeObject* object, uint32_t, int32_t value) {
  WriteField(object, BooleanText(value != 0));
}
QV_EXPORT(CursorFieldBooleanValueSetter)

RuntimeObject* CursorFieldValueGetter(RuntimeObject* object, uint32_t) {
  return ReadField<RuntimeObject*>(object,
                                   [](const ColumnValue& v, bool) { return ColumnVariant(v); });
}
QV_EXPORT(CursorFieldValueGetter)

void CursorFieldValueSetter(RuntimeObject* object, uint32_t, RuntimeObject* value) {
  string text;
  if (VariantFieldText(value, &text)) WriteField(object, text);
}
QV_EXPORT(CursorFieldValueSetter)

stringStorage* databaseCursorFieldGetString(RuntimeObject* object) {
  return cursorFieldStringValueGetter(object, 0);
}
QV_EXPORT(databaseCursorFieldGetString)

void databaseCursorFieldSetString(RuntimeObject* object, stringStorage* value) {
  cursorFieldStringValueSetter(object, 0, value);
}
QV_EXPORT(databaseCursorFieldSetString)

RuntimeObject* CursorFieldConvertToDate(RuntimeObject* object) {
  return cursorFieldDateValueGetter(object, 0);
}
QV_EXPORT(CursorFieldConvertToDate)

stringStorage* CursorFieldConvertToString(RuntimeObject* object) {
  return cursorFieldStringValueGetter(object, 0);
}
QV_EXPORT(CursorFieldConvertToString)

int32_t CursorFieldConvertToInteger(RuntimeObject* object) {
  return cursorFieldIntegerValueGetter(object, 0);
}
QV_EXPORT(CursorFieldConvertToInteger)

int64_t CursorFieldConvertToInt64(RuntimeObject* object) {
  return CursorFieldInt64ValueGetter(object, 0);
}
QV_EXPORT(CursorFieldConvertToInt64)

double CursorFieldConvertToDouble(RuntimeObject* object) {
  return cursorFieldDoubleValueGetter(object, 0);
}
QV_EXPORT(CursorFieldConvertToDouble)

int32_t CursorFieldConvertToBoolean(RuntimeObject* object) {
  return CursorFieldBooleanValueGetter(object, 0);
}
QV_EXPORT(CursorFieldConvertToBoolean)

}  // extern "C"

namespace {

using namespace lang;

const PropertyRow kFieldProperties[] = {
    QV_READONLY("Name", String, cursorFieldNameGetter),
    QV_PROPERTY("StringValue", String, cursorFieldStringValueGetter,
                cursorFieldStringValueSetter),
    QV_PROPERTY("DoubleValue", Double, cursorFieldDoubleValueGetter,
                cursorFieldDoubleValueSetter),
    QV_PROPERTY("IntegerValue", Integer, cursorFieldIntegerValueGetter,
                cursorFieldIntegerValueSetter),
    QV_PROPERTY("Int64Value", Int64, CursorFieldInt64ValueGetter, CursorFieldInt64ValueSetter),
    QV_PROPERTY("CurrencyValue", lang::Currency, CursorFieldCurrencyValueGetter,
                CursorFieldCurrencyValueSetter),
    QV_READONLY("NativeValue", String, cursorFieldNativeValueGetter),
    QV_PROPERTY("DateValue", Class<"Date">, cursorFieldDateValueGetter,
                cursorFieldDateValueSetter),
    QV_PROPERTY("MacPictValue", Class<"Picture">, cursorFieldMactPictGetter,
                cursorFieldMactPictSetter),
    QV_PROPERTY("JPEGValue", Class<"Picture">, cursorFieldJPEGGetter, cursorFieldJPEGSetter),
    QV_PROPERTY("BooleanValue", Boolean, CursorFieldBooleanValueGetter,
                CursorFieldBooleanValueSetter),
    QV_PROPERTY("Value", Class<"Variant">, CursorFieldValueGetter, CursorFieldValueSetter),
};
const ClassGetter kFieldInterfaces[] = {StringProviderInterfaceDefinition};
const MethodRow kFieldMethods[] = {
    QV_FUNCTION("getString", String, databaseCursorFieldGetString),
    QV_SUB("setString", databaseCursorFieldSetString, Param("v", String)),
    QV_FUNCTION("Operator_Convert", Class<"Date">, CursorFieldConvertToDate),
    QV_FUNCTION("Operator_Convert", String, CursorFieldConvertToString),
    QV_FUNCTION("Operator_Convert", Integer, CursorFieldConvertToInteger),
    QV_FUNCTION("Operator_Convert", Int64, CursorFieldConvertToInt64),
    QV_FUNCTION("Operator_Convert", Double, CursorFieldConvertToDouble),
    QV_FUNCTION("Operator_Convert", Boolean, CursorFieldConvertToBoolean),
};

}  // namespace

QV_CLASS(DatabaseCursorFieldClassDefinition,
         .name = "DatabaseCursorField",
         .objectSize = sizeof(DatabaseFieldObject),
         .properties = kFieldProperties,
         .methods = kFieldMethods,
         .finalizer = QV_CODE(databaseCursorFieldDestructor),
         .interfaces = kFieldInterfaces)

QV_CLASS(DatabaseFieldClassDefinition,
         .name = "DatabaseField",
         .super = DatabaseCursorFieldClassDefinition,
         .objectSize = sizeof(DatabaseFieldObject))
