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
images. Artboards and loose layers of every page become top-level layers; groups keep their
children, and a symbol instance gets its master's layers laid out for the instance's size;
shapes, text and bitmaps become images drawn with aggdraw and PIL, in straight (not
premultiplied) alpha. A layer's frame is its frame in the design; its image covers the same
pixels, widened only where borders, shadows or a blur reach outside. Rotation, flips, boolean
operations between shapes, inner shadows, other blurs, symbol overrides and gradient fills (drawn
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
        except RecursionError:
            raise lx.ExportError('The layers of this file are nested too deeply to import.')
        except ValueError:
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


def layer_blur(style):
    """The radius of the style's Gaussian blur in points, or 0."""
    blur = style.get('blur') if isinstance(style, dict) else None
    if not isinstance(blur, dict) or not blur.get('isEnabled') or blur.get('type', 0) != 0:
        return 0.0
    return max(0.0, min(number(blur.get('radius')), 250.0))


def fill_colour(fill):
    if fill.get('fillType', 0) == 1:  # gradient: its first stop
        gradient = fill.get('gradient') if isinstance(fill.get('gradient'), dict) else {}
        stops = items(gradient.get('stops'))
        return colour(stops[0].get('color')) if stops else None
    if fill.get('fillType', 0) != 0:
        return None
    return colour(fill.get('color'), number((fill.get('contextSettings') or {}).get('opacity'), 1.0))


# Bits of a layer's resizing constraint; a cleared bit fixes that measure.
FIXED_RIGHT, FIXED_WIDTH, FIXED_LEFT, FIXED_BOTTOM, FIXED_HEIGHT, FIXED_TOP = 1, 2, 4, 8, 16, 32


def resized_span(start, size, old, new, fixed_start, fixed_size, fixed_end):
    """Where a layer spans along one axis when its parent grows from old to new: the margins and
    the size that are fixed keep their length, the others share the change in proportion to
    their lengths (nothing fixed: everything stretches with the parent)."""
    spans = [start, size, old - start - size]
    fixed = [fixed_start, fixed_size, fixed_end]
    if all(fixed):
        fixed[1] = False
    free = [i for i in range(3) if not fixed[i]]
    total = sum(max(0.0, spans[i]) for i in free)
    change = new - old
    for i in free:
        share = max(0.0, spans[i]) / total if total > 0 else 1.0 / len(free)
        spans[i] += change * share
    return spans[0], max(0.0, spans[1])


def resized(layer, old, new):
    """A copy of the layer as it stands in a parent resized from size old to size new."""
    constraint = layer.get('resizingConstraint')
    constraint = int(constraint) & 63 if isinstance(constraint, (int, float)) and not isinstance(constraint, bool) else 63
    x, y, w, h = rect(layer)
    nx, nw = resized_span(x, w, old[0], new[0], not constraint & FIXED_LEFT, not constraint & FIXED_WIDTH,
                          not constraint & FIXED_RIGHT)
    ny, nh = resized_span(y, h, old[1], new[1], not constraint & FIXED_TOP, not constraint & FIXED_HEIGHT,
                          not constraint & FIXED_BOTTOM)
    copy = dict(layer, frame=dict(layer.get('frame') if isinstance(layer.get('frame'), dict) else {},
                                  x=nx, y=ny, width=nw, height=nh))
    if layer.get('_class') == 'shapeGroup' and (nw, nh) != (w, h):
        # The parts of a shape are drawn with it: they stretch with it.
        copy['layers'] = [dict(part, resizingConstraint=63) for part in items(layer.get('layers'))]
        copy['layers'] = [resized(part, (w, h), (nw, nh)) for part in copy['layers']]
    return copy


class Renderer:
    """Draws shapes, text and bitmaps into images at the export's scale."""

    def __init__(self, archive, scale):
        self.archive = archive
        self.scale = scale
        self.fonts = {}

    # Shapes ------------------------------------------------------------------------------
    #
    # Every paint (fill, border, shadow, text) is drawn as a coverage mask and laid over the
    # image in its own colour, so a partly covered pixel keeps its colour and only its alpha
    # drops: PNG holds straight alpha, and a viewer blends it over whatever lies beneath.

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

    @staticmethod
    def is_closed(outline):
        return outline[0] != 'path' or outline[1][1]

    def draw_outline(self, mask, outline, width=None):
        """Draws the outline's coverage into an 'L' mask: filled, or stroked this wide."""
        import aggdraw
        draw = aggdraw.Draw(mask)
        pen = aggdraw.Pen(255, width, 255) if width else None
        brush = None if width else aggdraw.Brush(255, 255)
        kind, data = outline
        if kind == 'ellipse':
            draw.ellipse(data, pen, brush)
            draw.flush()
            return mask
        if kind == 'rect':
            x0, y0, x1, y1, r = data
            r = min(r, (x1 - x0) / 2, (y1 - y0) / 2)
            if r <= 0:
                draw.rectangle((x0, y0, x1, y1), pen, brush)
                draw.flush()
                return mask
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
        if brush:
            draw.path(path, brush)
        else:
            draw.path(path, pen)
        draw.flush()
        return mask

    @staticmethod
    def paint(image, mask, c):
        """Lays colour c (straight RGBA) over the image where the mask covers it."""
        from PIL import Image
        if not c or c[3] <= 0:
            return image
        layer = Image.new('RGBA', image.size, c[:3] + (0,))
        layer.putalpha(mask if c[3] >= 255 else mask.point(lambda v: v * c[3] // 255))
        return Image.alpha_composite(image, layer)

    def border_mask(self, size, outline, area, border):
        """The coverage of a border: centred on the outline, inside or outside its area."""
        from PIL import Image, ImageChops
        thickness = max(0.5, number(border.get('thickness'), 1)) * self.scale
        position = border.get('position', 0) if self.is_closed(outline) else 0
        if position not in (1, 2):
            return self.draw_outline(Image.new('L', size, 0), outline, thickness)
        stroke = self.draw_outline(Image.new('L', size, 0), outline, 2 * thickness)
        return ImageChops.multiply(stroke, area if position == 1 else ImageChops.invert(area))

    def shadow_mask(self, area, shadow):
        from PIL import ImageChops, ImageFilter
        s = self.scale
        spread = int(round(number(shadow.get('spread')) * s))
        mask = area.filter(ImageFilter.MaxFilter(2 * min(spread, 50) + 1)) if spread > 0 else area
        mask = ImageChops.offset(mask, int(round(number(shadow.get('offsetX')) * s)), int(round(number(shadow.get('offsetY')) * s)))
        blur = number(shadow.get('blurRadius')) * s
        return mask.filter(ImageFilter.GaussianBlur(blur / 2)) if blur > 0 else mask

    @staticmethod
    def reach(style, parts):
        """How far (in points) the layer's paint reaches past its frame: left, top, right, bottom.
        Borders centred on the outline reach half their thickness out, outside ones all of it;
        shadows reach by spread and blur, shifted by their offset; a blur by its radius."""
        left = top = right = bottom = 0.0
        for part_style in [style] + [p.get('style') for p in parts]:
            if not isinstance(part_style, dict):
                continue
            for border in enabled(part_style.get('borders')):
                t = max(0.5, number(border.get('thickness'), 1))
                out = {1: 0.0, 2: t}.get(border.get('position', 0), t / 2)
                left, top, right, bottom = max(left, out), max(top, out), max(right, out), max(bottom, out)
        for shadow in enabled(style.get('shadows')):
            extent = max(0.0, number(shadow.get('spread'))) + 1.5 * max(0.0, number(shadow.get('blurRadius')))
            dx, dy = number(shadow.get('offsetX')), number(shadow.get('offsetY'))
            left, right = max(left, extent - dx), max(right, extent + dx)
            top, bottom = max(top, extent - dy), max(bottom, extent + dy)
        blur = layer_blur(style)
        if blur:
            left, top, right, bottom = left + 1.5 * blur, top + 1.5 * blur, right + 1.5 * blur, bottom + 1.5 * blur
        return left, top, right, bottom

    def canvas(self, layer, reach):
        """An empty image for the layer: its frame's pixels, widened by the reach of its paint,
        with the frame's origin in it."""
        import math
        from PIL import Image
        _, _, w, h = rect(layer)
        s = self.scale
        fw, fh = lx.scaled_size(w, h, s)
        left, top, right, bottom = (int(math.ceil(max(0.0, r) * s - 1e-6)) for r in reach)
        iw, ih = lx.scaled_size((fw + left + right) / s, (fh + top + bottom) / s, s)
        return Image.new('RGBA', (iw, ih), (0, 0, 0, 0)), left, top

    def finish(self, image, style, left, top):
        """Blurs the drawn layer when its style says so; answers the image and its frame in the
        layer's coordinates."""
        from PIL import ImageFilter
        blur = layer_blur(style)
        if blur:
            # Blurred with the colours weighted by their alpha, so no dark rim bleeds in.
            image = image.convert('RGBa').filter(ImageFilter.GaussianBlur(blur * self.scale / 2)).convert('RGBA')
        return image, (-left, -top, image.size[0], image.size[1])

    def shape_image(self, layer):
        """The image of a shape layer (a shape group draws its parts with its own style when they
        have none) and its frame in the layer's coordinates."""
        from PIL import Image, ImageChops
        _, _, w, h = rect(layer)
        parts = [layer]
        if layer.get('_class') == 'shapeGroup':
            parts = [p for p in items(layer.get('layers')) if p.get('isVisible', True)]
        style = layer.get('style') if isinstance(layer.get('style'), dict) else {}
        image, left, top = self.canvas(layer, self.reach(style, parts))
        s = self.scale
        outlines = []
        for part in parts:
            part_style = part.get('style') if isinstance(part.get('style'), dict) else {}
            if part is not layer and not enabled(part_style.get('fills')) and not enabled(part_style.get('borders')):
                part_style = style
            px, py, pw, ph = (0, 0, w, h) if part is layer else rect(part)
            outline = self.outline(part, left + px * s, top + py * s, pw, ph)
            area = self.draw_outline(Image.new('L', image.size, 0), outline) if self.is_closed(outline) \
                else Image.new('L', image.size, 0)
            outlines.append((outline, area, part_style))
        # Shadows lie beneath everything the shape draws, cast by its whole area.
        shadows = enabled(style.get('shadows'))
        if shadows:
            whole = outlines[0][1]
            for _, area, _ in outlines[1:]:
                whole = ImageChops.lighter(whole, area)
            for shadow in shadows:
                image = self.paint(image, self.shadow_mask(whole, shadow), colour(shadow.get('color')))
        for outline, area, part_style in outlines:
            for fill in enabled(part_style.get('fills')):
                image = self.paint(image, area, fill_colour(fill))
            for border in enabled(part_style.get('borders')):
                image = self.paint(image, self.border_mask(image.size, outline, area, border), colour(border.get('color')))
        return self.finish(image, style, left, top)

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
        style = layer.get('style') if isinstance(layer.get('style'), dict) else {}
        image, ox, oy = self.canvas(layer, self.reach({'shadows': style.get('shadows'), 'blur': style.get('blur')}, []))
        iw, ih = lx.scaled_size(w, h, self.scale)
        font_size = max(1.0, min(font_size, 1000.0))
        font = self.font(font_attr.get('name'), int(round(font_size * self.scale)))
        # The glyphs' coverage, coloured afterwards: text drawn straight onto a transparent image
        # would darken its own antialiased edges.
        mask = Image.new('L', image.size, 0)
        draw = ImageDraw.Draw(mask)
        line_height = int(round(font_size * 1.2 * self.scale))
        top = 0
        for line in self.wrap(text, font, draw, iw if layer.get('textBehaviour') == 1 else None):
            width = draw.textlength(line, font=font)
            left = {1: iw - width, 2: (iw - width) / 2}.get(alignment, 0)
            draw.text((ox + left, oy + top), line, font=font, fill=255)
            top += line_height
            if top > ih + line_height:
                break
        for shadow in enabled(style.get('shadows')):
            image = self.paint(image, self.shadow_mask(mask, shadow), colour(shadow.get('color')))
        image = self.paint(image, mask, c)
        return self.finish(image, style, ox, oy)

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

    def convert(self, layer, depth, symbol_path, resize=None):
        """The layer of the tree for one layer of the file. resize is (old size, new size) of a
        parent laid out at another size than the file gives it (a symbol's instance)."""
        if depth > lx.MAX_DEPTH:
            raise lx.ExportError('The layers of this file are nested too deeply to import.')
        self.count += 1
        if self.count > lx.MAX_LAYERS:
            raise lx.ExportError('This Sketch file has more than %d layers; that many cannot be imported.' % lx.MAX_LAYERS)
        if self.count % 25 == 0:
            lx.progress('Exported %d layers' % self.count)
        cls = layer.get('_class')
        own_size = rect(layer)[2:]
        if resize:
            layer = resized(layer, *resize)
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
            # Wherever it stands, an instance is a layer of its own size: its picture is what
            # the master draws itself (its background, when instances show it), and its
            # children are the master's layers, laid out for the instance's size as the
            # designer's resizing constraints say.
            symbol_id = layer.get('symbolID')
            master = self.symbols.get(symbol_id)
            if master is not None and symbol_id not in symbol_path:
                if master.get('includeBackgroundColorInInstance', True) is not False:
                    rendered = self.renderer.background_image(dict(master, frame=layer.get('frame')))
                children = master.get('layers')
                symbol_path = symbol_path | {symbol_id}
                own_size = rect(master)[2:]
        else:
            if cls == 'artboard':
                rendered = self.renderer.background_image(layer)
            children = layer.get('layers')

        if rendered:
            image, frame = rendered
            relative = self.folder.image_path(name)
            self.folder.save_image(relative, image)
            node.image = (relative, frame)
        inner = (own_size, (w, h)) if own_size != (w, h) and cls != 'artboard' else None
        node.children = self.convert_all(children, depth + 1, symbol_path, inner)
        return node

    def convert_all(self, layers, depth, symbol_path, resize=None):
        return [self.convert(layer, depth, symbol_path, resize) for layer in items(layers)
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
