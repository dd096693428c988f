/* A SaveAsDialog from compiled code: the image makes the dialog object, titles it, starts it in
 * the folder SAVEAPP_FOLDER names, shows it modally and prints the chosen path (or "nil")
 * through the console output, then ends. */
#include "qvapp.h"

char* getenv(const char* name);
QV_SHARED_FUNCTION(getenv, "libc.so.6");

QVObject* RuntimeNewObject(QVClass* cls);
void RuntimeUnlockObject(QVObject* object);
void RuntimeUnlockString(QVString text);
void RuntimeConsolePrint(QVString text);
void stringSetter(QVObject* object, uint32_t offset, QVString value);
void objSetter(QVObject* object, uint32_t offset, QVObject* value);
QVObject* FolderItemFromPath(const char* path);
QVString fileAbsolutePathGetter(QVObject* item, uint32_t parameter);
QVObject* FolderItemDialogShowModal(QVObject* dialog);

/* Fields of the dialog record. */
#define DIALOG_TITLE 40
#define DIALOG_INITIAL_DIRECTORY 64

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  QVObject* dialog = RuntimeNewObject(RuntimeLookupClass(QV_STR("SaveAsDialog")));
  stringSetter(dialog, DIALOG_TITLE, QV_STR("Save the milestone"));
  QVObject* folder = FolderItemFromPath(getenv("SAVEAPP_FOLDER"));
  objSetter(dialog, DIALOG_INITIAL_DIRECTORY, folder);
  RuntimeUnlockObject(folder);
  QVObject* chosen = FolderItemDialogShowModal(dialog);
  if (chosen) {
    QVString path = fileAbsolutePathGetter(chosen, 0);
    RuntimeConsolePrint(path);
    RuntimeUnlockString(path);
    RuntimeUnlockObject(chosen);
  } else {
    RuntimeConsolePrint(QV_STR("nil"));
  }
  RuntimeUnlockObject(dialog);
}
