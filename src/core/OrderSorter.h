// A generic in-place sort that sees only indexes: the callbacks compare and exchange whatever
// the indexes stand for (list-box rows, blocks of a sort table). Not stable.
#pragma once

#include <cstdint>

// Below, equal to or above 0 as row i sorts before, with or after row j.
using OrderCompareFunction = int32_t (*)(int32_t i, int32_t j, void* context);
using OrderSwapFunction = void (*)(int32_t i, int32_t j, void* context);

// Sorts the index range [low, high). A nil context sorts nothing. Never recurses: the pending
// ranges are kept in a small fixed stack, so any range size is safe.
void orderSorter(int32_t low, int32_t high, OrderCompareFunction compare, OrderSwapFunction swap,
                 void* context);
