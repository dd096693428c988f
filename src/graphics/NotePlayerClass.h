// The NotePlayer class: a note synthesizer that this platform does not have. It keeps its
// instrument and plays nothing; the process counts the NotePlayers alive.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct NotePlayerObject {
  RuntimeObject header;
  int32_t instrument;
};
static_assert(sizeof(NotePlayerObject) == 28 && offsetof(NotePlayerObject, instrument) == 24);

ObjectDefinition* NotePlayerClassDefinition();
int32_t NotePlayerCount();

extern "C" {
void RuntimeNotePlayerConstructor(RuntimeObject* player);
void RuntimeNotePlayerDestructor(RuntimeObject* player);
void notePlayerInstrumentSetter(RuntimeObject* player, uint32_t parameter, int32_t instrument);
void notePlayerPlayNote(RuntimeObject* player, int32_t pitch, int32_t velocity);
}
