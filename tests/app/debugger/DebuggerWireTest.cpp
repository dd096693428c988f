// The wire: the codecs against the golden table that the Python IDE checks too, and the
// receive loop's framing, fed the way a socket hands data over.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "DebuggerTestSupport.h"
#include "app/DebuggerConnection.h"
#include "app/DebuggerWire.h"
#include "values/DateClass.h"
#include "core/RuntimeClass.h"
#include "core/Startup.h"
#include "values/VariantTypes.h"
#include "support/TestSupport.h"

namespace {

using debugtest::Recorder;
using debugtest::Text;

RuntimeObject* NewObjectOfClass(const std::string& name) {
  RuntimeClass* cls = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
  cls->className = string(name.c_str()).ExtractStringStorage();
  cls->instanceSize = sizeof(RuntimeObject);
  return RuntimeNewObject(cls);
}

// The framework's encoding of one golden row's input; object rows give the address they made.
std::string Encode(const std::string& kind, const std::string& given, RuntimeObject** made) {
  if (kind[0] == 'N') return Text(EncodeHex(std::stoull(given, nullptr, 0), kind[1] - '0'));
  if (kind == "D4") {
    uint32_t value = 0;
    EXPECT_TRUE(DecodeWord(string(given.c_str()), &value));
    return Text(EncodeHex(value, 4));
  }
  const std::string head = given.substr(0, given.find(' '));
  const size_t blank = given.find(' ');
  const std::string rest = blank == std::string::npos ? "" : given.substr(blank + 1);
  if (kind == "S") {
    const string text = string::FromBytes(rest.data(), int64_t(rest.size()),
                                          TextEncoding(std::stoul(head, nullptr, 16)));
    string back;
    EXPECT_TRUE(DecodeWireString(EncodeWireString(text), &back));
    EXPECT_EQ(Text(back), rest);
    EXPECT_EQ(back.Encoding(), text.Encoding());
    return Text(EncodeWireString(text));
  }
  if (kind == "Sdec") {
    string decoded;
    EXPECT_TRUE(DecodeWireString(string(given.c_str()), &decoded));
    std::ostringstream out;
    out << Text(EncodeHex(decoded.Encoding(), 4)) << ' ';
    for (int32_t i = 0; i < decoded.Length(); ++i) {
      char digits[3];
      std::snprintf(digits, sizeof digits, "%02x", decoded.Bytes()[i]);
      out << digits;
    }
    return out.str();
  }
  if (kind == "O") {
    *made = given == "nil" ? nullptr : NewObjectOfClass(rest);
    return Text(EncodeObjectReference(*made));
  }
  // V: a variant of the type code holding the text's value.
  const int code = std::stoi(head);
  RuntimeObject* variant = nullptr;
  switch (code) {
    case 2: variant = Int32ToVariant(std::stoi(rest)); break;
    case 3: variant = Int64ToVariant(std::stoll(rest)); break;
    case 4: variant = SingleToVariant(std::stof(rest)); break;
    case 5: variant = DoubleToVariant(std::stod(rest)); break;
    case 6: variant = CurrencyToVariant(Currency(std::stod(rest) * 10000)); break;
    case 7: variant = DateNewFromSQLDateTime(string(rest.c_str())); break;
    case 8: variant = StringToVariant(string(rest.c_str()).Storage()); break;
    case 9: variant = *made = NewObjectOfClass(rest.substr(rest.find(' ') + 1)); break;
    case 11: variant = BooleanToVariant(rest == "True"); break;
    case 16: variant = ColorToVariant(uint32_t(std::stoul(rest.substr(2), nullptr, 16))); break;
  }
  const std::string wire = Text(EncodeVariant(variant));
  if (code != 9) RuntimeUnlockObject(variant);
  return wire;
}

TEST(DebuggerWire, CodecsMatchTheGoldenTableOnBothSides) {
  RunStartupSteps(kStartupClassesBegin, kStartupClassesEnd);
  std::ifstream table(WIRE_GOLDEN);
  std::string line;
  int rows = 0;
  while (std::getline(table, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string kind, given, wire;
    std::getline(fields, kind, '\t');
    std::getline(fields, given, '\t');
    std::getline(fields, wire, '\t');
    RuntimeObject* made = nullptr;
    std::string got = Encode(kind, given, &made);
    if (made) {
      // The table's address stands for the one the object got here.
      wire.replace(wire.find(given.substr(given.rfind(' ') - 8, 8)), 8,
                   Text(EncodeHex(reinterpret_cast<uintptr_t>(made), 4)));
      RuntimeUnlockObject(made);
    }
    EXPECT_EQ(got, wire) << kind << " " << given;
    ++rows;
  }
  EXPECT_GE(rows, 20);
  EXPECT_EQ(qvtest::ProgramOutput({PYTHON3, IDE_SCRIPT, "--golden", WIRE_GOLDEN}),
            "golden ok " + std::to_string(rows) + "\n");
}

TEST(DebuggerWire, FieldsWithOtherCharactersThanUpperCaseDigitsAreRefused) {
  uint64_t value = 7;
  EXPECT_FALSE(DecodeHex(string("0804a000"), 4, &value));
  EXPECT_FALSE(DecodeHex(string("12 34"), 4, &value));
  EXPECT_FALSE(DecodeHex(string("-1"), 4, &value));
  EXPECT_EQ(value, 7u);
  string text;
  EXPECT_FALSE(DecodeWireString(string("00000600:6G"), &text));
  EXPECT_FALSE(DecodeWireString(string("0000060x:61"), &text));
}

// A connection whose socket is a byte buffer the test fills; receivers record what reaches them.
class BufferConnection : public DebuggerConnection {
 public:
  void Feed(const std::string& bytes) {
    mBuffer += bytes;
    ReceiveAvailableLines();
  }
  void TerminateMessage(string&) override {}
  void Send(const string&, const string&) override {}
  void Listen() override {}
  void Close() override {}
  void Connect() override {}

 protected:
  string LookaheadBytes() override {
    return string::FromBytes(mBuffer.data(), int64_t(mBuffer.size()), kEncodingNone);
  }
  string ReadBytes(int32_t count) override {
    const string taken = string::FromBytes(mBuffer.data(), count, kEncodingNone);
    mBuffer.erase(0, size_t(count));
    return taken;
  }

 private:
  std::string mBuffer;
};

TEST(DebuggerWire, LinesAreFramedByTheirCarriageReturnHoweverTheyArrive) {
  std::vector<std::string> log;
  Recorder first(&log, "first"), second(&log, "second");
  BufferConnection link;
  link.AddReceiver(&first);
  link.AddReceiver(nullptr);
  link.AddReceiver(&second);
  link.Feed("PID \rDW 0804A000\r");
  link.Feed("SS 00000010 00000600:61 6");
  link.Feed("2\rTOC\r");
  link.NotifyConnected();
  EXPECT_EQ(log, (std::vector<std::string>{
                     "second PID|", "first PID|", "second DW|0804A000", "first DW|0804A000",
                     "second SS|00000010 00000600:61 62", "first SS|00000010 00000600:61 62",
                     "second TOC|", "first TOC|", "second connected", "first connected"}));
}

// A line longer than 16 MiB is dropped through its carriage return, whether it comes in
// pieces or whole; what follows it is read as usual.
TEST(DebuggerWire, AnOverlongLineIsDroppedThroughItsEnd) {
  std::vector<std::string> log;
  Recorder only(&log, "r");
  BufferConnection link;
  link.AddReceiver(&only);
  const std::string mebibyte(1 << 20, 'x');
  link.Feed("QUIT ");
  for (int i = 0; i < 20; ++i) link.Feed(mebibyte);
  link.Feed("x\rPID \r");
  std::string whole = "QUIT " + std::string(17 << 20, 'y') + "\rTOC \r";
  link.Feed(whole);
  EXPECT_EQ(log, (std::vector<std::string>{"r PID|", "r TOC|"}));
}

TEST(DebuggerWire, SentLinesAlwaysCarryTheBlank) {
  EXPECT_EQ(Text(FrameWireLine(string("PID"), string())), "PID \r");
  const string utf16 = string::FromBytes("a\0", 2, kEncodingUnicode16);
  EXPECT_EQ(Text(FrameWireLine(string("VALS"), utf16)), "VALS a\r");
}

}  // namespace
