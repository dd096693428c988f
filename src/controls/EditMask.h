// The input mask of edit fields: which typed text a mask accepts, and what one edit of a masked
// field turns the field's text into. Plain functions over UTF-8 bytes, with no widget: the
// EditField router applies their answer to its pane, the tests and the fuzz target to a plain
// text model.
//
// Mask characters: "#" a digit; "9" an optional digit; "?" a letter a-z or A-Z; "A" a letter or
// a digit; "a" an optional letter or digit; "&" and "C" an optional printable character (any
// non-ASCII character is printable); "," "." "/" ":" the locale's thousands separator, decimal
// point, date and time separator; ">" and "<" turn upper-case or lower-case mapping on (each
// turns the other off); "\" makes the next mask character a literal; "~" is reserved; any other
// character is a literal. An optional position that does not take a character is skipped and
// the character tried against the next one.
//
// Promises: nothing is read outside the given bytes (a sequence cut short or a stray byte is
// one character); the accepted text is made of whole characters of the text, or of their case
// mapping, so valid UTF-8 in gives valid UTF-8 out; positions count characters and lie inside
// the text they refer to.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct MaskSeparators {
  std::string thousands = ",";
  std::string decimalPoint = ".";
  std::string date = "/";
  std::string time = ":";
};

// The process locale's separators.
MaskSeparators LocaleMaskSeparators();

enum class MaskResult {
  kAccepted,  // every character of the text fits
  kRefused,   // a character does not fit, or the mask ended before the text
  kReserved,  // the match reached a "~"
};

struct MaskMatch {
  std::string accepted;  // the characters that fit, case-mapped, before the first that did not
  std::string literals;  // with kAccepted: the literals and separators the mask shows next
  MaskResult result = MaskResult::kRefused;
};

MaskMatch MatchMask(std::string_view text, std::string_view mask,
                    const MaskSeparators& separators);

// Where a match stands after some text: the byte offset reached in the mask and the case mode.
struct MaskMatchState {
  size_t maskOffset = 0;
  int32_t caseMode = 0;
};
// MatchMask of more text from state, which it moves on: matching a text in pieces, each from
// the state the one before left, accepts what matching it whole does (match.accepted gets the
// new piece's part only). The state is of use only while the result is kAccepted.
MaskMatch ContinueMaskMatch(std::string_view text, std::string_view mask,
                            const MaskSeparators& separators, MaskMatchState& state);

// One edit of a masked field: deleted characters go from start, then inserted goes in at
// position (start when the field had no selection). select: the inserted text ends selected.
struct MaskEdit {
  int32_t start = 0;
  int32_t deleted = 0;
  int32_t position = 0;
  std::string inserted;
  bool select = false;
  bool hasSelection = false;
};

struct MaskStep {
  MaskResult result = MaskResult::kAccepted;
  bool changeText = false;  // the field takes text and the selection below
  std::string text;
  int32_t selStart = 0;
  int32_t selLength = 0;
  // With kRefused: the ValidationError's InvalidText and StartPosition (characters of the
  // accepted part + 1).
  std::string invalidText;
  int32_t startPosition = 0;
};

// keepAccepted: a refused edit leaves the accepted part (the re-check when a mask is set);
// otherwise it leaves the field as it was. kReserved never changes the text.
MaskStep ApplyMaskEdit(std::string_view text, const MaskEdit& edit, std::string_view mask,
                       const MaskSeparators& separators, bool keepAccepted);

// Characters of UTF-8 bytes, each lead byte with the continuation bytes after it counting once.
int32_t MaskCharacterCount(std::string_view utf8);
