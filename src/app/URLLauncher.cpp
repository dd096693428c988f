#include "app/URLLauncher.h"

#include <cstdlib>

#include "core/ShellRunner.h"
#include "strings/TextEncoding.h"

bool ShowURL(const string& url) {
  const char* browser = std::getenv("BROWSER");
  if (!browser || browser[0] != '/') return false;
  const string text = ConvertEncoding(url, kEncodingUTF8);
  const char* const argv[] = {browser, text.CString(), nullptr};
  int startError = 0;
  return StartDetachedProgram(browser, argv, &startError);
}
