// The EndOfLine class as compiled code reaches it: the object from RuntimeGetEndOfLineObject,
// its operators and properties called through the definition's own rows, and start-up
// registering it (with the text-encoding classes) before the global "EndOfLine" is built.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "app/EndOfLineClass.h"
#include "app/ExternalClasses.h"
#include "core/ClassRegistry.h"
#include "core/GlobalFunctions.h"
#include "core/TypeNames.h"
#include "strings/Encodings.h"
#include "strings/RuntimeString.h"
#include "support/TestSupport.h"

namespace {

using TextFunction = stringStorage* (*)(RuntimeObject*, ...);
using CompareFunction = int32_t (*)(RuntimeObject*, stringStorage*);

std::string Text(stringStorage* record) {
  string text = string::Adopt(record);
  EXPECT_EQ(text.Encoding(), kEncodingASCII);
  return std::string(text.Bytes(), text.Bytes() + text.Length());
}

std::string Std(const string& text) {
  return std::string(text.Bytes(), text.Bytes() + text.Length());
}

std::string TypeText(const TypeDescriptor* type) { return Std(TypeName(type)); }

const ObjectMethod* Method(const char* name) {
  for (const ObjectMethod* m = EndOfLineClassDefinition()->methods; m; m = m->next) {
    if (Std(m->name) == name) return m;
  }
  return nullptr;
}

TEST(EndOfLineClassTest, ObjectIsANewEndOfLineOfTwentyEightBytes) {
  RuntimeObject* object = RuntimeGetEndOfLineObject();
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->refCount, 1);
  EXPECT_EQ(Std(string(object->classPtr->className)), "EndOfLine");
  EXPECT_EQ(object->classPtr->instanceSize, 28);
  EXPECT_EQ(object->classPtr->parentClass, nullptr);
  RuntimeObject* second = RuntimeGetEndOfLineObject();
  EXPECT_NE(second, object);
  RuntimeUnlockObject(second);
  RuntimeUnlockObject(object);
}

TEST(EndOfLineClassTest, OperatorsThroughTheDefinitionRows) {
  RuntimeObject* self = RuntimeGetEndOfLineObject();
  string x("x");
  const ObjectMethod* convert = Method("Operator_Convert");
  const ObjectMethod* add = Method("Operator_Add");
  const ObjectMethod* addRight = Method("Operator_AddRight");
  const ObjectMethod* compare = Method("Operator_Compare");
  ASSERT_TRUE(convert && add && addRight && compare);
  EXPECT_EQ(TypeText(convert->row.returnType), "String");
  EXPECT_EQ(TypeText(compare->row.returnType), "Integer");
  ASSERT_EQ(add->row.parameterCount, 1);
  EXPECT_EQ(TypeText(add->row.parameters[0].parameterType), "String");
  EXPECT_EQ(Text(reinterpret_cast<TextFunction>(convert->row.a.toc)(self)), "\n");
  EXPECT_EQ(Text(reinterpret_cast<TextFunction>(add->row.a.toc)(self, x.Storage())), "\nx");
  EXPECT_EQ(Text(reinterpret_cast<TextFunction>(addRight->row.a.toc)(self, x.Storage())), "x\n");
  auto compareTo = reinterpret_cast<CompareFunction>(compare->row.a.toc);
  EXPECT_EQ(compareTo(self, string("\n").Storage()), 0);
  EXPECT_GT(compareTo(self, string().Storage()), 0);
  EXPECT_LT(compareTo(self, x.Storage()), 0);  // 0x0A sorts before 'x'
  RuntimeUnlockObject(self);
}

TEST(EndOfLineClassTest, PropertiesAreReadOnlyStringsOfTheThreeFamilies) {
  const std::map<std::string, std::string> expected = {
      {"Macintosh", "\r"}, {"Windows", "\r\n"}, {"UNIX", "\n"}};
  std::map<std::string, std::string> seen;
  RuntimeObject* self = RuntimeGetEndOfLineObject();
  for (const InstanceVariable* item = EndOfLineClassDefinition()->FirstItem(); item;
       item = item->next) {
    const std::string name = Std(item->name);
    EXPECT_EQ(item->setter, nullptr) << name;
    EXPECT_EQ(item->userFlags, 1u) << name;
    EXPECT_EQ(TypeText(item->varType), "String") << name;
    seen[name] = Text(reinterpret_cast<TextFunction>(item->getter)(self, item->propertyWord));
  }
  EXPECT_EQ(seen, expected);
  RuntimeUnlockObject(self);
}

TEST(EndOfLineClassTest, StartUpRegistersTheClassesTheGlobalFunctionsReturn) {
  std::string output;
  const int status = qvtest::RunInChild(
      [] {
        RuntimeInitExternalClasses();
        for (const char* name : {"EndOfLine", "TextEncoding", "TextConverter", "_Encodings"}) {
          EXPECT_NE(LookupClassDefinition(string(name)), nullptr) << name;
        }
        const MethodRow* endOfLine = LookupGlobalFunction(string("EndOfLine"));
        ASSERT_NE(endOfLine, nullptr);
        EXPECT_EQ(endOfLine->a.toc, reinterpret_cast<void*>(RuntimeGetEndOfLineObject));
        EXPECT_EQ(endOfLine->returnType, EndOfLineClassDefinition()->AsType());
        const MethodRow* encodings = LookupGlobalFunction(string("Encodings"));
        ASSERT_NE(encodings, nullptr);
        EXPECT_EQ(encodings->returnType, EncodingsClassDefinition()->AsType());
        std::fflush(stdout);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      &output);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
}

}  // namespace
