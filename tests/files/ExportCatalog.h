// What the tables over exported calls (the full-disk writers, the openers on special files)
// derive their lists from: every export, with what the class rows and the global-function
// table declare of it, and the source file that exports it. A table takes the calls it must
// cover from here, so that a new writer or opener fails it until it has a row or a reason.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace exportcatalog {

// One export as the rows declare it.
struct Entry {
  std::string owner;            // its class; "" for a global function or a bare export
  std::set<std::string> takes;  // classes of its parameters, and of the value a setter takes
  std::set<std::string> gives;  // classes of its result, and of the value a getter gives
};

// A class whose objects a call on a file gives, but which keep nothing of the file: the calls
// on it are no file calls, and the classes it gives are reached no further.
struct ClassReason {
  const char* className;
  const char* why;
  const char* checkedBy;  // "Suite.Test"
};
extern const std::vector<ClassReason> kClassesHeldInMemory;

// Every export: the members of every registered class (all of them registered first), the
// global functions, and every other entry of the export table (no owner, no classes).
const std::map<std::string, Entry>& Catalog();

// Seeds and every class that a call handed, or belonging to, one of them gives, and so on, with
// the classes each inherits from (their members act on it too), and the classes with a
// property that holds one; the classes held in memory are not reached.
std::set<std::string> ClassesReachedFrom(const std::set<std::string>& seeds);

// The exports handed or giving an object of classes, or belonging to one.
std::set<std::string> CallsOn(const std::set<std::string>& classes);

// The exports of every source file of the framework that names one of words.
std::set<std::string> ExportsOfFilesNaming(const std::vector<const char*>& words);

// Every export that may open or write a named file: the calls on a FolderItem and on every
// class reached from it, and the exports of every source file that names the opener, the
// temporary-file maker, a file replacement, a file's stream or another way to a named file
// (the opens that say why they go past the opener among them).
std::set<std::string> FileCalls();

// The source file (path under src/) that exports name, else the first that names it, else "".
std::string SourceFileOf(const std::string& exportName);

// Every source file of the framework (path under src/, text).
const std::map<std::string, std::string>& SourceFiles();

// Whether the test "Suite.Name" is written in the tests' sources: a reason names the test that
// checks it.
bool TestWritten(const std::string& suiteDotName);

}  // namespace exportcatalog
