#!/usr/bin/env python3
"""Writes the framework's compose tables (src/windows/Compose*.cpp) from GTK 2's source.

    tools/composetable/make_compose_table.py GTK2_SOURCE_DIR src/windows

GTK2_SOURCE_DIR is an unpacked gtk+ 2 source package (apt-get source gtk+2.0). GTK 2's simple
input method composes a character in two ways, and the tables hold the sequences of both that
the framework's key translation can take (at most four keys, the first Multi_key or a dead key
from dead_grave to dead_belowdot, keysyms and character within 16 bits):

1. its built-in table, gtk/gtkimcontextsimpleseqs.h, kept in a compact form: an index of rows
   {first keysym, offsets of the sequences of 2, 3, 4 and 5 keys}, then the sequences, each the
   keysyms after the first followed by the character;
2. dead keys followed by one other key that the table does not name: the key's character with
   each dead key's combining mark, when Unicode's canonical composition (NFC, the marks
   reordered as GTK reorders them) makes one character of it. A sequence that the built-in
   table continues is left to the table, as GTK waits for its further keys.

Entries are sorted by their keysyms, trailing positions 0, as the translation's scan expects,
in two tables: the sequences that begin with a dead key and those that begin with Multi_key.
The keysym names come from the source's gdk/gdkkeysyms.h, keysym characters from
gdk/gdkkeyuni.c.
"""
import itertools
import math
import os
import re
import sys
import unicodedata

MULTI_KEY = 0xFF20
FIRST_DEAD_KEY = 0xFE50  # dead_grave
LAST_DEAD_KEY = 0xFE60   # dead_belowdot
GTK_LAST_DEAD_KEY = 0xFE66  # GTK counts keys up to dead_dasia + 1 as dead keys
MAX_KEYS = 4
ENTRY_KEYS = 5
INDEX_STRIDE = 6  # first keysym and five offsets

# The combining mark GTK gives each dead key it composes with.
DEAD_KEY_MARKS = {
    0xFE50: 0x0300, 0xFE51: 0x0301, 0xFE52: 0x0302, 0xFE53: 0x0303, 0xFE54: 0x0304,
    0xFE55: 0x0306, 0xFE56: 0x0307, 0xFE57: 0x0308, 0xFE58: 0x030A, 0xFE59: 0x030B,
    0xFE5A: 0x030C, 0xFE5B: 0x0327, 0xFE5C: 0x0328, 0xFE5D: 0x0345, 0xFE5E: 0x3099,
    0xFE5F: 0x309A, 0xFE60: 0x0323,
}


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read()


def keysym_names(source):
    names = {}
    for match in re.finditer(r"#define GDK_KEY_(\w+)\s+(0x[0-9a-fA-F]+)",
                             read(os.path.join(source, "gdk", "gdkkeysyms.h"))):
        names[match.group(1)] = int(match.group(2), 16)
    return names


def keysym_characters(source):
    """gdk_keyval_to_unicode for the keysyms of 16 bits."""
    text = read(os.path.join(source, "gdk", "gdkkeyuni.c"))
    body = re.search(r"gdk_keysym_to_unicode_tab\[\]\s*=\s*\{(.*?)\};", text, re.S)
    characters = {k: k for k in itertools.chain(range(0x20, 0x7F), range(0xA0, 0x100))}
    for keysym, character in re.findall(r"\{\s*(0x[0-9a-fA-F]+),\s*(0x[0-9a-fA-F]+)\s*\}",
                                         body.group(1)):
        characters.setdefault(int(keysym, 16), int(character, 16))
    return characters


def table_words(source, names):
    text = read(os.path.join(source, "gtk", "gtkimcontextsimpleseqs.h"))
    body = re.search(r"gtk_compose_seqs_compact\[\]\s*=\s*\{(.*?)\};", text, re.S)
    if not body:
        sys.exit("no gtk_compose_seqs_compact table in " + source)
    words = []
    for token in re.findall(r"\w+", re.sub(r"/\*.*?\*/", "", body.group(1), flags=re.S)):
        if token.startswith("GDK_"):
            name = token[len("GDK_KEY_"):] if token.startswith("GDK_KEY_") else token[4:]
            if name not in names:
                sys.exit("unknown keysym " + token)
            words.append(names[name])
        else:
            words.append(int(token, 0))
    return words


def table_sequences(words):
    """Every (keys, character) of the compact table."""
    index_rows = words[1] // INDEX_STRIDE  # the first row's sequences follow the index
    for row in range(index_rows):
        base = row * INDEX_STRIDE
        first = words[base]
        offsets = words[base + 1:base + INDEX_STRIDE]
        for following, (start, end) in enumerate(zip(offsets, offsets[1:]), start=1):
            stride = following + 1
            for at in range(start, end, stride):
                yield tuple([first] + words[at:at + following]), words[at + following]


def composed(buffer):
    """GTK's check for [base, marks...]: the one character that canonical composition (NFC)
    makes of it, trying the marks' rotations as GTK does, or None."""
    count = len(buffer)
    if 0x390 <= buffer[0] <= 0x3FF:  # dead_tilde on Greek is perispomeni
        buffer = [buffer[0]] + [0x342 if c == 0x303 else c for c in buffer[1:]]
    trial = list(buffer)
    for i in range(math.factorial(count - 1)):
        trial = canonical_order(trial)
        text = unicodedata.normalize("NFC", "".join(chr(c) for c in trial))
        if len(text) == 1:
            return ord(text)
        if count <= 2:
            break
        a, b = i % (count - 1) + 1, (i + 1) % (count - 1) + 1
        trial[a], trial[b] = trial[b], trial[a]
    return None


def canonical_order(buffer):
    """g_unicode_canonical_ordering: each run of marks sorted by combining class, stably."""
    result = list(buffer)
    swapped = True
    while swapped:
        swapped = False
        for i in range(len(result) - 1):
            a = unicodedata.combining(chr(result[i]))
            b = unicodedata.combining(chr(result[i + 1]))
            if b != 0 and a > b:
                result[i], result[i + 1] = result[i + 1], result[i]
                swapped = True
    return result


def algorithmic_sequences(characters, table_prefixes, table_keys):
    dead_keys = sorted(DEAD_KEY_MARKS)
    bases = sorted(k for k, c in characters.items()
                   if k <= 0xFFFF and not FIRST_DEAD_KEY <= k <= GTK_LAST_DEAD_KEY and c)
    for dead_count in range(1, MAX_KEYS):
        for deads in itertools.product(dead_keys, repeat=dead_count):
            if any(deads[:n] in table_keys for n in range(1, dead_count + 1)):
                continue  # the table completes a shorter sequence first
            for base in bases:
                keys = deads + (base,)
                if keys in table_prefixes or keys in table_keys:
                    continue
                # GTK's buffer: the base's character, then the dead keys' marks in order.
                buffer = [characters[base]] + [DEAD_KEY_MARKS[d] for d in deads]
                character = composed(buffer)
                if character is not None:
                    yield keys, character


def fits(keys, character):
    starts = keys[0] == MULTI_KEY or FIRST_DEAD_KEY <= keys[0] <= LAST_DEAD_KEY
    return starts and len(keys) <= MAX_KEYS and max(keys) <= 0xFFFF and character <= 0xFFFF


TABLES = (
    # (file, table name, what its sequences begin with, test of the first keysym)
    ("ComposeDeadKeys.cpp", "kDeadKeyCompose", "a dead key", lambda key: key != MULTI_KEY),
    ("ComposeMultiKey.cpp", "kMultiKeyCompose", "Multi_key", lambda key: key == MULTI_KEY),
)


def entry_text(keys, character):
    keys = list(keys)
    while keys[-1] == 0:
        keys.pop()
    return "{{%s}, 0x%X}," % (", ".join("0x%X" % k for k in keys), character)


def write_table(path, name, begins_with, entries):
    lines = []
    line = "   "
    for keys, character in entries:
        text = " " + entry_text(keys, character)
        if len(line) + len(text) > 100:
            lines.append(line)
            line = "   "
        line += text
    lines.append(line)
    with open(path, "w", encoding="utf-8") as out:
        out.write("// Generated by tools/composetable/make_compose_table.py from the compose\n")
        out.write("// sequences of GTK 2's simple input method (gtk+ source). Do not edit.\n")
        out.write("// The sequences that begin with %s; keysyms after the last key are 0.\n"
                  % begins_with)
        out.write('#include "windows/ComposeTable.h"\n\n')
        out.write("namespace {\n\n")
        out.write("const ComposeEntry kEntries[] = {\n")
        out.write("\n".join(lines) + "\n")
        out.write("};\n\n")
        out.write("}  // namespace\n\n")
        out.write("const ComposeTable %s = {kEntries, %d};\n" % (name, len(entries)))


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, output = sys.argv[1], sys.argv[2]
    table = dict(table_sequences(table_words(source, keysym_names(source))))
    prefixes = {keys[:n] for keys in table for n in range(1, len(keys))}
    sequences = dict(table)
    for keys, character in algorithmic_sequences(keysym_characters(source), prefixes, table):
        sequences.setdefault(keys, character)
    entries = sorted((tuple(keys) + (0,) * (ENTRY_KEYS - len(keys)), character)
                     for keys, character in sequences.items() if fits(keys, character))
    for file_name, name, begins_with, belongs in TABLES:
        write_table(os.path.join(output, file_name), name, begins_with,
                    [entry for entry in entries if belongs(entry[0][0])])


if __name__ == "__main__":
    main()
