#!/usr/bin/env python3
"""Draws the program's pictures: the magnet window icon and the toolbar images.

Run it from anywhere; it writes next to itself. The outputs are committed, so
the build never needs this script. Only the standard library is used.
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# The classic 16-colour palette, one letter per colour.
PALETTE = {
    "k": (0x00, 0x00, 0x00),  # black
    "m": (0x80, 0x00, 0x00),  # maroon
    "e": (0x00, 0x80, 0x00),  # green
    "o": (0x80, 0x80, 0x00),  # olive
    "n": (0x00, 0x00, 0x80),  # navy
    "p": (0x80, 0x00, 0x80),  # purple
    "t": (0x00, 0x80, 0x80),  # teal
    "s": (0xC0, 0xC0, 0xC0),  # silver
    "g": (0x80, 0x80, 0x80),  # grey
    "r": (0xFF, 0x00, 0x00),  # red
    "l": (0x00, 0xFF, 0x00),  # lime
    "y": (0xFF, 0xFF, 0x00),  # yellow
    "b": (0x00, 0x00, 0xFF),  # blue
    "f": (0xFF, 0x00, 0xFF),  # fuchsia
    "a": (0x00, 0xFF, 0xFF),  # aqua
    "w": (0xFF, 0xFF, 0xFF),  # white
}

# Toolbar images sit on silver; the program keys silver out as transparent,
# so silver must never be used inside a toolbar drawing.
TOOLBAR_BACKGROUND = "."


def write_png(path, width, height, rows, alpha):
    """rows: list of lists of (r, g, b) or (r, g, b, a) tuples."""
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter type none
        for px in row:
            raw.extend(px)
    colour_type = 6 if alpha else 2

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", header)
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# ---------------------------------------------------------------------------
# Toolbar images, drawn pixel by pixel (16x16, '.' is the silver background).

NEW = """
................
..kkkkkkkkk.....
..kwwwwwwkwk....
..kwwwwwwkwwk...
..kwwwwwwkwwwk..
..kwwwwwwkkkkk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kwwwwwwwwwwk..
..kkkkkkkkkkkk..
................
"""

CUT = """
....k......k....
....kk....kk....
....kgk..kgk....
.....kgk.kgk....
.....kgkkgk.....
......kgkgk.....
......kkgkk.....
.......kgk......
......kkgkk.....
.....mmk.kmm....
..mmmm.....mmmm.
.m...m.....m...m
.m...m.....m...m
.m...m.....m...m
..mmm.......mmm.
................
"""

COPY = """
................
.kkkkkkkk.......
.kwwwwwwk.......
.kwnnnnwk.......
.kwwwwwwk.......
.kwnnnkkkkkkkk..
.kwwwwkwwwwwwk..
.kwnnnkwnnnnwk..
.kwwwwkwwwwwwk..
.kwnnnkwnnnnwk..
.kwwwwkwwwwwwk..
.kkkkkkwnnnnwk..
......kwwwwwwk..
......kwnnnwwk..
......kwwwwwwk..
......kkkkkkkk..
"""

PASTE = """
......kkkk......
..kkkkgwwgkkkk..
.koookggggkoook.
.kookkkkkkkkook.
.koooooooooooook
.koooooooooooook
.kooooookkkkkkkk
.kooooookwwwwwwk
.kooooookwnnnnwk
.kooooookwwwwwwk
.kooooookwnnnnwk
.kooooookwwwwwwk
.kooooookwnnnwwk
.kooooookwwwwwwk
.kkkkkkkkkkkkkkk
................
"""


def grid_rows(art):
    lines = [line for line in art.strip("\n").split("\n")]
    assert len(lines) == 16, len(lines)
    for line in lines:
        assert len(line) == 16, repr(line)
        assert "s" not in line, "silver inside a toolbar image would turn transparent"
    return [[PALETTE["s"] if ch == TOOLBAR_BACKGROUND else PALETTE[ch] for ch in line]
            for line in lines]


# ---------------------------------------------------------------------------
# The magnet: one geometry, drawn as crisp pixels at 16 and 32 and as SVG.
# Units are those of the 32x32 picture; the 16x16 one is the same at half size.

CX, CY = 16.0, 14.0      # centre of the bend
R_OUT, R_IN = 14.5, 6.0  # outer and inner radius of the bend
BOTTOM = 31.0            # lower end of both legs
TIP_TOP = 24.0           # where the grey pole tips start


def magnet_part(x, y):
    """None outside; otherwise (band position 0..1 from inner to outer edge, is_tip)."""
    if y <= CY:
        d = math.hypot(x - CX, y - CY)
        if R_IN <= d <= R_OUT:
            return (d - R_IN) / (R_OUT - R_IN), False
        return None
    if y > BOTTOM:
        return None
    if CX - R_OUT <= x <= CX - R_IN:
        t = (CX - R_IN - x) / (R_OUT - R_IN)
    elif CX + R_IN <= x <= CX + R_OUT:
        t = (x - CX - R_IN) / (R_OUT - R_IN)
    else:
        return None
    return t, y >= TIP_TOP


# At 16x16 the computed outline eats too much of the thin bar, so the small
# picture is drawn by hand in the same colours.
MAGNET_16 = """
................
.....kkkkkk.....
...kkrrrrrrkk...
..krwwrrrrrrrk..
.krwrrmmmmrrrrk.
.krwrmkkkkmrrrk.
.krwmk....kmrrk.
.krwmk....kmrrk.
.krrmk....kmrrk.
.krrmk....kmrrk.
.krrmk....kmrrk.
.kkkkk....kkkkk.
.kwsgk....kgswk.
.kwsgk....kgswk.
.kkkkk....kkkkk.
................
"""


def magnet_pixels(size):
    if size == 16:
        lines = MAGNET_16.strip("\n").split("\n")
        assert len(lines) == 16 and all(len(line) == 16 for line in lines)
        return [[(0, 0, 0, 0) if ch == "." else PALETTE[ch] + (255,) for ch in line]
                for line in lines]
    scale = 32.0 / size
    cells = [[None] * size for _ in range(size)]
    for j in range(size):
        for i in range(size):
            cells[j][i] = magnet_part((i + 0.5) * scale, (j + 0.5) * scale)

    def inside(i, j):
        return 0 <= i < size and 0 <= j < size and cells[j][i] is not None

    rows = []
    for j in range(size):
        row = []
        for i in range(size):
            part = cells[j][i]
            if part is None:
                row.append((0, 0, 0, 0))
                continue
            t, tip = part
            edge = not all(inside(i + di, j + dj) for di, dj in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            # A black seam where the red meets the grey tip.
            seam = tip and j > 0 and cells[j - 1][i] is not None and not cells[j - 1][i][1]
            if edge or seam:
                colour = "k"
            elif tip:
                colour = "w" if 0.55 <= t <= 0.8 else "s"
                if t < 0.3:
                    colour = "g"
            else:
                # Dark along the inner edge, a light stripe outside: reads as a round bar.
                colour = "m" if t < 0.3 else "r"
                if 0.6 <= t <= 0.75 and (i + 0.5) * scale < CX:
                    colour = "w"
            row.append(PALETTE[colour] + (255,))
        rows.append(row)
    return rows


def magnet_svg():
    def fmt(v):
        return ("%.3f" % v).rstrip("0").rstrip(".")

    def band(r_in, r_out, top, bottom):
        """Closed outline of the horseshoe between two radii, legs from top to bottom."""
        return ("M {l},{b} L {l},{cy} A {R},{R} 0 0 1 {r},{cy} L {r},{b} "
                "L {ri},{b} L {ri},{cy} A {Ri},{Ri} 0 0 0 {li},{cy} L {li},{b} Z").format(
            l=fmt(CX - r_out), r=fmt(CX + r_out), li=fmt(CX - r_in), ri=fmt(CX + r_in),
            cy=fmt(CY), b=fmt(bottom), R=fmt(r_out), Ri=fmt(r_in))

    body = band(R_IN, R_OUT, CY, TIP_TOP)
    inner_shade = band(R_IN, R_IN + 0.3 * (R_OUT - R_IN), CY, TIP_TOP)
    w = R_OUT - R_IN
    tips = []
    for left in (CX - R_OUT, CX + R_IN):
        tips.append('<rect x="%s" y="%s" width="%s" height="%s" fill="#c0c0c0" stroke="#000000" stroke-width="1"/>'
                    % (fmt(left), fmt(TIP_TOP), fmt(w), fmt(BOTTOM - TIP_TOP)))
    # Highlight stripe on the left half of the bend and down the left leg.
    h0, h1 = R_IN + 0.6 * w, R_IN + 0.75 * w
    highlight = ("M {a},{b} L {a},{cy} A {r1},{r1} 0 0 1 {cx},{t1} L {cx},{t0} "
                 "A {r0},{r0} 0 0 0 {c},{cy} L {c},{b} Z").format(
        a=fmt(CX - h1), c=fmt(CX - h0), b=fmt(TIP_TOP), cy=fmt(CY), r1=fmt(h1), r0=fmt(h0),
        cx=fmt(CX), t1=fmt(CY - h1), t0=fmt(CY - h0))
    outline = band(R_IN, R_OUT, CY, BOTTOM)
    return """<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <title>Vornix-Downloader</title>
  <path d="{body}" fill="#ff0000"/>
  <path d="{shade}" fill="#800000"/>
  <path d="{hl}" fill="#ffffff"/>
  {tips}
  <path d="{outline}" fill="none" stroke="#000000" stroke-width="1" stroke-linejoin="round"/>
</svg>
""".format(body=body, shade=inner_shade, hl=highlight, tips="\n  ".join(tips),
           outline=outline)


def main():
    for name, art in (("new", NEW), ("cut", CUT), ("copy", COPY), ("paste", PASTE)):
        write_png(os.path.join(HERE, name + ".png"), 16, 16, grid_rows(art), alpha=False)
    for size in (32, 16):
        write_png(os.path.join(HERE, "magnet-%d.png" % size), size, size, magnet_pixels(size),
                  alpha=True)
    with open(os.path.join(HERE, "magnet.svg"), "w", encoding="utf-8") as f:
        f.write(magnet_svg())


if __name__ == "__main__":
    main()
