#!/usr/bin/env python3
"""A real peer for the socket tests. In the server modes it listens on 127.0.0.1 (an ephemeral
port, printed first as "port N"), or with --unix PATH before the mode on a local socket at PATH
(printed first as "listening PATH"), serves one connection in the given mode, reports on
standard output and exits. Every mode gives up after a minute, so a stuck test never leaves it
behind.

  echo              echoes each line back until the client closes
  greet TEXT        sends TEXT, then closes
  stream RECV SEND  reads RECV bytes in random small pieces while sending SEND random bytes,
                    then closes; prints "received N SHA256" and "sent N SHA256"
  silent            accepts and never reads, until standard input closes
  reset AFTER       reads AFTER bytes, then resets the connection (SO_LINGER 0)
  half-close        shuts its writing side at once, then reads until the end of the stream;
                    prints "received N SHA256"

The client and datagram modes:

  clients N PORT    opens N connections to PORT, all held at once; writes a line on each and
                    reads it back; prints "echoed K" (K of them came back), then closes them
                    all once standard input closes and prints "closed"
  udp-listen        binds a UDP port (printed as "port N"); prints "datagram HOST PORT HEX"
                    for each datagram until standard input closes
  udp-send PORT HEX...  sends each HEX payload to 127.0.0.1:PORT as one datagram, in order,
                    from one socket whose port it prints first, then prints "sent"
"""
import hashlib
import os
import random
import socket
import struct
import sys
import threading
import time

# A base, stretched by the run's slow-run factor as every time limit of the tests is.
TIMEOUT = 60 * int(os.environ.get("QV_TIME_FACTOR", "1"))


def report(line):
    print(line, flush=True)


def receive_exactly(conn, count, digest):
    pieces = random.Random(count)
    got = 0
    while got < count:
        data = conn.recv(min(count - got, pieces.randint(1, 65536)))
        if not data:
            break
        digest.update(data)
        got += len(data)
    return got


def send_random(conn, count, digest):
    sent = 0
    while sent < count:
        block = os.urandom(min(count - sent, 1 << 20))
        conn.sendall(block)
        digest.update(block)
        sent += len(block)
    return sent


def stream(conn, receive, send):
    received_digest = hashlib.sha256()
    sent_digest = hashlib.sha256()
    result = {}
    reader = threading.Thread(
        target=lambda: result.update(got=receive_exactly(conn, receive, received_digest)))
    reader.start()
    sent = send_random(conn, send, sent_digest)
    reader.join()
    report("received %d %s" % (result.get("got", 0), received_digest.hexdigest()))
    report("sent %d %s" % (sent, sent_digest.hexdigest()))


def echo(conn):
    stream_file = conn.makefile("rwb")
    for line in stream_file:
        stream_file.write(line)
        stream_file.flush()


def clients(count, port):
    import resource
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, max(soft, count + 64)), hard))
    conns = [socket.create_connection(("127.0.0.1", port), timeout=TIMEOUT) for _ in range(count)]
    for i, conn in enumerate(conns):
        conn.sendall(b"line %d\n" % i)
    echoed = 0
    for i, conn in enumerate(conns):
        expected = b"line %d\n" % i
        got = b""
        try:
            while len(got) < len(expected):
                data = conn.recv(len(expected) - len(got))
                if not data:
                    break
                got += data
        except OSError:
            pass
        echoed += got == expected
    report("echoed %d" % echoed)
    sys.stdin.read()
    for conn in conns:
        conn.close()
    report("closed")


def udp_listen():
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    server.bind(("0.0.0.0", 0))
    report("port %d" % server.getsockname()[1])

    def receive():
        while True:
            data, (host, port) = server.recvfrom(65536)
            report("datagram %s %d %s" % (host, port, data.hex()))

    threading.Thread(target=receive, daemon=True).start()
    sys.stdin.read()


def udp_send(port, payloads):
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sender.bind(("127.0.0.1", 0))
    report("from %d" % sender.getsockname()[1])
    for payload in payloads:
        sender.sendto(bytes.fromhex(payload), ("127.0.0.1", port))
    report("sent")


def main():
    args = sys.argv[1:]
    path = None
    if args[0] == "--unix":
        path, args = args[1], args[2:]
    mode = args[0]
    if mode == "clients":
        return clients(int(args[1]), int(args[2]))
    if mode == "udp-listen":
        return udp_listen()
    if mode == "udp-send":
        return udp_send(int(args[1]), args[2:])
    if path:
        server = socket.socket(socket.AF_UNIX)
        server.bind(path)
    else:
        server = socket.socket()
        server.bind(("127.0.0.1", 0))
    server.listen(1)
    server.settimeout(TIMEOUT)
    report("listening %s" % path if path else "port %d" % server.getsockname()[1])
    conn, _ = server.accept()
    conn.settimeout(TIMEOUT)
    if mode == "echo":
        echo(conn)
    elif mode == "greet":
        conn.sendall(args[1].encode())
    elif mode == "stream":
        stream(conn, int(args[1]), int(args[2]))
    elif mode == "silent":
        report("accepted")
        sys.stdin.read()
    elif mode == "half-close":
        conn.shutdown(socket.SHUT_WR)
        time.sleep(0.3)  # the client meets the end of the stream with its data still queued
        digest = hashlib.sha256()
        got = receive_exactly(conn, 1 << 40, digest)
        report("received %d %s" % (got, digest.hexdigest()))
    elif mode == "reset":
        receive_exactly(conn, int(args[1]), hashlib.sha256())
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        report("reset")
    conn.close()
    report("done")


if __name__ == "__main__":
    main()
