"""Shared pieces of the converter's end-to-end tests: a package built with wixl, project files,
and the converters (the Linux command, or a Windows converter under Wine) run on them."""
import os
import pathlib
import re
import shutil
import subprocess
import sys

import pefile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import icon_file  # noqa: E402

SOURCE_DIR = pathlib.Path(os.environ.get('WRAPSMITH_SOURCE_DIR', pathlib.Path(__file__).resolve().parents[2]))
WINE = os.environ.get('WINE', '/usr/lib/wine/wine64')
WINESERVER = '/usr/lib/wine/wineserver64'

BANNER = ('\n', '\n', 'Wrapsmith v2.0 for Windows XP/7/2008\n',
          'Copyright (C) 2026 Tarnwick, https://wrapsmith.example.com\n')
USAGE = ('\n', 'Usage: wrapsmith.exe <project file> [/b]\n', '\n', 'Example: wrapsmith.exe C:\\project.xml /b\n', '\n')
NO_DIALOG = 'The dialog needs Windows and is not part of this build; use batch mode (/b).\n'
CREATED = '\nExecutable file created successfuly\n'

FIELDS = ('ProductName', 'ProductVersion', 'CompanyName', 'FileVersion', 'FileDescription', 'LegalCopyright',
          'LegalTrademarks', 'Comments', 'OriginalFilename', 'InternalName', 'PrivateBuild', 'SpecialBuild',
          'IconPath', 'InstallerPath', 'InstallArgs')

VERSION_FIELDS = {
    'ProductName': 'Wrapsmith Sample', 'ProductVersion': '1.2.3.4', 'CompanyName': 'Tarnwick Samples',
    'FileVersion': '5.6.7.8', 'FileDescription': 'Sample setup', 'LegalCopyright': 'Copyright (C) 2026 Tarnwick',
    'LegalTrademarks': 'Wrapsmith', 'Comments': 'Built by the end-to-end test', 'OriginalFilename': 'sample.exe',
    'InternalName': 'sample', 'PrivateBuild': 'private', 'SpecialBuild': 'special',
}


def fail(message):
    print('FAIL: ' + message)
    sys.exit(1)


def build_package(directory, name='sample.msi'):
    """The example package, built with wixl into `directory`."""
    directory = pathlib.Path(directory)
    for f in ('sample.wxs', 'wrapsmith-sample.txt'):
        shutil.copy(SOURCE_DIR / 'examples' / f, directory / f)
    subprocess.run(['wixl', '-o', name, 'sample.wxs'], cwd=directory, check=True)
    return directory / name


def write_icon(path):
    pathlib.Path(path).write_bytes(icon_file.icon_file(icon_file.SAMPLE_IMAGES))
    return pathlib.Path(path)


def project_xml(fields):
    """A project file as the converter saves it: four CRLF lines, backslashes doubled."""
    def attribute(value):
        value = value.replace('\\', '\\\\').replace('\n', '\\n').replace('\r', '\\r').replace('\t', '\\t')
        return value.replace('&', '&amp;').replace('<', '&lt;').replace('"', '&quot;')
    attributes = ''.join(f' {k}="{attribute(fields[k])}"' for k in FIELDS if fields.get(k))
    return ('<?xml version="1.0" encoding="UTF-8"?>\r\n<Settings CompactMode="1">\r\n'
            f'\t<Exe CompactMode="1"{attributes}/>\r\n</Settings>\r\n').encode('utf-8')


class LinuxConverter:
    """The native command; paths as they are."""
    name = 'linux'

    def __init__(self, program, template):
        self.program = str(program)
        self.template = pathlib.Path(template)

    def path(self, p):
        return str(p)

    def output_for(self, package):
        package = pathlib.Path(package)
        return package.with_name(re.sub(r'\.msi', '.exe', package.name, flags=re.IGNORECASE))

    def run(self, *arguments):
        r = subprocess.run([self.program, *arguments], capture_output=True, timeout=300)
        return r.stdout.decode('utf-8'), r.returncode


class WineConverter:
    """A Windows converter under Wine; paths on drive Z:, the output name lower-cased as the
    Windows converter lower-cases the package path. Standard output arrives in text mode."""
    name = 'wine'

    def __init__(self, program, template, holder=None):
        self.program = str(program)
        self.template = pathlib.Path(template)
        self.holder = holder

    def path(self, p):
        return 'Z:' + str(p).replace('/', '\\')

    def output_for(self, package):
        package = pathlib.Path(package)
        return package.with_name(package.name.lower().replace('.msi', '.exe'))

    def run(self, *arguments, hold=None):
        command = [WINE, self.program, *arguments]
        if hold:
            command = [WINE, str(self.holder), self.path(hold), self.program, *arguments]
        r = subprocess.run(command, capture_output=True, timeout=300)
        subprocess.run([WINESERVER, '-w'], timeout=300)
        return r.stdout.decode('latin-1').replace('\r\n', '\n'), r.returncode


def resource(pe, type_name, id_):
    """Bytes of the first entry (type, id) of an image, or None."""
    if not hasattr(pe, 'DIRECTORY_ENTRY_RESOURCE'):
        return None
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if (t.name is not None and str(t.name) == type_name) or (t.name is None and t.id == type_name):
            for n in t.directory.entries:
                if n.id == id_:
                    lang = n.directory.entries[0]
                    return pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
    return None


def what_was_left(output, package_bytes, template):
    """What a build left at `output`: none, template, no-icon or complete."""
    output = pathlib.Path(output)
    if not output.exists():
        return 'none'
    data = output.read_bytes()
    if data == template.read_bytes():
        return 'template'
    pe = pefile.PE(data=data)
    if resource(pe, 'BIN', 102) != package_bytes or resource(pe, 'BIN', 125) is None:
        return 'other'
    return 'complete' if resource(pe, pefile.RESOURCE_TYPE['RT_ICON'], 107) is not None else 'no-icon'
