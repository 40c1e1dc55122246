#!/usr/bin/env python3
"""Compiles the module's resource script with windres and reads the result back.

Checks that the compiled string table holds exactly the texts of strings.def, that every
bitmap and icon of gen_images.py is in the module under its number with its size and
bytes, and that the version resource names the product, the file and the version.

Usage: rc_roundtrip.py --windres W --resources DIR --generated DIR --version X.Y
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile

RT_BITMAP, RT_ICON, RT_STRING, RT_GROUP_ICON, RT_VERSION = 2, 3, 6, 14, 16


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

    expected = dict(gen_rc.parse_def(os.path.join(args.resources, 'strings.def')))
    compiled = string_table(res)
    for sid in sorted(set(expected) | set(compiled)):
        if expected.get(sid) != compiled.get(sid):
            failures.append(f'string {sid}: expected {expected.get(sid)!r}, compiled {compiled.get(sid)!r}')

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
    print(f'{len(compiled)} strings, {len(gen_images.BITMAPS)} bitmaps, '
          f'{len(gen_images.ICONS)} icons checked; {len(failures)} failures')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
