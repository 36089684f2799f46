"""Exports the layers of a Sketch document for a prototype.

    python3 run.py <design-file.sketch> zelvor.js <output folder> <scale>

run from this folder. The design file stands where the running design application would be
named; "zelvor.js" is accepted for the same command line and not used. Progress goes to stdout
as plain lines. On success the output folder holds one PNG per layer that has pixels,
"layers.json" (an array of layers with "name", "frame" {"x", "y", "width", "height"} at the
scale, "image" {"path" relative to the folder, "frame"} when it has pixels, and "children") and
"layers.json.js" for the preview, and the exit status is 0. On failure the status is non-zero
and the last line on stderr is one sentence for the user. Nothing is written outside the output
folder.

A Sketch file is a zip archive of JSON documents (document.json, meta.json, pages/<id>.json) and
images. Artboards and loose layers of every page become top-level layers; groups and symbol
instances keep their children; shapes, text and bitmaps become images drawn with aggdraw and
PIL. Rotation, flips, boolean operations between shapes, shadows, blurs and gradient fills (drawn
in their first colour) are not reproduced.
"""

import json
import os
import re
import subprocess
import sys
import zipfile

sys.dont_write_bytecode = True  # nothing is written outside the output folder
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'zelvorexport'))

import layerexport as lx  # noqa: E402

MIN_VERSION = 43
MAX_PART_BYTES = 200 << 20
SKIPPED_CLASSES = {'slice', 'MSImmutableHotspotLayer', 'hotspot', 'symbolMaster'}
SHAPE_CLASSES = {'rectangle', 'oval', 'shapePath', 'triangle', 'star', 'polygon', 'shapeGroup'}
KAPPA = 0.5522847498


def version_key(text):
    return tuple(int(part) for part in re.findall(r'\d+', str(text))[:3]) or (0,)


class Archive:
    def __init__(self, path):
        lx.check_file_size(path, 'Sketch')
        with open(path, 'rb') as f:
            head = f.read(16)
        if head.startswith(b'SQLite format 3'):
            self.too_old()
        try:
            self.zip = zipfile.ZipFile(path)
        except (zipfile.BadZipFile, OSError, ValueError):
            if head.startswith(b'PK\x03\x04'):  # an archive that ends too soon
                raise lx.ExportError('The Sketch file is damaged or incomplete and cannot be read.')
            raise lx.ExportError('This is not a Sketch file.')
        self.names = set(self.zip.namelist())
        if 'document.json' not in self.names:
            raise lx.ExportError('This is not a Sketch file.')

    @staticmethod
    def too_old():
        raise lx.ExportError('Sketch files older than version %d are not supported. Minimum required version is %d.'
                             % (MIN_VERSION, MIN_VERSION))

    def read(self, name, limit):
        try:
            entry = self.zip.getinfo(name)
        except KeyError:
            raise lx.ExportError('The Sketch file is damaged: "%s" is missing.' % name)
        if entry.file_size > limit:
            raise lx.ExportError('The Sketch file holds a part too large to import ("%s").' % name)
        try:
            with self.zip.open(entry) as f:
                data = f.read(limit + 1)
        except (zipfile.BadZipFile, EOFError, OSError, ValueError, NotImplementedError) as error:
            raise lx.ExportError('The Sketch file is damaged or incomplete and cannot be read.') from error
        if len(data) > limit:
            raise lx.ExportError('The Sketch file holds a part too large to import ("%s").' % name)
        return data

    def json(self, name):
        try:
            value = json.loads(self.read(name, MAX_PART_BYTES))
        except (ValueError, RecursionError):
            raise lx.ExportError('The Sketch file is damaged: "%s" is not readable.' % name)
        if not isinstance(value, dict):
            raise lx.ExportError('The Sketch file is damaged: "%s" is not readable.' % name)
        return value


def point(text):
    """Sketch writes points as "{x, y}" in units of the layer's size."""
    numbers = re.findall(r'-?[\d.]+(?:e-?\d+)?', str(text))
    if len(numbers) < 2:
        return 0.0, 0.0
    return float(numbers[0]), float(numbers[1])


def number(value, default=0.0):
    return float(value) if isinstance(value, (int, float)) and not isinstance(value, bool) else default


def rect(layer):
    f = layer.get('frame') if isinstance(layer.get('frame'), dict) else {}
    return (number(f.get('x')), number(f.get('y')), max(0.0, number(f.get('width'))), max(0.0, number(f.get('height'))))


def colour(value, opacity=1.0):
    if not isinstance(value, dict):
        return None
    def channel(key, default):
        return max(0, min(255, int(round(number(value.get(key), default) * 255))))
    return (channel('red', 0), channel('green', 0), channel('blue', 0), int(channel('alpha', 1) * opacity))


def items(value):
    """The objects of a list in the file; anything else reads as none."""
    return [item for item in value if isinstance(item, dict)] if isinstance(value, list) else []


def enabled(value):
    return [item for item in items(value) if item.get('isEnabled', True)]


def fill_colour(fill):
    if fill.get('fillType', 0) == 1:  # gradient: its first stop
        gradient = fill.get('gradient') if isinstance(fill.get('gradient'), dict) else {}
        stops = items(gradient.get('stops'))
        return colour(stops[0].get('color')) if stops else None
    if fill.get('fillType', 0) != 0:
        return None
    return colour(fill.get('color'), number((fill.get('contextSettings') or {}).get('opacity'), 1.0))


class Renderer:
    """Draws shapes, text and bitmaps into images at the export's scale."""

    def __init__(self, archive, scale):
        self.archive = archive
        self.scale = scale
        self.fonts = {}

    # Shapes ------------------------------------------------------------------------------

    def outline(self, shape, ox, oy, w, h):
        """The shape's outline as aggdraw path commands in image pixels; ox, oy is its origin."""
        s = self.scale
        points = items(shape.get('points'))
        cls = shape.get('_class')
        if not points:
            if cls == 'oval':
                return ('ellipse', (ox, oy, ox + w * s, oy + h * s))
            return ('rect', (ox, oy, ox + w * s, oy + h * s, number(shape.get('fixedRadius')) * s))
        if cls == 'rectangle':
            radius = number(shape.get('fixedRadius')) or max((number(p.get('cornerRadius')) for p in points), default=0)
            return ('rect', (ox, oy, ox + w * s, oy + h * s, radius * s))

        def at(text):
            x, y = point(text)
            return ox + x * w * s, oy + y * h * s

        path = [('moveto', at(points[0].get('point')))]
        count = len(points) if shape.get('isClosed', True) else len(points) - 1
        for i in range(count):
            a, b = points[i], points[(i + 1) % len(points)]
            curved = a.get('hasCurveFrom') or b.get('hasCurveTo') or a.get('curveMode', 1) not in (0, 1) \
                or b.get('curveMode', 1) not in (0, 1)
            if curved:
                path.append(('curveto', at(a.get('curveFrom', a.get('point'))) + at(b.get('curveTo', b.get('point')))
                             + at(b.get('point'))))
            else:
                path.append(('lineto', at(b.get('point'))))
        return ('path', (path, bool(shape.get('isClosed', True))))

    def draw_outline(self, draw, outline, pen, brush):
        import aggdraw
        kind, data = outline
        if kind == 'ellipse':
            draw.ellipse(data, pen, brush)
            return
        if kind == 'rect':
            x0, y0, x1, y1, r = data
            r = min(r, (x1 - x0) / 2, (y1 - y0) / 2)
            if r <= 0:
                draw.rectangle((x0, y0, x1, y1), pen, brush)
                return
            k = r * (1 - KAPPA)
            commands = [('moveto', (x0 + r, y0)), ('lineto', (x1 - r, y0)), ('curveto', (x1 - k, y0, x1, y0 + k, x1, y0 + r)),
                        ('lineto', (x1, y1 - r)), ('curveto', (x1, y1 - k, x1 - k, y1, x1 - r, y1)),
                        ('lineto', (x0 + r, y1)), ('curveto', (x0 + k, y1, x0, y1 - k, x0, y1 - r)),
                        ('lineto', (x0, y0 + r)), ('curveto', (x0, y0 + k, x0 + k, y0, x0 + r, y0))]
            data, closed = commands, True
        else:
            data, closed = data
        path = aggdraw.Path()
        for command, args in data:
            getattr(path, command)(*args)
        if closed:
            path.close()
        draw.path(path, pen, brush) if brush else draw.path(path, pen)

    def shape_image(self, layer):
        """The image of a shape layer (a shape group draws its parts with its own style when they
        have none) and its frame in the layer's coordinates."""
        import aggdraw
        from PIL import Image
        x, y, w, h = rect(layer)
        parts = [layer]
        if layer.get('_class') == 'shapeGroup':
            parts = [p for p in items(layer.get('layers')) if p.get('isVisible', True)]
        style = layer.get('style') if isinstance(layer.get('style'), dict) else {}
        pad = max([number(b.get('thickness'), 1) for b in enabled(style.get('borders'))] +
                  [number(b.get('thickness'), 1) for p in parts for b in enabled((p.get('style') or {}).get('borders'))] + [0])
        pad = int(pad + 1)
        iw, ih = lx.scaled_size(w + 2 * pad, h + 2 * pad, self.scale)
        image = Image.new('RGBA', (iw, ih), (0, 0, 0, 0))
        draw = aggdraw.Draw(image)
        origin = pad * self.scale
        for part in parts:
            part_style = part.get('style') if isinstance(part.get('style'), dict) else {}
            if part is not layer and not enabled(part_style.get('fills')) and not enabled(part_style.get('borders')):
                part_style = style
            px, py, pw, ph = (0, 0, w, h) if part is layer else rect(part)
            outline = self.outline(part, origin + px * self.scale, origin + py * self.scale, pw, ph)
            for fill in enabled(part_style.get('fills')):
                c = fill_colour(fill)
                if c:
                    self.draw_outline(draw, outline, None, aggdraw.Brush(c[:3], c[3]))
            for border in enabled(part_style.get('borders')):
                c = colour(border.get('color'))
                if c:
                    pen = aggdraw.Pen(c[:3], max(0.5, number(border.get('thickness'), 1) * self.scale), c[3])
                    self.draw_outline(draw, outline, pen, None)
        draw.flush()
        s = self.scale
        return image, (-lx.scaled(pad, s), -lx.scaled(pad, s), iw, ih)

    def background_image(self, layer):
        from PIL import Image
        c = colour(layer.get('backgroundColor'))
        if not layer.get('hasBackgroundColor') or not c:
            return None
        _, _, w, h = rect(layer)
        iw, ih = lx.scaled_size(w, h, self.scale)
        return Image.new('RGBA', (iw, ih), c), (0, 0, iw, ih)

    # Text --------------------------------------------------------------------------------

    def font(self, name, size):
        from PIL import ImageFont
        key = (name, size)
        if key not in self.fonts:
            try:
                file = subprocess.run(['fc-match', '-f', '%{file}', str(name or 'sans-serif')], capture_output=True,
                                      text=True, timeout=10).stdout.strip()
                self.fonts[key] = ImageFont.truetype(file, max(1, size))
            except (OSError, subprocess.SubprocessError, ValueError):
                self.fonts[key] = ImageFont.load_default()
        return self.fonts[key]

    def text_image(self, layer):
        from PIL import Image, ImageDraw
        x, y, w, h = rect(layer)
        attributed = layer.get('attributedString') if isinstance(layer.get('attributedString'), dict) else {}
        text = attributed.get('string') if isinstance(attributed.get('string'), str) else ''
        runs = items(attributed.get('attributes'))
        attributes = runs[0].get('attributes', {}) if runs else {}
        if not isinstance(attributes, dict):
            attributes = {}
        font_attr = (attributes.get('MSAttributedStringFontAttribute') or {}).get('attributes') or {}
        font_size = number(font_attr.get('size'), 14)
        c = colour(attributes.get('MSAttributedStringColorAttribute')) or (0, 0, 0, 255)
        alignment = ((attributes.get('paragraphStyle') or {}).get('alignment')) or 0
        iw, ih = lx.scaled_size(w, h, self.scale)
        image = Image.new('RGBA', (iw, ih), (0, 0, 0, 0))
        font_size = max(1.0, min(font_size, 1000.0))
        font = self.font(font_attr.get('name'), int(round(font_size * self.scale)))
        draw = ImageDraw.Draw(image)
        line_height = int(round(font_size * 1.2 * self.scale))
        top = 0
        for line in self.wrap(text, font, draw, iw if layer.get('textBehaviour') == 1 else None):
            width = draw.textlength(line, font=font)
            left = {1: iw - width, 2: (iw - width) / 2}.get(alignment, 0)
            draw.text((left, top), line, font=font, fill=c)
            top += line_height
            if top > ih + line_height:
                break
        return image, (0, 0, iw, ih)

    @staticmethod
    def wrap(text, font, draw, width):
        for paragraph in text.replace('\r\n', '\n').replace('\u2028', '\n').split('\n'):
            if width is None:
                yield paragraph
                continue
            line = ''
            for word in paragraph.split(' '):
                candidate = word if not line else line + ' ' + word
                if line and draw.textlength(candidate, font=font) > width:
                    yield line
                    line = word
                else:
                    line = candidate
            yield line

    # Bitmaps -----------------------------------------------------------------------------

    def bitmap_image(self, layer):
        from PIL import Image
        import io
        reference = layer.get('image') if isinstance(layer.get('image'), dict) else {}
        name = reference.get('_ref')
        if not isinstance(name, str):
            return None
        if name not in self.archive.names and name + '.png' in self.archive.names:
            name += '.png'
        data = self.archive.read(name, MAX_PART_BYTES)
        too_large = lx.ExportError('An image in the Sketch file is too large to import.')
        try:
            image = Image.open(io.BytesIO(data))  # reads only the header
            if image.size[0] * image.size[1] > lx.MAX_LAYER_PIXELS:
                raise too_large
            image = image.convert('RGBA')
        except Image.DecompressionBombError:
            raise too_large
        except (OSError, ValueError, SyntaxError):
            raise lx.ExportError('The Sketch file is damaged: the image "%s" cannot be read.' % name)
        _, _, w, h = rect(layer)
        iw, ih = lx.scaled_size(w, h, self.scale)
        if image.size != (iw, ih):
            image = image.resize((iw, ih), Image.LANCZOS)
        return image, (0, 0, iw, ih)


class SketchExport:
    def __init__(self, path, scale, folder):
        self.archive = Archive(path)
        self.scale = scale
        self.folder = folder
        self.renderer = Renderer(self.archive, scale)
        self.symbols = {}
        self.count = 0

    def check_version(self):
        meta = self.archive.json('meta.json') if 'meta.json' in self.archive.names else {}
        app_version = meta.get('appVersion')
        if app_version is not None and version_key(app_version) < (MIN_VERSION,):
            Archive.too_old()

    def pages(self):
        document = self.archive.json('document.json')
        references = [r.get('_ref') for r in items(document.get('pages'))]
        pages = []
        for reference in references:
            if isinstance(reference, str):
                name = reference if reference.endswith('.json') else reference + '.json'
                pages.append(self.archive.json(name))
        for foreign in items(document.get('foreignSymbols')):
            if isinstance(foreign.get('symbolMaster'), dict):
                self.collect_symbols([foreign['symbolMaster']], 0)
        return pages

    def collect_symbols(self, layers, depth):
        if depth > lx.MAX_DEPTH:
            raise lx.ExportError('The layers of this file are nested too deeply to import.')
        for layer in items(layers):
            if layer.get('_class') == 'symbolMaster' and isinstance(layer.get('symbolID'), str):
                self.symbols[layer['symbolID']] = layer
            self.collect_symbols(layer.get('layers'), depth + 1)

    def convert(self, layer, depth, symbol_path):
        if depth > lx.MAX_DEPTH:
            raise lx.ExportError('The layers of this file are nested too deeply to import.')
        self.count += 1
        if self.count > lx.MAX_LAYERS:
            raise lx.ExportError('This Sketch file has more than %d layers; that many cannot be imported.' % lx.MAX_LAYERS)
        if self.count % 25 == 0:
            lx.progress('Exported %d layers' % self.count)
        cls = layer.get('_class')
        x, y, w, h = rect(layer)
        s = self.scale
        name = layer.get('name') if isinstance(layer.get('name'), str) else ''
        node = lx.Layer(name, (lx.scaled(x, s), lx.scaled(y, s), lx.scaled(w, s), lx.scaled(h, s)), cls or 'layer')
        node.visible = layer.get('isVisible', True) is not False
        style = layer.get('style') if isinstance(layer.get('style'), dict) else {}
        node.opacity = max(0.0, min(1.0, number((style.get('contextSettings') or {}).get('opacity'), 1.0)))

        rendered = None
        children = []
        if cls in SHAPE_CLASSES:
            rendered = self.renderer.shape_image(layer)
        elif cls == 'text':
            rendered = self.renderer.text_image(layer)
        elif cls == 'bitmap':
            rendered = self.renderer.bitmap_image(layer)
        elif cls == 'symbolInstance':
            symbol_id = layer.get('symbolID')
            master = self.symbols.get(symbol_id)
            if master is not None and symbol_id not in symbol_path:
                rendered = self.renderer.background_image(dict(master, frame=layer.get('frame')))
                children = master.get('layers')
                symbol_path = symbol_path | {symbol_id}
        else:
            if cls == 'artboard':
                rendered = self.renderer.background_image(layer)
            children = layer.get('layers')

        if rendered:
            image, frame = rendered
            relative = self.folder.image_path(name)
            self.folder.save_image(relative, image)
            node.image = (relative, frame)
        node.children = self.convert_all(children, depth + 1, symbol_path)
        return node

    def convert_all(self, layers, depth, symbol_path):
        return [self.convert(layer, depth, symbol_path) for layer in items(layers)
                if layer.get('_class') not in SKIPPED_CLASSES]

    def run(self):
        self.check_version()
        pages = self.pages()
        for page in pages:
            self.collect_symbols(page.get('layers'), 0)
        layers = []
        for page in pages:
            lx.progress('Exporting page %s' % str(page.get('name', '')).replace('\n', ' '))
            layers.extend(self.convert_all(page.get('layers'), 0, frozenset()))
        return layers


def main(argv):
    if len(argv) != 4:
        print('The exporter was started with wrong arguments: it takes the design file, "zelvor.js", '
              'the output folder and the scale.', file=sys.stderr)
        return 2
    design, _script, output, scale_text = argv
    try:
        scale = lx.parse_scale(scale_text)
    except lx.ExportError as error:
        print(error, file=sys.stderr)
        return 2
    from PIL import Image
    Image.MAX_IMAGE_PIXELS = lx.MAX_LAYER_PIXELS
    return lx.run(lambda folder: SketchExport(design, scale, folder).run(), output)


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
