#!/usr/bin/env python3
"""Writes the media application's resources into the folder given: tone.wav (16-bit stereo
44.1 kHz, a tone then a quiet tail, which an untimed PCM may cut), clip.y4m (YUV4MPEG2 frames
of pure red for xine) and clip.qvm (the stand-in GStreamer's own form, green)."""
import os
import struct
import sys

folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)

tone = [((i * 977) % 20000 - 10000) or 1 for i in range(2 * 8000)]
samples = tone + [1] * (2 * 22050)
data = struct.pack("<%dh" % len(samples), *samples)
wav = (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
       struct.pack("<IHHIIHH", 16, 1, 2, 44100, 44100 * 4, 4, 16) + b"data" +
       struct.pack("<I", len(data)) + data)
with open(os.path.join(folder, "tone.wav"), "wb") as out:
    out.write(wav)

width, height, frames = 64, 48, 15
movie = b"YUV4MPEG2 W%d H%d F10:1 Ip A1:1 C420jpeg\n" % (width, height)
for _ in range(frames):
    movie += b"FRAME\n" + bytes([76]) * (width * height) + bytes([85]) * (width * height // 4) \
        + bytes([255]) * (width * height // 4)
with open(os.path.join(folder, "clip.y4m"), "wb") as out:
    out.write(movie)

with open(os.path.join(folder, "clip.qvm"), "w") as out:
    out.write("QVMOVIE 20c040 1500\n")
