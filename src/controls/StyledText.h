// The styled-text language classes: "StyledText", which forwards every request to a
// StyledTextDelegate (its own StyledTextBaseImp, or a styled field it is linked to and does
// not own), the value classes "StyleRun", "Range" and "Paragraph", and "StyledTextPrinter",
// which this platform does not print with.
#pragma once

#include <cstddef>
#include <cstdint>

#include "controls/EditControl.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct StyledTextObject {
  RuntimeObject header;
  StyledTextDelegate* delegate;  // nil once unlinked
  uint8_t ownsDelegate;
};
static_assert(sizeof(StyledTextObject) == 32, "StyledText instances");

struct StyleRunObject {
  RuntimeObject header;
  uint8_t bold;
  uint8_t italic;
  uint8_t underline;
  uint32_t textColor;
  stringStorage* font;
  int32_t size;
  stringStorage* text;
};
static_assert(sizeof(StyleRunObject) == 44 && offsetof(StyleRunObject, textColor) == 28 &&
                  offsetof(StyleRunObject, font) == 32 && offsetof(StyleRunObject, text) == 40,
              "StyleRun fields are read by compiled code");

struct RangeObject {
  RuntimeObject header;
  int32_t startPos;
  int32_t endPos;
  int32_t length;
};
static_assert(sizeof(RangeObject) == 36, "Range instances");

struct ParagraphObject {
  RangeObject range;
  int32_t alignment;
};
static_assert(sizeof(ParagraphObject) == 40, "Paragraph instances");

ObjectDefinition* StyledTextClassDefinition();
ObjectDefinition* StyleRunClassDefinition();
ObjectDefinition* RangeClassDefinition();
ObjectDefinition* ParagraphClassDefinition();
ObjectDefinition* StyledTextPrinterClassDefinition();
// StyledText, StyleRun, Paragraph, Range, in that order.
void RegisterStyledTextClasses();

// A StyledText object working on delegate, which it does not own (a styled field); nil
// unlinks it. A delegate it owned is destroyed first.
void LinkStyledTextDelegate(RuntimeObject* styledText, StyledTextDelegate* delegate);

// A new StyleRun object (one reference for the caller) from run, and back.
RuntimeObject* NewStyleRunObject(const StyleRunInfo& run);
StyleRunInfo StyleRunFromObject(RuntimeObject* run);

extern "C" {
void StyledTextClassInitializer(RuntimeObject* object);
void StyledTextClassFinalizer(RuntimeObject* object);
stringStorage* StyledTextGetter(RuntimeObject* object);
void StyledTextSetter(RuntimeObject* object, stringStorage* value);
int32_t StyledTextGetBold(RuntimeObject* object, int32_t start, int32_t length);
void StyledTextSetBold(RuntimeObject* object, int32_t start, int32_t length, int32_t value);
int32_t StyledTextGetItalic(RuntimeObject* object, int32_t start, int32_t length);
void StyledTextSetItalic(RuntimeObject* object, int32_t start, int32_t length, int32_t value);
int32_t StyledTextGetUnderline(RuntimeObject* object, int32_t start, int32_t length);
void StyledTextSetUnderline(RuntimeObject* object, int32_t start, int32_t length,
                            int32_t value);
stringStorage* StyledTextGetFont(RuntimeObject* object, int32_t start, int32_t length);
void StyledTextSetFont(RuntimeObject* object, int32_t start, int32_t length,
                       stringStorage* value);
int32_t StyledTextGetSize(RuntimeObject* object, int32_t start, int32_t length);
void StyledTextSetSize(RuntimeObject* object, int32_t start, int32_t length, int32_t value);
uint32_t StyledTextGetColor(RuntimeObject* object, int32_t start, int32_t length);
void StyledTextSetColor(RuntimeObject* object, int32_t start, int32_t length, uint32_t value);
int32_t StyledTextRunCountGetter(RuntimeObject* object);
RuntimeObject* StyledTextRunGetter(RuntimeObject* object, int32_t index);
RuntimeObject* TextRangeGetter(RuntimeObject* object, int32_t index);
void InsertStyledTextRun(RuntimeObject* object, RuntimeObject* run, int32_t index);
void AppendStyledTextRun(RuntimeObject* object, RuntimeObject* run);
void RemoveStyledTextRun(RuntimeObject* object, int32_t index);
int32_t StyledTextParagraphCountGetter(RuntimeObject* object);
RuntimeObject* StyledTextParagraphGetter(RuntimeObject* object, int32_t index);
void StyledTextSetAlignment(RuntimeObject* object, int32_t index, int32_t alignment);
int32_t RangeEndPosGetter(RuntimeObject* object, uint32_t parameter);
void StyleRunQVConstructor(RuntimeObject* object, stringStorage* text);
void StyleRunDestructor(RuntimeObject* object);
void styledPrinterDrawBlock(RuntimeObject* printer, int32_t x, int32_t y, int32_t height);
void styledPrinterWidthSetter(RuntimeObject* printer, uint32_t parameter, int32_t width);
void StyledTextDestructor(RuntimeObject* printer);
int32_t styledPrinterEOF(RuntimeObject* printer, uint32_t parameter);
}
