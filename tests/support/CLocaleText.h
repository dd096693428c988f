// printf-style text in the C locale, whatever locale the tests run under: for the reference
// texts a test builds (SQL literals, a model's rendering of a number), which must not take the
// user's decimal comma. Display text that follows the locale is checked under a locale the test
// sets itself.
#pragma once

#include <string>

namespace qvtest {

std::string CText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qvtest
