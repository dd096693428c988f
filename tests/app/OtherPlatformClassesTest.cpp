// The classes present for other platforms, driven by their own tables: every property accessor,
// method and finalizer the rows name is called with neutral arguments on an object of its class
// and must answer its type's neutral value, except the registry's constructors (which raise)
// and its two counts (-1); plain fields keep what is stored; the family's global functions.
#include <gtest/gtest.h>

#include "app/ExternalClasses.h"
#include "app/OtherPlatformClasses.h"
#include "core/ClassRegistry.h"
#include "core/ExportRegistry.h"
#include "core/LanguageTypes.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/RaisedExceptions.h"

namespace {

// Called as compiled code calls: cdecl words, object and parameter word first, zeros after
// (extra words are harmless); the answer read as the type travels: "void", "0.0" for any
// floating-point zero, else the 32-bit number.
using Word = uint32_t;
template <typename Result>
using Call = Result (*)(void*, Word, Word, Word, Word, Word, Word, Word, Word, Word, Word);

std::string Answer(void* function, const TypeDescriptor* type, void* object, Word second = 0) {
  const char letter = SignatureLetter(type);
  if (letter == 'f' || letter == 'd') {
    const double value = reinterpret_cast<Call<double>>(function)(object, second, 0, 0, 0, 0, 0,
                                                                  0, 0, 0, 0);
    return value == 0.0 ? "0.0" : std::to_string(value);
  }
  const Word value = reinterpret_cast<Call<Word>>(function)(object, second, 0, 0, 0, 0, 0, 0, 0,
                                                            0, 0);
  return letter == 'v' ? "void" : std::to_string(int32_t(value));
}

class OtherPlatformClasses : public ::testing::Test {
 protected:
  // Once a process: an earlier test of the binary may have registered them.
  static void SetUpTestSuite() { RuntimeInitExternalClasses(); }

  // The member's answer and what it raised, against what the family promises.
  void Check(const std::string& member, void* function, const TypeDescriptor* type,
             RuntimeObject* object, Word second = 0) {
    const char letter = SignatureLetter(type);
    std::string answer = letter == 'v' ? "void" : letter == 'f' || letter == 'd' ? "0.0" : "0";
    std::string raises;
    if (member == "RegistryItem.KeyCount" || member == "RegistryItem.FolderCount") answer = "-1";
    if (member == "RegistryItem.Constructor") raises = "RegistryAccessErrorException";
    EXPECT_EQ(Answer(function, type, object, second), answer) << member;
    EXPECT_EQ(raised.TakeOne(), raises) << member;
    ++called;
  }

  qvtest::RaisedExceptions raised;
  int called = 0;
};

TEST_F(OtherPlatformClasses, EveryMemberOfEveryClassAnswersItsNeutralValue) {
  for (auto getter : {KeyChainClassDefinition, KeyChainItemClassDefinition,
                      RegistryItemClassDefinition, AppleEventClassDefinition,
                      AppleEventRecordClassDefinition, AppleEventDescListClassDefinition,
                      AppleEventObjectSpecifierClassDefinition, AppleEventTemplateClassDefinition,
                      AppleEventTargetClassDefinition, ResourceForkClassDefinition}) {
    ObjectDefinition* definition = getter();
    const std::string name = definition->className.CString();
    EXPECT_EQ(LookupClassDefinition(definition->className), definition) << name << " registered";
    RuntimeObject* object = NewObjectFromDefinition(definition);
    ASSERT_NE(object, nullptr) << name;
    for (InstanceVariable* item = definition->FirstItem(); item; item = item->next) {
      const std::string member = name + "." + item->name.CString();
      if (item->getter) Check(member, item->getter, item->varType, object, item->propertyWord);
      if (item->setter) Check(member + "=", item->setter, nullptr, object, item->propertyWord);
    }
    for (ObjectMethod* method = definition->methods; method; method = method->next) {
      const std::string member = name + "." + method->name.CString();
      if (method->HasFunctionA()) Check(member, method->row.a.toc, method->row.returnType, object);
      if (method->HasFunctionB()) Check(member + "=", method->row.b.toc, nullptr, object);
    }
    if (void* finalizer = definition->finalizer.toc) Check(name, finalizer, nullptr, object);
    RuntimeUnlockObject(object);
  }
  EXPECT_GT(called, 150) << "the members of ten classes";
}

// Timeout keeps what is stored; an item's Description reads empty after it was assigned.
TEST_F(OtherPlatformClasses, FieldsKeepValuesAndInertMembersKeepNothing) {
  auto member = [](ObjectDefinition* definition, const char* name) {
    InstanceVariable* item = definition->FirstItem();
    while (item && item->name.CompareWithCase(name) != 0) item = item->next;
    return item;
  };
  InstanceVariable* timeout = member(AppleEventClassDefinition(), "Timeout");
  InstanceVariable* description = member(KeyChainItemClassDefinition(), "Description");
  ASSERT_TRUE(timeout && timeout->setter && description && description->setter);
  RuntimeObject* event = NewObjectFromDefinition(AppleEventClassDefinition());
  RuntimeObject* item = NewObjectFromDefinition(KeyChainItemClassDefinition());
  const string text("a description");
  reinterpret_cast<void (*)(RuntimeObject*, Word, int32_t)>(timeout->setter)(
      event, timeout->propertyWord, 1234);
  reinterpret_cast<void (*)(RuntimeObject*, Word, stringStorage*)>(description->setter)(
      item, description->propertyWord, text.Storage());
  EXPECT_EQ(Answer(timeout->getter, lang::Integer, event, timeout->propertyWord), "1234");
  EXPECT_EQ(Answer(description->getter, lang::String, item, description->propertyWord), "0");
  EXPECT_EQ(text.Storage()->refCount, 1) << "nothing holds the text";
  RuntimeUnlockObject(event);
  RuntimeUnlockObject(item);
}

// Descriptors, events, targets and the default key chain are nil, Speak says nothing, and the
// application's registry item raises.
TEST_F(OtherPlatformClasses, GlobalFunctionsAnswerNilOrRaise) {
  for (const char* name :
       {"getNamedObjectDescriptor", "getUniqueIDObjectDescriptor", "getIndexedObjectDescriptor",
        "getPropertyObjectDescriptor", "getOrdinalObjectDescriptor",
        "getStringComparisonObjectDescriptor", "getTestObjectDescriptor",
        "getRangeObjectDescriptor", "newAppleEventObject", "getAppleEventTarget",
        "newAppleEventTarget", "systemGetDefaultKeyChain", "systemGetKeyChainCount"}) {
    const RelocEntry* entry = LookupExportEntry(name);
    ASSERT_NE(entry, nullptr) << name;
    EXPECT_EQ(Answer(entry->code, lang::Integer, nullptr), "0") << name;
  }
  const string words("hello");
  Answer(LookupExportEntry("RuntimeSpeak")->code, nullptr, words.Storage(), 1);
  EXPECT_EQ(words.Storage()->refCount, 1);
  EXPECT_EQ(RuntimeGetDefaultApplicationRegistryItem(), nullptr);
  EXPECT_EQ(raised.TakeOne(), "RegistryAccessErrorException");
}

}  // namespace
