// The files of a source tree, read whole, for the checks that read the framework's sources.
#pragma once

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

struct SourceFile {
  std::string path;  // relative to the tree's root, e.g. "core/Memory.cpp"
  std::string text;
};

inline std::vector<SourceFile> ReadSourceTree(const std::filesystem::path& root) {
  std::vector<SourceFile> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    files.push_back({std::filesystem::relative(entry.path(), root).string(), text.str()});
  }
  return files;
}

// A set of names that a word of a file is looked up in without copying it.
using NameSet = std::set<std::string, std::less<>>;

// Every place in files where one of names stands as a whole identifier (strcasecmp, but not
// strcasecmp_l), as "path: name".
inline std::vector<std::string> NamesUsed(const std::vector<SourceFile>& files,
                                          const NameSet& names) {
  std::vector<std::string> uses;
  for (const SourceFile& file : files) {
    const std::string_view text = file.text;
    for (size_t i = 0; i < text.size();) {
      size_t end = i;
      while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) ||
                                   text[end] == '_'))
        ++end;
      if (end == i) ++end;
      const std::string_view word = text.substr(i, end - i);
      if (names.count(word)) uses.push_back(file.path + ": " + std::string(word));
      i = end;
    }
  }
  return uses;
}

// The text of a C or C++ file with its comments and the insides of its string and character
// literals blanked (line breaks kept), for checks that look at the code alone.
inline std::string CodeOnly(std::string_view text) {
  std::string code(text);
  auto blank = [&code](size_t from, size_t to) {
    for (size_t k = from; k < to && k < code.size(); ++k)
      if (code[k] != '\n') code[k] = ' ';
  };
  for (size_t i = 0; i < code.size();) {
    const std::string_view rest = std::string_view(code).substr(i);
    if (rest.starts_with("//")) {
      const size_t end = code.find('\n', i);
      blank(i, end);
      i = end == std::string::npos ? code.size() : end;
    } else if (rest.starts_with("/*")) {
      const size_t end = code.find("*/", i + 2);
      const size_t after = end == std::string::npos ? code.size() : end + 2;
      blank(i, after);
      i = after;
    } else if (rest.starts_with("R\"") && (i == 0 || !std::isalnum(static_cast<unsigned char>(
                                                         code[i - 1])))) {
      const size_t open = code.find('(', i);
      const std::string close = ")" + code.substr(i + 2, open - i - 2) + "\"";
      const size_t end = open == std::string::npos ? std::string::npos : code.find(close, open);
      const size_t after = end == std::string::npos ? code.size() : end + close.size();
      blank(i + 2, after - 1);
      i = after;
    } else if (code[i] == '"' || (code[i] == '\'' && (i == 0 || !std::isxdigit(
                                                                     static_cast<unsigned char>(
                                                                         code[i - 1]))))) {
      const char quote = code[i];
      size_t end = i + 1;
      while (end < code.size() && code[end] != quote && code[end] != '\n')
        end += code[end] == '\\' ? 2 : 1;
      blank(i + 1, end);
      i = end + 1;
    } else {
      ++i;
    }
  }
  return code;
}

// One call in a file: where it is ("path:line"), the text between its parentheses, and where
// in the file's text the call ends (just past its closing parenthesis).
struct SourceCall {
  std::string where;
  std::string arguments;
  size_t end = 0;
};

// Every call of function name (the whole identifier, then "(") in the code of the C and C++
// files among files.
inline std::vector<SourceCall> CallsOf(const std::vector<SourceFile>& files,
                                       std::string_view name) {
  std::vector<SourceCall> calls;
  auto identifier = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  for (const SourceFile& file : files) {
    const std::string_view path = file.path;
    if (!path.ends_with(".cpp") && !path.ends_with(".h") && !path.ends_with(".c")) continue;
    const std::string code = CodeOnly(file.text);
    for (size_t at = code.find(name); at != std::string::npos; at = code.find(name, at + 1)) {
      size_t open = at + name.size();
      if ((at > 0 && identifier(code[at - 1])) || (open < code.size() && identifier(code[open])))
        continue;
      while (open < code.size() && std::isspace(static_cast<unsigned char>(code[open]))) ++open;
      if (open >= code.size() || code[open] != '(') continue;
      int depth = 0;
      size_t close = open;
      for (; close < code.size(); ++close) {
        depth += code[close] == '(' ? 1 : code[close] == ')' ? -1 : 0;
        if (depth == 0) break;
      }
      const size_t line = size_t(std::count(code.begin(), code.begin() + long(at), '\n')) + 1;
      calls.push_back({file.path + ":" + std::to_string(line),
                       file.text.substr(open + 1, close - open - 1), close + 1});
    }
  }
  return calls;
}
