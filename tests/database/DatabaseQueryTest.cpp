// DatabaseQuery over a database of the built-in engine: when it runs, whom it tells, what a
// failed select leaves, a parameter that tries to change the statement's shape, and an event
// that drops the last reference to the query.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BuiltInTestSupport.h"
#include "core/EventHandlers.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "database/DatabaseQueryClass.h"

namespace {

using dbtest::Held;
using dbtest::S;

std::vector<std::string> gLog;

void Reload(RuntimeObject*) { gLog.push_back("reload"); }
void QueryComplete(RuntimeObject*) { gLog.push_back("complete"); }

// The program's last reference to the query, dropped by the event as `Self.Query = Nil` does
// while the caller runs `Self.Query.GetCount`.
RuntimeObject* gLastReference;
void QueryCompleteDropping(RuntimeObject*) {
  gLog.push_back("dropped");
  RuntimeUnlockObject(gLastReference);
  gLastReference = nullptr;
}

// A receiver of list-data notifications, as compiled code would make its class.
RuntimeObject* NewReceiver() {
  static RuntimeClass* cls = [] {
    RuntimeClass* c = RuntimeNewClass(nullptr, 0, 1, 0, 0, 0);
    c->className = string("Receiver").ExtractStringStorage();
    c->instanceSize = int32_t(sizeof(RuntimeObject));
    InterfaceTableEntry& entry = InterfaceEntries(c)[0];
    entry.interfaceClass =
        RuntimeClassForDefinition(ListDataNotificationReceiverInterfaceDefinition());
    entry.methodCount = 1;
    entry.methods = RuntimeNewVtable(1);
    entry.methods[0] = {reinterpret_cast<void*>(Reload),
                        string("listDataReload%%o<Receiver>").ExtractStringStorage()};
    return c;
  }();
  return RuntimeNewObject(cls);
}

class DatabaseQueryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog.clear();
    ASSERT_EQ(db.Exec("create table people (id integer, name varchar, primary key (id))"), 0);
    for (const char* row : {"(1, 'ann')", "(2, 'bob')", "(3, 'o''hara')"})
      ASSERT_EQ(db.Exec(std::string("insert into people (id, name) values ") + row), 0);
    query.reset(NewObjectFromDefinition(DatabaseQueryClassDefinition()));
    objSetter(query, offsetof(DatabaseQueryObject, database), db.db());
    databaseQueryAddLDNR(query, receiver);
    RuntimeInstallInstanceEventHandler(query, S(string("QueryComplete")),
                                       reinterpret_cast<void*>(QueryComplete));
  }
  void SetQuery(const char* sql) {
    stringSetter(query, offsetof(DatabaseQueryObject, sqlQuery), S(string(sql)));
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int32_t i = 1; i <= databaseQueryGetCount(query); ++i) {
      Held row(databaseQueryGetRow(query, i));
      names.push_back(dbtest::Text(getDatabaseRecordIndString(row, 1)));
    }
    return names;
  }

  dbtest::BuiltInDb db;
  Held receiver{NewReceiver()};
  Held query;
};

TEST_F(DatabaseQueryTest, GetCountRunsANeverRunQueryOnceWithoutTellingTheReceivers) {
  SetQuery("select name from people");
  EXPECT_EQ(databaseQueryGetCount(query), 3);
  EXPECT_EQ(gLog, std::vector<std::string>{"complete"});
  ASSERT_EQ(db.Exec("insert into people (id, name) values (4, 'dan')"), 0);
  EXPECT_EQ(databaseQueryGetCount(query), 3) << "a second GetCount ran the query again";
  databaseQueryRunQuery(query);
  EXPECT_EQ(databaseQueryGetCount(query), 4);
  EXPECT_EQ(gLog, (std::vector<std::string>{"complete", "reload", "complete"}));
}

TEST_F(DatabaseQueryTest, AFailedSelectLeavesNoResultButStillTellsEveryone) {
  SetQuery("select name from nowhere");
  databaseQueryRunQuery(query);
  EXPECT_EQ(databaseQueryGetCount(query), 0);
  EXPECT_EQ(databaseQueryGetRow(query, 1), nullptr);
  EXPECT_EQ(gLog, (std::vector<std::string>{"reload", "complete"}));
  databaseQueryRemoveLDNR(query, receiver);
  SetQuery("select name from people");
  databaseQuerySetParameter(query, S(string("ignored")));  // no %1: it only runs again
  EXPECT_EQ(Names(), (std::vector<std::string>{"ann", "bob", "o'hara"}));
}

TEST_F(DatabaseQueryTest, AParameterNeverChangesTheShapeOfTheStatement) {
  SetQuery("select name from people where name = '%1'");
  databaseQuerySetParameter(query, S(string("o'hara")));
  EXPECT_EQ(Names(), std::vector<std::string>{"o'hara"});
  databaseQuerySetParameter(query, S(string("x' or 'a'='a")));
  EXPECT_EQ(Names(), std::vector<std::string>{});
  SetQuery("select name from people where id = %1");
  databaseQuerySetParameter(query, S(string("2")));
  EXPECT_EQ(Names(), std::vector<std::string>{"bob"});
  gLog.clear();
  databaseQuerySetParameter(query, S(string("1 or 1=1")));
  EXPECT_EQ(databaseQueryGetCount(query), 0) << "an unquoted parameter ran as SQL";
  EXPECT_EQ(gLog, (std::vector<std::string>{"reload", "complete"}));
}

// GetCount runs a never-run query and reads its result after the event; RunQuery tells the
// receivers before it.
TEST_F(DatabaseQueryTest, AnEventThatDropsTheLastReferenceLeavesTheQueryUntilTheCallEnds) {
  for (const bool count : {true, false}) {
    query.reset(NewObjectFromDefinition(DatabaseQueryClassDefinition()));
    objSetter(query, offsetof(DatabaseQueryObject, database), db.db());
    databaseQueryAddLDNR(query, receiver);
    SetQuery("select name from people");
    gLog.clear();
    RuntimeInstallInstanceEventHandler(query, S(string("QueryComplete")),
                                       reinterpret_cast<void*>(QueryCompleteDropping));
    const int32_t live = LiveObjectCount();
    gLastReference = query.release();
    if (count) {
      EXPECT_EQ(databaseQueryGetCount(gLastReference), 3);
    } else {
      databaseQueryRunQuery(gLastReference);
    }
    const std::vector<std::string> expected =
        count ? std::vector<std::string>{"dropped"} : std::vector<std::string>{"reload", "dropped"};
    EXPECT_EQ(gLog, expected);
    EXPECT_EQ(gLastReference, nullptr);
    EXPECT_LT(LiveObjectCount(), live) << "the query was kept after the call";
  }
}

}  // namespace
