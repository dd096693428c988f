// The compose sequences of the key translation, generated from GTK 2's simple input method by
// tools/composetable/make_compose_table.py (ComposeDeadKeys.cpp, ComposeMultiKey.cpp;
// regenerate, do not edit).
//
// Each entry is a sequence of at most four keysyms, the first a dead key or Multi_key, the
// positions after the last key 0, and the character it composes. Each table is sorted by the
// entries' keysyms and no two entries have the same ones.
#pragma once

#include <cstdint>

struct ComposeEntry {
  uint16_t keys[5];
  uint16_t character;
};
static_assert(sizeof(ComposeEntry) == 12, "compose entries are six 16-bit words");

struct ComposeTable {
  const ComposeEntry* entries;
  int32_t count;
};

extern const ComposeTable kDeadKeyCompose;   // sequences that begin with a dead key
extern const ComposeTable kMultiKeyCompose;  // sequences that begin with Multi_key
