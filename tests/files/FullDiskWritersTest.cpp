// Every exported call that can write to disk, on a full disk: the program is told (an error
// code, a nil result), and what it wrote and closed before stays whole. The calls are not picked
// by hand: they are the members of every class whose objects write files, read from the class
// definitions, and the global functions that take or give such an object, read from the global
// function table. Each has a row below that makes it fail, or a reason why a full disk cannot
// fail it (or why this fixture cannot make it), and the test fails for a writer with neither.
// The rows run with the disk of their files full, or with the temporary folder (TMPDIR) full.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "VolumeTestSupport.h"
#include "app/ExternalClasses.h"
#include "app/StandardStreams.h"
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
#include "graphics/PictureClass.h"
#include "support/SmallDisk.h"

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
constexpr int32_t kNil = -1;  // the call answered nil: the program is told so
constexpr int kRows = 1500;   // of the kept table

string S(const std::string& text) { return Text(text); }

// Everything the rows write over or beside, made while there is room: a host file, a volume
// with a file and a folder, a database with a committed table, a 600 KB file to copy; then the
// full disk (one of the files' own, or the temporary folder).
class World {
 public:
  explicit World(int full)
      : mFiles(16 << 20), mTemp(2 << 20), mFull(full == kDisk ? mFiles : mTemp) {}
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
    if (filled) {
      ASSERT_TRUE(mFull.LeaveRoom(0));
    }
  }

  // What was written and closed before the row is whole once there is room again.
  void ExpectKept() {
    mVolume.reset();
    mDb.reset();
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
  int32_t want;  // the error the program must be given; 0: any, as a database engine numbers it
  std::function<int32_t(World&)> run;  // the error the program was given
};

// clang-format off
const Row kWriters[] = {
  {"FolderItemCopyFileTo", kDisk, ENOSPC, [](World& w) { Held to(w.NewFile("kept")); return OnItem(w.NewFile("big"), [&](RuntimeObject* i) { FolderItemCopyFileTo(i, to.get()); }); }},
  {"FolderItemCopyFileTo", kDisk, ENOSPC, [](World& w) { Held to(w.InVolume("kept")); return OnItem(w.NewFile("big"), [&](RuntimeObject* i) { FolderItemCopyFileTo(i, to.get()); }); }},
  {"FolderItemMoveFileTo", kDisk, ENOSPC, [](World& w) { Held to(w.InVolume("moved")); return OnItem(w.NewFile("big"), [&](RuntimeObject* i) { FolderItemMoveFileTo(i, to.get()); }); }},
  {"FolderItemCreateAsFolder", kDisk, ENOSPC, [](World& w) { int32_t e = 0; for (int i = 0; i < 40 && !e; ++i) e = OnItem(w.InVolume("new" + std::to_string(i)), FolderItemCreateAsFolder); return e; }},
  {"FolderItemCreateBinaryFile", kDisk, ENOSPC, [](World& w) { Held f(w.NewFile("out")); return ThroughBinaryStream(FolderItemCreateBinaryFile(f.get(), nullptr)); }},
  {"FolderItemCreateBinaryFile", kDisk, ENOSPC, [](World& w) { Held f(w.InVolume("out")); return ThroughBinaryStream(FolderItemCreateBinaryFile(f.get(), nullptr)); }},
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
  {"scrollableCursorConstructor", kTemp, 0, [](World& w) { Held rs(databaseSQLSelect(w.db(), S("select n, pad from t").Storage())); Held c(NewObjectFromDefinition(ScrollableCursorClassDefinition())); scrollableCursorConstructor(c.get(), rs.get()); return scrollableCursorGetCount(c.get()) ? 0 : databaseErrorCodeGetter(w.db()); }},
};
// clang-format on

// Why each of the other members and functions cannot fail on a full disk, or is not made to.
struct Reason {
  const char* why;
  std::vector<const char*> names;
};
// clang-format off
const std::vector<Reason> kReasons = {
  {"reads, or answers what memory holds", {"BinaryStreamEOF", "BinaryStreamGetLength", "BinaryStreamGetPosition", "BinaryStreamHandleGetter", "BinaryStreamLastErrorGetter", "BinaryStreamRead", "BinaryStreamReadBoolean", "BinaryStreamReadByte", "BinaryStreamReadDouble", "BinaryStreamReadFloat", "BinaryStreamReadInt16", "BinaryStreamReadInt64", "BinaryStreamReadInt8", "BinaryStreamReadLong", "BinaryStreamReadPString", "BinaryStreamReadShort", "BinaryStreamReadUInt16", "BinaryStreamReadUInt32", "BinaryStreamReadUInt64", "BinaryStreamReadUInt8", "BinaryStreamSetPosition"}},
  {"reads, or answers what memory holds", {"TextInputStreamClose", "TextInputStreamDestructor", "TextInputStreamEOF", "TextInputStreamGetPosition", "TextInputStreamHandleCtor", "TextInputStreamHandleGetter", "TextInputStreamInitializer", "TextInputStreamLastErrorGetter", "TextInputStreamRead", "TextInputStreamReadAll", "TextInputStreamReadLine", "TextInputStreamSetPosition", "TextOutputStreamHandleGetter", "TextOutputStreamLastErrorGetter"}},
  {"reads, or answers what memory holds", {"CursorFieldBooleanValueGetter", "CursorFieldConvertToBoolean", "CursorFieldConvertToDate", "CursorFieldConvertToDouble", "CursorFieldConvertToInt64", "CursorFieldConvertToInteger", "CursorFieldConvertToString", "CursorFieldCurrencyValueGetter", "CursorFieldInt64ValueGetter", "CursorFieldValueGetter", "cursorFieldDateValueGetter", "cursorFieldDoubleValueGetter", "cursorFieldIntegerValueGetter", "cursorFieldMactPictGetter", "cursorFieldNameGetter", "cursorFieldNativeValueGetter", "cursorFieldStringValueGetter", "databaseCursorFieldGetString", "RecordSetColumnType", "RecordSetRecordCount", "cursorBOFGetter", "cursorEOFGetter", "cursorFieldCount", "cursorGetFieldByIndex", "cursorGetFieldByName"}},
  {"reads, or answers what memory holds", {"databaseErrorCodeGetter", "databaseErrorGetter", "databaseErrorStringGetter", "databaseFieldSchema", "databaseIndexSchema", "databaseTableSchema", "getDatabaseProperty", "GetDatabaseRecordBlobColumn", "GetDatabaseRecordBooleanColumn", "GetDatabaseRecordCurrencyColumn", "GetDatabaseRecordInt64Column", "getDatabaseRecordColumn", "getDatabaseRecordDateColumn", "getDatabaseRecordDoubleColumn", "getDatabaseRecordFieldCount", "getDatabaseRecordIndString", "getDatabaseRecordIntegerColumn", "getDatabaseRecordMacPictColumn", "scrollableCursorGetCount", "scrollableCursorGetRow", "databaseQueryGetCount", "databaseQueryGetRow", "QUORDatabaseFolderItemGetter"}},
  {"reads, or answers what memory holds", {"PictureDepthGetter", "PictureHResGetter", "PictureVResGetter", "pictureGraphicsGetter", "pictureGroup2DGetter", "pictureHeightGetter", "pictureImageCountGetter", "pictureIndexedImage", "pictureMaskGetter", "pictureRGBSurfaceGetter", "pictureTransparentGetter", "pictureWidthGetter", "boolGetter", "stringGetter", "objGetter", "PermissionsGetter", "FolderItemGetPermissions", "VirtVolRootGetter", "folderVirtVolGetter"}},
  {"reads, or answers what memory holds", {"FileDisplayNameGetter", "FileExtensionVisibleGetter", "FileShellPathGetter", "FileURLGetter", "FolderChild", "FolderItemGetLastError", "FolderItemGetRelative", "FolderItemGetSaveInfo", "FolderItemGroupGetter", "FolderItemIsCurrentlyReadable", "FolderItemItem", "FolderItemOwnerGetter", "FolderItemTrueItem", "FolderTrueChild", "fileAbsolutePathGetter", "fileAliasGetter", "fileCountGetter", "fileDirIDGetter", "fileDirectoryGetter", "fileExistsGetter", "fileMacCreatorGetter", "fileMacTypeGetter", "fileNameGetter", "fileRFSizeGetter", "fileSizeGetter", "fileTypeGetter", "fileVRefNumGetter", "fileVisibleGetter", "folderFindFolder", "folderGetCreation", "folderGetModified", "folderParentGetter"}},
  {"opens for reading; a picture, sound or movie is read, never written", {"FolderItemOpenAsCursor", "FolderItemOpenAsIcons", "FolderItemOpenImage", "FolderItemOpenMovie", "FolderItemOpenResourceMovie", "FolderItemOpenSound", "FolderItemOpenStyledEditField", "FolderItemOpenTextFile", "FolderItemOpenVectorImage", "folderOpenResourceFork", "folderCreateResourceFork", "FolderItemLaunch", "FolderItemLaunchWithParameters"}},
  {"names an item, makes nothing on disk", {"RuntimeGetFolderItem", "RuntimeGetTrueFolderItem", "RuntimeGetOpenFolderItem", "RuntimeGetSaveFolderItem", "RuntimeSelectFolder", "getTemporaryFolderItem", "getTemporaryItemsFolder", "getVolume", "GetDocumentsFolder", "GetSpecialFolder", "GetSpecialFolderFromCode", "getAppleMenuFolder", "getApplicationSupportFolder", "getControlPanelsFolder", "getDesktopFolder", "getExtensionsFolder", "getFontsFolder", "getPreferencesFolder", "getShutdownItemsFolder", "getStartupItemsFolder", "getSystemFolder", "getTrashFolder", "systemGetSpecialFoldersClass", "FolderItemPathCtor", "FolderItemPathCtorNoParams", "FolderItemCopyCtor", "FolderItemDestructor", "FolderItemSetLastError"}},
  {"changes memory only: a pending edit, a record's column, a picture's or object's field", {"CursorFieldBooleanValueSetter", "CursorFieldCurrencyValueSetter", "CursorFieldInt64ValueSetter", "CursorFieldValueSetter", "cursorFieldDateValueSetter", "cursorFieldDoubleValueSetter", "cursorFieldIntegerValueSetter", "cursorFieldMactPictSetter", "cursorFieldStringValueSetter", "databaseCursorFieldSetString", "cursorEdit", "SetDatabaseRecordBlobColumn", "SetDatabaseRecordBooleanColumn", "SetDatabaseRecordCurrencyColumn", "SetDatabaseRecordInt64Column", "setDatabaseRecordColumn", "setDatabaseRecordDateColumn", "setDatabaseRecordDoubleColumn", "setDatabaseRecordIntegerColumn", "setDatabaseRecordMacPictColumn", "databaseRecordDestructor", "databaseCursorFieldDestructor", "databaseQuerySetParameter", "databaseQueryAddLDNR", "databaseQueryRemoveLDNR", "databaseQueryDestructor", "QUORDatabaseFolderItemSetter"}},
  {"changes memory only: a pending edit, a record's column, a picture's or object's field", {"PictureConstructor", "PictureHResSetter", "PictureVResSetter", "pictureGroup2DSetter", "pictureTransparentSetter", "RuntimePictureDestructor", "newPicture", "boolSetter", "stringSetter", "objSetter", "PermissionsCtor", "PermissionsInitializer", "PermissionsSetter", "DatabaseConstructor", "DatabaseConnect", "QUORDatabaseConstructor", "BinaryStreamInitializer", "BinaryStreamHandleCtor", "BinaryStringMemoryBlockCtor", "BinaryStringStringCtor", "TextOutputStreamInitializer", "TextOutputStreamHandleCtor", "scrollableCursorDestructor"}},
  {"moves over rows read already; a join's rows kept to move back are run again when their temporary file fails (DatabaseFullDisk)", {"cursorMoveNext", "CursorMovePrev", "CursorMoveFirst", "CursorMoveLast", "cursorClose", "databaseCursorDestructor"}},
  {"one host call that needs no data block (a name, a removal, dates, mode, owner): its errno reaches LastErrorCode; in a volume a change rewrites blocks the volume has and answers as it ends (VolumeFullDisk)", {"FolderItemDelete", "fileNameSetter", "folderSetCreation", "folderSetModified", "fileLockedSetter", "fileLockedGetter", "FolderItemIsCurrentlyWriteable", "FileExtensionVisibleSetter", "fileVisibleSetter", "fileMacTypeSetter", "fileMacCreatorSetter", "FolderItemGroupSetter", "FolderItemOwnerSetter", "FolderItemSetPermissionsClass", "FolderItemSetPermissionsInteger", "FolderItemImpMakeFileExecutable"}},
  {"a stream's writes: the stream rows above write and close through them, and the failure shows in its LastErrorCode", {"BinaryStreamWrite", "BinaryStreamWriteBoolean", "BinaryStreamWriteByte", "BinaryStreamWriteDouble", "BinaryStreamWriteFloat", "BinaryStreamWriteInt16", "BinaryStreamWriteInt64", "BinaryStreamWriteInt8", "BinaryStreamWriteLong", "BinaryStreamWritePString", "BinaryStreamWriteShort", "BinaryStreamWriteUInt16", "BinaryStreamWriteUInt32", "BinaryStreamWriteUInt64", "BinaryStreamWriteUInt8", "BinaryStreamFlush", "BinaryStreamSetLength", "BinaryStreamClose", "TextOutputStreamWrite", "TextOutputStreamWriteLine", "TextOutputStreamFlush", "TextOutputStreamClose"}},
  {"writes into the open transaction: the commit or close that writes it reports (rows databaseCommit, databaseClose)", {"databaseInsertRecord", "cursorUpdate", "cursorDeleteRecord", "databaseRollback", "databaseQueryRunQuery", "QUORDatabaseConnect", "openQUORDatabase", "FolderItemOpenAsVirtualVolume"}},
  {"goes with its object: Close, which the program calls, reports what it writes; released unclosed, no one is left to tell (a volume has nothing left: every change was written at its call)", {"databaseDestructor", "QUORDatabaseDestructor", "VirtVolDestructor", "BinaryStreamDestructor", "TextOutputStreamDestructor"}},
  {"not made here: a picture needs a display and an encoder; PictureFilesTest and JPEGValuesTest fill a disk under them", {"FolderItemSaveAsPicture", "FolderItemSaveAsJPEG", "exportPicture", "cursorFieldJPEGGetter", "cursorFieldJPEGSetter", "getDatabaseRecordJPEGColumn", "setDatabaseRecordJPEGColumn"}},
  {"not made here: it needs a window's edit field; it answers False when the file's Write or Close fails", {"FolderItemSaveStyledEditField"}},
  {"writes the process's standard output or error, not a file the program names", {"RuntimeConsolePrint", "RuntimeGetStdErr", "RuntimeGetStdOut", "RuntimeStdOutFlush", "RuntimeStdOutputAsSocket", "RuntimeStdOutputError", "RuntimeStdOutputStreamWrite", "RuntimeStdOutputStreamWriteLine"}},
  {"hands an item on in memory, as an event's or an Apple event's parameter", {"ApplicationOpenDocument", "aeTemplateSetFolderItemParam", "appleEventDescListAppendFolderItem"}},
  {"a debugging dump with no result and no error to give: a failed dump is left short", {"debugDumpObjects"}},
};
// clang-format on

// The classes whose objects write files, and the writers outside them found in the code.
std::vector<ObjectDefinition*> WriterClasses() {
  return {FolderItemClassDefinition(), BinaryStreamClassDefinition(),
          TextOutputStreamClassDefinition(), TextInputStreamClassDefinition(),
          VirtualVolumeClassDefinition(), DatabaseClassDefinition(),
          QUORDatabaseOldFormatClassDefinition(), DatabaseCursorClassDefinition(),
          RecordSetClassDefinition(), DatabaseCursorFieldClassDefinition(),
          DatabaseFieldClassDefinition(), DatabaseRecordClassDefinition(),
          ScrollableCursorClassDefinition(), DatabaseQueryClassDefinition(),
          PictureClassDefinition(), PermissionsClassDefinition(), SpecialFolderClassDefinition(),
          StandardOutputStreamClassDefinition()};
}
const char* const kOtherWriters[] = {"debugDumpObjects", "RuntimeConsolePrint"};

void AddName(std::set<std::string>* names, const char* name) {
  if (name && *name) names->insert(name);
}

bool NamesWriterClass(const TypeDescriptor* type, const std::set<std::string>& classes) {
  return type && type->kind == kTypeKindClassName &&
         classes.count(AsClassNameType(type)->className);
}

// Every export of the writer classes' members, and of the global functions that take or give
// one of their objects.
std::set<std::string> Writers() {
  std::set<std::string> names, classes;
  for (ObjectDefinition* definition : WriterClasses()) {
    classes.insert(definition->className.CString());
    AddName(&names, definition->initializer.exportName);
    AddName(&names, definition->finalizer.exportName);
    for (InstanceVariable* item = definition->items; item; item = item->next) {
      AddName(&names, item->getterExportName);
      AddName(&names, item->setterExportName);
    }
    for (ObjectMethod* method = definition->methods; method; method = method->next) {
      AddName(&names, method->row.a.exportName);
      AddName(&names, method->row.b.exportName);
    }
  }
  // A method of any other class that is handed a file, a stream, a volume or a database may
  // write into it.
  const std::set<std::string> disks = {"FolderItem", "BinaryStream", "TextOutputStream",
                                        "VirtualVolume", "Database", "QUORDatabaseOldFormat"};
  RuntimeInitExternalClasses();
  const SimpleVector<ObjectDefinition*> all = RegisteredClassDefinitions();
  for (uint32_t c = 0; c < all.size(); ++c) {
    const ObjectDefinition* definition = all[c];
    if (classes.count(definition->className.CString())) continue;
    for (ObjectMethod* method = definition->methods; method; method = method->next) {
      bool writer = false;
      const ParameterRecord* parameters = method->RowParameters();
      for (int32_t p = 0; parameters && p < method->row.parameterCount; ++p)
        writer = writer || NamesWriterClass(parameters[p].parameterType, disks);
      if (!writer) continue;
      AddName(&names, method->row.a.exportName);
      AddName(&names, method->row.b.exportName);
    }
  }
  for (int32_t i = 0; i < GlobalFunctionRowCount(); ++i) {
    const GlobalFunctionRow& row = GlobalFunctionRows()[i];
    bool writer = NamesWriterClass(row.result, classes);
    for (int32_t p = 0; p < row.parameterCount; ++p)
      writer = writer || NamesWriterClass(row.parameters[p].parameterType, classes);
    if (writer) AddName(&names, row.exportName);
  }
  for (const char* name : kOtherWriters) names.insert(name);
  return names;
}

TEST(FullDiskWriters, EveryWriterHasARowOrAReason) {
  std::set<std::string> classified;
  for (const Row& row : kWriters) classified.insert(row.name);
  for (const Reason& reason : kReasons)
    for (const char* name : reason.names) EXPECT_TRUE(classified.insert(name).second) << name;
  for (const std::string& name : classified)
    EXPECT_NE(LookupExportEntry(name.c_str()), nullptr) << name << " is no export";
  for (const std::string& name : Writers())
    EXPECT_TRUE(classified.count(name)) << name << " writes: it needs a row or a reason";
}

class FullDiskWriters : public ::testing::TestWithParam<int> {};

TEST_P(FullDiskWriters, EachFailureIsReportedAndWhatWasKeptStaysWhole) {
  InstallSQLFrontEnd();
  for (const Row& row : kWriters) {
    if (row.full != GetParam()) continue;
    SCOPED_TRACE(row.name);
    World world(row.full);
    if (!world.Ready()) GTEST_SKIP() << "no small disk to fill: " << world.Problem();
    ASSERT_NO_FATAL_FAILURE(world.Make(true));
    const int32_t error = row.run(world);
    EXPECT_NE(error, 0) << "reported as done";
    if (row.want != 0) {
      EXPECT_EQ(error, row.want);
    }
    world.ExpectKept();
  }
}

INSTANTIATE_TEST_SUITE_P(Full, FullDiskWriters, ::testing::Values(kDisk, kTemp),
                         [](const auto& info) { return info.param == kDisk ? "Disk" : "Temp"; });

}  // namespace
