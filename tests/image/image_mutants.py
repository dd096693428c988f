#!/usr/bin/env python3
"""Seeded mutants of a packed image, each loaded by the framework built with the sanitizers.

Every mutant (bit flips, changed bytes, a block cut short, two blocks swapped) is written as
block files and run by the framework in their folder, with no display. It passes when it is
refused (status 1 and a report), or when it runs to its end with no sanitizer report. A fault
is the damaged application's own when the first frame of its trace that is not a system
library's or the sanitizer's lies in the image's code (anonymous memory, "<unknown module>"):
an image whose import block lost records calls printf with addresses never relocated. Only a
changed import block makes the image's intact code call what it never meant to (an import
relinked to a release lets it release a string twice, or away from one keeps a string it
should free, and a kind byte changed to one the format skips drops a record and leaves its
site unrelocated), so for those mutants alone, a use of a block freed by a framework call the
image's code made, a leak of blocks each made by such a call, and a wild address faulting in a
framework call the image's code made, are the image's too. Every
framework call runs under the image's entry, so a deeper image frame in the trace tells
nothing. Framework frames are known by the source folder, written in full or relative to the
build folder (as a compiler cache rewrites it), so that the verdict does not depend on how the
build was made. A crash or sanitizer report in framework code, a hang, or any other status
fails the mutant.

    image_mutants.py RUNTIME IMAGE_DIR SOURCE_ROOT --seed N --first I --count C
"""
import argparse
import os
import random
import re
import signal
import subprocess
import sys
import tempfile

# The run's slow-run factor, which stretches every time limit of the tests.
TIME_FACTOR = int(os.environ.get("QV_TIME_FACTOR", "1"))

BLOCKS = ["code", "data", "import", "symbols", "rsrc", "options"]
# The code block is machine code the framework runs as it stands; everything else is structure
# the loader and linker read and must check.
STRUCTURE = ["data", "import", "symbols", "rsrc", "options"]
INTERESTING = [0x00, 0x01, 0x04, 0x7F, 0x80, 0xFE, 0xFF]
SANITIZER = re.compile(r"ERROR: (Address|Leak)Sanitizer|runtime error:")
FRAME = re.compile(r"^\s*#\d+ .*$", re.M)
LEAK = re.compile(r"^(?:Direct|Indirect) leak of ", re.M)
# A source file of the framework named relative to the build folder, as a compiler cache that
# rewrites absolute paths leaves it ("../src/core/Memory.cpp").
RELATIVE_SOURCE = re.compile(r"\s(?:\.\./)+src/")
SANITIZER_RUNTIME = re.compile(r"src/libsanitizer/|/lib(?:asan|ubsan)\.so")


def mutate(blocks, rng):
    """Applies one mutation to blocks (a dict of bytearrays); returns its description."""
    filled = [name for name in STRUCTURE if blocks[name]]
    kind = rng.choice(["flip", "bytes", "cut", "swap"])
    name = rng.choice(filled)
    block = blocks[name]
    if kind == "flip":
        spots = [rng.randrange(len(block) * 8) for _ in range(rng.randint(1, 4))]
        for bit in spots:
            block[bit // 8] ^= 1 << (bit % 8)
        return f"flip {name} bits {spots}"
    if kind == "bytes":
        spots = [rng.randrange(len(block)) for _ in range(rng.randint(1, 4))]
        for at in spots:
            block[at] = rng.choice(INTERESTING + [rng.randrange(256)])
        return f"bytes {name} at {spots}"
    if kind == "cut":
        length = rng.randrange(len(block))
        del block[length:]
        return f"cut {name} to {length}"
    other = rng.choice([b for b in STRUCTURE if b != name])
    blocks[name], blocks[other] = blocks[other], blocks[name]
    return f"swap {name} {other}"


def in_image(frame):
    """A frame of the image's code. A return into CallImageEntry is the frame of the image's
    entry itself (a wild jump from its code shows that way)."""
    return "<unknown module>" in frame or " in CallImageEntry " in frame


def owner(frame, framework):
    """"image", "framework" or "system" (a system library or the sanitizer's own runtime, whose
    sources GCC also names by a relative path ending in src/libsanitizer)."""
    if in_image(frame):
        return "image"
    if SANITIZER_RUNTIME.search(frame):
        return "system"
    if any(mark in frame for mark in framework) or RELATIVE_SOURCE.search(frame):
        return "framework"
    return "system"


def frames_after(report, header):
    """The frames of the stack that follows the first line matching header, or none."""
    found = re.search(r"^" + header + r"$", report, re.M)
    if not found:
        return []
    stack = re.match(r"(?:\s*#\d+ .*\n?)*", report[found.end() + 1:]).group(0)
    return FRAME.findall(stack)


def first_telling_code(frames, framework):
    """"image" or "framework": whose code the first telling frame lies in."""
    for frame in frames:
        if owner(frame, framework) != "system":
            return owner(frame, framework)
    return "framework"  # nothing telling: count it against us


def called_by_image(frames, framework):
    """Whether the stack is a framework call made straight from the image's code: framework
    frames, then a frame in anonymous memory (not the entry's return, which is no call)."""
    seen_framework = False
    for frame in frames:
        kind = owner(frame, framework)
        if kind == "framework":
            seen_framework = True
        elif kind == "image":
            return seen_framework and "<unknown module>" in frame
    return False


def faulting_code(report, framework, relinked):
    """"image" or "framework": whose fault the sanitizer's report (from its ERROR line) is;
    relinked tells whether the mutant changed the import block."""
    if report.startswith("ERROR: LeakSanitizer"):
        leaks = LEAK.split(report)[1:]
        made_for_image = [called_by_image(FRAME.findall(leak), framework) for leak in leaks]
        return "image" if relinked and leaks and all(made_for_image) else "framework"
    if relinked and called_by_image(frames_after(report, r"freed by thread T\d+ here:"),
                                    framework):
        return "image"
    if relinked and re.match(r"ERROR: AddressSanitizer: SEGV", report) and \
            called_by_image(FRAME.findall(report), framework):
        return "image"
    return first_telling_code(FRAME.findall(report), framework)


def verdict(status, output, framework, relinked):
    """None when the run is acceptable, else what went wrong. An image that still runs at the
    deadline is acceptable only when linking reported functions it lost (an application whose
    call to quit was never linked waits in its event loop for ever)."""
    if status is None:
        lost = "was not exported" in output or "could not be linked" in output
        return None if lost else "hang"
    found = SANITIZER.search(output)
    if found:
        whose = faulting_code(output[found.start():], framework, relinked)
        if "runtime error:" in output or whose != "image":
            return "sanitizer report in framework code"
        return None  # the damaged image's own code faulted
    if status == 1 and "Failure Condition:" in output:
        return None  # refused
    if status == 0:
        return None  # ran to its end
    return f"status {status}"


def run(runtime, folder):
    """The exit status (None at the deadline) and output of the runtime in folder. The run has
    a session of its own: a damaged image that signals its process group or touches a terminal
    stops or ends itself alone, never this script and CTest."""
    environment = dict(os.environ, DISPLAY="")
    environment["ASAN_OPTIONS"] = "handle_sigill=1:detect_stack_use_after_return=0:" + \
        environment.get("ASAN_OPTIONS", "")
    with subprocess.Popen([runtime], cwd=folder, env=environment, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          start_new_session=True) as process:
        try:
            output, _ = process.communicate(timeout=20 * TIME_FACTOR)
            return process.returncode, output.decode("latin-1")
        except subprocess.TimeoutExpired:
            # Not yet reaped, so the group is still its: whatever it started goes with it and
            # no longer holds the output open.
            os.killpg(process.pid, signal.SIGKILL)
            output, _ = process.communicate()
            return None, output.decode("latin-1")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("runtime")
    parser.add_argument("image")
    parser.add_argument("source_root")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--first", type=int, default=0)
    parser.add_argument("--count", type=int, default=40)
    args = parser.parse_args()
    args.runtime = os.path.abspath(args.runtime)
    framework = [args.runtime, os.path.join(os.path.abspath(args.source_root), "src") + "/"]
    original = {}
    for name in BLOCKS:
        with open(os.path.join(args.image, name + ".dat"), "rb") as f:
            original[name] = f.read()
    failures, counts = 0, {"refused": 0, "ran": 0, "image fault": 0, "still running": 0}
    with tempfile.TemporaryDirectory(prefix="qvmutant") as folder:
        for index in range(args.first, args.first + args.count):
            rng = random.Random(args.seed * 1000003 + index)
            blocks = {name: bytearray(data) for name, data in original.items()}
            what = mutate(blocks, rng)
            for name in BLOCKS:
                with open(os.path.join(folder, name + ".dat"), "wb") as f:
                    f.write(blocks[name])
            status, output = run(args.runtime, folder)
            problem = verdict(status, output, framework, blocks["import"] != original["import"])
            if problem:
                failures += 1
                print(f"mutant {index} ({what}): {problem}\n{output[-4000:]}")
                continue
            counts["image fault" if SANITIZER.search(output) else
                   "refused" if status == 1 else "still running" if status is None else
                   "ran"] += 1
    summary = ", ".join(f"{n} {k}" for k, n in counts.items())
    print(f"{args.count} mutants: {summary}, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
