"""End to end on Linux: a wixl-built package and a project with version strings and an icon,
wrapped by `wrapsmith project.xml /b`, then read back by readers nobody here wrote: pefile,
wrestool and osslsigncode.
Usage: end_to_end_linux.py WRAPSMITH TEMPLATE"""
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile

import pefile

import harness
from harness import fail

converter = harness.LinuxConverter(sys.argv[1], sys.argv[2])
work = pathlib.Path(tempfile.mkdtemp(prefix='wrapsmith_e2e_'))
package = harness.build_package(work, 'Sample Setup.msi')
icon = harness.write_icon(work / 'sample.ico')
fields = dict(harness.VERSION_FIELDS, InstallerPath=str(package), IconPath=f'  {icon}\t',
              InstallArgs='  /i {package} /qb ')
(work / 'project.xml').write_bytes(harness.project_xml(fields))
project_before = (work / 'project.xml').read_bytes()

text, status = converter.run(str(work / 'project.xml'), '/b')
if text != ''.join(harness.BANNER) + harness.CREATED or status != 0:
    fail(f'console {text!r}, status {status}')
output = work / 'Sample Setup.exe'
if not output.exists():
    fail('no output executable next to the package')
if (work / 'project.xml').read_bytes() != project_before:
    fail('batch mode changed the project file')

pe = pefile.PE(str(output))
if pe.FILE_HEADER.Machine != pefile.MACHINE_TYPE['IMAGE_FILE_MACHINE_I386']:
    fail('the Linux converter should carry the 32-bit launcher')

# The package, byte for byte; the argument record, trimmed.
if harness.resource(pe, 'BIN', 102) != package.read_bytes():
    fail('BIN 102 differs from the package')
record = harness.resource(pe, 'BIN', 125)
expected_record = '/i {package} /qb'.encode('utf-16-le').ljust(524, b'\0')
if record != expected_record:
    fail(f'BIN 125 is {record!r}')

# The version block: strings and numbers.
strings = {}
for info in pe.FileInfo[0]:
    if info.Key == b'StringFileInfo':
        for table in info.StringTable:
            if table.LangID != b'040904b0':
                fail(f'string table {table.LangID}')
            strings = {k.decode(): v.decode() for k, v in table.entries.items()}
for key, value in harness.VERSION_FIELDS.items():
    if strings.get(key) != value:
        fail(f'version string {key} is {strings.get(key)!r}, expected {value!r}')
fixed = pe.VS_FIXEDFILEINFO[0]
if (fixed.FileVersionMS, fixed.FileVersionLS) != (0x00050006, 0x00070008):
    fail('file version numbers')
if (fixed.ProductVersionMS, fixed.ProductVersionLS) != (0x00010002, 0x00030004):
    fail('product version numbers')
versions = [e for e in pe.DIRECTORY_ENTRY_RESOURCE.entries if e.id == 16]
if len(versions[0].directory.entries) != 1 or len(versions[0].directory.entries[0].directory.entries) != 1:
    fail('more than one version resource')

# The icon: wrestool lists group 107 once, the template's images 1 to 4 and the new ones.
listing = subprocess.run(['wrestool', '-l', str(output)], capture_output=True, text=True, check=True).stdout
groups = [line for line in listing.splitlines() if '--type=14' in line]
if len(groups) != 1 or '--name=107' not in groups[0] or '--language=1033' not in groups[0]:
    fail(f'icon groups: {groups}')
images = sorted(int(line.split('--name=')[1].split()[0]) for line in listing.splitlines() if '--type=3 ' in line)
count = len(harness.icon_file.SAMPLE_IMAGES)
if images != [1, 2, 3, 4] + list(range(107, 107 + count)):
    fail(f'icon images {images}')
# The group as wrestool rebuilds it into an icon file holds exactly our images.
extracted = subprocess.run(['wrestool', '-x', '--type=14', '--name=107', str(output)], capture_output=True,
                           check=True).stdout
ours = icon.read_bytes()
if struct.unpack_from('<H', extracted, 4)[0] != count:
    fail('extracted icon count')
for i in range(count):
    size, offset = struct.unpack_from('<II', extracted, 6 + 16 * i + 8)
    our_size, our_offset = struct.unpack_from('<II', ours, 6 + 16 * i + 8)
    if extracted[offset:offset + size] != ours[our_offset:our_offset + our_size]:
        fail(f'icon image {i} differs')

# An output executable must sign and verify.
subprocess.run(['openssl', 'req', '-x509', '-newkey', 'rsa:2048', '-nodes', '-subj', '/CN=Wrapsmith test',
                '-days', '2', '-keyout', str(work / 'key.pem'), '-out', str(work / 'cert.pem')],
               check=True, capture_output=True)
subprocess.run(['osslsigncode', 'sign', '-certs', str(work / 'cert.pem'), '-key', str(work / 'key.pem'),
                '-n', 'Wrapsmith Sample', '-in', str(output), '-out', str(work / 'signed.exe')],
               check=True, capture_output=True)
verify = subprocess.run(['osslsigncode', 'verify', '-CAfile', str(work / 'cert.pem'), '-in', str(work / 'signed.exe')],
                        capture_output=True, text=True)
if verify.returncode != 0 or 'Signature verification: ok' not in verify.stdout:
    fail('signature does not verify:\n' + verify.stdout + verify.stderr)

# Builds in a row onto the same output, the package changing size between them: each output
# replaces the last (larger or smaller) one, and pefile finds the package and a checksum that
# matches its own sum. From 16 MiB kept bytes the checksum of an in-place update is derived
# from the one the previous update wrote; odd sizes shift every later word by a byte.
import os  # noqa: E402
rows = [((17 << 20) + 3, True), ((16 << 20) - 1, False), (300001, True), (0, False)]
for size, with_icon in rows:
    data = os.urandom(size)
    package.write_bytes(data)
    fields = dict(harness.VERSION_FIELDS, InstallerPath=str(package), IconPath=str(icon) if with_icon else '',
                  InstallArgs='/i {package} /qb')
    (work / 'project.xml').write_bytes(harness.project_xml(fields))
    text, status = converter.run(str(work / 'project.xml'), '/b')
    if status != 0:
        fail(f'build {size} in a row: status {status}, console {text!r}')
    pe = pefile.PE(str(output))
    if harness.resource(pe, 'BIN', 102) != data:
        fail(f'build {size} in a row: BIN 102 differs from the package')
    if pe.OPTIONAL_HEADER.CheckSum != pe.generate_checksum():
        fail(f'build {size} in a row: checksum {pe.OPTIONAL_HEADER.CheckSum:#x}, pefile {pe.generate_checksum():#x}')
    pe.close()

print('ok: end to end on Linux')
shutil.rmtree(work)
