#!/usr/bin/env python3
"""Turns strings.def into the STRINGTABLE fragment of the module's resource script.

strings.def is the one table of numbered strings; the portable code compiles it as C++
(the texts, and the IDS_ names through string_ids.h) and this script reads the same
lines, so no text or number is typed twice. The fragment is written
for GNU windres: wide literals in which a double quote is doubled, a backslash and the
control characters are escaped, and everything outside printable ASCII is a \\xhhhh
escape (windres reads at most four hex digits, so the next character never merges).

Usage: gen_rc.py STRINGS_DEF OUTPUT
"""

import re
import sys

_ENTRY = re.compile(r'^OSTREL_STRING\(\s*([A-Za-z_]\w*)\s*,\s*(\d+)\s*,\s*(.*)\)\s*$')
_NAME = re.compile(r'IDS_[A-Z0-9_]+')
_LITERAL = re.compile(r'L"((?:[^"\\]|\\.)*)"\s*')
_SIMPLE_ESCAPES = {'\\': '\\', '"': '"', "'": "'", 'n': '\n', 't': '\t', 'r': '\r', '?': '?'}


class DefError(ValueError):
    pass


def _unescape(body, where):
    """The text of a C++ wide literal's body (between the quotes)."""
    out = []
    i = 0
    while i < len(body):
        c = body[i]
        if c != '\\':
            out.append(c)
            i += 1
            continue
        e = body[i + 1]
        if e in _SIMPLE_ESCAPES:
            out.append(_SIMPLE_ESCAPES[e])
            i += 2
        elif e in 'uU':
            width = 4 if e == 'u' else 8
            digits = body[i + 2:i + 2 + width]
            if not re.fullmatch(r'[0-9A-Fa-f]{%d}' % width, digits):
                raise DefError(f'{where}: \\{e} needs {width} hex digits')
            out.append(chr(int(digits, 16)))
            i += 2 + width
        else:
            # \x and octal escapes have no fixed length in C++; refuse them rather than
            # guess where they end.
            raise DefError(f'{where}: unsupported escape \\{e} (use \\uXXXX)')
    return ''.join(out)


def parse_def(path):
    """[(name, id, text)] from strings.def, checking the form, the rising, unique ids and
    the unique IDS_ names."""
    entries = []
    names = set()
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            where = f'{path}:{number}'
            line = line.strip()
            if not line or line.startswith('//'):
                continue
            m = _ENTRY.match(line)
            if not m:
                raise DefError(f'{where}: expected OSTREL_STRING(IDS_NAME, id, L"text")')
            name, sid, rest = m.group(1), int(m.group(2)), m.group(3)
            if not _NAME.fullmatch(name):
                raise DefError(f'{where}: the name {name} is not IDS_ and capitals')
            if name in names:
                raise DefError(f'{where}: the name {name} is taken')
            names.add(name)
            pieces = []
            pos = 0
            while pos < len(rest):
                lm = _LITERAL.match(rest, pos)
                if not lm:
                    raise DefError(f'{where}: the text must be wide string literals')
                pieces.append(_unescape(lm.group(1), where))
                pos = lm.end()
            if not pieces:
                raise DefError(f'{where}: missing text')
            if sid > 0xFFFF:
                raise DefError(f'{where}: id {sid} does not fit a string table')
            if entries and sid <= entries[-1][1]:
                raise DefError(f'{where}: id {sid} is not above {entries[-1][1]}')
            entries.append((name, sid, ''.join(pieces)))
    return entries


def rc_escape(text):
    """The body of a windres wide literal whose value is text."""
    out = []
    previous = ''
    for c in text:
        code = ord(c)
        if c == '"':
            out.append('""')
        elif c == '\\':
            out.append('\\\\')
        elif c == '\n':
            out.append('\\n')
        elif c == '\t':
            out.append('\\t')
        elif c == '\r':
            out.append('\\r')
        elif c == '?' and previous == '?':
            out.append('\\x003f')  # never let the preprocessor see a trigraph
        elif 0x20 <= code < 0x7F:
            out.append(c)
        elif code <= 0xFFFF:
            out.append('\\x%04x' % code)
        else:
            code -= 0x10000
            out.append('\\x%04x\\x%04x' % (0xD800 + (code >> 10), 0xDC00 + (code & 0x3FF)))
        previous = c
    return ''.join(out)


def render(entries):
    """The string table of [(id, text)]."""
    lines = ['// Generated from strings.def by gen_rc.py; edit strings.def instead.',
             'STRINGTABLE', 'BEGIN']
    lines += [f'  {sid}, L"{rc_escape(text)}"' for sid, text in entries]
    lines += ['END', '']
    return '\n'.join(lines)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    try:
        content = render([(sid, text) for _name, sid, text in parse_def(argv[1])])
    except DefError as e:
        sys.stderr.write(f'error: {e}\n')
        return 1
    with open(argv[2], 'w', encoding='ascii', newline='\n') as f:
        f.write(content)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
