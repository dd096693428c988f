// The Listbox accessors of fonts, flags, scroll bars, grid lines, scrolling and the data
// source. Each setter stores into the object first; the pane follows when it exists.
#include "core/Export.h"
#include "core/ClassFieldAccessors.h"
#include "core/RuntimeError.h"
#include "listbox/ListboxClass.h"

namespace {

ControlFontRecord& FontOf(RuntimeObject* list) { return AsListbox(list)->font; }

void StoreFlag(uint8_t& field, int32_t flag) { field = flag != 0; }

}  // namespace

void ApplyListFontRecord(RuntimeObject* list, RuntimeListbox* pane) {
  const FontSpec font = MakeControlFontDescription(FontOf(list));
  pane->SetTextFont(font.name);
  pane->SetTextSize(font.size);
  pane->SetBold(font.bold != 0);
  pane->listStyle = font.GetStyleBits();
  pane->InvalidateTextHeight();
  pane->InvalidateCell(-1, -1);
}

namespace {

void FontChanged(RuntimeObject* list) {
  if (RuntimeListbox* pane = ListboxPaneOf(list)) ApplyListFontRecord(list, pane);
}

}  // namespace

extern "C" stringStorage* listTextFontGetter(RuntimeObject* list, uint32_t) {
  return list ? field_accessors::Read<stringStorage*>(FontOf(list).name) : nullptr;
}
QV_EXPORT(listTextFontGetter)

extern "C" void listTextFontSetter(RuntimeObject* list, uint32_t, stringStorage* name) {
  if (!QV_CHECK_TEXT(list, "data", nullptr)) return;
  field_accessors::Write(FontOf(list).name, name);
  FontChanged(list);
}
QV_EXPORT(listTextFontSetter)

extern "C" int32_t listTextSizeGetter(RuntimeObject* list, uint32_t) {
  return list ? FontOf(list).size : 0;
}
QV_EXPORT(listTextSizeGetter)

extern "C" void listTextSizeSetter(RuntimeObject* list, uint32_t, int32_t size) {
  if (!list) return;
  FontOf(list).size = int16_t(size);
  FontChanged(list);
}
QV_EXPORT(listTextSizeSetter)

#define QV_LIST_STYLE_PAIR(Name, field)                                                   \
  extern "C" int32_t list##Name##Getter(RuntimeObject* list, uint32_t) {                  \
    return list && FontOf(list).field ? 1 : 0;                                            \
  }                                                                                       \
  QV_EXPORT(list##Name##Getter)                                                           \
  extern "C" void list##Name##Setter(RuntimeObject* list, uint32_t, int32_t flag) {       \
    if (!list) return;                                                                    \
    StoreFlag(FontOf(list).field, flag);                                                  \
    FontChanged(list);                                                                    \
  }                                                                                       \
  QV_EXPORT(list##Name##Setter)

QV_LIST_STYLE_PAIR(Bold, bold)
QV_LIST_STYLE_PAIR(Italic, italic)
QV_LIST_STYLE_PAIR(Underline, underline)
#undef QV_LIST_STYLE_PAIR

extern "C" int32_t listboxUseFocusRingGetter(RuntimeObject* list, uint32_t) {
  return list && AsListbox(list)->useFocusRing ? 1 : 0;
}
QV_EXPORT(listboxUseFocusRingGetter)

extern "C" void listboxUseFocusRingSetter(RuntimeObject* list, uint32_t, int32_t flag) {
  if (!list) return;
  StoreFlag(AsListbox(list)->useFocusRing, flag);
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    pane->SetFocusRing(flag != 0);
    pane->Refresh(true);
  }
}
QV_EXPORT(listboxUseFocusRingSetter)

extern "C" void listHierarchicalSetter(RuntimeObject* list, uint32_t, int32_t flag) {
  if (!list) return;
  StoreFlag(AsListbox(list)->hierarchical, flag);
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    pane->hierarchical = flag == 1;
    pane->InvalidateTextHeight();
    pane->InvalidateCell(-1, -1);
  }
}
QV_EXPORT(listHierarchicalSetter)

extern "C" void listHasHeadingSetter(RuntimeObject* list, uint32_t, int32_t flag) {
  if (!list) return;
  StoreFlag(AsListbox(list)->hasHeading, flag);
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane) return;
  pane->hasHeading = flag != 0;
  if (flag) {
    pane->ResolveColumnWidths();
    pane->BuildHeader();
    for (int32_t i = 0; i < pane->ColumnCount(); ++i) {
      pane->SetSortDirection(i, pane->SortDirection(i), true);
    }
    pane->StoreSortedColumn(pane->SortedColumn());
  } else {
    pane->RemoveHeader();
  }
  pane->LayoutParts();
  pane->Refresh(true);
}
QV_EXPORT(listHasHeadingSetter)

extern "C" void listEnableDragSetter(RuntimeObject* list, uint32_t, int32_t flag) {
  if (!list) return;
  StoreFlag(AsListbox(list)->enableDrag, flag);
  if (RuntimeListbox* pane = ListboxPaneOf(list)) pane->enableDrag = flag != 0;
}
QV_EXPORT(listEnableDragSetter)

extern "C" void ListEnableDragReorderSetter(RuntimeObject* list, uint32_t, int32_t flag) {
  if (!list) return;
  StoreFlag(AsListbox(list)->enableDragReorder, flag);
  if (RuntimeListbox* pane = ListboxPaneOf(list)) pane->enableDragReorder = flag != 0;
}
QV_EXPORT(ListEnableDragReorderSetter)

extern "C" void listHScrollBarSetter(RuntimeObject* list, uint32_t, int32_t flag) {
  if (!list) return;
  StoreFlag(AsListbox(list)->scrollBarHorizontal, flag);
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    if (flag) {
      pane->ShowHorizontalScrollBar();
    } else {
      pane->HideHorizontalScrollBar();
    }
    pane->SetBounds(pane->GetBounds(), true);
  }
}
QV_EXPORT(listHScrollBarSetter)

extern "C" void listVScrollBarSetter(RuntimeObject* list, uint32_t, int32_t flag) {
  if (!list) return;
  StoreFlag(AsListbox(list)->scrollBarVertical, flag);
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    if (flag) {
      pane->ShowVerticalScrollBar();
    } else {
      pane->HideVerticalScrollBar();
    }
    pane->SetBounds(pane->GetBounds(), true);
  }
}
QV_EXPORT(listVScrollBarSetter)

extern "C" void listAutoHideScrollbarSetter(RuntimeObject* list, uint32_t, int32_t flag) {
  if (!list) return;
  StoreFlag(AsListbox(list)->autoHideScrollbars, flag);
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    pane->SetAutoHide(flag != 0);
    pane->UpdateScrollBarsAndLayout();
  }
}
QV_EXPORT(listAutoHideScrollbarSetter)

extern "C" void listScrollbarWidthSetter(RuntimeObject* list, uint32_t, int32_t width) {
  if (!list) return;
  AsListbox(list)->scrollWidth = width;
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    pane->SetScrollBarWidth(width);
    pane->UpdateScrollBarsAndLayout();
  }
}
QV_EXPORT(listScrollbarWidthSetter)

extern "C" void listScrollbarOffsetSetter(RuntimeObject* list, uint32_t, int32_t offset) {
  if (!list) return;
  AsListbox(list)->scrollOffset = offset;
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    pane->SetBarShortening(offset);
    pane->LayoutParts();
  }
}
QV_EXPORT(listScrollbarOffsetSetter)

extern "C" void listHGridLinesSetter(RuntimeObject* list, uint32_t, int32_t code) {
  if (!list) return;
  AsListbox(list)->gridLinesHorizontal = code;
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    pane->gridLinesHorizontal = code;
    pane->InvalidateCell(-1, -1);
  }
}
QV_EXPORT(listHGridLinesSetter)

extern "C" void listVGridLinesSetter(RuntimeObject* list, uint32_t, int32_t code) {
  if (!list) return;
  AsListbox(list)->gridLinesVertical = code;
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    pane->gridLinesVertical = code;
    pane->InvalidateCell(-1, -1);
  }
}
QV_EXPORT(listVGridLinesSetter)

extern "C" void listDefaultRowHeightSetter(RuntimeObject* list, uint32_t, int32_t height) {
  if (!list) return;
  AsListbox(list)->defaultRowHeight = height;
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    pane->defaultRowHeight = height > 0 ? height : -1;
    pane->InvalidateCell(-1, -1);
  }
}
QV_EXPORT(listDefaultRowHeightSetter)

extern "C" int32_t listScrollPositionGetter(RuntimeObject* list, uint32_t) {
  if (!list) return 0;
  RuntimeListbox* pane = ListboxPaneOf(list);
  return pane ? pane->TopRow() : AsListbox(list)->scrollPosition;
}
QV_EXPORT(listScrollPositionGetter)

extern "C" void listScrollPositionSetter(RuntimeObject* list, uint32_t, int32_t row) {
  if (!list) return;
  if (row < 0) row = 0;
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    WithListHeld(list, pane, [&] { pane->ScrollToRow(row); });
  } else {
    AsListbox(list)->scrollPosition = row;
  }
}
QV_EXPORT(listScrollPositionSetter)

extern "C" int32_t listScrollPositionXGetter(RuntimeObject* list, uint32_t) {
  if (!list) return 0;
  RuntimeListbox* pane = ListboxPaneOf(list);
  return pane ? pane->HorizontalOffset() : AsListbox(list)->scrollPositionX;
}
QV_EXPORT(listScrollPositionXGetter)

extern "C" void listScrollPositionXSetter(RuntimeObject* list, uint32_t, int32_t pixels) {
  if (!list) return;
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    pane->ScrollHorizontallyTo(pixels);
  } else {
    AsListbox(list)->scrollPositionX = pixels;
  }
}
QV_EXPORT(listScrollPositionXSetter)

extern "C" void RuntimeListInitialValueSetter(RuntimeObject* list, uint32_t,
                                              stringStorage* text) {
  if (!list) return;
  field_accessors::Write(AsListbox(list)->initialValue, text);
  if (RuntimeListbox* pane = ListboxPaneOf(list)) {
    WithListHeld(list, pane, [&] { pane->ApplyInitialValue(); });
  }
}
QV_EXPORT(RuntimeListInitialValueSetter)

// The data source is held for the data-binding work, which connects the pane to it.
extern "C" stringStorage* ListboxDataSourceGetter(RuntimeObject* list, uint32_t) {
  return list ? field_accessors::Read<stringStorage*>(AsListbox(list)->dataSource) : nullptr;
}
QV_EXPORT(ListboxDataSourceGetter)

extern "C" void ListboxDataSourceSetter(RuntimeObject* list, uint32_t, stringStorage* name) {
  if (!list) return;
  field_accessors::Write(AsListbox(list)->dataSource, name);
  RuntimeListbox* pane = ListboxPaneOf(list);
  if (!pane) return;
  pane->SetDataSource(string(name));
  pane->Bind();  // lets go of the old DataControl first
}
QV_EXPORT(ListboxDataSourceSetter)

extern "C" void ListboxDataFieldSetter(RuntimeObject* list, uint32_t, stringStorage* name) {
  if (!list) return;
  field_accessors::Write(AsListbox(list)->dataField, name);
  if (RuntimeListbox* pane = ListboxPaneOf(list)) pane->Bind();
}
QV_EXPORT(ListboxDataFieldSetter)

extern "C" RuntimeObject* listActiveCellGetter(RuntimeObject* list, uint32_t) {
  RuntimeListbox* pane = list ? ListboxPaneOf(list) : nullptr;
  return pane ? pane->ActiveCell() : nullptr;
}
QV_EXPORT(listActiveCellGetter)
