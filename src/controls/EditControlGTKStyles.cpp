// The edit field on GTK: styles as text tags, the style runs read from them and written back,
// and the style-data string. Styles act only in a styled multi-line field; elsewhere the
// setters do nothing and the getters answer the whole field's style.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "controls/EditControlGTK.h"
#include "controls/StyleData.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "graphics/PangoFonts.h"
#include "strings/UTF8.h"

namespace {

constexpr const char* kFontPrefix = "fontName";
constexpr const char* kSizePrefix = "fontSize";
constexpr const char* kColorPrefix = "foregroundColor";
constexpr const char* kBlack = "000000000000";
constexpr const char* kJustifyTags[] = {"center", "left justify", "right justify"};

bool HasPrefix(const char* name, const char* prefix) {
  return name && strncmp(name, prefix, strlen(prefix)) == 0;
}

std::string ColorText(const RGBColor16& c) {
  char text[16];
  snprintf(text, sizeof text, "%04X%04X%04X", c.red, c.green, c.blue);
  return text;
}

// "RRRRGGGGBBBB" back to the channels; anything else is black.
RGBColor16 ColorFromText(const std::string& text) {
  if (text.size() != 12) return {0, 0, 0};
  auto channel = [&](size_t at) {
    return uint16_t(strtoul(text.substr(at, 4).c_str(), nullptr, 16));
  };
  return {channel(0), channel(4), channel(8)};
}

struct TagCollector {
  const char* prefix;
  std::vector<GtkTextTag*> tags;
};

void CollectTag(GtkTextTag* tag, gpointer data) {
  auto* collector = static_cast<TagCollector*>(data);
  gchar* name = nullptr;
  g_object_get(tag, "name", &name, nullptr);
  if (HasPrefix(name, collector->prefix)) collector->tags.push_back(tag);
  g_free(name);
}

string Utf8(const std::string& text) {
  return string::FromBytes(text.data(), int64_t(text.size()), kEncodingUTF8);
}

}  // namespace

// ---- ranges and tags ----

void EditControlGTK::ClampRange(int32_t* start, int32_t* length) {
  const int32_t count = mMultiLine ? gtk_text_buffer_get_char_count(mBuffer) : TextLength();
  *start = std::clamp(*start, 0, count);
  *length = std::clamp(*length, 0, count - *start);
}

bool EditControlGTK::SelectionOrCaret(int32_t* start, int32_t* end) {
  *start = GetSelStart();
  *end = GetSelEnd();
  if (*start != *end) return true;
  *end = *start + 1;  // the one character after the caret
  return false;
}

void EditControlGTK::ApplyFixedTag(GtkTextTag* tag, int32_t start, int32_t end, bool value) {
  if (!StyledMultiLine() || !tag) return;
  mRunsStale = true;
  GtkTextIter from;
  GtkTextIter to;
  IterAt(&from, start);
  IterAt(&to, end);
  if (value) {
    gtk_text_buffer_apply_tag(mBuffer, tag, &from, &to);
  } else {
    gtk_text_buffer_remove_tag(mBuffer, tag, &from, &to);
  }
}

bool EditControlGTK::TagCovers(GtkTextTag* tag, int32_t start, int32_t end) {
  if (!StyledMultiLine() || !tag) return false;
  GtkTextIter iter;
  IterAt(&iter, start);
  if (!gtk_text_iter_has_tag(&iter, tag)) return false;
  if (end <= start) return true;
  gtk_text_iter_forward_to_tag_toggle(&iter, tag);
  return gtk_text_iter_get_offset(&iter) >= end;
}

// The value tags the field made of a prefix, which are all there are: the field alone makes
// them. Nil for other prefixes.
std::vector<GtkTextTag*>* EditControlGTK::ValueTags(const char* prefix) {
  if (prefix == kFontPrefix) return &mValueTags[0];
  if (prefix == kSizePrefix) return &mValueTags[1];
  if (prefix == kColorPrefix) return &mValueTags[2];
  return nullptr;
}

// Whether tag lies on some character of [from, to): a removal that finds nothing to remove
// still walks the range, a look at the toggles does not.
bool EditControlGTK::TagTouches(GtkTextTag* tag, const GtkTextIter* from, const GtkTextIter* to) {
  if (gtk_text_iter_has_tag(from, tag)) return true;
  GtkTextIter next = *from;
  return gtk_text_iter_forward_to_tag_toggle(&next, tag) && gtk_text_iter_compare(&next, to) < 0;
}

// Every tag with one of the prefixes, except keep, comes off the range: the same as looking
// at each character's tags, without the walk.
void EditControlGTK::RemoveTagsByPrefix(int32_t start, int32_t end, const char* const* prefixes,
                                        int count, GtkTextTag* keep) {
  if (!QV_CHECK_TEXT(mMultiLine, "IsMultiline()", nullptr)) return;
  mRunsStale = true;
  GtkTextIter from;
  GtkTextIter to;
  IterAt(&from, start);
  IterAt(&to, end);
  GtkTextTagTable* table = gtk_text_buffer_get_tag_table(mBuffer);
  for (int i = 0; i < count; ++i) {
    TagCollector collector{prefixes[i], {}};
    const std::vector<GtkTextTag*>* tags = ValueTags(prefixes[i]);
    if (!tags) {
      gtk_text_tag_table_foreach(table, &CollectTag, &collector);
      tags = &collector.tags;
    }
    for (GtkTextTag* tag : *tags) {
      if (tag != keep && TagTouches(tag, &from, &to)) {
        gtk_text_buffer_remove_tag(mBuffer, tag, &from, &to);
      }
    }
  }
}

// The value after prefix of the tag each character of [start, end) carries (fallback without
// one): the common value, "" when two differ, fallback for an empty range.
string EditControlGTK::CommonTagValue(int32_t start, int32_t end, const char* prefix,
                                      const string& fallback) {
  if (!mMultiLine || end <= start) return fallback;
  const size_t prefixLength = strlen(prefix);
  std::string common;
  bool first = true;
  GtkTextIter iter;
  IterAt(&iter, start);
  for (int32_t i = start; i < end && !gtk_text_iter_is_end(&iter); ++i) {
    std::string value = fallback.CString();
    GSList* tags = gtk_text_iter_get_tags(&iter);
    for (GSList* t = tags; t; t = t->next) {
      gchar* name = nullptr;
      g_object_get(t->data, "name", &name, nullptr);
      if (HasPrefix(name, prefix)) value = name + prefixLength;
      g_free(name);
    }
    g_slist_free(tags);
    if (first) {
      common = value;
      first = false;
    } else if (value != common) {
      return string();
    }
    gtk_text_iter_forward_char(&iter);
  }
  return first ? fallback : Utf8(common);
}

void EditControlGTK::ApplyValueTag(int32_t start, int32_t end, const char* prefix,
                                   const string& value) {
  if (!StyledMultiLine()) return;
  mRunsStale = true;
  const std::string name = std::string(prefix) + value.CString();
  GtkTextTagTable* table = gtk_text_buffer_get_tag_table(mBuffer);
  GtkTextTag* tag = gtk_text_tag_table_lookup(table, name.c_str());
  RemoveTagsByPrefix(start, end, &prefix, 1, tag);
  if (!tag) {
    if (prefix == kFontPrefix) {
      tag = gtk_text_buffer_create_tag(mBuffer, name.c_str(), "family", value.CString(), nullptr);
    } else if (prefix == kSizePrefix) {
      tag = gtk_text_buffer_create_tag(mBuffer, name.c_str(), "size",
                                       atoi(value.CString()) * PANGO_SCALE, nullptr);
    } else {
      const RGBColor16 c = ColorFromText(value.CString());
      GdkColor color{0, c.red, c.green, c.blue};
      tag = gtk_text_buffer_create_tag(mBuffer, name.c_str(), "foreground-gdk", &color, nullptr);
    }
    ValueTags(prefix)->push_back(tag);
  }
  GtkTextIter from;
  GtkTextIter to;
  IterAt(&from, start);
  IterAt(&to, end);
  gtk_text_buffer_apply_tag(mBuffer, tag, &from, &to);
}

// ---- the selection ----

void EditControlGTK::SetSelBold(bool value) {
  if (GetSelectionBounds()) ApplyFixedTag(mBoldTag, GetSelStart(), GetSelEnd(), value);
}
void EditControlGTK::SetSelItalic(bool value) {
  if (GetSelectionBounds()) ApplyFixedTag(mItalicTag, GetSelStart(), GetSelEnd(), value);
}
void EditControlGTK::SetSelUnderline(bool value) {
  if (GetSelectionBounds()) ApplyFixedTag(mUnderlineTag, GetSelStart(), GetSelEnd(), value);
}
bool EditControlGTK::GetSelBold() { return TagCovers(mBoldTag, GetSelStart(), GetSelEnd()); }
bool EditControlGTK::GetSelItalic() { return TagCovers(mItalicTag, GetSelStart(), GetSelEnd()); }
bool EditControlGTK::GetSelUnderline() {
  return TagCovers(mUnderlineTag, GetSelStart(), GetSelEnd());
}

void EditControlGTK::SetSelPlain(bool) {
  if (!mMultiLine || !GetSelectionBounds()) return;
  static const char* const kPlainPrefixes[] = {"bold", "italic", "underline"};
  RemoveTagsByPrefix(GetSelStart(), GetSelEnd(), kPlainPrefixes, 3);
}

void EditControlGTK::SetSelFont(string& font) {
  if (!StyledMultiLine() || !GetSelectionBounds()) return;
  ApplyValueTag(GetSelStart(), GetSelEnd(), kFontPrefix, MapSystemFontName(font, true));
}

void EditControlGTK::SetSelTextSize(int32_t size) {
  if (!StyledMultiLine() || !GetSelectionBounds()) return;
  const std::string value = std::to_string(MapSystemFontSize(size, true));
  ApplyValueTag(GetSelStart(), GetSelEnd(), kSizePrefix, value.c_str());
}

void EditControlGTK::SetSelTextColor(const RGBColor16& color) {
  if (!StyledMultiLine() || !GetSelectionBounds()) return;
  ApplyValueTag(GetSelStart(), GetSelEnd(), kColorPrefix, ColorText(color).c_str());
}

string EditControlGTK::GetSelTextFont() {
  int32_t start = 0;
  int32_t end = 0;
  SelectionOrCaret(&start, &end);
  string fallback = mFont.name;
  fallback = MapSystemFontName(fallback, true);
  string value = CommonTagValue(start, end, kFontPrefix, fallback);
  return value.IsEmpty() ? value : MapSystemFontName(value, false);
}

int32_t EditControlGTK::GetSelTextSize() {
  int32_t start = 0;
  int32_t end = 0;
  SelectionOrCaret(&start, &end);
  const std::string fallback = std::to_string(MapSystemFontSize(mFont.size, true));
  const string value = CommonTagValue(start, end, kSizePrefix, fallback.c_str());
  return value.IsEmpty() ? 0 : MapSystemFontSize(atoi(value.CString()), false);
}

RGBColor16 EditControlGTK::GetSelTextColor() {
  int32_t start = 0;
  int32_t end = 0;
  SelectionOrCaret(&start, &end);
  return ColorFromText(CommonTagValue(start, end, kColorPrefix, kBlack).CString());
}

// ---- ranges ----

void EditControlGTK::SetRangeBold(int32_t start, int32_t length, bool value) {
  ClampRange(&start, &length);
  ApplyFixedTag(mBoldTag, start, start + length, value);
}
void EditControlGTK::SetRangeItalic(int32_t start, int32_t length, bool value) {
  ClampRange(&start, &length);
  ApplyFixedTag(mItalicTag, start, start + length, value);
}
void EditControlGTK::SetRangeUnderline(int32_t start, int32_t length, bool value) {
  ClampRange(&start, &length);
  ApplyFixedTag(mUnderlineTag, start, start + length, value);
}
bool EditControlGTK::RangeIsBold(int32_t start, int32_t length) {
  ClampRange(&start, &length);
  return TagCovers(mBoldTag, start, start + length);
}
bool EditControlGTK::RangeIsItalic(int32_t start, int32_t length) {
  ClampRange(&start, &length);
  return TagCovers(mItalicTag, start, start + length);
}
bool EditControlGTK::RangeIsUnderline(int32_t start, int32_t length) {
  ClampRange(&start, &length);
  return TagCovers(mUnderlineTag, start, start + length);
}

string EditControlGTK::GetRangeFont(int32_t start, int32_t length) {
  if (!StyledMultiLine()) return string();
  ClampRange(&start, &length);
  string value = CommonTagValue(start, start + length, kFontPrefix, string());
  return value.IsEmpty() ? value : MapSystemFontName(value, false);
}

int32_t EditControlGTK::GetRangeSize(int32_t start, int32_t length) {
  if (!StyledMultiLine()) return 0;
  ClampRange(&start, &length);
  const string value = CommonTagValue(start, start + length, kSizePrefix, string());
  return value.IsEmpty() ? 0 : MapSystemFontSize(atoi(value.CString()), false);
}

uint32_t EditControlGTK::GetRangeColor(int32_t start, int32_t length) {
  if (!StyledMultiLine()) return 0;
  ClampRange(&start, &length);
  return RGBFromColor(
      ColorFromText(CommonTagValue(start, start + length, kColorPrefix, string()).CString()));
}

void EditControlGTK::SetStyleFont(int32_t start, int32_t length, const string& font) {
  if (!StyledMultiLine()) return;
  ClampRange(&start, &length);
  string name = font;
  ApplyValueTag(start, start + length, kFontPrefix, MapSystemFontName(name, true));
}

void EditControlGTK::SetStyleSize(int32_t start, int32_t length, int32_t size) {
  if (!StyledMultiLine()) return;
  ClampRange(&start, &length);
  const std::string value = std::to_string(MapSystemFontSize(size, true));
  ApplyValueTag(start, start + length, kSizePrefix, value.c_str());
}

void EditControlGTK::SetStyleColor(int32_t start, int32_t length, uint32_t color) {
  if (!StyledMultiLine()) return;
  ClampRange(&start, &length);
  ApplyValueTag(start, start + length, kColorPrefix, ColorText(ColorFromRGB(color)).c_str());
}

// The other justification tags come off first: by their priorities left over a right-aligned
// paragraph, or centre over either, would not show.
void EditControlGTK::SetParagraphAlignment(int32_t start, int32_t length, int32_t alignment) {
  if (!mMultiLine || alignment < kFieldAlignDefault || alignment > kFieldAlignRight) return;
  ClampRange(&start, &length);
  mRunsStale = true;
  const char* wanted = alignment == kFieldAlignCenter  ? kJustifyTags[0]
                       : alignment == kFieldAlignRight ? kJustifyTags[2]
                                                  : kJustifyTags[1];
  GtkTextIter from;
  GtkTextIter to;
  IterAt(&from, start);
  IterAt(&to, start + length);
  for (const char* name : kJustifyTags) {
    if (name != wanted) gtk_text_buffer_remove_tag_by_name(mBuffer, name, &from, &to);
  }
  gtk_text_buffer_apply_tag_by_name(mBuffer, wanted, &from, &to);
}

// ---- style runs ----

// The style of the characters from iter to the next toggle of any tag, from the tags there:
// what the range getters answer for each of those characters (font, size and colour empty,
// 0 and black where no tag names them).
StyleRunInfo EditControlGTK::StyleAt(const GtkTextIter* iter) {
  StyleRunInfo style;
  GSList* tags = gtk_text_iter_get_tags(iter);
  for (GSList* t = tags; t; t = t->next) {
    GtkTextTag* tag = GTK_TEXT_TAG(t->data);
    if (tag == mBoldTag) style.bold = true;
    if (tag == mItalicTag) style.italic = true;
    if (tag == mUnderlineTag) style.underline = true;
    gchar* name = nullptr;
    g_object_get(tag, "name", &name, nullptr);
    if (HasPrefix(name, kFontPrefix)) {
      string font = Utf8(name + strlen(kFontPrefix));
      style.font = MapSystemFontName(font, false);
    } else if (HasPrefix(name, kSizePrefix)) {
      style.size = MapSystemFontSize(atoi(name + strlen(kSizePrefix)), false);
    } else if (HasPrefix(name, kColorPrefix)) {
      style.color = RGBFromColor(ColorFromText(name + strlen(kColorPrefix)));
    }
    g_free(name);
  }
  g_slist_free(tags);
  return style;
}

// Calls segment(style, text, characters) for each stretch of the text between two toggles of
// any tag, in order; an unstyled or single-line field is one stretch of the default style.
template <typename Segment>
void EditControlGTK::ForEachStyleStretch(Segment segment) {
  if (!StyledMultiLine()) {
    const string text = GetText(kEncodingUTF8);
    segment(StyleRunInfo{}, text, CharacterCount(text));
    return;
  }
  GtkTextIter iter;
  GtkTextIter end;
  gtk_text_buffer_get_bounds(mBuffer, &iter, &end);
  while (!gtk_text_iter_equal(&iter, &end)) {
    GtkTextIter next = iter;
    gtk_text_iter_forward_to_tag_toggle(&next, nullptr);
    const StyleRunInfo style = StyleAt(&iter);
    gchar* bytes = gtk_text_buffer_get_text(mBuffer, &iter, &next, FALSE);
    const string text = string::FromBytes(bytes, int64_t(strlen(bytes)), kEncodingUTF8);
    g_free(bytes);
    segment(style, text, gtk_text_iter_get_offset(&next) - gtk_text_iter_get_offset(&iter));
    iter = next;
  }
}

void EditControlGTK::RebuildRuns() {
  if (!mRunsStale) return;
  mRuns.clear();
  bool first = true;
  ForEachStyleStretch([&](const StyleRunInfo& style, const string& text, int32_t) {
    if (!first && style.SameStyle(mRuns.back())) {
      mRuns.back().text += text;
      return;
    }
    first = false;
    mRuns.push_back(style);
    // Only a styled multi-line field hands its text to the runs.
    if (StyledMultiLine()) mRuns.back().text = text;
  });
  if (mRuns.empty()) mRuns.emplace_back();  // an empty text has one run
  mRunsStale = false;
}

int32_t EditControlGTK::StyleRunCount() {
  RebuildRuns();
  return int32_t(mRuns.size());
}

int32_t EditControlGTK::RunStart(int32_t index) {
  int32_t start = 0;
  for (int32_t i = 0; i < index && i < int32_t(mRuns.size()); ++i) {
    start += CharacterCount(mRuns[size_t(i)].text);
  }
  return start;
}

bool EditControlGTK::GetStyleRun(int32_t index, StyleRunInfo* run) {
  RebuildRuns();
  if (index < 0 || index >= int32_t(mRuns.size())) {
    RaiseOutOfBoundsException();
    return false;
  }
  *run = mRuns[size_t(index)];
  return true;
}

bool EditControlGTK::GetStyleRunRange(int32_t index, int32_t* start, int32_t* length) {
  RebuildRuns();
  if (index < 0 || index >= int32_t(mRuns.size())) {
    RaiseOutOfBoundsException();
    return false;
  }
  *start = RunStart(index);
  *length = CharacterCount(mRuns[size_t(index)].text);
  return true;
}

// A run's default font, size and colour (empty, 0, black) leave the text untagged, as the
// runs read them back, rather than naming the desktop's defaults.
void EditControlGTK::ApplyRunStyle(const StyleRunInfo& run, int32_t start, int32_t length) {
  SetRangeBold(start, length, run.bold);
  SetRangeItalic(start, length, run.italic);
  SetRangeUnderline(start, length, run.underline);
  ClampRange(&start, &length);
  const int32_t end = start + length;
  if (run.font.IsEmpty()) {
    RemoveTagsByPrefix(start, end, &kFontPrefix, 1);
  } else {
    SetStyleFont(start, length, run.font);
  }
  if (run.size == 0) {
    RemoveTagsByPrefix(start, end, &kSizePrefix, 1);
  } else {
    SetStyleSize(start, length, run.size);
  }
  if (run.color == 0) {
    RemoveTagsByPrefix(start, end, &kColorPrefix, 1);
  } else {
    SetStyleColor(start, length, run.color);
  }
}

void EditControlGTK::InsertStyleRun(const StyleRunInfo& run, int32_t index) {
  RebuildRuns();
  mRunsStale = true;
  if (!StyledMultiLine()) return;
  const int32_t position = RunStart(index < 0 ? 0 : index);
  const string text = TextForPango(run.text);
  GtkTextIter iter;
  IterAt(&iter, position);
  gtk_text_buffer_insert(mBuffer, &iter, text.CString(), text.Length());
  if (IsClosing()) return;
  ApplyRunStyle(run, position, CharacterCount(text));
}

void EditControlGTK::AppendStyleRun(const StyleRunInfo& run) {
  InsertStyleRun(run, INT32_MAX);
}

void EditControlGTK::RemoveStyleRun(int32_t index) {
  RebuildRuns();
  if (index < 0 || index >= int32_t(mRuns.size())) {
    RaiseOutOfBoundsException();
    return;
  }
  mRunsStale = true;
  if (!StyledMultiLine()) return;
  const int32_t start = RunStart(index);
  GtkTextIter from;
  GtkTextIter to;
  IterAt(&from, start);
  IterAt(&to, start + CharacterCount(mRuns[size_t(index)].text));
  gtk_text_buffer_delete(mBuffer, &from, &to);
}

// ---- style data ----

// One record per character; each stretch between tag toggles has one style. Untagged
// characters have the whole field's font and size, as the selection getters answer them.
string EditControlGTK::GetTextStyleData() {
  string fieldFont = mFont.name;
  string desktopFont = MapSystemFontName(fieldFont, true);
  fieldFont = MapSystemFontName(desktopFont, false);
  const int32_t fieldSize = MapSystemFontSize(MapSystemFontSize(mFont.size, true), false);
  std::vector<CharacterStyle> characters;
  ForEachStyleStretch([&](const StyleRunInfo& style, const string&, int32_t count) {
    CharacterStyle c;
    c.bold = style.bold;
    c.italic = style.italic;
    c.underline = style.underline;
    c.font = (style.font.IsEmpty() ? fieldFont : style.font).CString();
    c.color = style.color;
    c.size = style.size ? style.size : fieldSize;
    characters.insert(characters.end(), size_t(count), c);
  });
  const std::string bytes = EncodeStyleData(characters);
  return string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingNone);
}

void EditControlGTK::SetTextAndStyle(const string& text, const string& styleData) {
  mRunsStale = true;
  SetText(text);
  if (IsClosing()) return;
  const StyleDataReading reading =
      ParseStyleData(styleData.Bytes(), styleData.Length(), TextLength());
  for (const StyleSpan& span : reading.spans) {
    const int32_t length = span.end - span.start;
    switch (span.attribute) {
      case StyleAttribute::kBold:
        SetRangeBold(span.start, length, true);
        break;
      case StyleAttribute::kItalic:
        SetRangeItalic(span.start, length, true);
        break;
      case StyleAttribute::kUnderline:
        SetRangeUnderline(span.start, length, true);
        break;
      case StyleAttribute::kFont:
        SetStyleFont(span.start, length, Utf8(span.font));
        break;
      case StyleAttribute::kColor:
        SetStyleColor(span.start, length, span.color);
        break;
      case StyleAttribute::kSize:
        SetStyleSize(span.start, length, span.size);
        break;
    }
  }
  if (reading.cutShort) {
    const std::string where = "style data record cut short at byte " +
                              std::to_string(reading.cutOffset);
    QV_FAIL_TEXT("styleData record complete", where.c_str());
  }
  SetSelStart(reading.records + 1);
}
