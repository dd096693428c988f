#include "strings/TextEncodingObjects.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/IntMap.h"
#include "core/IntrinsicTypes.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "strings/TextEncoding.h"
#include "strings/UTF8.h"

namespace {

ParameterRow gChrParameters[] = {{"codePoint", nullptr, 0, 0, 0, 0, {}}};
ParameterRow gEqualsParameters[] = {{"otherEncoding", nullptr, 0, 0, 0, 0, {}}};
ParameterRow gConvertParameters[] = {{"text", nullptr, 0, 0, 0, 0, {}}};

MethodRow gTextEncodingMethods[] = {
    {"Chr", nullptr, gChrParameters, 1,
     {reinterpret_cast<void*>(TextEncodingChr), "TextEncodingChr", 0, {}}, {}, kMethodPlain, 0,
     0},
    {"Equals", nullptr, gEqualsParameters, 1,
     {reinterpret_cast<void*>(TextEncodingEquals), "TextEncodingEquals", 0, {}}, {},
     kMethodPlain, 0, 0},
};

PropertyRow gTextEncodingProperties[] = {
    {0, "base", nullptr, reinterpret_cast<void*>(textEncodingBaseGetter),
     "textEncodingBaseGetter", nullptr, nullptr, 0, 0},
    {0, "variant", nullptr, reinterpret_cast<void*>(textEncodingVariantGetter),
     "textEncodingVariantGetter", nullptr, nullptr, 0, 0},
    {0, "format", nullptr, reinterpret_cast<void*>(textEncodingFormatGetter),
     "textEncodingFormatGetter", nullptr, nullptr, 0, 0},
    {0, "internetName", nullptr, reinterpret_cast<void*>(textEncodingInternetName),
     "textEncodingInternetName", nullptr, nullptr, 0, 0},
    {0, "code", nullptr, reinterpret_cast<void*>(intGetter), "intGetter", nullptr, nullptr,
     offsetof(TextEncodingObject, code), 0},
};

MethodRow gTextConverterMethods[] = {
    {"convert", nullptr, gConvertParameters, 1,
     {reinterpret_cast<void*>(textConverterConvert), "textConverterConvert", 0, {}}, {},
     kMethodPlain, 0, 0},
    {"clear", nullptr, nullptr, 0,
     {reinterpret_cast<void*>(textConverterClear), "textConverterClear", 0, {}}, {},
     kMethodPlain, 0, 0},
};

// Types that are class definitions or intrinsic records are known only at run time.
void FillTextEncodingRows(ObjectDefinition* textEncoding) {
  const TypeDescriptor* integer = IntrinsicType(kIntrinsicInteger);
  const TypeDescriptor* text = IntrinsicType(kIntrinsicString);
  gChrParameters[0].parameterType = integer;
  gTextEncodingMethods[0].returnType = text;
  gEqualsParameters[0].parameterType = textEncoding->AsType();
  gTextEncodingMethods[1].returnType = IntrinsicType(kIntrinsicBoolean);
  for (PropertyRow& row : gTextEncodingProperties) row.type = integer;
  gTextEncodingProperties[3].type = text;
}

void FillTextConverterRows() {
  gConvertParameters[0].parameterType = IntrinsicType(kIntrinsicString);
  gTextConverterMethods[0].returnType = IntrinsicType(kIntrinsicString);
}

// Shared objects, one per code; the map's own reference keeps each alive until exit.
IntMap<TextEncodingObject*>& SharedObjects() {
  static IntMap<TextEncodingObject*> objects;
  return objects;
}

TextEncodingObject* NewObject(uint32_t base, uint32_t variant, uint32_t format,
                              TextEncoding code) {
  auto* object = reinterpret_cast<TextEncodingObject*>(
      NewObjectFromDefinition(TextEncodingClassDefinition()));
  if (!object) return nullptr;
  object->base = base;
  object->variant = variant;
  object->format = format;
  object->made = 1;
  object->code = code;
  return object;
}

TextEncoding CodeOf(uint32_t base, uint32_t format) {
  if (base == kEncodingUnicode16 && format == kUnicodeFormatUTF8) return kEncodingUTF8;
  if (base == kEncodingUnicode16 && format == kUnicodeFormat32) return kEncodingUTF32;
  return base;
}

RuntimeObject* AsObject(TextEncodingObject* object) { return &object->header; }

const char* InternetNameOf(uint32_t base, uint32_t format) {
  switch (base) {
    case kEncodingUTF8:
      return "UTF-8";
    case kEncodingUnicode16: {
      static const char* const kUnicodeNames[] = {"UTF-16", "UTF-7", "UTF-8", "UCS-4"};
      return format < 4 ? kUnicodeNames[format] : nullptr;
    }
    case 1280:
      return "windows-1252";
    case kEncodingASCII:
      return "US-ASCII";
    case 0:
      return "macintosh";
    case 1:
      return "X-MAC-JAPANESE";
    case 2561:
      return "Shift_JIS";
    default:
      return nullptr;
  }
}

// A character code of a byte encoding: its bytes most significant first, without leading zero
// bytes (at least one).
string CharacterCodeBytes(uint32_t codePoint, TextEncoding code) {
  unsigned char bytes[4] = {static_cast<unsigned char>(codePoint >> 24),
                            static_cast<unsigned char>(codePoint >> 16),
                            static_cast<unsigned char>(codePoint >> 8),
                            static_cast<unsigned char>(codePoint)};
  int32_t first = 0;
  while (first < 3 && bytes[first] == 0) ++first;
  return string::FromBytes(bytes + first, 4 - first, code);
}

string UnicodeCharacter(uint32_t codePoint, uint32_t format, TextEncoding code) {
  if (format == kUnicodeFormat32) {
    unsigned char bytes[4] = {static_cast<unsigned char>(codePoint),
                              static_cast<unsigned char>(codePoint >> 8),
                              static_cast<unsigned char>(codePoint >> 16),
                              static_cast<unsigned char>(codePoint >> 24)};
    return string::FromBytes(bytes, 4, code);
  }
  if (format == kUnicodeFormat16) {
    unsigned char unit[2] = {static_cast<unsigned char>(codePoint),
                             static_cast<unsigned char>(codePoint >> 8)};
    return string::FromBytes(unit, 2, code);
  }
  char buffer[kUTF8EncodeBufferSize];
  int32_t n = UTF8Encode(static_cast<int32_t>(codePoint), buffer);
  return string::FromBytes(buffer, n, code);
}

// s relabelled or converted to code; s itself when it already has that code.
stringStorage* WithEncoding(stringStorage* s, TextEncodingObject* encoding, bool convert) {
  if (!s) return nullptr;
  string text(s);
  TextEncoding code = GetEncodingFromTEObject(encoding);
  if (text.Encoding() == code) return text.ExtractStringStorage();
  if (convert) return ConvertEncoding(text, code).ExtractStringStorage();
  return string::FromBytes(text.Bytes(), text.Length(), code).ExtractStringStorage();
}

}  // namespace

ObjectDefinition* TextEncodingClassDefinition() {
  static ObjectDefinition definition;
  if (!definition.className.IsEmpty()) return &definition;
  definition.className = "TextEncoding";
  definition.objectSize = sizeof(TextEncodingObject);
  FillTextEncodingRows(&definition);
  definition.SetItems(AddClassProperties(gTextEncodingProperties, 5));
  AddClassMethods(&definition, gTextEncodingMethods, 2);
  definition.isStatic = 1;
  return &definition;
}

ObjectDefinition* TextConverterClassDefinition() {
  static ObjectDefinition definition;
  if (!definition.className.IsEmpty()) return &definition;
  definition.className = "TextConverter";
  definition.objectSize = sizeof(TextConverterObject);
  FillTextConverterRows();
  AddClassMethods(&definition, gTextConverterMethods, 2);
  definition.finalizer = {reinterpret_cast<void*>(textConverterDestructor),
                          "textConverterDestructor", 0, {}};
  definition.isStatic = 1;
  return &definition;
}

QV_STARTUP_CLASS(kStartupTextEncodingClass, TextEncodingClassDefinition)
QV_STARTUP_CLASS(kStartupTextConverterClass, TextConverterClassDefinition)

TextEncodingObject* NewTextEncodingObject(TextEncoding code) {
  uint32_t base = 0, variant = 0, format = 0;
  GetEncodingAttributes(code, base, variant, format);
  return NewObject(base, variant, format, code);
}

extern "C" {

TextEncodingObject* getTextEncoding(uint32_t base, uint32_t variant, uint32_t format) {
  return NewObject(base, variant, format, CodeOf(base, format));
}
QV_EXPORT(getTextEncoding)

TextEncodingObject* getInternetTextEncoding(stringStorage*) { return nullptr; }
QV_EXPORT(getInternetTextEncoding)

TextEncodingObject* getFontTextEncoding(stringStorage* fontName) {
  TextEncoding code = GetEncodingFromFont(string(fontName));
  return code == kEncodingNone ? nullptr : NewTextEncodingObject(code);
}
QV_EXPORT(getFontTextEncoding)

TextEncodingObject* GetTextEncodingObject(TextEncoding code) {
  if (code == kEncodingNone) return nullptr;
  TextEncodingObject* object = nullptr;
  if (!SharedObjects().GetEntry(static_cast<int32_t>(code), &object)) {
    object = NewTextEncodingObject(code);
    if (!object) return nullptr;
    SharedObjects().AddEntry(static_cast<int32_t>(code), object);
  }
  RuntimeLockObject(AsObject(object));
  return object;
}
QV_EXPORT(GetTextEncodingObject)

TextEncoding GetEncodingFromTEObject(TextEncodingObject* object) {
  return object ? object->code : kEncodingNone;
}
QV_EXPORT(GetEncodingFromTEObject)

int32_t textEncodingBaseGetter(TextEncodingObject* object, uint32_t) {
  return object ? static_cast<int32_t>(object->base) : 0;
}
QV_EXPORT(textEncodingBaseGetter)

int32_t textEncodingVariantGetter(TextEncodingObject* object, uint32_t) {
  return object ? static_cast<int32_t>(object->variant) : 0;
}
QV_EXPORT(textEncodingVariantGetter)

int32_t textEncodingFormatGetter(TextEncodingObject* object, uint32_t) {
  return object ? static_cast<int32_t>(object->format) : 0;
}
QV_EXPORT(textEncodingFormatGetter)

stringStorage* textEncodingInternetName(TextEncodingObject* object, uint32_t) {
  const char* name = object ? InternetNameOf(object->base, object->format) : nullptr;
  return name ? string(name).ExtractStringStorage() : nullptr;
}
QV_EXPORT(textEncodingInternetName)

stringStorage* TextEncodingChr(TextEncodingObject* object, int32_t codePoint) {
  if (!object) return nullptr;
  uint32_t code = static_cast<uint32_t>(codePoint);
  uint32_t low = object->code & 0xFFFF;
  string text = IsUnicode16Encoding(low) ? UnicodeCharacter(code, object->format, object->code)
                                         : CharacterCodeBytes(code, object->code);
  return text.ExtractStringStorage();
}
QV_EXPORT(TextEncodingChr)

int32_t TextEncodingEquals(TextEncodingObject* a, TextEncodingObject* b) {
  if (a == b) return 1;
  return a && b && a->code == b->code ? 1 : 0;
}
QV_EXPORT(TextEncodingEquals)

TextEncodingObject* StringGetEncoding(stringStorage* s) {
  if (!s) return GetTextEncodingObject(kEncodingASCII);
  return GetTextEncodingObject(s->encoding);  // nil for unlabelled text
}
QV_EXPORT(StringGetEncoding)

stringStorage* StringSetEncoding(stringStorage* s, TextEncodingObject* encoding) {
  return WithEncoding(s, encoding, false);
}
QV_EXPORT(StringSetEncoding)

stringStorage* StringConvertEncoding(stringStorage* s, TextEncodingObject* encoding) {
  return WithEncoding(s, encoding, true);
}
QV_EXPORT(StringConvertEncoding)

TextConverterObject* getTextConverter(TextEncodingObject* source, TextEncodingObject* target) {
  if (!source || !target) return nullptr;
  auto* converter = reinterpret_cast<TextConverterObject*>(
      NewObjectFromDefinition(TextConverterClassDefinition()));
  if (!converter) return nullptr;
  // The codes, not the bases: a UCS-4 encoding's base is that of UTF-16.
  converter->sourceCode = source->code;
  converter->targetCode = target->code;
  return converter;
}
QV_EXPORT(getTextConverter)

stringStorage* textConverterConvert(TextConverterObject* converter, stringStorage* text) {
  if (!text || !converter) return nullptr;
  if (converter->sourceCode != converter->targetCode) {
    return ConvertTextUnix(text, converter->sourceCode, converter->targetCode);
  }
  string same(text);
  if (same.Encoding() == converter->targetCode) return same.ExtractStringStorage();
  return string::FromBytes(same.Bytes(), same.Length(), converter->targetCode)
      .ExtractStringStorage();
}
QV_EXPORT(textConverterConvert)

void textConverterClear(TextConverterObject*) {}
QV_EXPORT(textConverterClear)

void textConverterDestructor(RuntimeObject*) {}
QV_EXPORT(textConverterDestructor)

}  // extern "C"
