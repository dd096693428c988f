#!/usr/bin/env python3
"""Outlines of Object2D shapes, worked out with Python's math from the shapes' definitions.

Each argument describes one shape; each prints one line: the point count, then x y of every
point in drawing coordinates, "%.17g" each.

  rect X Y ROTATION SCALE WIDTH HEIGHT
  roun X Y ROTATION SCALE WIDTH HEIGHT CORNERW CORNERH SEGMENTS BORDERWIDTH
  oval X Y ROTATION SCALE WIDTH HEIGHT SEGMENTS BORDERWIDTH
  arc  X Y ROTATION SCALE WIDTH HEIGHT SEGMENTS START SWEEP BORDERWIDTH
  curv SCALE SEGMENTS ORDER X Y X2 Y2 C1X C1Y C2X C2Y
  figr followed by curves, each: ORDER X Y X2 Y2 C1X C1Y C2X C2Y (scale 1, segments 0)
"""
import math
import sys


def place(x, y, rotation, scale, u, v):
    if abs(rotation) > 1e-5:
        u, v = u * math.cos(rotation) - v * math.sin(rotation), \
            u * math.sin(rotation) + v * math.cos(rotation)
    return (u * scale + x, v * scale + y)


def factor(border_width):
    return border_width / 2 if border_width >= 2 else 1.0


def clamp_count(value, least, most):
    n = int(value) if value >= least else least
    return min(max(n, least), most)


def rect(x, y, rot, scale, w, h):
    corners = [(w / 2, h / 2), (-w / 2, h / 2), (-w / 2, -h / 2), (w / 2, -h / 2)]
    return [place(x, y, rot, scale, u, v) for u, v in corners]


def roun(x, y, rot, scale, w, h, cw, ch, segments, border_width):
    if not (cw > 0 and ch > 0):
        return rect(x, y, rot, scale, w, h)
    cw = min(cw, w - 0.01)
    ch = min(ch, h - 0.01)
    n = int(segments)
    if n < 4:
        n = clamp_count(factor(border_width) * (cw + ch) * scale * 0.2, 4, 1024)
    n = min(n, 1024)
    q = (n + 3) // 4
    step = 2 * math.pi / (4 * q)
    centres = [((w - cw) / 2, (h - ch) / 2), (-(w - cw) / 2, (h - ch) / 2),
               (-(w - cw) / 2, -(h - ch) / 2), ((w - cw) / 2, -(h - ch) / 2)]
    points = []
    for corner, (cu, cv) in enumerate(centres):
        for j in range(q + 1):
            angle = (corner * q + j) * step
            points.append(place(x, y, rot, scale, cu + cw / 2 * math.cos(angle),
                                cv + ch / 2 * math.sin(angle)))
    return points


def oval(x, y, rot, scale, w, h, segments, border_width):
    n = int(segments)
    if n < 3:
        n = clamp_count(factor(border_width) * (abs(w) + abs(h)) * scale * 0.2, 8, 1024)
    n = min(n, 1024)
    return [place(x, y, rot, scale, w / 2 * math.cos(i * 2 * math.pi / n),
                  h / 2 * math.sin(i * 2 * math.pi / n)) for i in range(n)]


def arc(x, y, rot, scale, w, h, segments, start, sweep, border_width):
    a = math.fmod(sweep, 2 * math.pi)
    n = min(int(segments * a / (2 * math.pi)), 1024)
    if n < 1:
        n = clamp_count(factor(border_width) * (abs(w) + abs(h)) * scale * 0.2, 8, 1024)
    points = [place(x, y, rot, scale, w / 2 * math.cos(start + i * a / n),
                    h / 2 * math.sin(start + i * a / n)) for i in range(n + 1)]
    points.append(place(x, y, rot, scale, 0, 0))
    return points


def curve_tail(scale, segments, order, x, y, x2, y2, c1x, c1y, c2x, c2y):
    """The curve's points after its start."""
    if order == 0:
        return [(x2, y2)]
    if segments >= 3:
        n = min(int(segments), 512)
    else:
        far = (c1x - x) ** 2 + (c1y - y) ** 2 if order == 1 else (c2x - x2) ** 2 + (c2y - y2) ** 2
        length = math.sqrt((x2 - x) ** 2 + (y2 - y) ** 2 + (c1x - x) ** 2 + (c1y - y) ** 2 + far)
        n = clamp_count(0.1 * scale * length, 3, 512)
    points = []
    for i in range(1, n + 1):
        t = i / n
        s = 1 - t
        if order == 1:
            points.append((s * s * x + 2 * t * s * c1x + t * t * x2,
                           s * s * y + 2 * t * s * c1y + t * t * y2))
        else:
            points.append((s ** 3 * x + 3 * t * s * s * c1x + 3 * t * t * s * c2x + t ** 3 * x2,
                           s ** 3 * y + 3 * t * s * s * c1y + 3 * t * t * s * c2y + t ** 3 * y2))
    return points


def curv(scale, segments, order, x, y, *rest):
    return [(x, y)] + curve_tail(scale, segments, int(order), x, y, *rest)


def figr(*values):
    points = []
    for i in range(0, len(values), 9):
        order, x, y = int(values[i]), values[i + 1], values[i + 2]
        if not points or points[-1] != (x, y):
            points.append((x, y))
        points += curve_tail(1.0, 0, order, x, y, *values[i + 3:i + 9])
    if len(points) > 1 and points[-1] == points[0]:
        points.pop()
    return points


def main():
    kinds = {"rect": rect, "roun": roun, "oval": oval, "arc": arc, "curv": curv, "figr": figr}
    for case in sys.argv[1:]:
        words = case.split()
        points = kinds[words[0]](*[float(word) for word in words[1:]])
        print(len(points), " ".join("%.17g %.17g" % point for point in points))


main()
