#!/usr/bin/env python3
"""Builds res/pathstow.ico from the text source res/pathstow-icon.txt.

Two kinds of image, in the order the source gives them:
- 16 colours (4 bits per pixel) with the standard VGA palette and an AND mask
  for the transparent pixels, for systems and tools that want few colours;
- true colour (32 bits per pixel, BGRA with alpha) with an AND mask that
  follows the alpha channel. Drawn as a grid, or scaled from another true
  colour image of the source by whole pixels (nearest neighbour). Stored as a
  bitmap, or PNG-compressed when the source says "png".

usage: make-icon.py [SOURCE.txt [OUTPUT.ico]]
"""
import struct
import sys
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# The 16 standard VGA colours, in palette order.
VGA = [("black", 0x000000), ("maroon", 0x800000), ("green", 0x008000), ("olive", 0x808000),
       ("navy", 0x000080), ("purple", 0x800080), ("teal", 0x008080), ("silver", 0xC0C0C0),
       ("gray", 0x808080), ("red", 0xFF0000), ("lime", 0x00FF00), ("yellow", 0xFFFF00),
       ("blue", 0x0000FF), ("fuchsia", 0xFF00FF), ("aqua", 0x00FFFF), ("white", 0xFFFFFF)]
INDEX = {name: i for i, (name, _) in enumerate(VGA)}
TRANSPARENT = -1


class Image:
    """One image of the icon. rows: palette indexes (TRANSPARENT included) for
    16 colours, (r, g, b, a) tuples for true colour."""

    def __init__(self, size, truecolour, png, rows=None, scaled_from=None):
        self.size, self.truecolour, self.png = size, truecolour, png
        self.rows, self.scaled_from = rows, scaled_from

    @property
    def bits(self):
        return 32 if self.truecolour else 4

    def describe(self):
        how = f" scaled from {self.scaled_from}" if self.scaled_from else ""
        store = ", PNG" if self.png else ""
        return f"{self.size}x{self.size} {self.bits}-bit{how}{store}"


def parse_colour(text):
    """#RRGGBB (opaque) or #RRGGBBAA as an (r, g, b, a) tuple, or None."""
    digits = text[1:]
    if not text.startswith("#") or len(digits) not in (6, 8):
        return None
    try:
        value = int(digits, 16)
    except ValueError:
        return None
    if len(digits) == 6:
        value = (value << 8) | 0xFF
    return tuple((value >> shift) & 0xFF for shift in (24, 16, 8, 0))


def parse_image_line(words, where):
    """'image SIZE [rgba [from SIZE]] [png]' as (size, truecolour, png, scaled_from)."""
    try:
        size = int(words[1])
        rest = words[2:]
        truecolour = bool(rest) and rest[0] == "rgba"
        rest = rest[1:] if truecolour else rest
        scaled_from = None
        if truecolour and len(rest) >= 2 and rest[0] == "from":
            scaled_from, rest = int(rest[1]), rest[2:]
        png = rest == ["png"]
        if rest and not png:
            raise ValueError
    except (IndexError, ValueError):
        sys.exit(f"{where}: expected 'image SIZE [rgba [from SIZE]] [png]'")
    if not 1 <= size <= 256:
        sys.exit(f"{where}: image size {size} is not between 1 and 256")
    if png and not truecolour:
        sys.exit(f"{where}: only true colour images can be stored as PNG")
    return size, truecolour, png, scaled_from


def parse(text):
    legend, colours, images = {}, {}, []
    current = None  # the image whose grid is being read
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.rstrip()
        where = f"line {number}"
        if current is not None:
            if line == "end":
                if len(current.rows) != current.size:
                    sys.exit(f"{where}: image {current.size} has {len(current.rows)} rows")
                images.append(current)
                current = None
            elif len(line) != current.size:
                sys.exit(f"{where}: row of {len(line)} pixels in a {current.size} pixel image")
            else:
                table = colours if current.truecolour else legend
                for ch in line:
                    if ch not in table:
                        kind = "colour" if current.truecolour else "legend"
                        sys.exit(f"{where}: character {ch!r} is not in the {kind}")
                current.rows.append([table[ch] for ch in line])
        elif not line or line.startswith("#"):
            continue
        elif line.startswith("legend "):
            parts = line.split()
            if len(parts) != 3 or len(parts[1]) != 1:
                sys.exit(f"{where}: expected 'legend CHAR COLOUR'")
            colour = parts[2].lower()
            if colour != "transparent" and colour not in INDEX:
                sys.exit(f"{where}: unknown colour {parts[2]!r}")
            legend[parts[1]] = TRANSPARENT if colour == "transparent" else INDEX[colour]
        elif line.startswith("colour "):
            parts = line.split()
            rgba = parse_colour(parts[2]) if len(parts) == 3 and len(parts[1]) == 1 else None
            if rgba is None:
                sys.exit(f"{where}: expected 'colour CHAR #RRGGBB' or 'colour CHAR #RRGGBBAA'")
            colours[parts[1]] = rgba
        elif line.startswith("image "):
            size, truecolour, png, scaled_from = parse_image_line(line.split(), where)
            if scaled_from:
                images.append(Image(size, True, png, scaled_from=scaled_from))
            else:
                current = Image(size, truecolour, png, rows=[])
        else:
            sys.exit(f"{where}: cannot read {line!r}")
    if current is not None:
        sys.exit("the last image has no 'end'")
    if not images:
        sys.exit("no image")
    resolve_scaled(images)
    return images


def resolve_scaled(images):
    """Fills the rows of scaled images from the drawn true colour image they name."""
    drawn = {i.size: i for i in images if i.truecolour and i.rows is not None}
    seen = set()
    for image in images:
        if (image.size, image.bits) in seen:
            sys.exit(f"two {image.size}x{image.size} {image.bits}-bit images")
        seen.add((image.size, image.bits))
        if image.scaled_from is None:
            continue
        source = drawn.get(image.scaled_from)
        if source is None:
            sys.exit(f"image {image.size} is scaled from {image.scaled_from}, "
                     "which is no drawn true colour image")
        n, m = image.size, source.size
        image.rows = [[source.rows[y * m // n][x * m // n] for x in range(n)] for y in range(n)]


def padded(line):
    return line + b"\0" * (-len(line) % 4)


def and_mask(rows, transparent):
    """The 1-bit AND mask, bottom-up, each row padded to 4 bytes."""
    size = len(rows)
    width = (size + 7) // 8
    out = b""
    for row in reversed(rows):
        bits = 0
        for p in row:
            bits = (bits << 1) | transparent(p)
        out += padded((bits << (8 * width - size)).to_bytes(width, "big"))
    return out


def bitmap_4bit(size, rows):
    """The DIB of a 16 colour image: header, palette, colour bits, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16, 0)
                       for _, rgb in VGA)
    xor = b""
    for row in reversed(rows):  # DIBs are stored bottom-up
        nibbles = [0 if p == TRANSPARENT else p for p in row] + [0]
        xor += padded(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2)))
    return header + palette + xor + and_mask(rows, lambda p: p == TRANSPARENT)


def bitmap_32bit(size, rows):
    """The DIB of a true colour image: header, BGRA bits, AND mask from alpha."""
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    return header + xor + and_mask(rows, lambda p: p[3] == 0)


def png(size, rows):
    """A PNG file of a true colour image: 8-bit RGBA, no filtering."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def encode(image):
    if image.png:
        return png(image.size, image.rows)
    if image.truecolour:
        return bitmap_32bit(image.size, image.rows)
    return bitmap_4bit(image.size, image.rows)


def icon(images):
    blobs = [encode(image) for image in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for image, blob in zip(images, blobs):
        colours = 0 if image.truecolour else 16
        out += struct.pack("<BBBBHHII", image.size % 256, image.size % 256, colours, 0, 1,
                           image.bits, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def main():
    source = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "res" / "pathstow-icon.txt"
    target = Path(sys.argv[2]) if len(sys.argv) > 2 else ROOT / "res" / "pathstow.ico"
    images = parse(source.read_text())
    data = icon(images)
    target.write_bytes(data)
    print(f"{target}: {len(data)} bytes: {', '.join(i.describe() for i in images)}")


if __name__ == "__main__":
    main()
