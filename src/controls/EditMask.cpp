#include "controls/EditMask.h"

#include <glib.h>

#include <algorithm>

#include "strings/NumberFormat.h"
#include "strings/RuntimeString.h"
#include "strings/UTF8.h"

MaskSeparators LocaleMaskSeparators() {
  string thousands;
  string decimalPoint;
  string date;
  string time;
  GetLocaleSeparators(&thousands, &decimalPoint, &date, &time);
  auto bytes = [](const string& s) { return std::string(s.CString(), size_t(s.Length())); };
  return {bytes(thousands), bytes(decimalPoint), bytes(date), bytes(time)};
}

int32_t MaskCharacterCount(std::string_view utf8) {
  const char* p = utf8.data();
  const char* end = p + utf8.size();
  int32_t count = 0;
  for (; p < end; ++count) AdvanceUTF8(p, end, 1);
  return count;
}

namespace {

enum CaseMode { kNoCase, kUpperCase, kLowerCase };

bool IsDigit(uint32_t c) { return c >= '0' && c <= '9'; }
bool IsLetter(uint32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
// Control characters are the only ones an "&" or "C" position passes over.
bool IsPrintable(uint32_t c) { return (c >= 0x20 && c <= 0x7E) || c >= 0x80; }

// One code point to one; stray bytes (above every code point) stay as they are.
uint32_t MapCase(uint32_t c, CaseMode mode) {
  if (mode == kNoCase || c > 0x10FFFF) return c;
  return mode == kUpperCase ? g_unichar_toupper(c) : g_unichar_tolower(c);
}

// The separator a mask character stands for, or nil for any other character.
const std::string* SeparatorFor(uint32_t maskChar, const MaskSeparators& separators) {
  switch (maskChar) {
    case ',': return &separators.thousands;
    case '.': return &separators.decimalPoint;
    case '/': return &separators.date;
    case ':': return &separators.time;
    default: return nullptr;
  }
}

void AppendCode(std::string& out, uint32_t code) {
  char bytes[kUTF8EncodeBufferSize];
  out.append(bytes, size_t(UTF8Encode(int32_t(code), bytes)));
}

// The literals and separators the mask shows from p on, up to its next input position.
std::string LiteralsFrom(const char* p, const char* end, const MaskSeparators& separators) {
  std::string literals;
  while (p < end) {
    const char* from = p;
    const uint32_t m = NextUTF8Character(p, end);
    if (m < 0x80 && std::string_view("#&9<>?ACa~").find(char(m)) != std::string_view::npos) {
      break;
    }
    if (m == '\\') {
      if (p >= end) break;
      from = p;
      NextUTF8Character(p, end);
    } else if (const std::string* separator = SeparatorFor(m, separators)) {
      literals += *separator;
      continue;
    }
    literals.append(from, size_t(p - from));
  }
  return literals;
}

// Byte offset of character index in utf8, limited to its end.
size_t ByteOffset(std::string_view utf8, int32_t index) {
  const char* p = utf8.data();
  AdvanceUTF8(p, utf8.data() + utf8.size(), std::max(index, 0));
  return size_t(p - utf8.data());
}

}  // namespace

MaskMatch MatchMask(std::string_view text, std::string_view mask,
                    const MaskSeparators& separators) {
  MaskMatchState state;
  return ContinueMaskMatch(text, mask, separators, state);
}

MaskMatch ContinueMaskMatch(std::string_view text, std::string_view mask,
                            const MaskSeparators& separators, MaskMatchState& state) {
  MaskMatch match;
  CaseMode mode = CaseMode(state.caseMode);
  const char* t = text.data();
  const char* const textEnd = t + text.size();
  const char* m = mask.data() + std::min(state.maskOffset, mask.size());
  const char* const maskEnd = mask.data() + mask.size();
  while (t < textEnd) {
    if (m >= maskEnd) return match;  // the text is longer than the mask
    const char* maskFrom = m;
    uint32_t maskChar = NextUTF8Character(m, maskEnd);
    if (maskChar == '>' || maskChar == '<') {
      mode = maskChar == '>' ? kUpperCase : kLowerCase;
      continue;
    }
    if (maskChar == '~') {
      match.result = MaskResult::kReserved;
      return match;
    }
    bool literal = false;
    if (maskChar == '\\') {
      if (m >= maskEnd) return match;
      maskFrom = m;
      maskChar = NextUTF8Character(m, maskEnd);
      literal = true;
    } else if (const std::string* separator = SeparatorFor(maskChar, separators)) {
      if (separator->empty() || !std::string_view(t, size_t(textEnd - t)).starts_with(*separator)) {
        return match;
      }
      match.accepted += *separator;
      t += separator->size();
      continue;
    }
    const char* next = t;
    const uint32_t original = NextUTF8Character(next, textEnd);
    const uint32_t c = MapCase(original, mode);
    bool fits = false;
    bool optional = false;
    if (literal) {
      fits = c == maskChar || original == maskChar;
    } else {
      switch (maskChar) {
        case '#': fits = IsDigit(c); break;
        case '9': fits = IsDigit(c), optional = true; break;
        case '?': fits = IsLetter(c); break;
        case 'A': fits = IsLetter(c) || IsDigit(c); break;
        case 'a': fits = IsLetter(c) || IsDigit(c), optional = true; break;
        case '&':
        case 'C': fits = IsPrintable(c), optional = true; break;
        default: fits = c == maskChar || original == maskChar, literal = true; break;
      }
    }
    if (!fits) {
      if (optional) continue;
      return match;
    }
    if (literal) {
      match.accepted.append(maskFrom, size_t(m - maskFrom));
    } else if (c == original) {
      match.accepted.append(t, size_t(next - t));
    } else {
      AppendCode(match.accepted, c);
    }
    t = next;
  }
  match.result = MaskResult::kAccepted;
  match.literals = LiteralsFrom(m, maskEnd, separators);
  state = {size_t(m - mask.data()), mode};
  return match;
}

MaskStep ApplyMaskEdit(std::string_view text, const MaskEdit& edit, std::string_view mask,
                       const MaskSeparators& separators, bool keepAccepted) {
  std::string edited(text);
  const int32_t length = MaskCharacterCount(edited);
  const int32_t start = std::clamp(edit.start, 0, length);
  const int32_t deleted = std::clamp(edit.deleted, 0, length - start);
  int32_t position = edit.position;
  if (deleted > 0) {
    const size_t from = ByteOffset(edited, start);
    edited.erase(from, ByteOffset(edited, start + deleted) - from);
    if (!edit.hasSelection) position = start;
  }
  position = std::clamp(position, 0, MaskCharacterCount(edited));
  if (!edit.inserted.empty()) edited.insert(ByteOffset(edited, position), edit.inserted);

  MaskMatch match = MatchMask(edited, mask, separators);
  MaskStep step;
  step.result = match.result;
  if (match.result == MaskResult::kReserved) return step;
  if (match.result == MaskResult::kRefused) {
    step.invalidText = edited;
    step.startPosition = MaskCharacterCount(match.accepted) + 1;
    if (!keepAccepted) return step;
  }
  const bool showLiterals = !(deleted > 0 && edit.inserted.empty());
  int32_t shift = MaskCharacterCount(edit.inserted);
  if (showLiterals && !match.literals.empty()) {
    match.accepted += match.literals;
    shift += MaskCharacterCount(match.literals);
  }
  step.changeText = true;
  step.text = std::move(match.accepted);
  const int32_t newLength = MaskCharacterCount(step.text);
  step.selStart = std::clamp(edit.select ? position : position + shift, 0, newLength);
  step.selLength = edit.select ? std::clamp(shift, 0, newLength - step.selStart) : 0;
  return step;
}
