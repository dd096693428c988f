// The file-dialog classes as tables, their set-up and tear-down, the entry points compiled code
// calls, and the global functions GetOpenFolderItem, GetSaveFolderItem and SelectFolder, which
// run a dialog of the matching class. The run itself is in FolderItemDialogGTK.cpp.
#include <new>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "windows/DrawFocus.h"
#include "windows/FolderItemDialog.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowObject.h"

namespace {

using namespace lang;

#define QV_DIALOG_FIELD(field) offsetof(FolderItemDialogObject, field)

const PropertyRow kFolderItemDialogProperties[] = {
    QV_PROPERTY("Top", Integer, intGetter, intSetter, QV_DIALOG_FIELD(top)),
    QV_PROPERTY("Left", Integer, intGetter, intSetter, QV_DIALOG_FIELD(left)),
    QV_PROPERTY("InitialDirectory", Class<"FolderItem">, objGetter, objSetter,
                QV_DIALOG_FIELD(initialDirectory)),
    QV_READONLY("Result", Class<"FolderItem">, objGetter, QV_DIALOG_FIELD(result)),
    QV_PROPERTY("Filter", String, stringGetter, stringSetter, QV_DIALOG_FIELD(filter)),
    QV_PROPERTY("Title", String, stringGetter, stringSetter, QV_DIALOG_FIELD(title)),
    QV_PROPERTY("ActionButtonCaption", String, stringGetter, stringSetter,
                QV_DIALOG_FIELD(actionButtonCaption)),
    QV_PROPERTY("CancelButtonCaption", String, stringGetter, stringSetter,
                QV_DIALOG_FIELD(cancelButtonCaption)),
    QV_PROPERTY("SuggestedFileName", String, stringGetter, stringSetter,
                QV_DIALOG_FIELD(suggestedFileName)),
    QV_PROPERTY("PromptText", String, stringGetter, stringSetter, QV_DIALOG_FIELD(promptText)),
    QV_VARIABLE("__qvf_mImp", Integer),
};

const MethodRow kFolderItemDialogMethods[] = {
    QV_FUNCTION("ShowModal", Class<"FolderItem">, FolderItemDialogShowModal).Flags(4),
    QV_FUNCTION("ShowModalWithin", Class<"FolderItem">, FolderItemDialogShowWithin,
                Param("Parent", Class<"Window">))
        .Flags(4),
};

#undef QV_DIALOG_FIELD

// The subclasses' initializers run after the base's, which leaves a non-zero kind alone.
void SetKind(RuntimeObject* dialog, int32_t kind) {
  if (!QV_CHECK_TEXT(dialog, "obj", nullptr)) return;
  AsFolderItemDialog(dialog)->kind = kind;
}

void ReleaseString(stringStorage** field) {
  stringStorage::RemoveReference(*field);
  *field = nullptr;
}

void ReleaseObject(RuntimeObject** field) {
  RuntimeUnlockObject(*field);
  *field = nullptr;
}

// A new dialog of the class, its filter and suggested name set, run without parent and
// released; the chosen item with one reference for the caller, or nil.
RuntimeObject* RunNewDialog(ObjectDefinition* definition, stringStorage* filter,
                            stringStorage* defaultName) {
  ClearDrawFocus();
  RuntimeObject* dialog = NewObjectFromDefinition(definition);
  if (!dialog) return nullptr;
  FolderItemDialogObject* fields = AsFolderItemDialog(dialog);
  stringStorage::AddReference(filter);
  fields->filter = filter;
  stringStorage::AddReference(defaultName);
  fields->suggestedFileName = defaultName;
  RuntimeObject* chosen = FolderItemDialogRun(dialog, nullptr);
  RuntimeUnlockObject(dialog);
  return chosen;
}

}  // namespace

QV_CLASS(FolderItemDialogClassDefinition,
         .name = "FolderItemDialog",
         .objectSize = sizeof(FolderItemDialogObject),
         .properties = kFolderItemDialogProperties,
         .methods = kFolderItemDialogMethods,
         .initializer = QV_CODE(FolderItemDialogInitializer),
         .finalizer = QV_CODE(FolderItemDialogFinalizer))

QV_CLASS(OpenDialogClassDefinition,
         .name = "OpenDialog",
         .super = FolderItemDialogClassDefinition,
         .objectSize = sizeof(FolderItemDialogObject),
         .initializer = QV_CODE(OpenDialogInitializer))

QV_CLASS(SaveAsDialogClassDefinition,
         .name = "SaveAsDialog",
         .super = FolderItemDialogClassDefinition,
         .objectSize = sizeof(FolderItemDialogObject),
         .initializer = QV_CODE(SaveAsDialogInitializer))

QV_CLASS(SelectFolderDialogClassDefinition,
         .name = "SelectFolderDialog",
         .super = FolderItemDialogClassDefinition,
         .objectSize = sizeof(FolderItemDialogObject),
         .initializer = QV_CODE(SelectFolderDialogInitializer))

QV_STARTUP(kStartupFolderItemDialogClasses, +[] {
  RegisterClassDefinition(FolderItemDialogClassDefinition());
  RegisterClassDefinition(OpenDialogClassDefinition());
  RegisterClassDefinition(SaveAsDialogClassDefinition());
  RegisterClassDefinition(SelectFolderDialogClassDefinition());
})

extern "C" void FolderItemDialogInitializer(RuntimeObject* dialog) {
  if (!QV_CHECK_TEXT(dialog, "obj", nullptr)) return;
  FolderItemDialogObject* fields = AsFolderItemDialog(dialog);
  if (fields->kind != 0) return;
  fields->kind = kFolderItemDialogAbstract;
  fields->top = -1;
  fields->left = -1;
  fields->result = nullptr;
  new (&fields->fileTypes) SimpleVector<const FileType*>();
  fields->companion = new FolderItemDialogImp;
}
QV_EXPORT(FolderItemDialogInitializer)

extern "C" void OpenDialogInitializer(RuntimeObject* dialog) {
  SetKind(dialog, kFolderItemDialogOpen);
}
QV_EXPORT(OpenDialogInitializer)

extern "C" void SaveAsDialogInitializer(RuntimeObject* dialog) {
  SetKind(dialog, kFolderItemDialogSave);
}
QV_EXPORT(SaveAsDialogInitializer)

extern "C" void SelectFolderDialogInitializer(RuntimeObject* dialog) {
  SetKind(dialog, kFolderItemDialogSelectFolder);
}
QV_EXPORT(SelectFolderDialogInitializer)

extern "C" void FolderItemDialogFinalizer(RuntimeObject* dialog) {
  if (!QV_CHECK_TEXT(dialog, "obj", nullptr)) return;
  FolderItemDialogObject* fields = AsFolderItemDialog(dialog);
  ReleaseObject(&fields->result);
  ReleaseObject(&fields->initialDirectory);
  ReleaseString(&fields->title);
  ReleaseString(&fields->actionButtonCaption);
  ReleaseString(&fields->cancelButtonCaption);
  ReleaseString(&fields->suggestedFileName);
  ReleaseString(&fields->promptText);
  ReleaseString(&fields->filter);
  ReleaseString(&fields->hiddenText);
  fields->fileTypes.Clear();
  delete fields->companion;
  fields->companion = nullptr;
}
QV_EXPORT(FolderItemDialogFinalizer)

extern "C" RuntimeObject* FolderItemDialogShowModal(RuntimeObject* dialog) {
  return FolderItemDialogRun(dialog, nullptr);
}
QV_EXPORT(FolderItemDialogShowModal)

extern "C" RuntimeObject* FolderItemDialogShowWithin(RuntimeObject* dialog, RuntimeObject* parent) {
  if (!parent) return FolderItemDialogRun(dialog, nullptr);
  return FolderItemDialogRun(dialog, AsWindow(parent)->mImp);
}
QV_EXPORT(FolderItemDialogShowWithin)

extern "C" RuntimeObject* RuntimeGetOpenFolderItem(stringStorage* filter) {
  return RunNewDialog(OpenDialogClassDefinition(), filter, nullptr);
}
QV_EXPORT(RuntimeGetOpenFolderItem)

extern "C" RuntimeObject* RuntimeGetSaveFolderItem(stringStorage* filter,
                                                   stringStorage* defaultName) {
  return RunNewDialog(SaveAsDialogClassDefinition(), filter, defaultName);
}
QV_EXPORT(RuntimeGetSaveFolderItem)

extern "C" RuntimeObject* RuntimeSelectFolder() {
  return RunNewDialog(SelectFolderDialogClassDefinition(), nullptr, nullptr);
}
QV_EXPORT(RuntimeSelectFolder)
