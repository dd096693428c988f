#include "controls/PaneAccessors.h"

#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "core/SimpleVector.h"
#include "windows/ControlRecord.h"
#include "windows/SubPane.h"
#include "windows/WindowEntryPoints.h"

namespace {

constexpr uint32_t kPositionMask = 0x3FF;

struct PaneFieldTable {
  ObjectDefinition* cls;
  const PaneField* fields;
  int32_t count;
};

SimpleVector<PaneFieldTable>& Tables() {
  static SimpleVector<PaneFieldTable> tables;
  return tables;
}

uint32_t ObjectOffset(uint32_t word) { return word & kPositionMask; }

uint32_t FieldIndex(uint32_t word) {
  return (word >> (UseAlternateAppearance() ? 20 : 10)) & kPositionMask;
}

// The open pane of a control, with the pane field the word names; nil without either. A word
// naming no field of the class's table is a failed check.
SubPane* PaneWithField(RuntimeObject* object, uint32_t word, const PaneField** field) {
  if (!IsControlObject(object)) return nullptr;
  SubPane* pane = AsControl(object)->pane;
  if (!pane || pane->IsClosing()) return nullptr;
  const uint32_t index = FieldIndex(word);
  for (RuntimeClass* cls = object->classPtr; cls; cls = cls->parentClass) {
    for (uint32_t i = Tables().size(); i-- > 0;) {
      const PaneFieldTable& table = Tables()[int32_t(i)];
      if (RuntimeClassForDefinition(table.cls) != cls) continue;
      if (!QV_CHECK_TEXT(index < uint32_t(table.count), "field < paneFieldCount", nullptr)) {
        return nullptr;
      }
      *field = &table.fields[index];
      return pane;
    }
  }
  QV_FAIL_TEXT("the class has pane fields", nullptr);
  return nullptr;
}

template <typename T>
T GetFromPane(RuntimeObject* object, uint32_t word, T (*fromObject)(RuntimeObject*, uint32_t)) {
  const PaneField* field = nullptr;
  if (SubPane* pane = PaneWithField(object, word, &field)) {
    if constexpr (std::is_pointer_v<T>) {
      return reinterpret_cast<T>(field->get(pane));
    } else {
      return T(field->get(pane));
    }
  }
  return fromObject(object, ObjectOffset(word));
}

template <typename T>
void SetInPane(RuntimeObject* object, uint32_t word, T value,
               void (*toObject)(RuntimeObject*, uint32_t, T)) {
  const PaneField* field = nullptr;
  if (SubPane* pane = PaneWithField(object, word, &field)) {
    if constexpr (std::is_pointer_v<T>) {
      field->set(pane, reinterpret_cast<uintptr_t>(value));
    } else {
      field->set(pane, uintptr_t(value));
    }
    pane->Refresh(true);
  }
  toObject(object, ObjectOffset(word), value);
}

}  // namespace

void RegisterPaneFields(ObjectDefinition* cls, const PaneField* fields, int32_t count) {
  Tables().Append({cls, fields, count});
}

extern "C" stringStorage* paneStringGetter(RuntimeObject* object, uint32_t word) {
  return GetFromPane<stringStorage*>(object, word, &stringGetter);
}
QV_EXPORT(paneStringGetter)

extern "C" void paneStringSetter(RuntimeObject* object, uint32_t word, stringStorage* value) {
  SetInPane<stringStorage*>(object, word, value, &stringSetter);
}
QV_EXPORT(paneStringSetter)

extern "C" int32_t paneBoolGetter(RuntimeObject* object, uint32_t word) {
  return GetFromPane<int32_t>(object, word, &boolGetter) != 0;
}
QV_EXPORT(paneBoolGetter)

extern "C" void paneBoolSetter(RuntimeObject* object, uint32_t word, int32_t value) {
  SetInPane<int32_t>(object, word, value != 0, &boolSetter);
}
QV_EXPORT(paneBoolSetter)

extern "C" int32_t paneIntGetter(RuntimeObject* object, uint32_t word) {
  return GetFromPane<int32_t>(object, word, &intGetter);
}
QV_EXPORT(paneIntGetter)

extern "C" void paneIntSetter(RuntimeObject* object, uint32_t word, int32_t value) {
  SetInPane<int32_t>(object, word, value, &intSetter);
}
QV_EXPORT(paneIntSetter)

extern "C" int32_t paneShortGetter(RuntimeObject* object, uint32_t word) {
  return int16_t(GetFromPane<int32_t>(object, word, &shortGetter));
}
QV_EXPORT(paneShortGetter)

extern "C" void paneShortSetter(RuntimeObject* object, uint32_t word, int32_t value) {
  SetInPane<int32_t>(object, word, value, &shortSetter);
}
QV_EXPORT(paneShortSetter)

extern "C" RuntimeObject* paneObjGetter(RuntimeObject* object, uint32_t word) {
  return GetFromPane<RuntimeObject*>(object, word, &objGetter);
}
QV_EXPORT(paneObjGetter)

extern "C" void paneObjSetter(RuntimeObject* object, uint32_t word, RuntimeObject* value) {
  SetInPane<RuntimeObject*>(object, word, value, &objSetter);
}
QV_EXPORT(paneObjSetter)
