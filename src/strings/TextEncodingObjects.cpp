#include "strings/TextEncodingObjects.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/IntMap.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "strings/TextEncoding.h"
#include "strings/UTF8.h"

namespace {

using namespace lang;

const PropertyRow kTextEncodingProperties[] = {
    QV_READONLY("base", Integer, textEncodingBaseGetter),
    QV_READONLY("variant", Integer, textEncodingVariantGetter),
    QV_READONLY("format", Integer, textEncodingFormatGetter),
    QV_READONLY("internetName", String, textEncodingInternetName),
    QV_READONLY("code", Integer, intGetter, offsetof(TextEncodingObject, code)),
};
const MethodRow kTextEncodingMethods[] = {
    QV_FUNCTION("Chr", String, TextEncodingChr, Param("codePoint", Integer)),
    QV_FUNCTION("Equals", Boolean, TextEncodingEquals,
                Param("otherEncoding", Class<"TextEncoding">)),
};

const MethodRow kTextConverterMethods[] = {
    QV_FUNCTION("convert", String, textConverterConvert, Param("text", String)),
    QV_SUB("clear", textConverterClear),
};

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

QV_CLASS(TextEncodingClassDefinition,
         .name = "TextEncoding",
         .objectSize = sizeof(TextEncodingObject),
         .properties = kTextEncodingProperties,
         .methods = kTextEncodingMethods)

QV_CLASS(TextConverterClassDefinition,
         .name = "TextConverter",
         .objectSize = sizeof(TextConverterObject),
         .methods = kTextConverterMethods,
         .finalizer = QV_CODE(textConverterDestructor))

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
