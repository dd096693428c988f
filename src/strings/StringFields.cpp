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

// One piece per character: code points in UTF-8, units in 16-bit Unicode, else bytes.
void SplitCharacters(const string& source, SplitPieceReceiver receive, void* context) {
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
    receive(context, Piece(source, static_cast<int32_t>(p - begin), static_cast<int32_t>(next - begin)));
    p = next;
  }
}

// The places of a one-byte delimiter are found in one pass over the text rather than by a
// search per piece, which costs more than the piece when pieces are short.
void SplitAtBytePair(const string& source, BytePair pair, SplitPieceReceiver receive,
                     void* context) {
  int32_t begin = 0;
  ForEachBytePair(source.Bytes(), source.Length(), pair, [&](int32_t at) {
    receive(context, Piece(source, begin, at));
    begin = at + 1;
  });
  receive(context, Piece(source, begin, source.Length()));
}

void SplitAtDelimiter(const string& source, const string& delimiter, bool exactBytes,
                      SplitPieceReceiver receive, void* context) {
  FieldScanner scanner(source, delimiter, exactBytes);
  BytePair pair;
  if (scanner.SingleBytePair(&pair)) return SplitAtBytePair(source, pair, receive, context);
  for (int32_t begin, end; scanner.Next(begin, end);) receive(context, Piece(source, begin, end));
}

struct Reencoder {
  SplitPieceReceiver receive;
  void* context;
  static void Receive(void* self, string&& piece) {
    auto* reencoder = static_cast<Reencoder*>(self);
    reencoder->receive(reencoder->context, piece.GetUTF16String());
  }
};

void AppendToVector(void* vector, string&& piece) {
  static_cast<SimpleVector<string>*>(vector)->Append(piece);
}

}  // namespace

int32_t StringCountFieldsCore(const string& source, const string& separator, bool exactBytes) {
  if (source.IsEmpty()) return 0;
  if (separator.IsEmpty()) return 1;
  FieldScanner scanner(source, separator, exactBytes);
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
  FieldScanner scanner(source, separator, exactBytes);
  for (int32_t begin, end, field = 1; scanner.Next(begin, end); ++field) {
    if (field == n) return Piece(source, begin, end);
  }
  return string();
}

void StringSplitEach(const string& source, const string& delimiter, bool exactBytes,
                     SplitPieceReceiver receive, void* context) {
  if (source.IsEmpty()) return;
  if (delimiter.IsEmpty()) return SplitCharacters(source, receive, context);
  if (exactBytes || !IsUnicode16Encoding(source.Encoding()))
    return SplitAtDelimiter(source, delimiter, exactBytes, receive, context);
  // 16-bit text is cut as UTF-8, where a delimiter cannot match half a character.
  Reencoder reencoder{receive, context};
  SplitAtDelimiter(source.GetUTF8String(), delimiter.GetUTF8String(), false, Reencoder::Receive,
                   &reencoder);
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
  FieldScanner scanner(text, fieldSeparator, false);
  for (int32_t begin, end; scanner.Next(begin, end);) fields.Append(Piece(text, begin, end));
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
