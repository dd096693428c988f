// Openers on special files: every exported call that opens a named file or reads a stream, run
// against a FIFO without a writer (of mode 0600, and of 0444, which grants no write), a FIFO
// whose writer sends a little and closes, /dev/zero, /dev/null, a file of /proc and one of /sys,
// each in a child with a watchdog. Each returns, with an object, what it read or a reported
// error, and its read loops end; a call that makes an object of a file's contents refuses the
// FIFOs and devices (ENOTSUP); a stream's Length and Position are never the -1 of an unknown
// length. The calls come from every registered class and every export (ExportCatalog): one that
// has neither a row here nor a reason naming the test that checks it fails, and so does an open
// in the framework's code that goes past the one opener without saying why.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ExportCatalog.h"
#include "app/ThreadLocks.h"
#include "core/ExportRegistry.h"
#include "core/LibraryFinder.h"
#include "core/ObjectDefinitionConverter.h"
#include "files/FolderItemClass.h"
#include "files/FolderItemImpUnix.h"
#include "graphics/MediaLibraries.h"
#include "graphics/OSSDevice.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

// The FIFOs are made with a mode of their own: one that grants nobody write access is refused
// for writing (as root too, where the framework asks the mode itself) and taken read-only.
enum Kind { kFifoAlone, kFifoReadOnly, kFifoWriter, kZero, kNull, kProc, kSys, kKinds };
const char* const kKindNames[] = {"FIFO without a writer", "FIFO of mode 0444 without a writer",
                                  "FIFO with a writer", "/dev/zero", "/dev/null", "/proc file",
                                  "/sys file"};
const mode_t kFifoModes[] = {0600, 0444, 0600};
bool IsDeviceOrFifo(Kind kind) { return kind <= kNull; }
bool IsFifoAlone(Kind kind) { return kind == kFifoAlone || kind == kFifoReadOnly; }
// Files of the system are read, never written: a row that writes does so only into the FIFOs
// and the devices that take anything.
bool Writable(Kind kind) { return kind != kProc && kind != kSys; }

constexpr int kRounds = 100000;  // a read loop that runs this long has not ended
constexpr int kWatchdogSeconds = 10;  // a base of TimeLimit
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

// A lock file of the special file's name in its folder (the temporary folder), where making
// one is harmless.
Outcome LockFile(const char* name, Object item, Kind kind) {
  Outcome out;
  if (!Writable(kind)) return out;
  const std::string path = PathOf(item).CString();
  const size_t slash = path.rfind('/');
  setenv("TMPDIR", path.substr(0, slash).c_str(), 1);
  Object mutex = NewObjectFromDefinition(MutexClassDefinition());
  const string file(path.substr(slash + 1).c_str());
  qvtest::ReportCapture reports;  // no regular lock file could be made: reported, as it should
  Export<void(Object, Text)>(name)(mutex, file.Storage());
  out.object = mutex != nullptr;  // it answers nothing: that it returned is the answer
  Release(mutex);
  return out;
}

// A declared function of a library kept in the file.
Outcome Library(const char* name, Object item, Kind) {
  Outcome out;
  const string function("main");
  out.object = Export<void*(Text, Text)>(name)(function.Storage(), PathOf(item).Storage());
  return out;
}

// A sound played to the file as the sound device, where writing is harmless.
Outcome Playback(const char* name, Object item, Kind kind) {
  Outcome out;
  if (!Writable(kind)) return out;
  const std::string wave = gFolder + "/tone" + std::to_string(getpid()) + ".wav";
  const std::string device = PathOf(item).CString();
  std::string bytes("RIFF\x2C\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1F\0\0\x80\x3E\0\0"
                    "\x02\0\x10\0data\x08\0\0\0",
                    44);
  bytes += std::string(8, '\0');
  FILE* file = fopen(wave.c_str(), "wb");
  if (!file || fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || fclose(file) != 0)
    return out;
  SetOSSDevicesForTesting({device.c_str(), device.c_str(), device.c_str()}, nullptr);
  Object tone = ItemOn(wave);
  Object sound = Export<Object(Object)>("FolderItemOpenSound")(tone);
  Release(tone);
  if (!sound) return out;
  Export<void(Object)>(name)(sound);
  Export<void(Object)>("soundStop")(sound);
  out.object = true;  // it answers nothing: that it returned is the answer
  Release(sound);
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
    {"MutexContructor", kAnswer, LockFile},
    {"LoadFunctionPointerFromLibrary", kNil, Library},
    {"soundPlay", kAnswer, Playback},
};

// Why each derived call that has no row opens no file by name, or is run elsewhere, and the
// test that checks it.
struct Reason {
  const char* why;
  const char* checkedBy;  // "Suite.Test"
  std::vector<const char*> names;
};
// clang-format off
const std::vector<Reason> kReasons = {
  {"opens nothing on this platform: it answers nil or false, or raises first", "FolderItemCommands.PictureFormatsDetectedAndUnsupportedOnesRaised", {"FolderItemOpenVectorImage", "FolderItemOpenAsCursor", "FolderItemOpenAsIcons", "FolderItemOpenResourceMovie", "folderOpenResourceFork", "folderCreateResourceFork", "FolderItemSaveAsJPEG", "FolderItemOpenAsJPEGPicture", "openURLMovie", "resourceForkGetSound"}},
  {"makes a folder, renames, removes, or changes what stat says (mkdir, rename, unlink, chmod, chown, utimes): opens no file", "FolderItemImpUnix.MakingOpeningAndDeleting", {"FolderItemCreateAsFolder", "FolderItemMoveFileTo", "FolderItemDelete", "FileExtensionVisibleSetter", "FolderItemGroupSetter", "FolderItemImpMakeFileExecutable", "FolderItemOwnerSetter", "FolderItemSetPermissionsClass", "FolderItemSetPermissionsInteger", "fileLockedSetter", "fileMacCreatorSetter", "fileMacTypeSetter", "fileNameSetter", "fileVisibleSetter", "folderSetCreation", "folderSetModified"}},
  {"makes a file only where none exists, and refuses a name that holds anything", "VolumeFullDisk.AVolumeThatCannotBeMadeLeavesNoFile", {"FolderItemCreateVirtualVolume"}},
  {"reads or writes through the opener of OpenTextFile, CreateTextFile or CreateBinaryFile (rows)", "FieldFiles.SavingOverADocumentOnAFullDiskKeepsIt", {"FolderItemOpenStyledEditField", "FolderItemSaveStyledEditField", "FolderItemSaveAsPicture", "exportPicture"}},
  {"answers what stat, lstat, a listing or the item's memory says: opens no file", "FolderItemImpUnix.MetadataAgreesWithStatAndPython", {"FileDisplayNameGetter", "FileExtensionVisibleGetter", "FileShellPathGetter", "FileURLGetter", "FolderChild", "FolderItemDestructor", "FolderItemGetLastError", "FolderItemGetPermissions", "FolderItemGetRelative", "FolderItemGroupGetter", "FolderItemIsCurrentlyReadable", "FolderItemItem", "FolderItemOwnerGetter", "FolderItemPathCtor", "FolderItemPathCtorNoParams", "FolderItemSetLastError", "FolderItemTrueItem", "FolderTrueChild", "fileAbsolutePathGetter", "fileAliasGetter", "fileCountGetter", "fileDirIDGetter", "fileDirectoryGetter", "fileExistsGetter", "fileLockedGetter", "fileMacCreatorGetter", "fileMacTypeGetter", "fileNameGetter", "fileRFSizeGetter", "fileSizeGetter", "fileTypeGetter", "fileVRefNumGetter", "fileVisibleGetter", "folderFindFolder", "folderGetCreation", "folderGetModified", "folderParentGetter", "folderVirtVolGetter", "FolderItemGetSaveInfo"}},
  {"opens the file as OpenBinaryFile(True) does, to write its first byte back (row FolderItemOpenBinaryFile)", "FolderItemShared.TheWriteProbeRestoresWhatItTouches", {"FolderItemIsCurrentlyWriteable"}},
  {"hands the name to a program it starts detached, which never holds this one up", "FolderItemCommands.LaunchRunsProgramsAndOpensDocuments", {"FolderItemLaunch", "FolderItemLaunchWithParameters", "GlobalShowURL"}},
  {"names an item, a folder or a path, or keeps the item it is given in memory: opens nothing", "SpecialFolderClass.FixedPathsAndOtherPlatformsFolders", {"FolderItemCopyCtor", "QUORDatabaseFolderItemSetter", "objSetter", "objGetter", "dragItemFolderItemSetter", "dragItemFolderItemGetter", "appleEventReplyFolderItemSetter", "appleEventReplyFolderItemGetter", "aeTemplateSetFolderItemParam", "appleEventDescListAppendFolderItem", "appleEventGetFolderItemParam", "appleEventSetFolderItemParam", "appleEventDescListGetFolderItemItem", "AppFolderItemGetter", "ApplicationOpenDocument", "FolderItemCopyPathToBuffer", "FolderItemFromPath", "FolderItemGetImp", "QUORpathFromFolderItem", "GetDocumentsFolder", "RuntimeGetFolderItem", "RuntimeGetOpenFolderItem", "RuntimeGetSaveFolderItem", "RuntimeGetTrueFolderItem", "RuntimeSelectFolder", "getAppleMenuFolder", "getApplicationSupportFolder", "getControlPanelsFolder", "getDesktopFolder", "getExtensionsFolder", "getFontsFolder", "getPreferencesFolder", "getShutdownItemsFolder", "getStartupItemsFolder", "getSystemFolder", "getTemporaryFolderItem", "getTemporaryItemsFolder", "getTrashFolder", "getVolume", "getVolumeCount", "GetSpecialFolder", "GetSpecialFolderFromCode", "FolderItemDialogFinalizer", "FolderItemDialogInitializer", "FolderItemDialogShowModal", "FolderItemDialogShowWithin"}},
  {"reads the resource table read at start (ImageFile)", "ResourceManager.EmbeddedDatabasesOpenThroughTheirEnginesDataSource", {"RuntimeGetBitmapFromResourceManager", "RuntimeGetCursorFromResourceManager", "RuntimeGetTextFileFromResourceManager", "RuntimeGetDatabaseFromResource"}},
  {"writes a file of its own, made by the temporary-file maker, and plays it as OpenSound and OpenMovie do (rows)", "ResourceManager.EachMovieAndSoundIsWrittenOnce", {"RuntimeGetSoundFromResourceManager", "RuntimeGetMovieFromResource"}},
  {"works on a stream already open: its opener and reads have rows", "TextOutputStream.AFullDiskKeepsItsErrorAfterClose", {"BinaryStreamLastErrorGetter", "TextInputStreamLastErrorGetter", "BinaryStreamClose", "BinaryStreamDestructor", "BinaryStreamFlush", "BinaryStreamHandleCtor", "BinaryStreamHandleGetter", "BinaryStreamInitializer", "BinaryStreamWrite", "BinaryStreamWriteBoolean", "BinaryStreamWriteByte", "BinaryStreamWriteDouble", "BinaryStreamWriteFloat", "BinaryStreamWriteInt16", "BinaryStreamWriteInt64", "BinaryStreamWriteInt8", "BinaryStreamWriteLong", "BinaryStreamWritePString", "BinaryStreamWriteShort", "BinaryStreamWriteUInt16", "BinaryStreamWriteUInt32", "BinaryStreamWriteUInt64", "BinaryStreamWriteUInt8", "BinaryStringMemoryBlockCtor", "BinaryStringStringCtor", "TextInputStreamClose", "TextInputStreamDestructor", "TextInputStreamGetPosition", "TextInputStreamHandleCtor", "TextInputStreamHandleGetter", "TextInputStreamInitializer", "TextInputStreamSetPosition", "TextOutputStreamClose", "TextOutputStreamDestructor", "TextOutputStreamFlush", "TextOutputStreamHandleCtor", "TextOutputStreamHandleGetter", "TextOutputStreamInitializer", "TextOutputStreamLastErrorGetter", "TextOutputStreamWrite", "TextOutputStreamWriteLine", "VirtVolDestructor", "VirtVolRootGetter"}},
  {"works on a database whose file the database's opener opened (rows openQUORDatabase, newQUORDatabase): a FIFO or a device is refused there", "QUORDatabaseClass.ConnectAndCreateSayWhyTheyFail", {"DatabaseConnect", "DatabaseConstructor", "databaseClose", "databaseCommit", "databaseDestructor", "databaseErrorCodeGetter", "databaseErrorGetter", "databaseErrorStringGetter", "databaseFieldSchema", "databaseIndexSchema", "databaseInsertRecord", "databaseRollback", "databaseSQLExecute", "databaseSQLSelect", "databaseTableSchema", "getDatabaseProperty", "CursorMoveFirst", "CursorMoveLast", "CursorMovePrev", "RecordSetColumnType", "RecordSetRecordCount", "cursorBOFGetter", "cursorClose", "cursorDeleteRecord", "cursorEOFGetter", "cursorEdit", "cursorFieldCount", "cursorGetFieldByIndex", "cursorGetFieldByName", "cursorMoveNext", "cursorUpdate", "databaseCursorDestructor", "CursorFieldBooleanValueGetter", "CursorFieldBooleanValueSetter", "CursorFieldConvertToBoolean", "CursorFieldConvertToDate", "CursorFieldConvertToDouble", "CursorFieldConvertToInt64", "CursorFieldConvertToInteger", "CursorFieldConvertToString", "CursorFieldCurrencyValueGetter", "CursorFieldCurrencyValueSetter", "CursorFieldInt64ValueGetter", "CursorFieldInt64ValueSetter", "CursorFieldValueGetter", "CursorFieldValueSetter", "cursorFieldDateValueGetter", "cursorFieldDateValueSetter", "cursorFieldDoubleValueGetter", "cursorFieldDoubleValueSetter", "cursorFieldIntegerValueGetter", "cursorFieldIntegerValueSetter", "cursorFieldJPEGGetter", "cursorFieldJPEGSetter", "cursorFieldMactPictGetter", "cursorFieldMactPictSetter", "cursorFieldNameGetter", "cursorFieldNativeValueGetter", "cursorFieldStringValueGetter", "cursorFieldStringValueSetter", "databaseCursorFieldDestructor", "databaseCursorFieldGetString", "databaseCursorFieldSetString", "databaseQueryAddLDNR", "databaseQueryDestructor", "databaseQueryGetCount", "databaseQueryGetRow", "databaseQueryRemoveLDNR", "databaseQueryRunQuery", "databaseQuerySetParameter", "stringGetter", "stringSetter", "scrollableCursorConstructor", "scrollableCursorDestructor", "scrollableCursorGetCount", "scrollableCursorGetRow", "QUORDatabaseConnect", "QUORDatabaseConstructor", "QUORDatabaseCreateDatabaseFile", "QUORDatabaseDestructor", "QUORDatabaseFolderItemGetter", "QUORDatabaseSetError", "DataControlCreatePane", "DataControlAddNewRecord", "DataControlAlignSetter", "DataControlAttributeSetter", "DataControlCaptionSetter", "DataControlClearBoundControls", "DataControlColorSetter", "DataControlConstructor", "DataControlControlBindSetter", "DataControlDBGetter", "DataControlDBSetter", "DataControlDeleteRecord", "DataControlDestructor", "DataControlEncodingGetter", "DataControlEncodingSetter", "DataControlFieldCount", "DataControlFontSetter", "DataControlGetBoundPart", "DataControlGetConstant", "DataControlGetCursor", "DataControlGetField", "DataControlMoveFirst", "DataControlMoveLast", "DataControlMoveNext", "DataControlMovePrev", "DataControlMoveTo", "DataControlNewRecord", "DataControlQuerySetter", "DataControlReadOnlySetter", "DataControlRecordLockedGetter", "DataControlRow", "DataControlRowCount", "DataControlRunQuery", "DataControlSizeSetter", "DataControlTableNameSetter", "DataControlUpdateRecord"}},
  {"plays or answers what a sound or movie holds: its file was opened by OpenSound or OpenMovie (rows)", "SpecialFileTable.EveryOpenerReturnsOnEverySpecialFile", {"RuntimeMovieDestructor", "movieBaseHeightGetter", "movieBaseWidthGetter", "movieHandleGetter", "movieHeightGetter", "movieWidthGetter", "MediaCreatePane", "MediaControllerSetter", "MediaVolumeGetter", "MediaVolumeSetter", "RuntimeMediaDestructor", "RuntimeMediaPlay", "RuntimeMediaStop", "WMPMovieControllerGetter", "mediaControllerHeightGetter", "mediaControllerLoopingSetter", "mediaControllerPalindromeSetter", "mediaControllerWidthGetter", "mediaGetBoundPart", "mediaMovieControllerGetter", "mediaMovieSetter", "RuntimeSoundConstructor", "RuntimeSoundDestructor", "SoundClone", "SoundPanGetter", "SoundPanSetter", "SoundVolumeGetter", "SoundVolumeSetter", "soundIsPlaying", "soundPlayLooping", "soundStop"}},
  {"locks, unlocks or removes the lock file the constructor opened (row MutexContructor)", "SpecialFileTable.EveryOpenerReturnsOnEverySpecialFile", {"MutexFinalizer", "MutexInitializer", "MutexLock", "MutexTryLock", "MutexUnlock"}},
  {"finds the library as LoadFunctionPointerFromLibrary does (row)", "SpecialFileTable.EveryOpenerReturnsOnEverySpecialFile", {"IsFunctionAvailable"}},
  {"reads the program's objects in memory; the dump into a file has a row (debugDumpObjects)", "SpecialFileTable.EveryOpenerReturnsOnEverySpecialFile", {"RuntimeDebugInstance", "RuntimeDebugDestructor", "RuntimeDebugMemoryUsed", "RuntimeDebugObjectClass", "RuntimeDebugObjectCount", "RuntimeDebugObjectID", "RuntimeDebugObjectRefs"}},
};
// clang-format on

// The openers come from every registered class and every export (ExportCatalog): a row or a
// reason for a call that is no opener excuses nothing, and a reason names a test that is
// written.
TEST(SpecialFileTable, EveryOpenerHasARowOrAReason) {
  const std::set<std::string> openers = exportcatalog::FileCalls();
  std::set<std::string> classified;
  for (const Row& row : kRows) {
    EXPECT_NE(LookupExportEntry(row.exportName), nullptr) << row.exportName;
    classified.insert(row.exportName);
  }
  for (const Reason& reason : kReasons) {
    EXPECT_TRUE(exportcatalog::TestWritten(reason.checkedBy)) << reason.checkedBy;
    for (const char* name : reason.names) EXPECT_TRUE(classified.insert(name).second) << name;
  }
  std::string missing, stray;
  for (const std::string& name : openers)
    if (!classified.count(name)) missing += name + "\n";
  for (const std::string& name : classified)
    if (!openers.count(name)) stray += name + "\n";
  EXPECT_EQ(missing, "") << "openers with neither a row nor a reason";
  EXPECT_EQ(stray, "") << "rows or reasons for calls the catalog finds no opener";
}

// The sound device, held by another process, or a FIFO in its place, is opened without waiting:
// OSS makes a second open of a busy device wait until the first is closed. An alarm fails a
// hang.
TEST(SpecialFileTable, TheSoundDeviceNeverWaitsToOpen) {
  qvtest::TempFolder folder("qvdsp");
  const std::string fifo = folder / "dsp";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int status = qvtest::RunInChild([&] {
    alarm(qvtest::TimeLimit(kWatchdogSeconds));
    SetOSSDevicesForTesting({fifo.c_str(), fifo.c_str(), fifo.c_str()}, nullptr);
    EXPECT_EQ(OpenDSP(1, 8000), -1) << "a FIFO without a reader is no device";
    Mixer mixer;
    EXPECT_TRUE(mixer.Open()) << "opened at once, as its own reader";
    SetOSSDevicesForTesting({}, nullptr);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Every open of a named file in the framework goes through the one opener (or the one
// temporary-file maker), or says beside it, in a comment, why it goes past the opener.
TEST(SpecialFileTable, EveryOpenIsTheOpenersOrSaysWhy) {
  static const std::regex kOpen(
      R"re((^|[^\w.>])(open|open64|openat|fopen|fopen64|freopen|creat|dlopen|mkstemps?|mkostemps?|tmpfile|mkdtemp)\s*\()re");
  constexpr int kLinesAbove = 6;
  std::string unexplained;
  for (const auto& [path, text] : exportcatalog::SourceFiles()) {
    if (path == "core/NamedFile.cpp" || path == "core/TemporaryFile.cpp") continue;
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    for (size_t n = 0; n < lines.size(); ++n) {
      const std::string code = lines[n].substr(0, lines[n].find("//"));
      if (code.find('(') == std::string::npos || !std::regex_search(code, kOpen)) continue;
      std::string above;
      for (size_t k = n > kLinesAbove ? n - kLinesAbove : 0; k <= n; ++k) above += lines[k];
      for (char& c : above) c = char(tolower(static_cast<unsigned char>(c)));
      if (above.find("past the opener") == std::string::npos)
        unexplained += path + ":" + std::to_string(n + 1) + ": " + lines[n] + "\n";
    }
  }
  EXPECT_EQ(unexplained, "") << "opens of named files past the opener, without a reason";
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
  if (mkfifo(path.c_str(), kFifoModes[kind]) != 0 || chmod(path.c_str(), kFifoModes[kind]) != 0)
    return path;
  if (kind == kFifoWriter && (*writer = qvtest::ForkTestChild()) == 0) {
    alarm(qvtest::TimeLimit(kWatchdogSeconds));  // a writer whose reader never comes goes too
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
  const pid_t child = qvtest::ForkTestChild();
  if (child != 0) {
    close(ends[1]);
    *output = ends[0];
    return child;
  }
  close(ends[0]);
  alarm(qvtest::TimeLimit(kWatchdogSeconds));
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
  if (row.expect == kRead && IsFifoAlone(kind) && out.error != ENXIO)
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
