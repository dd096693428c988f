#!/usr/bin/env python3
"""Writes the framework's compose tables (src/windows/Compose*.cpp) from GTK 2's source.

    tools/composetable/make_compose_table.py GTK2_SOURCE_DIR src/windows

GTK2_SOURCE_DIR is an unpacked gtk+ 2 source package (apt-get source gtk+2.0). The tables hold
every key sequence that GTK 2's simple input method (gtk/gtkimcontextsimple.c) composes into
one character and that the framework's key translation can take: at most four keys, the first
Multi_key or a dead key from dead_grave to dead_belowdot, keysyms and character within 16 bits.

The input method composes in two ways, both followed here step by step as it runs them:

1. its built-in table, gtk/gtkimcontextsimpleseqs.h, in a compact form: an index of rows
   {first keysym, offsets of the sequences of 2, 3, 4 and 5 keys}, then the sequences, each the
   keysyms after the first followed by the character. The input method looks rows and
   sequences up by binary search, and parts of the table are out of order, so some sequences
   it holds are never found: the lookup here is the same search (glibc's bsearch).
2. dead keys followed by one other key: the key's character with each dead key's combining
   mark, when Unicode's canonical composition (NFC, the marks reordered as GTK reorders them)
   makes one character of it. Only the framework's dead keys are followed here; GTK also
   counts dead_hook to dead_dasia, and gives dead_stroke no mark at all, so that it would
   double every sequence without adding a character.

A sequence is kept when the input method goes on at each key before the last and commits at
the last; one whose shorter start already commits, or that it drops, is left out. Entries are
sorted by their keysyms, trailing positions 0, in two tables: the sequences that begin with a
dead key and those that begin with Multi_key. The keysym names come from the source's
gdk/gdkkeysyms.h, keysym characters from gdk/gdkkeyuni.c.
"""
import itertools
import math
import os
import re
import sys
import unicodedata

MULTI_KEY = 0xFF20
FIRST_DEAD_KEY = 0xFE50  # dead_grave
LAST_DEAD_KEY = 0xFE60   # dead_belowdot: the last that starts a sequence in the framework
GTK_LAST_DEAD_KEY = 0xFE66  # GTK counts keys up to dead_dasia + 1 as dead keys
GTK_MAX_COMPOSE_LEN = 7
TABLE_MAX_SEQ_LEN = 5
MAX_KEYS = 4
ENTRY_KEYS = 5
INDEX_STRIDE = 6  # first keysym and five offsets

# The combining mark GTK gives each dead key; other dead keys give their keysym's character.
DEAD_KEY_MARKS = {
    0xFE50: 0x0300, 0xFE51: 0x0301, 0xFE52: 0x0302, 0xFE53: 0x0303, 0xFE54: 0x0304,
    0xFE55: 0x0306, 0xFE56: 0x0307, 0xFE57: 0x0308, 0xFE61: 0x0309, 0xFE58: 0x030A,
    0xFE59: 0x030B, 0xFE5A: 0x030C, 0xFE64: 0x0313, 0xFE65: 0x0314, 0xFE62: 0x031B,
    0xFE60: 0x0323, 0xFE5B: 0x0327, 0xFE5C: 0x0328, 0xFE5D: 0x0345, 0xFE5E: 0x3099,
    0xFE5F: 0x309A, 0xFE66: 0x0314,
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
    """gdk_keyval_to_unicode's table, with Latin-1's keysyms, for keysyms of 16 bits."""
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


def bsearch(key, count, compare):
    """glibc's bsearch over indexes 0 .. count - 1: the index found, or None."""
    low, high = 0, count
    while low < high:
        middle = (low + high) // 2
        order = compare(key, middle)
        if order < 0:
            high = middle
        elif order > 0:
            low = middle + 1
        else:
            return middle
    return None


def sign(a, b):
    return (a > b) - (a < b)


class InputMethod:
    """GTK 2's simple input method, as far as compose sequences go."""

    def __init__(self, words, characters):
        self.words = words
        self.characters = characters
        self.index_rows = words[1] // INDEX_STRIDE  # the first row's sequences follow the index

    def table_sequences(self):
        """Every (keys, character) the compact table holds, found or not."""
        for row in range(self.index_rows):
            base = row * INDEX_STRIDE
            offsets = self.words[base + 1:base + INDEX_STRIDE]
            for following, (start, end) in enumerate(zip(offsets, offsets[1:]), start=1):
                for at in range(start, end, following + 1):
                    yield (self.words[base],) + tuple(self.words[at:at + following]), \
                        self.words[at + following]

    def check_compact_table(self, buffer):
        """'commit' with a character, 'more', or None when the table has nothing."""
        count = len(buffer)
        if count > TABLE_MAX_SEQ_LEN:
            return None
        words = self.words
        row = bsearch(buffer[0], self.index_rows,
                      lambda key, r: sign(key, words[r * INDEX_STRIDE]))
        if row is None:
            return None
        if count == 1:
            return ("more",)
        seq_index = words[row * INDEX_STRIDE:(row + 1) * INDEX_STRIDE]
        rest = buffer[1:]
        for i in range(count - 1, TABLE_MAX_SEQ_LEN):
            stride = i + 1
            start, end = seq_index[i], seq_index[i + 1]
            if end - start <= 0:
                continue

            def compare(key, n, start=start, stride=stride):
                row_words = words[start + n * stride:start + (n + 1) * stride]
                for k, keysym in enumerate(key):
                    if keysym != row_words[k]:
                        return sign(keysym, row_words[k])
                return 0

            found = bsearch(rest, (end - start) // stride, compare)
            if found is not None:
                if i == count - 1:
                    return ("commit", words[start + found * stride + stride - 1])
                return ("more",)
        return None

    def check_algorithmically(self, buffer):
        count = len(buffer)
        if count >= GTK_MAX_COMPOSE_LEN:
            return None
        dead = 0
        while dead < count and FIRST_DEAD_KEY <= buffer[dead] <= GTK_LAST_DEAD_KEY:
            dead += 1
        if dead == count:
            return ("more",)
        if dead == 0 or dead != count - 1:
            return None
        combination = [self.characters.get(buffer[-1], 0)]
        for key in buffer[:-1]:
            combination.append(DEAD_KEY_MARKS.get(key, self.characters.get(key, 0)))
        character = normalize_to_one(combination)
        return ("commit", character) if character is not None else None

    def compose(self, keys):
        """The character the keys commit at the last key, or None."""
        for n in range(1, len(keys) + 1):
            buffer = keys[:n]
            result = self.check_compact_table(buffer) or self.check_algorithmically(buffer)
            last = n == len(keys)
            if result is None or (result[0] == "commit") != last:
                return None
        return result[1]


def normalize_to_one(buffer):
    """check_normalize_nfc and what follows it: the one character canonical composition makes
    of [base, marks...] in some order GTK tries, or None. Zeros end the text, as in C."""
    count = len(buffer)
    if 0x390 <= buffer[0] <= 0x3FF:  # dead_tilde on Greek is perispomeni
        buffer = [buffer[0]] + [0x342 if c == 0x303 else c for c in buffer[1:]]
    trial = list(buffer)
    for i in range(math.factorial(count - 1)):
        trial = canonical_order(trial)
        text = "".join(chr(c) for c in itertools.takewhile(lambda c: c != 0, trial))
        composed = unicodedata.normalize("NFC", text)
        if len(composed) == 1:
            return ord(composed)
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


def dead_key_candidates(characters):
    """Dead keys and a key whose character one of their marks composes with: every sequence
    of that form the input method could compose (no mark composing with the character, no
    composition of them all)."""
    dead_keys = range(FIRST_DEAD_KEY, LAST_DEAD_KEY + 1)
    for base, character in sorted(characters.items()):
        if base > 0xFFFF or FIRST_DEAD_KEY <= base <= GTK_LAST_DEAD_KEY or not character:
            continue
        composing = {key for key in dead_keys if key in DEAD_KEY_MARKS and
                     normalize_to_one([character, DEAD_KEY_MARKS[key]]) is not None}
        if not composing:
            continue
        for dead_count in range(1, MAX_KEYS):
            for deads in itertools.product(dead_keys, repeat=dead_count):
                if composing.intersection(deads):
                    yield deads + (base,)


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
    characters = keysym_characters(source)
    method = InputMethod(table_words(source, keysym_names(source)), characters)
    candidates = {keys for keys, _ in method.table_sequences()}
    candidates.update(dead_key_candidates(characters))
    sequences = {}
    for keys in candidates:
        if len(keys) > MAX_KEYS or not fits(keys, 0):
            continue
        character = method.compose(keys)
        if character is not None and fits(keys, character):
            sequences[keys] = character
    entries = sorted((keys + (0,) * (ENTRY_KEYS - len(keys)), character)
                     for keys, character in sequences.items())
    for file_name, name, begins_with, belongs in TABLES:
        write_table(os.path.join(output, file_name), name, begins_with,
                    [entry for entry in entries if belongs(entry[0][0])])


if __name__ == "__main__":
    main()
