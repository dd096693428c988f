#include "core/CLocale.h"

#include <string.h>

locale_t CLocale() {
  // newlocale cannot fail for "C"; a function-local static makes it once, thread-safely.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return cLocale;
}

const char* ErrorText(int errorNumber) { return strerror_l(errorNumber, CLocale()); }
