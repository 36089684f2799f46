"""What the design-file exporters share: the output folder they write, the names of its image
files, the limits that keep a hostile file from exhausting the machine, and the one-sentence
failure that the application shows to the user.

The output folder holds:
  images/<safe unique name>.png   one PNG per layer that has pixels
  layers.json                     the layer tree (see Layer.as_json)
  layers.json.js                  the same tree for a page that cannot read files: it registers
                                  the tree in window.__zelvorImportedLayers under the name of the
                                  folder it is loaded from

Only files inside the output folder are ever written, never through a symbolic link.
"""

import json
import os
import re
import resource
import sys

# A layer image larger than this (decoded or scaled) is refused: four bytes a pixel, and the
# scaling needs a second copy, so this keeps one layer below about 400 MB.
MAX_LAYER_PIXELS = 50_000_000
MAX_LAYERS = 10_000
MAX_DEPTH = 100
# The exporters need several times a file's size in memory.
MAX_FILE_BYTES = 1 << 30
# Above this the exporter fails with a message instead of pushing the machine into swap.
ADDRESS_SPACE_LIMIT = 8 << 30


class ExportError(Exception):
    """A failure with a sentence for the user."""


def limit_memory():
    try:
        soft, hard = resource.getrlimit(resource.RLIMIT_AS)
        if soft == resource.RLIM_INFINITY or soft > ADDRESS_SPACE_LIMIT:
            resource.setrlimit(resource.RLIMIT_AS, (ADDRESS_SPACE_LIMIT, hard))
    except (ValueError, OSError):
        pass


def progress(line):
    print(line, flush=True)


def info(obj):
    """A JSON-object line: information for the log rather than the status line."""
    print(json.dumps(obj, ensure_ascii=False), flush=True)


def parse_scale(text):
    try:
        scale = float(text)
    except (TypeError, ValueError):
        raise ExportError('The scale "%s" is not a number.' % text)
    if not (0.1 <= scale <= 8):
        raise ExportError('The scale must be between 0.1 and 8.')
    return scale


def check_file_size(path, kind):
    try:
        size = os.stat(path).st_size
    except OSError as error:
        raise ExportError('The %s file "%s" cannot be read (%s).' % (kind, os.path.basename(path), error.strerror))
    if size > MAX_FILE_BYTES:
        raise ExportError('The %s file is too large to import: files up to 1 GB can be imported.' % kind)
    return size


def scaled(value, scale):
    return int(round(value * scale))


def scaled_size(width, height, scale):
    """The pixel size of an image drawn at the scale; refused when it is too large."""
    w, h = max(1, scaled(width, scale)), max(1, scaled(height, scale))
    if width * height > MAX_LAYER_PIXELS or w * h > MAX_LAYER_PIXELS:
        raise ExportError('A layer is too large to import (%d × %d pixels at this scale); the limit is %d megapixels.'
                          % (w, h, MAX_LAYER_PIXELS // 1_000_000))
    return w, h


_UNSAFE = re.compile(r'[^A-Za-z0-9 _.-]+')


def safe_file_stem(name):
    stem = _UNSAFE.sub('_', name or '').strip(' .')
    stem = re.sub(r'\.{2,}', '_', stem)[:80].strip(' .')
    return stem or 'layer'


class Layer:
    """One layer of the tree. Frames are in the parent's coordinates (a top-level layer's in the
    document's or artboard's), at the chosen scale; children are in drawing order, the last on
    top."""

    def __init__(self, name, frame, kind='layer'):
        self.name = name
        self.frame = frame  # (x, y, width, height), already scaled
        self.kind = kind
        self.image = None  # (path, (x, y, width, height) in the layer's own coordinates)
        self.children = []
        self.visible = True
        self.opacity = 1.0

    def as_json(self):
        x, y, w, h = self.frame
        data = {'name': self.name, 'kind': self.kind,
                'frame': {'x': x, 'y': y, 'width': w, 'height': h}}
        if not self.visible:
            data['visible'] = False
        if self.opacity < 1:
            data['opacity'] = round(self.opacity, 3)
        if self.image:
            path, (ix, iy, iw, ih) = self.image
            data['image'] = {'path': path, 'frame': {'x': ix, 'y': iy, 'width': iw, 'height': ih}}
        data['children'] = [child.as_json() for child in self.children]
        return data


class OutputFolder:
    """The export's output folder. Files are created fresh (never through an existing link);
    discard() removes what this export wrote when it fails."""

    def __init__(self, path):
        self.path = os.path.abspath(path)
        self.created = []
        self.names = set()
        self.made_folders = []
        self._make_folder(self.path)
        self._make_folder(os.path.join(self.path, 'images'))

    def _make_folder(self, path):
        if os.path.islink(path):
            raise ExportError('The output folder "%s" is a link; choose a plain folder.' % path)
        if not os.path.isdir(path):
            try:
                os.mkdir(path)
            except OSError as error:
                raise ExportError('The output folder "%s" cannot be created (%s).' % (path, error.strerror))
            self.made_folders.append(path)

    def image_path(self, layer_name):
        """A new relative path for a layer's image: safe for any file system, unique in the export."""
        stem = safe_file_stem(layer_name)
        candidate, n = stem, 1
        while candidate.lower() in self.names:
            n += 1
            candidate = '%s-%d' % (stem, n)
        self.names.add(candidate.lower())
        return 'images/%s.png' % candidate

    def _open(self, relative):
        full = os.path.join(self.path, relative)
        if os.path.lexists(full):
            os.unlink(full)  # a file of an earlier export or a planted link: replaced, not followed
        fd = os.open(full, os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_NOFOLLOW, 0o644)
        self.created.append(full)
        return os.fdopen(fd, 'wb')

    def save_image(self, relative, image):
        with self._open(relative) as f:
            image.save(f, 'PNG', compress_level=1)

    def write_tree(self, layers):
        tree = [layer.as_json() for layer in layers]
        text = json.dumps(tree, ensure_ascii=False, separators=(',', ':'))
        with self._open('layers.json') as f:
            f.write(text.encode('utf-8'))
        # Registered under the name of the folder the script is loaded from, so that an import
        # moved into place after the export still finds its tree.
        fallback = json.dumps(os.path.basename(self.path.rstrip('/')), ensure_ascii=False)
        script = ('(function (tree) {\n'
                  '  var all = window.__zelvorImportedLayers = window.__zelvorImportedLayers || {};\n'
                  '  var script = document.currentScript;\n'
                  '  var match = script && /([^\\/]+)\\/layers\\.json\\.js(?:[?#].*)?$/.exec(script.src);\n'
                  '  all[match ? decodeURIComponent(match[1]) : %s] = tree;\n'
                  '})(%s);\n' % (fallback, text))
        # Both are line ends in JavaScript source older engines reject inside strings.
        script = script.replace('\u2028', '\\u2028').replace('\u2029', '\\u2029')
        with self._open('layers.json.js') as f:
            f.write(script.encode('utf-8'))

    def discard(self):
        for path in reversed(self.created):
            try:
                os.unlink(path)
            except OSError:
                pass
        for path in reversed(self.made_folders):
            try:
                os.rmdir(path)
            except OSError:
                pass


def count_layers(layers):
    return sum(1 + count_layers(layer.children) for layer in layers)


def run(export, output_path):
    """Runs export(folder) and turns every failure into one sentence on stderr and exit 1."""
    limit_memory()
    folder = None
    try:
        folder = OutputFolder(output_path)
        layers = export(folder)
        folder.write_tree(layers)
        progress('Exported %d layers' % count_layers(layers))
        return 0
    except ExportError as error:
        message = str(error)
    except MemoryError:
        message = 'There is not enough memory to import this file.'
    except RecursionError:
        message = 'The layers of this file are nested too deeply to import.'
    except OSError as error:
        message = 'The import could not be written (%s).' % (error.strerror or error)
    except Exception as error:  # a file the readers could not make sense of
        message = 'The file could not be read: it may be damaged (%s).' % (str(error).splitlines() or [type(error).__name__])[0]
    if folder:
        folder.discard()
    sys.stdout.flush()
    print(message.replace('\n', ' '), file=sys.stderr, flush=True)
    return 1
