#include "controls/StyledTextBaseImp.h"

#include <algorithm>

#include "core/RaiseException.h"
#include "strings/UTF8.h"

namespace {


// text cut after count characters: the head stays in text, the tail is answered.
string SplitText(string& text, int32_t count) {
  const char* begin = text.CString();
  const char* end = begin + text.Length();
  const char* p = begin;
  AdvanceUTF8(p, end, count);
  string tail = string::FromBytes(p, end - p, text.Encoding());
  text = string::FromBytes(begin, p - begin, text.Encoding());
  return tail;
}

}  // namespace

StyledTextBaseImp::StyledTextBaseImp() { mEntries.push_back(Entry{}); }

void StyledTextBaseImp::RecomputeStarts(size_t from) {
  for (size_t i = from; i < mEntries.size(); ++i) {
    mEntries[i].start = i == 0 ? 0 : mEntries[i - 1].start + mEntries[i - 1].length;
  }
}

int32_t StyledTextBaseImp::TextLength() const {
  return mEntries.empty() ? 0 : mEntries.back().start + mEntries.back().length;
}

void StyledTextBaseImp::Normalize() {
  size_t i = 1;
  while (i < mEntries.size()) {
    Entry& previous = mEntries[i - 1];
    Entry& entry = mEntries[i];
    if (previous.length == 0) {
      mEntries.erase(mEntries.begin() + long(i - 1));
    } else if (entry.run.SameStyle(previous.run) && entry.alignment == previous.alignment) {
      previous.length += entry.length;
      previous.run.text += entry.run.text;
      mEntries.erase(mEntries.begin() + long(i));
    } else {
      ++i;
    }
  }
  RecomputeStarts(0);
}

void StyledTextBaseImp::SplitAt(int32_t offset) {
  for (size_t i = 0; i < mEntries.size(); ++i) {
    Entry& entry = mEntries[i];
    if (offset <= entry.start || offset >= entry.start + entry.length) continue;
    Entry tail = entry;
    const int32_t head = offset - entry.start;
    tail.run.text = SplitText(entry.run.text, head);
    tail.start = offset;
    tail.length = entry.length - head;
    entry.length = head;
    mEntries.insert(mEntries.begin() + long(i + 1), tail);
    return;
  }
}

bool StyledTextBaseImp::IsolateRange(int32_t start, int32_t length, size_t* first,
                                     size_t* last) {
  if (start < 0 || length < 0) return false;
  const int32_t total = TextLength();
  const int32_t from = std::min(start, total);
  const int32_t to = int32_t(std::min<int64_t>(int64_t(start) + length, total));
  if (to <= from) return false;
  SplitAt(from);
  SplitAt(to);
  *first = mEntries.size();
  *last = 0;
  for (size_t i = 0; i < mEntries.size(); ++i) {
    const Entry& e = mEntries[i];
    if (e.start >= from && e.start + e.length <= to && e.length > 0) {
      *first = std::min(*first, i);
      *last = i + 1;
    }
  }
  return *first < *last;
}

bool StyledTextBaseImp::RunsOfRange(int32_t start, int32_t length, size_t* first,
                                    size_t* last) {
  if (start < 0 || length < 0 || mEntries.empty()) return false;
  const int64_t end = int64_t(start) + std::max(length, 1);
  *first = mEntries.size();
  *last = 0;
  for (size_t i = 0; i < mEntries.size(); ++i) {
    const Entry& e = mEntries[i];
    if (e.start < end && e.start + e.length > start) {
      *first = std::min(*first, i);
      *last = i + 1;
    }
  }
  if (*first < *last) return true;
  // Past the text (or an empty text): the last run answers.
  *first = mEntries.size() - 1;
  *last = mEntries.size();
  return true;
}

template <typename Apply>
void StyledTextBaseImp::SetAttribute(int32_t start, int32_t length, Apply apply) {
  size_t first = 0;
  size_t last = 0;
  if (!IsolateRange(start, length, &first, &last)) return;
  for (size_t i = first; i < last; ++i) apply(mEntries[i].run);
}

template <typename Value, typename Read>
bool StyledTextBaseImp::Common(int32_t start, int32_t length, Read read, Value* common) {
  Normalize();
  size_t first = 0;
  size_t last = 0;
  if (!RunsOfRange(start, length, &first, &last)) return false;
  *common = read(mEntries[first].run);
  for (size_t i = first + 1; i < last; ++i) {
    if (!(read(mEntries[i].run) == *common)) return true;  // differing: the caller's mixed value
  }
  return false;
}

void StyledTextBaseImp::SetBold(int32_t s, int32_t n, bool v) {
  SetAttribute(s, n, [v](StyleRunInfo& r) { r.bold = v; });
}
void StyledTextBaseImp::SetItalic(int32_t s, int32_t n, bool v) {
  SetAttribute(s, n, [v](StyleRunInfo& r) { r.italic = v; });
}
void StyledTextBaseImp::SetUnderline(int32_t s, int32_t n, bool v) {
  SetAttribute(s, n, [v](StyleRunInfo& r) { r.underline = v; });
}
void StyledTextBaseImp::SetFont(int32_t s, int32_t n, const string& v) {
  SetAttribute(s, n, [&v](StyleRunInfo& r) { r.font = v; });
}
void StyledTextBaseImp::SetSize(int32_t s, int32_t n, int32_t v) {
  SetAttribute(s, n, [v](StyleRunInfo& r) { r.size = v; });
}
void StyledTextBaseImp::SetColor(int32_t s, int32_t n, uint32_t v) {
  SetAttribute(s, n, [v](StyleRunInfo& r) { r.color = v; });
}

bool StyledTextBaseImp::GetBold(int32_t s, int32_t n) {
  bool value = false;
  return Common<bool>(s, n, [](const StyleRunInfo& r) { return r.bold; }, &value) || value;
}
bool StyledTextBaseImp::GetItalic(int32_t s, int32_t n) {
  bool value = false;
  return Common<bool>(s, n, [](const StyleRunInfo& r) { return r.italic; }, &value) || value;
}
bool StyledTextBaseImp::GetUnderline(int32_t s, int32_t n) {
  bool value = false;
  return Common<bool>(s, n, [](const StyleRunInfo& r) { return r.underline; }, &value) || value;
}

string StyledTextBaseImp::GetFont(int32_t s, int32_t n) {
  struct Name {
    string text;
    bool operator==(const Name& other) const { return text.CompareWithCase(other.text) == 0; }
  };
  Name value;
  if (Common<Name>(s, n, [](const StyleRunInfo& r) { return Name{r.font}; }, &value)) {
    return string();
  }
  return value.text;
}

int32_t StyledTextBaseImp::GetSize(int32_t s, int32_t n) {
  int32_t value = 0;
  if (Common<int32_t>(s, n, [](const StyleRunInfo& r) { return r.size; }, &value)) return -1;
  return value;
}

uint32_t StyledTextBaseImp::GetColor(int32_t s, int32_t n) {
  uint32_t value = 0;
  if (Common<uint32_t>(s, n, [](const StyleRunInfo& r) { return r.color; }, &value)) {
    return uint32_t(-1);
  }
  return value;
}

int32_t StyledTextBaseImp::StyleRunCount() {
  Normalize();
  return int32_t(mEntries.size());
}

bool StyledTextBaseImp::GetStyleRun(int32_t index, StyleRunInfo* run) {
  Normalize();
  if (index < 0 || index >= int32_t(mEntries.size())) {
    RaiseOutOfBoundsException();
    return false;
  }
  *run = mEntries[size_t(index)].run;
  return true;
}

void StyledTextBaseImp::InsertStyleRun(const StyleRunInfo& run, int32_t index) {
  if (index < 0) {
    RaiseOutOfBoundsException();
    return;
  }
  Entry entry;
  entry.run = run;
  entry.length = CharacterCount(run.text);
  const size_t at = std::min(size_t(index), mEntries.size());
  mEntries.insert(mEntries.begin() + long(at), entry);
  RecomputeStarts(at);
}

void StyledTextBaseImp::AppendStyleRun(const StyleRunInfo& run) {
  InsertStyleRun(run, int32_t(mEntries.size()));
}

void StyledTextBaseImp::RemoveStyleRun(int32_t index) {
  Normalize();
  if (index < 0 || index >= int32_t(mEntries.size())) {
    RaiseOutOfBoundsException();
    return;
  }
  mEntries.erase(mEntries.begin() + index);
  RecomputeStarts(size_t(index));
}

bool StyledTextBaseImp::GetStyleRunRange(int32_t index, int32_t* start, int32_t* length) {
  Normalize();
  if (index < 0 || index >= int32_t(mEntries.size())) {
    RaiseOutOfBoundsException();
    return false;
  }
  *start = mEntries[size_t(index)].start;
  *length = mEntries[size_t(index)].length;
  return true;
}

int32_t StyledTextBaseImp::GetParagraphAlignment(int32_t start, int32_t length) {
  Normalize();
  size_t first = 0;
  size_t last = 0;
  if (!RunsOfRange(start, length, &first, &last)) return 0;
  return mEntries[first].alignment;
}

void StyledTextBaseImp::SetParagraphAlignment(int32_t start, int32_t length,
                                              int32_t alignment) {
  size_t first = 0;
  size_t last = 0;
  if (!IsolateRange(start, length, &first, &last)) return;
  for (size_t i = first; i < last; ++i) mEntries[i].alignment = alignment;
}
