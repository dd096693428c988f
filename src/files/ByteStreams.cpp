#include "files/ByteStreams.h"

#include "core/RuntimeError.h"
#include "files/BoundedRead.h"
#include "files/ReadAheadBuffer.h"
#include "strings/TextEncoding.h"

namespace {

RandomAccessMechanism* Checked(RandomAccessMechanism* mechanism) {
  return QV_CHECK_TEXT(mechanism, "mechanism", nullptr) ? mechanism : nullptr;
}

}  // namespace

// ---- ByteOutputStream ---------------------------------------------------------------------

RandomAccessMechanism* ByteOutputStream::Mechanism() const { return Checked(mMechanism); }

bool ByteOutputStream::SetScrambled(bool on) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->SetScrambled(on);
}

bool ByteOutputStream::WriteBytes(const void* bytes, int32_t count) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->Write(bytes, count);
}

bool ByteOutputStream::WriteVarInt(int32_t value) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->WriteVarInt(value);
}

bool ByteOutputStream::WriteString(const string& text) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->WriteVarInt(text.Length()) &&
         mechanism->Write(text.Bytes(), text.Length());
}

bool ByteOutputStream::WriteByte(uint8_t value) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->WriteByte(value);
}

bool ByteOutputStream::WriteUInt16(uint16_t value) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->WriteUInt16(value);
}

bool ByteOutputStream::WriteUInt32(uint32_t value) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->WriteUInt32(value);
}

bool ByteOutputStream::WriteLine(const string& line) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->WriteLine(ConvertEncoding(line, mEncoding));
}

// ---- ByteInputStream ----------------------------------------------------------------------

RandomAccessMechanism* ByteInputStream::Mechanism() const { return Checked(mMechanism); }

bool ByteInputStream::SetScrambled(bool on) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->SetScrambled(on);
}

bool ByteInputStream::ReadBytes(void* bytes, int32_t count) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->Read(bytes, count, nullptr);
}

bool ByteInputStream::ReadVarInt(int32_t* value) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->ReadVarInt(value);
}

bool ByteInputStream::ReadVarInt(int16_t* value) {
  int32_t wide = 0;
  if (!ReadVarInt(&wide)) return false;
  *value = static_cast<int16_t>(wide);
  return true;
}

bool ByteInputStream::ReadString(string* text) {
  text->Release();
  int32_t count = 0;
  if (!ReadVarInt(&count)) return false;
  if (count < 1) return true;
  *text = ReadAtMost(*mMechanism, nullptr, 0, count, kEncodingNone);
  return text->Length() == count;
}

bool ByteInputStream::ReadByte(uint8_t* value) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->ReadByte(value);
}

bool ByteInputStream::ReadUInt16(uint16_t* value) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->ReadUInt16(value);
}

bool ByteInputStream::ReadUInt32(uint32_t* value) {
  RandomAccessMechanism* mechanism = Mechanism();
  return mechanism && mechanism->ReadUInt32(value);
}

// ---- ByteLineReader -----------------------------------------------------------------------

string ByteLineReader::ReadLine() {
  if (!Checked(mMechanism)) return string();
  return ReadAheadBuffer(mMechanism, mBuffer, kBufferSize, &mReadPosition, &mFillCount)
      .ReadLine(mEncoding);
}

bool ByteLineReader::IsEOF() {
  if (!Checked(mMechanism)) return true;
  return ReadAheadBuffer(mMechanism, mBuffer, kBufferSize, &mReadPosition, &mFillCount).AtEnd();
}
