"""A screen's pixels as RGB bytes, compared whole, outside a box, or moved."""

import subprocess

# The top-left corner where the overlay writes its numbers. Both platforms write within it: the
# native build in its 8 x 16 digit font (eleven characters at most), Windows in the GDI's font.
OVERLAY_BOX = (0, 0, 100, 80)


class Frame:
    def __init__(self, rgb, width, height):
        assert len(rgb) == width * height * 3, "a frame of the wrong size"
        self.rgb = rgb
        self.width = width
        self.height = height

    def __eq__(self, other):
        return isinstance(other, Frame) and self.rgb == other.rgb

    def __hash__(self):
        return hash(self.rgb)

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return self.rgb[i:i + 3]

    def row(self, y, left=0, right=None):
        right = self.width if right is None else right
        return self.rgb[(y * self.width + left) * 3:(y * self.width + right) * 3]

    def region(self, box):
        x0, y0, x1, y1 = box
        return b"".join(self.row(y, x0, x1) for y in range(y0, y1))

    def rows_outside(self, box):
        """Each row, less the part inside box (a box at the left edge)."""
        for y in range(self.height):
            yield self.row(y, box[2] if box[1] <= y < box[3] else 0)

    def same_outside(self, other, box=OVERLAY_BOX):
        return all(a == b for a, b in zip(self.rows_outside(box), other.rows_outside(box)))

    def uniform_outside(self, box=OVERLAY_BOX):
        colour = self.at(self.width - 1, self.height - 1)
        return all(row == colour * (len(row) // 3) for row in self.rows_outside(box))

    def colours(self, step=7):
        return {self.rgb[i:i + 3] for i in range(0, len(self.rgb), 3 * step)}

    def differing(self, other, box=None):
        """(x, y) of each pixel where the frames differ, leaving out box when given."""
        found = []
        for y in range(self.height):
            if self.row(y) == other.row(y):
                continue
            for x in range(self.width):
                inside = box is not None and x < box[2] and box[1] <= y < box[3]
                if not inside and self.at(x, y) != other.at(x, y):
                    found.append((x, y))
        return found

    def scaled(self, factor):
        """Each pixel as a factor x factor block: the picture a whole-multiple scale shows."""
        rows = []
        for y in range(self.height):
            row = b"".join(self.at(x, y) * factor for x in range(self.width))
            rows.append(row * factor)
        return Frame(b"".join(rows), self.width * factor, self.height * factor)

    def save(self, path):
        subprocess.run(["convert", "-size", f"{self.width}x{self.height}", "-depth", "8", "rgb:-",
                        path], input=self.rgb, check=True)
        return path


def picture_rgb(path):
    """A PNG's (or any picture ImageMagick reads) pixels as RGB bytes, top row first."""
    return subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                          check=True).stdout


def load_picture(path, width, height):
    """A picture as a Frame; None when it is not width x height."""
    rgb = picture_rgb(path)
    return Frame(rgb, width, height) if len(rgb) == width * height * 3 else None


def shifted_alike(before, after, dx, dy, reach, box=OVERLAY_BOX):
    """Whether after shows before moved by (dx, dy) wherever it must: where only tiles of cells
    on the screen in both frames, lying wholly inside it in both, can reach, away from the
    overlay. reach is how far a tile extends from its cell's origin: left, right, up, down.
    Also answers how many pixels were compared."""
    w, h = before.width, before.height
    across, down = reach[0] + reach[1], reach[2] + reach[3]
    left, right = across + max(0, dx), w - across + min(0, dx)
    compared = 0
    for y in range(down + max(0, dy), h - down + min(0, dy)):
        start = max(left, box[2] + abs(dx)) if y < box[3] + abs(dy) else left
        if start >= right:
            continue
        if after.row(y, start, right) != before.row(y - dy, start - dx, right - dx):
            return False, compared
        compared += right - start
    return True, compared
