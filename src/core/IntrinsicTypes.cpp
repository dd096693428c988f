#include "core/IntrinsicTypes.h"

#include <bit>

#include "core/ByteUtilities.h"
#include "core/NumberText.h"
#include "strings/NumberFormat.h"
#include "strings/RuntimeString.h"
#include "strings/StringNumbers.h"

namespace {

// Stores text in *destination (one reference owned there) and answers destination.
stringStorage** StoreText(stringStorage** destination, const string& text) {
  stringStorage* old = *destination;
  *destination = text.ExtractStringStorage();
  stringStorage::RemoveReference(old);
  return destination;
}

stringStorage** StringToText(stringStorage** destination, uint32_t value) {
  return StoreText(destination, string(reinterpret_cast<stringStorage*>(value)));
}

int32_t StringFromText(stringStorage* text, uint32_t* value) {
  stringStorage::AddReference(text);
  *value = reinterpret_cast<uintptr_t>(text);
  return 1;
}

void StringRelease(uint32_t value) {
  stringStorage::RemoveReference(reinterpret_cast<stringStorage*>(value));
}

void StringAddReference(uint32_t value) {
  stringStorage::AddReference(reinterpret_cast<stringStorage*>(value));
}

stringStorage** IntegerToText(stringStorage** destination, uint32_t value) {
  return StoreText(destination, ultoa(static_cast<int32_t>(value)));
}

int32_t IntegerFromText(stringStorage* text, uint32_t* value) {
  *value = static_cast<uint32_t>(uatol(stringStorage::CString(text)));
  return 1;
}

stringStorage** BooleanToText(stringStorage** destination, uint32_t value) {
  return StoreText(destination, string(value ? "True" : "False"));
}

int32_t BooleanFromText(stringStorage* text, uint32_t* value) {
  *value = string(text).Compare("True") == 0 ? 1 : 0;
  return 1;
}

// A Single travels as its 32 bits.
stringStorage** SingleToText(stringStorage** destination, uint32_t value) {
  return StoreText(destination,
                   DoubleToText(std::bit_cast<float>(value), kDoubleTextByMagnitude, 7));
}

int32_t SingleFromText(stringStorage* text, uint32_t* value) {
  *value = std::bit_cast<uint32_t>(static_cast<float>(StringVal(text)));
  return 1;
}

constexpr IntrinsicTypeRecord Plain(const char* name) {
  return {{kTypeKindIntrinsic}, name, nullptr, nullptr, nullptr, nullptr};
}
constexpr IntrinsicTypeRecord Integral(const char* name) {
  return {{kTypeKindIntrinsic}, name, IntegerToText, IntegerFromText, nullptr, nullptr};
}

}  // namespace

constexpr IntrinsicTypeRecord kIntrinsicTypeRecords[kIntrinsicTypeCount] = {
    {{kTypeKindIntrinsic}, "String", StringToText, StringFromText, StringRelease,
     StringAddReference},
    Integral("Integer"),
    Integral("UInt32"),
    Plain("Int64"),
    Plain("UInt64"),
    Integral("Int16"),
    Integral("UInt16"),
    Integral("Int8"),
    Integral("UInt8"),
    {{kTypeKindIntrinsic}, "Boolean", BooleanToText, BooleanFromText, nullptr, nullptr},
    {{kTypeKindIntrinsic}, "Single", SingleToText, SingleFromText, nullptr, nullptr},
    Plain("Double"),
    Plain("Currency"),
    Plain("Form"),
    Integral("Color"),
    Plain("Ptr"),
    Plain("WindowPtr"),
    Plain("OSType"),
    Plain("CString"),
    Plain("PString"),
    Plain("Short"),
    Plain("Class"),
};
