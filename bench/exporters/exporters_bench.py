"""Export of a 200-layer design at scale 2 by each exporter, beside a bare copy of the same
images (what any import must at least do) measured in the same run. Prints "name: number"."""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, '..', '..', 'tests', 'exporters'))

import psdwriter as psd  # noqa: E402
import sketchwriter as sk  # noqa: E402
from exportertest import PYTHON, RESOURCES  # noqa: E402

LAYERS = 200
ROUNDS = 3


def sketch_design(path):
    layers = []
    for i in range(LAYERS):
        x, y = (i % 10) * 36, (i // 10) * 36
        kind = i % 4
        if kind == 0:
            layers.append(sk.rectangle('Box %d' % i, (x, y, 32, 32), sk.colour(1, 0, 0), radius=4))
        elif kind == 1:
            layers.append(sk.oval('Dot %d' % i, (x, y, 32, 32), sk.colour(0, 1, 0), border=sk.colour(0, 0, 1)))
        elif kind == 2:
            layers.append(sk.text('Label %d' % i, (x, y, 32, 16), 'T%d' % i, size=12))
        else:
            layers.append(sk.bitmap('Photo %d' % i, (x, y, 32, 32), 'images/photo.png'))
    board = sk.artboard('Screen', (0, 0, 360, 720), layers, background=sk.colour(1, 1, 1))
    sk.write_sketch(path, [('Page', [board])], images={'images/photo.png': sk.png((64, 64), (0, 0, 255, 255))})


def psd_design(path):
    layers = [psd.PixelLayer('Layer %d' % i, ((i % 10) * 36, (i // 10) * 36, (i % 10) * 36 + 32, (i // 10) * 36 + 32),
                             (i % 256, 128, 255 - i % 256)) for i in range(LAYERS)]
    psd.write_psd(path, 360, 720, layers)


def timed(action):
    start = time.perf_counter()
    action()
    return (time.perf_counter() - start) * 1000


def measure(name, command, work):
    exports, copies = [], []
    for round_ in range(ROUNDS):
        output = os.path.join(work, '%s-%d@2x' % (name, round_))
        elapsed = timed(lambda: subprocess.run(command(output), check=True, stdout=subprocess.DEVNULL,
                                               cwd=os.path.join(RESOURCES, 'zelvorsketch')))
        exports.append(elapsed)
        images = os.path.join(output, 'images')
        target = os.path.join(work, '%s-copy-%d' % (name, round_))

        def copy():
            os.mkdir(target)
            for entry in os.listdir(images):
                shutil.copyfile(os.path.join(images, entry), os.path.join(target, entry))
        copies.append(timed(copy))
    print('%s import ms: %d' % (name, statistics.median(exports)), flush=True)
    print('%s import bare copy ms: %d' % (name, statistics.median(copies)), flush=True)


def main():
    with tempfile.TemporaryDirectory() as work:
        sketch_file, psd_file = os.path.join(work, 'Bench.sketch'), os.path.join(work, 'Bench.psd')
        sketch_design(sketch_file)
        psd_design(psd_file)
        measure('sketch', lambda out: [PYTHON, os.path.join(RESOURCES, 'zelvorsketch', 'run.py'), sketch_file,
                                       'zelvor.js', out, '2'], work)
        measure('psd', lambda out: [PYTHON, os.path.join(RESOURCES, 'zelvorps', 'run.py'), '-o', out, '--scale', '2',
                                    psd_file], work)


if __name__ == '__main__':
    main()
