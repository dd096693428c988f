#include "core/TypeNames.h"

#include <cstdio>
#include <cstring>

#include "core/ByteUtilities.h"
#include "core/RuntimeError.h"

namespace {

struct TypeCodeEntry {
  const char* name;
  const char* code;
};

// Searched in this order, so that reading a code back gives the first name that prints as it.
constexpr TypeCodeEntry kTypeCodes[] = {
    {"String", "s"},   {"Integer", "i4"},  {"Boolean", "b"},   {"Single", "f4"},
    {"Double", "f8"},  {"Color", "c"},     {"Ptr", "p"},       {"CString", "z"},
    {"PString", "l"},  {"WindowPtr", "w"}, {"Class", "x"},     {"Int32", "i4"},
    {"UInt32", "u4"},  {"Int64", "i8"},    {"UInt64", "u8"},   {"Int16", "i2"},
    {"UInt16", "u2"},  {"Int8", "i1"},     {"UInt8", "u1"},    {"Byte", "u1"},
    {"Short", "i2"},   {"Currency", "e"},
};

// Variant values travel as their own one-letter code, not as a class code.
constexpr const char* kVariantClassName = "Variant";
constexpr const char* kVariantCode = "v";

bool IsIntrinsicNamed(const TypeDescriptor* type, const char* name) {
  if (!type || type->kind != kTypeKindIntrinsic) return false;
  const char* own = AsIntrinsicType(type)->name;
  return own && ustrcmpi(own, name) == 0;
}

string DecimalText(int64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
  return string(buffer);
}

bool IsClassType(const TypeDescriptor* type) {
  return type && (type->kind == kTypeKindClass || type->kind == kTypeKindClassName);
}

string ClassTypeCode(const TypeDescriptor* type) {
  const string name = TypeName(type);
  if (IsClassType(type) && name.Compare(kVariantClassName) == 0) {
    return string(kVariantCode);
  }
  return string("o<") + name + string(">");
}

string DefaultValueText(const ParameterRecord& param) {
  const TypeDescriptor* type = param.parameterType;
  if (IsIntrinsicNamed(type, "String")) {
    auto* record = reinterpret_cast<stringStorage*>(param.defaultValue);
    return string("=\"") + string(record) + string("\"");
  }
  if (IsIntrinsicNamed(type, "Boolean")) return string(param.defaultValue ? "=True" : "=False");
  if (IsIntrinsicNamed(type, "Color")) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "=&h%08X", static_cast<unsigned>(param.defaultValue));
    return string(buffer);
  }
  if (IsClassType(type) && param.defaultValue == 0) return string("=Nil");
  return string("=") + DecimalText(static_cast<int32_t>(param.defaultValue));
}

string ParameterText(const ParameterRecord& param) {
  string text;
  if (param.paramArray) text += "ParamArray ";
  if (param.byRef) text += "ByRef ";
  text += param.name;
  const TypeDescriptor* type = param.parameterType;
  if (type && type->kind == kTypeKindArray) {
    text += "() As ";
    text += TypeName(AsArrayType(type)->elementType);
  } else {
    text += " As ";
    text += TypeName(type);
  }
  if (param.hasDefault) text += DefaultValueText(param);
  return text;
}

string ParameterCode(const ObjectMethod* method, const ParameterRecord& param) {
  if (param.parameterType) return TypeCode(param.parameterType);
  const string extra = method->name + string(" has a null parameter type ptr");
  QV_FAIL_TEXT("param->parameterType", extra.CString());
  return string();
}

string AccessPrefix(uint32_t flags) {
  if (flags & kItemPrivate) return string("Private ");
  if (flags & kItemProtected) return string("Protected ");
  return string();
}

// --- Reading codes back -------------------------------------------------------------------

const char* FirstNameForCode(const char* code, int32_t length) {
  for (const TypeCodeEntry& entry : kTypeCodes) {
    if (std::strlen(entry.code) == static_cast<size_t>(length) &&
        std::strncmp(entry.code, code, length) == 0) {
      return entry.name;
    }
  }
  return nullptr;
}

// The intrinsic codes are one letter, or one of "i" "u" "f" and a digit.
bool ParseIntrinsicCode(const char* text, int32_t length, int32_t* pos, ParsedType* out) {
  for (int32_t width = 2; width >= 1; --width) {
    if (*pos + width > length) continue;
    const char* name = FirstNameForCode(text + *pos, width);
    if (!name) continue;
    out->isClass = false;
    out->name = string(name);
    *pos += width;
    return true;
  }
  return false;
}

bool ParseClassCode(const char* text, int32_t length, int32_t* pos, ParsedType* out) {
  if (text[*pos] == kVariantCode[0]) {
    out->isClass = true;
    out->name = string(kVariantClassName);
    *pos += 1;
    return true;
  }
  if (*pos + 1 >= length || text[*pos] != 'o' || text[*pos + 1] != '<') return false;
  const char* start = text + *pos + 2;
  const void* close = std::memchr(start, '>', length - (*pos + 2));
  if (!close) return false;
  const int32_t nameLength = static_cast<int32_t>(static_cast<const char*>(close) - start);
  out->isClass = true;
  out->name = string::FromBytes(start, nameLength, kEncodingASCII);
  *pos += 2 + nameLength + 1;
  return true;
}

bool ParseScalarCode(const char* text, int32_t length, int32_t* pos, ParsedType* out) {
  if (*pos >= length) return false;
  return ParseClassCode(text, length, pos, out) || ParseIntrinsicCode(text, length, pos, out);
}

bool ParseArrayPrefix(const char* text, int32_t length, int32_t* pos, int32_t* dimensions) {
  int32_t at = *pos + 1;
  int64_t count = 0;
  while (at < length && text[at] >= '0' && text[at] <= '9' && count <= 0x7FFFFFFF) {
    count = count * 10 + (text[at] - '0');
    ++at;
  }
  if (at == *pos + 1 || count < 1 || count > 0x7FFFFFFF) return false;
  *dimensions = static_cast<int32_t>(count);
  *pos = at;
  return true;
}

struct KeyReader {
  const char* text;
  int32_t length;
  int32_t pos = 0;

  bool AtEnd() const { return pos >= length; }
  bool Take(char ch) {
    if (AtEnd() || text[pos] != ch) return false;
    ++pos;
    return true;
  }
  // Text up to (not including) the next stop character; false when there is none.
  bool ReadUntil(char stop, string* out) {
    const void* found = std::memchr(text + pos, stop, length - pos);
    if (!found) return false;
    const int32_t n = static_cast<int32_t>(static_cast<const char*>(found) - (text + pos));
    *out = string::FromBytes(text + pos, n, kEncodingASCII);
    pos += n + 1;
    return true;
  }
  bool ReadType(ParsedType* out) { return ParseTypeCode(text, length, &pos, out); }
};

bool ReadParameters(KeyReader& reader, std::vector<ParsedParameter>* out) {
  while (!reader.AtEnd()) {
    ParsedParameter param;
    param.byRef = reader.Take('&');
    if (!reader.ReadType(&param.type)) return false;
    out->push_back(param);
  }
  return true;
}

}  // namespace

const char* IntrinsicTypeCode(const char* typeName) {
  if (!typeName) return nullptr;
  for (const TypeCodeEntry& entry : kTypeCodes) {
    if (ustrcmpi(entry.name, typeName) == 0) return entry.code;
  }
  return nullptr;
}

string TypeName(const TypeDescriptor* type) {
  if (!type) return string();
  switch (type->kind) {
    case kTypeKindIntrinsic:
      return string(AsIntrinsicType(type)->name);
    case kTypeKindClass:
      return AsClassDefinition(type)->className;
    case kTypeKindClassName:
      return string(AsClassNameType(type)->className);
    case kTypeKindArray: {
      const TypeDescriptor* element = AsArrayType(type)->elementType;
      if (!QV_CHECK_TEXT(element, "atype->elementType", nullptr)) return string();
      return TypeName(element) + string("()");
    }
    default:
      return string();
  }
}

string TypeCode(const TypeDescriptor* type) {
  if (!type) return string();
  switch (type->kind) {
    case kTypeKindIntrinsic: {
      const char* name = AsIntrinsicType(type)->name;
      if (const char* code = IntrinsicTypeCode(name)) return string(code);
      const string extra = string("Unknown type name: ") + string(name);
      QV_FAIL(extra.CString());
      return string();
    }
    case kTypeKindArray: {
      const ArrayTypeDescriptor* array = AsArrayType(type);
      if (!QV_CHECK_TEXT(array->elementType, "atype->elementType", nullptr)) return string();
      return string("a") + DecimalText(array->dimensionCount) + TypeCode(array->elementType);
    }
    case kTypeKindUnnamed:
    case kTypeKindClass:
    case kTypeKindClassName:
      return ClassTypeCode(type);
    default:
      return string();
  }
}

string MethodSignatureKey(const ObjectMethod* method, const TypeDescriptor* owner,
                          bool assigning) {
  if (!method) return string();
  string key(assigning ? "=" : "");
  key += method->alias.IsEmpty() ? method->name : method->alias;
  key += "%";
  if (!assigning) key += TypeCode(method->row.returnType);
  key += "%";
  if (owner) key += ClassTypeCode(owner);
  for (int32_t i = 0; i < method->row.parameterCount; ++i) {
    const ParameterRecord& param = method->row.parameters[i];
    if (param.byRef) key += "&";
    key += ParameterCode(method, param);
  }
  if (assigning) key += TypeCode(method->row.returnType);
  return key;
}

string PropertyKey(const InstanceVariable* property) {
  if (!property) return string();
  return property->name + string("%") + TypeCode(property->varType) + string("%");
}

string MethodParameterListText(const ObjectMethod* method) {
  if (!method) return string();
  const int32_t count = method->row.parameterCount;
  if (count < 1 || !method->row.parameters) return method->parameterText;
  const int32_t kind = method->row.methodKind;
  string text;
  for (int32_t i = 0; i < count; ++i) {
    if (i > 0) text += ", ";
    if (i == 0 && (kind == kMethodExtends || kind == kMethodExtendsAssigns)) text += "Extends ";
    if (i == count - 1 && (kind == kMethodAssigns || kind == kMethodExtendsAssigns)) {
      text += "Assigns ";
    }
    text += ParameterText(method->row.parameters[i]);
  }
  return text;
}

string MethodReturnTypeText(const ObjectMethod* method) {
  if (!method) return string();
  if (method->row.returnType) return TypeName(method->row.returnType);
  return method->returnTypeText;
}

string MethodDeclarationText(const ObjectMethod* method) {
  if (!method) return string();
  const string returnType = MethodReturnTypeText(method);
  string text = AccessPrefix(method->userFlags);
  text += returnType.IsEmpty() ? "Sub " : "Function ";
  text += method->name;
  text += "(";
  text += MethodParameterListText(method);
  text += ")";
  if (!returnType.IsEmpty()) text += string(" As ") + returnType;
  return text;
}

string PropertyDeclarationText(const InstanceVariable* property) {
  if (!property) return string();
  string text = AccessPrefix(property->declarationFlags);
  if (!property->declarationText.IsEmpty()) return text + property->declarationText;
  if (!QV_CHECK_TEXT(property->varType, "varType", nullptr)) return string();
  return text + property->name + string(" As ") + TypeName(property->varType);
}

bool MethodParametersAllHaveDefaults(const ObjectMethod* method) {
  if (!method || !method->row.parameters) return true;
  for (int32_t i = 0; i < method->row.parameterCount; ++i) {
    if (!method->row.parameters[i].hasDefault) return false;
  }
  return true;
}

bool MethodTextOpensParameterList(const ObjectMethod* method) {
  if (!method) return false;
  const char* text = method->parameterText.CString();
  const char* open = std::strchr(text, '(');
  if (!open) return false;
  const char* slashes = std::strstr(text, "//");
  const char* quote = std::strchr(text, '\'');
  return (!slashes || open < slashes) && (!quote || open < quote);
}

bool ItemNameIsEmpty(const string& name) { return name.IsEmpty(); }

bool ParsedType::operator==(const ParsedType& other) const {
  return isClass == other.isClass && dimensions == other.dimensions &&
         name.CompareWithCase(other.name) == 0;
}

bool ParseTypeCode(const char* text, int32_t length, int32_t* pos, ParsedType* out) {
  if (!text || !pos || !out || *pos < 0 || *pos >= length) return false;
  int32_t at = *pos;
  ParsedType parsed;
  if (text[at] == 'a' && !ParseArrayPrefix(text, length, &at, &parsed.dimensions)) return false;
  if (!ParseScalarCode(text, length, &at, &parsed)) return false;
  *out = parsed;
  *pos = at;
  return true;
}

bool ParseMethodSignatureKey(const string& key, bool withOwner, ParsedMethodKey* out) {
  if (!out) return false;
  KeyReader reader{key.CString(), key.Length()};
  ParsedMethodKey parsed;
  parsed.assigning = reader.Take('=');
  if (!reader.ReadUntil('%', &parsed.name) || parsed.name.IsEmpty()) return false;
  if (!parsed.assigning && !reader.Take('%')) {
    if (!reader.ReadType(&parsed.returnType) || !reader.Take('%')) return false;
    parsed.hasReturnType = true;
  } else if (parsed.assigning && !reader.Take('%')) {
    return false;
  }
  ParsedType owner;
  if (withOwner) {
    if (!reader.ReadType(&owner) || !owner.isClass || owner.dimensions != 0) return false;
    parsed.owner = owner.name;
  }
  if (!ReadParameters(reader, &parsed.parameters)) return false;
  if (parsed.assigning && !parsed.parameters.empty()) {
    parsed.returnType = parsed.parameters.back().type;
    parsed.hasReturnType = true;
    parsed.parameters.pop_back();
  }
  *out = parsed;
  return true;
}

bool ParsePropertyKey(const string& key, ParsedPropertyKey* out) {
  if (!out) return false;
  KeyReader reader{key.CString(), key.Length()};
  ParsedPropertyKey parsed;
  if (!reader.ReadUntil('%', &parsed.name) || parsed.name.IsEmpty()) return false;
  if (!reader.ReadType(&parsed.type) || !reader.Take('%') || !reader.AtEnd()) return false;
  *out = parsed;
  return true;
}

// --- Keys as plug-ins read them -----------------------------------------------------------

namespace {

struct PluginCodeName {
  char first;
  char second;  // NUL for a one-letter code
  const char* name;
};

constexpr PluginCodeName kPluginCodeNames[] = {
    {'b', 0, "Boolean"},   {'c', 0, "Color"},     {'e', 0, "Currency"},  {'f', '4', "Single"},
    {'f', '8', "Double"},  {'i', '1', "Int8"},    {'i', '2', "Int16"},   {'i', '4', "Int32"},
    {'i', '8', "Int64"},   {'u', '1', "UInt8"},   {'u', '2', "UInt16"},  {'u', '4', "UInt32"},
    {'u', '8', "UInt64"},  {'s', 0, "String"},    {'v', 0, "Variant"},   {'p', 0, "Ptr"},
};

bool IsTwoByteCode(char first) { return first == 'f' || first == 'i' || first == 'u'; }

// "<Name>" after an "o" or "t"; without its brackets the code names nothing.
PluginCodeType ReadClassCode(const char** code) {
  const char* at = *code + 1;
  if (*at != '<') {
    *code = at;
    return {};
  }
  const char* close = std::strchr(at + 1, '>');
  if (!close) {
    *code = at + std::strlen(at);
    return {};
  }
  *code = close + 1;
  return {string::FromBytes(at + 1, close - (at + 1), kEncodingASCII), 0};
}

PluginCodeType ReadArrayCode(const char** code) {
  const char* at = *code + 1;
  int64_t dimensions = 0;
  for (; *at >= '0' && *at <= '9'; ++at) {
    if (dimensions <= 0x7FFFFFFF) dimensions = dimensions * 10 + (*at - '0');
  }
  *code = at;
  PluginCodeType element = ReadPluginTypeCode(code);
  if (!QV_CHECK_TEXT(dimensions > 0, "dimensions > 0", nullptr) || dimensions > 0x7FFFFFFF)
    return {};
  element.name = element.name + element.ArraySuffix();
  element.dimensions = static_cast<int32_t>(dimensions);
  return element;
}

// The text after a qualifier's last ".", without its Assigns or ParamArray mark, cut at "%"
// into name, result code and parameter codes (missing fields are empty).
struct SignatureFields {
  bool assigns = false;
  bool paramArray = false;
  string name;
  string result;
  const char* parameters = "";
};

SignatureFields SplitSignature(const char* signature) {
  SignatureFields fields;
  if (!signature) return fields;
  if (const char* dot = std::strrchr(signature, '.')) signature = dot + 1;
  if (*signature == '=') {
    fields.assigns = true;
    ++signature;
  }
  if (*signature == '*') {
    fields.paramArray = true;
    ++signature;
  }
  const char* percent = std::strchr(signature, '%');
  if (!percent) {
    fields.name = string(signature);
    return fields;
  }
  fields.name = string::FromBytes(signature, percent - signature, kEncodingASCII);
  const char* result = percent + 1;
  const char* second = std::strchr(result, '%');
  if (!second) {
    fields.result = string(result);
    return fields;
  }
  fields.result = string::FromBytes(result, second - result, kEncodingASCII);
  fields.parameters = second + 1;
  return fields;
}

}  // namespace

string PluginCodeType::ArraySuffix() const {
  if (dimensions < 1) return string();
  string suffix("(");
  for (int32_t i = 1; i < dimensions; ++i) suffix += ",";
  return suffix + string(")");
}

PluginCodeType ReadPluginTypeCode(const char** code) {
  if (!code || !*code || !**code) return {};
  const char first = **code;
  if (first == 'o' || first == 't') return ReadClassCode(code);
  if (first == 'a' || first == 'A') return ReadArrayCode(code);
  const char second = (*code)[1];
  *code += IsTwoByteCode(first) && second ? 2 : 1;
  for (const PluginCodeName& entry : kPluginCodeNames) {
    if (entry.first == first && (entry.second == 0 || entry.second == second))
      return {string(entry.name), 0};
  }
  return {};
}

string PluginTypeNameForCode(const char* code) {
  const PluginCodeType type = ReadPluginTypeCode(&code);
  return type.name + (type.dimensions ? type.ArraySuffix() : string());
}

string SignatureDeclarationText(const char* signature, SignatureTextOptions options) {
  const SignatureFields fields = SplitSignature(signature);
  string text;
  if (options.keyword) text = string(fields.result.IsEmpty() ? "Sub " : "Function ");
  text += fields.name;
  text += "(";
  int32_t lastStart = -1;
  const char* codes = fields.parameters;
  for (int32_t number = 0; *codes; ++number) {
    const bool byRef = *codes == '&';
    if (byRef) ++codes;
    const PluginCodeType type = ReadPluginTypeCode(&codes);
    if (number == 0 && options.skipFirstParameter) continue;
    if (lastStart >= 0) text += ", ";
    lastStart = text.Length();
    if (byRef) text += "ByRef ";
    text += string("param") + DecimalText(number) + type.ArraySuffix() + string(" As ");
    text += type.name;
  }
  if (fields.assigns || fields.paramArray) {
    if (QV_CHECK_TEXT(lastStart != -1, "-1 != lastParamDeclStart", nullptr)) {
      text = left(text, lastStart) + string(fields.assigns ? "Assigns " : "ParamArray ") +
             mid(text, lastStart);
    }
  }
  text += ")";
  if (!fields.result.IsEmpty())
    text += string(" As ") + PluginTypeNameForCode(fields.result.CString());
  return text;
}

string SignatureMethodName(const char* signature) { return SplitSignature(signature).name; }

string PropertyKeyName(const char* key) {
  if (!key) return string();
  const char* percent = std::strchr(key, '%');
  return percent ? string::FromBytes(key, percent - key, kEncodingASCII) : string(key);
}

PluginCodeType PropertyKeyType(const char* key) {
  const char* percent = key ? std::strchr(key, '%') : nullptr;
  if (!percent) return {};
  const char* code = percent + 1;
  return ReadPluginTypeCode(&code);
}

string PropertyKeyDeclarationText(const char* key) {
  const PluginCodeType type = PropertyKeyType(key);
  return PropertyKeyName(key) + type.ArraySuffix() + string(" As ") + type.name;
}
