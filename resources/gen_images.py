#!/usr/bin/env python3
"""Draws the module's bitmaps and icons and writes them under resources/images/.

Every picture is a list of filled shapes on a 16 x 16 design grid, rasterised by testing
each pixel's centre, so one description gives both the 16- and the 32-pixel image.
Bitmaps are 8-bit palette BMPs whose background is the mask colour RGB(0, 128, 128) and
whose palette entry 0 is that colour: the console masks the strips with it, and a bitmap
loaded with LR_LOADTRANSPARENT (which needs a palette) swaps it for the window colour.
Icons hold a 16 x 16 and a 32 x 32 image, 32-bit with alpha plus the AND mask.

Usage: gen_images.py [--check] [OUTPUT_DIR]
  --check  compare the committed files with what the script draws, write nothing.
"""

import math
import os
import struct
import sys

MASK = (0, 128, 128)

# Colours
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (192, 192, 192)
DARK_GREY = (96, 96, 96)
MID_GREY = (150, 150, 150)
YELLOW = (250, 210, 70)
DARK_YELLOW = (170, 130, 20)
BLUE = (40, 90, 200)
DARK_BLUE = (20, 40, 120)
LIGHT_BLUE = (120, 180, 250)
GREEN = (40, 160, 60)
DARK_GREEN = (20, 90, 30)
RED = (210, 40, 40)
ORANGE = (240, 140, 30)
BROWN = (150, 100, 50)
SKIN = (240, 200, 160)
GOLD = (230, 180, 40)


# Shapes: predicates over design coordinates (0..16 on both axes).

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def frame(x0, y0, x1, y1, w=1.0):
    outer, inner = rect(x0, y0, x1, y1), rect(x0 + w, y0 + w, x1 - w, y1 - w)
    return lambda x, y: outer(x, y) and not inner(x, y)


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def ring(cx, cy, r, w, a0=None, a1=None):
    """A circular band of width w; optionally only the angles a0..a1 (degrees, y down)."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if not r - w <= d <= r:
            return False
        if a0 is None:
            return True
        a = math.degrees(math.atan2(y - cy, x - cx)) % 360
        return (a0 <= a <= a1) if a0 <= a1 else (a >= a0 or a <= a1)
    return inside


def polygon(*pts):
    def inside(x, y):
        result = False
        j = len(pts) - 1
        for i in range(len(pts)):
            (xi, yi), (xj, yj) = pts[i], pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def line(x0, y0, x1, y1, w=1.0):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - x0 - t * dx, y - y0 - t * dy) <= w / 2
    return inside


def gear(cx, cy, r_in, r_out, teeth, hole):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if d < hole:
            return False
        a = math.atan2(y - cy, x - cx) * teeth / (2 * math.pi)
        return d <= (r_out if (a % 1.0) < 0.5 else r_in)
    return inside


def shifted(ops, dx, dy, s=1.0):
    """The shapes of ops scaled by s about the origin, then moved by (dx, dy)."""
    return [(lambda x, y, f=f: f((x - dx) / s, (y - dy) / s), c) for f, c in ops]


# Motifs, each a list of (shape, colour) painted in order.

def folder_closed():
    return [(rect(1, 3, 7, 5), DARK_YELLOW), (rect(1, 4, 15, 14), DARK_YELLOW),
            (rect(2, 5, 14, 13), YELLOW)]


def folder_open():
    return [(rect(1, 3, 7, 5), DARK_YELLOW), (rect(1, 4, 13, 14), DARK_YELLOW),
            (rect(2, 5, 12, 13), (250, 235, 170)),
            (polygon((3, 8), (16, 8), (13, 14), (1, 14)), DARK_YELLOW),
            (polygon((3.8, 9), (14.6, 9), (12.4, 13), (2.4, 13)), YELLOW)]


def shield():
    return [(polygon((8, 0.5), (14.5, 2.5), (14, 9), (8, 15.5), (2, 9), (1.5, 2.5)), DARK_BLUE),
            (polygon((8, 1.7), (13.4, 3.4), (13, 8.6), (8, 14.2), (3, 8.6), (2.6, 3.4)), BLUE),
            (line(5, 8, 7.3, 10.5, 1.6), WHITE), (line(7.3, 10.5, 11.2, 5, 1.6), WHITE)]


def badge(ops):
    """A small copy of a motif in the lower right corner."""
    return shifted(ops, 7, 7, 9 / 16)


def document(extra):
    return [(polygon((3, 1), (10, 1), (13, 4), (13, 15), (3, 15)), DARK_GREY),
            (polygon((4, 2), (9.5, 2), (12, 4.5), (12, 14), (4, 14)), WHITE)] + extra


def hash_mark():
    return [(line(6.5, 6, 6, 13, 1.0), DARK_BLUE), (line(9.5, 6, 9, 13, 1.0), DARK_BLUE),
            (line(5, 8, 11, 8, 1.0), DARK_BLUE), (line(5, 11, 11, 11, 1.0), DARK_BLUE)]


def path_mark():
    return [(line(5, 7, 11, 7, 1.0), DARK_GREEN), (line(8, 7, 8, 12, 1.0), DARK_GREEN),
            (line(8, 12, 11, 12, 1.0), DARK_GREEN), (rect(10, 6, 12, 8), GREEN),
            (rect(10, 11, 12, 13), GREEN)]


def red_cross():
    return [(ellipse(8, 8, 7, 7), RED), (line(5, 5, 11, 11, 2), WHITE),
            (line(11, 5, 5, 11, 2), WHITE)]


def monitor(screen=LIGHT_BLUE):
    return [(rect(1, 2, 15, 12), DARK_GREY), (rect(2, 3, 14, 11), screen),
            (rect(6, 12, 10, 14), MID_GREY), (rect(4, 14, 12, 15), DARK_GREY)]


def globe(sea=BLUE):
    return [(ellipse(8, 8, 7, 7), DARK_BLUE), (ellipse(8, 8, 6, 6), sea),
            (ellipse(6, 6, 2.5, 2), GREEN), (ellipse(10, 11, 2.5, 2), GREEN),
            (line(8, 1.5, 8, 14.5, 0.6), LIGHT_BLUE), (line(1.5, 8, 14.5, 8, 0.6), LIGHT_BLUE)]


def person(cx=8, shirt=BLUE):
    return [(ellipse(cx, 5, 3, 3), DARK_GREY), (ellipse(cx, 5, 2.3, 2.3), SKIN),
            (ellipse(cx, 15, 5.5, 6), DARK_GREY), (ellipse(cx, 15, 4.8, 5.3), shirt)]


def plus(cx, cy, colour=GREEN):
    return [(rect(cx - 3, cy - 1, cx + 3, cy + 1), colour), (rect(cx - 1, cy - 3, cx + 1, cy + 3), colour)]


ICONS = {
    # id: (file name, picture)
    116: ('product', shield()),
    133: ('user_accounts', person(8, GREEN)),
    135: ('accessibility', [(ellipse(8, 8, 7.5, 7.5), DARK_BLUE), (ellipse(8, 8, 6.5, 6.5), BLUE),
                            (ellipse(8, 4, 1.4, 1.4), WHITE), (line(4, 6.5, 12, 6.5, 1.2), WHITE),
                            (line(8, 6, 8, 10, 1.4), WHITE), (line(8, 10, 5.5, 13, 1.2), WHITE),
                            (line(8, 10, 10.5, 13, 1.2), WHITE)]),
    137: ('add_remove_programs', [(polygon((2, 5), (8, 2), (14, 5), (14, 12), (8, 15), (2, 12)), BROWN),
                                  (polygon((2, 5), (8, 8), (8, 15), (2, 12)), (190, 140, 80)),
                                  (line(2, 5, 8, 8, 0.6), DARK_GREY), (line(8, 8, 14, 5, 0.6), DARK_GREY),
                                  (line(8, 8, 8, 15, 0.6), DARK_GREY)] + plus(12, 12)),
    139: ('date_time', [(ellipse(8, 8, 7.5, 7.5), DARK_GREY), (ellipse(8, 8, 6.5, 6.5), WHITE),
                        (line(8, 8, 8, 3.5, 1.2), BLACK), (line(8, 8, 11, 9.5, 1.2), BLACK),
                        (rect(7.5, 1.5, 8.5, 2.5), RED), (rect(13.5, 7.5, 14.5, 8.5), RED),
                        (rect(7.5, 13.5, 8.5, 14.5), RED), (rect(1.5, 7.5, 2.5, 8.5), RED)]),
    141: ('display', monitor() + [(ellipse(11, 6, 1.5, 1.5), YELLOW), (rect(2, 8, 14, 11), GREEN)]),
    144: ('add_hardware', [(rect(1, 4, 13, 12), DARK_GREEN), (rect(2, 5, 12, 11), GREEN),
                           (rect(3, 6, 6, 9), BLACK), (rect(7, 6, 10, 9), BLACK),
                           (rect(2, 12, 12, 13), GOLD)] + plus(12.5, 12.5, ORANGE)),
    145: ('internet_options', globe()),
    146: ('regional_language', [(rect(3, 1, 4, 16), DARK_GREY), (rect(4, 2, 14, 9), BLUE),
                                (ellipse(9, 5.5, 2, 2), YELLOW)]),
    147: ('game_controllers', [(ellipse(8, 13, 6.5, 2.5), DARK_GREY), (ellipse(8, 12.5, 5.5, 1.8), GREY),
                               (line(8, 12, 8, 5, 1.4), BLACK), (ellipse(8, 4, 2.5, 2.5), RED),
                               (ellipse(12, 12, 1, 0.8), RED)]),
    148: ('keyboard', [(rect(0.5, 4, 15.5, 12), DARK_GREY), (rect(1.5, 5, 14.5, 11), GREY)]
                      + [(rect(2 + 2.2 * i, 5.8 + 1.8 * j, 3.6 + 2.2 * i, 7 + 1.8 * j), WHITE)
                         for i in range(6) for j in range(2)]
                      + [(rect(4, 9.5, 12, 10.5), WHITE)]),
    149: ('mouse', [(line(8, 0.5, 8, 4, 0.8), DARK_GREY), (ellipse(8, 10, 5, 6), DARK_GREY),
                    (ellipse(8, 10, 4, 5), GREY), (line(4, 8, 12, 8, 0.7), DARK_GREY),
                    (line(8, 4, 8, 8, 0.7), DARK_GREY), (rect(5, 5.2, 7.6, 7.7), LIGHT_BLUE)]),
    151: ('data_sources', [(rect(3, 3, 13, 13), DARK_YELLOW), (rect(4, 3, 12, 13), YELLOW),
                           (ellipse(8, 13, 5, 2), DARK_YELLOW), (ellipse(8, 12.6, 4, 1.5), YELLOW),
                           (ellipse(8, 3, 5, 2), DARK_YELLOW), (ellipse(8, 3, 4, 1.4), (255, 240, 180)),
                           (ring(8, 8, 5, 0.6, 20, 160), DARK_YELLOW)]),
    152: ('power_options', [(rect(5, 1, 11, 2), DARK_GREY), (rect(3, 2, 13, 15.5), DARK_GREY),
                            (rect(4, 3, 12, 14.5), GREEN),
                            (polygon((9, 3.5), (5, 9.5), (8, 9.5), (7, 13.5), (11, 7.5), (8, 7.5)), YELLOW)]),
    154: ('sounds_audio', [(rect(1, 6, 4, 10), DARK_GREY),
                           (polygon((3.5, 6), (8, 2), (8, 14), (3.5, 10)), DARK_GREY),
                           (ring(8, 8, 4.5, 1.1, 300, 60), BLUE), (ring(8, 8, 7.5, 1.1, 300, 60), BLUE)]),
    155: ('system', [(rect(4, 0.5, 12, 15.5), DARK_GREY), (rect(5, 1.5, 11, 14.5), GREY),
                     (rect(6, 3, 10, 4), DARK_GREY), (rect(6, 5, 10, 6), DARK_GREY),
                     (ellipse(8, 12, 1, 1), GREEN)]),
    156: ('phone_modem', [(rect(2, 8, 14, 15), DARK_GREY), (rect(3, 9, 13, 14), RED),
                          (rect(5, 10, 11, 13), WHITE),
                          (polygon((1, 5), (4, 3), (12, 3), (15, 5), (15, 7), (12, 7), (12, 5.5),
                                   (4, 5.5), (4, 7), (1, 7)), BLACK)]),
    157: ('speech', [(ellipse(8, 7, 7.5, 5.5), DARK_GREY), (ellipse(8, 7, 6.5, 4.5), WHITE),
                     (polygon((4, 10), (7, 11.5), (2.5, 15)), DARK_GREY),
                     (ellipse(5, 7, 1, 1), BLUE), (ellipse(8, 7, 1, 1), BLUE), (ellipse(11, 7, 1, 1), BLUE)]),
    158: ('windows_update', [(ellipse(8, 8, 7.5, 7.5), DARK_BLUE), (ellipse(8, 8, 6.5, 6.5), LIGHT_BLUE),
                             (rect(6.5, 3, 9.5, 8.5), GREEN),
                             (polygon((3.5, 8), (12.5, 8), (8, 13.5)), GREEN)]),
    159: ('computer_management', monitor((210, 230, 250)) + badge([(gear(8, 8, 5, 7.5, 8, 2.5), ORANGE)])),
    160: ('event_viewer', [(rect(2, 1, 14, 15.5), DARK_GREY), (rect(3, 2, 13, 14.5), (255, 250, 220))]
                          + [(rect(4.5, 4 + 2.4 * i, 11.5, 4.8 + 2.4 * i), MID_GREY) for i in range(4)]
                          + [(ellipse(11.5, 12, 3, 3), RED), (rect(11, 10, 12, 12.5), WHITE),
                             (rect(11, 13.2, 12, 14), WHITE)]),
    161: ('local_security_policy', [(ring(8, 6, 4.5, 1.6, 180, 360), MID_GREY), (rect(3.5, 6, 5.1, 8), MID_GREY),
                                    (rect(10.9, 6, 12.5, 8), MID_GREY), (rect(2, 7.5, 14, 15.5), DARK_YELLOW),
                                    (rect(3, 8.5, 13, 14.5), GOLD), (ellipse(8, 10.8, 1.3, 1.3), BLACK),
                                    (rect(7.5, 11, 8.5, 13.5), BLACK)]),
    162: ('services', [(gear(8, 8, 5.5, 7.5, 8, 2.5), DARK_GREY), (gear(8, 8, 4.5, 6.5, 8, 3.2), GREY)]),
    163: ('telnet_server', [(rect(0.5, 2, 15.5, 14), DARK_GREY), (rect(1.5, 4, 14.5, 13), BLACK),
                            (rect(1.5, 2.5, 14.5, 3.5), BLUE),
                            (line(3, 6, 6, 8.5, 1.2), GREEN), (line(6, 8.5, 3, 11, 1.2), GREEN),
                            (rect(7.5, 10.5, 12, 11.7), GREEN)]),
    164: ('authorization_manager', [(ring(5, 8, 4, 1.8), GOLD), (rect(8.5, 7, 15.5, 9), GOLD),
                                    (rect(12, 9, 13.5, 12), GOLD), (rect(14, 9, 15.5, 11), GOLD)]),
    165: ('network_setup', shifted(monitor(), 0, 0, 0.55) + shifted(monitor(), 7.2, 7.2, 0.55)
                           + [(line(4.4, 9, 4.4, 12.5, 0.8), BLUE), (line(4.4, 12.5, 7.5, 12.5, 0.8), BLUE)]),
}

# Image strips: 0 closed folder, 1 open folder, 2 the policies node and its rules,
# 3 hash rule, 4 path rule, 5 error.
STRIP = [folder_closed(), folder_open(), shield(), document(hash_mark()),
         document(path_mark()), red_cross()]

FOLDER_BADGE = badge(shield())

BITMAPS = {
    # id: (file name, width, height, list of (picture, x offset) on a 16-unit grid, background)
    111: ('small_open_folder', 16, 16, [(folder_open() + FOLDER_BADGE, 0)], MASK),
    112: ('small_image', 16, 16, [(folder_closed() + FOLDER_BADGE, 0)], MASK),
    113: ('large_image', 32, 32, [(folder_closed() + FOLDER_BADGE, 0)], MASK),
    120: ('strip16', 96, 16, [(p, 16 * i) for i, p in enumerate(STRIP)], MASK),
    121: ('strip32', 192, 32, [(p, 16 * i) for i, p in enumerate(STRIP)], MASK),
    # The wizard's header is drawn as it stands on the white header band, not masked:
    # its background is white.
    124: ('wizard_header', 49, 49, [(shield() + badge(document(hash_mark())), 0)], WHITE),
}


def raster(w, h, scale, items, background):
    """Rows of colours (top row first); scale is pixels per design unit."""
    pixels = [[background] * w for _ in range(h)]
    for ops, x_offset in items:
        for py in range(h):
            for px in range(w):
                x, y = (px + 0.5) / scale - x_offset, (py + 0.5) / scale
                if not 0 <= x < 16:
                    continue
                for shape, colour in ops:
                    if shape(x, y):
                        pixels[py][px] = colour
    return pixels


def bmp_bytes(pixels):
    """An 8-bit palette BMP file; palette entry 0 is the top left pixel's colour."""
    h, w = len(pixels), len(pixels[0])
    palette = [pixels[0][0]]
    for row in pixels:
        for c in row:
            if c not in palette:
                palette.append(c)
    if len(palette) > 256:
        raise ValueError('more than 256 colours')
    index = {c: i for i, c in enumerate(palette)}
    stride = (w + 3) & ~3
    data = b''.join(bytes(index[c] for c in row) + b'\0' * (stride - w) for row in reversed(pixels))
    colours = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(colours)
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, len(data), 2835, 2835, len(palette), 0)
    return header + info + colours + data


def icon_image(pixels):
    """One 32-bit icon image: header, BGRA rows bottom-up, AND mask (1 = transparent)."""
    size = len(pixels)
    xor = b''.join(b'\0\0\0\0' if c is None else bytes((c[2], c[1], c[0], 255))
                   for row in reversed(pixels) for c in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(pixels):
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c is None else 0)
        mask += bits.to_bytes(size // 8, 'big') + b'\0' * (mask_stride - size // 8)
    info = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + xor + mask


def ico_bytes(ops):
    images = [icon_image(raster(s, s, s / 16, [(ops, 0)], None)) for s in (16, 32)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, image in zip((16, 32), images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b''.join(images)


def draw_all():
    """{file name: bytes} of every bitmap and icon."""
    files = {}
    for name, w, h, items, background in BITMAPS.values():
        files[name + '.bmp'] = bmp_bytes(raster(w, h, h / 16, items, background))
    for name, ops in ICONS.values():
        files[name + '.ico'] = ico_bytes(ops)
    return files


def main(argv):
    check = '--check' in argv
    args = [a for a in argv[1:] if a != '--check']
    out_dir = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), 'images')
    files = draw_all()
    if check:
        stale = []
        for name, data in sorted(files.items()):
            path = os.path.join(out_dir, name)
            try:
                with open(path, 'rb') as f:
                    current = f.read()
            except OSError:
                current = None
            if current != data:
                stale.append(name)
        extra = sorted(set(os.listdir(out_dir)) - set(files)) if os.path.isdir(out_dir) else []
        icons = [data for name, data in files.items() if name.endswith('.ico')]
        if len(set(icons)) != len(icons):
            stale.append('(two icons have the same picture)')
        for name in stale:
            print(f'out of date: {name}')
        for name in extra:
            print(f'not drawn by this script: {name}')
        return 1 if stale or extra else 0
    os.makedirs(out_dir, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(out_dir, name), 'wb') as f:
            f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
