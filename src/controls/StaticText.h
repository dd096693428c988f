// The language class "StaticText": a label control whose pane (StaticTextGeneric) shows its
// caption in one font and colour, aligned and optionally wrapped; it reports mouse presses,
// drags and releases and its accelerator key, and can show a value bound from a data control
// (the caption setter is its StringInterface's setString). Text and Caption are one field.
#pragma once

#include <cstddef>
#include <cstdint>

#include "controls/RuntimeControl.h"
#include "core/ObjectDefinition.h"

struct StaticTextObject {
  ControlObject control;
  stringStorage* textFont;  // TextFont
  uint8_t bold;
  uint8_t italic;
  uint8_t underline;
  uint8_t unused1;
  int16_t textSize;
  uint8_t unused2[2];
  stringStorage* text;  // Text and Caption
  int16_t textAlign;    // 0 left, 1 centre, 2 right
  uint8_t unused3[2];
  uint32_t textColor;  // 0xRRGGBB
  uint8_t multiLine;
  uint8_t mouseDownHandled;  // the answer of the last MouseDown handler
  uint8_t unused4[2];
  stringStorage* dataSource;  // DataSource
  stringStorage* dataField;   // DataField
};
static_assert(sizeof(StaticTextObject) == 160 && offsetof(StaticTextObject, textFont) == 124 &&
                  offsetof(StaticTextObject, bold) == 128 &&
                  offsetof(StaticTextObject, textSize) == 132 &&
                  offsetof(StaticTextObject, text) == 136 &&
                  offsetof(StaticTextObject, textAlign) == 140 &&
                  offsetof(StaticTextObject, textColor) == 144 &&
                  offsetof(StaticTextObject, multiLine) == 148 &&
                  offsetof(StaticTextObject, dataSource) == 152,
              "StaticText instances are 160 bytes");

inline StaticTextObject* AsStaticText(RuntimeObject* object) {
  return reinterpret_cast<StaticTextObject*>(object);
}

ObjectDefinition* StaticTextClassDefinition();

extern "C" {
void StaticTextCreatePane(RuntimeObject* label);
void StaticTextDestructor(RuntimeObject* label);
void StaticTextSetString(RuntimeObject* label, stringStorage* text);
void staticCaptionSetter(RuntimeObject* label, uint32_t parameter, stringStorage* text);
void staticTextAlignSetter(RuntimeObject* label, uint32_t parameter, int32_t alignment);
void staticTextColorSetter(RuntimeObject* label, uint32_t parameter, uint32_t color);
void staticTextFontSetter(RuntimeObject* label, uint32_t parameter, stringStorage* font);
void staticTextSizeSetter(RuntimeObject* label, uint32_t parameter, int32_t size);
void staticAttributeSetter(RuntimeObject* label, uint32_t offset, int32_t value);
void StaticTextMultilineSetter(RuntimeObject* label, uint32_t parameter, int32_t multiLine);
stringStorage* StaticTextDataSourceGetter(RuntimeObject* label, uint32_t parameter);
void StaticTextDataSourceSetter(RuntimeObject* label, uint32_t parameter, stringStorage* name);
void StaticTextDataFieldSetter(RuntimeObject* label, uint32_t parameter, stringStorage* name);
}
