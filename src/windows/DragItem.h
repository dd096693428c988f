// The language class "DragItem": what a drag carries, or what a drop delivered. An item holds
// one or more entries, each addressed through the current item: its text, picture, folder item
// and raw data under four-character types, and a rectangle that marks where it was dropped or
// where it is dragged from.
//
// Rectangles are stored in window content coordinates; the origin is added when they are read
// and subtracted when they are set, so that a drop target reads them in its own coordinates.
// Raw-data types are always four bytes (cut, or padded with spaces): a type is stored as the
// first four bytes of its entry, and compared the same way.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/Rect.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// Entry types, four characters as big-endian words.
constexpr uint32_t kDragText = 0x54455854;        // 'TEXT'
constexpr uint32_t kDragPicture = 0x50494354;     // 'PICT'
constexpr uint32_t kDragFolderItem = 0x464F4C44;  // 'FOLD'
constexpr uint32_t kDragRawData = 0x4D414344;     // 'MACD'

// Drop actions.
enum DragAction : int32_t { kDragActionNone = 0, kDragActionCopy = 1, kDragActionMove = 2,
                            kDragActionLink = 3 };

struct DragRectNode {
  DragRectNode* next;
  int32_t item;
  QV::Rect rect;
  QV::Rect previous;  // the last rectangle before this one was added
};

struct DragDataNode {
  DragDataNode* next;
  int32_t item;
  uint32_t type;
  stringStorage* text;     // TEXT, or MACD: the type then the data; one reference
  int32_t textKind;        // 4 whenever text is set
  RuntimeObject* picture;  // locked
  RuntimeObject* folderItem;  // locked
};

struct DragItemObject {
  RuntimeObject header;
  RuntimeObject* mouseCursor;  // MouseCursor property, locked
  uint8_t flags;
  uint8_t dropped;             // the item describes a drop: the drop rectangle reads non-zero
  int32_t currentItem;
  int32_t itemCount;
  uint32_t reserved1[2];
  int32_t originLeft;
  int32_t originTop;
  DragRectNode* rects;         // in the order added
  DragDataNode* data;          // newest first
  void* extra;                 // a list of plain nodes, freed with the item
  QV::Rect lastRect;
  QV::Rect lastRectCopy;
  RuntimeObject* destination;  // Destination property; read only
  int32_t action;              // DragAction
  uint32_t reserved2[2];
};
static_assert(offsetof(DragItemObject, mouseCursor) == 24 &&
                  offsetof(DragItemObject, currentItem) == 32 &&
                  offsetof(DragItemObject, originLeft) == 48 &&
                  offsetof(DragItemObject, rects) == 56 &&
                  offsetof(DragItemObject, destination) == 84 &&
                  offsetof(DragItemObject, action) == 88 && sizeof(DragItemObject) == 100,
              "DragItem layout");

ObjectDefinition* DragItemClassDefinition();

// A new drag item (the caller's reference), or nil.
RuntimeObject* NewDragItem();
DragItemObject* DragItemFields(RuntimeObject* item);
// Appends a rectangle for item (window content coordinates, stored as given) and makes it the
// last rectangle.
void AddDragRect(DragItemObject* item, int32_t index, const QV::Rect& rect);

extern "C" {
void DragItemInitializer(RuntimeObject* item);
void DragItemFinalizer(RuntimeObject* item);
stringStorage* dragItemTextGetter(RuntimeObject* item, uint32_t unused);
void dragItemTextSetter(RuntimeObject* item, uint32_t unused, stringStorage* text);
RuntimeObject* dragItemPictureGetter(RuntimeObject* item, uint32_t unused);
void dragItemPictureSetter(RuntimeObject* item, uint32_t unused, RuntimeObject* picture);
RuntimeObject* dragItemFolderItemGetter(RuntimeObject* item, uint32_t unused);
void dragItemFolderItemSetter(RuntimeObject* item, uint32_t unused, RuntimeObject* folderItem);
int32_t dragItemDropLeft(RuntimeObject* item, uint32_t unused);
int32_t dragItemDropTop(RuntimeObject* item, uint32_t unused);
int32_t dragItemDropWidth(RuntimeObject* item, uint32_t unused);
int32_t dragItemDropHeight(RuntimeObject* item, uint32_t unused);
void DragItemDropLeftSetter(RuntimeObject* item, uint32_t unused, int32_t value);
void DragItemDropTopSetter(RuntimeObject* item, uint32_t unused, int32_t value);
void DragItemDropWidthSetter(RuntimeObject* item, uint32_t unused, int32_t value);
void DragItemDropHeightSetter(RuntimeObject* item, uint32_t unused, int32_t value);
int32_t dragItemGetHandle(RuntimeObject* item, uint32_t unused);
int32_t DragItemTextAvailable(RuntimeObject* item);
int32_t DragItemPictureAvailable(RuntimeObject* item);
int32_t DragItemFolderItemAvailable(RuntimeObject* item);
int32_t DragItemMacDataAvailable(RuntimeObject* item, stringStorage* macType);
stringStorage* DragItemGetMacData(RuntimeObject* item, stringStorage* macType);
void DragItemSetMacData(RuntimeObject* item, stringStorage* macType, stringStorage* data);
void DragItemSetPrivateMacData(RuntimeObject* item, stringStorage* macType, stringStorage* data);
int32_t DragItemNextItem(RuntimeObject* item);
void DragItemAddItem(RuntimeObject* item, int32_t left, int32_t top, int32_t width,
                     int32_t height);
}
