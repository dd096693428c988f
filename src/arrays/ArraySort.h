// Sorting: a three-way-partitioning quicksort with a median-of-three pivot, driven by explicit
// stacks of range ends instead of recursion (the left part is handled first), that hands
// ranges of at most 16 elements to an insertion sort. Runs of equal keys cost one pass. It is
// not stable: only the insertion sort keeps the order of equal elements.
//
// It comes in a direct form that moves elements and an indexed form that sorts a permutation
// of positions by the elements' values (SortWith sorts that once and then moves each element of
// each array once). `after (a, b)` is the only question ever asked of two elements.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/Memory.h"
#include "core/SimpleVector.h"

constexpr int32_t kInsertionSortLimit = 16;  // h - l below this goes to insertion sort

// The direct form's access: element k of the data.
template <typename T>
struct DirectSortView {
  using Slot = T;
  T* x;
  Slot Get(int32_t k) const { return x[k]; }
  void Put(int32_t k, Slot slot) const { x[k] = slot; }
  T Value(int32_t k) const { return x[k]; }
  T ValueOf(Slot slot) const { return slot; }
};

// The indexed form's access: comparisons read x[p[k]], moves move entries of p.
template <typename T>
struct PermutationSortView {
  using Slot = int32_t;
  const T* x;
  int32_t* p;
  Slot Get(int32_t k) const { return p[k]; }
  void Put(int32_t k, Slot slot) const { p[k] = slot; }
  T Value(int32_t k) const { return x[p[k]]; }
  T ValueOf(Slot slot) const { return x[slot]; }
};

template <typename View, typename After>
void InsertionSortRange(const View& view, int32_t low, int32_t high, After after) {
  for (int32_t k = low + 1; k <= high; ++k) {
    const auto kept = view.Get(k);
    const auto value = view.ValueOf(kept);
    int32_t j = k;
    for (; j > low && after(view.Value(j - 1), value); --j) view.Put(j, view.Get(j - 1));
    view.Put(j, kept);
  }
}

// Median of three: the position whose value becomes the pivot of x[l..h].
template <typename View, typename After>
int32_t PivotPosition(const View& view, int32_t l, int32_t h, After after) {
  const int32_t m = (l + h) / 2;
  int32_t p = l, q = m;
  if (after(view.Value(l), view.Value(m))) {
    p = m;
    q = l;
  }
  int32_t r = h;
  if (after(view.Value(p), view.Value(h))) r = p;
  if (after(view.Value(q), view.Value(r))) q = r;
  return q;
}

template <typename View, typename After>
void SortRange(const View& view, int32_t lo, int32_t hi, After after) {
  SimpleVector<int> lows, highs;
  lows.Append(lo);
  highs.Append(hi);
  while (!lows.empty()) {
    const int32_t l = lows.Pop();
    const int32_t h = highs.Pop();
    if (l >= h) continue;
    if (h - l < kInsertionSortLimit) {
      InsertionSortRange(view, l, h, after);
      continue;
    }
    const auto pivot = view.Value(PivotPosition(view, l, h, after));
    int32_t lt = l, i = l, gt = h;
    while (i <= gt) {
      const auto atGt = view.Get(gt);
      const auto value = view.ValueOf(atGt);
      if (after(value, pivot)) {
        --gt;
        continue;
      }
      // x[i] and x[gt] change places, then x[i] (what x[gt] was, still at hand) and x[lt]
      // when the pivot sorts after it: nothing is read back that was just stored.
      view.Put(gt, view.Get(i));
      if (after(pivot, value)) {
        view.Put(i, view.Get(lt));
        view.Put(lt, atGt);
        ++lt;
      } else {
        view.Put(i, atGt);
      }
      ++i;
    }
    lows.Append(gt + 1);
    highs.Append(h);
    lows.Append(l);
    highs.Append(lt - 1);
  }
}

template <typename T, typename After>
void SortArrayRange(T* x, int32_t low, int32_t high, After after) {
  SortRange(DirectSortView<T>{x}, low, high, after);
}

template <typename T, typename After>
void SortArrayPermutation(const T* x, int32_t* p, int32_t low, int32_t high, After after) {
  SortRange(PermutationSortView<T>{x, p}, low, high, after);
}

// Reorders buffer in place so that new element k is old element p[k], following the cycles of
// p: each element moves once and no second buffer of elements is made.
template <typename T>
void ApplyPermutation(T* buffer, const int32_t* p, int32_t n) {
  auto* done = static_cast<unsigned char*>(OSalloc(static_cast<uint32_t>(n), kMemFullQuit));
  std::memset(done, 0, static_cast<size_t>(n));
  for (int32_t s = 0; s < n; ++s) {
    if (done[s]) continue;
    done[s] = 1;
    if (p[s] == s) continue;
    T saved = buffer[s];
    int32_t j = s;
    for (; p[j] != s; j = p[j]) {
      buffer[j] = buffer[p[j]];
      done[j] = 1;
    }
    buffer[j] = saved;
    done[j] = 1;
  }
  OSfree(done);
}
