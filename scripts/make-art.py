#!/usr/bin/env python3
"""Draws the program's icons, hand cursor and logo bitmap from the shapes below
and writes them as .ico, .cur and .bmp into res/art/.

The icon holds every size Windows asks for from 100 % to 200 % display scale
(16, 20, 24, 32, 48) and 256 for Explorer's largest views, that one PNG
compressed. The logo is one picture as large as its frame at 200 %, in 256
colours with run-length compression; the program scales it down smoothly to
its frame's size at the running DPI.

Each picture is a list of shapes painted in order on a transparent canvas,
with 4 x 4 samples per pixel for smooth edges. Run it again after changing a
shape; the results are committed so that a build needs no Python.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "res", "art")
SAMPLES = 4


def rgb(hexstr):
    return tuple(int(hexstr[i:i + 2], 16) for i in (1, 3, 5))


# --- shapes: each has inside(x, y) in picture units -------------------------

class Polygon:
    def __init__(self, points, color):
        self.points, self.color = points, rgb(color)

    def inside(self, x, y):
        result = False
        pts = self.points
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result


class Ellipse:
    def __init__(self, cx, cy, rx, ry, color):
        self.cx, self.cy, self.rx, self.ry, self.color = cx, cy, rx, ry, rgb(color)

    def inside(self, x, y):
        return ((x - self.cx) / self.rx) ** 2 + ((y - self.cy) / self.ry) ** 2 <= 1


class RoundRect:
    def __init__(self, x0, y0, x1, y1, r, color):
        self.box, self.r, self.color = (x0, y0, x1, y1), r, rgb(color)

    def inside(self, x, y):
        x0, y0, x1, y1 = self.box
        r = self.r
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


class Stroke:
    """A line of the given width with round ends, along a polyline."""

    def __init__(self, points, width, color):
        self.points, self.half, self.color = points, width / 2.0, rgb(color)

    def inside(self, x, y):
        for (ax, ay), (bx, by) in zip(self.points, self.points[1:]):
            dx, dy = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy or 1)))
            if (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= self.half ** 2:
                return True
        return False


def bezier(p0, p1, p2, steps=16):
    """Points of a quadratic curve from p0 to p2 pulled towards p1."""
    return [((1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0],
             (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1])
            for t in (i / steps for i in range(steps + 1))]


def outlined(shape_type, args, outline, fill, grow):
    """The shape in the outline colour, grown, under the shape itself."""
    return [shape_type(*grow(args), outline), shape_type(*args, fill)]


# --- the pictures, drawn on a 32 x 32 unit square ---------------------------

def feather(scale=1.0, dx=0.0, dy=0.0):
    def p(x, y):
        return (x * scale + dx, y * scale + dy)
    edge = bezier(p(7, 27), p(9, 9), p(27, 4)) + bezier(p(27, 4), p(24, 20), p(7, 27))[1:]
    barbs = [Stroke([p(12 + 3 * i, 18 - 3 * i), p(16 + 3 * i, 19 - 3 * i)], 0.9 * scale, "#C9D6DE")
             for i in range(4)]
    return ([Polygon([(x + 0.8 * scale, y + 0.8 * scale) for x, y in edge], "#0E2F3D"),
             Polygon(edge, "#F7F3E8")] + barbs +
            [Stroke([p(5, 30), p(8, 26), p(26, 5)], 1.3 * scale, "#7A4E1E")])


def app_icon():
    shapes = [RoundRect(1, 1, 31, 31, 6, "#1D5E78"),
              RoundRect(2, 2, 30, 16, 5, "#24708E")]
    # A small history of three versions in the corner.
    shapes += [Stroke([(5, 7), (11, 7), (15, 11)], 1.6, "#F2A541"),
               Ellipse(5, 7, 2.2, 2.2, "#F2A541"),
               Ellipse(11, 7, 2.2, 2.2, "#F2A541"),
               Ellipse(15, 11, 2.2, 2.2, "#F2A541")]
    return shapes + feather()


def logo():
    # A moor under an evening sky, the quill standing over it.
    shapes = [Polygon([(0, 0), (32, 0), (32, 32), (0, 32)], "#F4E9D2")]
    shapes += [Polygon([(0, 0), (32, 0), (32, 12), (0, 14)], "#F8D9A8"),
               Ellipse(23, 12, 4, 4, "#F2A541")]
    shapes += [Polygon(bezier((0, 21), (10, 14), (20, 20)) + bezier((20, 20), (27, 16), (32, 19))[1:] +
                       [(32, 32), (0, 32)], "#7D8C4C"),
               Polygon(bezier((0, 26), (12, 20), (32, 25)) + [(32, 32), (0, 32)], "#5B6B35")]
    return shapes + feather(0.8, 6, -1)


def hand_cursor():
    # Index finger up with its tip at the hot spot (6, 1). All outlines first,
    # then all fills, so the parts merge into one hand.
    parts = [((4, 0, 10, 18), 3),     # index finger
             ((9, 9, 14, 18), 2.5),   # middle finger
             ((13, 10, 18, 18), 2.5), # ring finger
             ((17, 11, 22, 19), 2.5), # little finger
             ((1, 15, 6, 23), 2.5),   # thumb
             ((4, 14, 22, 28), 4)]    # palm
    shapes = [RoundRect(*box, r, "#000000") for box, r in parts]
    shapes += [RoundRect(box[0] + 1, box[1] + 1, box[2] - 1, box[3] - 1, r - 1, "#FFFFFF") for box, r in parts]
    shapes += [Stroke([(x, y0), (x, y1)], 0.8, "#000000")
               for x, y0, y1 in ((9.5, 13, 17), (13.5, 13, 17), (17.5, 14, 18))]
    return shapes


def crisp(rows):
    """Black, white or transparent only, as a cursor should be."""
    return [[(0, 0, 0, 0) if a < 128 else ((255,) * 3 + (255,) if r + g + b >= 384 else (0, 0, 0, 255))
             for (r, g, b, a) in row] for row in rows]


# --- rendering ---------------------------------------------------------------

def render(shapes, size, unit=32.0):
    """RGBA rows, top row first, with coverage-weighted colour."""
    rows = []
    step = unit / size
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) * step
                    y = (py + (sy + 0.5) / SAMPLES) * step
                    color = None
                    for shape in shapes:
                        if shape.inside(x, y):
                            color = shape.color
                    if color:
                        acc[0] += color[0]
                        acc[1] += color[1]
                        acc[2] += color[2]
                        acc[3] += 1
            n = SAMPLES * SAMPLES
            if acc[3]:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]),
                            round(255 * acc[3] / n)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def and_mask(rows, threshold):
    size = len(rows)
    stride = ((size + 31) // 32) * 4
    out = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < threshold:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def dib32(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    return header + pixels + and_mask(rows, 1)


def dib8(rows):
    """256-colour image: colours quantised to a palette of at most 256 entries."""
    size = len(rows)
    palette, index = [], {}
    data = bytearray()
    for row in reversed(rows):
        for (r, g, b, a) in row:
            key = (r & 0xF8, g & 0xF8, b & 0xF8) if a >= 128 else (0, 0, 0)
            if key not in index:
                index[key] = len(palette)
                palette.append(key)
            data.append(index[key])
    assert len(palette) <= 256
    palette += [(0, 0, 0)] * (256 - len(palette))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    pal = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    return header + pal + bytes(data) + and_mask(rows, 128)


def png(rows):
    """A PNG of the RGBA rows; each row's filter is the one whose bytes sum lowest."""
    size = len(rows)
    raw = b""
    prev = bytes(size * 4)
    for row in rows:
        line = bytes(c for px in row for c in px)
        candidates = []
        for kind in range(5):
            out = bytearray()
            for i, x in enumerate(line):
                a = line[i - 4] if i >= 4 else 0
                b = prev[i]
                c = prev[i - 4] if i >= 4 else 0
                if kind == 0:
                    pred = 0
                elif kind == 1:
                    pred = a
                elif kind == 2:
                    pred = b
                elif kind == 3:
                    pred = (a + b) // 2
                else:
                    p = a + b - c
                    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                    pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                out.append((x - pred) & 0xFF)
            candidates.append((sum(v if v < 128 else 256 - v for v in out), kind, bytes(out)))
        _, kind, data = min(candidates)
        raw += bytes((kind,)) + data
        prev = line

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write_icon(path, images, kind=1, hotspot=(0, 0)):
    """An .ico (kind 1) or .cur (kind 2) file with one entry per image."""
    entries, blobs = b"", b""
    offset = 6 + 16 * len(images)
    for size, blob, colours in images:
        planes, bits = (1, 32 if colours == 0 else 8) if kind == 1 else hotspot
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours % 256, 0, planes, bits,
                               len(blob), offset)
        blobs += blob
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, kind, len(images)) + entries + blobs)


def write_rle8_bmp(path, rows):
    """An 8-bit BI_RLE8 bitmap of opaque rows with their exact colours (at most 256)."""
    palette, index = [], {}
    for row in rows:
        for (r, g, b, _) in row:
            if (r, g, b) not in index:
                index[(r, g, b)] = len(palette)
                palette.append((r, g, b))
    assert len(palette) <= 256
    data = bytearray()
    for row in reversed(rows):
        line = [index[(r, g, b)] for (r, g, b, _) in row]
        literal = []

        def flush():
            # Absolute runs need 3 to 255 pixels and end on a word boundary.
            while literal:
                part = literal[:255]
                del literal[:255]
                if len(part) < 3:
                    for p in part:
                        data.extend((1, p))
                else:
                    data.extend((0, len(part)))
                    data.extend(part)
                    if len(part) % 2:
                        data.append(0)
        x = 0
        while x < len(line):
            end = x
            while end < len(line) and line[end] == line[x] and end - x < 255:
                end += 1
            if end - x >= 2:
                flush()
                data.extend((end - x, line[x]))
            else:
                literal.append(line[x])
            x = end
        flush()
        data.extend((0, 0))
    data[-2:] = bytes((0, 1))  # the last line's end becomes the bitmap's end
    size = len(rows)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 8, 1, len(data), 2835, 2835, len(palette), 0)
    pal = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    offset = 14 + len(info) + len(pal)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + pal + bytes(data))


def main():
    os.makedirs(OUT, exist_ok=True)
    icon = app_icon()
    images = [(size, dib32(render(icon, size)), 0) for size in (48, 32, 24, 20, 16)]
    write_icon(os.path.join(OUT, "Quillmoor.ico"), images + [(256, png(render(icon, 256)), 0)])
    write_icon(os.path.join(OUT, "Hand.cur"), [(32, dib8(crisp(render(hand_cursor(), 32))), 0)],
               kind=2, hotspot=(6, 1))
    write_rle8_bmp(os.path.join(OUT, "Logo.bmp"), render(logo(), 132))


if __name__ == "__main__":
    main()
