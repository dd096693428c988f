// The language classes "MoviePlayer", a control that plays its Movie inside its own drawing
// area (the pane RuntimeMedia over a MediaPlayer) and raises Play and Stop, and
// "MoviePlayerAction", what getBoundPart hands a push button to run the player's Play or Stop.
// The player is made with the pane and kept for its life; a new Movie only gives it another
// path.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "windows/ControlRecord.h"

struct MoviePlayerObject {
  ControlObject control;
  int32_t controller;  // 0..2; other values are stored, never passed on
  int32_t playerType;
  uint8_t border;
  uint8_t hasStep;
  uint8_t speaker;
  uint8_t autoResize;
  uint8_t looping;
  uint8_t palindrome;
  uint8_t autoPlay;
  uint8_t unused;
  RuntimeObject* movie;  // held
};
static_assert(sizeof(MoviePlayerObject) == 144 &&
                  offsetof(MoviePlayerObject, controller) == 124 &&
                  offsetof(MoviePlayerObject, border) == 132 &&
                  offsetof(MoviePlayerObject, autoPlay) == 138 &&
                  offsetof(MoviePlayerObject, movie) == 140,
              "MoviePlayer instances are 144 bytes");

inline MoviePlayerObject* AsMoviePlayer(RuntimeObject* control) {
  return reinterpret_cast<MoviePlayerObject*>(control);
}

struct MoviePlayerActionObject {
  RuntimeObject header;
  RuntimeObject* control;  // held
  int32_t command;         // kMediaActionPlay or kMediaActionStop
};
static_assert(sizeof(MoviePlayerActionObject) == 32, "MoviePlayerAction instances are 32 bytes");

inline constexpr int32_t kMediaActionPlay = 1;
inline constexpr int32_t kMediaActionStop = 2;

ObjectDefinition* MoviePlayerClassDefinition();
ObjectDefinition* MoviePlayerActionClassDefinition();

// The events the pane's delegate raises.
struct MoviePlayerHooks {
  ObjectHook* play = nullptr;
  ObjectHook* stop = nullptr;
  ObjectHook* controllerSizeChanged = nullptr;
};
const MoviePlayerHooks& MoviePlayerEvents();

extern "C" {
void MediaCreatePane(RuntimeObject* control);
void RuntimeMediaDestructor(RuntimeObject* control);
void RuntimeMediaPlay(RuntimeObject* control);
void RuntimeMediaStop(RuntimeObject* control);
void MediaControllerSetter(RuntimeObject* control, uint32_t parameter, int32_t value);
void mediaControllerLoopingSetter(RuntimeObject* control, uint32_t parameter, int32_t value);
void mediaControllerPalindromeSetter(RuntimeObject* control, uint32_t parameter, int32_t value);
void mediaMovieSetter(RuntimeObject* control, uint32_t parameter, RuntimeObject* movie);
int32_t mediaControllerWidthGetter(RuntimeObject* control, uint32_t parameter);
int32_t mediaControllerHeightGetter(RuntimeObject* control, uint32_t parameter);
int32_t mediaMovieControllerGetter(RuntimeObject* control, uint32_t parameter);
int32_t WMPMovieControllerGetter(RuntimeObject* control, uint32_t parameter);
int32_t MediaVolumeGetter(RuntimeObject* control, uint32_t parameter);
void MediaVolumeSetter(RuntimeObject* control, uint32_t parameter, int32_t volume);
// "getPlayAction" or "getStopAction" (letter case ignored): a new MoviePlayerAction; else nil.
RuntimeObject* mediaGetBoundPart(RuntimeObject* control, stringStorage* name);
void mediaActionPerformAction(RuntimeObject* action);
void mediaActionDestructor(RuntimeObject* action);
}
