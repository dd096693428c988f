/* The media application: plays its 'WAVE' resource 128, then shows a window "Movies" with a
 * MoviePlayer of 160 x 120 at (20, 20) that plays its 'moov' resource 128 at once. The player's
 * Stop handler prints "Movie.Stop" and quits; "Sound.Play" is printed once the sound plays. */
#include "qvapp.h"

QVObject* RuntimeGetSoundFromResourceManager(uint32_t id);
QVObject* RuntimeGetMovieFromResource(uint32_t id);
void soundPlay(QVObject* sound);
int32_t soundIsPlaying(QVObject* sound);
void mediaMovieSetter(QVObject* player, uint32_t parameter, QVObject* movie);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);

#define MOVIEPLAYER_AUTOPLAY 138

static QVClass* gPlayerClass;
static QVObject* gSound;

static void* Field(QVObject* object, int offset) { return (char*)object + offset; }

static void OnStop(QVObject* player) {
  (void)player;
  RuntimeConsolePrint(QV_STR("Movie.Stop"));
  QV_ApplicationQuit(0);
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 0, 0, 200, 160, QV_STR("Movies"));
}

static void OnCreateControls(QVObject* window) {
  QVObject* player = RuntimeNewObject(gPlayerClass);
  RuntimeControlMove(player, 20, 20, 160, 120);
  ControlVisibleSetter(player, 0, 1);
  *(uint8_t*)Field(player, MOVIEPLAYER_AUTOPLAY) = 1;
  QVObject* movie = RuntimeGetMovieFromResource(128);
  mediaMovieSetter(player, 0, movie);
  RuntimeUnlockObject(movie);
  WindowAddControl(window, QV_STR("Player"), player);
  RuntimeUnlockObject(player);
}

QV_ENTRY {
  QVStartApplication();

  gSound = RuntimeGetSoundFromResourceManager(128);
  soundPlay(gSound);
  if (soundIsPlaying(gSound)) RuntimeConsolePrint(QV_STR("Sound.Play"));

  gPlayerClass = QVSubclass(QV_STR("MoviePlayer"), QV_STR("AppPlayer"));
  QVSetHandler(gPlayerClass, "Stop", (void*)OnStop);
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("MovieWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeUnlockObject(gSound);
}
