#include "strings/StringCase.h"

#include "core/ByteUtilities.h"
#include "core/Export.h"
#include "core/Memory.h"
#include "strings/CaseMapping.h"
#include "strings/CharTables.h"
#include "strings/TextEncoding.h"

namespace {

using UTF8CaseFunction = void (*)(const char*, int32_t, char**, int32_t*);
using UnitCaseFunction = char* (*)(const char*, int32_t);

// A buffer from the case mappers, taken into a string of the source's encoding and freed.
string AdoptBuffer(char* buffer, int32_t length, TextEncoding encoding) {
  string result = string::FromBytes(buffer, length, encoding);
  OSfree(buffer);
  return result;
}

string MapCase(const string& s, UTF8CaseFunction utf8, UnitCaseFunction units,
               const uint8_t* byteTable) {
  if (s.IsEmpty()) return string();
  TextEncoding encoding = s.Encoding();
  if (encoding == kEncodingUTF8) {
    char* buffer = nullptr;
    int32_t length = 0;
    utf8(s.CString(), s.Length(), &buffer, &length);
    return AdoptBuffer(buffer, length, encoding);
  }
  if (IsUnicode16Encoding(encoding))
    return AdoptBuffer(units(s.CString(), s.Length()), s.Length(), encoding);
  if (!byteTable) return s;
  string result;
  if (!result.AllocateBuffer(s.Length())) return string();
  unsigned char* out = reinterpret_cast<unsigned char*>(static_cast<char*>(result));
  for (int32_t i = 0; i < s.Length(); ++i) out[i] = byteTable[s.Bytes()[i]];
  result.SetEncoding(encoding);
  return result;
}

int32_t Sign(int32_t order) { return (order > 0) - (order < 0); }

// Operands brought to one encoding; returns it, or kEncodingNone when they cannot meet.
TextEncoding MeetEncodings(string& a, string& b) {
  if (a.Encoding() == b.Encoding()) return a.Encoding();
  return ConvertToSameEncoding(&a, &b);
}

int32_t CompareCharacters(const stringStorage* a, const stringStorage* b, TextEncoding encoding,
                          bool ignoreCase) {
  const char* x = stringStorage::CString(a);
  const char* y = stringStorage::CString(b);
  const int32_t xLength = stringStorage::Length(a);
  const int32_t yLength = stringStorage::Length(b);
  if (encoding == kEncodingUTF8) return UTF8StringCompare(x, xLength, y, yLength, ignoreCase);
  return UCS2StringCompare(x, xLength / 2, y, yLength / 2, ignoreCase);
}

bool ComparesByCharacter(TextEncoding encoding) {
  return encoding == kEncodingUTF8 || IsUnicode16Encoding(encoding);
}

// Texts of one encoding whose bytes are not compared as they stand (32-bit units, EBCDIC, a
// two-byte code page: see SearchEncoding) compare as the characters of their UTF-8 forms. Sets
// *order and answers true when the encoding is one of those and both convert whole (a unit
// that is no character is compared as its bytes, never as a substitute).
bool CompareInUTF8(const stringStorage* a, const stringStorage* b, TextEncoding encoding,
                   bool ignoreCase, int32_t* order) {
  if (SearchEncoding(encoding) == encoding) return false;
  const string x = ConvertEncodingWhole(string(const_cast<stringStorage*>(a)), kEncodingUTF8);
  const string y = ConvertEncodingWhole(string(const_cast<stringStorage*>(b)), kEncodingUTF8);
  if ((!x.IsEmpty() && x.Encoding() != kEncodingUTF8) ||
      (!y.IsEmpty() && y.Encoding() != kEncodingUTF8))
    return false;
  *order = Sign(CompareCharacters(x.Storage(), y.Storage(), kEncodingUTF8, ignoreCase));
  return true;
}

}  // namespace

string LowerCase(const string& s) {
  return MapCase(s, UTF8ToLower, UCS2ToLower, GetCharTables().lower);
}

string UpperCase(const string& s) {
  return MapCase(s, UTF8ToUpper, UCS2ToUpper, GetCharTables().upper);
}

extern "C" stringStorage* StringLCase(stringStorage* s) {
  return LowerCase(string(s)).ExtractStringStorage();
}
QV_EXPORT(StringLCase)

extern "C" stringStorage* StringUCase(stringStorage* s) {
  return UpperCase(string(s)).ExtractStringStorage();
}
QV_EXPORT(StringUCase)

extern "C" stringStorage* StringTitleCase(stringStorage* s) {
  return MapCase(string(s), UTF8Capitalize, UCS2Capitalize, nullptr).ExtractStringStorage();
}
QV_EXPORT(StringTitleCase)

extern "C" int32_t StringStrCompare(stringStorage* a, stringStorage* b, int32_t mode) {
  if (a == b) return 0;
  if (!a) return -1;
  if (!b) return 1;
  string x(a), y(b);
  if (mode == 0) return Sign(CompareByteRuns(x.Bytes(), x.Length(), y.Bytes(), y.Length()));
  TextEncoding encoding = MeetEncodings(x, y);
  if (ComparesByCharacter(encoding)) {
    return Sign(CompareCharacters(x.Storage(), y.Storage(), encoding, false));
  }
  int32_t order;
  if (CompareInUTF8(x.Storage(), y.Storage(), encoding, false, &order)) return order;
  // Counted, so that text holding NUL bytes is compared to its end.
  return Sign(CompareByteRuns(x.Bytes(), x.Length(), y.Bytes(), y.Length()));
}
QV_EXPORT(StringStrCompare)

int32_t CompareTextsOfOneEncoding(const stringStorage* a, const stringStorage* b) {
  const TextEncoding encoding = a ? a->encoding : kEncodingNone;
  if (ComparesByCharacter(encoding)) return Sign(CompareCharacters(a, b, encoding, true));
  int32_t order;
  if (CompareInUTF8(a, b, encoding, true, &order)) return order;
  return Sign(ustrcmpi(stringStorage::CString(a), stringStorage::Length(a),
                       stringStorage::CString(b), stringStorage::Length(b)));
}

extern "C" int32_t RuntimeStringCompare(stringStorage* a, stringStorage* b) {
  if (a == b) return 0;
  if (!a) return -1;
  if (!b) return 1;
  if (a->encoding == b->encoding) return CompareTextsOfOneEncoding(a, b);
  string x(a), y(b);
  TextEncoding encoding = MeetEncodings(x, y);
  if (ComparesByCharacter(encoding)) {
    return Sign(CompareCharacters(x.Storage(), y.Storage(), encoding, true));
  }
  int32_t order;
  if (CompareInUTF8(x.Storage(), y.Storage(), encoding, true, &order)) return order;
  return Sign(x.Compare(y));
}
QV_EXPORT(RuntimeStringCompare)
