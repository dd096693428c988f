// Reading a count of bytes that comes from outside (a Read(Count) of the application, a length
// read from the data): never more memory than the bytes can fill. Where the mechanism knows its
// length the result is sized once to what is left; where it does not (a pipe) the result grows
// as bytes arrive. So Read(2^31 - 1) of a 10-byte file allocates about 10 bytes, and a pipe
// without end gives what memory can hold, with ENOMEM left in the mechanism.
#pragma once

#include <cstdint>

#include "files/RandomAccessMechanism.h"

// The bytes between the mechanism's position and its end; -1 when its length is unknown.
int64_t BytesLeft(RandomAccessMechanism& mechanism);

// prefixLength bytes of prefix, then up to count more read from the mechanism, as one string
// with encoding (nil when nothing came). Stops early at the end of the data or on a failed read.
// At the end by the length a read of at most 1,024 bytes still goes to the mechanism, so that
// one that cannot be read leaves its error there.
string ReadAtMost(RandomAccessMechanism& mechanism, const void* prefix, int32_t prefixLength,
                  int64_t count, TextEncoding encoding);
