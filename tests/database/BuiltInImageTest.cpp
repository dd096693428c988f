// A packed console application on the built-in engine (tests/images/database/quordbapp.c):
// what it prints after creating, filling, reconnecting, editing, deleting and rolling back, the
// file it leaves checked by the storage checker; and the same application killed with SIGKILL
// in the middle of a 10,000-row insert, whose file must open with the committed rows only.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "BuiltInTestSupport.h"
#include "database/SQLStatements.h"
#include "files/FolderItemClass.h"
#include "support/TestSupport.h"

extern char** environ;
extern "C" RuntimeObject* openQUORDatabase(RuntimeObject* item);

namespace {

std::vector<std::string> AppLines(const std::string& output) {
  std::vector<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);)
    if (line.starts_with("app:")) lines.push_back(line);
  return lines;
}

size_t LiveRows(const std::string& path, const std::string& storage, const dbtest::Bytes& keys) {
  StorageError error;
  std::unique_ptr<PageStore> store = PageStore::Open(string(path.c_str()), &error);
  return store ? dbtest::CheckStoredTable(*store, storage, keys).live.size() : 0;
}

TEST(BuiltInImage, ACompiledApplicationStoresEditsAndRollsBackThroughTheClass) {
  dbtest::TempFolder folder;
  const std::string path = folder.Path("app.qdb");
  setenv("QV_QUORDB_FILE", path.c_str(), 1);
  setenv("QV_QUORDB_MODE", "work", 1);
  std::string output;
  const int status = qvtest::RunProgram({QUORDBAPP_EXE}, &output);
  unsetenv("QV_QUORDB_MODE");
  ASSERT_EQ(status, 0) << output;
  const std::vector<std::string> lines = AppLines(output);
  const std::vector<std::string> expected = {
      "app: created 1",
      "app: create table t (k integer, s smallint, v varchar(30), f float, d double, dt date, "
      "tm time, b boolean, lt long varchar, primary key (k)) -> 0 ",
      "app: create table blobs (k integer, data long varbinary, primary key (k)) -> 0 ",
      "app: insert into t (k, s, v, f, d, dt, tm, b, lt) values (1, -12, 'it''s', 0.5, 2.25, "
      "'2024-05-07', '10:30:15', 'true', 'a long text') -> 0 ",
      "app: insert into t (k, v) values (2, 'second') -> 0 ",
      "app: insert into t (k, v) values (3, 'third') -> 0 ",
      "app: insert into t (k, s) values (4, 40000) -> 2003 Invalid number format",
      "app: insert record -> 0 ", "app: insert record -> 0 ", "app: insert record -> 0 ",
      "app: insert record -> 0 ", "app: insert record -> 0 ", "app: commit -> 0 ",
      "app: reconnect 1",
      "app: large value 0 read back whole", "app: large value 4000 read back whole",
      "app: large value 4001 read back whole", "app: large value 12000 read back whole",
      "app: large value 2000001 read back whole",
      "app: select k, s, v, f, d, dt, tm, b, lt from t"};
  ASSERT_GE(lines.size(), expected.size()) << output;
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + long(expected.size())),
            expected);
  const std::vector<std::string> tail(lines.begin() + long(expected.size()), lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{
                      "app:  1|-12|it's|0.5|2.25|2024-05-07|10:30:15|true|a long text",
                      "app:  2||second||||||", "app:  3||third||||||",
                      "app: update through the RecordSet -> 0 ",
                      "app: delete through the RecordSet -> 0 ",
                      "app: insert into t (k, v) values (9, 'rolled back') -> 0 ",
                      "app: rollback -> 0 ", "app: select k, v from t", "app:  1|it's",
                      "app:  2|edited", "app: closed"}));
  EXPECT_EQ(dbtest::CheckBuiltInFile(path), "");
  // 0, 4,000: a piece each; 4,001: two pieces and a list; 12,000: three and a list;
  // 2,000,001: 501 pieces and two lists, the second naming the first; and t's long text.
  EXPECT_EQ(LiveRows(path, kDbBlobStorage, {}), 1u + 1 + 3 + 4 + 503 + 1);
}

TEST(BuiltInImage, KilledInTheMiddleOfAnInsertItsFileOpensWithTheCommittedRowsOnly) {
  InstallSQLFrontEnd();
  dbtest::TempFolder folder;
  const std::string path = folder.Path("killed.qdb");
  setenv("QV_QUORDB_FILE", path.c_str(), 1);
  setenv("QV_QUORDB_MODE", "kill", 1);
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  char* argv[] = {const_cast<char*>(QUORDBAPP_EXE), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, QUORDBAPP_EXE, &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  unsetenv("QV_QUORDB_MODE");
  close(pipeFds[1]);
  std::string output;
  char buffer[256];
  while (output.find("app: half way") == std::string::npos) {
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    output.append(buffer, size_t(n));
  }
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(pipeFds[0]);
  ASSERT_NE(output.find("app: committed 100 rows -> 0"), std::string::npos) << output;
  ASSERT_TRUE(WIFSIGNALED(status)) << output;
  EXPECT_EQ(output.find("app: all inserted"), std::string::npos) << "killed too late";
  EXPECT_EQ(dbtest::CheckBuiltInFile(path), "");
  dbtest::Held item(FolderItemFromPath(path.c_str()));
  dbtest::Held db(openQUORDatabase(item));
  ASSERT_NE(db.get(), nullptr);
  dbtest::Held rs(databaseSQLSelect(db, dbtest::S("select count(*), min(k), max(k) from rows")));
  EXPECT_EQ(dbtest::ReadRows(rs), (std::vector<std::string>{"100|0|99"}));
  cursorClose(rs);
  databaseClose(db);
}

}  // namespace
