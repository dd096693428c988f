#include "graphics/NotePlayerClass.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/Startup.h"

namespace {

using namespace lang;

int32_t gNotePlayers = 0;

const PropertyRow kNotePlayerProperties[] = {
    QV_PROPERTY("Instrument", Integer, intGetter, notePlayerInstrumentSetter,
                offsetof(NotePlayerObject, instrument)),
};

const MethodRow kNotePlayerMethods[] = {
    QV_SUB("PlayNote", notePlayerPlayNote, Param("pitch", Integer), Param("velocity", Integer)),
};

}  // namespace

QV_CLASS(NotePlayerClassDefinition,
         .name = "NotePlayer",
         .objectSize = sizeof(NotePlayerObject),
         .properties = kNotePlayerProperties,
         .methods = kNotePlayerMethods,
         .initializer = QV_CODE(RuntimeNotePlayerConstructor),
         .finalizer = QV_CODE(RuntimeNotePlayerDestructor))
QV_STARTUP_CLASS(kStartupNotePlayerClass, NotePlayerClassDefinition)

int32_t NotePlayerCount() { return gNotePlayers; }

extern "C" void RuntimeNotePlayerConstructor(RuntimeObject*) { ++gNotePlayers; }
QV_EXPORT(RuntimeNotePlayerConstructor)

extern "C" void RuntimeNotePlayerDestructor(RuntimeObject*) { --gNotePlayers; }
QV_EXPORT(RuntimeNotePlayerDestructor)

extern "C" void notePlayerInstrumentSetter(RuntimeObject* player, uint32_t, int32_t instrument) {
  if (player) reinterpret_cast<NotePlayerObject*>(player)->instrument = instrument;
}
QV_EXPORT(notePlayerInstrumentSetter)

extern "C" void notePlayerPlayNote(RuntimeObject*, int32_t, int32_t) {}
QV_EXPORT(notePlayerPlayNote)
