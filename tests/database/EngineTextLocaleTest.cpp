// The engine's own texts (the literals it writes for joins and for a RecordSet's write-back, and
// the numbers it reads back) never follow the process locale: under a decimal-comma locale
// Double and Single values join, compare and are edited as under the C locale.
#include <gtest/gtest.h>
#include <locale.h>

#include <string>
#include <vector>

#include "BuiltInTestSupport.h"
#include "database/DatabaseClasses.h"
#include "database/SQLStatements.h"

namespace {

using dbtest::BuiltInDb;
using dbtest::Held;
using dbtest::S;
using Rows = std::vector<std::string>;

// What each statement of one database answers, in order.
Rows Answers(BuiltInDb& db) {
  const char* const setup[] = {
      "create table a (x double)",         "create table b (y double)",
      "create table c (x double, y double)", "create table s (f float, g float)",
      "create table k (id double, note varchar, primary key (id))",
      "insert into a (x) values (2.5)",    "insert into a (x) values (2)",
      "insert into b (y) values (2.5)",    "insert into b (y) values (2)",
      "insert into c (x, y) values (2.5, 2.5)", "insert into c (x, y) values (1.5, 7)",
      "insert into s (f, g) values (0.1, 0.1)", "insert into s (f, g) values (1.25, 3)",
      "insert into k (id, note) values (2.5, 'old')", "insert into k (id, note) values (3, 'x')",
  };
  Rows answers;
  for (const char* sql : setup) {
    EXPECT_EQ(db.Exec(sql), 0) << sql << ": " << db.ErrorMessage();
  }
  for (const char* sql : {"select x, y from a, b where a.x = b.y", "select x from c where x = y",
                          "select f from s where f = g", "select x from a where x > 2.25"}) {
    int32_t error = -1;
    for (const std::string& row : db.Query(sql, &error)) answers.push_back(row);
    answers.push_back(std::string(sql) + " error " + std::to_string(error));
  }
  // The write-back names the edited row by its Double key.
  Held rs(databaseSQLSelect(db.db(), S("select id, note from k")));
  EXPECT_NE(rs.get(), nullptr) << db.ErrorMessage();
  if (!rs.get()) return answers;
  cursorEdit(rs);
  Held note(cursorGetFieldByName(rs, S("note")));
  cursorFieldStringValueSetter(note, 0, S("new"));
  cursorUpdate(rs);
  answers.push_back("update error " + std::to_string(db.ErrorCode()));
  cursorClose(rs);
  for (const std::string& row : db.Query("select id, note from k")) answers.push_back(row);
  return answers;
}

TEST(EngineTextLocale, DecimalCommaLocalesJoinCompareAndEditAsTheCLocaleDoes) {
  // The locale the tests run under comes back however this test ends.
  struct Restore {
    std::string saved;
    ~Restore() { setlocale(LC_ALL, saved.c_str()); }
  } restore{setlocale(LC_ALL, nullptr)};
  Rows reference;
  {
    ASSERT_NE(setlocale(LC_ALL, "C"), nullptr);
    BuiltInDb db;
    reference = Answers(db);
  }
  EXPECT_EQ(reference, (Rows{"2.5|2.5", "2|2", "select x, y from a, b where a.x = b.y error 0",
                             "2.5", "select x from c where x = y error 0", "0.10000000149",
                             "select f from s where f = g error 0", "2.5",
                             "select x from a where x > 2.25 error 0", "update error 0",
                             "2.5|new", "3|x"}));
  for (const char* locale : {"de_DE.UTF-8", "fr_FR.ISO-8859-1"}) {
    SCOPED_TRACE(locale);
    ASSERT_NE(setlocale(LC_ALL, locale), nullptr) << "scripts/install-deps generates it";
    BuiltInDb db;
    EXPECT_EQ(Answers(db), reference);
  }
}

}  // namespace
