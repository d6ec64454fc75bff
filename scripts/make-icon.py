#!/usr/bin/env python3
"""Builds res/pathstow.ico from the text source res/pathstow-icon.txt: every
image as a 16-colour (4 bits per pixel) bitmap with the standard VGA palette
and an AND mask for the transparent pixels.

usage: make-icon.py [SOURCE.txt [OUTPUT.ico]]
"""
import struct
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# The 16 standard VGA colours, in palette order.
VGA = [("black", 0x000000), ("maroon", 0x800000), ("green", 0x008000), ("olive", 0x808000),
       ("navy", 0x000080), ("purple", 0x800080), ("teal", 0x008080), ("silver", 0xC0C0C0),
       ("gray", 0x808080), ("red", 0xFF0000), ("lime", 0x00FF00), ("yellow", 0xFFFF00),
       ("blue", 0x0000FF), ("fuchsia", 0xFF00FF), ("aqua", 0x00FFFF), ("white", 0xFFFFFF)]
INDEX = {name: i for i, (name, _) in enumerate(VGA)}
TRANSPARENT = -1


def parse(text):
    legend, images, rows, size = {}, [], None, 0
    for number, raw in enumerate(text.splitlines(), 1):
        line = raw.rstrip()
        where = f"line {number}"
        if rows is not None:
            if line == "end":
                if len(rows) != size:
                    sys.exit(f"{where}: image {size} has {len(rows)} rows")
                images.append((size, rows))
                rows = None
            elif len(line) != size:
                sys.exit(f"{where}: row of {len(line)} pixels in a {size} pixel image")
            else:
                for ch in line:
                    if ch not in legend:
                        sys.exit(f"{where}: character {ch!r} is not in the legend")
                rows.append([legend[ch] for ch in line])
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
        elif line.startswith("image "):
            size, rows = int(line.split()[1]), []
        else:
            sys.exit(f"{where}: cannot read {line!r}")
    if rows is not None:
        sys.exit("the last image has no 'end'")
    if not images:
        sys.exit("no image")
    return images


def bitmap(size, rows):
    """The DIB of one icon image: header, palette, colour bits, AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16, 0) for _, rgb in VGA)
    xor, mask = b"", b""
    for row in reversed(rows):  # DIBs are stored bottom-up
        nibbles = [0 if p == TRANSPARENT else p for p in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor += line + b"\0" * (-len(line) % 4)
        bits = 0
        for p in row:
            bits = (bits << 1) | (p == TRANSPARENT)
        line = bits.to_bytes(size // 8, "big")
        mask += line + b"\0" * (-len(line) % 4)
    return header + palette + xor + mask


def icon(images):
    blobs = [bitmap(size, rows) for size, rows in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, _), blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def main():
    source = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "res" / "pathstow-icon.txt"
    target = Path(sys.argv[2]) if len(sys.argv) > 2 else ROOT / "res" / "pathstow.ico"
    images = parse(source.read_text())
    for size, _ in images:
        if size % 8:
            sys.exit(f"image size {size} is not a multiple of 8")
    target.write_bytes(icon(images))
    print(f"{target}: {', '.join(f'{s}x{s}' for s, _ in images)}, 16 colours")


if __name__ == "__main__":
    main()
