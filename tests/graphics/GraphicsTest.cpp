// The language object that wraps a drawing context (the context itself draws in the window
// layer's tests, on panes and pixmaps).
#include <gtest/gtest.h>

#include "graphics/GraphicsClass.h"

namespace {

class DestroyedGraphics : public Graphics {
 public:
  explicit DestroyedGraphics(bool* flag) : Graphics(nullptr), mFlag(flag) {}
  ~DestroyedGraphics() override { *mFlag = true; }

 private:
  bool* mFlag;
};

TEST(GraphicsClass, TheObjectOwnsItsContextAndReadsTheForegroundThroughIt) {
  bool destroyed = false;
  RuntimeObject* object = NewGraphicsObject(new DestroyedGraphics(&destroyed));
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(graphicsForeColorGetter(object, 0), 0u);
  graphicsForeColorSetter(object, 0, 0xA0B0C0);
  EXPECT_EQ(graphicsForeColorGetter(object, 0), 0xA0B0C0u);
  EXPECT_EQ(NativeGraphicsOf(object)->ForeColor(), (RGBColor16{0xA0A0, 0xB0B0, 0xC0C0}));
  // Lent and taken back: the object leaves the lender's context alone.
  Graphics lent(nullptr);
  Graphics* own = NativeGraphicsOf(object);
  SetNativeGraphics(object, &lent);
  graphicsForeColorSetter(object, 0, 0x010203);
  EXPECT_EQ(RGBFromColor(lent.ForeColor()), 0x010203u);
  SetNativeGraphics(object, own);
  RuntimeUnlockObject(object);
  EXPECT_TRUE(destroyed);
  RuntimeObject* empty = NewGraphicsObject(nullptr);
  EXPECT_EQ(graphicsForeColorGetter(empty, 0), 0u);
  graphicsForeColorSetter(empty, 0, 0xFFFFFF);  // nothing to set
  RuntimeUnlockObject(empty);
}

}  // namespace
