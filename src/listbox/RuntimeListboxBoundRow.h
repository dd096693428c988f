// One row of a bound list's provider, fetched once through the list data provider and tuple
// interfaces. A missing GetRow, a nil tuple or one without FieldCount or getIndString is an
// empty row; FieldCount is clamped to 0..256; the tuple is released with the row.
#pragma once

#include "database/DataBinding.h"
#include "listbox/RuntimeListbox.h"

// Tuples answer at most this many fields; a larger FieldCount is clamped.
inline constexpr int32_t kMaxBoundFields = 256;

class RuntimeListbox::BoundRow {
 public:
  BoundRow(RuntimeObject* data, int32_t row) {
    if (!data) return;
    mTuple = CallInterfaceMethod<RuntimeObject*>(data, ListDataProviderInterfaceDefinition(),
                                                 "GetRow", row + 1);
    if (!mTuple) return;
    ObjectDefinition* tuple = TupleInterfaceDefinition();
    if (!FindInterfaceMethod(mTuple, tuple, "getIndString")) return;
    if (!FindInterfaceMethod(mTuple, tuple, "FieldCount")) return;
    const int32_t count = CallInterfaceMethod<int32_t>(mTuple, tuple, "FieldCount");
    mCount = count < 0 ? 0 : (count > kMaxBoundFields ? kMaxBoundFields : count);
  }
  ~BoundRow() {
    if (mTuple) RuntimeUnlockObject(mTuple);
  }
  BoundRow(const BoundRow&) = delete;
  BoundRow& operator=(const BoundRow&) = delete;

  int32_t FieldCount() const { return mCount; }
  // Whether the provider gave a row at all (an empty row raises nothing for its columns).
  bool Real() const { return mCount > 0; }
  string Field(int32_t column) const {
    if (column < 0 || column >= mCount) return string();
    return string::Adopt(CallInterfaceMethod<stringStorage*>(mTuple, TupleInterfaceDefinition(),
                                                             "getIndString", column + 1));
  }

 private:
  RuntimeObject* mTuple = nullptr;  // held
  int32_t mCount = 0;
};

