// The file-type registry: the kinds of files the application declares (a name, the classic
// four-character creator and type codes, and file-name extensions), kept in registration order
// for the life of the process. Folder items ask it for the type of a file; the open and save
// dialogs turn ";"-separated lists of type names into filters through it.
//
// Names compare ignoring case. In every ";"-separated list (names or extensions) an empty piece
// (";;", a leading or final ";") is skipped: an empty extension would match every file name.
// The registry is used on the thread that holds the run baton only.
#pragma once

#include <cstdint>

#include "core/SimpleVector.h"
#include "strings/RuntimeString.h"

struct FileType {
  FileType* next;     // the next registered type; nil at the end
  string name;
  string creator;     // four characters, or empty
  string type;        // four characters, or empty
  string extensions;  // ";"-separated, e.g. ".txt;.text"
};

// A code string as a four-character code: its first four bytes, high byte first, blanks where
// it is shorter; an empty string is "????".
uint32_t FourCharCode(const string& code);
// The code as four bytes, high byte first, with the given encoding.
string FourCharCodeText(uint32_t code, TextEncoding encoding);

// The next non-empty piece of a ";"-separated list from *position (0 at first) on, or false
// at the end.
bool NextListItem(const string& list, int32_t* position, string* item);
// True when fileName ends with extension, compared as UTF-8 without regard to case.
bool EndsWithIgnoringCase(const string& fileName, const string& extension);

// The first registered type, or nil.
const FileType* FirstFileType();

// 3 when fileName ends with one of the type's extensions (ignoring case), else 0.
int32_t FileTypeExtensionMatch(const FileType& type, const string& fileName);

// Appends to types every registered type that one of names (";"-separated) names, in the order
// of names and then of registration. A nil list is a failed check.
void BuildFileTypeList(const string& names, SimpleVector<const FileType*>* types);

// True when one of names (";"-separated) accepts the file: a registered type of that name that
// matches fileName by extension, or an item of exactly four characters taken as a type code
// ("????" accepts every file, any other the files whose type code is the same).
bool FileTypeListAccepts(const string& names, const string& fileName, uint32_t fileTypeCode);

// The name of the registered type whose extensions match fileName (the first one registered
// on a tie), or "".
string FileTypeNameForFile(const string& fileName);

// Every registered extension in registration order, each followed by ";".
string AllFileTypeExtensions();

// The type codes of names (";"-separated) as one string of 4-byte codes without repeats: the
// code of the first type registered under each name, else the item itself when it has four
// characters. An item whose code is "????" sets *acceptAll and ends the walk.
string FileTypeCodesOfList(const string& names, bool* acceptAll);

extern "C" {
// Appends a new type holding the four strings.
void RuntimeRegisterFileType(stringStorage* name, stringStorage* creator, stringStorage* type,
                             stringStorage* extensions);
// Forgets the first type of that name; nothing when there is none.
void RuntimeDeregisterFileType(stringStorage* name);
}
