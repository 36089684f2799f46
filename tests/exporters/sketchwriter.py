"""Writes Sketch documents for the exporter tests after the open file format: a zip archive of
document.json, meta.json, pages/<id>.json and images/."""

import io
import itertools
import json
import struct
import zlib
import zipfile

from PIL import Image

_ids = itertools.count(1)


def _frame(x, y, w, h):
    return {'_class': 'rect', 'constrainProportions': False, 'x': x, 'y': y, 'width': w, 'height': h}


def colour(r, g, b, a=1.0):
    return {'_class': 'color', 'red': r, 'green': g, 'blue': b, 'alpha': a}


def style(fill=None, border=None, thickness=1, opacity=1.0, position=1, shadow=None):
    """position: 0 centred on the outline, 1 inside, 2 outside; shadow: (colour, x, y, blur, spread)."""
    data = {'_class': 'style',
            'fills': [{'_class': 'fill', 'isEnabled': True, 'fillType': 0, 'color': fill}] if fill else [],
            'borders': [{'_class': 'border', 'isEnabled': True, 'fillType': 0, 'color': border, 'position': position,
                         'thickness': thickness}] if border else [],
            'contextSettings': {'_class': 'graphicsContextSettings', 'blendMode': 0, 'opacity': opacity}}
    if shadow:
        color, x, y, blur, spread = shadow
        data['shadows'] = [{'_class': 'shadow', 'isEnabled': True, 'color': color, 'offsetX': x, 'offsetY': y,
                            'blurRadius': blur, 'spread': spread}]
    return data


def layer(cls, name, frame, **fields):
    data = {'_class': cls, 'do_objectID': 'ID-%d' % next(_ids), 'name': name, 'isVisible': True,
            'frame': _frame(*frame), 'style': style()}
    data.update(fields)
    return data


def group(name, frame, children, cls='group'):
    return layer(cls, name, frame, layers=children)


def rectangle(name, frame, fill, radius=0, **fields):
    corners = ['{0, 0}', '{1, 0}', '{1, 1}', '{0, 1}']
    points = [{'_class': 'curvePoint', 'cornerRadius': radius, 'curveFrom': p, 'curveTo': p, 'curveMode': 1,
               'hasCurveFrom': False, 'hasCurveTo': False, 'point': p} for p in corners]
    fields.setdefault('style', style(fill))
    return layer('rectangle', name, frame, points=points, isClosed=True, fixedRadius=radius, **fields)


# Resizing constraints: a cleared bit fixes that measure; 63 fixes nothing (the layer stretches).
RIGHT, WIDTH, LEFT, BOTTOM, HEIGHT, TOP = 1, 2, 4, 8, 16, 32


def fixed(*measures):
    return 63 & ~sum(measures)


def oval(name, frame, fill, border=None, **fields):
    p = lambda x, y: '{%g, %g}' % (x, y)  # noqa: E731
    k = 0.2238576251
    points = [
        {'point': p(0.5, 0), 'curveFrom': p(0.5 + k, 0), 'curveTo': p(0.5 - k, 0)},
        {'point': p(1, 0.5), 'curveFrom': p(1, 0.5 + k), 'curveTo': p(1, 0.5 - k)},
        {'point': p(0.5, 1), 'curveFrom': p(0.5 - k, 1), 'curveTo': p(0.5 + k, 1)},
        {'point': p(0, 0.5), 'curveFrom': p(0, 0.5 - k), 'curveTo': p(0, 0.5 + k)},
    ]
    for point in points:
        point.update({'_class': 'curvePoint', 'curveMode': 2, 'hasCurveFrom': True, 'hasCurveTo': True})
    fields.setdefault('style', style(fill, border, 2))
    return layer('oval', name, frame, points=points, isClosed=True, **fields)


def triangle_path(name, frame, fill):
    points = [{'_class': 'curvePoint', 'point': pt, 'curveFrom': pt, 'curveTo': pt, 'curveMode': 1}
              for pt in ('{0.5, 0}', '{1, 1}', '{0, 1}')]
    return layer('shapePath', name, frame, style=style(fill), points=points, isClosed=True)


def text(name, frame, string, size=16, color=None):
    attributes = {'MSAttributedStringFontAttribute': {'_class': 'fontDescriptor', 'attributes': {'name': 'DejaVu Sans', 'size': size}},
                  'MSAttributedStringColorAttribute': color or colour(0, 0, 0)}
    return layer('text', name, frame, textBehaviour=0, attributedString={
        '_class': 'attributedString', 'string': string,
        'attributes': [{'_class': 'stringAttribute', 'location': 0, 'length': len(string), 'attributes': attributes}]})


def bitmap(name, frame, reference):
    return layer('bitmap', name, frame, image={'_class': 'MSJSONFileReference', '_ref_class': 'MSImageData', '_ref': reference})


def symbol_master(name, frame, symbol_id, children):
    return layer('symbolMaster', name, frame, symbolID=symbol_id, layers=children, hasBackgroundColor=False)


def symbol_instance(name, frame, symbol_id, **fields):
    return layer('symbolInstance', name, frame, symbolID=symbol_id, **fields)


def artboard(name, frame, children, background=None):
    return layer('artboard', name, frame, layers=children, hasBackgroundColor=bool(background),
                 backgroundColor=background or colour(1, 1, 1))


def png(size, rgba):
    buffer = io.BytesIO()
    Image.new('RGBA', size, rgba).save(buffer, 'PNG')
    return buffer.getvalue()


def png_header_only(width, height):
    """A PNG that claims a size its data does not have: readers must look before they decode."""
    data = bytearray(png((1, 1), (0, 0, 0, 255)))
    data[16:24] = struct.pack('>II', width, height)
    data[29:33] = struct.pack('>I', zlib.crc32(bytes(data[12:29])))
    return bytes(data)


def write_sketch(path, pages, images=None, app_version='70.3', extra=None):
    """pages: list of (name, layers); images: {archive name: bytes}; extra: {archive name: bytes}."""
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as archive:
        references = []
        for name, layers in pages:
            page_id = 'PAGE-%d' % next(_ids)
            page = {'_class': 'page', 'do_objectID': page_id, 'name': name, 'frame': _frame(0, 0, 0, 0), 'layers': layers}
            archive.writestr('pages/%s.json' % page_id, json.dumps(page))
            references.append({'_class': 'MSJSONFileReference', '_ref_class': 'MSImmutablePage', '_ref': 'pages/' + page_id})
        archive.writestr('document.json', json.dumps({'_class': 'document', 'do_objectID': 'DOC', 'pages': references,
                                                      'foreignSymbols': []}))
        archive.writestr('meta.json', json.dumps({'appVersion': app_version, 'version': 136,
                                                  'pagesAndArtboards': {}}))
        archive.writestr('user.json', '{}')
        for name, data in (images or {}).items():
            archive.writestr(name, data)
        for name, data in (extra or {}).items():
            archive.writestr(name, data)
