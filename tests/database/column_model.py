#!/usr/bin/env python3
"""What every typed getter of a database field should answer for the test engine's "codes" rows
(tests/plugins/database/testengine.c, kept in step with ROWS below), written from the rules of
the column value codes, not from the framework's code.

Prints one line per row and getter: row, getter, value; texts are escaped (printable ASCII as it
is, every other byte as \\xNN), reals are %.17g, a missing Date is "nil"."""
import math
import struct

I32 = (-2**31, 2**31 - 1)
I64 = (-2**63, 2**63 - 1)

# (code, kind, value): kinds as the engine makes the bytes.
ROWS = [
    (0, 'n', None), (1, 'b', b'xx'), (2, 'h', -12345), (3, 'i', -2000000000),
    (4, 'b', b'tango'), (5, 'b', b'12.5'), (6, 'f', 0.1), (7, 'd', -1234.56789),
    (8, 'b', b'\x07\xd4\x00\x03\x00\x09'), (9, 'b', b'\x00\x0d\x00\x05\x00\x3b'),
    (10, 'b', b'\x07\xd4\x00\x03\x00\x09\x00\x0d\x00\x05\x00\x3b'), (11, 'q', 125000),
    (12, 'b', b'\x01'), (13, 'b', b'\x01\x00\x00\x00'), (14, 'b', b'\x01\x02raw'),
    (15, 'b', b'False start'), (16, 'b', b'Tail'), (17, 'b', b'abc'),
    (18, 's', b'9007199254740993'), (19, 'q', 2**53 + 1), (19, 'q', 2**63 - 1),
    (19, 'q', -2**63), (7, 'd', math.nan), (11, 'q', -1), (7, 'd', 1e300),
    (5, 'b', b' -42 '), (5, 'b', b'9223372036854775807'), (6, 'f', -2.5), (5, 'b', b'1e3'),
    (20, 'b', b'zz'), (7, 'd', 2.5), (11, 'q', -2**63),
]

TEXT_CODES = {4, 5, 14, 15, 16, 18}


def clamp(value, bounds):
    return max(bounds[0], min(bounds[1], value))


def native(kind, value):
    if kind == 'n':
        return b''
    if kind in 'hiqfd':
        return struct.pack('<' + kind, value)
    return value


def number(kind, value):
    return struct.unpack('<' + kind, struct.pack('<' + kind, value))[0]


def val(text):
    try:
        return float(text.strip())
    except ValueError:
        return 0.0


def whole(text):
    stripped = text.strip(b' \t')
    body = stripped[1:] if stripped[:1] in (b'-', b'+') else stripped
    if not body.isdigit():
        return None
    result = int(stripped)
    return result if I64[0] <= result <= I64[1] else None


def trunc(real):
    if math.isnan(real):
        return 0
    if real >= 2.0**63:
        return I64[1]
    if real < -2.0**63:
        return I64[0]
    return int(real)


def round_away(real):
    if math.isnan(real):
        return 0
    rounded = math.floor(abs(real) + 0.5) * (1 if real >= 0 else -1)
    return clamp(rounded, I64) if abs(real) < 2.0**64 else (I64[1] if real > 0 else I64[0])


def currency_text(raw):
    sign = '-' if raw < 0 else ''
    magnitude = abs(raw)
    text = sign + str(magnitude // 10000)
    fraction = magnitude % 10000
    return text + ('.' + ('%04d' % fraction).rstrip('0') if fraction else '')


def currency_from_text(text):
    stripped = text.strip(b' \t').decode('latin-1')
    sign = -1 if stripped.startswith('-') else 1
    body = stripped.lstrip('+-') if stripped[:1] in '+-' else stripped
    parts = body.split('.')
    if body and len(parts) <= 2 and all(p.isdigit() or p == '' for p in parts) and \
            any(parts) and len(stripped) - len(body) <= 1:
        integer, fraction = parts[0] or '0', (parts[1] if len(parts) == 2 else '')
        raw = int(integer) * 10000 + int((fraction + '0000')[:4])
        if len(fraction) > 4 and fraction[4] >= '5':
            raw += 1
        if raw <= 2**63 - (1 if sign > 0 else 0):
            return sign * raw
    return round_away(val(text.decode('latin-1')) * 10000)


def fields(data, count):
    return [struct.unpack('>h', data[2 * i:2 * i + 2])[0] for i in range(count)]


def date_text(code, data):
    if code == 8:
        return '%d-%02d-%02d' % tuple(fields(data, 3))
    if code == 9:
        return '%02d:%02d:%02d' % tuple(fields(data, 3))
    f = fields(data, 6)
    return '%d-%02d-%02d %02d:%02d:%02d' % tuple(f)


def date_value(code, data):
    if code == 8:
        return '%04d-%02d-%02d 00:00:00' % tuple(fields(data, 3))
    if code == 9:
        return '0001-01-01 %02d:%02d:%02d' % tuple(fields(data, 3))
    if code == 10:
        return '%04d-%02d-%02d %02d:%02d:%02d' % tuple(fields(data, 6))
    return 'nil'


def real_text(real, digits):
    if math.isnan(real):
        return 'NaN'
    if real != 0 and (abs(real) >= 1e6 or abs(real) < 1e-5):
        mantissa, exponent = ('%.*e' % (digits - 1, real)).split('e')
        return mantissa + 'e' + exponent[0] + exponent[1:].lstrip('0')
    return ('%.*g' % (digits, real))


def real(r):
    return 'nan' if math.isnan(r) else '%.17g' % r


def getters(code, kind, value):
    data = native(kind, value)
    text = data if code in TEXT_CODES else None
    if kind in 'hiqfd':
        n = number(kind, value)
    if code == 0:
        return ['', real(0.0), 0, 0, 0, 0, 'nil', '0:']
    if code in (2, 3, 19):
        variant = ('3:' if code == 19 else '2:') + str(n)
        return [str(n), real(float(n)), clamp(n, I32), n, clamp(n * 10000, I64), int(n != 0),
                'nil', variant]
    if code in (6, 7):
        as_int = trunc(n)
        return [real_text(n, 7 if code == 6 else 10), real(n), clamp(as_int, I32), as_int,
                round_away(n * 10000), int(n != 0), 'nil', '5:' + real(n)]
    if code in (8, 9, 10):
        return [date_text(code, data), real(0.0), 0, 0, 0, 0, date_value(code, data),
                '7:' + date_value(code, data)]
    if code == 11:
        as_int = -(-n // 10000) if n < 0 else n // 10000
        return [currency_text(n), real(n / 10000), clamp(as_int, I32), as_int, n, int(n != 0),
                'nil', '6:' + str(n)]
    if code == 12:
        b = int(data[0] != 0)
        return ['true' if b else 'false', real(float(b)), b, b, b * 10000, b, 'nil', '11:' + str(b)]
    if text is not None:
        w = whole(text)
        as_int = w if w is not None else trunc(val(text.decode('latin-1')))
        return [text, real(val(text.decode('latin-1'))), clamp(as_int, I32), as_int,
                currency_from_text(text), int(text[:1] in (b't', b'T')), 'nil', b'8:' + text]
    return ['', 'nan', 0, 0, 0, 0, 'nil', '0:']


def escape(item):
    if isinstance(item, int):
        return str(item)
    if isinstance(item, str):
        item = item.encode('latin-1')
    return ''.join(chr(b) if 32 <= b < 127 and b != 92 else '\\x%02X' % b for b in item)


NAMES = ['String', 'Double', 'Integer', 'Int64', 'Currency', 'Boolean', 'Date', 'Value']
for row, (code, kind, value) in enumerate(ROWS):
    for name, item in zip(NAMES, getters(code, kind, value)):
        print('%d\t%s\t%s' % (row, name, escape(item)))
    print('%d\tNative\t%s' % (row, '*' if kind == 's' else escape(native(kind, value))))
