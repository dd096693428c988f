#!/usr/bin/env python3
# Shifts within a bit width, modelled on unbounded integers: the bits at and above the width
# pass through, the low ones shift and whatever leaves the width is lost.
# Usage: bitwise_model.py SEED COUNT. Prints "value shift numBits left right" (value, left and
# right in hex); left and right are "raise" for a width the shifts refuse.
import random
import sys

M64 = (1 << 64) - 1


def shifts(value, shift, bits):
    if bits == 0:
        return 0, 0
    if not 0 < bits <= 64:
        return None, None
    if not 0 <= shift <= bits - 1:
        return 0, 0
    low = value & ((1 << bits) - 1)
    high = value - low
    return high | ((low << shift) & ((1 << bits) - 1)), high | (low >> shift)


def main():
    rng = random.Random(int(sys.argv[1]))
    for _ in range(int(sys.argv[2])):
        value = rng.getrandbits(64) >> rng.randint(0, 63)
        bits = rng.choice([rng.randint(1, 64), 8, 16, 32, 64, 0, 65, -1, -64])
        shift = rng.choice([rng.randint(0, 70), -1, bits - 1, bits, -2147483648])
        left, right = shifts(value, shift, bits)
        words = ["raise", "raise"] if left is None else ["%x" % left, "%x" % right]
        print("%x" % value, shift, bits, *words)


main()
