// The root class and _PaneChild: built by their getters, registered by the start-up steps.
#include <gtest/gtest.h>

#include "app/ExternalClasses.h"
#include "controls/ControlClasses.h"
#include "core/ClassRegistry.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "support/TestSupport.h"

namespace {

std::string Text(stringStorage* s) { return stringStorage::CString(s); }

TEST(ControlClasses, GettersBuildTheClassesThatRegistrationFinds) {
  ObjectDefinition *object = ObjectClassDefinition(), *paneChild = PaneChildClassDefinition();
  std::string names;
  for (ObjectMethod* m = paneChild->methods; m; m = m->next) names += Text(m->name.Storage()) + "|";
  EXPECT_EQ(names, "_SetWindow|Window|_Index|_SetIndex|");
  RuntimeInitExternalClasses();
  EXPECT_EQ(LookupClassDefinition(string("OBJECT")), object);
  EXPECT_EQ(LookupClassDefinition(string("_panechild")), paneChild);
  EXPECT_EQ(RuntimeLookupClass(string("_PaneChild").Storage())->isAnInterface, 1);
}

// Control derives from Object and RectControl from Control; their objects are control records.
TEST(ControlClasses, ControlAndRectControlCarryTheControlRecord) {
  RuntimeInitExternalClasses();
  RuntimeClass* rect = RuntimeLookupClass(string("RectControl").Storage());
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->parentClass, RuntimeLookupClass(string("Control").Storage()));
  EXPECT_EQ(rect->parentClass->parentClass, RuntimeLookupClass(string("Object").Storage()));
  EXPECT_EQ(rect->instanceSize, int32_t(sizeof(ControlObject)));
  RuntimeObject* control = RuntimeNewObject(rect);
  const auto* record = reinterpret_cast<ControlObject*>(control);
  EXPECT_EQ(record->pane, nullptr);
  EXPECT_EQ(record->name, nullptr);
  RuntimeUnlockObject(control);
}

}  // namespace
