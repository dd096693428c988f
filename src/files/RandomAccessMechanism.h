// RandomAccessMechanism: the one interface under every byte source and sink of the framework
// (files, memory, the bytes of a string or a MemoryBlock). A back end is a random-access byte
// stream with a 64-bit position and length; this base adds a last error code, a byte-order
// switch, and the typed operations, written once here on top of Read and Write.
//
// Writing a back end:
//   - derive, and implement the pure operations (Read, Write, Close, IsEOF, SetPosition,
//     GetLength, SetLength, GetPosition); override Flush when data is buffered and GetHandle
//     when a platform handle exists. Keep the virtual operations in the order below: it is
//     the slot order every back end shares.
//   - Read copies up to count bytes from the position, advances by what it copied, and stores
//     that number through bytesRead when the pointer is not null (0 first, so a failing Read
//     never leaves a stale count). Reading past the end is no error code: false, 0 bytes.
//   - Failures are false results; a back end that knows why stores it in lastError (errno for
//     files), which stays until the next failure overwrites it: successes do not clear it.
//   - Close finishes the back end but does not delete it; the destructor releases what the back
//     end owns and closes it when still open.
//
// Byte order: with byteSwap set, the 16- and 32-bit typed operations (and the doubles, when
// swapDoubles is set too) reverse their bytes, which on this little-endian host makes them
// big-endian. A new mechanism is little-endian, with no error.
//
// Scrambling (memory back ends only; the others ignore the flag): each byte is XOR-ed with the
// low byte of a running key, and the key is XOR-ed with the plain byte. The key runs with the
// stream of bytes, not with the position, so a scrambled stream reads back only from the start,
// in the order written, with the key reset by turning scrambling on.
//
// A mechanism belongs to one owner and is used only by the thread holding the run baton.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

// Platform handle kinds of GetHandle, as the language's constants name them.
constexpr int32_t kHandleTypeFilePointer = 2;  // stdio FILE*
constexpr int32_t kHandleTypeFileNumber = 3;   // file descriptor

class RandomAccessMechanism {
 public:
  RandomAccessMechanism() = default;
  virtual ~RandomAccessMechanism() = default;
  RandomAccessMechanism(const RandomAccessMechanism&) = delete;
  RandomAccessMechanism& operator=(const RandomAccessMechanism&) = delete;

  // The virtual operations, in slot order.
  virtual bool Read(void* buffer, int32_t count, int32_t* bytesRead) = 0;
  virtual bool Write(const void* buffer, int32_t count) = 0;
  virtual bool Close() = 0;
  virtual bool IsEOF() = 0;
  virtual bool SetPosition(uint64_t position) = 0;
  virtual int64_t GetLength() = 0;
  virtual bool SetLength(uint64_t length) = 0;
  virtual int64_t GetPosition() = 0;
  virtual void Flush() {}
  virtual void EnableByteSwap() { byteSwap = 1; }
  virtual void DisableByteSwap() { byteSwap = 0; }
  // The platform handle of the kind, or -1 when the back end has none.
  virtual intptr_t GetHandle(int32_t kind);

  // Typed operations. Writes answer the Write's result; reads are true only when every byte
  // of the value came.
  bool WriteByte(uint8_t value);
  bool WriteUInt16(uint16_t value);
  bool WriteUInt32(uint32_t value);
  bool WriteDouble(double value);
  // A length byte n = min(length, 255), then the first n bytes.
  bool WritePString(const string& text);
  // The bytes and one line feed, as one Write.
  bool WriteLine(const string& text);
  // 1 to 5 bytes: see ReadVarInt.
  bool WriteVarInt(int32_t value);
  bool ReadByte(uint8_t* value);
  bool ReadUInt16(uint16_t* value);
  bool ReadUInt32(uint32_t* value);
  bool ReadDouble(double* value);
  // Empties text, reads a length byte n, then n bytes in one Read; the text has no encoding.
  bool ReadPString(string* text);
  // Sign and magnitude in little-endian groups: the first byte holds the sign (0x40) and
  // magnitude bits 0-5, each later byte 7 more bits; 0x80 marks that another byte follows.
  // -2^31 travels as the magnitude 2^31 without a sign.
  bool ReadVarInt(int32_t* value);
  // Turns scrambling on or off and answers whether it was on; turning it on resets the key.
  bool SetScrambled(bool on);

  int32_t lastError = 0;  // the back end's last failure; 0 = none
  uint8_t scrambled = 0;
  uint32_t scrambleKey = 0;  // only its low byte is applied
  uint32_t byteSwap = 0;  // non-zero: 16-, 32-bit (and with swapDoubles 64-bit) values reversed
  uint8_t swapDoubles = 0;

 protected:
  // For back ends that scramble: bytes just stored (plain in, scrambled out), and bytes just
  // read (scrambled in, plain out). Both do nothing while scrambling is off.
  void ScrambleStored(uint8_t* bytes, int32_t count);
  void UnscrambleRead(uint8_t* bytes, int32_t count);

 private:
  // Reads exactly count bytes, or fails.
  bool ReadExactly(void* buffer, int32_t count);
};
