// Every exported call that can write to disk, on a full disk: the program is told (an error
// code, a nil result), and what it wrote and closed before stays whole. The calls are not picked
// by hand: they are every export on a FolderItem or on a class reached from it (read from every
// registered class and the global function table) and every export of a source file that makes
// or opens files (ExportCatalog). Each has a row below that makes it fail (or go through where it
// needs no room), or a reason naming the test that checks it, and the test fails for a writer
// with neither. The rows run with the disk of their files full, or with the temporary folder
// (TMPDIR) full; and once more with every write there failing as on a failing disk (EIO,
// through the tests' fault injector), where a full disk's ENOSPC becomes that EIO: all but the
// rows whose bytes another process writes (cp), which the injector cannot reach.
//
// A new way for a write to fail is a new column: a World that makes it (as kDisk and kTemp fill
// a disk), a value for Row::full, and the rows that run under it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "ExportCatalog.h"
#include "VolumeTestSupport.h"
#include "app/ExternalClasses.h"
#include "app/ResourceManager.h"
#include "app/StandardStreams.h"
#include "app/ThreadLocks.h"
#include "core/ClassRegistry.h"
#include "core/ExportRegistry.h"
#include "core/GlobalFunctionRows.h"
#include "core/ObjectDefinition.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/BuiltInEngine.h"
#include "database/DatabaseClasses.h"
#include "database/DatabaseQueryClass.h"
#include "database/SQLStatements.h"
#include "database/ScrollableCursor.h"
#include "files/BinaryStream.h"
#include "files/PermissionsClass.h"
#include "files/SpecialFolderClass.h"
#include "files/TextInputStream.h"
#include "files/TextOutputStream.h"
#include "graphics/MovieClass.h"
#include "graphics/PictureClass.h"
#include "image/ResourceTable.h"
#include "support/IOFaults.h"
#include "support/SmallDisk.h"
#include "support/TestSupport.h"

extern "C" {
RuntimeObject* newQUORDatabase(RuntimeObject* item);
RuntimeObject* openQUORDatabase(RuntimeObject* item);
int32_t QUORDatabaseCreateDatabaseFile(RuntimeObject* object);
void QUORDatabaseFolderItemSetter(RuntimeObject* object, uint32_t, RuntimeObject* item);
}

namespace {

using namespace itemtest;
using voltest::Held;

constexpr int kDisk = 1;  // the disk of the row's files is full
constexpr int kTemp = 2;  // the temporary folder is full
constexpr int kFailing = 4;  // with kDisk or kTemp: that disk's writes fail (EIO), not full
constexpr int kByChild = 8;  // with a row's kDisk or kTemp: a child process writes its bytes
constexpr int32_t kNil = -1;  // the call answered nil: the program is told so
constexpr int32_t kNone = -2;  // wanted: the call goes through, needing no room
constexpr int kRows = 1500;   // of the kept table

string S(const std::string& text) { return Text(text); }

// Everything the rows write over or beside, made while there is room: a host file, a volume
// with a file and a folder, a database with a committed table, a 600 KB file to copy; then the
// full disk (one of the files' own, or the temporary folder).
class World {
 public:
  explicit World(int full)
      : mFiles(16 << 20),
        mTemp(2 << 20),
        mFull((full & ~kFailing) == kDisk ? mFiles : mTemp),
        mFailing(full & kFailing) {
    // Streams can be failed only when opened while their files were watched.
    if (mFailing) mFaults.Watch(mFull.path() + "/");
  }
  ~World() {
    if (mHadTmp) setenv("TMPDIR", mOldTmp.c_str(), 1);
    else unsetenv("TMPDIR");
  }
  bool Ready() const { return mFiles.Mounted() && mTemp.Mounted(); }
  std::string Problem() const { return mFiles.Problem() + mTemp.Problem(); }

  void Make(bool filled) {
    WriteFile(mFiles / "kept", mKept);
    WriteFile(mFiles / "big", std::string(600 << 10, 'b'));
    {
      Held volume(voltest::CreateVolume(mFiles / "v.vol"));
      ASSERT_TRUE(volume);
      Item root = voltest::Root(volume.get());
      ASSERT_TRUE(voltest::WriteAll(*Item(root->Child("kept", 0)), mKept));
      ASSERT_TRUE(Item(root->Child("folder", 0))->CreateAsFolder());
    }
    Held db(NewFile("db.qdb"));
    mDb.reset(newQUORDatabase(db.get()));
    ASSERT_TRUE(mDb);
    Exec("create table t (n integer, pad varchar)");
    const std::string pad(500, 'p');
    for (int n = 0; n < kRows; ++n)
      Exec("insert into t (n, pad) values (" + std::to_string(n) + ", '" + pad + "')");
    databaseCommit(mDb.get());
    ASSERT_EQ(databaseErrorCodeGetter(mDb.get()), 0);
    mVolume.reset(voltest::OpenVolume(mFiles / "v.vol"));
    ASSERT_TRUE(mVolume);
    if (const char* old = getenv("TMPDIR")) mOldTmp = old, mHadTmp = true;
    setenv("TMPDIR", mTemp.path().c_str(), 1);
    if (filled && mFailing) {
      mFaults.Fail(mFull.path() + "/", QV_FAULT_WRITE);
    } else if (filled) {
      ASSERT_TRUE(mFull.LeaveRoom(0));
    }
  }

  // What was written and closed before the row is whole once there is room again.
  void ExpectKept() {
    mVolume.reset();
    mDb.reset();
    mFaults.Clear();
    mFull.MakeRoom();
    EXPECT_TRUE(ReadFile(mFiles / "kept") == mKept) << "the host file";
    Held volume(voltest::OpenVolume(mFiles / "v.vol"));
    ASSERT_TRUE(volume) << "the volume no longer opens";
    Item root = voltest::Root(volume.get());
    EXPECT_EQ(voltest::ReadAll(*Item(root->Child("kept", 0))), mKept) << "the volume's file";
    // "big" is copied from, appended to, written past its end and moved into the volume: what
    // it held stays at the front, and a move leaves it whole at exactly one of its two places.
    const std::string big(600 << 10, 'b');
    Item moved(root->Child("moved", 0));
    const bool atHost = PathExists(mFiles / "big"), inVolume = moved->Exists();
    EXPECT_NE(atHost, inVolume) << "big at the host " << atHost << ", in the volume " << inVolume;
    if (atHost) {
      EXPECT_TRUE(ReadFile(mFiles / "big").compare(0, big.size(), big) == 0) << "big";
    }
    if (inVolume) {
      EXPECT_TRUE(voltest::ReadAll(*moved) == big) << "big, moved";
    }
    Held item(NewFile("db.qdb"));
    Held db(openQUORDatabase(item.get()));
    ASSERT_TRUE(db) << "the database no longer opens";
    Held rows(databaseSQLSelect(db.get(), S("select count(*) from t").Storage()));
    Held count(rows ? cursorGetFieldByIndex(rows.get(), 1) : nullptr);
    EXPECT_EQ(count ? cursorFieldIntegerValueGetter(count.get(), 0) : -1, kRows) << "the rows";
  }

  // A host item of the files' disk; an item of the volume (the caller's).
  RuntimeObject* NewFile(const std::string& name) { return voltest::HostItem(mFiles / name); }
  RuntimeObject* InVolume(const std::string& name) {
    return NewFolderItem(voltest::Root(mVolume.get())->Child(S(name), 0));
  }
  RuntimeObject* db() const { return mDb.get(); }
  int32_t Exec(const std::string& sql) {
    databaseSQLExecute(mDb.get(), S(sql).Storage());
    return databaseErrorCodeGetter(mDb.get());
  }
  // The error the database gives after a query, its rows read (kNil for no RecordSet).
  int32_t Query(const std::string& sql) {
    Held rows(databaseSQLSelect(mDb.get(), S(sql).Storage()));
    while (rows && !cursorEOFGetter(rows.get())) cursorMoveNext(rows.get());
    return rows ? databaseErrorCodeGetter(mDb.get()) : kNil;
  }

 private:
  qvtest::SmallDisk mFiles, mTemp;
  qvtest::SmallDisk& mFull;
  const bool mFailing;
  qvtest::IOFaults mFaults;
  const std::string mKept = std::string(100 << 10, 'k');
  Held mVolume;
  Held mDb;
  std::string mOldTmp;
  bool mHadTmp = false;
};

int32_t ItemError(RuntimeObject* item) { return FolderItemGetLastError(item, 0); }

// Writes 1 MB through a stream made by open (16 pieces), then closes it: the first error the
// stream showed.
template <typename Stream>
int32_t Through(RuntimeObject* made, void (*write)(Stream*, stringStorage*),
                void (*close)(Stream*), int32_t (*lastError)(Stream*)) {
  if (!made) return kNil;
  auto* stream = reinterpret_cast<Stream*>(made);
  const string piece = S(std::string(64 << 10, 'w'));
  int32_t error = 0;
  for (int i = 0; i < 16 && !error; ++i) {
    write(stream, piece.Storage());
    error = lastError(stream);
  }
  close(stream);
  if (!error) error = lastError(stream);
  RuntimeUnlockObject(made);
  return error;
}

int32_t ThroughBinaryStream(RuntimeObject* stream) {
  return Through<BinaryStreamObject>(stream, BinaryStreamWrite, BinaryStreamClose,
                                     BinaryStreamLastErrorGetter);
}

int32_t ThroughTextStream(RuntimeObject* stream) {
  return Through<TextOutputStreamObject>(stream, TextOutputStreamWriteLine, TextOutputStreamClose,
                                         TextOutputStreamLastErrorGetter);
}

// An item operation whose answer is the item's LastErrorCode.
int32_t OnItem(RuntimeObject* item, const std::function<void(RuntimeObject*)>& call) {
  Held held(item);
  call(item);
  return ItemError(item);
}

struct Row {
  const char* name;  // the export the row calls
  int full;
  // The error the program must be given; 0: any, as a database engine numbers it; kNone: none.
  int32_t want;
  std::function<int32_t(World&)> run;  // the error the program was given
};

// A resource of the image, kept for the life of the process.
void AddResource(uint32_t type, uint16_t id, const std::string& bytes) {
  static auto* kept = new std::vector<std::string>;
  kept->reserve(16);
  kept->push_back(bytes);
  AddResourceEntry(type, id, reinterpret_cast<const uint8_t*>(kept->back().data()),
                   uint32_t(bytes.size()), 0);
}

// A 600 KB resource written to the temporary folder by get: kNil when it answered nil and
// reported why.
int32_t FromResource(const char (&type)[5], uint16_t id, const char* head,
                     RuntimeObject* (*get)(uint32_t)) {
  AddResource(qvimage::FourCharCode(type), id, std::string(head, 12) + std::string(600 << 10, 'r'));
  qvtest::ReportCapture reports;
  Held made(get(id));
  return made || reports.empty() ? 0 : kNil;
}

// clang-format off
const Row kWriters[] = {
  {"FolderItemCopyFileTo", kDisk | kByChild, ENOSPC, [](World& w) { Held to(w.NewFile("kept")); return OnItem(w.NewFile("big"), [&](RuntimeObject* i) { FolderItemCopyFileTo(i, to.get()); }); }},
  {"FolderItemCopyFileTo", kDisk, ENOSPC, [](World& w) { Held to(w.InVolume("kept")); return OnItem(w.NewFile("big"), [&](RuntimeObject* i) { FolderItemCopyFileTo(i, to.get()); }); }},
  {"FolderItemMoveFileTo", kDisk, ENOSPC, [](World& w) { Held to(w.InVolume("moved")); return OnItem(w.NewFile("big"), [&](RuntimeObject* i) { FolderItemMoveFileTo(i, to.get()); }); }},
  {"FolderItemCreateAsFolder", kDisk, ENOSPC, [](World& w) { int32_t e = 0; for (int i = 0; i < 40 && !e; ++i) e = OnItem(w.InVolume("new" + std::to_string(i)), FolderItemCreateAsFolder); return e; }},
  {"FolderItemCreateBinaryFile", kDisk, ENOSPC, [](World& w) { Held f(w.NewFile("out")); return ThroughBinaryStream(FolderItemCreateBinaryFile(f.get(), nullptr)); }},
  {"FolderItemCreateBinaryFile", kDisk, ENOSPC, [](World& w) { Held f(w.InVolume("out")); RuntimeObject* s = FolderItemCreateBinaryFile(f.get(), nullptr); return s ? ThroughBinaryStream(s) : ItemError(f.get()); }},
  {"FolderItemOpenBinaryFile", kDisk, ENOSPC, [](World& w) { Held f(w.NewFile("big")); RuntimeObject* s = FolderItemOpenBinaryFile(f.get(), 1); if (s) BinaryStreamSetPosition(reinterpret_cast<BinaryStreamObject*>(s), 0, 600 << 10); return ThroughBinaryStream(s); }},
  {"FolderItemCreateTextFile", kDisk, ENOSPC, [](World& w) { Held f(w.NewFile("text")); return ThroughTextStream(FolderItemCreateTextFile(f.get())); }},
  {"FolderItemAppendTextFile", kDisk, ENOSPC, [](World& w) { Held f(w.NewFile("big")); return ThroughTextStream(FolderItemAppendTextFile(f.get())); }},
  {"FolderItemCreateVirtualVolume", kDisk, kNil, [](World& w) { Held f(w.NewFile("new.vol")); Held v(FolderItemCreateVirtualVolume(f.get())); return v ? 0 : fileExistsGetter(f.get(), 0) ? 0 : kNil; }},
  {"databaseSQLExecute", kDisk, 0, [](World& w) { const std::string pad(2000, 'x'); for (int i = 0; i < 3000 && !w.Exec("insert into t (n, pad) values (-1, '" + pad + "')"); ++i) {} return w.Exec("commit"); }},
  {"databaseCommit", kDisk, 0, [](World& w) { const std::string pad(2000, 'x'); for (int i = 0; i < 3000 && !w.Exec("insert into t (n, pad) values (-1, '" + pad + "')"); ++i) {} databaseCommit(w.db()); return databaseErrorCodeGetter(w.db()); }},
  {"databaseClose", kDisk, 0, [](World& w) { const std::string pad(2000, 'x'); for (int i = 0; i < 3000 && !w.Exec("insert into t (n, pad) values (-1, '" + pad + "')"); ++i) {} databaseClose(w.db()); return databaseErrorCodeGetter(w.db()); }},
  {"QUORDatabaseCreateDatabaseFile", kDisk, 0, [](World& w) { Held f(w.NewFile("new.qdb")); Held o(NewObjectFromDefinition(QUORDatabaseOldFormatClassDefinition())); QUORDatabaseFolderItemSetter(o.get(), 0, f.get()); return QUORDatabaseCreateDatabaseFile(o.get()) ? 0 : databaseErrorCodeGetter(o.get()); }},
  {"newQUORDatabase", kDisk, kNil, [](World& w) { Held f(w.NewFile("new.qdb")); Held d(newQUORDatabase(f.get())); return d || fileExistsGetter(f.get(), 0) ? 0 : kNil; }},
  {"databaseSQLSelect", kTemp, ENOSPC, [](World& w) { return w.Query("select n, pad from t order by n"); }},
  {"databaseSQLSelect", kTemp, ENOSPC, [](World& w) { return w.Query("select n, count(*) from t group by n"); }},
  {"databaseSQLExecute", kTemp, 0, [](World& w) { w.Exec("create table k (id integer, pad varchar, primary key (id))"); const std::string pad(500, 'q'); for (int i = 0; i < 4000; ++i) w.Exec("insert into k (id, pad) values (" + std::to_string(i) + ", '" + pad + "')"); return w.Exec("update k set id = id + 100000"); }},
  {"RuntimeGetMovieFromResource", kTemp, kNil, [](World&) { return FromResource("moov", 97, "RIFF\0\0\0\0AVI ", RuntimeGetMovieFromResource); }},
  {"RuntimeGetSoundFromResourceManager", kTemp, kNil, [](World&) { return FromResource("WAVE", 97, "RIFF\0\0\0\0WAVE", RuntimeGetSoundFromResourceManager); }},
  {"MutexContructor", kTemp, kNone, [](World&) { Held m(NewObjectFromDefinition(MutexClassDefinition())); MutexContructor(m.get(), S("").Storage()); const FolderItemImp* file = reinterpret_cast<MutexObject*>(m.get())->lockFile; return file && Bytes(file->GetPath()).rfind(std::string(getenv("TMPDIR")) + "/", 0) == 0 && file->Exists() ? 0 : kNil; }},
  {"scrollableCursorConstructor", kTemp, 0, [](World& w) { Held rs(databaseSQLSelect(w.db(), S("select n, pad from t").Storage())); Held c(NewObjectFromDefinition(ScrollableCursorClassDefinition())); scrollableCursorConstructor(c.get(), rs.get()); return scrollableCursorGetCount(c.get()) ? 0 : databaseErrorCodeGetter(w.db()); }},
};
// clang-format on

// Why each of the other members and functions cannot fail on a full disk, or is not made to,
// and the test that checks it.
struct Reason {
  const char* why;
  const char* checkedBy;  // "Suite.Test"
  std::vector<const char*> names;
};
// clang-format off
const std::vector<Reason> kReasons = {
  {"reads, or answers what memory holds", "BinaryStream.TypedValuesInBothByteOrdersAgreeWithPythonStruct", {"BinaryStreamEOF", "BinaryStreamGetLength", "BinaryStreamGetPosition", "BinaryStreamHandleGetter", "BinaryStreamLastErrorGetter", "BinaryStreamRead", "BinaryStreamReadBoolean", "BinaryStreamReadByte", "BinaryStreamReadDouble", "BinaryStreamReadFloat", "BinaryStreamReadInt16", "BinaryStreamReadInt64", "BinaryStreamReadInt8", "BinaryStreamReadLong", "BinaryStreamReadPString", "BinaryStreamReadShort", "BinaryStreamReadUInt16", "BinaryStreamReadUInt32", "BinaryStreamReadUInt64", "BinaryStreamReadUInt8", "BinaryStreamSetPosition"}},
  {"reads, or answers what memory holds", "TextInputStream.PositionsReadsAndEncodingLabels", {"TextInputStreamClose", "TextInputStreamDestructor", "TextInputStreamEOF", "TextInputStreamGetPosition", "TextInputStreamHandleCtor", "TextInputStreamHandleGetter", "TextInputStreamInitializer", "TextInputStreamLastErrorGetter", "TextInputStreamRead", "TextInputStreamReadAll", "TextInputStreamReadLine", "TextInputStreamSetPosition", "TextOutputStreamHandleGetter", "TextOutputStreamLastErrorGetter"}},
  {"reads, or answers what memory holds", "DatabaseDispatch.AnEmptyResultIsAtBOFAndEOFAndItsFieldsReadNeutral", {"CursorFieldBooleanValueGetter", "CursorFieldConvertToBoolean", "CursorFieldConvertToDate", "CursorFieldConvertToDouble", "CursorFieldConvertToInt64", "CursorFieldConvertToInteger", "CursorFieldConvertToString", "CursorFieldCurrencyValueGetter", "CursorFieldInt64ValueGetter", "CursorFieldValueGetter", "cursorFieldDateValueGetter", "cursorFieldDoubleValueGetter", "cursorFieldIntegerValueGetter", "cursorFieldMactPictGetter", "cursorFieldNameGetter", "cursorFieldNativeValueGetter", "cursorFieldStringValueGetter", "databaseCursorFieldGetString", "RecordSetColumnType", "RecordSetRecordCount", "cursorBOFGetter", "cursorEOFGetter", "cursorFieldCount", "cursorGetFieldByIndex", "cursorGetFieldByName"}},
  {"reads, or answers what memory holds", "DatabaseDispatch.TheOwnErrorCodeLastsUntilTheNextStatement", {"databaseErrorCodeGetter", "databaseErrorGetter", "databaseErrorStringGetter", "databaseFieldSchema", "databaseIndexSchema", "databaseTableSchema", "getDatabaseProperty", "scrollableCursorGetCount", "scrollableCursorGetRow", "databaseQueryGetCount", "databaseQueryGetRow", "QUORDatabaseFolderItemGetter"}},
  {"reads, or answers what memory holds", "PictureFiles.ASaveIntoAFullDiskLeavesWhyInLastErrorCode", {"stringGetter", "objGetter", "FolderItemGetPermissions", "VirtVolRootGetter", "folderVirtVolGetter"}},
  {"reads, or answers what memory holds", "FolderItemClass.PropertiesBesideStat", {"FileDisplayNameGetter", "FileExtensionVisibleGetter", "FileShellPathGetter", "FileURLGetter", "FolderChild", "FolderItemGetLastError", "FolderItemGetRelative", "FolderItemGetSaveInfo", "FolderItemGroupGetter", "FolderItemIsCurrentlyReadable", "FolderItemItem", "FolderItemOwnerGetter", "FolderItemTrueItem", "FolderTrueChild", "fileAbsolutePathGetter", "fileAliasGetter", "fileCountGetter", "fileDirIDGetter", "fileDirectoryGetter", "fileExistsGetter", "fileMacCreatorGetter", "fileMacTypeGetter", "fileNameGetter", "fileRFSizeGetter", "fileSizeGetter", "fileTypeGetter", "fileVRefNumGetter", "fileVisibleGetter", "folderFindFolder", "folderGetCreation", "folderGetModified", "folderParentGetter"}},
  {"opens for reading; a picture, sound or movie is read, never written", "SpecialFileTable.EveryOpenerReturnsOnEverySpecialFile", {"FolderItemOpenAsCursor", "FolderItemOpenAsIcons", "FolderItemOpenImage", "FolderItemOpenMovie", "FolderItemOpenResourceMovie", "FolderItemOpenSound", "FolderItemOpenStyledEditField", "FolderItemOpenTextFile", "FolderItemOpenVectorImage", "folderOpenResourceFork", "folderCreateResourceFork", "FolderItemLaunch", "FolderItemLaunchWithParameters"}},
  {"names an item, makes nothing on disk", "SpecialFolderClass.FixedPathsAndOtherPlatformsFolders", {"RuntimeGetFolderItem", "RuntimeGetTrueFolderItem", "RuntimeGetOpenFolderItem", "RuntimeGetSaveFolderItem", "RuntimeSelectFolder", "getTemporaryFolderItem", "getTemporaryItemsFolder", "getVolume", "GetDocumentsFolder", "GetSpecialFolder", "GetSpecialFolderFromCode", "getAppleMenuFolder", "getApplicationSupportFolder", "getControlPanelsFolder", "getDesktopFolder", "getExtensionsFolder", "getFontsFolder", "getPreferencesFolder", "getShutdownItemsFolder", "getStartupItemsFolder", "getSystemFolder", "getTrashFolder", "FolderItemPathCtor", "FolderItemPathCtorNoParams", "FolderItemCopyCtor", "FolderItemDestructor", "FolderItemSetLastError"}},
  {"changes memory only: a pending edit, a record's column, a picture's or object's field", "DatabaseDispatch.AnEditedFieldIsWrittenBackAsAnUpdateOfItsRow", {"CursorFieldBooleanValueSetter", "CursorFieldCurrencyValueSetter", "CursorFieldInt64ValueSetter", "CursorFieldValueSetter", "cursorFieldDateValueSetter", "cursorFieldDoubleValueSetter", "cursorFieldIntegerValueSetter", "cursorFieldMactPictSetter", "cursorFieldStringValueSetter", "databaseCursorFieldSetString", "cursorEdit", "databaseCursorFieldDestructor", "databaseQuerySetParameter", "databaseQueryAddLDNR", "databaseQueryRemoveLDNR", "databaseQueryDestructor", "QUORDatabaseFolderItemSetter"}},
  {"changes memory only: a pending edit, a record's column, a picture's or object's field", "FolderItemClass.StreamsAndAppendingOnlyWhereNoFileIs", {"stringSetter", "objSetter", "DatabaseConstructor", "DatabaseConnect", "QUORDatabaseConstructor", "BinaryStreamInitializer", "BinaryStreamHandleCtor", "BinaryStringMemoryBlockCtor", "BinaryStringStringCtor", "TextOutputStreamInitializer", "TextOutputStreamHandleCtor", "scrollableCursorDestructor"}},
  {"moves over rows read already; a join's rows kept to move back are run again when their temporary file fails (DatabaseFullDisk)", "DatabaseFullDisk.ResultsWhoseTemporaryFilesFindNoRoomAreEmptyAndTheDatabaseSaysWhy", {"cursorMoveNext", "CursorMovePrev", "CursorMoveFirst", "CursorMoveLast", "cursorClose", "databaseCursorDestructor"}},
  {"one host call that needs no data block (a name, a removal, dates, mode, owner): its errno reaches LastErrorCode; in a volume a change rewrites blocks the volume has and answers as it ends (VolumeFullDisk)", "VolumeFullDisk.DirectoryChangesAnswerAtTheCallAndSurviveAsAnswered", {"FolderItemDelete", "fileNameSetter", "folderSetCreation", "folderSetModified", "fileLockedSetter", "fileLockedGetter", "FolderItemIsCurrentlyWriteable", "FileExtensionVisibleSetter", "fileVisibleSetter", "fileMacTypeSetter", "fileMacCreatorSetter", "FolderItemGroupSetter", "FolderItemOwnerSetter", "FolderItemSetPermissionsClass", "FolderItemSetPermissionsInteger", "FolderItemImpMakeFileExecutable"}},
  {"a stream's writes: the stream rows above write and close through them, and the failure shows in its LastErrorCode", "TextOutputStream.AFullDiskKeepsItsErrorAfterClose", {"BinaryStreamWrite", "BinaryStreamWriteBoolean", "BinaryStreamWriteByte", "BinaryStreamWriteDouble", "BinaryStreamWriteFloat", "BinaryStreamWriteInt16", "BinaryStreamWriteInt64", "BinaryStreamWriteInt8", "BinaryStreamWriteLong", "BinaryStreamWritePString", "BinaryStreamWriteShort", "BinaryStreamWriteUInt16", "BinaryStreamWriteUInt32", "BinaryStreamWriteUInt64", "BinaryStreamWriteUInt8", "BinaryStreamFlush", "BinaryStreamSetLength", "BinaryStreamClose", "TextOutputStreamWrite", "TextOutputStreamWriteLine", "TextOutputStreamFlush", "TextOutputStreamClose"}},
  {"writes into the open transaction: the commit or close that writes it reports (rows databaseCommit, databaseClose)", "DatabaseDurability.ACommitTriedAgainAfterAFailedWriteKeepsThePowerLossGuarantee", {"databaseInsertRecord", "cursorUpdate", "cursorDeleteRecord", "databaseRollback", "databaseQueryRunQuery", "QUORDatabaseConnect", "openQUORDatabase", "FolderItemOpenAsVirtualVolume"}},
  {"goes with its object: Close, which the program calls, reports what it writes; released unclosed, no one is left to tell (a volume has nothing left: every change was written at its call)", "VolumeFullDisk.ChangesNobodyFlushedAreReportedWhenTheVolumeGoes", {"databaseDestructor", "QUORDatabaseDestructor", "VirtVolDestructor", "BinaryStreamDestructor", "TextOutputStreamDestructor"}},
  {"not made here: a picture needs a display and an encoder; PictureFilesTest and JPEGValuesTest fill a disk under them", "PictureFiles.ASaveIntoAFullDiskLeavesWhyInLastErrorCode", {"FolderItemSaveAsPicture", "FolderItemSaveAsJPEG", "exportPicture", "cursorFieldJPEGGetter", "cursorFieldJPEGSetter"}},
  {"not made here: it needs a window's edit field; it answers False when the file's Write or Close fails, and the older file stays", "FieldFiles.SavingOverADocumentOnAFullDiskKeepsIt", {"FolderItemSaveStyledEditField"}},
  {"hands an item on in memory, as an event's or an Apple event's parameter", "SpecialFileTable.EveryOpenerHasARowOrAReason", {"ApplicationOpenDocument", "aeTemplateSetFolderItemParam", "appleEventDescListAppendFolderItem"}},
  {"a debugging dump with no result and no error to give: a failed dump is left short", "SpecialFileTable.EveryOpenerReturnsOnEverySpecialFile", {"debugDumpObjects"}},
  {"names an item or hands one on, makes nothing on disk", "FolderItemClass.PathBufferOfPlugins", {"FolderItemCopyPathToBuffer", "FolderItemFromPath", "FolderItemGetImp", "QUORpathFromFolderItem", "getVolumeCount", "GlobalShowURL", "FolderItemDialogFinalizer", "FolderItemDialogInitializer", "FolderItemDialogShowModal", "FolderItemDialogShowWithin", "AppFolderItemGetter", "appleEventGetFolderItemParam", "appleEventReplyFolderItemGetter", "appleEventReplyFolderItemSetter", "appleEventSetFolderItemParam", "appleEventDescListGetFolderItemItem", "dragItemFolderItemGetter", "dragItemFolderItemSetter", "QUORDatabaseSetError"}},
  {"reads, loads or plays a file or a resource, never writes one", "SpecialFileTable.EveryOpenerReturnsOnEverySpecialFile", {"FolderItemOpenAsJPEGPicture", "openURLMovie", "RuntimeGetBitmapFromResourceManager", "RuntimeGetCursorFromResourceManager", "RuntimeGetDatabaseFromResource", "RuntimeGetTextFileFromResourceManager", "LoadFunctionPointerFromLibrary", "IsFunctionAvailable", "RuntimeMovieDestructor", "movieBaseHeightGetter", "movieBaseWidthGetter", "movieHandleGetter", "movieHeightGetter", "movieWidthGetter", "RuntimeSoundConstructor", "RuntimeSoundDestructor", "SoundClone", "SoundPanGetter", "SoundPanSetter", "SoundVolumeGetter", "SoundVolumeSetter", "soundIsPlaying", "soundPlay", "soundPlayLooping", "soundStop", "resourceForkGetSound", "MediaCreatePane", "MediaControllerSetter", "MediaVolumeGetter", "MediaVolumeSetter", "RuntimeMediaDestructor", "RuntimeMediaPlay", "RuntimeMediaStop", "WMPMovieControllerGetter", "mediaControllerHeightGetter", "mediaControllerLoopingSetter", "mediaControllerPalindromeSetter", "mediaControllerWidthGetter", "mediaGetBoundPart", "mediaMovieControllerGetter", "mediaMovieSetter"}},
  {"writes through its Database's calls, whose rows are databaseSQLExecute, databaseCommit and databaseClose", "DatabaseDispatch.AnEditedFieldIsWrittenBackAsAnUpdateOfItsRow", {"DataControlCreatePane", "DataControlAddNewRecord", "DataControlAlignSetter", "DataControlAttributeSetter", "DataControlCaptionSetter", "DataControlClearBoundControls", "DataControlColorSetter", "DataControlConstructor", "DataControlControlBindSetter", "DataControlDBGetter", "DataControlDBSetter", "DataControlDeleteRecord", "DataControlDestructor", "DataControlEncodingGetter", "DataControlEncodingSetter", "DataControlFieldCount", "DataControlFontSetter", "DataControlGetBoundPart", "DataControlGetConstant", "DataControlGetCursor", "DataControlGetField", "DataControlMoveFirst", "DataControlMoveLast", "DataControlMoveNext", "DataControlMovePrev", "DataControlMoveTo", "DataControlNewRecord", "DataControlQuerySetter", "DataControlReadOnlySetter", "DataControlRecordLockedGetter", "DataControlRow", "DataControlRowCount", "DataControlRunQuery", "DataControlSizeSetter", "DataControlTableNameSetter", "DataControlUpdateRecord"}},
  {"locks, unlocks or removes the lock file the constructor made (row MutexContructor): no data block", "FullDiskWriters.EachFailureIsReportedAndWhatWasKeptStaysWhole", {"MutexFinalizer", "MutexInitializer", "MutexLock", "MutexTryLock", "MutexUnlock"}},
  {"reads the program's objects in memory", "SpecialFileTable.EveryOpenerReturnsOnEverySpecialFile", {"RuntimeDebugInstance", "RuntimeDebugDestructor", "RuntimeDebugMemoryUsed", "RuntimeDebugObjectClass", "RuntimeDebugObjectCount", "RuntimeDebugObjectID", "RuntimeDebugObjectRefs"}},
};
// clang-format on

// The writers come from every registered class and every export; a row or a reason for a call
// that is no writer excuses nothing, and a reason names a test that is written.
TEST(FullDiskWriters, EveryWriterHasARowOrAReason) {
  const std::set<std::string> writers = exportcatalog::FileCalls();
  std::set<std::string> classified;
  for (const Row& row : kWriters) classified.insert(row.name);
  for (const exportcatalog::ClassReason& reason : exportcatalog::kClassesHeldInMemory)
    EXPECT_TRUE(exportcatalog::TestWritten(reason.checkedBy)) << reason.checkedBy;
  for (const Reason& reason : kReasons) {
    EXPECT_TRUE(exportcatalog::TestWritten(reason.checkedBy)) << reason.checkedBy;
    for (const char* name : reason.names) EXPECT_TRUE(classified.insert(name).second) << name;
  }
  for (const std::string& name : classified)
    EXPECT_TRUE(writers.count(name)) << name << " is no writer the catalog finds";
  for (const std::string& name : writers)
    EXPECT_TRUE(classified.count(name)) << name << " writes: it needs a row or a reason";
}

class FullDiskWriters : public ::testing::TestWithParam<int> {};

TEST_P(FullDiskWriters, EachFailureIsReportedAndWhatWasKeptStaysWhole) {
  InstallSQLFrontEnd();
  const bool failing = GetParam() & kFailing;
  for (const Row& row : kWriters) {
    if ((row.full & ~kByChild) != (GetParam() & ~kFailing)) continue;
    if (failing && (row.full & kByChild)) continue;
    SCOPED_TRACE(row.name);
    World world(GetParam());
    if (!world.Ready()) GTEST_SKIP() << "no small disk to fill: " << world.Problem();
    ASSERT_NO_FATAL_FAILURE(world.Make(true));
    const int32_t error = row.run(world);
    if (row.want == kNone) {
      EXPECT_EQ(error, 0) << "it needs no room";
    } else {
      EXPECT_NE(error, 0) << "reported as done";
    }
    if (row.want != 0 && row.want != kNone) {
      EXPECT_EQ(error, failing && row.want == ENOSPC ? EIO : row.want);
    }
    world.ExpectKept();
  }
}

INSTANTIATE_TEST_SUITE_P(Full, FullDiskWriters,
                         ::testing::Values(kDisk, kTemp, kDisk | kFailing, kTemp | kFailing),
                         [](const auto& info) {
                           return std::string(info.param & kDisk ? "Disk" : "Temp") +
                                  (info.param & kFailing ? "Failing" : "");
                         });

}  // namespace
