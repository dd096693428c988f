// Byte-range tests behind a replaceable object, so that a faster implementation can stand in
// for the portable one without touching callers (the string code asks whether text is 7-bit).
#pragma once

#include <cstdint>

class VectorStuffImp {
 public:
  virtual ~VectorStuffImp() = default;
  // True when each of the length bytes is below 0x80; an empty range (length <= 0) is true.
  virtual bool ContainsOnlyLowBytes(const unsigned char* bytes, int32_t length) const = 0;
};

// The portable implementation: a word at a time, then the tail byte by byte.
class VectorStuffScalarImp final : public VectorStuffImp {
 public:
  bool ContainsOnlyLowBytes(const unsigned char* bytes, int32_t length) const override;
};

// The process's implementation, made on first use and never freed.
VectorStuffImp* VectorStuff();
