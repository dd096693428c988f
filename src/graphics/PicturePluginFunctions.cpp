#include "graphics/PicturePluginFunctions.h"

#include <unordered_map>
#include <vector>

#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "graphics/GraphicsClass.h"
#include "graphics/PictureClass.h"

namespace {

bool IsPicture(RuntimeObject* object) {
  return object && ObjectIsaDefinition(object, PictureClassDefinition());
}

QV::Drawable* SurfaceOf(RuntimeObject* picture) {
  return IsPicture(picture) ? PictureDrawable(picture) : nullptr;
}

// The surfaces each picture's outstanding locks hold a reference on, newest last.
std::unordered_map<RuntimeObject*, std::vector<QV::Drawable*>>& Locks() {
  static auto* locks = new std::unordered_map<RuntimeObject*, std::vector<QV::Drawable*>>;
  return *locks;
}

void ForgetLocksOf(RuntimeObject* object) {
  auto found = Locks().find(object);
  if (found == Locks().end()) return;
  const std::vector<QV::Drawable*> held = std::move(found->second);
  Locks().erase(found);
  for (QV::Drawable* surface : held) surface->Release();
}

void Fill(RuntimeObject* picture, QV::Drawable* surface, const DrawableTarget& target,
          PluginPictureDescription* description) {
  description->kind = target.kind;
  description->handle = target.handle;
  description->width = target.width;
  description->height = target.height;
  description->depth = surface->GetDepth();
  description->transparent = pictureTransparentGetter(picture, 0);
}

void WatchPictureDeaths() { AddObjectDestroyListener(ForgetLocksOf); }

}  // namespace

QV_STARTUP(kStartupPluginPictureLocks, WatchPictureDeaths)

extern "C" RuntimeObject* QUORGetPictureMask(RuntimeObject* picture, int32_t create) {
  if (!IsPicture(picture)) return nullptr;
  if (create) return pictureMaskGetter(picture, 0);
  RuntimeObject* mask = reinterpret_cast<PictureObject*>(picture)->mask;
  RuntimeLockObject(mask);
  return mask;
}
QV_EXPORT(QUORGetPictureMask)

extern "C" void QUORPictureClearCache(RuntimeObject*) {}
QV_EXPORT(QUORPictureClearCache)

extern "C" RuntimeObject* QUORBuildPictureFromBuffer(int32_t width, int32_t height,
                                                     int32_t format, const uint8_t* buffer,
                                                     int32_t rowBytes) {
  return NewPictureWithDrawable(
      DrawablePaneFromPixelBuffer(width, height, format, buffer, rowBytes));
}
QV_EXPORT(QUORBuildPictureFromBuffer)

extern "C" RuntimeObject* QUORBuildPictureFromPictureDescription() { return nullptr; }
QV_EXPORT(QUORBuildPictureFromPictureDescription)

extern "C" RuntimeObject* QUORBuildPictureFromGWorld() { return nullptr; }
QV_EXPORT(QUORBuildPictureFromGWorld)

extern "C" void lockPictureDescription(RuntimeObject* picture,
                                       PluginPictureDescription* description) {
  QV::Drawable* surface = SurfaceOf(picture);
  if (!surface || !description) return;
  DrawableTarget target{};
  surface->GetTarget(&target);
  Locks()[picture].push_back(surface);
  Fill(picture, surface, target, description);
}
QV_EXPORT(lockPictureDescription)

extern "C" int32_t QUORLockPictureDescription(RuntimeObject* picture,
                                              PluginPictureDescription* description,
                                              int32_t kind, int32_t) {
  QV::Drawable* surface = SurfaceOf(picture);
  if (!surface || !description) return 0;
  DrawableTarget target{};
  const bool locked = surface->GetTargetOfKind(&target, kind);
  if (!locked && kind != 0) return 0;
  if (locked) Locks()[picture].push_back(surface);
  Fill(picture, surface, target, description);
  return 1;
}
QV_EXPORT(QUORLockPictureDescription)

extern "C" void unlockPictureDescription(RuntimeObject* picture) {
  auto found = Locks().find(picture);
  if (!picture || found == Locks().end()) return;
  QV::Drawable* surface = found->second.back();
  found->second.pop_back();
  if (found->second.empty()) Locks().erase(found);
  // The plug-in may have drawn on the pixmap: the surface's copy of the pixels is out of date.
  surface->DiscardCache();
  surface->Release();
}
QV_EXPORT(unlockPictureDescription)

extern "C" void QUORDrawPicturePrimitive(RuntimeObject* graphics, RuntimeObject* picture,
                                         const QV::Rect* rect, int32_t transparent) {
  QV::Drawable* surface = SurfaceOf(picture);
  if (!surface || !graphics || !ObjectIsaDefinition(graphics, GraphicsClassDefinition())) return;
  Graphics* native = NativeGraphicsOf(graphics);
  if (!native) return;
  QV::Rect destination{};
  if (rect) {
    destination = *rect;
  } else {
    int32_t width = 0, height = 0;
    surface->GetSize(&width, &height);
    destination = QV::Rect{0, 0, int16_t(height), int16_t(width)};
  }
  surface->DrawInto(*native, destination, transparent != 0);
}
QV_EXPORT(QUORDrawPicturePrimitive)
