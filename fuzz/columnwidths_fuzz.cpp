// The column-width text of list boxes as the ColumnWidths setter takes it: split at commas,
// trimmed, each item classified, then resolved over the column records of a row area of a
// given width, with no pane. An accepted text must read back as a text that splits into the
// same items; every width stays within the pixel range; star columns fill what the absolute
// and percent columns leave.
#include <vector>

#include "FuzzSupport.h"
#include "listbox/ColumnWidthExpression.h"
#include "listbox/CommonListbox.h"
#include "listbox/ListColumn.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InputScope scope;
  qvfuzz::InputReader input(data, size);
  const int32_t columns = 1 + input.Byte() % kMaxListColumns;
  const int32_t low = input.Byte();
  const int32_t width = (low | input.Byte() << 8) % 5001;
  const std::string bytes = input.Rest();
  const string text = string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingUTF8);

  std::vector<string> items;
  string refused;
  if (!SplitColumnWidths(text, columns, items, &refused)) {
    QV_FUZZ_EXPECT(ClassifyColumnExpression(refused) == kColumnError);
    return 0;
  }
  QV_FUZZ_EXPECT(int32_t(items.size()) == columns);
  std::vector<string> again;
  QV_FUZZ_EXPECT(SplitColumnWidths(JoinColumnWidths(items), columns, again, nullptr));
  for (int32_t i = 0; i < columns; ++i) QV_FUZZ_EXPECT(again[i].CompareWithCase(items[i]) == 0);

  ColumnRecord records[kMaxListColumns];
  for (int32_t i = 0; i < columns; ++i) records[i].widthExpression = items[i];
  const StarLayout layout = ResolveColumnRecords(records, columns, width);
  int64_t fixed = 0, total = 0;
  for (int32_t i = 0; i < columns; ++i) {
    const ColumnRecord& c = records[i];
    QV_FUZZ_EXPECT(c.width >= 0 && c.width <= kMaxColumnPixels);
    QV_FUZZ_EXPECT(c.minWidth >= 0 && c.minWidth <= kMaxColumnPixels);
    QV_FUZZ_EXPECT(c.maxWidth >= -1 && c.maxWidth <= kMaxColumnPixels);
    if (ClassifyColumnExpression(items[i]) != kColumnStar) fixed += c.width;
    total += c.width;
  }
  const bool lastIsStar = ClassifyColumnExpression(items[columns - 1]) == kColumnStar;
  if (layout.starTotal > 0 && fixed <= width) {
    // Shares are truncated; the last column, when it shares, takes the rest.
    QV_FUZZ_EXPECT(total <= width);
    if (lastIsStar) QV_FUZZ_EXPECT(total == width);
  }
  return 0;
}
