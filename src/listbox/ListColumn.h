// The language class "ListColumn": the width rules of one column of a list box (or of all its
// columns, index -1). Live (it has a list box, and the list box its pane) it reads and writes
// the pane's column records; otherwise it works on the values it holds, a snapshot taken when
// Column(index) made it and changed by its own setters.
//
// Also the column-width text of the list box's ColumnWidths: split at commas, trimmed, every
// item checked before any column changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

struct ListColumnObject {
  RuntimeObject header;
  RuntimeObject* listbox;  // held; nil after construction
  int32_t column;          // -1: every column
  uint8_t userResizable;
  uint8_t unused[3];
  stringStorage* expressions[3];  // width, minimum, maximum
  int32_t actual[3];              // width, minimum, maximum
};
static_assert(sizeof(ListColumnObject) == 60 && offsetof(ListColumnObject, listbox) == 24 &&
                  offsetof(ListColumnObject, column) == 28 &&
                  offsetof(ListColumnObject, userResizable) == 32 &&
                  offsetof(ListColumnObject, expressions) == 36 &&
                  offsetof(ListColumnObject, actual) == 48,
              "ListColumn instances are 60 bytes");

inline ListColumnObject* AsListColumn(RuntimeObject* object) {
  return reinterpret_cast<ListColumnObject*>(object);
}

ObjectDefinition* ListColumnClassDefinition();

// The items of a ColumnWidths text for columns columns: the text split at commas, each item
// trimmed of blanks and tabs, "1*" for the columns the text does not reach. An item that is no
// width expression answers false and is written to refused (items are then undefined);
// nothing is raised.
bool SplitColumnWidths(const string& text, int32_t columns, std::vector<string>& items,
                       string* refused);
// The items joined by ", ", as ColumnWidths reads back.
string JoinColumnWidths(const std::vector<string>& items);

extern "C" {
void RuntimeListColumnConstructor(RuntimeObject* column);
void RuntimeListColumnDestructor(RuntimeObject* column);
RuntimeObject* listColumnGetter(RuntimeObject* list, int32_t index);
void listColumnSetter(RuntimeObject* list, int32_t index, RuntimeObject* column);
int32_t listColUserResizableGetter(RuntimeObject* column, uint32_t which);
void listColUserResizableSetter(RuntimeObject* column, uint32_t which, int32_t flag);
stringStorage* listColWidthExpressionGetter(RuntimeObject* column, uint32_t which);
void listColWidthExpressionSetter(RuntimeObject* column, uint32_t which, stringStorage* text);
int32_t listColWidthActualGetter(RuntimeObject* column, uint32_t which);
void listColWidthActualSetter(RuntimeObject* column, uint32_t which, int32_t value);
}
