// Helpers of the database-class tests: the test engine plug-in (tests/plugins/database) loaded
// in this process, a hand-made engine whose entries the tests fill case by case, and the
// references the tests hold.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/RuntimeObject.h"
#include "values/VariantTypes.h"
#include "database/DatabaseClasses.h"
#include "database/DatabaseEngine.h"
#include "strings/RuntimeString.h"

namespace dbtest {

// An object reference the test owns, released at the end of the scope.
class Held {
 public:
  explicit Held(RuntimeObject* object = nullptr) : mObject(object) {}
  ~Held() { RuntimeUnlockObject(mObject); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  RuntimeObject* get() const { return mObject; }
  operator RuntimeObject*() const { return mObject; }
  RuntimeObject* release() {
    RuntimeObject* object = mObject;
    mObject = nullptr;
    return object;
  }
  void reset(RuntimeObject* object = nullptr) {
    RuntimeUnlockObject(mObject);
    mObject = object;
  }

 private:
  RuntimeObject* mObject;
};

// A string the test hands in (the callee adds its own references).
inline stringStorage* S(const string& text) { return text.Storage(); }
inline std::string Text(stringStorage* adopted) {
  const string text = string::Adopt(adopted);
  return std::string(reinterpret_cast<const char*>(text.Bytes()), size_t(text.Length()));
}

// The test engine plug-in, loaded once per process through the plug-in entry.
class TestEnginePlugin {
 public:
  // A new Database of the variant ("sql", "execute", "noselect", "nonames"), or nil.
  static RuntimeObject* Open(const char* variant);
  // The calls recorded since the last Clear, one per line.
  static std::string Log();
  static void Clear();
  // Log lines that start with prefix.
  static std::vector<std::string> Lines(const std::string& prefix);
  // From now on the "tables" variant's dbOpenTable makes at most count cursors and then answers
  // nil (negative: no bound).
  static void LimitOpens(int count);
};

// An engine made of C++ functions: each test puts the entries it wants into the tables and
// reads what the entries saw.
class FakeEngine {
 public:
  FakeEngine();
  ~FakeEngine();

  QUORdbEngineDefinition engine{};
  QUORdbCursorDefinition cursor{};

  // A Database over this engine (its handle is this object), wrapped as plug-ins do.
  RuntimeObject* OpenDatabase();
  // A RecordSet over rows of one text column "name" (values as given; nil for NULL), wrapped
  // as plug-ins do.
  RuntimeObject* NewCursor(const std::vector<std::string>& rows);

  // What the entries saw, in order.
  std::vector<std::string> calls;
  int32_t row = -1;
  int32_t rowCount = 0;
  int32_t valuesOut = 0;
  std::vector<std::string> rows;
  std::string heldText;

  static FakeEngine* Of(void* handle) { return static_cast<FakeEngine*>(handle); }
};

// The live objects at construction, to compare at the end (released String variants wait in
// their pool, alive, and do not count).
struct LiveObjects {
  static int32_t Count() { return LiveObjectCount() - int32_t(StringVariantPoolSize()); }
  int32_t start = Count();
  int32_t Added() const { return Count() - start; }
};

}  // namespace dbtest
