#!/usr/bin/env python3
# A model of variant operators, written from the rules alone: the type-code table that picks
# the operating type, each operator's column rules and the conversions of each boxed type.
# Prints one line per operator and pair of samples: "op left right result", where result is
# "<type> <value>" or "raise <exception class>". With "texts SEED COUNT": random doubles as
# "<bits in 16 hex digits> <text of a Double variant>".
#
# The samples (the C++ test boxes the same values): Int32 7, UInt32 4000000000,
# Int64 -5000000000, UInt64 2^63 + 5, Single 2.5, Double -1.75, Currency 1.5, String "12",
# Boolean True, Color &h10, an object of a plain class, and nil.
import math
import random
import struct
import sys

M32, M64 = (1 << 32) - 1, (1 << 64) - 1


def s32(n): n &= M32; return n - (1 << 32) if n >> 31 else n
def s64(n): n &= M64; return n - (1 << 64) if n >> 63 else n
def f32(x):
    try:
        return struct.unpack("<f", struct.pack("<f", x))[0]
    except OverflowError:  # beyond the largest Single
        return math.copysign(math.inf, x)


def trunc_div(a, b):
    q = abs(a) // abs(b)
    return -q if (a < 0) != (b < 0) else q


def real_to_s32(x):  # outside the range, or NaN: the most negative value
    if math.isnan(x) or not (-2.0 ** 31 <= x < 2.0 ** 31): return -(1 << 31)
    return int(x)


def real_to_s64(x):
    if math.isnan(x) or not (-2.0 ** 63 <= x < 2.0 ** 63): return -(1 << 63)
    return int(x)


def power(x, y):
    try:
        return math.pow(x, y)
    except OverflowError:
        odd = y == int(y) and int(y) % 2 == 1
        return -math.inf if x < 0 and odd else math.inf
    except ValueError:
        return math.nan


def floating_text(x):  # 17 significant digits, zeros after the last one dropped
    mantissa, exponent = ("%.16e" % x).split("e")
    mantissa = mantissa.rstrip("0")
    if mantissa.endswith("."): mantissa += "0"
    e = int(exponent)
    if e == 0: return mantissa
    return mantissa + ("e+%d" % e if e > 0 else "e-%02d" % -e)


def currency_text(raw):
    value = raw / 10000.0
    digits = 15 - len(str(int(abs(value)))) if abs(value) >= 1 else 15
    text = "%.*f" % (max(digits, 0), value)
    if digits > 0: text = text.rstrip("0").rstrip(".")
    return text


class Sample:
    """A boxed value: its type code and each conversion (None where the class has none)."""

    def __init__(self, name, code, i32=None, i64=None, f64=None, f32v=None, cur=None,
                 text=None, boolean=None):
        self.name, self.code = name, code
        self.conversions = {"i32": i32, "i64": i64, "f64": f64, "f32": f32v, "cur": cur,
                            "str": text, "bool": boolean}

    def get(self, kind):
        return self.conversions[kind]


def integer_sample(name, code, value, signed32, signed64):
    return Sample(name, code, i32=signed32, i64=signed64, f64=float(value),
                  f32v=f32(float(value)), cur=s64(value * 10000), text=str(value),
                  boolean=value != 0)


def floating_sample(name, code, x):
    return Sample(name, code, i32=real_to_s32(x), i64=real_to_s64(x), f64=x, f32v=f32(x),
                  cur=real_to_s64(x * 10000.0), text=floating_text(x), boolean=x != 0)


U64 = (1 << 63) + 5
SAMPLES = [
    Sample("nil", 0),
    integer_sample("Int32", 2, 7, 7, 7),
    integer_sample("UInt32", 2, 4000000000, s32(4000000000), 4000000000),
    integer_sample("Int64", 3, -5000000000, s32(-5000000000), -5000000000),
    integer_sample("UInt64", 3, U64, s32(U64), s64(U64)),
    floating_sample("Single", 4, 2.5),
    floating_sample("Double", 5, -1.75),
    Sample("Currency", 6, i32=1, i64=1, f64=1.5, f32v=1.5, cur=15000,
           text=currency_text(15000), boolean=True),
    Sample("String", 8, i32=12, i64=12, f64=12.0, f32v=12.0, cur=120000, text="12",
           boolean=False),
    Sample("Boolean", 11, i32=1, i64=1, f64=1.0, f32v=1.0, text="True", boolean=True),
    Sample("Color", 16, i32=16, i64=16, f64=16.0, f32v=16.0, text="&h000010", boolean=True),
    Sample("Object", 9),
]

# Type codes in table order, and the lower-triangular table of common types (None: none).
CODES = [1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 16, 17]
ROWS = [
    [0],
    [0, 2],
    [0, 3, 3],
    [0, 5, 5, 4],
    [0, 5, 5, 5, 5],
    [0, 6, 6, 6, 5, 6],
    [0, 3, 3, 5, 5, None, 7],
    [0, 8, 8, 8, 8, 8, 8, 8],
    [0, None, None, None, None, None, 9, None, 9],
    [0, 2, 3, 4, 5, None, None, 8, None, 11],
    [0, 2, 3, 4, 5, None, None, 8, None, 16, 16],
    [0, 2, 3, 4, 5, 6, 3, 8, None, 17, 16, 17],
]


def operating_type(a, b):
    if a.code == 0 or b.code == 0: return 0
    if a.code == b.code: return a.code
    i, j = CODES.index(a.code), CODES.index(b.code)
    return ROWS[max(i, j)][min(i, j)]


class Raise(Exception):
    pass


def read(a, b, kind):
    x, y = a.get(kind), b.get(kind)
    if x is None or y is None: raise Raise("TypeMismatchException")
    return x, y


def arithmetic(op, a, b):
    if a.code == 0 or b.code == 0: raise Raise("NilObjectException")
    t = operating_type(a, b)
    if op in ("Add", "Subtract", "Multiply"):
        apply = {"Add": lambda x, y: x + y, "Subtract": lambda x, y: x - y,
                 "Multiply": lambda x, y: x * y}[op]
        if t == 2: return "Int32", s32(apply(*read(a, b, "i32")))
        if t == 3: return "Int64", s64(apply(*read(a, b, "i64")))
        if t == 4: return "Single", f32(apply(*read(a, b, "f32")))
        if t == 6:
            x, y = read(a, b, "cur")
            return "Currency", s64(trunc_div(x * y, 10000) if op == "Multiply" else apply(x, y))
        if op == "Add" and t == 8: return "String", "".join(read(a, b, "str"))
        if op == "Add" and t != 5: raise Raise("TypeMismatchException")
        return "Double", apply(*read(a, b, "f64"))
    if op == "Divide":
        if t == 6:
            x, y = read(a, b, "cur")
            return "Currency", s64(trunc_div(x * 10000, y))
        x, y = read(a, b, "f64")
        return "Double", x / y
    if op == "IntegerDivide":
        if t in (3, 6): return "Int64", trunc_div(*read(a, b, "i64"))
        return "Int32", trunc_div(*read(a, b, "i32"))
    if op == "Modulo":
        kind, name = ("i64", "Int64") if t == 3 else ("i32", "Int32")
        x, y = read(a, b, kind)
        return name, x - y * trunc_div(x, y)
    if op == "Power":
        if t not in (2, 3, 4, 5): raise Raise("TypeMismatchException")
        p = power(*read(a, b, "f64"))
        if t == 2: return "Int32", real_to_s32(p)
        if t == 3: return "Int64", real_to_s64(p)
        return ("Single", f32(p)) if t == 4 else ("Double", p)
    raise AssertionError(op)


def boolean_of(v):
    if v.code == 0: return False
    if v.get("bool") is None: raise Raise("TypeMismatchException")
    return v.get("bool")


def logic(op, a, b):
    x = boolean_of(a)
    if op == "And": return "Boolean", int(x and boolean_of(b))
    return "Boolean", int(x or boolean_of(b))


def order(a, b):
    t = operating_type(a, b)
    if t == 0: return int(a.code == 0) - int(b.code == 0)
    cmp = lambda x, y: (x > y) - (x < y)
    if t in (2, 16, 17): return cmp(*read(a, b, "i32"))
    if t == 3: return cmp(*read(a, b, "i64"))
    if t == 6: return cmp(*read(a, b, "cur"))
    if t == 4: return cmp(*read(a, b, "f32"))
    if t == 5: return cmp(*read(a, b, "f64"))
    if t == 8:
        x, y = read(a, b, "str")
        return cmp(x.upper(), y.upper())
    if t == 9 and a is b: return 0  # identity (the one object sample)
    if t == 11: return int(not a.get("bool")) - int(not b.get("bool"))
    raise Raise("TypeMismatchException")


def unary(op, a):
    if op == "Not": return "Boolean", int(not boolean_of(a))
    if a.code == 3: return "Int64", s64(-a.get("i64"))
    if a.code == 6: return "Currency", -a.get("cur")
    if a.code == 0: return "Double", -0.0
    if a.get("f64") is None: raise Raise("TypeMismatchException")
    return "Double", -a.get("f64")


def text(result):
    kind, value = result
    return "%s %r" % (kind, value) if isinstance(value, float) else "%s %s" % (kind, value)


def main():
    lines = []
    binary = ["Add", "Subtract", "Multiply", "Divide", "IntegerDivide", "Modulo", "Power"]
    for a in SAMPLES:
        for b in SAMPLES:
            cases = [(op, lambda op=op: arithmetic(op, a, b)) for op in binary]
            cases += [(op + "Right", lambda op=op: arithmetic(op, b, a)) for op in binary
                      if op != "Multiply"]
            cases += [(op, lambda op=op: logic(op, a, b)) for op in ("And", "Or")]
            cases.append(("Compare", lambda: ("Order", order(a, b))))
            for name, run in cases:
                try:
                    result = text(run())
                except Raise as exception:
                    result = "raise %s" % exception
                lines.append("%s %s %s %s" % (name, a.name, b.name, result))
        for op in ("Not", "Negate"):
            try:
                result = text(unary(op, a))
            except Raise as exception:
                result = "raise %s" % exception
            lines.append("%s %s - %s" % (op, a.name, result))
    print("\n".join(lines))


def texts(seed, count):
    rng = random.Random(seed)
    for i in range(count):
        kind = i % 4
        if kind == 0:  # any finite bit pattern
            bits = rng.getrandbits(64)
            while ((bits >> 52) & 0x7FF) == 0x7FF: bits = rng.getrandbits(64)
            x = struct.unpack("<d", struct.pack("<Q", bits))[0]
        elif kind == 1:  # magnitudes near 1, with short decimals
            x = round(rng.uniform(-1000, 1000), rng.randrange(0, 6))
        elif kind == 2:
            x = float(rng.randrange(-10 ** 17, 10 ** 17))
        else:
            x = rng.uniform(-1, 1) * 10.0 ** rng.randrange(-320, 308)
        bits = struct.unpack("<Q", struct.pack("<d", x))[0]
        print("%016x %s" % (bits, floating_text(x)))


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "texts":
        texts(int(sys.argv[2]), int(sys.argv[3]))
    else:
        main()
