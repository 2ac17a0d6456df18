#!/usr/bin/python3
"""Draws the GUI's pictures into res/: the six item images at 20x20 and 32x32,
the seven 54x53 toolbar buttons with their captions, and the application icon.

Run from the repository root:  /usr/bin/python3 tools/make-icons.py
Needs Pillow (Debian: python3-pil) and the DejaVu fonts (fonts-dejavu-core).
Everything is drawn at 8x and scaled down, so edges come out smooth."""

import os
import sys

from PIL import Image, ImageDraw, ImageFont

S = 8  # supersampling factor
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf"

INK = (40, 44, 52, 255)
RED = (214, 30, 30, 255)


def canvas(w, h):
    img = Image.new("RGBA", (w * S, h * S), (0, 0, 0, 0))
    return img, ImageDraw.Draw(img)


def box(x0, y0, x1, y1):
    """A rectangle in 0..1 units of a 1x1 design square, scaled to the canvas later."""
    return (x0, y0, x1, y1)


class Pen:
    """Drawing in design units (0..1) over a square area of the canvas."""

    def __init__(self, draw, ox, oy, size):
        self.d, self.ox, self.oy, self.size = draw, ox * S, oy * S, size * S

    def p(self, x, y):
        return (self.ox + x * self.size, self.oy + y * self.size)

    def w(self, v):
        return max(1, int(v * self.size))

    def rect(self, x0, y0, x1, y1, fill, outline=INK, width=0.05, radius=0.0):
        self.d.rounded_rectangle([self.p(x0, y0), self.p(x1, y1)], radius=int(radius * self.size),
                                 fill=fill, outline=outline, width=self.w(width))

    def poly(self, pts, fill, outline=INK, width=0.05):
        pts = [self.p(x, y) for x, y in pts]
        self.d.polygon(pts, fill=fill)
        if outline:
            self.d.line(pts + [pts[0]], fill=outline, width=self.w(width), joint="curve")

    def line(self, pts, fill=INK, width=0.05):
        self.d.line([self.p(x, y) for x, y in pts], fill=fill, width=self.w(width), joint="curve")

    def ellipse(self, x0, y0, x1, y1, fill, outline=INK, width=0.05):
        self.d.ellipse([self.p(x0, y0), self.p(x1, y1)], fill=fill, outline=outline, width=self.w(width))


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
    pen.line([(0.46, 0.46), (0.96, 0.96)], fill=(255, 255, 255, 255), width=0.22)
    pen.line([(0.96, 0.46), (0.46, 0.96)], fill=(255, 255, 255, 255), width=0.22)
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


def save(img, w, h, path):
    img.resize((w, h), Image.LANCZOS).save(path)


def item_images():
    for size in (20, 32):
        for name, painters in ITEMS:
            img, d = canvas(size, size)
            pen = Pen(d, 0, 0, size)
            for paint in painters:
                paint(pen)
            save(img, size, size, os.path.join(ROOT, "images", f"{name}-{size}.png"))


def magnifier(pen):
    pen.ellipse(0.18, 0.10, 0.70, 0.62, (200, 230, 255, 255), width=0.09)
    pen.line([(0.62, 0.55), (0.88, 0.82)], width=0.14)


def stop(pen):
    pts = [(0.33, 0.08), (0.67, 0.08), (0.90, 0.31), (0.90, 0.65), (0.67, 0.88), (0.33, 0.88), (0.10, 0.65),
           (0.10, 0.31)]
    pen.poly(pts, RED, outline=(120, 10, 10, 255))
    pen.rect(0.28, 0.42, 0.72, 0.54, (255, 255, 255, 255), outline=None)


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
    pen.d.text((cx, cy), "?", font=font, fill=(255, 255, 255, 255), anchor="mm")


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
    font = ImageFont.truetype(FONT, 10 * S)
    for name, caption, paint in BUTTONS:
        img, d = canvas(w, h)
        paint(Pen(d, (w - 34) / 2, 2, 34))
        d.text((w * S / 2, (h - 1) * S), caption, font=font, fill=INK, anchor="md")
        save(img, w, h, os.path.join(ROOT, "toolbar", f"{name}.png"))


def app_icon():
    img, d = canvas(64, 64)
    pen = Pen(d, 0, 4, 64)
    drive(pen)
    pen = Pen(d, 22, 0, 42)
    magnifier(pen)
    save(img, 64, 64, os.path.join(ROOT, "varnel.png"))


def main():
    for sub in ("images", "toolbar"):
        os.makedirs(os.path.join(ROOT, sub), exist_ok=True)
    item_images()
    toolbar_buttons()
    app_icon()
    return 0


if __name__ == "__main__":
    sys.exit(main())
