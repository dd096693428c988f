// The intrinsic type table: the 22 type records (kind 0) that class definitions name as the
// types of their properties, parameters and return values, each with its conversions to and
// from text. Definitions compare and print these records by name.
#pragma once

#include <cstdint>

#include "core/TypeDescriptor.h"

enum IntrinsicTypeIndex : int32_t {
  kIntrinsicString,
  kIntrinsicInteger,
  kIntrinsicUInt32,
  kIntrinsicInt64,
  kIntrinsicUInt64,
  kIntrinsicInt16,
  kIntrinsicUInt16,
  kIntrinsicInt8,
  kIntrinsicUInt8,
  kIntrinsicBoolean,
  kIntrinsicSingle,
  kIntrinsicDouble,
  kIntrinsicCurrency,
  kIntrinsicForm,
  kIntrinsicColor,
  kIntrinsicPtr,
  kIntrinsicWindowPtr,
  kIntrinsicOSType,
  kIntrinsicCString,
  kIntrinsicPString,
  kIntrinsicShort,
  kIntrinsicClass,
  kIntrinsicTypeCount,
};

// The 22 records, in the order above.
extern const IntrinsicTypeRecord kIntrinsicTypeRecords[kIntrinsicTypeCount];
inline const IntrinsicTypeRecord* IntrinsicTypeTable() { return kIntrinsicTypeRecords; }
// The record as a type descriptor, for rows and definitions; a constant, so static rows can
// hold it.
constexpr const TypeDescriptor* IntrinsicType(IntrinsicTypeIndex index) {
  return &kIntrinsicTypeRecords[index].descriptor;
}
