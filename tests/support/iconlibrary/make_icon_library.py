#!/usr/bin/env python3
"""Writes the icons and the resource script of the tests' icon library: four 32 x 32 icons,
32 bits per pixel, each one opaque colour, as resources 101 to 104 (IconLibrary.h)."""
import struct
import sys
from pathlib import Path

# Red, green, blue, yellow: the order of tests/support/IconLibrary.h.
COLOURS = [(255, 0, 0), (0, 128, 0), (0, 0, 255), (255, 255, 0)]
SIZE = 32


def solid_icon(red, green, blue):
    pixels = bytes((blue, green, red, 255)) * (SIZE * SIZE)
    mask = bytes(SIZE * 4)  # one bit a pixel, rows padded to 4 bytes: all opaque
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(pixels), 0, 0, 0, 0)
    image = header + pixels + mask
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return struct.pack("<HHH", 0, 1, 1) + entry + image


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    lines = []
    for number, colour in enumerate(COLOURS):
        icon = out / f"icon{number}.ico"
        icon.write_bytes(solid_icon(*colour))
        lines.append(f'{101 + number} ICON "{icon.as_posix()}"')
    (out / "iconlibrary.rc").write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
