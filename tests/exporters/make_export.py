"""Writes the test design of the Sketch exporter tests and exports it, as the application would:
    python3 make_export.py <output folder> <scale>
Used by the page tests of the library's importer."""

import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import sketchwriter as sk  # noqa: E402
from exportertest import PYTHON, RESOURCES  # noqa: E402
from test_sketch_export import design_pages  # noqa: E402

output, scale = sys.argv[1], sys.argv[2]
with tempfile.TemporaryDirectory() as work:
    design = os.path.join(work, 'Home.sketch')
    sk.write_sketch(design, design_pages(), images={'images/photo.png': sk.png((20, 10), (0, 0, 255, 255))})
    tool = os.path.join(RESOURCES, 'zelvorsketch')
    sys.exit(subprocess.run([PYTHON, os.path.join(tool, 'run.py'), design, 'zelvor.js', output, scale], cwd=tool).returncode)
