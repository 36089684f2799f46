#!/usr/bin/python3
"""Draws the images of the welcome and about windows.

Usage: draw_welcome.py OUTPUT_FOLDER

Every image is drawn at twice its size in points, so it stays sharp on dense screens; the
views scale it into their frames. Names are the ones the windows look up.
"""
import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

SCALE = 2
DARK = (25, 25, 27, 255)        # the window background, 19191B
PANEL = (34, 34, 38, 255)
GREY = (98, 98, 107, 255)       # 62626B
LIGHT = (200, 200, 210, 255)
BLUE = (40, 175, 250, 255)
WHITE = (255, 255, 255, 255)

FONT_FILES = [
    '/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf',
    '/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf',
]


def font(size):
    for path in FONT_FILES:
        if os.path.exists(path):
            return ImageFont.truetype(path, size * SCALE)
    return ImageFont.load_default()


def canvas(w, h, colour=(0, 0, 0, 0)):
    img = Image.new('RGBA', (w * SCALE, h * SCALE), colour)
    return img, ImageDraw.Draw(img)


def s(*values):
    return [v * SCALE for v in values]


def save(img, out, name):
    img.save(os.path.join(out, name + '.png'))


def app_icon(out):
    img, d = canvas(128, 128)
    d.rounded_rectangle(s(8, 8, 120, 120), radius=26 * SCALE, fill=(30, 30, 34, 255))
    # Three stacked cards: the prototype beside its code.
    d.rounded_rectangle(s(30, 36, 78, 100), radius=8 * SCALE, fill=(60, 60, 70, 255))
    d.rounded_rectangle(s(42, 30, 90, 94), radius=8 * SCALE, fill=(90, 90, 104, 255))
    d.rounded_rectangle(s(54, 24, 102, 88), radius=8 * SCALE, fill=BLUE)
    d.ellipse(s(68, 40, 88, 60), fill=WHITE)
    d.rounded_rectangle(s(64, 68, 92, 74), radius=3 * SCALE, fill=WHITE)
    save(img, out, 'AppIcon')


def close_buttons(out):
    for name, colour in (('close', GREY), ('closeActive', WHITE)):
        img, d = canvas(30, 30, DARK)
        d.line(s(10, 10, 20, 20), fill=colour, width=2 * SCALE)
        d.line(s(20, 10, 10, 20), fill=colour, width=2 * SCALE)
        save(img, out, name)


def new_icon(out):
    img, d = canvas(30, 30)
    d.rounded_rectangle(s(7, 7, 23, 23), radius=3 * SCALE, outline=LIGHT, width=SCALE + 1)
    d.line(s(15, 11, 15, 19), fill=LIGHT, width=2 * SCALE)
    d.line(s(11, 15, 19, 15), fill=LIGHT, width=2 * SCALE)
    save(img, out, 'icon-new')


def recents(out):
    for name, colour in (('recents', GREY), ('recentsActive', WHITE)):
        img, d = canvas(46, 42)
        d.polygon(s(14, 12, 22, 12, 24, 15, 32, 15, 32, 30, 14, 30), outline=colour)
        d.line(s(14, 18, 32, 18), fill=colour, width=SCALE)
        save(img, out, name)


def checkboxes(out):
    for name, checked in (('checkBox', False), ('checkBoxChecked', True)):
        img, d = canvas(14, 14)
        d.rounded_rectangle(s(1, 1, 13, 13), radius=3 * SCALE,
                            fill=BLUE if checked else (0, 0, 0, 0), outline=BLUE if checked else GREY,
                            width=SCALE)
        if checked:
            d.line(s(4, 7, 6, 10, 10, 4), fill=WHITE, width=2 * SCALE, joint='curve')
        save(img, out, name)


def column_buttons(out):
    # Nine-sliced with caps of 20 points left and right, 1 point top and bottom.
    for name, fill in (('columnButton', (0, 0, 0, 0)), ('columnButtonActive', (40, 175, 250, 60))):
        img, d = canvas(60, 28)
        d.rounded_rectangle(s(0, 0, 59, 27), radius=13 * SCALE, fill=fill, outline=BLUE, width=SCALE)
        save(img, out, name)


def tiles(out):
    # One square picture per example, named by the example's title.
    w = 104
    for title in ('Animate', 'Drag', 'Scroll', 'Page'):
        img, d = canvas(w, w)
        d.rounded_rectangle(s(0, 0, w - 1, w - 1), radius=8 * SCALE, fill=PANEL)
        if title == 'Animate':
            for i, a in enumerate((70, 140, 255)):
                x = 22 + i * 22
                d.rounded_rectangle(s(x, 40, x + 24, 64), radius=6 * SCALE, fill=(40, 175, 250, a))
        elif title == 'Drag':
            d.rounded_rectangle(s(24, 30, 72, 78), radius=8 * SCALE, fill=(60, 60, 70, 255))
            d.rounded_rectangle(s(34, 24, 82, 72), radius=8 * SCALE, fill=BLUE)
            d.polygon(s(60, 52, 60, 80, 67, 73, 72, 84, 76, 82, 71, 71, 80, 71), fill=WHITE)
        elif title == 'Scroll':
            for i in range(4):
                y = 18 + i * 18
                d.rounded_rectangle(s(26, y, 78, y + 13), radius=3 * SCALE, fill=(60, 60, 70, 255))
            d.rounded_rectangle(s(84, 22, 87, 52), radius=2 * SCALE, fill=BLUE)
        else:
            d.rounded_rectangle(s(30, 24, 74, 80), radius=6 * SCALE, fill=BLUE)
            for i in range(3):
                x = 42 + i * 10
                d.ellipse(s(x, 86, x + 5, 91), fill=WHITE if i == 0 else GREY)
        save(img, out, title)


AVATARS = (('Ada', (233, 99, 87)), ('Bram', (92, 184, 92)), ('Chiara', (240, 173, 78)),
           ('Dmitri', (91, 155, 213)), ('Elif', (170, 110, 220)))


def avatars(out):
    f = font(12)
    for name, colour in AVATARS:
        img, d = canvas(24, 24)
        d.ellipse(s(0, 0, 23, 23), fill=colour + (255,))
        d.text((12 * SCALE, 12 * SCALE), name[0], font=f, fill=WHITE, anchor='mm')
        save(img, out, name)


def signup_copy(out):
    img, d = canvas(344, 110)
    d.text((0, 4 * SCALE), 'Stay in the loop', font=font(24), fill=WHITE)
    body = ('Leave your name and e-mail address and we will send\n'
            'you news about Zelvor Studio and, if you like, a short\n'
            'course on prototyping, one lesson at a time.')
    d.multiline_text((0, 44 * SCALE), body, font=font(12), fill=LIGHT, spacing=5 * SCALE)
    save(img, out, 'welcome-window-copy')


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for draw in (app_icon, close_buttons, new_icon, recents, checkboxes, column_buttons, tiles,
                 avatars, signup_copy):
        draw(out)


if __name__ == '__main__':
    main()
