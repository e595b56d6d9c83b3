#!/usr/bin/env python3
"""Draws the glyphs and pictures of the blur-kernel controls into blur_controls/.

Standard library only. Shapes are coverage-sampled on a 4 x 4 grid per pixel
and composited back to front; run again after changing a drawing.
"""
import math
import os
import struct
import zlib

SAMPLES = 4
HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "blur_controls")

INK = (52, 60, 72)
GREEN = (0, 128, 0)
RIM = (0, 210, 210)
AQUA = (0, 190, 220)
RED = (200, 40, 40)
GLASS = (225, 238, 250)


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples, 0..255."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# Shapes: functions (x, y) -> bool in pixel coordinates, (0, 0) the top left
# corner of the picture.
def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, width, start=0.0, sweep=360.0):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > width / 2:
            return False
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360.0
        return (a - start) % 360.0 <= sweep
    return inside


def segment(x0, y0, x1, y1, width):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = ((x - x0) * dx + (y - y0) * dy) / float(dx * dx + dy * dy)
        t = max(0.0, min(1.0, t))
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= width / 2
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def render(width, height, layers, background=(0, 0, 0, 0)):
    """layers: (shape, (r, g, b)) back to front."""
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            r, g, b, a = [c / 255.0 for c in background]
            r, g, b = r * a, g * a, b * a
            for shape, color in layers:
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if shape(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES):
                            hits += 1
                cover = hits / float(SAMPLES * SAMPLES)
                if cover:
                    cr, cg, cb = [c / 255.0 for c in color]
                    r = cr * cover + r * (1 - cover)
                    g = cg * cover + g * (1 - cover)
                    b = cb * cover + b * (1 - cover)
                    a = cover + a * (1 - cover)
            if a > 0:
                row.append((round(255 * r / a), round(255 * g / a), round(255 * b / a), round(255 * a)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def glyph(name, layers):
    write_png(os.path.join(OUT, name), 16, 16, render(16, 16, layers))


def free_grid():
    layers = [(rect(0, 0, 16, 16), (245, 245, 245))]
    for i in range(4):
        layers.append((rect(5 * i, 0, 5 * i + 1, 16), (128, 128, 128)))
        layers.append((rect(0, 5 * i, 16, 5 * i + 1), (128, 128, 128)))
    for cx, cy in ((1, 0), (1, 1), (2, 1)):
        layers.append((rect(5 * cx + 1, 5 * cy + 1, 5 * cx + 5, 5 * cy + 5), GREEN))
    return layers


def line_shapes():
    return [
        (segment(3, 13, 13, 3, 2.0), AQUA),
        (segment(5, 5, 11, 11, 1.4), INK),
        (disc(8, 8, 1.6), GREEN),
    ]


def cylinder_circle():
    return [(disc(8, 8, 6.8), RIM), (disc(8, 8, 4.4), GREEN)]


def reset():
    return [
        (ring(8, 8, 5.2, 2.0, start=300.0, sweep=300.0), INK),
        (polygon([(10.0, 0.8), (15.2, 4.2), (9.6, 6.8)]), INK),
    ]


def magnifier(with_plus):
    layers = [
        (segment(10.5, 10.5, 14.5, 14.5, 3.0), INK),
        (disc(6.5, 6.5, 5.5), INK),
        (disc(6.5, 6.5, 4.2), GLASS),
        (segment(4.0, 6.5, 9.0, 6.5, 1.6), INK),
    ]
    if with_plus:
        layers.append((segment(6.5, 4.0, 6.5, 9.0, 1.6), INK))
    return layers


def zero_sliders():
    layers = []
    for y in (3.0, 8.0, 13.0):
        layers.append((segment(2.0, y, 14.5, y, 1.2), (140, 140, 140)))
        layers.append((rect(1.0, y - 1.5, 4.0, y + 1.5), RED))
    return layers


def hover_compare():
    return [
        (polygon([(0.8, 8.0), (4.5, 3.6), (8.0, 2.6), (11.5, 3.6), (15.2, 8.0),
                  (11.5, 12.4), (8.0, 13.4), (4.5, 12.4)]), INK),
        (polygon([(2.6, 8.0), (5.4, 5.0), (8.0, 4.3), (10.6, 5.0), (13.4, 8.0),
                  (10.6, 11.0), (8.0, 11.7), (5.4, 11.0)]), (250, 250, 250)),
        (disc(8, 8, 3.0), (40, 110, 190)),
        (disc(8, 8, 1.3), (15, 15, 20)),
    ]


def kernel_background():
    """The 99 x 99 picture under the line and disc previews: a dark field
    with faint rings every 10 pixels round the centre pixel (50, 50)."""
    field = (30, 36, 44)
    layers = [(rect(0, 0, 99, 99), field)]
    for r in (10, 20, 30, 40):
        layers.append((ring(50.5, 50.5, r, 0.6), (48, 58, 70)))
    layers += [
        (rect(0, 0, 99, 1), (70, 80, 92)),
        (rect(0, 98, 99, 99), (70, 80, 92)),
        (rect(0, 0, 1, 99), (70, 80, 92)),
        (rect(98, 0, 99, 99), (70, 80, 92)),
    ]
    return render(99, 99, layers)


def main():
    os.makedirs(OUT, exist_ok=True)
    glyph("glyph_free_grid.png", free_grid())
    glyph("glyph_line_shapes.png", line_shapes())
    glyph("glyph_cylinder_circle.png", cylinder_circle())
    glyph("glyph_reset.png", reset())
    glyph("glyph_zoom_in.png", magnifier(True))
    glyph("glyph_zoom_out.png", magnifier(False))
    glyph("glyph_zero_sliders.png", zero_sliders())
    glyph("hover_compare.png", hover_compare())
    write_png(os.path.join(OUT, "kernel_background.png"), 99, 99, kernel_background())


if __name__ == "__main__":
    main()
