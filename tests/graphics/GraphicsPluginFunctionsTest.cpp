// What plug-ins read and set of a Graphics: its font and style into their own record, and its
// drawing origin; a Graphics without a context, nil, or another kind of object reads as none.
#include <gtest/gtest.h>

#include "controls/ControlClasses.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/GraphicsClass.h"
#include "graphics/GraphicsPluginFunctions.h"
#include "strings/TextStyle.h"
#include "support/TestSupport.h"

namespace {

TEST(GraphicsPluginFunctions, TheStyleRecordKeepsExactlyOneReferenceOnItsFontName) {
  RuntimeObject* graphics = NewGraphicsObject(Graphics::Create(nullptr));
  Graphics* native = NativeGraphicsOf(graphics);
  native->SetTextFont(string("Serif"));
  native->SetTextSize(17);
  native->SetTextStyle(kStyleBold | kStyleUnderline);
  graphicsForeColorSetter(graphics, 0, 0x123456);
  stringStorage* font = native->TextFont().Storage();
  const uint32_t held = font->refCount;

  PluginGraphicsStyle style{};
  style.reserved = 0xEE;
  QUORGetGraphicsFontStyle(graphics, &style);
  QUORGetGraphicsFontStyle(graphics, &style);
  EXPECT_EQ(style.fontName, font);
  EXPECT_EQ(font->refCount, held + 1);
  EXPECT_EQ(style.textSize, 17);
  EXPECT_EQ(style.color, 0x123456u);
  EXPECT_EQ(style.bold, 1);
  EXPECT_EQ(style.italic, 0);
  EXPECT_EQ(style.underline, 1);
  EXPECT_EQ(style.reserved, 0);

  // A new font: the record lets go of the old name and holds the new one.
  stringStorage::AddReference(font);  // the test's own, to watch the record let go
  native->SetTextFont(string("Mono"));
  QUORGetGraphicsFontStyle(graphics, &style);
  EXPECT_EQ(font->refCount, 1u);
  stringStorage::RemoveReference(font);
  EXPECT_STREQ(stringStorage::CString(style.fontName), "Mono");
  EXPECT_EQ(style.fontName->refCount, 2u);
  stringStorage::RemoveReference(style.fontName);

  QUORSetGraphicsOrigin(graphics, -3, 40);
  int32_t x = 0, y = 0;
  QUORGetGraphicsOrigin(graphics, &x, &y);
  EXPECT_EQ(x, -3);
  EXPECT_EQ(y, 40);
  EXPECT_EQ(native->OriginX(), -3);
  QUORGetGraphicsOrigin(graphics, nullptr, &y);
  RuntimeUnlockObject(graphics);
}

TEST(GraphicsPluginFunctions, WithoutAContextNothingIsWrittenAndTheOriginIsZero) {
  qvtest::ReportCapture capture;
  RuntimeObject* empty = NewGraphicsObject(nullptr);
  RuntimeObject* other = NewObjectFromDefinition(ObjectClassDefinition());
  for (RuntimeObject* graphics : {empty, other, static_cast<RuntimeObject*>(nullptr)}) {
    PluginGraphicsStyle style{7, nullptr, 8, 9, 1, 1, 1, 1};
    QUORGetGraphicsFontStyle(graphics, &style);
    EXPECT_EQ(style.textSize, 8);
    EXPECT_EQ(style.reserved, 1);
    QUORSetGraphicsOrigin(graphics, 5, 6);
    int32_t x = 11, y = 12;
    QUORGetGraphicsOrigin(graphics, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
  }
  QUORGetGraphicsFontStyle(nullptr, nullptr);
  RuntimeUnlockObject(other);
  RuntimeUnlockObject(empty);
  EXPECT_TRUE(capture.empty());
}

}  // namespace
