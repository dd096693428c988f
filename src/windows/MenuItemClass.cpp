// The MenuItem, MenuBar and _MenuBarInstaller classes as tables of rows, the life of a menu
// item's node, and the accessors and methods that work on it.
#include "windows/MenuItemClass.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "windows/MenuPopUp.h"
#include "windows/XMenuGTK.h"

namespace {

using namespace lang;

constexpr uint32_t kRowOldName = 0x8000;  // CommandKey, the old name of KeyboardShortcut

const PropertyRow kMenuItemProperties[] = {
    QV_PROPERTY("Name", String, RuntimeMenuItemNameGetter, RuntimeMenuItemNameSetter),
    QV_PROPERTY("Index", Integer, RuntimeMenuItemIndexGetter, RuntimeMenuItemIndexSetter),
    QV_PROPERTY("Tag", Class<"Variant">, RuntimeMenuItemTagGetter, RuntimeMenuItemTagSetter),
    QV_PROPERTY("BalloonHelp", String, RuntimeMenuItemBalloonHelpGetter,
                RuntimeMenuItemBalloonHelpSetter),
    QV_PROPERTY("DisabledBalloonHelp", String, RuntimeMenuItemDisabledHelpGetter,
                RuntimeMenuItemDisabledHelpSetter),
    QV_PROPERTY("Text", String, RuntimeMenuItemTextGetter, RuntimeMenuItemTextSetter),
    QV_PROPERTY("Checked", Boolean, RuntimeMenuItemCheckedGetter, RuntimeMenuItemCheckedSetter),
    QV_PROPERTY("Enabled", Boolean, RuntimeMenuItemEnabledGetter, RuntimeMenuItemEnabledSetter),
    QV_PROPERTY("Visible", Boolean, RuntimeMenuItemVisibleGetter, RuntimeMenuItemVisibleSetter),
    QV_PROPERTY("CommandKey", String, RuntimeMenuItemCommandKeyGetter,
                RuntimeMenuItemCommandKeySetter)
        .Flags(kRowOldName),
    QV_PROPERTY("KeyboardShortcut", String, RuntimeMenuItemCommandKeyGetter,
                RuntimeMenuItemCommandKeySetter),
    QV_PROPERTY("_Bold", Boolean, RuntimeMenuItemBoldGetter, RuntimeMenuItemBoldSetter),
    QV_PROPERTY("_Italic", Boolean, RuntimeMenuItemItalicsGetter, RuntimeMenuItemItalicsSetter),
    QV_PROPERTY("_Underline", Boolean, RuntimeMenuItemUnderlineGetter,
                RuntimeMenuItemUnderlineSetter),
    QV_PROPERTY("AutoEnable", Boolean, RuntimeMenuItemAutoEnableGetter,
                RuntimeMenuItemAutoEnableSetter),
    QV_PROPERTY("Icon", Class<"Picture">, RuntimeMenuItemEnabledIconGetter,
                RuntimeMenuItemEnabledIconSetter),
    QV_VARIABLE("__qvf_mImp", Integer),
    QV_VARIABLE("__qvf_mName", Integer),
    QV_VARIABLE("__qvf_mTag", Integer),
    QV_VARIABLE("__qvf_mIndex", Integer),
    QV_VARIABLE("__qvf_mChildren", Integer),
};

const MethodRow kMenuItemMethods[] = {
    QV_SUB("Enable", RuntimeEnableMenu),
    QV_SUB("Close", RuntimeCloseMenuItem),
    QV_FUNCTION("Item", Class<"MenuItem">, RuntimeMenuItemItem, Param("index", Integer)),
    QV_FUNCTION("Count", Integer, RuntimeMenuItemCount),
    QV_FUNCTION("Child", Class<"MenuItem">, RuntimeMenuItemChild, Param("name", String)),
    QV_SUB("Append", RuntimeMenuItemAppend, Param("item", Class<"MenuItem">)),
    QV_SUB("Insert", RuntimeMenuItemInsert, Param("index", Integer),
           Param("item", Class<"MenuItem">)),
    QV_SUB("Remove", RuntimeMenuItemRemoveIndex, Param("index", Integer)),
    QV_SUB("Remove", RuntimeMenuItemRemoveItem, Param("item", Class<"MenuItem">)),
    QV_SUB("Remove", RuntimeMenuItemRemoveByName, Param("name", String)),
    QV_FUNCTION("_Lookup", Class<"MenuItem">, RuntimeMenuItemLookup, Param("name", String)),
    QV_FUNCTION("_Lookup", Class<"MenuItem">, RuntimeMenuItemLookupArray, Param("name", String),
                Param("index", Integer)),
    QV_SUB("MenuItem", RuntimeMenuItemDefaultConstructor),
    QV_SUB("MenuItem", MenuItemConstructor, Param("Text", String),
           Param("Tag", Class<"Variant">)),
    QV_FUNCTION("PopUp", Class<"MenuItem">, RuntimeMenuItemPopUpByCursor),
    QV_FUNCTION("PopUp", Class<"MenuItem">, RuntimeMenuItemPopUp,
                Param("GlobalMouseX", Integer), Param("GlobalMouseY", Integer)),
    QV_SUB("_Swap", RuntimeMenuItemSwap, Param("name", String),
           Param("swapWith", Class<"MenuItem">)),
};

// The class's constant TextSeparator ("-") has no run-time form: the class-definition
// machinery registers no constants.
const EventRow kMenuItemEvents[] = {
    QV_EVENT("Action", &MenuItemEvents().action, nullptr, "Boolean"),
    QV_EVENT("EnableMenu", &MenuItemEvents().enableMenu),
};

const MethodRow kMenuBarMethods[] = {
    QV_SUB("_InstallClone", MenuBarInstallClone, Param("installThis", Class<"MenuItem">)),
};

const MethodRow kMenuBarInstallerMethods[] = {
    QV_ABSTRACT("_Install", nullptr, Param("owner", Class<"MenuBar">)),
};

// The item's node for an accessor: a nil item raises NilObjectException, a missing node is a
// failed check; nil either way.
XMenuGTK* AccessedNode(RuntimeObject* item) {
  if (!item) {
    RaiseNilObjectException();
    return nullptr;
  }
  XMenuGTK* node = XMenuNodeOf(item);
  return QV_CHECK_TEXT(node, "obj->mImp", nullptr) ? node : nullptr;
}

// The node for a method; nil, after the failed check, without one.
XMenuGTK* MethodNode(RuntimeObject* item) {
  if (!QV_CHECK_TEXT(item, "self", nullptr)) return nullptr;
  XMenuGTK* node = XMenuNodeOf(item);
  return QV_CHECK_TEXT(node, "self->mImp", nullptr) ? node : nullptr;
}

stringStorage* StringResult(const string& value) { return string(value).ExtractStringStorage(); }

RuntimeObject* ObjectResult(RuntimeObject* value) {
  RuntimeLockObject(value);
  return value;
}

}  // namespace

MenuItemEventHooks& MenuItemEvents() {
  static MenuItemEventHooks hooks;
  return hooks;
}

QV_CLASS(MenuItemClassDefinition,
         .name = "MenuItem",
         .objectSize = sizeof(MenuItemObject),
         .properties = kMenuItemProperties,
         .methods = kMenuItemMethods,
         .events = kMenuItemEvents,
         .initializer = QV_CODE(MenuItemInitializer),
         .finalizer = QV_CODE(MenuItemFinalizer))

QV_CLASS(MenuBarClassDefinition,
         .name = "MenuBar",
         .super = MenuItemClassDefinition,
         .objectSize = sizeof(MenuItemObject),
         .methods = kMenuBarMethods,
         .initializer = QV_CODE(MenuBarInitializer))

QV_CLASS(MenuBarInstallerClassDefinition,
         .name = "_MenuBarInstaller",
         .methods = kMenuBarInstallerMethods)

void RegisterMenuClasses() {
  RegisterClassDefinition(MenuBarInstallerClassDefinition());
  RegisterClassDefinition(MenuBarClassDefinition());
  RegisterClassDefinition(MenuItemClassDefinition());
}

RuntimeObject* NewMenuItemObject() { return NewObjectFromDefinition(MenuItemClassDefinition()); }

// ---- the node's life ----

extern "C" void MenuItemInitializer(RuntimeObject* item) {
  if (!QV_CHECK_TEXT(item, "obj", nullptr)) return;
  XMenuGTK* node = new XMenuGTK(false);
  node->SetOwner(item);
  reinterpret_cast<MenuItemObject*>(item)->mImp = node;
}
QV_EXPORT(MenuItemInitializer)

extern "C" void MenuBarInitializer(RuntimeObject* menuBar) {
  if (!QV_CHECK_TEXT(menuBar, "obj", nullptr)) return;
  MenuItemObject* record = reinterpret_cast<MenuItemObject*>(menuBar);
  delete record->mImp;
  XMenuGTK* node = new XMenuGTK(true);
  node->SetOwner(menuBar);
  record->mImp = node;
}
QV_EXPORT(MenuBarInitializer)

extern "C" void MenuItemFinalizer(RuntimeObject* item) {
  if (!item) return;
  MenuItemObject* record = reinterpret_cast<MenuItemObject*>(item);
  delete record->mImp;
  record->mImp = nullptr;
}
QV_EXPORT(MenuItemFinalizer)

// ---- properties ----

// A getter and a setter that read and write one attribute of the node.
#define QV_MENU_ITEM_ACCESSORS(Getter, Setter, Type, read, write)                         \
  extern "C" Type Getter(RuntimeObject* item, uint32_t) {                                 \
    const XMenuGTK* node = AccessedNode(item);                                            \
    if (!node) return {};                                                                 \
    return read;                                                                          \
  }                                                                                       \
  QV_EXPORT(Getter)                                                                       \
  extern "C" void Setter(RuntimeObject* item, uint32_t, Type value) {                     \
    if (XMenuGTK* node = AccessedNode(item)) write;                                       \
  }                                                                                       \
  QV_EXPORT(Setter)

#define QV_MENU_ITEM_STRING(Getter, Setter, Read, Write) \
  QV_MENU_ITEM_ACCESSORS(Getter, Setter, stringStorage*, StringResult(node->Read()),      \
                         node->Write(string(value)))
#define QV_MENU_ITEM_FLAG(Getter, Setter, Read, Write) \
  QV_MENU_ITEM_ACCESSORS(Getter, Setter, int32_t, int32_t(node->Read()), node->Write(value != 0))
#define QV_MENU_ITEM_OBJECT(Getter, Setter, Read, Write) \
  QV_MENU_ITEM_ACCESSORS(Getter, Setter, RuntimeObject*, ObjectResult(node->Read()),      \
                         node->Write(value))

QV_MENU_ITEM_STRING(RuntimeMenuItemNameGetter, RuntimeMenuItemNameSetter, Name, SetName)
QV_MENU_ITEM_STRING(RuntimeMenuItemBalloonHelpGetter, RuntimeMenuItemBalloonHelpSetter, HelpText,
                    SetBalloonHelp)
QV_MENU_ITEM_STRING(RuntimeMenuItemDisabledHelpGetter, RuntimeMenuItemDisabledHelpSetter,
                    DisabledHelpText, SetDisabledHelp)
QV_MENU_ITEM_STRING(RuntimeMenuItemTextGetter, RuntimeMenuItemTextSetter, Text, SetText)
QV_MENU_ITEM_STRING(RuntimeMenuItemCommandKeyGetter, RuntimeMenuItemCommandKeySetter,
                    CommandKey, SetCommandKey)
QV_MENU_ITEM_ACCESSORS(RuntimeMenuItemIndexGetter, RuntimeMenuItemIndexSetter, int32_t,
                       node->Index(), node->SetIndex(value))
QV_MENU_ITEM_FLAG(RuntimeMenuItemCheckedGetter, RuntimeMenuItemCheckedSetter, IsChecked,
                  SetChecked)
QV_MENU_ITEM_FLAG(RuntimeMenuItemVisibleGetter, RuntimeMenuItemVisibleSetter, IsVisible,
                  SetVisible)
QV_MENU_ITEM_FLAG(RuntimeMenuItemBoldGetter, RuntimeMenuItemBoldSetter, IsBold, SetBold)
QV_MENU_ITEM_FLAG(RuntimeMenuItemItalicsGetter, RuntimeMenuItemItalicsSetter, IsItalic,
                  SetItalic)
QV_MENU_ITEM_FLAG(RuntimeMenuItemUnderlineGetter, RuntimeMenuItemUnderlineSetter, IsUnderline,
                  SetUnderline)
QV_MENU_ITEM_FLAG(RuntimeMenuItemAutoEnableGetter, RuntimeMenuItemAutoEnableSetter,
                  AutoEnables, SetAutoEnable)
QV_MENU_ITEM_ACCESSORS(RuntimeMenuItemEnabledGetter, RuntimeMenuItemEnabledSetter, int32_t,
                       int32_t(node->IsEnabled()),
                       value ? node->Enable() : node->Disable())
QV_MENU_ITEM_OBJECT(RuntimeMenuItemTagGetter, RuntimeMenuItemTagSetter, Tag, SetTag)
QV_MENU_ITEM_OBJECT(RuntimeMenuItemEnabledIconGetter, RuntimeMenuItemEnabledIconSetter,
                    EnabledIcon, SetEnabledIcon)
QV_MENU_ITEM_OBJECT(RuntimeMenuItemDisabledIconGetter, RuntimeMenuItemDisabledIconSetter,
                    DisabledIcon, SetDisabledIcon)

// ---- methods ----

extern "C" void RuntimeEnableMenu(RuntimeObject* item) {
  if (XMenuGTK* node = MethodNode(item)) node->Enable();
}
QV_EXPORT(RuntimeEnableMenu)

extern "C" void RuntimeCloseMenuItem(RuntimeObject*) {}
QV_EXPORT(RuntimeCloseMenuItem)

extern "C" RuntimeObject* RuntimeMenuItemItem(RuntimeObject* item, int32_t index) {
  const XMenuGTK* node = MethodNode(item);
  return node ? MenuItemChildAt(node, index) : nullptr;
}
QV_EXPORT(RuntimeMenuItemItem)

extern "C" int32_t RuntimeMenuItemCount(RuntimeObject* item) {
  const XMenuGTK* node = MethodNode(item);
  return node ? node->ChildCount() : 0;
}
QV_EXPORT(RuntimeMenuItemCount)

extern "C" RuntimeObject* RuntimeMenuItemChild(RuntimeObject* item, stringStorage* name) {
  const XMenuGTK* node = MethodNode(item);
  return node ? node->FindChildByName(string(name)) : nullptr;
}
QV_EXPORT(RuntimeMenuItemChild)

extern "C" void RuntimeMenuItemAppend(RuntimeObject* item, RuntimeObject* child) {
  XMenuGTK* node = MethodNode(item);
  if (node && child) node->AppendChild(child);
}
QV_EXPORT(RuntimeMenuItemAppend)

extern "C" void RuntimeMenuItemInsert(RuntimeObject* item, int32_t index, RuntimeObject* child) {
  XMenuGTK* node = MethodNode(item);
  if (!node) return;
  if (index < 0 || index > node->ChildCount()) {
    RaiseOutOfBoundsException();
    return;
  }
  if (child) node->InsertChild(child, index);
}
QV_EXPORT(RuntimeMenuItemInsert)

extern "C" void RuntimeMenuItemRemoveIndex(RuntimeObject* item, int32_t index) {
  XMenuGTK* node = MethodNode(item);
  if (!node) return;
  if (index < 0 || index >= node->ChildCount()) {
    RaiseOutOfBoundsException();
    return;
  }
  node->RemoveChildAt(index);
}
QV_EXPORT(RuntimeMenuItemRemoveIndex)

extern "C" void RuntimeMenuItemRemoveItem(RuntimeObject* item, RuntimeObject* child) {
  XMenuGTK* node = MethodNode(item);
  if (node && child) node->RemoveChild(child);
}
QV_EXPORT(RuntimeMenuItemRemoveItem)

extern "C" void RuntimeMenuItemRemoveByName(RuntimeObject* item, stringStorage* name) {
  XMenuGTK* node = MethodNode(item);
  if (!node) return;
  RuntimeObject* child = node->FindChildByName(string(name));
  if (!child) return;
  node->RemoveChild(child);
  RuntimeUnlockObject(child);
}
QV_EXPORT(RuntimeMenuItemRemoveByName)

extern "C" void RuntimeMenuItemDefaultConstructor(RuntimeObject*) {}
QV_EXPORT(RuntimeMenuItemDefaultConstructor)

extern "C" void MenuItemConstructor(RuntimeObject* item, stringStorage* text, RuntimeObject* tag) {
  if (!QV_CHECK_TEXT(item, "self", nullptr)) return;
  RuntimeMenuItemTextSetter(item, 0, text);
  RuntimeMenuItemTagSetter(item, 0, tag);
}
QV_EXPORT(MenuItemConstructor)
