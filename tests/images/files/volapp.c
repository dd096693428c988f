/* The volume application: it creates a virtual volume in the folder the test names, writes a
 * text file into a subfolder of its Root, lets everything go (which closes the volume file),
 * opens the volume again and reads the text back, the names found ignoring case (an item keeps
 * the name it was asked by). What it sees
 * goes to the test's exports FileTest*; it releases everything it made. */
#include "qvapp.h"

QVObject* RuntimeGetFolderItem(QVString path, int32_t kind);
QVObject* FolderChild(QVObject* item, QVString name);
void FolderItemCreateAsFolder(QVObject* item);
QVString fileAbsolutePathGetter(QVObject* item, uint32_t parameter);
QVObject* FolderItemCreateTextFile(QVObject* item);
QVObject* FolderItemOpenTextFile(QVObject* item);
QVObject* FolderItemCreateVirtualVolume(QVObject* item);
QVObject* FolderItemOpenAsVirtualVolume(QVObject* item);
QVObject* VirtVolRootGetter(QVObject* volume, uint32_t parameter);
void TextOutputStreamWriteLine(QVObject* stream, QVString line);
void TextOutputStreamClose(QVObject* stream);
QVString TextInputStreamReadLine(QVObject* stream, QVObject* encoding);

QVString FileTestFolder(void);
void FileTestRecord(QVString text);

static void Record(QVString text) {
  FileTestRecord(text);
  RuntimeUnlockString(text);
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  QVString folderPath = FileTestFolder();
  QVObject* folder = RuntimeGetFolderItem(folderPath, 0);
  QVObject* file = FolderChild(folder, QV_STR("texts.vol"));

  QVObject* volume = FolderItemCreateVirtualVolume(file);
  QVObject* root = VirtVolRootGetter(volume, 0);
  QVObject* notes = FolderChild(root, QV_STR("notes"));
  FolderItemCreateAsFolder(notes);
  QVObject* text = FolderChild(notes, QV_STR("today.txt"));
  QVObject* out = FolderItemCreateTextFile(text);
  TextOutputStreamWriteLine(out, QV_STR("kept in a volume"));
  TextOutputStreamClose(out);
  RuntimeUnlockObject(out);
  RuntimeUnlockObject(text);
  RuntimeUnlockObject(notes);
  RuntimeUnlockObject(root);
  RuntimeUnlockObject(volume);

  volume = FolderItemOpenAsVirtualVolume(file);
  root = VirtVolRootGetter(volume, 0);
  notes = FolderChild(root, QV_STR("NOTES"));
  text = FolderChild(notes, QV_STR("Today.txt"));
  Record(fileAbsolutePathGetter(text, 0));
  QVObject* in = FolderItemOpenTextFile(text);
  Record(TextInputStreamReadLine(in, 0));
  RuntimeUnlockObject(in);
  RuntimeUnlockObject(text);
  RuntimeUnlockObject(notes);
  RuntimeUnlockObject(root);
  RuntimeUnlockObject(volume);

  RuntimeUnlockObject(file);
  RuntimeUnlockObject(folder);
  RuntimeUnlockString(folderPath);
}
