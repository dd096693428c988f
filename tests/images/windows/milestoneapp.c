/* The dialogs from compiled code: a MessageDialog with three buttons (Save, Skip, Stop), then a
 * SaveAsDialog started in the folder SAVEAPP_FOLDER names. The image prints the caption of the
 * button that answered the question and the chosen path (or "nil") through the console output,
 * then ends. */
#include "qvapp.h"

char* getenv(const char* name);
QV_SHARED_FUNCTION(getenv, "libc.so.6");

void SSToStringSetter(QVObject* object, uint32_t offset, QVString value);
QVObject* MDButtonGetter(QVObject* dialog, uint32_t code);
void MDBBooleanSetter(QVObject* button, uint32_t parameter, int32_t value);
void MDBCaptionSetter(QVObject* button, uint32_t parameter, QVString value);
QVString MDBCaptionGetter(QVObject* button, uint32_t parameter);
QVObject* MessageDialogShowModal(QVObject* dialog);
void stringSetter(QVObject* object, uint32_t offset, QVString value);
void objSetter(QVObject* object, uint32_t offset, QVObject* value);
QVObject* FolderItemFromPath(const char* path);
QVString fileAbsolutePathGetter(QVObject* item, uint32_t parameter);
QVObject* FolderItemDialogShowModal(QVObject* dialog);

/* Fields of the MessageDialog record, its buttons' codes and their Visible property. */
#define MESSAGE_TITLE 40
#define MESSAGE_TEXT 44
#define CANCEL_BUTTON 0
#define ACTION_BUTTON 1
#define ALTERNATE_BUTTON 2
#define BUTTON_VISIBLE 0
/* Fields of the file dialog record. */
#define DIALOG_TITLE 40
#define DIALOG_INITIAL_DIRECTORY 64

/* Shows the button of the code with the caption. */
static void SetButton(QVObject* dialog, uint32_t code, QVString caption) {
  QVObject* button = MDButtonGetter(dialog, code);
  MDBBooleanSetter(button, BUTTON_VISIBLE, 1);
  MDBCaptionSetter(button, 0, caption);
  RuntimeUnlockObject(button);
}

static void Ask(void) {
  QVObject* dialog = RuntimeNewObject(RuntimeLookupClass(QV_STR("MessageDialog")));
  SSToStringSetter(dialog, MESSAGE_TITLE, QV_STR("Milestone question"));
  SSToStringSetter(dialog, MESSAGE_TEXT, QV_STR("Save the milestone?"));
  SetButton(dialog, ACTION_BUTTON, QV_STR("Save"));
  SetButton(dialog, ALTERNATE_BUTTON, QV_STR("Skip"));
  SetButton(dialog, CANCEL_BUTTON, QV_STR("Stop"));
  QVObject* answer = MessageDialogShowModal(dialog);
  QVString caption = MDBCaptionGetter(answer, 0);
  RuntimeConsolePrint(caption);
  RuntimeUnlockString(caption);
  RuntimeUnlockObject(answer);
  RuntimeUnlockObject(dialog);
}

static void Save(void) {
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

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  Ask();
  Save();
}
