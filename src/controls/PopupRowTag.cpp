// A popup's part in data binding beyond its own receivers: BindList fills the rows from a list
// data provider, and getBoundPart("RowTagProvider") makes a "sys$popupRowTag", a string
// provider whose text is the tag of the popup's selected row. The popup's receiver list holds
// its providers; a provider does not hold its popup, and every live provider is listed here so
// that a popup going away cuts its providers loose (they then answer empty text, no data).
#include <algorithm>
#include <vector>

#include "controls/PopupMenuControl.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "values/VariantConversions.h"
#include "values/VariantTypes.h"

namespace {

using namespace lang;

std::vector<PopupRowTagObject*>& LiveProviders() {
  static std::vector<PopupRowTagObject*> providers;
  return providers;
}

PopupRowTagObject* AsRowTag(RuntimeObject* object) {
  return reinterpret_cast<PopupRowTagObject*>(object);
}

const MethodRow kRowTagMethods[] = {
    QV_FUNCTION("getString", String, popupRowTagGetString),
    QV_SUB("addDataNotificationReceiver", popupRowTagAddDNR,
           Param("receiver", Class<"dataNotificationReceiver">)),
    QV_SUB("removeDataNotificationReceiver", popupRowTagRemoveDNR,
           Param("receiver", Class<"dataNotificationReceiver">)),
    QV_FUNCTION("dataAvailable", Boolean, popupRowTagDataAvailable),
    QV_SUB("dataChanged", popupRowTagDataChanged),
};

const ClassGetter kRowTagInterfaces[] = {
    StringProviderInterfaceDefinition, DataNotifierInterfaceDefinition,
    DataAvailableProviderInterfaceDefinition, DataNotificationReceiverInterfaceDefinition};

// One row of a list data provider: its first field as the text, its second (when it has one)
// as the row's tag.
void AddProvidedRow(RuntimeObject* popup, RuntimeObject* row) {
  ObjectDefinition* tuple = TupleInterfaceDefinition();
  const int32_t fieldCount = FindInterfaceMethod(row, tuple, "FieldCount")
                                 ? CallInterfaceMethod<int32_t>(row, tuple, "FieldCount")
                                 : 1;
  if (fieldCount <= 0 || !FindInterfaceMethod(row, tuple, "getIndString")) return;
  const int32_t index = RuntimeComboBoxCountGetter(popup, 0);
  string text = string::Adopt(CallInterfaceMethod<stringStorage*>(row, tuple, "getIndString", 1));
  RuntimeComboBoxAddRow(popup, text.Storage());
  if (fieldCount < 2) return;
  string second = string::Adopt(CallInterfaceMethod<stringStorage*>(row, tuple, "getIndString", 2));
  RuntimeObject* tag = StringToVariant(second.Storage());
  // Without a pane the row went into InitialValue, and tags are dropped.
  if (index < RuntimeComboBoxCountGetter(popup, 0)) setPopupRowTag(popup, index, tag);
  RuntimeUnlockObject(tag);
}

}  // namespace

QV_CLASS(PopupRowTagClassDefinition,
         .name = "sys$popupRowTag",
         .objectSize = sizeof(PopupRowTagObject),
         .methods = kRowTagMethods,
         .finalizer = QV_CODE(popupRowTagDestructor),
         .interfaces = kRowTagInterfaces)
QV_STARTUP_CLASS(kStartupPopupRowTagClass, PopupRowTagClassDefinition)

extern "C" void popupBindList(RuntimeObject* popup, RuntimeObject* data) {
  if (!popup) return;
  PopupMenuObject* record = AsPopupMenu(popup);
  RuntimeLockObject(data);
  RuntimeUnlockObject(std::exchange(record->listSource, data));
  RuntimeComboBoxEmpty(popup);
  if (!data) return;
  ObjectDefinition* provider = ListDataProviderInterfaceDefinition();
  const int32_t count = CallInterfaceMethod<int32_t>(data, provider, "GetCount");
  if (!FindInterfaceMethod(data, provider, "GetRow")) return;
  for (int32_t i = 1; i <= count; ++i) {
    RuntimeObject* row = CallInterfaceMethod<RuntimeObject*>(data, provider, "GetRow", i);
    if (!row) continue;
    AddProvidedRow(popup, row);
    RuntimeUnlockObject(row);
  }
}
QV_EXPORT(popupBindList)

extern "C" RuntimeObject* popupGetBoundPart(RuntimeObject* popup, stringStorage* name) {
  if (!popup || string(name).Compare(string("RowTagProvider")) != 0) return nullptr;
  RuntimeObject* provider = NewObjectFromDefinition(PopupRowTagClassDefinition());
  if (!provider) return nullptr;
  AsRowTag(provider)->popup = popup;
  LiveProviders().push_back(AsRowTag(provider));
  popupAddDNR(popup, provider);
  return provider;
}
QV_EXPORT(popupGetBoundPart)

void ForgetPopupRowTagProviders(RuntimeObject* popup) {
  for (PopupRowTagObject* provider : LiveProviders()) {
    if (provider->popup == popup) provider->popup = nullptr;
  }
}

extern "C" void popupRowTagDestructor(RuntimeObject* object) {
  if (!object) return;
  PopupRowTagObject* provider = AsRowTag(object);
  std::vector<PopupRowTagObject*>& live = LiveProviders();
  live.erase(std::remove(live.begin(), live.end(), provider), live.end());
  provider->popup = nullptr;
  ReceiverListClear(&provider->receivers);
}
QV_EXPORT(popupRowTagDestructor)

extern "C" stringStorage* popupRowTagGetString(RuntimeObject* object) {
  RuntimeObject* popup = object ? AsRowTag(object)->popup : nullptr;
  if (!popup) return nullptr;
  const int32_t index = RuntimeComboBoxSelectionGetter(popup, 0);
  if (index < 0 || index >= RuntimeComboBoxCountGetter(popup, 0)) return nullptr;
  RuntimeObject* tag = getPopupRowTag(popup, index);
  if (!tag) return nullptr;
  string text;
  if (!TryVariantToString(tag, &text)) text = string();
  RuntimeUnlockObject(tag);
  return text.ExtractStringStorage();
}
QV_EXPORT(popupRowTagGetString)

extern "C" void popupRowTagAddDNR(RuntimeObject* object, RuntimeObject* receiver) {
  if (object) ReceiverListAdd(&AsRowTag(object)->receivers, receiver);
}
QV_EXPORT(popupRowTagAddDNR)

extern "C" void popupRowTagRemoveDNR(RuntimeObject* object, RuntimeObject* receiver) {
  if (object) ReceiverListRemove(&AsRowTag(object)->receivers, receiver);
}
QV_EXPORT(popupRowTagRemoveDNR)

extern "C" int32_t popupRowTagDataAvailable(RuntimeObject* object) {
  RuntimeObject* popup = object ? AsRowTag(object)->popup : nullptr;
  return popup ? popupDataAvailable(popup) : 0;
}
QV_EXPORT(popupRowTagDataAvailable)

extern "C" void popupRowTagDataChanged(RuntimeObject* object) {
  if (!object) return;
  RuntimeLockObject(object);
  NotifyDataChanged(&AsRowTag(object)->receivers);
  RuntimeUnlockObject(object);
}
QV_EXPORT(popupRowTagDataChanged)
