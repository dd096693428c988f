#include "core/GenericArray.h"

#include <cstring>

#include "core/Memory.h"
#include "core/RuntimeError.h"

namespace {

constexpr int32_t kFirstGrowthStep = 16;
constexpr int32_t kLargestGrowthStep = 4096;

}  // namespace

void GenericArray::InitWithElementSize(int32_t size) {
  storage = nullptr;
  count = 0;
  capacity = 0;
  elementSize = size;
  growthStep = kFirstGrowthStep;
}

void GenericArray::Init() { InitWithElementSize(4); }

void GenericArray::InitDouble() { InitWithElementSize(8); }

void GenericArray::Dispose() {
  HandleDispose(storage);
  InitWithElementSize(elementSize);
}

unsigned char* GenericArray::Data() const {
  return storage ? static_cast<unsigned char*>(storage->data) : nullptr;
}

unsigned char* GenericArray::ElementAddress(int32_t index) const {
  return Data() + static_cast<size_t>(index) * static_cast<size_t>(elementSize);
}

// Sizes the storage for the given number of elements, making the handle when there is none.
// A block that cannot be had is reported and leaves the array as it was.
bool GenericArray::ResizeStorage(int32_t elements) {
  const int64_t bytes = static_cast<int64_t>(elements) * elementSize;
  if (!QV_CHECK_TEXT(bytes <= INT32_MAX, "elements * elementSize <= INT32_MAX", nullptr)) {
    return false;
  }
  if (!storage && bytes == 0) return true;
  if (!storage) {
    storage = HandleNew(static_cast<int32_t>(bytes));
    return QV_CHECK_TEXT(storage != nullptr, "storage", "out of memory");
  }
  void* data = HandleSetSize(storage, static_cast<int32_t>(bytes));
  return QV_CHECK_TEXT(data != nullptr, "storage", "out of memory");
}

bool GenericArray::MakeRoomForOneMore() {
  if (count < capacity) return true;
  const int64_t grown = static_cast<int64_t>(capacity) + growthStep;
  if (!QV_CHECK_TEXT(grown <= INT32_MAX, "capacity + growthStep <= INT32_MAX", nullptr)) {
    return false;
  }
  if (!ResizeStorage(static_cast<int32_t>(grown))) return false;
  capacity = static_cast<int32_t>(grown);
  growthStep = growthStep * 2 > kLargestGrowthStep ? kLargestGrowthStep : growthStep * 2;
  return true;
}

// Makes room at index (0 .. count) and returns the free slot, or nil after a report.
unsigned char* GenericArray::OpenSlot(int32_t index) {
  if (!QV_CHECK_TEXT(index >= 0 && index <= count, "0", nullptr)) return nullptr;
  if (!MakeRoomForOneMore()) return nullptr;
  unsigned char* slot = ElementAddress(index);
  std::memmove(slot + elementSize, slot, static_cast<size_t>(count - index) * elementSize);
  ++count;
  return slot;
}

void GenericArray::SetCount(int32_t n) {
  if (!QV_CHECK_TEXT(n >= 0, "n >= 0", nullptr)) return;
  if (!ResizeStorage(n)) return;
  if (n > count) {
    std::memset(ElementAddress(count), 0, static_cast<size_t>(n - count) * elementSize);
  }
  count = n;
  capacity = n;
}

template <typename Value>
Value GenericArray::ReadElement(int32_t index) const {
  Value value{};
  if (!QV_CHECK_TEXT(IsElementIndex(index) && elementSize == sizeof value, "0", nullptr)) {
    return value;
  }
  std::memcpy(&value, ElementAddress(index), sizeof value);
  return value;
}

template <typename Value>
void GenericArray::WriteElement(int32_t index, Value value) {
  if (!QV_CHECK_TEXT(IsElementIndex(index) && elementSize == sizeof value, "0", nullptr)) return;
  std::memcpy(ElementAddress(index), &value, sizeof value);
}

template <typename Value>
int32_t GenericArray::InsertElement(int32_t index, Value value) {
  const char* text = sizeof value == 4 ? "elementSize == 4" : "elementSize == 8";
  if (!QV_CHECK_TEXT(elementSize == sizeof value, text, nullptr)) return count;
  unsigned char* slot = OpenSlot(index);
  if (slot) std::memcpy(slot, &value, sizeof value);
  return count;
}

uint32_t GenericArray::GetAt(int32_t index) const { return ReadElement<uint32_t>(index); }

void GenericArray::SetAt(int32_t index, uint32_t value) { WriteElement(index, value); }

int32_t GenericArray::InsertAt(int32_t index, uint32_t value) {
  return InsertElement(index, value);
}

void GenericArray::Append(uint32_t value) { InsertAt(count, value); }

void GenericArray::RemoveAt(int32_t index) {
  if (!QV_CHECK_TEXT(IsElementIndex(index), "not (idx < 0 || idx >= lCount)", nullptr)) return;
  unsigned char* slot = ElementAddress(index);
  std::memmove(slot, slot + elementSize, static_cast<size_t>(count - index - 1) * elementSize);
  --count;
  growthStep = kFirstGrowthStep;
}

double GenericArray::GetAtDouble(int32_t index) const { return ReadElement<double>(index); }

void GenericArray::SetAtDouble(int32_t index, double value) { WriteElement(index, value); }

int32_t GenericArray::InsertAtDouble(int32_t index, double value) {
  return InsertElement(index, value);
}

void GenericArray::AppendDouble(double value) { InsertAtDouble(count, value); }

void GenericArray::SwapRanges(int32_t start1, int32_t count1, int32_t start2, int32_t count2) {
  // The earlier run first; of two runs at one place the empty one counts as earlier.
  if (start2 < start1 || (start2 == start1 && count2 < count1)) {
    SwapRanges(start2, count2, start1, count1);
    return;
  }
  const bool valid = elementSize == 4 && start1 >= 0 && count1 >= 0 && count2 >= 0 &&
                     static_cast<int64_t>(start1) + count1 <= start2 &&
                     static_cast<int64_t>(start2) + count2 <= count;
  if (!QV_CHECK_TEXT(valid, "0", "SwapRanges: runs outside the array or overlapping")) return;
  uint32_t* elements = reinterpret_cast<uint32_t*>(Data());
  if (count1 == count2) {
    for (int32_t i = 0; i < count1; ++i) {
      uint32_t held = elements[start1 + i];
      elements[start1 + i] = elements[start2 + i];
      elements[start2 + i] = held;
    }
    return;
  }
  const uint32_t bytes1 = static_cast<uint32_t>(count1) * 4;
  const uint32_t bytes2 = static_cast<uint32_t>(count2) * 4;
  void* earlier = OSalloclen(bytes1, kMemFullQuit);
  void* later = OSalloclen(bytes2, kMemFullQuit);
  if (bytes1) std::memcpy(earlier, elements + start1, bytes1);
  if (bytes2) std::memcpy(later, elements + start2, bytes2);
  // The elements between the runs move by the difference of the lengths.
  const int32_t betweenStart = start1 + count1;
  std::memmove(elements + start1 + count2, elements + betweenStart,
               static_cast<size_t>(start2 - betweenStart) * 4);
  if (bytes2) std::memcpy(elements + start1, later, bytes2);
  if (bytes1) std::memcpy(elements + start2 + count2 - count1, earlier, bytes1);
  OSfreelen(earlier, bytes1);
  OSfreelen(later, bytes2);
}
