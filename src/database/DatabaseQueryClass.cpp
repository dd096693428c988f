#include "database/DatabaseQueryClass.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/EventHandlers.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "database/DataBinding.h"
#include "database/DatabaseClasses.h"
#include "database/ScrollableCursor.h"
#include "strings/StringReplace.h"

namespace {

ObjectHook* gQueryCompleteHook;

DatabaseQueryObject* AsQuery(RuntimeObject* object) {
  if (!object || !ObjectIsaDefinition(object, DatabaseQueryClassDefinition())) return nullptr;
  return reinterpret_cast<DatabaseQueryObject*>(object);
}

bool IsPlainWord(const string& text) {
  for (int32_t i = 0; i < text.Length(); ++i) {
    const unsigned char c = text.Bytes()[i];
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       (c >= '0' && c <= '9') || c == '_' || c == '.';
    if (!plain) return false;
  }
  return text.Length() > 0;
}

// The query with every %1 replaced; false when an unquoted %1 would take a parameter that is
// not a plain word.
bool Substitute(const string& query, const string& parameter, string* statement) {
  const string quoted = ReplaceText(parameter, string("'"), string("''"), true, true);
  const unsigned char* bytes = query.Bytes();
  const int32_t length = query.Length();
  bool inQuote = false;
  int32_t start = 0;
  string out;
  for (int32_t i = 0; i < length; ++i) {
    if (bytes[i] == '\'') inQuote = !inQuote;
    if (bytes[i] != '%' || i + 1 >= length || bytes[i + 1] != '1') continue;
    if (!inQuote && !IsPlainWord(parameter)) return false;
    out += mid(query, start, i - start);
    out += inQuote ? quoted : parameter;
    start = i + 2;
    ++i;
  }
  *statement = out + mid(query, start);
  return true;
}

void Run(RuntimeObject* object, bool notify) {
  DatabaseQueryObject* self = AsQuery(object);
  if (!self) return;
  self->ran = 1;
  RuntimeObject* previous = self->result;
  self->result = nullptr;
  RuntimeUnlockObject(previous);
  string statement;
  if (self->database && self->sqlQuery &&
      Substitute(string(self->sqlQuery), string(self->parameter), &statement)) {
    RuntimeObject* cursor = databaseSQLSelect(self->database, statement.Storage());
    if (cursor) {
      RuntimeObject* scrollable = NewObjectFromDefinition(ScrollableCursorClassDefinition());
      if (scrollable) scrollableCursorConstructor(scrollable, cursor);
      RuntimeUnlockObject(cursor);
      self->result = scrollable;
    }
  }
  if (notify) NotifyListDataReload(&self->receivers);
  RaiseObjectEvent<void>(object, gQueryCompleteHook);
}

}  // namespace

extern "C" {

void databaseQueryDestructor(RuntimeObject* object) {
  DatabaseQueryObject* self = AsQuery(object);
  if (!self) return;
  RuntimeUnlockObject(self->database);
  RuntimeUnlockObject(self->result);
  stringStorage::RemoveReference(self->sqlQuery);
  stringStorage::RemoveReference(self->parameter);
  self->database = self->result = nullptr;
  self->sqlQuery = self->parameter = nullptr;
  ReceiverListClear(&self->receivers);
}
QV_EXPORT(databaseQueryDestructor)

void databaseQueryRunQuery(RuntimeObject* object) {
  RuntimeLockObject(object);  // a receiver or the event may drop the last other reference
  Run(object, true);
  RuntimeUnlockObject(object);
}
QV_EXPORT(databaseQueryRunQuery)

int32_t databaseQueryGetCount(RuntimeObject* object) {
  DatabaseQueryObject* self = AsQuery(object);
  if (!self) return 0;
  // Held until the count is read: the event may drop the last other reference.
  RuntimeLockObject(object);
  if (!self->ran) {
    ++self->nesting;
    Run(object, false);
    --self->nesting;
  }
  const int32_t count = self->result ? scrollableCursorGetCount(self->result) : 0;
  RuntimeUnlockObject(object);
  return count;
}
QV_EXPORT(databaseQueryGetCount)

RuntimeObject* databaseQueryGetRow(RuntimeObject* object, int32_t index) {
  DatabaseQueryObject* self = AsQuery(object);
  return self && self->result ? scrollableCursorGetRow(self->result, index) : nullptr;
}
QV_EXPORT(databaseQueryGetRow)

void databaseQueryAddLDNR(RuntimeObject* object, RuntimeObject* receiver) {
  if (DatabaseQueryObject* self = AsQuery(object)) ReceiverListAdd(&self->receivers, receiver);
}
QV_EXPORT(databaseQueryAddLDNR)

void databaseQueryRemoveLDNR(RuntimeObject* object, RuntimeObject* receiver) {
  if (DatabaseQueryObject* self = AsQuery(object)) ReceiverListRemove(&self->receivers, receiver);
}
QV_EXPORT(databaseQueryRemoveLDNR)

void databaseQuerySetParameter(RuntimeObject* object, stringStorage* value) {
  DatabaseQueryObject* self = AsQuery(object);
  if (!self) return;
  stringStorage::AddReference(value);
  stringStorage::RemoveReference(self->parameter);
  self->parameter = value;
  databaseQueryRunQuery(object);
}
QV_EXPORT(databaseQuerySetParameter)

}  // extern "C"

namespace {

using namespace lang;

const PropertyRow kQueryProperties[] = {
    QV_PROPERTY("Database", Class<"Database">, objGetter, objSetter,
                offsetof(DatabaseQueryObject, database)),
    QV_PROPERTY("SQLQuery", String, stringGetter, stringSetter,
                offsetof(DatabaseQueryObject, sqlQuery)),
};
const MethodRow kQueryMethods[] = {
    QV_FUNCTION("GetCount", Integer, databaseQueryGetCount),
    QV_FUNCTION("GetRow", Class<"tupleInterface">, databaseQueryGetRow, Param("index", Integer)),
    QV_SUB("RunQuery", databaseQueryRunQuery),
    QV_SUB("addListDataNotificationReceiver", databaseQueryAddLDNR,
           Param("receiver", Class<"listDataNotificationReceiver">)),
    QV_SUB("removeListDataNotificationReceiver", databaseQueryRemoveLDNR,
           Param("receiver", Class<"listDataNotificationReceiver">)),
    QV_SUB("PerformAction", databaseQueryRunQuery),
    QV_SUB("setString", databaseQuerySetParameter, Param("Str", String)),
};
const EventRow kQueryEvents[] = {QV_EVENT("QueryComplete", &gQueryCompleteHook)};
const ClassGetter kQueryInterfaces[] = {
    ListDataProviderInterfaceDefinition, ListDataNotifierInterfaceDefinition,
    ActionNotificationReceiverInterfaceDefinition, StringInterfaceDefinition};

}  // namespace

QV_CLASS(DatabaseQueryClassDefinition,
         .name = "DatabaseQuery",
         .objectSize = sizeof(DatabaseQueryObject),
         .properties = kQueryProperties,
         .methods = kQueryMethods,
         .events = kQueryEvents,
         .finalizer = QV_CODE(databaseQueryDestructor),
         .interfaces = kQueryInterfaces)

QV_STARTUP_CLASS(kStartupDatabaseQueryClass, DatabaseQueryClassDefinition)
