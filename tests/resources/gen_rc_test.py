#!/usr/bin/env python3
"""gen_rc.py: reading strings.def and spelling texts for windres; the module's own table.

Usage: gen_rc_test.py RESOURCES_DIR [WINDRES]  (with WINDRES, texts that the module's
table does not have yet, such as non-ASCII ones, are also compiled and read back)
"""

import os
import re
import subprocess
import sys
import tempfile
import unittest

RESOURCES = sys.argv[1]
WINDRES = sys.argv[2] if len(sys.argv) > 2 else None
sys.path.insert(0, RESOURCES)
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen_rc  # noqa: E402
import rc_roundtrip  # noqa: E402

TRICKY = [
    (1, 'plain'),
    (2, 'say "hi"'),
    (3, '"'),
    (4, 'back\\slash\\'),
    (5, 'two\n\nbreaks'),
    (6, 'trailing blanks  '),
    (7, 'tab\tand\rreturn'),
    (8, 'caf\u00e9 1'),            # a hex digit right after a non-ASCII character
    (9, 'smile \U0001F600!'),      # outside the basic plane: a surrogate pair
    (10, 'what??/ no trigraph??='),
    (11, "it's 100% $ # // /* */"),
]


def cxx_literal(text):
    escapes = {'\\': '\\\\', '"': '\\"', '\n': '\\n', '\t': '\\t', '\r': '\\r'}
    return 'L"' + ''.join(escapes.get(c) or (c if ord(c) <= 0x7E else
                                               '\\U%08X' % ord(c) if ord(c) > 0xFFFF else '\\u%04X' % ord(c))
                          for c in text) + '"'


class ParseDef(unittest.TestCase):
    def parse(self, text):
        with tempfile.NamedTemporaryFile('w', suffix='.def', delete=False, encoding='utf-8') as f:
            f.write(text)
        try:
            return gen_rc.parse_def(f.name)
        finally:
            os.unlink(f.name)

    def test_escapes_comments_and_concatenation(self):
        self.assertEqual(
            self.parse('// group\n\nOSTREL_STRING(IDS_A, 3, L"a\\"b\\\\c\\n\\u00e9")\n'
                       'OSTREL_STRING(IDS_B2, 4, L"x " L"y")\n'),
            [('IDS_A', 3, 'a"b\\c\n\u00e9'), ('IDS_B2', 4, 'x y')])

    def test_round_trip_of_tricky_texts(self):
        text = ''.join(f'OSTREL_STRING(IDS_T{i}, {i}, {cxx_literal(t)})\n' for i, t in TRICKY)
        self.assertEqual(self.parse(text), [(f'IDS_T{i}', i, t) for i, t in TRICKY])

    def test_refused_forms(self):
        for bad in ['OSTREL_STRING(IDS_A, 2, L"a")\nOSTREL_STRING(IDS_B, 2, L"b")\n',  # repeated id
                    'OSTREL_STRING(IDS_A, 5, L"a")\nOSTREL_STRING(IDS_B, 4, L"b")\n',  # falling id
                    'OSTREL_STRING(IDS_A, 1, L"a")\nOSTREL_STRING(IDS_A, 2, L"b")\n',  # repeated name
                    'OSTREL_STRING(IDS_A, 70000, L"a")\n',                # beyond 16 bits
                    'OSTREL_STRING(1, L"nameless")\n',
                    'OSTREL_STRING(IDS_lower, 1, L"a")\n',
                    'OSTREL_STRING(STRING_A, 1, L"a")\n',
                    'OSTREL_STRING(IDS_A, 1, "narrow")\n',
                    'OSTREL_STRING(IDS_A, 1, L"\\x41")\n',                # open-ended escape
                    'OSTREL_STRING(IDS_A, 1, L"\\u00e")\n',
                    'OSTREL_STRING(IDS_A, 1, L"unterminated)\n',
                    'OSTREL_STRING(IDS_A, 1 L"comma")\n',
                    'something else\n']:
            with self.subTest(bad=bad), self.assertRaises(gen_rc.DefError):
                self.parse(bad)


class ModuleTable(unittest.TestCase):
    # A tooltip is found by its control's number, so IDS_TIP_X must carry the number of IDC_X.
    def test_tooltip_names_carry_their_controls_numbers(self):
        with open(os.path.join(RESOURCES, 'resource_ids.h'), encoding='utf-8') as f:
            controls = {m.group(1): int(m.group(2))
                        for m in re.finditer(r'#define IDC_(\w+) (\d+)', f.read())}
        tips = [(n, i) for n, i, _t in gen_rc.parse_def(os.path.join(RESOURCES, 'strings.def'))
                if n.startswith('IDS_TIP_')]
        self.assertTrue(tips)
        for name, sid in tips:
            control = name[len('IDS_TIP_'):]
            if control in controls:
                self.assertEqual(sid, controls[control], name)


@unittest.skipUnless(WINDRES, 'windres not given')
class Windres(unittest.TestCase):
    # What gen_rc.py spells (quotes, escapes, units beyond ASCII, trigraphs) read back exactly.
    def test_compiled_texts_are_exact(self):
        with tempfile.TemporaryDirectory() as tmp:
            rc = os.path.join(tmp, 't.rc')
            with open(rc, 'w', encoding='ascii') as f:
                f.write(gen_rc.render(TRICKY))
            res = os.path.join(tmp, 't.res')
            subprocess.run([WINDRES, '-i', rc, '-O', 'res', '-o', res], check=True)
            self.assertEqual(rc_roundtrip.string_table(rc_roundtrip.read_res(res)), dict(TRICKY))


if __name__ == '__main__':
    unittest.main(argv=sys.argv[:1], verbosity=1)
