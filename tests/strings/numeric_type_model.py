#!/usr/bin/env python3
# The numeric-text classifier step by step, on Python's own numbers: 0 not numeric, 1 integer,
# 2 floating-point.
# Usage: numeric_type_model.py SEED COUNT. Prints "hex-of-text type" per line (the text as hex
# bytes, "-" for the empty text), for random texts built from the characters that matter.
import random
import sys

BASES = {"h": "0123456789abcdefABCDEF", "o": "01234567", "b": "01"}
PIECES = ["0", "1", "7", "9", "12", "2147483647", "2147483648", "99999999999", ".", "e", "E",
          "+", "-", "&", "h", "H", "o", "O", "b", "B", "F", "G", "f", "x", " ", "\t", "1e5",
          "e999999999999", "e-999999999999", "\x00", "\xc3\xa9", "d"]


def classify(text):
    if not text:
        return 0
    if text[0] == "&":
        if len(text) < 2 or text[1].lower() not in BASES:
            return 0
        rest = text[2:]
        return 1 if all(c in BASES[text[1].lower()] for c in rest) else 0
    if not ("0" <= text[0] <= "9" or text[0] == "."):
        return 0
    i, value, digits, floating = 0, 0.0, False, False
    while i < len(text) and "0" <= text[i] <= "9":
        value = value * 10 + int(text[i])
        digits, i = True, i + 1
    if i < len(text) and text[i] == ".":
        floating, i = True, i + 1
        while i < len(text) and "0" <= text[i] <= "9":
            digits, i = True, i + 1
    if not digits:
        return 0
    if i < len(text) and text[i] in "eE":
        floating, i = True, i + 1
        if i < len(text) and text[i] in "+-":
            i += 1
        while i < len(text) and "0" <= text[i] <= "9":
            i += 1
    if i != len(text):
        return 0
    if value > 2147483647.0:
        floating = True
    return 2 if floating else 1


def main():
    rng = random.Random(int(sys.argv[1]))
    for _ in range(int(sys.argv[2])):
        text = "".join(rng.choice(PIECES) for _ in range(rng.randint(0, 5)))
        if rng.random() < 0.2:
            text = "&" + rng.choice("hHoObBx") + "".join(
                rng.choice(BASES["h"] + "gG2") for _ in range(rng.randint(0, 6)))
        data = text.encode("latin-1")
        print(data.hex() if data else "-", classify(text))


main()
