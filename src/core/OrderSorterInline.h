// orderSorter for a caller whose order is a type: its members Compare(i, j) and Swap(i, j) do
// what orderSorter's callbacks would. The comparisons and exchanges are the same, in the same
// sequence, and so is the order, equal elements included; the compiler inlines them instead of
// calling through a pointer for each, which counts where comparing costs little.
#pragma once

#include <cstdint>

// Sorts order's indexes [low, high) as orderSorter does.
template <typename Order>
void orderSorterInline(Order& order, int32_t low, int32_t high);

namespace order_sorter {

struct IndexRange {
  int32_t low;
  int32_t high;
};

// Deferring the larger side and going on with the smaller keeps at most one pending range per
// halving, so 32 levels cover every 32-bit range.
constexpr int kPendingLimit = 33;

template <typename Order>
struct Sorter {
  Order& order;

  int32_t Compare(int32_t i, int32_t j) const { return order.Compare(i, j); }
  void Swap(int32_t i, int32_t j) const { order.Swap(i, j); }

  void SwapIfApart(int32_t i, int32_t j) const {
    if (i != j) Swap(i, j);
  }

  // Partitions [low, high) around its middle element and answers where the pivot ends up:
  // everything before it sorts at or before it, everything after it at or after it.
  int32_t Partition(int32_t low, int32_t high) const {
    int32_t pivot = static_cast<int32_t>((int64_t{low} + high) / 2);
    int32_t i = low;
    int32_t j = pivot + 1;
    for (;;) {
      while (i < pivot && Compare(i, pivot) <= 0) ++i;
      while (j < high && Compare(j, pivot) >= 0) ++j;
      if (i < pivot && j < high) {
        Swap(i++, j++);
      } else if (i < pivot) {
        // i belongs after the pivot: it takes the place just before the pivot, and the two
        // trade places. The unexamined element that moved to i is looked at next.
        SwapIfApart(i, pivot - 1);
        Swap(pivot - 1, pivot);
        --pivot;
      } else if (j < high) {
        // j belongs before the pivot: the same mirrored. What moved to j was already examined.
        SwapIfApart(j, pivot + 1);
        Swap(pivot, pivot + 1);
        ++pivot;
        ++j;
      } else {
        return pivot;
      }
    }
  }

  void Sort(int32_t low, int32_t high) const {
    IndexRange pending[kPendingLimit];
    int depth = 0;
    IndexRange range = {low, high};
    for (;;) {
      if (range.low < range.high) {
        int32_t pivot = Partition(range.low, range.high);
        IndexRange before = {range.low, pivot};
        IndexRange after = {pivot + 1, range.high};
        bool beforeIsSmaller = pivot - range.low <= range.high - pivot - 1;
        pending[depth++] = beforeIsSmaller ? after : before;
        range = beforeIsSmaller ? before : after;
        continue;
      }
      if (depth == 0) return;
      range = pending[--depth];
    }
  }
};

}  // namespace order_sorter

template <typename Order>
void orderSorterInline(Order& order, int32_t low, int32_t high) {
  order_sorter::Sorter<Order>{order}.Sort(low, high);
}
