#include "core/OrderSorter.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "core/OrderSorterInline.h"
#include "core/RuntimeError.h"

namespace {

// The callbacks as the caller gave them.
struct CallbackOrder {
  OrderCompareFunction compare;
  OrderSwapFunction swap;
  void* context;

  int32_t Compare(int32_t i, int32_t j) const { return compare(i, j, context); }
  void Swap(int32_t i, int32_t j) const { swap(i, j, context); }
};

// A bottom-up merge sort of the indexes that also notes, for each element of the sorted run,
// whether it compared equal to the one before it. Two neighbours of a merged run were always
// compared with each other, in that merge or in the one that made their common run, so the
// notes cost no comparison of their own.
struct Ranker {
  OrderCompareFunction compare;
  OrderLookAheadFunction lookAhead;
  void* context;

  std::vector<int32_t> sorted;
  std::vector<uint8_t> tied;  // tied[k]: sorted[k] compared equal to sorted[k - 1]

  void LookAhead(const int32_t* at, const int32_t* end) const {
    if (lookAhead && at < end) lookAhead(at, static_cast<int32_t>(end - at), context);
  }

  // One run of a merge: its next element and that element's note.
  struct Run {
    const int32_t* at;
    const int32_t* end;
    const uint8_t* tied;
  };

  // Merges runs x and y into out; ties take x first. An element written right after one of its
  // own run keeps its note; one written after the other run's element takes what the comparison
  // that wrote that element said: an x written because the head of y did not sort before it is
  // equal to that head when they compared equal, and a y written before the head of x sorts
  // strictly before it. The look-ahead of a run goes on past its end to the end of the pass
  // (limit): what follows a short run is compared soon after it, in this merge or the next.
  void Merge(Run x, Run y, const int32_t* limit, int32_t* out, uint8_t* outTied) const {
    enum { kNone, kX, kY } last = kNone;
    bool equalAcross = false;
    auto take = [&](Run& run, bool isX) {
      const bool same = last == (isX ? kX : kY);
      *outTied++ = same ? *run.tied : last != kNone && equalAcross;
      *out++ = *run.at++;
      ++run.tied;
      last = isX ? kX : kY;
    };
    LookAhead(x.at, limit);
    LookAhead(y.at, limit);
    while (x.at < x.end && y.at < y.end) {
      const int32_t sign = compare(*y.at, *x.at, context);
      if (sign < 0) {
        take(y, false);
        equalAcross = false;
        LookAhead(y.at, limit);
      } else {
        take(x, true);
        equalAcross = sign == 0;
        LookAhead(x.at, limit);
      }
    }
    while (x.at < x.end) take(x, true);
    while (y.at < y.end) take(y, false);
  }

  // Sorts the indexes of [low, low + n).
  void Sort(int32_t low, int32_t n) {
    sorted.resize(static_cast<size_t>(n));
    tied.assign(static_cast<size_t>(n), 0);
    std::vector<int32_t> spare(static_cast<size_t>(n));
    std::vector<uint8_t> spareTied(static_cast<size_t>(n));
    for (int32_t k = 0; k < n; ++k) sorted[k] = low + k;
    for (int64_t width = 1; width < n; width *= 2) {
      for (int64_t start = 0; start < n; start += 2 * width) {
        const int64_t middle = std::min<int64_t>(start + width, n);
        const int64_t end = std::min<int64_t>(start + 2 * width, n);
        const int32_t* run = sorted.data();
        Merge(Run{run + start, run + middle, &tied[start]},
              Run{run + middle, run + end, tied.data() + middle}, run + n, &spare[start],
              &spareTied[start]);
      }
      std::swap(sorted, spare);
      std::swap(tied, spareTied);
    }
  }

  bool AnyTie() const { return std::find(tied.begin(), tied.end(), 1) != tied.end(); }

  // rank[i - low] for every index i of the sorted range: equal elements share a rank.
  std::vector<int32_t> Ranks(int32_t low) const {
    std::vector<int32_t> rank(sorted.size());
    for (size_t k = 1; k < sorted.size(); ++k) {
      rank[sorted[k] - low] = rank[sorted[k - 1] - low] + (tied[k] ? 0 : 1);
    }
    return rank;
  }
};

// orderSorter's order over the ranks: comparing reads them, swapping moves them along with the
// origin of each place, so that afterwards place k holds what was at origin[k].
struct RankedReplay {
  std::vector<int32_t> rank;
  std::vector<int32_t> origin;
  int32_t low;

  int32_t Compare(int32_t i, int32_t j) const {
    const int32_t a = rank[i - low], b = rank[j - low];
    return (a > b) - (a < b);
  }
  void Swap(int32_t i, int32_t j) {
    std::swap(rank[i - low], rank[j - low]);
    std::swap(origin[i - low], origin[j - low]);
  }

  // Moves the caller's elements to where the replay put them, a cycle of the permutation at a
  // time: each cycle of length L takes L - 1 swaps.
  void Apply(OrderSwapFunction swap, void* context) const {
    const int32_t n = static_cast<int32_t>(origin.size());
    std::vector<bool> placed(static_cast<size_t>(n));
    for (int32_t start = 0; start < n; ++start) {
      if (placed[start]) continue;
      placed[start] = true;
      for (int32_t at = start; origin[at] != start; at = origin[at]) {
        swap(low + at, low + origin[at], context);
        placed[origin[at]] = true;
      }
    }
  }
};

}  // namespace

void orderSorterRanked(int32_t low, int32_t high, OrderCompareFunction compare,
                       OrderSwapFunction swap, OrderLookAheadFunction lookAhead, void* context) {
  if (!context || low >= high) return;
  if (!QV_CHECK(compare && swap)) return;
  if (int64_t{high} - low > INT32_MAX) return orderSorter(low, high, compare, swap, context);
  const int32_t n = high - low;
  Ranker ranker{compare, lookAhead, context, {}, {}};
  ranker.Sort(low, n);
  RankedReplay replay{{}, std::vector<int32_t>(static_cast<size_t>(n)), low};
  if (ranker.AnyTie()) {
    // Where equal elements end up is orderSorter's to say: it runs on their ranks.
    replay.rank = ranker.Ranks(low);
    for (int32_t k = 0; k < n; ++k) replay.origin[k] = k;
    orderSorterInline(replay, low, high);
  } else {
    // Without equal elements there is one sorted order, the merge's.
    for (int32_t k = 0; k < n; ++k) replay.origin[k] = ranker.sorted[k] - low;
  }
  replay.Apply(swap, context);
}

void orderSorter(int32_t low, int32_t high, OrderCompareFunction compare, OrderSwapFunction swap,
                 void* context) {
  if (!context || low >= high) return;
  if (!QV_CHECK(compare && swap)) return;
  CallbackOrder order{compare, swap, context};
  orderSorterInline(order, low, high);
}
