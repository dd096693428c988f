// The language class "Graphics": each object wraps one native Graphics, which it owns and
// destroys with itself; a caller that lends an object a Graphics for a while sets the field and
// clears it again before letting the object go.
//
// The methods take coordinates relative to the pane the object draws into and add the pane's
// left and top (GraphicsPaneOrigin). A drawing method on an object without a pane is a failed
// check ("thePane") and draws nothing; drawing into an off-screen surface first drops the
// surface's cached pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "arrays/RuntimeArray.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "graphics/Graphics.h"

struct GraphicsObject {
  RuntimeObject header;
  int32_t imp;        // the hidden __qvf_mImp
  Graphics* native;   // owned; nil when the object has none
  int32_t copies;     // of a print job; read-only to the language
  int32_t firstPage;
  int32_t lastPage;
};
static_assert(sizeof(GraphicsObject) == 44, "Graphics objects are 44 bytes");
static_assert(offsetof(GraphicsObject, native) == 28, "GraphicsObject layout");

ObjectDefinition* GraphicsClassDefinition();

// A new Graphics object (count 1, the caller's) that owns native.
RuntimeObject* NewGraphicsObject(Graphics* native);
// The object's native Graphics, or nil (also for nil).
inline Graphics* NativeGraphicsOf(RuntimeObject* object) {
  return object ? reinterpret_cast<GraphicsObject*>(object)->native : nullptr;
}
// Sets the field without destroying what it held: the caller lends and takes back.
void SetNativeGraphics(RuntimeObject* object, Graphics* native);

// The left and top of the pane graphics draws into; a failed check ("thePane"), and 0, 0, when
// it has none.
void GraphicsPaneOrigin(RuntimeObject* graphics, int32_t* left, int32_t* top);

extern "C" {
// ---- properties ----
// The foreground colour as 0xRRGGBB; black without a native Graphics.
uint32_t graphicsForeColorGetter(RuntimeObject* object, uint32_t unused);
void graphicsForeColorSetter(RuntimeObject* object, uint32_t unused, uint32_t color);
int32_t graphicsWidthGetter(RuntimeObject* object, uint32_t unused);
int32_t graphicsHeightGetter(RuntimeObject* object, uint32_t unused);
stringStorage* graphicsTextFontGetter(RuntimeObject* object, uint32_t unused);
void graphicsTextFontSetter(RuntimeObject* object, uint32_t unused, stringStorage* font);
int32_t graphicsTextSizeGetter(RuntimeObject* object, uint32_t unused);
void graphicsTextSizeSetter(RuntimeObject* object, uint32_t unused, int32_t size);
int32_t graphicsCopiesGetter(RuntimeObject* object, uint32_t unused);
int32_t graphicsFirstPageGetter(RuntimeObject* object, uint32_t unused);
int32_t graphicsLastPageGetter(RuntimeObject* object, uint32_t unused);
int32_t graphicsBoldGetter(RuntimeObject* object, uint32_t unused);
void graphicsBoldSetter(RuntimeObject* object, uint32_t unused, int32_t bold);
int32_t graphicsItalicGetter(RuntimeObject* object, uint32_t unused);
void graphicsItalicSetter(RuntimeObject* object, uint32_t unused, int32_t italic);
int32_t graphicsUnderlineGetter(RuntimeObject* object, uint32_t unused);
void graphicsUnderlineSetter(RuntimeObject* object, uint32_t unused, int32_t underline);
int32_t graphicsPenWidthGetter(RuntimeObject* object, uint32_t unused);
void graphicsPenWidthSetter(RuntimeObject* object, uint32_t unused, int32_t width);
int32_t graphicsPenHeightGetter(RuntimeObject* object, uint32_t unused);
void graphicsPenHeightSetter(RuntimeObject* object, uint32_t unused, int32_t height);
int32_t graphicsUseOldRendererGetter(RuntimeObject* object, uint32_t unused);
void graphicsUseOldRendererSetter(RuntimeObject* object, uint32_t unused, int32_t use);

// ---- drawing ----
void RuntimeGraphicsClearRect(RuntimeObject* g, int32_t x, int32_t y, int32_t width,
                              int32_t height);
void RuntimeGraphicsDrawLine(RuntimeObject* g, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void RuntimeGraphicsDrawOval(RuntimeObject* g, int32_t x, int32_t y, int32_t width,
                             int32_t height);
void RuntimeGraphicsDrawRect(RuntimeObject* g, int32_t x, int32_t y, int32_t width,
                             int32_t height);
void RuntimeGraphicsDrawRoundRect(RuntimeObject* g, int32_t x, int32_t y, int32_t width,
                                  int32_t height, int32_t arcWidth, int32_t arcHeight);
void RuntimeGraphicsFillOval(RuntimeObject* g, int32_t x, int32_t y, int32_t width,
                             int32_t height);
void RuntimeGraphicsFillRect(RuntimeObject* g, int32_t x, int32_t y, int32_t width,
                             int32_t height);
void RuntimeGraphicsFillRoundRect(RuntimeObject* g, int32_t x, int32_t y, int32_t width,
                                  int32_t height, int32_t arcWidth, int32_t arcHeight);
void RuntimeGraphicsDrawFocusRing(RuntimeObject* g, int32_t x, int32_t y, int32_t width,
                                  int32_t height);
// Width 0: one line, y the baseline; condensed into width, else wrapped into it.
void RuntimeGraphicsDrawStringCondensed(RuntimeObject* g, stringStorage* text, int32_t x,
                                        int32_t y, int32_t width, int32_t condense);
void RuntimeGraphicsDrawString(RuntimeObject* g, stringStorage* text, int32_t x, int32_t y,
                               int32_t width);
void RuntimeGraphicsDrawObjectXY(RuntimeObject* g, RuntimeObject* shape, int32_t deltaX,
                                 int32_t deltaY);
void RuntimeGraphicsDrawObject(RuntimeObject* g, RuntimeObject* shape);
// Part of image (w2 x h2 at sx, sy) into w1 x h1 at (x, y); -10000 for a size takes the
// picture's (w1, h1) or the destination's (w2, h2). A vector picture draws its shapes, clipped.
void RuntimeGraphicsDrawPicture(RuntimeObject* g, RuntimeObject* image, int32_t x, int32_t y,
                                int32_t w1, int32_t h1, int32_t sx, int32_t sy, int32_t w2,
                                int32_t h2);
// Points x1, y1, x2, y2, ... from element 1, relative to the pane.
void graphicsDrawPolygon(RuntimeObject* g, RuntimeArray* points);
void graphicsFillPolygon(RuntimeObject* g, RuntimeArray* points);
void graphicsDrawStopIcon(RuntimeObject* g, int32_t x, int32_t y);
void graphicsDrawNoteIcon(RuntimeObject* g, int32_t x, int32_t y);
void graphicsDrawCautionIcon(RuntimeObject* g, int32_t x, int32_t y);
uint32_t graphicsPixelGetter(RuntimeObject* g, int32_t x, int32_t y);
void graphicsPixelSetter(RuntimeObject* g, int32_t x, int32_t y, uint32_t color);
void RuntimeGraphicsNextPage(RuntimeObject* g);

// ---- measuring ----
int32_t RuntimeGraphicsStringWidth(RuntimeObject* g, stringStorage* text);
int32_t RuntimeGraphicsStringHeight(RuntimeObject* g, stringStorage* text, int32_t wrapWidth);
int32_t RuntimeGraphicsStringDirection(RuntimeObject* g, stringStorage* text);
int32_t RuntimeGraphicsTextHeight(RuntimeObject* g);
int32_t RuntimeGraphicsTextAscent(RuntimeObject* g);
// 3 the GDK drawable, 4 its graphics context; 0 for any other type.
uintptr_t RuntimeGraphicsHandleGetter(RuntimeObject* g, int32_t type);

void RuntimeGraphicsDestructor(RuntimeObject* object);
}
