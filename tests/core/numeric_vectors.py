#!/usr/bin/env python3
# Reference vectors for the numeric conversions and the 64-bit and Currency arithmetic, exact
# and independent of the C++ code (unbounded integers, IEEE doubles).
# Usage: numeric_vectors.py SEED COUNT. Prints "operation a b expected" lines, each value as 16
# hex digits: integers as their 64-bit two's complement, doubles as their bit pattern.
import math
import random
import struct
import sys

MASK64 = (1 << 64) - 1
INT64_MIN = -(1 << 63)
INT32_MIN = -(1 << 31)
SCALE = 10000


def wrap64(n): return n & MASK64
def signed64(bits): return bits - (1 << 64) if bits >> 63 else bits
def bits_of(x): return struct.unpack("<Q", struct.pack("<d", x))[0]
def double_of(bits): return struct.unpack("<d", struct.pack("<Q", bits))[0]


def trunc_div(a, b):
    q = abs(a) // abs(b)
    return -q if (a < 0) != (b < 0) else q


def real_to_s64(x):
    if math.isnan(x) or not (-(2.0 ** 63) <= x < 2.0 ** 63):
        return INT64_MIN
    return math.trunc(x)


def real_to_s32(x):
    if math.isnan(x) or not (-(2.0 ** 31) - 1.0 < x < 2.0 ** 31):
        return INT32_MIN
    return math.trunc(x)


def real_to_u64(x):
    if not math.isnan(x) and 2.0 ** 63 <= x < 2.0 ** 64:
        return math.trunc(x)
    return real_to_s64(x)


# Each operation: (operand kinds, function of the decoded operands giving an int or a float).
OPERATIONS = {
    "MulSInt64": ("ii", lambda a, b: a * b),
    "DivSInt64": ("ii", lambda a, b: 0 if b == 0 else trunc_div(a, b)),  # wraps when encoded
    "ModSInt64": ("ii", lambda a, b: 0 if b == 0 or (a == INT64_MIN and b == -1)
                  else a - b * trunc_div(a, b)),
    "DivUInt64": ("uu", lambda a, b: 0 if b == 0 else a // b),
    "ModUInt64": ("uu", lambda a, b: 0 if b == 0 else a % b),
    "MulCurrency": ("ii", lambda a, b: trunc_div(a * b, SCALE)),
    "DivCurrency": ("ii", lambda a, b: 0 if b == 0 else trunc_div(a * SCALE, b)),
    "SInt64ToReal64": ("i", lambda a: float(a)),
    "UInt64ToReal64": ("u", lambda a: float(a)),
    "SInt64ToCurrency": ("i", lambda a: a * SCALE),
    "UInt64ToCurrency": ("u", lambda a: a * SCALE),
    "CurrencyToSInt64": ("i", lambda a: trunc_div(a, SCALE)),
    "CurrencyToSInt32": ("i", lambda a: trunc_div(a, SCALE) & 0xFFFFFFFF),
    "CurrencyToReal64": ("i", lambda a: float(a) / 10000.0),
    "Real64ToSInt32": ("d", lambda x: real_to_s32(x)),
    "Real64ToUInt32": ("d", lambda x: real_to_s64(x) & 0xFFFFFFFF),
    "Real64ToSInt64": ("d", lambda x: real_to_s64(x)),
    "Real64ToUInt64": ("d", lambda x: real_to_u64(x)),
    "Real64ToCurrency": ("d", lambda x: real_to_s64(x * 10000.0)),
}

EDGE_INTEGERS = [0, 1, -1, 2, -2, 9999, -9999, 10000, -10000, 19999, -19999, 15000, 25000,
                 75000, 20000, 2 ** 31 - 1, -(2 ** 31), 2 ** 32 - 1, 2 ** 32, 2 ** 53 + 1,
                 -(2 ** 53) - 1, 2 ** 63 - 1, INT64_MIN, INT64_MIN + 1, 922337203685477,
                 -922337203685477, 10000000000]

EDGE_DOUBLES = [0.0, -0.0, 2.9, -2.9, 3e9, -1.0, 0.00009, -0.00019, 1.23456, 0.29, 0.57,
                1.005, 2.0 ** 31 - 0.5, -(2.0 ** 31) - 0.5, -(2.0 ** 31), 2.0 ** 31,
                2.0 ** 63, -(2.0 ** 63), 2.0 ** 64, 2.0 ** 64 - 2048.0, 9.2e18, 1e300, -1e300,
                float("inf"), float("-inf"), float("nan"), 5e-324, 922337203685477.5807]


def random_integer(rng):
    choice = rng.random()
    if choice < 0.15:
        return rng.choice(EDGE_INTEGERS)
    bits = rng.randint(0, 64)  # spread over magnitudes, not just huge values
    value = rng.getrandbits(bits) if bits else 0
    return signed64(wrap64(-value if rng.random() < 0.5 else value))


def random_double(rng):
    choice = rng.random()
    if choice < 0.15:
        return rng.choice(EDGE_DOUBLES)
    if choice < 0.45:  # amounts typed with cents
        return rng.randint(-10 ** 9, 10 ** 9) / 100.0
    if choice < 0.6:  # near integers, where truncation is decided by the last bit
        return rng.randint(-2 ** 40, 2 ** 40) / 10000.0
    return double_of(rng.getrandbits(64))


def operand(kind, rng):
    if kind == "d":
        x = random_double(rng)
        return x, bits_of(x)
    value = random_integer(rng)
    if kind == "u":
        value = wrap64(value)
        return value, value
    return value, wrap64(value)


def encode_result(result):
    return bits_of(result) if isinstance(result, float) else wrap64(result)


def main():
    seed, count = int(sys.argv[1]), int(sys.argv[2])
    rng = random.Random(seed)
    out = []
    for name, (kinds, function) in OPERATIONS.items():
        for _ in range(count):
            decoded, encoded = zip(*(operand(kind, rng) for kind in kinds))
            words = list(encoded) + [0] * (2 - len(encoded))
            result = encode_result(function(*decoded))
            out.append("%s %016x %016x %016x" % (name, words[0], words[1], result))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
