// The storage checker: walks the trees of a database file page by page, trusting nothing the
// cursors do, and checks every invariant the storage layer and the built-in engine promise.
// Used by the storage and engine tests and by the fuzz targets (it needs no test framework).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "database/PageStore.h"

namespace dbtest {

using Bytes = std::vector<uint8_t>;

// What a tree holds, read page by page from the root with every invariant checked: records in
// key order within and across leaves (deleted ones too), index entries live and at or below
// every key beneath them, no page reached twice, every live record found again by Seek.
struct TreeReport {
  std::string problem;      // empty when sound
  std::vector<Bytes> live;  // live records in order
  uint32_t depth = 0;
  uint32_t pages = 0;
};
// The table stored under name, its rows keyed by keyColumns.
TreeReport CheckStoredTable(PageStore& store, const std::string& name, const Bytes& keyColumns);
TreeReport CheckDirectoryTree(PageStore& store);

// Every tree of a database of the built-in engine: the directory, the catalogue tables, the
// large values, and each table of the catalogue keyed by its primary key; besides, every
// catalogued table has its storage, and every live large-value record belongs to exactly one
// value that exactly one live row holds. "" when sound, else the first problem found.
std::string CheckBuiltInStore(PageStore& store);
// The same on the file at path (opened, checked, closed); a file that does not open is a
// problem too.
std::string CheckBuiltInFile(const std::string& path);

}  // namespace dbtest
