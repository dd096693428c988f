// Standard input read from a pipe of the test's making: lines and blocks through the one input
// buffer every stream object shares, the encoding a Read carries, the end and a read error, and
// lines longer than the limit.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/ConsoleIO.h"
#include "app/StandardStreams.h"
#include "values/VariantConversions.h"
#include "strings/TextEncodingObjects.h"

namespace {

std::string Text(stringStorage* record) { return string::Adopt(record).CString(); }

class StandardInput : public ::testing::Test {
 protected:
  void Feed(const std::string& input) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], input.data(), input.size()), ssize_t(input.size()));
    close(ends[1]);
    mFd = ends[0];
    SetConsoleInputDescriptorForTesting(mFd);
  }
  // The input from a file, for more than a pipe holds.
  void FeedFile(const std::string& input) {
    FILE* file = tmpfile();
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(fwrite(input.data(), 1, input.size(), file), input.size());
    ASSERT_EQ(fflush(file), 0);
    mFd = dup(fileno(file));
    fclose(file);
    ASSERT_EQ(lseek(mFd, 0, SEEK_SET), 0);
    SetConsoleInputDescriptorForTesting(mFd);
  }
  void TearDown() override {
    RuntimeUnlockObject(mStream);
    SetConsoleInputDescriptorForTesting(kStandardInput);
    close(mFd);
  }
  int mFd = -1;
  RuntimeObject* mStream = RuntimeGetStdIn();
};

TEST_F(StandardInput, LinesBlocksAndTheEndShareOneBuffer) {
  Feed("first\r\nsecond\nthird line\n\nlast");
  EXPECT_EQ(Text(RuntimeStdInputReadLine(mStream)), "first");
  EXPECT_EQ(Text(RuntimeStdInputRead(mStream, 3, nullptr)), "sec");
  EXPECT_EQ(Text(RuntimeConsoleInput()), "ond");
  RuntimeObject* other = RuntimeGetStdIn();  // another object, the same stream
  EXPECT_EQ(Text(RuntimeStdInputReadLine(other)), "third line");
  RuntimeUnlockObject(other);
  EXPECT_EQ(Text(RuntimeStdInputReadLine(mStream)), "");
  EXPECT_FALSE(RuntimeStdInputEof(mStream));
  EXPECT_EQ(Text(RuntimeStdInputReadLine(mStream)), "last");
  EXPECT_TRUE(RuntimeStdInputEof(mStream));
  EXPECT_EQ(Text(RuntimeStdInputReadLine(mStream)), "");
  EXPECT_FALSE(RuntimeStdInputError(mStream));
  SetConsoleInputDescriptorForTesting(1000);  // no such descriptor
  EXPECT_EQ(Text(RuntimeStdInputRead(mStream, 10, nullptr)), "");
  EXPECT_TRUE(RuntimeStdInputError(mStream));
  EXPECT_TRUE(RuntimeStdInputEof(mStream));
}

// A line longer than the limit comes in pieces of the limit, the first setting the read error:
// what a line holds stays bounded, and nothing is lost.
TEST_F(StandardInput, ALineOverTheLimitComesInPiecesAndIsAReadError) {
  FeedFile(std::string(kConsoleLineLimit + 10, 'x') + "\nnext\n" +
           std::string(kConsoleLineLimit, 'y') + "\r\n");
  string piece = string::Adopt(RuntimeStdInputReadLine(mStream));
  EXPECT_EQ(size_t(piece.Length()), kConsoleLineLimit);
  EXPECT_EQ(piece.CString()[kConsoleLineLimit - 1], 'x');
  EXPECT_TRUE(RuntimeStdInputError(mStream));
  EXPECT_EQ(Text(RuntimeStdInputReadLine(mStream)), std::string(10, 'x'));
  EXPECT_EQ(Text(RuntimeStdInputReadLine(mStream)), "next");
  piece = string::Adopt(RuntimeStdInputReadLine(mStream));
  EXPECT_EQ(size_t(piece.Length()), kConsoleLineLimit) << "a line of the limit is whole";
  EXPECT_TRUE(RuntimeStdInputEof(mStream));
}

TEST_F(StandardInput, ReadCarriesTheEncodingAskedForAndLinesAreUTF8) {
  Feed("\xE9t\xE9\nna\xC3\xAFve\n");
  TextEncodingObject* latin1 = GetTextEncodingObject(kEncodingWindowsLatin1);
  string bytes = string::Adopt(RuntimeStdInputRead(mStream, 4, latin1));
  EXPECT_EQ(bytes.Encoding(), kEncodingWindowsLatin1);
  EXPECT_EQ(std::string(bytes.CString()), "\xE9t\xE9\n");
  string line = string::Adopt(RuntimeStdInputReadLine(mStream));
  EXPECT_EQ(line.Encoding(), kEncodingUTF8);
  EXPECT_EQ(std::string(line.CString()), "na\xC3\xAFve");
  RuntimeUnlockObject(reinterpret_cast<RuntimeObject*>(latin1));
}

// Neither stream is a socket: each class converts to one through its own function, which
// answers nil.
TEST(StandardStreams, ConvertToASocketGivesNil) {
  const std::pair<RuntimeObject*, void*> streams[] = {
      {RuntimeGetStdIn(), reinterpret_cast<void*>(&RuntimeStdInputAsSocket)},
      {RuntimeGetStdErr(), reinterpret_cast<void*>(&RuntimeStdOutputAsSocket)}};
  for (const auto& [stream, convert] : streams) {
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(FindMethodWithSignature(stream->classPtr, string("Operator_Convert%o<TCPSocket>")),
              convert);
    EXPECT_EQ(reinterpret_cast<RuntimeObject* (*)(RuntimeObject*)>(convert)(stream), nullptr);
    RuntimeUnlockObject(stream);
  }
}

}  // namespace
