// Calls through the operation tables from an assembly shim that passes values exactly as
// compiled code does: pins where Single, Double and Int64 values travel in and out.

#include <gtest/gtest.h>

#include <cstring>

#include "arrays/RuntimeArray.h"

// Values go in as their bytes (a 64-bit value as two words), so that the shim, not the C
// compiler, places them. The shim reads six words past the array whatever the prototype says:
// the caller's frame beyond the arguments is readable, and the callee ignores extra words.
extern "C" void QVTableCallShim();

namespace {

template <typename Result, typename... Words>
Result Call(void* fn, RuntimeArray* a, Words... words) {
  using Shim = Result (*)(void*, RuntimeArray*, Words...);
  return reinterpret_cast<Shim>(&QVTableCallShim)(fn, a, words...);
}

// Set and IndexOf take the value's words, then the index words.
template <typename T>
int32_t CallWithValue(void* fn, RuntimeArray* a, T value, std::initializer_list<int32_t> after) {
  uint32_t w[6] = {};
  std::memcpy(w, &value, sizeof value);
  std::copy(after.begin(), after.end(), w + (sizeof value + 3) / 4);
  return Call<int32_t>(fn, a, w[0], w[1], w[2], w[3], w[4], w[5]);
}

// Values whose two words differ, so that a swapped or shifted word shows.
template <typename T>
void ExpectValuesTravel(int32_t code, const T (&values)[4]) {
  // Element (i, j, k) of the three-dimensional array sits at i + 2 j + 6 k.
  const int32_t tuples[4][3] = {{0, 0, 0}, {1, 2, 1}, {1, 0, 1}, {0, 2, 0}};
  RuntimeArray* one = CreateArray(1, code, 3);
  RuntimeArray* three = CreateArray(3, code, 1, 2, 1);
  for (int32_t n = 0; n < 4; ++n) {
    const int32_t i = tuples[n][0], j = tuples[n][1], k = tuples[n][2];
    CallWithValue(n % 2 ? one->table->set : one->table->fastSet, one, values[n], {n});
    CallWithValue(n % 2 ? three->table->fastSet : three->table->set, three, values[n], {i, j, k});
    EXPECT_EQ(static_cast<T*>(one->data)[n], values[n]);
    EXPECT_EQ(static_cast<T*>(three->data)[i + 2 * j + 6 * k], values[n]);
    EXPECT_EQ(Call<T>(n % 2 ? one->table->get : one->table->fastGet, one, n), values[n]);
    EXPECT_EQ(Call<T>(n % 2 ? three->table->fastGet : three->table->get, three, i, j, k),
              values[n]);
    EXPECT_EQ(CallWithValue(one->table->indexOf, one, values[n], {n - 1}), n);
  }
  RuntimeUnlockArray(one);
  RuntimeUnlockArray(three);
}

TEST(TableCallShimTest, ValuesAndIndexListsTravelAsCompiledCodePassesThem) {
  ExpectValuesTravel<double>(kArrayDouble, {3.25, -1.0e300, 2.5e-310, 123456789.125});
  ExpectValuesTravel<int64_t>(kArrayInt64,
                              {INT64_C(0x123456789ABCDEF0), INT64_MIN + 1, -2, INT64_C(1) << 32});
  ExpectValuesTravel<float>(kArraySingle, {1.5f, -3.0e38f, 1.0e-40f, 7.0f});
}

}  // namespace
