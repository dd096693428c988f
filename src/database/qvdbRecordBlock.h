// One page image: the 18-byte page header and the 8,174-byte payload of records packed from
// offset 0 in key order, exactly as the page lies in the file.
#pragma once

#include <cstdint>

#include "database/RecordFormat.h"

struct qvdbRecordBlock {
  uint8_t bytes[kDbPageSize];

  uint32_t Kind() const { return LoadBigEndian32(bytes + kDbPageKind); }
  uint32_t Origin() const { return LoadBigEndian32(bytes + kDbPageOrigin); }
  uint32_t Stamp() const { return LoadBigEndian32(bytes + kDbPageStamp); }
  uint32_t NextTouched() const { return LoadBigEndian32(bytes + kDbPageNextTouched); }
  uint32_t Used() const { return LoadBigEndian16(bytes + kDbPageUsed); }
  bool IsLeaf() const { return IsLeafKind(Kind()); }

  void SetKind(uint32_t kind) { StoreBigEndian32(bytes + kDbPageKind, kind); }
  void SetOrigin(uint32_t origin) { StoreBigEndian32(bytes + kDbPageOrigin, origin); }
  void SetStamp(uint32_t stamp) { StoreBigEndian32(bytes + kDbPageStamp, stamp); }
  void SetNextTouched(uint32_t page) { StoreBigEndian32(bytes + kDbPageNextTouched, page); }
  void SetUsed(uint32_t used) {
    StoreBigEndian16(bytes + kDbPageUsed, static_cast<uint16_t>(used));
  }

  uint8_t* Payload() { return bytes + kDbPageHeaderSize; }
  const uint8_t* Payload() const { return bytes + kDbPageHeaderSize; }
  uint8_t* RecordAt(uint32_t offset) { return Payload() + offset; }
  const uint8_t* RecordAt(uint32_t offset) const { return Payload() + offset; }

  // Checks a page read from the file before anything trusts it: a known kind, used within the
  // payload, records that walk exactly to used, each whole and well formed for the kind, and
  // every page number it names below pageCount. nullptr when sound, else what is wrong.
  const char* Check(uint64_t pageCount) const;

  // Drops the records of finished transactions from the image: on a row leaf a deleted record
  // whose stamp is not `current` is removed; every other record whose stamp is not `current`
  // gets stamp 0, so that only the open transaction's records carry a stamp. True when a
  // record was removed (offsets moved).
  bool Squeeze(uint32_t current);
};
static_assert(sizeof(qvdbRecordBlock) == kDbPageSize, "a page image is exactly one page");
