// The control base: the bulk property setter against the property table of real classes,
// control arrays renumbered by Close, enabling passed down to contained controls, geometry,
// instance handlers, a Close handler that closes another control of the pass; and the theme
// colours and class field accessors.
#include <gtest/gtest.h>

#include <cstring>

#include "ControlFixtures.h"
#include "app/ExternalClasses.h"
#include "controls/ControlAccessors.h"
#include "controls/PushButton.h"
#include "controls/ThemeColors.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/EventHandlers.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/TestSupport.h"
#include "windows/GtkDefaults.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

extern "C" void RuntimeMassPropertySetter(RuntimeObject* object, stringStorage* data);

namespace {

using qvtest::ControlPlan;

// A class with the value types push buttons lack: Double, Single, Color and a Ptr.
struct GaugeObject {
  RuntimeObject header;
  double ratio;
  float scale;
  uint32_t tint;
  void* handle;
};

extern "C" uint32_t gaugeTintGetter(RuntimeObject* object, uint32_t) {
  return reinterpret_cast<GaugeObject*>(object)->tint;
}
extern "C" void gaugeTintSetter(RuntimeObject* object, uint32_t, uint32_t tint) {
  reinterpret_cast<GaugeObject*>(object)->tint = tint;
}
extern "C" void* gaugeHandleGetter(RuntimeObject* object, uint32_t) {
  return reinterpret_cast<GaugeObject*>(object)->handle;
}
extern "C" void gaugeHandleSetter(RuntimeObject* object, uint32_t, void* handle) {
  reinterpret_cast<GaugeObject*>(object)->handle = handle;
}

const PropertyRow kGaugeProperties[] = {
    QV_PROPERTY("Ratio", lang::Double, doubleGetter, doubleSetter, offsetof(GaugeObject, ratio)),
    QV_PROPERTY("Scale", lang::Single, singleGetter, singleSetter, offsetof(GaugeObject, scale)),
    QV_PROPERTY("Tint", lang::Color, gaugeTintGetter, gaugeTintSetter),
    QV_PROPERTY("Handle", lang::Ptr, gaugeHandleGetter, gaugeHandleSetter),
};
QV_CLASS(GaugeClassDefinition,
         .name = "TestGauge",
         .objectSize = sizeof(GaugeObject),
         .properties = kGaugeProperties)

uint16_t PropertyIndex(RuntimeObject* object, const std::string& name) {
  const RuntimeClass* cls = object->classPtr;
  for (int32_t i = 0; i < cls->propertyCount; ++i) {
    const std::string key = stringStorage::CString(cls->propertyTable[i].key);
    if (key.compare(0, name.size() + 1, name + "%") == 0) return uint16_t(i);
  }
  ADD_FAILURE() << "no property " << name;
  return 0xFFFF;
}

// Records in the stream's format.
class Records {
 public:
  Records& Index(RuntimeObject* object, const std::string& name) {
    const uint16_t index = PropertyIndex(object, name);
    return Bytes({uint8_t(index >> 8), uint8_t(index)});
  }
  Records& Word(uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) mBytes.push_back(char(value >> (8 * i)));
    return *this;
  }
  Records& Bytes(std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) mBytes.push_back(char(b));
    return *this;
  }
  Records& Text(const std::string& text) {
    Word(text.size(), 4);
    mBytes += text;
    return *this;
  }
  void ApplyTo(RuntimeObject* object) {
    string data = string::FromBytes(mBytes.data(), int64_t(mBytes.size()), kEncodingNone);
    RuntimeMassPropertySetter(object, data.Storage());
  }

 private:
  std::string mBytes;
};

uint64_t Bits(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

class MassProperties : public testing::Test {
 protected:
  void SetUp() override {
    button = RuntimeNewObject(kit.buttonClass);
    gauge = NewObjectFromDefinition(GaugeClassDefinition());
  }
  void TearDown() override {
    RuntimeUnlockObject(gauge);
    RuntimeUnlockObject(button);
  }
  qvtest::ControlKit kit;
  RuntimeObject* button = nullptr;
  RuntimeObject* gauge = nullptr;
};

TEST_F(MassProperties, EachTypeLetterReadsItsWidth) {
  Records()
      .Index(button, "Caption").Text("Caf\xC3\xA9")
      .Index(button, "Default").Bytes({7})
      .Index(button, "Left").Word(uint32_t(-12), 4)
      .Index(button, "Width").Word(80, 4)
      .ApplyTo(button);
  stringStorage* caption = AsPushButton(button)->caption;
  EXPECT_STREQ(stringStorage::CString(caption), "Caf\xC3\xA9");
  EXPECT_EQ(caption->encoding, kEncodingUTF8);
  EXPECT_EQ(AsPushButton(button)->isDefault, 1);
  EXPECT_EQ(ctlPosGetter(button, 0), -12);
  EXPECT_EQ(ctlPosGetter(button, 2), 80);

  Records()
      .Index(gauge, "Tint").Bytes({0x12, 0x34, 0x56})
      .Index(gauge, "Ratio").Word(Bits(2.5), 8)  // a Double: eight bytes
      .Index(gauge, "Scale").Word(0x3FC00000, 4)  // 1.5f
      .ApplyTo(gauge);
  const auto* g = reinterpret_cast<GaugeObject*>(gauge);
  EXPECT_EQ(g->tint, 0x123456u);
  EXPECT_EQ(g->ratio, 2.5);
  EXPECT_EQ(g->scale, 1.5f);
}

TEST_F(MassProperties, AReadOnlyPropertyOrABadLetterStopsThePassAfterWhatCameBefore) {
  qvtest::ReportCapture reports;
  Records()
      .Index(button, "TextSize").Word(14, 4)
      .Index(button, "Active").Bytes({1})
      .Index(button, "Bold").Bytes({1})
      .ApplyTo(button);
  EXPECT_EQ(pushButtonTextSizeGetter(button, 0), 14);
  EXPECT_EQ(AsPushButton(button)->font.bold, 0);
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_EQ(reports.reports()[0].extra, "Assignment to read-only property Active");

  reports.clear();
  Records().Index(gauge, "Tint").Bytes({0, 0, 9}).Index(gauge, "Handle").Word(1, 4)
      .Index(gauge, "Tint").Bytes({0, 0, 1}).ApplyTo(gauge);
  EXPECT_EQ(reinterpret_cast<GaugeObject*>(gauge)->tint, 9u);
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_EQ(reports.reports()[0].condition, "Illegal type in mass property input.");
}

TEST_F(MassProperties, ARecordRunningPastTheDataStopsThePass) {
  qvtest::ReportCapture reports;
  const uint16_t tooFar = uint16_t(button->classPtr->propertyCount);
  struct Case {
    const char* what;
    Records records;
  };
  std::vector<Case> cases;
  cases.push_back({"index cut", Records().Index(button, "TextSize").Word(3, 4).Bytes({0})});
  cases.push_back({"value cut", Records().Index(button, "TextSize").Word(3, 4)
                                    .Index(button, "Left").Word(9, 2)});
  cases.push_back({"text longer than the data",
                   Records().Index(button, "TextSize").Word(3, 4)
                       .Index(button, "Caption").Word(0xFFFFFFF0u, 4).Bytes({'a'})});
  cases.push_back({"index past the table",
                   Records().Index(button, "TextSize").Word(3, 4).Word(tooFar, 2).Bytes({1})});
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    reports.clear();
    pushButtonTextSizeSetter(button, 0, 0);
    c.records.ApplyTo(button);
    EXPECT_EQ(pushButtonTextSizeGetter(button, 0), 3);  // the record before stays applied
    EXPECT_EQ(ctlPosGetter(button, 0), 0);
    EXPECT_EQ(AsPushButton(button)->caption, nullptr);
    EXPECT_EQ(reports.count(), 1u);
  }
}

class ControlBase : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
};

TEST_F(ControlBase, ClosingAMemberOfAControlArrayRenumbersTheOnesAfterIt) {
  std::vector<ControlPlan> plans;
  for (int16_t i = 0; i < 3; ++i) {
    plans.push_back({.name = "PushButton1", .bounds = {int16_t(10 + 40 * i), 10,
                                                       int16_t(40 + 40 * i), 90},
                     .index = i, .caption = "B" + std::to_string(i)});
  }
  RuntimeObject* window = kit.OpenWindow("Array", plans);
  RuntimeObject* third = kit.Control(window, "PushButton1$2");
  ASSERT_NE(third, nullptr);
  ControlClose(kit.Control(window, "PushButton1$1"));
  EXPECT_EQ(kit.Control(window, "PushButton1$2"), nullptr);
  EXPECT_NE(kit.Control(window, "PushButton1$0"), nullptr);
  EXPECT_EQ(kit.Control(window, "PushButton1$1"), third);
  EXPECT_EQ(AsControl(third)->index, 1);
  EXPECT_EQ(windowControlCountGetter(window, 0), 2);
}

const ControlPlan kBox{.name = "Box", .bounds = {10, 10, 150, 250}, .container = true};
const ControlPlan kOn{.name = "On", .bounds = {20, 20, 50, 120}, .caption = "On"};
const ControlPlan kOff{.name = "Off", .bounds = {60, 20, 90, 120}, .caption = "Off",
                       .enabled = false};

TEST_F(ControlBase, EnablingAContainerReenablesOnlyChildrenEnabledThemselves) {
  RuntimeObject* window = kit.OpenWindow("Box", {kBox, kOn, kOff});
  RuntimeObject* box = kit.Control(window, "Box");
  SubPane* on = AsControl(kit.Control(window, "On"))->pane;
  SubPane* off = AsControl(kit.Control(window, "Off"))->pane;
  ASSERT_TRUE(on && off);
  ASSERT_EQ(on->GetOwner(), AsControl(box)->pane);
  EXPECT_FALSE(off->IsEnabled());
  controlEnabledSetter(box, 0, 0);
  EXPECT_FALSE(on->IsEnabled());
  controlEnabledSetter(box, 0, 1);
  EXPECT_TRUE(on->IsEnabled());
  EXPECT_FALSE(off->IsEnabled());
  EXPECT_TRUE(gtk_widget_is_sensitive(on->GetWidget()));
  EXPECT_FALSE(gtk_widget_is_sensitive(off->GetWidget()));

  ControlVisibleSetter(box, 0, 0);
  EXPECT_FALSE(on->IsVisible());
  ControlVisibleSetter(kit.Control(window, "Off"), 0, 0);
  ControlVisibleSetter(box, 0, 1);
  EXPECT_TRUE(on->IsVisible());
  EXPECT_FALSE(off->IsVisible());
}

TEST_F(ControlBase, AnUnchangedSizeMovesNothingAndAMoveCarriesTheContainedControls) {
  RuntimeObject* window = kit.OpenWindow("Moves", {kBox, kOn});
  RuntimeObject* box = kit.Control(window, "Box");
  RuntimeObject* on = kit.Control(window, "On");
  ctlPosSetter(box, 2, 240);  // the width it has
  ctlPosSetter(box, 3, 140);
  EXPECT_EQ(ctlPosGetter(on, 0), 20);
  EXPECT_EQ(AsControl(box)->pane->GetBounds().right, 250);
  ctlPosSetter(box, 0, 30);  // 20 to the right
  EXPECT_EQ(ctlPosGetter(box, 2), 240);
  EXPECT_EQ(ctlPosGetter(on, 0), 40);
  EXPECT_EQ(AsControl(on)->pane->GetBounds().left, 40);
  RuntimeControlMove(on, 50, 25, 60, 20);
  EXPECT_EQ(AsControl(on)->pane->GetBounds().right, 110);
  EXPECT_EQ(ctlPosGetter(on, 3), 20);
}

TEST_F(ControlBase, ACloseHandlerMayCloseAnotherControlOfThePass) {
  RuntimeObject* window = kit.OpenWindow("Closing", {kBox, kOn, kOff});
  RuntimeObject* box = kit.Control(window, "Box");
  RuntimeLockObject(box);  // the window's reference goes with the close
  kit.Take();
  kit.script = [&](const std::string& event, RuntimeObject*) {
    if (event == "Off.Close") ControlClose(kit.Control(window, "On"));
  };
  ControlClose(box);
  std::vector<std::string> log = kit.Take();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "Box.Close");  // the container closes last
  EXPECT_EQ(windowControlCountGetter(window, 0), 0);
  EXPECT_EQ(AsControl(box)->pane, nullptr);
  EXPECT_EQ(AsControl(box)->window, nullptr);
  EXPECT_EQ(box->refCount, 1);
  RuntimeUnlockObject(box);
}

TEST_F(ControlBase, ParentFollowsThePaneTree) {
  RuntimeObject* window = kit.OpenWindow("Parents", {kBox, kOn});
  RuntimeObject* box = kit.Control(window, "Box");
  RuntimeObject* on = kit.Control(window, "On");
  RuntimeObject* parent = ControlParentGetter(on, 0);
  EXPECT_EQ(parent, box);
  RuntimeUnlockObject(parent);
  ControlParentSetter(on, 0, nullptr);
  EXPECT_EQ(ControlParentGetter(on, 0), nullptr);
  EXPECT_EQ(AsControl(on)->pane->GetOwner(), WindowObjectNativePane(window));
  ControlParentSetter(on, 0, box);
  EXPECT_EQ(AsControl(on)->pane->GetOwner(), AsControl(box)->pane);
}

TEST(ControlHandlers, AnInstanceHandlerInstalledTwiceIsReported) {
  qvtest::ControlKit kit;
  RuntimeObject* button = RuntimeNewObject(kit.buttonClass);
  auto first = +[](RuntimeObject*) {};
  qvtest::ReportCapture reports;
  RuntimeInstallInstanceEventHandler(button, string("GotFocus").Storage(),
                                     reinterpret_cast<void*>(first));
  EXPECT_TRUE(reports.empty());
  RuntimeInstallInstanceEventHandler(button, string("gotfocus").Storage(),
                                     reinterpret_cast<void*>(first));
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_NE(reports.reports()[0].extra.find("Event gotfocus"), std::string::npos);
  RuntimeUnlockObject(button);
}

TEST(ThemeColors, ChannelsPackAsTheirHighBytesRoundedDown) {
  EXPECT_EQ(PackThemeColor({0x0000, 0x8080, 0xFFFF}), 0x0080FFu);
  EXPECT_EQ(PackThemeColor({0xFF00, 0x80FF, 0x00FF}), 0xFE8000u);
  RGBColor16 rgb{1, 2, 3};
  uint32_t packed = 7;
  GetThemeColor(kThemeLightTinge, &rgb, &packed);
  EXPECT_EQ(rgb, (RGBColor16{0xFFFF, 0xFFFF, 0xFFFF}));
  EXPECT_EQ(packed, 0xFFFFFFu);
  GetThemeColor(kThemeDarkTinge, nullptr, &packed);
  EXPECT_EQ(packed, 0xAAAAAAu);
  GetThemeColor(kThemeFill, &rgb, nullptr);
  EXPECT_EQ(rgb, GetGtkStyleColor(kStyleBackground));
  qvtest::ReportCapture reports;
  GetThemeColor(7, &rgb, &packed);
  EXPECT_EQ(reports.count(), 1u);
  EXPECT_EQ(packed, 0xAAAAAAu);  // nothing written
}

// The global colour functions: each theme kind, and two GTK style colours, every 16-bit channel
// divided by 257.
TEST(ThemeColors, GlobalColourFunctionsAnswerTheThemeAndStyleColours) {
  using ColourFunction = uint32_t (*)();
  const ColourFunction kinds[] = {getFrameColor,      getFillColor,      getTextColor,
                                  getLightTingeColor, getDarkTingeColor, getLightBevelColor,
                                  getDarkBevelColor};
  for (int32_t kind = 0; kind < 7; ++kind) {
    uint32_t expected = 0;
    GetThemeColor(kind, nullptr, &expected);
    EXPECT_EQ(kinds[kind](), expected) << kind;
  }
  auto divided = [](const RGBColor16& c) {
    return uint32_t(c.red / 257) << 16 | uint32_t(c.green / 257) << 8 | uint32_t(c.blue / 257);
  };
  EXPECT_EQ(GetDisabledTextColor(), divided(GetGtkStyleColor(kStyleInsensitiveForeground)));
  EXPECT_EQ(getHilightColor(), divided(GetGtkStyleColor(kStyleSelectedBackground)));
  for (uint32_t channel : {0u, 256u, 257u, 514u, 32767u, 65278u, 65279u, 65535u}) {
    const RGBColor16 grey{uint16_t(channel), uint16_t(channel), uint16_t(channel)};
    EXPECT_EQ(PackThemeColor(grey), divided(grey)) << channel;
  }
}

TEST(ClassFieldAccessors, StoreOnlySettersKeepTheValueAndGettersReadTheFieldsWidth) {
  RuntimeInitExternalClasses();
  RuntimeObject* window = NewObjectFromDefinition(WindowClassDefinition());
  windowFrameSetter(window, 0, 3);
  windowCloseBoxSetter(window, 0, 5);
  EXPECT_EQ(AsWindow(window)->frame, 3);
  EXPECT_EQ(windowCloseBoxGetter(window, 0), 1);
  qvtest::ControlKit kit;
  RuntimeObject* button = RuntimeNewObject(kit.buttonClass);
  pushButtonTextFontSetter(button, 0, string("Serif").Storage());
  stringStorage* font = pushButtonTextFontGetter(button, 0);
  EXPECT_STREQ(stringStorage::CString(font), "Serif");
  EXPECT_EQ(font->refCount, 2);  // the field's and ours
  stringStorage::RemoveReference(font);
  pushButtonTextSizeSetter(button, 0, -3);
  EXPECT_EQ(pushButtonTextSizeGetter(button, 0), -3);
  controlLockRightSetter(button, 0, 1);
  EXPECT_EQ(controlLockRightGetter(button, 0), 1);
  RuntimeUnlockObject(button);
  RuntimeCloseWindow(window);
  RuntimeUnlockObject(window);
}

}  // namespace
