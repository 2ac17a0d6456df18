#!/usr/bin/python3
"""Draws the GUI's pictures into res/:
  images/   the six item images at 20x20 and 32x32
  toolbar/  the seven 54x53 toolbar buttons with their captions
  about/    the About box's hard-disk picture (41x44) and logo (28x45)
  varnel.png            the application icon, 128x128
  icons/hicolor/        the application icon for the desktop, 16 to 256 pixels
  background.png        the dialogs' 774x573 light-grey background tile
  help/images/          copies of the toolbar buttons and item images for the manual
Every picture but the background and the desktop icons also comes as
name@2x.png, drawn at twice the size for high-DPI screens (Qt's QIcon picks
those up by their name).

Run from the repository root:  /usr/bin/python3 tools/make-icons.py
Needs Pillow (Debian: python3-pil) and the DejaVu fonts (fonts-dejavu-core).
Everything is drawn at 8x and scaled down, so edges come out smooth; the
desktop icon snaps its edges to whole pixels, so the small sizes stay sharp."""

import math
import os
import shutil
import sys

from PIL import Image, ImageDraw, ImageFont

S = 8  # supersampling factor
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf"

INK = (40, 44, 52, 255)
RED = (214, 30, 30, 255)
WHITE = (255, 255, 255, 255)
SCALES = ((1, ""), (2, "@2x"))  # factor and file-name suffix of each variant


def canvas(w, h):
    img = Image.new("RGBA", (w * S, h * S), (0, 0, 0, 0))
    return img, ImageDraw.Draw(img)


class Pen:
    """Drawing in design units over an area of the canvas: x runs 0..1 across
    `size` target pixels from (ox, oy), y in the same unit. With `snap`, points
    and widths fall on whole target pixels, which keeps small pictures sharp."""

    def __init__(self, draw, ox, oy, size, snap=False):
        self.d, self.ox, self.oy, self.n, self.snap = draw, ox, oy, size, snap
        self.size = size * S

    def _px(self, v):
        return round(v) if self.snap else v

    def p(self, x, y):
        return (self._px(self.ox + x * self.n) * S, self._px(self.oy + y * self.n) * S)

    def w(self, v):
        if self.snap:
            return max(1, round(v * self.n)) * S
        return max(1, int(v * self.size))

    def rect(self, x0, y0, x1, y1, fill, outline=INK, width=0.05, radius=0.0):
        self.d.rounded_rectangle([self.p(x0, y0), self.p(x1, y1)], radius=int(radius * self.size),
                                 fill=fill, outline=outline, width=self.w(width))

    def poly(self, pts, fill, outline=INK, width=0.05):
        pts = [self.p(x, y) for x, y in pts]
        self.d.polygon(pts, fill=fill)
        if outline:
            # Round past the first corner too, so the loop closes without a notch.
            self.d.line(pts + pts[:2], fill=outline, width=self.w(width), joint="curve")

    def line(self, pts, fill=INK, width=0.05):
        self.d.line([self.p(x, y) for x, y in pts], fill=fill, width=self.w(width), joint="curve")

    def ellipse(self, x0, y0, x1, y1, fill, outline=INK, width=0.05):
        self.d.ellipse([self.p(x0, y0), self.p(x1, y1)], fill=fill, outline=outline, width=self.w(width))

    def circle(self, cx, cy, r, fill, outline=INK, width=0.05):
        self.ellipse(cx - r, cy - r, cx + r, cy + r, fill, outline, width)

    def arc(self, cx, cy, r, start, end, fill, width):
        """Degrees clockwise from three o'clock, as Pillow counts them."""
        self.d.arc([self.p(cx - r, cy - r), self.p(cx + r, cy + r)], start, end, fill=fill, width=self.w(width))


def save(img, w, h, path, sharp=False):
    """Scales the supersampled canvas down. Sharp pictures, drawn on whole
    pixels, take each pixel's plain average, which keeps their edges hard."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    img.resize((w, h), Image.BOX if sharp else Image.LANCZOS).save(path)


def draw_variants(path, w, h, paint, sharp=False):
    """Writes path and its @2x twin; paint(draw, k) draws at k times the size."""
    base, ext = os.path.splitext(path)
    for k, suffix in SCALES:
        img, d = canvas(w * k, h * k)
        paint(d, k)
        save(img, w * k, h * k, base + suffix + ext, sharp)


# Item images: the drive list's computer, a drive, folders and files.

def computer(pen):
    pen.rect(0.08, 0.10, 0.92, 0.68, (205, 210, 220, 255), radius=0.06)
    pen.rect(0.16, 0.18, 0.84, 0.60, (70, 140, 215, 255), outline=None)
    pen.poly([(0.40, 0.68), (0.60, 0.68), (0.66, 0.82), (0.34, 0.82)], (160, 165, 175, 255))
    pen.rect(0.20, 0.82, 0.80, 0.92, (180, 185, 195, 255), radius=0.03)


def drive(pen):
    pen.rect(0.06, 0.30, 0.94, 0.74, (190, 196, 206, 255), radius=0.08)
    pen.line([(0.14, 0.62), (0.62, 0.62)], fill=(120, 126, 138, 255), width=0.05)
    pen.ellipse(0.72, 0.55, 0.84, 0.67, (60, 200, 80, 255), outline=None)


def folder(pen):
    pen.poly([(0.06, 0.20), (0.38, 0.20), (0.46, 0.30), (0.94, 0.30), (0.94, 0.84), (0.06, 0.84)],
             (236, 184, 60, 255))
    pen.poly([(0.06, 0.40), (0.94, 0.40), (0.94, 0.84), (0.06, 0.84)], (250, 208, 90, 255))


def page(pen):
    pen.poly([(0.18, 0.06), (0.62, 0.06), (0.84, 0.28), (0.84, 0.94), (0.18, 0.94)], (252, 252, 252, 255))
    pen.poly([(0.62, 0.06), (0.62, 0.28), (0.84, 0.28)], (215, 220, 228, 255))
    for y in (0.44, 0.58, 0.72):
        pen.line([(0.30, y), (0.72, y)], fill=(150, 160, 175, 255), width=0.05)


def cross(pen):
    # A white rim keeps the red cross readable on the yellow folder and the white page.
    pen.line([(0.46, 0.46), (0.96, 0.96)], fill=WHITE, width=0.22)
    pen.line([(0.96, 0.46), (0.46, 0.96)], fill=WHITE, width=0.22)
    pen.line([(0.50, 0.50), (0.92, 0.92)], fill=RED, width=0.13)
    pen.line([(0.92, 0.50), (0.50, 0.92)], fill=RED, width=0.13)


ITEMS = [
    ("drives", [computer]),
    ("drive", [drive]),
    ("folder", [folder]),
    ("deleted-folder", [folder, cross]),
    ("file", [page]),
    ("deleted-file", [page, cross]),
]


def item_images():
    for size in (20, 32):
        for name, painters in ITEMS:
            def paint(d, k, painters=painters, size=size):
                pen = Pen(d, 0, 0, size * k)
                for painter in painters:
                    painter(pen)
            draw_variants(os.path.join(ROOT, "images", f"{name}-{size}.png"), size, size, paint)


# Toolbar buttons: a picture with the caption drawn in below it.

def magnifier(pen):
    pen.ellipse(0.18, 0.10, 0.70, 0.62, (200, 230, 255, 255), width=0.09)
    pen.line([(0.62, 0.55), (0.88, 0.82)], width=0.14)


def stop(pen):
    pts = [(0.33, 0.08), (0.67, 0.08), (0.90, 0.31), (0.90, 0.65), (0.67, 0.88), (0.33, 0.88), (0.10, 0.65),
           (0.10, 0.31)]
    pen.poly(pts, RED, outline=(120, 10, 10, 255))
    pen.rect(0.28, 0.42, 0.72, 0.54, WHITE, outline=None)


def recover(pen):
    folder(pen)
    pen.poly([(0.50, 0.44), (0.74, 0.66), (0.60, 0.66), (0.60, 0.92), (0.40, 0.92), (0.40, 0.66), (0.26, 0.66)],
             (40, 170, 70, 255), outline=(20, 90, 35, 255))


def level_up(pen):
    folder(pen)
    pen.poly([(0.50, 0.40), (0.76, 0.62), (0.60, 0.62), (0.60, 0.80), (0.40, 0.80), (0.40, 0.62), (0.24, 0.62)],
             (60, 120, 220, 255), outline=(25, 60, 140, 255))


def help_(pen):
    pen.ellipse(0.12, 0.06, 0.88, 0.82, (60, 120, 220, 255), outline=(25, 60, 140, 255))
    font = ImageFont.truetype(FONT, int(pen.size * 0.62))
    cx, cy = pen.p(0.5, 0.45)
    pen.d.text((cx, cy), "?", font=font, fill=WHITE, anchor="mm")


def comments(pen):
    pen.poly([(0.08, 0.12), (0.92, 0.12), (0.92, 0.64), (0.42, 0.64), (0.22, 0.86), (0.26, 0.64), (0.08, 0.64)],
             (255, 250, 215, 255))
    for y in (0.28, 0.44):
        pen.line([(0.20, y), (0.80, y)], fill=(150, 140, 100, 255), width=0.06)


def exit_(pen):
    pen.rect(0.16, 0.08, 0.62, 0.90, (170, 120, 80, 255), outline=(90, 60, 35, 255))
    pen.ellipse(0.48, 0.46, 0.56, 0.54, (250, 220, 90, 255), outline=None)
    pen.poly([(0.62, 0.40), (0.80, 0.40), (0.80, 0.30), (0.96, 0.49), (0.80, 0.68), (0.80, 0.58), (0.62, 0.58)],
             RED, outline=(120, 10, 10, 255))


BUTTONS = [
    ("scan", "Scan", lambda pen: (drive(pen), magnifier(pen))),
    ("stop-scan", "Stop Scan", stop),
    ("recover", "Recover", recover),
    ("level-up", "Level UP", level_up),
    ("help", "Help", help_),
    ("comments", "Comments", comments),
    ("exit", "Exit", exit_),
]


def toolbar_buttons():
    w, h = 54, 53
    for name, caption, picture in BUTTONS:
        def paint(d, k, caption=caption, picture=picture):
            picture(Pen(d, (w - 34) / 2 * k, 2 * k, 34 * k))
            font = ImageFont.truetype(FONT, 10 * k * S)
            d.text((w * k * S / 2, (h - 1) * k * S), caption, font=font, fill=INK, anchor="md")
        draw_variants(os.path.join(ROOT, "toolbar", f"{name}.png"), w, h, paint)


# The application icon: an opened hard disk with a green "bring back" badge.

CASE = (78, 86, 100, 255)
PLATTER = (196, 203, 214, 255)
PLATTER_SHINE = (226, 231, 238, 255)
ARM = (150, 157, 170, 255)
GREEN = (38, 168, 72, 255)
DARK_GREEN = (18, 96, 40, 255)


def hard_disk(pen, detailed, left=0.06, top=0.06, right=0.94, bottom=0.94):
    """The disk in the box given; platter, hub and head arm inside it. Fewer
    strokes when not detailed, so that 16 to 24 pixel icons stay readable."""
    w, h = right - left, bottom - top
    pen.rect(left, top, right, bottom, CASE, width=0.05 if detailed else 0.07, radius=0.08 * w)
    cx, cy, r = left + 0.44 * w, top + 0.47 * h, 0.36 * min(w, h)
    pen.circle(cx, cy, r, PLATTER, outline=INK if detailed else None, width=0.03)
    if detailed:
        pen.arc(cx, cy, r * 0.72, 200, 250, PLATTER_SHINE, 0.04)
        pen.arc(cx, cy, r * 0.72, 20, 70, PLATTER_SHINE, 0.04)
        for sx, sy in ((0.08, 0.06), (0.92, 0.06), (0.08, 0.94)):
            pen.circle(left + sx * w, top + sy * h, 0.025 * w, (150, 156, 168, 255), outline=None)
    pen.circle(cx, cy, r * 0.22, (110, 118, 132, 255), outline=INK if detailed else None, width=0.025)
    if not detailed:
        return
    # The head arm swings in from the top right corner.
    px, py = left + 0.84 * w, top + 0.17 * h
    hx, hy = cx + r * 0.45, cy - r * 0.05
    pen.line([(px, py), (hx, hy)], fill=INK, width=0.10)
    pen.line([(px, py), (hx, hy)], fill=ARM, width=0.06)
    pen.circle(px, py, 0.07 * w, ARM, width=0.025)


def restore_badge(pen, cx, cy, r, detailed):
    """A green disc with a white arrow turning back on itself."""
    pen.circle(cx, cy, r, GREEN, outline=DARK_GREEN, width=0.03 if detailed else 0.05)
    ar, aw = r * 0.56, r * 0.26  # radius and width of the arrow's arc
    start, end = 215, 495  # clockwise over the top, ending left of the bottom
    pen.arc(cx, cy, ar, start, end, WHITE, aw)
    # The head sits at the start, pointing back against the turn.
    a = math.radians(start)
    bx, by = cx + ar * math.cos(a), cy + ar * math.sin(a)
    tx, ty = math.sin(a), -math.cos(a)  # against the clockwise direction
    nx, ny = math.cos(a), math.sin(a)
    head = r * 0.34
    pen.poly([(bx + nx * head, by + ny * head), (bx - nx * head, by - ny * head),
              (bx + tx * head * 1.1, by + ty * head * 1.1)], WHITE, outline=None)


def app_icon_painter(n):
    detailed = n >= 32

    def paint(d, k):
        pen = Pen(d, 0, 0, n * k, snap=True)
        hard_disk(pen, detailed, 0.04, 0.04, 0.86, 0.90)
        r = 0.23 if detailed else 0.27
        restore_badge(pen, 1 - r - 0.01, 1 - r - 0.01, r, detailed)
    return paint


def app_icons():
    draw_variants(os.path.join(ROOT, "varnel.png"), 128, 128, app_icon_painter(128), sharp=True)
    for n in (16, 22, 24, 32, 48, 64, 128, 256):
        img, d = canvas(n, n)
        app_icon_painter(n)(d, 1)
        save(img, n, n, os.path.join(ROOT, "icons", "hicolor", f"{n}x{n}", "apps", "varnel-recovery.png"), True)


# The About box: a hard-disk picture and a small upright logo.

def about_pictures():
    def disk(d, k):
        pen = Pen(d, 0, 0, 41 * k, snap=True)  # x 0..1 across the width; y to 44/41
        hard_disk(pen, True, 0.04, 0.04, 0.96, 44 / 41 - 0.04)
    draw_variants(os.path.join(ROOT, "about", "disk.png"), 41, 44, disk, sharp=True)

    def logo(d, k):
        pen = Pen(d, 0, 0, 28 * k, snap=True)  # x 0..1 across the width; y to 45/28
        # A shield: read-only, nothing on the volume is touched.
        pen.poly([(0.06, 0.05), (0.94, 0.05), (0.94, 0.98), (0.50, 1.56), (0.06, 0.98)],
                 (44, 98, 178, 255), outline=(20, 50, 100, 255), width=0.07)
        pen.poly([(0.20, 0.20), (0.80, 0.20), (0.80, 0.90), (0.50, 1.32), (0.20, 0.90)],
                 (70, 132, 214, 255), outline=None)
        # The V of the name.
        pen.poly([(0.22, 0.30), (0.40, 0.30), (0.50, 0.70), (0.60, 0.30), (0.78, 0.30), (0.58, 0.96),
                  (0.42, 0.96)], WHITE, outline=None)
        pen.line([(0.34, 1.14), (0.66, 1.14)], fill=(120, 220, 140, 255), width=0.09)
    draw_variants(os.path.join(ROOT, "about", "logo.png"), 28, 45, logo, sharp=True)


def background():
    # One flat colour, 24-bit RGB: the dialogs tile it under their labels.
    Image.new("RGB", (774, 573), (229, 230, 231)).save(os.path.join(ROOT, "background.png"))


def help_images():
    """The manual shows the very pictures of the program; it is installed on
    its own, so it keeps copies of them next to it."""
    dest = os.path.join(ROOT, "help", "images")
    os.makedirs(dest, exist_ok=True)
    for _, suffix in SCALES:
        for name, _, _ in BUTTONS:
            shutil.copyfile(os.path.join(ROOT, "toolbar", f"{name}{suffix}.png"),
                            os.path.join(dest, f"{name}{suffix}.png"))
        for name, _ in ITEMS:
            shutil.copyfile(os.path.join(ROOT, "images", f"{name}-20{suffix}.png"),
                            os.path.join(dest, f"{name}-20{suffix}.png"))
    draw_variants(os.path.join(dest, "varnel.png"), 48, 48, app_icon_painter(48), sharp=True)


def main():
    item_images()
    toolbar_buttons()
    app_icons()
    about_pictures()
    background()
    help_images()
    return 0


if __name__ == "__main__":
    sys.exit(main())
