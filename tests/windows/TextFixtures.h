// Strings for the clipboard and drag-and-drop tests: language strings made from C text, and a
// returned string's bytes.
#pragma once

#include <cstring>
#include <string>

#include "strings/RuntimeString.h"

namespace qvtest {

inline string Text(const char* text, TextEncoding encoding = kEncodingUTF8) {
  return string::FromBytes(text, int64_t(std::strlen(text)), encoding);
}

// The bytes of a string handed to the caller (its reference is taken over).
inline std::string Bytes(stringStorage* record) {
  const string held = string::Adopt(record);
  return held.IsEmpty() ? std::string()
                        : std::string(reinterpret_cast<const char*>(held.Bytes()),
                                      size_t(held.Length()));
}

}  // namespace qvtest
