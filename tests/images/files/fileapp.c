/* The file application: through GetFolderItem it finds the folder the test names, writes a text
 * file there with CreateTextFile and reads it back, navigates Parent and Child, and does the
 * same with a FolderItem subclass it makes as compiled code does (RuntimeNewClass under the
 * framework's FolderItem), whose navigation results must be of the subclass. What it sees goes
 * to the test's exports FileTest*; it releases everything it made. */
#include "qvapp.h"

QVClass* RuntimeLookupClass(QVString name);
QVClass* RuntimeNewClass(QVClass* parent, int32_t methods, int32_t interfaces, int32_t events,
                         int32_t namedMethods, int32_t properties);
QVObject* RuntimeGetFolderItem(QVString path, int32_t kind);
void FolderItemPathCtor(QVObject* item, QVString path, int32_t pathMode);
QVObject* FolderChild(QVObject* item, QVString name);
QVObject* folderParentGetter(QVObject* item, uint32_t parameter);
QVString fileAbsolutePathGetter(QVObject* item, uint32_t parameter);
QVString fileNameGetter(QVObject* item, uint32_t parameter);
int32_t fileExistsGetter(QVObject* item, uint32_t parameter);
QVObject* FolderItemCreateTextFile(QVObject* item);
QVObject* FolderItemOpenTextFile(QVObject* item);
void TextOutputStreamWriteLine(QVObject* stream, QVString line);
void TextOutputStreamClose(QVObject* stream);
QVString TextInputStreamReadLine(QVObject* stream, QVObject* encoding);

QVString FileTestFolder(void);
void FileTestRecord(QVString text);
void FileTestRecordNumber(int32_t number);

/* Records a string result and lets it go. */
static void Record(QVString text) {
  FileTestRecord(text);
  RuntimeUnlockString(text);
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  QVString folderPath = FileTestFolder();
  QVObject* folder = RuntimeGetFolderItem(folderPath, 0);
  QVObject* file = FolderChild(folder, QV_STR("notes.txt"));
  FileTestRecordNumber(fileExistsGetter(file, 0));
  QVObject* out = FolderItemCreateTextFile(file);
  TextOutputStreamWriteLine(out, QV_STR("written by the image"));
  TextOutputStreamClose(out);
  RuntimeUnlockObject(out);
  FileTestRecordNumber(fileExistsGetter(file, 0));
  QVObject* in = FolderItemOpenTextFile(file);
  Record(TextInputStreamReadLine(in, 0));
  RuntimeUnlockObject(in);
  QVObject* parent = folderParentGetter(file, 0);
  Record(fileAbsolutePathGetter(parent, 0));

  QVClass* base = RuntimeLookupClass(QV_STR("FolderItem"));
  QVClass* mine = RuntimeNewClass(base, base->methodCount, base->interfaceCount,
                                  base->eventCount, base->namedMethodCount, base->propertyCount);
  mine->className = QV_STR("MyFolderItem");
  mine->instanceSize = base->instanceSize + 4;
  QVObject* item = RuntimeNewObject(mine);
  FolderItemPathCtor(item, folderPath, 0);
  QVObject* child = FolderChild(item, QV_STR("notes.txt"));
  QVObject* up = folderParentGetter(child, 0);
  Record(fileNameGetter(child, 0));
  FileTestRecordNumber(child->classPtr == mine && up->classPtr == mine);

  RuntimeUnlockObject(up);
  RuntimeUnlockObject(child);
  RuntimeUnlockObject(item);
  RuntimeUnlockObject(parent);
  RuntimeUnlockObject(file);
  RuntimeUnlockObject(folder);
  RuntimeUnlockString(folderPath);
}
