// The Window class's field accessors (core/ClassFieldAccessors.h).
#include "core/ClassFieldAccessors.h"
#include "windows/WindowObject.h"

QV_WINDOW_FIELD_ACCESSORS(QV_DEFINE_FIELD_GETTER, QV_DEFINE_FIELD_SETTER)
