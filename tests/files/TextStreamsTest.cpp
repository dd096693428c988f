// TextInputStream and TextOutputStream over real files, pipes from a child, a FIFO and a
// mechanism that hands out a few bytes at a time: line ends across buffer refills, 16-bit
// text, positions, encodings as labels, delimiters, descriptors, and closed streams.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>
#include <vector>

#include "StreamTestSupport.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "files/TextInputStream.h"
#include "files/TextOutputStream.h"
#include "strings/TextEncodingObjects.h"
#include "support/ChildLimits.h"
#include "support/RaisedExceptions.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

using namespace streamtest;
using Input = Held<TextInputStreamObject>;
using Output = Held<TextOutputStreamObject>;

std::string ReadLine(TextInputStreamObject* in, TextEncoding* encoding = nullptr) {
  return Text(TextInputStreamReadLine(in, nullptr), encoding);
}

// Every line until EOF, joined with "|".
std::string AllLines(TextInputStreamObject* in) {
  std::string lines;
  for (int guard = 0; !TextInputStreamEOF(in) && guard < 10000; ++guard) {
    lines += ReadLine(in) + "|";
  }
  return lines;
}

std::string Utf16(const std::string& ascii) {
  std::string units;
  for (char c : ascii) units += std::string{c, '\0'};
  return units;
}

TEST(TextInputStream, LinesEndAtCRLFAndCRLF) {
  qvtest::TempFolder folder;
  WriteFile(folder / "lines", "a\r\nb\rc\n\nd");
  Input in(NewTextInputStream(OpenData(folder / "lines")));
  EXPECT_EQ(AllLines(in), "a|b|c||d|");
  EXPECT_EQ(ReadLine(in), "");
  // A CR that is the buffer's last byte, its LF the first of the next refill: one line end.
  WriteFile(folder / "edge", std::string(1023, 'x') + "\r\ny");
  Input edge(NewTextInputStream(OpenData(folder / "edge")));
  EXPECT_EQ(AllLines(edge), std::string(1023, 'x') + "|y|");
}

// In 16-bit text a byte 0x0A inside a character is no line end; a CR LF and a unit split
// across refills count once; an odd byte at the end ends the last line.
TEST(TextInputStream, SixteenBitLinesAcrossRefills) {
  const std::string first = Utf16(std::string(511, 'a'));
  const std::string second = Utf16("b") + "\x0A\x01" + "z";
  const std::string bytes = first + Utf16("\r\n") + second;
  qvtest::TempFolder folder;
  WriteFile(folder / "utf16", bytes);
  TextEncodingObject* utf16 = GetTextEncodingObject(kEncodingUnicode16);
  Input in(NewTextInputStream(OpenData(folder / "utf16")));
  Input trickled(NewTextInputStream(new TrickleMechanism(bytes, 7)));
  for (TextInputStreamObject* stream : {in.object, trickled.object}) {
    TextEncoding encoding = 0;
    EXPECT_EQ(Text(TextInputStreamReadLine(stream, utf16), &encoding), first);
    EXPECT_EQ(encoding, kEncodingUnicode16);
    EXPECT_EQ(Text(TextInputStreamReadLine(stream, utf16)), second);
    EXPECT_TRUE(TextInputStreamEOF(stream));
  }
  RuntimeUnlockObject(&utf16->header);
}

// The lines of bytes as a reference cuts them: at CR, LF or CR LF, in units of unit bytes; an
// odd byte at the end joins the last line.
std::vector<std::string> ReferenceLines(const std::string& bytes, size_t unit) {
  std::vector<std::string> lines;
  std::string line;
  const auto at = [&](size_t i) {
    return unit == 1 ? uint8_t(bytes[i]) : uint16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
  };
  size_t i = 0;
  for (; i + unit <= bytes.size(); i += unit) {
    const uint16_t value = at(i);
    if (value != 13 && value != 10) {
      line += bytes.substr(i, unit);
      continue;
    }
    lines.push_back(line);
    line.clear();
    if (value == 13 && i + 2 * unit <= bytes.size() && at(i + unit) == 10) i += unit;
  }
  line += bytes.substr(i);
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Lines of every length up to several buffers, with every kind of end, in 8- and 16-bit text,
// read from a file and from sources that hand out a few bytes or odd amounts at a time: the
// same lines as the reference cuts.
TEST(TextInputStream, LinesOfEveryLengthAgreeWithAReference) {
  std::mt19937 random(8704);
  qvtest::TempFolder folder;
  TextEncodingObject* utf16 = GetTextEncodingObject(kEncodingUnicode16);
  for (int round = 0; round < 24; ++round) {
    const size_t unit = round % 2 ? 2 : 1;
    std::string bytes;
    while (bytes.size() < 20000) {
      const size_t length = random() % 4 == 0 ? random() % 5000 : random() % 40;
      for (size_t k = 0; k < length * unit; ++k) bytes += char('a' + random() % 26);
      const std::string ends[] = {"\n", "\r", "\r\n"};
      for (char c : ends[random() % 3]) bytes += unit == 1 ? std::string(1, c) : std::string{c, 0};
    }
    if (round % 3 == 0) bytes += "tail";
    if (round % 4 == 1) bytes += "x";  // an odd byte at the end of 16-bit text
    const std::vector<std::string> expected = ReferenceLines(bytes, unit);
    WriteFile(folder / "f", bytes);
    Input file(NewTextInputStream(OpenData(folder / "f")));
    Input trickled(NewTextInputStream(new TrickleMechanism(bytes, 1 + int32_t(random() % 700))));
    for (TextInputStreamObject* in : {file.object, trickled.object}) {
      std::vector<std::string> lines;
      while (!TextInputStreamEOF(in) && lines.size() <= expected.size()) {
        lines.push_back(Text(TextInputStreamReadLine(in, unit == 2 ? utf16 : nullptr)));
      }
      ASSERT_EQ(lines, expected) << "round " << round;
      EXPECT_EQ(TextInputStreamLastErrorGetter(in), 0);
    }
  }
  RuntimeUnlockObject(&utf16->header);
}

TEST(TextInputStream, PositionsReadsAndEncodingLabels) {
  qvtest::TempFolder folder;
  WriteFile(folder / "f", "0123\n456\n\xC3\xA9");
  Input in(NewTextInputStream(OpenData(folder / "f")));
  TextInputStreamSetPosition(in, 0, 3);
  EXPECT_EQ(ReadLine(in), "3");
  EXPECT_EQ(TextInputStreamGetPosition(in, 0), 5);
  EXPECT_EQ(Text(TextInputStreamRead(in, 2, nullptr)), "45");
  EXPECT_EQ(Text(TextInputStreamRead(in, 0, nullptr)), "");
  EXPECT_EQ(Text(TextInputStreamRead(in, -4, nullptr)), "");
  EXPECT_EQ(ReadLine(in), "6");
  // No byte is converted: the label is the stream's Encoding, or the one asked for.
  TextEncoding encoding = 0;
  EXPECT_EQ(ReadLine(in, &encoding), "\xC3\xA9");
  EXPECT_EQ(encoding, kEncodingUTF8);
  EXPECT_TRUE(TextInputStreamEOF(in));
  TextEncodingObject* latin1 = GetTextEncodingObject(kEncodingWindowsLatin1);
  TextInputStreamSetPosition(in, 0, 9);
  EXPECT_EQ(Text(TextInputStreamReadAll(in, latin1), &encoding), "\xC3\xA9");
  EXPECT_EQ(encoding, kEncodingWindowsLatin1);
  RuntimeUnlockObject(&latin1->header);
  // Buffered bytes first, then the rest; a huge count allocates no more than is there.
  TextInputStreamSetPosition(in, 0, 0);
  EXPECT_EQ(ReadLine(in), "0123");
  EXPECT_EQ(Text(TextInputStreamRead(in, INT32_MAX, nullptr)), "456\n\xC3\xA9");
}

TEST(TextInputStream, ClosedStreamsAreAtTheirEndAndKeepTheirError) {
  qvtest::TempFolder folder;
  WriteFile(folder / "f", "abc");
  DataFile* file = OpenData(folder / "f");
  Input in(NewTextInputStream(file));
  file->lastError = EIO;  // as a failed read would leave it
  EXPECT_EQ(TextInputStreamLastErrorGetter(in), EIO);
  TextInputStreamClose(in);
  TextInputStreamClose(in);
  EXPECT_EQ(in->mechanism, nullptr);
  EXPECT_TRUE(TextInputStreamEOF(in));
  EXPECT_EQ(Text(TextInputStreamReadLine(in, nullptr)), "");
  EXPECT_EQ(Text(TextInputStreamReadAll(in, nullptr)), "");
  EXPECT_EQ(TextInputStreamGetPosition(in, 0), 0);
  EXPECT_EQ(TextInputStreamHandleGetter(in, kHandleTypeFileNumber), -1);
  EXPECT_EQ(TextInputStreamLastErrorGetter(in), EIO);
  qvtest::ReportCapture reports;
  EXPECT_EQ(TextInputStreamLastErrorGetter(nullptr), 0);
  EXPECT_TRUE(reports.HasCondition("obj"));
}

// A stream that cannot be read tells why: Read on a write-only descriptor, of an empty file and
// of one with bytes, gives nothing and EBADF; an empty readable file gives nothing and no error.
TEST(TextInputStream, AFailedReadLeavesItsError) {
  qvtest::TempFolder folder;
  for (const std::string content : {"", "abc"}) {
    const std::string path = folder / "f";
    WriteFile(path, content);
    Input in(NewObjectFromDefinition(TextInputStreamClassDefinition()));
    TextInputStreamHandleCtor(in, open(path.c_str(), O_WRONLY), kHandleTypeFileNumber);
    ASSERT_NE(in->mechanism, nullptr);
    EXPECT_EQ(Text(TextInputStreamRead(in, 5, nullptr)), "") << content;
    EXPECT_EQ(TextInputStreamLastErrorGetter(in), EBADF) << content;
  }
  WriteFile(folder / "empty", "");
  Input empty(NewTextInputStream(OpenData(folder / "empty")));
  EXPECT_EQ(Text(TextInputStreamRead(empty, 5, nullptr)), "");
  EXPECT_EQ(TextInputStreamLastErrorGetter(empty), 0);
  EXPECT_TRUE(TextInputStreamEOF(empty));
}

// A child's printf through a pipe, with and without a final newline.
TEST(TextInputStream, ReadsAPipeToItsEnd) {
  for (const std::string& output : {std::string("one\ntwo\n"), std::string("one\ntwo")}) {
    for (bool all : {false, true}) {
      pid_t child = 0;
      const int fd = OutputOf({"printf", output}, &child);
      ASSERT_GE(fd, 0);
      Input in(NewObjectFromDefinition(TextInputStreamClassDefinition()));
      TextInputStreamHandleCtor(in, fd, kHandleTypeFileNumber);
      if (all) {
        EXPECT_EQ(Text(TextInputStreamReadAll(in, nullptr)), output);
      } else {
        EXPECT_EQ(AllLines(in), "one|two|");
      }
      EXPECT_TRUE(TextInputStreamEOF(in));
      EXPECT_EQ(TextInputStreamLastErrorGetter(in), 0);
      TextInputStreamClose(in);
      EXPECT_EQ(WaitFor(child), 0);
    }
  }
}

TEST(TextInputStream, ReadsAFifo) {
  qvtest::TempFolder folder;
  const std::string fifo = folder / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const pid_t writer = qvtest::ForkTestChild();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    const int fd = open(fifo.c_str(), O_WRONLY);
    const bool wrote = fd >= 0 && write(fd, "x\r\ny", 4) == 4;
    _exit(wrote ? 0 : 1);
  }
  Input in(NewTextInputStream(OpenData(fifo)));
  EXPECT_EQ(AllLines(in), "x|y|");
  EXPECT_EQ(WaitFor(writer), 0);
}

// A line with no end in sight (/dev/zero), and a pipe without end read whole, under an
// address-space cap: each gives what memory can hold and says ENOMEM, and the next read goes
// on where it stopped. Nothing is thrown through the exports (which would end the child).
TEST(TextInputStream, EndlessLinesAndPipesStopWhereMemoryEnds) {
  const int status = qvtest::RunInChild([] {
    Input zeros(NewTextInputStream(OpenData("/dev/zero")));
    ASSERT_NE(zeros.object, nullptr);
    pid_t child = 0;
    const int fd = OutputOf({"cat", "/dev/zero"}, &child);
    ASSERT_GE(fd, 0);
    Input pipe(NewObjectFromDefinition(TextInputStreamClassDefinition()));
    TextInputStreamHandleCtor(pipe, fd, kHandleTypeFileNumber);
    ASSERT_TRUE(qvtest::LimitAddressSpace((size_t{160} << 20) + qvtest::kFreedBlocksKeptMapped));
    for (int round = 0; round < 4; ++round) {
      const bool line = round < 2;
      TextInputStreamObject* in = line ? zeros.object : pipe.object;
      const std::string text =
          line ? ReadLine(in) : Text(TextInputStreamReadAll(in, nullptr));
      EXPECT_GT(text.size(), size_t{4} << 20) << round;
      EXPECT_EQ(text.find_first_not_of('\0'), std::string::npos) << round;
      EXPECT_EQ(TextInputStreamLastErrorGetter(in), ENOMEM) << round;
    }
    TextInputStreamClose(pipe);
    kill(child, SIGKILL);
    WaitFor(child);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// ReadAll on a device after a ReadLine is bounded by what the device says it holds: it gives
// what was read ahead and no more, the position stays known, and nothing runs the program out
// of memory (checked under an address-space cap).
TEST(TextInputStream, ReadAllOnADeviceAfterReadLineIsBounded) {
  const int status = qvtest::RunInChild([] {
    Input fresh(NewTextInputStream(OpenData("/dev/urandom")));
    Input in(NewTextInputStream(OpenData("/dev/urandom")));
    ASSERT_NE(in.object, nullptr);
    ASSERT_TRUE(qvtest::LimitAddressSpace(64 << 20));
    EXPECT_EQ(Text(TextInputStreamReadAll(fresh, nullptr)), "");
    const std::string line = ReadLine(in);
    const int64_t position = TextInputStreamGetPosition(in, 0);
    EXPECT_GT(position, int64_t(line.size()));
    const std::string rest = Text(TextInputStreamReadAll(in, nullptr));
    EXPECT_LE(rest.size(), 1024u);
    EXPECT_EQ(TextInputStreamGetPosition(in, 0), position + int64_t(rest.size()));
    EXPECT_EQ(TextInputStreamLastErrorGetter(in), 0);
    EXPECT_TRUE(TextInputStreamEOF(in));
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// The text before the first ':' of each line.
std::string FieldNames(const std::string& text) {
  std::string names;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    names += text.substr(at, text.find(':', at) - at) + "|";
    at = end + 1;
  }
  return names;
}

// A file whose size says 0 but that yields bytes (/proc) is read to the end of its data, as a
// pipe is: line by line until EOF, and whole.
TEST(TextInputStream, FilesOfSizeZeroReadToTheEndOfTheirData) {
  const std::string version = ReadFile("/proc/version");
  ASSERT_FALSE(version.empty());
  Input lines(NewTextInputStream(OpenData("/proc/version")));
  EXPECT_FALSE(TextInputStreamEOF(lines));
  EXPECT_EQ(AllLines(lines), version.substr(0, version.find('\n')) + "|");
  Input whole(NewTextInputStream(OpenData("/proc/version")));
  EXPECT_EQ(Text(TextInputStreamReadAll(whole, nullptr)), version);
  EXPECT_TRUE(TextInputStreamEOF(whole));
  EXPECT_EQ(TextInputStreamLastErrorGetter(whole), 0);
  Input status(NewTextInputStream(OpenData("/proc/self/status")));
  std::string names;
  while (!TextInputStreamEOF(status)) names += FieldNames(ReadLine(status));
  EXPECT_EQ(names, FieldNames(ReadFile("/proc/self/status")));
}

// A file cut short under the reader: ReadAll and Read hand out the bytes up to its new end and
// none of those read ahead past it, whether the stream or stdio had buffered them.
TEST(TextInputStream, BytesPastATruncatedEndAreNeverReturned) {
  qvtest::TempFolder folder;
  std::string data = "first line\n";
  for (int i = 0; data.size() < 300000; ++i) data += char('a' + i % 26);
  for (bool all : {true, false}) {
    WriteFile(folder / "f", data);
    Input in(NewTextInputStream(OpenData(folder / "f")));
    EXPECT_EQ(ReadLine(in), "first line");
    ASSERT_EQ(truncate((folder / "f").c_str(), 100), 0);
    EXPECT_EQ(all ? Text(TextInputStreamReadAll(in, nullptr))
                  : Text(TextInputStreamRead(in, 5000, nullptr)),
              data.substr(11, 89));
    EXPECT_EQ(TextInputStreamGetPosition(in, 0), 100);
    EXPECT_EQ(Text(TextInputStreamReadAll(in, nullptr)), "");
    EXPECT_TRUE(TextInputStreamEOF(in));
  }
}

// A file cut to its first line after one ReadLine: the lines still handed out are at most those
// of the read-ahead, none that stdio read further on; then the loop ends. A file of /sys (a
// size of 4,096, a few bytes of data) reads line by line to its end.
TEST(TextInputStream, ReadLinePastACutStopsAtTheReadAhead) {
  qvtest::TempFolder folder;
  std::string data;
  for (int i = 0; i < 100; ++i) {
    data += "line " + std::to_string(100 + i) + std::string(20, '.') + "\n";
  }
  WriteFile(folder / "f", data);
  Input in(NewTextInputStream(OpenData(folder / "f")));
  EXPECT_EQ(ReadLine(in), "line 100" + std::string(20, '.'));
  ASSERT_EQ(truncate((folder / "f").c_str(), 29), 0);
  std::string after;
  int lines = 0;
  while (!TextInputStreamEOF(in) && lines < 1000) after += ReadLine(in) + "|", ++lines;
  EXPECT_LE(after.size(), size_t{kTextInputBufferSize}) << lines << " lines after the cut";
  EXPECT_EQ(data.substr(29).find(after.substr(0, after.find('|'))), 0u);
  EXPECT_EQ(Text(TextInputStreamReadAll(in, nullptr)), "");
  const std::string online = ReadFile("/sys/devices/system/cpu/online");
  Input sys(NewTextInputStream(OpenData("/sys/devices/system/cpu/online")));
  EXPECT_EQ(AllLines(sys), online.substr(0, online.find('\n')) + "|");
}

TEST(TextStreams, HandleConstructorsTakeDescriptorsOfEveryMode) {
  qvtest::TempFolder folder;
  const std::string path = folder / "f";
  WriteFile(path, "first\n");
  Input in(NewObjectFromDefinition(TextInputStreamClassDefinition()));
  TextInputStreamHandleCtor(in, open(path.c_str(), O_RDONLY), kHandleTypeFileNumber);
  EXPECT_EQ(ReadLine(in), "first");
  Output out(NewObjectFromDefinition(TextOutputStreamClassDefinition()));
  TextOutputStreamHandleCtor(out, open(path.c_str(), O_WRONLY | O_APPEND), kHandleTypeFileNumber);
  TextOutputStreamWriteLine(out, string("second").Storage());
  EXPECT_GE(TextOutputStreamHandleGetter(out, kHandleTypeFileNumber), 0);
  TextOutputStreamClose(out);
  EXPECT_EQ(ReadFile(path), "first\nsecond\n");
  Output both(NewObjectFromDefinition(TextOutputStreamClassDefinition()));
  TextOutputStreamHandleCtor(both, open(path.c_str(), O_RDWR), kHandleTypeFileNumber);
  TextOutputStreamWrite(both, string("FIRST").Storage());
  TextOutputStreamClose(both);
  EXPECT_EQ(ReadFile(path), "FIRST\nsecond\n");
  qvtest::RaisedExceptions raised;
  Input bad(NewObjectFromDefinition(TextInputStreamClassDefinition()));
  TextInputStreamHandleCtor(bad, -1, kHandleTypeFileNumber);
  EXPECT_EQ(raised.TakeOne(), "UnsupportedFormatException");
  EXPECT_EQ(bad->mechanism, nullptr);
}

TEST(TextOutputStream, DelimitersInTheLinesEncoding) {
  qvtest::TempFolder folder;
  const std::string path = folder / "out";
  Output out(NewTextOutputStream(OpenData(path, 0)));
  TextOutputStreamWriteLine(out, string("x").Storage());
  const string utf16 = string::FromBytes("a\0b\0", 4, kEncodingUnicode16);
  TextOutputStreamWriteLine(out, utf16.Storage());  // the platform's LF, as 16-bit text
  stringSetter(&out->header, offsetof(TextOutputStreamObject, delimiter),
               string("\r\n").Storage());
  TextOutputStreamWriteLine(out, utf16.Storage());  // an ASCII Delimiter, converted
  TextOutputStreamWriteLine(out, nullptr);          // an empty line: the Delimiter in ASCII
  const string raw = string::FromBytes("|", 1, kEncodingNone);
  stringSetter(&out->header, offsetof(TextOutputStreamObject, delimiter), raw.Storage());
  TextOutputStreamWriteLine(out, utf16.Storage());  // no encoding: written as it is
  TextOutputStreamWrite(out, string("end").Storage());
  TextOutputStreamFlush(out);
  EXPECT_EQ(ReadFile(path), std::string("x\na\0b\0\n\0a\0b\0\r\0\n\0\r\na\0b\0|end", 26));
  TextOutputStreamClose(out);
  qvtest::ReportCapture reports;
  TextOutputStreamFlush(out);
  EXPECT_TRUE(reports.HasCondition("obj->mechanism"));
}

TEST(TextOutputStream, AFullDiskKeepsItsErrorAfterClose) {
  Output out(NewTextOutputStream(OpenData("/dev/full", 0)));
  TextOutputStreamWriteLine(out, string("lost").Storage());
  EXPECT_EQ(TextOutputStreamLastErrorGetter(out), 0);  // still in the buffer
  TextOutputStreamClose(out);
  EXPECT_EQ(TextOutputStreamLastErrorGetter(out), ENOSPC);
}

}  // namespace
