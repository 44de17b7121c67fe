"""Media of the geometry instancing, HDR and point sprite demos, drawn from
formulas: the space skybox, the rock and wave textures, the knot's base
texture, the particle and ground textures, the HDR environment cross (a
Radiance file) and the knot model (tools/models/knot3ds.py).

build(encode_jpeg, smooth_noise, hash_noise) returns {path: bytes}.
"""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'models'))
import knot3ds  # noqa: E402


def clamp8(v):
    return max(0, min(255, int(v)))


def fractal(noise, x, y, cell, seed, octaves=3):
    total, weight, amp = 0.0, 0.0, 1.0
    for o in range(octaves):
        total += amp * noise(x, y, max(1, cell >> o), seed + o)
        weight += amp
        amp *= 0.5
    return total / weight


def space_face(noise, hash_noise, seed):
    """Black space with stars and a faint violet haze."""
    def pixel(x, y):
        h = fractal(noise, x, y, 64, seed)
        star = hash_noise(x, y, seed + 17)
        glow = 255 if star > 0.996 else (120 if star > 0.99 else 0)
        return (clamp8(glow + 40 * h * h), clamp8(glow + 15 * h), clamp8(glow + 60 * h * h + 10))
    return pixel


def rock(noise, seed, tint):
    """Mottled rock with dark pits."""
    def pixel(x, y):
        n = fractal(noise, x, y, 32, seed, 4)
        pit = noise(x, y, 12, seed + 9)
        v = 0.45 + 0.55 * n - (0.35 if pit > 0.78 else 0.0)
        return tuple(clamp8(255 * v * t) for t in tint)
    return pixel


def wave_pixel(x, y):
    """Concentric blue rings fading outwards, black between them."""
    r = math.hypot(x + 0.5 - 64, y + 0.5 - 64) / 64.0
    ring = max(0.0, math.sin(r * 9 * math.pi)) ** 3 * max(0.0, 1.0 - r)
    return clamp8(60 * ring), clamp8(140 * ring), clamp8(255 * ring)


def marble(noise):
    """Pale marble veins for the knot under its reflections."""
    def pixel(x, y):
        v = 0.5 + 0.5 * math.sin(x / 9.0 + 6.0 * fractal(noise, x, y, 32, 41))
        return clamp8(170 + 70 * v), clamp8(150 + 60 * v), clamp8(120 + 40 * v)
    return pixel


def sprite_pixel(x, y):
    """A soft white disc on black: additive sprites show as round blobs."""
    r = math.hypot(x + 0.5 - 32, y + 0.5 - 32) / 30.0
    v = max(0.0, 1.0 - r) ** 1.5
    return clamp8(255 * v), clamp8(245 * v), clamp8(230 * v)


def ground(noise):
    """Dark stone tiles with light joints."""
    def pixel(x, y):
        joint = (x % 64) < 3 or (y % 64) < 3
        n = fractal(noise, x, y, 32, 55)
        if joint:
            return 150, 150, 140
        return clamp8(50 + 60 * n), clamp8(55 + 55 * n), clamp8(70 + 50 * n)
    return pixel

# ----------------------------------------------------------- HDR cross --

FACE = 64


def environment(d):
    """Linear radiance along direction d: a sky over a dark floor, a sun far
    above the bloom threshold and a ring of bright panels at the horizon."""
    x, y, z = d
    n = math.sqrt(x * x + y * y + z * z)
    x, y, z = x / n, y / n, z / n
    if y >= 0:
        c = [0.3 + 0.5 * (1 - y), 0.5 + 0.4 * (1 - y), 1.2]
    else:
        c = [0.15, 0.12, 0.1]
    sun = (0.5, 0.6, -0.62)
    s = max(0.0, x * sun[0] + y * sun[1] + z * sun[2])
    if s > 0.995:
        c = [c[0] + 40, c[1] + 36, c[2] + 28]
    else:
        c = [c[k] + 2.0 * s ** 64 for k in range(3)]
    a = math.atan2(z, x)
    if abs(y) < 0.12 and math.sin(a * 6) > 0.7:
        c = [c[0] + 6.0, c[1] + 4.0, c[2] + 1.5]
    return c


def face_direction(face, s, t):
    """The direction of cube face texel (s, t) in -1..1, OpenGL's faces
    +x, -x, +y, -y, +z, -z."""
    return [(1, -t, -s), (-1, -t, s), (s, 1, t), (s, -1, -t), (s, -t, 1), (-s, -t, -1)][face]


# Cells of the vertical cross (column, row) per face; +z is upside down.
CELLS = [(2, 1), (0, 1), (1, 0), (1, 2), (1, 3), (1, 1)]


def rgbe(c):
    m = max(c)
    if m < 1e-32:
        return bytes(4)
    mant, e = math.frexp(m)
    scale = mant * 256.0 / m
    return bytes([min(255, int(c[0] * scale)), min(255, int(c[1] * scale)), min(255, int(c[2] * scale)), e + 128])


def run_length_row(row):
    """One scanline in the run-length form: each component's bytes as runs
    (count + 128, byte) and literals (count, bytes)."""
    out = bytearray([2, 2, len(row) >> 8, len(row) & 255])
    for c in range(4):
        data = [p[c] for p in row]
        i = 0
        while i < len(data):
            run = 1
            while i + run < len(data) and run < 127 and data[i + run] == data[i]:
                run += 1
            if run >= 3:
                out += bytes([128 + run, data[i]])
                i += run
                continue
            start = i
            while i < len(data) and i - start < 128:
                if i + 2 < len(data) and data[i] == data[i + 1] == data[i + 2]:
                    break
                i += 1
            out += bytes([i - start]) + bytes(data[start:i])
    return bytes(out)


def hdr_cross():
    width, height = 3 * FACE, 4 * FACE
    rows = [[bytes(4)] * width for _ in range(height)]
    for face, (cx, cy) in enumerate(CELLS):
        for y in range(FACE):
            for x in range(FACE):
                fx, fy = (FACE - 1 - x, FACE - 1 - y) if face == 4 else (x, y)
                s, t = 2 * (x + 0.5) / FACE - 1, 2 * (y + 0.5) / FACE - 1
                rows[cy * FACE + fy][cx * FACE + fx] = rgbe(environment(face_direction(face, s, t)))
    head = b'#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y %d +X %d\n' % (height, width)
    return head + b''.join(run_length_row(r) for r in rows)


def build(encode_jpeg, smooth_noise, hash_noise):
    tex = os.path.join('media', 'textures')
    out = {}
    for seed, name in enumerate(('right', 'left', 'front', 'back', 'top', 'bottom')):
        out[os.path.join(tex, 'space_skybox', name + '.jpg')] = encode_jpeg(
            128, 128, space_face(smooth_noise, hash_noise, 100 + seed), 80)
    out[os.path.join(tex, 'rock019.jpg')] = encode_jpeg(256, 256, rock(smooth_noise, 19, (0.75, 0.6, 0.45)), 80)
    out[os.path.join(tex, 'rock029.jpg')] = encode_jpeg(128, 128, rock(smooth_noise, 29, (0.6, 0.58, 0.55)), 80)
    out[os.path.join(tex, 'pwave.jpg')] = encode_jpeg(128, 128, wave_pixel, 80)
    out[os.path.join(tex, 'hdr_dof_tex.jpg')] = encode_jpeg(128, 128, marble(smooth_noise), 80)
    out[os.path.join(tex, 'ps_color1.jpg')] = encode_jpeg(64, 64, sprite_pixel, 90)
    out[os.path.join(tex, 'ps_color2.jpg')] = encode_jpeg(256, 256, ground(smooth_noise), 80)
    out[os.path.join(tex, 'galileo_cross.hdr')] = hdr_cross()
    out[os.path.join('media', 'models', 'knot.3DS')] = knot3ds.build()
    return out
