// Virtual volumes: the input is a program of corruptions applied to a populated volume, which
// is then opened, listed, read, written and deleted from (VolumeExercise.h).
#include "VolumeExercise.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InputScope scope;
  qvfuzz::InputReader program(data, size);
  qvvolume::Exercise(qvvolume::Corrupted(program, int(size / 10) + 1));
  return 0;
}
