"""Writes the HDR demo's knot as a 3DS file: a tube swept along a trefoil
curve, in file units 1 / 0.016 of the demo's (the demo scales it by 0.016).

The file has the main chunk, the editor chunk and one object "knot" with
its vertices, texture coordinates and faces; the faces name the material
"knot_mat".
"""
import math
import struct

RADIUS = 130.0 / 0.016   # the knot's overall radius in file units
TUBE = 0.18              # tube radius, a fraction of RADIUS
SEGMENTS = 240           # rings along the curve
SIDES = 30               # vertices around each ring


def trefoil(t):
    return ((math.sin(t) + 2 * math.sin(2 * t)) / 3,
            (math.cos(t) - 2 * math.cos(2 * t)) / 3,
            -math.sin(3 * t) / 3)


def normalise(v):
    n = math.sqrt(sum(c * c for c in v)) or 1.0
    return tuple(c / n for c in v)


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def mesh():
    vertices, uvs, faces = [], [], []
    for j in range(SEGMENTS + 1):
        t = 2 * math.pi * j / SEGMENTS
        p, q = trefoil(t), trefoil(t + 0.01)
        tangent = normalise(tuple(q[k] - p[k] for k in range(3)))
        side = normalise(cross(tangent, (p[0], p[1], p[2] + 1.0)))
        up = cross(side, tangent)
        for i in range(SIDES + 1):
            a = 2 * math.pi * i / SIDES
            n = tuple(math.cos(a) * side[k] + math.sin(a) * up[k] for k in range(3))
            vertices.append(tuple(RADIUS * (p[k] + TUBE * n[k]) for k in range(3)))
            uvs.append((4.0 * j / SEGMENTS, i / SIDES))
    row = SIDES + 1
    for j in range(SEGMENTS):
        for i in range(SIDES):
            a = j * row + i
            faces.append((a, a + row, a + row + 1))
            faces.append((a, a + row + 1, a + 1))
    return vertices, uvs, faces


def chunk(cid, body):
    return struct.pack('<HI', cid, 6 + len(body)) + body


def build():
    vertices, uvs, faces = mesh()
    assert len(vertices) < 65536 and len(faces) < 65536
    vlist = struct.pack('<H', len(vertices)) + b''.join(struct.pack('<3f', *v) for v in vertices)
    tlist = struct.pack('<H', len(uvs)) + b''.join(struct.pack('<2f', *t) for t in uvs)
    material = b'knot_mat\x00' + struct.pack('<H', len(faces)) + b''.join(
        struct.pack('<H', i) for i in range(len(faces)))
    flist = struct.pack('<H', len(faces)) + b''.join(struct.pack('<4H', a, b, c, 7) for a, b, c in faces)
    flist += chunk(0x4130, material)
    trimesh = chunk(0x4110, vlist) + chunk(0x4140, tlist) + chunk(0x4120, flist)
    obj = chunk(0x4000, b'knot\x00' + chunk(0x4100, trimesh))
    return chunk(0x4D4D, chunk(0x3D3D, obj))
