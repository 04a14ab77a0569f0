#!/usr/bin/env python3
"""Writes the program's icons, drawn here pixel by pixel in the 16 standard
colours, so no picture comes from another program:

  ui/resources/xpwizard.ico  the program: 16x16 and 32x32, 16 colours each
  ui/resources/folder.ico    the browse button's folder: 16x16, 16 colours

Run it again after changing a drawing; the .ico files are committed."""
import os
import struct

# The 16-colour palette every 4-bit icon uses (index -> RGB).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_RED, DARK_GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, GREEN, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)
CLEAR = None  # transparent


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [[CLEAR] * size for _ in range(size)]

    def put(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y0, colour)
            self.put(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colour)
            self.put(x1, y, colour)

    def line(self, x0, y0, x1, y1, colour, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            for dx in range(width):
                for dy in range(width):
                    self.put(x + dx, y + dy, colour)


def draw_wizard(size):
    """A window with a blue title bar, a ticked check box and a green progress
    bar: what the program gives a project's forms."""
    c = Canvas(size)
    s = size / 32.0

    def p(v):
        return int(round(v * s))

    right, bottom = size - 1, size - 1 - p(2)
    top = p(3)
    c.rect(0, top, right, bottom, WHITE)               # client
    c.rect(0, top, right, top + p(6) - 1, NAVY)        # title bar
    c.rect(p(2), top + p(1), p(3) + p(2), top + p(4) - 1, BLUE)  # its little icon
    c.rect(right - p(5), top + p(1), right - p(2), top + p(4) - 1, SILVER)  # close box
    c.frame(0, top, right, bottom, BLACK)
    # the check box with a green tick
    bx, by, bs = p(4), top + p(9), p(9)
    c.rect(bx, by, bx + bs, by + bs, WHITE)
    c.frame(bx, by, bx + bs, by + bs, NAVY)
    w = 2 if size >= 32 else 1
    c.line(bx + p(2), by + p(5), bx + p(4), by + p(7), DARK_GREEN, w)
    c.line(bx + p(4), by + p(7), bx + p(8) - (w - 1), by + p(2), DARK_GREEN, w)
    # caption lines beside it
    c.rect(bx + bs + p(3), by + p(2), right - p(4), by + p(3), GREY)
    c.rect(bx + bs + p(3), by + p(6), right - p(8), by + p(7), GREY)
    # the progress bar: green fill, light top edge, grey rest
    py0, py1 = bottom - p(8), bottom - p(3)
    c.rect(p(4), py0, right - p(4), py1, SILVER)
    c.frame(p(4), py0, right - p(4), py1, NAVY)
    c.rect(p(4) + 1, py0 + 1, p(19), py1 - 1, GREEN)
    c.rect(p(4) + 1, py1 - max(1, p(1)), p(19), py1 - 1, DARK_GREEN)
    return c


def draw_folder():
    """A yellow folder, open towards the viewer."""
    c = Canvas(16)
    c.rect(1, 3, 6, 4, OLIVE)        # tab
    c.rect(2, 4, 5, 4, YELLOW)
    c.rect(1, 5, 14, 13, OLIVE)      # back
    c.rect(2, 6, 13, 12, YELLOW)
    c.line(2, 8, 14, 8, OLIVE)       # the front flap
    c.rect(2, 9, 14, 12, YELLOW)
    c.line(1, 13, 14, 13, BLACK)
    c.line(14, 8, 14, 13, BLACK)
    c.rect(3, 9, 12, 9, WHITE)       # highlight on the flap
    return c


def image_bytes(canvas):
    """One icon image: BITMAPINFOHEADER, palette, 4-bit colour rows, 1-bit mask rows."""
    size = canvas.size
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor_rows, and_rows = [], []
    for y in reversed(range(size)):  # bottom-up
        row = canvas.pixels[y]
        nibbles = [(0 if v is None else v) for v in row]
        data = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor_rows.append(data + b"\0" * (-len(data) % 4))
        bits = 0
        mask = bytearray()
        for x, v in enumerate(row):
            bits = (bits << 1) | (1 if v is None else 0)
            if x % 8 == 7:
                mask.append(bits)
                bits = 0
        and_rows.append(bytes(mask) + b"\0" * (-len(mask) % 4))
    return header + palette + b"".join(xor_rows) + b"".join(and_rows)


def write_ico(path, canvases):
    images = [image_bytes(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.size % 256, c.size % 256, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    resources = os.path.join(here, "..", "ui", "resources")
    os.makedirs(resources, exist_ok=True)
    write_ico(os.path.join(resources, "xpwizard.ico"), [draw_wizard(16), draw_wizard(32)])
    write_ico(os.path.join(resources, "folder.ico"), [draw_folder()])


if __name__ == "__main__":
    main()
