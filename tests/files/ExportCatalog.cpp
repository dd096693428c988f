#include "ExportCatalog.h"

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/ExternalClasses.h"
#include "core/ClassRegistry.h"
#include "core/ExportRegistry.h"
#include "core/GlobalFunctionRows.h"
#include "core/ObjectDefinition.h"

namespace exportcatalog {

const std::vector<ClassReason> kClassesHeldInMemory = {
    {"Picture", "its pixels are read whole when it is made: a picture keeps no file open",
     "PictureFiles.ASaveIntoAFullDiskLeavesWhyInLastErrorCode"},
    {"Date", "a value: a file's dates are copied into it",
     "FolderItemImpUnix.MetadataAgreesWithStatAndPython"},
    {"Variant", "a value: a field's contents are copied into it",
     "DatabaseDispatch.AnEmptyResultIsAtBOFAndEOFAndItsFieldsReadNeutral"},
    {"Object", "every object's class: being handed one holds no file",
     "FullDiskWriters.EachFailureIsReportedAndWhatWasKeptStaysWhole"},
    {"MouseCursor", "made of the file's bytes in memory",
     "SpecialFileTable.EveryOpenerHasARowOrAReason"},
    {"AppleEvent", "hands an item on in memory, as a parameter or a reply",
     "SpecialFileTable.EveryOpenerHasARowOrAReason"},
    {"DragItem", "hands an item on in memory, as what is dragged",
     "SpecialFileTable.EveryOpenerHasARowOrAReason"},
    {"ResourceFork", "no file has one on this platform: none is ever made",
     "SpecialFileTable.EveryOpenerHasARowOrAReason"},
};

namespace {

std::set<std::string> ClassesHeldInMemory() {
  std::set<std::string> held;
  for (const ClassReason& reason : kClassesHeldInMemory) held.insert(reason.className);
  return held;
}

// Each class's direct ancestor, as the registered definitions say.
const std::map<std::string, std::string>& Ancestors() {
  static const auto* ancestors = [] {
    auto* made = new std::map<std::string, std::string>;
    RuntimeInitExternalClasses();
    const SimpleVector<ObjectDefinition*> definitions = RegisteredClassDefinitions();
    for (uint32_t i = 0; i < definitions.size(); ++i) {
      const ObjectDefinition* definition = definitions[int32_t(i)];
      // The root class is every object's: what is handed an Object holds no file for that.
      const ObjectDefinition* super = definition->super;
      if (super && !super->isRoot && std::string(super->className.CString()) != "Object")
        (*made)[definition->className.CString()] = super->className.CString();
    }
    return made;
  }();
  return *ancestors;
}

namespace fs = std::filesystem;

void AddClass(const TypeDescriptor* type, std::set<std::string>* classes) {
  if (IsClassNameType(type)) classes->insert(AsClassNameType(type)->className);
}

void AddParameters(const ParameterRecord* parameters, int32_t count, Entry* entry) {
  for (int32_t p = 0; parameters && p < count; ++p)
    AddClass(parameters[p].parameterType, &entry->takes);
}

// The entry of name in catalog, owned by owner (a name in two rows keeps its first owner).
Entry& At(std::map<std::string, Entry>* catalog, const char* name, const std::string& owner) {
  auto [at, added] = catalog->try_emplace(name);
  if (added) at->second.owner = owner;
  return at->second;
}

// The classes of each class's settable properties: an object handed one holds what it holds.
std::map<std::string, std::set<std::string>>& Holdings() {
  static auto* holdings = new std::map<std::string, std::set<std::string>>;
  return *holdings;
}

void AddMembers(const ObjectDefinition& definition, std::map<std::string, Entry>* catalog) {
  const std::string owner = definition.className.CString();
  for (const InstanceVariable* item = definition.items; item; item = item->next)
    if (item->setterExportName && *item->setterExportName)
      AddClass(item->varType, &Holdings()[owner]);
  for (const CodeRecord* code : {&definition.initializer, &definition.finalizer})
    if (code->exportName && *code->exportName) At(catalog, code->exportName, owner);
  for (const InstanceVariable* item = definition.items; item; item = item->next) {
    if (item->getterExportName && *item->getterExportName)
      AddClass(item->varType, &At(catalog, item->getterExportName, owner).gives);
    if (item->setterExportName && *item->setterExportName)
      AddClass(item->varType, &At(catalog, item->setterExportName, owner).takes);
  }
  for (const ObjectMethod* method = definition.methods; method; method = method->next) {
    for (const CodeRecord* code : {&method->row.a, &method->row.b}) {
      if (!code->exportName || !*code->exportName) continue;
      Entry& entry = At(catalog, code->exportName, owner);
      AddParameters(method->RowParameters(), method->row.parameterCount, &entry);
      AddClass(method->row.returnType, &entry.gives);
    }
  }
}

std::map<std::string, Entry> MakeCatalog() {
  std::map<std::string, Entry> catalog;
  RuntimeInitExternalClasses();  // every class, not only those a test registered before
  const SimpleVector<ObjectDefinition*> definitions = RegisteredClassDefinitions();
  for (uint32_t i = 0; i < definitions.size(); ++i) AddMembers(*definitions[int32_t(i)], &catalog);
  for (int32_t i = 0; i < GlobalFunctionRowCount(); ++i) {
    const GlobalFunctionRow& row = GlobalFunctionRows()[i];
    if (!row.exportName || !*row.exportName) continue;
    Entry& entry = At(&catalog, row.exportName, std::string());
    AddParameters(row.parameters, row.parameterCount, &entry);
    AddClass(row.result, &entry.gives);
  }
  for (uint32_t i = 0; i < ExportEntryCount(); ++i) {
    const char* name = ExportEntryByIndex(i)->name;
    if (name && *name) At(&catalog, name, std::string());
  }
  return catalog;
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::map<std::string, std::string> ReadFolder(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".cpp" || extension == ".h" || extension == ".c")
      files[fs::relative(entry.path(), root).string()] = ReadText(entry.path());
  }
  return files;
}

bool Names(const std::string& text, const std::vector<const char*>& words) {
  for (const char* word : words)
    if (text.find(word) != std::string::npos) return true;
  return false;
}

}  // namespace

const std::map<std::string, Entry>& Catalog() {
  static const auto* catalog = new std::map<std::string, Entry>(MakeCatalog());
  return *catalog;
}

std::set<std::string> ClassesReachedFrom(const std::set<std::string>& seeds) {
  const std::set<std::string> held = ClassesHeldInMemory();
  std::set<std::string> reached = seeds;
  // A class given is reached with its ancestors: their members act on what was given.
  auto reach = [&](const std::string& name) {
    for (std::string at = name; !at.empty() && !held.count(at) && reached.insert(at).second;) {
      const auto ancestor = Ancestors().find(at);
      at = ancestor == Ancestors().end() ? std::string() : ancestor->second;
    }
  };
  for (size_t before = 0; before != reached.size();) {
    before = reached.size();
    for (const auto& [name, entry] : Catalog()) {
      bool on = reached.count(entry.owner) > 0;
      for (const std::string& taken : entry.takes) on = on || reached.count(taken);
      if (!on) continue;
      for (const std::string& given : entry.gives) reach(given);
    }
  }
  // A class that can be handed one holds it: its own calls may use it, but what they give is
  // not followed (a control that holds a database gives windows).
  std::set<std::string> holders;
  for (const auto& [holder, holdings] : Holdings())
    for (const std::string& name : holdings)
      if (reached.count(name) && !held.count(holder)) holders.insert(holder);
  reached.insert(holders.begin(), holders.end());
  return reached;
}

std::set<std::string> CallsOn(const std::set<std::string>& classes) {
  std::set<std::string> calls;
  for (const auto& [name, entry] : Catalog()) {
    bool on = classes.count(entry.owner) > 0;
    for (const std::string& taken : entry.takes) on = on || classes.count(taken);
    for (const std::string& given : entry.gives) on = on || classes.count(given);
    if (on) calls.insert(name);
  }
  return calls;
}

const std::map<std::string, std::string>& SourceFiles() {
  static const auto* files =
      new std::map<std::string, std::string>(ReadFolder(fs::path(QV_SOURCE_DIR) / "src"));
  return *files;
}

// The exports of each source file that has any.
const std::map<std::string, std::set<std::string>>& ExportsByFile() {
  static const auto* byFile = [] {
    static const std::regex kExport(R"re(QV_EXPORT\((\w+)\)|QV_EXPORT_AS\("(\w+)")re");
    auto* made = new std::map<std::string, std::set<std::string>>;
    for (const auto& [path, text] : SourceFiles()) {
      if (text.find("QV_EXPORT") == std::string::npos) continue;
      for (std::sregex_iterator at(text.begin(), text.end(), kExport), end; at != end; ++at)
        (*made)[path].insert((*at)[1].matched ? (*at)[1].str() : (*at)[2].str());
    }
    return made;
  }();
  return *byFile;
}

std::string SourceFileOf(const std::string& exportName) {
  for (const auto& [path, names] : ExportsByFile())
    if (names.count(exportName)) return path;
  // Exported through a row's own macro (a field accessor, a generated getter): the file that
  // names it as a word.
  const std::regex word("\\b" + exportName + "\\b");
  for (const auto& [path, text] : SourceFiles())
    if (text.find(exportName) != std::string::npos && std::regex_search(text, word)) return path;
  return "";
}

std::set<std::string> ExportsOfFilesNaming(const std::vector<const char*>& words) {
  std::set<std::string> exports;
  for (const auto& [path, names] : ExportsByFile())
    if (Names(SourceFiles().at(path), words))
      for (const std::string& name : names)
        if (Catalog().count(name)) exports.insert(name);
  return exports;
}

std::set<std::string> FileCalls() {
  static const std::vector<const char*> kWaysToFiles = {
      "NamedFile",           "TemporaryFile",  "FileReplacement", "ReplaceMechanism",
      "CreateMechanism",     "OpenAsMechanism", "OpenAsAppendMechanism", "StorageFileSystem",
      "UnixHelper::LoadLibrary", "FindLibrary", "OpenDSP",        "past the opener",
      "SaveAsPicture(", "SaveAsJPEG(", "SaveStyledFile(", "TheResourceManager()",
      "SaveReplacing("};
  std::set<std::string> calls = CallsOn(ClassesReachedFrom({"FolderItem"}));
  // An export no row declares, beside such calls, works on their objects as they do.
  for (const auto& [path, names] : ExportsByFile()) {
    bool beside = false;
    for (const std::string& name : names) beside = beside || calls.count(name);
    for (const std::string& name : names) {
      const auto entry = Catalog().find(name);
      if (beside && entry != Catalog().end() && entry->second.owner.empty() &&
          entry->second.takes.empty() && entry->second.gives.empty())
        calls.insert(name);
    }
  }
  const std::set<std::string> named = ExportsOfFilesNaming(kWaysToFiles);
  calls.insert(named.begin(), named.end());
  return calls;
}

bool TestWritten(const std::string& suiteDotName) {
  static const auto* tests = new std::map<std::string, std::string>(
      ReadFolder(fs::path(QV_SOURCE_DIR) / "tests"));
  const size_t dot = suiteDotName.find('.');
  if (dot == std::string::npos) return false;
  const std::string declared =
      "(" + suiteDotName.substr(0, dot) + ", " + suiteDotName.substr(dot + 1) + ")";
  for (const auto& [path, text] : *tests) {
    for (size_t at = text.find(declared); at != std::string::npos;
         at = text.find(declared, at + 1)) {
      const size_t line = text.rfind('\n', at);
      if (text.compare(line == std::string::npos ? 0 : line + 1, 4, "TEST") == 0) return true;
    }
  }
  return false;
}

}  // namespace exportcatalog
