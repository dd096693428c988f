#!/usr/bin/env python3
# Reference layouts for the MemoryBlock accessors, from struct: random values of every width at
# random offsets of a 16-byte block, in both byte orders. Floating-point values come from
# random bit patterns (subnormals and infinities included), never NaN.
# Usage: memoryblock_vectors.py SEED COUNT. Prints "code little offset bits bytes" lines: code a
# struct letter, bits the value's bit pattern in hex, bytes what the block holds there, in hex.
import random
import struct
import sys

CODES = "bBhHiIqQfd"


def random_bits(rng, code):
    size = struct.calcsize(code)
    while True:
        bits = rng.getrandbits(8 * size)
        if code == "f" and (bits >> 23) & 0xFF == 0xFF and bits & 0x7FFFFF:
            continue
        if code == "d" and (bits >> 52) & 0x7FF == 0x7FF and bits & (2**52 - 1):
            continue
        return bits


def main():
    rng = random.Random(int(sys.argv[1]))
    for _ in range(int(sys.argv[2])):
        code = rng.choice(CODES)
        little = rng.randint(0, 1)
        size = struct.calcsize(code)
        offset = rng.randint(0, 16 - size)
        bits = random_bits(rng, code)
        value = struct.unpack("<" + code, bits.to_bytes(size, "little"))[0]
        packed = struct.pack(("<" if little else ">") + code, value)
        print(code, little, offset, "%x" % bits, packed.hex())


main()
