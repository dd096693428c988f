// The packed console application (tests/images/database/dbapp.c) that carries the test engine
// plug-in and opens it through its 'DBAS' resource: what it prints and the engine's calls, in
// the order they happened, up to the shutdown context closing what the application left open.
#include <gtest/gtest.h>

#include <gmock/gmock.h>
#include <stdlib.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::string> AppAndEngineLines(const std::string& output) {
  std::vector<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("app: ") || line.starts_with("engine: ")) lines.push_back(line);
  }
  return lines;
}

TEST(DatabaseImage, APackedApplicationWorksThroughThePluginEngineAndQuitsWithItOpen) {
  qvtest::TempFolder home("qvdbhome");
  const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", home.path().c_str(), 1);
  setenv("QV_TESTENGINE_ECHO", "1", 1);
  std::string output;
  const int status = qvtest::RunProgram({DBAPP_EXE}, &output);
  setenv("HOME", oldHome.c_str(), 1);
  unsetenv("QV_TESTENGINE_ECHO");
  ASSERT_EQ(status, 0) << output;
  EXPECT_THAT(
      AppAndEngineLines(output),
      testing::ElementsAre(
          "engine: open sql", "app: database opened", "engine: dbSelect select * from codes",
          "engine: curNextRow -> 1", "app: bof 0 eof 0", "app: row 0 []",
          "engine: curNextRow -> 1", "app: row 1 []", "engine: curNextRow -> 1",
          "app: row 2 [-12345]", "engine: curNextRow -> 1", "app: row 3 [-2000000000]",
          "engine: curNextRow -> 1", "app: row 4 [tango]", "engine: curNextRow -> 1",
          "app: row 5 [12.5]", "engine: curNextRow -> 1", "engine: curEdit 6",
          "engine: curColumnKey 1",
          "engine: dbExecute UPDATE [codes] SET [value] = 'it''s' WHERE id = 6",
          "app: row 6 [it's]",
          "engine: dbExecute insert into people([home town],name) values ('St. John''s','Ann')",
          "engine: dbExecute rollback", "app: error 77",
          "engine: curClose values-unreleased=0", "engine: dbClose variant=0 closes=1",
          "app: closed",
          // Classes of the application's own, spelling the interface methods their own way.
          "app: source adds a receiver", "app: label shows [first]", "app: label shows [second]",
          "app: source removes its receiver", "app: bound",
          // Quitting with both open: the RecordSet is closed before its database.
          "engine: open sql", "engine: dbSelect select * from codes", "engine: curNextRow -> 1",
          "app: quitting with a RecordSet open", "engine: curClose values-unreleased=0",
          "engine: dbClose variant=0 closes=1"))
      << output;
}

}  // namespace
