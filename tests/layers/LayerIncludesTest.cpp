// The layers point down: a file under src/ includes headers of its own layer and of the layers
// below, never above. The class library's folders share a layer and use one another, but no
// two of them depend on each other in a cycle. The order is kept here, beside the check.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "SourceTree.h"

namespace {

namespace fs = std::filesystem;

// The language runtime is one layer whose parts use one another; the language's value classes
// stand on it, the loader on them, the application layer on the loader, the class library on the
// application layer.
const std::map<std::string, int> kLayers = {
    {"core", 0},     {"strings", 0},  {"arrays", 0},   {"values", 1},   {"image", 2},
    {"app", 3},      {"files", 4},    {"graphics", 4}, {"windows", 4},  {"controls", 4},
    {"listbox", 4},  {"database", 4}, {"net", 4}};
constexpr int kClassLibraryLayer = 4;

std::string FolderOf(const std::string& path) { return path.substr(0, path.find('/')); }

// The file an include names: beside the includer when such a file exists (as the compiler
// looks first), otherwise from src/.
std::string Resolve(const std::set<std::string>& paths, const std::string& from,
                    const std::string& target) {
  const std::string beside = (fs::path(from).parent_path() / target).lexically_normal().string();
  if (paths.count(beside)) return beside;
  return fs::path(target).lexically_normal().string();
}

// Follows the folder graph from folder; the first cycle found, as "a -> b -> a", or empty.
std::string FindCycle(const std::map<std::string, std::set<std::string>>& uses,
                      const std::string& folder, std::vector<std::string>* path,
                      std::set<std::string>* done) {
  for (size_t i = 0; i < path->size(); ++i) {
    if ((*path)[i] != folder) continue;
    std::string cycle;
    for (size_t j = i; j < path->size(); ++j) cycle += (*path)[j] + " -> ";
    return cycle + folder;
  }
  if (done->count(folder)) return std::string();
  path->push_back(folder);
  const auto found = uses.find(folder);
  if (found != uses.end()) {
    for (const std::string& next : found->second) {
      std::string cycle = FindCycle(uses, next, path, done);
      if (!cycle.empty()) return cycle;
    }
  }
  path->pop_back();
  done->insert(folder);
  return std::string();
}

// Every include that points upward or outside the layers, and a cycle among the class
// library's folders, one line each.
std::vector<std::string> LayerViolations(const std::vector<SourceFile>& files) {
  static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^">]+)[">])");
  std::set<std::string> paths;
  for (const SourceFile& file : files) paths.insert(file.path);
  std::vector<std::string> violations;
  std::map<std::string, std::set<std::string>> uses;
  for (const SourceFile& file : files) {
    const std::string folder = FolderOf(file.path);
    const auto own = kLayers.find(folder);
    if (own == kLayers.end()) {
      violations.push_back(file.path + ": a folder of no layer");
      continue;
    }
    std::istringstream lines(file.text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
      std::smatch match;
      if (!std::regex_search(line, match, kInclude)) continue;
      const bool quoted = match[1] == "\"";
      const std::string target = Resolve(paths, file.path, match[2]);
      const auto layer = kLayers.find(FolderOf(target));
      if (layer == kLayers.end()) {
        // Angle brackets name system headers; quotes name only our own.
        if (quoted) violations.push_back(file.path + ":" + std::to_string(number) + ": " +
                                         match[2].str() + " lies in no layer");
        continue;
      }
      if (layer->second > own->second) {
        violations.push_back(file.path + ":" + std::to_string(number) + ": " + match[2].str() +
                             " lies in a layer above");
      }
      if (layer->second == kClassLibraryLayer && own->second == kClassLibraryLayer &&
          layer->first != folder)
        uses[folder].insert(layer->first);
    }
  }
  std::set<std::string> done;
  for (const auto& [folder, used] : uses) {
    std::vector<std::string> path;
    const std::string cycle = FindCycle(uses, folder, &path, &done);
    if (!cycle.empty()) {
      violations.push_back("folders in a cycle: " + cycle);
      break;
    }
  }
  return violations;
}

TEST(LayerIncludes, NoFileUnderSrcIncludesALayerAboveItsOwn) {
  const std::vector<SourceFile> files = ReadSourceTree(QV_SOURCE_DIR);
  ASSERT_GT(files.size(), 100u);
  std::string found;
  for (const std::string& violation : LayerViolations(files)) found += violation + "\n";
  EXPECT_EQ(found, "");
}

// The check itself: what it must refuse, and what it must let through.
TEST(LayerIncludes, UpwardRelativeUnknownAndCyclicIncludesAreFound) {
  const std::vector<SourceFile> tree = {
      {"core/A.cpp", "#include \"core/A.h\"\n#include \"strings/S.h\"\n  # include \"app/X.h\"\n"},
      {"core/A.h", "#include <vector>\n#include \"B.h\"\n"},
      {"core/B.h", "#include \"../image/L.h\"\n"},
      {"strings/S.h", "#include \"arrays/R.h\"\n#include <windows/W.h>\n"},
      {"arrays/R.h", "#include \"core/A.h\"\n"},
      {"image/L.h", "#include \"core/A.h\"\n#include \"app/X.h\"\n"},
      {"app/X.h", "#include \"image/L.h\"\n#include \"Local.h\"\n#include \"tools/T.h\"\n"},
      {"app/Local.h", ""},
      {"windows/W.h", "#include \"controls/C.h\"\n#include \"files/F.h\"\n"},
      {"controls/C.h", "#include \"windows/W.h\"\n#include \"app/X.h\"\n"},
      {"files/F.h", "#include \"core/A.h\"\n"},
      {"Stray.h", ""},
  };
  EXPECT_EQ(LayerViolations(tree),
            (std::vector<std::string>{"core/A.cpp:3: app/X.h lies in a layer above",
                                      "core/B.h:1: ../image/L.h lies in a layer above",
                                      "strings/S.h:2: windows/W.h lies in a layer above",
                                      "image/L.h:2: app/X.h lies in a layer above",
                                      "app/X.h:3: tools/T.h lies in no layer",
                                      "Stray.h: a folder of no layer",
                                      "folders in a cycle: controls -> windows -> controls"}));
}

}  // namespace
