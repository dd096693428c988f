// ExportPicture: a picture saved to a file the user picks. No native exporter exists on this
// platform, so a save dialog always asks, and the file is written as a BMP.
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "files/FolderItemClass.h"
#include "files/FolderItemImpUnix.h"
#include "strings/RuntimeString.h"
#include "windows/FolderItemDialog.h"

extern "C" int32_t exportPicture(RuntimeObject* picture) {
  if (!picture) {
    RaiseNilObjectException();
    return 0;
  }
  RuntimeObject* dialog = NewObjectFromDefinition(SaveAsDialogClassDefinition());
  if (!dialog) return 0;
  FolderItemDialogObject* fields = AsFolderItemDialog(dialog);
  fields->title = string("Export Image As:").ExtractStringStorage();
  fields->suggestedFileName = string("Untitled Image.bmp").ExtractStringStorage();
  RuntimeObject* chosen = FolderItemDialogRun(dialog, nullptr);
  RuntimeUnlockObject(dialog);
  if (!chosen) return 0;
  // Saved as a BMP by name: the save refuses the unspecified format 0, which would make every
  // export raise and fail.
  FolderItemImp* imp = reinterpret_cast<FolderItemObject*>(chosen)->mImp;
  const bool saved = imp && imp->SaveAsPicture(picture, kPictureFormatBMP);
  RuntimeUnlockObject(chosen);
  return saved ? 1 : 0;
}
QV_EXPORT(exportPicture)
