#include "strings/EndOfLine.h"

#include "core/Export.h"
#include "strings/StringReplace.h"
#include "strings/TextEncoding.h"

namespace {

constexpr char kLineFeed[] = "\n";

// The stored endings live for the process; a caller gets its own reference, labelled ASCII.
stringStorage* HandStoredEnding(const string& ending) {
  stringStorage* record = ending.Storage();
  if (record->encoding != kEncodingASCII) record->encoding = kEncodingASCII;
  return ending.ExtractStringStorage();
}

}  // namespace

string ReplaceLineEndings(const string& text, const string& replacement) {
  if (text.IsEmpty()) return string();
  string source = text, ending = replacement;
  TextEncoding encoding = ConvertToSameEncoding(&source, &ending);
  if (encoding != kEncodingNone && source.Encoding() != encoding) source.SetEncoding(encoding);
  TextEncoding working = source.Encoding();
  string cr = UnicodeChar('\r', working), lf = UnicodeChar('\n', working);
  // Character-wise matching, so that 16-bit text is only matched on whole units.
  string result = ReplaceText(source, cr + lf, lf, true, false);
  result = ReplaceText(result, cr, lf, true, false);
  return ReplaceText(result, lf, ending, true, false);
}

extern "C" stringStorage* RuntimeReplaceLineEndings(stringStorage* text,
                                                    stringStorage* replacement) {
  return ReplaceLineEndings(string(text), string(replacement)).ExtractStringStorage();
}
QV_EXPORT(RuntimeReplaceLineEndings)

extern "C" stringStorage* RuntimeEndOfLine(void*) {
  return string(kLineFeed).ExtractStringStorage();
}
QV_EXPORT(RuntimeEndOfLine)

extern "C" stringStorage* RuntimeEndOfLineAdd(void*, stringStorage* value) {
  return (string(kLineFeed) + string(value)).ExtractStringStorage();
}
QV_EXPORT(RuntimeEndOfLineAdd)

extern "C" stringStorage* RuntimeEndOfLineAddRight(void*, stringStorage* value) {
  return (string(value) + string(kLineFeed)).ExtractStringStorage();
}
QV_EXPORT(RuntimeEndOfLineAddRight)

extern "C" int32_t RuntimeEndOfLineCompare(void*, stringStorage* value) {
  string other(value);
  return CompareByteRuns(reinterpret_cast<const unsigned char*>(kLineFeed), 1, other.Bytes(),
                         other.Length());
}
QV_EXPORT(RuntimeEndOfLineCompare)

extern "C" stringStorage* getMacEndOfLine(void*, uint32_t) {
  static const string ending("\r");
  return HandStoredEnding(ending);
}
QV_EXPORT(getMacEndOfLine)

extern "C" stringStorage* getWin32EndOfLine(void*, uint32_t) {
  static const string ending("\r\n");
  return HandStoredEnding(ending);
}
QV_EXPORT(getWin32EndOfLine)

extern "C" stringStorage* getUNIXEndOfLine(void*, uint32_t) {
  static const string ending(kLineFeed);
  return HandStoredEnding(ending);
}
QV_EXPORT(getUNIXEndOfLine)
