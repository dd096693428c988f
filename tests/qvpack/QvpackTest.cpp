// The packer on small objects: import kinds and chains, layout, the symbols block, a packed
// application run against the same application linked natively, and refused inputs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "ElfObject.h"
#include "ImagePacker.h"
#include "ModelLoader.h"
#include "PackError.h"
#include "qvapp.h"

namespace {

std::string FixturePath(const std::string& name) {
  return std::string(QVPACK_FIXTURES) + "/" + name;
}

PackedImage Pack(const std::vector<std::string>& names, const std::string& entry = "QVEntry") {
  std::vector<ElfObject> objects;
  for (const std::string& name : names) objects.push_back(ElfObject::ReadFile(FixturePath(name)));
  PackedImage blocks;
  ImagePacker(objects, entry).Pack(&blocks);
  return blocks;
}

// The packer's message for names, or "" when it packs them.
std::string PackFailure(const std::vector<std::string>& names) {
  try {
    Pack(names);
  } catch (const PackError& error) {
    return error.what();
  }
  return "";
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

// ---- What the application calls, shared by the native and the packed run -----------------

std::vector<std::string>* gEvents;

QVString gLastString;

}  // namespace

extern "C" int TestRecord(int value) {
  gEvents->push_back(std::to_string(value));
  return value + 1;
}

extern "C" void TestRecordString(QVString text) {
  // Natively linked constants still have the data pointer 0 that the loader fills in.
  const unsigned char* data = text->data ? text->data : reinterpret_cast<unsigned char*>(text) + 20;
  gEvents->push_back(std::string(reinterpret_cast<const char*>(data + 1), text->length) + "|" +
                     std::to_string(data[0]) + "|" + std::to_string(text->encoding));
  gLastString = text;
}

extern "C" void NativeCallsEntry();

namespace {

std::vector<std::string> RunNativeCalls() {
  static std::vector<std::string> events;
  if (events.empty()) {
    gEvents = &events;
    NativeCallsEntry();
  }
  return events;
}

std::vector<std::string> RunPacked(const PackedImage& blocks) {
  std::vector<std::string> events;
  gEvents = &events;
  ModelImage image(blocks, {{"TestRecord", reinterpret_cast<void*>(&TestRecord)},
                            {"TestRecordString", reinterpret_cast<void*>(&TestRecordString)}});
  image.RunEntry();
  gEvents = nullptr;
  return events;
}

std::multiset<std::pair<int, int>> KindsAndModes(const std::vector<ModelRecord>& records) {
  std::multiset<std::pair<int, int>> kinds;
  for (const ModelRecord& record : records) kinds.insert({record.kind, record.mode});
  return kinds;
}

TEST(QvpackRun, PackedApplicationBehavesAsNativelyLinked) {
  const auto native = RunNativeCalls();
  ASSERT_GT(native.size(), 15u);
  for (const char* suffix : {".o", ".O2.o"}) {
    SCOPED_TRACE(suffix);
    const PackedImage blocks =
        Pack({std::string("calls.c") + suffix, std::string("calls_helper.c") + suffix});
    EXPECT_EQ(RunPacked(blocks), native);
    // The cosine of 0 and of pi came through libm.
    EXPECT_NE(std::find(native.begin(), native.end(), "1000"), native.end());
    EXPECT_NE(std::find(native.begin(), native.end(), "-1000"), native.end());
  }
}

TEST(QvpackRun, EveryImportKindIsUsedByTheApplication) {
  const PackedImage blocks = Pack({"calls.c.o", "calls_helper.c.o"});
  const auto kinds = KindsAndModes(ParseImportRecords(blocks.import, blocks.code));
  EXPECT_EQ(kinds.count({1, 1}), 2u);  // TestRecord and TestRecordString, one chain each
  EXPECT_EQ(kinds.count({1, 0}), 1u);  // TestRecord by address
  EXPECT_EQ(kinds.count({4, 0}), 1u);  // cos, both calls in one chain
  EXPECT_EQ(kinds.count({5, 0}), 4u);  // four references to string constants
  EXPECT_GE(kinds.count({2, 0}), 4u);  // data words
  EXPECT_GE(kinds.count({3, 0}), 3u);  // the operations table at least
}

TEST(QvpackRun, StringConstantsGetTheirDataPointerAndKeepTheirFields) {
  const PackedImage blocks = Pack({"calls.c.o", "calls_helper.c.o"});
  std::vector<std::string> events;
  gEvents = &events;
  ModelImage image(blocks, {{"TestRecord", reinterpret_cast<void*>(&TestRecord)},
                            {"TestRecordString", reinterpret_cast<void*>(&TestRecordString)}});
  image.RunEntry();
  gEvents = nullptr;
  // The last string passed is "first constant" again: a record inside the data block.
  const auto* record = reinterpret_cast<uint8_t*>(gLastString);
  ASSERT_GE(record, image.data());
  ASSERT_LT(record, image.data() + blocks.data.size());
  EXPECT_EQ(gLastString->data, record + 20);
  EXPECT_EQ(gLastString->length, std::strlen("first constant"));
  EXPECT_EQ(gLastString->capacity, gLastString->length + 2);
  EXPECT_EQ(gLastString->encoding, QV_ENCODING_ASCII);
  EXPECT_EQ(gLastString->refCount, QV_CONSTANT_REFCOUNT);
  EXPECT_STREQ(reinterpret_cast<const char*>(gLastString->data + 1), "first constant");
}

TEST(QvpackRun, HandlerMarkerHeaderKeepsItsLayout) {
  const PackedImage blocks = Pack({"calls.c.o", "calls_helper.c.o"});
  // Jump over the 13 bytes, marker word 0x412, two zero bytes, frame offset -12.
  const std::vector<uint8_t> header = {0xE9, 8, 0, 0, 0, 0x12, 4, 0, 0, 0, 0, 0xF4, 0xFF};
  EXPECT_NE(std::search(blocks.code.begin(), blocks.code.end(), header.begin(), header.end()),
            blocks.code.end());
}

// ---- Exact layout ------------------------------------------------------------------------

TEST(QvpackLayout, SitesChainsAndWordsAreWhereTheSourcePutThem) {
  const PackedImage blocks = Pack({"layout.S.o"});
  ASSERT_EQ(blocks.code.size(), 0x81u);
  EXPECT_EQ(blocks.code[0], 0xC3);  // the entry is the first byte
  const auto records = ParseImportRecords(blocks.import, blocks.code);
  ASSERT_EQ(records.size(), 6u);

  EXPECT_EQ(records[0].kind, 1);
  EXPECT_EQ(records[0].mode, 1);
  EXPECT_EQ(records[0].name, "ExtA");
  EXPECT_EQ(records[0].chain, (std::vector<uint32_t>{0x11, 0x21, 0x61}));

  EXPECT_EQ(records[1].kind, 1);
  EXPECT_EQ(records[1].mode, 0);
  EXPECT_EQ(records[1].name, "ExtA");
  EXPECT_EQ(records[1].chain, (std::vector<uint32_t>{0x30}));

  EXPECT_EQ(records[2].name, "ExtB");
  EXPECT_EQ(records[2].chain, (std::vector<uint32_t>{0x38}));

  EXPECT_EQ(records[3].kind, 3);
  EXPECT_EQ(records[3].site, 0x40u);
  EXPECT_EQ(CodeWord(blocks.code, 0x40), 0x80u);

  EXPECT_EQ(records[4].kind, 2);
  EXPECT_EQ(records[4].site, 0x48u);
  EXPECT_EQ(CodeWord(blocks.code, 0x48), 12u);

  EXPECT_EQ(records[5].kind, 5);
  EXPECT_EQ(records[5].site, 0x70u);
  EXPECT_EQ(CodeWord(blocks.code, 0x70), 16u);

  EXPECT_EQ(CodeWord(blocks.code, 0x51), 0x80u - 0x55u);  // resolved call, no record
  EXPECT_EQ(CodeWord(blocks.code, 0x58), 0x12345678u);
}

TEST(QvpackLayout, DataBlockHoldsDataThenStringRecords) {
  const PackedImage blocks = Pack({"layout.S.o"});
  const std::vector<uint8_t> expected = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0,   0,   0, 4, 0,
                                         0, 0, 1, 0, 0, 0, 0, 0, 0, 0,   4,   0, 0, 0,
                                         2, 0, 0, 0, 0, 6, 0, 0, 2, 'h', 'i', 0};
  EXPECT_EQ(blocks.data, expected);
}

TEST(QvpackLayout, SymbolsBlockListsFunctionsByOffset) {
  const PackedImage blocks = Pack({"late_entry.S.o"});
  // count, then {offset, name offset} pairs, then the names.
  std::vector<uint8_t> expected = {2, 0, 0,    0, 0x10, 0, 0, 0, 0, 0,
                                   0, 0, 0x20, 0, 0,    0, 6, 0, 0, 0};
  for (const char* name : {"First", "QVEntry"})
    expected.insert(expected.end(), name, name + std::strlen(name) + 1);
  EXPECT_EQ(blocks.symbols, expected);
}

TEST(QvpackLayout, EntryInsideItsSectionIsReachedByAJumpAtOffsetZero) {
  const PackedImage blocks = Pack({"late_entry.S.o"});
  ASSERT_GE(blocks.code.size(), 0x26u);
  EXPECT_EQ(blocks.code[0], 0xE9);
  EXPECT_EQ(CodeWord(blocks.code, 1), 0x20u - 5u);
  EXPECT_EQ(blocks.code[0x10], 0xC3);  // First, at the aligned section start
  EXPECT_EQ(blocks.code[0x20], 0xE8);  // QVEntry calls First: resolved here
  EXPECT_EQ(CodeWord(blocks.code, 0x21), 0x10u - 0x25u);
  EXPECT_TRUE(blocks.import.empty());
}

TEST(QvpackLayout, AnotherEntryNameIsHonoured) {
  const PackedImage blocks = Pack({"no_entry.S.o"}, "NotTheEntry");
  EXPECT_EQ(blocks.code, std::vector<uint8_t>{0xC3});
}

// ---- Refused inputs ----------------------------------------------------------------------

struct Refusal {
  std::vector<std::string> objects;
  const char* message;
};

TEST(QvpackRefusal, WhatCannotBeExpressedIsAClearError) {
  const Refusal refusals[] = {
      {{"bad_data_address.S.o"}, "an address stored in the data block cannot be expressed"},
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
      {{"pic.c.o"}, "is not supported (compile with -fno-pic)"},
      {{}, "no input objects"},
  };
  for (const Refusal& refusal : refusals) {
    const std::string message = PackFailure(refusal.objects);
    EXPECT_NE(message.find(refusal.message), std::string::npos)
        << "got: " << message << "\nwanted: " << refusal.message;
  }
}

TEST(QvpackRefusal, ErrorsNameTheObjectAndPlace) {
  const std::string message = PackFailure({"bad_data_address.S.o"});
  EXPECT_NE(message.find(FixturePath("bad_data_address.S.o") + ": .data+0x0"), std::string::npos)
      << message;
}

TEST(QvpackRefusal, ForeignFilesAreRefusedByTheirHeader) {
  std::vector<uint8_t> good = FileBytes(FixturePath("layout.S.o"));
  ASSERT_GT(good.size(), 64u);
  struct Damage {
    size_t offset;
    uint8_t value;
    const char* message;
  };
  const Damage damages[] = {{0, 'X', "not an ELF file"},
                            {EI_CLASS, ELFCLASS64, "not a 32-bit little-endian"},
                            {EI_DATA, ELFDATA2MSB, "not a 32-bit little-endian"},
                            {16, ET_EXEC, "not a relocatable object"},
                            {18, EM_X86_64, "not an i386 object"}};
  for (const Damage& damage : damages) {
    std::vector<uint8_t> bytes = good;
    bytes[damage.offset] = damage.value;
    try {
      ElfObject::Parse("damaged.o", bytes);
      ADD_FAILURE() << "accepted: " << damage.message;
    } catch (const PackError& error) {
      EXPECT_NE(std::string(error.what()).find(damage.message), std::string::npos) << error.what();
    }
  }
}

// Every truncation and random damage either packs or gives a PackError: never a crash.
TEST(QvpackRefusal, TruncatedAndDamagedObjectsNeverCrash) {
  const std::vector<uint8_t> good = FileBytes(FixturePath("calls.c.o"));
  ASSERT_FALSE(good.empty());
  int refused = 0;
  auto attempt = [&](std::vector<uint8_t> bytes) {
    try {
      std::vector<ElfObject> objects{ElfObject::Parse("damaged.o", std::move(bytes))};
      PackedImage blocks;
      ImagePacker(objects, "QVEntry").Pack(&blocks);
    } catch (const PackError&) {
      ++refused;
    }
  };
  for (size_t length = 0; length < good.size(); length += 3)
    attempt(std::vector<uint8_t>(good.begin(), good.begin() + length));
  EXPECT_GE(refused, static_cast<int>(good.size() / 3) - 1);  // truncations cut the headers off
  std::mt19937 random(12345);
  for (int round = 0; round < 2000; ++round) {
    std::vector<uint8_t> bytes = good;
    for (int flips = 0; flips < 4; ++flips)
      bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
    attempt(std::move(bytes));
  }
}

}  // namespace
