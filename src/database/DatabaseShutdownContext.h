// The database shutdown context: the record sets and databases still open, closed when the
// process ends (record sets first, so that each engine's cursors are closed before the
// database they belong to).
//
// The lists hold no references: an object leaves its list when it is closed, and closing
// happens at the latest in its destructor, so no listed object is ever freed. Each object is
// listed at most once. The exit walks take the first node off the list before closing its
// object, and hold the object for the close, so a close that releases the last reference to
// something (a cursor's database, the object itself) or closes other listed objects keeps the
// walk safe.
#pragma once

#include "app/ShutdownTasks.h"
#include "core/RuntimeObject.h"

class dbShutdownContext final : public runShutdownTask {
 public:
  // The context, made (and registered as a shutdown task) on the first call.
  static dbShutdownContext* Get();

  void AddDatabase(RuntimeObject* database);
  void AddCursor(RuntimeObject* cursor);
  // These change nothing when there is no context or the object is not listed.
  static void RemoveDatabase(RuntimeObject* database);
  static void RemoveCursor(RuntimeObject* cursor);
  // Closes every listed cursor whose RecordSet names database.
  static void CloseCursorsOf(RuntimeObject* database);

  // True when the object is listed (tests).
  static bool HasDatabase(RuntimeObject* database);
  static bool HasCursor(RuntimeObject* cursor);

  // Closes every cursor still listed, then every database, and forgets the context.
  ~dbShutdownContext() override;

 private:
  struct Node {
    Node* next;
    RuntimeObject* object;
  };
  dbShutdownContext() = default;
  static bool Contains(Node* list, RuntimeObject* object);
  static void Remove(Node** list, RuntimeObject* object);
  // Takes the first node whose object passes test off list; its object, or nil.
  template <typename Test>
  static RuntimeObject* TakeFirst(Node** list, Test test);

  Node* mDatabases = nullptr;
  Node* mCursors = nullptr;
};
