#!/usr/bin/env python3
"""Compiles the module's resource script with windres and reads the result back.

Checks that the compiled string table holds exactly the texts of strings.def, that every
bitmap and icon of gen_images.py is in the module under its number with its size and
bytes, that every dialog holds exactly its controls, of the right kinds, laid out without
overlaps, with a tooltip string for the controls that have one and none for the others,
and that the version resource names the product, the file and the version.

Usage: rc_roundtrip.py --windres W --resources DIR --generated DIR --version X.Y
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile

RT_BITMAP, RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION = 2, 3, 5, 6, 14, 16
WS_POPUP, WS_CHILD, WS_DISABLED, WS_CAPTION = 0x80000000, 0x40000000, 0x08000000, 0x00C00000
STATIC_ID = 0xFFFFFFFF
BUTTON, EDIT, STATIC, LISTBOX = 0x80, 0x81, 0x82, 0x83

# Control kinds: (window class, style mask, style bits required under the mask).
KINDS = {
    'group': (BUTTON, 0xF, 7),
    'push': (BUTTON, 0xF, 0),
    'default': (BUTTON, 0xF, 1),
    'check': (BUTTON, 0xF, 3),        # BS_AUTOCHECKBOX
    'radio': (BUTTON, 0xF, 9),        # BS_AUTORADIOBUTTON
    'static': (STATIC, 0, 0),
    # ES_AUTOHSCROLL, WS_DISABLED
    'path edit': (EDIT, 0x08000080, 0x08000080),
    # ES_MULTILINE, ES_READONLY, WS_VSCROLL
    'notice edit': (EDIT, 0x00200804, 0x00200804),
    # LBS_NOTIFY, LBS_SORT, LBS_NOINTEGRALHEIGHT, LBS_DISABLENOSCROLL, WS_VSCROLL
    'sorted list': (LISTBOX, 0x00201103, 0x00201103),
    # ES_AUTOHSCROLL
    'line edit': (EDIT, 0x80, 0x80),
    # LBS_NOTIFY, LBS_SORT, LBS_NOINTEGRALHEIGHT, WS_VSCROLL
    'process list': (LISTBOX, 0x00200103, 0x00200103),
    # LVS_REPORT, LVS_SINGLESEL, LVS_SHOWSELALWAYS, and neither sort order
    'list view': ('SysListView32', 0x3F, 0x0D),
}
PAGE, POPUP, TAB = 'page', 'popup', 'tab'
TIP = True  # the control has a tooltip: the string numbered like it

# Dialog: (kind of window, {control id: (kind, has a tooltip)}); unnumbered statics and
# frames come on top.
DIALOGS = {
    117: (PAGE, {1002: ('group', False), 1003: ('static', False), 1004: ('static', False),
                 2005: ('radio', TIP), 2006: ('radio', TIP)}),
    119: (PAGE, {2007: ('path edit', TIP), 2008: ('push', TIP), 2009: ('check', TIP),
                 2010: ('check', TIP), 2013: ('static', False)}),
    125: (PAGE, {}),
    127: (PAGE, {2002: ('push', TIP), 2003: ('push', TIP), 2004: ('push', TIP),
                 2014: ('group', False), 2015: ('sorted list', TIP)}),
    134: (PAGE, {1016: ('push', TIP), 1017: ('push', TIP), 1029: ('list view', TIP)}),
    136: (PAGE, {1012: ('push', TIP), 1013: ('push', TIP), 1018: ('list view', TIP)}),
    140: (PAGE, {1019: ('list view', TIP), 1020: ('push', TIP), 1021: ('push', TIP)}),
    142: (PAGE, {1022: ('push', TIP), 1023: ('list view', TIP), 1024: ('list view', TIP),
                 1025: ('check', TIP), 1026: ('static', False), 1027: ('static', False),
                 1028: ('push', False)}),
    166: (POPUP, {1: ('default', False), 1030: ('notice edit', False),
                  1031: ('check', False)}),
    # Cancel is control 2, and string 2 exists: it gets that tooltip like any other control.
    129: (POPUP, {1: ('default', False), 2: ('push', TIP), 9: ('push', False), 1005: ('static', False),
                  2017: ('line edit', TIP)}),
    130: (TAB, {2000: ('process list', TIP)}),
    131: (TAB, {1006: ('list view', TIP)}),
    138: (TAB, {1009: ('list view', TIP)}),
}


def read_res(path):
    """{(type, name): data} of a .res file whose types and names are ordinals."""
    with open(path, 'rb') as f:
        data = f.read()
    out = {}
    pos = 0
    while pos < len(data):
        size, header_size = struct.unpack_from('<II', data, pos)
        fields = data[pos + 8:pos + header_size]
        ids = []
        at = 0
        for _ in range(2):
            if struct.unpack_from('<H', fields, at)[0] != 0xFFFF:
                raise ValueError('named resources are not expected')
            ids.append(struct.unpack_from('<H', fields, at + 2)[0])
            at += 4
        if size:
            out[tuple(ids)] = data[pos + header_size:pos + header_size + size]
        pos += header_size + size
        pos = (pos + 3) & ~3
    return out


def string_table(res):
    strings = {}
    for (rtype, block), data in res.items():
        if rtype != RT_STRING:
            continue
        at = 0
        for i in range(16):
            (length,) = struct.unpack_from('<H', data, at)
            at += 2
            if length:
                strings[(block - 1) * 16 + i] = data[at:at + 2 * length].decode('utf-16-le')
            at += 2 * length
    return strings


def _sz_or_ord(data, at):
    """(ordinal or text, next offset) of a DIALOGEX name field."""
    (first,) = struct.unpack_from('<H', data, at)
    if first == 0xFFFF:
        return struct.unpack_from('<H', data, at + 2)[0], at + 4
    end = at
    while struct.unpack_from('<H', data, end)[0]:
        end += 2
    return data[at:end].decode('utf-16-le'), end + 2


def read_dialog(data):
    """The header and controls of a DIALOGEX template."""
    version, signature = struct.unpack_from('<HH', data, 0)
    if (version, signature) != (1, 0xFFFF):
        raise ValueError('not a DIALOGEX template')
    style, count, x, y, cx, cy = struct.unpack_from('<IHhhhh', data, 12)
    _menu, at = _sz_or_ord(data, 26)
    _cls, at = _sz_or_ord(data, at)
    caption, at = _sz_or_ord(data, at)
    points = struct.unpack_from('<H', data, at)[0]
    face, at = _sz_or_ord(data, at + 6)
    dialog = {'style': style, 'size': (cx, cy), 'caption': caption, 'font': (face, points),
              'controls': []}
    for _ in range(count):
        at = (at + 3) & ~3
        _help, _ex, cstyle, cx0, cy0, cw, ch, cid = struct.unpack_from('<IIIhhhhI', data, at)
        cls, at = _sz_or_ord(data, at + 24)
        text, at = _sz_or_ord(data, at)
        extra = struct.unpack_from('<H', data, at)[0]
        at += 2 + extra
        dialog['controls'].append({'id': cid, 'class': cls, 'style': cstyle,
                                   'rect': (cx0, cy0, cx0 + cw, cy0 + ch), 'text': text})
    return dialog


def check_dialog(did, dialog, strings):
    """Failures of one dialog against DIALOGS."""
    failures = []
    window, expected = DIALOGS[did]
    style = dialog['style']
    if window == PAGE:
        if style & (WS_CHILD | WS_DISABLED | WS_CAPTION | WS_POPUP) != WS_CHILD | WS_DISABLED | WS_CAPTION:
            failures.append(f'dialog {did}: style {style:#x} is not a property page\'s')
        if dialog['size'] != (317, 143):
            failures.append(f'dialog {did}: size {dialog["size"]}, expected (317, 143)')
    elif window == TAB:
        if style & (WS_CHILD | WS_POPUP) != WS_CHILD:
            failures.append(f'dialog {did}: style {style:#x} is not a child dialog\'s')
    elif style & (WS_POPUP | WS_CAPTION) != WS_POPUP | WS_CAPTION:
        failures.append(f'dialog {did}: style {style:#x} is not a popup with a caption')
    if dialog['font'] != ('MS Shell Dlg', 8):
        failures.append(f'dialog {did}: font {dialog["font"]}')

    numbered = [c for c in dialog['controls'] if c['id'] != STATIC_ID]
    ids = [c['id'] for c in numbered]
    if sorted(ids) != sorted(expected):
        failures.append(f'dialog {did}: control ids {sorted(ids)}, expected {sorted(expected)}')
    for c in dialog['controls']:
        if c['id'] == STATIC_ID:
            kind, tip = ('group' if c['class'] == BUTTON else 'static'), False
        elif c['id'] in expected:
            kind, tip = expected[c['id']]
        else:
            continue
        cls, mask, bits = KINDS[kind]
        actual = c['class'].lower() if isinstance(c['class'], str) else c['class']  # windres capitalises names
        if actual != (cls.lower() if isinstance(cls, str) else cls) or c['style'] & mask != bits:
            failures.append(f'dialog {did}: control {c["id"]} ({c["class"]}, style {c["style"]:#x}) is no {kind}')
        if c['id'] != STATIC_ID and (c['id'] in strings) != tip:
            failures.append(f'dialog {did}: control {c["id"]} ' +
                            ('lacks its tooltip string' if tip else 'has a tooltip string'))

    width, height = dialog['size']
    for c in dialog['controls']:
        x0, y0, x1, y1 = c['rect']
        if x0 < 0 or y0 < 0 or x1 > width or y1 > height:
            failures.append(f'dialog {did}: control {c["id"]} {c["rect"]} leaves the dialog')
    # Frames enclose other controls on purpose; anything else must stand alone.
    solid = [c for c in dialog['controls'] if not (c['class'] == BUTTON and c['style'] & 0xF == 7)]
    for i, a in enumerate(solid):
        for b in solid[i + 1:]:
            ax0, ay0, ax1, ay1 = a['rect']
            bx0, by0, bx1, by1 = b['rect']
            if ax0 < bx1 and bx0 < ax1 and ay0 < by1 and by0 < ay1:
                failures.append(f'dialog {did}: controls {a["id"]} {a["rect"]} and {b["id"]} {b["rect"]} overlap')
    return failures


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--windres', required=True)
    ap.add_argument('--resources', required=True, help='the resources source folder')
    ap.add_argument('--generated', required=True, help='the folder holding strings.rcinc')
    ap.add_argument('--version', required=True)
    args = ap.parse_args()
    sys.path.insert(0, args.resources)
    import gen_images
    import gen_rc

    major, minor = (int(v) for v in args.version.split('.')[:2])
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        res_path = os.path.join(tmp, 'module.res')
        subprocess.run([args.windres, '-I', args.resources, '-I', args.generated,
                        f'-DOSTREL_VERSION_MAJOR={major}', f'-DOSTREL_VERSION_MINOR={minor}',
                        '-i', os.path.join(args.resources, 'osadmmc.rc'), '-O', 'res',
                        '-o', res_path], check=True)
        res = read_res(res_path)

    expected = {sid: text for _name, sid, text in gen_rc.parse_def(os.path.join(args.resources, 'strings.def'))}
    compiled = string_table(res)
    for sid in sorted(set(expected) | set(compiled)):
        if expected.get(sid) != compiled.get(sid):
            failures.append(f'string {sid}: expected {expected.get(sid)!r}, compiled {compiled.get(sid)!r}')

    for did in sorted(DIALOGS):
        data = res.get((RT_DIALOG, did))
        if data is None:
            failures.append(f'dialog {did} missing')
        else:
            failures += check_dialog(did, read_dialog(data), compiled)
    for rtype, did in res:
        if rtype == RT_DIALOG and did not in DIALOGS:
            failures.append(f'dialog {did} is not expected')

    drawn = gen_images.draw_all()
    for bid, (name, width, height, _items, _bg) in gen_images.BITMAPS.items():
        data = res.get((RT_BITMAP, bid))
        if data is None:
            failures.append(f'bitmap {bid} missing')
            continue
        w, h = struct.unpack_from('<ii', data, 4)
        if (w, h) != (width, height):
            failures.append(f'bitmap {bid}: {w}x{h}, expected {width}x{height}')
        if data != drawn[name + '.bmp'][14:]:
            failures.append(f'bitmap {bid}: not the bytes of {name}.bmp')
    for iid, (name, _ops) in gen_images.ICONS.items():
        group = res.get((RT_GROUP_ICON, iid))
        if group is None:
            failures.append(f'icon {iid} missing')
            continue
        count = struct.unpack_from('<H', group, 4)[0]
        sizes = sorted(group[6 + 14 * i] for i in range(count))
        if sizes != [16, 32]:
            failures.append(f'icon {iid}: image sizes {sizes}, expected [16, 32]')

    version = res.get((RT_VERSION, 1))
    if version is None:
        failures.append('version resource missing')
    else:
        fixed = version.find(struct.pack('<I', 0xFEEF04BD))
        file_ms, file_ls = struct.unpack_from('<II', version, fixed + 8)
        if (file_ms, file_ls) != ((major << 16) | minor, 0):
            failures.append(f'file version {file_ms:#x}.{file_ls:#x}')
        for text in ('osadmmc.dll', 'Ostrel for Active Directory', f'{major}.{minor}'):
            if text.encode('utf-16-le') not in version:
                failures.append(f'version resource lacks {text!r}')

    for f in failures:
        print(f)
    print(f'{len(compiled)} strings, {len(DIALOGS)} dialogs, {len(gen_images.BITMAPS)} bitmaps, '
          f'{len(gen_images.ICONS)} icons checked; {len(failures)} failures')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
