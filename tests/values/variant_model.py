#!/usr/bin/env python3
# A model of the variant operators written from the rules alone: the table of operating types,
# each operator's column rules and each boxed type's conversions. Prints "op left right result"
# per operator and pair of samples (result: "<type> <value>" or "raise <class>"); with
# "texts SEED COUNT", random doubles as "<16 hex digits of the bits> <text of a Double variant>".
# The C++ test boxes the same samples.
import math, random, struct, sys

def s32(n): n &= 0xFFFFFFFF; return n - (1 << 32) if n >> 31 else n
def s64(n): n &= (1 << 64) - 1; return n - (1 << 64) if n >> 63 else n
def trunc_div(a, b): q = abs(a) // abs(b); return -q if (a < 0) != (b < 0) else q
def real_to(x, bits):  # out of range or NaN: the most negative value
    m = 2.0 ** (bits - 1)
    return -(1 << (bits - 1)) if math.isnan(x) or not -m <= x < m else int(x)

def f32(x):
    try: return struct.unpack("<f", struct.pack("<f", x))[0]
    except OverflowError: return math.copysign(math.inf, x)

def power(x, y):
    try: return math.pow(x, y)
    except OverflowError: return -math.inf if x < 0 and y == int(y) and int(y) % 2 else math.inf
    except ValueError: return math.nan

def floating_text(x):  # 17 significant digits, zeros after the last one dropped
    mantissa, exponent = ("%.16e" % x).split("e")
    mantissa = mantissa.rstrip("0")
    mantissa += "0" if mantissa.endswith(".") else ""
    e = int(exponent)
    return mantissa if e == 0 else mantissa + ("e+%d" % e if e > 0 else "e-%02d" % -e)

def integer(name, code, v):
    return (name, code, dict(i32=s32(v), i64=s64(v), f64=float(v), f32=f32(float(v)),
                             cur=s64(v * 10000), str=str(v), bool=v != 0))

def floating(name, code, x):
    return (name, code, dict(i32=real_to(x, 32), i64=real_to(x, 64), f64=x, f32=f32(x),
                             cur=real_to(x * 10000.0, 64), str=floating_text(x), bool=x != 0))

SAMPLES = [("nil", 0, {}), integer("Int32", 2, 7), integer("UInt32", 2, 4000000000),
           integer("Int64", 3, -5000000000), integer("UInt64", 3, (1 << 63) + 5),
           floating("Single", 4, 2.5), floating("Double", 5, -1.75),
           ("Currency", 6, dict(i32=1, i64=1, f64=1.5, f32=1.5, cur=15000, str="1.5", bool=True)),
           ("String", 8, dict(i32=12, i64=12, f64=12.0, f32=12.0, cur=120000, str="12", bool=False)),
           ("Boolean", 11, dict(i32=1, i64=1, f64=1.0, f32=1.0, str="True", bool=True)),
           ("Color", 16, dict(i32=16, i64=16, f64=16.0, f32=16.0, str="&h000010", bool=True)),
           ("Object", 9, {})]

CODES = [1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 16, 17]  # lower-triangular, None: no common type
N = None
TABLE = [[0], [0, 2], [0, 3, 3], [0, 5, 5, 4], [0, 5, 5, 5, 5], [0, 6, 6, 6, 5, 6],
         [0, 3, 3, 5, 5, N, 7], [0, 8, 8, 8, 8, 8, 8, 8], [0, N, N, N, N, N, 9, N, 9],
         [0, 2, 3, 4, 5, N, N, 8, N, 11], [0, 2, 3, 4, 5, N, N, 8, N, 16, 16],
         [0, 2, 3, 4, 5, 6, 3, 8, N, 17, 16, 17]]

class Raise(Exception): pass

def operating_type(a, b):
    if a[1] == 0 or b[1] == 0: return 0
    if a[1] == b[1]: return a[1]
    i, j = CODES.index(a[1]), CODES.index(b[1])
    return TABLE[max(i, j)][min(i, j)]

def read(a, b, kind):
    if kind not in a[2] or kind not in b[2]: raise Raise("TypeMismatchException")
    return a[2][kind], b[2][kind]

def arithmetic(op, a, b):
    if a[1] == 0 or b[1] == 0: raise Raise("NilObjectException")
    t = operating_type(a, b)
    if op in ("Add", "Subtract", "Multiply"):
        f = {"Add": lambda x, y: x + y, "Subtract": lambda x, y: x - y,
             "Multiply": lambda x, y: x * y}[op]
        if t == 2: return "Int32", s32(f(*read(a, b, "i32")))
        if t == 3: return "Int64", s64(f(*read(a, b, "i64")))
        if t == 4: return "Single", f32(f(*read(a, b, "f32")))
        if t == 6:
            x, y = read(a, b, "cur")
            return "Currency", s64(trunc_div(x * y, 10000) if op == "Multiply" else f(x, y))
        if op == "Add" and t == 8: return "String", "".join(read(a, b, "str"))
        if op == "Add" and t != 5: raise Raise("TypeMismatchException")
        return "Double", f(*read(a, b, "f64"))
    if op == "Divide":
        if t == 6: x, y = read(a, b, "cur"); return "Currency", s64(trunc_div(x * 10000, y))
        x, y = read(a, b, "f64"); return "Double", x / y
    if op == "IntegerDivide":
        if t in (3, 6): return "Int64", trunc_div(*read(a, b, "i64"))
        return "Int32", trunc_div(*read(a, b, "i32"))
    if op == "Modulo":
        kind, name = ("i64", "Int64") if t == 3 else ("i32", "Int32")
        x, y = read(a, b, kind)
        return name, x - y * trunc_div(x, y)
    if t not in (2, 3, 4, 5): raise Raise("TypeMismatchException")  # Power
    p = power(*read(a, b, "f64"))
    return {2: lambda: ("Int32", real_to(p, 32)), 3: lambda: ("Int64", real_to(p, 64)),
            4: lambda: ("Single", f32(p)), 5: lambda: ("Double", p)}[t]()

def boolean(v):
    if v[1] == 0: return False
    if "bool" not in v[2]: raise Raise("TypeMismatchException")
    return v[2]["bool"]

def order(a, b):
    t = operating_type(a, b)
    cmp = lambda x, y: (x > y) - (x < y)
    if t == 0: return int(a[1] == 0) - int(b[1] == 0)
    kinds = {2: "i32", 16: "i32", 3: "i64", 6: "cur", 4: "f32", 5: "f64"}
    if t in kinds: return cmp(*read(a, b, kinds[t]))
    if t == 8: x, y = read(a, b, "str"); return cmp(x.upper(), y.upper())
    if t in (9, 11) and a is b: return 0  # one object sample, one Boolean sample
    raise Raise("TypeMismatchException")

def unary(op, a):
    if op == "Not": return "Boolean", int(not boolean(a))
    if a[1] in (3, 6): return ("Int64", s64(-a[2]["i64"])) if a[1] == 3 else ("Currency", -a[2]["cur"])
    if a[1] == 0: return "Double", -0.0
    if "f64" not in a[2]: raise Raise("TypeMismatchException")
    return "Double", -a[2]["f64"]

def line(name, left, right, run):
    try:
        kind, value = run()
        result = "%s %r" % (kind, value) if isinstance(value, float) else "%s %s" % (kind, value)
    except Raise as exception:
        result = "raise %s" % exception
    print(name, left, right, result)

def main():
    binary = ["Add", "Subtract", "Multiply", "Divide", "IntegerDivide", "Modulo", "Power"]
    for a in SAMPLES:
        for b in SAMPLES:
            for op in binary:
                line(op, a[0], b[0], lambda: arithmetic(op, a, b))
                if op != "Multiply": line(op + "Right", a[0], b[0], lambda: arithmetic(op, b, a))
            line("And", a[0], b[0], lambda: ("Boolean", int(boolean(a) and boolean(b))))
            line("Or", a[0], b[0], lambda: ("Boolean", int(boolean(a) or boolean(b))))
            line("Compare", a[0], b[0], lambda: ("Order", order(a, b)))
        for op in ("Not", "Negate"): line(op, a[0], "-", lambda: unary(op, a))

def texts(seed, count):
    rng = random.Random(seed)
    for i in range(count):
        if i % 3 == 0:  # any finite bit pattern
            x = math.inf
            while not math.isfinite(x): x = struct.unpack("<d", rng.getrandbits(64).to_bytes(8, "little"))[0]
        elif i % 3 == 1: x = round(rng.uniform(-1000, 1000), rng.randrange(0, 6))
        else: x = rng.uniform(-1, 1) * 10.0 ** rng.randrange(-320, 308)
        print("%016x %s" % (struct.unpack("<Q", struct.pack("<d", x))[0], floating_text(x)))

if __name__ == "__main__":
    texts(int(sys.argv[2]), int(sys.argv[3])) if sys.argv[1:2] == ["texts"] else main()
