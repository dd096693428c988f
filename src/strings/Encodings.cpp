#include "strings/Encodings.h"

#include <array>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"

namespace {

enum EntryKind : uint8_t {
  kNewObject,     // getTextEncoding (code, 0, 0)
  kSharedObject,  // GetTextEncodingObject (code)
  kUCS4,          // getTextEncoding (0x100, 0, 3)
  kSystemFont,    // getFontTextEncoding ("System")
};

struct EncodingEntry {
  const char* name;
  uint32_t code;
  EntryKind kind;
};

// Property i + 1 of the module; the order is the property order compiled code indexes by.
constexpr EncodingEntry kEntries[kEncodingsPropertyCount] = {
    {"UTF8", kEncodingUTF8, kSharedObject}, {"UTF16", kEncodingUnicode16, kSharedObject},
    {"UCS4", kEncodingUnicode16, kUCS4},
    {"MacRoman", 0, kNewObject}, {"MacJapanese", 1, kNewObject},
    {"MacChineseTrad", 2, kNewObject}, {"MacKorean", 3, kNewObject},
    {"MacArabic", 4, kNewObject}, {"MacHebrew", 5, kNewObject}, {"MacGreek", 6, kNewObject},
    {"MacCyrillic", 7, kNewObject},
    {"MacDevanagari", 9, kNewObject}, {"MacGurmukhi", 10, kNewObject},
    {"MacGujarati", 11, kNewObject}, {"MacOriya", 12, kNewObject},
    {"MacBengali", 13, kNewObject}, {"MacTamil", 14, kNewObject},
    {"MacTelugu", 15, kNewObject}, {"MacKannada", 16, kNewObject},
    {"MacMalayalam", 17, kNewObject}, {"MacSinhalese", 18, kNewObject},
    {"MacBurmese", 19, kNewObject}, {"MacKhmer", 20, kNewObject}, {"MacThai", 21, kNewObject},
    {"MacLaotian", 22, kNewObject}, {"MacGeorgian", 23, kNewObject},
    {"MacArmenian", 24, kNewObject}, {"MacChineseSimp", 25, kNewObject},
    {"MacTibetan", 26, kNewObject}, {"MacMongolian", 27, kNewObject},
    {"MacEthiopic", 28, kNewObject}, {"MacCentralEurRoman", 29, kNewObject},
    {"MacVietnamese", 30, kNewObject}, {"MacExtArabic", 31, kNewObject},
    {"MacSymbol", 33, kNewObject}, {"MacDingbats", 34, kNewObject},
    {"MacTurkish", 35, kNewObject}, {"MacCroatian", 36, kNewObject},
    {"MacIcelandic", 37, kNewObject}, {"MacRomanian", 38, kNewObject},
    {"MacCeltic", 39, kNewObject}, {"MacGaelic", 40, kNewObject},
    {"ISOLatin1", 513, kNewObject}, {"ISOLatin2", 514, kNewObject},
    {"ISOLatin3", 515, kNewObject}, {"ISOLatin4", 516, kNewObject},
    {"ISOLatinCyrillic", 517, kNewObject}, {"ISOLatinArabic", 518, kNewObject},
    {"ISOLatinGreek", 519, kNewObject}, {"ISOLatinHebrew", 520, kNewObject},
    {"ISOLatin5", 521, kNewObject}, {"ISOLatin6", 522, kNewObject},
    {"ISOLatin7", 525, kNewObject}, {"ISOLatin8", 526, kNewObject},
    {"ISOLatin9", 527, kNewObject},
    {"DOSLatinUS", 1024, kNewObject}, {"DOSGreek", 1029, kNewObject},
    {"DOSBalticRim", 1030, kNewObject}, {"DOSLatin1", 1040, kNewObject},
    {"DOSGreek1", 1041, kNewObject}, {"DOSLatin2", 1042, kNewObject},
    {"DOSCyrillic", 1043, kNewObject}, {"DOSTurkish", 1044, kNewObject},
    {"DOSPortuguese", 1045, kNewObject}, {"DOSIcelandic", 1046, kNewObject},
    {"DOSHebrew", 1047, kNewObject}, {"DOSCanadianFrench", 1048, kNewObject},
    {"DOSArabic", 1049, kNewObject}, {"DOSNordic", 1050, kNewObject},
    {"DOSRussian", 1051, kNewObject}, {"DOSGreek2", 1052, kNewObject},
    {"DOSThai", 1053, kNewObject}, {"DOSJapanese", 1056, kNewObject},
    {"DOSChineseSimplif", 1057, kNewObject}, {"DOSKorean", 1058, kNewObject},
    {"DOSChineseTrad", 1059, kNewObject},
    {"WindowsLatin1", 1280, kNewObject}, {"WindowsANSI", 1280, kNewObject},
    {"WindowsLatin2", 1281, kNewObject}, {"WindowsCyrillic", 1282, kNewObject},
    {"WindowsGreek", 1283, kNewObject}, {"WindowsLatin5", 1284, kNewObject},
    {"WindowsHebrew", 1285, kNewObject}, {"WindowsArabic", 1286, kNewObject},
    {"WindowsBalticRim", 1287, kNewObject}, {"WindowsVietnamese", 1288, kNewObject},
    {"WindowsKoreanJohab", 1296, kNewObject},
    {"ASCII", kEncodingASCII, kSharedObject}, {"ShiftJIS", 2561, kNewObject},
    {"KOI8_R", 2562, kNewObject}, {"MacRomanLatin1", 2564, kNewObject},
    {"SystemDefault", 0, kSystemFont},
};

using namespace lang;

// One read-only property per entry, its position from 1 as the getter's parameter.
const auto kEncodingsProperties = [] {
  std::array<PropertyRow, kEncodingsPropertyCount> rows;
  for (int32_t i = 0; i < kEncodingsPropertyCount; ++i) {
    rows[i] = QV_READONLY(kEntries[i].name, Class<"TextEncoding">, EncodingsGetter,
                          static_cast<uint32_t>(i + 1));
  }
  return rows;
}();
const MethodRow kEncodingsMethods[] = {
    QV_FUNCTION("GetFromCode", Class<"TextEncoding">, EncodingsGetFromCode,
                Param("code", Integer)),
};

}  // namespace

QV_CLASS(EncodingsClassDefinition,
         .name = "_Encodings",
         .properties = kEncodingsProperties,
         .methods = kEncodingsMethods)
QV_STARTUP_CLASS(kStartupEncodingsClass, EncodingsClassDefinition)

extern "C" {

RuntimeObject* GetEncodingsObject() { return NewObjectFromDefinition(EncodingsClassDefinition()); }
QV_EXPORT(GetEncodingsObject)

TextEncodingObject* EncodingsGetter(RuntimeObject*, uint32_t index) {
  if (index < 1 || index > kEncodingsPropertyCount) return nullptr;
  const EncodingEntry& entry = kEntries[index - 1];
  switch (entry.kind) {
    case kSharedObject:
      return GetTextEncodingObject(entry.code);
    case kUCS4:
      return getTextEncoding(kEncodingUnicode16, 0, kUnicodeFormat32);
    case kSystemFont:
      return getFontTextEncoding(string("System").Storage());
    case kNewObject:
      break;
  }
  return getTextEncoding(entry.code, 0, 0);
}
QV_EXPORT(EncodingsGetter)

TextEncodingObject* EncodingsGetFromCode(RuntimeObject*, TextEncoding code) {
  return GetTextEncodingObject(code);
}
QV_EXPORT(EncodingsGetFromCode)

}  // extern "C"
