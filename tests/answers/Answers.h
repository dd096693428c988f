// The answer table: what the exported calls answer over a fixed matrix of inputs, one line per
// call, committed beside this program as one text file per area (tests/answers/<area>.txt).
//
// A line is "key -> answer". The key names the call and its inputs in a readable escaped form
// (and the variant it ran under); the answer is everything the call gave back: its value,
// bytes with their encoding, the error code, the state of the objects it changed. Keys are
// unique within an area, so a difference reads as "this call now answers that".
//
// An area is emitted in a child process of this binary per variant (a locale, a TMPDIR, a
// mount namespace, another user), started by exec so that nothing of the parent's threads
// or settings is inherited. Answers.<Area> compares the lines with the committed file and fails
// printing the differing ones; with QV_ANSWERS_WRITE=1 (scripts/answers) it writes the file.
//
// Values that differ between machines (inode numbers, times, user names) are never written as
// themselves: an area writes "kept" / "changed", "self" / "other" and the like instead.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "strings/RuntimeString.h"

struct RelocEntry;

namespace answers {

// The lines one emitter writes. Line() takes the key and the answer; a key given twice is a
// fault of the emitter and fails the run (it would make the comparison ambiguous).
class Table {
 public:
  void Line(const std::string& key, const std::string& answer);
  const std::vector<std::pair<std::string, std::string>>& Lines() const { return mLines; }
  // Exports that the lines called, for the table of exports without rows.
  void Called(const std::string& exportName);
  const std::vector<std::string>& CalledExports() const { return mCalled; }

 private:
  std::vector<std::pair<std::string, std::string>> mLines;
  std::map<std::string, bool> mKeys;
  std::vector<std::string> mCalled;
  std::map<std::string, bool> mCalledSet;
};

// One run of an area: a name that prefixes its keys, the environment it runs with (NAME=VALUE,
// or NAME alone to unset it) and a command it runs under (unshare, setpriv; empty: none).
struct Variant {
  std::string name;
  std::vector<std::string> environment;
  std::vector<std::string> wrapper;
};

// An area of the table: its variants (at least one), and the emitter that runs inside the
// child for one of them. A variant whose wrapper cannot run on this machine (no mount
// namespace for this user, say) makes the child say why on its standard error and exit 77:
// the area's check then reports it skipped, and the lines of that variant are kept as
// committed rather than compared.
struct Area {
  const char* name;  // also the file: tests/answers/<name>.txt
  std::function<std::vector<Variant>()> variants;
  std::function<void(const Variant& variant, Table& table)> emit;
};

// Registers an area at static initialisation (QV_ANSWER_AREA below).
bool RegisterArea(const Area& area);
#define QV_ANSWER_AREA_PASTE2(a, b) a##b
#define QV_ANSWER_AREA_PASTE(a, b) QV_ANSWER_AREA_PASTE2(a, b)
#define QV_ANSWER_AREA(...)                                                           \
  [[maybe_unused]] static const bool QV_ANSWER_AREA_PASTE(kAnswerArea_, __COUNTER__) = \
      ::answers::RegisterArea(::answers::Area{__VA_ARGS__})

const Area* FindArea(const std::string& name);
// The exit status of a child whose variant this machine cannot make (a wrapper that checks
// before it runs the variant gives it too).
constexpr int kVariantSkipped = 77;
// Called by an emitter whose variant this machine cannot make: says why and ends the child
// with the skipped status (its committed lines stand).
[[noreturn]] void SkipVariant(const std::string& reason);
std::vector<const Area*> Areas();

// Runs every variant of the area in a child, then compares with the committed file (or writes
// it, under QV_ANSWERS_WRITE=1). Used by the area's test; failures go through GoogleTest.
void CheckArea(const std::string& name);

// --- Readable forms ---------------------------------------------------------------------------

// Bytes as a quoted C-like literal: printable ASCII as itself, \\ \" \n \r \t, every other
// byte \xHH. "" for no bytes.
std::string QuoteBytes(const void* bytes, size_t length);
// A string value: its quoted bytes and its encoding's short name, as "caf\xE9"@Latin1; nil
// (the empty string) is "".
std::string QuoteString(const string& value);
std::string QuoteString(const stringStorage* value);
// The short name of an encoding code ("UTF-8", "UTF-16", "Latin1", "none", or "0xNNNN").
std::string EncodingName(TextEncoding encoding);
// A double as the shortest text that reads back to the same value, with nan / inf / -inf / -0.
std::string Number(double value);
std::string Number(int64_t value);
// The name of an error code ("EACCES"), "0" for none.
std::string ErrorName(int code);

// --- Calling an export by its signature -----------------------------------------------------

// Argument words in cdecl order. Add() appends one word, Add64() two (low first), AddDouble()
// a Double's two words, AddSingle() a Single's one.
class Words {
 public:
  Words& Add(uint32_t word);
  Words& Add64(uint64_t value);
  Words& AddDouble(double value);
  Words& AddSingle(float value);
  const std::vector<uint32_t>& Get() const { return mWords; }

 private:
  std::vector<uint32_t> mWords;
};

// What one call gave back, read as its signature's result letter says: integer (EAX, or
// EDX:EAX for 'l') or floating (st(0) for 'f' and 'd').
struct CallResult {
  uint64_t integer = 0;
  double floating = 0;
};

// The export registered under name, or nil (a failed expectation).
const RelocEntry* Export(const std::string& name);
// Calls the export with the words (at most 16), reading the result by the export's recorded
// signature. Records the export as called in table.
CallResult CallExport(Table& table, const std::string& name, const Words& words);

}  // namespace answers
