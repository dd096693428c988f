// The framework counts time in 64 bits; the toolkit's libraries keep a 32-bit time_t (and
// GTimeVal and GTime count seconds in 32 bits). A call that passes or returns one of those
// would read half a value (time_t) or cut dates at January 2038, so no file under src/ names
// such a function. The list comes from the libraries' own headers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <string>

#include "SourceTree.h"

namespace {

bool IsWordCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The identifiers of text in order, each with the offset just past it.
std::vector<std::pair<std::string, size_t>> Identifiers(const std::string& text) {
  std::vector<std::pair<std::string, size_t>> words;
  for (size_t i = 0; i < text.size();) {
    if (!IsWordCharacter(text[i])) {
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < text.size() && IsWordCharacter(text[i])) ++i;
    if (!std::isdigit(static_cast<unsigned char>(text[start])))
      words.emplace_back(text.substr(start, i - start), i);
  }
  return words;
}

// The C statements of a header: comments and preprocessor lines removed, each statement cut
// at ";" and after the last "}" (so a declaration after a struct stands alone).
std::vector<std::string> Statements(const std::string& header) {
  std::string code;
  bool lineStart = true, directive = false;
  for (size_t i = 0; i < header.size(); ++i) {
    if (header.compare(i, 2, "/*") == 0) {
      const size_t end = header.find("*/", i + 2);
      i = end == std::string::npos ? header.size() : end + 1;
      code += ' ';
      continue;
    }
    if (header.compare(i, 2, "//") == 0) {
      while (i + 1 < header.size() && header[i + 1] != '\n') ++i;
      continue;
    }
    const char c = header[i];
    if (lineStart && c == '#') directive = true;
    if (c != ' ' && c != '\t') lineStart = c == '\n';
    if (c == '\n' && !(i > 0 && header[i - 1] == '\\')) directive = false;
    if (!directive) code += c;
  }
  std::vector<std::string> statements;
  std::istringstream parts(code);
  for (std::string part; std::getline(parts, part, ';');) {
    const size_t brace = part.find_last_of('}');
    statements.push_back(brace == std::string::npos ? part : part.substr(brace + 1));
  }
  return statements;
}

bool IsMacroName(const std::string& name) {
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return std::isupper(static_cast<unsigned char>(c)) ||
                                         std::isdigit(static_cast<unsigned char>(c)) || c == '_'; });
}

// Functions declared in headers whose parameters or result hold a 32-bit time: the first name
// in the declaration that is followed by "(" and is not a macro in capitals.
std::set<std::string> FunctionsTakingThirtyTwoBitTime(const std::vector<SourceFile>& headers) {
  static const std::set<std::string> kTimeTypes = {"time_t", "GTimeVal", "GTime"};
  std::set<std::string> names;
  for (const SourceFile& header : headers) {
    for (const std::string& statement : Statements(header.text)) {
      const auto words = Identifiers(statement);
      const bool holdsTime = std::any_of(words.begin(), words.end(), [](const auto& word) {
        return kTimeTypes.count(word.first) != 0;
      });
      if (!holdsTime || statement.find("typedef") != std::string::npos) continue;
      for (const auto& [name, end] : words) {
        const size_t next = statement.find_first_not_of(" \t\n", end);
        if (next == std::string::npos || statement[next] != '(' || IsMacroName(name)) continue;
        const size_t inside = statement.find_first_not_of(" \t\n", next + 1);
        if (inside != std::string::npos && statement[inside] != '*') names.insert(name);
        break;  // a member pointer "(*name)" is no function
      }
    }
  }
  return names;
}

// Every place in files that names one of names, as "path: name".
std::vector<std::string> Uses(const std::vector<SourceFile>& files,
                              const std::set<std::string>& names) {
  std::vector<std::string> uses;
  for (const SourceFile& file : files) {
    for (const auto& word : Identifiers(file.text)) {
      if (names.count(word.first)) uses.push_back(file.path + ": " + word.first);
    }
  }
  return uses;
}

std::vector<SourceFile> LibraryHeaders() {
  std::vector<SourceFile> headers;
  std::istringstream folders(QV_LIBRARY_INCLUDE_DIRS);
  for (std::string folder; std::getline(folders, folder, ':');) {
    // The C library's own headers move to 64-bit time with the build; only the others lag.
    if (folder.empty() || folder.ends_with("-linux-gnu")) continue;
    for (SourceFile& file : ReadSourceTree(folder)) {
      if (file.path.ends_with(".h")) headers.push_back(std::move(file));
    }
  }
  return headers;
}

TEST(ThirtyTwoBitTimeCalls, NoFileUnderSrcNamesAToolkitCallWithA32BitTime) {
  const std::set<std::string> names = FunctionsTakingThirtyTwoBitTime(LibraryHeaders());
  for (const char* known : {"gtk_recent_info_get_added", "g_bookmark_file_set_app_info",
                            "g_date_set_time_t", "g_get_current_time",
                            "gdk_pixbuf_animation_iter_advance"})
    EXPECT_TRUE(names.count(known)) << known << " was not found in the headers";
  EXPECT_FALSE(names.count("g_get_real_time")) << "a gint64 time is not a 32-bit one";
  std::string found;
  for (const std::string& use : Uses(ReadSourceTree(QV_SOURCE_DIR), names)) found += use + "\n";
  EXPECT_EQ(found, "");
  const std::vector<SourceFile> sample = {
      {"core/A.cpp", "GTimeVal now;\ng_get_current_time(&now);\nauto f = &g_date_set_time_t;\n"}};
  EXPECT_EQ(Uses(sample, names),
            (std::vector<std::string>{"core/A.cpp: g_get_current_time",
                                      "core/A.cpp: g_date_set_time_t"}));
}

}  // namespace
