#!/usr/bin/env python3
# What the System milestone image must print about its process, as Python sees the same command
# line and environment: the command line (argv[1:] here, the image's own argv), the two
# variables the test sets, the IPv4 interface count (ip -o -4 addr, loopback's 127.0.0.1 left
# out), and whether libm.so.6 has cos and a made-up name. Bytes as they are, no decoding.
import ctypes
import os
import subprocess
import sys

out = sys.stdout.buffer
out.write(b"cmd:" + b" ".join(os.fsencode(a) for a in sys.argv[1:]) + b"\n")
for label, name in ((b"one:", b"QVTEST_ONE"), (b"two:", b"QVTEST_TWO")):
    out.write(label + os.environb.get(name, b"") + b"\n")
listing = subprocess.run(["ip", "-o", "-4", "addr"], capture_output=True, check=True).stdout
count = sum(1 for line in listing.splitlines() if line.split()[3].split(b"/")[0] != b"127.0.0.1")
out.write(b"interfaces:%d\n" % count)
libm = ctypes.CDLL("libm.so.6")
out.write(b"cos:%d\n" % hasattr(libm, "cos"))
out.write(b"missing:%d\n" % hasattr(libm, "qv_no_such_function"))
