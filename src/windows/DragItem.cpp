// The DragItem class as a table of rows, its entry lists and accessors.
#include "windows/DragItem.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "core/ByteUtilities.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "graphics/PictureClass.h"
#include "windows/PaneDrops.h"

namespace {

using namespace lang;

constexpr uint32_t kRowOldName = 0x8000;  // the MacData names of the RawData members
constexpr int32_t kTextKind = 4;
constexpr int32_t kTypeLength = 4;

const PropertyRow kDragItemProperties[] = {
    QV_PROPERTY("Text", String, dragItemTextGetter, dragItemTextSetter),
    QV_PROPERTY("Picture", Class<"Picture">, dragItemPictureGetter, dragItemPictureSetter),
    QV_PROPERTY("FolderItem", Class<"FolderItem">, dragItemFolderItemGetter,
                dragItemFolderItemSetter),
    QV_PROPERTY("MouseCursor", Class<"MouseCursor">, objGetter, objSetter,
                offsetof(DragItemObject, mouseCursor)),
    QV_PROPERTY("DropLeft", Integer, dragItemDropLeft, DragItemDropLeftSetter),
    QV_PROPERTY("DropTop", Integer, dragItemDropTop, DragItemDropTopSetter),
    QV_PROPERTY("DropWidth", Integer, dragItemDropWidth, DragItemDropWidthSetter),
    QV_PROPERTY("DropHeight", Integer, dragItemDropHeight, DragItemDropHeightSetter),
    QV_READONLY("Destination", Class<"Object">, objGetter, offsetof(DragItemObject, destination)),
    QV_READONLY("Handle", Integer, dragItemGetHandle),
};

const MethodRow kDragItemMethods[] = {
    QV_FUNCTION("TextAvailable", Boolean, DragItemTextAvailable),
    QV_FUNCTION("PictureAvailable", Boolean, DragItemPictureAvailable),
    QV_SUB("Drag", DragItemDrag),
    QV_FUNCTION("FolderItemAvailable", Boolean, DragItemFolderItemAvailable),
    QV_FUNCTION("MacDataAvailable", Boolean, DragItemMacDataAvailable, Param("macType", String))
        .Flags(kRowOldName),
    QV_FUNCTION("RawDataAvailable", Boolean, DragItemMacDataAvailable, Param("macType", String)),
    QV_FUNCTION_ASSIGNS("MacData", String, DragItemGetMacData, DragItemSetMacData,
                        Param("macType", String))
        .Flags(kRowOldName),
    QV_FUNCTION_ASSIGNS("RawData", String, DragItemGetMacData, DragItemSetMacData,
                        Param("macType", String)),
    QV_FUNCTION_ASSIGNS("PrivateMacData", String, DragItemGetMacData, DragItemSetPrivateMacData,
                        Param("macType", String))
        .Flags(kRowOldName),
    QV_FUNCTION_ASSIGNS("PrivateRawData", String, DragItemGetMacData, DragItemSetPrivateMacData,
                        Param("macType", String)),
    QV_FUNCTION("NextItem", Boolean, DragItemNextItem),
    QV_SUB("AddItem", DragItemAddItem, Param("left", Integer), Param("top", Integer),
           Param("width", Integer), Param("height", Integer)),
};

// The type as it is stored: exactly four bytes, cut or padded with spaces; empty stays empty.
std::string FourByteType(stringStorage* macType) {
  const int32_t length = stringStorage::Length(macType);
  if (length == 0) return {};
  std::string type(reinterpret_cast<const char*>(string(macType).Bytes()),
                   size_t(length < kTypeLength ? length : kTypeLength));
  type.resize(kTypeLength, ' ');
  return type;
}

bool SameType(const DragDataNode* node, const std::string& type) {
  if (type.empty()) return true;
  const std::string_view text(stringStorage::CString(node->text),
                              size_t(stringStorage::Length(node->text)));
  return StartsWithIgnoringASCIICase(text, type);
}

// The current item's entry of the type (raw data: of macType as well), made when create is set
// and there is none; else nil.
DragDataNode* FindEntry(DragItemObject* item, uint32_t type, bool create,
                        const std::string& macType = {}) {
  for (DragDataNode* node = item->data; node; node = node->next) {
    if (node->item != item->currentItem || node->type != type) continue;
    if (type != kDragRawData || SameType(node, macType)) return node;
  }
  if (!create) return nullptr;
  DragDataNode* node = static_cast<DragDataNode*>(std::calloc(1, sizeof(DragDataNode)));
  if (!node) return nullptr;
  node->item = item->currentItem;
  node->type = type;
  node->next = item->data;
  item->data = node;
  return node;
}

void StoreText(DragDataNode* node, stringStorage* text) {
  stringStorage::AddReference(text);
  stringStorage::RemoveReference(node->text);
  node->text = text;
  node->textKind = kTextKind;
}

void StoreObject(RuntimeObject** field, RuntimeObject* value) {
  RuntimeLockObject(value);
  RuntimeUnlockObject(*field);
  *field = value;
}

// The current item's rectangle nodes, first first; the walk stops when visit answers false.
template <typename Visit>
void ForEachCurrentRect(DragItemObject* item, Visit visit) {
  for (DragRectNode* node = item->rects; node; node = node->next) {
    if (node->item == item->currentItem && !visit(node)) return;
  }
}

// The current item's drop rectangle as read, or nil while the item describes no drop.
const DragRectNode* DropRect(DragItemObject* item) {
  if (!item || !item->dropped) return nullptr;
  const DragRectNode* found = nullptr;
  ForEachCurrentRect(item, [&](DragRectNode* node) {
    found = node;
    return false;
  });
  return found;
}

int32_t AtLeastOne(int32_t value) { return value < 1 ? 0 : value; }

stringStorage* Retained(stringStorage* text) {
  stringStorage::AddReference(text);
  return text;
}

RuntimeObject* Retained(RuntimeObject* object) {
  RuntimeLockObject(object);
  return object;
}

}  // namespace

QV_CLASS(DragItemClassDefinition,
         .name = "DragItem",
         .objectSize = sizeof(DragItemObject),
         .properties = kDragItemProperties,
         .methods = kDragItemMethods,
         .initializer = QV_CODE(DragItemInitializer),
         .finalizer = QV_CODE(DragItemFinalizer))
QV_STARTUP_CLASS(kStartupDragItemClass, DragItemClassDefinition)

RuntimeObject* NewDragItem() { return NewObjectFromDefinition(DragItemClassDefinition()); }

DragItemObject* DragItemFields(RuntimeObject* item) {
  return reinterpret_cast<DragItemObject*>(item);
}

void AddDragRect(DragItemObject* item, int32_t index, const QV::Rect& rect) {
  DragRectNode* node = static_cast<DragRectNode*>(std::calloc(1, sizeof(DragRectNode)));
  if (!node) return;
  node->item = index;
  node->rect = rect;
  node->previous = item->lastRect;
  DragRectNode** end = &item->rects;
  while (*end) end = &(*end)->next;
  *end = node;
  item->lastRect = rect;
  item->lastRectCopy = rect;
}

extern "C" void DragItemInitializer(RuntimeObject* item) {
  if (item) DragItemFields(item)->itemCount = 1;
}
QV_EXPORT(DragItemInitializer)

extern "C" void DragItemFinalizer(RuntimeObject* object) {
  if (!object) return;
  DragItemObject* item = DragItemFields(object);
  RuntimeUnlockObject(std::exchange(item->mouseCursor, nullptr));
  for (DragRectNode* node = std::exchange(item->rects, nullptr); node;) {
    free(std::exchange(node, node->next));
  }
  for (DragDataNode* node = std::exchange(item->data, nullptr); node;) {
    stringStorage::RemoveReference(node->text);
    RuntimeUnlockObject(node->picture);
    RuntimeUnlockObject(node->folderItem);
    free(std::exchange(node, node->next));
  }
  struct PlainNode {
    PlainNode* next;
  };
  for (PlainNode* node = static_cast<PlainNode*>(std::exchange(item->extra, nullptr)); node;) {
    free(std::exchange(node, node->next));
  }
}
QV_EXPORT(DragItemFinalizer)

// ---- text, picture, folder item ----

extern "C" stringStorage* dragItemTextGetter(RuntimeObject* item, uint32_t) {
  const DragDataNode* node = item ? FindEntry(DragItemFields(item), kDragText, false) : nullptr;
  return node ? Retained(node->text) : nullptr;
}
QV_EXPORT(dragItemTextGetter)

extern "C" void dragItemTextSetter(RuntimeObject* item, uint32_t, stringStorage* text) {
  if (!QV_CHECK_TEXT(item, "obj", nullptr)) return;
  if (DragDataNode* node = FindEntry(DragItemFields(item), kDragText, true)) StoreText(node, text);
}
QV_EXPORT(dragItemTextSetter)

extern "C" RuntimeObject* dragItemPictureGetter(RuntimeObject* item, uint32_t) {
  const DragDataNode* node = item ? FindEntry(DragItemFields(item), kDragPicture, false) : nullptr;
  return node ? Retained(node->picture) : nullptr;
}
QV_EXPORT(dragItemPictureGetter)

extern "C" void dragItemPictureSetter(RuntimeObject* item, uint32_t, RuntimeObject* picture) {
  if (!QV_CHECK_TEXT(item, "obj", nullptr)) return;
  if (!picture || !PictureDrawable(picture)) return;
  if (DragDataNode* node = FindEntry(DragItemFields(item), kDragPicture, true)) {
    StoreObject(&node->picture, picture);
  }
}
QV_EXPORT(dragItemPictureSetter)

extern "C" RuntimeObject* dragItemFolderItemGetter(RuntimeObject* item, uint32_t) {
  const DragDataNode* node =
      item ? FindEntry(DragItemFields(item), kDragFolderItem, false) : nullptr;
  return node ? Retained(node->folderItem) : nullptr;
}
QV_EXPORT(dragItemFolderItemGetter)

extern "C" void dragItemFolderItemSetter(RuntimeObject* item, uint32_t, RuntimeObject* folder) {
  if (!QV_CHECK_TEXT(item, "obj", nullptr)) return;
  if (DragDataNode* node = FindEntry(DragItemFields(item), kDragFolderItem, true)) {
    StoreObject(&node->folderItem, folder);
  }
}
QV_EXPORT(dragItemFolderItemSetter)

extern "C" int32_t DragItemTextAvailable(RuntimeObject* item) {
  return item && FindEntry(DragItemFields(item), kDragText, false) ? 1 : 0;
}
QV_EXPORT(DragItemTextAvailable)

extern "C" int32_t DragItemPictureAvailable(RuntimeObject* item) {
  return item && FindEntry(DragItemFields(item), kDragPicture, false) ? 1 : 0;
}
QV_EXPORT(DragItemPictureAvailable)

extern "C" int32_t DragItemFolderItemAvailable(RuntimeObject* item) {
  return item && FindEntry(DragItemFields(item), kDragFolderItem, false) ? 1 : 0;
}
QV_EXPORT(DragItemFolderItemAvailable)

// ---- raw data ----

extern "C" int32_t DragItemMacDataAvailable(RuntimeObject* item, stringStorage* macType) {
  return item && FindEntry(DragItemFields(item), kDragRawData, false, FourByteType(macType))
             ? 1
             : 0;
}
QV_EXPORT(DragItemMacDataAvailable)

extern "C" stringStorage* DragItemGetMacData(RuntimeObject* item, stringStorage* macType) {
  const std::string type = FourByteType(macType);
  if (!item || type.empty()) return nullptr;
  const DragDataNode* node = FindEntry(DragItemFields(item), kDragRawData, false, type);
  if (!node) return nullptr;
  const string stored(node->text);
  return mid(stored, kTypeLength).ExtractStringStorage();
}
QV_EXPORT(DragItemGetMacData)

extern "C" void DragItemSetMacData(RuntimeObject* item, stringStorage* macType,
                                   stringStorage* data) {
  if (!QV_CHECK_TEXT(item, "obj", nullptr)) return;
  const std::string type = FourByteType(macType);
  DragDataNode* node = FindEntry(DragItemFields(item), kDragRawData, true, type);
  if (!node) return;
  string stored = string::FromBytes(type.data(), int64_t(type.size()), string(data).Encoding());
  stored += string(data);
  StoreText(node, stored.Storage());
}
QV_EXPORT(DragItemSetMacData)

extern "C" void DragItemSetPrivateMacData(RuntimeObject* item, stringStorage* macType,
                                          stringStorage* data) {
  DragItemSetMacData(item, macType, data);
}
QV_EXPORT(DragItemSetPrivateMacData)

// ---- items and rectangles ----

extern "C" int32_t DragItemNextItem(RuntimeObject* object) {
  if (!object) return 0;
  DragItemObject* item = DragItemFields(object);
  if (item->currentItem + 1 >= item->itemCount) return 0;
  ++item->currentItem;
  return 1;
}
QV_EXPORT(DragItemNextItem)

extern "C" void DragItemAddItem(RuntimeObject* object, int32_t left, int32_t top, int32_t width,
                                int32_t height) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  DragItemObject* item = DragItemFields(object);
  const int32_t t = top + item->originTop, l = left + item->originLeft;
  AddDragRect(item, item->currentItem + 1,
              {int16_t(t), int16_t(l), int16_t(t + height), int16_t(l + width)});
  ++item->currentItem;
  ++item->itemCount;
}
QV_EXPORT(DragItemAddItem)

extern "C" int32_t dragItemDropLeft(RuntimeObject* object, uint32_t) {
  const DragRectNode* node = DropRect(DragItemFields(object));
  return node ? node->rect.left + DragItemFields(object)->originLeft : 0;
}
QV_EXPORT(dragItemDropLeft)

extern "C" int32_t dragItemDropTop(RuntimeObject* object, uint32_t) {
  const DragRectNode* node = DropRect(DragItemFields(object));
  return node ? node->rect.top + DragItemFields(object)->originTop : 0;
}
QV_EXPORT(dragItemDropTop)

extern "C" int32_t dragItemDropWidth(RuntimeObject* object, uint32_t) {
  const DragRectNode* node = DropRect(DragItemFields(object));
  return node ? AtLeastOne(node->rect.right - node->rect.left) : 0;
}
QV_EXPORT(dragItemDropWidth)

extern "C" int32_t dragItemDropHeight(RuntimeObject* object, uint32_t) {
  const DragRectNode* node = DropRect(DragItemFields(object));
  return node ? AtLeastOne(node->rect.bottom - node->rect.top) : 0;
}
QV_EXPORT(dragItemDropHeight)

extern "C" void DragItemDropLeftSetter(RuntimeObject* object, uint32_t, int32_t value) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  DragItemObject* item = DragItemFields(object);
  ForEachCurrentRect(item, [&](DragRectNode* node) {
    const int16_t width = int16_t(node->rect.right - node->rect.left);
    node->rect.left = int16_t(value - item->originLeft);
    node->rect.right = int16_t(node->rect.left + width);
    return true;
  });
}
QV_EXPORT(DragItemDropLeftSetter)

extern "C" void DragItemDropTopSetter(RuntimeObject* object, uint32_t, int32_t value) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  DragItemObject* item = DragItemFields(object);
  ForEachCurrentRect(item, [&](DragRectNode* node) {
    const int16_t height = int16_t(node->rect.bottom - node->rect.top);
    node->rect.top = int16_t(value - item->originTop);
    node->rect.bottom = int16_t(node->rect.top + height);
    return true;
  });
}
QV_EXPORT(DragItemDropTopSetter)

extern "C" void DragItemDropWidthSetter(RuntimeObject* object, uint32_t, int32_t value) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  ForEachCurrentRect(DragItemFields(object), [&](DragRectNode* node) {
    node->rect.right = int16_t(node->rect.left + value);
    return true;
  });
}
QV_EXPORT(DragItemDropWidthSetter)

extern "C" void DragItemDropHeightSetter(RuntimeObject* object, uint32_t, int32_t value) {
  if (!QV_CHECK_TEXT(object, "obj", nullptr)) return;
  ForEachCurrentRect(DragItemFields(object), [&](DragRectNode* node) {
    node->rect.bottom = int16_t(node->rect.top + value);
    return true;
  });
}
QV_EXPORT(DragItemDropHeightSetter)

extern "C" int32_t dragItemGetHandle(RuntimeObject* item, uint32_t) {
  if (!QV_CHECK_TEXT(item, "obj", nullptr)) return 0;
  return 0;  // no native drag record on this platform
}
QV_EXPORT(dragItemGetHandle)
