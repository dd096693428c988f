// The image's version information: the record stored as resource 'VERS' id 0 (the options block
// adds it there): six 32-bit numbers, then three counted texts.
//
//   offset 0          six u32 numbers w0..w5 (little-endian)
//   offset 24         three texts, each a length byte and that many bytes
//
// Read once, on the first call that finds the record, and kept for the process. The
// Application's version getters select from it.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

struct ImageVersion {
  int32_t words[6];  // w0..w5: major, minor, bug, non-release, stage, region
  string texts[3];   // short version, long version, package info (UTF-8)
};

// The cached version information, or nil when the image has no 'VERS' 0. A record too short
// for its numbers and texts is reported once and counts as none.
const ImageVersion* GetVersionResource();

// Forgets the version read, so that the next call reads the table again: for fuzzing, which
// registers one image's resources after another.
void ForgetVersionResourceForTesting();

// The length of the version record at data (24 bytes of numbers and the three counted texts),
// or 0 when it does not fit in the available bytes.
uint32_t VersionRecordLength(const uint8_t* data, uint64_t available);
