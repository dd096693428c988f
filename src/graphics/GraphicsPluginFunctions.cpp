#include "graphics/GraphicsPluginFunctions.h"

#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/GraphicsClass.h"
#include "strings/TextStyle.h"

namespace {

// The native context of a Graphics object; nil for anything else a plug-in hands us.
Graphics* NativeContext(RuntimeObject* graphics) {
  if (!graphics || !ObjectIsaDefinition(graphics, GraphicsClassDefinition())) return nullptr;
  return NativeGraphicsOf(graphics);
}

}  // namespace

extern "C" void QUORGetGraphicsFontStyle(RuntimeObject* graphics, PluginGraphicsStyle* style) {
  Graphics* native = NativeContext(graphics);
  if (!native || !style) return;
  stringStorage* font = native->TextFont().ExtractStringStorage();
  stringStorage::RemoveReference(style->fontName);
  style->fontName = font;
  style->textSize = native->TextSize();
  style->color = graphicsForeColorGetter(graphics, 0);
  const uint32_t bits = native->TextStyle();
  style->bold = (bits & kStyleBold) ? 1 : 0;
  style->italic = (bits & kStyleItalic) ? 1 : 0;
  style->underline = (bits & kStyleUnderline) ? 1 : 0;
  style->reserved = 0;
}
QV_EXPORT(QUORGetGraphicsFontStyle)

extern "C" void QUORGetGraphicsOrigin(RuntimeObject* graphics, int32_t* x, int32_t* y) {
  const Graphics* native = NativeContext(graphics);
  if (x) *x = native ? native->OriginX() : 0;
  if (y) *y = native ? native->OriginY() : 0;
}
QV_EXPORT(QUORGetGraphicsOrigin)

extern "C" void QUORSetGraphicsOrigin(RuntimeObject* graphics, int32_t x, int32_t y) {
  if (Graphics* native = NativeContext(graphics)) native->SetOrigin(x, y);
}
QV_EXPORT(QUORSetGraphicsOrigin)

extern "C" void QUORSetGraphicsStyle(RuntimeObject* graphics, const PluginGraphicsStyle* style) {
  Graphics* native = NativeContext(graphics);
  if (!native || !style) return;
  if (stringStorage::Length(style->fontName) > 0) native->SetTextFont(string(style->fontName));
  native->SetTextSize(style->textSize);
  graphicsForeColorSetter(graphics, 0, style->color);
  native->SetTextStyle((style->bold ? kStyleBold : 0) | (style->italic ? kStyleItalic : 0) |
                       (style->underline ? kStyleUnderline : 0));
}
QV_EXPORT(QUORSetGraphicsStyle)

extern "C" void* QUORGraphicsDC(RuntimeObject* graphics) {
  Graphics* native = NativeContext(graphics);
  return native ? reinterpret_cast<void*>(native->GetHandle(kHandleGdkGC)) : nullptr;
}
QV_EXPORT(QUORGraphicsDC)

extern "C" void* QUORGraphicsGdkDrawable(RuntimeObject* graphics) {
  Graphics* native = NativeContext(graphics);
  return native ? reinterpret_cast<void*>(native->GetHandle(kHandleGdkDrawable)) : nullptr;
}
QV_EXPORT(QUORGraphicsGdkDrawable)
