#!/usr/bin/env python3
"""Draws the program's icon (an address book with a sync arrow) at every size
Windows asks for between 100 % and 300 % display scale (16 to 48 pixels, and
256 for large views) and writes resources/app.ico. Pure Python: 32-bit DIB
entries, the 256-pixel one as PNG as Windows Vista and later store it."""
import math
import struct
import sys
import zlib


def coverage(shape, x, y, px):
    # 4x4 supersampling for smooth edges.
    n = 4
    hit = 0
    for i in range(n):
        for j in range(n):
            if shape((x + (i + 0.5) / n) / px, (y + (j + 0.5) / n) / px):
                hit += 1
    return hit / (n * n)


def rounded_rect(x0, y0, x1, y1, r):
    def inside(u, v):
        if not (x0 <= u <= x1 and y0 <= v <= y1):
            return False
        cx = min(max(u, x0 + r), x1 - r)
        cy = min(max(v, y0 + r), y1 - r)
        return (u - cx) ** 2 + (v - cy) ** 2 <= r * r
    return inside


def ring_arrow(cx, cy, r_out, r_in, start, end):
    def inside(u, v):
        d = math.hypot(u - cx, v - cy)
        if not (r_in <= d <= r_out):
            return False
        a = math.degrees(math.atan2(v - cy, u - cx)) % 360
        return start <= a <= end
    return inside


def triangle(p, q, r):
    def side(a, b, u, v):
        return (b[0] - a[0]) * (v - a[1]) - (b[1] - a[1]) * (u - a[0])

    def inside(u, v):
        s1, s2, s3 = side(p, q, u, v), side(q, r, u, v), side(r, p, u, v)
        return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)
    return inside


def circle(cx, cy, r):
    return lambda u, v: (u - cx) ** 2 + (v - cy) ** 2 <= r * r


# Layers, back to front: (shape, BGR colour). Unit square coordinates.
LAYERS = [
    (rounded_rect(0.04, 0.04, 0.96, 0.96, 0.18), (0xB0, 0x5A, 0x1E)),   # blue tile
    (rounded_rect(0.20, 0.16, 0.66, 0.84, 0.05), (0xFF, 0xFF, 0xFF)),   # book
    (rounded_rect(0.20, 0.16, 0.27, 0.84, 0.02), (0xD8, 0xC8, 0xB8)),   # spine
    (circle(0.445, 0.40, 0.085), (0xB0, 0x5A, 0x1E)),                   # head
    (rounded_rect(0.32, 0.52, 0.57, 0.68, 0.07), (0xB0, 0x5A, 0x1E)),   # shoulders
    (circle(0.74, 0.70, 0.22), (0x3C, 0xA0, 0x2E)),                     # green badge
    (ring_arrow(0.74, 0.70, 0.15, 0.09, 0, 290), (0xFF, 0xFF, 0xFF)),
    (triangle((0.84, 0.50), (0.95, 0.64), (0.78, 0.66)), (0xFF, 0xFF, 0xFF)),
]


def render(px):
    rows = []
    for y in range(px):
        row = []
        for x in range(px):
            b = g = r = 0.0
            a = 0.0
            for shape, (cb, cg, cr) in LAYERS:
                c = coverage(shape, x, y, px)
                if c == 0:
                    continue
                b = cb * c + b * (1 - c)
                g = cg * c + g * (1 - c)
                r = cr * c + r * (1 - c)
                a = c + a * (1 - c)
            if a > 0:
                b, g, r = b / a if a < 1 else b, g / a if a < 1 else g, r / a if a < 1 else r
            row.append((int(b), int(g), int(r), int(round(a * 255))))
        rows.append(row)
    return rows


def dib(px):
    pixels = render(px)
    header = struct.pack('<IiiHHIIiiII', 40, px, px * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    body = bytearray()
    for row in reversed(pixels):  # bottom-up
        for b, g, r, a in row:
            body += bytes((min(b, 255), min(g, 255), min(r, 255), a))
    mask_row = ((px + 31) // 32) * 4
    body += bytes(mask_row * px)  # alpha carries transparency; AND mask all zero
    return header + bytes(body)


def png(px):
    raw = bytearray()
    for row in render(px):
        raw.append(0)  # no filter
        for b, g, r, a in row:
            raw += bytes((min(r, 255), min(g, 255), min(b, 255), a))

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b'\x89PNG\r\n\x1a\n' +
            chunk(b'IHDR', struct.pack('>IIBBBBB', px, px, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def main(out):
    sizes = [16, 20, 24, 32, 40, 48, 256]
    images = [png(s) if s >= 256 else dib(s) for s in sizes]
    data = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        side = s % 256  # 0 stands for 256
        data += struct.pack('<BBBBHHII', side, side, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    for img in images:
        data += img
    with open(out, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'resources/app.ico')
