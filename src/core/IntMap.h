// IntMap: hash map from signed 32-bit keys, with a fixed 1,024 buckets held inline and the
// entries also linked in insertion order (InsertionOrder). The bucket count never changes;
// keys hash as (key * 13) AND 1023.
//
// Values are copied plainly; pointer values are not owned.
#pragma once

#include <cstdint>

#include "core/InsertionOrder.h"

template <typename T>
class IntMap {
 public:
  static constexpr uint32_t kBucketCount = 1024;

  IntMap() = default;
  virtual ~IntMap() = default;

  IntMap(const IntMap&) = delete;
  IntMap& operator=(const IntMap&) = delete;

  static uint32_t hashInteger(int32_t key) {
    return (static_cast<uint32_t>(key) * 13u) & (kBucketCount - 1);
  }

  // Replaces the value of an existing key, else adds the key at the end of the order.
  void AddEntry(int32_t key, const T& value) {
    const uint32_t bucket = hashInteger(key);
    if (Node* found = FindInChain(bucket, key)) {
      found->value = value;
      return;
    }
    mBuckets[bucket] = mOrder.Append(mBuckets[bucket], nullptr, nullptr, key, value);
  }

  bool GetEntry(int32_t key, T* value) const {
    const Node* found = FindInChain(hashInteger(key), key);
    if (!found) return false;
    if (value) *value = found->value;
    return true;
  }

  bool Contains(int32_t key) const { return FindInChain(hashInteger(key), key) != nullptr; }

  // An absent key changes nothing.
  void RemoveEntry(int32_t key) {
    Node** link = &mBuckets[hashInteger(key)];
    while (*link && (*link)->key != key) link = &(*link)->chainNext;
    Node* node = *link;
    if (!node) return;
    *link = node->chainNext;
    mOrder.Remove(node);
  }

  // Calls visit(key, value) for each entry in insertion order.
  template <typename Visitor>
  void ForEachInOrder(Visitor&& visit) const {
    for (const Node* node = mOrder.First(); node; node = node->orderNext)
      visit(node->key, node->value);
  }

 private:
  struct Node {
    Node* chainNext;
    Node* orderNext;
    Node* orderPrevious;
    int32_t key;
    T value;
  };

  Node* FindInChain(uint32_t bucket, int32_t key) const {
    Node* node = mBuckets[bucket];
    while (node && node->key != key) node = node->chainNext;
    return node;
  }

  Node* mBuckets[kBucketCount] = {};
  InsertionOrder<Node> mOrder;
};
