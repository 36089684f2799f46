#!/usr/bin/python3
"""Draws the device frame images of the preview.

Usage: draw_devices.py DEVICES_JSON OUTPUT_FOLDER

One PNG per device identifier ("<identifier>.png"): the body in its colour, the front, the
screen cut out (transparent) at the real screen size in pixels, and the small details that make
the device recognisable (speaker, camera, home button, crown and band, browser bar). One PNG
per hand ("<hand>.png"), drawn to sit behind a device placed at the hand geometry's rectangle.
"""
import json
import os
import sys

from PIL import Image, ImageDraw


def rgb(hex_colour, alpha=255):
    h = hex_colour.lstrip('#')
    return (int(h[0:2], 16), int(h[2:4], 16), int(h[4:6], 16), alpha)


def shade(colour, factor):
    r, g, b, a = colour
    return (max(0, min(255, int(r * factor))), max(0, min(255, int(g * factor))),
            max(0, min(255, int(b * factor))), a)


def luminance(colour):
    r, g, b, _ = colour
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def image_size(family):
    sw, sh = family['screen']
    left, top, right, bottom = family['bezel']
    return sw + left + right, sh + top + bottom


def screen_box(family):
    sw, sh = family['screen']
    left, top, _, _ = family['bezel']
    return left, top, left + sw - 1, top + sh - 1


def draw_handheld(draw, family, body, front):
    w, h = image_size(family)
    radius = family['radius']
    edge = max(4, w // 120)
    draw.rounded_rectangle((0, 0, w - 1, h - 1), radius=radius, fill=shade(body, 0.82))
    draw.rounded_rectangle((edge, edge, w - 1 - edge, h - 1 - edge), radius=radius - edge, fill=body)
    inset = max(6, w // 60)
    draw.rounded_rectangle((inset, inset, w - 1 - inset, h - 1 - inset), radius=radius - inset, fill=front)
    x0, y0, x1, y1 = screen_box(family)
    detail = shade(front, 0.7) if luminance(front) > 128 else shade(front, 2.2)
    top = family['bezel'][1]
    bottom = family['bezel'][3]
    # Speaker slot and front camera above the screen.
    slot_w = max(40, (x1 - x0) // 8)
    slot_h = max(8, top // 18)
    cx = w // 2
    cy = y0 // 2
    draw.rounded_rectangle((cx - slot_w // 2, cy - slot_h // 2, cx + slot_w // 2, cy + slot_h // 2),
                           radius=slot_h // 2, fill=detail)
    cam = max(6, slot_h)
    draw.ellipse((cx - slot_w // 2 - 3 * cam, cy - cam // 2, cx - slot_w // 2 - 2 * cam, cy + cam // 2),
                 fill=detail)
    # Home button (or a chin) below the screen.
    by = y1 + bottom // 2
    if family['kind'] in ('phone', 'tablet'):
        r = int(bottom * 0.3)
        draw.ellipse((cx - r, by - r, cx + r, by + r), outline=detail, width=max(3, r // 12))


def draw_watch(draw, family, body, band):
    w, h = image_size(family)
    x0, y0, x1, y1 = screen_box(family)
    case_margin = family['bezel'][0] - 14
    band_w = int((x1 - x0) * 0.78)
    cx = w // 2
    draw.rectangle((cx - band_w // 2, 0, cx + band_w // 2, h - 1), fill=band)
    draw.rectangle((cx - band_w // 2, 0, cx + band_w // 2, h - 1), outline=shade(band, 0.8), width=3)
    case = (x0 - case_margin, y0 - case_margin, x1 + case_margin, y1 + case_margin)
    draw.rounded_rectangle(case, radius=family['radius'], fill=body)
    inner = (x0 - 18, y0 - 18, x1 + 18, y1 + 18)
    draw.rounded_rectangle(inner, radius=family['radius'] - case_margin + 18, fill=(8, 8, 10, 255))
    # The crown on the right side of the case.
    crown_h = (y1 - y0) // 5
    cy = y0 + (y1 - y0) // 3
    draw.rounded_rectangle((x1 + case_margin - 4, cy - crown_h // 2, w - 1, cy + crown_h // 2),
                           radius=6, fill=shade(body, 0.85))


def draw_desktop(draw, family, body):
    w, h = image_size(family)
    top = family['bezel'][1]
    draw.rounded_rectangle((0, 0, w - 1, h - 1), radius=family['radius'], fill=shade(body, 0.75))
    draw.rounded_rectangle((1, 1, w - 2, top), radius=family['radius'], fill=body)
    for i, colour in enumerate(('#ee6a5f', '#f5be4f', '#62c554')):
        x = 14 + i * 20
        draw.ellipse((x, top // 2 - 6, x + 12, top // 2 + 6), fill=rgb(colour))
    bar_w = min(480, w // 2)
    draw.rounded_rectangle((w // 2 - bar_w // 2, 8, w // 2 + bar_w // 2, top - 8), radius=5,
                           fill=(255, 255, 255, 255))


def draw_device(identifier, family, colours, folder):
    body, front = rgb(colours[0]), rgb(colours[1])
    size = image_size(family)
    image = Image.new('RGBA', size, (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    kind = family['kind']
    if kind == 'watch':
        draw_watch(draw, family, body, front)
    elif kind == 'desktop':
        draw_desktop(draw, family, body)
    else:
        draw_handheld(draw, family, body, front)
    # The screen is a hole: the prototype is drawn there.
    draw.rectangle(screen_box(family), fill=(0, 0, 0, 0))
    image.save(os.path.join(folder, identifier + '.png'), optimize=False, compress_level=6)


def draw_hand(name, colour, geometry, folder):
    w, h = geometry['size']
    dx, dy, dw, dh = geometry['device']
    skin = rgb(colour)
    dark = shade(skin, 0.85)
    image = Image.new('RGBA', (w, h), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    # Wrist and palm below and behind the lower half of the device.
    draw.rounded_rectangle((dx + dw * 0.05, dy + dh * 0.75, dx + dw * 0.95, h - 1), radius=120, fill=dark)
    draw.ellipse((dx - dw * 0.12, dy + dh * 0.45, dx + dw * 1.12, dy + dh * 1.12), fill=skin)
    # Four fingers curling round the right edge.
    for i in range(4):
        top = dy + dh * (0.40 + i * 0.11)
        draw.rounded_rectangle((dx + dw * 0.8, top, dx + dw + 70, top + dh * 0.09), radius=40, fill=skin)
        draw.line((dx + dw + 30, top + 10, dx + dw + 30, top + dh * 0.09 - 10), fill=dark, width=4)
    # The thumb along the left edge.
    draw.rounded_rectangle((dx - 75, dy + dh * 0.42, dx + dw * 0.2, dy + dh * 0.66), radius=60, fill=skin)
    image.save(os.path.join(folder, name + '.png'), optimize=False, compress_level=6)


def main():
    if len(sys.argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    with open(sys.argv[1], encoding='utf-8') as f:
        data = json.load(f)
    folder = sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    for family in data['families'].values():
        for identifier, colours in family['variants'].items():
            draw_device(identifier, family, colours, folder)
    for name, colour in data['hands'].items():
        draw_hand(name, colour, data['handGeometry'], folder)
    return 0


if __name__ == '__main__':
    sys.exit(main())
