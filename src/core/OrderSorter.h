// A generic in-place sort that sees only indexes: the callbacks compare and exchange whatever
// the indexes stand for (list-box rows, blocks of a sort table). Not stable; where comparing
// is dear, orderSorterRanked reaches the same order with fewer comparisons. OrderSorterInline.h
// gives orderSorter over an order type, its comparisons and exchanges inlined.
#pragma once

#include <cstdint>

// Below, equal to or above 0 as row i sorts before, with or after row j.
using OrderCompareFunction = int32_t (*)(int32_t i, int32_t j, void* context);
using OrderSwapFunction = void (*)(int32_t i, int32_t j, void* context);

// Sorts the index range [low, high). A nil context sorts nothing. Never recurses: the pending
// ranges are kept in a small fixed stack, so any range size is safe.
void orderSorter(int32_t low, int32_t high, OrderCompareFunction compare, OrderSwapFunction swap,
                 void* context);

// What orderSorterRanked compares next in one of its runs: upcoming[0] is the element now at
// the run's head, then the ones after it, count in all. The hook may start loading what
// comparing them will read.
using OrderLookAheadFunction = void (*)(const int32_t* upcoming, int32_t count, void* context);

// The order orderSorter gives, equal elements in the same places, with about two thirds of its
// comparisons, for a compare that is a consistent order (any two elements compare the same way
// every time, and the order is transitive). A merge sort orders the elements first, noting
// which neighbours compared equal; where some did, orderSorter runs on the ranks that gives
// (equal elements share one), which answer its comparisons without calling compare. Then the
// elements are moved to where it put them, at most high - low - 1 swaps, all after the last
// comparison. With an inconsistent compare the range still ends as a permutation of itself.
// lookAhead may be nil; a nil context sorts nothing.
void orderSorterRanked(int32_t low, int32_t high, OrderCompareFunction compare,
                       OrderSwapFunction swap, OrderLookAheadFunction lookAhead, void* context);
