// Drawing of the list-box pane: rows and their backgrounds, cells with check boxes, disclosure
// triangles, pictures, aligned text and borders, the focus ring and the frame, and the two paint
// events through which the control draws cells itself.
//
// The list's own paints go through its off-screen image (RuntimeListboxOffscreen.cpp).
//
// A paint event gets a language Graphics lent for the cell; when the event returns, the object
// is cut off from the surface, so one a handler kept draws nothing rather than into a surface
// that is gone.
#include <gtk/gtk.h>

#include <algorithm>
#include <optional>
#include <string>

#include "controls/EditControl.h"
#include "core/RuntimeError.h"
#include "graphics/GraphicsClass.h"
#include "graphics/PictureClass.h"
#include "listbox/ListDrawablePane.h"
#include "listbox/RuntimeListbox.h"
#include "listbox/RuntimeListboxBoundRow.h"
#include "strings/NumberFormat.h"
#include "strings/TextEncoding.h"
#include "windows/GtkPlacement.h"
#include "windows/PaneDrawHold.h"

namespace {

constexpr RGBColor16 kWhite = {0xFFFF, 0xFFFF, 0xFFFF};
constexpr RGBColor16 kBlack = {0, 0, 0};
constexpr int32_t kIndentPerDepth = 12;
constexpr int32_t kTriangleSize = 12;
constexpr int32_t kCheckBoxSize = 12;
constexpr int32_t kContentStep = 20;  // what a check box or a picture adds to the indent
constexpr int32_t kTextInset = 4;

RGBColor16 FromGdk(const GdkColor& c) { return {c.red, c.green, c.blue}; }

QV::Rect MakeRect(int32_t top, int32_t left, int32_t bottom, int32_t right) {
  return {int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}

bool Intersect(const QV::Rect& a, const QV::Rect& b, QV::Rect& out) {
  out = MakeRect(std::max(a.top, b.top), std::max(a.left, b.left), std::min(a.bottom, b.bottom),
                 std::min(a.right, b.right));
  return out.top < out.bottom && out.left < out.right;
}

// Half of a border's line width, at least 1.
int32_t HalfWidth(int32_t code) { return std::max(1, (BorderLineWidth(code) + 1) / 2); }

// The first line of a text: up to the first carriage return, then the first line feed.
string FirstLine(const string& text) {
  const unsigned char* bytes = text.Bytes();
  int32_t end = text.Length();
  for (const unsigned char stop : {'\r', '\n'}) {
    for (int32_t i = 0; i < end; ++i) {
      if (bytes[i] == stop) {
        end = i;
        break;
      }
    }
  }
  return end == text.Length() ? text : string::FromBytes(bytes, end, kEncodingUTF8);
}

// The byte offset of the locale's decimal separator in text, or -1.
int32_t DecimalSeparatorAt(const string& text) {
  const char* thousands;
  const char* separator;
  LocaleSeparatorBytes(&thousands, &separator);
  const std::string haystack(reinterpret_cast<const char*>(text.Bytes()), text.Length());
  const size_t at = haystack.find(separator);
  return at == std::string::npos ? -1 : int32_t(at);
}

}  // namespace

// ---- geometry ----

int32_t RuntimeListbox::RowHeight(int32_t) {
  if (defaultRowHeight >= 0) return defaultRowHeight;
  if (!mRowHeightCached) {
    int32_t height = ScrollingListbox::RowHeight(-1);
    if (hierarchical) height = std::max(height, 18);
    mRowHeight = height + 4;
    mRowHeightCached = true;
  }
  return mRowHeight;
}

void RuntimeListbox::InvalidateTextHeight() {
  ScrollingListbox::InvalidateTextHeight();
  mRowHeightCached = false;
}

int32_t RuntimeListbox::ContentIndent(int32_t column, int32_t depth) const {
  if (column == 0 && hierarchical) return 20 + depth * kIndentPerDepth;
  return kTextInset;
}

QV::Rect RuntimeListbox::CheckBoxRect(const QV::Rect& cellRect, int32_t indent) {
  const int32_t height = cellRect.bottom - cellRect.top;
  const int32_t side = std::min(kContentStep, RowHeight(-1));
  const int32_t top = cellRect.top + (height - side) / 2;
  return MakeRect(top, cellRect.left + indent, top + side, cellRect.left + indent + side);
}

QV::Rect RuntimeListbox::CellTextRect(int32_t row, int32_t column) {
  CellEntry* cell = FindCell(row, column, false);
  if (!cell) return MakeRect(-1, -1, -1, -1);
  return MakeRect(cell->textRect[0], cell->textRect[1], cell->textRect[2], cell->textRect[3]);
}

// ---- paint ----

void RuntimeListbox::DrawIfOpen() { DrawIfOpenHeld(this); }

void RuntimeListbox::Draw(Graphics& g) {
  if (!IsVisibleAndShown() || mClosed || !RetainChain()) return;
  ++mPainting;
  const QV::Rect area = GetListRect();
  GraphicsState state(g);
  state.Save();
  g.SetTextFont(TextFont());
  g.SetTextSize(TextSize());
  g.SetTextStyle(listStyle);
  // Only a paint of the list's own pane goes through the image; drawing into another
  // target (a picture, a page) paints the rows straight into it.
  const bool own = g.Target() == static_cast<DrawingTarget*>(this);
  if (Graphics* image = own ? GetOffscreenGraphics(area) : nullptr) {
    GraphicsState imageState(*image);
    imageState.Save();
    image->SetTextFont(TextFont());
    image->SetTextSize(TextSize());
    image->SetTextStyle(listStyle);
    DrawRowsThroughImage(g, *image, area);
    imageState.Restore();
  } else {
    DrawRows(g, area);
  }
  if (!mClosed) NoteRowsDrawn(g, area);
  if (!mClosed) {
    DrawFocusRing(g);
    PlaceEditField(area);
    DrawDropLine(g);
    DrawFrame(g);
  }
  state.Restore();
  ClearFullRedrawPending();
  // A handler that closed or resized the list asked for the image to go while it was in use.
  if (--mPainting == 0 && (mReleaseAfterPaint || mClosed)) FreeOffscreen();
  ReleaseChain();
}

template <typename ClipOf>
void RuntimeListbox::DrawRowsClipped(Graphics& g, const QV::Rect& area, ClipOf clipOf) {
  GraphicsClipSaver saver(g);
  const int32_t height = RowHeight(-1);
  int32_t top = area.top;
  for (int32_t row = TopRow(); top < area.bottom && !mClosed; ++row) {
    const int32_t bottom = height > 0 ? top + height : area.bottom;
    const QV::Rect r = MakeRect(top, area.left, bottom, area.right);
    QV::Rect clip;
    if (clipOf(r, clip)) {
      g.SetClipRect(clip);
      DrawRow(g, row, r, row < RowCount() && IsRowSelected(row));
    }
    top = bottom;
  }
}

void RuntimeListbox::DrawRows(Graphics& g, const QV::Rect& area) {
  const QV::Rect outer = g.HasClip() ? g.ClipRect() : area;
  QV::Rect visible;
  if (!Intersect(area, outer, visible)) return;
  {
    GraphicsClipSaver saver(g);
    g.SetClipRect(visible);
    g.SetForeColor(kWhite);
    g.FillRect(visible);
  }
  DrawRowsClipped(g, area, [&](const QV::Rect& r, QV::Rect& clip) {
    return Intersect(r, visible, clip);
  });
}

void RuntimeListbox::DrawRowsThroughImage(Graphics& window, Graphics& image,
                                          const QV::Rect& area) {
  ShiftImage(area);
  const QV::Rect outer = window.HasClip() ? window.ClipRect() : area;
  QV::Rect visible;
  if (!mDirty || !Intersect(area, outer, visible)) return;
  const GdkRectangle exposed = {visible.left - area.left, visible.top - area.top,
                                visible.right - visible.left, visible.bottom - visible.top};
  // Taken out of date before drawing: what a paint handler invalidates stays out of date.
  GdkRegion* redraw = gdk_region_rectangle(&exposed);
  gdk_region_intersect(redraw, mDirty);
  gdk_region_subtract(mDirty, redraw);
  if (!gdk_region_empty(redraw)) RedrawImageRows(image, area, redraw);
  gdk_region_destroy(redraw);
  if (mClosed || !mOffscreen) return;
  GraphicsClipSaver saver(window);
  window.SetClipRect(visible);
  QV::Rect source = visible;
  RectOffset(source, -area.left, -area.top);
  mOffscreen->DrawRect(window, source, visible, true, false);
}

// Each row is clipped to the box of its out-of-date part, filled white there and drawn.
void RuntimeListbox::RedrawImageRows(Graphics& image, const QV::Rect& area, GdkRegion* region) {
  const int32_t width = area.right - area.left;
  DrawRowsClipped(image, area, [&](const QV::Rect& r, QV::Rect& clip) {
    const GdkRectangle band = {0, r.top - area.top, width, r.bottom - r.top};
    GdkRegion* part = gdk_region_rectangle(&band);
    gdk_region_intersect(part, region);
    GdkRectangle box;
    gdk_region_get_clipbox(part, &box);
    const bool empty = gdk_region_empty(part);
    gdk_region_destroy(part);
    if (empty) return false;
    clip = MakeRect(box.y + area.top, box.x + area.left, box.y + box.height + area.top,
                    box.x + box.width + area.left);
    image.SetClipRect(clip);
    image.SetForeColor(kWhite);
    image.FillRect(clip);
    return true;
  });
}

void RuntimeListbox::NoteRowsDrawn(Graphics& g, const QV::Rect& area) {
  mNeedsRedraw = false;
  QV::Rect drawn;
  const bool whole =
      !g.HasClip() || (Intersect(area, g.ClipRect(), drawn) && drawn.top == area.top &&
                       drawn.left == area.left && drawn.bottom == area.bottom &&
                       drawn.right == area.right);
  if (!whole) return;
  const int32_t height = RowHeight(-1);
  const int32_t shown = height > 0 ? (area.bottom - area.top + height - 1) / height : 0;
  const int32_t last = std::min<int32_t>(TopRow() + shown, RowCount()) - 1;
  mValidBlock.Set(TopRow(), last, 0, ColumnCount() - 1);
}

void RuntimeListbox::FillRowBackground(Graphics& g, const QV::Rect& r, bool selected) {
  const RGBColor16 before = g.ForeColor();
  RGBColor16 color = kWhite;
  if (selected && !hierarchical) {
    GtkWidget* widget = GetWidget();
    if (widget && widget->style) {
      color = FromGdk(widget->style->bg[IsEnabled() ? GTK_STATE_SELECTED : GTK_STATE_INSENSITIVE]);
    }
  }
  g.SetForeColor(color);
  g.FillRect(r);
  g.SetForeColor(before);
}

// A row past the last is drawn as an empty row: backgrounds (with CellBackgroundPaint) and
// borders, so grid lines go on below the rows.
// A bound row is a plain row of depth 0 without cells of its own: one scratch cell carries
// the provider's field text, the row fetched once.
void RuntimeListbox::DrawRow(Graphics& g, int32_t row, const QV::Rect& r, bool selected) {
  const bool inList = row >= 0 && row < RowCount();
  std::optional<BoundRow> fields;
  RowEntry plain(nullptr, 0, -1);
  RowEntry* entry = nullptr;
  if (Bound()) {
    fields.emplace(inList ? BoundData() : nullptr, row);
    if (mClosed) return;
    entry = inList ? &plain : nullptr;
  } else if (inList) {
    entry = reinterpret_cast<RowEntry*>(mRows.GetAt(row));
  }
  const QV::Rect area = GetListRect();
  const int32_t columns = ColumnCount();
  for (int32_t column = 0; column <= columns && !mClosed; ++column) {
    const bool filler = column == columns;
    int32_t left;
    int32_t right;
    // Column edges are kept in window coordinates, the horizontal scroll applied.
    if (!filler) {
      left = ColumnLeft(column);
      right = ColumnRight(column);
    } else {
      // A list of 64 columns has no room for a filler record: its filler is empty.
      left = columns > 0 ? ColumnRight(columns - 1) : area.left;
      right = columns < kMaxListColumns ? std::max<int32_t>(left, area.right) : left;
    }
    QV::Rect cellRect = MakeRect(r.top, left, r.bottom, right);
    QV::Rect shown;
    if (!Intersect(cellRect, area, shown)) continue;
    CellEntry scratch(uint8_t(filler ? 0 : column));
    CellEntry* cell = nullptr;
    if (entry && !filler && !fields) {
      cell = FindCell(row, column, false);
    } else if (entry && !filler && column < fields->FieldCount()) {
      scratch.text = fields->Field(column).GetUTF8String();
      if (mClosed) return;
      cell = &scratch;
    }
    DrawCell(g, cellRect, entry, cell, row, column, selected);
  }
}

template <typename Raise>
bool RuntimeListbox::RunCellPaint(Graphics& g, const QV::Rect& cellRect, bool& closed,
                                  Raise raise) {
  QV::Rect clip;
  if (!Intersect(cellRect, GetListRect(), clip)) return false;
  if (g.HasClip() && !Intersect(clip, g.ClipRect(), clip)) return false;
  RuntimeObject* object = NewGraphicsObject(nullptr);
  if (!object) return false;
  GraphicsClipSaver saver(g);
  GraphicsState state(g);
  state.Save();
  const int32_t originX = g.OriginX();
  const int32_t originY = g.OriginY();
  const QV::Rect targetBounds = g.Target() ? g.Target()->GetBounds() : QV::Rect{};
  g.SetClipRect(clip);
  // The handler draws at target-relative points the Graphics takes its origin off: cell
  // coordinates land on the cell, in a window and in the list's image alike.
  g.SetOrigin(originX + targetBounds.left - cellRect.left,
              originY + targetBounds.top - cellRect.top);
  SetNativeGraphics(object, &g);
  const bool handled = raise(object);
  // Cut off: a Graphics the handler kept must not reach this surface later.
  SetNativeGraphics(object, nullptr);
  RuntimeUnlockObject(object);
  g.SetOrigin(originX, originY);
  state.Restore();
  closed = mClosed;
  return handled;
}

void RuntimeListbox::DrawCell(Graphics& g, const QV::Rect& r, RowEntry* entry, CellEntry* cell,
                              int32_t row, int32_t column, bool selected) {
  const bool filler = column >= ColumnCount();
  FillRowBackground(g, r, selected);
  if (HasHandler(kListCellBackgroundPaint)) {
    bool closed = false;
    const bool handled = RunCellPaint(g, r, closed, [&](RuntimeObject* object) {
      return RaiseCellBackgroundPaint(object, row, column);
    });
    if (closed) return;
    if (!handled && selected && !hierarchical) FillRowBackground(g, r, selected);
  }
  if (filler || !entry) {
    if (!filler) DrawBorders(g, r, row, column);
    return;
  }
  QV::Rect text = r;
  text.top = int16_t(text.top + HalfWidth(CellBorder(kSideTop, row, column, true)));
  text.left = int16_t(text.left + HalfWidth(CellBorder(kSideLeft, row, column, true)));
  text.bottom = int16_t(text.bottom - HalfWidth(CellBorder(kSideBottom, row, column, true)));
  text.right = int16_t(text.right - HalfWidth(CellBorder(kSideRight, row, column, true)));
  int32_t indent = kTextInset;
  if (column == 0 && hierarchical) {
    indent = ContentIndent(0, entry->depth);
    if (entry->state >= 0) DrawTriangle(g, r, entry->depth, entry->state == 1);
  }
  if (EffectiveCellType(row, column) == kTypeCheckbox) {
    DrawCheckBox(g, CheckBoxRect(r, indent), cell && cell->checked);
    indent += kContentStep;
  }
  if (cell && cell->picture) {
    if (GdkPixbuf* image = PictureImage(cell->picture)) {
      const int32_t width = gdk_pixbuf_get_width(image);
      const int32_t height = gdk_pixbuf_get_height(image);
      const int32_t x = text.left + indent + 8 - width / 2;
      const int32_t y = text.top + (text.bottom - text.top - height + 1) / 2;
      g.DrawPixbuf(image, x, y);
      indent += kContentStep;
    }
  }
  text.left = int16_t(text.left + indent);
  if (cell) {
    const int32_t offset = std::max(-4, EffectiveAlignmentOffset(row, column));
    cell->textRect[0] = text.top;
    cell->textRect[1] = int16_t(text.left + offset);
    cell->textRect[2] = text.bottom;
    cell->textRect[3] = int16_t(text.right - 5);
    const bool edited = row == mEditRow && column == mEditColumn;
    if (!edited) DrawCellText(g, text, cell, row, column, selected);
    if (mClosed) return;
  }
  DrawBorders(g, r, row, column);
}

void RuntimeListbox::DrawCellText(Graphics& g, const QV::Rect& r, CellEntry* cell, int32_t row,
                                  int32_t column, bool selected) {
  const string line = FirstLine(cell->text);
  GraphicsState state(g);
  state.Save();
  g.SetTextFont(TextFont());
  const int32_t size = EffectiveTextSize(row, column);
  g.SetTextSize(size > 0 ? size : TextSize());
  g.SetTextStyle(cell->style | listStyle);
  const bool white = selected && !(hierarchical && column != 0);
  const int32_t height = r.bottom - r.top;
  const int32_t textHeight = std::max(0, g.TextHeight());
  const int32_t ascent = std::max(0, g.TextAscent());
  const int32_t y = (height - textHeight) / 2 + ascent;
  const int32_t available = r.right - r.left - 5;
  const int32_t offset = EffectiveAlignmentOffset(row, column);
  int32_t x = offset;
  switch (EffectiveAlignment(row, column)) {
    case 2:
      x = offset + (available - g.StringWidth(line)) / 2;
      break;
    case 3:
      x = offset + available - g.StringWidth(line);
      break;
    case 4: {
      const int32_t at = DecimalSeparatorAt(line);
      const string before =
          at < 0 ? line : string::FromBytes(line.Bytes(), at, kEncodingUTF8);
      x = offset + available - g.StringWidth(before);
      break;
    }
    default:
      break;
  }
  x = std::max(-4, x);
  if (HasHandler(kListCellTextPaint)) {
    bool closed = false;
    const bool handled = RunCellPaint(g, r, closed, [&](RuntimeObject* object) {
      return RaiseCellTextPaint(object, row, column, x, y);
    });
    if (closed || handled) return;
  }
  if (selected && hierarchical && column == 0 && !line.IsEmpty()) {
    GtkWidget* widget = GetWidget();
    const RGBColor16 box =
        widget && widget->style ? FromGdk(widget->style->bg[GTK_STATE_SELECTED]) : kBlack;
    g.SetForeColor(box);
    g.FillRect(MakeRect(r.top, r.left + x - 3, r.bottom, r.left + x + g.StringWidth(line) + 3));
  }
  g.SetForeColor(white ? kWhite : kBlack);
  g.DrawStringCondensed(line, r.left + x, r.top + y, r.right - (r.left + x), string("..."));
  state.Restore();
}

void RuntimeListbox::DrawCheckBox(Graphics& g, const QV::Rect& box, bool checked) {
  GtkWidget* widget = GetWidget();
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (!widget || !widget->style || !drawable) return;
  const int32_t y = (box.top + box.bottom) / 2 - 6;
  const QV::Rect area = MakeRect(y, box.left, y + kCheckBoxSize + 1, box.left + kCheckBoxSize + 1);
  QV::Rect visible;
  if (!Intersect(area, g.HasClip() ? g.ClipRect() : GetListRect(), visible)) return;
  const QV::Rect d = GraphicsRectToDrawable(g, area, false);
  const QV::Rect clip = GraphicsRectToDrawable(g, visible, false);
  GdkRectangle clipArea = {clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top};
  gtk_paint_check(widget->style, drawable, GTK_STATE_NORMAL,
                  checked ? GTK_SHADOW_IN : GTK_SHADOW_OUT, &clipArea, widget, "cellcheck",
                  d.left, d.top, kCheckBoxSize, kCheckBoxSize);
}

void RuntimeListbox::DrawTriangle(Graphics& g, const QV::Rect& cellRect, int32_t depth,
                                  bool expanded) {
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (!drawable) return;
  const int32_t left = cellRect.left + depth * kIndentPerDepth + 4;
  const int32_t top = cellRect.top + (cellRect.bottom - cellRect.top - kTriangleSize) / 2;
  const QV::Rect d = GraphicsRectToDrawable(
      g, MakeRect(top, left, top + kTriangleSize, left + kTriangleSize + 4), false);
  const int32_t x = d.left;
  const int32_t y = d.top;
  GdkPoint points[3];
  if (expanded) {
    points[0] = {x, y + 3};
    points[1] = {x + 10, y + 3};
    points[2] = {x + 5, y + 8};
  } else {
    points[0] = {x + 1, y};
    points[1] = {x + 6, y + 5};
    points[2] = {x + 1, y + 10};
  }
  GdkGC* gc = gdk_gc_new(drawable);
  GdkColor black = {0, 0, 0, 0};
  gdk_gc_set_rgb_fg_color(gc, &black);
  if (g.HasClip()) {
    const QV::Rect c = GraphicsRectToDrawable(g, g.ClipRect(), false);
    GdkRectangle clip = {c.left, c.top, c.right - c.left, c.bottom - c.top};
    gdk_gc_set_clip_rectangle(gc, &clip);
  }
  gdk_draw_polygon(drawable, gc, TRUE, points, 3);
  g_object_unref(gc);
}

// Each edge in the heavier of the two codes that share it; only codes above BorderNone draw.
void RuntimeListbox::DrawBorders(Graphics& g, const QV::Rect& r, int32_t row, int32_t column) {
  int32_t codes[4];
  for (int32_t side = kSideTop; side <= kSideRight; ++side) {
    codes[side] = CellBorder(side, row, column, true);
  }
  const int32_t top = r.top - HalfWidth(codes[kSideTop]);
  const int32_t left = r.left - HalfWidth(codes[kSideLeft]);
  const int32_t bottom = r.bottom - HalfWidth(codes[kSideBottom]);
  const int32_t right = r.right - HalfWidth(codes[kSideRight]);
  GraphicsState state(g);
  state.Save();
  const int32_t penWidth = g.PenWidth();
  const int32_t penHeight = g.PenHeight();
  g.SetForeColor(kBlack);
  auto line = [&](int32_t code, bool vertical, int32_t at, int32_t from, int32_t to) {
    if (code <= kBorderNone) return;
    static constexpr uint8_t kSolid[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    static constexpr uint8_t kDotted[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    static constexpr uint8_t kDoubleV[8] = {0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0, 0xA0};
    static constexpr uint8_t kDoubleH[8] = {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00};
    const int32_t width = BorderLineWidth(code);
    g.SetPattern(code == kBorderThinDotted                 ? kDotted
                 : code == kBorderDoubleThinSolid && vertical ? kDoubleV
                 : code == kBorderDoubleThinSolid            ? kDoubleH
                                                             : kSolid);
    g.SetPatternOffset(at & 1, at & 1);
    const QV::Rect band = vertical ? MakeRect(from, at, to, at + width)
                                   : MakeRect(at, from, at + width, to);
    g.FillRect(band);
  };
  if (column != 0 || HorizontalOffset() > 0) line(codes[kSideLeft], true, left, top, bottom);
  line(codes[kSideRight], true, right, top, bottom);
  if (row != 0) line(codes[kSideTop], false, top, left, right);
  line(codes[kSideBottom], false, bottom, left, right);
  static constexpr uint8_t kSolid[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  g.SetPattern(kSolid);
  g.SetPenSize(penWidth, penHeight);
  state.Restore();
}

void RuntimeListbox::DrawFocusRing(Graphics& g) {
  const int32_t row = FocusRow();
  if (!HasFocus() || hierarchical || row < 0 || row >= RowCount()) return;
  GtkWidget* widget = GetWidget();
  GdkWindow* drawable = g.TargetGdkDrawable();
  if (!widget || !widget->style || !drawable) return;
  const QV::Rect area = GetListRect();
  QV::Rect ring = RowRangeRect(row, 1);
  QV::Rect visible;
  if (!Intersect(ring, area, visible)) return;
  const QV::Rect d = GraphicsRectToDrawable(g, ring, false);
  const QV::Rect c = GraphicsRectToDrawable(g, visible, false);
  GdkRectangle clip = {c.left, c.top, c.right - c.left, c.bottom - c.top};
  gtk_paint_focus(widget->style, drawable, GTK_STATE_NORMAL, &clip, widget, nullptr, d.left,
                  d.top, d.right - d.left, d.bottom - d.top);
}

void RuntimeListbox::DrawFrame(Graphics& g) {
  GtkWidget* widget = GetWidget();
  if (!widget || !widget->style) return;
  const QV::Rect area = GetListRect();
  QV::Rect frame = GetBounds();
  frame.bottom = int16_t(area.bottom + 1);
  frame.right = int16_t(area.right + 1);
  GraphicsClipSaver saver(g);
  g.SetClipRect(GetBounds());
  const RGBColor16 before = g.ForeColor();
  g.SetForeColor(FromGdk(widget->style->fg[GTK_STATE_INSENSITIVE]));
  g.DrawRect(frame);
  g.SetForeColor(FromGdk(widget->style->light[GTK_STATE_NORMAL]));
  g.FillRect(MakeRect(frame.top, frame.right - 1, frame.bottom, frame.right));
  g.FillRect(MakeRect(frame.bottom - 1, frame.left, frame.bottom, frame.right));
  g.SetForeColor(before);
}
