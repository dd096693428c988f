#include "listbox/ValidCellBlock.h"

#include <cstdlib>

void ValidCellBlock::Set(int32_t rowFrom, int32_t rowTo, int32_t columnFrom, int32_t columnTo) {
  firstRow = rowFrom;
  lastRow = rowTo;
  firstColumn = columnFrom;
  lastColumn = columnTo;
  if (IsEmpty() || lastRow < firstRow || lastColumn < firstColumn) Clear();
}

void ValidCellBlock::CutFrom(int32_t index, int32_t first, int32_t& last) {
  if (index <= first) {
    Clear();
  } else if (index <= last) {
    last = index - 1;
  }
}

void ValidCellBlock::Cut(int32_t row, int32_t column) {
  if (IsEmpty()) return;
  if (row < 0 && column < 0) {
    Clear();
    return;
  }
  const bool touchesRows = row < 0 || (row >= firstRow && row <= lastRow);
  const bool touchesColumns = column < 0 || (column >= firstColumn && column <= lastColumn);
  if (!touchesRows || !touchesColumns) return;
  // 64-bit products: a block of every row by 256 columns must not overflow.
  const int64_t height = int64_t(lastRow) - firstRow + 1;
  const int64_t width = int64_t(lastColumn) - firstColumn + 1;
  const int64_t midRow = firstRow + height / 2;
  const int64_t midColumn = firstColumn + width / 2;
  bool cutColumns = row < 0;
  if (row >= 0 && column >= 0) {
    const int64_t dr = std::llabs(row - midRow + 1);
    const int64_t dc = std::llabs(column - midColumn + 1);
    cutColumns = dr * width >= dc * height;
  }
  if (cutColumns) {
    if (column >= midColumn) {
      lastColumn = column - 1;
    } else {
      firstColumn = column + 1;
    }
  } else if (row >= midRow) {
    lastRow = row - 1;
  } else {
    firstRow = row + 1;
  }
  if (lastRow < firstRow || lastColumn < firstColumn) Clear();
}
