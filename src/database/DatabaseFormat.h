// The bytes of a database file of the built-in engine: a 64-byte header, then pages of 8,192
// bytes, each an 18-byte page header and 8,174 bytes of records packed in key order. Every
// integer is big-endian. This header only names the layout; what may be trusted of a file is
// decided by qvdbRecordBlock::Check, and every reader goes through it first.
#pragma once

#include <cstdint>

#include "core/ByteOrder.h"

// File header.
constexpr uint32_t kDbFileMagic = 0xFEEDDBDB;
constexpr uint32_t kDbFileVersion = 1;
constexpr uint32_t kDbFileHeaderSize = 64;
constexpr uint32_t kDbHeaderMagic = 0;
constexpr uint32_t kDbHeaderVersion = 4;
constexpr uint32_t kDbHeaderLastTransaction = 8;
constexpr uint32_t kDbHeaderTransactionOpen = 12;
constexpr uint32_t kDbHeaderNextRecordId = 16;
constexpr uint32_t kDbHeaderDirectoryRoot = 20;

// Pages.
constexpr uint32_t kDbPageSize = 8192;
constexpr uint32_t kDbPageHeaderSize = 18;
constexpr uint32_t kDbPayloadSize = kDbPageSize - kDbPageHeaderSize;  // 8,174
constexpr uint32_t kDbPageKind = 0;
constexpr uint32_t kDbPageOrigin = 4;
constexpr uint32_t kDbPageStamp = 8;
constexpr uint32_t kDbPageNextTouched = 12;
constexpr uint32_t kDbPageUsed = 16;
constexpr uint32_t kDbNoPage = 0xFFFFFFFF;  // ends the chain of touched pages

enum DbPageKind : uint32_t {
  kDbDirectoryLeaf = 0xBEEF0002,
  kDbRowLeaf = 0xBEEF0003,
  kDbIndexPage = 0x0001BEEF,
};

inline bool IsLeafKind(uint32_t kind) { return kind == kDbDirectoryLeaf || kind == kDbRowLeaf; }
inline bool IsKnownPageKind(uint32_t kind) { return IsLeafKind(kind) || kind == kDbIndexPage; }

// Where page n lies in the file, in 64-bit arithmetic: page numbers use all 32 bits.
inline uint64_t DbPageOffset(uint32_t page) {
  return kDbFileHeaderSize + static_cast<uint64_t>(page) * kDbPageSize;
}
// Whole pages in a file of the given length; a shorter tail does not count.
inline uint64_t DbPageCountOfLength(uint64_t length) {
  return length < kDbFileHeaderSize ? 0 : (length - kDbFileHeaderSize) / kDbPageSize;
}

// Every record begins with its length, its status and the transaction that last set the status.
constexpr uint32_t kDbRecordLength = 0;
constexpr uint32_t kDbRecordStatus = 2;
constexpr uint32_t kDbRecordTransaction = 3;  // 24 bits
constexpr uint32_t kDbRecordPrefixSize = 6;
constexpr uint8_t kDbLive = 'A';
constexpr uint8_t kDbDeleted = 'D';
constexpr uint32_t kDbMaxRecordLength = kDbPayloadSize;

// Transaction numbers are 32 bits; records keep the low 24. Stamp 0 marks a record that no
// transaction in progress owns (rolled back, or inserted and deleted by one transaction), so
// the store never runs a transaction whose low 24 bits are 0.
constexpr uint32_t kDbStampMask = 0xFFFFFF;
inline uint32_t DbStamp(uint32_t transaction) { return transaction & kDbStampMask; }

// Directory record: one per table stored in the file.
constexpr uint32_t kDbDirectoryId = 6;
constexpr uint32_t kDbDirectoryRoot = 10;
constexpr uint32_t kDbDirectoryNameLength = 14;
constexpr uint32_t kDbDirectoryName = 18;

// Row record: the row id, then column values {u8 column, u8 type, value}.
constexpr uint32_t kDbRowId = 6;
constexpr uint32_t kDbRowValues = 10;
constexpr uint32_t kDbRowMinLength = kDbRowValues;

// Index record: one per child page, keyed by the first key of the child when it was made.
constexpr uint32_t kDbIndexCount = 6;  // u16, written and never read
constexpr uint32_t kDbIndexChild = 8;
constexpr uint32_t kDbIndexKey = 12;

// Column value types of row records.
enum DbFieldType : uint8_t {
  kDbSmallInt = 2,    // 2 bytes
  kDbInteger = 3,     // 4 bytes
  kDbVarChar = 5,     // u32 length, bytes
  kDbFloat = 6,       // IEEE single
  kDbDouble = 7,      // IEEE double
  kDbDate = 8,        // year, month, day as signed 16-bit
  kDbTime = 9,        // hour, minute, second as signed 16-bit
  kDbBoolean = 12,    // 1 byte
  kDbBytes = 14,      // u32 length, bytes (held in the row)
  kDbLongText = 15,   // record id of a large value
  kDbLongBytes = 16,  // record id of a large value
};

// Large values live in rows of "sys$blob": {prefix, id, column 1, type 14, u32 n + 4, u32 kind,
// n bytes}. Longer values are cut into pieces and described by piece lists.
constexpr uint32_t kDbLargeValueColumn = 10;
constexpr uint32_t kDbLargeValueLength = 12;
constexpr uint32_t kDbLargeValueKind = 16;
constexpr uint32_t kDbLargeValueData = 20;
constexpr uint32_t kDbLargeValuePieceSize = 4000;
constexpr uint32_t kDbPieceListEntries = 500;
constexpr uint32_t kDbPieceListEntrySize = 8;  // {u32 record id, u32 length}
enum DbLargeValueKind : uint32_t { kDbLargeValuePiece = 0, kDbLargeValuePieceList = 1 };

// Storage names of the engine's catalogue tables.
constexpr const char* kDbTablesStorage = "sys$tables";
constexpr const char* kDbFieldsStorage = "sys$fields";
constexpr const char* kDbBlobStorage = "sys$blob";
