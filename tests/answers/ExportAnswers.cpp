// The exports area: every export of the framework, with the areas whose lines call it, or, for an
// export no area calls, what it is and why it has no rows. Read from the other areas' committed
// files (their "called | NAME" lines), so a new export shows up here with its reason, and an
// export that gains or loses rows shows as a changed line.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "answers/Answers.h"
#include "core/ExportRegistry.h"
#include "core/GlobalFunctionRows.h"
#include "files/ExportCatalog.h"

namespace {

using namespace answers;

// What the exports of each source folder are, for the reason of an export without rows.
const std::map<std::string, std::string> kFolderReasons = {
    {"core", "the language's machinery (objects, classes, exceptions, memory), called by "
             "compiled code with records it made"},
    {"strings", "text machinery that compiled code and plug-ins call with records they made"},
    {"arrays", "arrays, called by compiled code with array records it made"},
    {"values", "the language's value classes, called on their objects"},
    {"image", "loading and linking the image"},
    {"app", "the application's services, threads and plug-in interface"},
    {"windows", "windows and menus: they need a display"},
    {"controls", "controls: they need a window on a display"},
    {"listbox", "list boxes: they need a window on a display"},
    {"graphics", "drawing, pictures, printing, sound and movies"},
    {"files", "files, streams and volumes not in the matrix"},
    {"database", "the database engines and their cursors"},
    {"net", "sockets and serial ports: they need a peer"},
};

// The exports each area called, from its committed file.
std::map<std::string, std::set<std::string>> CalledByArea() {
  std::map<std::string, std::set<std::string>> called;
  for (const Area* area : Areas()) {
    if (std::string(area->name) == "exports") continue;
    std::ifstream in(std::string(QV_ANSWERS_DIR) + "/" + area->name + ".txt");
    std::string line;
    const std::string mark = "called | ";
    while (std::getline(in, line)) {
      if (line.rfind(mark, 0) != 0) continue;
      const size_t end = line.find(" -> ");
      called[line.substr(mark.size(), end - mark.size())].insert(area->name);
    }
  }
  return called;
}

std::map<std::string, std::string> GlobalFunctionNames() {
  std::map<std::string, std::string> names;
  for (int32_t i = 0; i < GlobalFunctionRowCount(); ++i) {
    const GlobalFunctionRow& row = GlobalFunctionRows()[i];
    if (row.exportName) names.emplace(row.exportName, row.name);
  }
  return names;
}

std::string WhyNoRows(const std::string& name, const std::map<std::string, std::string>& globals) {
  const auto& catalog = exportcatalog::Catalog();
  const auto entry = catalog.find(name);
  const auto global = globals.find(name);
  std::string what;
  if (entry != catalog.end() && !entry->second.owner.empty()) {
    what = "a member of " + entry->second.owner;
  } else if (global != globals.end()) {
    what = "the global function " + global->second;
  } else {
    what = "no row declares its types";
  }
  const std::string file = exportcatalog::SourceFileOf(name);
  const std::string folder = file.substr(0, file.find('/'));
  const auto reason = kFolderReasons.find(folder);
  return "none: " + what + "; " +
         (reason != kFolderReasons.end() ? reason->second : "registered at run time");
}

void EmitExports(const Variant&, Table& table) {
  const auto called = CalledByArea();
  const auto globals = GlobalFunctionNames();
  std::set<std::string> names;
  for (uint32_t i = 0; i < ExportEntryCount(); ++i) {
    const RelocEntry* entry = ExportEntryByIndex(i);
    if (entry && entry->name && *entry->name) names.insert(entry->name);
  }
  for (const std::string& name : names) {
    const auto areas = called.find(name);
    if (areas == called.end()) {
      table.Line("export " + name, WhyNoRows(name, globals));
      continue;
    }
    std::string list;
    for (const std::string& area : areas->second) list += (list.empty() ? "" : ", ") + area;
    table.Line("export " + name, "rows in " + list);
  }
}

QV_ANSWER_AREA("exports", [] { return std::vector<Variant>{{"", {}, {}}}; }, EmitExports);

}  // namespace

TEST(Answers, Exports) { CheckArea("exports"); }
