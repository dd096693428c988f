#include "strings/Trim.h"

#include <cstring>

#include "core/Export.h"
#include "core/RuntimeError.h"
#include "strings/CaseMapping.h"
#include "strings/TextEncoding.h"
#include "strings/UTF8.h"

namespace {

// Single-byte text: only the ASCII part of the set (0x85 and 0xA0 are other characters there).
bool IsASCIIWhiteSpace(uint32_t code) { return code < 0x80 && IsWhiteSpace(code); }

// The byte range [start, end) left after trimming.
struct Kept {
  int32_t start;
  int32_t end;
};

Kept TrimBytes(const char* text, int32_t length, bool leading, bool trailing) {
  Kept kept{0, length};
  while (leading && kept.start < kept.end && IsASCIIWhiteSpace(text[kept.start] & 0xFF)) {
    ++kept.start;
  }
  while (trailing && kept.end > kept.start && IsASCIIWhiteSpace(text[kept.end - 1] & 0xFF)) {
    --kept.end;
  }
  return kept;
}

Kept TrimUnits(const char* text, int32_t length, bool leading, bool trailing) {
  auto unit = [text](int32_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(text[at]) |
                                 static_cast<unsigned char>(text[at + 1]) << 8);
  };
  Kept kept{0, length & ~1};
  while (leading && kept.start < kept.end && IsWhiteSpace(unit(kept.start))) {
    kept.start += 2;
  }
  while (trailing && kept.end > kept.start && IsWhiteSpace(unit(kept.end - 2))) {
    kept.end -= 2;
  }
  if (kept.end == (length & ~1)) kept.end = length;  // an odd trailing byte stays
  return kept;
}

Kept TrimUTF8(const char* text, int32_t length, bool leading, bool trailing) {
  const char* begin = text;
  const char* end = text + length;
  for (const char* p = begin; leading && p < end; begin = p) {
    if (!IsWhiteSpace(UTF8DecodeAndAdvance(p, end))) break;
  }
  while (trailing && end > begin) {
    const char* last = end;
    BackupUTF8(last, begin, 1);
    if (!IsWhiteSpace(UTF8Decode(last, end))) break;
    end = last;
  }
  return {static_cast<int32_t>(begin - text), static_cast<int32_t>(end - text)};
}

string TrimScanned(const string& text, bool leading, bool trailing) {
  TextEncoding encoding = text.Encoding();
  const char* bytes = text.CString();
  Kept kept;
  if (encoding == kEncodingUTF8) {
    kept = TrimUTF8(bytes, text.Length(), leading, trailing);
  } else if (IsUnicode16Encoding(encoding)) {
    kept = TrimUnits(bytes, text.Length(), leading, trailing);
  } else if (QV_CHECK_TEXT(encoding == kEncodingASCII || encoding == kEncodingNone,
                           "theStr.Encoding() == kEncodingUTF8 or theStr.Encoding() == "
                           "kEncodingUTF16 or theStr.Encoding() == kEncodingASCII",
                           nullptr)) {
    kept = TrimBytes(bytes, text.Length(), leading, trailing);
  } else {
    return string();
  }
  if (kept.start == 0 && kept.end == text.Length()) return text;
  return mid(text, kept.start, kept.end - kept.start);
}

}  // namespace

string TrimText(const string& text, bool leading, bool trailing) {
  TextEncoding encoding = text.Encoding();
  if (text.IsEmpty() || encoding == kEncodingUTF8 || IsUnicode16Encoding(encoding) ||
      encoding == kEncodingASCII || encoding == kEncodingNone) {
    return TrimScanned(text, leading, trailing);
  }
  string wide = ConvertEncoding(text, kEncodingUnicode16);
  if (wide.Encoding() != kEncodingUnicode16) return text;  // no converter: nothing to trim by
  string trimmed = TrimScanned(wide, leading, trailing);
  if (trimmed.Length() == wide.Length()) return text;
  string back = ConvertEncoding(trimmed, encoding);
  return back.IsEmpty() || back.Encoding() == encoding ? back : text;
}

extern "C" {

stringStorage* runLTrim(stringStorage* text) {
  return TrimText(string(text), true, false).ExtractStringStorage();
}
QV_EXPORT(runLTrim)

stringStorage* runRTrim(stringStorage* text) {
  return TrimText(string(text), false, true).ExtractStringStorage();
}
QV_EXPORT(runRTrim)

stringStorage* runTrim(stringStorage* text) {
  return TrimText(string(text), true, true).ExtractStringStorage();
}
QV_EXPORT(runTrim)

}  // extern "C"
