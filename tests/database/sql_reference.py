"""Runs SQL in sqlite3 as the reference for the framework's SQL front end.

Reads from the file named by its argument: setup statements, a line "--", then one query per
line. Prints, per query, its rows (one line each, values joined by a tab, NULL as "NULL",
numbers that are whole as integers, others with 12 significant digits), then a line "--". Text
orders by the framework's collation weights (collation W)."""
import sqlite3
import sys

def load_weights():
    rows = [  # half a row of the table a line
        "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F",
        "10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F",
        "20 22 23 28 29 2A 2B 2C 2F 30 31 32 33 34 35 36",
        "37 38 39 3A 3B 3C 3D 3E 3F 40 41 42 43 44 45 46",
        "47 48 58 5A 5E 60 6A 6E 70 72 7D 7F 81 83 85 89",
        "99 9B 9D 9F A2 A4 AE B0 B2 B4 B8 BA BB BC BD BE",
        "BF 4F 59 5C 5F 65 6B 6F 71 77 7E 80 82 84 87 90",
        "9A 9C 9E A0 A3 A9 AF B1 B3 B5 B9 C0 C1 C2 C3 C4",
        "4C 4E 5B 61 86 8D A8 50 51 52 53 54 55 5D 66 67",
        "68 69 79 7A 7B 7C 88 91 92 93 94 95 AA AB AC AD",
        "C5 C6 C7 C8 C9 CA CB A1 CC CD CE CF D0 D1 56 8F",
        "D2 D3 D4 D5 D6 D7 D8 D9 DA DB DC DD DE DF 57 96",
        "E0 E1 E2 E3 E4 E5 E6 24 25 E7 21 4A 4D 8E 97 98",
        "E8 E9 26 27 2D 2E EA EB B6 B7 EC ED EE EF 6C 6D",
        "F0 F1 F2 F3 F4 4B 63 49 64 62 73 75 76 74 8A 8C",
        "F5 8B A5 A7 A6 78 F6 F7 F8 F9 FA FB FC FD FE FF",
    ]
    return bytes(int(x, 16) for row in rows for x in row.split())


def collate(a, b):
    wa = bytes(W[c] for c in a.encode("utf-8", "surrogateescape"))
    wb = bytes(W[c] for c in b.encode("utf-8", "surrogateescape"))
    return (wa > wb) - (wa < wb)


def show(v):
    if v is None:
        return "NULL"
    if isinstance(v, (int, float)):
        f = float(v)
        if f == int(f) and abs(f) < 1e15:
            return "%d" % int(f)
        return "%.12g" % f
    return str(v)


W = load_weights()
with open(sys.argv[1], encoding="utf-8", errors="surrogateescape") as f:
    lines = f.read().split("\n")
split = lines.index("--")
db = sqlite3.connect(":memory:")
db.create_collation("W", collate)
db.execute("PRAGMA case_sensitive_like=ON")
for statement in lines[:split]:
    if statement.strip():
        db.execute(statement)
out = []
for query in lines[split + 1:]:
    if not query.strip():
        continue
    for row in db.execute(query):
        out.append("\t".join(show(v) for v in row))
    out.append("--")
sys.stdout.write("\n".join(out) + "\n")
