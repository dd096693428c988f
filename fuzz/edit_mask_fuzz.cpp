// The input mask: matching and one edit of a plain text never read past the mask, the text or
// the inserted text; positions lie inside the new text; valid UTF-8 in gives valid UTF-8 out;
// the accepted text, matched again, is accepted whole.
//
// Input: three length bytes (mask, text, inserted), a flag byte (bit 0 select the inserted
// text, bit 1 the field has a selection, bit 2 keep the accepted part of a refused edit), three
// position bytes (start, deleted, position; 0xFF is -1), then the three strings' bytes.
#include <glib.h>

#include <memory>
#include <string_view>

#include "FuzzSupport.h"
#include "controls/EditMask.h"

namespace {

// A copy in a block of its own size, so that a read past it is caught.
struct Block {
  Block(const uint8_t* bytes, size_t n) : data(new char[n ? n : 1]), size(n) {
    if (n) std::memcpy(data.get(), bytes, n);
  }
  std::string_view view() const { return {data.get(), size}; }
  std::unique_ptr<char[]> data;
  size_t size;
};

bool Valid(std::string_view s) { return g_utf8_validate(s.data(), gssize(s.size()), nullptr); }

int32_t Position(uint8_t byte) { return byte == 0xFF ? -1 : int32_t(byte); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InputScope scope;
  if (size < 7) return 0;
  const size_t maskLength = data[0];
  const size_t textLength = data[1];
  const size_t insertedLength = data[2];
  if (size < 7 + maskLength + textLength + insertedLength) return 0;
  const uint8_t* p = data + 7;
  const Block mask(p, maskLength);
  const Block text(p + maskLength, textLength);
  const Block inserted(p + maskLength + textLength, insertedLength);
  const MaskSeparators separators;

  const MaskMatch match = MatchMask(text.view(), mask.view(), separators);
  const bool validIn = Valid(text.view()) && Valid(mask.view());
  if (validIn) QV_FUZZ_EXPECT(Valid(match.accepted) && Valid(match.literals));
  if (match.result == MaskResult::kAccepted) {
    const MaskMatch again = MatchMask(match.accepted, mask.view(), separators);
    QV_FUZZ_EXPECT(again.result == MaskResult::kAccepted && again.accepted == match.accepted);
  }

  MaskEdit edit;
  edit.select = data[3] & 1;
  edit.hasSelection = data[3] & 2;
  edit.start = Position(data[4]);
  edit.deleted = Position(data[5]);
  edit.position = Position(data[6]);
  edit.inserted = std::string(inserted.view());
  const MaskStep step = ApplyMaskEdit(text.view(), edit, mask.view(), separators, data[3] & 4);
  const int32_t length = MaskCharacterCount(step.text);
  if (step.changeText) {
    QV_FUZZ_EXPECT(step.selStart >= 0 && step.selLength >= 0 &&
                   step.selStart + step.selLength <= length);
    if (validIn && Valid(inserted.view())) QV_FUZZ_EXPECT(Valid(step.text));
  } else {
    QV_FUZZ_EXPECT(step.result != MaskResult::kAccepted);
  }
  if (step.result == MaskResult::kRefused) {
    QV_FUZZ_EXPECT(step.startPosition >= 1 &&
                   step.startPosition <= MaskCharacterCount(step.invalidText) + 1);
  }
  return 0;
}
