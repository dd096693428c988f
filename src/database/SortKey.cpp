#include "database/SortKey.h"

#include <algorithm>
#include <cstring>

#include "core/RuntimeError.h"

// clang-format off
const uint8_t kDbCollation[256] = {
  0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
  0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
  0x20, 0x22, 0x23, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2F, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36,
  0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46,
  0x47, 0x48, 0x58, 0x5A, 0x5E, 0x60, 0x6A, 0x6E, 0x70, 0x72, 0x7D, 0x7F, 0x81, 0x83, 0x85, 0x89,
  0x99, 0x9B, 0x9D, 0x9F, 0xA2, 0xA4, 0xAE, 0xB0, 0xB2, 0xB4, 0xB8, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE,
  0xBF, 0x4F, 0x59, 0x5C, 0x5F, 0x65, 0x6B, 0x6F, 0x71, 0x77, 0x7E, 0x80, 0x82, 0x84, 0x87, 0x90,
  0x9A, 0x9C, 0x9E, 0xA0, 0xA3, 0xA9, 0xAF, 0xB1, 0xB3, 0xB5, 0xB9, 0xC0, 0xC1, 0xC2, 0xC3, 0xC4,
  0x4C, 0x4E, 0x5B, 0x61, 0x86, 0x8D, 0xA8, 0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x5D, 0x66, 0x67,
  0x68, 0x69, 0x79, 0x7A, 0x7B, 0x7C, 0x88, 0x91, 0x92, 0x93, 0x94, 0x95, 0xAA, 0xAB, 0xAC, 0xAD,
  0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xA1, 0xCC, 0xCD, 0xCE, 0xCF, 0xD0, 0xD1, 0x56, 0x8F,
  0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0x57, 0x96,
  0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0x24, 0x25, 0xE7, 0x21, 0x4A, 0x4D, 0x8E, 0x97, 0x98,
  0xE8, 0xE9, 0x26, 0x27, 0x2D, 0x2E, 0xEA, 0xEB, 0xB6, 0xB7, 0xEC, 0xED, 0xEE, 0xEF, 0x6C, 0x6D,
  0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0x4B, 0x63, 0x49, 0x64, 0x62, 0x73, 0x75, 0x76, 0x74, 0x8A, 0x8C,
  0xF5, 0x8B, 0xA5, 0xA7, 0xA6, 0x78, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
};
// clang-format on

namespace {

constexpr uint8_t kAbsent = 0x00;
constexpr uint8_t kPresent = 0x01;

// A text key: each byte's weight, then a 0x00 end.
void AppendCollated(uint8_t* out, const uint8_t* text, uint32_t length) {
  for (uint32_t i = 0; i < length; ++i) out[i] = kDbCollation[text[i]];
  out[length] = 0x00;
}

// IEEE values order as unsigned bytes once negatives are inverted and positives get their sign.
void AppendFloatKey(uint8_t* out, const uint8_t* value, uint32_t size) {
  bool negative = value[0] & 0x80;
  for (uint32_t i = 0; i < size; ++i)
    out[i] = negative ? static_cast<uint8_t>(~value[i]) : value[i];
  if (!negative) out[0] ^= 0x80;
}

// AppendValueKey for the types of at most eight bytes, inline for comparisons.
inline void FixedValueKey(uint8_t* out, uint8_t type, const uint8_t* value, uint32_t size) {
  switch (type) {
    case kDbSmallInt:
    case kDbInteger:
    case kDbLongText:
    case kDbLongBytes:
      for (uint32_t i = 0; i < size; ++i) out[i] = value[i];
      out[0] ^= 0x80;
      return;
    case kDbFloat:
    case kDbDouble:
      AppendFloatKey(out, value, size);
      return;
    default:
      for (uint32_t i = 0; i < size; ++i) out[i] = value[i];
      return;
  }
}

}  // namespace

int32_t ValueKeySize(uint8_t type, uint32_t valueSize) {
  switch (type) {
    case kDbSmallInt:
    case kDbInteger:
    case kDbLongText:
    case kDbLongBytes:
    case kDbFloat:
    case kDbDouble:
    case kDbDate:
    case kDbTime:
    case kDbBoolean:
      return static_cast<int32_t>(valueSize);
    case kDbVarChar:
    case kDbBytes:
      return static_cast<int32_t>(valueSize - 4 + 1);  // the text without its length, and an end
  }
  return -1;
}

void AppendValueKey(uint8_t* out, uint8_t type, const uint8_t* value, uint32_t valueSize) {
  switch (type) {
    case kDbSmallInt:
    case kDbInteger:
    case kDbLongText:
    case kDbLongBytes:
      std::memcpy(out, value, valueSize);
      out[0] ^= 0x80;  // two's complement orders as unsigned once the sign bit is turned
      return;
    case kDbFloat:
    case kDbDouble:
      AppendFloatKey(out, value, valueSize);
      return;
    case kDbVarChar:
    case kDbBytes:
      AppendCollated(out, value + 4, valueSize - 4);
      return;
    default:  // dates, times and Booleans order by their stored bytes
      std::memcpy(out, value, valueSize);
      return;
  }
}

void SortKeyBuilder::SetKeyColumns(const uint8_t* columns, uint32_t count) {
  mColumns.assign(columns, columns + count);
  mFound.resize(count);
}

void SortKeyBuilder::BuildName(const uint8_t* name, uint32_t length) {
  mKey.resize(length + 3);
  mKey[0] = kPresent;
  mKey[1] = kPresent;
  AppendCollated(mKey.data() + 2, name, length);
}

bool SortKeyBuilder::Build(uint32_t kind, const uint8_t* record, uint32_t length) {
  switch (kind) {
    case kDbIndexPage:
      mKey.assign(record + kDbIndexKey, record + length);
      return true;
    case kDbDirectoryLeaf:
      BuildName(record + kDbDirectoryName, LoadBigEndian32(record + kDbDirectoryNameLength));
      return true;
    default:
      break;
  }
  if (mColumns.empty()) {
    mKey.resize(4);
    for (int i = 0; i < 4; ++i) mKey[i] = record[kDbRowId + 3 - i];
    return true;
  }
  return BuildRowKey(record, length);
}

void SortKeyBuilder::FindKeyValues(const uint8_t* record, uint32_t length) {
  for (DbColumnValue& found : mFound) found.type = 0;
  size_t missing = mColumns.size();
  RowColumns values(record, length);
  for (DbColumnValue v; missing > 0 && values.Next(&v);) {
    for (size_t i = 0; i < mColumns.size(); ++i) {
      if (mColumns[i] != v.column || mFound[i].type != 0) continue;
      mFound[i] = v;
      --missing;
    }
  }
}

int32_t SortKeyBuilder::CompareRecord(uint32_t kind, const uint8_t* record, uint32_t length,
                                      const uint8_t* key, uint32_t keyLength, bool prefixOnly) {
  if (kind != kDbRowLeaf || mColumns.empty()) {
    Build(kind, record, length);
    const uint32_t size = prefixOnly ? std::min(Size(), keyLength) : Size();
    return CompareKeys(Data(), size, key, keyLength);
  }
  // The values of the key columns: one walk, or a search for the one column most keys have.
  const DbColumnValue* values = mFound.data();
  DbColumnValue single;
  if (mColumns.size() == 1) {
    if (!FindRowColumn(record, length, mColumns[0], &single)) single.type = 0;
    values = &single;
  } else {
    FindKeyValues(record, length);
  }
  for (size_t c = 0; c < mColumns.size(); ++c) {
    if (values[c].type != 0 && ValueKeySize(values[c].type, values[c].size) < 0) {
      Build(kind, record, length);  // reports the value without a key, as Build does
      return CompareKeys(Data(), Size(), key, keyLength);
    }
  }
  uint32_t at = 0;
  // Compares the next n bytes of the record's key; 2 when they leave the order open.
  auto part = [&](const uint8_t* bytes, uint32_t n) -> int32_t {
    const uint32_t room = keyLength - at;
    const uint32_t common = n < room ? n : room;
    for (uint32_t i = 0; i < common; ++i)
      if (bytes[i] != key[at + i]) return bytes[i] < key[at + i] ? -1 : 1;
    if (n > room) return prefixOnly ? 0 : 1;  // key ends inside the record's key
    at += n;
    return 2;
  };
  for (size_t c = 0; c < mColumns.size(); ++c) {
    const DbColumnValue& found = values[c];
    if (prefixOnly && at == keyLength) return 0;
    // A value's key: its marker, then its bytes in order (a text's weights and an end).
    uint8_t bytes[9];
    bytes[0] = found.type == 0 ? kAbsent : kPresent;
    int32_t order;
    if (found.type == 0) {
      order = part(bytes, 1);
    } else if (found.type != kDbVarChar && found.type != kDbBytes) {
      FixedValueKey(bytes + 1, found.type, found.value, found.size);
      order = part(bytes, 1 + found.size);
    } else {
      order = part(bytes, 1);
      uint8_t weights[64];
      const uint8_t* text = found.value + 4;
      for (uint32_t done = 0, size = found.size - 4; order == 2 && done < size;) {
        const uint32_t n = std::min<uint32_t>(size - done, sizeof weights);
        for (uint32_t i = 0; i < n; ++i) weights[i] = kDbCollation[text[done + i]];
        order = part(weights, n);
        done += n;
      }
      bytes[0] = 0;
      if (order == 2) order = part(bytes, 1);
    }
    if (order != 2) return order;
  }
  if (prefixOnly && at == keyLength) return 0;
  return at < keyLength ? -1 : 0;
}

bool SortKeyBuilder::BuildRowKey(const uint8_t* record, uint32_t length) {
  FindKeyValues(record, length);
  uint32_t keyLen = 0;
  for (const DbColumnValue& found : mFound) {
    if (found.type == 0) {
      keyLen += 1;
      continue;
    }
    int32_t size = ValueKeySize(found.type, found.size);
    if (size < 0) {
      QV_FAIL("a key column holds a value of an unknown type");
      return false;
    }
    keyLen += 1 + static_cast<uint32_t>(size);
  }
  mKey.resize(keyLen);
  uint32_t offset = 0;
  for (const DbColumnValue& found : mFound) {
    if (found.type == 0) {
      mKey[offset++] = kAbsent;
      continue;
    }
    mKey[offset++] = kPresent;
    AppendValueKey(mKey.data() + offset, found.type, found.value, found.size);
    offset += static_cast<uint32_t>(ValueKeySize(found.type, found.size));
  }
  return QV_CHECK_TEXT(offset == keyLen, "offset == keyLen", nullptr);
}
