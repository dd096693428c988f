// Definitions: their list, the class-for-definition cache, lookups by name, event
// implementations and availability conditions.
#include <gtest/gtest.h>

#include <string>

#include "TestClasses.h"
#include "core/ClassRegistry.h"
#include "core/ObjectDefinition.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/TestSupport.h"

namespace {

// Definitions join the list while they live; an image class of the same name (case ignored)
// stands in for a definition; a missed lookup is not remembered.
TEST(ObjectDefinitionTest, ListImageClassesAndLookupByName) {
  ObjectDefinition* before = ObjectDefinition::FirstDefinition();
  {
    ObjectDefinition definition;
    EXPECT_EQ(ObjectDefinition::FirstDefinition(), &definition);
  }
  EXPECT_EQ(ObjectDefinition::FirstDefinition(), before);
  RuntimeClass* image = qvtest::MakeClass(nullptr, "IMAGEWINDOW", 4);
  static ObjectDefinition library, late;  // converted definitions live as long as the process
  library.className = "ImageWindow";
  EXPECT_EQ(RuntimeClassForDefinition(&library), image);

  late.className = "LateRegistered";
  const string name("lateregistered");
  EXPECT_EQ(RuntimeLookupClass(name.Storage()), nullptr);
  RegisterClassDefinition(&late);
  RuntimeClass* cls = RuntimeLookupClass(name.Storage());
  ASSERT_NE(cls, nullptr);
  EXPECT_STREQ(string(cls->className).CString(), "LateRegistered");
  EXPECT_EQ(cls, RuntimeClassForDefinition(&late));
  qvtest::ReportCapture capture;
  EXPECT_EQ(RuntimeClassForDefinition(nullptr), nullptr);
  EXPECT_TRUE(capture.HasCondition("defn"));
}

ObjectHook* AddHook(ObjectDefinition& d, const char* name) {
  auto* hook = new ObjectHook;
  hook->name = name;
  hook->next = d.hooks;
  d.hooks = hook;
  return hook;
}

ObjectHookInstance* AddInstance(ObjectDefinition& d, const char* name) {
  auto* instance = new ObjectHookInstance;
  instance->name = name;
  d.PrependHookInstance(instance);
  return instance;
}

// The walk goes up to the declaring class; a hook of the same name declared on the way
// hides implementations above it.
TEST(ObjectDefinitionTest, FindHookInstanceWalksTheChainToTheDeclaringClass) {
  ObjectDefinition base, mid, leaf, shadow, top;
  mid.super = &base;
  leaf.super = &mid;
  ObjectHook* action = AddHook(base, "Action");
  ObjectHookInstance* midAction = AddInstance(mid, "ACTION");
  HookHolder fromLeaf{0, &leaf}, fromMid{0, &mid}, fromTop{0, &top};
  bool fromLeafOwn = true, fromMidOwn = false;
  EXPECT_EQ(FindHookInstance(&fromLeaf, action, &fromLeafOwn), midAction);
  EXPECT_EQ(FindHookInstance(&fromMid, action, &fromMidOwn), midAction);
  EXPECT_FALSE(fromLeafOwn);
  EXPECT_TRUE(fromMidOwn);
  bool own = true;
  shadow.super = &base;
  AddHook(shadow, "Action");
  top.super = &shadow;
  AddInstance(top, "Action");
  EXPECT_EQ(FindHookInstance(&fromTop, action, &own), nullptr);
  qvtest::ReportCapture capture;
  EXPECT_EQ(FindHookInstance(&fromLeaf, nullptr, &own), nullptr);
  EXPECT_TRUE(capture.HasCondition("hook"));
}

// A definition takes the condition of its root.
TEST(ObjectDefinitionTest, ConditionTextComesFromTheRoot) {
  ObjectDefinition root, leaf;
  leaf.super = &root;
  EXPECT_STREQ(DefinitionConditionText(&leaf), "TargetHasGUI");
  root.availability.noGUI = 1;
  EXPECT_STREQ(DefinitionConditionText(&leaf), "not TargetHasGUI");
  qvtest::ReportCapture capture;
  EXPECT_STREQ(AvailabilityConditionText(nullptr), "");
  EXPECT_TRUE(capture.HasCondition("obj"));
}

}  // namespace
