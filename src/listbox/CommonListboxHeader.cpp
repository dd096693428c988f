// The list's header: one bevel button per column between two fillers, the column edges the
// user drags, the cursor over them, and the presses that ask for a sort.
#include <string>

#include "core/RuntimeError.h"
#include "listbox/ColumnWidthExpression.h"
#include "listbox/CommonListbox.h"
#include "strings/StringFields.h"
#include "windows/CursorHandle.h"
#include "windows/PaneFocus.h"

namespace {

// One measurement shared by every list, taken again only for another text size.
struct HeaderHeightCache {
  bool measured = false;
  int16_t textSize = 0;
  int32_t height = 0;
};
HeaderHeightCache gHeaderHeight;

constexpr int32_t kEdgeSlop = 3;

const CursorHandle* HeaderCursor(int32_t id) {
  static CursorHandle* handles[3] = {};
  CursorHandle*& handle = handles[id - kCursorColumnResize];
  if (!handle) handle = NewCursorHandleForId(id);
  return handle;
}

}  // namespace

void CommonListboxHeader::HoverAt(BevelButton*, int32_t x, int32_t y) {
  mList->UpdateHeaderCursor(x, y);
}

void CommonListboxHeader::Clicked(BevelButton*) { mList->HeaderColumnClicked(this); }

void CommonListboxHeader::MoveAt(BevelButton*, int32_t, int32_t) { mList->TrackHeaderPress(this); }

int32_t CommonListbox::HeaderHeight() {
  if (!gHeaderHeight.measured || gHeaderHeight.textSize != TextSize()) {
    int32_t textHeight = 0;
    if (Graphics* g = NewGraphics()) {
      textHeight = g->TextHeight();
      Graphics::Destroy(g);
    }
    gHeaderHeight = {true, TextSize(), (textHeight > 0 ? textHeight : 0) + 10};
  }
  return gHeaderHeight.height;
}

BevelButton* CommonListbox::HeaderButton(int32_t i) const {
  for (CommonListboxHeader* node = mHeader; node; node = node->next) {
    if (node->Column() == i) return node->button;
  }
  return nullptr;
}

QV::Rect CommonListbox::HeaderButtonRect(int32_t left, int32_t right) {
  const QV::Rect area = GetListRect();
  const int32_t height = HeaderHeight();
  const int32_t top = area.top - height + 1;
  if (left < area.left) left = area.left;
  if (right > area.right) right = area.right;
  if (right < left) right = left;
  QV::Rect r;
  RectSet(r, left, top, right, top + height - 1 - insetBottom);
  return r;
}

void CommonListbox::BuildHeader() {
  mHeaderShown = mColumnCount != 0;
  if (mHeaderShown) {
    const QV::Rect area = GetListRect();
    FontSpec font;
    font.name = TextFont();
    font.size = TextSize();
    font.bold = IsBold();
    CommonListboxHeader** link = &mHeader;
    // Columns -1 (the leading filler) to the column count (the trailing one).
    for (int32_t i = -1; i <= mColumnCount; ++i) {
      const bool filler = i < 0 || i == mColumnCount;
      QV::Rect r;
      if (i < 0) {
        r = HeaderButtonRect(area.left, ColumnLeft(0) - 1);
      } else if (i == mColumnCount) {
        r = HeaderButtonRect(FillerLeft(i) - 1, area.right);
      } else {
        r = HeaderButtonRect(mColumns[i].left - 1, mColumns[i].right - 1);
      }
      const string caption = filler ? string() : mHeadings[i];
      CommonListboxHeader* node = *link;
      if (node) {
        node->SetColumn(i, filler);
        if (node->button->Caption().Compare(caption) != 0) node->button->SetCaption(caption);
        node->button->SetBounds(r, true);
      } else {
        node = new CommonListboxHeader(this, i, filler);
        node->button = new BevelButton(node, font, this, PanelIndex(), r, caption, 0);
        node->button->SetEnabled(IsEnabled(), false);
        node->button->SetVisible(IsVisible());
        if (!filler) {
          node->button->SetCaptionAlignment(mColumns[i].alignment, mColumns[i].alignmentOffset);
        }
        *link = node;
      }
      link = &node->next;
    }
    CommonListboxHeader* extra = *link;
    *link = nullptr;
    while (extra) {
      CommonListboxHeader* next = extra->next;
      extra->button->ForgetDelegate();
      extra->button->Close();
      delete extra;
      extra = next;
    }
  }
  columnsChanged = true;
  headerDirty = false;
}

void CommonListbox::RebuildHeaderIfShown() {
  if (!mHeaderShown) return;
  ComputeColumnEdges();
  BuildHeader();
}

void CommonListbox::SetHeading(int32_t i, const string& text) {
  const auto numberIfEmpty = [this](int32_t j) {
    if (mHeadings[j].IsEmpty()) mHeadings[j] = string(std::to_string(j).c_str());
  };
  if (i == -1) {
    string all = text;
    for (int32_t at = 0; at < all.Length(); ++at) {
      if (all.CString()[at] == '\r') {
        all = left(all, at);
        break;
      }
    }
    for (int32_t j = 0; j < mColumnCount; ++j) {
      mHeadings[j] = mColumnCount == 1 ? all : StringNthFieldCore(all, string("\t"), j + 1);
      numberIfEmpty(j);
    }
  } else if (ValidColumn(i)) {
    mHeadings[i] = text;
    numberIfEmpty(i);
  } else {
    return;
  }
  RebuildHeaderIfShown();
}

string CommonListbox::Heading(int32_t i) const {
  return CheckedColumn(i) ? mHeadings[i] : string();
}

int32_t CommonListbox::SortDirection(int32_t i) const {
  return CheckedColumn(i) ? mSortDirections[i] : 0;
}

void CommonListbox::ReleasePressedButtons(BevelButton* except) {
  for (CommonListboxHeader* node = mHeader; node; node = node->next) {
    if (node->IsFiller() || node->button == except || node->button->GetValue() == 0) continue;
    node->button->SetValue(0);
  }
}

void CommonListbox::HeaderColumnClicked(CommonListboxHeader* node) {
  if (node->IsFiller()) return;
  const int32_t i = node->Column();
  mHeldColumn = -1;
  headerDirty = false;
  ReleasePressedButtons(node->button);
  node->button->SetValue(1);
  mSortDirections[i] = node->button->SortDirection();
  node->button->Refresh(true);
  // The list box's handlers may close the window, and the header with it.
  if (!RetainChain()) return;
  HeaderPressed(i);
  ReleaseChain();
}

int32_t CommonListbox::HeldHeading() {
  if (mHeldColumn >= 0 && !IsMouseButtonDown()) mHeldColumn = -1;
  return mHeldColumn;
}

void CommonListbox::ReleasePressedLooks(BevelButton* except) {
  for (CommonListboxHeader* node = mHeader; node; node = node->next) {
    if (!node->IsFiller() && node->button != except) node->button->SetPressed(false);
  }
}

// A pointer merely passing over the headings presses none of them.
void CommonListbox::TrackHeaderPress(CommonListboxHeader* node) {
  const int32_t held = HeldHeading();
  if (held < 0) return;
  BevelButton* shown = node->IsFiller() || node->Column() != held ? nullptr : node->button;
  ReleasePressedLooks(shown);
  if (shown) shown->SetPressed(true);
}

void CommonListbox::SetSortedColumn(int32_t i) {
  if (i != mSortedColumn) {
    if (BevelButton* button = ValidColumn(i) ? HeaderButton(i) : nullptr) {
      button->SetValue(1);
      mSortDirections[i] = button->SortDirection();
    }
    BevelButton* keep = ValidColumn(i) ? HeaderButton(i) : nullptr;
    ReleasePressedButtons(keep);
  }
  mSortedColumn = i;
  if (i >= 0 && i < mColumnCount) {
    if (!RetainChain()) return;
    HeaderPressed(i);
    if (ReleaseChain()) return;
  }
  headerDirty = false;
}

void CommonListbox::SetSortDirection(int32_t i, int32_t direction, bool force) {
  if (!ValidColumn(i)) return;
  if (!force && mSortDirections[i] == direction) return;
  mSortDirections[i] = direction;
  BevelButton* button = HeaderButton(i);
  if (!button) return;
  // The button turns its triangle only when set to 1 while at 1.
  if (button->SortDirection() != direction) {
    const int32_t value = button->GetValue();
    if (value != 1) button->SetValue(1);
    button->SetValue(1);
    if (value != 1) button->SetValue(value);
  }
  if (button->GetValue() != 0) DrawNow();
}

// ---- hit testing and the mouse ----

HeaderHit CommonListbox::HitTestHeader(int32_t x, int32_t y) {
  for (CommonListboxHeader* node = mHeader; node; node = node->next) {
    if (node->IsFiller()) continue;
    const int32_t i = node->Column();
    const QV::Rect b = node->button->GetBounds();
    if (node->next && b.right - kEdgeSlop <= x &&
        x < node->next->button->GetBounds().left + kEdgeSlop) {
      int32_t chosen = i;
      if (ClassifyColumnExpression(mColumns[i].widthExpression) != kColumnStar) {
        for (CommonListboxHeader* after = node->next; after && !after->IsFiller();
             after = after->next) {
          const int32_t j = after->Column();
          if (mColumns[j].width > 0) break;
          if (mColumns[j].userResizable) chosen = j;
        }
      }
      return {chosen, mColumns[chosen].userResizable};
    }
    if (x >= b.left && x < b.right && y >= b.top && y < b.bottom) return {i, false};
  }
  return {-1, false};
}

bool CommonListbox::HeaderMouseDown(int32_t x, int32_t y, int32_t modifiers) {
  mResizeColumn = -1;
  const HeaderHit hit = HitTestHeader(x, y);
  if (hit.column < 0) return false;
  if (hit.edge) {
    SetMouseCapturePane(this);
    mResizeColumn = hit.column;
    return true;
  }
  BevelButton* button = HeaderButton(hit.column);
  if (!button || !RetainChain()) return false;
  const bool taken = button->MouseDown(x, y, modifiers);
  // The button's Pressed may have closed the list.
  if (ReleaseChain()) return taken;
  if (taken) mHeldColumn = hit.column;
  return taken;
}

void CommonListbox::HeaderMouseDrag(int32_t x, int32_t y) {
  if (mResizeColumn >= 0) {
    const int32_t i = mResizeColumn;
    int32_t proposed = mColumns[i].width - ((mColumns[i].right - 1) - x);
    ClampColumnWidth(i, proposed, x);
    if (proposed != mColumns[i].width) SetColumnWidthByUser(i, proposed);
  }
  UpdateHeaderCursor(x, y);
}

void CommonListbox::HeaderMouseMove(int32_t x, int32_t y) {
  if (mResizeColumn < 0) {
    const HeaderHit hit = HitTestHeader(x, y);
    BevelButton* button = hit.column >= 0 && !hit.edge ? HeaderButton(hit.column) : nullptr;
    ReleasePressedLooks(button);
    if (button) {
      const QV::Rect b = button->GetBounds();
      if (!RetainChain()) return;
      button->MouseMove(x - b.left, y - b.top);
      if (ReleaseChain()) return;
    }
  }
  UpdateHeaderCursor(x, y);
}

void CommonListbox::HeaderMouseExit() {
  ReleasePressedLooks(nullptr);
  UpdateHeaderCursor(-1, -1);
}

void CommonListbox::UpdateHeaderCursor(int32_t x, int32_t y) {
  HeaderHit hit = {-1, false};
  if (headerTracking && mResizeColumn >= 0) {
    hit = {mResizeColumn, true};
  } else {
    if (!headerTracking) mResizeColumn = -1;
    hit = HitTestHeader(x, y);
  }
  if (hit.column >= 0 && hit.edge && (mStarTotal == 0 || hit.column != mColumnCount - 1)) {
    int32_t width = mColumns[hit.column].width;
    switch (ClampColumnWidth(hit.column, width, x)) {
      case kClampFree:
        SetCurrentCursor(HeaderCursor(kCursorColumnResize));
        return;
      case kClampLower:
        SetCurrentCursor(HeaderCursor(kCursorColumnGrow));
        return;
      case kClampUpper:
        SetCurrentCursor(HeaderCursor(kCursorColumnShrink));
        return;
    }
  }
  SetCurrentCursor(MouseCursor());
}
