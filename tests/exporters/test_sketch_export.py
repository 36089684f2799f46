import os
import unittest
import zipfile

import sketchwriter as sk
from exportertest import RESOURCES, ExporterTestCase, all_layers, by_name, frame

RED, BLUE, GREEN = sk.colour(1, 0, 0), sk.colour(0, 0, 1), sk.colour(0, 1, 0)
HOSTILE_NAME = 'Tab/../"bar"\nitem'


def design_pages():
    button = sk.symbol_master('Button', (500, 0, 80, 30), 'SYMBOL-BUTTON', [
        sk.rectangle('Button Background', (0, 0, 80, 30), BLUE, radius=6),
        sk.text('Button Label', (10, 5, 60, 20), 'OK', color=sk.colour(1, 1, 1)),
    ])
    home = sk.artboard('Home', (0, 0, 200, 300), [
        sk.group('Header', (0, 0, 200, 60), [
            sk.rectangle('Red Bar', (0, 0, 200, 50), RED),
            sk.group('Icons', (10, 10, 40, 40), [sk.oval('Dot', (5, 5, 20, 20), GREEN, border=BLUE)]),
        ]),
        sk.symbol_instance('OK Button', (20, 100, 80, 30), 'SYMBOL-BUTTON'),
        sk.text('Title', (20, 150, 160, 24), 'Welcome home', size=18),
        sk.bitmap('Photo', (20, 200, 40, 20), 'images/photo.png'),
        sk.triangle_path('Arrow', (100, 200, 30, 30), RED),
        sk.rectangle(HOSTILE_NAME, (0, 280, 10, 10), GREEN),
        sk.rectangle(HOSTILE_NAME, (10, 280, 10, 10), GREEN, isVisible=False),
        sk.layer('slice', 'Export Slice', (0, 0, 10, 10)),
    ], background=sk.colour(0.9, 0.9, 0.9))
    return [('Page 1', [home]), ('Symbols', [button])]


class SketchExport(ExporterTestCase):
    def design(self, name='My Screens.sketch', **options):
        path = self.path(name)
        sk.write_sketch(path, design_pages(), images={'images/photo.png': sk.png((20, 10), (0, 0, 255, 255))}, **options)
        return path

    def export(self, design, scale='1', output=None):
        output = output or self.path('out@%sx' % scale)
        return self.run_exporter('zelvorsketch', [design, 'zelvor.js', output, scale], output,
                                 cwd=os.path.join(RESOURCES, 'zelvorsketch'))

    def test_names_frames_nesting_and_images_at_scales_1_and_2(self):
        design = self.design()
        for s in (1, 2):
            result = self.export(design, str(s))
            self.assert_success(result)
            tree = result.tree()
            self.assertEqual([layer['name'] for layer in tree], ['Home'])  # masters and slices are no layers
            home = tree[0]
            self.assertEqual(frame(home), (0, 0, 200 * s, 300 * s))
            self.assertEqual(result.image(home).getpixel((5, 5))[:3], (230, 230, 230))
            self.assertEqual([c['name'] for c in home['children']],
                             ['Header', 'OK Button', 'Title', 'Photo', 'Arrow', HOSTILE_NAME, HOSTILE_NAME])

            header = by_name(home['children'], 'Header')
            self.assertNotIn('image', header)
            red = by_name(header['children'], 'Red Bar')
            self.assertEqual(frame(red), (0, 0, 200 * s, 50 * s))
            image = result.image(red)
            ix, iy, iw, ih = frame(red, 'image')
            self.assertEqual(image.size, (iw, ih))
            self.assertEqual(image.getpixel((100 * s - ix, 25 * s - iy)), (255, 0, 0, 255))  # the red rectangle is red
            dot = by_name(by_name(header['children'], 'Icons')['children'], 'Dot')
            self.assertEqual(frame(dot), (5 * s, 5 * s, 20 * s, 20 * s))
            dot_image = result.image(dot)
            dx, dy = -frame(dot, 'image')[0], -frame(dot, 'image')[1]
            self.assertEqual(dot_image.getpixel((dx + 10 * s, dy + 10 * s)), (0, 255, 0, 255))  # the centre
            self.assertEqual(dot_image.getpixel((dx + 1, dy + 1))[3], 0)  # outside the circle

            button = by_name(home['children'], 'OK Button')
            self.assertEqual(frame(button), (20 * s, 100 * s, 80 * s, 30 * s))
            self.assertEqual([c['name'] for c in button['children']], ['Button Background', 'Button Label'])
            label = result.image(button['children'][1])
            self.assertTrue(any(p[3] and p[0] > 200 for p in label.getdata()), 'the white label was drawn')

            title = by_name(home['children'], 'Title')
            self.assertEqual(frame(title), (20 * s, 150 * s, 160 * s, 24 * s))
            self.assertTrue(any(p[3] > 128 for p in result.image(title).getdata()), 'the text was drawn')

            photo = by_name(home['children'], 'Photo')
            self.assertEqual(result.image(photo).size, (40 * s, 20 * s))
            self.assertEqual(result.image(photo).getpixel((3, 3)), (0, 0, 255, 255))

            arrow = result.image(by_name(home['children'], 'Arrow'))
            ax, ay = -frame(by_name(home['children'], 'Arrow'), 'image')[0], -frame(by_name(home['children'], 'Arrow'), 'image')[1]
            self.assertEqual(arrow.getpixel((ax + 15 * s, ay + 25 * s)), (255, 0, 0, 255))  # inside the triangle
            self.assertEqual(arrow.getpixel((ax + 2 * s, ay + 2 * s))[3], 0)  # its empty corner
            hostile = [c for c in home['children'] if c['name'] == HOSTILE_NAME]
            self.assertNotEqual(hostile[0]['image']['path'], hostile[1]['image']['path'])
            self.assertFalse(hostile[1]['visible'])
            for layer in all_layers(tree):
                if 'image' in layer:
                    self.assertRegex(layer['image']['path'], r'^images/[A-Za-z0-9 _.-]+\.png$')
            self.assert_only_inside(result)

    def test_a_symbol_that_contains_itself_stops(self):
        loop = sk.symbol_master('Loop', (0, 0, 10, 10), 'LOOP', [sk.symbol_instance('Again', (0, 0, 10, 10), 'LOOP')])
        design = self.path('Loop.sketch')
        sk.write_sketch(design, [('Page', [sk.symbol_instance('Start', (0, 0, 10, 10), 'LOOP'), loop])])
        result = self.export(design)
        self.assert_success(result)
        self.assertEqual(result.tree()[0]['children'][0]['children'], [])

    def test_bad_input_fails_with_one_sentence_and_writes_nothing(self):
        with open(self.design(), 'rb') as f:
            data = f.read()

        def archive(entries):
            path = self.path('entries.zip')
            with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
                for name, content in entries.items():
                    z.writestr(name, content)
            with open(path, 'rb') as f:
                return f.read()

        def nested(depth):
            return '{"_class":"group","name":"g","layers":[' * depth + ']}' * depth

        page = '{"_class":"page","name":"P","layers":%s}'
        cases = [
            ('not a sketch', b'%PDF-1.4\n' + b'x' * 100, None, 'This is not a Sketch file.'),
            ('zip of something else', archive({'readme.txt': 'hi'}), None, 'This is not a Sketch file.'),
            ('old database format', b'SQLite format 3\0' + b'\0' * 100, None, 'Minimum required version is 43.'),
            ('old app version', archive({'document.json': '{"pages":[]}', 'meta.json': '{"appVersion":"42.1"}'}), None,
             'Sketch files older than version 43 are not supported. Minimum required version is 43.'),
            ('truncated', data[:len(data) // 2], None, 'damaged or incomplete'),
            ('2 GB', data[:100], 2 << 30, 'too large to import'),
            ('broken page json', archive({'document.json': '{"pages":[{"_ref":"pages/a"}]}', 'pages/a.json': '{"layers": ['}),
             None, 'damaged'),
            ('missing page', archive({'document.json': '{"pages":[{"_ref":"pages/gone"}]}'}), None, 'is missing'),
            ('wrong types', archive({'document.json': '{"pages":[{"_ref":"pages/a"}]}',
                                     'pages/a.json': page % '[{"_class":"rectangle","name":7,"frame":"x","points":5},'
                                                            '{"_class":"text","attributedString":[]}, 3, null]'}),
             'ok', ''),
            ('nested too deeply', archive({'document.json': '{"pages":[{"_ref":"pages/a"}]}',
                                           'pages/a.json': page % ('[' + nested(150) + ']')}), None, 'nested too deeply'),
            ('nested beyond the reader', archive({'document.json': '{"pages":[{"_ref":"pages/a"}]}',
                                                  'pages/a.json': page % ('[' + nested(5000) + ']')}), None, 'damaged'),
            ('zip bomb', archive({'document.json': '{"pages":[{"_ref":"pages/a"}]}', 'pages/a.json': ' ' * (300 << 20)}),
             None, 'too large to import'),
            ('huge bitmap', None, None, 'too large to import'),
        ]
        for name, content, size, message in cases:
            with self.subTest(name):
                design = self.path(name + '.sketch')
                if content is None and name == 'huge bitmap':
                    sk.write_sketch(design, [('P', [sk.bitmap('Big', (0, 0, 10, 10), 'images/big.png')])],
                                    images={'images/big.png': sk.png_header_only(30000, 30000)})
                else:
                    with open(design, 'wb') as f:
                        f.write(content)
                        if isinstance(size, int):
                            f.truncate(size)
                output = self.path(name + ' out')
                result = self.export(design, output=output)
                if size == 'ok':
                    self.assert_success(result)  # wrong types are read as absent, not a crash
                    continue
                self.assert_failure(result, message)
                self.assertFalse(os.path.exists(output))

    def test_wrong_arguments_say_so(self):
        result = self.run_exporter('zelvorsketch', [self.design(), 'zelvor.js'], self.path('x'))
        self.assert_failure(result, 'wrong arguments')
        result = self.export(self.design(), scale='0')
        self.assert_failure(result, 'The scale must be between')


if __name__ == '__main__':
    unittest.main()
