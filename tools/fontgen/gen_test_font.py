#!/usr/bin/env python3
"""Writes the small TrueType font the text-overlay tests draw with.

  gen_test_font.py OUT.ttf

Every glyph is a 5 x 7 grid of square cells, one outline contour per lit
cell. Characters 32 to 126 are mapped; those without a drawn pattern below
get a filled box, the space gets nothing. Output is deterministic.
"""
import struct
import sys

UNITS_PER_EM = 1024
CELL = 128          # font units per grid cell
ADVANCE = 6 * CELL  # five cells and a gap
ASCENT = 8 * CELL
DESCENT = -2 * CELL

# Rows from the top, '#' lit.
PATTERNS = {
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    "u": [".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "r": [".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "l": [".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
}
BOX = ["#####"] * 7


def glyph_cells(ch):
    if ch == " ":
        return []
    rows = PATTERNS.get(ch, BOX)
    cells = []
    for r, row in enumerate(rows):
        for c, lit in enumerate(row):
            if lit == "#":
                x0, y0 = c * CELL, (6 - r) * CELL  # y up, baseline at row 7's bottom
                cells.append((x0, y0, x0 + CELL, y0 + CELL))
    return cells


def glyph_data(cells):
    if not cells:
        return b""
    xs = [v for c in cells for v in (c[0], c[2])]
    ys = [v for c in cells for v in (c[1], c[3])]
    out = struct.pack(">hhhhh", len(cells), min(xs), min(ys), max(xs), max(ys))
    points = []
    for x0, y0, x1, y1 in cells:  # clockwise with y up: an outer contour
        points += [(x0, y0), (x0, y1), (x1, y1), (x1, y0)]
    out += b"".join(struct.pack(">H", 4 * i + 3) for i in range(len(cells)))
    out += struct.pack(">H", 0)  # no instructions
    out += bytes([1]) * len(points)  # on-curve, long coordinates
    px = py = 0
    xd, yd = b"", b""
    for x, y in points:
        xd += struct.pack(">h", x - px)
        yd += struct.pack(">h", y - py)
        px, py = x, y
    data = out + xd + yd
    return data + b"\0" * (-len(data) % 4)


def checksum(data):
    data += b"\0" * (-len(data) % 4)
    return sum(struct.unpack(">%dI" % (len(data) // 4), data)) & 0xFFFFFFFF


def build():
    chars = [chr(c) for c in range(32, 127)]
    glyphs = [b""] + [glyph_data(glyph_cells(ch)) for ch in chars]  # glyph 0: .notdef, empty
    loca, offset = [], 0
    for g in glyphs:
        loca.append(offset)
        offset += len(g)
    loca.append(offset)
    n = len(glyphs)
    tables = {}
    tables[b"glyf"] = b"".join(glyphs)
    tables[b"loca"] = b"".join(struct.pack(">I", o) for o in loca)
    tables[b"head"] = struct.pack(">IIIIHHqqhhhhHHhhh", 0x00010000, 0x00010000, 0, 0x5F0F3CF5, 0x000B,
                                  UNITS_PER_EM, 0, 0, 0, DESCENT, 5 * CELL, ASCENT, 0, 8, 2, 1, 0)
    tables[b"hhea"] = struct.pack(">IhhhHhhhhhhhhhhhH", 0x00010000, ASCENT, DESCENT, 0, ADVANCE, 0, 0, 5 * CELL,
                                  1, 0, 0, 0, 0, 0, 0, 0, n)
    tables[b"hmtx"] = b"".join(struct.pack(">Hh", ADVANCE, 0) for _ in range(n))
    tables[b"maxp"] = struct.pack(">IHHHHHHHHHHHHHH", 0x00010000, n, 35 * 4, 35, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0)
    # cmap: one format-4 subtable (Windows, Unicode BMP) mapping 32..126 to glyphs 1..95.
    ends, starts, deltas = [126, 0xFFFF], [32, 0xFFFF], [(1 - 32) & 0xFFFF, 1]
    body = b"".join(struct.pack(">H", e) for e in ends) + struct.pack(">H", 0)
    body += b"".join(struct.pack(">H", s) for s in starts)
    body += b"".join(struct.pack(">H", d) for d in deltas) + struct.pack(">HH", 0, 0)
    sub = struct.pack(">HHHHHHH", 4, 14 + len(body), 0, 4, 4, 1, 0) + body
    tables[b"cmap"] = struct.pack(">HHHHI", 0, 1, 3, 1, 12) + sub
    tables[b"post"] = struct.pack(">IIhhIIIII", 0x00030000, 0, 0, 0, 1, 0, 0, 0, 0)
    tags = sorted(tables)
    header = struct.pack(">IHHHH", 0x00010000, len(tags), 128, 3, len(tags) * 16 - 128)
    offset = len(header) + 16 * len(tags)
    directory, body = b"", b""
    for tag in tags:
        data = tables[tag]
        directory += struct.pack(">4sIII", tag, checksum(data), offset + len(body), len(data))
        body += data + b"\0" * (-len(data) % 4)
    return header + directory + body


def main(argv):
    if len(argv) != 2:
        raise SystemExit(__doc__)
    with open(argv[1], "wb") as f:
        f.write(build())


if __name__ == "__main__":
    main(sys.argv)
