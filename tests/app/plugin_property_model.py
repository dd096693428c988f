#!/usr/bin/env python3
# Reference values for reading and writing properties by name with another type than the
# property's own, computed with unbounded integers and IEEE arithmetic, independent of the C++
# code. Prints one line per case:
#   get <property code> <stored bits> <accessor> <expected bits | refused | skip>
#   set <accessor> <given bits> <property code> <expected stored bits | refused | skip>
# Bits are hexadecimal: integers as two's complement of their width, Single and Double as their
# IEEE bit patterns, Boolean as 0 or 1. "skip" marks a floating value outside the range of the
# intermediate integer a conversion goes through, whose result is the processor's.
import math
import struct

# name: (kind, width, signed); kind "i" integer, "f" floating, "b" Boolean
TYPES = {
    "i4": ("i", 32, True), "c": ("i", 32, True), "u4": ("i", 32, False),
    "i8": ("i", 64, True), "e": ("i", 64, True), "u8": ("i", 64, False),
    "i2": ("i", 16, True), "u2": ("i", 16, False), "i1": ("i", 8, True),
    "u1": ("i", 8, False), "f4": ("f", 32, True), "f8": ("f", 64, True),
    "b": ("b", 8, False),
}
ACCESSORS = {
    "Int": "i4", "Int64": "i8", "UInt64": "u8", "UInt32": "u4", "UInt16": "u2",
    "Int16": "i2", "UInt8": "u1", "Int8": "i1", "Double": "f8", "Single": "f4",
}
SETTERS = ["Int", "UInt32", "UInt64", "Int64", "UInt16", "Int16", "UInt8", "Int8", "Single",
           "Double"]


def wrap(value, width, signed):
    value %= 1 << width
    if signed and value >> (width - 1):
        value -= 1 << width
    return value


def round_to_single(value):
    """The Single nearest an integer or a Double, ties to even, as an IEEE bit pattern."""
    if isinstance(value, float):
        return struct.unpack("<I", struct.pack("<f", value))[0]
    if value == 0:
        return 0
    sign = 1 << 31 if value < 0 else 0
    magnitude = abs(value)
    shift = magnitude.bit_length() - 24
    if shift > 0:
        kept, rest = magnitude >> shift, magnitude & ((1 << shift) - 1)
        half = 1 << (shift - 1)
        if rest > half or (rest == half and kept & 1):
            kept += 1
        magnitude = kept << shift
    return sign | struct.unpack("<I", struct.pack("<f", float(magnitude)))[0]


def bits_of(value, code):
    kind, width, signed = TYPES[code]
    if kind == "f":
        if width == 32:
            return round_to_single(value)
        return struct.unpack("<Q", struct.pack("<d", float(value)))[0]
    return value % (1 << width)


def value_of(bits, code):
    kind, width, signed = TYPES[code]
    if kind == "f":
        if width == 32:
            return struct.unpack("<f", struct.pack("<I", bits))[0]
        return struct.unpack("<d", struct.pack("<Q", bits))[0]
    if kind == "b":
        return 1 if bits else 0
    return wrap(bits, width, signed)


def truncated(x, target):
    """x truncated toward zero through the target's intermediate, or None out of its range."""
    kind, width, signed = TYPES[target]
    t = math.trunc(x)
    if target in ("u4", "i8", "e"):
        low, high = -(1 << 63), 1 << 63
    elif target == "u8":
        low, high = -(1 << 63), 1 << 64
    elif target in ("i4", "u2"):
        low, high = -(1 << 31), 1 << 31
    else:  # Int16 and the 8-bit targets go through a signed 16-bit integer
        low, high = -(1 << 15), 1 << 15
    return t if low <= t < high else None


def convert(value, source, target):
    """The target's value of a source value, or None when the processor decides."""
    target_kind, width, signed = TYPES[target]
    source_kind = TYPES[source][0]
    if target_kind == "b":
        return 1 if value != 0 else 0
    if target_kind == "f":
        if width == 64:
            return float(value)
        return struct.unpack("<f", struct.pack("<I", round_to_single(value)))[0]
    if source_kind == "f":
        t = truncated(value, target)
        return None if t is None else wrap(t, width, signed)
    return wrap(value, width, signed)


def takes(accessor_code, property_code, reading):
    if property_code == "b":
        return accessor_code == "u1"
    return True


INTEGERS = [0, 1, -1, -5, 127, 128, 255, 256, -129, 32767, 32768, 65531, 65535, 65536,
            (1 << 31) - 1, 1 << 31, (1 << 32) - 5, 1 << 32, (1 << 53) + 1, (1 << 63) - 1,
            -(1 << 63), 0x123456789ABCDEF0, -0x0FEDCBA987654321]
REALS = [0.0, -0.0, 2.9, -2.9, 0.5, -0.5, 1.5, 300.9, -129.5, 65535.7, 32767.9, -32768.9,
         2147483647.5, -2147483648.9, 4294967296.5, 1e10, -1e10, 1e19, 9.3e18, -9.3e18,
         16777217.0, 1e30, 3.0e38]


def stored_samples(code):
    kind, width, signed = TYPES[code]
    if kind == "b":
        return [0, 1]
    if kind == "f":
        return sorted({bits_of(x, code) for x in REALS})
    return sorted({n % (1 << width) for n in INTEGERS})


def main():
    for code in TYPES:
        for bits in stored_samples(code):
            for accessor, target in ACCESSORS.items():
                if not takes(target, code, True):
                    result = "refused"
                else:
                    value = convert(value_of(bits, code), code, target)
                    result = "skip" if value is None else "%x" % bits_of(value, target)
                print("get %s %x %s %s" % (code, bits, accessor, result))
    for accessor in SETTERS:
        source = ACCESSORS[accessor]
        for bits in stored_samples(source):
            for code in TYPES:
                if not takes(source, code, False):
                    result = "refused"
                else:
                    value = convert(value_of(bits, source), source, code)
                    result = "skip" if value is None else "%x" % bits_of(value, code)
                print("set %s %x %s %s" % (accessor, bits, code, result))


main()
