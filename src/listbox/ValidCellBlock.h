// The block of cells whose drawing is still valid: rows firstRow..lastRow by columns
// firstColumn..lastColumn. Drawing the whole row area makes it what was drawn; every change
// cuts the changed cell (or row, or column) out, keeping the larger part, so that the block
// stays a rectangle that never holds a changed cell.
#pragma once

#include <cstdint>

struct ValidCellBlock {
  int32_t firstRow = -1;
  int32_t lastRow = -1;
  int32_t firstColumn = -1;
  int32_t lastColumn = -1;

  // No cell's drawing is valid.
  bool IsEmpty() const { return firstRow < 0 || firstColumn < 0; }
  void Clear() { firstRow = lastRow = firstColumn = lastColumn = -1; }
  void Set(int32_t rowFrom, int32_t rowTo, int32_t columnFrom, int32_t columnTo);
  // row -1 is every row, column -1 every column; neither is below -1.
  void Cut(int32_t row, int32_t column);
  // Rows from row on (columns from column on) are no longer valid: a row at or before the
  // first valid one leaves nothing valid.
  void CutRowsFrom(int32_t row) { CutFrom(row, firstRow, lastRow); }
  void CutColumnsFrom(int32_t column) { CutFrom(column, firstColumn, lastColumn); }

 private:
  void CutFrom(int32_t index, int32_t first, int32_t& last);
};
