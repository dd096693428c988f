// The files area of the answer table, shared by its three files: the kinds of file every call
// runs on (FileFixtures.cpp), the calls read from the class and global-function rows with their
// inputs (FileCalls.cpp), and the area with its variants (FileAnswers.cpp).
//
// Each call runs on a fresh fixture: the folder "x" of the run's root, made anew for the call
// and removed after it. Paths are written relative to the root; what lies elsewhere is written
// by what it is ($TMPDIR, $HOME, /tmp, /dev/null, a /proc file), and nothing that varies between
// machines or runs (inode numbers, times, user names, random name parts, the content of /proc
// and /sys files) is written as itself.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "answers/Answers.h"

struct RuntimeObject;
struct TypeDescriptor;

namespace files_answers {

// --- Fixtures ---------------------------------------------------------------------------------

// Where fixtures are made by default: a folder of the machine's own disk whose path is the same
// on every machine, as some answers (a save information's bytes) hold the path's length.
std::string DiskFolder();

// A kind of file: its name in the keys and how it is made.
struct Kind {
  std::string name;
  bool system = false;  // a file of the system (/dev/null, /proc, /sys) or another user's
};

// One fixture made for one call.
struct Fixture {
  std::string kind;
  std::string item;                             // absolute path of the item the call is on
  std::string folder;                           // the fixture's folder ("x" of the root)
  int reader = -1;                              // the FIFO's reader held open, or -1
  mutable std::map<std::string, ino_t> inodes;  // of every entry before the call, by shown path
};

// The run's settings: where fixtures are made, what the mounts of the variant are.
struct Place {
  std::string root;     // the run's root folder (the current folder during calls)
  std::string home;     // $HOME during calls
  std::string theirs;   // a file of another user that nobody may change, or ""
  bool mounts = false;  // this process may mount (its own mount namespace)
};

// The kinds the variant's calls run on.
std::vector<Kind> KindsFor(const Place& place, bool allKinds);
// Makes the fixture of kind (the folder "x" anew); false with why when it cannot be made.
bool MakeFixture(const Place& place, const Kind& kind, Fixture* fixture, std::string* why);
// Removes what the fixture left in the root; the reader is closed.
void RemoveFixture(const Place& place, Fixture* fixture);
// Makes a sibling of the item in the fixture's folder ("" content: an empty file; with
// folder true a folder).
std::string MakeSibling(const Fixture& fixture, const std::string& name, const std::string& bytes);
// A virtual volume beside the item holding the file "a" ("abc"), made through the calls on
// volumes: the volume (one reference) and, through item, its "a"; nil when it cannot be made.
RuntimeObject* MakeVirtualSibling(const Fixture& fixture, const std::string& name,
                                  RuntimeObject** item);
// The state of the fixture after a call: every entry of its folder, and the item where it
// lies elsewhere.
std::string DescribeState(const Place& place, const Fixture& fixture);
// A path as the table writes it.
std::string Shown(const Place& place, const std::string& path);
// Bytes as the table writes them: quoted when short, else length, hash, first and last bytes.
std::string ShownBytes(const std::string& bytes);
using answers::ErrorName;
// Recursively removes path (folders made writable first); true when nothing is left.
bool RemoveTree(const std::string& path);

// --- Calls ------------------------------------------------------------------------------------

// One callable member, read from the rows: a property's getter or setter, a method (or its
// assigning form), or a global function.
struct Parameter {
  std::string name;
  const TypeDescriptor* type = nullptr;
};
struct Member {
  std::string owner;  // the class, or "" for a global function
  std::string name;   // the language's name; a setter's ends in "="
  std::string exportName;
  const TypeDescriptor* result = nullptr;  // nil: no value
  std::vector<Parameter> parameters;
  bool object = true;     // called with an object first
  bool accessor = false;  // a getter or setter: the parameter word follows the object
  uint32_t parameterWord = 0;
};

// Every member of the classes of the area and the global functions that make folder items or
// volumes, in row order.
std::vector<Member> AreaMembers();
// Why a member has no rows, or "" when it has them.
std::string WhyNoRows(const Member& member);
// What a member does, for the variants that run only the calls their change can alter:
// "change" (makes, writes, replaces, copies, moves, deletes, lengths, volumes), "temporary"
// (temporary items and lock files), or "" for the rest.
std::string Category(const Member& member);

// One row of a member: its inputs (one per parameter) as shown in the key.
struct Input {
  std::string shown;
  int kind = 0;  // InputKind of FileCalls.cpp
  std::string text;
  double number = 0;
};
// Every combination of inputs of the member's parameters, from the tables per type.
std::vector<std::vector<Input>> InputRows(const Member& member);
// True when some input needs the fixture (a path, the item, a descriptor of it).
bool UsesFixture(const Member& member, const std::vector<Input>& inputs);

// Calls the member on object (nil for a global) with the inputs on the fixture; the answer:
// the value, what was raised or reported, and the state of the object it was called on (of
// the FolderItem the inputs put in its place, where they do).
std::string CallMember(answers::Table& table, const Place& place, const Fixture& fixture,
                       const std::vector<Member>& members, const Member& member,
                       RuntimeObject* object, const std::vector<Input>& inputs);
// The object a member that makes one gives (one reference for the caller), called as CallMember
// calls it; what it raised or reported is its own row's.
RuntimeObject* OpenedObject(answers::Table& table, const Place& place, const Fixture& fixture,
                            const Member& maker, RuntimeObject* on,
                            const std::vector<Input>& inputs);
// The member of owner named name, or nil.
const Member* FindMember(const std::vector<Member>& members, const std::string& owner,
                         const std::string& name);
// A FolderItem on path (one reference for the caller).
RuntimeObject* ItemOn(const std::string& path);
// An object as the argument word of an export.
inline uint32_t Word(RuntimeObject* object) {
  return uint32_t(reinterpret_cast<uintptr_t>(object));
}

}  // namespace files_answers
