// What the stream classes (TextInputStream, TextOutputStream, BinaryStream) do alike with the
// mechanism each owns in its first field: making a stream over a mechanism, opening one on a
// handle the application holds, closing it while keeping its last error, and the handle.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "files/RandomAccessMechanism.h"

// The fields every stream object starts with.
struct StreamObjectFields {
  RuntimeObject header;
  RandomAccessMechanism* mechanism;  // owned; nil once closed
};

// A new object of definition (one reference for the caller) that owns mechanism; nil, with the
// mechanism deleted, when it cannot be made.
RuntimeObject* NewStreamObject(ObjectDefinition* definition, RandomAccessMechanism* mechanism);

// Closes and deletes the stream's mechanism, keeping its last error in *savedError; nothing
// when it is closed already.
void CloseStreamMechanism(StreamObjectFields* stream, int32_t* savedError);

// Gives the stream a new mechanism, closing the one it had.
void ReplaceStreamMechanism(StreamObjectFields* stream, int32_t* savedError,
                            RandomAccessMechanism* mechanism);

// The mechanism's last error while open, else the one kept at Close.
int32_t StreamLastError(const StreamObjectFields* stream, int32_t savedError);

// A data file on a stdio stream pointer (type 2) or a descriptor (type 3); nil after raising
// UnsupportedFormatException when it cannot be opened.
RandomAccessMechanism* OpenHandleMechanism(int32_t handle, int32_t type);

// The mechanism's platform handle of type; -1 for a closed stream.
int32_t StreamHandle(const StreamObjectFields* stream, int32_t type);

// What a stream answers the application for its length and position: never the -1 of a length
// the mechanism cannot tell (a pipe, a file of /proc before the end of its data), which a UInt64
// would show as 2^64 - 1, but what is known: the bytes so far.
uint64_t KnownLength(RandomAccessMechanism& mechanism);
uint64_t KnownPosition(RandomAccessMechanism& mechanism);

// The stream's Position and Length setters: a move or a length the mechanism refuses leaves a
// code in it for LastErrorCode (EINVAL where it gave none), and the position where it was; a
// success keeps the code it had.
bool SetStreamPosition(RandomAccessMechanism& mechanism, uint64_t position);
bool SetStreamLength(RandomAccessMechanism& mechanism, uint64_t length);
