#!/usr/bin/env python3
"""Draws the demos' own images and writes them as baseline JPEG files.

Every picture is computed here from simple formulas (no input files), and the
JPEG encoder below is our own, so the output is the same byte for byte on any
machine with Python 3.

Outputs (paths relative to the repository root):
  demos/DemoImagesData.inc        the images held in the program: the logo in
                                  the corner of every built-in demo and the
                                  fur cube's background, as C byte arrays;
  media/textures/fur_color.jpg    the fur cube's colour texture, read from the
                                  program folder at run time;
  and the pictures of engine_demo_images.py and gi_hdr_sprite_media.py (see
  there).

Usage: gen_images.py [--check]
  --check  regenerate in memory and fail (exit 1) when a committed output
           differs.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import engine_demo_images  # noqa: E402
import gi_hdr_sprite_media  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, '..', '..'))

# ---------------------------------------------------------------- encoder --

ZIGZAG = [
    0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63]

# The example quantisation tables of the JPEG standard (natural order).
LUMA_Q = [
    16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55,
    14, 13, 16, 24, 40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62,
    18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99]
CHROMA_Q = [
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99] + [99] * 32

# The standard's typical Huffman tables: code counts per length, symbols.
DC_LUMA = ([0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0], list(range(12)))
DC_CHROMA = ([0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0], list(range(12)))
AC_LUMA = ([0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d], bytes.fromhex(
    '01020300041105122131410613516107227114328191a1082342b1c11552d1f0'
    '2433627282090a161718191a25262728292a3435363738393a434445464748494a'
    '535455565758595a636465666768696a737475767778797a838485868788898a'
    '92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6'
    'c7c8c9cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4f5f6f7f8f9fa'))
AC_CHROMA = ([0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77], bytes.fromhex(
    '000102031104052131061241510761711322328108144291a1b1c109233352f0'
    '156272d10a162434e125f11718191a262728292a35363738393a434445464748'
    '494a535455565758595a636465666768696a737475767778797a82838485868788'
    '898a92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4'
    'c5c6c7c8c9cad2d3d4d5d6d7d8d9dae2e3e4e5e6e7e8e9eaf2f3f4f5f6f7f8f9fa'))


def huffman_codes(table):
    counts, symbols = table
    codes, code, k = {}, 0, 0
    for length in range(1, 17):
        for _ in range(counts[length - 1]):
            codes[symbols[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


def scaled_table(base, quality):
    scale = 5000 // quality if quality < 50 else 200 - quality * 2
    return [min(255, max(1, (q * scale + 50) // 100)) for q in base]


COS = [[math.cos((2 * x + 1) * u * math.pi / 16) * (math.sqrt(0.5) if u == 0 else 1.0)
        for x in range(8)] for u in range(8)]


def fdct(block):
    """2-D DCT-II of 64 level-shifted samples, as the standard defines it."""
    rows = []
    for y in range(8):
        r = block[y * 8:y * 8 + 8]
        rows.append([sum(c[x] * r[x] for x in range(8)) / 2 for c in COS])
    out = [0.0] * 64
    for u in range(8):
        c = COS[u]
        for v in range(8):
            out[u * 8 + v] = sum(c[y] * rows[y][v] for y in range(8)) / 2
    return out


class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.bits = 0

    def put(self, code, length):
        self.acc = (self.acc << length) | code
        self.bits += length
        while self.bits >= 8:
            self.bits -= 8
            byte = (self.acc >> self.bits) & 0xFF
            self.out.append(byte)
            if byte == 0xFF:
                self.out.append(0)  # byte stuffing
        self.acc &= (1 << self.bits) - 1

    def flush(self):
        if self.bits:
            self.put((1 << (8 - self.bits)) - 1, 8 - self.bits)


def magnitude(v):
    n = abs(v).bit_length()
    return n, (v if v >= 0 else v + (1 << n) - 1)


def encode_block(writer, coeffs, previous_dc, dc_codes, ac_codes):
    diff = coeffs[0] - previous_dc
    n, bits = magnitude(diff)
    writer.put(*dc_codes[n])
    if n:
        writer.put(bits, n)
    run = 0
    for k in range(1, 64):
        v = coeffs[k]
        if v == 0:
            run += 1
            continue
        while run > 15:
            writer.put(*ac_codes[0xF0])
            run -= 16
        n, bits = magnitude(v)
        writer.put(*ac_codes[(run << 4) | n])
        writer.put(bits, n)
        run = 0
    if run:
        writer.put(*ac_codes[0x00])
    return coeffs[0]


def segment(marker, payload):
    return bytes([0xFF, marker]) + (len(payload) + 2).to_bytes(2, 'big') + payload


def encode_jpeg(width, height, pixel, quality=85):
    """pixel(x, y) -> (r, g, b) in 0..255; 4:4:4 baseline JPEG bytes."""
    lq, cq = scaled_table(LUMA_Q, quality), scaled_table(CHROMA_Q, quality)
    planes = [[0.0] * (width * height) for _ in range(3)]
    for y in range(height):
        for x in range(width):
            r, g, b = pixel(x, y)
            i = y * width + x
            planes[0][i] = 0.299 * r + 0.587 * g + 0.114 * b - 128
            planes[1][i] = -0.168736 * r - 0.331264 * g + 0.5 * b
            planes[2][i] = 0.5 * r - 0.418688 * g - 0.081312 * b
    dc = [huffman_codes(DC_LUMA), huffman_codes(DC_CHROMA)]
    ac = [huffman_codes(AC_LUMA), huffman_codes(AC_CHROMA)]
    tables = [lq, cq, cq]
    writer = BitWriter()
    previous = [0, 0, 0]
    for by in range(0, height, 8):
        for bx in range(0, width, 8):
            for c in range(3):
                block = []
                for y in range(8):
                    row = min(by + y, height - 1) * width
                    block.extend(planes[c][row + min(bx + x, width - 1)] for x in range(8))
                d = fdct(block)
                q = tables[c]
                coeffs = [int(round(d[z] / q[z])) for z in ZIGZAG]
                previous[c] = encode_block(writer, coeffs, previous[c], dc[min(c, 1)], ac[min(c, 1)])
    writer.flush()
    head = b'\xff\xd8' + segment(0xE0, b'JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00')
    head += segment(0xDB, bytes([0]) + bytes(lq[z] for z in ZIGZAG) +
                    bytes([1]) + bytes(cq[z] for z in ZIGZAG))
    head += segment(0xC0, bytes([8]) + height.to_bytes(2, 'big') + width.to_bytes(2, 'big') +
                    bytes([3, 1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1]))
    for cls_id, table in ((0x00, DC_LUMA), (0x10, AC_LUMA), (0x01, DC_CHROMA), (0x11, AC_CHROMA)):
        head += segment(0xC4, bytes([cls_id]) + bytes(table[0]) + bytes(table[1]))
    head += segment(0xDA, bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]))
    return head + bytes(writer.out) + b'\xff\xd9'

# --------------------------------------------------------------- pictures --


def clamp8(v):
    return max(0, min(255, int(v)))


def hash_noise(x, y, seed):
    """Deterministic value noise in 0..1 from integer coordinates."""
    n = (x * 374761393 + y * 668265263 + seed * 1442695041) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65535.0


def smooth_noise(x, y, cell, seed):
    gx, gy = x / cell, y / cell
    ix, iy = int(gx), int(gy)
    fx, fy = gx - ix, gy - iy
    fx, fy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
    a, b = hash_noise(ix, iy, seed), hash_noise(ix + 1, iy, seed)
    c, d = hash_noise(ix, iy + 1, seed), hash_noise(ix + 1, iy + 1, seed)
    return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy


def logo_pixel(x, y):
    """A ring with a slanted tail (a "Q") glowing cyan on black; black adds
    nothing where the demos blend the logo additively."""
    cx, cy = 128.0, 120.0
    dx, dy = x + 0.5 - cx, y + 0.5 - cy
    r = math.hypot(dx, dy)
    ring = max(0.0, 1.0 - abs(r - 70.0) / 14.0)
    # Tail: a thick segment from the ring's lower right outwards.
    tx, ty = x + 0.5 - 170.0, y + 0.5 - 170.0
    along = (tx + ty) / math.sqrt(2)
    across = abs(tx - ty) / math.sqrt(2)
    tail = max(0.0, 1.0 - across / 10.0) if -18.0 < along < 40.0 else 0.0
    glow = max(0.0, 1.0 - abs(r - 70.0) / 40.0) * 0.25
    v = min(1.0, max(ring, tail) + glow)
    shade = 0.75 + 0.25 * (1.0 - y / 256.0)
    return clamp8(40 * v * shade), clamp8(200 * v * shade), clamp8(255 * v * shade)


def fur_background_pixel(x, y):
    """Dusk gradient with soft clouds and a darker rim."""
    t = y / 511.0
    n = 0.6 * smooth_noise(x, y, 64, 7) + 0.4 * smooth_noise(x, y, 16, 11)
    dx, dy = (x - 255.5) / 256.0, (y - 255.5) / 256.0
    vignette = 1.0 - 0.45 * min(1.0, dx * dx + dy * dy)
    r = (30 + 60 * t + 40 * n) * vignette
    g = (40 + 50 * t + 30 * n) * vignette
    b = (90 + 40 * (1 - t) + 50 * n) * vignette
    return clamp8(r), clamp8(g), clamp8(b)


def fur_color_pixel(x, y):
    """Orange coat with dark wavy stripes."""
    wave = math.sin((x + 18.0 * math.sin(y / 23.0) + 9.0 * smooth_noise(x, y, 20, 3)) / 11.0)
    stripe = 1.0 if wave > 0.55 else 0.0
    n = smooth_noise(x, y, 8, 5)
    base = (225 + 25 * n, 130 + 30 * n, 40 + 20 * n)
    dark = (40 + 20 * n, 25 + 10 * n, 15)
    return tuple(clamp8(base[i] * (1 - stripe) + dark[i] * stripe) for i in range(3))

# ---------------------------------------------------------------- outputs --


def c_array(name, data):
    lines = ['const unsigned char %s[%d] = {' % (name, len(data))]
    for i in range(0, len(data), 16):
        lines.append('    ' + ', '.join('0x%02x' % b for b in data[i:i + 16]) + ',')
    lines.append('};')
    return '\n'.join(lines) + '\n'


def build():
    logo = encode_jpeg(256, 256, logo_pixel)
    background = encode_jpeg(512, 512, fur_background_pixel, 80)
    fur = encode_jpeg(256, 256, fur_color_pixel)
    inc = ('// Generated by tools/images/gen_images.py; do not edit.\n'
           '// The logo of the built-in demos (256 x 256, %d bytes) and the fur\n'
           '// cube background (512 x 512, %d bytes), baseline JPEG.\n' % (len(logo), len(background)))
    inc += c_array('kDemoLogoJpeg', logo) + c_array('kFurBackgroundJpeg', background)
    outputs = {
        os.path.join('demos', 'DemoImagesData.inc'): inc.encode(),
        os.path.join('media', 'textures', 'fur_color.jpg'): fur,
    }
    outputs.update(gi_hdr_sprite_media.build(encode_jpeg, smooth_noise, hash_noise))
    outputs.update(engine_demo_images.build(encode_jpeg, c_array, smooth_noise))
    return outputs


def main():
    check = '--check' in sys.argv[1:]
    stale = []
    for rel, data in build().items():
        path = os.path.join(ROOT, rel)
        if check:
            try:
                with open(path, 'rb') as f:
                    if f.read() != data:
                        stale.append(rel)
            except OSError:
                stale.append(rel)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(data)
        print('%s: %d bytes' % (rel, len(data)))
    if stale:
        print('out of date: ' + ', '.join(stale))
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
