// The stand-alone styled-text model behind a StyledText object that compiled code makes: the
// text as a list of style runs, each with its start and length in characters and the
// alignment of the paragraphs it holds.
//
// Invariants: run starts are consecutive (each the previous start plus its length) and every
// run's length is the character count of its text. Before each query the list is normalised:
// an empty run goes (while another remains) and neighbours of the same style and alignment
// merge. Attribute and alignment ranges are clipped to the text and split the runs they cut,
// so no run ever holds a length without characters.
#pragma once

#include <vector>

#include "controls/EditControl.h"

class StyledTextBaseImp : public StyledTextDelegate {
 public:
  StyledTextBaseImp();

  void SetBold(int32_t start, int32_t length, bool value) override;
  void SetItalic(int32_t start, int32_t length, bool value) override;
  void SetUnderline(int32_t start, int32_t length, bool value) override;
  void SetFont(int32_t start, int32_t length, const string& font) override;
  void SetSize(int32_t start, int32_t length, int32_t size) override;
  void SetColor(int32_t start, int32_t length, uint32_t color) override;
  // Over the runs holding the range's characters (the one at start for an empty range): the
  // common value; flags true, numbers -1 and the font "" where the runs differ. A negative
  // start or length answers false, 0 or "".
  bool GetBold(int32_t start, int32_t length) override;
  bool GetItalic(int32_t start, int32_t length) override;
  bool GetUnderline(int32_t start, int32_t length) override;
  string GetFont(int32_t start, int32_t length) override;
  int32_t GetSize(int32_t start, int32_t length) override;
  uint32_t GetColor(int32_t start, int32_t length) override;
  int32_t StyleRunCount() override;
  // Outside 0 .. count - 1: OutOfBoundsException and false.
  bool GetStyleRun(int32_t index, StyleRunInfo* run) override;
  // At count or beyond: appended. Negative: OutOfBoundsException.
  void InsertStyleRun(const StyleRunInfo& run, int32_t index) override;
  void AppendStyleRun(const StyleRunInfo& run) override;
  // Outside 0 .. count - 1: OutOfBoundsException and no change.
  void RemoveStyleRun(int32_t index) override;
  bool GetStyleRunRange(int32_t index, int32_t* start, int32_t* length) override;
  int32_t GetParagraphAlignment(int32_t start, int32_t length) override;
  void SetParagraphAlignment(int32_t start, int32_t length, int32_t alignment) override;

 private:
  struct Entry {
    StyleRunInfo run;
    int32_t start = 0;
    int32_t length = 0;
    int32_t alignment = 0;
  };
  void Normalize();
  void RecomputeStarts(size_t from);
  int32_t TextLength() const;
  // Splits the run that holds offset strictly inside it, so that a run begins there.
  void SplitAt(int32_t offset);
  // The entries [first, last) holding the characters of (start, length) after splitting at
  // both ends; false when the range is negative or empty after clipping.
  bool IsolateRange(int32_t start, int32_t length, size_t* first, size_t* last);
  // The entries holding the range's characters, without splitting; false for none.
  bool RunsOfRange(int32_t start, int32_t length, size_t* first, size_t* last);
  template <typename Apply>
  void SetAttribute(int32_t start, int32_t length, Apply apply);
  template <typename Value, typename Read>
  bool Common(int32_t start, int32_t length, Read read, Value* common);

  std::vector<Entry> mEntries;
};
