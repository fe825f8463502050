"""The Windows converters as Windows sees them, read with pefile: machine type, a windowed
program, the launcher of the same architecture as BIN 137, the manifest and the version block.
The x86 converter cannot run on these machines; this is how it is checked.
Usage: check_windows_programs.py WIN32_DIR WIN64_DIR"""
import pathlib
import sys

import pefile

import harness
from harness import fail

for folder, machine in ((sys.argv[1], 'IMAGE_FILE_MACHINE_I386'), (sys.argv[2], 'IMAGE_FILE_MACHINE_AMD64')):
    folder = pathlib.Path(folder)
    converter = folder / 'converter' / 'app' / 'wrapsmith.exe'
    launcher = folder / 'launcher' / 'wrapstub.exe'
    pe = pefile.PE(str(converter))
    if pe.FILE_HEADER.Machine != pefile.MACHINE_TYPE[machine]:
        fail(f'{converter}: machine {pe.FILE_HEADER.Machine:#x}')
    if pe.OPTIONAL_HEADER.Subsystem != pefile.SUBSYSTEM_TYPE['IMAGE_SUBSYSTEM_WINDOWS_GUI']:
        fail(f'{converter}: not a windowed program')
    template = None
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if t.name is not None and str(t.name) == 'BIN':
            for n in t.directory.entries:
                if n.id == 137:
                    lang = n.directory.entries[0]
                    if lang.id != 0x0409:
                        fail(f'{converter}: BIN 137 in language {lang.id:#x}')
                    template = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
    if template != launcher.read_bytes():
        fail(f'{converter}: BIN 137 is not {launcher}')
    manifest = harness.resource(pe, pefile.RESOURCE_TYPE['RT_MANIFEST'], 1) or b''
    if b'level="asInvoker"' not in manifest or b'Microsoft.Windows.Common-Controls' not in manifest \
            or b'version="6.0.0.0"' not in manifest:
        fail(f'{converter}: manifest {manifest!r}')
    strings = {}
    for info in pe.FileInfo[0]:
        if info.Key == b'StringFileInfo':
            strings = {k.decode(): v.decode() for k, v in info.StringTable[0].entries.items()}
    if strings.get('ProductName') != 'Wrapsmith' or strings.get('FileVersion') != '2.0.0.0':
        fail(f'{converter}: version strings {strings}')
    if harness.resource(pe, pefile.RESOURCE_TYPE['RT_GROUP_ICON'], 128) is None:
        fail(f'{converter}: no icon')
    print(f'ok: {converter}')
