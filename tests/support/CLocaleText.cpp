#include "support/CLocaleText.h"

#include <locale.h>

#include <cstdarg>
#include <cstdio>

#include "core/CLocale.h"

namespace qvtest {

std::string CText(const char* format, ...) {
  const locale_t previous = uselocale(CLocale());
  va_list arguments, again;
  va_start(arguments, format);
  va_copy(again, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, arguments);
  std::string text(length > 0 ? size_t(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  va_end(arguments);
  uselocale(previous);
  return text;
}

}  // namespace qvtest
