// The System module's milestone: the packed console application (tests/images/system) run
// without a display, with arguments holding blanks, quotes and UTF-8 and with variables the
// test sets, against Python's view of the same process (system_view.py): the command line, the
// variables, the interface count and the library look-ups; then what the language promises of
// the rest (a variable set and read back through libc, the registry's exception caught by
// compiled code, a key-chain item's empty description, the numeric types) and DebugLog alone
// on standard error.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "SpawnedProcess.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(SystemImage, PrintsWhatPythonSeesOfTheSameProcess) {
  const std::vector<std::string> argv = {SYSAPP_EXE, "two words", "quote\"d 'single'",
                                         "w\xC3\xB6rd", "--option=x", ""};
  const std::vector<std::string> environment = {"QVTEST_ONE=first value",
                                                "QVTEST_TWO=caf\xC3\xA9 \"quoted\" = sign"};
  qvtest::SpawnedProcess app(
      {.program = SYSAPP_EXE, .argv = argv, .environment = environment, .unset = {"DISPLAY"}});
  const int status = app.Finish();
  ASSERT_TRUE(qvtest::ExitedWith(status, 0)) << status << app.Errors();

  std::vector<std::string> viewArgv = {
      "env", "python3",
      (std::filesystem::path(__FILE__).parent_path() / "system_view.py").string()};
  viewArgv.insert(viewArgv.end(), argv.begin(), argv.end());
  qvtest::SpawnedProcess view(
      {.program = "/usr/bin/env", .argv = viewArgv, .environment = environment});
  ASSERT_TRUE(qvtest::ExitedWith(view.Finish(), 0)) << view.Errors();

  std::vector<std::string> expected = Lines(view.Output());
  ASSERT_EQ(expected.size(), 6u) << view.Output();
  // The rest, as the language promises them.
  expected.insert(expected.begin() + 3, "set:set by the image");
  for (const char* line : {"registry:RegistryAccessErrorException", "keychain:[]",
                           "numeric:1 2 0 1"}) {
    expected.push_back(line);
  }
  EXPECT_EQ(Lines(app.Output()), expected) << app.Output();
  EXPECT_EQ(app.Errors(), "debug line\n");
}

}  // namespace
