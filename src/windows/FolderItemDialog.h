// The file dialogs: the abstract FolderItemDialog and its OpenDialog, SaveAsDialog and
// SelectFolderDialog. Compiled code fills the fields and calls ShowModal; the run shows a modal
// GTK file chooser (its functions found by name at run time) or, where the chooser is missing,
// the older GtkFileSelection, and answers the chosen FolderItem, nil when none was chosen.
//
// A run holds a reference on the dialog object until it returns: the chooser's filter handler
// reads the object from inside gtk_dialog_run, where compiled code (a timer) may drop its own.
// The chosen path is tagged UTF-8 (ASCII when it is ASCII), as every path of the files layer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "core/SimpleVector.h"
#include "files/FileTypes.h"
#include "strings/RuntimeString.h"

class Pane;

// What the hidden kind field holds.
constexpr int32_t kFolderItemDialogAbstract = -1;
constexpr int32_t kFolderItemDialogOpen = 0;
constexpr int32_t kFolderItemDialogSave = 1;
constexpr int32_t kFolderItemDialogSelectFolder = 2;

// The companion object every dialog owns; nothing on this platform needs it to hold anything.
struct FolderItemDialogImp {};

struct FolderItemDialogObject {
  RuntimeObject header;
  int32_t mImp;  // declared for compiled code; unused here
  int32_t kind;  // a kFolderItemDialog... value
  int32_t top;   // Top and Left are stored only
  int32_t left;
  stringStorage* title;
  stringStorage* actionButtonCaption;  // stored only, as are the cancel caption and prompt
  stringStorage* cancelButtonCaption;
  stringStorage* suggestedFileName;
  stringStorage* promptText;
  stringStorage* filter;  // file type names, ";"-separated
  RuntimeObject* initialDirectory;
  RuntimeObject* result;  // the last run's choice; nil after a cancel
  FolderItemDialogImp* companion;
  SimpleVector<const FileType*> fileTypes;  // the types Filter names, for one run
  const FileType* currentFileType;          // the type of the chooser's selected filter
  Pane* parent;                             // the pane given to the run; stored only
  stringStorage* hiddenText;                // when not empty, a run adds no filters
};
static_assert(sizeof(FolderItemDialogObject) == 104, "dialog instances are 104 bytes");
static_assert(offsetof(FolderItemDialogObject, kind) == 28 &&
                  offsetof(FolderItemDialogObject, title) == 40 &&
                  offsetof(FolderItemDialogObject, filter) == 60 &&
                  offsetof(FolderItemDialogObject, result) == 68 &&
                  offsetof(FolderItemDialogObject, fileTypes) == 76 &&
                  offsetof(FolderItemDialogObject, hiddenText) == 100,
              "the dialog record is read by compiled code");

inline FolderItemDialogObject* AsFolderItemDialog(RuntimeObject* object) {
  return reinterpret_cast<FolderItemDialogObject*>(object);
}

ObjectDefinition* FolderItemDialogClassDefinition();
ObjectDefinition* OpenDialogClassDefinition();
ObjectDefinition* SaveAsDialogClassDefinition();
ObjectDefinition* SelectFolderDialogClassDefinition();

// Runs the dialog modally and answers its Result with one reference for the caller (nil when
// nothing was chosen). The abstract class raises UnsupportedFormatException and answers nil.
RuntimeObject* FolderItemDialogRun(RuntimeObject* dialog, Pane* parent);

// The rule a save dialog's name follows when another filter is picked: true, with *name
// changed, when the name takes the extension in place of its own. No change for an empty
// extension or a name that already ends with "." and a non-empty field of extensionList
// (";"-separated, a leading "." ignored), in any case. A name that would reach limit bytes is
// cut first, at a character boundary.
bool ApplyExtensionRule(string* name, const string& extensionList, const string& extension,
                        int32_t limit);
// A type's first extension: the first non-empty ";"-field of its list, then the first
// ","-field of that, trimmed of blanks and tabs, without a leading ".".
string FileTypeFirstExtension(const FileType& type);

extern "C" {
void FolderItemDialogInitializer(RuntimeObject* dialog);
void OpenDialogInitializer(RuntimeObject* dialog);
void SaveAsDialogInitializer(RuntimeObject* dialog);
void SelectFolderDialogInitializer(RuntimeObject* dialog);
void FolderItemDialogFinalizer(RuntimeObject* dialog);
RuntimeObject* FolderItemDialogShowModal(RuntimeObject* dialog);
RuntimeObject* FolderItemDialogShowWithin(RuntimeObject* dialog, RuntimeObject* parent);

// The global functions: a dialog of the kind made, run and released.
RuntimeObject* RuntimeGetOpenFolderItem(stringStorage* filter);
RuntimeObject* RuntimeGetSaveFolderItem(stringStorage* filter, stringStorage* defaultName);
RuntimeObject* RuntimeSelectFolder();
}
