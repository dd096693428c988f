#include "listbox/CommonListbox.h"

#include <string>

#include "core/ExceptionClasses.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "listbox/ColumnWidthExpression.h"
#include "strings/NumberFormat.h"
#include "strings/StringNumbers.h"
#include "windows/GtkInput.h"
#include "windows/GtkPlacement.h"

CommonListbox::CommonListbox(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds)
    : ContainerPane(owner, panelIndex, bounds) {
  for (int32_t& direction : mSortDirections) direction = 1;
  mColumns[0].width = Width();
  SetWidget(gtk_fixed_new());
  PutPaneInFixed(this, true);
  g_signal_connect(GetWidget(), "expose-event", G_CALLBACK(&OnPaneExpose),
                   static_cast<SubPane*>(this));
}

// The buttons are children of the list: by now its Close or its release has closed them.
CommonListbox::~CommonListbox() {
  while (CommonListboxHeader* node = mHeader) {
    mHeader = node->next;
    delete node;
  }
}

void CommonListbox::SetBounds(const QV::Rect& bounds, bool redraw) {
  ContainerPane::SetBounds(bounds, redraw);
  if (mStarTotal > 0) ResolveColumnWidths();
}

bool CommonListbox::EnclosesPane(SubPane* other, bool visibleOnly, bool samePanel) {
  return other->GetOwner() == this && ContainerPane::EnclosesPane(other, visibleOnly, samePanel);
}

void CommonListbox::Close() {
  CloseHeader();
  ContainerPane::Close();
}

void CommonListbox::CloseHeader() {
  CommonListboxHeader* node = mHeader;
  mHeader = nullptr;
  mHeaderShown = false;
  while (node) {
    CommonListboxHeader* next = node->next;
    if (node->button) {
      node->button->ForgetDelegate();
      node->button->Close();
    }
    delete node;
    node = next;
  }
}

// ---- column fields ----

void CommonListbox::SetColumnCount(int32_t count) {
  mColumnCount = count < 0 ? 0 : count > kMaxListColumns ? kMaxListColumns : count;
}

bool CommonListbox::CheckedColumn(int32_t i) const {
  return QV_CHECK_TEXT(ValidColumn(i), "column >= 0 && column < 64", nullptr);
}

int32_t CommonListbox::ColumnField(int32_t i, int32_t ColumnRecord::*field) const {
  return CheckedColumn(i) ? mColumns[i].*field : 0;
}

bool CommonListbox::IsColumnResizable(int32_t i) const {
  return CheckedColumn(i) && mColumns[i].userResizable;
}

int32_t CommonListbox::FillerLeft(int32_t i) const {
  // The trailing filler of a full list starts where the last column ends.
  return i >= kMaxListColumns ? mColumns[kMaxListColumns - 1].right : mColumns[i].left;
}

// ---- expressions ----

// A stale expression is written again from the pixels it now stands for, in its own kind.
const string& CommonListbox::FreshExpression(string& expression, bool& stale, int32_t pixels) {
  if (!stale) return expression;
  stale = false;
  switch (ClassifyColumnExpression(expression)) {
    case kColumnPercent: {
      const QV::Rect area = GetListRect();
      const int32_t w = area.right - area.left;
      const double percent = w > 0 ? pixels * 100.0 / w : 0;
      expression = string(DoubleToText(percent, kDoubleTextByMagnitude, 7)) + string("%");
      break;
    }
    case kColumnStar:
      // A user resize rewrites star shares at once and never leaves them stale.
      (void)QV_CHECK_TEXT(false, "stale star expression", nullptr);
      break;
    default:
      expression = string(std::to_string(pixels).c_str());
      break;
  }
  return expression;
}

string CommonListbox::GetWidthExpression(int32_t i) {
  if (!CheckedColumn(i)) return string();
  ColumnRecord& c = mColumns[i];
  return FreshExpression(c.widthExpression, c.widthStale, c.width);
}

string CommonListbox::GetMinWidthExpression(int32_t i) {
  if (!CheckedColumn(i)) return string();
  ColumnRecord& c = mColumns[i];
  return FreshExpression(c.minWidthExpression, c.minStale, c.minWidth);
}

string CommonListbox::GetMaxWidthExpression(int32_t i) {
  if (!CheckedColumn(i)) return string();
  ColumnRecord& c = mColumns[i];
  // No maximum reads as -1 whatever the text was.
  if (c.maxStale && c.maxWidth < 0) {
    c.maxWidthExpression = string("-1");
    c.maxStale = false;
  }
  return FreshExpression(c.maxWidthExpression, c.maxStale, c.maxWidth);
}

void CommonListbox::SetWidthExpression(int32_t i, const string& text) {
  if (!ValidColumn(i)) return;
  const ColumnExpression e = ParseColumnExpression(text);
  if (e.kind == kColumnError) {
    RaiseUnrecognizedExpression(text);
    return;
  }
  const ColumnExpression old = ParseColumnExpression(GetWidthExpression(i));
  if (old.kind == kColumnStar) mStarTotal -= old.value;
  const QV::Rect area = GetListRect();
  if (e.kind == kColumnAbsolute) mColumns[i].width = ClampedPixels(e.value);
  if (e.kind == kColumnPercent) {
    mColumns[i].width = PercentPixelsOfProduct(e.value, area.right - area.left);
  }
  if (e.kind == kColumnStar) mStarTotal += e.value;
  mColumns[i].widthExpression = text;
  if (mStarTotal > 0) ResolveColumnWidths();
}

namespace {

// The minimum and maximum take pixels and percents only.
bool BoundExpressionAccepted(const ColumnExpression& e, const string& text,
                             const char* starMessage) {
  if (e.kind == kColumnError) {
    RaiseUnrecognizedExpression(text);
    return false;
  }
  if (e.kind == kColumnStar) {
    RaiseNewExceptionWithMessage(UnsupportedFormatExceptionDefinition(),
                                 string(starMessage).Storage(), 0);
    return false;
  }
  return true;
}

}  // namespace

void CommonListbox::SetMinWidthExpression(int32_t i, const string& text) {
  if (!ValidColumn(i)) return;
  const ColumnExpression e = ParseColumnExpression(text);
  if (!BoundExpressionAccepted(e, text,
                               "MinWidthExpression doesn't support the Asterisk ('*') format.")) {
    return;
  }
  const QV::Rect area = GetListRect();
  mColumns[i].minWidth = e.kind == kColumnPercent
                             ? PercentPixelsOfProduct(e.value, area.right - area.left)
                             : ClampedPixels(e.value);
  mColumns[i].minWidthExpression = text;
  mColumns[i].minStale = false;
}

void CommonListbox::SetMaxWidthExpression(int32_t i, const string& text) {
  if (!ValidColumn(i)) return;
  const ColumnExpression e = ParseColumnExpression(text);
  if (!BoundExpressionAccepted(e, text,
                               "MaxWidthExpression doesn't support the Asterisk ('*') format.")) {
    return;
  }
  const QV::Rect area = GetListRect();
  if (e.negative) {
    mColumns[i].maxWidth = -1;
  } else {
    mColumns[i].maxWidth = e.kind == kColumnPercent
                               ? PercentPixelsOfProduct(e.value, area.right - area.left)
                               : ClampedPixels(e.value);
  }
  mColumns[i].maxWidthExpression = text;
  mColumns[i].maxStale = false;
}

void CommonListbox::SetMinWidth(int32_t i, int32_t pixels) {
  if (!ValidColumn(i)) return;
  mColumns[i].minWidth = pixels;
  mColumns[i].minStale = true;
}

void CommonListbox::SetMaxWidth(int32_t i, int32_t pixels) {
  if (!ValidColumn(i)) return;
  mColumns[i].maxWidth = pixels;
  mColumns[i].maxStale = true;
}

void CommonListbox::SetColumnsResizable(bool resizable) {
  for (ColumnRecord& c : mColumns) c.userResizable = resizable;
}

void CommonListbox::SetColumnResizable(int32_t i, bool resizable) {
  if (ValidColumn(i)) mColumns[i].userResizable = resizable;
}

void CommonListbox::SetColumnAlignment(int32_t i, int32_t alignment, int32_t offset) {
  if (!ValidColumn(i)) return;
  mColumns[i].alignment = alignment;
  mColumns[i].alignmentOffset = offset;
  if (BevelButton* button = HeaderButton(i)) button->SetCaptionAlignment(alignment, offset);
  headerDirty = false;
  InvalidateColumn(i);
}

void CommonListbox::SetColumnAlignmentOnly(int32_t i, int32_t alignment) {
  if (ValidColumn(i)) SetColumnAlignment(i, alignment, mColumns[i].alignmentOffset);
}

void CommonListbox::SetColumnAlignmentOffset(int32_t i, int32_t offset) {
  if (ValidColumn(i)) SetColumnAlignment(i, mColumns[i].alignment, offset);
}

// ---- resolution ----

StarLayout ResolveColumnRecords(ColumnRecord* columns, int32_t count, int32_t width) {
  const int32_t w = width;
  ColumnResolution widths = {w, 0};
  ColumnResolution minimums = {w, 0};
  ColumnResolution maximums = {w, 0};
  for (int32_t i = 0; i < count; ++i) {
    const int32_t n = count - i;
    ColumnRecord& c = columns[i];
    c.width = EvaluateColumnExpression(c.widthExpression, widths, w, n);
    c.minWidth = EvaluateColumnExpression(c.minWidthExpression, minimums, w, n);
    const string& maxText = c.maxWidthExpression;
    c.maxWidth = Val(maxText, nullptr) < 0 ? -1 : EvaluateColumnExpression(maxText, maximums, w, n);
  }
  StarLayout layout = {widths.starSum, false, 0};
  if (layout.starTotal == 0) return layout;
  const double ratio = widths.remaining / widths.starSum;
  int32_t left = widths.remaining < 0 ? 0 : widths.remaining;
  for (int32_t i = 0; i < count; ++i) {
    const ColumnExpression e = ParseColumnExpression(columns[i].widthExpression);
    if (e.kind != kColumnStar) continue;
    const int32_t share = ClampedPixels(ratio * e.value);
    if (i == count - 1) {
      layout.lastIsStar = true;
      layout.lastStarShare = share;
      columns[i].width = left;
    } else {
      columns[i].width = share;
    }
    left -= share;
  }
  return layout;
}

void CommonListbox::ResolveColumnWidths() {
  const QV::Rect area = GetListRect();
  // Stale expressions are written again from their pixels before they are read.
  for (int32_t i = 0; i < mColumnCount; ++i) {
    GetWidthExpression(i);
    GetMinWidthExpression(i);
    GetMaxWidthExpression(i);
  }
  const StarLayout layout = ResolveColumnRecords(mColumns, mColumnCount, area.right - area.left);
  mStarTotal = layout.starTotal;
  if (layout.lastIsStar) mLastStarShare = layout.lastStarShare;
  ComputeColumnEdges();
  if (mHeaderShown) {
    BuildHeader();
  } else {
    columnsChanged = true;
  }
}

void CommonListbox::ComputeColumnEdges() {
  int32_t x = GetListRect().left - mHorizontalOffset;
  for (ColumnRecord& c : mColumns) {
    c.left = x;
    c.right = x + c.width;
    x = c.right;
  }
}

// ---- user resizing ----

void CommonListbox::RewriteStarExpressions() {
  double unit = 0;
  for (int32_t i = 0; i < mColumnCount; ++i) {
    if (ClassifyColumnExpression(mColumns[i].widthExpression) != kColumnStar) continue;
    const int32_t width = i == mColumnCount - 1 ? mLastStarShare : mColumns[i].width;
    if (width > 0 && (unit == 0 || width < unit)) unit = width;
  }
  if (unit == 0) unit = 1.0;
  for (int32_t i = 0; i < mColumnCount; ++i) {
    if (ClassifyColumnExpression(mColumns[i].widthExpression) != kColumnStar) continue;
    const int32_t width = i == mColumnCount - 1 ? mLastStarShare : mColumns[i].width;
    mColumns[i].widthExpression =
        string(DoubleToText(width / unit, kDoubleTextByMagnitude, 7)) + string("*");
  }
}

void CommonListbox::SetColumnWidthByUser(int32_t i, int32_t width) {
  if (!ValidColumn(i)) return;
  if (mStarTotal == 0) {
    mColumns[i].width = width;
    mColumns[i].widthStale = true;
  } else {
    if (i >= mColumnCount - 1) return;
    const int32_t delta = width - mColumns[i].width;
    mColumns[i].width = width;
    mColumns[i + 1].width -= delta;
    if (i + 1 == mColumnCount - 1) mLastStarShare -= delta;
    bool starTouched = false;
    for (int32_t j : {i, i + 1}) {
      if (ClassifyColumnExpression(mColumns[j].widthExpression) == kColumnStar) {
        starTouched = true;
      } else {
        mColumns[j].widthStale = true;
      }
    }
    if (starTouched) RewriteStarExpressions();
  }
  ComputeColumnEdges();
  if (mHeaderShown) BuildHeader();
  ColumnWidthChanged(i);
}

ColumnClamp CommonListbox::ClampColumnWidth(int32_t i, int32_t& w, int32_t x) {
  if (!ValidColumn(i)) return kClampFree;
  const ColumnRecord& c = mColumns[i];
  int32_t lo = w;
  int32_t hi = w;
  ColumnClamp kind = kClampFree;
  if (c.minWidth < w) {
    if (c.maxWidth != -1 && c.maxWidth <= w) {
      hi = c.maxWidth;
      kind = kClampUpper;
    }
  } else {
    lo = c.minWidth;
    kind = kClampLower;
  }
  if (mStarTotal != 0 && i < mColumnCount - 1 && i + 1 < kMaxListColumns) {
    const ColumnRecord& next = mColumns[i + 1];
    const bool nextIsLast = i + 1 == mColumnCount - 1;
    const int32_t d = c.width - w;
    const int32_t nw = nextIsLast ? mLastStarShare : next.width;
    const int32_t n = nw + d;
    if (n < 1 || n <= next.minWidth) {
      const int32_t bound = c.width + nw - next.minWidth + (nextIsLast ? 1 : 0);
      hi = kind == kClampUpper && hi < bound ? hi : bound;
      kind = kClampUpper;
    } else if (next.maxWidth != -1 && next.maxWidth <= n) {
      const int32_t bound = c.width + nw - next.maxWidth;
      lo = kind == kClampLower && lo > bound ? lo : bound;
      kind = kClampLower;
    }
  }
  const QV::Rect area = GetListRect();
  if (x > area.right) {
    w += area.right - x + 1;
    kind = kClampUpper;
  } else if (x <= area.left) {
    w += area.left - x;
    kind = kClampLower;
  }
  if (kind == kClampLower && w < lo) w = lo;
  if (kind == kClampUpper && w > hi) w = hi;
  return kind;
}
