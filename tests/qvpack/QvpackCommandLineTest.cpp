// qvpack as a program: usage, block files, the embedded section, resources and icons.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status;
  std::string output;
};

Outcome RunProgram(std::vector<std::string> arguments) {
  Outcome outcome;
  const int status = qvtest::RunInChild(
      [&] {
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
      },
      &outcome.output);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

Outcome Qvpack(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), QVPACK_TOOL);
  return RunProgram(std::move(arguments));
}

std::string Fixture(const std::string& name) { return std::string(QVPACK_FIXTURES) + "/" + name; }

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

class QvpackCommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/qvpacktestXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mFolder = pattern;
  }
  void TearDown() override { fs::remove_all(mFolder); }
  fs::path mFolder;
};

TEST_F(QvpackCommandLine, HelpSaysHowToDeclareLibraryFunctionsAndStringConstants) {
  const Outcome outcome = Qvpack({"--help"});
  EXPECT_EQ(outcome.status, 0);
  for (const char* text : {"QV_SHARED_FUNCTION(cos, \"libm.so.6\")", ".qvlibs", "QV_STR(\"text\")",
                           ".qvstrings", "--embed EXE OUT", "--resource TYPE:ID:FILE"})
    EXPECT_NE(outcome.output.find(text), std::string::npos) << text;
}

TEST_F(QvpackCommandLine, BadCommandLinesFailWithAMessage) {
  const struct {
    std::vector<std::string> arguments;
    const char* message;
  } cases[] = {
      {{}, "no input objects"},
      {{Fixture("layout.S.o")}, "no output"},
      {{"--frobnicate"}, "unknown option --frobnicate"},
      {{"-o"}, "-o needs a value"},
      {{"-o", "/nonexistent/folder", Fixture("layout.S.o")}, "cannot write"},
      {{"-o", ".", "/nonexistent.o"}, "/nonexistent.o: cannot open"},
      {{"-o", ".", "--resource", "TOOLONG:1:" + Fixture("layout.S.o"), Fixture("layout.S.o")},
       "not four characters"},
      {{"-o", ".", "--resource", "TEXT:70000:" + Fixture("layout.S.o"), Fixture("layout.S.o")},
       "exceeds 65535"},
      {{"-o", ".", "--resource", "TEXT:-1:" + Fixture("layout.S.o"), Fixture("layout.S.o")},
       "not a number"},
      {{"-o", ".", "--resource", "TEXT:1", Fixture("layout.S.o")}, "too few ':' fields"},
      {{"-o", ".", Fixture("bad_import_addend.S.o")}, "addend on an imported symbol"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = Qvpack(c.arguments);
    EXPECT_EQ(outcome.status, 1) << c.message;
    EXPECT_NE(outcome.output.find(std::string("qvpack: ")), std::string::npos) << outcome.output;
    EXPECT_NE(outcome.output.find(c.message), std::string::npos) << outcome.output;
  }
}

TEST_F(QvpackCommandLine, ResourcesAndIconsFillTheirBlocks) {
  WriteBytes(mFolder / "text", {'a', 'b', 'c'});
  WriteBytes(mFolder / "db", {9});
  WriteBytes(mFolder / "icon", {1, 2, 3, 4, 5, 6, 7, 8});
  const Outcome outcome =
      Qvpack({"-o", mFolder, "--resource", "TEXT:128:" + (mFolder / "text").string(), "--resource",
              "DBAS:0x101:" + (mFolder / "db").string(), "--icon",
              "2:1:" + (mFolder / "icon").string(), Fixture("layout.S.o")});
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  // The type's bytes spell the code backwards; then id, four free bytes, length, data.
  const std::vector<uint8_t> resources = {'T', 'X', 'E', 'T', 128, 0,   0,   0,   0,   0,   3,
                                          0,   0,   0,   'a', 'b', 'c', 'S', 'A', 'B', 'D', 1,
                                          1,   0,   0,   0,   0,   1,   0,   0,   0,   9};
  EXPECT_EQ(ReadBytes(mFolder / "rsrc.dat"), resources);
  EXPECT_EQ(ReadBytes(mFolder / "options.dat"),
            (std::vector<uint8_t>{1, 2, 1, 1, 2, 3, 4, 5, 6, 7, 8}));
  const Outcome wrongIcon = Qvpack(
      {"-o", mFolder, "--icon", "3:1:" + (mFolder / "icon").string(), Fixture("layout.S.o")});
  EXPECT_EQ(wrongIcon.status, 1);
  EXPECT_NE(wrongIcon.output.find("needs 12 bytes of RGBA, the file has 8"), std::string::npos);
}

// The embedded section, dumped by objcopy, is the six block files each behind its u32 size.
TEST_F(QvpackCommandLine, EmbeddedSectionHoldsTheSixBlocksInOrder) {
  const fs::path exe = mFolder / "app";
  WriteBytes(mFolder / "text", {'x', 'y'});
  const std::vector<std::string> image = {"--resource", "TEXT:1:" + (mFolder / "text").string(),
                                          Fixture("calls.c.o"), Fixture("calls_helper.c.o")};
  std::vector<std::string> arguments = {"-o", mFolder, "--embed", QVPACK_TOOL, exe};
  arguments.insert(arguments.end(), image.begin(), image.end());
  ASSERT_EQ(Qvpack(arguments).status, 0);

  std::vector<uint8_t> expected;
  for (const char* block :
       {"code.dat", "data.dat", "import.dat", "symbols.dat", "rsrc.dat", "options.dat"}) {
    const auto bytes = ReadBytes(mFolder / block);
    const uint32_t size = bytes.size();
    expected.insert(expected.end(), reinterpret_cast<const uint8_t*>(&size),
                    reinterpret_cast<const uint8_t*>(&size) + 4);
    expected.insert(expected.end(), bytes.begin(), bytes.end());
  }
  ASSERT_EQ(RunProgram({"objcopy", "--dump-section", ".qv=" + (mFolder / "dump").string(), exe,
                        mFolder / "scratch"})
                .status,
            0);
  EXPECT_EQ(ReadBytes(mFolder / "dump"), expected);

  // Packing again into the packed executable replaces the section instead of adding one.
  const fs::path again = mFolder / "again";
  ASSERT_EQ(Qvpack({"--embed", exe, again, Fixture("layout.S.o")}).status, 0);
  const Outcome sections = RunProgram({"readelf", "-SW", again});
  size_t count = 0;
  for (size_t at = sections.output.find(" .qv "); at != std::string::npos;
       at = sections.output.find(" .qv ", at + 1))
    ++count;
  EXPECT_EQ(count, 1u) << sections.output;
  // Not loaded into memory: no A flag.
  const size_t line = sections.output.find(" .qv ");
  const std::string row = sections.output.substr(line, sections.output.find('\n', line) - line);
  EXPECT_EQ(row.find(" A "), std::string::npos) << row;
  ASSERT_EQ(RunProgram({"objcopy", "--dump-section", ".qv=" + (mFolder / "dump2").string(), again,
                        mFolder / "scratch"})
                .status,
            0);
  EXPECT_NE(ReadBytes(mFolder / "dump2"), expected);
  const auto replaced = ReadBytes(mFolder / "dump2");
  ASSERT_GE(replaced.size(), 4u);
  uint32_t codeSize;
  std::memcpy(&codeSize, replaced.data(), 4);
  EXPECT_EQ(codeSize, 0x81u);  // the code of layout.S, not of calls.c
}

}  // namespace
