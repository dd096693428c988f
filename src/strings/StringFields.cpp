#include "strings/StringFields.h"

#include "core/Export.h"
#include "strings/ByteScan.h"
#include "strings/StringSearch.h"
#include "strings/TextEncoding.h"
#include "strings/UTF8.h"

namespace {

string SeparatorFor(const string& source, const string& separator, bool exactBytes) {
  return exactBytes ? separator : ConvertEncoding(separator, source.Encoding());
}

// The source the text forms cut: an ASCII source takes on the encoding of a separator it cannot
// hold, which would otherwise turn into substitutes that could match the source's own "?".
string SourceFor(const string& source, const string& separator, bool exactBytes) {
  return exactBytes ? source : WidenASCIIText(source, separator);
}

// Walks the fields of a non-empty source cut at a non-empty separator, left to right. The text
// forms bring the separator to the source's encoding first.
class FieldScanner {
 public:
  FieldScanner(const string& source, const string& separator, bool exactBytes)
      : mSource(source),
        mSeparator(SeparatorFor(source, separator, exactBytes)),
        mSearch(mSeparator, source.Encoding(), !exactBytes) {}

  // For a separator of one byte matched byte for byte: the bytes it matches.
  bool SingleBytePair(BytePair* pair) const { return mSearch.SingleBytePair(pair); }

  // The byte range of the next field; false after the last one.
  bool Next(int32_t& begin, int32_t& end) {
    if (mDone) return false;
    begin = mPosition;
    SearchMatch match = mSearch.Find(mSource, mPosition);
    mDone = !match.Found();
    end = mDone ? mSource.Length() : match.offset;
    mPosition = match.offset + match.length;
    return true;
  }

 private:
  const string& mSource;
  string mSeparator;  // the search reads its bytes
  PatternSearch mSearch;
  int32_t mPosition = 0;
  bool mDone = false;
};

string Piece(const string& source, int32_t begin, int32_t end) {
  return string::FromBytes(source.Bytes() + begin, end - begin, source.Encoding());
}

// The pieces below are handed to cut as byte ranges [begin, end) of the source, in order.

// One piece per character: code points in UTF-8, units in 16-bit Unicode, else bytes.
template <typename Cut>
void SplitCharacters(const string& source, Cut&& cut) {
  const char* begin = source.CString();
  const char* end = begin + source.Length();
  bool utf8 = source.Encoding() == kEncodingUTF8;
  int32_t width = IsUnicode16Encoding(source.Encoding()) ? 2 : 1;
  for (const char* p = begin; p < end;) {
    const char* next = p;
    if (utf8)
      AdvanceUTF8(next, end, 1);
    else
      next = end - p < width ? end : p + width;
    cut(static_cast<int32_t>(p - begin), static_cast<int32_t>(next - begin));
    p = next;
  }
}

// The places of a one-byte delimiter are found in one pass over the text rather than by a
// search per piece, which costs more than the piece when pieces are short.
template <typename Cut>
void SplitAtBytePair(const string& source, BytePair pair, Cut&& cut) {
  int32_t begin = 0;
  ForEachBytePair(source.Bytes(), source.Length(), pair, [&](int32_t at) {
    cut(begin, at);
    begin = at + 1;
  });
  cut(begin, source.Length());
}

template <typename Cut>
void SplitAtScanner(FieldScanner& scanner, const string& source, Cut&& cut) {
  BytePair pair;
  if (scanner.SingleBytePair(&pair)) return SplitAtBytePair(source, pair, cut);
  for (int32_t begin, end; scanner.Next(begin, end);) cut(begin, end);
}

void SplitIntoPieces(const string& source, const string& delimiter, bool exactBytes,
                     SplitPieceReceiver receive, void* context) {
  if (source.IsEmpty()) return;
  auto cut = [&](int32_t begin, int32_t end) { receive(context, Piece(source, begin, end)); };
  if (delimiter.IsEmpty()) return SplitCharacters(source, cut);
  FieldScanner scanner(source, delimiter, exactBytes);
  SplitAtScanner(scanner, source, cut);
}

// Whether the text form cuts source in its UTF-8 form rather than in its own bytes: 16-bit text,
// where a delimiter could otherwise match half a character, and text that cannot be matched in
// its own bytes (see SearchEncoding). The pieces go back to the source's encoding.
bool CutsInUTF8(const string& source, const string& delimiter, bool exactBytes) {
  if (exactBytes) return false;
  const TextEncoding encoding = source.Encoding();
  if (IsUnicode16Encoding(encoding)) return !delimiter.IsEmpty();
  return SearchEncoding(encoding) != encoding;
}

struct Reencoder {
  SplitPieceReceiver receive;
  void* context;
  TextEncoding encoding;
  static void Receive(void* self, string&& piece) {
    auto* reencoder = static_cast<Reencoder*>(self);
    reencoder->receive(reencoder->context, ConvertEncoding(piece, reencoder->encoding));
  }
};

void AppendToVector(void* vector, string&& piece) {
  static_cast<SimpleVector<string>*>(vector)->Append(piece);
}

}  // namespace

int32_t StringCountFieldsCore(const string& source, const string& separator, bool exactBytes) {
  if (source.IsEmpty()) return 0;
  if (separator.IsEmpty()) return 1;
  const string text = SourceFor(source, separator, exactBytes);
  const string searched = exactBytes ? text : SearchableText(text);
  FieldScanner scanner(searched, separator, exactBytes);
  int32_t count = 0;
  for (int32_t begin, end; scanner.Next(begin, end);) ++count;
  return count;
}

string StringNthFieldCore(const string& source, const string& separator, int32_t n,
                          bool exactBytes) {
  if (source.IsEmpty() || n < 1) return string();
  // The text form answers field 1 as the whole source, agreeing with its count of 1; the byte
  // form has no field at all.
  if (separator.IsEmpty()) return n == 1 && !exactBytes ? source : string();
  const string text = SourceFor(source, separator, exactBytes);
  const string searched = exactBytes ? text : SearchableText(text);
  FieldScanner scanner(searched, separator, exactBytes);
  for (int32_t begin, end, field = 1; scanner.Next(begin, end); ++field) {
    if (field == n) return ConvertEncoding(Piece(searched, begin, end), text.Encoding());
  }
  return string();
}

void StringSplitEach(const string& original, const string& delimiter, bool exactBytes,
                     SplitPieceReceiver receive, void* context) {
  const string source = SourceFor(original, delimiter, exactBytes);
  if (!CutsInUTF8(source, delimiter, exactBytes))
    return SplitIntoPieces(source, delimiter, exactBytes, receive, context);
  Reencoder reencoder{receive, context, source.Encoding()};
  SplitIntoPieces(source.GetUTF8String(), delimiter.GetUTF8String(), false, Reencoder::Receive,
                  &reencoder);
}

bool StringSplitRecords(const string& original, const string& delimiter, bool exactBytes,
                        SplitRecordStorage storage, void* context) {
  const string source = SourceFor(original, delimiter, exactBytes);
  if (CutsInUTF8(source, delimiter, exactBytes)) return false;
  const unsigned char* bytes = source.Bytes();
  const TextEncoding encoding = source.Encoding();
  std::vector<int32_t> bounds;  // begin and end of each piece
  auto keep = [&](int32_t begin, int32_t end) {
    bounds.push_back(begin);
    bounds.push_back(end);
  };
  if (!source.IsEmpty() && delimiter.IsEmpty()) SplitCharacters(source, keep);
  if (!source.IsEmpty() && !delimiter.IsEmpty()) {
    FieldScanner scanner(source, delimiter, exactBytes);
    BytePair pair;
    if (scanner.SingleBytePair(&pair)) {
      // Counted first, in a quick pass over the text, so that the pieces go straight into
      // their places, made a batch at a time.
      stringStorage** records = storage(context, CountBytePair(bytes, source.Length(), pair) + 1);
      if (!records) return true;
      constexpr int32_t kBatch = 128;
      int32_t batch[2 * kBatch];
      int32_t held = 0;
      auto make = [&] {
        string::MakeSliceRecords(bytes, batch, held, encoding, records);
        records += held;
        held = 0;
      };
      SplitAtBytePair(source, pair, [&](int32_t begin, int32_t end) {
        batch[2 * held] = begin;
        batch[2 * held + 1] = end;
        if (++held == kBatch) make();
      });
      make();
      return true;
    }
    for (int32_t begin, end; scanner.Next(begin, end);) keep(begin, end);
  }
  const auto count = static_cast<int32_t>(bounds.size() / 2);
  if (stringStorage** records = storage(context, count)) {
    string::MakeSliceRecords(bytes, bounds.data(), count, encoding, records);
  }
  return true;
}

void StringSplitToVector(const string& source, const string& delimiter, bool exactBytes,
                         SimpleVector<string>& pieces) {
  StringSplitEach(source, delimiter, exactBytes, AppendToVector, &pieces);
}

int32_t StringSplitPairs(const string& text, const string& pairSeparator,
                         const string& fieldSeparator, SimpleVector<string>& keys,
                         SimpleVector<string>& values) {
  if (text.IsEmpty() || fieldSeparator.IsEmpty()) return 0;
  SimpleVector<string> fields;
  const string source = SourceFor(text, fieldSeparator, false);
  FieldScanner scanner(source, fieldSeparator, false);
  for (int32_t begin, end; scanner.Next(begin, end);) fields.Append(Piece(source, begin, end));
  if (fields.size() < 2) return 0;
  for (uint32_t i = 0; i < fields.size(); ++i) {
    const string& field = fields[static_cast<int32_t>(i)];
    if (StringCountFieldsCore(field, pairSeparator) < 2) continue;
    keys.Append(StringNthFieldCore(field, pairSeparator, 1));
    values.Append(StringNthFieldCore(field, pairSeparator, 2));
  }
  return static_cast<int32_t>(keys.size());
}

void SplitStringAtChar(string& text, uint32_t separator, SimpleVector<string>& pieces) {
  if (!QV_CHECK_TEXT(separator <= 255, "(unsigned long)sepChar <= 255", nullptr)) return;
  text = ConvertEncoding(text, kEncodingUTF8);
  pieces.Clear();
  const char* begin = text.CString();
  const char* end = begin + text.Length();
  const char* pieceStart = begin;
  for (const char* p = begin; p < end;) {
    const char* character = p;
    uint32_t code = UTF8Decode(p, end);
    AdvanceUTF8(p, end, 1);
    if (code != separator) continue;
    pieces.Append(string::FromBytes(pieceStart, character - pieceStart, kEncodingUTF8));
    pieceStart = p;
  }
  if (pieceStart < end)
    pieces.Append(string::FromBytes(pieceStart, end - pieceStart, kEncodingUTF8));
}

extern "C" int32_t StringCountFields(stringStorage* source, stringStorage* separator) {
  return StringCountFieldsCore(string(source), string(separator), false);
}
QV_EXPORT(StringCountFields)

extern "C" stringStorage* StringNthField(stringStorage* source, stringStorage* separator,
                                         int32_t n) {
  return StringNthFieldCore(string(source), string(separator), n, false).ExtractStringStorage();
}
QV_EXPORT(StringNthField)

extern "C" int32_t StringCountFieldsB(stringStorage* source, stringStorage* separator) {
  return StringCountFieldsCore(string(source), string(separator), true);
}
QV_EXPORT(StringCountFieldsB)

extern "C" stringStorage* StringNthFieldB(stringStorage* source, stringStorage* separator,
                                          int32_t n) {
  return StringNthFieldCore(string(source), string(separator), n, true).ExtractStringStorage();
}
QV_EXPORT(StringNthFieldB)
