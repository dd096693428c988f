// Panes as drop targets: which pane under a point takes what a drag item carries, the drag
// notices a pane passes to its delegate, and the exported functions through which compiled
// code accepts drops and makes and starts drags.
#include "windows/PaneDrops.h"

#include "app/FolderItemImp.h"
#include "core/Export.h"
#include "files/FileTypes.h"
#include "files/FolderItemClass.h"
#include "windows/ControlRecord.h"
#include "windows/DragAndDropGTK.h"
#include "windows/DragItem.h"
#include "windows/SubPane.h"
#include "windows/WindowObject.h"

namespace {

bool Holds(const QV::Rect& bounds, int32_t x, int32_t y) {
  return x >= bounds.left && x < bounds.right && y >= bounds.top && y < bounds.bottom;
}

// Whether one of the pane's file types takes the file.
bool AcceptsFile(const SimpleVector<string>& fileTypes, RuntimeObject* folderItem) {
  FolderItemImp* file = FolderItemImpOf(folderItem);
  if (!file) return false;
  const string name = file->GetName();
  const uint32_t code = file->GetMacType();
  for (uint32_t i = 0; i < fileTypes.size(); ++i) {
    if (FileTypeListAccepts(fileTypes[int32_t(i)], name, code)) return true;
  }
  return false;
}

// Whether some entry of the item is one the pane takes: any entry without a folder item, or
// one whose file a file type of the pane accepts. An item without entries is taken. A file
// over a pane without file types is passed over, so the answer does not depend on the order
// the entries were set in.
bool TakesSomeEntry(const SimpleVector<string>& fileTypes, RuntimeObject* dragItem) {
  const DragDataNode* node = dragItem ? DragItemFields(dragItem)->data : nullptr;
  if (!node) return true;
  for (; node; node = node->next) {
    if (!node->folderItem) return true;
    if (fileTypes.size() > 0 && AcceptsFile(fileTypes, node->folderItem)) return true;
  }
  return false;
}

// A new drag item whose one rectangle is (left, top, width, height) moved by (dh, dv).
RuntimeObject* NewDragItemAt(int32_t left, int32_t top, int32_t width, int32_t height,
                             int32_t dh, int32_t dv) {
  RuntimeObject* item = NewDragItem();
  if (!item) return nullptr;
  const int32_t l = left + dh, t = top + dv;
  AddDragRect(DragItemFields(item), 0,
              {int16_t(t), int16_t(l), int16_t(t + height), int16_t(l + width)});
  return item;
}

// The offset of a window's content in the outermost window it is shown in: an embedded
// window lies where the control that stands for it lies.
QV::Point EmbeddingOffset(RuntimeObject* window) {
  RuntimeObject* control = window ? AsWindow(window)->mEmbeddedWindowControl : nullptr;
  if (!control) return {0, 0};
  return {AsControl(control)->bounds.top, AsControl(control)->bounds.left};
}

SubPane* ControlPane(RuntimeObject* control) {
  return control ? AsControl(control)->pane : nullptr;
}

}  // namespace

// ---- SubPane ----

SubPane* SubPane::FindDropTarget(int32_t x, int32_t y, RuntimeObject* dragItem) {
  for (int32_t i = ChildCount() - 1; i >= 0; --i) {
    SubPane* child = ChildAt(i);
    if (!child || child->GetOwner() != this || !child->IsVisibleAndShown()) continue;
    if (!Holds(child->GetBounds(), x, y)) continue;
    if (SubPane* target = child->FindDropTarget(x, y, dragItem)) return target;
  }
  if (mDragTypes.size() == 0 && mFileTypes.size() == 0) return nullptr;
  return TakesSomeEntry(mFileTypes, dragItem) ? this : nullptr;
}

bool SubPane::DragEnter(RuntimeObject* dragItem, int32_t action) {
  PaneDelegate* delegate = GetDelegate();
  return delegate && delegate->DragEnter(dragItem, action);
}

bool SubPane::DragOver(int32_t x, int32_t y, RuntimeObject* dragItem, int32_t action) {
  PaneDelegate* delegate = GetDelegate();
  return delegate && delegate->DragOver(x, y, dragItem, action);
}

void SubPane::DragExit(RuntimeObject* dragItem, int32_t action) {
  if (PaneDelegate* delegate = GetDelegate()) delegate->DragExit(dragItem, action);
}

void SubPane::DropObject(RuntimeObject* dragItem, int32_t action) {
  if (PaneDelegate* delegate = GetDelegate()) delegate->DropObject(this, dragItem, action);
}

RuntimeObject* SubPane::CurrentDragItem() { return GetCurrentDragItem(); }

// ---- exports ----

extern "C" RuntimeObject* formNewDragItem(RuntimeObject* window, int32_t left, int32_t top,
                                          int32_t width, int32_t height) {
  const QV::Point offset = EmbeddingOffset(window);
  return NewDragItemAt(left, top, width, height, offset.h, offset.v);
}
QV_EXPORT(formNewDragItem)

extern "C" RuntimeObject* controlNewDragItem(RuntimeObject* control, int32_t left, int32_t top,
                                             int32_t width, int32_t height) {
  const QV::Point offset = EmbeddingOffset(control ? AsControl(control)->window : nullptr);
  return NewDragItemAt(left, top, width, height, offset.h, offset.v);
}
QV_EXPORT(controlNewDragItem)

extern "C" void DragItemDrag(RuntimeObject* dragItem) { RunInternalDrag(dragItem); }
QV_EXPORT(DragItemDrag)

extern "C" void controlAcceptTextDrop(RuntimeObject* control) {
  if (SubPane* pane = ControlPane(control)) {
    pane->AddAcceptedDragType(string("utxt"));
    pane->AddAcceptedDragType(string("TEXT"));
  }
}
QV_EXPORT(controlAcceptTextDrop)

extern "C" void controlAcceptPictureDrop(RuntimeObject* control) {
  if (SubPane* pane = ControlPane(control)) pane->AddAcceptedDragType(string("PICT"));
}
QV_EXPORT(controlAcceptPictureDrop)

extern "C" void controlAcceptFileDrop(RuntimeObject* control, stringStorage* type) {
  if (SubPane* pane = ControlPane(control)) pane->AddAcceptedFileType(string(type));
}
QV_EXPORT(controlAcceptFileDrop)

extern "C" void controlAcceptMacDataDrop(RuntimeObject* control, stringStorage* type) {
  if (SubPane* pane = ControlPane(control)) pane->AddAcceptedDragType(string(type));
}
QV_EXPORT(controlAcceptMacDataDrop)
