// The Object2D classes as the compiled code sees them: their tables, constructors (which set
// the kind and the defaults, base class first), destructors and accessors.
#include <new>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/Startup.h"
#include "graphics/Object2D.h"

namespace {

using namespace lang;

#define QV_SHAPE_DOUBLE(name, type, field) \
  QV_PROPERTY(name, Double, doubleGetter, Object2DDoubleSetter, offsetof(type, field))

const PropertyRow kObject2DProperties[] = {
    QV_VARIABLE("__qvf_mImp", Integer),
    QV_PROPERTY("FillColor", Color, intGetter, intSetter, offsetof(Object2DObject, fillColor)),
    QV_PROPERTY("BorderColor", Color, intGetter, intSetter,
                offsetof(Object2DObject, borderColor)),
    QV_SHAPE_DOUBLE("X", Object2DObject, x),
    QV_SHAPE_DOUBLE("Y", Object2DObject, y),
    QV_SHAPE_DOUBLE("Rotation", Object2DObject, rotation),
    QV_SHAPE_DOUBLE("Scale", Object2DObject, scale),
    QV_PROPERTY("Fill", Double, doublePercentGetter, doublePercentSetter,
                offsetof(Object2DObject, fill)),
    QV_PROPERTY("Border", Double, doublePercentGetter, doublePercentSetter,
                offsetof(Object2DObject, border)),
    QV_PROPERTY("BorderWidth", Double, doubleGetter, doubleSetter,
                offsetof(Object2DObject, borderWidth)),
};

const PropertyRow kRectShapeProperties[] = {
    QV_PROPERTY("Width", Double, doubleGetter, doubleSetter, offsetof(RectShapeObject, width)),
    QV_PROPERTY("Height", Double, doubleGetter, doubleSetter, offsetof(RectShapeObject, height)),
};
const MethodRow kRectShapeMethods[] = {
    QV_FUNCTION("Contains", Boolean, RectShapeContains, Param("x", Double), Param("y", Double)),
};

const PropertyRow kRoundRectShapeProperties[] = {
    QV_PROPERTY("CornerWidth", Double, doubleGetter, doubleSetter,
                offsetof(RoundRectShapeObject, cornerWidth)),
    QV_PROPERTY("CornerHeight", Double, doubleGetter, doubleSetter,
                offsetof(RoundRectShapeObject, cornerHeight)),
    QV_PROPERTY("Segments", Integer, intGetter, intSetter,
                offsetof(RoundRectShapeObject, segments)),
};

const PropertyRow kOvalShapeProperties[] = {
    QV_PROPERTY("Segments", Integer, intGetter, intSetter, offsetof(OvalShapeObject, segments)),
};

const PropertyRow kArcShapeProperties[] = {
    QV_PROPERTY("StartAngle", Double, doubleGetter, ArcStartAngleSetter,
                offsetof(ArcShapeObject, startAngle)),
    QV_PROPERTY("ArcAngle", Double, doubleGetter, doubleSetter,
                offsetof(ArcShapeObject, arcAngle)),
};

const PropertyRow kStringShapeProperties[] = {
    QV_PROPERTY("TextSize", Double, doubleGetter, doubleSetter,
                offsetof(StringShapeObject, textSize)),
    QV_PROPERTY("Text", String, stringGetter, stringSetter, offsetof(StringShapeObject, text)),
    QV_PROPERTY("TextFont", String, stringGetter, stringSetter,
                offsetof(StringShapeObject, textFont)),
    QV_PROPERTY("Bold", Boolean, boolGetter, boolSetter, offsetof(StringShapeObject, bold)),
    QV_PROPERTY("Italic", Boolean, boolGetter, boolSetter, offsetof(StringShapeObject, italic)),
    QV_PROPERTY("Underline", Boolean, boolGetter, boolSetter,
                offsetof(StringShapeObject, underline)),
};

const PropertyRow kCurveShapeProperties[] = {
    QV_PROPERTY("X2", Double, doubleGetter, doubleSetter, offsetof(CurveShapeObject, x2)),
    QV_PROPERTY("Y2", Double, doubleGetter, doubleSetter, offsetof(CurveShapeObject, y2)),
    QV_PROPERTY("Order", Integer, intGetter, CurveOrderSetter, offsetof(CurveShapeObject, order)),
    QV_PROPERTY("Segments", Integer, intGetter, intSetter, offsetof(CurveShapeObject, segments)),
};
const MethodRow kCurveShapeMethods[] = {
    QV_FUNCTION_ASSIGNS("ControlX", Double, CurveGetControlX, CurveSetControlX,
                        Param("index", Integer)),
    QV_FUNCTION_ASSIGNS("ControlY", Double, CurveGetControlY, CurveSetControlY,
                        Param("index", Integer)),
};

const PropertyRow kGroup2DProperties[] = {
    QV_READONLY("Count", Integer, Group2DCount),
};

// A group's methods, their items declared as class (Object2D, or CurveShape for a figure).
#define QV_GROUP_METHODS(itemClass, itemName)                                                 \
  QV_SUB("Append", Group2DAppend, Param(itemName, itemClass)),                                \
      QV_SUB("Insert", Group2DInsert, Param("index", Integer), Param(itemName, itemClass)),   \
      QV_FUNCTION_ASSIGNS("Item", itemClass, Group2DGetItem, Group2DSetItem,                  \
                          Param("index", Integer)),                                           \
      QV_SUB("Remove", Group2DRemoveByObject, Param(itemName, itemClass)),                    \
      QV_SUB("Remove", Group2DRemoveByIndex, Param("index", Integer))

const MethodRow kGroup2DMethods[] = {QV_GROUP_METHODS(Class<"Object2D">, "object2D")};

const MethodRow kFigureShapeMethods[] = {
    QV_GROUP_METHODS(Class<"CurveShape">, "curveShape"),
    QV_SUB("AddLine", FigureShapeAddLine, Param("x1", Double), Param("y1", Double),
           Param("x2", Double), Param("y2", Double)),
    QV_SUB("AddQuad", FigureShapeAddQuad, Param("x1", Double), Param("y1", Double),
           Param("x2", Double), Param("y2", Double), Param("controlX", Double),
           Param("controlY", Double)),
    QV_SUB("AddCubic", FigureShapeAddCubic, Param("x1", Double), Param("y1", Double),
           Param("x2", Double), Param("y2", Double), Param("control1X", Double),
           Param("control1Y", Double), Param("control2X", Double), Param("control2Y", Double)),
};

CurveShapeObject* AsCurve(RuntimeObject* curve) {
  return reinterpret_cast<CurveShapeObject*>(curve);
}

// The control point at index of a curve; nil (after the exception) for no curve or an index
// other than 0 and 1.
double* ControlPoint(RuntimeObject* curve, int32_t index) {
  if (!curve) {
    RaiseNilObjectException();
    return nullptr;
  }
  if (index < 0 || index > 1) {
    RaiseOutOfBoundsException();
    return nullptr;
  }
  return AsCurve(curve)->control[index];
}

}  // namespace

QV_CLASS(Object2DClassDefinition,
         .name = "Object2D",
         .objectSize = sizeof(Object2DObject),
         .properties = kObject2DProperties,
         .initializer = QV_CODE(Object2DConstructor))
QV_CLASS(RectShapeClassDefinition,
         .name = "RectShape",
         .super = Object2DClassDefinition,
         .objectSize = sizeof(RectShapeObject),
         .properties = kRectShapeProperties,
         .methods = kRectShapeMethods,
         .initializer = QV_CODE(RectShapeConstructor))
QV_CLASS(RoundRectShapeClassDefinition,
         .name = "RoundRectShape",
         .super = RectShapeClassDefinition,
         .objectSize = sizeof(RoundRectShapeObject),
         .properties = kRoundRectShapeProperties,
         .initializer = QV_CODE(RoundRectShapeConstructor))
QV_CLASS(OvalShapeClassDefinition,
         .name = "OvalShape",
         .super = RectShapeClassDefinition,
         .objectSize = sizeof(OvalShapeObject),
         .properties = kOvalShapeProperties,
         .initializer = QV_CODE(OvalShapeConstructor))
QV_CLASS(ArcShapeClassDefinition,
         .name = "ArcShape",
         .super = OvalShapeClassDefinition,
         .objectSize = sizeof(ArcShapeObject),
         .properties = kArcShapeProperties,
         .initializer = QV_CODE(ArcShapeConstructor))
QV_CLASS(StringShapeClassDefinition,
         .name = "StringShape",
         .super = Object2DClassDefinition,
         .objectSize = sizeof(StringShapeObject),
         .properties = kStringShapeProperties,
         .initializer = QV_CODE(StringShapeConstructor),
         .finalizer = QV_CODE(StringShapeDestructor))
QV_CLASS(CurveShapeClassDefinition,
         .name = "CurveShape",
         .super = Object2DClassDefinition,
         .objectSize = sizeof(CurveShapeObject),
         .properties = kCurveShapeProperties,
         .methods = kCurveShapeMethods,
         .initializer = QV_CODE(CurveShapeConstructor))
QV_CLASS(Group2DClassDefinition,
         .name = "Group2D",
         .super = Object2DClassDefinition,
         .objectSize = sizeof(Group2DObject),
         .properties = kGroup2DProperties,
         .methods = kGroup2DMethods,
         .initializer = QV_CODE(Group2DConstructor),
         .finalizer = QV_CODE(Group2DDestructor))
QV_CLASS(FigureShapeClassDefinition,
         .name = "FigureShape",
         .super = Group2DClassDefinition,
         .objectSize = sizeof(Group2DObject),
         .methods = kFigureShapeMethods,
         .initializer = QV_CODE(FigureShapeConstructor),
         .finalizer = QV_CODE(FigureShapeDestructor))

void RegisterObject2DClasses() {
  for (ClassGetter getter :
       {Object2DClassDefinition, RectShapeClassDefinition, RoundRectShapeClassDefinition,
        OvalShapeClassDefinition, ArcShapeClassDefinition, PixmapShapeClassDefinition,
        StringShapeClassDefinition, CurveShapeClassDefinition, Group2DClassDefinition, FigureShapeClassDefinition}) {
    RegisterClassDefinition(getter());
  }
}
QV_STARTUP(kStartupObject2DClasses, RegisterObject2DClasses)

RuntimeObject* NewRoundRectShape(double width, double height, double cornerWidth,
                                 double cornerHeight) {
  RuntimeObject* shape = NewObjectFromDefinition(RoundRectShapeClassDefinition());
  if (!shape) return nullptr;
  RoundRectShapeObject* round = reinterpret_cast<RoundRectShapeObject*>(shape);
  round->rect.width = width;
  round->rect.height = height;
  round->cornerWidth = cornerWidth;
  round->cornerHeight = cornerHeight;
  return shape;
}

// ---- accessors ----

extern "C" void Object2DDoubleSetter(RuntimeObject* shape, uint32_t offset, double value) {
  if (!shape) {
    RaiseNilObjectException();
    return;
  }
  const Object2DObject& base = *AsObject2D(shape);
  switch (offset) {
    case offsetof(Object2DObject, x):
      Object2DSetPosition(shape, value, base.y);
      return;
    case offsetof(Object2DObject, y):
      Object2DSetPosition(shape, base.x, value);
      return;
    case offsetof(Object2DObject, rotation):
      Object2DSetRotation(shape, value);
      return;
    case offsetof(Object2DObject, scale):
      Object2DSetScale(shape, value);
      return;
    default:
      doubleSetter(shape, offset, value);
      return;
  }
}
QV_EXPORT(Object2DDoubleSetter)

extern "C" double doublePercentGetter(RuntimeObject* object, uint32_t offset) {
  return doubleGetter(object, offset) * 100;
}
QV_EXPORT(doublePercentGetter)

extern "C" void doublePercentSetter(RuntimeObject* object, uint32_t offset, double value) {
  doubleSetter(object, offset, value * 0.01);
}
QV_EXPORT(doublePercentSetter)

extern "C" void ArcStartAngleSetter(RuntimeObject* arc, uint32_t offset, double angle) {
  double reduced = ReduceAngle(angle);
  if (reduced < 0) reduced += kTwoPi;
  doubleSetter(arc, offset, reduced);
}
QV_EXPORT(ArcStartAngleSetter)

extern "C" void CurveOrderSetter(RuntimeObject* curve, uint32_t offset, int32_t order) {
  if (order > 2) {
    RaiseOutOfBoundsException();
    return;
  }
  intSetter(curve, offset, order);
}
QV_EXPORT(CurveOrderSetter)

extern "C" double CurveGetControlX(RuntimeObject* curve, int32_t index) {
  const double* point = ControlPoint(curve, index);
  return point ? point[0] : 0;
}
QV_EXPORT(CurveGetControlX)

extern "C" double CurveGetControlY(RuntimeObject* curve, int32_t index) {
  const double* point = ControlPoint(curve, index);
  return point ? point[1] : 0;
}
QV_EXPORT(CurveGetControlY)

extern "C" void CurveSetControlX(RuntimeObject* curve, int32_t index, double value) {
  if (double* point = ControlPoint(curve, index)) point[0] = value;
}
QV_EXPORT(CurveSetControlX)

extern "C" void CurveSetControlY(RuntimeObject* curve, int32_t index, double value) {
  if (double* point = ControlPoint(curve, index)) point[1] = value;
}
QV_EXPORT(CurveSetControlY)

extern "C" int32_t RectShapeContains(RuntimeObject* shape, double x, double y) {
  if (!shape) {
    RaiseNilObjectException();
    return 0;
  }
  return Object2DContains(shape, x, y) ? 1 : 0;
}
QV_EXPORT(RectShapeContains)

// ---- constructors and destructors ----

extern "C" void Object2DConstructor(RuntimeObject* shape) {
  Object2DObject& base = *AsObject2D(shape);
  base.kind = kKindObject2D;
  base.scale = 1.0;
  base.fill = 1.0;
  base.borderWidth = 1.0;
}
QV_EXPORT(Object2DConstructor)

extern "C" void RectShapeConstructor(RuntimeObject* shape) {
  RectShapeObject& rect = *reinterpret_cast<RectShapeObject*>(shape);
  rect.base.kind = kKindRect;
  rect.width = 100;
  rect.height = 100;
}
QV_EXPORT(RectShapeConstructor)

extern "C" void RoundRectShapeConstructor(RuntimeObject* shape) {
  AsObject2D(shape)->kind = kKindRoundRect;
}
QV_EXPORT(RoundRectShapeConstructor)

extern "C" void OvalShapeConstructor(RuntimeObject* shape) { AsObject2D(shape)->kind = kKindOval; }
QV_EXPORT(OvalShapeConstructor)

extern "C" void ArcShapeConstructor(RuntimeObject* shape) {
  ArcShapeObject& arc = *reinterpret_cast<ArcShapeObject*>(shape);
  arc.oval.rect.base.kind = kKindArc;
  arc.startAngle = 0;
  arc.arcAngle = 1.5707963267948966;
}
QV_EXPORT(ArcShapeConstructor)

extern "C" void StringShapeConstructor(RuntimeObject* shape) {
  StringShapeObject& text = *reinterpret_cast<StringShapeObject*>(shape);
  text.base.kind = kKindString;
  text.textSize = 12;
  text.text = string("-").ExtractStringStorage();
  text.textFont = string("System").ExtractStringStorage();
}
QV_EXPORT(StringShapeConstructor)

extern "C" void StringShapeDestructor(RuntimeObject* shape) {
  StringShapeObject& text = *reinterpret_cast<StringShapeObject*>(shape);
  stringStorage::RemoveReference(text.text);
  stringStorage::RemoveReference(text.textFont);
  text.text = text.textFont = nullptr;
}
QV_EXPORT(StringShapeDestructor)

extern "C" void CurveShapeConstructor(RuntimeObject* shape) {
  CurveShapeObject& curve = *AsCurve(shape);
  curve.base.kind = kKindCurve;
  curve.base.fill = 0;
  curve.base.border = 1.0;
  curve.x2 = 100;
  curve.y2 = 100;
}
QV_EXPORT(CurveShapeConstructor)

// The list lives in the object's zeroed storage: made here, destroyed by the destructor.
extern "C" void Group2DConstructor(RuntimeObject* group) {
  Group2DObject& g = *reinterpret_cast<Group2DObject*>(group);
  g.base.kind = kKindGroup;
  new (&g.items) SimpleVector<RuntimeObject*>(16);
  g.items.resize(16);
}
QV_EXPORT(Group2DConstructor)

extern "C" void Group2DDestructor(RuntimeObject* group) {
  SimpleVector<RuntimeObject*>& items = reinterpret_cast<Group2DObject*>(group)->items;
  for (uint32_t i = 0; i < items.size(); ++i) RuntimeUnlockObject(items[int32_t(i)]);
  items.~SimpleVector();
}
QV_EXPORT(Group2DDestructor)

extern "C" void FigureShapeConstructor(RuntimeObject* figure) {
  AsObject2D(figure)->kind = kKindFigure;
}
QV_EXPORT(FigureShapeConstructor)

// A figure holds nothing beyond its group: Group2DDestructor, which runs after it, releases the
// curves.
extern "C" void FigureShapeDestructor(RuntimeObject*) {}
QV_EXPORT(FigureShapeDestructor)
