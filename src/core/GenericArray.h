// GenericArray: growable array of fixed-size elements kept in a storage handle, behind the child
// lists of panes, list boxes and windows and the Collection class.
//
// Elements are 32-bit words, or doubles for an array made with InitDouble. Capacity grows by
// a step that starts at 16 and doubles up to 4,096 (capacities 16, 48, 112, 240, ...); a removal
// sets the step back to 16 and never shrinks the storage. Index faults report and change
// nothing. The record is plain (no constructor): Init before use, Dispose when done.
#pragma once

#include <cstdint>

#include "core/Handles.h"

struct GenericArray {
  Handle storage;       // nil until the first element
  int32_t count;
  int32_t capacity;
  int32_t elementSize;  // 4, or 8 for doubles
  int32_t growthStep;

  void Init();
  void InitDouble();
  void Dispose();

  int32_t Count() const { return count; }
  // The count becomes n and so does the capacity; new elements are zero.
  void SetCount(int32_t n);

  uint32_t GetAt(int32_t index) const;
  // GetAt for a caller that has checked index against Count() (a word array): no report, no call.
  uint32_t GetCheckedAt(int32_t index) const {
    return static_cast<const uint32_t*>(storage->data)[index];
  }
  void SetAt(int32_t index, uint32_t value);
  int32_t InsertAt(int32_t index, uint32_t value);  // returns the new count
  void Append(uint32_t value);
  void RemoveAt(int32_t index);
  // Exchanges two runs of 32-bit elements that do not overlap; the elements between them keep
  // their order.
  void SwapRanges(int32_t start1, int32_t count1, int32_t start2, int32_t count2);

  double GetAtDouble(int32_t index) const;
  void SetAtDouble(int32_t index, double value);
  int32_t InsertAtDouble(int32_t index, double value);
  void AppendDouble(double value);

 private:
  void InitWithElementSize(int32_t size);
  unsigned char* Data() const;
  unsigned char* ElementAddress(int32_t index) const;
  bool ResizeStorage(int32_t elements);
  bool MakeRoomForOneMore();
  unsigned char* OpenSlot(int32_t index);
  bool IsElementIndex(int32_t index) const { return index >= 0 && index < count; }
  // The word and double forms of the element accessors; Value's size is the element size.
  template <typename Value>
  Value ReadElement(int32_t index) const;
  template <typename Value>
  void WriteElement(int32_t index, Value value);
  template <typename Value>
  int32_t InsertElement(int32_t index, Value value);
};

static_assert(sizeof(GenericArray) == 20, "GenericArray is five words");
static_assert(__builtin_offsetof(GenericArray, count) == 4, "GenericArray layout");
static_assert(__builtin_offsetof(GenericArray, growthStep) == 16, "GenericArray layout");
