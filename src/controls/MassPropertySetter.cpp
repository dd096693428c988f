// The bulk property setter: window set-up code gives all design-time properties of a control
// in one byte string of records, each a big-endian u16 index into the object's property table
// followed by the value, whose width the property's type code decides:
//   b  1 byte, non-zero is True         c  3 bytes R, G, B
//   d  8 bytes, big-endian Double       f  4 bytes big-endian Single ("f8": 8, a Double)
//   i  4 bytes, big-endian Integer      s  u32 length, then that many bytes of UTF-8
// The data comes from the image: every record is checked against what is left of it before it
// is read. A bad record stops the pass with a report; the records before it stay applied.
#include <cstring>
#include <string>

#include "core/CompiledCall.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "strings/RuntimeString.h"

namespace {

// A setter word of 1 stands for the generic setter of the property's type.
constexpr uintptr_t kDefaultAccessor = 1;

void Report(const char* condition, const std::string& extra = {}) {
  QV_FAIL_TEXT(condition, extra.empty() ? nullptr : extra.c_str());
}

class RecordReader {
 public:
  RecordReader(const unsigned char* bytes, uint32_t length) : mBytes(bytes), mLength(length) {}

  bool AtEnd() const { return mPos >= mLength; }
  // The next count bytes, or nil (nothing consumed) when fewer are left.
  const unsigned char* Take(uint64_t count) {
    if (uint64_t(mPos) + count > mLength) return nullptr;
    const unsigned char* at = mBytes + mPos;
    mPos += uint32_t(count);
    return at;
  }
  bool BigEndian(uint32_t width, uint64_t* value) {
    const unsigned char* at = Take(width);
    if (!at) return false;
    *value = 0;
    for (uint32_t i = 0; i < width; ++i) *value = (*value << 8) | at[i];
    return true;
  }

 private:
  const unsigned char* mBytes;
  uint32_t mLength;
  uint32_t mPos = 0;
};

// The type code of a property table key "Name%code%", or "" without one.
std::string TypeCodeOf(const string& key) {
  const char* text = key.CString();
  const char* percent = std::strchr(text, '%');
  if (!percent) return {};
  const char* end = std::strchr(percent + 1, '%');
  return end ? std::string(percent + 1, end) : std::string(percent + 1);
}

std::string PropertyNameOf(const string& key) {
  const char* text = key.CString();
  const char* percent = std::strchr(text, '%');
  return percent ? std::string(text, percent) : std::string(text);
}

template <typename T>
void CallSetter(void* setter, void* generic, RuntimeObject* object, uint32_t word, T value) {
  if (reinterpret_cast<uintptr_t>(setter) == kDefaultAccessor) setter = generic;
  CompiledCall().Invoke<void>(setter, object, word, value);
}

// Reads one value of code and hands it to the setter; false (after a report) when the pass
// must stop.
bool ApplyRecord(RecordReader& reader, RuntimeObject* object, const PropertyTableEntry& entry,
                 const std::string& code) {
  const char letter = code.empty() ? '\0' : code[0];
  uint64_t raw = 0;
  void* setter = entry.setter;
  const uint32_t word = entry.word;
  switch (letter) {
    case 'b':
      if (!reader.BigEndian(1, &raw)) break;
      CallSetter<int32_t>(setter, (void*)&boolSetter, object, word, raw != 0);
      return true;
    case 'c':
    case 'i':
      if (code == "i8") {
        Report("Illegal type in mass property input.", code);
        return false;
      }
      if (!reader.BigEndian(letter == 'c' ? 3 : 4, &raw)) break;
      CallSetter<int32_t>(setter, (void*)&intSetter, object, word, int32_t(uint32_t(raw)));
      return true;
    case 'd':
    case 'f': {
      // A Double arrives in eight bytes whatever its letter, so its setter never reads half.
      const bool isDouble = letter == 'd' || code == "f8";
      if (!reader.BigEndian(isDouble ? 8 : 4, &raw)) break;
      if (isDouble) {
        double value;
        std::memcpy(&value, &raw, sizeof value);
        CallSetter<double>(setter, (void*)&doubleSetter, object, word, value);
      } else {
        const uint32_t bits = uint32_t(raw);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        CallSetter<float>(setter, (void*)&singleSetter, object, word, value);
      }
      return true;
    }
    case 's': {
      uint64_t length = 0;
      const unsigned char* bytes = nullptr;
      if (!reader.BigEndian(4, &length) || !(bytes = reader.Take(length))) break;
      string text = string::FromBytes(bytes, int64_t(length), kEncodingUTF8);
      CallSetter<stringStorage*>(setter, (void*)&stringSetter, object, word, text.Storage());
      return true;
    }
    default:
      Report("Illegal type in mass property input.", code);
      return false;
  }
  Report("the record lies within the data", "mass property record runs past the data");
  return false;
}

}  // namespace

extern "C" void RuntimeMassPropertySetter(RuntimeObject* object, stringStorage* data) {
  if (!object || !data || !object->classPtr) return;
  const string bytes(data);
  RecordReader reader(bytes.Bytes(), uint32_t(bytes.Length()));
  const RuntimeClass* cls = object->classPtr;
  RuntimeLockObject(object);  // a setter may drop every other reference
  while (!reader.AtEnd()) {
    uint64_t index = 0;
    if (!reader.BigEndian(2, &index)) {
      Report("the record lies within the data", "mass property index runs past the data");
      break;
    }
    if (index >= uint64_t(cls->propertyCount) || !cls->propertyTable) {
      Report("destIndex < propTableCount");
      break;
    }
    const PropertyTableEntry& entry = cls->propertyTable[index];
    const string key(entry.key);
    if (!entry.setter) {
      Report("setter", "Assignment to read-only property " + PropertyNameOf(key));
      break;
    }
    if (!ApplyRecord(reader, object, entry, TypeCodeOf(key))) break;
  }
  RuntimeUnlockObject(object);
}
QV_EXPORT(RuntimeMassPropertySetter)
