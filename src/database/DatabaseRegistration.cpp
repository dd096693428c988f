#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Startup.h"
#include "database/BuiltInEngine.h"
#include "database/DatabaseClasses.h"
#include "database/SQLStatements.h"
#include "database/ScrollableCursor.h"

void RegisterDatabaseClasses() {
  for (ClassGetter getter :
       {DatabaseClassDefinition, DatabaseCursorClassDefinition, RecordSetClassDefinition,
        DatabaseCursorFieldClassDefinition, DatabaseFieldClassDefinition,
        DatabaseRecordClassDefinition, ScrollableCursorClassDefinition,
        QUORDatabaseOldFormatClassDefinition}) {
    RegisterClassDefinition(getter());
  }
  InstallSQLFrontEnd();
}
QV_STARTUP(kStartupDatabaseClasses, RegisterDatabaseClasses)
