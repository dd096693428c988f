// The head of a small text file that the system or its configuration names (a linker script, a
// theme's index): a name that turns out to be something larger, a library or an endless device,
// costs no more than the bytes asked for.
#pragma once

#include <cstddef>
#include <string>

// The first bytes of the regular file at path, at most most of them; false when it cannot be
// opened or is no regular file (a FIFO, a device).
bool ReadFileHead(const std::string& path, size_t most, std::string* text);
