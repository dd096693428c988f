#include "strings/StringReplace.h"

#include <cstring>
#include <vector>

#include "core/Export.h"
#include "strings/StringSearch.h"
#include "strings/TextEncoding.h"

namespace {

// Every match first, so that the result is measured and allocated once.
std::vector<SearchMatch> FindMatches(const string& source, const PatternSearch& search, bool all) {
  std::vector<SearchMatch> matches;
  for (SearchMatch m = search.Find(source, 0); m.Found();
       m = search.Find(source, m.offset + m.length)) {
    matches.push_back(m);
    if (!all) break;
  }
  return matches;
}

// Every place of a one-byte pattern replaced: the places counted first (sixteen bytes a step),
// then the result made once and filled in one more pass, with no list of matches between.
string ReplaceEveryByte(const string& source, BytePair pair, const string& replacement) {
  const unsigned char* in = source.Bytes();
  const int32_t n = source.Length(), w = replacement.Length();
  const int32_t count = CountBytePair(in, n, pair);
  if (count == 0) return source;
  string result;
  if (!result.AllocateBuffer(n + int64_t{count} * (w - 1))) return string();
  unsigned char* out = static_cast<unsigned char*>(result) + 1;
  const unsigned char* with = replacement.Bytes();
  int32_t copied = 0;
  ForEachBytePair(in, n, pair, [&](int32_t at) {
    std::memcpy(out, in + copied, static_cast<size_t>(at - copied));
    out += at - copied;
    std::memcpy(out, with, static_cast<size_t>(w));
    out += w;
    copied = at + 1;
  });
  std::memcpy(out, in + copied, static_cast<size_t>(n - copied));
  result.SetEncoding(source.Encoding());
  return result;
}

string Splice(const string& source, const std::vector<SearchMatch>& matches,
              const string& replacement) {
  int64_t total = source.Length();
  for (const SearchMatch& m : matches) total += int64_t{replacement.Length()} - m.length;
  string result;
  if (total == 0 || !result.AllocateBuffer(total)) return string();
  char* out = static_cast<char*>(result);
  const char* in = source.CString();
  int32_t copied = 0;
  for (const SearchMatch& m : matches) {
    std::memcpy(out, in + copied, static_cast<size_t>(m.offset - copied));
    out += m.offset - copied;
    std::memcpy(out, replacement.CString(), static_cast<size_t>(replacement.Length()));
    out += replacement.Length();
    copied = m.offset + m.length;
  }
  std::memcpy(out, in + copied, static_cast<size_t>(source.Length() - copied));
  result.SetEncoding(source.Encoding());
  return result;
}

}  // namespace

string ReplaceText(const string& source, const string& find, const string& replacement, bool all,
                   bool exactBytes) {
  if (source.IsEmpty() || find.IsEmpty()) return source;
  // An ASCII source takes on the encoding of a find or replacement it cannot hold, rather than
  // turning their characters into substitutes.
  const string text =
      exactBytes ? source : WidenASCIIText(WidenASCIIText(source, find), replacement);
  TextEncoding encoding = text.Encoding();
  if (!exactBytes && SearchEncoding(encoding) != encoding) {
    // Matched in UTF-8; what was replaced goes back to the text's own encoding.
    const string searched = SearchableText(text);
    if (searched.Encoding() != encoding) {
      string replaced = ReplaceText(searched, find, replacement, all, false);
      return replaced.Storage() == searched.Storage() ? source
                                                      : ConvertEncoding(replaced, encoding);
    }
  }
  // A find or replacement that cannot be converted is used as its bytes stand.
  string pattern = exactBytes ? find : ConvertEncoding(find, encoding);
  string insert = exactBytes ? replacement : ConvertEncoding(replacement, encoding);
  PatternSearch search(pattern, encoding, !exactBytes);
  BytePair pair;
  if (all && search.SingleBytePair(&pair)) {
    string replaced = ReplaceEveryByte(text, pair, insert);
    return replaced.Storage() == text.Storage() ? source : replaced;
  }
  std::vector<SearchMatch> matches = FindMatches(text, search, all);
  if (matches.empty()) return source;
  return Splice(text, matches, insert);
}

namespace {

stringStorage* Replace(stringStorage* source, stringStorage* find, stringStorage* replacement,
                       bool all, bool exactBytes) {
  return ReplaceText(string(source), string(find), string(replacement), all, exactBytes)
      .ExtractStringStorage();
}

}  // namespace

extern "C" stringStorage* StringReplace(stringStorage* source, stringStorage* find,
                                        stringStorage* replacement) {
  return Replace(source, find, replacement, false, false);
}
QV_EXPORT(StringReplace)

extern "C" stringStorage* StringReplaceAll(stringStorage* source, stringStorage* find,
                                           stringStorage* replacement) {
  return Replace(source, find, replacement, true, false);
}
QV_EXPORT(StringReplaceAll)

extern "C" stringStorage* StringReplaceB(stringStorage* source, stringStorage* find,
                                         stringStorage* replacement) {
  return Replace(source, find, replacement, false, true);
}
QV_EXPORT(StringReplaceB)

extern "C" stringStorage* StringReplaceAllB(stringStorage* source, stringStorage* find,
                                            stringStorage* replacement) {
  return Replace(source, find, replacement, true, true);
}
QV_EXPORT(StringReplaceAllB)
