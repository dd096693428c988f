// Text encodings as language objects: TextEncoding (an encoding's base, variant, format and
// 32-bit code), TextConverter (a source and target code), the shared object of each code, and
// the string methods that read, relabel and convert a string's encoding through them.
//
// Objects that GetTextEncodingObject answers are shared, one per code, and live until the
// process ends; every other constructor makes a new object. Every entry point hands its
// caller one reference.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

struct TextEncodingObject {
  RuntimeObject header;
  uint32_t base;
  uint32_t variant;
  uint32_t format;
  uint32_t made;  // 1 once the object is made
  uint32_t code;  // the code strings carry (TextEncoding)
};
static_assert(sizeof(TextEncodingObject) == 44, "TextEncoding objects are read by compiled code");
static_assert(offsetof(TextEncodingObject, base) == 24, "TextEncodingObject layout");
static_assert(offsetof(TextEncodingObject, code) == 40, "TextEncodingObject layout");

struct TextConverterObject {
  RuntimeObject header;
  uint32_t sourceCode;
  uint32_t targetCode;
  uint32_t reserved;  // the class has always declared one word more than it uses
};
static_assert(sizeof(TextConverterObject) == 36, "TextConverter objects are read by compiled code");
static_assert(offsetof(TextConverterObject, sourceCode) == 24, "TextConverterObject layout");

// Formats of an encoding's attributes for the 16-bit Unicode base.
constexpr uint32_t kUnicodeFormat16 = 0;
constexpr uint32_t kUnicodeFormatUTF8 = 2;
constexpr uint32_t kUnicodeFormat32 = 3;

ObjectDefinition* TextEncodingClassDefinition();
ObjectDefinition* TextConverterClassDefinition();

// A new TextEncoding of code with the attributes GetEncodingAttributes gives it.
TextEncodingObject* NewTextEncodingObject(TextEncoding code);

extern "C" {
// A new object; its code is UTF-8 for base 0x100 format 2, 32-bit Unicode for base 0x100
// format 3 (so that its strings convert as UCS-4), else the base.
TextEncodingObject* getTextEncoding(uint32_t base, uint32_t variant, uint32_t format);
TextEncodingObject* getInternetTextEncoding(stringStorage* name);  // nil on this platform
TextEncodingObject* getFontTextEncoding(stringStorage* fontName);
TextEncodingObject* GetTextEncodingObject(TextEncoding code);  // nil for kEncodingNone
TextEncoding GetEncodingFromTEObject(TextEncodingObject* object);  // kEncodingNone for nil

int32_t textEncodingBaseGetter(TextEncodingObject* object, uint32_t word);
int32_t textEncodingVariantGetter(TextEncodingObject* object, uint32_t word);
int32_t textEncodingFormatGetter(TextEncodingObject* object, uint32_t word);
stringStorage* textEncodingInternetName(TextEncodingObject* object, uint32_t word);
stringStorage* TextEncodingChr(TextEncodingObject* object, int32_t codePoint);
int32_t TextEncodingEquals(TextEncodingObject* a, TextEncodingObject* b);

TextEncodingObject* StringGetEncoding(stringStorage* s);
stringStorage* StringSetEncoding(stringStorage* s, TextEncodingObject* encoding);
stringStorage* StringConvertEncoding(stringStorage* s, TextEncodingObject* encoding);

TextConverterObject* getTextConverter(TextEncodingObject* source, TextEncodingObject* target);
stringStorage* textConverterConvert(TextConverterObject* converter, stringStorage* text);
void textConverterClear(TextConverterObject* converter);
void textConverterDestructor(RuntimeObject* converter);
}
