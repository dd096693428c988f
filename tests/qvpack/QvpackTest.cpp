// The packer on small objects: a packed application run against the same application linked
// natively, exact layout, refused inputs, and qvpack as a program.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <random>

#include "ElfObject.h"
#include "ImagePacker.h"
#include "PackError.h"
#include "core/ExportRegistry.h"
#include "image/ImageBlocks.h"
#include "image/ImageLinker.h"
#include "qvapp.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

std::string Fixture(const std::string& name) { return std::string(QVPACK_FIXTURES) + "/" + name; }

PackedImage Pack(std::vector<ElfObject> objects, const std::string& entry = "QVEntry") {
  PackedImage blocks;
  ImagePacker(objects, entry).Pack(&blocks);
  return blocks;
}

PackedImage Pack(const std::vector<std::string>& names) {
  std::vector<ElfObject> objects;
  for (const std::string& name : names) objects.push_back(ElfObject::ReadFile(Fixture(name)));
  return Pack(objects);
}

// The packer's message, or "" when pack packs.
std::string PackFailure(const std::function<void()>& pack) {
  try {
    pack();
  } catch (const PackError& error) {
    return error.what();
  }
  return "";
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Word(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint32_t Address(const void* p) { return uint32_t(uintptr_t(p)); }
uint32_t Size(const std::vector<uint8_t>& bytes) { return uint32_t(bytes.size()); }

std::vector<std::string>* gEvents;
char gExtA, gExtB;  // what layout.S imports: only their addresses matter

// The blocks placed in executable memory and linked by the framework's linker.
struct LinkedImage {
  explicit LinkedImage(const PackedImage& b) : code(AllocateCodeBlock(Size(b.code))), data(b.data) {
    std::memcpy(code, b.code.data(), b.code.size());
    linked = LinkImportBlock({code, Size(b.code), data.data(), Size(data)}, b.import.data(),
                             Size(b.import));
  }
  uint8_t* code;
  std::vector<uint8_t> data;
  bool linked;
};

}  // namespace

// What the application calls, natively and packed. Natively linked string constants still have
// the data pointer 0 that the loader fills in.
extern "C" int TestRecord(int value) {
  gEvents->push_back(std::to_string(value));
  return value + 1;
}
extern "C" void TestRecordString(QVString text) {
  const unsigned char* data = text->data ? text->data : reinterpret_cast<unsigned char*>(text) + 20;
  const std::string bytes(reinterpret_cast<const char*>(data), text->length + 1);
  gEvents->push_back(bytes + "|" + std::to_string(text->encoding));
}
extern "C" void NativeCallsEntry();

namespace {

TEST(QvpackRun, PackedApplicationBehavesAsNativelyLinked) {
  RegisterExport("TestRecord", reinterpret_cast<void*>(&TestRecord));
  RegisterExport("TestRecordString", reinterpret_cast<void*>(&TestRecordString));
  std::vector<std::string> native, packed;
  gEvents = &native;
  NativeCallsEntry();
  ASSERT_GE(native.size(), 2u);  // the last two: cos(0) and cos(pi), through libm
  EXPECT_EQ(std::vector(native.end() - 2, native.end()), decltype(native)({"1000", "-1000"}));
  for (const std::string suffix : {".o", ".O2.o"}) {
    const PackedImage blocks = Pack({"calls.c" + suffix, "calls_helper.c" + suffix});
    LinkedImage image(blocks);
    ASSERT_TRUE(image.linked) << suffix;
    packed.clear();
    gEvents = &packed;
    reinterpret_cast<void (*)()>(image.code)();
    EXPECT_EQ(packed, native) << suffix;
  }
}

TEST(QvpackLayout, SitesChainsWordsAndBlocksAreWhereTheSourcePutThem) {
  RegisterExport("ExtA", &gExtA);
  RegisterExport("ExtB", &gExtB);
  const PackedImage blocks = Pack({"layout.S.o"});
  ASSERT_EQ(blocks.code.size(), 0x81u);
  EXPECT_EQ(blocks.data,
            (std::vector<uint8_t>{1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0,
                                  0, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0, 0, 6, 0, 0, 2, 'h', 'i', 0}));
  LinkedImage image(blocks);
  ASSERT_TRUE(image.linked);
  const uint32_t code = Address(image.code), data = Address(image.data.data()), a = Address(&gExtA);
  const std::pair<uint32_t, uint32_t> words[] = {
      {0x11, a - (code + 0x15)}, {0x21, a - (code + 0x25)}, {0x61, a - (code + 0x65)},
      {0x30, a}, {0x38, Address(&gExtB)}, {0x40, code + 0x80}, {0x48, data + 12},
      {0x70, data + 16}, {0x51, 0x80 - 0x55}, {0x58, 0x12345678}};
  for (auto [site, word] : words) EXPECT_EQ(Word(image.code + site), word) << std::hex << site;
}

TEST(QvpackRefusal, WhatCannotBeExpressedIsAClearError) {
  const std::pair<std::vector<std::string>, const char*> refusals[] = {
      {{"bad_data_address.S.o"},
       "bad_data_address.S.o: .data+0x0: an address stored in the data block cannot be"},
      {{"bad_import_addend.S.o"}, "'ExtA' + 0x8: an addend on an imported symbol"},
      {{"bad_call_addend.S.o"}, "'ExtA' + 0x4: an addend on an imported symbol"},
      {{"bad_relative_data.S.o"}, "PC-relative reference to '.data' outside the code block"},
      {{"bad_shared_absolute.S.o"}, "shared-library function 'cos' can only be called"},
      {{"bad_string_middle.S.o"}, "must name the start of a string record"},
      {{"bad_site_zero.S.o"}, "chained site at code offset 0"},
      {{"no_entry.S.o"}, "entry 'QVEntry' is not defined"},
      {{"bad_entry_absolute.S.o"}, "entry 'QVEntry' is not code"},
      {{"bad_entry_data.S.o"}, "entry 'QVEntry' is not code"},
      {{"twice_a.S.o", "twice_b.S.o"}, "'Twice' is defined in both"},
      {{"common.c.o"}, "common symbol; compile with -fno-common"},
      {{"pic.c.o"}, "is not supported (compile with -fno-pic)"}, {{}, "no input objects"}};
  for (const auto& [names, message] : refusals) {
    const std::string failure = PackFailure([&names = names] { Pack(names); });
    EXPECT_NE(failure.find(message), std::string::npos) << failure << "\nwanted: " << message;
  }
}

// Every truncation and random damage either packs or gives a PackError: never a crash.
TEST(QvpackRefusal, ForeignTruncatedAndDamagedObjectsNeverCrash) {
  const std::vector<uint8_t> good = ReadBytes(Fixture("calls.c.o"));
  ASSERT_GT(good.size(), 64u);
  auto failure = [](std::vector<uint8_t> bytes) {
    return PackFailure([&] { Pack({ElfObject::Parse("x.o", bytes)}); });
  };
  size_t packed = 0;  // truncations cut the headers off: at most the longest packs
  for (size_t length = 0; length < good.size(); length += 3)
    packed += failure(std::vector<uint8_t>(good.begin(), good.begin() + length)).empty();
  EXPECT_LE(packed, 1u);
  std::mt19937 random(12345);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> bytes = good;
    for (int flip = 0; flip < 4; ++flip) bytes[random() % bytes.size()] = uint8_t(random());
    failure(bytes);
  }
}

class QvpackCommandLine : public ::testing::Test {
 protected:
  // Packs calls.c with a text resource, a database resource and a 2 x 1 icon into block files
  // and into a copy of qvpack (any ELF executable takes the section).
  void PackWithResources() {
    std::ofstream(folder / "text") << "abc";
    std::ofstream(folder / "db") << '\x09';
    std::ofstream(folder / "icon") << "\1\2\3\4\5\6\7\x08";
    ASSERT_EQ(qvtest::RunProgram({QVPACK_TOOL, "-o", folder.path(), "--embed", QVPACK_TOOL, exe,
                                  "--resource", "TEXT:128:" + folder / "text", "--resource",
                                  "DBAS:0x101:" + folder / "db", "--icon",
                                  "2:1:" + folder / "icon", Fixture("calls.c.o"),
                                  Fixture("calls_helper.c.o")}),
              0);
  }
  // The .qv section of an executable, as objcopy dumps it.
  std::vector<uint8_t> Section(const std::string& file) {
    EXPECT_EQ(qvtest::RunProgram({"objcopy", "--dump-section", ".qv=" + file + ".qv", file,
                                  folder / "scratch"}),
              0);
    return ReadBytes(file + ".qv");
  }
  qvtest::TempFolder folder{"qvpacktest"};
  const std::string exe = folder / "app";
};

TEST_F(QvpackCommandLine, BadArgumentsEndInStatusOneAndAMessage) {
  const std::string dir = folder.path(), object = Fixture("layout.S.o");
  const std::pair<std::vector<std::string>, const char*> bad[] = {
      {{object}, "no output"}, {{"--frobnicate"}, "unknown option --frobnicate"},
      {{"-o"}, "-o needs a value"}, {{"-o", object + "/folder", object}, "cannot create the folder"},
      {{"-o", dir, "/nonexistent.o"}, "/nonexistent.o: cannot open"},
      {{"-o", dir, "--resource", "TOOLONG:1:" + object, object}, "not four characters"},
      {{"-o", dir, "--resource", "TEXT:70000:" + object, object}, "exceeds 65535"},
      {{"-o", dir, "--resource", "TEXT:-1:" + object, object}, "not a number"},
      {{"-o", dir, "--resource", "TEXT:1", object}, "too few ':' fields"},
      {{"-o", dir, "--icon", "1:1:" + object, object}, "needs 4 bytes of RGBA, the file has"}};
  for (auto [arguments, message] : bad) {
    std::string output;
    arguments.insert(arguments.begin(), QVPACK_TOOL);
    EXPECT_EQ(qvtest::RunProgram(arguments, &output), 1) << message;
    EXPECT_EQ(output.find("qvpack: "), 0u) << output;
    EXPECT_NE(output.find(message), std::string::npos) << output;
  }
}

// A resource record: the type's bytes spell the code backwards; then the id, four free bytes,
// the length and the data. An icon option: kind, width, height, then the RGBA bytes.
TEST_F(QvpackCommandLine, ResourcesAndIconsFillTheirBlocks) {
  PackWithResources();
  EXPECT_EQ(ReadBytes(folder / "rsrc.dat"),
            (std::vector<uint8_t>{'T', 'X', 'E', 'T', 128, 0, 0, 0, 0, 0, 3, 0, 0, 0, 'a', 'b',
                                  'c', 'S', 'A', 'B', 'D', 1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 9}));
  EXPECT_EQ(ReadBytes(folder / "options.dat"),
            (std::vector<uint8_t>{1, 2, 1, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(QvpackCommandLine, TheEmbeddedSectionIsTheSixBlocksEachBehindItsSize) {
  PackWithResources();
  std::vector<uint8_t> expected;
  for (const char* block : {"code", "data", "import", "symbols", "rsrc", "options"}) {
    const auto bytes = ReadBytes(folder / (std::string(block) + ".dat"));
    for (int shift = 0; shift < 32; shift += 8) expected.push_back(uint8_t(bytes.size() >> shift));
    expected.insert(expected.end(), bytes.begin(), bytes.end());
  }
  EXPECT_EQ(Section(exe), expected);
}

TEST_F(QvpackCommandLine, PackingIntoAPackedExecutableReplacesItsSection) {
  PackWithResources();
  const std::string again = folder / "again";
  ASSERT_EQ(qvtest::RunProgram({QVPACK_TOOL, "--embed", exe, again, Fixture("layout.S.o")}), 0);
  EXPECT_EQ(Section(again).at(0), 0x81) << "the code of layout.S replaced calls.c's";
  std::string sections;
  ASSERT_EQ(qvtest::RunProgram({"readelf", "-SW", again}, &sections), 0);
  const size_t row = sections.find(" .qv ");
  ASSERT_NE(row, std::string::npos) << sections;
  EXPECT_EQ(sections.find(" .qv ", row + 1), std::string::npos) << "one section";
}

// The folder given to --output is made when it is not there yet, parents included.
TEST_F(QvpackCommandLine, OutputCreatesItsFolder) {
  const std::string nested = folder / "new/app";
  ASSERT_EQ(qvtest::RunProgram({QVPACK_TOOL, "--output", nested, Fixture("layout.S.o")}), 0);
  for (const char* block : {"code", "data", "import", "symbols", "rsrc", "options"})
    EXPECT_EQ(access((nested + "/" + block + ".dat").c_str(), R_OK), 0) << block;
  EXPECT_FALSE(ReadBytes(nested + "/code.dat").empty());
}

}  // namespace
