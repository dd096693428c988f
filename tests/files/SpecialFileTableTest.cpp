// Openers on special files: every exported call that opens a named file or reads a stream, run
// against a FIFO without a writer, a FIFO whose writer sends a little and closes, /dev/zero,
// /dev/null, a file of /proc and one of /sys, each in a child with a watchdog. Each returns,
// with an object, what it read or a reported error, and its read loops end; a call that makes an
// object of a file's contents refuses the FIFOs and devices (ENOTSUP); a stream's Length and
// Position are never the -1 of an unknown length. The calls are found in the class rows (those
// of FolderItem and the stream classes, and every row that takes a FolderItem) and the export
// registry (the resource calls): one that has neither a row here nor a stated reason fails.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/ExternalClasses.h"
#include "core/ClassRegistry.h"
#include "core/ExportRegistry.h"
#include "core/GlobalFunctionRows.h"
#include "core/LibraryFinder.h"
#include "files/FolderItemClass.h"
#include "files/FolderItemImpUnix.h"
#include "graphics/MediaLibraries.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

enum Kind { kFifoAlone, kFifoWriter, kZero, kNull, kProc, kSys, kKinds };
const char* const kKindNames[] = {"FIFO without a writer", "FIFO with a writer", "/dev/zero",
                                  "/dev/null", "/proc file", "/sys file"};
bool IsDeviceOrFifo(Kind kind) { return kind <= kNull; }
// Files of the system are read, never written: a row that writes does so only into the FIFOs
// and the devices that take anything.
bool Writable(Kind kind) { return kind != kProc && kind != kSys; }

constexpr int kRounds = 100000;  // a read loop that runs this long has not ended
constexpr int kWatchdogSeconds = 10;
std::string gFolder;             // the children's own files

struct Outcome {
  bool object = false;  // an object came back
  std::string data;     // what the reads gave
  int error = 0;        // the error code reported
  std::string fault;    // what went wrong, empty when nothing did
};

template <typename F>
F* Export(const char* name) {
  const RelocEntry* entry = LookupExportEntry(name);
  return entry ? reinterpret_cast<F*>(entry->code) : nullptr;
}
using Object = RuntimeObject*;
using Text = stringStorage*;

void Take(Outcome& out, Text text) {
  if (text) out.data.append(stringStorage::CString(text), size_t(stringStorage::Length(text)));
  stringStorage::RemoveReference(text);
}
int ItemError(Object item) {
  return Export<int32_t(Object, uint32_t)>("FolderItemGetLastError")(item, 0);
}
Object ItemOn(const std::string& path) { return NewFolderItem(FolderItemImpUnix::FromBytes(path)); }
string PathOf(Object item) {
  return string::Adopt(Export<Text(Object, uint32_t)>("fileAbsolutePathGetter")(item, 0));
}
void Release(Object object) { RuntimeUnlockObject(object); }

// While Not EOF: read, for a text or binary stream from opener (item) or opener (item, false).
template <bool kBinary, typename Read>
Outcome ReadLoop(Object item, Read read) {
  Outcome out;
  Object stream = kBinary ? Export<Object(Object, int32_t)>("FolderItemOpenBinaryFile")(item, 0)
                          : Export<Object(Object)>("FolderItemOpenTextFile")(item);
  out.error = ItemError(item);
  if (!stream) return out;
  out.object = true;
  auto eof = Export<int32_t(Object)>(kBinary ? "BinaryStreamEOF" : "TextInputStreamEOF");
  int rounds = 0;
  while (!eof(stream) && ++rounds < kRounds) read(out, stream);
  if (rounds == kRounds) out.fault = "the read loop did not end";
  if (kBinary) {
    const uint64_t length = Export<uint64_t(Object, uint32_t)>("BinaryStreamGetLength")(stream, 0);
    const uint64_t at = Export<uint64_t(Object, uint32_t)>("BinaryStreamGetPosition")(stream, 0);
    if (length > uint64_t(INT64_MAX) || at > uint64_t(INT64_MAX) || length < at)
      out.fault += "Length " + std::to_string(length) + " at " + std::to_string(at);
  }
  out.error = Export<int32_t(Object)>(kBinary ? "BinaryStreamLastErrorGetter"
                                              : "TextInputStreamLastErrorGetter")(stream);
  Release(stream);
  return out;
}

// --- Runners: how a row's export is called ----------------------------------------------------

Outcome TextLines(const char*, Object item, Kind) {
  return ReadLoop<false>(item, [](Outcome& out, Object s) {
    Take(out, Export<Text(Object, Object)>("TextInputStreamReadLine")(s, nullptr));
  });
}
Outcome TextCounts(const char*, Object item, Kind) {
  return ReadLoop<false>(item, [](Outcome& out, Object s) {
    Take(out, Export<Text(Object, int32_t, Object)>("TextInputStreamRead")(s, 64, nullptr));
  });
}
Outcome TextAll(const char*, Object item, Kind) {
  return ReadLoop<false>(item, [](Outcome& out, Object s) {
    Take(out, Export<Text(Object, Object)>("TextInputStreamReadAll")(s, nullptr));
  });
}
// A typed read of a binary stream, by its export's own result type.
template <typename R>
Outcome BinaryValues(const char* name, Object item, Kind) {
  static const char* read;
  read = name;
  return ReadLoop<true>(item, [](Outcome& out, Object s) {
    out.data += std::to_string(double(Export<R(Object)>(read)(s)));
  });
}
template <typename... Extra>
Outcome BinaryTexts(const char* name, Object item, Kind) {
  static const char* read;
  read = name;
  return ReadLoop<true>(item, [](Outcome& out, Object s) {
    if constexpr (sizeof...(Extra) == 0) {
      Take(out, Export<Text(Object, Object)>(read)(s, nullptr));
    } else {
      Take(out, Export<Text(Object, int32_t, Object)>(read)(s, 64, nullptr));
    }
  });
}
Outcome BinaryBytes(const char*, Object item, Kind kind) {
  return BinaryValues<int32_t>("BinaryStreamReadByte", item, kind);
}

// Opens for writing (both ways for OpenBinaryFile), writes a little where that is harmless,
// and closes.
Outcome Writer(const char* name, Object item, Kind kind) {
  Outcome out;
  const std::string opener = name;
  for (int32_t write = 0; write < (opener == "FolderItemOpenBinaryFile" ? 2 : 1); ++write) {
    Object stream = opener == "FolderItemOpenBinaryFile"
                        ? Export<Object(Object, int32_t)>(name)(item, 1 - write)
                    : opener == "FolderItemCreateBinaryFile"
                        ? Export<Object(Object, Text)>(name)(item, nullptr)
                        : Export<Object(Object)>(name)(item);
    out.error = ItemError(item);
    if (!stream) continue;
    out.object = true;
    const bool binary = opener.find("Binary") != std::string::npos;
    const string line("a line");
    if (Writable(kind)) {
      if (binary) Export<void(Object, Text)>("BinaryStreamWrite")(stream, line.Storage());
      if (!binary) Export<void(Object, Text)>("TextOutputStreamWriteLine")(stream, line.Storage());
    }
    Release(stream);
  }
  return out;
}

// Makes an object of the file's contents (also through a link named like a picture, so that
// the format is taken from the name), and plays what can be played.
Outcome Contents(const char* name, Object item, Kind kind) {
  Outcome out;
  const std::string path = gFolder + "/link" + std::to_string(getpid()) + ".png";
  std::vector<Object> items = {item};
  const string target = PathOf(item);
  if (symlink(target.CString(), path.c_str()) == 0) items.push_back(ItemOn(path));
  for (Object each : items) {
    Object made = Export<Object(Object)>(name)(each);
    out.error = ItemError(each);
    out.object = out.object || made;
    // Each way in is refused on its own: the error of the last would hide the first's.
    if (IsDeviceOrFifo(kind) && (made || out.error != ENOTSUP))
      out.fault += std::string(each == item ? "" : "through the link: ") + "not refused: error " +
                   std::to_string(out.error) + "; ";
    if (made && std::string(name) == "FolderItemOpenSound") {
      Export<void(Object)>("soundPlay")(made);
      Export<int32_t(Object)>("soundIsPlaying")(made);
      Export<void(Object)>("soundStop")(made);
    }
    Release(made);
  }
  if (items.size() > 1) Release(items[1]);
  return out;
}

// Copies the file to a new name: what came back is the copy.
Outcome Copy(const char* name, Object item, Kind) {
  Outcome out;
  const std::string copy = gFolder + "/copy" + std::to_string(getpid());
  Object target = ItemOn(copy);
  Export<void(Object, Object)>(name)(item, target);
  struct stat info;
  out.object = lstat(copy.c_str(), &info) == 0;
  out.error = ItemError(item);
  Release(target);
  return out;
}

// Opens a volume kept in the file.
Outcome Volume(const char* name, Object item, Kind) {
  Outcome out;
  Object volume = Export<Object(Object)>(name)(item);
  out.object = volume != nullptr;
  out.error = ItemError(item);
  Release(volume);
  return out;
}

// Moves within or cuts a binary stream on the file (opened for writing where that is harmless).
Outcome Reposition(const char* name, Object item, Kind kind) {
  Outcome out;
  Object stream =
      Export<Object(Object, int32_t)>("FolderItemOpenBinaryFile")(item, Writable(kind) ? 1 : 0);
  out.error = ItemError(item);
  if (!stream) return out;
  out.object = true;
  Export<void(Object, uint32_t, uint64_t)>(name)(stream, 0, 2);
  out.error = Export<int32_t(Object)>("BinaryStreamLastErrorGetter")(stream);
  Release(stream);
  return out;
}

// A built-in database kept in the file: opened, or made where that writes nothing of the
// system's.
Outcome Database(const char* name, Object item, Kind kind) {
  Outcome out;
  if (std::string(name) == "newQUORDatabase" && !Writable(kind)) return out;
  Object database = Export<Object(Object)>(name)(item);
  out.object = database != nullptr;
  Release(database);
  return out;
}

// The program's objects listed into the file, where writing is harmless.
Outcome Dump(const char* name, Object item, Kind kind) {
  Outcome out;
  if (!Writable(kind)) return out;
  const string path = PathOf(item);
  Export<void(Text)>(name)(path.Storage());
  out.object = true;  // it answers nothing: that it returned is the answer
  return out;
}

// What a row's call must answer: a stream, data or an error (kStream); as kStream, and what a
// FIFO's writer sent or a system file holds, ENXIO from a FIFO with no writer (kRead); ENOTSUP
// for the FIFOs and devices, anything for the files (kContents); nil for the FIFOs and devices,
// anything for the files (kNil); anything, nil being how it says no (kAnswer).
enum Expect { kStream, kRead, kContents, kNil, kAnswer };

struct Row {
  const char* exportName;
  Expect expect;
  Outcome (*run)(const char* name, Object item, Kind kind);
};

// One row a line.
const Row kRows[] = {
    {"FolderItemOpenTextFile", kRead, TextLines},
    {"TextInputStreamReadLine", kRead, TextLines},
    {"TextInputStreamEOF", kRead, TextLines},
    {"TextInputStreamRead", kRead, TextCounts},
    {"TextInputStreamReadAll", kRead, TextAll},
    {"FolderItemOpenBinaryFile", kStream, Writer},
    {"BinaryStreamEOF", kRead, BinaryBytes},
    {"BinaryStreamGetLength", kRead, BinaryBytes},
    {"BinaryStreamGetPosition", kRead, BinaryBytes},
    {"BinaryStreamReadByte", kRead, BinaryValues<int32_t>},
    {"BinaryStreamReadShort", kRead, BinaryValues<int32_t>},
    {"BinaryStreamReadInt16", kRead, BinaryValues<int32_t>},
    {"BinaryStreamReadLong", kRead, BinaryValues<int32_t>},
    {"BinaryStreamReadInt8", kRead, BinaryValues<int32_t>},
    {"BinaryStreamReadInt64", kRead, BinaryValues<int64_t>},
    {"BinaryStreamReadUInt8", kRead, BinaryValues<uint32_t>},
    {"BinaryStreamReadUInt16", kRead, BinaryValues<uint32_t>},
    {"BinaryStreamReadUInt32", kRead, BinaryValues<uint32_t>},
    {"BinaryStreamReadUInt64", kRead, BinaryValues<uint64_t>},
    {"BinaryStreamReadFloat", kRead, BinaryValues<double>},
    {"BinaryStreamReadDouble", kRead, BinaryValues<double>},
    {"BinaryStreamReadBoolean", kRead, BinaryValues<int32_t>},
    {"BinaryStreamSetPosition", kStream, Reposition},
    {"BinaryStreamSetLength", kStream, Reposition},
    {"BinaryStreamReadPString", kRead, BinaryTexts<>},
    {"BinaryStreamRead", kRead, BinaryTexts<int32_t>},
    {"FolderItemCreateTextFile", kStream, Writer},
    {"FolderItemAppendTextFile", kStream, Writer},
    {"FolderItemCreateBinaryFile", kStream, Writer},
    {"FolderItemOpenImage", kContents, Contents},
    {"FolderItemOpenSound", kContents, Contents},
    {"FolderItemOpenMovie", kContents, Contents},
    {"FolderItemCopyFileTo", kContents, Copy},
    {"FolderItemOpenAsVirtualVolume", kContents, Volume},
    {"openQUORDatabase", kNil, Database},
    {"newQUORDatabase", kNil, Database},
    {"debugDumpObjects", kAnswer, Dump},
};

// Calls that the derivation finds but that open no file by name, or are run elsewhere.
const struct {
  const char* exportName;
  const char* reason;
} kReasons[] = {
    {"FolderItemOpenVectorImage", "raises UnsupportedFormatException before anything is opened"},
    {"FolderItemOpenAsCursor", "answers nil on this platform: opens nothing"},
    {"FolderItemOpenAsIcons", "answers nil on this platform: opens nothing"},
    {"FolderItemOpenResourceMovie", "answers nil on this platform: opens nothing"},
    {"folderOpenResourceFork", "no resource forks on this platform: opens nothing"},
    {"folderCreateResourceFork", "no resource forks on this platform: opens nothing"},
    {"FolderItemCreateAsFolder", "makes a folder (mkdir): opens no file"},
    {"FolderItemCreateVirtualVolume", "makes a file only where none exists: opens no special"},
    {"FolderItemMoveFileTo", "renames (mv) and reads nothing; never run on the system's files"},
    {"FolderItemOpenStyledEditField", "the field reads through OpenAsMechanism, OpenTextFile's"},
    {"FolderItemSaveStyledEditField", "the field writes through CreateMechanism, CreateTextFile's"},
    {"FolderItemSaveAsPicture", "writes through CreateMechanism, CreateBinaryFile's opener"},
    {"FolderItemSaveAsJPEG", "answers false on this platform: opens nothing"},
    {"RuntimeGetBitmapFromResourceManager", "reads the resource table read at start (ImageFile)"},
    {"RuntimeGetCursorFromResourceManager", "reads the resource table read at start (ImageFile)"},
    {"RuntimeGetTextFileFromResourceManager", "reads the resource table read at start"},
    {"RuntimeGetDatabaseFromResource", "reads the resource table read at start (ImageFile)"},
    {"RuntimeGetSoundFromResourceManager", "a file of its own, or the image file: OpenSound's"},
    {"RuntimeGetMovieFromResource", "writes a file of its own, played as OpenMovie's"},
    {"BinaryStreamLastErrorGetter", "answers the stream's last error (also as ReadError)"},
    {"TextInputStreamLastErrorGetter", "answers the stream's last error (also as ReadError)"},
    {"FolderItemGetSaveInfo", "makes a text of the two items' paths: opens nothing"},
    {"FolderItemCopyCtor", "keeps the item it is given in memory: opens nothing"},
    {"QUORDatabaseFolderItemSetter", "keeps the item it is given in memory: opens nothing"},
    {"objSetter", "keeps the item it is given in memory: opens nothing"},
    {"dragItemFolderItemSetter", "keeps the item it is given in memory: opens nothing"},
    {"appleEventReplyFolderItemSetter", "keeps the item it is given in memory: opens nothing"},
    {"aeTemplateSetFolderItemParam", "keeps the item it is given in memory: opens nothing"},
    {"appleEventDescListAppendFolderItem", "keeps the item it is given in memory: opens nothing"},
    {"ApplicationOpenDocument", "an event: hands the item on to the program's handler"},
};

bool Named(const char* name, const char* other) { return other && strcasecmp(name, other) == 0; }

// Whether the method or property of class, named name, reads a stream or opens a named file.
bool IsOpenerRow(const std::string& owner, const std::string& name) {
  auto starts = [&](const char* prefix) { return name.rfind(prefix, 0) == 0; };
  if (owner == "TextInputStream" || owner == "BinaryStream")
    return starts("Read") || name == "EOF" || name == "Length" || name == "Position";
  if (owner != "FolderItem") return false;
  for (const char* verb : {"Open", "_Open", "Create", "Append", "Save", "CopyFileTo", "MoveFileTo"})
    if (starts(verb)) return true;
  return false;
}

bool TakesFolderItem(const ParameterRecord* parameters, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const TypeDescriptor* type = parameters[i].parameterType;
    if (IsClassNameType(type) && Named(AsClassNameType(type)->className, "FolderItem")) return true;
  }
  return false;
}

// The exports the class rows and the registry name as openers or stream reads.
std::set<std::string> DerivedOpeners() {
  std::set<std::string> found;
  auto add = [&](const char* name) {
    if (name && std::string(name) != "ReportUnresolvedImportCall") found.insert(name);
  };
  RuntimeInitExternalClasses();  // every class, not only those a test registered before
  SimpleVector<ObjectDefinition*> definitions = RegisteredClassDefinitions();
  for (uint32_t i = 0; i < definitions.size(); ++i) {
    ObjectDefinition* definition = definitions[int32_t(i)];
    const std::string owner = definition->className.CString();
    for (const InstanceVariable* item = definition->items; item; item = item->next) {
      const bool named = IsOpenerRow(owner, item->name.CString());
      if (named) add(item->getterExportName);
      if (named || (IsClassNameType(item->varType) &&
                    Named(AsClassNameType(item->varType)->className, "FolderItem")))
        add(item->setterExportName);
    }
    for (const ObjectMethod* method = definition->methods; method; method = method->next) {
      const MethodRow& row = method->row;
      if (IsOpenerRow(owner, method->name.CString()) ||
          TakesFolderItem(row.parameters, row.parameterCount)) {
        add(row.a.exportName);
        add(row.b.exportName);
      }
    }
  }
  for (int32_t i = 0; i < GlobalFunctionRowCount(); ++i) {
    const GlobalFunctionRow& row = GlobalFunctionRows()[i];
    if (TakesFolderItem(row.parameters, row.parameterCount)) add(row.exportName);
  }
  for (uint32_t i = 0; i < ExportEntryCount(); ++i) {
    const char* name = ExportEntryByIndex(i)->name;
    if (name && strcasestr(name, "Resource") && strncmp(name, "Runtime", 7) == 0) add(name);
  }
  return found;
}

TEST(SpecialFileTable, EveryOpenerHasARowOrAReason) {
  std::string missing;
  for (const std::string& name : DerivedOpeners()) {
    bool covered = false;
    for (const Row& row : kRows) covered = covered || Named(name.c_str(), row.exportName);
    for (const auto& reason : kReasons) covered = covered || Named(name.c_str(), reason.exportName);
    if (!covered) missing += name + "\n";
  }
  EXPECT_EQ(missing, "") << "openers with neither a row nor a reason";
  // A reason for a call the derivation does not find excuses nothing: the list stays exact.
  const std::set<std::string> derived = DerivedOpeners();
  for (const auto& reason : kReasons) {
    bool found = false;
    for (const std::string& name : derived) found = found || Named(name.c_str(), reason.exportName);
    EXPECT_TRUE(found) << reason.exportName << " has a reason but is no derived opener";
  }
  for (const Row& row : kRows) {
    EXPECT_NE(LookupExportEntry(row.exportName), nullptr) << row.exportName;
  }
}

// The special file of kind for a child: its own FIFO (with its writer started), or the
// system's file.
std::string Prepare(Kind kind, int index, pid_t* writer) {
  switch (kind) {
    case kZero:
      return "/dev/zero";
    case kNull:
      return "/dev/null";
    case kProc:
      return "/proc/self/status";
    case kSys:
      return "/sys/devices/system/cpu/online";
    default:
      break;
  }
  const std::string path = gFolder + "/fifo" + std::to_string(index);
  if (mkfifo(path.c_str(), 0600) != 0) return path;
  if (kind == kFifoWriter && (*writer = fork()) == 0) {
    alarm(kWatchdogSeconds);  // a writer whose reader never comes goes with the watchdog
    for (int fd = 0; fd < 1024; ++fd) close(fd);  // no report nor output waits for it
    const int fd = open(path.c_str(), O_WRONLY);
    _exit(fd >= 0 && write(fd, "a little\nmore", 13) == 13 ? 0 : 1);
  }
  return path;
}

// Runs row on kind in a child whose exit status and output tell how it went.
pid_t StartRow(const Row& row, Kind kind, int index, int* output) {
  int ends[2];
  if (pipe(ends) != 0) return -1;
  const pid_t child = fork();
  if (child != 0) {
    close(ends[1]);
    *output = ends[0];
    return child;
  }
  close(ends[0]);
  alarm(kWatchdogSeconds);
  // Sounds take the plain back end, whose reader is the framework's own; no device plays them.
  SetLibraryListingProgramForTesting({"/bin/sh", "-c", "/sbin/ldconfig -p | grep libsndfile"});
  ForgetMediaLibrariesForTesting();
  pid_t writer = -1;
  const std::string path = Prepare(kind, index, &writer);
  Object item = ItemOn(path);
  const Outcome out = row.run(row.exportName, item, kind);
  std::string fault = out.fault;
  const bool answered = out.object || !out.data.empty() || out.error != 0;
  if ((row.expect == kStream || row.expect == kRead) && !answered)
    fault += "nothing came back, and no error";
  const bool holdsData = kind == kFifoWriter || kind == kProc || kind == kSys;
  if (row.expect == kRead && holdsData && out.data.empty())
    fault += "read nothing (error " + std::to_string(out.error) + ")";
  if (row.expect == kRead && kind == kFifoAlone && out.error != ENXIO)
    fault += "error " + std::to_string(out.error) + ", not ENXIO";
  if (row.expect == kNil && IsDeviceOrFifo(kind) && out.object) fault += "not nil";
  if (row.expect == kContents && IsDeviceOrFifo(kind) && (out.object || out.error != ENOTSUP))
    fault += "not refused: error " + std::to_string(out.error);
  Release(item);
  // The writer is this child's own: ended here, it is not left to the watchdog nor to init.
  if (writer > 0) {
    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
  }
  if (write(ends[1], fault.data(), fault.size()) < 0) _exit(2);
  _exit(fault.empty() ? 0 : 1);
}

TEST(SpecialFileTable, EveryOpenerReturnsOnEverySpecialFile) {
  qvtest::TempFolder folder("qvspecial");
  gFolder = folder.path();
  struct Child {
    pid_t id;
    int output;
    std::string what;
  };
  std::vector<Child> children;
  int index = 0;
  for (const Row& row : kRows) {
    for (int kind = 0; kind < kKinds; ++kind) {
      Child child{-1, -1, std::string(row.exportName) + " on a " + kKindNames[kind]};
      child.id = StartRow(row, Kind(kind), index++, &child.output);
      ASSERT_GT(child.id, 0) << child.what;
      children.push_back(child);
    }
  }
  for (const Child& child : children) {
    std::string said;
    char buffer[256];
    for (ssize_t n; (n = read(child.output, buffer, sizeof buffer)) > 0;) said.append(buffer, n);
    close(child.output);
    int status = 0;
    waitpid(child.id, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << child.what << ": "
        << (!WIFSIGNALED(status)           ? said
            : WTERMSIG(status) == SIGALRM ? std::string("did not return in time")
                                          : std::string(strsignal(WTERMSIG(status))));
  }
}

}  // namespace
