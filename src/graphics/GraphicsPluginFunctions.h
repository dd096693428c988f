// The plug-in interface's view of a Graphics object: its font and style, its drawing origin,
// and the GDK context and drawable behind it. A Graphics without a native context (or a nil one) reads as nothing: the style is
// left unwritten, the origin reads 0, 0 and setting it does nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// A plug-in's style record: font name, text size, foreground colour and the style flags.
struct PluginGraphicsStyle {
  uint32_t word0;
  stringStorage* fontName;  // holds one reference while the record has it
  int32_t textSize;
  uint32_t color;  // 0xRRGGBB
  uint8_t bold;    // 0 or 1
  uint8_t italic;
  uint8_t underline;
  uint8_t reserved;  // written as 0
};
static_assert(sizeof(PluginGraphicsStyle) == 20 && offsetof(PluginGraphicsStyle, fontName) == 4 &&
                  offsetof(PluginGraphicsStyle, textSize) == 8 &&
                  offsetof(PluginGraphicsStyle, color) == 12 &&
                  offsetof(PluginGraphicsStyle, bold) == 16,
              "the style record is the plug-ins' own");

extern "C" {
// Fills the record from the graphics' context; the font name it held loses the record's
// reference and the new one gains it.
void QUORGetGraphicsFontStyle(RuntimeObject* graphics, PluginGraphicsStyle* style);
// Either out-argument may be nil.
void QUORGetGraphicsOrigin(RuntimeObject* graphics, int32_t* x, int32_t* y);
void QUORSetGraphicsOrigin(RuntimeObject* graphics, int32_t x, int32_t y);
// Font (when the record names one), size, foreground colour and style bits from the record.
void QUORSetGraphicsStyle(RuntimeObject* graphics, const PluginGraphicsStyle* style);
// The target's GdkGC with the foreground set to the current colour, and its GdkDrawable; nil
// without a target.
void* QUORGraphicsDC(RuntimeObject* graphics);
void* QUORGraphicsGdkDrawable(RuntimeObject* graphics);
}
