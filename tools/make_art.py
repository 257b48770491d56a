#!/usr/bin/python3
"""Draws the program's art: the grenade icon and the appearance pictures.

Needs Pillow, from Debian's python3-pil package (apt-get install python3-pil).
Run from anywhere:  /usr/bin/python3 tools/make_art.py
It rewrites forms/icons/tobrins-mustrel.ico (the windows' icon),
forms/icons/tobrins-mustrel-windows.ico (the Windows programs' icon),
forms/icons/tobrins-mustrel-N.png (N = 16, 32, 48, 64, 128, 256 pixels) and
forms/pictures/*.bmp.
The output is the same, byte for byte, on every run with the same version of
Pillow (the one Debian 12 ships): the only randomness comes from fixed seeds,
and the containers (ICO, BMP) are written here by hand so that no library adds
dates or changes the layout. Another version of Pillow may draw and scale a
few pixels differently.
"""

import math
import os
import random
import struct

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ICON_DIR = os.path.join(ROOT, "forms", "icons")
PICTURE_DIR = os.path.join(ROOT, "forms", "pictures")

PIC_W, PIC_H = 109, 144
DPM_72 = 2835  # 72 dots per inch, in dots per metre

# ---------------------------------------------------------------------------
# Containers
# ---------------------------------------------------------------------------


def row_bytes(width, bpp):
    """Bytes in one stored row of a DIB: whole 32-bit words."""
    return ((width * bpp + 31) // 32) * 4


def pack_rows(indices, width, height, bpp):
    """Packs palette indices (row-major, top row first) into bottom-up DIB
    rows of 1, 4 or 8 bits per pixel, each padded to four bytes."""
    stride = row_bytes(width, bpp)
    per_byte = 8 // bpp
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = indices[y * width:(y + 1) * width]
        packed = bytearray()
        for x0 in range(0, width, per_byte):
            byte = 0
            for k in range(per_byte):
                value = row[x0 + k] if x0 + k < width else 0
                byte |= value << (8 - bpp * (k + 1))
            packed.append(byte)
        packed.extend(b"\0" * (stride - len(packed)))
        out += packed
    return bytes(out)


def rgbquads(palette, entries):
    """A DIB colour table: blue, green, red, reserved; padded with black."""
    out = bytearray()
    for i in range(entries):
        r, g, b = palette[i] if i < len(palette) else (0, 0, 0)
        out += bytes((b, g, r, 0))
    return bytes(out)


def info_header(width, height, bpp, image_size, ppm, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0,
                       image_size, ppm, ppm, colours, 0)


def write_bmp(path, indices, palette, width, height, bpp):
    """An uncompressed (BI_RGB) palette BMP at 72 dpi."""
    entries = 1 << bpp
    assert len(palette) <= entries and max(indices) < len(palette)
    pixels = pack_rows(indices, width, height, bpp)
    table = rgbquads(palette, entries)
    offset = 14 + 40 + len(table)
    data = (struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
            + info_header(width, height, bpp, len(pixels), DPM_72, entries)
            + table + pixels)
    with open(path, "wb") as f:
        f.write(data)


def ico_image(indices, opaque, palette, size, bpp):
    """One icon image: the DIB header (height doubled for the mask), the
    colour table, the XOR bitmap and the 1-bit AND mask (1 = see-through)."""
    entries = 1 << bpp
    xor = pack_rows(indices, size, size, bpp)
    mask = pack_rows([0 if o else 1 for o in opaque], size, size, 1)
    return (info_header(size, size * 2, bpp, len(xor) + len(mask), 0, 0)
            + rgbquads(palette, entries) + xor + mask)


def ico_image_32(rgba):
    """One icon image of 32 bits a pixel: the DIB header (height doubled for
    the mask), the blue, green, red and alpha rows bottom-up, and the 1-bit
    AND mask that older Windows still reads (1 where alpha is 0)."""
    size = rgba.width
    pixels = list(rgba.getdata())
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for r, g, b, a in pixels[y * size:(y + 1) * size]:
            xor += bytes((b, g, r, a))
    mask = pack_rows([1 if p[3] == 0 else 0 for p in pixels], size, size, 1)
    return (info_header(size, size * 2, 32, len(xor) + len(mask), 0, 0)
            + bytes(xor) + mask)


def write_ico(path, images):
    """images: list of (size, bpp, dib bytes), written in that order."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset = len(head) + 16 * len(images)
    entries = b""
    blobs = b""
    for size, bpp, dib in images:
        colours = (1 << bpp) if bpp < 8 else 0
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0,
                               1, bpp, len(dib), offset)
        offset += len(dib)
        blobs += dib
    with open(path, "wb") as f:
        f.write(head + entries + blobs)


# ---------------------------------------------------------------------------
# Drawing on a supersampled canvas, in final-pixel coordinates
# ---------------------------------------------------------------------------


def catmull_rom(points, closed=True, steps=12):
    """A smooth curve through the given points, as a polyline."""
    pts = list(points)
    n = len(pts)
    out = []
    last = n if closed else n - 1
    for i in range(last):
        p0 = pts[(i - 1) % n] if closed or i > 0 else pts[0]
        p1 = pts[i]
        p2 = pts[(i + 1) % n]
        p3 = pts[(i + 2) % n] if closed or i + 2 < n else pts[-1]
        for s in range(steps):
            t = s / steps
            t2, t3 = t * t, t * t * t
            out.append(tuple(
                0.5 * (2 * p1[k] + (-p0[k] + p2[k]) * t
                       + (2 * p0[k] - 5 * p1[k] + 4 * p2[k] - p3[k]) * t2
                       + (-p0[k] + 3 * p1[k] - 3 * p2[k] + p3[k]) * t3)
                for k in range(2)))
    if not closed:
        out.append(pts[-1])
    return out


class Canvas:
    """An RGB picture drawn S times larger than its final size; all
    coordinates given to it are in final pixels."""

    def __init__(self, width, height, scale, colour=(0, 0, 0)):
        self.w, self.h, self.s = width, height, scale
        self.im = Image.new("RGB", (width * scale, height * scale), colour)

    def _p(self, pts):
        return [(x * self.s, y * self.s) for x, y in pts]

    def blank(self):
        return Image.new("L", self.im.size, 0)

    def poly(self, pts):
        m = self.blank()
        ImageDraw.Draw(m).polygon(self._p(pts), fill=255)
        return m

    def smooth(self, pts, steps=12):
        return self.poly(catmull_rom(pts, True, steps))

    def ellipse(self, x0, y0, x1, y1):
        m = self.blank()
        ImageDraw.Draw(m).ellipse(self._p([(x0, y0), (x1, y1)]), fill=255)
        return m

    def line(self, pts, width, smooth=False):
        m = self.blank()
        if smooth:
            pts = catmull_rom(pts, False, 10)
        ImageDraw.Draw(m).line(self._p(pts), fill=255,
                               width=max(1, round(width * self.s)),
                               joint="curve")
        r = width * self.s / 2
        d = ImageDraw.Draw(m)
        for x, y in (pts[0], pts[-1]):
            d.ellipse((x * self.s - r, y * self.s - r,
                       x * self.s + r, y * self.s + r), fill=255)
        return m

    def blur(self, mask, radius):
        return mask.filter(ImageFilter.GaussianBlur(radius * self.s))

    def fill(self, mask, colour, opacity=1.0):
        if opacity != 1.0:
            mask = mask.point(lambda v: int(v * opacity + 0.5))
        self.im.paste(colour, (0, 0) + self.im.size, mask)

    def paint(self, layer, mask):
        self.im.paste(layer, (0, 0), mask)

    def shade(self, clip, soft, colour, opacity):
        """Lays colour over clip, as strongly as the soft mask says."""
        self.fill(ImageChops.multiply(clip, soft), colour, opacity)

    def vgradient(self, top, bottom):
        g = Image.new("RGB", (1, self.h * self.s))
        n = self.h * self.s
        for y in range(n):
            t = y / (n - 1)
            g.putpixel((0, y), tuple(round(a + (b - a) * t)
                                     for a, b in zip(top, bottom)))
        return g.resize(self.im.size)

    def texture(self, seed, colours, dots, radius):
        """A layer of random round dots in the given colours."""
        rng = random.Random(seed)
        layer = Image.new("RGB", self.im.size, colours[0])
        d = ImageDraw.Draw(layer)
        for _ in range(dots):
            x = rng.uniform(0, self.w) * self.s
            y = rng.uniform(0, self.h) * self.s
            r = rng.uniform(0.5, 1.0) * radius * self.s
            d.ellipse((x - r, y - r, x + r, y + r),
                      fill=colours[rng.randrange(1, len(colours))])
        return layer

    def result(self):
        return self.im.resize((self.w, self.h), Image.LANCZOS)


def cut(mask, away):
    return ImageChops.subtract(mask, away)


def both(a, b):
    return ImageChops.multiply(a, b)


# ---------------------------------------------------------------------------
# Portraits
# ---------------------------------------------------------------------------

S = 4


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def darker(c, t):
    return mix(c, (0, 0, 0), t)


def lighter(c, t):
    return mix(c, (255, 255, 255), t)


def egg(cx, cy, rx, top, bottom, taper, n=96, crown=2.0):
    """A head outline: round above (squarer as crown grows past 2),
    narrowing to the chin below."""
    pts = []
    for i in range(n):
        a = 2 * math.pi * i / n
        s, c = math.sin(a), math.cos(a)
        if s > 0:
            ry = bottom
            squeeze = 1 - taper * s ** 2 * (0.6 + 0.4 * s)
        else:
            ry = top
            squeeze = 1.0
            e = 2.0 / crown
            c = math.copysign(abs(c) ** e, c)
            s = -abs(s) ** e
        pts.append((cx + rx * c * squeeze, cy + ry * s))
    return pts


def backdrop(cv):
    cv.paint(cv.vgradient((150, 156, 158), (84, 90, 96)), None)
    cv.fill(cv.blur(cv.ellipse(14, 16, 96, 112), 14), (188, 190, 186), 0.45)


class Face:
    """Where the parts of a face sit; all portraits share the layout so that
    they look like one series of photographs."""

    def __init__(self, skin, cx=54.5, cy=63, rx=19.5, top=30, bottom=28,
                 taper=0.28, eye_y=63, eye_dx=8.5, hair=(60, 45, 35),
                 brow=2.0, mouth_w=7.0, lips=(150, 86, 76), crown=2.3):
        self.skin = skin
        self.cx, self.cy, self.rx = cx, cy, rx
        self.top, self.bottom, self.taper = top, bottom, taper
        self.eye_y, self.eye_dx = eye_y, eye_dx
        self.hair, self.brow = hair, brow
        self.mouth_w, self.lips = mouth_w, lips
        self.crown = crown

    def outline(self):
        return egg(self.cx, self.cy, self.rx, self.top, self.bottom,
                   self.taper, crown=self.crown)

    def head_mask(self, cv):
        return cv.poly(self.outline())


def draw_neck(cv, f):
    cx = f.cx
    neck = cv.poly([(cx - 10.5, 80), (cx + 10.5, 80), (cx + 12, 116),
                    (cx - 12, 116)])
    cv.fill(neck, darker(f.skin, 0.12))
    cv.shade(neck, cv.blur(cv.ellipse(cx - 16, 78, cx + 18, 96), 3),
             darker(f.skin, 0.5), 0.75)
    cv.shade(neck, cv.blur(cv.poly([(cx + 4, 80), (cx + 14, 80),
                                    (cx + 14, 116), (cx + 6, 116)]), 3),
             darker(f.skin, 0.45), 0.5)
    return neck


def torso_mask(cv, f, spread=0.0):
    cx = f.cx
    return cv.smooth([
        (cx - 13, 96), (cx - 30 - spread, 103), (cx - 46 - spread, 110),
        (cx - 56 - spread, 124), (cx - 62, 150), (cx, 160), (cx + 62, 150),
        (cx + 56 + spread, 124), (cx + 46 + spread, 110),
        (cx + 30 + spread, 103), (cx + 13, 96), (cx, 99)])


def shirt_collar(cv, f, colour, placket=True):
    """A pointed shirt collar lying open round the neck."""
    cx = f.cx
    edge = darker(colour, 0.55)
    if placket:
        cv.fill(cv.line([(cx, 111), (cx, 146)], 0.8), edge, 0.8)
        for y in (122, 136):
            cv.fill(cv.ellipse(cx - 1.3, y - 1.3, cx + 1.3, y + 1.3),
                    darker(colour, 0.35))
    for side in (-1, 1):
        flap = [(cx + side * 12, 93), (cx + side * 22, 100),
                (cx + side * 16, 118), (cx + side * 1, 111)]
        shadow = cv.blur(cv.poly([(x + 1.5, y + 1.5) for x, y in flap]), 1.2)
        cv.fill(shadow, darker(colour, 0.6), 0.6)
        m = cv.poly(flap)
        cv.fill(m, colour if side < 0 else darker(colour, 0.28))
        cv.shade(m, cv.blur(cv.ellipse(cx - 30, 86, cx - 8, 104), 3),
                 lighter(colour, 0.2), 0.6)
        cv.fill(cv.line(flap[1:] + [flap[0]], 0.6), edge, 0.7)


def shade_torso(cv, body, colour):
    """Light from the upper left: the far shoulder and the bottom go dark."""
    cv.shade(body, cv.blur(cv.ellipse(70, 96, 140, 170), 10),
             darker(colour, 0.55), 0.7)
    cv.shade(body, cv.blur(cv.ellipse(-20, 96, 36, 124), 7),
             lighter(colour, 0.35), 0.45)
    cv.shade(body, cv.blur(cv.ellipse(-20, 132, 130, 170), 8),
             darker(colour, 0.5), 0.5)


def draw_head(cv, f, ears=True):
    cx, cy = f.cx, f.cy
    skin = f.skin
    head = f.head_mask(cv)
    if ears:
        for side in (-1, 1):
            ex = cx + side * (f.rx + 0.5)
            ear = cv.ellipse(ex - 4, cy - 6, ex + 4, cy + 9)
            cv.fill(ear, darker(skin, 0.08 if side < 0 else 0.3))
            inner = cv.ellipse(ex - 2 + side, cy - 3, ex + 2 + side, cy + 6)
            cv.fill(cv.blur(inner, 0.8), darker(skin, 0.45), 0.6)
    cv.fill(head, skin)
    # modelling: shadow side, lit forehead and cheek, darker jaw
    cv.shade(head, cv.blur(cv.ellipse(cx + 6, cy - 40, cx + 40, cy + 40), 6),
             darker(skin, 0.38), 0.8)
    cv.shade(head, cv.blur(cv.ellipse(cx - 16, cy - 26, cx + 2, cy - 4), 6),
             lighter(skin, 0.35), 0.7)
    cv.shade(head, cv.blur(cv.ellipse(cx - 17, cy + 2, cx - 5, cy + 14), 4),
             lighter(skin, 0.25), 0.6)
    cv.shade(head, cv.blur(cv.ellipse(cx - 30, cy + 20, cx + 30, cy + 44), 4),
             darker(skin, 0.3), 0.6)
    return head


def draw_features(cv, f, squint=0.0):
    cx, ey = f.cx, f.eye_y
    skin = f.skin
    head = f.head_mask(cv)
    # eye sockets
    for side in (-1, 1):
        x = cx + side * f.eye_dx
        cv.shade(head, cv.blur(cv.ellipse(x - 6, ey - 5, x + 6, ey + 4), 2.2),
                 darker(skin, 0.45), 0.55 if side < 0 else 0.7)
    # eyes
    for side in (-1, 1):
        x = cx + side * f.eye_dx
        h = 1.5 - squint
        white = cv.smooth([(x - 3.4, ey), (x, ey - h), (x + 3.4, ey),
                           (x, ey + h * 0.8)], 8)
        cv.fill(white, (214, 206, 196) if side < 0 else (176, 166, 158))
        iris = both(white, cv.ellipse(x - 1.6, ey - 1.8, x + 1.6, ey + 1.4))
        cv.fill(iris, (62, 48, 40))
        lid = cv.line([(x - 3.8, ey + 0.2), (x - 1.5, ey - h - 0.3),
                       (x + 1.5, ey - h - 0.3), (x + 3.8, ey + 0.2)], 0.9,
                      smooth=True)
        cv.fill(lid, (48, 34, 30), 0.9)
        glint = cv.ellipse(x - 0.9, ey - 1.0, x - 0.1, ey - 0.2)
        cv.fill(glint, (240, 240, 236), 0.8)
    # brows
    for side in (-1, 1):
        x = cx + side * f.eye_dx
        y = ey - 5.2
        brow = cv.line([(x - side * 4.5, y + 0.8), (x - side * 0.5, y - 0.6),
                        (x + side * 4.5, y + 0.5)], f.brow, smooth=True)
        cv.fill(brow, f.hair, 0.9)
    # nose: shadow along the far side, under the tip, a lit tip
    cv.shade(head, cv.blur(cv.poly([(cx + 1, ey + 1), (cx + 3.5, ey + 1),
                                    (cx + 5, ey + 12), (cx + 1, ey + 12)]),
                           1.4), darker(skin, 0.4), 0.6)
    cv.fill(cv.blur(cv.ellipse(cx - 4.5, ey + 11, cx + 4.5, ey + 14.5), 0.9),
            darker(skin, 0.5), 0.8)
    cv.fill(cv.blur(cv.ellipse(cx - 2.5, ey + 8.5, cx + 1.5, ey + 11.5), 1),
            lighter(skin, 0.35), 0.7)
    for side in (-1, 1):
        n = cv.ellipse(cx + side * 2.6 - 1, ey + 12, cx + side * 2.6 + 1,
                       ey + 13.4)
        cv.fill(n, darker(skin, 0.65), 0.8)
    # mouth
    my = ey + 19
    w = f.mouth_w
    cv.fill(cv.blur(cv.ellipse(cx - w, my - 1.5, cx + w, my + 3.5), 0.8),
            f.lips, 0.55)
    mouth = cv.line([(cx - w, my + 0.4), (cx - w / 3, my), (cx + w / 3, my),
                     (cx + w, my + 0.3)], 1.1, smooth=True)
    cv.fill(mouth, darker(f.lips, 0.5))
    cv.fill(cv.blur(cv.ellipse(cx - 4, my + 4, cx + 4, my + 7), 1.2),
            darker(skin, 0.4), 0.5)
    # chin highlight
    cv.fill(both(head, cv.blur(cv.ellipse(cx - 5, my + 8, cx + 3, my + 13),
                               1.5)), lighter(skin, 0.2), 0.5)


def portrait_gb():
    cv = Canvas(PIC_W, PIC_H, S)
    backdrop(cv)
    f = Face(skin=(204, 154, 118), rx=20.5, taper=0.16, hair=(46, 34, 26),
             brow=2.5, mouth_w=7.5, lips=(140, 84, 70))
    cx = f.cx
    draw_neck(cv, f)
    olive = (96, 98, 56)
    body = torso_mask(cv, f, spread=3)
    cv.fill(body, olive)
    shade_torso(cv, body, olive)
    # shoulder straps
    for side in (-1, 1):
        strap = cv.poly([(cx + side * 26, 101), (cx + side * 30, 99.5),
                         (cx + side * 47, 110), (cx + side * 44, 113)])
        cv.fill(strap, darker(olive, 0.15 if side < 0 else 0.45))
        cv.fill(cv.ellipse(cx + side * 30 - 1.4, 101, cx + side * 30 + 1.4,
                           103.8), darker(olive, 0.5))
    shirt_collar(cv, f, olive)
    draw_head(cv, f)
    # cropped hair at the temples, under the beret
    for side in (-1, 1):
        side_hair = cv.poly([(cx + side * 22, 44), (cx + side * 22, 61),
                             (cx + side * 19, 61), (cx + side * 16, 48)])
        cv.fill(both(f.head_mask(cv), cv.blur(side_hair, 0.6)), f.hair, 0.85)
    draw_features(cv, f, squint=0.25)
    # a day's growth on the jaw
    jaw = cv.blur(cut(cv.smooth([(cx - 19, 70), (cx - 8, 79), (cx + 8, 79),
                                 (cx + 19, 70), (cx + 14, 88), (cx, 93),
                                 (cx - 14, 88)]),
                      cv.ellipse(cx - 9, 80, cx + 9, 87)), 1.5)
    cv.shade(f.head_mask(cv), jaw, (112, 96, 88), 0.3)
    # the beret: a leather band over the brow, stiff over the left eye where
    # the flash sits, the crown pulled over and down to the right
    beret = (36, 50, 34)
    crown = cv.smooth([(32, 47), (31, 37), (36, 28), (48, 24), (63, 24),
                       (77, 28), (88, 36), (93, 47), (91, 56), (84, 58),
                       (78, 52), (56, 45)])
    cv.fill(cv.blur(crown, 1.5), (30, 34, 34), 0.35)
    cv.fill(crown, beret)
    cv.shade(crown, cv.blur(cv.ellipse(34, 20, 68, 40), 5),
             lighter(beret, 0.22), 0.8)
    cv.shade(crown, cv.blur(cv.smooth([(76, 40), (96, 36), (98, 62),
                                       (80, 60)]), 4),
             darker(beret, 0.65), 0.85)
    cv.shade(crown, cv.blur(cv.line([(44, 27), (62, 25), (80, 31)], 1.5,
                                    smooth=True), 1.5),
             lighter(beret, 0.35), 0.5)
    band = cv.line([(32, 46), (45, 45), (60, 46.5), (77, 51)], 3.0,
                   smooth=True)
    cv.fill(band, (26, 22, 18))
    cv.fill(cv.line([(33, 45), (45, 44), (60, 45.4), (76, 49.8)], 0.6,
                    smooth=True), (78, 70, 56), 0.6)
    cv.shade(f.head_mask(cv), cv.blur(cv.line([(31, 49), (77, 54)], 3),
                                      1.5), darker(f.skin, 0.5), 0.6)
    # the flash, with its crest, over the left eye
    flash = cv.poly([(38, 31), (46.5, 31), (46.5, 38.5), (42.3, 42.5),
                     (38, 38.5)])
    cv.fill(flash, (22, 22, 20))
    cv.fill(cv.poly([(39, 32), (45.5, 32), (45.5, 38), (42.3, 41),
                     (39, 38)]), (40, 88, 118))
    cv.fill(cv.poly([(39, 34.2), (45.5, 34.2), (45.5, 35.4), (39, 35.4)]),
            (206, 174, 62))
    cv.fill(cv.ellipse(40.6, 33.1, 44, 36.5), (214, 208, 190))
    return cv.result()


def camo_blobs(cv, seed, colours, count, size, box):
    """A layer of irregular patches, as on a camouflage cloth, strewn
    over box (x0, y0, x1, y1)."""
    rng = random.Random(seed)
    layer = Image.new("RGB", cv.im.size, colours[0])
    d = ImageDraw.Draw(layer)
    for i in range(count):
        x0 = rng.uniform(box[0], box[2])
        y0 = rng.uniform(box[1], box[3])
        r = rng.uniform(0.55, 1.0) * size
        pts = []
        for k in range(9):
            a = 2 * math.pi * k / 9 + rng.uniform(-0.25, 0.25)
            rr = r * rng.uniform(0.55, 1.15)
            pts.append((x0 + rr * math.cos(a) * 1.3, y0 + rr * math.sin(a)))
        d.polygon(cv._p(catmull_rom(pts, True, 6)),
                  fill=colours[1 + i % (len(colours) - 1)])
    return layer


def moustache(cv, f, colour):
    cx, y = f.cx, f.eye_y + 15.5
    m = cv.smooth([(cx - 8, y + 2.6), (cx - 5, y - 0.2), (cx, y - 0.8),
                   (cx + 5, y - 0.2), (cx + 8, y + 2.6), (cx + 4, y + 2),
                   (cx, y + 2.2), (cx - 4, y + 2)], 8)
    cv.fill(cv.blur(m, 0.3), colour)
    cv.shade(m, cv.blur(cv.ellipse(cx + 1, y - 4, cx + 12, y + 6), 2),
             darker(colour, 0.5), 0.6)


def portrait_sniper():
    cv = Canvas(PIC_W, PIC_H, S)
    backdrop(cv)
    f = Face(skin=(214, 168, 134), rx=19.5, taper=0.3, top=28, crown=2.6,
             hair=(74, 58, 44), brow=1.9, mouth_w=6.5, lips=(150, 90, 80))
    cx = f.cx
    draw_neck(cv, f)
    # a dark roll-neck jumper
    wool = (64, 68, 70)
    body = torso_mask(cv, f, spread=1)
    cv.fill(body, wool)
    shade_torso(cv, body, wool)
    roll = cv.smooth([(cx - 12.5, 88), (cx, 90), (cx + 12.5, 88),
                      (cx + 14, 100), (cx, 104), (cx - 14, 100)], 10)
    cv.fill(roll, darker(wool, 0.05))
    cv.shade(roll, cv.blur(cv.ellipse(cx + 2, 80, cx + 24, 110), 3),
             darker(wool, 0.55), 0.8)
    for k in range(-5, 6):
        x = cx + k * 2.3
        cv.fill(both(roll, cv.line([(x, 88), (x + k * 0.15, 104)], 0.6)),
                darker(wool, 0.45), 0.6)
    cv.fill(cv.line([(cx - 13.5, 100), (cx, 104), (cx + 13.5, 100)], 0.7,
                    smooth=True), darker(wool, 0.6), 0.8)
    # the rifle sling over the shoulder
    sling = cv.poly([(cx + 25, 100), (cx + 32, 102), (cx - 20, 146),
                     (cx - 28, 146)])
    cv.fill(cv.blur(cv.poly([(cx + 26, 103), (cx + 33, 105),
                             (cx - 18, 148), (cx - 26, 148)]), 1.2),
            darker(wool, 0.6), 0.6)
    leather = (112, 76, 44)
    cv.fill(sling, leather)
    cv.shade(sling, cv.blur(cv.ellipse(cx + 10, 90, cx + 50, 130), 6),
             darker(leather, 0.4), 0.6)
    cv.fill(cv.line([(cx + 26.8, 102), (cx - 24, 146)], 0.4), (170, 130, 80),
            0.5)
    buckle = cv.poly([(cx + 3, 117), (cx + 10, 121), (cx + 5, 127),
                      (cx - 2, 123)])
    cv.fill(buckle, (150, 146, 130))
    cv.fill(cv.poly([(cx + 4, 119.5), (cx + 7.5, 121.5), (cx + 5, 124.6),
                     (cx + 1.5, 122.6)]), leather)
    draw_head(cv, f)
    # hair cropped close to the skull: the scalp's outline with a stubble
    # texture and a crisp hairline
    scalp = cv.poly(egg(cx, f.cy, f.rx + 0.6, f.top + 0.7, f.bottom, 0,
                        crown=f.crown))
    line = catmull_rom([(cx - 21, 62), (cx - 19, 56), (cx - 17.5, 47),
                        (cx - 9, 41.5), (cx, 40.5), (cx + 9, 41.5),
                        (cx + 17.5, 47), (cx + 19, 56), (cx + 21, 62)],
                       False, 10)
    hairline = cv.poly(line + [(cx + 40, 62), (cx + 40, 0), (cx - 40, 0),
                               (cx - 40, 62)])
    hair = both(scalp, cv.blur(hairline, 0.35))
    stubble = cv.texture(11, [(98, 80, 64), (70, 56, 44), (124, 102, 84),
                              (84, 68, 54)], 2600, 0.55)
    cv.paint(stubble, hair.point(lambda v: int(v * 0.92)))
    cv.shade(hair, cv.blur(cv.ellipse(cx - 16, 30, cx + 4, 44), 4),
             (176, 150, 128), 0.45)
    cv.shade(hair, cv.blur(cv.ellipse(cx + 6, 26, cx + 34, 70), 5),
             (36, 28, 22), 0.6)
    draw_features(cv, f, squint=0.35)
    return cv.result()


def portrait_driver():
    cv = Canvas(PIC_W, PIC_H, S)
    backdrop(cv)
    f = Face(skin=(206, 148, 112), rx=21, taper=0.22, top=30, bottom=28.5,
             hair=(70, 46, 30), brow=2.3, mouth_w=7.5, lips=(146, 82, 70))
    cx = f.cx
    draw_neck(cv, f)
    # a brown leather jacket over a khaki shirt
    leather = (88, 58, 38)
    shirt = (150, 138, 98)
    body = torso_mask(cv, f, spread=4)
    cv.fill(body, leather)
    shade_torso(cv, body, leather)
    front = cv.poly([(cx - 13, 94), (cx + 13, 94), (cx + 9, 150),
                     (cx - 9, 150)])
    cv.fill(front, shirt)
    cv.shade(front, cv.blur(cv.ellipse(cx, 90, cx + 30, 150), 4),
             darker(shirt, 0.4), 0.6)
    shirt_collar(cv, f, shirt)
    for side in (-1, 1):
        lapel = [(cx + side * 20, 99), (cx + side * 32, 104),
                 (cx + side * 22, 124), (cx + side * 9, 146),
                 (cx + side * 9, 122)]
        m = cv.poly(lapel)
        cv.fill(cv.blur(cv.poly([(x - side * 1.4, y + 1) for x, y in lapel]),
                        1), darker(leather, 0.7), 0.7)
        cv.fill(m, lighter(leather, 0.08) if side < 0 else darker(leather,
                                                                  0.3))
        cv.fill(cv.line(lapel + [lapel[0]], 0.5), darker(leather, 0.6), 0.6)
    draw_head(cv, f)
    for side in (-1, 1):
        side_hair = cv.poly([(cx + side * 22.5, 46), (cx + side * 22.5, 61),
                             (cx + side * 19, 61), (cx + side * 17, 48)])
        cv.fill(both(f.head_mask(cv), cv.blur(side_hair, 0.6)), f.hair, 0.85)
    draw_features(cv, f, squint=0.1)
    moustache(cv, f, (78, 52, 34))
    # the field cap: a straight-sided crown in camouflage, a stiff peak
    crown = cv.smooth([(cx - 22, 52), (cx - 22.5, 40), (cx - 21.5, 30),
                       (cx - 16, 26.5), (cx, 26), (cx + 16, 26.5),
                       (cx + 21.5, 30), (cx + 22.5, 40), (cx + 22, 52),
                       (cx, 50.5)], 10)
    camo = camo_blobs(cv, 5, [(132, 122, 82), (76, 94, 50), (112, 78, 46),
                              (46, 44, 32), (92, 104, 60)], 64, 4.4,
                      (cx - 26, 22, cx + 26, 60))
    cv.fill(cv.blur(crown, 1.5), (40, 40, 40), 0.35)
    cv.paint(camo, crown)
    cv.shade(crown, cv.blur(cv.ellipse(cx - 26, 22, cx - 2, 44), 5),
             (210, 200, 170), 0.28)
    cv.shade(crown, cv.blur(cv.ellipse(cx + 8, 20, cx + 40, 60), 5),
             (20, 20, 14), 0.55)
    cv.fill(both(crown, cv.line([(cx - 21.5, 31), (cx, 30.2),
                                 (cx + 21.5, 31)], 0.7, smooth=True)),
            (40, 38, 28), 0.6)
    peak = cv.smooth([(cx - 22, 51), (cx - 12, 48.5), (cx, 48), (cx + 12, 48.5),
                      (cx + 22, 51), (cx + 14, 56.5), (cx, 58),
                      (cx - 14, 56.5)], 10)
    cv.fill(cv.blur(cv.poly([(cx - 21, 54), (cx + 21, 54), (cx + 16, 63),
                             (cx - 16, 63)]), 2.5), (60, 40, 30), 0.55)
    cv.paint(camo.transpose(Image.FLIP_TOP_BOTTOM), peak)
    cv.shade(peak, cv.blur(cv.ellipse(cx - 30, 52, cx + 30, 64), 2),
             (24, 22, 16), 0.55)
    cv.fill(cv.line([(cx - 22, 51), (cx - 12, 48.5), (cx, 48),
                     (cx + 12, 48.5), (cx + 22, 51)], 0.8, smooth=True),
            (40, 38, 28), 0.7)
    return cv.result()


def portrait_spy():
    cv = Canvas(PIC_W, PIC_H, S)
    backdrop(cv)
    f = Face(skin=(218, 178, 148), rx=19, taper=0.3, top=29.5, bottom=28.5,
             hair=(58, 44, 34), brow=1.7, mouth_w=6.5, lips=(156, 98, 88))
    cx = f.cx
    draw_neck(cv, f)
    # dark suit, white shirt, tie
    suit = (54, 56, 62)
    white = (222, 220, 212)
    body = torso_mask(cv, f, spread=1)
    cv.fill(body, suit)
    shade_torso(cv, body, suit)
    front = cv.poly([(cx - 12, 94), (cx + 12, 94), (cx + 3, 132),
                     (cx - 3, 132)])
    cv.fill(front, white)
    cv.shade(front, cv.blur(cv.ellipse(cx + 1, 90, cx + 30, 140), 3),
             darker(white, 0.35), 0.7)
    tie = cv.poly([(cx - 2.6, 101), (cx + 2.6, 101), (cx + 4.2, 126),
                   (cx, 131), (cx - 4.2, 126)])
    cv.fill(tie, (112, 34, 38))
    cv.shade(tie, cv.blur(cv.ellipse(cx + 1, 96, cx + 12, 134), 1.5),
             (50, 14, 16), 0.6)
    knot = cv.poly([(cx - 3.6, 96), (cx + 3.6, 96), (cx + 2.4, 101.5),
                    (cx - 2.4, 101.5)])
    cv.fill(knot, (122, 38, 42))
    for side in (-1, 1):
        point = [(cx + side * 11.5, 91), (cx + side * 13.5, 96),
                 (cx + side * 8, 106), (cx + side * 1.5, 97)]
        cv.fill(cv.blur(cv.poly([(x, y + 1.2) for x, y in point]), 0.8),
                (90, 90, 90), 0.5)
        cv.fill(cv.poly(point), white if side < 0 else darker(white, 0.2))
        lapel = [(cx + side * 13, 94), (cx + side * 21, 100),
                 (cx + side * 20, 108), (cx + side * 24, 111),
                 (cx + side * 3, 134), (cx + side * 9, 108)]
        cv.fill(cv.blur(cv.poly([(x + 1.2, y + 1) for x, y in lapel]), 1),
                darker(suit, 0.7), 0.6)
        cv.fill(cv.poly(lapel), lighter(suit, 0.1) if side < 0 else
                darker(suit, 0.25))
        cv.fill(cv.line(lapel + [lapel[0]], 0.5), darker(suit, 0.6), 0.7)
    draw_head(cv, f)
    for side in (-1, 1):
        side_hair = cv.poly([(cx + side * 20.5, 44), (cx + side * 20.5, 59),
                             (cx + side * 17.5, 59), (cx + side * 15, 46)])
        cv.fill(both(f.head_mask(cv), cv.blur(side_hair, 0.6)), f.hair, 0.9)
    draw_features(cv, f)
    # round wire spectacles
    ey = f.eye_y
    frame = (34, 30, 28)
    for side in (-1, 1):
        x = cx + side * f.eye_dx
        lens = cv.ellipse(x - 5, ey - 4.6, x + 5, ey + 4.6)
        cv.fill(lens, (230, 236, 240), 0.12)
        cv.fill(both(lens, cv.line([(x - 3.5, ey - 1), (x - 0.5, ey - 4)],
                                   1.0)), (250, 252, 255), 0.5)
        ring = cut(lens, cv.ellipse(x - 4.2, ey - 3.8, x + 4.2, ey + 3.8))
        cv.fill(ring, frame)
        arm = cv.line([(x + side * 5, ey - 1), (cx + side * (f.rx + 1),
                                               ey - 1.8)], 0.7)
        cv.fill(arm, frame, 0.9)
    cv.fill(cv.line([(cx - 3.6, ey - 0.8), (cx, ey - 2.2),
                     (cx + 3.6, ey - 0.8)], 0.75, smooth=True), frame)
    # the flat cap: a wide, low top pulled forward over a short peak
    tweed = (116, 106, 90)
    def tilt(pts):
        a = math.radians(-4)
        return [(cx + (x - cx) * math.cos(a) - (y - 50) * math.sin(a),
                 50 + (x - cx) * math.sin(a) + (y - 50) * math.cos(a))
                for x, y in pts]

    peak = cv.smooth(tilt([(cx - 16, 52), (cx, 53), (cx + 17, 52.5),
                           (cx + 13, 57), (cx, 58), (cx - 13, 56.5)]), 10)
    cv.fill(cv.blur(cv.poly(tilt([(cx - 18, 56), (cx + 18, 56),
                                  (cx + 14, 62), (cx - 14, 62)])), 2),
            (70, 44, 34), 0.5)
    cloth = cv.texture(23, [tweed, (106, 96, 82), (126, 116, 100),
                            (112, 102, 88)], 3000, 0.4)
    cv.paint(cloth, peak)
    cv.shade(peak, cv.blur(cv.ellipse(cx - 24, 53, cx + 24, 62), 1.5),
             (34, 30, 26), 0.6)
    cap = cv.smooth(tilt([(cx - 22, 50), (cx - 24.5, 44), (cx - 21, 37.5),
                          (cx - 10, 33), (cx + 6, 32.3), (cx + 20, 34.5),
                          (cx + 26.5, 42), (cx + 25, 50.5), (cx + 12, 54),
                          (cx, 54.6), (cx - 12, 53.5)]), 10)
    cv.fill(cv.blur(cap, 1.5), (30, 30, 30), 0.35)
    cv.paint(cloth, cap)
    cv.shade(cap, cv.blur(cv.ellipse(cx - 24, 28, cx + 4, 46), 4),
             (206, 198, 180), 0.35)
    cv.shade(cap, cv.blur(cv.ellipse(cx + 8, 34, cx + 40, 66), 5),
             (30, 28, 24), 0.6)
    # the fold where the top comes down over the peak, and the top's seam
    cv.shade(cap, cv.blur(cv.line(tilt([(cx - 22, 50), (cx, 53),
                                        (cx + 25, 50)]), 1.6, smooth=True),
                          1), (44, 40, 34), 0.6)
    cv.fill(both(cap, cv.line(tilt([(cx - 6, 33), (cx - 2, 45),
                                    (cx, 53)]), 0.5, smooth=True)),
            (72, 66, 56), 0.6)
    return cv.result()


# ---------------------------------------------------------------------------
# The program icon: a pineapple hand grenade
# ---------------------------------------------------------------------------

OLIVE = (100, 112, 48)
OUTLINE = (22, 24, 12)


def smoothstep(a, b, x):
    t = min(1.0, max(0.0, (x - a) / (b - a)))
    return t * t * (3 - 2 * t)


def grenade_body(size, scale, box, rows, columns, groove):
    """The segmented body, lit from the upper left, pixel by pixel.
    box is the body's bounding box in final pixels; the body is seen a
    little from above, so the rings of segments curve."""
    n = size * scale
    rgb = Image.new("RGB", (n, n))
    alpha = Image.new("L", (n, n), 0)
    px, pa = rgb.load(), alpha.load()
    x0, y0, x1, y1 = (v * scale for v in box)
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    rx, ry = (x1 - x0) / 2, (y1 - y0) / 2
    tilt = math.radians(18)
    ct, st = math.cos(tilt), math.sin(tilt)
    light = (-0.55, -0.6, 0.58)
    ll = math.sqrt(sum(c * c for c in light))
    light = tuple(c / ll for c in light)
    half = (light[0], light[1], light[2] + 1)
    hl = math.sqrt(sum(c * c for c in half))
    half = tuple(c / hl for c in half)
    top_lat, bottom_lat = math.radians(-62), math.radians(74)
    for y in range(int(y0), int(math.ceil(y1)) + 1):
        for x in range(int(x0), int(math.ceil(x1)) + 1):
            nx = (x + 0.5 - cx) / rx
            ny = (y + 0.5 - cy) / ry
            r2 = nx * nx + ny * ny
            if r2 > 1 or x >= n or y >= n:
                continue
            nz = math.sqrt(1 - r2)
            # back into the grenade's own axes
            yo = ny * ct - nz * st
            zo = ny * st + nz * ct
            lat = math.asin(max(-1.0, min(1.0, yo)))
            lon = math.atan2(nx, zo)
            tx = ty = 0.0
            dark = 0.0
            if top_lat < lat < bottom_lat:
                v = (lat - top_lat) / (bottom_lat - top_lat) * rows
                u = (lon / (2 * math.pi)) * columns + 0.5
                fu, fv = u - math.floor(u) - 0.5, v - math.floor(v) - 0.5
                edge = 0.5 - groove
                if abs(fu) > edge or abs(fv) > edge:
                    dark = 1.0
                else:
                    bevel = edge * 0.45
                    tx = 0.9 * math.copysign(
                        smoothstep(edge - bevel, edge, abs(fu)), fu)
                    ty = 0.9 * math.copysign(
                        smoothstep(edge - bevel, edge, abs(fv)), fv)
            else:
                dark = 0.25
            mx, my, mz = nx + tx, ny + ty, nz
            ml = math.sqrt(mx * mx + my * my + mz * mz)
            mx, my, mz = mx / ml, my / ml, mz / ml
            diffuse = max(0.0, mx * light[0] + my * light[1] + mz * light[2])
            shine = max(0.0, mx * half[0] + my * half[1] + mz * half[2]) ** 24
            k = (0.34 + 0.9 * diffuse) * (1 - 0.6 * dark)
            sp = shine * 0.45 * (1 - dark)
            px[x, y] = tuple(min(255, round(c * k + 235 * sp)) for c in OLIVE)
            pa[x, y] = 255
    return rgb, alpha


class IconCanvas(Canvas):
    """A Canvas with an alpha channel, for drawing on see-through ground.
    Coordinates are given on a 32-pixel grid whatever the icon's size, so
    one drawing serves every size; it is drawn afresh at each."""

    GRID = 32

    def __init__(self, size, scale):
        super().__init__(size, size, scale)
        self.s = scale * size / self.GRID
        self.size = size
        self.alpha = Image.new("L", self.im.size, 0)

    def fill(self, mask, colour, opacity=1.0):
        super().fill(mask, colour, opacity)
        if opacity == 1.0:
            self.alpha = ImageChops.lighter(self.alpha, mask)

    def outlined(self, mask, colour, width):
        """Fills mask, with a dark rim width final pixels thick around it."""
        grown = self.blur(mask, width * 0.5).point(
            lambda v: 255 if v > 8 else 0)
        grown = self.blur(grown, 0.06)
        self.fill(grown, OUTLINE)
        self.fill(mask, colour)

    def result(self):
        big = self.im.convert("RGBA")
        big.putalpha(self.alpha)
        small = big.convert("RGBa").resize((self.size, self.size), Image.BOX)
        return small.convert("RGBA")


def rim_width(size):
    """The dark outline, in grid units: one pixel up to 64 pixels, then
    growing more slowly than the icon so that a large grenade is not drawn
    in a thick black frame."""
    return max(1.0, size / 64) * IconCanvas.GRID / size


def grenade(size=32):
    """The grenade at size pixels, drawn at least 512 pixels wide and
    scaled down: the outline and the grooves between the segments are
    set for the size, so the small icons keep a readable edge and the
    large ones fine grooves."""
    scale = max(4, 512 // size)
    cv = IconCanvas(size, scale)
    rim = rim_width(size)
    # the pull ring and the pin, behind the fuze
    rcx, rcy, r = 8.6, 9.0, 4.3
    ring = cut(cv.ellipse(rcx - r, rcy - r, rcx + r, rcy + r),
               cv.ellipse(rcx - r + 1.7, rcy - r + 1.7, rcx + r - 1.7,
                          rcy + r - 1.7))
    cv.outlined(ring, (196, 190, 160), rim)
    cv.shade(ring, cv.blur(cv.ellipse(rcx, rcy - 1, rcx + 8, rcy + 8), 1.2),
             (96, 88, 60), 0.8)
    cv.outlined(cv.line([(12, 8.2), (15, 8.2)], 1.3), (180, 176, 150), 0.8 * rim)
    # the body
    unit = size / IconCanvas.GRID
    box = tuple(v * unit for v in (6.5, 10.5, 25.5, 31.5))
    groove = 0.13 * min(1.0, math.sqrt(32 / size))
    body_rgb, body_a = grenade_body(size, scale, box, 5, 8, groove)
    edge = cv.blur(body_a, 0.5 * rim).point(lambda v: 255 if v > 8 else 0)
    cv.fill(cv.blur(edge, 0.06), OUTLINE)
    cv.paint(body_rgb, body_a)
    cv.alpha = ImageChops.lighter(cv.alpha, body_a)
    # the fuze's neck
    neck = cv.poly([(12.5, 6.5), (19.5, 6.5), (19.5, 12.5), (12.5, 12.5)])
    cv.outlined(neck, (92, 94, 80), rim)
    cv.shade(neck, cv.blur(cv.poly([(16.5, 0), (24, 0), (24, 14),
                                    (16.5, 14)]), 0.8), (40, 42, 34), 0.8)
    cv.shade(neck, cv.blur(cv.poly([(12, 0), (14.6, 0), (14.6, 14),
                                    (12, 14)]), 0.6), (168, 170, 150), 0.7)
    # the lever: from the top of the fuze, bent down the right side
    lever = cv.line([(13.5, 5.2), (20.5, 5.0), (23.4, 7.8), (25.2, 12.5),
                     (26.2, 19.5)], 2.2, smooth=True)
    cv.outlined(lever, (122, 128, 82), rim)
    cv.shade(lever, cv.blur(cv.poly([(22, 8), (32, 8), (32, 24), (22, 24)]),
                            1.0), (50, 54, 30), 0.6)
    cv.fill(both(lever, cv.line([(14, 4.6), (20.4, 4.4), (23, 6.6)], 0.7,
                                smooth=True)), (196, 200, 150), 0.7)
    return cv.result()


# At 16 pixels a drawing scaled down turns to mud, so the small grenade is
# laid out pixel by pixel: the body from its rows, the rest from a map.
SMALL_BODY = {5: (4, 11), 6: (3, 12), 7: (2, 13), 8: (2, 13), 9: (2, 13),
              10: (2, 13), 11: (2, 13), 12: (2, 13), 13: (2, 13),
              14: (3, 12), 15: (4, 11)}
SMALL_PARTS = [
    ".....KKKKKK.....",
    "....KLLLLLLKK...",
    ".KKKKsSSsKMLLK..",
    "KrrrKsSSsK.KMLK.",
    "Kr.RKsSSsK..KML.",
    "KrRRKKKKKKK.KMLK",
    ".KKK.........KLK",
    ".............KLK",
    ".............KLK",
    ".............KMK",
    "..............K.",
    "................",
    "................",
    "................",
    "................",
    "................",
]
SMALL_COLOURS = {
    "K": OUTLINE, "s": (74, 76, 64), "S": (152, 154, 136),
    "L": (160, 166, 104), "M": (102, 108, 60),
    "r": (208, 202, 166), "R": (140, 132, 100),
}
SMALL_OLIVE = [(40, 46, 18), (62, 72, 28), (92, 104, 42), (126, 140, 60),
               (170, 184, 92)]


def small_grenade():
    pic = Image.new("RGBA", (16, 16), (0, 0, 0, 0))
    grooves_x, grooves_y = (5, 8, 11), (8, 11)
    for y, (a, b) in SMALL_BODY.items():
        for x in range(a, b + 1):
            rim = (x in (a, b) or y - 1 not in SMALL_BODY
                   or y + 1 not in SMALL_BODY
                   or not SMALL_BODY[y - 1][0] <= x <= SMALL_BODY[y - 1][1]
                   or not SMALL_BODY[y + 1][0] <= x <= SMALL_BODY[y + 1][1])
            if rim:
                colour = OUTLINE
            elif x in grooves_x or y in grooves_y or y == 14:
                colour = SMALL_OLIVE[0]
            else:
                # light from the upper left, and a lit top-left corner on
                # each raised segment
                level = 2 + (x < 8) - (x > 10) - (y > 12)
                if x - 1 in grooves_x or x - 1 == a:
                    level += 1
                if y + 1 in grooves_y or y + 1 == 14:
                    level -= 1
                colour = SMALL_OLIVE[max(1, min(4, level))]
            pic.putpixel((x, y), colour + (255,))
    for y, row in enumerate(SMALL_PARTS):
        for x, ch in enumerate(row):
            if ch in SMALL_COLOURS:
                pic.putpixel((x, y), SMALL_COLOURS[ch] + (255,))
    return pic


def quantized(rgba, colours, threshold=112):
    """Palette indices for an icon: index 0 is black, left under the
    see-through pixels; the opaque ones share the other entries."""
    size = rgba.width
    pixels = list(rgba.getdata())
    opaque = [p[3] >= threshold for p in pixels]
    solid = [p[:3] for p, o in zip(pixels, opaque) if o]
    strip = Image.new("RGB", (len(solid), 1))
    strip.putdata(solid)
    q = strip.quantize(colours - 1, method=Image.Quantize.MAXCOVERAGE)
    flat = q.getpalette()[:3 * (colours - 1)]
    palette = [(0, 0, 0)] + [tuple(flat[i:i + 3])
                             for i in range(0, len(flat), 3)]
    used = iter(q.getdata())
    indices = [next(used) + 1 if o else 0 for o in opaque]
    assert len(indices) == size * size
    return indices, opaque, palette


ICON_SIZES = (16, 32, 48, 64, 128, 256)


def make_icon():
    """The program's icon file for the windows, and one PNG per size for the
    desktop's icon theme."""
    os.makedirs(ICON_DIR, exist_ok=True)
    big, small = grenade(), small_grenade()
    images = []
    for picture, bpp in ((big, 4), (small, 4), (big, 8)):
        indices, opaque, palette = quantized(picture, 1 << bpp)
        images.append((picture.width, bpp,
                       ico_image(indices, opaque, palette, picture.width,
                                 bpp)))
    write_ico(os.path.join(ICON_DIR, "tobrins-mustrel.ico"), images)
    pictures = {}
    for size in ICON_SIZES:
        pictures[size] = {16: small, 32: big}.get(size) or grenade(size)
        pictures[size].save(
            os.path.join(ICON_DIR, f"tobrins-mustrel-{size}.png"),
            optimize=False)
    # The Windows programs' icon, as Explorer shows them: 16, 32 and 48 pixels
    # at 32 bits, and 256 pixels as the PNG written above, which Windows takes
    # inside an icon file since Vista.
    windows = [(size, 32, ico_image_32(pictures[size].convert("RGBA")))
               for size in (16, 32, 48)]
    with open(os.path.join(ICON_DIR, "tobrins-mustrel-256.png"), "rb") as f:
        windows.append((256, 32, f.read()))
    write_ico(os.path.join(ICON_DIR, "tobrins-mustrel-windows.ico"), windows)


# ---------------------------------------------------------------------------
# The picture for an appearance without a face: CLASSIFIED across black
# ---------------------------------------------------------------------------

FONT = "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf"
STAMP_RED = (206, 28, 30)

# Block capitals, used only when the font above is missing.
BLOCK_LETTERS = {
    "C": ["01111", "11000", "11000", "11000", "11000", "11000", "01111"],
    "L": ["11000", "11000", "11000", "11000", "11000", "11000", "11111"],
    "A": ["01110", "11011", "11011", "11111", "11011", "11011", "11011"],
    "S": ["01111", "11000", "11000", "01110", "00011", "00011", "11110"],
    "I": ["11", "11", "11", "11", "11", "11", "11"],
    "F": ["11111", "11000", "11000", "11110", "11000", "11000", "11000"],
    "E": ["11111", "11000", "11000", "11110", "11000", "11000", "11111"],
    "D": ["11110", "11011", "11011", "11011", "11011", "11011", "11110"],
}


def word_image(word):
    """The word in white on black, large, cropped to its ink."""
    if os.path.exists(FONT):
        font = ImageFont.truetype(FONT, 200)
        x0, y0, x1, y1 = font.getbbox(word)
        im = Image.new("L", (x1 - x0 + 20, y1 - y0 + 20), 0)
        ImageDraw.Draw(im).text((10 - x0, 10 - y0), word, fill=255, font=font)
    else:
        cell = 28
        width = sum(len(BLOCK_LETTERS[c][0]) + 1 for c in word) - 1
        im = Image.new("L", (width * cell + 20, 7 * cell + 20), 0)
        d = ImageDraw.Draw(im)
        left = 10
        for c in word:
            rows = BLOCK_LETTERS[c]
            for r, bits in enumerate(rows):
                for k, bit in enumerate(bits):
                    if bit == "1":
                        d.rectangle((left + k * cell, 10 + r * cell,
                                     left + (k + 1) * cell - 1,
                                     10 + (r + 1) * cell - 1), fill=255)
            left += (len(rows[0]) + 1) * cell
    return im.crop(im.getbbox())


def classified():
    """Palette indices and the 16-colour palette (black to red)."""
    scale = 4
    angle = math.degrees(math.atan2(PIC_H, PIC_W))
    word = word_image("CLASSIFIED").rotate(angle, Image.BICUBIC, expand=True)
    margin = 9 * scale
    fit = min((PIC_W * scale - 2 * margin) / word.width,
              (PIC_H * scale - 2 * margin) / word.height)
    word = word.resize((round(word.width * fit), round(word.height * fit)),
                       Image.LANCZOS)
    field = Image.new("L", (PIC_W * scale, PIC_H * scale), 0)
    field.paste(word, ((field.width - word.width) // 2,
                       (field.height - word.height) // 2))
    small = field.resize((PIC_W, PIC_H), Image.BOX)
    palette = [mix((0, 0, 0), STAMP_RED, i / 15) for i in range(16)]
    indices = [min(15, (v * 15 + 127) // 255) for v in small.getdata()]
    return indices, palette


# ---------------------------------------------------------------------------


def palette_of(picture):
    """Up to 256 colours for a portrait, with the indices into them."""
    q = picture.quantize(256, method=Image.Quantize.MAXCOVERAGE, kmeans=3)
    flat = q.getpalette()
    count = max(q.getdata()) + 1
    palette = [tuple(flat[i * 3:i * 3 + 3]) for i in range(count)]
    return list(q.getdata()), palette


PORTRAITS = {
    "foto_gb.bmp": portrait_gb,
    "foto_sniper.bmp": portrait_sniper,
    "foto_driver.bmp": portrait_driver,
    "foto_spy.bmp": portrait_spy,
}


def make_pictures():
    os.makedirs(PICTURE_DIR, exist_ok=True)
    for name, draw in PORTRAITS.items():
        indices, palette = palette_of(draw())
        write_bmp(os.path.join(PICTURE_DIR, name), indices, palette,
                  PIC_W, PIC_H, 8)
    indices, palette = classified()
    write_bmp(os.path.join(PICTURE_DIR, "foto_x.bmp"), indices, palette,
              PIC_W, PIC_H, 4)


def main():
    make_icon()
    make_pictures()


if __name__ == "__main__":
    main()
