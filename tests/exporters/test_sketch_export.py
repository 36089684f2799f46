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
            sk.group('Icons', (10, 10, 40, 40), [sk.oval('Dot', (5, 5, 20, 20), GREEN,
                                                      style=sk.style(GREEN, BLUE, 2, position=0))]),
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

    def edge_pixels(self, image):
        return [p for p in image.getdata() if 0 < p[3] < 255]

    def test_every_frame_image_edge_and_order_at_scales_1_and_2(self):
        """Layer frames are the design's; images are their frames, widened only by paint that
        reaches out; partly covered pixels keep their colour (straight alpha)."""
        shadow = (sk.colour(1, 0, 0, 0.5), 0, 4, 4, 0)
        layers = [
            sk.rectangle('Plain', (16, 16, 100, 40), RED),
            sk.oval('Ball', (130, 10, 41, 41), BLUE, style=sk.style(BLUE)),
            sk.rectangle('Outside', (20, 70, 50, 30), RED, style=sk.style(RED, GREEN, thickness=4, position=2)),
            sk.rectangle('Inside', (80, 70, 30, 30), RED, style=sk.style(RED, GREEN, thickness=3, position=1)),
            sk.rectangle('Centred', (120, 70, 30, 30), None, radius=8, style=sk.style(None, BLUE, thickness=2, position=0)),
            sk.rectangle('Shadowed', (160, 70, 30, 20), BLUE, style=sk.style(BLUE, shadow=shadow)),
            sk.text('Label', (10, 100, 80, 20), 'Hi there', color=sk.colour(1, 1, 1)),
        ]
        # name: design frame, image frame in the layer's coordinates (at 1x)
        expected = {
            'Screen': ((0, 0, 200, 120), (0, 0, 200, 120)),
            'Plain': ((16, 16, 100, 40), (0, 0, 100, 40)),
            'Ball': ((130, 10, 41, 41), (0, 0, 41, 41)),
            'Outside': ((20, 70, 50, 30), (-4, -4, 58, 38)),
            'Inside': ((80, 70, 30, 30), (0, 0, 30, 30)),
            'Centred': ((120, 70, 30, 30), (-1, -1, 32, 32)),
            'Shadowed': ((160, 70, 30, 20), (-6, -2, 42, 32)),
            'Label': ((10, 100, 80, 20), None),
        }
        colours = {'Ball': (0, 0, 255), 'Centred': (0, 0, 255), 'Label': (255, 255, 255)}
        design = self.path('Frames.sketch')
        sk.write_sketch(design, [('Page', [sk.artboard('Screen', (0, 0, 200, 120), layers, background=sk.colour(1, 1, 1))])])
        for s in (1, 2):
            with self.subTest(scale=s):
                result = self.export(design, str(s))
                self.assert_success(result)
                tree = result.tree()
                self.assertEqual([layer['name'] for layer in tree[0]['children']], [layer['name'] for layer in layers])
                for layer in all_layers(tree):
                    design_frame, image_frame = expected[layer['name']]
                    self.assertEqual(frame(layer), tuple(v * s for v in design_frame), layer['name'])
                    ix, iy, iw, ih = frame(layer, 'image')
                    if image_frame:
                        self.assertEqual((ix, iy, iw, ih), tuple(v * s for v in image_frame), layer['name'])
                    else:  # text: at least its frame, placed on it
                        self.assertEqual((ix, iy), (0, 0))
                        self.assertEqual((iw, ih), (80 * s, 20 * s))
                    image = result.image(layer)
                    self.assertEqual(image.size, (iw, ih), layer['name'])
                    if layer['name'] in colours:
                        edges = self.edge_pixels(image)
                        self.assertTrue(edges, layer['name'])
                        self.assertEqual({p[:3] for p in edges}, {colours[layer['name']]}, layer['name'])
                plain = result.image(by_name(tree[0]['children'], 'Plain'))
                self.assertEqual(set(plain.getdata()), {(255, 0, 0, 255)})  # no ring, no hairline
                outside = result.image(by_name(tree[0]['children'], 'Outside'))
                self.assertEqual(outside.getpixel((1 * s, 20 * s)), (0, 255, 0, 255))  # the border, outside
                self.assertEqual(outside.getpixel((5 * s, 20 * s)), (255, 0, 0, 255))  # the fill, to its edge
                inside = result.image(by_name(tree[0]['children'], 'Inside'))
                self.assertEqual(inside.getpixel((1 * s, 15 * s)), (0, 255, 0, 255))
                self.assertEqual(inside.getpixel((15 * s, 15 * s)), (255, 0, 0, 255))
                shadowed = result.image(by_name(tree[0]['children'], 'Shadowed'))
                below = shadowed.getpixel((21 * s, 2 * s + 22 * s))  # under the shape, in its shadow
                self.assertEqual(below[:3], (255, 0, 0))
                self.assertTrue(0 < below[3] < 255)

    def test_instances_lay_out_their_masters_layers_at_their_own_size(self):
        stretch, pinned = 63, sk.fixed(sk.LEFT, sk.WIDTH, sk.TOP, sk.HEIGHT)
        card = sk.symbol_master('Card', (0, 0, 100, 50), 'CARD', [
            sk.rectangle('Pin', (10, 10, 20, 20), GREEN, resizingConstraint=pinned),
            sk.rectangle('Bar', (0, 40, 100, 10), RED, resizingConstraint=stretch),
            sk.rectangle('Badge', (70, 5, 20, 20), BLUE, resizingConstraint=sk.fixed(sk.RIGHT, sk.WIDTH, sk.TOP, sk.HEIGHT)),
            sk.rectangle('Middle', (40, 10, 20, 20), BLUE, resizingConstraint=sk.fixed(sk.WIDTH, sk.TOP, sk.HEIGHT)),
        ])
        row = sk.symbol_master('Row', (0, 300, 100, 50), 'ROW', [sk.symbol_instance('Inner Card', (0, 0, 100, 50), 'CARD')])
        screen = sk.artboard('Screen', (0, 0, 400, 400), [
            sk.group('Holder', (0, 0, 400, 200), [sk.symbol_instance('Wide', (0, 0, 200, 50), 'CARD')]),
            sk.symbol_instance('Same', (0, 200, 100, 50), 'CARD'),
            sk.symbol_instance('Big Row', (0, 250, 200, 100), 'ROW'),
        ])
        design = self.path('Symbols.sketch')
        sk.write_sketch(design, [('Page', [screen, sk.symbol_instance('Loose', (500, 0, 50, 25), 'CARD')]),
                                 ('Symbols', [card, row])])
        # children of each instance, at 1x
        expected = {
            'Wide': {'Pin': (10, 10, 20, 20), 'Bar': (0, 40, 200, 10), 'Badge': (170, 5, 20, 20), 'Middle': (90, 10, 20, 20)},
            'Same': {'Pin': (10, 10, 20, 20), 'Bar': (0, 40, 100, 10), 'Badge': (70, 5, 20, 20), 'Middle': (40, 10, 20, 20)},
            'Inner Card': {'Pin': (10, 10, 20, 20), 'Bar': (0, 80, 200, 20), 'Badge': (170, 5, 20, 20),
                           'Middle': (90, 10, 20, 20)},
            'Loose': {'Pin': (10, 10, 20, 20), 'Bar': (0, 20, 50, 5), 'Badge': (20, 5, 20, 20), 'Middle': (15, 10, 20, 20)},
        }
        for s in (1, 2):
            with self.subTest(scale=s):
                result = self.export(design, str(s))
                self.assert_success(result)
                tree = result.tree()
                instances = {layer['name']: layer for layer in all_layers(tree) if layer['name'] in expected}
                self.assertEqual(set(instances), set(expected))
                self.assertEqual(frame(instances['Inner Card']), (0, 0, 200 * s, 100 * s))
                self.assertEqual(frame(instances['Loose']), (500 * s, 0, 50 * s, 25 * s))
                for name, children in expected.items():
                    instance = instances[name]
                    self.assertNotIn('image', instance)  # the master has no background of its own
                    self.assertEqual([c['name'] for c in instance['children']], ['Pin', 'Bar', 'Badge', 'Middle'])
                    for child in instance['children']:
                        want = tuple(v * s for v in children[child['name']])
                        self.assertEqual(frame(child), want, (name, child['name']))
                        self.assertEqual(result.image(child).size, want[2:], (name, child['name']))

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
                                                  'pages/a.json': page % ('[' + nested(5000) + ']')}), None, "nested too deeply"),
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
