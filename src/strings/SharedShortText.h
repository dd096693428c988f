// Shared records of texts of at most four bytes (one character of any encoding). A character
// loop (Mid(s, i, 1) for every i) hands out the same few characters again and again; a record
// kept for them costs the caller a reference instead of an allocation and a free.
//
// Sharing is invisible to the program: a kept record always has a reference of its own here,
// so its count is above 1 and nothing writes it (a shared record is copied before any write).
// Like every record, the table belongs to the thread that holds the run baton.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

constexpr int32_t kSharedTextLongest = 4;

// A record of the n bytes (1 .. kSharedTextLongest) with the given encoding, with one
// reference for the caller; the record may be shared.
stringStorage* SharedShortText(const unsigned char* bytes, int32_t n, TextEncoding encoding);
