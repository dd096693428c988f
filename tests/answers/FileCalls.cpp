// The calls of the files area, read from the class-definition rows and the global-function
// table, and their inputs from small tables per parameter type (a parameter's own name can pick
// a table of its own): a new member gets its rows by itself.
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "answers/FileAnswers.h"
#include "app/ExternalClasses.h"
#include "app/ThreadLocks.h"
#include "core/ClassRegistry.h"
#include "core/GlobalFunctionRows.h"
#include "core/LanguageTypes.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/TypeNames.h"
#include "files/FolderItemClass.h"
#include "files/FolderItemImpUnix.h"
#include "files/PermissionsClass.h"
#include "files/VirtualVolumeClass.h"
#include "strings/TextEncodingObjects.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"
#include "values/DateClass.h"
#include "values/MemoryBlock.h"

extern "C" RuntimeObject* newPicture(int32_t width, int32_t height, int32_t depth);

namespace files_answers {

namespace {

using answers::CallExport;
using answers::Words;

// The classes of the area; the global functions that give one of the first three, or a volume.
const char* const kClasses[] = {
    "FolderItem",    "BinaryStream", "TextInputStream", "TextOutputStream", "VirtualVolume",
    "SpecialFolder", "Mutex"};
const char* const kGivenClasses[] = {"FolderItem", "SpecialFolder", "VirtualVolume"};

// Members without rows, and why.
const std::pair<const char*, const char*> kNoRows[] = {
    {"FolderItem.Launch", "launches a program or a document viewer: the children area"},
    {"FolderItem.OpenStyledEditField", "needs an EditField, which needs a window on a display"},
    {"FolderItem.SaveStyledEditField", "needs an EditField, which needs a window on a display"},
    {"FolderItem.OpenAsSound", "whether sound is supported differs between machines"},
    {"GetOpenFolderItem", "waits on the user in a dialog"},
    {"GetSaveFolderItem", "waits on the user in a dialog"},
    {"SelectFolder", "waits on the user in a dialog"},
};

// What the variants that change the file system or the temporary folder run again, by name:
// the calls that make, write, replace, copy, move or delete files, lengths and volumes; the
// temporary items and lock files. The typed writes of a stream go the way Write goes.
const std::pair<const char*, const char*> kCategories[] = {
    {"CreateTextFile", "change"},
    {"CreateBinaryFile", "change"},
    {"AppendToTextFile", "change"},
    {"CreateAsFolder", "change"},
    {"CreateVirtualVolume", "change"},
    {"OpenAsVirtualVolume", "change"},
    {"Root", "change"},
    {"SaveAsPicture", "change"},
    {"Write", "change"},
    {"WriteLine", "change"},
    {"Flush", "change"},
    {"Close", "change"},
    {"Length", "change"},
    {"Length=", "change"},
    {"Position=", "change"},
    {"Name=", "change"},
    {"Permissions", "change"},
    {"Delete", "change"},
    {"CopyFileTo", "change"},
    {"MoveFileTo", "change"},
    {"Volume", "change"},
    {"VolumeCount", "change"},
    {"GetTemporaryFolderItem", "temporary"},
    {"TemporaryFolder", "temporary"},
    {"Temporary", "temporary"},
};

enum InputKind {
  kText,
  kNumber,
  kBoolean,
  kNil,
  kPath,
  kRelativePath,
  kItemSelf,
  kItemSibling,
  kItemFolder,
  kItemSwap,
  kVirtualSwap,
  kRunName,
  kEncoding,
  kDate,
  kPermissions,
  kPicture,
  kMemoryBlock,
  kHandle,
  kSaveInfo,
};

Input Text(const char* shown, const std::string& bytes) { return {shown, kText, bytes, 0}; }
// A number input, written whole where it is one.
Input Number(double value) {
  const bool whole = value == double(int64_t(value));
  return {whole ? answers::Number(int64_t(value)) : answers::Number(value), kNumber, "", value};
}
Input Of(const char* shown, InputKind kind, const char* text = "", double number = 0) {
  return {shown, kind, text, number};
}

// 2001-02-03 04:05:06 as TotalSeconds.
constexpr double kSetDate = 3064017906.0;

// The inputs of a parameter: by "Owner.name", else name, else type ("" matches any name).
struct InputTable {
  const char* type;
  const char* parameter;
  std::vector<Input> inputs;
};
const std::vector<InputTable>& InputTables() {
  static const std::vector<InputTable> tables = {
      {"String",
       "Path",
       {Of("the item", kPath), Of("the item relative", kRelativePath), Text("\"\"", "")}},
      {"String",
       "GetFolderItem.p1",
       {Of("the item", kPath), Of("the item relative", kRelativePath)}},
      {"String",
       "GetTrueFolderItem.p1",
       {Of("the item", kPath), Of("the item relative", kRelativePath)}},
      {"String", "Name", {Text("\"a\"", "a"), Text("\"..\"", "..")}},
      {"String", "Owner", {Text("\"root\"", "root"), Text("\"nobody\"", "nobody")}},
      {"String", "Group", {Text("\"root\"", "root"), Text("\"nogroup\"", "nogroup")}},
      {"String", "MacType", {Text("\"TEXT\"", "TEXT")}},
      {"String", "MacCreator", {Text("\"ttxt\"", "ttxt")}},
      {"String", "SaveInfo", {Of("the item's", kSaveInfo), Text("\"\"", "")}},
      {"String", "FourCharCode", {Text("\"temp\"", "temp"), Text("\"none\"", "none")}},
      {"String", "fileType", {Text("\"\"", "")}},
      {"String", "Type", {Text("\"\"", "")}},
      // A name of this run's own: another run of the table at the same time takes the same
      // lock files.
      {"String", "Mutex.name", {Of("\"x\" and the process's number", kRunName, "x")}},
      {"String", "aString", {Text("\"abc\"", "abc")}},
      {"String", "Delimiter", {Text("\"\"", ""), Text("\"\\r\\n\"", "\r\n")}},
      {"String", "", {Text("\"\"", ""), Text("\"n\\xC3\\xA9\"", "n\xC3\xA9")}},
      {"Integer", "index", {Number(0), Number(1), Number(2)}},
      {"Integer", "pathMode", {Number(0), Number(1), Number(2)}},
      {"Integer", "GetFolderItem.p2", {Number(0), Number(1)}},
      {"Integer", "GetTrueFolderItem.p2", {Number(0), Number(1)}},
      {"Integer", "Volume.p1", {Number(0), Number(1)}},
      {"Integer", "Count", {Number(0), Number(4), Number(20000)}},
      {"Integer", "bits", {Of("&o640", kNumber, "", 0640), Number(0)}},
      {"Integer", "Mode", {Number(0), Number(1)}},
      {"Integer", "format", {Number(0), Number(4)}},
      {"Integer", "handle", {Of("the item's", kHandle)}},
      {"Integer", "type", {Number(3)}},
      {"Integer", "LastErrorCode", {Number(5)}},
      {"Integer", "", {Number(-2), Number(70000)}},
      {"Boolean", "", {Of("False", kBoolean, "", 0), Of("True", kBoolean, "", 1)}},
      {"Int8", "", {Number(-2)}},
      {"Int16", "", {Number(-2)}},
      {"Int64", "PositionB", {Number(3), Number(20000)}},
      {"Int64", "", {Number(-2)}},
      {"UInt8", "", {Number(200)}},
      {"UInt16", "", {Number(43981)}},
      {"UInt32", "", {Number(3735928559.0)}},
      {"UInt64", "Length", {Number(0), Number(3), Number(20000)}},
      {"UInt64", "Position", {Number(3), Number(20000)}},
      {"UInt64", "", {Number(72623859790382856.0)}},
      {"Double", "", {Number(1.5)}},
      {"TextEncoding", "", {Of("nil", kNil), Of("Latin1", kEncoding, "", 0x0201)}},
      {"FolderItem",
       "",
       {Of("nil", kNil), Of("the item", kItemSelf), Of("\"to\"", kItemSibling, "to"),
        Of("\"old\"", kItemSibling, "old"), Of("the folder", kItemFolder),
        Of("the item, from \"src\"", kItemSwap, "src"),
        Of("the item, from a volume's \"a\"", kVirtualSwap, "vol")}},
      {"Date", "", {Of("2001-02-03 04:05:06", kDate, "", kSetDate)}},
      {"Permissions", "", {Of("Permissions(&o640)", kPermissions, "", 0640)}},
      {"Picture", "", {Of("nil", kNil), Of("Picture(2, 2, 32)", kPicture)}},
      {"MemoryBlock", "", {Of("MemoryBlock(\"abcd\")", kMemoryBlock, "abcd")}},
  };
  return tables;
}

// Names compare ignoring ASCII case, as the language's names do.
bool SameName(const std::string& a, const std::string& b) {
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return fold(x) == fold(y); });
}

const std::vector<Input>* InputsOf(const Member& member, const Parameter& parameter) {
  const std::string type = TypeName(parameter.type).CString();
  const std::string owner = member.owner.empty() ? member.name : member.owner;
  for (const std::string& wanted : {owner + "." + parameter.name, parameter.name, std::string()}) {
    for (const InputTable& table : InputTables()) {
      if (table.type == type && SameName(table.parameter, wanted)) return &table.inputs;
    }
  }
  return nullptr;
}

std::vector<Parameter> ParametersOf(const ParameterRecord* records, int32_t count) {
  std::vector<Parameter> parameters;
  for (int32_t i = 0; records && i < count; ++i)
    parameters.push_back({records[i].name ? records[i].name : "", records[i].parameterType});
  return parameters;
}

void AddClassMembers(const char* className, std::vector<Member>* members) {
  ObjectDefinition* definition = LookupClassDefinition(string(className));
  if (!definition) return;
  for (const InstanceVariable* item = definition->items; item; item = item->next) {
    const std::string name = item->name.CString();
    if (item->getter)
      members->push_back({className,
                          name,
                          item->getterExportName,
                          item->varType,
                          {},
                          true,
                          true,
                          item->propertyWord});
    if (item->setter)
      members->push_back({className,
                          name + "=",
                          item->setterExportName,
                          nullptr,
                          {{name, item->varType}},
                          true,
                          true,
                          item->propertyWord});
  }
  for (const ObjectMethod* method = definition->methods; method; method = method->next) {
    const std::string name = method->name.CString();
    std::vector<Parameter> parameters =
        ParametersOf(method->RowParameters(), method->row.parameterCount);
    if (method->HasFunctionA())
      members->push_back(
          {className, name, method->row.a.exportName, method->row.returnType, parameters});
    if (method->HasFunctionB()) {
      parameters.push_back({"value", method->row.returnType});
      members->push_back({className, name + "()=", method->row.b.exportName, nullptr, parameters});
    }
  }
}

// The class name of an object.
std::string ClassOf(RuntimeObject* object) {
  return object && object->classPtr ? stringStorage::CString(object->classPtr->className) : "";
}

std::string ShownText(const Place& place, const string& text) {
  std::string bytes(reinterpret_cast<const char*>(text.Bytes()), size_t(text.Length()));
  // A path is written as the table writes paths; the run's root elsewhere in a text as $ROOT.
  const bool url = bytes.rfind("file://", 0) == 0;
  if (url || (!bytes.empty() && bytes[0] == '/')) {
    bytes = (url ? "file://" : "") + Shown(place, bytes.substr(url ? 7 : 0));
  } else {
    // The root's own name too: a path relative to a file outside it names it.
    const std::string rootName = place.root.substr(place.root.rfind('/') + 1);
    for (const auto& [path, as] : {std::pair<std::string, const char*>{place.root, "$ROOT"},
                                   std::pair<std::string, const char*>{place.theirs, "theirs/f"},
                                   std::pair<std::string, const char*>{rootName, "$ROOT"}}) {
      for (size_t at; !path.empty() && (at = bytes.find(path)) != std::string::npos;)
        bytes.replace(at, path.size(), as);
    }
  }
  std::string shown = ShownBytes(bytes);
  return text.IsEmpty() ? shown : shown + "@" + answers::EncodingName(text.Encoding());
}

std::string UserKind(const std::string& name) {
  const passwd* self = getpwuid(geteuid());
  if (name.empty()) return "\"\"";
  if (self && name == self->pw_name) return "self";
  return name == "root" ? "root" : "other";
}

// An object as the table writes it: a FolderItem by its path, a Date by what it is (without
// its day where datesVary: a file of the system is dated by the machine's boot).
std::string ShownObject(const Place& place, RuntimeObject* object, bool datesVary) {
  if (!object) return "nil";
  const std::string name = ClassOf(object);
  if (name == "FolderItem") {
    FolderItemImp* imp = FolderItemImpOf(object);
    if (!imp) return "FolderItem without a path";
    const string path = imp->GetPath();
    const std::string bytes(path.CString(), size_t(path.Length()));
    struct stat info;
    const bool there = imp->IsVirtual() ? imp->Exists() : lstat(bytes.c_str(), &info) == 0;
    return std::string(imp->IsVirtual() ? "virtual item " : "item ") +
           answers::QuoteBytes(Shown(place, bytes).data(), Shown(place, bytes).size()) +
           (there ? " exists" : " missing");
  }
  if (name == "Date") {
    const double seconds = dateTotalSecondsGetter(object);
    if (seconds == kSetDate) return "Date 2001-02-03 04:05:06";
    if (datesVary) return "Date";
    return std::fabs(seconds - CurrentTotalSeconds()) < 2 * 86400 ? "Date (today)"
                                                                  : "Date (another day)";
  }
  if (name == "VirtualVolume") {
    RuntimeObject* root = VirtVolRootGetter(object, 0);
    FolderItemImp* imp = FolderItemImpOf(root);
    const int32_t count = imp ? imp->Count() : -1;
    RuntimeUnlockObject(root);
    return "VirtualVolume of " + std::to_string(count) + " items";
  }
  return name;
}

}  // namespace

std::vector<Member> AreaMembers() {
  RuntimeInitExternalClasses();
  std::vector<Member> members;
  for (const char* name : kClasses) AddClassMembers(name, &members);
  for (int32_t i = 0; i < GlobalFunctionRowCount(); ++i) {
    const GlobalFunctionRow& row = GlobalFunctionRows()[i];
    if (!row.carriesFunction || !row.exportName) continue;
    const std::string result = TypeName(row.result).CString();
    bool gives = std::string(row.name).find("Volume") != std::string::npos;
    for (const char* given : kGivenClasses) gives = gives || result == given;
    if (!gives) continue;
    Member member{"", row.name, row.exportName, row.result,
                  ParametersOf(row.parameters, row.parameterCount)};
    member.object = false;
    members.push_back(member);
  }
  return members;
}

std::string WhyNoRows(const Member& member) {
  const std::string name = member.owner.empty() ? member.name : member.owner + "." + member.name;
  for (const auto& [which, why] : kNoRows) {
    if (name == which) return why;
  }
  for (const Parameter& parameter : member.parameters) {
    if (!InputsOf(member, parameter))
      return "no inputs for a parameter of type " +
             std::string(TypeName(parameter.type).CString());
  }
  return "";
}

std::string Category(const Member& member) {
  if (member.owner == "Mutex") return "temporary";  // its lock files lie in a temporary folder
  for (const auto& [name, category] : kCategories) {
    if (member.name == name) return category;
  }
  return "";
}

std::vector<std::vector<Input>> InputRows(const Member& member) {
  std::vector<std::vector<Input>> rows = {{}};
  for (const Parameter& parameter : member.parameters) {
    const std::vector<Input>* inputs = InputsOf(member, parameter);
    if (!inputs) return {};
    std::vector<std::vector<Input>> longer;
    for (const std::vector<Input>& row : rows) {
      for (const Input& input : *inputs) {
        longer.push_back(row);
        longer.back().push_back(input);
      }
    }
    rows = std::move(longer);
  }
  return rows;
}

bool UsesFixture(const Member&, const std::vector<Input>& inputs) {
  for (const Input& input : inputs) {
    switch (input.kind) {
      case kPath:
      case kRelativePath:
      case kItemSelf:
      case kItemSibling:
      case kItemFolder:
      case kItemSwap:
      case kVirtualSwap:
      case kHandle:
      case kSaveInfo:
        return true;
      default:
        break;
    }
  }
  return false;
}

const Member* FindMember(const std::vector<Member>& members, const std::string& owner,
                         const std::string& name) {
  for (const Member& member : members) {
    if (member.owner == owner && member.name == name) return &member;
  }
  return nullptr;
}

RuntimeObject* ItemOn(const std::string& path) {
  return NewFolderItem(FolderItemImpUnix::FromBytes(path));
}

namespace {

// What a call holds for its inputs until it returns.
struct Held {
  std::vector<string> texts;
  std::vector<RuntimeObject*> objects;
  int descriptor = -1;
  RuntimeObject* receiver = nullptr;  // a FolderItem in place of the object (kItemSwap)
  ~Held() {
    for (RuntimeObject* object : objects) RuntimeUnlockObject(object);
    if (descriptor >= 0) close(descriptor);
  }
  uint32_t Keep(RuntimeObject* object) {
    objects.push_back(object);
    return Word(object);
  }
  uint32_t Keep(const string& text) {
    texts.push_back(text);
    return uint32_t(reinterpret_cast<uintptr_t>(text.Storage()));
  }
};

string Utf8(const std::string& bytes) {
  return string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingUTF8);
}

// The words of one input for a parameter of type.
void AddInput(const Place& place, const Fixture& fixture, const Input& input,
              const TypeDescriptor* type, Held* held, Words* words) {
  const char letter = SignatureLetter(type);
  switch (input.kind) {
    case kText:
      words->Add(held->Keep(Utf8(input.text)));
      return;
    case kRunName:
      words->Add(held->Keep(Utf8(input.text + std::to_string(getpid()))));
      return;
    case kNumber:
    case kBoolean:
      if (letter == 'l') {
        words->Add64(type == lang::Int64 ? uint64_t(int64_t(input.number))
                                         : uint64_t(input.number));
      } else if (letter == 'd') {
        words->AddDouble(input.number);
      } else if (letter == 'f') {
        words->AddSingle(float(input.number));
      } else {
        words->Add(input.number < 0 ? uint32_t(int32_t(input.number)) : uint32_t(input.number));
      }
      return;
    case kNil:
      words->Add(0);
      return;
    case kPath:
      words->Add(held->Keep(Utf8(fixture.item)));
      return;
    case kRelativePath: {
      const bool inside = fixture.item.rfind(place.root + "/", 0) == 0;
      words->Add(
          held->Keep(Utf8(inside ? fixture.item.substr(place.root.size() + 1) : fixture.item)));
      return;
    }
    case kItemSelf:
      words->Add(held->Keep(ItemOn(fixture.item)));
      return;
    case kItemSibling:
      words->Add(held->Keep(ItemOn(input.text == "old" ? MakeSibling(fixture, "old", "old\n")
                                                       : fixture.folder + "/" + input.text)));
      return;
    case kItemFolder:
      words->Add(held->Keep(ItemOn(fixture.folder)));
      return;
    case kItemSwap:
      held->receiver = ItemOn(MakeSibling(fixture, input.text, "new\n"));
      held->objects.push_back(held->receiver);
      words->Add(held->Keep(ItemOn(fixture.item)));
      return;
    case kVirtualSwap: {
      // A copy from a virtual volume onto the item replaces it through the host's save.
      RuntimeObject* item = nullptr;
      held->objects.push_back(MakeVirtualSibling(fixture, input.text, &item));
      held->receiver = item;
      held->objects.push_back(item);
      words->Add(held->Keep(ItemOn(fixture.item)));
      return;
    }
    case kEncoding:
      words->Add(
          uint32_t(reinterpret_cast<uintptr_t>(GetTextEncodingObject(TextEncoding(input.number)))));
      return;
    case kDate: {
      RuntimeObject* date = NewDateObject();
      DateSetTotalSeconds(date, input.number);
      words->Add(held->Keep(date));
      return;
    }
    case kPermissions: {
      RuntimeObject* permissions = NewObjectFromDefinition(PermissionsClassDefinition());
      PermissionsCtor(permissions, int32_t(input.number));
      words->Add(held->Keep(permissions));
      return;
    }
    case kPicture:
      words->Add(held->Keep(newPicture(2, 2, 32)));
      return;
    case kMemoryBlock: {
      MemoryBlockObject* block = newMemoryBlock(int32_t(input.text.size()));
      std::memcpy(block->data, input.text.data(), input.text.size());
      words->Add(held->Keep(&block->header));
      return;
    }
    case kHandle:
      held->descriptor = open(fixture.item.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
      if (held->descriptor < 0)
        held->descriptor = open(fixture.item.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      words->Add(uint32_t(held->descriptor));
      return;
    case kSaveInfo: {
      RuntimeObject* item = ItemOn(fixture.item);
      held->objects.push_back(item);
      words->Add(held->Keep(string::Adopt(FolderItemGetSaveInfo(item, nullptr, 0))));
      return;
    }
  }
}

// Values that say something of the machine or of a file's content are written as kinds.
std::string ShownValue(const Place& place, const Member& member, const answers::CallResult& result,
                       bool contentVaries, bool datesVary) {
  const std::string type = TypeName(member.result).CString();
  if (!member.result) return "";
  if (type == "Boolean") return (result.integer & 0xFF) ? "True" : "False";
  if (type == "Double" || type == "Single") {
    return contentVaries ? (result.floating == 0 ? "0" : "not 0")
                         : answers::Number(result.floating);
  }
  if (type == "String") {
    const string text = string::Adopt(reinterpret_cast<stringStorage*>(uintptr_t(result.integer)));
    if (member.name == "Owner" || member.name == "Group")
      return UserKind(std::string(text.CString(), size_t(text.Length())));
    if (contentVaries) return text.IsEmpty() ? "\"\"" : "text (not empty)";
    return ShownText(place, text);
  }
  if (member.result->kind != kTypeKindIntrinsic) {
    auto* object = reinterpret_cast<RuntimeObject*>(uintptr_t(result.integer));
    const std::string shown = ShownObject(place, object, datesVary);
    RuntimeUnlockObject(object);
    return shown;
  }
  int64_t value = int64_t(result.integer);
  if (type == "Integer" || type == "Int32") value = int32_t(result.integer);
  if (type == "Int16") value = int16_t(result.integer);
  if (type == "Int8") value = int8_t(result.integer);
  if (type == "UInt8") value = uint8_t(result.integer);
  if (type == "UInt16") value = uint16_t(result.integer);
  if (type == "UInt32") value = uint32_t(result.integer);
  if (member.name == "Handle") return value == -1 ? "-1" : "a handle";
  if (contentVaries) return value == 0 ? "0" : "not 0";
  return answers::Number(value);
}

// Calls the member with the inputs; what it raised and reported go to notes.
answers::CallResult Invoke(answers::Table& table, const Place& place, const Fixture& fixture,
                           const Member& member, RuntimeObject** object,
                           const std::vector<Input>& inputs, Held* held,
                           std::vector<std::string>* notes) {
  Words arguments;
  for (size_t i = 0; i < inputs.size(); ++i)
    AddInput(place, fixture, inputs[i], member.parameters[i].type, held, &arguments);
  if (held->receiver) *object = held->receiver;
  Words words;
  if (member.object) words.Add(Word(*object));
  if (member.accessor) words.Add(member.parameterWord);
  for (const uint32_t word : arguments.Get()) words.Add(word);
  qvtest::RaisedExceptions raised;
  qvtest::ReportCapture reports;
  const answers::CallResult result = CallExport(table, member.exportName, words);
  for (const std::string& exception : raised.Take()) notes->push_back("raises " + exception);
  for (const qvtest::CapturedReport& report : reports.reports())
    notes->push_back("report: " + report.condition);
  return result;
}

// A getter without parameters, read as an integer.
int64_t Read(answers::Table& table, const Member& member, RuntimeObject* object) {
  const answers::CallResult result =
      CallExport(table, member.exportName, Words().Add(Word(object)).Add(member.parameterWord));
  const bool integer = std::string(TypeName(member.result).CString()) == "Integer";
  return integer ? int32_t(result.integer) : int64_t(result.integer);
}

// A Mutex's lock file: the folder it lies in (the temporary folder by TMPDIR, or /tmp) and
// whether it is there.
std::string LockFileState(const Place& place, RuntimeObject* object) {
  const MutexObject* mutex = reinterpret_cast<const MutexObject*>(object);
  if (!mutex->lockFile) return "; no lock file";
  const string path = mutex->lockFile->GetPath();
  const std::string bytes(path.CString(), size_t(path.Length()));
  struct stat info;
  const bool there = lstat(bytes.c_str(), &info) == 0;
  char mode[8];
  std::snprintf(mode, sizeof mode, "%04o", there ? unsigned(info.st_mode & 07777) : 0u);
  return "; lock file " + Shown(place, bytes) + (there ? std::string(" ") + mode : " missing");
}

// The state of an object after a call: its error, position and length (written as kinds where
// they count a file of the system's bytes), what its Close said; a Mutex's lock file.
std::string ReceiverState(answers::Table& table, const Place& place,
                          const std::vector<Member>& members, const std::string& owner,
                          RuntimeObject* object, bool sizesVary) {
  if (!object) return "";
  if (owner == "Mutex") return LockFileState(place, object);
  std::string state;
  const Member* error = FindMember(members, owner, "LastErrorCode");
  if (error) state += "; error " + ErrorName(int(Read(table, *error, object)));
  const Member* close = FindMember(members, owner, "Close");
  for (const char* name : {"Position", "PositionB", "Length"}) {
    const Member* getter = close ? FindMember(members, owner, name) : nullptr;
    if (!getter) continue;
    const int64_t value = Read(table, *getter, object);
    state += std::string(" ") + name + " " +
             (sizesVary && value ? std::string("not 0") : std::to_string(value));
  }
  if (close && error) {
    qvtest::ReportCapture reports;
    CallExport(table, close->exportName, Words().Add(Word(object)));
    state += "; closed: error " + ErrorName(int(Read(table, *error, object)));
    for (const qvtest::CapturedReport& report : reports.reports())
      state += "; report: " + report.condition;
  }
  return state;
}

}  // namespace

RuntimeObject* OpenedObject(answers::Table& table, const Place& place, const Fixture& fixture,
                            const Member& maker, RuntimeObject* on,
                            const std::vector<Input>& inputs) {
  Held held;
  std::vector<std::string> notes;
  const answers::CallResult result =
      Invoke(table, place, fixture, maker, &on, inputs, &held, &notes);
  return maker.result ? reinterpret_cast<RuntimeObject*>(uintptr_t(result.integer)) : nullptr;
}

std::string CallMember(answers::Table& table, const Place& place, const Fixture& fixture,
                       const std::vector<Member>& members, const Member& member,
                       RuntimeObject* object, const std::vector<Input>& inputs) {
  Held held;
  std::vector<std::string> notes;
  const answers::CallResult result =
      Invoke(table, place, fixture, member, &object, inputs, &held, &notes);
  // What a file of the system holds, and the times inside a volume, differ between runs.
  const bool system = fixture.kind == "proc" || fixture.kind == "sys";
  std::string answer = ShownValue(place, member, result, system || fixture.kind == "volume",
                                  system || fixture.kind == "dev-null");
  if (answer.empty()) answer = "-";
  for (const std::string& note : notes) answer += "; " + note;
  if (member.object) answer += ReceiverState(table, place, members, member.owner, object, system);
  return answer;
}

}  // namespace files_answers
