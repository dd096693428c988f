// Says whether i386 programs run under an emulator here: status 0 and "emulated" when this
// i386 program does, 1 and "native" when the kernel runs it. The build asks it at configure
// time and the valgrind runs before they start.
#include <cstdio>

#include "support/Emulator.h"

int main() {
  const bool emulated = qvtest::RunsUnderEmulator();
  std::puts(emulated ? "emulated" : "native");
  return emulated ? 0 : 1;
}
