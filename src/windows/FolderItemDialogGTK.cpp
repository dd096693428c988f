// The run of a file dialog on GTK: a GtkFileChooserDialog when the GTK in use has the chooser
// (its functions are found by name, as every GTK function newer than the one we link against),
// else a GtkFileSelection. Filters come from the registered file types the dialog's Filter
// names; in a save dialog, picking another filter gives the typed name that type's extension.
//
// An optional function that is missing is never called: the run reports it and goes on without
// what it would have done.
#include <gtk/gtk.h>
#include <sys/stat.h>

#include <cstring>

#include "app/ModalLoop.h"
#include "core/ExceptionClasses.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "files/FolderItemClass.h"
#include "graphics/PangoFonts.h"
#include "strings/StringCase.h"
#include "strings/TextEncoding.h"
#include "windows/FolderItemDialog.h"
#include "windows/GtkSymbols.h"

namespace {

OptionalGtkFunction gChooserDialogNew("gtk_file_chooser_dialog_new");
OptionalGtkFunction gChooserSetCurrentName("gtk_file_chooser_set_current_name");
OptionalGtkFunction gChooserGetFilename("gtk_file_chooser_get_filename");
OptionalGtkFunction gChooserSetCurrentFolder("gtk_file_chooser_set_current_folder");
OptionalGtkFunction gFilterNew("gtk_file_filter_new");
OptionalGtkFunction gFilterSetName("gtk_file_filter_set_name");
OptionalGtkFunction gFilterAddPattern("gtk_file_filter_add_pattern");
OptionalGtkFunction gChooserAddFilter("gtk_file_chooser_add_filter");
OptionalGtkFunction gChooserGetFilter("gtk_file_chooser_get_filter");
OptionalGtkFunction gFilterGetName("gtk_file_filter_get_name");

using ChooserDialogNew = GtkWidget* (*)(const gchar*, GtkWindow*, int, const gchar*, ...);
using ChooserSetText = void (*)(GtkWidget*, const gchar*);
using ChooserSetFolder = gboolean (*)(GtkWidget*, const gchar*);
using ChooserGetFilename = gchar* (*)(GtkWidget*);
using FilterNew = GtkObject* (*)();
using FilterSetText = void (*)(GtkObject*, const gchar*);
using ChooserAddFilter = void (*)(GtkWidget*, GtkObject*);
using ChooserGetFilter = GtkObject* (*)(GtkWidget*);
using FilterGetName = const gchar* (*)(GtkObject*);

constexpr int32_t kNameLimit = 1024;

const char kAbstractClassMessage[] =
    "It looks like you're trying to use the abstract FolderItemDialog class instead of a "
    "concrete class";

// Text for GTK: UTF-8, g_free'd by the caller.
gchar* ToolkitText(const string& text) {
  const string utf8 = TextForPango(text);
  return g_strndup(utf8.CString(), gsize(utf8.Length()));
}

// UTF-8 from GTK as a string tagged UTF-8, or ASCII when it is all ASCII.
string TextFromToolkit(const gchar* utf8) {
  string text = string::FromBytes(utf8, int64_t(strlen(utf8)), kEncodingUTF8);
  if (text.ContainsOnlyASCII()) text.SetEncoding(kEncodingASCII);
  return text;
}

// A file name from GTK (in the file-name encoding) as UTF-8 text; false when it converts not.
bool NameFromFilename(const gchar* filename, string* name) {
  if (!filename) return false;
  gchar* utf8 = g_filename_to_utf8(filename, -1, nullptr, nullptr, nullptr);
  if (!utf8) return false;
  *name = TextFromToolkit(utf8);
  g_free(utf8);
  return true;
}

// The path in the file-name encoding; g_free'd by the caller, nil when it cannot be expressed.
gchar* FilenameOf(const string& path) {
  const string utf8 = ConvertToSystemEncoding(path);
  return g_filename_from_utf8(utf8.CString(), utf8.Length(), nullptr, nullptr, nullptr);
}

bool ChooserPresent() {
  return gChooserDialogNew.Get() && gChooserSetCurrentName.Get() && gChooserGetFilename.Get();
}

bool FilterFunctionsPresent() {
  return gChooserAddFilter.Get() && gFilterNew.Get() && gFilterSetName.Get() &&
         gFilterAddPattern.Get();
}

// The pattern of one extension, with or without its leading dot: "*.txt".
string PatternOf(const string& extension) {
  if (extension.Bytes()[0] == '.') return string("*") + extension;
  return string("*.") + extension;
}

void AddFilter(GtkWidget* chooser, const FileType& type) {
  GtkObject* filter = gFilterNew.As<FilterNew>()();
  gchar* name = ToolkitText(type.name);
  gFilterSetName.As<FilterSetText>()(filter, name);
  g_free(name);
  int32_t position = 0;
  string extension;
  while (NextListItem(type.extensions, &position, &extension)) {
    gchar* pattern = ToolkitText(PatternOf(extension));
    gFilterAddPattern.As<FilterSetText>()(filter, pattern);
    g_free(pattern);
  }
  gChooserAddFilter.As<ChooserAddFilter>()(chooser, filter);
}

// The last type of the dialog's list whose name is the filter's, or nil.
const FileType* TypeNamed(FolderItemDialogObject* fields, const gchar* filterName) {
  if (!filterName) return nullptr;
  const string name = TextFromToolkit(filterName);
  const FileType* found = nullptr;
  for (uint32_t i = 0; i < fields->fileTypes.size(); ++i) {
    const FileType* type = fields->fileTypes[int32_t(i)];
    if (RuntimeStringCompare(type->name.Storage(), name.Storage()) == 0) found = type;
  }
  return found;
}

// The name field of a save dialog follows the newly selected filter's type.
void GiveNameTheTypesExtension(GtkWidget* chooser, const FileType* type) {
  if (!QV_CHECK_TEXT(gChooserGetFilename.Get() && gChooserSetCurrentName.Get(),
                     "gtk_file_chooser_get_filename_dyn and "
                     "gtk_file_chooser_set_current_name_dyn",
                     nullptr)) {
    return;
  }
  gchar* filename = gChooserGetFilename.As<ChooserGetFilename>()(chooser);
  string path;
  const bool named = NameFromFilename(filename, &path);
  g_free(filename);
  if (!named || !type) return;
  int32_t slash = path.Length();
  while (slash > 0 && path.Bytes()[slash - 1] != '/') --slash;
  string name = mid(path, slash);
  if (name.IsEmpty()) return;
  const string extension = FileTypeFirstExtension(*type);
  if (!ApplyExtensionRule(&name, extension, extension, kNameLimit)) return;
  gchar* text = ToolkitText(name);
  gChooserSetCurrentName.As<ChooserSetText>()(chooser, text);
  g_free(text);
}

void FilterChanged(GObject* chooser, GParamSpec*, gpointer data) {
  auto* fields = static_cast<FolderItemDialogObject*>(data);
  if (!QV_CHECK_TEXT(gChooserGetFilter.Get() && gFilterGetName.Get(),
                     "gtk_file_chooser_get_filter_dyn and gtk_file_filter_get_name_dyn",
                     nullptr)) {
    return;
  }
  GtkWidget* widget = GTK_WIDGET(chooser);
  GtkObject* filter = gChooserGetFilter.As<ChooserGetFilter>()(widget);
  const gchar* name = filter ? gFilterGetName.As<FilterGetName>()(filter) : nullptr;
  fields->currentFileType = TypeNamed(fields, name);
  if (fields->kind != kFolderItemDialogSave) return;
  GiveNameTheTypesExtension(widget, fields->currentFileType);
}

void AddFilters(GtkWidget* chooser, FolderItemDialogObject* fields) {
  if (!QV_CHECK_TEXT(FilterFunctionsPresent(),
                     "gtk_file_chooser_add_filter_dyn and gtk_file_filter_new_dyn and "
                     "gtk_file_filter_set_name_dyn and gtk_file_filter_add_pattern_dyn",
                     nullptr)) {
    return;
  }
  if (stringStorage::Length(fields->hiddenText) != 0) return;
  for (uint32_t i = 0; i < fields->fileTypes.size(); ++i) {
    AddFilter(chooser, *fields->fileTypes[int32_t(i)]);
  }
  g_signal_connect(chooser, "notify::filter", G_CALLBACK(FilterChanged), fields);
}

GtkWidget* NewChooser(FolderItemDialogObject* fields) {
  gchar* title = ToolkitText(string(fields->title));
  const char* action = fields->kind == kFolderItemDialogSave ? GTK_STOCK_SAVE : GTK_STOCK_OPEN;
  GtkWidget* chooser = gChooserDialogNew.As<ChooserDialogNew>()(
      title, nullptr, fields->kind, action, GTK_RESPONSE_OK, GTK_STOCK_CANCEL,
      GTK_RESPONSE_CANCEL, static_cast<const gchar*>(nullptr));
  g_free(title);
  FolderItemImp* folder = FolderItemImpOf(fields->initialDirectory);
  const string folderPath = folder ? folder->GetPath() : string();
  if (!folderPath.IsEmpty() && gChooserSetCurrentFolder.Get()) {
    gchar* filename = FilenameOf(folderPath);
    if (filename) gChooserSetCurrentFolder.As<ChooserSetFolder>()(chooser, filename);
    g_free(filename);
  }
  if (fields->kind != kFolderItemDialogSelectFolder) AddFilters(chooser, fields);
  if (fields->kind == kFolderItemDialogSave) {
    gchar* name = ToolkitText(string(fields->suggestedFileName));
    gChooserSetCurrentName.As<ChooserSetText>()(chooser, name);
    g_free(name);
  }
  return chooser;
}

GtkWidget* NewSelection(FolderItemDialogObject* fields) {
  gchar* title = ToolkitText(string(fields->title));
  GtkWidget* selection = gtk_file_selection_new(title);
  g_free(title);
  if (fields->kind == kFolderItemDialogSave) {
    gchar* name = FilenameOf(string(fields->suggestedFileName));
    if (name) gtk_file_selection_set_filename(GTK_FILE_SELECTION(selection), name);
    g_free(name);
  }
  return selection;
}

// The path the dialog holds now, as UTF-8 text; false when it holds none.
bool ChosenPath(GtkWidget* dialog, bool chooser, string* path) {
  if (!chooser) {
    return NameFromFilename(gtk_file_selection_get_filename(GTK_FILE_SELECTION(dialog)), path);
  }
  gchar* filename = gChooserGetFilename.As<ChooserGetFilename>()(dialog);
  const bool named = NameFromFilename(filename, path);
  g_free(filename);
  return named;
}

// Whether anything, a dangling link included, is at the path; and whether it is a folder.
bool PathExists(const string& path, bool* folder) {
  gchar* filename = FilenameOf(path);
  struct stat info;
  const bool exists = filename && lstat(filename, &info) == 0;
  struct stat target;
  *folder = exists && stat(filename, &target) == 0 && S_ISDIR(target.st_mode);
  g_free(filename);
  return exists;
}

// Asks over the file dialog whether the existing file may be replaced.
bool MayOverwrite(GtkWidget* dialog, const string& path) {
  gchar* text = ToolkitText(path);
  GtkWidget* question =
      gtk_message_dialog_new(GTK_WINDOW(dialog), GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING,
                             GTK_BUTTONS_YES_NO, "'%s' already exists.\nOverwrite it?", text);
  g_free(text);
  const gint answer = RunDialogModally(GTK_DIALOG(question));
  gtk_widget_destroy(question);
  return answer == GTK_RESPONSE_YES;
}

// Runs the dialog until the person chooses an acceptable item or gives up.
bool RunUntilChosen(GtkWidget* dialog, bool chooser, int32_t kind, string* path) {
  for (;;) {
    if (RunDialogModally(GTK_DIALOG(dialog)) != GTK_RESPONSE_OK) return false;
    if (!ChosenPath(dialog, chooser, path)) return false;
    if (kind == kFolderItemDialogSelectFolder) return true;
    // A folder chosen where a file was asked for. The selection ends its path with "/"; the
    // chooser gives a folder's own path.
    if (path->IsEmpty() || path->Bytes()[path->Length() - 1] == '/') return false;
    bool folder = false;
    const bool exists = PathExists(*path, &folder);
    if (folder) return false;
    if (kind == kFolderItemDialogOpen) return true;
    if (!exists || MayOverwrite(dialog, *path)) return true;
  }
}

bool ShowDialog(FolderItemDialogObject* fields, string* path) {
  const bool chooser = ChooserPresent();
  GtkWidget* dialog = chooser ? NewChooser(fields) : NewSelection(fields);
  const bool chosen = RunUntilChosen(dialog, chooser, fields->kind, path);
  gtk_widget_destroy(dialog);
  return chosen;
}

}  // namespace

RuntimeObject* FolderItemDialogRun(RuntimeObject* dialog, Pane* parent) {
  if (!QV_CHECK_TEXT(dialog, "obj", nullptr)) return nullptr;
  FolderItemDialogObject* fields = AsFolderItemDialog(dialog);
  if (fields->kind == kFolderItemDialogAbstract) {
    RaiseNewExceptionWithMessage(UnsupportedFormatExceptionDefinition(),
                                 string(kAbstractClassMessage).Storage(), 0);
    return nullptr;
  }
  RuntimeLockObject(dialog);
  fields->parent = parent;
  const bool builtList = stringStorage::Length(fields->filter) != 0 && fields->fileTypes.empty();
  if (builtList) BuildFileTypeList(string(fields->filter), &fields->fileTypes);
  RuntimeUnlockObject(fields->result);
  fields->result = nullptr;
  string path;
  if (fields->kind <= kFolderItemDialogSelectFolder && ShowDialog(fields, &path)) {
    fields->result = GetFolderItemFromPath(path, true, kPathNative);
  }
  if (builtList) fields->fileTypes.Clear();
  fields->currentFileType = nullptr;
  RuntimeObject* chosen = fields->result;
  RuntimeLockObject(chosen);
  RuntimeUnlockObject(dialog);
  return chosen;
}

string FileTypeFirstExtension(const FileType& type) {
  int32_t position = 0;
  string first;
  if (!NextListItem(type.extensions, &position, &first)) return string();
  int32_t comma = 0;
  while (comma < first.Length() && first.Bytes()[comma] != ',') ++comma;
  string extension = trim(left(first, comma));
  if (!extension.IsEmpty() && extension.Bytes()[0] == '.') extension = mid(extension, 1);
  return extension;
}

bool ApplyExtensionRule(string* name, const string& extensionList, const string& extension,
                        int32_t limit) {
  if (extension.IsEmpty()) return false;
  const string dotted = string(".") + extension;
  int32_t position = 0;
  string field;
  while (NextListItem(extensionList, &position, &field)) {
    if (field.Bytes()[0] == '.') field = mid(field, 1);
    if (!field.IsEmpty() && EndsWithIgnoringCase(*name, string(".") + field)) return false;
  }
  *name = ConvertEncoding(*name, kEncodingUTF8);
  int32_t dot = name->Length();
  while (dot > 0 && name->Bytes()[dot - 1] != '.') --dot;
  if (dot > 0) *name = left(*name, dot - 1);
  const int32_t room = limit - dotted.Length();
  if (name->Length() >= room) {
    int32_t cut = room < 0 ? 0 : room;
    // Never half a character: back off over UTF-8 continuation bytes.
    while (cut > 0 && (name->Bytes()[cut] & 0xC0) == 0x80) --cut;
    *name = left(*name, cut);
  }
  *name += dotted;
  return true;
}
