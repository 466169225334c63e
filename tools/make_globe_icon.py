#!/usr/bin/env python3
"""Draws the 34 x 33 globe icon of the earth-viewer buttons and writes it as a
PNG (standard library only). Run from the repository root:

    tools/make_globe_icon.py src/shell/globe.png

With a size, draws the same globe on a square of that many pixels, for the
desktop's icon theme:

    tools/make_globe_icon.py packaging/icons/marovin-48.png 48

The picture: a blue sphere lit from the upper left, three meridians and two
parallels, a few green land masses, a dark rim. Each pixel is supersampled
4 x 4 so the edges are smooth.
"""
import math
import struct
import sys
import zlib

WIDTH, HEIGHT = 34, 33
SAMPLES = 4
CX, CY, R = 16.5, 16.5, 15.5

# Land masses as ellipses on the (longitude, latitude) sphere, in degrees:
# centre lon, centre lat, half-width, half-height.
LAND = [
    (-20.0, 25.0, 28.0, 18.0),
    (-5.0, -15.0, 16.0, 26.0),
    (45.0, 35.0, 30.0, 16.0),
    (60.0, -25.0, 12.0, 10.0),
]


def sample(x, y):
    """Colour (r, g, b, a) of one sample point, or None outside the disc."""
    dx, dy = (x - CX) / R, (y - CY) / R
    d2 = dx * dx + dy * dy
    if d2 > 1.0:
        return None
    dz = math.sqrt(1.0 - d2)
    # Tilt the globe a little so the parallels curve.
    tilt = math.radians(20.0)
    yy = dy * math.cos(tilt) + dz * math.sin(tilt)
    zz = -dy * math.sin(tilt) + dz * math.cos(tilt)
    lat = -math.degrees(math.asin(max(-1.0, min(1.0, yy))))
    lon = math.degrees(math.atan2(dx, zz)) + 10.0

    colour = (40, 110, 205)  # sea
    for clon, clat, hw, hh in LAND:
        if ((lon - clon) / hw) ** 2 + ((lat - clat) / hh) ** 2 <= 1.0:
            colour = (60, 165, 70)
    if abs((lon + 180.0) % 45.0) < 1.6 or abs((lat + 90.0) % 30.0) < 1.4:
        colour = tuple(int(c * 0.55 + 255 * 0.45) for c in colour)
    # Light from the upper left, and a dark rim.
    light = 0.55 + 0.45 * max(0.0, -0.5 * dx - 0.5 * dy + 0.7 * dz)
    colour = tuple(min(255, int(c * light)) for c in colour)
    if d2 > 0.86:
        colour = tuple(int(c * 0.45) for c in colour)
    return colour + (255,)


def render():
    rows = []
    for py in range(HEIGHT):
        row = bytearray()
        for px in range(WIDTH):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = sample(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
                    if c is None:
                        continue
                    for i in range(3):
                        acc[i] += c[i] * c[3]
                    acc[3] += c[3]
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if acc[3] > 0:
                rgb = [int(round(acc[i] / acc[3])) for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row += bytes(rgb + [int(round(alpha))])
        rows.append(bytes(row))
    return rows


def png(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + r for r in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) > 2:
        size = int(sys.argv[2])
        WIDTH = HEIGHT = size
        CX = CY = size / 2.0
        R = size * 15.5 / 33.0
    with open(sys.argv[1] if len(sys.argv) > 1 else "globe.png", "wb") as out:
        out.write(png(render()))
