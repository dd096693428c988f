#include "database/DatabaseShutdownContext.h"

#include "database/DatabaseClasses.h"

namespace {

dbShutdownContext* gContext = nullptr;

// Closes object with a reference of the walk's own, so that the close cannot free it midway.
void CloseHeld(RuntimeObject* object, void (*close)(RuntimeObject*)) {
  RuntimeLockObject(object);
  close(object);
  RuntimeUnlockObject(object);
}

}  // namespace

dbShutdownContext* dbShutdownContext::Get() {
  if (!gContext) gContext = new dbShutdownContext();
  return gContext;
}

bool dbShutdownContext::Contains(Node* list, RuntimeObject* object) {
  for (; list; list = list->next) {
    if (list->object == object) return true;
  }
  return false;
}

void dbShutdownContext::Remove(Node** list, RuntimeObject* object) {
  TakeFirst(list, [object](RuntimeObject* listed) { return listed == object; });
}

template <typename Test>
RuntimeObject* dbShutdownContext::TakeFirst(Node** list, Test test) {
  for (Node** link = list; *link; link = &(*link)->next) {
    Node* node = *link;
    if (!test(node->object)) continue;
    *link = node->next;
    RuntimeObject* object = node->object;
    delete node;
    return object;
  }
  return nullptr;
}

void dbShutdownContext::AddDatabase(RuntimeObject* database) {
  if (database && !Contains(mDatabases, database)) mDatabases = new Node{mDatabases, database};
}

void dbShutdownContext::AddCursor(RuntimeObject* cursor) {
  if (cursor && !Contains(mCursors, cursor)) mCursors = new Node{mCursors, cursor};
}

void dbShutdownContext::RemoveDatabase(RuntimeObject* database) {
  if (gContext) Remove(&gContext->mDatabases, database);
}

void dbShutdownContext::RemoveCursor(RuntimeObject* cursor) {
  if (gContext) Remove(&gContext->mCursors, cursor);
}

bool dbShutdownContext::HasDatabase(RuntimeObject* database) {
  return gContext && Contains(gContext->mDatabases, database);
}

bool dbShutdownContext::HasCursor(RuntimeObject* cursor) {
  return gContext && Contains(gContext->mCursors, cursor);
}

void dbShutdownContext::CloseCursorsOf(RuntimeObject* database) {
  if (!gContext || !database) return;
  auto ofDatabase = [database](RuntimeObject* cursor) {
    return reinterpret_cast<RuntimeObject*>(
               reinterpret_cast<DatabaseCursorObject*>(cursor)->database) == database;
  };
  // Looked up afresh after each close: a close may close or free other listed objects.
  while (gContext) {
    RuntimeObject* cursor = TakeFirst(&gContext->mCursors, ofDatabase);
    if (!cursor) break;
    CloseHeld(cursor, cursorClose);
  }
}

dbShutdownContext::~dbShutdownContext() {
  auto any = [](RuntimeObject*) { return true; };
  while (RuntimeObject* cursor = TakeFirst(&mCursors, any)) CloseHeld(cursor, cursorClose);
  while (RuntimeObject* database = TakeFirst(&mDatabases, any)) {
    CloseHeld(database, databaseClose);
  }
  if (gContext == this) gContext = nullptr;
}
