#!/usr/bin/env python3
"""Writes the application icon, a framed landscape photograph under a magnifying glass, as PNG
files for the hicolor icon theme into packaging/icons/hicolor/SIZExSIZE/apps/pictavo.png.

The picture is described once in unit coordinates (0..1, y pointing down) and drawn at every size
with 4 x 4 samples per pixel, so edges are smoothed; outlines are at least one pixel wide, which
keeps the small sizes legible. Run from anywhere: python3 tools/icon/make_icon.py
"""

import math
import os
import struct
import zlib

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SAMPLES = 4

INK = (0x2B, 0x2B, 0x2B)
PAPER = (0xFA, 0xF8, 0xF0)
SKY_TOP = (0x2A, 0x63, 0xC8)
SKY_LOW = (0xA8, 0xD4, 0xFF)
SUN = (0xFF, 0xCC, 0x2E)
FAR_HILL = (0x5F, 0xB8, 0x4E)
NEAR_HILL = (0x2E, 0x85, 0x38)
LENS_RIM = (0x3A, 0x3A, 0x44)
HANDLE = (0x7A, 0x45, 0x1F)

# The photograph: outer card (white border) and the picture inside it.
CARD = (0.04, 0.08, 0.84, 0.78)
CARD_RADIUS = 0.05
PHOTO = (0.11, 0.15, 0.77, 0.64)
# The magnifying glass.
LENS_CENTRE = (0.64, 0.60)
LENS_RADIUS = 0.20
HANDLE_FROM = (0.78, 0.74)
HANDLE_TO = (0.93, 0.91)
HANDLE_WIDTH = 0.11


def inside_rounded_rect(x, y, rect, radius):
    left, top, right, bottom = rect
    if x < left or x > right or y < top or y > bottom:
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def inside_rect(x, y, rect):
    left, top, right, bottom = rect
    return left <= x <= right and top <= y <= bottom


def inside_ellipse(x, y, centre, rx, ry):
    return ((x - centre[0]) / rx) ** 2 + ((y - centre[1]) / ry) ** 2 <= 1.0


def distance_to_segment(x, y, a, b):
    dx, dy = b[0] - a[0], b[1] - a[1]
    t = ((x - a[0]) * dx + (y - a[1]) * dy) / (dx * dx + dy * dy)
    t = min(max(t, 0.0), 1.0)
    return math.hypot(x - (a[0] + t * dx), y - (a[1] + t * dy))


def mix(colour, other, t):
    return tuple(c + (o - c) * t for c, o in zip(colour, other))


def landscape(x, y):
    """The photograph's content at a point inside it."""
    if inside_ellipse(x, y, (0.66, 0.68), 0.32, 0.17):
        return NEAR_HILL
    if inside_ellipse(x, y, (0.26, 0.66), 0.34, 0.22):
        return FAR_HILL
    if (x - 0.58) ** 2 + (y - 0.30) ** 2 <= 0.075 ** 2:
        return SUN
    t = (y - PHOTO[1]) / (PHOTO[3] - PHOTO[1])
    return mix(SKY_TOP, SKY_LOW, min(max(t, 0.0), 1.0))


def layers(x, y, pixel):
    """The colours (red, green, blue, alpha) at a point, bottom layer first."""
    line = max(pixel, 0.018)
    out = []
    # A soft-edged shadow under the card.
    if inside_rounded_rect(x - 0.025, y - 0.03, CARD, CARD_RADIUS):
        out.append((0, 0, 0, 0.28))
    if inside_rounded_rect(x, y, CARD, CARD_RADIUS):
        inner = (CARD[0] + line, CARD[1] + line, CARD[2] - line, CARD[3] - line)
        if not inside_rounded_rect(x, y, inner, max(CARD_RADIUS - line, 0.0)):
            out.append(INK + (1.0,))
        elif inside_rect(x, y, PHOTO):
            edge = (PHOTO[0] + line * 0.7, PHOTO[1] + line * 0.7, PHOTO[2] - line * 0.7, PHOTO[3] - line * 0.7)
            out.append((landscape(x, y) if inside_rect(x, y, edge) else (0x80, 0x80, 0x80)) + (1.0,))
        else:
            out.append(PAPER + (1.0,))
    # The glass: a light tint over the photograph, a dark rim, and the handle below it.
    distance = math.hypot(x - LENS_CENTRE[0], y - LENS_CENTRE[1])
    rim = max(2.0 * pixel, 0.05)
    if distance_to_segment(x, y, HANDLE_FROM, HANDLE_TO) <= HANDLE_WIDTH / 2 and distance > LENS_RADIUS:
        out.append(HANDLE + (1.0,))
    if distance <= LENS_RADIUS - rim:
        out.append((0xFF, 0xFF, 0xFF, 0.30))
        # A highlight in the glass's upper left.
        if math.hypot(x - (LENS_CENTRE[0] - 0.07), y - (LENS_CENTRE[1] - 0.07)) <= 0.045:
            out.append((0xFF, 0xFF, 0xFF, 0.55))
    elif distance <= LENS_RADIUS:
        out.append(LENS_RIM + (1.0,))
    return out


def sample(x, y, pixel):
    """Composites the layers at a point: premultiplied red, green, blue and alpha."""
    r = g = b = a = 0.0
    for cr, cg, cb, ca in layers(x, y, pixel):
        r = cr * ca + r * (1 - ca)
        g = cg * ca + g * (1 - ca)
        b = cb * ca + b * (1 - ca)
        a = ca + a * (1 - ca)
    return r, g, b, a


def render(size):
    pixel = 1.0 / size
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) * pixel
                    y = (py + (sy + 0.5) / SAMPLES) * pixel
                    sr, sg, sb, sa = sample(x, y, pixel)
                    r, g, b, a = r + sr, g + sg, b + sb, a + sa
            n = SAMPLES * SAMPLES
            alpha = a / n
            if alpha <= 0:
                row += bytes(4)
                continue
            # Back from premultiplied colour to the PNG's straight alpha.
            row += bytes(min(255, round(c)) for c in (r / n / alpha, g / n / alpha, b / n / alpha, alpha * 255))
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    # 8 bits per channel, colour type 6 (red, green, blue, alpha), no interlace.
    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    raw = b''.join(b'\0' + row for row in rows)  # filter type 0 on every row
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..')
    for size in SIZES:
        folder = os.path.join(root, 'packaging', 'icons', 'hicolor', f'{size}x{size}', 'apps')
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, 'pictavo.png'), 'wb') as f:
            f.write(png(size, render(size)))


if __name__ == '__main__':
    main()
