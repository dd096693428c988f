// Reads just enough of a routine's call-frame information (its CIE and FDE) to compute the
// canonical frame address at one code address: the frame-pointer-based rules gcc and clang
// emit for i386, including the expression a realigned frame uses (the saved stack pointer of
// the caller, read through the frame pointer). Anything else gives nil and the caller keeps to
// the plain frame layout.
#include "core/FrameLayout.h"

#include <cstring>
#include <vector>

#include "core/Exceptions.h"

namespace {

// What libgcc's unwinder answers for a code address: the FDE, and the routine's start.
struct EhBases {
  void* textBase;
  void* dataBase;
  void* function;
};
extern "C" const void* _Unwind_Find_FDE(void* pc, EhBases* bases);

constexpr uint32_t kFramePointerRegister = 5;  // ebp in DWARF's numbering for i386

enum CallFrameOp : uint8_t {
  kAdvanceLoc = 0x40, kOffset = 0x80, kRestore = 0xC0,  // with an operand in the low six bits
  kNop = 0x00, kAdvanceLoc1 = 0x02, kAdvanceLoc2 = 0x03, kAdvanceLoc4 = 0x04,
  kOffsetExtended = 0x05, kRestoreExtended = 0x06, kUndefined = 0x07, kSameValue = 0x08,
  kRegister = 0x09, kRememberState = 0x0A, kRestoreState = 0x0B, kDefCfa = 0x0C,
  kDefCfaRegister = 0x0D, kDefCfaOffset = 0x0E, kDefCfaExpression = 0x0F, kExpression = 0x10,
  kOffsetExtendedSf = 0x11, kDefCfaSf = 0x12, kDefCfaOffsetSf = 0x13, kValOffset = 0x14,
  kValOffsetSf = 0x15, kValExpression = 0x16, kGnuArgsSize = 0x2E,
  kGnuNegativeOffsetExtended = 0x2F,
};
constexpr uint8_t kOpBreg0 = 0x70, kOpDeref = 0x06;

class Reader {
 public:
  Reader(const uint8_t* at, const uint8_t* end) : mAt(at), mEnd(end) {}
  bool Ok() const { return mOk; }
  bool AtEnd() const { return !mOk || mAt >= mEnd; }
  const uint8_t* At() const { return mAt; }

  uint64_t Fixed(uint32_t bytes) {
    uint64_t value = 0;
    if (!Take(bytes)) return 0;
    std::memcpy(&value, mAt - bytes, bytes);
    return value;
  }
  uint64_t Unsigned() {
    uint64_t value = 0;
    for (uint32_t shift = 0; Take(1); shift += 7) {
      if (shift < 64) value |= uint64_t(mAt[-1] & 0x7F) << shift;
      if (!(mAt[-1] & 0x80)) return value;
    }
    return 0;
  }
  int64_t Signed() {
    uint64_t value = 0;
    uint32_t shift = 0;
    while (Take(1)) {
      if (shift < 64) value |= uint64_t(mAt[-1] & 0x7F) << shift;
      shift += 7;
      if (!(mAt[-1] & 0x80)) {
        if (shift < 64 && (mAt[-1] & 0x40)) value |= ~uint64_t(0) << shift;
        return int64_t(value);
      }
    }
    return 0;
  }
  const char* Text() {
    const char* text = reinterpret_cast<const char*>(mAt);
    while (Take(1) && mAt[-1] != 0) {
    }
    return mOk ? text : "";
  }
  bool Skip(uint64_t bytes) { return Take(bytes); }
  // A pointer of the given DW_EH_PE encoding, skipped: its size is all we need.
  bool SkipEncoded(uint8_t encoding) {
    if (encoding == 0xFF) return true;  // omitted
    switch (encoding & 0x0F) {
      case 0x00: case 0x03: case 0x0B: return Skip(4);
      case 0x02: case 0x0A: return Skip(2);
      case 0x04: case 0x0C: return Skip(8);
      case 0x01: Unsigned(); return mOk;
      case 0x09: Signed(); return mOk;
      default: return mOk = false;
    }
  }
  void Fail() { mOk = false; }

 private:
  bool Take(uint64_t bytes) {
    if (!mOk || bytes > uint64_t(mEnd - mAt)) return mOk = false;
    mAt += bytes;
    return true;
  }
  const uint8_t* mAt;
  const uint8_t* mEnd;
  bool mOk = true;
};

// The rules that matter here: the CFA (a register and offset, or an expression) and where the
// return address is kept relative to it.
struct Row {
  uint32_t cfaRegister = 0;
  int64_t cfaOffset = 0;
  const uint8_t* cfaExpression = nullptr;
  uint64_t cfaExpressionLength = 0;
  bool returnKnown = false;
  int64_t returnOffset = 0;
};

struct CommonInfo {
  uint64_t codeAlignment = 1;
  int64_t dataAlignment = 1;
  uint64_t returnRegister = 8;
  uint8_t pointerEncoding = 0;
  bool augmented = false;
  const uint8_t* instructions = nullptr;
  const uint8_t* end = nullptr;
};

// A length field of 0xFFFFFFFF would start a 64-bit entry, which i386 code never has.
bool EntryBounds(const uint8_t* entry, const uint8_t** body, const uint8_t** end) {
  uint32_t length;
  std::memcpy(&length, entry, 4);
  if (length == 0 || length == 0xFFFFFFFFu) return false;
  *body = entry + 4;
  *end = entry + 4 + length;
  return true;
}

bool ReadCommonInfo(const uint8_t* cie, CommonInfo* info) {
  const uint8_t* body;
  if (!EntryBounds(cie, &body, &info->end)) return false;
  Reader in(body, info->end);
  in.Fixed(4);  // the CIE id
  const uint64_t version = in.Fixed(1);
  const char* augmentation = in.Text();
  if (std::strstr(augmentation, "eh")) return false;  // pre-1999 layout
  info->codeAlignment = in.Unsigned();
  info->dataAlignment = in.Signed();
  info->returnRegister = version == 1 ? in.Fixed(1) : in.Unsigned();
  info->augmented = augmentation[0] == 'z';
  if (info->augmented) {
    const uint64_t length = in.Unsigned();
    Reader data(in.At(), in.At() + length);
    for (const char* letter = augmentation + 1; *letter && data.Ok(); ++letter) {
      if (*letter == 'R') info->pointerEncoding = uint8_t(data.Fixed(1));
      if (*letter == 'L') data.Fixed(1);
      if (*letter == 'P') data.SkipEncoded(uint8_t(data.Fixed(1)));
    }
    if (!data.Ok() || !in.Skip(length)) return false;
  }
  info->instructions = in.At();
  return in.Ok() && info->codeAlignment != 0;
}

// Runs the instructions up to the row that holds at target (the address inside the call).
class RowBuilder {
 public:
  RowBuilder(const CommonInfo& info, uintptr_t start, uintptr_t target)
      : mInfo(info), mLocation(start), mTarget(target) {}

  // False when an instruction is not understood; *done once the target's row is complete.
  bool Run(const uint8_t* begin, const uint8_t* end, bool* done) {
    Reader in(begin, end);
    while (!in.AtEnd() && !*done) {
      if (!Step(&in, done)) return false;
    }
    return in.Ok();
  }
  void MarkInitial() { mInitial = mRow; }
  const Row& Current() const { return mRow; }

 private:
  bool Advance(uint64_t delta, bool* done) {
    const uint64_t next = uint64_t(mLocation) + delta * mInfo.codeAlignment;
    if (next > mTarget) *done = true;
    else mLocation = uintptr_t(next);
    return true;
  }
  void SetOffset(uint64_t reg, int64_t offset) {
    if (reg != mInfo.returnRegister) return;
    mRow.returnKnown = true;
    mRow.returnOffset = offset;
  }
  void Forget(uint64_t reg) {
    if (reg == mInfo.returnRegister) mRow.returnKnown = false;
  }
  void SetCfa(uint64_t reg, int64_t offset) {
    mRow.cfaRegister = uint32_t(reg);
    mRow.cfaOffset = offset;
    mRow.cfaExpression = nullptr;
  }

  bool Step(Reader* in, bool* done) {
    const uint8_t op = uint8_t(in->Fixed(1));
    const int64_t dataAlign = mInfo.dataAlignment;
    switch (op & 0xC0) {
      case kAdvanceLoc: return Advance(op & 0x3F, done);
      case kOffset: SetOffset(op & 0x3F, int64_t(in->Unsigned()) * dataAlign); return true;
      case kRestore:
        if ((op & 0x3F) == mInfo.returnRegister) {
          mRow.returnKnown = mInitial.returnKnown;
          mRow.returnOffset = mInitial.returnOffset;
        }
        return true;
      default: break;
    }
    switch (op) {
      case kNop: return true;
      case kAdvanceLoc1: return Advance(in->Fixed(1), done);
      case kAdvanceLoc2: return Advance(in->Fixed(2), done);
      case kAdvanceLoc4: return Advance(in->Fixed(4), done);
      case kOffsetExtended: {
        const uint64_t reg = in->Unsigned();
        SetOffset(reg, int64_t(in->Unsigned()) * dataAlign);
        return true;
      }
      case kOffsetExtendedSf: {
        const uint64_t reg = in->Unsigned();
        SetOffset(reg, in->Signed() * dataAlign);
        return true;
      }
      case kGnuNegativeOffsetExtended: {
        const uint64_t reg = in->Unsigned();
        SetOffset(reg, -int64_t(in->Unsigned()) * dataAlign);
        return true;
      }
      case kRestoreExtended: case kUndefined: case kSameValue: Forget(in->Unsigned()); return true;
      case kRegister: case kValOffset: {
        Forget(in->Unsigned());
        in->Unsigned();
        return true;
      }
      case kValOffsetSf: {
        Forget(in->Unsigned());
        in->Signed();
        return true;
      }
      case kExpression: case kValExpression: {
        Forget(in->Unsigned());
        return in->Skip(in->Unsigned());
      }
      case kRememberState: mStack.push_back(mRow); return true;
      case kRestoreState:
        if (mStack.empty()) return false;
        mRow = mStack.back();
        mStack.pop_back();
        return true;
      case kDefCfa: {
        const uint64_t reg = in->Unsigned();
        SetCfa(reg, int64_t(in->Unsigned()));
        return true;
      }
      case kDefCfaSf: {
        const uint64_t reg = in->Unsigned();
        SetCfa(reg, in->Signed() * dataAlign);
        return true;
      }
      case kDefCfaRegister: {
        const int64_t offset = mRow.cfaOffset;
        SetCfa(in->Unsigned(), offset);
        return true;
      }
      case kDefCfaOffset: mRow.cfaOffset = int64_t(in->Unsigned()); return true;
      case kDefCfaOffsetSf: mRow.cfaOffset = in->Signed() * dataAlign; return true;
      case kDefCfaExpression:
        mRow.cfaExpressionLength = in->Unsigned();
        mRow.cfaExpression = in->At();
        return in->Skip(mRow.cfaExpressionLength);
      case kGnuArgsSize: in->Unsigned(); return true;
      default: return false;  // DW_CFA_set_loc and anything newer: not worth guessing
    }
  }

  const CommonInfo& mInfo;
  uintptr_t mLocation;
  uintptr_t mTarget;
  Row mRow;
  Row mInitial;
  std::vector<Row> mStack;
};

// The CFA under row for the frame whose frame pointer is frame; false for a rule that does not
// go through the frame pointer.
bool EvaluateCfa(const Row& row, uintptr_t frame, uintptr_t* cfa) {
  if (!row.cfaExpression) {
    if (row.cfaRegister != kFramePointerRegister) return false;
    *cfa = uintptr_t(frame + row.cfaOffset);
    return true;
  }
  // DW_OP_breg5 offset; DW_OP_deref: the word saved at a fixed distance from the frame pointer.
  Reader in(row.cfaExpression, row.cfaExpression + row.cfaExpressionLength);
  if (in.Fixed(1) != kOpBreg0 + kFramePointerRegister) return false;
  const int64_t offset = in.Signed();
  if (!in.Ok() || in.Fixed(1) != kOpDeref || !in.AtEnd()) return false;
  uint32_t word;
  std::memcpy(&word, reinterpret_cast<const void*>(uintptr_t(frame + offset)), 4);
  *cfa = word;
  return true;
}

}  // namespace

const uint8_t** FindReturnAddressSlot(const void* codeInRoutine, const StackFrameRecord* frame) {
  if (!codeInRoutine || !frame) return nullptr;
  // The return address points after the call; the call itself lies one byte before.
  const uintptr_t target = reinterpret_cast<uintptr_t>(codeInRoutine) - 1;
  EhBases bases{};
  const auto* fde = static_cast<const uint8_t*>(
      _Unwind_Find_FDE(reinterpret_cast<void*>(target), &bases));
  if (!fde || !bases.function) return nullptr;
  const uint8_t *body, *end;
  if (!EntryBounds(fde, &body, &end)) return nullptr;
  uint32_t cieDistance;
  std::memcpy(&cieDistance, body, 4);
  CommonInfo info;
  if (!ReadCommonInfo(body - cieDistance, &info)) return nullptr;
  Reader in(body + 4, end);
  in.SkipEncoded(info.pointerEncoding);                   // the routine's start
  in.SkipEncoded(uint8_t(info.pointerEncoding & 0x0F));  // its length, never relative
  if (info.augmented) in.Skip(in.Unsigned());
  if (!in.Ok()) return nullptr;

  RowBuilder rows(info, reinterpret_cast<uintptr_t>(bases.function), target);
  bool done = false;
  if (!rows.Run(info.instructions, info.end, &done)) return nullptr;
  rows.MarkInitial();
  if (!done && !rows.Run(in.At(), end, &done)) return nullptr;
  uintptr_t cfa;
  if (!rows.Current().returnKnown ||
      !EvaluateCfa(rows.Current(), reinterpret_cast<uintptr_t>(frame), &cfa))
    return nullptr;
  return reinterpret_cast<const uint8_t**>(uintptr_t(cfa + rows.Current().returnOffset));
}
