import os
import unittest

from exportertest import ExporterTestCase, all_layers, by_name, frame
from psdwriter import Group, PixelLayer, write_psd

HOSTILE_NAME = 'Menu/../"quoted"\nline'


class PhotoshopExport(ExporterTestCase):
    def design(self):
        path = self.path('Banner.psd')
        write_psd(path, 120, 80, [
            PixelLayer('Background', (0, 0, 120, 80), (255, 255, 255)),
            Group('Card', [
                PixelLayer('Red box', (10, 20, 40, 50), (255, 0, 0)),
                Group('Badge', [PixelLayer('Dot', (50, 10, 60, 30), (0, 0, 255), opacity=128)]),
            ]),
            PixelLayer(HOSTILE_NAME, (0, 0, 4, 4), (0, 255, 0), visible=False),
            PixelLayer(HOSTILE_NAME, (4, 4, 8, 8), (0, 255, 0)),
        ])
        return path

    def export(self, design, scale=None, output=None):
        output = output or self.path('Banner@%sx' % (scale or 1))
        arguments = ['-o', output] + (['--scale', str(scale)] if scale else []) + [design]
        return self.run_exporter('zelvorps', arguments, output)

    def test_names_frames_nesting_and_images_at_scales_1_and_2(self):
        design = self.design()
        for scale in (None, 2):
            s = scale or 1
            result = self.export(design, scale)
            self.assert_success(result)
            self.assertIn('"layers": 7', result.stdout)  # the information line
            tree = result.tree()
            self.assertEqual([layer['name'] for layer in tree], ['Background', 'Card', HOSTILE_NAME, HOSTILE_NAME])
            card = by_name(tree, 'Card')
            self.assertEqual(frame(card), (10 * s, 10 * s, 50 * s, 40 * s))
            self.assertNotIn('image', card)
            red = by_name(card['children'], 'Red box')
            self.assertEqual(frame(red), (0, 10 * s, 30 * s, 30 * s))  # in the group's coordinates
            self.assertEqual(frame(red, 'image'), (0, 0, 30 * s, 30 * s))
            image = result.image(red)
            self.assertEqual(image.size, (30 * s, 30 * s))
            self.assertEqual(image.getpixel((15 * s, 15 * s)), (255, 0, 0, 255))
            dot = by_name(by_name(card['children'], 'Badge')['children'], 'Dot')
            self.assertEqual(frame(dot), (0, 0, 10 * s, 20 * s))
            self.assertAlmostEqual(dot['opacity'], 128 / 255, places=2)
            self.assertFalse(tree[2]['visible'])
            self.assertNotIn('visible', tree[3])
            self.assert_only_inside(result)


    def test_hostile_names_get_safe_distinct_files(self):
        result = self.export(self.design())
        self.assert_success(result)
        paths = [layer['image']['path'] for layer in result.tree() if layer['name'] == HOSTILE_NAME]
        self.assertEqual(len(set(paths)), 2)
        for path in paths:
            self.assertRegex(path, r'^images/[A-Za-z0-9 _.-]+\.png$')
            self.assertNotIn('..', path)

    def test_planted_links_in_the_output_folder_are_replaced_not_followed(self):
        outside = self.path('outside.txt')
        with open(outside, 'w') as f:
            f.write('keep')
        output = self.path('out')
        os.makedirs(os.path.join(output, 'images'))
        os.symlink(outside, os.path.join(output, 'layers.json'))
        os.symlink(outside, os.path.join(output, 'images', 'Background.png'))
        result = self.export(self.design(), output=output)
        self.assert_success(result)
        with open(outside) as f:
            self.assertEqual(f.read(), 'keep')
        self.assertFalse(os.path.islink(os.path.join(output, 'layers.json')))

    def test_many_small_layers_export(self):
        design = self.path('Many.psd')
        write_psd(design, 100, 50, [PixelLayer('L%d' % i, (i % 100, i // 100, i % 100 + 1, i // 100 + 1), (i % 256, 0, 0))
                                    for i in range(5000)], rle=True)
        result = self.export(design)
        self.assert_success(result)
        self.assertEqual(sum(1 for _ in all_layers(result.tree())), 5000)

    def test_bad_input_fails_with_one_sentence_and_writes_nothing(self):
        good = self.design()
        with open(good, 'rb') as f:
            data = f.read()
        huge = self.path('huge.psd')
        write_psd(huge, 30000, 30000, [PixelLayer('Everything', (0, 0, 30000, 30000), (255, 0, 0))], rle=True)
        cases = [
            ('not a psd', b'\x89PNG\r\n\x1a\n' + b'\0' * 100, None, 'This is not a Photoshop file.'),
            ('empty', b'', None, 'This is not a Photoshop file.'),
            ('truncated header', data[:20], None, 'damaged or incomplete'),
            ('truncated layers', data[:len(data) // 2], None, 'damaged'),
            ('2 GB', data[:26], 2 << 30, 'too large to import'),
            ('30000 x 30000 layer', None, None, 'too large to import'),
        ]
        for name, content, size, message in cases:
            with self.subTest(name):
                design = huge
                if content is not None:
                    design = self.path(name + '.psd')
                    with open(design, 'wb') as f:
                        f.write(content)
                        if size:
                            f.truncate(size)
                self.assert_failure(self.export(design, output=self.path(name + ' out')), message)
                self.assertFalse(os.path.exists(self.path(name + ' out')))

    def test_wrong_arguments_and_missing_files_say_so(self):
        missing = self.export(self.path('Nowhere.psd'))
        self.assert_failure(missing, 'cannot be read')
        bad_scale = self.run_exporter('zelvorps', ['-o', self.path('x'), '--scale', 'big', self.design()], self.path('x'))
        self.assert_failure(bad_scale, 'not a number')


if __name__ == '__main__':
    unittest.main()
