#include "strings/JapaneseEncodingGuess.h"

#include "core/Export.h"

namespace {

enum GuessState {
  kJISNew = 1,  // ESC $ B
  kJISOld = 2,  // ESC $ @
  kJISNEC = 3,  // ESC K
  kEUC = 4,
  kShiftJIS = 5,
  kEUCOrShiftJIS = 6,
  kUndecided = 7,
};

constexpr TextEncoding kEncodingEUCJP = 0x0920;
constexpr TextEncoding kEncodingShiftJIS = 0x0A01;

bool In(int c, int low, int high) { return c >= low && c <= high; }

// Shift_JIS lead bytes that EUC-JP never uses.
bool IsShiftJISOnlyLead(int c) { return In(c, 0x81, 0x8D) || In(c, 0x8F, 0x9F); }

// Reads the bytes one at a time; -1 at the end, which no rule matches.
class ByteReader {
 public:
  ByteReader(const unsigned char* bytes, int32_t length) : mP(bytes), mEnd(bytes + length) {}
  bool AtEnd() const { return mP >= mEnd; }
  int Next() { return mP < mEnd ? *mP++ : -1; }

 private:
  const unsigned char* mP;
  const unsigned char* mEnd;
};

int AfterEscape(ByteReader& in) {
  int c = in.Next();
  if (c == 'K') return kJISNEC;
  if (c != '$') return kUndecided;
  c = in.Next();
  return c == 'B' ? kJISNew : c == '@' ? kJISOld : kUndecided;
}

int AfterSingleShift(ByteReader& in, int state) {
  int c = in.Next();
  if (In(c, 0x40, 0x7E) || In(c, 0x80, 0xA0) || In(c, 0xE0, 0xFC)) return kShiftJIS;
  return In(c, 0xA1, 0xDF) ? kEUCOrShiftJIS : state;
}

// After a half-width kana or EUC lead followed by 0xE0-0xEF: the following bytes decide.
int ScanAmbiguousRun(ByteReader& in, int c) {
  int state = kEUCOrShiftJIS;
  while (c >= 0x40 && state == kEUCOrShiftJIS) {
    if (IsShiftJISOnlyLead(c)) state = kShiftJIS;
    if (In(c, 0xFD, 0xFE)) state = kEUC;
    c = in.Next();
  }
  return state;
}

int AfterKanaOrEUCLead(ByteReader& in, int state) {
  int c = in.Next();
  if (In(c, 0xF0, 0xFE)) return kEUC;
  if (In(c, 0xA1, 0xDF)) return kEUCOrShiftJIS;
  if (In(c, 0xE0, 0xEF)) return ScanAmbiguousRun(in, c);
  if (In(c, 0, 0x9F)) return kShiftJIS;
  return state;  // 0xA0, 0xFF and the end tell nothing
}

int AfterShiftJISOrEUCLead(ByteReader& in, int state) {
  int c = in.Next();
  if (In(c, 0x40, 0x7E) || In(c, 0x80, 0xA0)) return kShiftJIS;
  if (In(c, 0xFD, 0xFE)) return kEUC;
  return In(c, 0xA1, 0xFC) ? kEUCOrShiftJIS : state;
}

int Step(ByteReader& in, int state) {
  int c = in.Next();
  if (c == 0x1B) {
    int jis = AfterEscape(in);
    return jis == kUndecided ? state : jis;
  }
  if (IsShiftJISOnlyLead(c)) return kShiftJIS;
  if (c == 0x8E) return AfterSingleShift(in, state);
  if (In(c, 0xA1, 0xDF)) return AfterKanaOrEUCLead(in, state);
  if (In(c, 0xE0, 0xEF)) return AfterShiftJISOrEUCLead(in, state);
  if (In(c, 0xF0, 0xFE)) return kEUC;
  return state;
}

}  // namespace

TextEncoding GuessJapaneseEncoding(const unsigned char* bytes, int32_t length) {
  ByteReader in(bytes, length);
  int state = kUndecided;
  while ((state == kUndecided || state == kEUCOrShiftJIS) && !in.AtEnd()) state = Step(in, state);
  switch (state) {
    case kJISNew:
    case kJISOld:
    case kJISNEC:
      return kEncodingISO2022JP;
    case kEUC:
      return kEncodingEUCJP;
    case kShiftJIS:
      return kEncodingShiftJIS;
    default:
      return kEncodingNone;
  }
}

extern "C" TextEncodingObject* guessJapaneseEncoding(stringStorage* s) {
  if (!s) return NewTextEncodingObject(kEncodingASCII);
  if (s->encoding != kEncodingNone) return NewTextEncodingObject(s->encoding);
  TextEncoding guess = GuessJapaneseEncoding(stringStorage::PString(s) + 1, s->length);
  return guess == kEncodingNone ? nullptr : NewTextEncodingObject(guess);
}
QV_EXPORT(guessJapaneseEncoding)
