#!/usr/bin/python3
"""The template as built, read by pefile and wrestool: machine, windowed subsystem, imports,
size, and exactly the resources every build relies on (types, ids, languages, sizes), the
version block byte for byte, the icon images and the manifest's execution level.

Usage: check_template.py WINDOWS_BUILD_FOLDER i686|x86_64
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

import pefile

LANGUAGE = 0x0409
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
MACHINES = {'i686': 0x014C, 'x86_64': 0x8664}
SIZE_GOAL = 16 * 1024  # the x86 template, which every output executable carries

VERSION_KEYS = ['Comments', 'CompanyName', 'FileDescription', 'FileVersion', 'InternalName',
                'LegalCopyright', 'LegalTrademarks', 'OriginalFilename', 'PrivateBuild',
                'ProductName', 'ProductVersion', 'SpecialBuild']
PLACEHOLDER = '=' * 83

# width, height, colour count, bits per pixel of images 1 to 4, and their sizes as resources
# (header, palette, colour bits, mask bits)
ICONS = [(16, 16, 16, 4, 40 + 64 + 128 + 64), (16, 16, 0, 8, 40 + 1024 + 256 + 64),
         (32, 32, 16, 4, 40 + 64 + 512 + 128), (32, 32, 0, 8, 40 + 1024 + 1024 + 128)]


def version_block():
    """The template's version block, laid out from the published rules: each node is wLength,
    wValueLength, wType, its key with terminator, zero bytes to a 32-bit boundary, its value,
    zero bytes to a 32-bit boundary, its children."""
    def align(data):
        return data + b'\0' * (-len(data) % 4)

    def node(key, value=b'', value_length=0, text=True, children=()):
        data = struct.pack('<HHH', 0, value_length, 1 if text else 0) + (key + '\0').encode('utf-16-le')
        data = align(data) + value
        for child in children:
            data = align(data) + child
        return struct.pack('<H', len(data)) + data[2:]

    strings = [node(k, (PLACEHOLDER + '\0').encode('utf-16-le'), 84) for k in VERSION_KEYS]
    fixed = struct.pack('<13I', 0xFEEF04BD, 0x00010000, 0x00010000, 0x00000001, 0x00010000,
                        0x00000001, 0x3F, 0x28, 0x4, 0x1, 0, 0, 0)
    return node('VS_VERSION_INFO', fixed, 52, text=False, children=[
        node('StringFileInfo', children=[node('040904b0', children=strings)]),
        node('VarFileInfo', children=[node('Translation', struct.pack('<HH', 0x0409, 0x04B0), 4, text=False)]),
    ])


def resources(pe):
    """(type, id, language) -> bytes, for every entry; named types and ids by their names."""
    found = {}
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        type_key = str(type_entry.name) if type_entry.name is not None else type_entry.id
        for id_entry in type_entry.directory.entries:
            id_key = str(id_entry.name) if id_entry.name is not None else id_entry.id
            for lang_entry in id_entry.directory.entries:
                data = lang_entry.data.struct
                found[(type_key, id_key, lang_entry.id)] = pe.get_data(data.OffsetToData, data.Size)
    return found


def check(path, arch):
    failures = []

    def expect(condition, message):
        if not condition:
            failures.append(message)

    size = os.path.getsize(path)
    print('%s: %d bytes' % (path, size))
    pe = pefile.PE(path)
    expect(pe.FILE_HEADER.Machine == MACHINES[arch], 'machine 0x%x' % pe.FILE_HEADER.Machine)
    expect(pe.OPTIONAL_HEADER.Subsystem == pefile.SUBSYSTEM_TYPE['IMAGE_SUBSYSTEM_WINDOWS_GUI'],
           'subsystem %d' % pe.OPTIONAL_HEADER.Subsystem)
    dlls = sorted(entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT)
    expect(dlls == ['kernel32.dll'], 'imports %s' % dlls)
    if arch == 'i686':
        expect(size <= SIZE_GOAL, 'x86 template of %d bytes exceeds %d' % (size, SIZE_GOAL))

    res = resources(pe)
    manifest = res.get((RT_MANIFEST, 1, LANGUAGE), b'')
    expected_keys = {(RT_GROUP_ICON, 107, LANGUAGE), (RT_VERSION, 1, LANGUAGE), (RT_MANIFEST, 1, LANGUAGE)}
    expected_keys |= {(RT_ICON, i, LANGUAGE) for i in range(1, 5)}
    expect(set(res) == expected_keys, 'resources %s' % sorted(map(str, res)))
    for key, data in sorted(res.items(), key=str):
        print('  type %s id %s language 0x%04x: %d bytes' % (key[0], key[1], key[2], len(data)))

    block = res.get((RT_VERSION, 1, LANGUAGE), b'')
    expected_block = version_block()
    expect(len(expected_block) == 2644, 'expectation is %d bytes' % len(expected_block))
    expect(block == expected_block, 'version block differs (%d bytes)' % len(block))
    fixed = pe.VS_FIXEDFILEINFO[0]
    expect((fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS)
           == (0x10000, 1, 0x10000, 1), 'versions in the fixed part')
    tables = [t for info in pe.FileInfo[0] if info.Key == b'StringFileInfo' for t in info.StringTable]
    expect([t.LangID for t in tables] == [b'040904b0'], 'string tables %s' % [t.LangID for t in tables])
    if tables:
        expect([k.decode() for k in tables[0].entries] == VERSION_KEYS, 'string keys %s' % list(tables[0].entries))
        expect(all(v.decode() == PLACEHOLDER for v in tables[0].entries.values()), 'placeholders')

    group = res.get((RT_GROUP_ICON, 107, LANGUAGE), b'')
    expect(len(group) == 6 + 14 * 4, 'icon group of %d bytes' % len(group))
    if len(group) == 62:
        expect(struct.unpack_from('<HHH', group) == (0, 1, 4), 'icon group header')
        for index, (width, height, colours, bits, image_size) in enumerate(ICONS):
            entry = struct.unpack_from('<BBBBHHIH', group, 6 + 14 * index)
            expect(entry == (width, height, colours, 0, 1, bits, image_size, index + 1),
                   'icon group entry %d: %s' % (index, entry))
            image = res.get((RT_ICON, index + 1, LANGUAGE), b'')
            expect(len(image) == image_size, 'icon image %d of %d bytes' % (index + 1, len(image)))
            if len(image) >= 40:
                header = struct.unpack_from('<IiiHH', image)
                expect(header == (40, width, height * 2, 1, bits), 'icon image %d header %s' % (index + 1, header))

    try:
        root = ElementTree.fromstring(manifest)
        levels = root.findall('.//{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel')
        expect([(e.get('level'), e.get('uiAccess')) for e in levels] == [('asInvoker', 'false')],
               'execution level %s' % [e.attrib for e in levels])
    except ElementTree.ParseError as error:
        failures.append('manifest: %s' % error)

    # wrestool's own reading: the same entries with the same sizes and languages.
    listing = subprocess.run(['wrestool', '-l', path], capture_output=True, text=True, check=True).stdout
    listed = set()
    for line in listing.splitlines():
        m = re.match(r'--type=(\S+) --name=(\S+) --language=(\d+) \[.*size=(\d+)\]', line)
        expect(m is not None, 'wrestool line %r' % line)
        if m:
            listed.add((m.group(1), m.group(2), int(m.group(3)), int(m.group(4))))
    wanted = {(t, i, l, len(res.get((t, i, l), b''))) for t, i, l in expected_keys}
    expect({(int(t), int(i), l, n) for t, i, l, n in listed} == wanted, 'wrestool lists %s' % sorted(listed))

    # wrestool rebuilds the .ico from the group; icotool reads the four images from it.
    with tempfile.TemporaryDirectory() as folder:
        ico = os.path.join(folder, 'icon.ico')
        subprocess.run(['wrestool', '-x', '--type=14', '--name=107', '-o', ico, path], check=True)
        formats = subprocess.run(['icotool', '-l', ico], capture_output=True, text=True, check=True).stdout
        got = re.findall(r'--width=(\d+) --height=(\d+) --bit-depth=(\d+)', formats)
        expect(got == [('16', '16', '4'), ('16', '16', '8'), ('32', '32', '4'), ('32', '32', '8')],
               'icotool reads %s' % got)
    return failures


def main():
    folder, arch = sys.argv[1:3]
    failures = check(os.path.join(folder, 'launcher', 'wrapstub.exe'), arch)
    for failure in failures:
        print('FAILED: ' + failure)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
