#include "database/qvdbRecordBlock.h"

#include <cstring>

const char* qvdbRecordBlock::Check(uint64_t pageCount) const {
  uint32_t kind = Kind();
  if (!IsKnownPageKind(kind)) return "a page has an unknown kind";
  uint32_t used = Used();
  if (used > kDbPayloadSize) return "a page claims more bytes than it holds";
  for (uint32_t offset = 0; offset < used;) {
    DbRecordProblem problem = CheckRecord(kind, RecordAt(offset), used - offset, pageCount);
    if (problem != DbRecordProblem::kNone) return DbRecordProblemText(problem);
    offset += RecordLength(RecordAt(offset));  // at least the 6-byte prefix: always progresses
  }
  return nullptr;
}

bool qvdbRecordBlock::Squeeze(uint32_t current) {
  bool removable = Kind() == kDbRowLeaf;
  uint32_t used = Used();
  uint32_t kept = 0;
  for (uint32_t offset = 0; offset < used;) {
    uint8_t* record = RecordAt(offset);
    uint32_t length = RecordLength(record);
    offset += length;
    if (RecordStamp(record) != current) {
      if (removable && RecordStatus(record) == kDbDeleted) continue;
      SetRecordStatus(record, RecordStatus(record), 0);
    }
    if (RecordAt(kept) != record) std::memmove(RecordAt(kept), record, length);
    kept += length;
  }
  if (kept == used) return false;
  std::memset(RecordAt(kept), 0, used - kept);
  SetUsed(kept);
  return true;
}
