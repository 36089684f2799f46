"""Runs an exporter the way the application does and reads what it wrote."""

import json
import os
import subprocess
import tempfile
import unittest

from PIL import Image

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
RESOURCES = os.path.join(SOURCE, 'resources')
PYTHON = '/usr/bin/python3'  # the interpreter the application starts


class Result:
    def __init__(self, process, output):
        self.status = process.returncode
        self.stdout = process.stdout
        self.stderr = process.stderr
        self.output = output

    @property
    def message(self):
        lines = [line for line in self.stderr.splitlines() if line.strip()]
        return lines[-1] if lines else ''

    def tree(self):
        with open(os.path.join(self.output, 'layers.json'), encoding='utf-8') as f:
            return json.load(f)

    def image(self, layer):
        return Image.open(os.path.join(self.output, layer['image']['path'])).convert('RGBA')


def by_name(layers, name):
    found = [layer for layer in layers if layer['name'] == name]
    assert len(found) == 1, 'no single layer named %r in %r' % (name, [layer['name'] for layer in layers])
    return found[0]


def frame(layer, key='frame'):
    f = layer[key] if key == 'frame' else layer['image']['frame']
    return (f['x'], f['y'], f['width'], f['height'])


def all_layers(layers):
    for layer in layers:
        yield layer
        yield from all_layers(layer['children'])


class ExporterTestCase(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.TemporaryDirectory()
        self.addCleanup(self.work.cleanup)

    def path(self, *names):
        return os.path.join(self.work.name, *names)

    def run_exporter(self, tool, arguments, output, cwd=None, timeout=300):
        process = subprocess.run([PYTHON, os.path.join(RESOURCES, tool, 'run.py')] + arguments, cwd=cwd,
                                 capture_output=True, text=True, timeout=timeout)
        return Result(process, output)

    def assert_success(self, result):
        self.assertEqual(result.status, 0, result.stderr)
        self.assertTrue(os.path.isfile(os.path.join(result.output, 'layers.json.js')))

    def assert_failure(self, result, message_part):
        """Fails with one sentence, and leaves no output behind."""
        self.assertNotEqual(result.status, 0, result.stdout)
        self.assertIn(message_part, result.message)
        self.assertNotIn('Traceback', result.stderr)
        self.assertFalse(os.path.exists(os.path.join(result.output, 'layers.json')))

    def assert_only_inside(self, result):
        """Every file of the export lies in the output folder and every image is referenced once."""
        paths = [layer['image']['path'] for layer in all_layers(result.tree()) if 'image' in layer]
        self.assertEqual(len(paths), len(set(paths)))
        root = os.path.realpath(result.output)
        for path in paths:
            full = os.path.realpath(os.path.join(result.output, path))
            self.assertTrue(full.startswith(root + os.sep), path)
            self.assertTrue(os.path.isfile(full), path)
        written = {os.path.relpath(os.path.join(d, f), result.output) for d, _, fs in os.walk(result.output) for f in fs}
        self.assertEqual(written, set(paths) | {'layers.json', 'layers.json.js'})
