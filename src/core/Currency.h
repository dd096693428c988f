// Currency: a signed 64-bit count of ten-thousandths (the amount 1.5 is held as 15,000).
#pragma once

#include <cstdint>

using Currency = int64_t;

constexpr int64_t kCurrencyScale = 10000;
