#!/usr/bin/env python3
"""A stand-in for the IDE of the remote debugger: it listens, takes the program's connection
and runs a scripted exchange, printing the transcript as it goes. The script is the expected
transcript, so a test compares what this prints with the script it gave.

  ide.py --unix PATH [--as-user UID] SCRIPT    listen on a local socket (as another user)
  ide.py --tcp SCRIPT                          listen on 127.0.0.1, an ephemeral port
  ide.py --golden TABLE                        check the codecs against the golden table

First line printed: "listening PATH" or "listening PORT". Script lines:
  > TAG PAYLOAD        send; {name} and {name+HEX} stand for eight hex digits
  < TAG PAYLOAD        receive one line and print it rendered: a field that the expected
                       field's {expression} gives is shown as that expression, {name=} takes
                       the field's value as name, an empty payload shows as "(empty)" and a
                       long string field as ENCODING:(N bytes)
  * raw TEXT           send TEXT (Python escapes) at once; * trickle TEXT: a byte at a time
  * junk N TEXT        send TEXT and N bytes "x" with no carriage return
  * stack NAMES        send SC; print the frames' function names, checking the frame words rise
  * sleep MS           wait;  * within MS: the next line must come within MS (times the factor)
  * close              close the connection;  * closed: wait for the program to close it
A received line that differs ends the script ("* mismatch"); a ten-second wait ends it with
"* timeout" (QV_TIME_FACTOR times as long where the program runs slower, under an emulator).
"""
import os
import re
import socket
import sys
import time

FACTOR = int(os.environ.get("QV_TIME_FACTOR", "1"))
TIMEOUT = 10 * FACTOR


# ---- The codecs, written from the protocol's text ------------------------------------------

def hex_number(value, size=4):
    return "%0*X" % (2 * size, value & ((1 << (8 * size)) - 1))


def unhex_number(text, size=4):
    if re.search(r"[^0-9A-F]", text):
        return None
    return int(("0" * 16 + text)[-2 * size:] or "0", 16)


def encode_string(data, encoding=0x0600):
    return hex_number(encoding) + ":" + data.hex().upper()


def decode_string(text):
    encoding, _, rest = text.partition(":")
    digits = rest.split(":")[0].rstrip(" \t")
    if len(digits) % 2:
        digits += "0"
    return unhex_number(encoding), bytes.fromhex(digits)


def encode_object(address, class_name=None):
    return hex_number(address) + ("" if not address else " " + class_name)


def encode_variant(type_code, value):
    if type_code == 0:
        return hex_number(0)
    if type_code == 9:
        return hex_number(9) + " " + encode_object(*value)
    return hex_number(type_code) + " " + encode_string(*value)


def object_of(text):
    """ "nil", or an address and a class name."""
    if text == "nil":
        return (0,)
    address, name = text.split(" ", 1)
    return int(address, 16), name


def check_golden(path):
    """Each row: kind, input, wire text (tab-separated)."""
    failures = 0
    rows = [line.rstrip("\n").split("\t") for line in open(path) if line[:1] not in "#\n"]
    for kind, given, wire in rows:
        if kind[0] == "N":
            got = hex_number(int(given, 0), int(kind[1]))
        elif kind == "D4":
            got = hex_number(unhex_number(given))
        elif kind == "S":
            encoding, text = int(given.split(" ")[0], 16), given.split(" ", 1)[1].encode()
            got = encode_string(text, encoding)
            if decode_string(got) != (encoding, text):
                got += " (does not decode back)"
        elif kind == "Sdec":
            encoding, data = decode_string(given)
            got = hex_number(encoding) + " " + data.hex()
        elif kind == "O":
            got = encode_object(*object_of(given))
        else:  # V: the type code, then the value's text or the object
            code, _, rest = given.partition(" ")
            value = object_of(rest) if code == "9" else (rest.encode(), 0x0600)
            got = encode_variant(int(code), value)
        if got != wire:
            failures += 1
            print("mismatch %s %r: %s, not %s" % (kind, given, got, wire))
    print("golden failed %d" % failures if failures else "golden ok %d" % len(rows))


# ---- The exchange --------------------------------------------------------------------------

class Session:
    def __init__(self, conn):
        self.conn = conn
        self.values = {}
        self.pending = b""
        self.deadline = None

    def expand(self, text):
        def one(match):
            name, sign, offset = match.groups()
            value = self.values[name] + (int(offset, 16) * (-1 if sign == "-" else 1)
                                         if offset else 0)
            return hex_number(value)
        return re.sub(r"\{(\w+)(?:([+-])([0-9A-Fa-f]+))?\}", one, text)

    def send(self, data, pause=0):
        if not pause:
            self.conn.sendall(data)
        for byte in data if pause else b"":
            self.conn.sendall(bytes([byte]))
            time.sleep(pause)

    def receive(self):
        limit = time.time() + TIMEOUT
        while b"\r" not in self.pending:
            self.conn.settimeout(max(0.01, limit - time.time()))
            try:
                data = self.conn.recv(65536)
            except ConnectionResetError:
                data = b""
            if not data:
                return None
            self.pending += data
        line, _, self.pending = self.pending.partition(b"\r")
        return line.decode("utf-8", "replace")

    def render(self, line, expected):
        tag, blank, payload = line.partition(" ")
        if not payload:
            return tag + (" (empty)" if blank else " (no blank)")
        fields, wanted = payload.split(" "), expected.split(" ")[1:]
        for i, field in enumerate(fields):
            want = wanted[i] if i < len(wanted) else ""
            capture = re.fullmatch(r"\{(\w+)=\}", want)
            if capture:
                self.values[capture.group(1)] = int(field, 16)
                fields[i] = want
            elif "{" in want and self.expand(want) in (field, field.zfill(8)):
                fields[i] = want
            elif re.fullmatch(r"[0-9A-F]{8}:[0-9A-F]{129,}", field):
                count = (len(field) - 9) // 2
                fields[i] = "%s:(%s)" % (field[:8], "at most 16 MiB" if count <= 1 << 24
                                         else "%d bytes" % count)
        return tag + " " + " ".join(fields)

    def stack(self):
        self.send(b"SC \r")
        names, frames = [], []
        while True:
            line = self.receive()
            if line is None or not line.startswith("SFR "):
                break
            frame, name, _ = line[4:].split(" ")
            frames.append(int(frame, 16))
            names.append(decode_string(name)[1].decode())
        rising = frames == sorted(frames) and len(set(frames)) == len(frames)
        return " ".join(names) + ("" if rising else " (frame words do not rise)")

    def run(self, script):
        for raw in script:
            step = raw.rstrip("\n")
            if not step.strip() or step.startswith("#"):
                continue
            kind, _, rest = step.partition(" ")
            if kind == ">":
                self.send(self.expand(rest).encode() + b"\r")
                print(step, flush=True)
                continue
            if kind == "<":
                started = time.time()
                line = self.receive()
                shown = "* closed" if line is None else "< " + self.render(line, rest)
                if self.deadline and time.time() - started > self.deadline:
                    shown += " (late)"
                self.deadline = None
                print(shown, flush=True)
                if shown != step:
                    print("* mismatch", flush=True)
                    return
                continue
            word, _, argument = rest.partition(" ")
            if word in ("raw", "trickle"):
                data = self.expand(argument[1:-1]).encode().decode("unicode_escape")
                self.send(data.encode("latin-1"), 0.02 if word == "trickle" else 0)
            elif word == "junk":
                count, text = argument.split(" ", 1)
                self.send(text[1:-1].encode())
                for _ in range(int(count) >> 20):
                    self.send(b"x" * (1 << 20))
            elif word == "stack":
                print("* stack " + self.stack(), flush=True)
                continue
            elif word == "sleep":
                time.sleep(int(argument) / 1000)
            elif word == "within":
                self.deadline = int(argument) / 1000 * FACTOR
            elif word == "close":
                self.conn.close()
            elif word == "closed":
                line = self.receive()
                if line is not None:
                    print("< " + self.render(line, ""), flush=True)
                    return
            print(step, flush=True)


def main():
    if sys.argv[1] == "--golden":
        check_golden(sys.argv[2])
        return
    if sys.argv[1] == "--unix":
        server = socket.socket(socket.AF_UNIX)
        where = sys.argv[2]
        args = sys.argv[3:]
        if args[0] == "--as-user":
            os.setgid(int(args[1]))
            os.setuid(int(args[1]))
            args = args[2:]
        server.bind(where)
    else:
        server = socket.socket()
        server.bind(("127.0.0.1", 0))
        where = str(server.getsockname()[1])
        args = sys.argv[2:]
    server.listen(1)
    server.settimeout(3 * TIMEOUT)
    print("listening " + where, flush=True)
    conn, _ = server.accept()
    try:
        Session(conn).run(open(args[0]).readlines())
    except socket.timeout:
        print("* timeout", flush=True)


if __name__ == "__main__":
    main()
