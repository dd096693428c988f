// Malformed definition records a plug-in registers beside good ones: each is reported once,
// naming the plug-in and the definition, and nothing of it is registered; the good ones are.
#include <gtest/gtest.h>

#include <string>

#include "app/ExternalClasses.h"
#include "app/PluginRegistration.h"
#include "app/PluginRegistry.h"
#include "core/ClassRegistry.h"
#include "support/TestSupport.h"

namespace {

extern "C" int32_t CheckedTwice(int32_t x) { return 2 * x; }

const PluginPropertyRow kGoodRows[] = {{0, "Size", "Integer", 0, nullptr, nullptr, 0, {}}};
const PluginPropertyRow kNamelessRow[] = {{0, nullptr, "Integer", 0, nullptr, nullptr, 0, {}}};
const PluginMethodEntry kGoodMethods[] = {
    {reinterpret_cast<void*>(&CheckedTwice), nullptr, "Twice(x As Integer) As Integer", 0}};
const PluginMethodEntry kUndeclared[] = {
    {reinterpret_cast<void*>(&CheckedTwice), nullptr, nullptr, 0}};
PluginEventEntry gUndeclaredEvent[] = {{nullptr, nullptr}};
const PluginEventHandler kNamelessHandler[] = {{nullptr, nullptr}};
void* const kBehaviour[4] = {};

struct Case {
  const char* what;
  void (*registerIt)();
};

// Each registers one bad record.
const Case kBadCases[] = {
    {"class without name", [] {
       static const PluginClassDefinition d = {.version = 4, .name = ""};
       PluginRegisterClass(&d);
     }},
    {"class with a missing property list", [] {
       static const PluginClassDefinition d = {
           .version = 4, .name = "BadPropertyList", .superName = "", .propertyCount = 2};
       PluginRegisterClass(&d);
     }},
    {"class with a nameless property", [] {
       static const PluginClassDefinition d = {.version = 4,
                                               .name = "BadPropertyRow",
                                               .superName = "",
                                               .dataSize = 4,
                                               .properties = kNamelessRow,
                                               .propertyCount = 1};
       PluginRegisterClass(&d);
     }},
    {"class with an undeclared method", [] {
       static const PluginClassDefinition d = {.version = 7,
                                               .name = "BadMethod",
                                               .superName = "",
                                               .methods = kUndeclared,
                                               .methodCount = 1};
       PluginRegisterClass(&d);
     }},
    {"class with an undeclared event", [] {
       static const PluginClassDefinition d = {.version = 4,
                                               .name = "BadEvent",
                                               .superName = "",
                                               .events = gUndeclaredEvent,
                                               .eventCount = 1};
       PluginRegisterClass(&d);
     }},
    {"class with a nameless handler", [] {
       static const PluginClassDefinition d = {.version = 4,
                                               .name = "BadHandler",
                                               .superName = "",
                                               .eventHandlers = kNamelessHandler,
                                               .eventHandlerCount = 1};
       PluginRegisterClass(&d);
     }},
    {"interface with a missing method list", [] {
       static const PluginInterfaceDefinition d = {4, "BadFace", nullptr, 3};
       PluginRegisterInterface(&d);
     }},
    {"interface without name", [] {
       static const PluginInterfaceDefinition d = {4, nullptr, kGoodMethods, 1};
       PluginRegisterInterface(&d);
     }},
    {"module with an undeclared method", [] {
       static const PluginModuleDefinition d = {7, "BadModule", kUndeclared, 1};
       PluginRegisterModule(&d);
     }},
    {"extension without a class name", [] {
       static const PluginExtensionDefinition d = {.version = 4, .className = nullptr};
       PluginRegisterClassExtension(&d);
     }},
    {"extension with a missing method list", [] {
       static const PluginExtensionDefinition d = {
           .version = 4, .className = "CheckedGood", .methodCount = 1};
       PluginRegisterClassExtension(&d);
     }},
    {"control without name", [] {
       static const PluginControlDefinition d = {.version = 8, .name = "", .behaviour = kBehaviour};
       PluginRegisterControl(&d);
     }},
    {"control with a missing event list", [] {
       static const PluginControlDefinition d = {
           .version = 8, .name = "BadControlEvents", .eventCount = 1, .behaviour = kBehaviour};
       PluginRegisterControl(&d);
     }},
    {"old control with a missing property list", [] {
       static const PluginControlDefinitionV1 d = {
           .version = 1, .name = "BadOldControl", .propertyCount = 1, .behaviour = kBehaviour};
       PluginRegisterControl(&d);
     }},
};

TEST(PluginDefinitionChecks, EachBadRecordIsReportedOnceAndTheGoodOnesRegister) {
  RuntimeInitExternalClasses();
  static const PluginClassDefinition good = {.version = 7,
                                             .name = "CheckedGood",
                                             .superName = "",
                                             .dataSize = 4,
                                             .properties = kGoodRows,
                                             .propertyCount = 1,
                                             .methods = kGoodMethods,
                                             .methodCount = 1};
  static const PluginControlDefinition goodControl = {
      .version = 8, .name = "CheckedGoodControl", .behaviour = kBehaviour};
  PluginRecord* plugin = NewPluginRecord();
  RegisterPluginVersion(7);
  plugin->installedPath = string("/plug-ins/checked.so");
  PluginRegisterClass(&good);
  for (const Case& c : kBadCases) {
    qvtest::ReportCapture reports;
    c.registerIt();
    ASSERT_EQ(reports.count(), 1u) << c.what;
    const std::string text = reports.reports()[0].extra;
    EXPECT_NE(text.find("A plug-in definition was refused"), std::string::npos) << text;
    EXPECT_NE(text.find(" in /plug-ins/checked.so:"), std::string::npos) << text;
  }
  PluginRegisterControl(&goodControl);
  SetCurrentPlugin(nullptr);
  {
    qvtest::ReportCapture reports;
    ResolvePluginClasses(nullptr);
    EXPECT_TRUE(reports.empty());
  }
  EXPECT_NE(LookupClassDefinition(string("CheckedGood")), nullptr);
  EXPECT_NE(LookupClassDefinition(string("CheckedGoodControl")), nullptr);
  for (const char* name : {"BadPropertyList", "BadPropertyRow", "BadMethod", "BadEvent",
                           "BadHandler", "BadFace", "BadControlEvents",
                           "BadOldControl"}) {
    EXPECT_EQ(LookupClassDefinition(string(name)), nullptr) << name;
  }
  EXPECT_EQ(LookupModuleDefinition(string("BadModule")), nullptr);
}

}  // namespace
