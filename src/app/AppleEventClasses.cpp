// The AppleEvent family: events sent between applications on another platform. Timeout is a
// plain field; every other member is inert, so nothing is ever sent (Send answers False),
// every parameter, item and reply reads as its type's neutral value, and the object descriptors
// and targets are nil.
//
// Export names follow one pattern per family: appleEventGet/appleEventSet + type + "Param",
// appleEventReply + type + Getter/Setter, appleEventDescListGet + type + "Item",
// appleEventDescListAppend + type. The type is the member's, spelled Int for Integer, 4CharCode
// for MacType and Desc for DescList.
#include <cstddef>

#include "app/InertExports.h"
#include "app/OtherPlatformClasses.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/FieldAccessors.h"
#include "core/Startup.h"

using Object = RuntimeObject*;
using Text = stringStorage*;

// ---- typed parameters of AppleEvent and AppleEventRecord, by keyword ----

#define QV_INERT_PARAM(type, getter, setter)   \
  QV_INERT_EXPORT(type, getter, Object, Text) \
  QV_INERT_EXPORT(void, setter, Object, Text, type)

QV_INERT_PARAM(int32_t, appleEventGetIntParam, appleEventSetIntParam)
QV_INERT_PARAM(float, appleEventGetSingleParam, appleEventSetSingleParam)
QV_INERT_PARAM(double, appleEventGetDoubleParam, appleEventSetDoubleParam)
QV_INERT_PARAM(int32_t, appleEventGetBooleanParam, appleEventSetBooleanParam)
QV_INERT_PARAM(Text, appleEventGetStringParam, appleEventSetStringParam)
QV_INERT_PARAM(Text, appleEventGet4CharCodeParam, appleEventSet4CharCodeParam)
QV_INERT_PARAM(Text, appleEventGetEnumeratedParam, appleEventSetEnumeratedParam)
QV_INERT_PARAM(Object, appleEventGetFolderItemParam, appleEventSetFolderItemParam)
QV_INERT_PARAM(Object, appleEventGetDescParam, appleEventSetDescParam)
QV_INERT_PARAM(Object, appleEventGetObjectSpecifierParam, appleEventSetObjectSpecifierParam)
QV_INERT_PARAM(Object, appleEventGetRecordParam, appleEventSetRecordParam)
QV_INERT_EXPORT(void, appleEventSetNullParam, Object, Text)
QV_INERT_EXPORT(void, appleEventLoadFromTemplate, Object, Object)

// ---- AppleEvent ----

#define QV_INERT_REPLY(type, getter, setter)       \
  QV_INERT_EXPORT(type, getter, Object, uint32_t) \
  QV_INERT_EXPORT(void, setter, Object, uint32_t, type)

QV_INERT_REPLY(Text, appleEventReplyStringGetter, appleEventReplyStringSetter)
QV_INERT_REPLY(int32_t, appleEventReplyBooleanGetter, appleEventReplyBooleanSetter)
QV_INERT_REPLY(int32_t, appleEventReplyIntGetter, appleEventReplyIntSetter)
QV_INERT_REPLY(Text, appleEventReplyEnumeratedGetter, appleEventReplyEnumeratedSetter)
QV_INERT_REPLY(Text, appleEventReply4CharCodeGetter, appleEventReply4CharCodeSetter)
QV_INERT_REPLY(float, appleEventReplySingleGetter, appleEventReplySingleSetter)
QV_INERT_REPLY(double, appleEventReplyDoubleGetter, appleEventReplyDoubleSetter)
QV_INERT_REPLY(Object, appleEventReplyFolderItemGetter, appleEventReplyFolderItemSetter)
QV_INERT_REPLY(Object, appleEventReplyObjectSpecifierGetter, appleEventReplyObjectSpecifierSetter)
QV_INERT_REPLY(Object, appleEventReplyDescGetter, appleEventReplyDescSetter)
QV_INERT_REPLY(Object, appleEventReplyRecordGetter, appleEventReplyRecordSetter)
QV_INERT_EXPORT(void*, appleEventPtrGetter, Object, uint32_t)
QV_INERT_EXPORT(int32_t, appleEventSend, Object)
QV_INERT_EXPORT(void, appleEventDestructor, Object)

// ---- AppleEventRecord, AppleEventDescList, AppleEventObjectSpecifier ----

QV_INERT_EXPORT(void, appleEventRecordConstructor, Object)
QV_INERT_EXPORT(void, appleEventDescListConstructor, Object)
QV_INERT_EXPORT(void, appleEventItemDestructor, Object)
QV_INERT_EXPORT(int32_t, appleEventDescListCount, Object, uint32_t)

#define QV_INERT_ITEM(type, getter, appender)  \
  QV_INERT_EXPORT(type, getter, Object, int32_t) \
  QV_INERT_EXPORT(void, appender, Object, type)

QV_INERT_ITEM(int32_t, appleEventDescListGetIntItem, appleEventDescListAppendInt)
QV_INERT_ITEM(Text, appleEventDescListGetStringItem, appleEventDescListAppendString)
QV_INERT_ITEM(Object, appleEventDescListGetFolderItemItem, appleEventDescListAppendFolderItem)
QV_INERT_ITEM(Object, appleEventDescListGetRecordItem, appleEventDescListAppendRecord)
QV_INERT_ITEM(int32_t, appleEventDescListGetBooleanItem, appleEventDescListAppendBoolean)
QV_INERT_ITEM(Object, appleEventDescListGetDescItem, appleEventDescListAppendDesc)
QV_INERT_ITEM(Object, appleEventDescListGetObjectSpecifierItem,
              appleEventDescListAppendObjectSpecifier)

// ---- AppleEventTemplate, AppleEventTarget ----

QV_INERT_EXPORT(void, appleEventTemplateDestructor, Object)
QV_INERT_EXPORT(void, aeTemplateSetIntParam, Object, Text, int32_t)
QV_INERT_EXPORT(void, aeTemplateSetStringParam, Object, Text, Text)
QV_INERT_EXPORT(void, aeTemplateSetFolderItemParam, Object, Text, Object)
QV_INERT_EXPORT(int32_t, aeTargetRemoteGetter, Object, uint32_t)
QV_INERT_EXPORT(Text, aeTargetNameGetter, Object, uint32_t)
QV_INERT_EXPORT(Text, aeTargetZoneGetter, Object, uint32_t)
QV_INERT_EXPORT(Text, aeTargetComputerGetter, Object, uint32_t)
QV_INERT_EXPORT(Text, aeTargetPortTypeGetter, Object, uint32_t)
QV_INERT_EXPORT(Object, aeTargetNewAppleEvent, Object, Text, Text)

// ---- global functions: object descriptors, new events and targets ----

QV_INERT_EXPORT(Object, getNamedObjectDescriptor, Text, Object, Text)
QV_INERT_EXPORT(Object, getUniqueIDObjectDescriptor, Text, Object, int32_t)
QV_INERT_EXPORT(Object, getIndexedObjectDescriptor, Text, Object, int32_t)
QV_INERT_EXPORT(Object, getPropertyObjectDescriptor, Object, Text)
QV_INERT_EXPORT(Object, getOrdinalObjectDescriptor, Text, Object, Text)
QV_INERT_EXPORT(Object, getStringComparisonObjectDescriptor, Text, Object, Text)
QV_INERT_EXPORT(Object, getTestObjectDescriptor, Text, Object, Text)
QV_INERT_EXPORT(Object, getRangeObjectDescriptor, Text, Object, Object, Object)
QV_INERT_EXPORT(Object, newAppleEventObject, Text, Text, Text)
QV_INERT_EXPORT(Object, getAppleEventTarget, Text)
QV_INERT_EXPORT(Object, newAppleEventTarget, Text)

namespace {

using namespace lang;

constexpr uint32_t kTargetTextRowFlags = 4;

// The typed parameters, shared by AppleEvent and AppleEventRecord.
#define QV_PARAM_ROW(name, type, getter, setter) \
  QV_FUNCTION_ASSIGNS(name, type, getter, setter, Param("keyword", String))
#define QV_TYPED_PARAM_ROWS                                                                    \
  QV_PARAM_ROW("IntegerParam", Integer, appleEventGetIntParam, appleEventSetIntParam),         \
  QV_PARAM_ROW("SingleParam", Single, appleEventGetSingleParam, appleEventSetSingleParam),     \
  QV_PARAM_ROW("DoubleParam", Double, appleEventGetDoubleParam, appleEventSetDoubleParam),     \
  QV_PARAM_ROW("BooleanParam", Boolean, appleEventGetBooleanParam, appleEventSetBooleanParam), \
  QV_PARAM_ROW("StringParam", String, appleEventGetStringParam, appleEventSetStringParam),     \
  QV_PARAM_ROW("MacTypeParam", String, appleEventGet4CharCodeParam,                           \
               appleEventSet4CharCodeParam),                                                   \
  QV_PARAM_ROW("EnumeratedParam", String, appleEventGetEnumeratedParam,                        \
               appleEventSetEnumeratedParam),                                                  \
  QV_PARAM_ROW("FolderItemParam", Class<"FolderItem">, appleEventGetFolderItemParam,           \
               appleEventSetFolderItemParam),                                                  \
  QV_PARAM_ROW("DescListParam", Class<"AppleEventDescList">, appleEventGetDescParam,           \
               appleEventSetDescParam),                                                        \
  QV_PARAM_ROW("ObjectSpecifierParam", Class<"AppleEventObjectSpecifier">,                     \
               appleEventGetObjectSpecifierParam, appleEventSetObjectSpecifierParam),          \
  QV_PARAM_ROW("RecordParam", Class<"AppleEventRecord">, appleEventGetRecordParam,             \
               appleEventSetRecordParam),                                                      \
  QV_SUB("SetNullParam", appleEventSetNullParam, Param("keyword", String)),                    \
  QV_SUB("LoadFromTemplate", appleEventLoadFromTemplate,                                       \
         Param("template", Class<"AppleEventTemplate">))

#define QV_REPLY_ROW(name, type, getter, setter) QV_PROPERTY(name, type, getter, setter)

const PropertyRow kAppleEventProperties[] = {
    QV_REPLY_ROW("ReplyString", String, appleEventReplyStringGetter, appleEventReplyStringSetter),
    QV_REPLY_ROW("ReplyBoolean", Boolean, appleEventReplyBooleanGetter,
                 appleEventReplyBooleanSetter),
    QV_REPLY_ROW("ReplyInteger", Integer, appleEventReplyIntGetter, appleEventReplyIntSetter),
    QV_REPLY_ROW("ReplyEnumerated", String, appleEventReplyEnumeratedGetter,
                 appleEventReplyEnumeratedSetter),
    QV_REPLY_ROW("ReplyMacType", String, appleEventReply4CharCodeGetter,
                 appleEventReply4CharCodeSetter),
    QV_REPLY_ROW("ReplySingle", Single, appleEventReplySingleGetter, appleEventReplySingleSetter),
    QV_REPLY_ROW("ReplyDouble", Double, appleEventReplyDoubleGetter, appleEventReplyDoubleSetter),
    QV_REPLY_ROW("ReplyFolderItem", Class<"FolderItem">, appleEventReplyFolderItemGetter,
                 appleEventReplyFolderItemSetter),
    QV_REPLY_ROW("ReplyObjectSpecifier", Class<"AppleEventObjectSpecifier">,
                 appleEventReplyObjectSpecifierGetter, appleEventReplyObjectSpecifierSetter),
    QV_REPLY_ROW("ReplyDescList", Class<"AppleEventDescList">, appleEventReplyDescGetter,
                 appleEventReplyDescSetter),
    QV_REPLY_ROW("ReplyRecord", Class<"AppleEventRecord">, appleEventReplyRecordGetter,
                 appleEventReplyRecordSetter),
    QV_READONLY("ReplyPtr", Ptr, appleEventPtrGetter),
    QV_PROPERTY("Timeout", Integer, intGetter, intSetter, offsetof(AppleEventObject, timeout)),
};

const MethodRow kAppleEventMethods[] = {
    QV_TYPED_PARAM_ROWS,
    QV_FUNCTION("Send", Boolean, appleEventSend),
};

const MethodRow kAppleEventRecordMethods[] = {
    QV_SUB("Constructor", appleEventRecordConstructor),
    QV_TYPED_PARAM_ROWS,
};

const PropertyRow kDescListProperties[] = {
    QV_READONLY("Count", Integer, appleEventDescListCount),
};

#define QV_ITEM_ROWS(type, itemName, getter, appendName, appender)            \
  QV_FUNCTION(itemName, type, getter, Param("index", Integer)),               \
      QV_SUB(appendName, appender, Param("value", type))

const MethodRow kDescListMethods[] = {
    QV_SUB("Constructor", appleEventDescListConstructor),
    QV_ITEM_ROWS(Integer, "IntegerItem", appleEventDescListGetIntItem, "AppendInteger",
                 appleEventDescListAppendInt),
    QV_ITEM_ROWS(String, "StringItem", appleEventDescListGetStringItem, "AppendString",
                 appleEventDescListAppendString),
    QV_ITEM_ROWS(Class<"FolderItem">, "FolderItemItem", appleEventDescListGetFolderItemItem,
                 "AppendFolderItem", appleEventDescListAppendFolderItem),
    QV_ITEM_ROWS(Class<"AppleEventRecord">, "RecordItem", appleEventDescListGetRecordItem,
                 "AppendRecord", appleEventDescListAppendRecord),
    QV_ITEM_ROWS(Boolean, "BooleanItem", appleEventDescListGetBooleanItem, "AppendBoolean",
                 appleEventDescListAppendBoolean),
    QV_ITEM_ROWS(Class<"AppleEventDescList">, "DescListItem", appleEventDescListGetDescItem,
                 "AppendDescList", appleEventDescListAppendDesc),
    QV_ITEM_ROWS(Class<"AppleEventObjectSpecifier">, "ObjectSpecifierItem",
                 appleEventDescListGetObjectSpecifierItem, "AppendObjectSpecifier",
                 appleEventDescListAppendObjectSpecifier),
};

// Assignable only: Template.IntegerParam(keyword) = value.
#define QV_TEMPLATE_ROW(name, type, setter) \
  QV_SUB(name, setter, Param("keyword", String), Param("value", type)).Kind(kMethodAssigns)

const MethodRow kTemplateMethods[] = {
    QV_TEMPLATE_ROW("IntegerParam", Integer, aeTemplateSetIntParam),
    QV_TEMPLATE_ROW("StringParam", String, aeTemplateSetStringParam),
    QV_TEMPLATE_ROW("FolderItemParam", Class<"FolderItem">, aeTemplateSetFolderItemParam),
};

const PropertyRow kTargetProperties[] = {
    QV_READONLY("Remote", Boolean, aeTargetRemoteGetter),
    QV_READONLY("Name", String, aeTargetNameGetter).Flags(kTargetTextRowFlags),
    QV_READONLY("Zone", String, aeTargetZoneGetter).Flags(kTargetTextRowFlags),
    QV_READONLY("Computer", String, aeTargetComputerGetter).Flags(kTargetTextRowFlags),
    QV_READONLY("PortType", String, aeTargetPortTypeGetter).Flags(kTargetTextRowFlags),
};

const MethodRow kTargetMethods[] = {
    QV_FUNCTION("NewAppleEvent", Class<"AppleEvent">, aeTargetNewAppleEvent,
                Param("eventClass", String), Param("eventID", String)),
};

}  // namespace

QV_CLASS(AppleEventClassDefinition,
         .name = "AppleEvent",
         .objectSize = sizeof(AppleEventObject),
         .properties = kAppleEventProperties,
         .methods = kAppleEventMethods,
         .finalizer = QV_CODE(appleEventDestructor))

QV_CLASS(AppleEventRecordClassDefinition,
         .name = "AppleEventRecord",
         .methods = kAppleEventRecordMethods)

QV_CLASS(AppleEventDescListClassDefinition,
         .name = "AppleEventDescList",
         .properties = kDescListProperties,
         .methods = kDescListMethods,
         .finalizer = QV_CODE(appleEventItemDestructor))

QV_CLASS(AppleEventObjectSpecifierClassDefinition,
         .name = "AppleEventObjectSpecifier",
         .finalizer = QV_CODE(appleEventItemDestructor))

QV_CLASS(AppleEventTemplateClassDefinition,
         .name = "AppleEventTemplate",
         .methods = kTemplateMethods,
         .finalizer = QV_CODE(appleEventTemplateDestructor))

QV_CLASS(AppleEventTargetClassDefinition,
         .name = "AppleEventTarget",
         .properties = kTargetProperties,
         .methods = kTargetMethods)

namespace {

void RegisterAppleEventClasses() {
  for (ClassGetter getter :
       {AppleEventClassDefinition, AppleEventRecordClassDefinition,
        AppleEventDescListClassDefinition, AppleEventObjectSpecifierClassDefinition,
        AppleEventTemplateClassDefinition, AppleEventTargetClassDefinition}) {
    RegisterClassDefinition(getter());
  }
}

}  // namespace

QV_STARTUP(kStartupAppleEventClasses, RegisterAppleEventClasses)
