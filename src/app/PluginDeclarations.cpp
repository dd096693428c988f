#include "app/PluginDeclarations.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/PluginRegistry.h"
#include "core/ByteUtilities.h"
#include "core/ClassRegistry.h"
#include "core/TypeNames.h"
#include "image/PluginDeclarationLexer.h"

namespace {

using namespace plugin_tokens;

// What parsed declarations hand to class definitions: kept for the life of the process (and
// reachable from here, never freed), so that definitions may share them.
struct DeclarationPool {
  std::unordered_set<std::string> names;
  std::unordered_map<const TypeDescriptor*, ArrayTypeDescriptor> arrayTypes;
  std::vector<string> defaultStrings;
};

DeclarationPool& Pool() {
  static auto* pool = new DeclarationPool;
  return *pool;
}

constexpr const char* kInvalidFormat = "Invalid plugin method format";
constexpr const char* kInvalidReturnType = "Invalid return type";

ObjectDefinition* ObjectClass() {
  const PluginClassLibrary& library = CurrentPluginClassLibrary();
  return library.objectClass ? library.objectClass() : LookupClassDefinition(string("Object"));
}

class DeclarationParser {
 public:
  DeclarationParser(const char* text, PluginDeclaration* out) : mText(text), mOut(out) {
    mLexer.SetText(text);
  }

  bool Parse();
  const string& Message() const { return mMessage; }

 private:
  int32_t Next() { return mLexer.NextTokenSkippingComment(); }
  bool Fail(const string& message) {
    mMessage = message;
    return false;
  }
  bool ParseParameterList();
  bool ParseParameter(ParameterRecord* parameter, int32_t index);
  bool ParseDefault(ParameterRecord* parameter);
  bool ReadType(int32_t token, const char* invalidMessage, const TypeDescriptor** type);
  string TextBetween(int32_t start, int32_t end) const {
    return string::FromBytes(mText + start, end - start, kEncodingUTF8);
  }

  const char* mText;
  PluginDeclaration* mOut;
  PluginDeclarationLexer mLexer;
  std::vector<ParameterRecord> mParameters;
  int32_t mExtendsAt = -1;
  int32_t mAssignsAt = -1;
  int32_t mToken = kEnd;
  string mMessage;
};

bool DeclarationParser::Parse() {
  if (Next() != kIdentifier) return Fail(kInvalidFormat);
  mOut->name = string::FromBytes(mLexer.TokenText(), mLexer.TokenLength(), kEncodingUTF8);
  mToken = Next();
  if (mToken == '(' && !ParseParameterList()) return false;
  if (mToken == kAs) {
    if (!ReadType(Next(), kInvalidReturnType, &mOut->returnType)) return false;
    mToken = Next();
    if (mToken == '(') {
      if (Next() != ')') return Fail(kInvalidReturnType);
      mOut->returnType = PluginArrayType(mOut->returnType);
      mToken = Next();
    }
  }
  if (mToken != kEnd) return Fail(kInvalidFormat);
  const int32_t count = static_cast<int32_t>(mParameters.size());
  mOut->parameterCount = count;
  mOut->parameters.reset(count ? new ParameterRecord[count] : nullptr);
  for (int32_t i = 0; i < count; ++i) mOut->parameters[i] = mParameters[size_t(i)];
  mOut->extends = count > 0 && mExtendsAt == 0;
  mOut->assigns = count > 0 && mAssignsAt == count - 1;
  return true;
}

bool DeclarationParser::ParseParameterList() {
  const int32_t listStart = mLexer.TokenEnd();
  mToken = Next();
  while (mToken != ')') {
    ParameterRecord parameter{};
    if (!ParseParameter(&parameter, static_cast<int32_t>(mParameters.size()))) return false;
    mParameters.push_back(parameter);
    if (mToken == ',') {
      mToken = Next();
    } else if (mToken != ')') {
      return Fail(kInvalidFormat);
    }
  }
  string text = TextBetween(listStart, mLexer.TokenStart());
  const char* bytes = text.CString();
  int32_t first = 0, last = text.Length();
  while (first < last && (bytes[first] == ' ' || bytes[first] == '\t')) ++first;
  while (last > first && (bytes[last - 1] == ' ' || bytes[last - 1] == '\t')) --last;
  mOut->parameterText = TextBetween(listStart + first, listStart + last);
  mToken = Next();
  return true;
}

// Modifiers, the name, "()" for an array, "As" and the type, and "=" with a default; leaves
// the token after it in mToken.
bool DeclarationParser::ParseParameter(ParameterRecord* parameter, int32_t index) {
  for (;; mToken = Next()) {
    if (mToken == kByRef) {
      parameter->byRef = 1;
    } else if (mToken == kExtends) {
      mExtendsAt = index;
    } else if (mToken == kAssigns) {
      mAssignsAt = index;
    } else if (mToken != kByVal) {
      break;
    }
  }
  if (mToken != kIdentifier) return Fail(kInvalidFormat);
  parameter->name = PluginPooledText(mLexer.TokenText());
  mToken = Next();
  bool array = false;
  if (mToken == '(') {
    if (Next() != ')') return Fail(kInvalidFormat);
    array = true;
    mToken = Next();
  }
  if (mToken != kAs) return Fail(kInvalidFormat);
  if (!ReadType(Next(), kInvalidFormat, &parameter->parameterType)) return false;
  if (array) parameter->parameterType = PluginArrayType(parameter->parameterType);
  mToken = Next();
  return mToken != '=' || ParseDefault(parameter);
}

// The value's text range is kept; the value itself where a word can hold it.
bool DeclarationParser::ParseDefault(ParameterRecord* parameter) {
  mToken = Next();
  const bool negative = mToken == '-';
  const int32_t start = mLexer.TokenStart();
  if (negative) mToken = Next();
  if (mToken == kEnd || mToken == ',' || mToken == ')') return Fail(kInvalidFormat);
  parameter->hasDefault = 1;
  parameter->words[0] = uint32_t(start);
  parameter->words[1] = uint32_t(mLexer.TokenEnd());
  switch (mToken) {
    case kTrue:
      parameter->defaultValue = 1;
      break;
    case kIntegerLiteral:
    case kColorLiteral:
    case kLongColorLiteral: {
      const uint32_t value = NumberLiteralValue(mLexer.TokenText());
      parameter->defaultValue = negative ? 0u - value : value;
      break;
    }
    case kStringLiteral: {
      DeclarationPool& pool = Pool();
      pool.defaultStrings.push_back(
          string::FromBytes(mLexer.TokenText(), mLexer.TokenLength(), kEncodingUTF8));
      parameter->defaultValue =
          static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pool.defaultStrings.back().Storage()));
      break;
    }
    default:
      break;  // False, Nil, a real or a constant's name: 0
  }
  mToken = Next();
  return true;
}

bool DeclarationParser::ReadType(int32_t token, const char* invalidMessage,
                                 const TypeDescriptor** type) {
  switch (token) {
    case kInteger:
      *type = IntrinsicType(kIntrinsicInteger);
      return true;
    case kBoolean:
      *type = IntrinsicType(kIntrinsicBoolean);
      return true;
    case kString:
      *type = IntrinsicType(kIntrinsicString);
      return true;
    case kColor:
      *type = IntrinsicType(kIntrinsicColor);
      return true;
    case kDouble:
      *type = IntrinsicType(kIntrinsicDouble);
      return true;
    case kSingle:
      *type = IntrinsicType(kIntrinsicSingle);
      return true;
    case kObject:
      if (ObjectDefinition* object = ObjectClass()) {
        *type = object->AsType();
        return true;
      }
      return Fail(string("Unknown type \"Object\""));
    case kIdentifier:
      break;
    default:
      return Fail(invalidMessage);
  }
  const char* name = mLexer.TokenText();
  if (const IntrinsicTypeRecord* intrinsic = IntrinsicTypeForPluginName(name)) {
    *type = &intrinsic->descriptor;
    return true;
  }
  if (ObjectDefinition* definition = FindClassForPlugin(string(name))) {
    *type = definition->AsType();
    return true;
  }
  return Fail(string("Unknown type \"") +
              string::FromBytes(name, mLexer.TokenLength(), kEncodingUTF8) + string("\""));
}

}  // namespace

int32_t PluginDeclaration::MethodKind() const {
  return (extends ? kMethodExtends : kMethodPlain) | (assigns ? kMethodAssigns : kMethodPlain);
}

bool ParsePluginMethodDeclaration(const char* text, PluginDeclaration* out, string* message) {
  PluginDeclaration parsed;
  DeclarationParser parser(text ? text : "", &parsed);
  if (!parser.Parse()) {
    if (message) *message = parser.Message() + PluginErrorText(string(text ? text : ""));
    return false;
  }
  parsed.returnTypeText = parsed.returnType ? TypeName(parsed.returnType) : string();
  if (out) *out = std::move(parsed);
  return true;
}

const IntrinsicTypeRecord* IntrinsicTypeForPluginName(const char* name) {
  static constexpr struct {
    const char* name;
    IntrinsicTypeIndex type;
  } kNames[] = {
      {"UInt64", kIntrinsicUInt64},   {"Int64", kIntrinsicInt64},
      {"UInt32", kIntrinsicUInt32},   {"Int32", kIntrinsicInteger},
      {"UInt16", kIntrinsicUInt16},   {"Int16", kIntrinsicInt16},
      {"UInt8", kIntrinsicUInt8},     {"Int8", kIntrinsicInt8},
      {"Ptr", kIntrinsicPtr},         {"WindowPtr", kIntrinsicWindowPtr},
      {"CString", kIntrinsicCString}, {"PString", kIntrinsicPString},
      {"OSType", kIntrinsicOSType},   {"Currency", kIntrinsicCurrency},
  };
  if (!name) return nullptr;
  for (const auto& entry : kNames) {
    if (ustrcmpi(entry.name, name) == 0) return &IntrinsicTypeTable()[entry.type];
  }
  return nullptr;
}

const char* PluginPooledText(const char* text) {
  return Pool().names.insert(text ? text : "").first->c_str();
}

const TypeDescriptor* PluginArrayType(const TypeDescriptor* element) {
  auto [found, added] =
      Pool().arrayTypes.try_emplace(element, ArrayTypeDescriptor{{kTypeKindArray}, element, 1});
  return AsTypeDescriptor(&found->second);
}
