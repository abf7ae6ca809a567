#!/usr/bin/env python3
"""Draws Tessaline's program icon and link cursor: tessaline.ico and hand.cur.

The images are drawn here in code, from shapes, so that nobody needs an art tool or
third-party art to rebuild or change them, and so that a test can run this again and
compare bytes. Only the standard library is used, and the output is deterministic.

The icon holds, in this order: 32x32 and 16x16 with a 256-colour palette (for XP-era
displays and shells that skip alpha), then 48x48, 32x32 and 16x16 with an alpha channel.
All are DIB images: XP cannot read PNG icons. The cursor is a 32x32 monochrome pointing
hand whose hot spot, (0, 0), is the tip of the index finger.

    python3 make_art.py              writes both files next to this script
    python3 make_art.py --png DIR    also writes PNG previews into DIR (not committed)
    python3 make_art.py --out DIR    writes the files into DIR instead (the build's check)
"""

import argparse
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# Each pixel is sampled on an N x N grid; this gives the alpha images smooth edges.
SUPERSAMPLE = 8


# ---------------------------------------------------------------------------------------
# Shapes as signed distance functions: negative inside, positive outside, in pixels.
# Lengths use sqrt, which is exactly rounded everywhere, so the bytes do not hang on
# the platform's maths library.

def length(x, y):
    return math.sqrt(x * x + y * y)


def round_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def sd(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = length(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r

    return sd


def polygon(points):
    edges = list(zip(points, points[1:] + points[:1]))

    def sd(x, y):
        best = float("inf")
        inside = False
        for (ax, ay), (bx, by) in edges:
            ex, ey = bx - ax, by - ay
            t = ((x - ax) * ex + (y - ay) * ey) / (ex * ex + ey * ey)
            t = min(max(t, 0.0), 1.0)
            best = min(best, length(x - ax - t * ex, y - ay - t * ey))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return -best if inside else best

    return sd


def circle(cx, cy, r):
    return lambda x, y: length(x - cx, y - cy) - r


def capsule(ax, ay, bx, by, r):
    ex, ey = bx - ax, by - ay
    length2 = ex * ex + ey * ey

    def sd(x, y):
        t = min(max(((x - ax) * ex + (y - ay) * ey) / length2, 0.0), 1.0)
        return length(x - ax - t * ex, y - ay - t * ey) - r

    return sd


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def intersection(*shapes):
    return lambda x, y: max(s(x, y) for s in shapes)


def inset(shape, d):
    return lambda x, y: shape(x, y) + d


def rotated(shape, degrees, ox, oy):
    """The shape turned by the given angle (clockwise on screen) about (ox, oy)."""
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))

    def sd(x, y):
        dx, dy = x - ox, y - oy
        return shape(ox + c * dx + s * dy, oy - s * dx + c * dy)

    return sd


# ---------------------------------------------------------------------------------------
# Colours and painting.

def rgb(hex_text):
    return tuple(int(hex_text[i:i + 2], 16) for i in (0, 2, 4))


def vertical_gradient(top_colour, bottom_colour, y0, y1):
    a, b = rgb(top_colour), rgb(bottom_colour)

    def paint(x, y):
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0)
        return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))

    return paint


def flat(colour):
    c = rgb(colour)
    return lambda x, y: c


def render(size, layers):
    """Paints (shape, paint) layers bottom to top; returns rows of (r, g, b, a) bytes."""
    n = SUPERSAMPLE
    offsets = [(i + 0.5) / n for i in range(n)]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            red = green = blue = 0.0
            covered = 0
            for oy in offsets:
                for ox in offsets:
                    x, y = px + ox, py + oy
                    for shape, paint in reversed(layers):
                        if shape(x, y) <= 0.0:
                            r, g, b = paint(x, y)
                            red, green, blue = red + r, green + g, blue + b
                            covered += 1
                            break
            if covered:
                row.append((round(red / covered), round(green / covered),
                            round(blue / covered), round(255 * covered / (n * n))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


# ---------------------------------------------------------------------------------------
# The icon: a manila folder with a tile of four diamonds on its front.

OUTLINE = "7a4d0c"
BACK_TOP, BACK_BOTTOM = "e9b03c", "c98a1c"
FRONT_TOP, FRONT_BOTTOM = "ffe38a", "f5b52e"
PAPER, PAPER_EDGE = "ffffff", "a8a29a"
TILE_EDGE = "173a7a"
TILE_LIGHT, TILE_DARK = "63aef7", "2660c4"

# At 16x16 a diamond with smooth edges turns to mush, so that one is placed pixel by pixel.
SMALL_TILE = [
    "   o   ",
    "  oLo  ",
    " oLLLo ",
    "oDDLDDo",
    " oLLLo ",
    "  oLo  ",
    "   o   ",
]
SMALL_TILE_COLOURS = {"o": TILE_EDGE, "L": TILE_LIGHT, "D": TILE_DARK}


class Layout:
    """Where the parts go at one size; hand-placed so that edges fall on pixel lines."""

    def __init__(self, size, left, right, tab_right, tab_top, back_top, front_top, bottom,
                 radius, paper, tile):
        self.size, self.left, self.right = size, left, right
        self.tab_right, self.tab_top = tab_right, tab_top
        self.back_top, self.front_top, self.bottom = back_top, front_top, bottom
        self.radius, self.paper = radius, paper
        self.tile = tile  # (centre x, centre y, half diagonal), or the top-left of SMALL_TILE


LAYOUTS = {
    48: Layout(48, left=2, right=46, tab_right=19, tab_top=6, back_top=10, front_top=17,
               bottom=43, radius=3.0, paper=True, tile=(24, 30, 11)),
    32: Layout(32, left=1, right=31, tab_right=13, tab_top=4, back_top=7, front_top=11,
               bottom=29, radius=2.0, paper=True, tile=(16, 20, 7)),
    16: Layout(16, left=0, right=16, tab_right=7, tab_top=1, back_top=3, front_top=5,
               bottom=16, radius=1.5, paper=False, tile=(4, 7)),
}


def pixel_art(rows, left, top, colours):
    """One layer per colour of a picture given one character a pixel."""
    layers = []
    for char, colour in colours.items():
        cells = {(left + x, top + y)
                 for y, row in enumerate(rows) for x, c in enumerate(row) if c == char}
        layers.append((lambda x, y, cells=cells:
                       -1.0 if (math.floor(x), math.floor(y)) in cells else 1.0, flat(colour)))
    return layers


def diamond(cx, cy, h):
    return polygon([(cx, cy - h), (cx + h, cy), (cx, cy + h), (cx - h, cy)])


def tile_layers(cx, cy, h):
    """A diamond cut into four smaller ones, the top and bottom light: a tessellation in
    miniature."""
    inner = inset(diamond(cx, cy, h), 1.0)
    q = h / 2
    light = intersection(union(diamond(cx, cy - q, q), diamond(cx, cy + q, q)), inner)
    return [(diamond(cx, cy, h), flat(TILE_EDGE)), (inner, flat(TILE_DARK)),
            (light, flat(TILE_LIGHT))]


def folder_layers(layout):
    s = layout.size
    left, right, r = layout.left, layout.right, layout.radius
    layers = []

    slope = layout.back_top - layout.tab_top
    back = union(
        round_rect(left, layout.back_top, right, layout.bottom, r),
        round_rect(left, layout.tab_top, layout.tab_right, layout.bottom, r),
        polygon([(layout.tab_right - r, layout.tab_top),
                 (layout.tab_right - r, layout.back_top + r),
                 (layout.tab_right + slope, layout.back_top + r)]),
    )
    layers.append((back, flat(OUTLINE)))
    layers.append((inset(back, 1.0),
                   vertical_gradient(BACK_TOP, BACK_BOTTOM, layout.tab_top, layout.bottom)))

    if layout.paper:
        margin = s / 16 + 2
        sheet = round_rect(left + margin, layout.back_top + s / 32 + 1,
                           right - margin, layout.bottom - 1, r / 2)
        layers.append((sheet, flat(PAPER_EDGE)))
        layers.append((inset(sheet, 1.0), flat(PAPER)))

    front = round_rect(left, layout.front_top, right, layout.bottom, r)
    layers.append((front, flat(OUTLINE)))
    layers.append((inset(front, 1.0),
                   vertical_gradient(FRONT_TOP, FRONT_BOTTOM, layout.front_top, layout.bottom)))

    if len(layout.tile) == 3:
        layers += tile_layers(*layout.tile)
    else:
        layers += pixel_art(SMALL_TILE, *layout.tile, SMALL_TILE_COLOURS)
    return layers


def draw_icon(size):
    return render(size, folder_layers(LAYOUTS[size]))


# ---------------------------------------------------------------------------------------
# The palette of the 256-colour images: a median cut of the picture's own colours.

def channel_range(box, i):
    return max(c[i] for c in box) - min(c[i] for c in box)


def median_cut(colours, count):
    boxes = [sorted(colours)]
    while len(boxes) < count:
        splittable = [b for b in boxes if len(set(b)) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: (max(channel_range(b, i) for i in range(3)), len(b)))
        channel = max(range(3), key=lambda i: channel_range(box, i))
        box.sort(key=lambda c: (c[channel], c))
        middle = len(box) // 2
        while middle < len(box) - 1 and box[middle] == box[middle - 1]:
            middle += 1
        boxes.remove(box)
        boxes += [box[:middle], box[middle:]]
    return sorted(tuple(round(sum(c[i] for c in b) / len(b)) for i in range(3)) for b in boxes)


def make_palette(images):
    """Index 0 is black: under a set mask bit the colour must be black to leave the
    screen alone."""
    opaque = [p[:3] for image in images for row in image for p in row if p[3] >= 128]
    colours = [(0, 0, 0)] + median_cut(opaque, 255)
    return colours + [(0, 0, 0)] * (256 - len(colours))


def nearest(palette, colour):
    return min(range(1, len(palette)),
               key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)))


# ---------------------------------------------------------------------------------------
# DIB images for ICO and CUR files. Rows are stored bottom-up, each padded to 4 bytes.

def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def pack_bits(bits):
    out = bytearray()
    for i in range(0, len(bits), 8):
        byte = 0
        for bit in bits[i:i + 8]:
            byte = (byte << 1) | bit
        out.append(byte << (8 - len(bits[i:i + 8])))
    return bytes(out)


def bitmap_header(size, bits_per_pixel, colours_used, image_bytes):
    return struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits_per_pixel, 0,
                       image_bytes, 0, 0, colours_used, 0)


def mask_rows(mask):
    return b"".join(padded(pack_bits(row)) for row in reversed(mask))


def dib_32(image):
    """BGRA with alpha. The mask marks only fully clear pixels, so that a shell that
    ignores alpha draws the soft edge pixels solid rather than inverting the screen."""
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(image) for r, g, b, a in row)
    mask = [[1 if a == 0 else 0 for *_, a in row] for row in image]
    body = pixels + mask_rows(mask)
    return bitmap_header(len(image), 32, 0, len(body)) + body


def dib_8(image, palette):
    indices, mask = [], []
    for row in image:
        indices.append([nearest(palette, p[:3]) if p[3] >= 128 else 0 for p in row])
        mask.append([0 if p[3] >= 128 else 1 for p in row])
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    body = b"".join(padded(bytes(row)) for row in reversed(indices)) + mask_rows(mask)
    return bitmap_header(len(image), 8, len(palette), len(body)) + table + body


def directory(kind, entries):
    """entries: (size, colour_count, field_a, field_b, data). For an icon the two fields
    are planes and bits per pixel; for a cursor they are the hot spot's x and y."""
    out = struct.pack("<HHH", 0, kind, len(entries))
    offset = 6 + 16 * len(entries)
    for size, colour_count, field_a, field_b, data in entries:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colour_count, 0,
                           field_a, field_b, len(data), offset)
        offset += len(data)
    return out + b"".join(entry[4] for entry in entries)


def make_icon(images_8, images_32, palette):
    entries = [(len(im), 0, 1, 8, dib_8(im, palette)) for im in images_8]
    entries += [(len(im), 0, 1, 32, dib_32(im)) for im in images_32]
    return directory(1, entries)


def make_cursor(image, hot_x, hot_y):
    """image: rows of 'black', 'white' or None (clear)."""
    size = len(image)
    colour = [[1 if p == "white" else 0 for p in row] for row in image]
    mask = [[1 if p is None else 0 for p in row] for row in image]
    table = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    body = table + mask_rows(colour) + mask_rows(mask)
    dib = bitmap_header(size, 1, 2, len(body) - len(table)) + body
    return directory(2, [(size, 2, hot_x, hot_y, dib)])


# ---------------------------------------------------------------------------------------
# The cursor: a right hand seen from the back, index finger out, drawn upright and then
# tilted to the left so that the fingertip is the top-left corner, where the hot spot is.

TILT = 30  # degrees from upright


def hand():
    """The upright hand in pixels, with the centre of the fingertip's round end at the
    origin: its silhouette, and the lines drawn inside it."""
    r = 3.0  # half the width of the index finger
    finger = capsule(0, 0, 0, 17.7, r)
    knuckles = [(5.05, 11.5), (9.45, 12.05), (13.8, 12.65)]  # three curled fingers
    knuckle_r = 2.3
    right = knuckles[-1][0] + knuckle_r
    palm = round_rect(-r, 11.5, right, 26.9, 5.2)
    thumb = capsule(-2.4, 20.6, -6.0, 14.5, 2.65)
    cuff = round_rect(-1.6, 25.75, right - 0.9, 31.5, 1.15)
    silhouette = union(finger, palm, thumb, cuff, *(circle(x, y, knuckle_r) for x, y in knuckles))
    lines = [
        capsule(r, 10.8, r, 16.55, 0.55),
        capsule(7.25, 10.7, 7.25, 14.7, 0.55),
        capsule(11.6, 11.25, 11.6, 15.3, 0.55),
        capsule(-1.6, 26.3, right - 0.9, 26.3, 0.55),
        capsule(-2.75, 18.4, -1.4, 20.6, 0.55),
    ]
    return silhouette, lines, r


def draw_hand(size=32):
    silhouette, lines, tip_r = hand()
    silhouette = rotated(silhouette, -TILT, 0, 0)
    lines = [rotated(line, -TILT, 0, 0) for line in lines]
    # The fingertip's round end reaches just short of the centres of the pixels left of
    # and above the image, so nothing is cut off and pixel (0, 0) is part of the tip.
    centre = tip_r - 0.45
    image = [[None] * size for _ in range(size)]
    for py in range(size):
        for px in range(size):
            x, y = px + 0.5 - centre, py + 0.5 - centre
            d = silhouette(x, y)
            if d <= -1.0:
                image[py][px] = "black" if any(line(x, y) <= 0.0 for line in lines) else "white"
            elif d <= 0.0:
                image[py][px] = "black"
    if image[0][0] != "black":
        raise RuntimeError("the fingertip must hold the hot spot at (0, 0)")
    return image


# ---------------------------------------------------------------------------------------
# PNG previews, so that a person can look at the pictures without a Windows machine.

def write_png(path, image, scale=1):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    size = len(image)
    raw = bytearray()
    for row in image:
        line = b"".join(bytes(p) * scale for p in row)
        raw += (b"\0" + line) * scale
    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", size * scale, size * scale, 8, 6, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
           + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def quantised_preview(image, palette):
    return [[palette[nearest(palette, p[:3])] + (255,) if p[3] >= 128 else (0, 0, 0, 0)
             for p in row] for row in image]


def cursor_preview(image):
    colours = {"black": (0, 0, 0, 255), "white": (255, 255, 255, 255), None: (0, 0, 0, 0)}
    return [[colours[p] for p in row] for row in image]


def main():
    parser = argparse.ArgumentParser(description="Draw tessaline.ico and hand.cur.")
    parser.add_argument("--png", metavar="DIR", help="also write PNG previews into DIR")
    parser.add_argument("--out", metavar="DIR", default=HERE,
                        help="where to write the icon and cursor (default: beside this script)")
    args = parser.parse_args()

    images_8 = [draw_icon(32), draw_icon(16)]
    images_32 = [draw_icon(48), draw_icon(32), draw_icon(16)]
    palette = make_palette(images_8)
    hand = draw_hand()

    with open(os.path.join(args.out, "tessaline.ico"), "wb") as f:
        f.write(make_icon(images_8, images_32, palette))
    with open(os.path.join(args.out, "hand.cur"), "wb") as f:
        f.write(make_cursor(hand, 0, 0))

    if args.png:
        os.makedirs(args.png, exist_ok=True)
        previews = [("icon-%d-8bpp" % len(im), quantised_preview(im, palette)) for im in images_8]
        previews += [("icon-%d-32bpp" % len(im), im) for im in images_32]
        previews.append(("hand", cursor_preview(hand)))
        for name, image in previews:
            write_png(os.path.join(args.png, name + ".png"), image)
            write_png(os.path.join(args.png, name + "-x8.png"), image, 8)


if __name__ == "__main__":
    main()
