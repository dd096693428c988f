// The language class "DataControl" as its table, its accessors (each handing the value on to
// the pane when there is one), the nine events, and "DataControlAction", through which a push
// button runs one of the navigator's commands.
#include "controls/ControlClasses.h"
#include "controls/DataControl.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "database/DataBinding.h"
#include "database/DatabaseClasses.h"
#include "windows/WindowControls.h"

#include <utility>

namespace {

using namespace lang;

struct DataControlHooks {
  ObjectHook* moveNext = nullptr;
  ObjectHook* movePrevious = nullptr;
  ObjectHook* moveFirst = nullptr;
  ObjectHook* moveLast = nullptr;
  ObjectHook* reposition = nullptr;
  ObjectHook* validate = nullptr;
  ObjectHook* insert = nullptr;
  ObjectHook* update = nullptr;
  ObjectHook* remove = nullptr;
};
DataControlHooks gHooks;

// The action object's command.
enum : int32_t { kCommandInsert = 0, kCommandUpdate, kCommandDelete, kCommandNewRecord };

struct DataControlActionObject {
  RuntimeObject header;
  RuntimeObject* dataControl;  // held
  int32_t command;
};
static_assert(sizeof(DataControlActionObject) == 32, "DataControlAction instances");

DataControl* PaneOf(RuntimeObject* object) { return DataControlPaneOf(object); }

void WriteString(stringStorage*& field, stringStorage* value) {
  stringStorage::AddReference(value);
  stringStorage::RemoveReference(field);
  field = value;
}

void CopyFont(RuntimeObject* object) {
  if (DataControl* pane = PaneOf(object)) {
    pane->SetFont(MakeControlFontDescription(AsDataControl(object)->font));
  }
}

const PropertyRow kProperties[] = {
    QV_PROPERTY("Caption", String, stringGetter, DataControlCaptionSetter,
                offsetof(DataControlObject, caption)),
    QV_PROPERTY("TableName", String, stringGetter, DataControlTableNameSetter,
                offsetof(DataControlObject, tableName)),
    QV_PROPERTY("SQLQuery", String, stringGetter, DataControlQuerySetter,
                offsetof(DataControlObject, sqlQuery)),
    QV_PROPERTY("Database", Class<"Database">, DataControlDBGetter, DataControlDBSetter),
    QV_PROPERTY("TextAlign", Integer, shortGetter, DataControlAlignSetter,
                offsetof(DataControlObject, textAlign)),
    QV_PROPERTY("TextColor", Color, intGetter, DataControlColorSetter,
                offsetof(DataControlObject, textColor)),
    QV_PROPERTY("TextFont", String, stringGetter, DataControlFontSetter,
                offsetof(DataControlObject, font.name)),
    QV_PROPERTY("TextSize", Integer, shortGetter, DataControlSizeSetter,
                offsetof(DataControlObject, font.size)),
    QV_PROPERTY("Bold", Boolean, boolGetter, DataControlAttributeSetter,
                offsetof(DataControlObject, font.bold)),
    QV_PROPERTY("Italic", Boolean, boolGetter, DataControlAttributeSetter,
                offsetof(DataControlObject, font.italic)),
    QV_PROPERTY("Underline", Boolean, boolGetter, DataControlAttributeSetter,
                offsetof(DataControlObject, font.underline)),
    QV_PROPERTY("ControlBind", Integer, intGetter, DataControlControlBindSetter, 0),
    QV_PROPERTY("ReadOnly", Boolean, boolGetter, DataControlReadOnlySetter,
                offsetof(DataControlObject, readOnly)),
    QV_PROPERTY("Commit", Boolean, boolGetter, boolSetter, offsetof(DataControlObject, commit)),
    QV_PROPERTY("Encoding", Class<"TextEncoding">, DataControlEncodingGetter,
                DataControlEncodingSetter),
    QV_READONLY("kInsert", Integer, DataControlGetConstant, kDataInsert),
    QV_READONLY("kUpdate", Integer, DataControlGetConstant, kDataUpdate),
    QV_READONLY("kDelete", Integer, DataControlGetConstant, kDataDelete),
    QV_READONLY("RecordLocked", Boolean, DataControlRecordLockedGetter),
};

const MethodRow kMethods[] = {
    QV_FUNCTION("GetField", String, DataControlGetField, Param("v", Integer)),
    QV_FUNCTION("FieldCount", Integer, DataControlFieldCount),
    QV_FUNCTION("Cursor", Class<"DatabaseCursor">, DataControlGetCursor),
    QV_FUNCTION("RecordSet", Class<"RecordSet">, DataControlGetCursor),
    QV_SUB("MoveNext", DataControlMoveNext),
    QV_SUB("MovePrevious", DataControlMovePrev),
    QV_SUB("MoveFirst", DataControlMoveFirst),
    QV_SUB("MoveLast", DataControlMoveLast),
    QV_SUB("MoveTo", DataControlMoveTo, Param("v", Integer)),
    QV_FUNCTION("RecordCount", Integer, DataControlRowCount),
    QV_FUNCTION("RowCount", Integer, DataControlRowCount),
    QV_FUNCTION("Row", Integer, DataControlRow),
    QV_SUB("RunQuery", DataControlRunQuery),
    QV_SUB("Insert", DataControlAddNewRecord),
    QV_SUB("Update", DataControlUpdateRecord),
    QV_SUB("Delete", DataControlDeleteRecord),
    QV_SUB("NewRecord", DataControlNewRecord),
    QV_SUB("ClearBoundControls", DataControlClearBoundControls),
    QV_FUNCTION("getBoundPart", Class<"Object">, DataControlGetBoundPart, Param("name", String)),
};

const EventRow kEvents[] = {
    QV_EVENT("MoveNext", &gHooks.moveNext, nullptr, "Boolean"),
    QV_EVENT("MovePrevious", &gHooks.movePrevious, nullptr, "Boolean"),
    QV_EVENT("MoveFirst", &gHooks.moveFirst, nullptr, "Boolean"),
    QV_EVENT("MoveLast", &gHooks.moveLast, nullptr, "Boolean"),
    QV_EVENT("Reposition", &gHooks.reposition, "index as integer"),
    QV_EVENT("Validate", &gHooks.validate, "action as integer", "Boolean"),
    QV_EVENT("Insert", &gHooks.insert, nullptr, "Boolean"),
    QV_EVENT("Update", &gHooks.update),
    QV_EVENT("Delete", &gHooks.remove),
};

const EventImplementationRow kImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", DataControlCreatePane),
};

const ClassGetter kInterfaces[] = {BindingPartInterfaceDefinition};

const MethodRow kActionMethods[] = {
    QV_SUB("PerformAction", DataControlActionPerformAction),
};
const ClassGetter kActionInterfaces[] = {ActionNotificationReceiverInterfaceDefinition};

}  // namespace

QV_CLASS(DataControlClassDefinition,
         .name = "DataControl",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(DataControlObject),
         .properties = kProperties,
         .methods = kMethods,
         .events = kEvents,
         .eventImplementations = kImplementations,
         .initializer = QV_CODE(DataControlConstructor),
         .finalizer = QV_CODE(DataControlDestructor),
         .interfaces = kInterfaces)

QV_CLASS(DataControlActionClassDefinition,
         .name = "DataControlAction",
         .objectSize = sizeof(DataControlActionObject),
         .methods = kActionMethods,
         .finalizer = QV_CODE(DataControlActionDestructor),
         .interfaces = kActionInterfaces)

QV_STARTUP(kStartupDataControlActionClass,
           +[] { RegisterClassDefinition(DataControlActionClassDefinition()); })
QV_STARTUP(kStartupDataControlClass, +[] {
  RegisterClassDefinition(DataControlClassDefinition());
  InstallDataControlBinders();
})

// ---- RunDataControlDelegate ----

bool RunDataControlDelegate::Insert() { return RaiseControlEvent<bool>(mOwner, gHooks.insert, nullptr); }
void RunDataControlDelegate::Delete() { RaiseControlEvent<void>(mOwner, gHooks.remove, nullptr); }
bool RunDataControlDelegate::MoveFirst() {
  return RaiseControlEvent<bool>(mOwner, gHooks.moveFirst, nullptr);
}
bool RunDataControlDelegate::MoveLast() {
  return RaiseControlEvent<bool>(mOwner, gHooks.moveLast, nullptr);
}
bool RunDataControlDelegate::MoveNext() {
  return RaiseControlEvent<bool>(mOwner, gHooks.moveNext, nullptr);
}
bool RunDataControlDelegate::MovePrevious() {
  return RaiseControlEvent<bool>(mOwner, gHooks.movePrevious, nullptr);
}
void RunDataControlDelegate::Reposition(int32_t row) {
  RaiseControlEvent<void>(mOwner, gHooks.reposition, nullptr, row);
}
void RunDataControlDelegate::Update() { RaiseControlEvent<void>(mOwner, gHooks.update, nullptr); }
bool RunDataControlDelegate::Validate(int32_t action) {
  return RaiseControlEvent<bool>(mOwner, gHooks.validate, nullptr, action);
}

// ---- construction ----

extern "C" void DataControlConstructor(RuntimeObject* object) {
  if (!object) return;
  AsDataControl(object)->encoding = GetTextEncodingObject(kEncodingUTF8);
}
QV_EXPORT(DataControlConstructor)

extern "C" void DataControlCreatePane(RuntimeObject* object) {
  if (!QV_CHECK_TEXT(object, "self", nullptr)) return;
  DataControlObject* record = AsDataControl(object);
  ControlObject& control = record->control;
  if (!QV_CHECK_TEXT(control.ownerPane, "self->mOwnerPane", nullptr)) return;
  if (!record->delegate) record->delegate = new RunDataControlDelegate(object);
  auto* pane = new DataControl(record->delegate, object, control.ownerPane, control.tabPanelIndex,
                               control.bounds);
  record->pane = pane;
  AdoptControlPane(object, pane);
  pane->SetFont(MakeControlFontDescription(record->font));
  pane->SetCaption(string(record->caption));
  pane->SetTextAlign(record->textAlign);
  pane->SetTextColor(record->textColor);
  pane->Reset();
  pane->InitButtons();
  pane->ReloadBoundControls();
}
QV_EXPORT(DataControlCreatePane)

// The pane and its cursor go first, so that an open edit is finished against the Database
// before it is released.
extern "C" void DataControlDestructor(RuntimeObject* object) {
  if (!object) return;
  DataControlObject* record = AsDataControl(object);
  if (DataControl* pane = PaneOf(object)) {
    pane->FinishCursor();
    pane->ForgetDelegate();
  }
  record->pane = nullptr;
  ClearBindings(object);
  for (stringStorage** text :
       {&record->caption, &record->tableName, &record->sqlQuery, &record->font.name}) {
    stringStorage::RemoveReference(*text);
    *text = nullptr;
  }
  RuntimeUnlockObject(record->database);
  record->database = nullptr;
  RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(record->encoding));
  record->encoding = nullptr;
  delete record->delegate;
  record->delegate = nullptr;
}
QV_EXPORT(DataControlDestructor)

// ---- properties ----

extern "C" void DataControlCaptionSetter(RuntimeObject* object, uint32_t, stringStorage* value) {
  if (!object) return;
  WriteString(AsDataControl(object)->caption, value);
  if (DataControl* pane = PaneOf(object)) pane->SetCaption(string(value));
}
QV_EXPORT(DataControlCaptionSetter)

extern "C" void DataControlTableNameSetter(RuntimeObject* object, uint32_t,
                                           stringStorage* value) {
  if (!object) return;
  WriteString(AsDataControl(object)->tableName, value);
  if (DataControl* pane = PaneOf(object)) pane->RunQuery();
}
QV_EXPORT(DataControlTableNameSetter)

extern "C" void DataControlQuerySetter(RuntimeObject* object, uint32_t, stringStorage* value) {
  if (!object) return;
  WriteString(AsDataControl(object)->sqlQuery, value);
  if (DataControl* pane = PaneOf(object)) pane->Refresh(true);
}
QV_EXPORT(DataControlQuerySetter)

extern "C" RuntimeObject* DataControlDBGetter(RuntimeObject* object, uint32_t) {
  if (!object) return nullptr;
  RuntimeObject* database = AsDataControl(object)->database;
  RuntimeLockObject(database);
  return database;
}
QV_EXPORT(DataControlDBGetter)

// The open cursor's edit is finished against the Database it came from before the switch.
extern "C" void DataControlDBSetter(RuntimeObject* object, uint32_t, RuntimeObject* database) {
  if (!object) return;
  DataControlObject* record = AsDataControl(object);
  RuntimeLockObject(object);
  if (DataControl* pane = PaneOf(object)) {
    pane->Update();
    if (PaneOf(object) == pane) pane->FinishCursor();
  }
  RuntimeLockObject(database);
  RuntimeObject* old = record->database;
  record->database = database;
  RuntimeUnlockObject(old);
  if (DataControl* pane = PaneOf(object)) pane->RunQuery();
  RuntimeUnlockObject(object);
}
QV_EXPORT(DataControlDBSetter)

extern "C" void DataControlAlignSetter(RuntimeObject* object, uint32_t, int32_t value) {
  if (!object) return;
  AsDataControl(object)->textAlign = int16_t(value);
  if (DataControl* pane = PaneOf(object)) pane->SetTextAlign(value);
}
QV_EXPORT(DataControlAlignSetter)

extern "C" void DataControlColorSetter(RuntimeObject* object, uint32_t, uint32_t value) {
  if (!object || AsDataControl(object)->textColor == value) return;
  AsDataControl(object)->textColor = value;
  if (DataControl* pane = PaneOf(object)) pane->SetTextColor(value);
}
QV_EXPORT(DataControlColorSetter)

extern "C" void DataControlFontSetter(RuntimeObject* object, uint32_t, stringStorage* value) {
  if (!object) return;
  stringStorage*& name = AsDataControl(object)->font.name;
  if (string(name).CompareWithCase(string(value)) == 0) return;
  WriteString(name, value);
  CopyFont(object);
}
QV_EXPORT(DataControlFontSetter)

extern "C" void DataControlSizeSetter(RuntimeObject* object, uint32_t, int32_t value) {
  if (!object || AsDataControl(object)->font.size == int16_t(value)) return;
  AsDataControl(object)->font.size = int16_t(value);
  CopyFont(object);
}
QV_EXPORT(DataControlSizeSetter)

// parameter: the flag's place in the object (Bold, Italic or Underline).
extern "C" void DataControlAttributeSetter(RuntimeObject* object, uint32_t parameter,
                                           int32_t value) {
  if (!object || boolGetter(object, parameter) == (value != 0)) return;
  boolSetter(object, parameter, value != 0);
  CopyFont(object);
}
QV_EXPORT(DataControlAttributeSetter)

extern "C" void DataControlControlBindSetter(RuntimeObject* object, uint32_t, int32_t) {
  if (object) ClearBindings(object);
}
QV_EXPORT(DataControlControlBindSetter)

extern "C" void DataControlReadOnlySetter(RuntimeObject* object, uint32_t, int32_t value) {
  if (!object) return;
  AsDataControl(object)->readOnly = value != 0;
  DataControlReloadBoundControls(object);
}
QV_EXPORT(DataControlReadOnlySetter)

extern "C" RuntimeObject* DataControlEncodingGetter(RuntimeObject* object, uint32_t) {
  if (!object) return nullptr;
  auto* encoding = reinterpret_cast<RuntimeObject*>(AsDataControl(object)->encoding);
  RuntimeLockObject(encoding);
  return encoding;
}
QV_EXPORT(DataControlEncodingGetter)

// Nil leaves the encoding in force.
extern "C" void DataControlEncodingSetter(RuntimeObject* object, uint32_t, RuntimeObject* value) {
  if (!object || !value) return;
  RuntimeLockObject(value);
  RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(AsDataControl(object)->encoding));
  AsDataControl(object)->encoding = reinterpret_cast<TextEncodingObject*>(value);
}
QV_EXPORT(DataControlEncodingSetter)

extern "C" int32_t DataControlGetConstant(RuntimeObject*, uint32_t parameter) {
  return int32_t(parameter);
}
QV_EXPORT(DataControlGetConstant)

extern "C" int32_t DataControlRecordLockedGetter(RuntimeObject* object, uint32_t) {
  DataControl* pane = PaneOf(object);
  return pane && pane->RecordLocked() ? 1 : 0;
}
QV_EXPORT(DataControlRecordLockedGetter)

// ---- methods ----

extern "C" stringStorage* DataControlGetField(RuntimeObject* object, int32_t index) {
  DataControl* pane = PaneOf(object);
  if (!pane) return nullptr;
  const std::vector<string>& names = pane->FieldNames();
  if (index < 0 || size_t(index) >= names.size()) return nullptr;
  return names[size_t(index)].ExtractStringStorage();
}
QV_EXPORT(DataControlGetField)

extern "C" int32_t DataControlFieldCount(RuntimeObject* object) {
  DataControl* pane = PaneOf(object);
  return pane ? int32_t(pane->FieldNames().size()) : 0;
}
QV_EXPORT(DataControlFieldCount)

extern "C" RuntimeObject* DataControlGetCursor(RuntimeObject* object) {
  DataControl* pane = PaneOf(object);
  RuntimeObject* cursor = pane ? pane->Cursor() : nullptr;
  RuntimeLockObject(cursor);
  return cursor;
}
QV_EXPORT(DataControlGetCursor)

#define QV_DATACONTROL_PANE_CALL(exportName, call)        \
  extern "C" void exportName(RuntimeObject* object) {     \
    if (DataControl* pane = PaneOf(object)) pane->call(); \
  }                                                       \
  QV_EXPORT(exportName)

QV_DATACONTROL_PANE_CALL(DataControlMoveNext, MoveNext)
QV_DATACONTROL_PANE_CALL(DataControlMovePrev, MovePrevious)
QV_DATACONTROL_PANE_CALL(DataControlMoveFirst, MoveFirst)
QV_DATACONTROL_PANE_CALL(DataControlMoveLast, MoveLast)
QV_DATACONTROL_PANE_CALL(DataControlRunQuery, RunQuery)
QV_DATACONTROL_PANE_CALL(DataControlAddNewRecord, Insert)
QV_DATACONTROL_PANE_CALL(DataControlUpdateRecord, Update)
QV_DATACONTROL_PANE_CALL(DataControlDeleteRecord, Delete)
QV_DATACONTROL_PANE_CALL(DataControlNewRecord, NewRecord)
QV_DATACONTROL_PANE_CALL(DataControlClearBoundControls, ClearBoundControls)

extern "C" void DataControlMoveTo(RuntimeObject* object, int32_t row) {
  if (DataControl* pane = PaneOf(object)) pane->MoveTo(row);
}
QV_EXPORT(DataControlMoveTo)

extern "C" int32_t DataControlRowCount(RuntimeObject* object) {
  DataControl* pane = PaneOf(object);
  return pane ? pane->RecordCount() : 0;
}
QV_EXPORT(DataControlRowCount)

extern "C" int32_t DataControlRow(RuntimeObject* object) {
  DataControl* pane = PaneOf(object);
  return pane && pane->Cursor() ? pane->CurrentRow() + 1 : 0;
}
QV_EXPORT(DataControlRow)

// ---- DataControlAction ----

extern "C" RuntimeObject* DataControlGetBoundPart(RuntimeObject* object, stringStorage* name) {
  if (!object) return nullptr;
  static const char* const kParts[] = {"getAddNewAction", "getUpdateAction", "getDeleteAction",
                                       "getNewRecordAction"};
  const string part(name);
  for (int32_t command = kCommandInsert; command <= kCommandNewRecord; ++command) {
    if (part.Compare(string(kParts[command])) != 0) continue;
    RuntimeObject* action = NewObjectFromDefinition(DataControlActionClassDefinition());
    if (!action) return nullptr;
    RuntimeLockObject(object);
    reinterpret_cast<DataControlActionObject*>(action)->dataControl = object;
    reinterpret_cast<DataControlActionObject*>(action)->command = command;
    return action;
  }
  return nullptr;
}
QV_EXPORT(DataControlGetBoundPart)

extern "C" void DataControlActionPerformAction(RuntimeObject* action) {
  if (!action) return;
  auto* record = reinterpret_cast<DataControlActionObject*>(action);
  RuntimeObject* object = record->dataControl;
  switch (record->command) {
    case kCommandInsert: DataControlAddNewRecord(object); break;
    case kCommandUpdate: DataControlUpdateRecord(object); break;
    case kCommandDelete: DataControlDeleteRecord(object); break;
    case kCommandNewRecord: DataControlNewRecord(object); break;
    default: break;
  }
}
QV_EXPORT(DataControlActionPerformAction)

extern "C" void DataControlActionDestructor(RuntimeObject* action) {
  if (!action) return;
  auto* record = reinterpret_cast<DataControlActionObject*>(action);
  RuntimeUnlockObject(std::exchange(record->dataControl, nullptr));
}
QV_EXPORT(DataControlActionDestructor)
