#include "app/URLLauncher.h"

#include <dlfcn.h>
#include <glib.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ExecutablePath.h"
#include "app/ShellCommand.h"
#include "app/SystemServices.h"
#include "core/Export.h"
#include "core/LibraryFinder.h"
#include "strings/TextEncoding.h"

namespace {

constexpr const char* kDesktopLibrary = "libgnome-2.so";
constexpr const char* kDesktopFunction = "gnome_url_show";
constexpr const char* kKnownBrowsers[] = {"firefox", "galeon", "konqueror", "mozilla", "opera"};
// The shell only hands its arguments on: the URL is never text it reads.
constexpr const char* kRunArguments = "exec \"$@\"";

using DesktopShowFunction = gboolean (*)(const char* url, GError** error);

// Each value with its own flag, so that a look-up that failed is not made again.
struct FetchedValues {
  bool browserFetched = false;
  std::string browser;  // empty when BROWSER is not set
  bool libraryFetched = false;
  void* library = nullptr;
  bool functionFetched = false;
  DesktopShowFunction function = nullptr;
};

FetchedValues& Fetched() {
  static FetchedValues values;
  return values;
}

const std::string& BrowserText() {
  FetchedValues& values = Fetched();
  if (!values.browserFetched) {
    values.browserFetched = true;
    if (const char* text = std::getenv("BROWSER")) values.browser = text;
  }
  return values.browser;
}

DesktopShowFunction DesktopFunction() {
  FetchedValues& values = Fetched();
  if (!values.libraryFetched) {
    values.libraryFetched = true;
    values.library = UnixHelper::LoadLibrary(string(kDesktopLibrary));
  }
  if (!values.library) return nullptr;
  if (!values.functionFetched) {
    values.functionFetched = true;
    values.function =
        reinterpret_cast<DesktopShowFunction>(dlsym(values.library, kDesktopFunction));
  }
  return values.function;
}

// The text within double quotes up to the closing one, from open (the opening quote) on, with
// the backslashes before $ ` " \ removed as the shell removes them; npos when none closes it.
size_t TakeDoubleQuoted(const std::string& text, size_t open, std::string* word) {
  constexpr std::string_view kEscapable = "$`\"\\";
  for (size_t i = open + 1; i < text.size(); ++i) {
    if (text[i] == '"') return i;
    if (text[i] == '\\' && i + 1 < text.size() && kEscapable.find(text[i + 1]) != kEscapable.npos)
      ++i;
    *word += text[i];
  }
  return std::string::npos;
}

// The words of a simple command as the shell splits it: blanks and tabs between words, quotes
// and backslashes removed. Expansions and operators are no shell's here: their characters stay
// in the words as they are. Nullopt for a quote left open, where the shell runs nothing.
std::optional<std::vector<std::string>> SplitIntoWords(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ' || c == '\t') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '\\' && i + 1 < text.size()) {
      word += text[++i];
    } else if (c == '\'') {
      const size_t close = text.find('\'', i + 1);
      if (close == std::string::npos) return std::nullopt;
      word.append(text, i + 1, close - i - 1);
      i = close;
    } else if (c == '"') {
      i = TakeDoubleQuoted(text, i, &word);
      if (i == std::string::npos) return std::nullopt;
    } else {
      word += c;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

// The browser command that BROWSER gives, its line ends removed; nullopt when BROWSER does not
// begin with "/" and so is not used at all. Empty when it is used but names nothing to run.
std::optional<std::vector<std::string>> BrowserFromEnvironment() {
  std::string command = BrowserText();
  if (command.empty() || command[0] != '/') return std::nullopt;
  std::erase(command, '\n');
  return SplitIntoWords(command).value_or(std::vector<std::string>());
}

// As "which" finds it: the first executable file of the name on PATH, used only when its folder
// is absolute (which names it as PATH does, and a relative name is no browser command).
std::string FirstBrowserOnPath() {
  for (const char* name : kKnownBrowsers) {
    const std::string found = FindOnPath(name);
    if (!found.empty() && found[0] == '/') return found;
  }
  return std::string();
}

bool DesktopShowsURL(const string& utf8) {
  const DesktopShowFunction show = DesktopFunction();
  if (!show) return false;
  GError* error = nullptr;
  const bool shown = show(utf8.CString(), &error);
  if (error) g_error_free(error);
  return shown;
}

// In the background, reaped by the shell runner's task; returns at once.
void StartBrowser(const std::vector<std::string>& command, const string& utf8) {
  std::vector<string> arguments;
  for (const std::string& word : command) {
    arguments.push_back(string::FromBytes(word.data(), int64_t(word.size()), kEncodingUTF8));
  }
  arguments.push_back(utf8);
  RunShellCommand(string(kRunArguments), false, arguments);
}

}  // namespace

void ShowURL(const string& url) {
  // BROWSER is read at the first call, whatever the URL.
  std::optional<std::vector<std::string>> command = BrowserFromEnvironment();
  // Text that cannot be converted goes on as the bytes it has.
  const string utf8 = ConvertEncoding(url, kEncodingUTF8);
  // No program could receive the URL whole, and a URL cut at the NUL is another one.
  if (HoldsNul(utf8)) return;
  if (!command) {
    if (DesktopShowsURL(utf8)) return;
    const std::string found = FirstBrowserOnPath();
    if (found.empty()) return;
    command = std::vector<std::string>{found};
  }
  if (command->empty()) return;
  StartBrowser(*command, utf8);
}

extern "C" void GlobalShowURL(stringStorage* url) { ShowURL(string(url)); }
QV_EXPORT(GlobalShowURL)

void ForgetURLLauncherValuesForTesting() { Fetched() = FetchedValues(); }
