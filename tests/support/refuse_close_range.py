#!/usr/bin/env python3
"""Runs a command with close_range refused (ENOSYS, as kernels before 5.9 answer), for the
tests of what children inherit: refuse_close_range.py PROGRAM [ARGUMENT...]

The filter is the host's, installed here before the command starts: qemu-user refuses a filter
from the program it runs, and it makes the host's close_range itself. It matches the call's
number (436) under both the i386 and the x86_64 architecture, so it holds natively and under
the emulator alike. A machine that takes no filter says why and exits 77 (the variant skipped).
"""
import ctypes
import os
import struct
import sys

CLOSE_RANGE = 436
AUDIT_ARCH_X86_64 = 0xC000003E
AUDIT_ARCH_I386 = 0x40000003
PR_SET_NO_NEW_PRIVS = 38
PR_SET_SECCOMP = 22
SECCOMP_MODE_FILTER = 2
SECCOMP_RET_ALLOW = 0x7FFF0000
SECCOMP_RET_ERRNO = 0x00050000
ENOSYS = 38
LOAD_WORD, JUMP_IF_EQUAL, RETURN = 0x20, 0x15, 0x06

# (code, jump if true, jump if false, constant); offsets 0 and 4 of seccomp_data: nr, arch.
PROGRAM = [
    (LOAD_WORD, 0, 0, 4),
    (JUMP_IF_EQUAL, 1, 0, AUDIT_ARCH_X86_64),
    (JUMP_IF_EQUAL, 0, 3, AUDIT_ARCH_I386),
    (LOAD_WORD, 0, 0, 0),
    (JUMP_IF_EQUAL, 0, 1, CLOSE_RANGE),
    (RETURN, 0, 0, SECCOMP_RET_ERRNO | ENOSYS),
    (RETURN, 0, 0, SECCOMP_RET_ALLOW),
]


class FilterProgram(ctypes.Structure):
    _fields_ = [("length", ctypes.c_ushort), ("filter", ctypes.c_void_p)]


def install_filter():
    code = b"".join(struct.pack("=HBBI", *instruction) for instruction in PROGRAM)
    buffer = ctypes.create_string_buffer(code, len(code))
    program = FilterProgram(len(PROGRAM), ctypes.cast(buffer, ctypes.c_void_p))
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0:
        return "no_new_privs: " + os.strerror(ctypes.get_errno())
    if libc.prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, ctypes.byref(program), 0, 0) != 0:
        return "seccomp filter: " + os.strerror(ctypes.get_errno())
    return None


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: refuse_close_range.py PROGRAM [ARGUMENT...]")
    failure = install_filter()
    if failure:
        print("close_range cannot be refused here: " + failure, file=sys.stderr)
        sys.exit(77)
    os.execvp(sys.argv[1], sys.argv[1:])


main()
