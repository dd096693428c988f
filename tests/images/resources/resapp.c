/* The resource application: asks the resource manager for each kind of resource it carries and
 * for its version information, handing everything it gets to ResourceTestRecord, which the
 * test binary exports. Resource 128 of each kind is present, 129 of none. */
#include "qvapp.h"

void ResourceTestRecord(QVString label, void* value);
void ResourceTestNumber(QVString label, int32_t value);

QVString RuntimeGetTextFileFromResourceManager(uint32_t id);
QVObject* RuntimeGetSoundFromResourceManager(uint32_t id);
QVObject* RuntimeGetBitmapFromResourceManager(uint32_t id);
QVObject* RuntimeGetMovieFromResource(uint32_t id);
int32_t AppIntegerVersionStuffGetter(QVObject* app, uint32_t which);
QVString AppStringVersionStuffGetter(QVObject* app, uint32_t which);

static void RecordObject(QVString label, QVObject* object) {
  ResourceTestRecord(label, object);
  RuntimeUnlockObject(object);
}

QV_ENTRY {
  QVString text = RuntimeGetTextFileFromResourceManager(128);
  ResourceTestRecord(QV_STR("text"), text);
  RuntimeUnlockString(text);
  RecordObject(QV_STR("sound"), RuntimeGetSoundFromResourceManager(128));
  RecordObject(QV_STR("movie"), RuntimeGetMovieFromResource(128));
  RecordObject(QV_STR("picture"), RuntimeGetBitmapFromResourceManager(128));
  RecordObject(QV_STR("absent"), RuntimeGetSoundFromResourceManager(129));
  ResourceTestNumber(QV_STR("stage"), AppIntegerVersionStuffGetter(0, 3));
  QVString info = AppStringVersionStuffGetter(0, 2);
  ResourceTestRecord(QV_STR("info"), info);
  RuntimeUnlockString(info);
}
