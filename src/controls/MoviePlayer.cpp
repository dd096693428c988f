#include "controls/MoviePlayer.h"

#include <algorithm>
#include <utility>

#include "controls/ControlClasses.h"
#include "controls/RuntimeControl.h"
#include "controls/RuntimeMedia.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "database/DataBinding.h"
#include "graphics/MediaStubs.h"
#include "graphics/MovieClass.h"

namespace {

using namespace lang;

MoviePlayerHooks gHooks;

const PropertyRow kMoviePlayerProperties[] = {
    QV_PROPERTY("AutoPlay", Boolean, boolGetter, boolSetter,
                offsetof(MoviePlayerObject, autoPlay)),
    QV_PROPERTY("Border", Boolean, boolGetter, boolSetter, offsetof(MoviePlayerObject, border)),
    QV_PROPERTY("HasStep", Boolean, boolGetter, boolSetter,
                offsetof(MoviePlayerObject, hasStep)),
    QV_PROPERTY("Speaker", Boolean, boolGetter, boolSetter,
                offsetof(MoviePlayerObject, speaker)),
    QV_PROPERTY("AutoResize", Boolean, boolGetter, boolSetter,
                offsetof(MoviePlayerObject, autoResize)),
    QV_PROPERTY("PlayerType", Integer, intGetter, intSetter,
                offsetof(MoviePlayerObject, playerType)),
    QV_PROPERTY("Controller", Integer, intGetter, MediaControllerSetter,
                offsetof(MoviePlayerObject, controller)),
    QV_PROPERTY("Looping", Boolean, boolGetter, mediaControllerLoopingSetter,
                offsetof(MoviePlayerObject, looping)),
    QV_PROPERTY("Palindrome", Boolean, boolGetter, mediaControllerPalindromeSetter,
                offsetof(MoviePlayerObject, palindrome)),
    QV_PROPERTY("Movie", Class<"Movie">, objGetter, mediaMovieSetter,
                offsetof(MoviePlayerObject, movie)),
    QV_READONLY("ControllerWidth", Integer, mediaControllerWidthGetter),
    QV_READONLY("ControllerHeight", Integer, mediaControllerHeightGetter),
    QV_READONLY("QTMovieController", Integer, mediaMovieControllerGetter),
    QV_READONLY("MovieController", Integer, WMPMovieControllerGetter),
    QV_PROPERTY("LinuxVolume", Integer, MediaVolumeGetter, MediaVolumeSetter),
};

const MethodRow kMoviePlayerMethods[] = {
    QV_SUB("Play", RuntimeMediaPlay),
    QV_SUB("Stop", RuntimeMediaStop),
    QV_FUNCTION("getBoundPart", Class<"Object">, mediaGetBoundPart, Param("name", String)),
};

const EventRow kMoviePlayerEvents[] = {
    QV_EVENT("Play", &gHooks.play),
    QV_EVENT("Stop", &gHooks.stop),
    QV_EVENT("ControllerSizeChanged", &gHooks.controllerSizeChanged),
};

const EventImplementationRow kMoviePlayerImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", MediaCreatePane),
};

const MethodRow kMoviePlayerActionMethods[] = {
    QV_SUB("PerformAction", mediaActionPerformAction),
};

const ClassGetter kMoviePlayerActionInterfaces[] = {ActionNotificationReceiverInterfaceDefinition};

RuntimeMedia* PaneOf(RuntimeObject* control) {
  SubPane* pane = control ? AsControl(control)->pane : nullptr;
  return pane && !pane->IsClosing() ? static_cast<RuntimeMedia*>(pane) : nullptr;
}

MediaPlayer* PlayerOf(RuntimeObject* control) {
  RuntimeMedia* pane = PaneOf(control);
  return pane ? pane->Player() : nullptr;
}

MoviePlayerActionObject* AsAction(RuntimeObject* action) {
  return reinterpret_cast<MoviePlayerActionObject*>(action);
}

}  // namespace

QV_CLASS(MoviePlayerClassDefinition,
         .name = "MoviePlayer",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(MoviePlayerObject),
         .properties = kMoviePlayerProperties,
         .methods = kMoviePlayerMethods,
         .events = kMoviePlayerEvents,
         .eventImplementations = kMoviePlayerImplementations,
         .finalizer = QV_CODE(RuntimeMediaDestructor))
QV_STARTUP_CLASS(kStartupMoviePlayerClass, MoviePlayerClassDefinition)

QV_CLASS(MoviePlayerActionClassDefinition,
         .name = "MoviePlayerAction",
         .objectSize = sizeof(MoviePlayerActionObject),
         .methods = kMoviePlayerActionMethods,
         .finalizer = QV_CODE(mediaActionDestructor),
         .interfaces = kMoviePlayerActionInterfaces)
QV_STARTUP_CLASS(kStartupMoviePlayerActionClass, MoviePlayerActionClassDefinition)

const MoviePlayerHooks& MoviePlayerEvents() { return gHooks; }

extern "C" void MediaCreatePane(RuntimeObject* control) {
  if (!QV_CHECK_TEXT(control, "self", nullptr)) return;
  ControlObject& record = *AsControl(control);
  if (!QV_CHECK_TEXT(record.ownerPane, "self->mOwnerPane", nullptr)) return;
  RuntimeMedia* pane =
      new RuntimeMedia(control, record.ownerPane, record.tabPanelIndex, record.bounds);
  record.bounds = pane->GetBounds();
  AdoptControlPane(control, pane);
  pane->AttachPlayer();
}
QV_EXPORT(MediaCreatePane)

// The pane may outlive the object (a handler holds its chain): no event may reach it then.
extern "C" void RuntimeMediaDestructor(RuntimeObject* control) {
  if (!control) return;
  if (SubPane* pane = AsControl(control)->pane) static_cast<RuntimeMedia*>(pane)->ForgetControl();
  RuntimeUnlockObject(std::exchange(AsMoviePlayer(control)->movie, nullptr));
}
QV_EXPORT(RuntimeMediaDestructor)

// Without a player the media layer would play, which it never does here.
extern "C" void RuntimeMediaPlay(RuntimeObject* control) {
  if (MediaPlayer* player = PlayerOf(control)) player->Play();
}
QV_EXPORT(RuntimeMediaPlay)

extern "C" void RuntimeMediaStop(RuntimeObject* control) {
  if (MediaPlayer* player = PlayerOf(control)) player->Stop();
}
QV_EXPORT(RuntimeMediaStop)

extern "C" void MediaControllerSetter(RuntimeObject* control, uint32_t, int32_t value) {
  if (!control) return;
  AsMoviePlayer(control)->controller = value;
  MediaPlayer* player = PlayerOf(control);
  if (player && value >= 0 && value <= 2) player->SetController(value);
}
QV_EXPORT(MediaControllerSetter)

extern "C" void mediaControllerLoopingSetter(RuntimeObject* control, uint32_t, int32_t value) {
  if (control) AsMoviePlayer(control)->looping = value != 0;
}
QV_EXPORT(mediaControllerLoopingSetter)

extern "C" void mediaControllerPalindromeSetter(RuntimeObject* control, uint32_t,
                                                int32_t value) {
  if (control) AsMoviePlayer(control)->palindrome = value != 0;
}
QV_EXPORT(mediaControllerPalindromeSetter)

extern "C" void mediaMovieSetter(RuntimeObject* control, uint32_t, RuntimeObject* movie) {
  if (!control) return;
  MediaStubPaneClosing(AsControl(control)->pane);
  RuntimeLockObject(movie);
  RuntimeUnlockObject(std::exchange(AsMoviePlayer(control)->movie, movie));
  if (RuntimeMedia* pane = PaneOf(control)) pane->AttachPlayer();
}
QV_EXPORT(mediaMovieSetter)

extern "C" int32_t mediaControllerWidthGetter(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(mediaControllerWidthGetter)

extern "C" int32_t mediaControllerHeightGetter(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(mediaControllerHeightGetter)

extern "C" int32_t mediaMovieControllerGetter(RuntimeObject* control, uint32_t) {
  return int32_t(MediaFindController(control));
}
QV_EXPORT(mediaMovieControllerGetter)

extern "C" int32_t WMPMovieControllerGetter(RuntimeObject*, uint32_t) { return 0; }
QV_EXPORT(WMPMovieControllerGetter)

extern "C" int32_t MediaVolumeGetter(RuntimeObject* control, uint32_t) {
  MediaPlayer* player = PlayerOf(control);
  return player ? player->GetVolume() : 0;
}
QV_EXPORT(MediaVolumeGetter)

// Limited to 0..256: the back ends refuse or distort what lies beyond full volume.
extern "C" void MediaVolumeSetter(RuntimeObject* control, uint32_t, int32_t volume) {
  if (MediaPlayer* player = PlayerOf(control)) player->SetVolume(std::clamp(volume, 0, 256));
}
QV_EXPORT(MediaVolumeSetter)

extern "C" RuntimeObject* mediaGetBoundPart(RuntimeObject* control, stringStorage* name) {
  if (!control) return nullptr;
  const string part(name);
  int32_t command = 0;
  if (part.Compare(string("getPlayAction")) == 0) command = kMediaActionPlay;
  if (part.Compare(string("getStopAction")) == 0) command = kMediaActionStop;
  if (!command) return nullptr;
  RuntimeObject* action = NewObjectFromDefinition(MoviePlayerActionClassDefinition());
  if (!action) return nullptr;
  RuntimeLockObject(control);
  AsAction(action)->control = control;
  AsAction(action)->command = command;
  return action;
}
QV_EXPORT(mediaGetBoundPart)

extern "C" void mediaActionPerformAction(RuntimeObject* action) {
  if (!action) return;
  RuntimeObject* control = AsAction(action)->control;
  if (AsAction(action)->command == kMediaActionPlay) RuntimeMediaPlay(control);
  if (AsAction(action)->command == kMediaActionStop) RuntimeMediaStop(control);
}
QV_EXPORT(mediaActionPerformAction)

extern "C" void mediaActionDestructor(RuntimeObject* action) {
  if (action) RuntimeUnlockObject(std::exchange(AsAction(action)->control, nullptr));
}
QV_EXPORT(mediaActionDestructor)
