#include "answers/TextRows.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <set>

#include "arrays/RuntimeArray.h"
#include "core/CLocale.h"
#include "core/ClassRegistry.h"
#include "core/ExportRegistry.h"
#include "core/ExportSignature.h"
#include "core/GlobalFunctionRows.h"
#include "core/LanguageTypes.h"
#include "core/RuntimeClass.h"
#include "core/RuntimeObject.h"
#include "core/TypeNames.h"
#include "strings/TextEncodingObjects.h"
#include "values/DateClass.h"
#include "values/VariantTypes.h"

namespace answers {

namespace {

// Exports whose calls act on the world around the process or read what changes by itself.
struct Without {
  const char* exportName;
  const char* why;
};
constexpr Without kSideEffects[] = {
    {"RuntimeSpeak", "speaks the text aloud"},
    {"RuntimeMsgBox", "shows a message box"},
    {"VB_RuntimeMsgBox", "shows a message box"},
    {"QV_ApplicationQuit", "quits the process"},
    {"GlobalShowURL", "opens the URL in a browser"},
    {"RemoteDebuggerStartup", "connects to the remote debugger"},
    {"debugDumpObjects", "writes the debugger's dump of the live objects"},
    {"RuntimeConsolePrint", "writes to standard output"},
    {"RuntimeConsoleInput", "reads standard input"},
    {"RuntimeScriptExecute", "runs a script"},
    {"RuntimeAddStringScriptParam", "runs a script"},
    {"RuntimeAddIntegerScriptParam", "runs a script"},
    {"RuntimeCompleteParamScriptExecute", "runs a script"},
    {"RuntimeScriptFunction", "runs a script"},
    {"RuntimeCompleteParamScriptFunction", "runs a script"},
    {"rnd", "a new random number each call"},
    {"RuntimeTicks", "the time now"},
    {"RuntimeMicroseconds", "the time now"},
    {"getFontName", "the fonts of the machine"},
    {"getFontCount", "the fonts of the machine"},
    {"getScreenCount", "the screens of the machine"},
    {"getWindowCount", "the windows open now"},
    {"getVolumeCount", "the volumes of the machine"},
    {"selectColor", "opens the colour picker"},
    {"IsCMMClick", "the mouse button held now"},
    {"getUserCancelled", "the last dialog's answer"},
    {"getFrameColor", "the desktop theme's colours"},
    {"getFillColor", "the desktop theme's colours"},
    {"getTextColor", "the desktop theme's colours"},
    {"getLightTingeColor", "the desktop theme's colours"},
    {"getDarkTingeColor", "the desktop theme's colours"},
    {"getLightBevelColor", "the desktop theme's colours"},
    {"getDarkBevelColor", "the desktop theme's colours"},
    {"getHilightColor", "the desktop theme's colours"},
    {"GetDisabledTextColor", "the desktop theme's colours"},
};

// The classes whose members are walked: by name in the registries, or (the hidden classes of
// boxed Variant values, which are never registered) through their getters. The others of the
// value folders are named with why their members have no lines.
struct ClassSource {
  const char* name;
  bool module;
  const char* without;
  ObjectDefinition* (*getter)() = nullptr;
};
const ClassSource kClasses[] = {
    {"TextEncoding", false, nullptr},
    {"TextConverter", false, nullptr},
    {"_Encodings", false, nullptr},
    {"Date", false, nullptr},
    {"Variant", false, nullptr},
    {"EndOfLine", false, nullptr},
    {"_VariantInt32", false, nullptr, VariantInt32ClassDefinition},
    {"_VariantUInt32", false, nullptr, VariantUInt32ClassDefinition},
    {"_VariantInt64", false, nullptr, VariantInt64ClassDefinition},
    {"_VariantUInt64", false, nullptr, VariantUInt64ClassDefinition},
    {"_VariantSingle", false, nullptr, VariantSingleClassDefinition},
    {"_VariantDouble", false, nullptr, VariantDoubleClassDefinition},
    {"_VariantCurrency", false, nullptr, VariantCurrencyClassDefinition},
    {"_VariantBoolean", false, nullptr, VariantBooleanClassDefinition},
    {"_VariantColor", false, nullptr, VariantColorClassDefinition},
    {"_VariantString", false, nullptr, VariantStringClassDefinition},
    {"Bitwise", true, nullptr},
    {"MemoryBlock", false, "a byte buffer: its accessors read and write memory at offsets"},
    {"_Blowfish", false, "enciphers MemoryBlocks in place"},
    {"Random", false, "seeded from the clock when made"},
    {"Dictionary", false, "a container of Variants"},
    {"Collection", false, "a container of Variants"},
    {"Runtime", false, "counts the live objects of the process"},
};

// Exports that compiled code calls directly for operators, conversions and boxing, which no
// row names: their types, checked against each export's recorded signature. (Aliases of these,
// such as FPToInt and intToVariant, are the same functions.)
struct DirectExport {
  const char* name;
  const char* exportName;
  const TypeDescriptor* result;
  std::vector<const TypeDescriptor*> parameters;
};

const std::vector<DirectExport>& DirectExports() {
  using namespace lang;
  constexpr const TypeDescriptor* Money = lang::Currency;
  static const std::vector<DirectExport> list = {
      {"Compare", "RuntimeStringCompare", Integer, {String, String}},
      {"Add", "RuntimeAddString", String, {String, String}},
      {"InStr", "StringInStr", Integer, {Integer, String, String}},
      {"EncodeEscapes", "EncodeBackslashEscapeString", String, {String}},
      {"DecodeEscapes", "DecodeBackslashEscapeString", String, {String}},
      {"OSType", "StringToOSType", UInt32, {String}},
      {"OSType", "StringFromOSType", String, {UInt32}},
      {"CString", "StringToCString", CString, {String}},
      {"CString", "StringFromCString", String, {CString}},
      {"PString", "StringToPString", PString, {String}},
      {"PString", "StringFromPString", String, {PString}},
      {"TextEncoding", "GetTextEncodingObject", Class<"TextEncoding">, {Integer}},
      {"TextEncoding", "GetEncodingFromTEObject", Integer, {Class<"TextEncoding">}},
      {"Convert", "RuntimeCvtSInt32ToReal64", Double, {Integer}},
      {"Convert", "RuntimeCvtUInt32ToReal64", Double, {UInt32}},
      {"Convert", "RuntimeCvtSInt64ToReal64", Double, {Int64}},
      {"Convert", "RuntimeCvtUInt64ToReal64", Double, {UInt64}},
      {"Convert", "RuntimeCvtSInt32ToCurrency", Money, {Integer}},
      {"Convert", "RuntimeCvtUInt32ToCurrency", Money, {UInt32}},
      {"Convert", "RuntimeCvtSInt64ToCurrency", Money, {Int64}},
      {"Convert", "RuntimeCvtUInt64ToCurrency", Money, {UInt64}},
      {"Convert", "RuntimeCvtReal32ToSInt32", Integer, {Single}},
      {"Convert", "RuntimeCvtReal64ToSInt32", Integer, {Double}},
      {"Convert", "RuntimeCvtReal32ToUInt32", UInt32, {Single}},
      {"Convert", "RuntimeCvtReal64ToUInt32", UInt32, {Double}},
      {"Convert", "RuntimeCvtReal32ToSInt64", Int64, {Single}},
      {"Convert", "RuntimeCvtReal64ToSInt64", Int64, {Double}},
      {"Convert", "RuntimeCvtReal32ToUInt64", UInt64, {Single}},
      {"Convert", "RuntimeCvtReal64ToUInt64", UInt64, {Double}},
      {"Convert", "RuntimeCvtReal32ToCurrency", Money, {Single}},
      {"Convert", "RuntimeCvtReal64ToCurrency", Money, {Double}},
      {"Convert", "RuntimeCvtCurrencyToSInt32", Integer, {Money}},
      {"Convert", "RuntimeCvtCurrencyToUInt32", UInt32, {Money}},
      {"Convert", "RuntimeCvtCurrencyToSInt64", Int64, {Money}},
      {"Convert", "RuntimeCvtCurrencyToUInt64", UInt64, {Money}},
      {"Convert", "RuntimeCvtCurrencyToReal64", Double, {Money}},
      {"Multiply", "RuntimeMulSInt64", Int64, {Int64, Int64}},
      {"Multiply", "RuntimeMulUInt64", UInt64, {UInt64, UInt64}},
      {"\\", "RuntimeDivSInt64", Int64, {Int64, Int64}},
      {"\\", "RuntimeDivUInt64", UInt64, {UInt64, UInt64}},
      {"Mod", "RuntimeModSInt64", Int64, {Int64, Int64}},
      {"Mod", "RuntimeModUInt64", UInt64, {UInt64, UInt64}},
      {"Multiply", "RuntimeMulCurrency", Money, {Money, Money}},
      {"Divide", "RuntimeDivCurrency", Money, {Money, Money}},
      {"Variant", "Int32ToVariant", Class<"Variant">, {Integer}},
      {"Variant", "UInt32ToVariant", Class<"Variant">, {UInt32}},
      {"Variant", "Int64ToVariant", Class<"Variant">, {Int64}},
      {"Variant", "UInt64ToVariant", Class<"Variant">, {UInt64}},
      {"Variant", "SingleToVariant", Class<"Variant">, {Single}},
      {"Variant", "DoubleToVariant", Class<"Variant">, {Double}},
      {"Variant", "CurrencyToVariant", Class<"Variant">, {Money}},
      {"Variant", "BooleanToVariant", Class<"Variant">, {Boolean}},
      {"Variant", "ColorToVariant", Class<"Variant">, {Color}},
      {"Variant", "StringToVariant", Class<"Variant">, {String}},
      {"Variant", "DateToVariant", Class<"Variant">, {Class<"Date">}},
      {"Variant", "ObjectToVariant", Class<"Variant">, {Class<"Object">}},
      {"Currency", "VariantToCurrency", Money, {Class<"Variant">}},
  };
  return list;
}

Kind KindOfClass(const std::string& name) {
  if (name == "TextEncoding") return Kind::kTextEncoding;
  if (name == "TextConverter") return Kind::kTextConverter;
  if (name == "_Encodings") return Kind::kEncodings;
  if (name == "EndOfLine") return Kind::kEndOfLine;
  if (name == "Date") return Kind::kDate;
  if (name == "Variant" || name == "Object" || name.rfind("_Variant", 0) == 0) {
    return Kind::kVariant;
  }
  return Kind::kOther;
}

Kind KindOf(const TypeDescriptor* type) {
  using namespace lang;
  if (!type) return Kind::kNone;
  if (type->kind == kTypeKindArray) {
    const TypeDescriptor* element = AsArrayType(type)->elementType;
    if (AsArrayType(type)->dimensionCount != 1) return Kind::kOther;
    if (element == String) return Kind::kStringArray;
    if (element == Double) return Kind::kDoubleArray;
    if (element == UInt64) return Kind::kUInt64Array;
    return Kind::kOther;
  }
  if (type->kind == kTypeKindClassName || type->kind == kTypeKindClass) {
    return KindOfClass(TypeName(type).CString());
  }
  const std::pair<const TypeDescriptor*, Kind> intrinsics[] = {
      {String, Kind::kString},   {Integer, Kind::kInt32},    {UInt32, Kind::kUInt32},
      {Int64, Kind::kInt64},     {UInt64, Kind::kUInt64},    {Int16, Kind::kInt16},
      {UInt16, Kind::kUInt16},   {Int8, Kind::kInt8},        {UInt8, Kind::kUInt8},
      {Boolean, Kind::kBoolean}, {Color, Kind::kColor},      {Single, Kind::kSingle},
      {Double, Kind::kDouble},   {lang::Currency, Kind::kCurrency}, {CString, Kind::kCString},
      {PString, Kind::kPString},
  };
  for (const auto& [descriptor, kind] : intrinsics) {
    if (descriptor == type) return kind;
  }
  return Kind::kOther;
}

// Why a row that takes or gives text or numbers has no lines; "" when it has.
std::string WhyWithout(const CallRow& row, const std::vector<const TypeDescriptor*>& types,
                       const TypeDescriptor* result) {
  for (const Without& entry : kSideEffects) {
    if (row.exportName == entry.exportName) return entry.why;
  }
  if (!LookupExportEntry(row.exportName.c_str())) return "no export of this name";
  if (row.result == Kind::kOther)
    return "gives a value of type " + std::string(TypeName(result).CString()) + ", of another area";
  for (size_t i = 0; i < row.parameters.size(); ++i) {
    if (row.parameters[i] == Kind::kOther) {
      return "takes a value of type " + std::string(TypeName(types[i]).CString()) +
             ", which has no input table";
    }
    if (row.byRef[i] && !IsObject(row.parameters[i])) {
      return "takes a ByRef value of type " + std::string(TypeName(types[i]).CString());
    }
  }
  return "";
}

// Texts, numbers, and the objects made of them (encodings, converters, dates, Variants).
bool TakesOrGivesTextOrNumbers(const CallRow& row) {
  auto telling = [](Kind kind) { return IsText(kind) || IsNumber(kind) || IsObject(kind); };
  return telling(row.result) || telling(row.self) ||
         std::any_of(row.parameters.begin(), row.parameters.end(), telling);
}

class RowCollector {
 public:
  std::vector<CallRow> rows;

  void Add(CallRow row, const std::vector<const TypeDescriptor*>& types,
           const TypeDescriptor* result, const char* classWithout) {
    if (!TakesOrGivesTextOrNumbers(row)) return;
    const std::string key = row.exportName + "#" + std::to_string(row.hasWord ? row.word : ~0u);
    if (!mSeen.insert(key).second) return;
    row.without = classWithout ? classWithout : WhyWithout(row, types, result);
    rows.push_back(std::move(row));
  }

  void Globals() {
    for (int32_t i = 0; i < GlobalFunctionRowCount(); ++i) {
      const GlobalFunctionRow& global = GlobalFunctionRows()[i];
      CallRow row;
      row.name = global.name;
      row.exportName = global.exportName;
      row.result = KindOf(global.result);
      std::vector<const TypeDescriptor*> types;
      AddParameters(&row, &types, global.parameters, global.parameterCount);
      const char* without = global.carriesFunction ? nullptr : "the entry holds no function";
      Add(std::move(row), types, global.result, without);
    }
  }

  void Direct() {
    for (const DirectExport& direct : DirectExports()) {
      CallRow row;
      row.name = direct.name;
      row.exportName = direct.exportName;
      row.result = KindOf(direct.result);
      std::string letters = {SignatureLetter(direct.result), '('};
      for (const TypeDescriptor* type : direct.parameters) {
        row.parameters.push_back(KindOf(type));
        row.byRef.push_back(false);
        letters += SignatureLetter(type);
      }
      letters += ')';
      const char* recorded = FindExportSignature(direct.exportName);
      const bool agrees = recorded && letters == recorded;
      Add(std::move(row), direct.parameters, direct.result,
          agrees ? nullptr : "its typed entry disagrees with the export's signature");
    }
  }

  void Class(const ClassSource& source) {
    const string name(source.name);
    ObjectDefinition* definition = source.getter ? source.getter()
                                   : source.module ? LookupModuleDefinition(name)
                                                   : LookupClassDefinition(name);
    if (!definition) {
      CallRow row;
      row.name = source.name;
      row.without = kClassNotFound;
      rows.push_back(std::move(row));
      return;
    }
    const Kind self = source.module ? Kind::kNone : KindOfClass(source.name);
    const std::string prefix = std::string(source.name) + ".";
    for (InstanceVariable* item = definition->FirstItem(); item; item = item->next) {
      const std::string property = prefix + item->name.CString();
      if (item->getter) {
        CallRow row = Member(property, item->getterExportName, self, source.name);
        row.result = KindOf(item->varType);
        row.hasWord = true;
        row.word = item->propertyWord;
        Add(std::move(row), {}, item->varType, source.without);
      }
      if (item->setter) {
        CallRow row = Member(property + "=", item->setterExportName, self, source.name);
        row.hasWord = true;
        row.word = item->propertyWord;
        row.setter = true;
        row.parameters = {KindOf(item->varType)};
        row.byRef = {false};
        Add(std::move(row), {item->varType}, nullptr, source.without);
      }
    }
    for (ObjectMethod* method = definition->methods; method; method = method->next) {
      const std::string methodName = prefix + method->name.CString();
      const MethodRow& code = method->row;
      std::vector<const TypeDescriptor*> types;
      if (method->HasFunctionA()) {
        CallRow row = Member(methodName, code.a.exportName, source.module ? Kind::kNone : self,
                             source.name);
        row.result = KindOf(code.returnType);
        AddParameters(&row, &types, method->RowParameters(), code.parameterCount);
        Add(std::move(row), types, code.returnType, source.without);
      }
      if (method->HasFunctionB()) {
        CallRow row = Member(methodName + "=", code.b.exportName, self, source.name);
        types.clear();
        AddParameters(&row, &types, method->RowParameters(), code.parameterCount);
        row.parameters.push_back(KindOf(code.returnType));
        row.byRef.push_back(false);
        types.push_back(code.returnType);
        row.setter = true;
        Add(std::move(row), types, nullptr, source.without);
      }
    }
  }

 private:
  static CallRow Member(const std::string& name, const char* exportName, Kind self,
                        const char* className) {
    CallRow row;
    row.name = name;
    row.exportName = exportName ? exportName : "";
    row.self = self;
    // A hidden class's members are called on its own boxes; the Variant class's on any.
    if (std::strncmp(className, "_Variant", 8) == 0) row.selfClass = className;
    return row;
  }

  static void AddParameters(CallRow* row, std::vector<const TypeDescriptor*>* types,
                            const ParameterRecord* parameters, int32_t count) {
    for (int32_t i = 0; parameters && i < count; ++i) {
      row->parameters.push_back(KindOf(parameters[i].parameterType));
      row->byRef.push_back(parameters[i].byRef != 0);
      types->push_back(parameters[i].parameterType);
    }
  }

  std::set<std::string> mSeen;
};

std::string ClassNameOf(const RuntimeObject* object) {
  return stringStorage::CString(object->classPtr->className);
}

std::string Hex(uint64_t value, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "&h%0*" PRIX64, digits, value);
  return text;
}

std::string FloatingText(double value, bool approximate) {
  return approximate ? ApproximateNumber(value) : Number(value);
}

std::string StringArrayText(RuntimeArray* array) {
  if (!array) return "nil array";
  std::string text = "[";
  auto** elements = static_cast<stringStorage**>(array->data);
  for (int32_t i = 0; i <= array->bounds()[0]; ++i) {
    text += (i ? ", " : "") + QuoteString(elements[i]);
  }
  return text + "]";
}

}  // namespace

const char* const kClassNotFound = "no class of this name is registered";

bool IsText(Kind kind) {
  return kind == Kind::kString || kind == Kind::kStringArray || kind == Kind::kCString ||
         kind == Kind::kPString;
}

bool IsNumber(Kind kind) {
  return kind >= Kind::kInt32 && kind <= Kind::kCurrency;
}

bool IsObject(Kind kind) {
  return kind >= Kind::kTextEncoding && kind <= Kind::kVariant;
}

const std::vector<CallRow>& TextAndNumberRows() {
  static const std::vector<CallRow> rows = [] {
    RowCollector collector;
    collector.Globals();
    for (const ClassSource& source : kClasses) collector.Class(source);
    collector.Direct();
    return collector.rows;
  }();
  return rows;
}

std::string DescribeCurrency(int64_t value) {
  const uint64_t magnitude = value < 0 ? 0 - uint64_t(value) : uint64_t(value);
  char text[48];
  std::snprintf(text, sizeof text, "%s%" PRIu64 ".%04" PRIu64, value < 0 ? "-" : "",
                magnitude / 10000, magnitude % 10000);
  return text;
}

std::string ApproximateNumber(double value) {
  if (value != value || value == 0 || value - value != 0) return Number(value);
  const locale_t previous = uselocale(CLocale());
  char text[40];
  std::snprintf(text, sizeof text, "%.12g", value);
  uselocale(previous);
  return text;
}

std::string DescribeObject(const RuntimeObject* object, bool approximate) {
  if (!object) return "nil";
  auto* o = const_cast<RuntimeObject*>(object);
  const std::string name = ClassNameOf(object);
  if (name == "_VariantInt32") return "Int32 " + Number(int64_t{BoxedValueOf<int32_t>(o)});
  if (name == "_VariantUInt32") return "UInt32 " + Number(int64_t{BoxedValueOf<uint32_t>(o)});
  if (name == "_VariantInt64") return "Int64 " + Number(BoxedValueOf<int64_t>(o));
  if (name == "_VariantUInt64") return "UInt64 " + std::to_string(BoxedValueOf<uint64_t>(o));
  if (name == "_VariantSingle") return "Single " + FloatingText(BoxedValueOf<float>(o), approximate);
  if (name == "_VariantDouble") return "Double " + FloatingText(BoxedValueOf<double>(o), approximate);
  if (name == "_VariantCurrency") return "Currency " + DescribeCurrency(BoxedValueOf<int64_t>(o));
  if (name == "_VariantBoolean") return "Boolean " + Number(int64_t{BoxedValueOf<uint8_t>(o)});
  if (name == "_VariantColor") return "Color " + Hex(BoxedValueOf<uint32_t>(o), 8);
  if (name == "_VariantString") return "String " + QuoteString(BoxedValueOf<stringStorage*>(o));
  if (name == "Date") return "Date " + std::string(DateGetSQLDateTime(o).CString());
  if (name == "TextEncoding") {
    const auto* e = reinterpret_cast<const TextEncodingObject*>(object);
    return "TextEncoding " + EncodingName(e->code) + " (" + std::to_string(e->base) + "," +
           std::to_string(e->variant) + "," + std::to_string(e->format) + ")";
  }
  if (name == "TextConverter") {
    const auto* c = reinterpret_cast<const TextConverterObject*>(object);
    return "TextConverter " + EncodingName(c->sourceCode) + ">" + EncodingName(c->targetCode);
  }
  return name;
}

std::string TakeResult(Kind kind, const CallResult& result, bool approximate) {
  const auto word = uint32_t(result.integer);
  switch (kind) {
    case Kind::kNone: return "done";
    case Kind::kString: {
      auto* record = reinterpret_cast<stringStorage*>(uintptr_t{word});
      const std::string text = QuoteString(record);
      stringStorage::RemoveReference(record);
      return text;
    }
    case Kind::kInt32: return Number(int64_t{int32_t(word)});
    case Kind::kUInt32: return Number(int64_t{word});
    case Kind::kInt16: return Number(int64_t{int16_t(word)});
    case Kind::kUInt16: return Number(int64_t{uint16_t(word)});
    case Kind::kInt8: return Number(int64_t{int8_t(word)});
    case Kind::kUInt8: return Number(int64_t{uint8_t(word)});
    case Kind::kBoolean: return word == 0 ? "false" : word == 1 ? "true" : "Boolean " + Hex(word, 8);
    case Kind::kColor: return Hex(word, 8);
    case Kind::kInt64: return Number(int64_t(result.integer));
    case Kind::kUInt64: return std::to_string(result.integer);
    case Kind::kCurrency: return DescribeCurrency(int64_t(result.integer));
    case Kind::kSingle:
    case Kind::kDouble: return FloatingText(result.floating, approximate);
    case Kind::kTextEncoding:
    case Kind::kTextConverter:
    case Kind::kEncodings:
    case Kind::kEndOfLine:
    case Kind::kDate:
    case Kind::kVariant: {
      auto* object = reinterpret_cast<RuntimeObject*>(uintptr_t{word});
      const std::string text = DescribeObject(object, approximate);
      RuntimeUnlockObject(object);
      return text;
    }
    case Kind::kCString: {
      const auto* text = reinterpret_cast<const char*>(uintptr_t{word});
      return text ? "CString " + QuoteBytes(text, std::strlen(text)) : "nil";
    }
    case Kind::kPString: {
      const auto* text = reinterpret_cast<const unsigned char*>(uintptr_t{word});
      return text ? "PString " + QuoteBytes(text + 1, text[0]) : "nil";
    }
    case Kind::kStringArray: {
      auto* array = reinterpret_cast<RuntimeArray*>(uintptr_t{word});
      const std::string text = StringArrayText(array);
      RuntimeUnlockArray(array);
      return text;
    }
    case Kind::kDoubleArray:
    case Kind::kUInt64Array:
    case Kind::kOther: break;
  }
  return "unread";
}

}  // namespace answers
