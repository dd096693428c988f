#!/usr/bin/env python3
# Models of the Random class, in exact integers and IEEE doubles:
#   random_model.py numbers COUNT SEED...   one line per seed: the first COUNT table values the
#                                           additive generator draws (Number is value / 1e8)
#   random_model.py ziggurat                X[0..128] then K[0..127], one per line, as repr
import math
import sys

MODULUS = 100000000


def mult(p, q):
    p1, p0 = divmod(p, 10000)
    q1, q0 = divmod(q, 10000)
    return (((p0 * q1 + p1 * q0) % 10000) * 10000 + p0 * q0) % MODULUS


def numbers(seed, count):
    table = [int(seed) & 0xFFFFFFFF]  # truncated toward zero, low 32 bits
    for i in range(1, 55):
        table.append((mult(table[i - 1], 31415821) + 1) % MODULUS)
    index = 55
    out = []
    for _ in range(count):
        index = (index + 1) % 55
        table[index] = (table[(index + 54) % 55] + table[(index + 23) % 55]) % MODULUS
        out.append(table[index])
    return out


def ziggurat():
    r, v = 3.442619855899, 0.00991256303526217
    f = math.exp(-0.5 * r * r)
    x = [0.0] * 129
    x[0], x[1] = v / f, r
    for i in range(2, 128):
        x[i] = math.sqrt(-2 * math.log(f + v / x[i - 1]))
        f = math.exp(-0.5 * x[i] * x[i])
    return x + [x[i + 1] / x[i] for i in range(128)]


if sys.argv[1] == "numbers":
    for seed in sys.argv[3:]:
        print(" ".join(str(n) for n in numbers(float(seed), int(sys.argv[2]))))
else:
    for value in ziggurat():
        print(repr(value))
