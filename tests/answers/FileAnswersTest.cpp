// The files area's own checks: its fixtures are written the same way on every run and never
// with the machine's folders, and every member of its classes has rows or a stated reason.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>

#include "answers/FileAnswers.h"
#include "core/RuntimeObject.h"
#include "core/TypeNames.h"
#include "support/TestSupport.h"

namespace {

using namespace files_answers;

struct PlaceForTest {
  Place place;
  PlaceForTest() {
    std::string root = DiskFolder() + "/qv-files-test-XXXXXX";
    if (mkdtemp(root.data())) place.root = root;
    place.home = root + "/home";
  }
  ~PlaceForTest() { RemoveTree(place.root); }
};

TEST(FileAnswers, EachKindIsWrittenAlikeTwiceAndWithoutTheMachinesFolders) {
  PlaceForTest test;
  ASSERT_FALSE(test.place.root.empty());
  for (const Kind& kind : KindsFor(test.place, false)) {
    std::string said[2], state[2];
    for (int round = 0; round < 2; ++round) {
      Fixture fixture;
      ASSERT_TRUE(MakeFixture(test.place, kind, &fixture, &said[round]))
          << kind.name << said[round];
      state[round] = DescribeState(test.place, fixture);
      RemoveFixture(test.place, &fixture);
    }
    EXPECT_EQ(state[0], state[1]) << kind.name;
    EXPECT_EQ(said[0], said[1]) << kind.name;
    EXPECT_EQ(state[0].find(test.place.root), std::string::npos) << kind.name << ": " << state[0];
    EXPECT_EQ(state[0].rfind("x: dir 0755 self:self kept", 0), 0u) << kind.name << ": " << state[0];
  }
}

TEST(FileAnswers, PathsAreWrittenByWhatTheyAre) {
  PlaceForTest test;
  const Place& place = test.place;
  // $TMPDIR is matched before /tmp: one of the test's own, whatever the caller's.
  const qvtest::ScopedEnvironmentVariable tmpdir("TMPDIR", "/qv-tmpdir");
  EXPECT_EQ(Shown(place, place.root + "/x/f"), "x/f");
  EXPECT_EQ(Shown(place, place.root + "/"), ".");
  EXPECT_EQ(Shown(place, place.home + "/Documents/"), "$HOME/Documents/");
  EXPECT_EQ(Shown(place, "/tmp/AbC123/0f3e"), "/tmp/*/*");
  EXPECT_EQ(Shown(place, "/tmp/AbC123/"), "/tmp/*/");
  EXPECT_EQ(Shown(place, "/tmp//x"), "/tmp//*");
  EXPECT_EQ(Shown(place, "/tmp/"), "/tmp/");
  EXPECT_EQ(Shown(place, "/qv-tmpdir/AbC123/0f3e"), "$TMPDIR/*/*");
  EXPECT_EQ(Shown(place, "/dev/null"), "/dev/null");
  EXPECT_EQ(Shown(place, "/" + std::string(60, 'n')), "/nnnnnnnnnnn...(61 bytes)");
  EXPECT_EQ(ShownBytes("abc\n"), "\"abc\\n\"");
  EXPECT_EQ(ShownBytes(std::string(100, 'a')).substr(0, 10), "100 bytes ");
  EXPECT_EQ(ErrorName(13), "EACCES");
}

// A member whose parameter has no table of inputs would silently have no rows: each has its
// inputs, or a reason of its own in the list of members without rows.
TEST(FileAnswers, EveryMemberHasRowsOrAReason) {
  const std::vector<Member> members = AreaMembers();
  std::set<std::string> owners;
  for (const Member& member : members) {
    owners.insert(member.owner);
    const std::string why = WhyNoRows(member);
    EXPECT_EQ(why.rfind("no inputs", 0), std::string::npos)
        << member.owner << "." << member.name << ": " << why;
    if (why.empty()) {
      // A table of inputs that is there but empty gives no reason and no rows.
      EXPECT_FALSE(InputRows(member).empty()) << member.owner << "." << member.name;
    }
  }
  for (const char* owner : {"FolderItem", "BinaryStream", "TextInputStream", "TextOutputStream",
                            "VirtualVolume", "SpecialFolder", "Mutex", ""})
    EXPECT_TRUE(owners.count(owner)) << "no members of " << owner;
  const Member* length = FindMember(members, "BinaryStream", "Length");
  ASSERT_NE(length, nullptr);
  EXPECT_STREQ(TypeName(length->result).CString(), "UInt64");
}

// The stream reads the fixture's first bytes, "0001 abc", big-endian: each result is read as its
// type says (EAX, EDX:EAX, st(0)), checked against the same bytes decoded here.
TEST(FileAnswers, CallsReadEachResultAsItsTypeSays) {
  PlaceForTest test;
  const std::vector<Member> members = AreaMembers();
  const Member* open = FindMember(members, "FolderItem", "OpenAsBinaryFile");
  ASSERT_NE(open, nullptr);
  const char bytes[] = "0001 abc";
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = bits << 8 | uint8_t(bytes[i]);
  double real;
  std::memcpy(&real, &bits, sizeof real);
  const struct {
    const char* name;
    std::string value;
    int position;
  } expected[] = {
      {"ReadUInt16", "12336", 2},  // "00"
      {"ReadInt64", std::to_string(int64_t(bits)), 8},
      {"ReadDouble", answers::Number(real), 8},
      {"ReadBoolean", "True", 1},
  };
  answers::Table table;
  for (const auto& [name, value, position] : expected) {
    Fixture fixture;
    std::string said;
    ASSERT_TRUE(MakeFixture(test.place, {"text"}, &fixture, &said));
    RuntimeObject* item = ItemOn(fixture.item);
    RuntimeObject* stream = OpenedObject(table, test.place, fixture, *open, item,
                                         InputRows(*open).front());
    ASSERT_NE(stream, nullptr);
    const Member* read = FindMember(members, "BinaryStream", name);
    ASSERT_NE(read, nullptr) << name;
    const std::string answer = CallMember(table, test.place, fixture, members, *read, stream, {});
    EXPECT_EQ(answer.substr(0, answer.find(';')), value) << name << ": " << answer;
    const std::string state = "; error 0 Position " + std::to_string(position) +
                              " Length 10000; closed: error 0";
    EXPECT_NE(answer.find(state), std::string::npos) << name << ": " << answer;
    RuntimeUnlockObject(stream);
    RuntimeUnlockObject(item);
    RemoveFixture(test.place, &fixture);
  }
}

}  // namespace
