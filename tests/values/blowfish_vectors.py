#!/usr/bin/env python3
# Blowfish in ECB mode from python3-cryptography (OpenSSL underneath), for random keys of 1 to
# 72 bytes without NUL and random data of 1 to 4 blocks.
# Usage: blowfish_vectors.py SEED COUNT. Prints "key plain cipher" lines in hex.
import random
import sys
import warnings

warnings.simplefilter("ignore")
try:
    from cryptography.hazmat.decrepit.ciphers.algorithms import Blowfish
except ImportError:
    from cryptography.hazmat.primitives.ciphers.algorithms import Blowfish
from cryptography.hazmat.primitives.ciphers import Cipher, modes


def encipher(key, plain):
    # The wrapper takes keys of 4 to 56 bytes; the cipher itself any of 1 to 72. A short key is
    # the same key repeated (the schedule reads it cyclically); a long one goes to OpenSSL as is.
    if len(key) < 4:
        key = key * -(-4 // len(key))
    try:
        algorithm = Blowfish(key)
    except ValueError:
        algorithm = Blowfish(bytes(8))
        object.__setattr__(algorithm, "key", key)
    encryptor = Cipher(algorithm, modes.ECB()).encryptor()
    return encryptor.update(plain) + encryptor.finalize()


def main():
    rng = random.Random(int(sys.argv[1]))
    for _ in range(int(sys.argv[2])):
        key = bytes(rng.randint(1, 255) for _ in range(rng.randint(1, 72)))
        plain = bytes(rng.getrandbits(8) for _ in range(8 * rng.randint(1, 4)))
        print(key.hex(), plain.hex(), encipher(key, plain).hex())


main()
