// The Graphics class: its table, construction and properties (the methods are in
// GraphicsMethods.cpp).
#include "graphics/GraphicsClass.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/Startup.h"

namespace {

using namespace lang;

#define QV_GRAPHICS_PROPERTY(name, type, accessor) \
  QV_PROPERTY(name, type, accessor##Getter, accessor##Setter).Flags(kRowEveryTarget)
#define QV_GRAPHICS_READONLY(name, accessor) \
  QV_READONLY(name, Integer, accessor##Getter).Flags(kRowEveryTarget)

const PropertyRow kGraphicsProperties[] = {
    QV_GRAPHICS_PROPERTY("ForeColor", Color, graphicsForeColor),
    QV_GRAPHICS_READONLY("Width", graphicsWidth),
    QV_GRAPHICS_READONLY("Height", graphicsHeight),
    QV_GRAPHICS_PROPERTY("TextFont", String, graphicsTextFont),
    QV_GRAPHICS_PROPERTY("TextSize", Integer, graphicsTextSize),
    QV_GRAPHICS_READONLY("Copies", graphicsCopies),
    QV_GRAPHICS_READONLY("FirstPage", graphicsFirstPage),
    QV_GRAPHICS_READONLY("LastPage", graphicsLastPage),
    QV_GRAPHICS_PROPERTY("Bold", Boolean, graphicsBold),
    QV_GRAPHICS_PROPERTY("Italic", Boolean, graphicsItalic),
    QV_GRAPHICS_PROPERTY("Underline", Boolean, graphicsUnderline),
    QV_GRAPHICS_PROPERTY("PenWidth", Integer, graphicsPenWidth),
    QV_GRAPHICS_PROPERTY("PenHeight", Integer, graphicsPenHeight),
    QV_GRAPHICS_PROPERTY("UseOldRenderer", Boolean, graphicsUseOldRenderer),
    QV_VARIABLE("__qvf_mImp", Integer).Flags(kRowEveryTarget),
};

constexpr Param Coordinate(const char* name) { return Param(name, Integer); }

// The constants (TextDirectionUnknown -1,
// TextDirectionLeftToRight 0, TextDirectionRightToLeft 1, HandleTypeHDC 1, HandleTypeCGrafPtr
// 2, HandleTypeGdkDrawablePtr 3, HandleTypeGdkGCPtr 4) are the compiler's: it knows their
// values, so the class registers nothing for them.
const MethodRow kGraphicsMethods[] = {
    QV_SUB("ClearRect", RuntimeGraphicsClearRect, Coordinate("x"), Coordinate("y"),
           Coordinate("width"), Coordinate("height")),
    QV_SUB("DrawLine", RuntimeGraphicsDrawLine, Coordinate("x1"), Coordinate("y1"),
           Coordinate("x2"), Coordinate("y2")),
    QV_SUB("DrawOval", RuntimeGraphicsDrawOval, Coordinate("x"), Coordinate("y"),
           Coordinate("width"), Coordinate("height")),
    QV_SUB("DrawRect", RuntimeGraphicsDrawRect, Coordinate("x"), Coordinate("y"),
           Coordinate("width"), Coordinate("height")),
    QV_SUB("DrawRoundRect", RuntimeGraphicsDrawRoundRect, Coordinate("x"), Coordinate("y"),
           Coordinate("width"), Coordinate("height"), Coordinate("arcWidth"),
           Coordinate("arcHeight")),
    QV_SUB("FillOval", RuntimeGraphicsFillOval, Coordinate("x"), Coordinate("y"),
           Coordinate("width"), Coordinate("height")),
    QV_SUB("FillRect", RuntimeGraphicsFillRect, Coordinate("x"), Coordinate("y"),
           Coordinate("width"), Coordinate("height")),
    QV_SUB("FillRoundRect", RuntimeGraphicsFillRoundRect, Coordinate("x"), Coordinate("y"),
           Coordinate("width"), Coordinate("height"), Coordinate("arcWidth"),
           Coordinate("arcHeight")),
    QV_SUB("DrawPicture", RuntimeGraphicsDrawPicture, Param("image", Class<"Picture">),
           Coordinate("x"), Coordinate("y"), Coordinate("w1").Default(uint32_t(-10000)),
           Coordinate("h1").Default(uint32_t(-10000)), Coordinate("sx").Default(0),
           Coordinate("sy").Default(0), Coordinate("w2").Default(uint32_t(-10000)),
           Coordinate("h2").Default(uint32_t(-10000))),
    QV_SUB("DrawString", RuntimeGraphicsDrawStringCondensed, Param("str", String),
           Coordinate("x"), Coordinate("y"), Coordinate("width").Default(0),
           Param("condense", Boolean).Default(0)),
    QV_SUB("DrawObject", RuntimeGraphicsDrawObjectXY, Param("object2D", Class<"Object2D">),
           Coordinate("deltaX").Default(0), Coordinate("deltaY").Default(0)),
    QV_FUNCTION("StringWidth", Integer, RuntimeGraphicsStringWidth, Param("Text", String)),
    QV_FUNCTION("StringHeight", Integer, RuntimeGraphicsStringHeight, Param("Text", String),
                Coordinate("WrapWidth")),
    QV_FUNCTION("StringDirection", Integer, RuntimeGraphicsStringDirection,
                Param("Text", String)),
    QV_FUNCTION("TextHeight", Integer, RuntimeGraphicsTextHeight),
    QV_FUNCTION("TextAscent", Integer, RuntimeGraphicsTextAscent),
    QV_SUB("NextPage", RuntimeGraphicsNextPage),
    QV_SUB("DrawStopIcon", graphicsDrawStopIcon, Coordinate("x"), Coordinate("y")),
    QV_SUB("DrawNoteIcon", graphicsDrawNoteIcon, Coordinate("x"), Coordinate("y")),
    QV_SUB("DrawCautionIcon", graphicsDrawCautionIcon, Coordinate("x"), Coordinate("y")),
    QV_FUNCTION_ASSIGNS("Pixel", Color, graphicsPixelGetter, graphicsPixelSetter,
                        Coordinate("x"), Coordinate("y")),
    QV_SUB("DrawPolygon", graphicsDrawPolygon, Param("points", ArrayOf<Integer>)),
    QV_SUB("FillPolygon", graphicsFillPolygon, Param("points", ArrayOf<Integer>)),
    QV_SUB("_DrawFocusRing", RuntimeGraphicsDrawFocusRing, Coordinate("x"), Coordinate("y"),
           Coordinate("width"), Coordinate("height")),
    QV_FUNCTION("Handle", Integer, RuntimeGraphicsHandleGetter, Param("type", Integer)),
};

GraphicsObject* AsGraphics(RuntimeObject* object) {
  return reinterpret_cast<GraphicsObject*>(object);
}

// The object's native Graphics for a property; nil for a nil object (after the exception) or
// an object without one.
Graphics* PropertyGraphics(RuntimeObject* object) {
  if (!object) {
    RaiseNilObjectException();
    return nullptr;
  }
  return AsGraphics(object)->native;
}

int32_t StyleBit(RuntimeObject* object, uint32_t bit) {
  const Graphics* g = PropertyGraphics(object);
  return g && (g->TextStyle() & bit) ? 1 : 0;
}

void SetStyleBit(RuntimeObject* object, uint32_t bit, int32_t set) {
  Graphics* g = PropertyGraphics(object);
  if (!g) return;
  g->SetTextStyle(set ? g->TextStyle() | bit : g->TextStyle() & ~bit);
}

int32_t TargetSize(RuntimeObject* object, bool width) {
  const Graphics* g = PropertyGraphics(object);
  if (!g || !g->Target()) return 0;
  const QV::Rect& bounds = g->Target()->GetBounds();
  return width ? bounds.right - bounds.left : bounds.bottom - bounds.top;
}

int32_t PrintField(RuntimeObject* object, int32_t GraphicsObject::*field) {
  if (!object) {
    RaiseNilObjectException();
    return 0;
  }
  return AsGraphics(object)->*field;
}

}  // namespace

QV_CLASS(GraphicsClassDefinition,
         .name = "Graphics",
         .objectSize = sizeof(GraphicsObject),
         .properties = kGraphicsProperties,
         .methods = kGraphicsMethods,
         .finalizer = QV_CODE(RuntimeGraphicsDestructor))
QV_STARTUP_CLASS(kStartupGraphicsClass, GraphicsClassDefinition)

RuntimeObject* NewGraphicsObject(Graphics* native) {
  RuntimeObject* object = NewObjectFromDefinition(GraphicsClassDefinition());
  if (object) AsGraphics(object)->native = native;
  return object;
}

void SetNativeGraphics(RuntimeObject* object, Graphics* native) {
  if (object) AsGraphics(object)->native = native;
}

void GraphicsPaneOrigin(RuntimeObject* graphics, int32_t* left, int32_t* top) {
  *left = *top = 0;
  const Graphics* g = NativeGraphicsOf(graphics);
  if (g && g->TargetLost()) return;
  if (!QV_CHECK_TEXT(g && g->Target(), "thePane", nullptr)) return;
  *left = g->Target()->GetBounds().left;
  *top = g->Target()->GetBounds().top;
}

extern "C" uint32_t graphicsForeColorGetter(RuntimeObject* object, uint32_t) {
  const Graphics* g = PropertyGraphics(object);
  return g ? RGBFromColor(g->ForeColor()) : 0;
}
QV_EXPORT(graphicsForeColorGetter)

extern "C" void graphicsForeColorSetter(RuntimeObject* object, uint32_t, uint32_t color) {
  if (Graphics* g = PropertyGraphics(object)) g->SetForeColor(ColorFromRGB(color));
}
QV_EXPORT(graphicsForeColorSetter)

extern "C" int32_t graphicsWidthGetter(RuntimeObject* object, uint32_t) {
  return TargetSize(object, true);
}
QV_EXPORT(graphicsWidthGetter)

extern "C" int32_t graphicsHeightGetter(RuntimeObject* object, uint32_t) {
  return TargetSize(object, false);
}
QV_EXPORT(graphicsHeightGetter)

extern "C" stringStorage* graphicsTextFontGetter(RuntimeObject* object, uint32_t) {
  const Graphics* g = PropertyGraphics(object);
  return g ? g->TextFont().ExtractStringStorage() : nullptr;
}
QV_EXPORT(graphicsTextFontGetter)

extern "C" void graphicsTextFontSetter(RuntimeObject* object, uint32_t, stringStorage* font) {
  if (Graphics* g = PropertyGraphics(object)) g->SetTextFont(string(font));
}
QV_EXPORT(graphicsTextFontSetter)

extern "C" int32_t graphicsTextSizeGetter(RuntimeObject* object, uint32_t) {
  const Graphics* g = PropertyGraphics(object);
  return g ? g->TextSize() : 0;
}
QV_EXPORT(graphicsTextSizeGetter)

extern "C" void graphicsTextSizeSetter(RuntimeObject* object, uint32_t, int32_t size) {
  if (Graphics* g = PropertyGraphics(object)) g->SetTextSize(size);
}
QV_EXPORT(graphicsTextSizeSetter)

extern "C" int32_t graphicsCopiesGetter(RuntimeObject* object, uint32_t) {
  return PrintField(object, &GraphicsObject::copies);
}
QV_EXPORT(graphicsCopiesGetter)

extern "C" int32_t graphicsFirstPageGetter(RuntimeObject* object, uint32_t) {
  return PrintField(object, &GraphicsObject::firstPage);
}
QV_EXPORT(graphicsFirstPageGetter)

extern "C" int32_t graphicsLastPageGetter(RuntimeObject* object, uint32_t) {
  return PrintField(object, &GraphicsObject::lastPage);
}
QV_EXPORT(graphicsLastPageGetter)

extern "C" int32_t graphicsBoldGetter(RuntimeObject* object, uint32_t) {
  return StyleBit(object, kStyleBold);
}
QV_EXPORT(graphicsBoldGetter)

extern "C" void graphicsBoldSetter(RuntimeObject* object, uint32_t, int32_t bold) {
  SetStyleBit(object, kStyleBold, bold);
}
QV_EXPORT(graphicsBoldSetter)

extern "C" int32_t graphicsItalicGetter(RuntimeObject* object, uint32_t) {
  return StyleBit(object, kStyleItalic);
}
QV_EXPORT(graphicsItalicGetter)

extern "C" void graphicsItalicSetter(RuntimeObject* object, uint32_t, int32_t italic) {
  SetStyleBit(object, kStyleItalic, italic);
}
QV_EXPORT(graphicsItalicSetter)

extern "C" int32_t graphicsUnderlineGetter(RuntimeObject* object, uint32_t) {
  return StyleBit(object, kStyleUnderline);
}
QV_EXPORT(graphicsUnderlineGetter)

extern "C" void graphicsUnderlineSetter(RuntimeObject* object, uint32_t, int32_t underline) {
  SetStyleBit(object, kStyleUnderline, underline);
}
QV_EXPORT(graphicsUnderlineSetter)

extern "C" int32_t graphicsPenWidthGetter(RuntimeObject* object, uint32_t) {
  const Graphics* g = PropertyGraphics(object);
  return g ? g->PenWidth() : 0;
}
QV_EXPORT(graphicsPenWidthGetter)

extern "C" void graphicsPenWidthSetter(RuntimeObject* object, uint32_t, int32_t width) {
  if (Graphics* g = PropertyGraphics(object)) g->SetPenSize(width, g->PenHeight());
}
QV_EXPORT(graphicsPenWidthSetter)

extern "C" int32_t graphicsPenHeightGetter(RuntimeObject* object, uint32_t) {
  const Graphics* g = PropertyGraphics(object);
  return g ? g->PenHeight() : 0;
}
QV_EXPORT(graphicsPenHeightGetter)

extern "C" void graphicsPenHeightSetter(RuntimeObject* object, uint32_t, int32_t height) {
  if (Graphics* g = PropertyGraphics(object)) g->SetPenSize(g->PenWidth(), height);
}
QV_EXPORT(graphicsPenHeightSetter)

// The renderer is GDK's whatever the application asks for.
extern "C" int32_t graphicsUseOldRendererGetter(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(graphicsUseOldRendererGetter)

extern "C" void graphicsUseOldRendererSetter(RuntimeObject*, uint32_t, int32_t) {}
QV_EXPORT(graphicsUseOldRendererSetter)

extern "C" void RuntimeGraphicsDestructor(RuntimeObject* object) {
  GraphicsObject* graphics = AsGraphics(object);
  Graphics::Destroy(graphics->native);
  graphics->native = nullptr;
}
QV_EXPORT(RuntimeGraphicsDestructor)
