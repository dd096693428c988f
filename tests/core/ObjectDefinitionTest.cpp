// Definitions: their list, the class-for-definition cache, lookups by name, event
// implementations and availability conditions.
#include <gtest/gtest.h>

#include <string>

#include "TestClasses.h"
#include "core/ClassRegistry.h"
#include "core/ObjectDefinition.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "support/TestSupport.h"

namespace {

std::string Text(stringStorage* s) { return string(s).CString(); }

TEST(ObjectDefinitionTest, DefaultsAndTheListOfAllDefinitions) {
  ObjectDefinition* before = ObjectDefinition::FirstDefinition();
  {
    ObjectDefinition definition;
    EXPECT_EQ(definition.typeKind, kTypeKindClass);
    EXPECT_EQ(definition.objectSize, 24);
    EXPECT_EQ(definition.index, -1);
    EXPECT_TRUE(definition.className.IsEmpty());
    EXPECT_EQ(definition.initializer.toc, nullptr);
    EXPECT_EQ(ObjectDefinition::FirstDefinition(), &definition);
    EXPECT_EQ(definition.nextDefinition, before);
    ObjectDefinition inner;
    EXPECT_EQ(ObjectDefinition::FirstDefinition(), &inner);
  }
  EXPECT_EQ(ObjectDefinition::FirstDefinition(), before);
}

TEST(ObjectDefinitionTest, ItemsInheritanceAndInterfaces) {
  ObjectDefinition base, derived, iface;
  derived.super = &base;
  EXPECT_TRUE(derived.InheritsFrom(&base));
  EXPECT_TRUE(derived.InheritsFrom(&derived));
  EXPECT_FALSE(base.InheritsFrom(&derived));
  auto* a = new InstanceVariable;
  auto* b = new InstanceVariable;
  a->next = b;
  EXPECT_EQ(derived.SetItems(a), &derived);
  EXPECT_EQ(derived.FirstItem(), a);
  EXPECT_EQ(derived.LastItem(), b);
  ObjectDefinition::AddInterface(&derived, &iface);
  ObjectDefinition::AddInterface(&derived, &base);
  ASSERT_NE(derived.interfaces, nullptr);
  EXPECT_EQ(derived.interfaces->interfaceDefinition, &base);  // prepended
  EXPECT_EQ(derived.interfaces->next->interfaceDefinition, &iface);
}

TEST(ObjectDefinitionTest, ImageClassOfTheSameNameStandsInForTheDefinition) {
  RuntimeClass* image = qvtest::MakeClass(nullptr, "IMAGEWINDOW", 4);
  static ObjectDefinition library;  // converted definitions live as long as the process
  library.className = "ImageWindow";
  library.objectSize = 64;
  RuntimeClass* before = FirstRegisteredClass();
  EXPECT_EQ(RuntimeClassForDefinition(&library), image);
  EXPECT_EQ(FirstRegisteredClass(), before);  // no conversion made a class
}

TEST(ObjectDefinitionTest, LookupClassByNameFindsRegisteredDefinitionsOnly) {
  static ObjectDefinition definition;
  definition.className = "LateRegistered";
  const string name("lateregistered");
  EXPECT_EQ(RuntimeLookupClass(name.Storage()), nullptr);
  EXPECT_EQ(RuntimeLookupClass(name.Storage()), nullptr);
  // A miss was not remembered: once registered, the same name finds the class.
  RegisterClassDefinition(&definition);
  RuntimeClass* cls = RuntimeLookupClass(name.Storage());
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(Text(cls->className), "LateRegistered");
  EXPECT_EQ(cls, RuntimeClassForDefinition(&definition));
  EXPECT_EQ(RuntimeLookupClass(nullptr), nullptr);
}

TEST(ObjectDefinitionTest, SuperThatCannotBeConvertedFails) {
  qvtest::ReportCapture capture;
  EXPECT_EQ(RuntimeClassForDefinition(nullptr), nullptr);
  EXPECT_TRUE(capture.HasCondition("defn"));
  EXPECT_FALSE(ObjectIsaDefinition(nullptr, nullptr));
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

TEST(ObjectDefinitionTest, FindHookInstanceWalksTheChainToTheDeclaringClass) {
  ObjectDefinition base, mid, leaf;
  mid.super = &base;
  leaf.super = &mid;
  ObjectHook* action = AddHook(base, "Action");
  ObjectHookInstance* midAction = AddInstance(mid, "ACTION");
  HookHolder fromLeaf{0, &leaf};
  HookHolder fromMid{0, &mid};
  bool own = true;
  EXPECT_EQ(FindHookInstance(&fromLeaf, action, &own), midAction);
  EXPECT_FALSE(own);
  EXPECT_EQ(FindHookInstance(&fromMid, action, &own), midAction);
  EXPECT_TRUE(own);
  EXPECT_EQ(FindHookInstance(nullptr, action, &own), nullptr);

  // A hook of the same name declared on the way clears what was found below it.
  ObjectDefinition other;
  other.super = &base;
  ObjectHook* unrelated = AddHook(other, "Unrelated");
  EXPECT_EQ(FindHookInstance(&fromLeaf, unrelated, &own), nullptr);
  // top implements Action, but shadow (between it and base) declares its own Action.
  ObjectDefinition shadow;
  shadow.super = &base;
  AddHook(shadow, "Action");
  ObjectDefinition top;
  top.super = &shadow;
  AddInstance(top, "Action");
  HookHolder fromTop{0, &top};
  EXPECT_EQ(FindHookInstance(&fromTop, action, &own), nullptr);
  EXPECT_FALSE(own);

  qvtest::ReportCapture capture;
  EXPECT_EQ(FindHookInstance(&fromLeaf, nullptr, &own), nullptr);
  EXPECT_TRUE(capture.HasCondition("hook"));
}

TEST(ObjectDefinitionTest, ConditionTextsOfRecordsAndWholeDefinitions) {
  AvailabilityRecord none, every, noGui;
  every.everyTarget = 1;
  noGui.noGUI = 1;
  noGui.everyTarget = 1;
  EXPECT_STREQ(AvailabilityConditionText(&none), "TargetHasGUI");
  EXPECT_STREQ(AvailabilityConditionText(&every), "true");
  EXPECT_STREQ(AvailabilityConditionText(&noGui), "not TargetHasGUI");

  ObjectDefinition root, mid, leaf;
  mid.super = &root;
  leaf.super = &mid;
  EXPECT_STREQ(DefinitionConditionText(&leaf), "TargetHasGUI");
  root.availability.everyTarget = 1;
  EXPECT_STREQ(DefinitionConditionText(&leaf), "true");
  root.availability.noGUI = 1;
  EXPECT_STREQ(DefinitionConditionText(&leaf), "not TargetHasGUI");

  qvtest::ReportCapture capture;
  EXPECT_STREQ(AvailabilityConditionText(nullptr), "");
  EXPECT_TRUE(capture.HasCondition("obj"));
}

}  // namespace
