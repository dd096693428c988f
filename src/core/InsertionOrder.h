// InsertionOrder: the doubly linked list in which IntMap and StringMap keep their entries in the
// order they were added, so that walks and destruction never scan empty buckets and a removal
// does not walk the whole order. Nodes are made with OSalloclen(sizeof(Node)) and carry the
// links orderNext and orderPrevious.
#pragma once

#include <new>
#include <utility>

#include "core/Memory.h"

template <typename Node>
class InsertionOrder {
 public:
  InsertionOrder() = default;
  InsertionOrder(const InsertionOrder&) = delete;
  InsertionOrder& operator=(const InsertionOrder&) = delete;
  ~InsertionOrder() { FreeAll(); }

  Node* First() const { return mFirst; }

  // Makes a node from the fields (its order links among them) and appends it.
  template <typename... Fields>
  Node* Append(Fields&&... fields) {
    void* block = OSalloclen(sizeof(Node), kMemFullQuit);
    Node* node = new (block) Node{std::forward<Fields>(fields)...};
    node->orderNext = nullptr;
    node->orderPrevious = mLast;
    if (mLast) {
      mLast->orderNext = node;
    } else {
      mFirst = node;
    }
    mLast = node;
    return node;
  }

  // Unlinks the node and frees it.
  void Remove(Node* node) {
    if (node->orderPrevious) {
      node->orderPrevious->orderNext = node->orderNext;
    } else {
      mFirst = node->orderNext;
    }
    if (node->orderNext) {
      node->orderNext->orderPrevious = node->orderPrevious;
    } else {
      mLast = node->orderPrevious;
    }
    FreeNode(node);
  }

  void FreeAll() {
    Node* node = mFirst;
    while (node) {
      Node* next = node->orderNext;
      FreeNode(node);
      node = next;
    }
    mFirst = nullptr;
    mLast = nullptr;
  }

 private:
  static void FreeNode(Node* node) {
    node->~Node();
    OSfreelen(node, sizeof(Node));
  }

  Node* mFirst = nullptr;
  Node* mLast = nullptr;
};
