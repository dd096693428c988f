// The SQL front end's materialised results: the sorted cursor (ORDER BY) and the grouped
// cursor (aggregates, GROUP BY). Both read every row of a source RecordSet when made, keep the
// result rows in a row store (temporary files), and serve them through one cursor table whose
// moves answer as curNextRow does; their RecordSets are read-only.
//
// One total order sorts values: NULL first, then numbers (integers exactly), texts by the
// collation weights, dates, times and timestamps by field, Booleans false first, bytes
// bytewise; a descending key reverses it (NULL last). Rows equal on every key are ordered by
// all their columns, and identical rows come out later-read first.
//
// Sorting holds at most about 640,000 bytes of values in memory: larger results are sorted in
// runs of that size, O(n log n) each, and merged k-way once. A value larger than the whole
// budget is kept with its row, never dropped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/RuntimeObject.h"
#include "database/ColumnValues.h"

struct SQLSortKey {
  int32_t column;  // from 0
  bool descending;
};

constexpr uint32_t kSortBudgetBytes = 640000;

// -1, 0 or 1 in the total order above.
int CompareColumnValues(const ColumnValue& a, const ColumnValue& b);

// Each result below keeps its rows in temporary files. When they cannot be made or written (a
// full disk), the result is an empty RecordSet, never a partial one, and the database (when
// given) gets the host's error number and why. A row that cannot be read back is not served:
// the RecordSet ends there, and the database says why.
struct DatabaseObject;

// A new RecordSet over the source's rows in key order, the last `hidden` columns left out. The
// source is read to its end and stays open.
RuntimeObject* MakeSortedResultCursor(RuntimeObject* source, const std::vector<SQLSortKey>& keys,
                                      int32_t hidden, DatabaseObject* database = nullptr);

enum SQLAggregate : int32_t { kSQLPlain = 0, kSQLCount = 1, kSQLAvg = 2, kSQLSum = 3,
                              kSQLMin = 4, kSQLMax = 5 };

// A new RecordSet with one row per group of consecutive source rows equal in groupColumn (one
// group over everything when it is -1; none for an empty source). Column i folds source column
// i by aggregates[i]: COUNT as a 32-bit integer, the others as doubles (AVG counts NULLs in
// its divisor, MIN and MAX of no number are 0.0), a plain column takes its group's first row.
// The visible columns are the first names.size().
RuntimeObject* MakeGroupedResultCursor(RuntimeObject* source,
                                       const std::vector<int32_t>& aggregates,
                                       const std::vector<std::string>& names, int32_t groupColumn,
                                       DatabaseObject* database = nullptr);
// What the caller knows of a source's columns, so that fewer values are read: a visible column
// that holds the group column's values row by row, and visible columns NULL in every row.
struct GroupingHints {
  int32_t keyAlias = -1;
  std::vector<bool> alwaysNull;
};

// The same result for a source in any order, grouped by hashing the group column's values
// instead of sorting the rows: nil, with the source read partly or wholly, when it cannot be
// sure to answer exactly what grouping the sorted rows would (an AVG, a sum whose partial sums
// round, two keys that sort alike, or more groups than the sort's budget holds).
RuntimeObject* MakeHashedGroupResultCursor(RuntimeObject* source,
                                           const std::vector<int32_t>& aggregates,
                                           const std::vector<std::string>& names,
                                           int32_t groupColumn,
                                           const GroupingHints& hints = GroupingHints(),
                                           DatabaseObject* database = nullptr);
