// The built-in engine as compiled code meets it: newQUORDatabase and openQUORDatabase, the
// QUORDatabaseOldFormat class (a Database with a DatabaseFile, Connect and
// CreateDatabaseFile), and the "quordb" opener of database resources.
#include <cstddef>

#include "core/ClassDefinitionRows.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "database/BuiltInEngine.h"
#include "database/DatabaseClasses.h"
#include "database/DatabasePlugins.h"
#include "database/DatabaseShutdownContext.h"
#include "files/FolderItemClass.h"

struct QUORDatabaseObject {
  DatabaseObject database;
  RuntimeObject* databaseFile;  // a FolderItem, held
};
static_assert(sizeof(QUORDatabaseObject) == 76, "QUORDatabaseOldFormat instances");
static_assert(offsetof(QUORDatabaseObject, databaseFile) == 72, "QUORDatabaseOldFormat layout");

ObjectDefinition* QUORDatabaseOldFormatClassDefinition();

namespace {

QUORDatabaseObject* AsQUORDatabase(RuntimeObject* object) {
  if (!object || !ObjectIsaDefinition(object, QUORDatabaseOldFormatClassDefinition()))
    return nullptr;
  return reinterpret_cast<QUORDatabaseObject*>(object);
}

// The host path of a FolderItem that names a file on disk; false with *problem set.
bool FilePath(RuntimeObject* item, string* path, std::string* problem) {
  FolderItemImp* imp = FolderItemImpOf(item);
  if (!imp) {
    *problem = "A Database file was not specified";
    return false;
  }
  if (imp->IsVirtual()) {
    *problem = "A database file cannot lie inside a virtual volume";
    return false;
  }
  *path = imp->GetPath();
  return true;
}

using Maker = BuiltInDatabase* (*)(const string& path, std::string* error);

BuiltInDatabase* Make(RuntimeObject* item, Maker maker, std::string* problem) {
  string path;
  if (!FilePath(item, &path, problem)) return nullptr;
  return maker(path, problem);
}

RuntimeObject* Wrapped(BuiltInDatabase* handle) {
  return handle ? QUORdbDatabaseFromDBDatabase(handle, BuiltInEngineDefinition()) : nullptr;
}

// Connect and CreateDatabaseFile: whatever the object held is closed first, so that one
// object never keeps two stores over its file.
int32_t Attach(RuntimeObject* object, Maker maker) {
  QUORDatabaseObject* self = AsQUORDatabase(object);
  if (!self) return 0;
  DatabaseObject* db = &self->database;
  databaseClose(object);
  if (!self->databaseFile) {
    SetDatabaseError(db, 1, "A Database file was not specified");
    return 0;
  }
  std::string problem;
  BuiltInDatabase* handle = Make(self->databaseFile, maker, &problem);
  if (!handle) {
    db->engineHandle = nullptr;  // the one it held is closed and gone: this object never opened
    SetDatabaseError(db, 1, problem.c_str());
    return 0;
  }
  db->errorCode = 0;
  db->engineHandle = handle;
  db->engine = BuiltInEngineDefinition();
  db->opened = 1;
  dbShutdownContext::Get()->AddDatabase(object);
  return 1;
}

// A database resource of the built-in engine ('Z' and three fields naming its file) opens no
// database: there is no file of the image's own to open it from.
RuntimeObject* OpenBuiltInResource(const uint8_t*, uint32_t) { return nullptr; }

void InstallOpener() { SetBuiltInDatabaseOpener(OpenBuiltInResource); }

}  // namespace

QV_STARTUP(kStartupBuiltInDatabaseOpener, InstallOpener)

extern "C" {

RuntimeObject* newQUORDatabase(RuntimeObject* item) {
  std::string problem;
  return Wrapped(Make(item, CreateBuiltInDatabase, &problem));
}
QV_EXPORT(newQUORDatabase)

RuntimeObject* openQUORDatabase(RuntimeObject* item) {
  std::string problem;
  return Wrapped(Make(item, OpenBuiltInDatabase, &problem));
}
QV_EXPORT(openQUORDatabase)

void QUORDatabaseConstructor(RuntimeObject* object) {
  if (QUORDatabaseObject* self = AsQUORDatabase(object))
    self->database.engine = BuiltInEngineDefinition();
}
QV_EXPORT(QUORDatabaseConstructor)

void QUORDatabaseDestructor(RuntimeObject* object) {
  QUORDatabaseObject* self = AsQUORDatabase(object);
  if (!self) return;
  databaseClose(object);
  RuntimeUnlockObject(self->databaseFile);
  self->databaseFile = nullptr;
}
QV_EXPORT(QUORDatabaseDestructor)

RuntimeObject* QUORDatabaseFolderItemGetter(RuntimeObject* object, uint32_t) {
  QUORDatabaseObject* self = AsQUORDatabase(object);
  if (!self) return nullptr;
  RuntimeLockObject(self->databaseFile);
  return self->databaseFile;
}
QV_EXPORT(QUORDatabaseFolderItemGetter)

void QUORDatabaseFolderItemSetter(RuntimeObject* object, uint32_t, RuntimeObject* item) {
  QUORDatabaseObject* self = AsQUORDatabase(object);
  if (!self) return;
  RuntimeLockObject(item);
  RuntimeUnlockObject(self->databaseFile);
  self->databaseFile = item;
}
QV_EXPORT(QUORDatabaseFolderItemSetter)

int32_t QUORDatabaseConnect(RuntimeObject* object) { return Attach(object, OpenBuiltInDatabase); }
QV_EXPORT(QUORDatabaseConnect)

int32_t QUORDatabaseCreateDatabaseFile(RuntimeObject* object) {
  return Attach(object, CreateBuiltInDatabase);
}
QV_EXPORT(QUORDatabaseCreateDatabaseFile)

}  // extern "C"

namespace {

using namespace lang;

const PropertyRow kQUORDatabaseProperties[] = {
    QV_PROPERTY("DatabaseFile", Class<"FolderItem">, QUORDatabaseFolderItemGetter,
                QUORDatabaseFolderItemSetter),
};
const MethodRow kQUORDatabaseMethods[] = {
    QV_FUNCTION("Connect", Boolean, QUORDatabaseConnect),
    QV_FUNCTION("CreateDatabaseFile", Boolean, QUORDatabaseCreateDatabaseFile),
};

}  // namespace

QV_CLASS(QUORDatabaseOldFormatClassDefinition,
         .name = "QUORDatabaseOldFormat",
         .super = DatabaseClassDefinition,
         .objectSize = sizeof(QUORDatabaseObject),
         .properties = kQUORDatabaseProperties,
         .methods = kQUORDatabaseMethods,
         .initializer = QV_CODE(QUORDatabaseConstructor),
         .finalizer = QV_CODE(QUORDatabaseDestructor))
