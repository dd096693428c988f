#include "files/SpecialFolderClass.h"

#include <algorithm>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "files/FolderItemClass.h"
#include "files/FolderItemImpUnix.h"

namespace {

using namespace lang;

constexpr int32_t kSpecialFolderObjectSize = 28;  // as compiled code has always sized it
constexpr uint32_t kRowFlags = 5;

#define QV_SPECIAL_FOLDER(name, code) \
  QV_READONLY(name, Class<"FolderItem">, GetSpecialFolder, code).Flags(kRowFlags)

const PropertyRow kSpecialFolderProperties[] = {
    QV_SPECIAL_FOLDER("Trash", 1000),
    QV_SPECIAL_FOLDER("Temporary", 1001),
    QV_SPECIAL_FOLDER("Fonts", 1002),
    QV_SPECIAL_FOLDER("ApplicationData", 1003),
    QV_SPECIAL_FOLDER("ShutdownItems", 1004),
    QV_SPECIAL_FOLDER("StartupItems", 1005),
    QV_SPECIAL_FOLDER("Preferences", 1006),
    QV_SPECIAL_FOLDER("Extensions", 1007),
    QV_SPECIAL_FOLDER("ControlPanels", 1008),
    QV_SPECIAL_FOLDER("Desktop", 1009),
    QV_SPECIAL_FOLDER("Documents", 1010),
    QV_SPECIAL_FOLDER("AppleMenu", 1011),
    QV_SPECIAL_FOLDER("System", 1012),
    QV_SPECIAL_FOLDER("SharedApplicationData", 1013),
    QV_SPECIAL_FOLDER("SharedDesktop", 1014),
    QV_SPECIAL_FOLDER("Favorites", 1015),
    QV_SPECIAL_FOLDER("SharedFavorites", 1016),
    QV_SPECIAL_FOLDER("SharedDocuments", 1017),
    QV_SPECIAL_FOLDER("Cookies", 1018),
    QV_SPECIAL_FOLDER("History", 1019),
    QV_SPECIAL_FOLDER("InternetCache", 1020),
    QV_SPECIAL_FOLDER("Music", 1021),
    QV_SPECIAL_FOLDER("Pictures", 1022),
    QV_SPECIAL_FOLDER("Applications", 1023),
    QV_SPECIAL_FOLDER("SharedApplications", 1024),
    QV_SPECIAL_FOLDER("RecentItems", 1025),
    QV_SPECIAL_FOLDER("SendTo", 1026),
    QV_SPECIAL_FOLDER("Windows", 1027),
    QV_SPECIAL_FOLDER("SharedStartupItems", 1029),
    QV_SPECIAL_FOLDER("Templates", 1030),
    QV_SPECIAL_FOLDER("SharedTemplates", 1031),
    QV_SPECIAL_FOLDER("NetworkPlaces", 1032),
    QV_SPECIAL_FOLDER("Printers", 1033),
    QV_SPECIAL_FOLDER("SharedPreferences", 1046),
    QV_SPECIAL_FOLDER("Etc", 1034),
    QV_SPECIAL_FOLDER("Bin", 1035),
    QV_SPECIAL_FOLDER("UserBin", 1036),
    QV_SPECIAL_FOLDER("SBin", 1037),
    QV_SPECIAL_FOLDER("UserSBin", 1038),
    QV_SPECIAL_FOLDER("Var", 1039),
    QV_SPECIAL_FOLDER("VarLog", 1040),
    QV_SPECIAL_FOLDER("UserHome", 1041),
    QV_SPECIAL_FOLDER("Home", 1042),
    QV_SPECIAL_FOLDER("Mount", 1043),
    QV_SPECIAL_FOLDER("Library", 1044),
    QV_SPECIAL_FOLDER("UserLibrary", 1045),
    QV_SPECIAL_FOLDER("CurrentWorkingDirectory", 1047),
};
static_assert(sizeof(kSpecialFolderProperties) / sizeof(PropertyRow) == 47, "the folder rows");

#undef QV_SPECIAL_FOLDER

const MethodRow kSpecialFolderMethods[] = {
    QV_FUNCTION("GetFromCode", Class<"FolderItem">, GetSpecialFolderFromCode,
                Param("FourCharCode", String))
        .Flags(4),
};

}  // namespace

QV_CLASS(SpecialFolderClassDefinition,
         .name = "SpecialFolder",
         .objectSize = kSpecialFolderObjectSize,
         .properties = kSpecialFolderProperties,
         .methods = kSpecialFolderMethods,
         .flags = kRowEveryTarget)
QV_STARTUP_CLASS(kStartupSpecialFolderClass, SpecialFolderClassDefinition)

extern "C" RuntimeObject* systemGetSpecialFoldersClass() {
  return NewObjectFromDefinition(SpecialFolderClassDefinition());
}
QV_EXPORT(systemGetSpecialFoldersClass)

extern "C" RuntimeObject* GetSpecialFolder(RuntimeObject*, int32_t code) {
  const FolderItemImpUnix lookup(string("/"));
  FolderItemImp* folder = lookup.GetSpecialFolder(code);
  return folder ? NewFolderItem(folder) : nullptr;
}
QV_EXPORT(GetSpecialFolder)

extern "C" RuntimeObject* GetSpecialFolderFromCode(RuntimeObject* specialFolder,
                                                   stringStorage* text) {
  const string code(text);
  if (code.IsEmpty()) return nullptr;
  const int32_t length = std::min(code.Length(), 4);
  uint32_t value = 0;
  for (int32_t i = 0; i < length; ++i) value |= uint32_t(code.Bytes()[i]) << (8 * i);
  return GetSpecialFolder(specialFolder, int32_t(value));
}
QV_EXPORT(GetSpecialFolderFromCode)
