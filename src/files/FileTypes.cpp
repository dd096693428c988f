#include "files/FileTypes.h"

#include "app/FolderItemImp.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "strings/StringCase.h"
#include "strings/TextEncoding.h"

namespace {

FileType* gFirstType = nullptr;

bool SameName(const string& a, const string& b) {
  return RuntimeStringCompare(a.Storage(), b.Storage()) == 0;
}

const FileType* FirstTypeNamed(const string& name) {
  for (const FileType* type = gFirstType; type; type = type->next) {
    if (SameName(type->name, name)) return type;
  }
  return nullptr;
}

// Appends the code's four bytes to codes unless they are there already.
void AddCode(string* codes, uint32_t code) {
  const string text = FourCharCodeText(code, kEncodingMacRoman);
  for (int32_t at = 0; at + 4 <= codes->Length(); at += 4) {
    if (__builtin_memcmp(codes->Bytes() + at, text.Bytes(), 4) == 0) return;
  }
  *codes += text;
}

}  // namespace

bool NextListItem(const string& list, int32_t* position, string* item) {
  const unsigned char* bytes = list.Bytes();
  const int32_t length = list.Length();
  while (*position < length) {
    int32_t end = *position;
    while (end < length && bytes[end] != ';') ++end;
    const int32_t start = *position;
    *position = end + 1;
    if (end > start) {
      *item = mid(list, start, end - start);
      return true;
    }
  }
  return false;
}

bool EndsWithIgnoringCase(const string& fileName, const string& extension) {
  const string name = ConvertEncoding(fileName, kEncodingUTF8);
  const string tail = ConvertEncoding(extension, kEncodingUTF8);
  if (tail.Length() > name.Length()) return false;
  return SameName(right(name, tail.Length()), tail);
}

uint32_t FourCharCode(const string& code) {
  if (code.IsEmpty()) return kUnknownFileCode;
  uint32_t value = 0;
  for (int32_t i = 0; i < 4; ++i) value = value << 8 | (i < code.Length() ? code.Bytes()[i] : ' ');
  return value;
}

string FourCharCodeText(uint32_t code, TextEncoding encoding) {
  const unsigned char bytes[4] = {uint8_t(code >> 24), uint8_t(code >> 16), uint8_t(code >> 8),
                                  uint8_t(code)};
  return string::FromBytes(bytes, 4, encoding);
}

const FileType* FirstFileType() { return gFirstType; }

int32_t FileTypeExtensionMatch(const FileType& type, const string& fileName) {
  int32_t position = 0;
  string extension;
  while (NextListItem(type.extensions, &position, &extension)) {
    if (EndsWithIgnoringCase(fileName, extension)) return 3;
  }
  return 0;
}

void BuildFileTypeList(const string& names, SimpleVector<const FileType*>* types) {
  if (!QV_CHECK_TEXT(types, "outTypeList", nullptr)) return;
  int32_t position = 0;
  string name;
  while (NextListItem(names, &position, &name)) {
    for (const FileType* type = gFirstType; type; type = type->next) {
      if (SameName(type->name, name)) types->Append(type);
    }
  }
}

bool FileTypeListAccepts(const string& names, const string& fileName, uint32_t fileTypeCode) {
  int32_t position = 0;
  string item;
  while (NextListItem(names, &position, &item)) {
    for (const FileType* type = gFirstType; type; type = type->next) {
      if (SameName(type->name, item) && FileTypeExtensionMatch(*type, fileName)) return true;
    }
    if (item.Length() != 4) continue;
    const uint32_t code = FourCharCode(item);
    if (code == kUnknownFileCode || code == fileTypeCode) return true;
  }
  return false;
}

string FileTypeNameForFile(const string& fileName) {
  const FileType* best = nullptr;
  int32_t bestMatch = 0;
  for (const FileType* type = gFirstType; type; type = type->next) {
    const int32_t match = FileTypeExtensionMatch(*type, fileName);
    if (match > bestMatch) {
      best = type;
      bestMatch = match;
    }
  }
  return best ? best->name : string();
}

string AllFileTypeExtensions() {
  string all;
  for (const FileType* type = gFirstType; type; type = type->next) {
    int32_t position = 0;
    string extension;
    while (NextListItem(type->extensions, &position, &extension)) all += extension + ";";
  }
  return all;
}

string FileTypeCodesOfList(const string& names, bool* acceptAll) {
  *acceptAll = false;
  string codes;
  int32_t position = 0;
  string item;
  while (NextListItem(names, &position, &item)) {
    uint32_t code;
    if (const FileType* type = FirstTypeNamed(item)) {
      code = FourCharCode(type->type);
    } else if (item.Length() == 4) {
      code = FourCharCode(item);
    } else {
      continue;
    }
    if (code == kUnknownFileCode) {
      *acceptAll = true;
      break;
    }
    AddCode(&codes, code);
  }
  return codes;
}

extern "C" void RuntimeRegisterFileType(stringStorage* name, stringStorage* creator,
                                        stringStorage* type, stringStorage* extensions) {
  auto* added = new FileType{nullptr, string(name), string(creator), string(type),
                             string(extensions)};
  FileType** end = &gFirstType;
  while (*end) end = &(*end)->next;
  *end = added;
}
QV_EXPORT(RuntimeRegisterFileType)

extern "C" void RuntimeDeregisterFileType(stringStorage* name) {
  const string wanted(name);
  for (FileType** link = &gFirstType; *link; link = &(*link)->next) {
    if (!SameName((*link)->name, wanted)) continue;
    FileType* found = *link;
    *link = found->next;
    delete found;
    return;
  }
}
QV_EXPORT(RuntimeDeregisterFileType)
