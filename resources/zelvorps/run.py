"""Exports the layers of a Photoshop document for a prototype.

    python3 run.py -o <output folder> [--scale S] <design-file.psd>

The scale defaults to 1. Progress goes to stdout as plain lines, information about the document
as JSON-object lines. On success the output folder holds one PNG per layer that has pixels,
"layers.json" (an array of layers with "name", "frame" {"x", "y", "width", "height"} at the
scale, "image" {"path" relative to the folder, "frame"} when it has pixels, and "children") and
"layers.json.js" for the preview, and the exit status is 0. On failure the status is non-zero
and the last line on stderr is one sentence for the user. Nothing is written outside the output
folder.
"""

import argparse
import os
import sys

sys.dont_write_bytecode = True  # nothing is written outside the output folder
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'zelvorexport'))

import layerexport as lx  # noqa: E402

SIGNATURE = b'8BPS'


class Arguments(argparse.ArgumentParser):
    def error(self, message):
        print('The exporter was started with wrong arguments (%s).' % message, file=sys.stderr)
        sys.exit(2)


def check_header(path):
    lx.check_file_size(path, 'Photoshop')
    with open(path, 'rb') as f:
        header = f.read(26)
    if len(header) < 4 or header[:4] != SIGNATURE:
        raise lx.ExportError('This is not a Photoshop file.')
    if len(header) < 26:
        raise lx.ExportError('The Photoshop file is damaged or incomplete.')
    version = int.from_bytes(header[4:6], 'big')
    height = int.from_bytes(header[14:18], 'big')
    width = int.from_bytes(header[18:22], 'big')
    if version not in (1, 2):
        raise lx.ExportError('This Photoshop file has an unknown format version (%d).' % version)
    return width, height


def export_psd(path, scale, folder):
    from psd_tools import PSDImage
    from PIL import Image

    Image.MAX_IMAGE_PIXELS = lx.MAX_LAYER_PIXELS
    width, height = check_header(path)
    lx.progress('Reading %s' % os.path.basename(path))
    try:
        psd = PSDImage.open(path)
    except (ValueError, EOFError, IOError, AssertionError, KeyError, IndexError, TypeError) as error:
        raise lx.ExportError('The Photoshop file is damaged or incomplete and cannot be read.') from error

    total = sum(1 for _ in psd.descendants())
    if total > lx.MAX_LAYERS:
        raise lx.ExportError('This Photoshop file has %d layers; at most %d can be imported.' % (total, lx.MAX_LAYERS))
    lx.info({'document': os.path.basename(path), 'width': width, 'height': height, 'layers': total, 'scale': scale})

    done = [0]

    def frame_of(bbox, origin):
        left, top, right, bottom = bbox
        return (lx.scaled(left - origin[0], scale), lx.scaled(top - origin[1], scale),
                lx.scaled(right - left, scale), lx.scaled(bottom - top, scale))

    def convert(layer, origin, depth):
        if depth > lx.MAX_DEPTH:
            raise lx.ExportError('The layers of this file are nested too deeply to import.')
        bbox = layer.bbox
        if bbox[2] <= bbox[0] or bbox[3] <= bbox[1]:
            bbox = (origin[0], origin[1], origin[0], origin[1])
        node = lx.Layer(layer.name, frame_of(bbox, origin), 'group' if layer.is_group() else layer.kind)
        node.visible = bool(layer.visible)
        node.opacity = layer.opacity / 255.0
        done[0] += 1
        if layer.is_group():
            # Layers iterate bottom first: the drawing order the tree keeps.
            node.children = [convert(child, bbox[:2], depth + 1) for child in layer]
        elif layer.has_pixels() and bbox[2] > bbox[0] and bbox[3] > bbox[1]:
            w, h = lx.scaled_size(bbox[2] - bbox[0], bbox[3] - bbox[1], scale)
            image = layer.topil()
            if image is not None:
                image = image.convert('RGBA')
                if image.size != (w, h):
                    image = image.resize((w, h), Image.LANCZOS)
                relative = folder.image_path(layer.name)
                folder.save_image(relative, image)
                node.image = (relative, (0, 0, w, h))
            del image
        if done[0] % 25 == 0:
            lx.progress('Exported %d of %d layers' % (done[0], total))
        return node

    return [convert(layer, (0, 0), 0) for layer in psd]


def main(argv):
    parser = Arguments(description='Exports the layers of a Photoshop document.')
    parser.add_argument('-o', dest='output', required=True)
    parser.add_argument('--scale', default='1')
    parser.add_argument('design_file')
    args = parser.parse_args(argv)
    try:
        scale = lx.parse_scale(args.scale)
    except lx.ExportError as error:
        print(error, file=sys.stderr)
        return 2
    return lx.run(lambda folder: export_psd(args.design_file, scale, folder), args.output)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
