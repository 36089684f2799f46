#!/usr/bin/python3
"""Writes the Roboto faces a prototype's text uses as web fonts (WOFF2, about 40 % of the TrueType
size) into a project library's "fonts" folder, with the licence that must travel with them.

Usage: make_web_fonts.py FONTS_FOLDER OUTPUT_FOLDER FACE...
"""
import os
import sys

from fontTools.ttLib import TTFont

LICENCE_HEADER = """The Roboto font files in this folder (Roboto-*.woff2) are Copyright 2015 Google Inc.,
licensed under the Apache License, Version 2.0, whose text follows. They were converted to the
WOFF2 format, unchanged otherwise, from Debian's fonts-roboto-unhinted package.

"""


def main(argv):
    source, output, faces = argv[1], argv[2], argv[3:]
    os.makedirs(output, exist_ok=True)
    for face in faces:
        font = TTFont(os.path.join(source, "Roboto-%s.ttf" % face))
        font.flavor = "woff2"
        target = os.path.join(output, "Roboto-%s.woff2" % face)
        font.save(target + ".part")
        os.replace(target + ".part", target)
    with open("/usr/share/common-licenses/Apache-2.0", encoding="utf-8") as licence:
        text = LICENCE_HEADER + licence.read()
    with open(os.path.join(output, "Roboto-LICENSE.txt"), "w", encoding="utf-8") as out:
        out.write(text)


if __name__ == "__main__":
    main(sys.argv)
