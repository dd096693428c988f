#include "windows/CursorsModule.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "windows/CursorPictures.h"
#include "windows/MouseCursorClass.h"

namespace {

using namespace lang;

constexpr const TypeDescriptor* kMouseCursor = Class<"MouseCursor">;
constexpr uint32_t kReadOnlyRow = 1;

// clang-format off
const PropertyRow kCursorsProperties[] = {
    QV_READONLY("HandOpen", kMouseCursor, GetHandOpenCursor).Flags(kReadOnlyRow),
    QV_READONLY("HandClosed", kMouseCursor, GetHandClosedCursor).Flags(kReadOnlyRow),
    QV_READONLY("ArrowEastWest", kMouseCursor, GetEastWestCursor).Flags(kReadOnlyRow),
    QV_READONLY("ArrowNorthSouth", kMouseCursor, GetNorthSouthCursor).Flags(kReadOnlyRow),
    QV_READONLY("ArrowNortheastSouthwest", kMouseCursor, GetNorthEastSouthWestCursor).Flags(kReadOnlyRow),
    QV_READONLY("ArrowNorthwestSoutheast", kMouseCursor, GetNorthWestSouthEastCursor).Flags(kReadOnlyRow),
    QV_READONLY("ArrowAllDirections", kMouseCursor, GetAllDirectionsCursor).Flags(kReadOnlyRow),
    QV_READONLY("IBeam", kMouseCursor, GetTheIBeamCursor).Flags(kReadOnlyRow),
    QV_READONLY("StandardPointer", kMouseCursor, GetStandardPointerCursor).Flags(kReadOnlyRow),
    QV_READONLY("Wait", kMouseCursor, GetWaitCursor).Flags(kReadOnlyRow),
    QV_READONLY("SplitterEastWest", kMouseCursor, GetSplitterEastWestCursor).Flags(kReadOnlyRow),
    QV_READONLY("SplitterNorthSouth", kMouseCursor, GetSplitterNorthSouthCursor).Flags(kReadOnlyRow),
    QV_READONLY("FingerPointer", kMouseCursor, GetFingerPointerCursor).Flags(kReadOnlyRow),
    QV_READONLY("MagnifyLarger", kMouseCursor, GetMagLargeCursor).Flags(kReadOnlyRow),
    QV_READONLY("MagnifySmaller", kMouseCursor, GetMagSmallCursor).Flags(kReadOnlyRow),
    QV_READONLY("InvisibleCursor", kMouseCursor, GetInvisibleCursor).Flags(kReadOnlyRow),
};
// clang-format on
const MethodRow kCursorsMethods[] = {
    QV_SUB("Show", ShowMouseCursor),
    QV_SUB("Hide", HideMouseCursor),
};

// The standard cursor of index, made once and kept; returned with a reference for the caller.
RuntimeObject* KeptCursor(int32_t index) {
  static RuntimeObject* kept[kStandardCursorCount];
  RuntimeObject*& cursor = kept[index];
  if (!cursor) cursor = NewMouseCursorObject(StandardCursorHandle(index));
  RuntimeLockObject(cursor);
  return cursor;
}

}  // namespace

QV_CLASS(CursorsClassDefinition,
         .name = "_Cursors",
         .properties = kCursorsProperties,
         .methods = kCursorsMethods)
QV_STARTUP_CLASS(kStartupCursorsModule, CursorsClassDefinition)

extern "C" RuntimeObject* GetCursorsClass(RuntimeObject*, uint32_t) {
  static RuntimeObject* cursors = NewObjectFromDefinition(CursorsClassDefinition());
  RuntimeLockObject(cursors);
  return cursors;
}
QV_EXPORT(GetCursorsClass)

#define QV_STANDARD_CURSOR_GETTER(getter, index)                 \
  extern "C" RuntimeObject* getter(RuntimeObject*, uint32_t) {   \
    return KeptCursor(index);                                    \
  }                                                              \
  QV_EXPORT(getter)

QV_STANDARD_CURSOR_GETTER(GetHandOpenCursor, kCursorHandOpen)
QV_STANDARD_CURSOR_GETTER(GetHandClosedCursor, kCursorHandClosed)
QV_STANDARD_CURSOR_GETTER(GetEastWestCursor, kCursorArrowEastWest)
QV_STANDARD_CURSOR_GETTER(GetNorthSouthCursor, kCursorArrowNorthSouth)
QV_STANDARD_CURSOR_GETTER(GetNorthEastSouthWestCursor, kCursorArrowNortheastSouthwest)
QV_STANDARD_CURSOR_GETTER(GetNorthWestSouthEastCursor, kCursorArrowNorthwestSoutheast)
QV_STANDARD_CURSOR_GETTER(GetAllDirectionsCursor, kCursorArrowAllDirections)
QV_STANDARD_CURSOR_GETTER(GetTheIBeamCursor, kCursorIBeam)
QV_STANDARD_CURSOR_GETTER(GetStandardPointerCursor, kCursorStandardPointer)
QV_STANDARD_CURSOR_GETTER(GetWaitCursor, kCursorWait)
QV_STANDARD_CURSOR_GETTER(GetSplitterEastWestCursor, kCursorSplitterEastWest)
QV_STANDARD_CURSOR_GETTER(GetSplitterNorthSouthCursor, kCursorSplitterNorthSouth)
QV_STANDARD_CURSOR_GETTER(GetFingerPointerCursor, kCursorFingerPointer)
QV_STANDARD_CURSOR_GETTER(GetMagLargeCursor, kCursorMagnifyLarger)
QV_STANDARD_CURSOR_GETTER(GetMagSmallCursor, kCursorMagnifySmaller)
QV_STANDARD_CURSOR_GETTER(GetInvisibleCursor, kCursorInvisible)

extern "C" void ShowMouseCursor(RuntimeObject*) {}
QV_EXPORT(ShowMouseCursor)

extern "C" void HideMouseCursor(RuntimeObject*) {}
QV_EXPORT(HideMouseCursor)
