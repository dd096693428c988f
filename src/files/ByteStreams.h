// Portable stream wrappers of the byte layer, for framework code that keeps its own records in
// a mechanism: an output and an input stream of bytes, integers and length-prefixed strings,
// and a small buffered line reader. Each works on a mechanism it does not own; one built
// without a mechanism reports ("mechanism") on every operation and does nothing.
//
// A string travels as its byte count (a variable-length integer) followed by its bytes. A count
// read back is trusted no further than the bytes that can still come.
#pragma once

#include <cstdint>

#include "files/RandomAccessMechanism.h"

class ByteOutputStream {
 public:
  // Lines are written in encoding.
  explicit ByteOutputStream(RandomAccessMechanism* mechanism,
                            TextEncoding encoding = kEncodingUTF8)
      : mMechanism(mechanism), mEncoding(encoding) {}

  // As RandomAccessMechanism::SetScrambled; false without a mechanism.
  bool SetScrambled(bool on);
  bool WriteBytes(const void* bytes, int32_t count);
  bool WriteVarInt(int32_t value);
  bool WriteString(const string& text);
  bool WriteByte(uint8_t value);
  bool WriteUInt16(uint16_t value);
  bool WriteUInt32(uint32_t value);
  // The line converted to the stream's encoding, then a line feed.
  bool WriteLine(const string& line);

 private:
  RandomAccessMechanism* Mechanism() const;

  RandomAccessMechanism* mMechanism;
  TextEncoding mEncoding;
};

class ByteInputStream {
 public:
  explicit ByteInputStream(RandomAccessMechanism* mechanism) : mMechanism(mechanism) {}

  bool SetScrambled(bool on);
  // The Read's own result; how many bytes came is not told.
  bool ReadBytes(void* bytes, int32_t count);
  bool ReadVarInt(int32_t* value);
  // The value cut to 16 bits.
  bool ReadVarInt(int16_t* value);
  // A count below 1 gives the empty string; false unless every announced byte came. The text
  // has no encoding.
  bool ReadString(string* text);
  bool ReadByte(uint8_t* value);
  bool ReadUInt16(uint16_t* value);
  bool ReadUInt32(uint32_t* value);

 private:
  RandomAccessMechanism* Mechanism() const;

  RandomAccessMechanism* mMechanism;
};

// Lines cut at CR, LF or CR LF through a 128-byte buffer, labelled with the reader's encoding.
class ByteLineReader {
 public:
  ByteLineReader(RandomAccessMechanism* mechanism, TextEncoding encoding)
      : mMechanism(mechanism), mEncoding(encoding) {}

  // The next line; what is left (possibly nothing) at the end of the data.
  string ReadLine();
  // True when nothing is buffered and the mechanism is at its end.
  bool IsEOF();

 private:
  static constexpr int32_t kBufferSize = 128;

  uint8_t mBuffer[kBufferSize];
  int32_t mReadPosition = 0;
  int32_t mFillCount = 0;
  RandomAccessMechanism* mMechanism;
  TextEncoding mEncoding;
};
