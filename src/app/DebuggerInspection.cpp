// The IDE's reads and writes of memory, strings, objects, variants, arrays and properties.
//
// Every address comes from outside and may be stale (a returned frame, a freed object): memory
// is only touched through ProbedMemory, an object only once it is found on the live-object
// list, a string record only once it reads as one, an array only when its operation table is
// one of the framework's typed tables. Whatever fails gives no reply and changes nothing.
#include <algorithm>
#include <cstring>

#include "app/DebuggerState.h"
#include "app/DebuggerWire.h"
#include "app/ProbedMemory.h"
#include "arrays/RuntimeArray.h"
#include "core/CompiledCall.h"
#include "core/ExportRegistry.h"
#include "core/RuntimeError.h"

namespace {

// "DSS" reads no more than this.
constexpr uint32_t kMaxBytesAsString = 16 * 1024 * 1024;
// No array the language makes comes near this; a stale record's garbage count stops here.
constexpr int32_t kMaxArrayDimensions = 256;
// The property row's getter that stands for the generic field accessor.
constexpr uintptr_t kDefaultAccessor = 1;

// The word a variable at the address in field holds.
bool ReadVariable(const string& field, uint32_t* address, uint32_t* value) {
  return DecodeWord(field, address) && ReadOwnMemory(*address, value, sizeof *value);
}

RuntimeObject* AsObject(uint32_t address) {
  return reinterpret_cast<RuntimeObject*>(uintptr_t(address));
}

// The S of a probed record, read in place: taking a reference would write to it.
string EncodeStringRecord(uint32_t address) {
  if (!address) return EncodeWireString(string());
  const auto* record = reinterpret_cast<const stringStorage*>(uintptr_t(address));
  return EncodeWireString(record->data + 1, record->length, record->encoding);
}

// An array made through CreateArray: its table is the framework's for its dimension count and
// some element type.
bool IsTypedArray(const RuntimeArray& header) {
  if (header.dimensions < 1 || header.dimensions > kMaxArrayDimensions) return false;
  for (int32_t type = 0; type < kArrayElementTypeCount; ++type) {
    if (header.table == SelectArrayOperationTable(header.dimensions, type)) return true;
  }
  return false;
}

// The next-to-last field of name split at separator; empty when there is no such field.
string NextToLastField(const string& name, char separator) {
  const char* text = name.CString();
  const char* last = std::strrchr(text, separator);
  if (!last) return string();
  const char* begin = last;
  while (begin > text && begin[-1] != separator) --begin;
  return string::FromBytes(begin, last - begin, name.Encoding());
}

// The getter of the export named name, or else the property of object's class whose key is
// built from name: Window1.Width.Get%i4%o<Window1> gives Width%i4%.
void* FindPropertyGetter(RuntimeObject* object, const string& name) {
  if (const RelocEntry* entry = LookupExportEntry(name)) return entry->code;
  if (!object) return nullptr;
  const string key = NextToLastField(name, '.') + "%" + NextToLastField(name, '%') + "%";
  const RuntimeClass* cls = object->classPtr;
  for (int32_t i = 0; i < cls->propertyCount; ++i) {
    const PropertyTableEntry& entry = cls->propertyTable[i];
    if (string(entry.key).CompareWithCase(key) != 0) continue;
    if (!QV_CHECK_TEXT(reinterpret_cast<uintptr_t>(entry.getter) != kDefaultAccessor,
                       "searchProperty->getter != (void*)RuntimeProperty::kDefaultAccessor",
                       nullptr))
      return nullptr;
    return entry.getter;
  }
  return nullptr;
}

// Object results come with a reference, which goes once the reply is made; one that is not
// sent goes too.
void ReplyWithObject(const string& payload, RuntimeObject* result, const char* replyTag,
                     bool asVariant) {
  if (asVariant) {
    Reply(replyTag, payload, EncodeVariant(result));
  } else if (!result || result->refCount > 1) {
    Reply(replyTag, payload, EncodeObjectReference(result));
  }
  RuntimeUnlockObject(result);
}

}  // namespace

void ReadValue(const string& payload, int32_t byteCount, const char* replyTag) {
  uint32_t address = 0;
  uint64_t value = 0;  // little-endian: the low bytes take the value
  if (!DecodeWord(payload, &address) || !ReadOwnMemory(address, &value, uint32_t(byteCount)))
    return;
  Reply(replyTag, payload, EncodeHex(value, byteCount));
}

void WriteValue(const string& payload, int32_t byteCount) {
  uint32_t address = 0;
  uint64_t value = 0;
  if (!DecodeWord(WireField(payload, 0), &address) ||
      !DecodeHex(WireField(payload, 1, true), byteCount, &value))
    return;
  WriteOwnMemory(address, &value, uint32_t(byteCount));
}

void ReadStringVariable(const string& payload) {
  uint32_t address = 0, record = 0;
  if (!ReadVariable(payload, &address, &record) || (record && !IsStringRecord(record))) return;
  Reply("VALS", payload, EncodeStringRecord(record));
}

void ReadObjectVariable(const string& payload) {
  uint32_t address = 0, object = 0;
  if (!ReadVariable(payload, &address, &object) || !address) return;
  if (object && !IsLiveObject(object)) return;
  Reply("VALO", payload, EncodeObjectReference(AsObject(object)));
}

void ReadVariantVariable(const string& payload) {
  uint32_t address = 0, variant = 0;
  if (!ReadVariable(payload, &address, &variant) || !address) return;
  if (variant && !IsLiveObject(variant)) return;
  Reply("VALV", payload, EncodeVariant(AsObject(variant)));
}

void ReadObjectClass(const string& payload) {
  uint32_t object = 0;
  if (!DecodeWord(payload, &object) || !IsLiveObject(object)) return;
  Reply("VALOC", payload, string(AsObject(object)->classPtr->className));
}

// Bytes of no encoding; at most kMaxBytesAsString of them, and only the run that is readable.
void ReadBytesAsString(const string& payload) {
  uint32_t address = 0, length = 0;
  if (!DecodeWord(WireField(payload, 0), &address) ||
      !DecodeWord(WireField(payload, 1, true), &length) || !address)
    return;
  const uint32_t wanted = std::min(length, kMaxBytesAsString);
  string bytes;
  if (wanted && !bytes.AllocateBuffer(wanted)) return;
  const uint32_t got = ReadOwnMemoryPrefix(address, static_cast<char*>(bytes), wanted);
  if (wanted && !got) return;
  Reply("VALSS", payload, EncodeWireString(bytes.Bytes(), got, kEncodingNone));
}

// The new string takes the variable's place with a reference of its own; the old one is
// released only when it is a string record, and nothing changes when the variable cannot be
// written.
void WriteStringVariable(const string& payload) {
  uint32_t address = 0, old = 0;
  string text;
  if (!ReadVariable(WireField(payload, 0), &address, &old) ||
      !DecodeWireString(WireField(payload, 1, true), &text) ||
      !WriteOwnMemory(address, &old, sizeof old))
    return;
  uint32_t count = 0;
  const bool releaseOld = old && IsStringRecord(old) && ReadOwnMemory(old, &count, sizeof count) &&
                          WriteOwnMemory(old, &count, sizeof count);
  stringStorage* fresh = text.ExtractStringStorage();
  WriteOwnMemory(address, &fresh, sizeof fresh);
  if (releaseOld) stringStorage::RemoveReference(reinterpret_cast<stringStorage*>(uintptr_t(old)));
}

void ReadArray(const string& payload) {
  uint32_t address = 0;
  RuntimeArray header;
  if (!DecodeWord(payload, &address) || !address ||
      !ReadOwnMemory(address, &header, sizeof header) || !IsTypedArray(header))
    return;
  int32_t bounds[kMaxArrayDimensions];
  if (!ReadOwnMemory(address + sizeof header, bounds, 4 * uint32_t(header.dimensions))) return;
  string value = EncodeHex(reinterpret_cast<uintptr_t>(header.data), 4);
  for (int32_t d = 0; d < header.dimensions; ++d) value += " " + EncodeHex(uint32_t(bounds[d]), 4);
  Reply("VALABB", payload, value);
}

void ReadProperty(const string& payload, PropertyResultKind kind, const char* replyTag) {
  uint32_t address = 0, parameter = 0;
  if (!DecodeWord(WireField(payload, 0), &address) ||
      !DecodeWord(WireField(payload, 2, true), &parameter) ||
      (address && !IsLiveObject(address)))
    return;
  RuntimeObject* object = AsObject(address);
  const void* getter = FindPropertyGetter(object, WireField(payload, 1));
  if (!getter) return;
  CompiledCall call;
  call.Protect(object);
  switch (kind) {
    case kPropertyByte:
    case kPropertyShort:
    case kPropertyInt: {
      static constexpr int32_t kBytes[] = {1, 2, 4};
      Reply(replyTag, payload, EncodeHex(call.Invoke<uint32_t>(getter, object, parameter),
                                         kBytes[kind - kPropertyByte]));
      break;
    }
    case kPropertyLong:
      Reply(replyTag, payload, EncodeHex(call.Invoke<int64_t>(getter, object, parameter), 8));
      break;
    case kPropertySingle: {
      const float value = float(call.Invoke<double>(getter, object, parameter));
      uint32_t bits;
      std::memcpy(&bits, &value, sizeof bits);
      Reply(replyTag, payload, EncodeHex(bits, 4));
      break;
    }
    case kPropertyDouble: {
      const double value = call.Invoke<double>(getter, object, parameter);
      uint64_t bits;
      std::memcpy(&bits, &value, sizeof bits);
      Reply(replyTag, payload, EncodeHex(bits, 8));
      break;
    }
    case kPropertyObject:
    case kPropertyVariant:
      ReplyWithObject(payload, call.Invoke<RuntimeObject*>(getter, object, parameter), replyTag,
                      kind == kPropertyVariant);
      break;
    case kPropertyString:
      Reply(replyTag, payload,
            EncodeWireString(
                string::Adopt(call.Invoke<stringStorage*>(getter, object, parameter))));
      break;
  }
}
