"""Writes small layered Photoshop documents for the exporter tests, byte by byte after the
format's description: RGB, 8 bits, raw or run-length channels, groups as section dividers."""

import struct


class PixelLayer:
    def __init__(self, name, box, color, visible=True, opacity=255):
        self.name, self.box, self.color = name, box, color  # box: (left, top, right, bottom)
        self.visible, self.opacity = visible, opacity


class Group:
    def __init__(self, name, children, visible=True):
        self.name, self.children, self.visible = name, children, visible


def _pascal(name):
    raw = name.encode('ascii', 'replace')[:255]
    data = bytes([len(raw)]) + raw
    return data + b'\0' * (-len(data) % 4)


def _extra(key, data):
    data += b'\0' * (len(data) % 2)
    return b'8BIM' + key + struct.pack('>I', len(data)) + data


def _unicode_name(name):
    utf16 = name.encode('utf-16-be')
    return _extra(b'luni', struct.pack('>I', len(utf16) // 2) + utf16)


def _rle_row(value, width):
    out = bytearray()
    while width > 0:
        n = min(width, 128)
        out += bytes([(257 - n) & 0xFF, value])
        width -= n
    return bytes(out)


def _channel(value, width, height, rle):
    if width == 0 or height == 0:
        return struct.pack('>H', 0)
    if not rle:
        return struct.pack('>H', 0) + bytes([value]) * (width * height)
    row = _rle_row(value, width)
    return struct.pack('>H', 1) + struct.pack('>H', len(row)) * height + row * height


def _flatten(layers):
    """Layer records bottom first, as the format stores them: a group is its closing divider,
    its children, then the group record itself."""
    records = []
    for layer in layers:
        if isinstance(layer, Group):
            records.append(('divider', layer))
            records.extend(_flatten(layer.children))
            records.append(('group', layer))
        else:
            records.append(('pixels', layer))
    return records


def write_psd(path, width, height, layers, rle=False):
    """layers: bottom first (drawing order)."""
    records, channel_data = b'', b''
    flat = _flatten(layers)
    for kind, layer in flat:
        if kind == 'pixels':
            left, top, right, bottom = layer.box
            r, g, b = layer.color
            w, h = right - left, bottom - top
            channels = [(-1, _channel(255, w, h, rle)), (0, _channel(r, w, h, rle)),
                        (1, _channel(g, w, h, rle)), (2, _channel(b, w, h, rle))]
            name, extra = layer.name, b''
        else:
            top = left = bottom = right = 0
            channels = [(i, _channel(0, 0, 0, rle)) for i in (-1, 0, 1, 2)]
            name = layer.name if kind == 'group' else '</Layer group>'
            extra = _extra(b'lsct', struct.pack('>I', 1 if kind == 'group' else 3))
        visible = getattr(layer, 'visible', True)
        opacity = getattr(layer, 'opacity', 255) if kind == 'pixels' else 255
        rec = struct.pack('>iiiiH', top, left, bottom, right, len(channels))
        for cid, data in channels:
            rec += struct.pack('>hI', cid, len(data))
        flags = 0x08 | (0x02 if not visible else 0) | (0x10 if kind != 'pixels' else 0)
        rec += b'8BIMnorm' + struct.pack('>BBBB', opacity, 0, flags, 0)
        extra_data = struct.pack('>I', 0) + struct.pack('>I', 0) + _pascal(name) + _unicode_name(name) + extra
        rec += struct.pack('>I', len(extra_data)) + extra_data
        records += rec
        channel_data += b''.join(data for _, data in channels)

    layer_info = struct.pack('>h', -len(flat)) + records + channel_data
    layer_info += b'\0' * (len(layer_info) % 2)
    section = struct.pack('>I', len(layer_info)) + layer_info + struct.pack('>I', 0)
    header = b'8BPS' + struct.pack('>H6xHIIHH', 1, 4, height, width, 8, 3)
    with open(path, 'wb') as f:
        f.write(header)
        f.write(struct.pack('>I', 0))  # colour mode data
        f.write(struct.pack('>I', 0))  # image resources
        f.write(struct.pack('>I', len(section)) + section)
        # The merged image: white, run-length coded so that big canvases stay small.
        f.write(struct.pack('>H', 1))
        row = _rle_row(255, width)
        f.write(struct.pack('>H', len(row)) * (height * 4))
        for _ in range(4):
            f.write(row * height)
