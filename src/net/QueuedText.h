// Bytes of a receive queue as a string: what the socket and serial Read, ReadAll and
// Lookahead hand out. The string carries no encoding; the caller labels it.
#pragma once

#include <cstdint>

#include "core/ByteQueue.h"
#include "strings/RuntimeString.h"

// Up to count bytes from the front of queue, taken when take is set; the empty string for a
// count of 0 or less or an empty queue.
string QueuedText(MemoryManager& queue, int32_t count, bool take);
