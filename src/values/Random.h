// Random numbers: the process-wide generator behind the language's Rnd (and the array
// shuffle), a Park-Miller minimal standard generator in Schrage's form. Its state seeds itself
// from the clock on first use and lives for the process; only the baton-holding thread draws.
#pragma once

#include <cstdint>

extern "C" {
// The next Rnd value: 20 bits of the state as a Double in [0, 1).
double rnd();
}

// The generator's state (0 until first use). Setting it makes a sequence repeatable; 0 makes
// the next draw seed from the clock again.
int32_t RndState();
void SetRndState(int32_t state);
