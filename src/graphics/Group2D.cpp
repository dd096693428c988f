// Group2D and FigureShape: the item list (one reference per item) and the figure's curves.
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "graphics/Object2D.h"

namespace {

// The group's items; nil (after NilObjectException) for no group.
SimpleVector<RuntimeObject*>* ItemsOf(RuntimeObject* group) {
  if (!group) {
    RaiseNilObjectException();
    return nullptr;
  }
  return &reinterpret_cast<Group2DObject*>(group)->items;
}

// True for an index from 0 to limit - 1; raises OutOfBoundsException otherwise.
bool IndexBelow(int32_t index, uint32_t limit) {
  if (index >= 0 && uint32_t(index) < limit) return true;
  RaiseOutOfBoundsException();
  return false;
}

bool ItemGiven(RuntimeObject* item) {
  if (item) return true;
  RaiseNilObjectException();
  return false;
}

void AppendCurve(RuntimeObject* figure, int32_t order, const double (&points)[8]) {
  if (!ItemsOf(figure)) return;
  RuntimeObject* curve = NewObjectFromDefinition(CurveShapeClassDefinition());
  if (!curve) return;
  CurveShapeObject& c = *reinterpret_cast<CurveShapeObject*>(curve);
  c.order = order;
  c.base.x = points[0];
  c.base.y = points[1];
  c.x2 = points[2];
  c.y2 = points[3];
  c.control[0][0] = points[4];
  c.control[0][1] = points[5];
  c.control[1][0] = points[6];
  c.control[1][1] = points[7];
  Group2DAppend(figure, curve);
  RuntimeUnlockObject(curve);
}

}  // namespace

extern "C" int32_t Group2DCount(RuntimeObject* group, uint32_t /*offset*/) {
  const SimpleVector<RuntimeObject*>* items = ItemsOf(group);
  return items ? int32_t(items->size()) : 0;
}
QV_EXPORT(Group2DCount)

extern "C" void Group2DAppend(RuntimeObject* group, RuntimeObject* item) {
  SimpleVector<RuntimeObject*>* items = ItemsOf(group);
  if (!items || !ItemGiven(item)) return;
  RuntimeLockObject(item);
  items->Append(item);
}
QV_EXPORT(Group2DAppend)

extern "C" void Group2DInsert(RuntimeObject* group, int32_t index, RuntimeObject* item) {
  SimpleVector<RuntimeObject*>* items = ItemsOf(group);
  if (!items || !IndexBelow(index, items->size() + 1) || !ItemGiven(item)) return;
  RuntimeLockObject(item);
  items->InsertAt(index, item);
}
QV_EXPORT(Group2DInsert)

extern "C" RuntimeObject* Group2DGetItem(RuntimeObject* group, int32_t index) {
  SimpleVector<RuntimeObject*>* items = ItemsOf(group);
  if (!items || !IndexBelow(index, items->size())) return nullptr;
  RuntimeObject* item = (*items)[index];
  RuntimeLockObject(item);
  return item;
}
QV_EXPORT(Group2DGetItem)

extern "C" void Group2DSetItem(RuntimeObject* group, int32_t index, RuntimeObject* item) {
  SimpleVector<RuntimeObject*>* items = ItemsOf(group);
  if (!items || !IndexBelow(index, items->size()) || !ItemGiven(item)) return;
  RuntimeLockObject(item);
  RuntimeObject* old = (*items)[index];
  (*items)[index] = item;
  RuntimeUnlockObject(old);
}
QV_EXPORT(Group2DSetItem)

extern "C" void Group2DRemoveByIndex(RuntimeObject* group, int32_t index) {
  SimpleVector<RuntimeObject*>* items = ItemsOf(group);
  if (!items || !IndexBelow(index, items->size())) return;
  RuntimeObject* old = (*items)[index];
  items->RemoveAt(index);
  RuntimeUnlockObject(old);
}
QV_EXPORT(Group2DRemoveByIndex)

extern "C" void Group2DRemoveByObject(RuntimeObject* group, RuntimeObject* item) {
  SimpleVector<RuntimeObject*>* items = ItemsOf(group);
  if (!items || !item) return;
  for (uint32_t i = 0; i < items->size(); ++i) {
    if ((*items)[int32_t(i)] != item) continue;
    items->RemoveAt(int32_t(i));
    RuntimeUnlockObject(item);
    return;
  }
}
QV_EXPORT(Group2DRemoveByObject)

extern "C" void FigureShapeAddLine(RuntimeObject* figure, double x1, double y1, double x2,
                                   double y2) {
  AppendCurve(figure, 0, {x1, y1, x2, y2, 0, 0, 0, 0});
}
QV_EXPORT(FigureShapeAddLine)

extern "C" void FigureShapeAddQuad(RuntimeObject* figure, double x1, double y1, double x2,
                                   double y2, double controlX, double controlY) {
  AppendCurve(figure, 1, {x1, y1, x2, y2, controlX, controlY, 0, 0});
}
QV_EXPORT(FigureShapeAddQuad)

extern "C" void FigureShapeAddCubic(RuntimeObject* figure, double x1, double y1, double x2,
                                    double y2, double control1X, double control1Y,
                                    double control2X, double control2Y) {
  AppendCurve(figure, 2, {x1, y1, x2, y2, control1X, control1Y, control2X, control2Y});
}
QV_EXPORT(FigureShapeAddCubic)
